#include "TKSlider.h"
#include "ValueWidgetTestSupport.h"

#include <gtest/gtest.h>

using namespace widgettest;

namespace
{
class TKSliderTest : public ::testing::Test
{
protected:
    TKSliderTest()
    {
        fader.title = "VOLUME";
        fader.setParamId(id);
        fader.setSize(50, 200);
    }

    static constexpr int id = 14;
    ScopedFontManager fonts;
    TKSlider fader;
};
} // namespace

TEST_F(TKSliderTest, TrackTitleAndThumbLandWhereTheLayoutPutsThemAtScalesOneAndTwo)
{
    for (const float s : {1.0f, 2.0f})
    {
        ScopedDisplayScale scale(s);
        TKSlider fader;
        fader.title = "VOLUME";
        fader.setSize(50, 200);
        fader.setValue(0.5f, false);
        const auto& background = *fader.backgroundImage;
        const auto px = [s](float logical) { return (int)(logical * s); };
        ASSERT_EQ(background.getBounds(), juce::Rectangle<int>(px(50), px(200))) << s;
        EXPECT_FLOAT_EQ(fader.trackLength, 182.5f) << s;

        // The track runs down the middle from the top edge to y 185; the title
        // fills the strip 190..200 below it. (The texture's edge rows are
        // clear, so ink is a little narrower than a stroke.)
        const auto track = inkIn(background, {0, 0, px(50), px(187)});
        EXPECT_TRUE(track.getY() == 0 && track.getBottom() == px(185) && track.getWidth() >= px(4)) << s;
        EXPECT_NEAR(middleOf(track).x, 25.0f * s, 1.0f) << s;
        const auto title = inkIn(background, {0, px(187), px(50), px(13)});
        EXPECT_TRUE(title.getWidth() > px(25) && title.getY() >= px(188) && title.getBottom() <= px(200))
            << s << " " << title.toString();

        // On screen the background is one unit lower, and the thumb at value
        // 0.5 runs from x 17 to 33 at y 93.75.
        const auto screen = renderAt(fader, s);
        EXPECT_EQ(inkIn(screen, {px(24), 0, px(2), px(20)}).getY(), px(1)) << s;
        const auto thumbLeft = inkIn(screen, {0, 0, px(22), px(150)});
        EXPECT_EQ(thumbLeft.getX(), px(17)) << s;
        EXPECT_NEAR(middleOf(thumbLeft).y, 93.75f * s, 1.0f) << s;
        EXPECT_EQ(inkIn(screen, {px(28), 0, px(22), px(150)}).getRight(), px(33)) << s;
        if (s == 2.0f)
            saveArtefact(screen, "fader_2x.png");
    }
}

TEST_F(TKSliderTest, GesturesReportInOrderClampedAndScaledByAlt)
{
    const int alt = juce::ModifierKeys::altModifier;
    // clang-format off
    expectGestures(fader, {id}, {{id, 0.75f}}, {
        {"drag up 20 twice", {0.5f}, 0, [](Mouse& m) { m.press(25, 100), m.drag(25, 80), m.drag(25, 60), m.release(); },
         {{"begin", id}, {"change", id, 0.6f}, {"change", id, 0.7f}, {"end", id}}},
        {"with Alt a tenth", {0.5f}, alt, [](Mouse& m) { m.press(25, 100), m.drag(25, 80), m.release(); },
         {{"begin", id}, {"change", id, 0.51f}, {"end", id}}},
        {"below the bottom", {0.05f}, 0, [](Mouse& m) { m.press(25, 100), m.drag(25, 120), m.drag(25, 300); },
         {{"begin", id}, {"change", id, 0.0f}, {"change", id, 0.0f}}},
        {"above the top", {0.95f}, 0, [](Mouse& m) { m.press(25, 100), m.drag(25, 80); },
         {{"begin", id}, {"change", id, 1.0f}}},
        {"double-click resets to the default", {0.2f}, 0, [](Mouse& m) { m.doubleClick(25, 50); },
         {{"begin", id}, {"end", id}, {"begin", id}, {"change", id, 0.75f}, {"end", id}}},
        {"wheel: vertical only", {0.5f}, 0, [](Mouse& m) { m.wheel(0.3f, 0.5f), m.wheel(0.0f, 4.0f); },
         {{"change", id, 0.6f}, {"change", id, 1.0f}}},
        {"wheel with Alt", {0.5f}, alt, [](Mouse& m) { m.wheel(0.0f, -0.5f); }, {{"change", id, 0.49f}}},
    });
    // clang-format on

    // Control held at a press prints a line and changes nothing else.
    for (const auto& [flags, printed] :
         {std::pair<int, std::string>{juce::ModifierKeys::ctrlModifier, "Ctrl is down\n"}, {alt, ""}})
    {
        Mouse mouse(fader, flags);
        ::testing::internal::CaptureStdout();
        mouse.press(25, 100), mouse.release();
        EXPECT_EQ(::testing::internal::GetCapturedStdout(), printed);
    }
}

TEST_F(TKSliderTest, WithoutOwnerOrHeightNothingBadIsReported)
{
    fader.setValue(0.5f, false);
    expectUsableWithoutOwner(fader, {25, 100}, {id}, id, 0.6f);
    fader.setSize(50, 0);
    expectDragIgnored(fader, {25, 0}, {id}, "no height");
}
