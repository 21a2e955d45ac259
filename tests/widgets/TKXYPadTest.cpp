#include "TKXYPad.h"
#include "ValueWidgetTestSupport.h"

#include <gtest/gtest.h>

using namespace widgettest;

namespace
{
class TKXYPadTest : public ::testing::Test
{
protected:
    TKXYPadTest() { makePad(pad, "Character"); }

    static void makePad(TKXYPad& p, const char* title)
    {
        p.title = title;
        p.xLabel = "NARROW";
        p.yLabel = "INTENSE";
        p.paramIdX = idX;
        p.paramIdY = idY;
        p.setSize(150, 150);
    }

    static constexpr int idX = 4, idY = 5;
    ScopedFontManager fonts;
    TKXYPad pad;
};
} // namespace

TEST_F(TKXYPadTest, TitleAxesAndCrosshairLandWhereTheLayoutPutsThem)
{
    const struct
    {
        const char* title;
        float s;
        float topMargin;
        juce::Rectangle<float> padArea;
    } cases[] = {
        {"Character", 1.0f, 20.0f, {15, 20, 120, 115}},
        {"", 1.0f, 10.0f, {15, 10, 120, 125}},
        {"Character", 2.0f, 20.0f, {15, 20, 120, 115}},
    };
    for (const auto& c : cases)
    {
        ScopedDisplayScale scale(c.s);
        TKXYPad pad;
        makePad(pad, c.title);
        const std::string name = std::string("'") + c.title + "' at " + std::to_string(c.s);
        EXPECT_FLOAT_EQ(pad.topMargin, c.topMargin) << name;
        EXPECT_EQ(juce::Rectangle<float>(pad.padX, pad.padY, pad.padW, pad.padH), c.padArea) << name;

        // Axes one device pixel wide: the horizontal one at y 132 (H - 18), the
        // vertical one at x 18; the title, when there is one, above the pad area.
        const auto& background = *pad.backgroundImage;
        const auto px = [&c](float logical) { return (int)(logical * c.s); };
        EXPECT_NEAR(middleOf(inkIn(background, {px(40), px(100), px(100), px(40)})).y, 132.0f * c.s, 1.0f)
            << name;
        EXPECT_NEAR(middleOf(inkIn(background, {px(16), px(40), px(6), px(80)})).x, 18.0f * c.s, 1.0f)
            << name;
        const auto title = inkIn(background, {px(20), 0, px(110), px(c.topMargin)});
        EXPECT_EQ(title.isEmpty(), *c.title == 0) << name;
        EXPECT_TRUE(title.isEmpty() ||
                    (title.getY() >= px(3) && title.getBottom() <= px(20) && title.getWidth() > px(40)))
            << name << " " << title.toString();

        // At 0.5, 0.5 the horizontal stroke's image sits at (15, 74) and the
        // vertical one's at (72, 20), each stroke 3 units in; the ring is
        // centred on their crossing, at (75, 77).
        const auto screen = renderAt(pad, c.s);
        if (*c.title != 0)
        {
            EXPECT_NEAR(middleOf(inkIn(screen, {px(25), px(60), px(30), px(40)})).y, 77.0f * c.s, 1.0f)
                << name;
            EXPECT_NEAR(middleOf(inkIn(screen, {px(60), px(25), px(30), px(30)})).x, 75.0f * c.s, 1.0f)
                << name;
            const auto upperLeft = inkIn(screen, {px(55), px(55), px(17), px(19)});
            const auto lowerRight = inkIn(screen, {px(79), px(81), px(17), px(17)});
            EXPECT_NEAR((upperLeft.getX() + lowerRight.getRight()) * 0.5f, 75.0f * c.s, 1.0f) << name;
            EXPECT_NEAR((upperLeft.getY() + lowerRight.getBottom()) * 0.5f, 77.0f * c.s, 1.0f) << name;
        }
        if (c.s == 2.0f)
            saveArtefact(screen, "xypad_2x.png");
    }
}

TEST_F(TKXYPadTest, GesturesReportBothAxesXFirstClampedAndScaledByAlt)
{
    const int alt = juce::ModifierKeys::altModifier;
    // clang-format off
    expectGestures(pad, {idX, idY}, {{idX, 0.25f}, {idY, 0.8f}}, {
        {"diagonal drag up and right by 15", {0.5f, 0.5f}, 0, [](Mouse& m) { m.press(75, 75), m.drag(90, 60), m.release(); },
         {{"begin", idX}, {"begin", idY}, {"change", idX, 0.6f}, {"change", idY, 0.6f}, {"end", idX}, {"end", idY}}},
        {"with Alt a tenth", {0.5f, 0.5f}, alt, [](Mouse& m) { m.press(75, 75), m.drag(90, 60); },
         {{"begin", idX}, {"begin", idY}, {"change", idX, 0.51f}, {"change", idY, 0.51f}}},
        {"past the left and the top", {0.05f, 0.95f}, 0, [](Mouse& m) { m.press(75, 75), m.drag(60, 60); },
         {{"begin", idX}, {"begin", idY}, {"change", idX, 0.0f}, {"change", idY, 1.0f}}},
        {"double-click resets both", {0.5f, 0.5f}, 0, [](Mouse& m) { m.doubleClick(75, 75); },
         {{"begin", idX}, {"begin", idY}, {"end", idX}, {"end", idY}, {"begin", idX}, {"begin", idY},
          {"change", idX, 0.25f}, {"change", idY, 0.8f}, {"end", idX}, {"end", idY}}},
        {"wheel: deltaX lowers x, deltaY raises y", {0.5f, 0.5f}, 0, [](Mouse& m) { m.wheel(0.5f, 0.5f); },
         {{"change", idX, 0.4f}, {"change", idY, 0.6f}}},
        {"wheel with Alt", {0.5f, 0.5f}, alt, [](Mouse& m) { m.wheel(0.5f, -3.0f); },
         {{"change", idX, 0.49f}, {"change", idY, 0.44f}}},
    });
    // clang-format on
}

TEST_F(TKXYPadTest, ValuesPerIdAreStoredUnclampedAndUnknownIdsOnlyRepaint)
{
    auto& repaints = RepaintCounter::attachTo(pad);
    pad.setValueForParamId(idX, 1.5f);
    pad.setValueForParamId(idY, -0.25f);
    pad.setValueForParamId(9, 0.3f);
    EXPECT_EQ(repaints.count, 3);
    EXPECT_EQ(valuesOf(pad, {idX, idY, 9}), (std::vector<float>{1.5f, -0.25f, 0.0f}));

    // Both axes on one id: a set reaches both, a get answers x.
    pad.paramIdY = idX;
    pad.setValueForParamId(idX, 0.3f);
    EXPECT_FLOAT_EQ(pad.valueY, 0.3f);
    pad.valueY = 0.7f;
    EXPECT_FLOAT_EQ(pad.getValueForParamId(idX), 0.3f);
}

TEST_F(TKXYPadTest, WithoutOwnerOrSizeNothingBadIsReported)
{
    expectUsableWithoutOwner(pad, {75, 75}, {idX, idY}, idY, 0.6f);
    for (const auto& size : {juce::Point<int>(0, 150), juce::Point<int>(150, 0)})
    {
        pad.setSize(size.x, size.y);
        expectDragIgnored(pad, {0, 0}, {idX, idY}, size.toString().toStdString());
    }
}
