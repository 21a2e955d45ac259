#include "TKAdsr.h"
#include "ValueWidgetTestSupport.h"

#include <gtest/gtest.h>

using namespace widgettest;

namespace
{
const std::vector<int> ids = {0, 1, 2, 3};

/** Bound to ids 0..3, all values 0.5, painted once so that the handles have their places. */
struct Envelope
{
    explicit Envelope(juce::Point<int> size = {300, 100},
                      std::array<float, 4> values = {0.5f, 0.5f, 0.5f, 0.5f})
    {
        adsr.paramIds = {0, 1, 2, 3};
        adsr.values = values;
        adsr.setSize(size.x, size.y);
        renderAt(adsr, 1.0f);
    }
    TKAdsr adsr;
};
} // namespace

TEST(TKAdsr, LayoutCornersHandlesAndStrokesAtScalesOneAndTwo)
{
    for (const float s : {1.0f, 2.0f})
    {
        ScopedDisplayScale scale(s);
        Envelope e;
        auto& adsr = e.adsr;
        const auto screen = renderAt(adsr, s);
        const std::string name = "at " + std::to_string(s);
        const auto px = [s](float logical) { return (int)(logical * s); };

        EXPECT_FLOAT_EQ(adsr.handleRadius, 6.0f) << name;
        EXPECT_EQ(juce::Rectangle<float>(adsr.innerX, adsr.innerY, adsr.innerW, adsr.innerH),
                  juce::Rectangle<float>(6, 20, 284, 72))
            << name;
        EXPECT_EQ(adsr.guideLineImage->getBounds(), juce::Rectangle<int>(px(5), px(84))) << name;
        EXPECT_EQ(adsr.handleImage->getBounds(), juce::Rectangle<int>(px(17), px(17))) << name;
        const std::vector<float> layout = {adsr.handleRowY,  adsr.attackSpan,    adsr.decaySpan,
                                           adsr.releaseSpan, adsr.startX,        adsr.peakX,
                                           adsr.decayEndX,   adsr.releaseStartX, adsr.endX,
                                           adsr.bottom,      adsr.top,           adsr.sustainY};
        const std::vector<float> expected = {8, 71, 71, 113.6f, 6, 42, 77.5f, 233.7f, 290.5f, 92, 20, 56};
        for (size_t i = 0; i < layout.size(); ++i)
            EXPECT_NEAR(layout[i], expected[i], 1e-4f) << name << " #" << i;

        // Rings centred at (43, 92), (77, 8) and (233, 8): where nothing else is
        // drawn, their bottom and top arcs are centred on those x.
        EXPECT_NEAR(middleOf(inkIn(screen, {px(25), px(96), px(37), px(4)})).x, 43.0f * s, s) << name;
        EXPECT_NEAR(middleOf(inkIn(screen, {px(60), 0, px(35), px(3)})).x, 77.0f * s, s) << name;
        EXPECT_NEAR(middleOf(inkIn(screen, {px(215), 0, px(35), px(3)})).x, 233.0f * s, s) << name;
        // The attack's guide image at x 41 from the handle row down; its stroke
        // 2.5 device pixels in at any scale.
        const auto guide = inkIn(screen, {px(38), 0, px(12), px(16)});
        EXPECT_EQ(guide.getY(), px(8)) << name;
        EXPECT_NEAR(middleOf(guide).x, 41.0f * s + 2.5f, 1.0f) << name;

        // Sustain is stroked at 2.8 times the others' opacity of 0.2.
        int sustainMost = 0, attackMost = 0;
        inkBounds(screen.getClippedImage({px(100), px(50), px(100), px(12)}), 0, &sustainMost);
        inkBounds(screen.getClippedImage({px(15), px(50), px(10), px(20)}), 0, &attackMost);
        EXPECT_NEAR(attackMost, 0.2 * 255, 15) << name;
        EXPECT_NEAR((double)sustainMost / attackMost, 2.65, 0.65) << name << " " << sustainMost;
        if (s == 2.0f)
            saveArtefact(screen, "adsr_2x.png");
    }
}

TEST(TKAdsr, HitTestPrefersRingsInOrderThenTheSustainColumn)
{
    Envelope e;
    const std::pair<juce::Point<int>, int> presses[] = {
        {{50, 92}, TKAdsr::attackHandle}, {{150, 40}, TKAdsr::sustainHandle}, {{150, 10}, TKAdsr::noHandle},
        {{80, 21}, TKAdsr::decayHandle},  {{228, 21}, TKAdsr::releaseHandle}, {{290, 90}, TKAdsr::noHandle},
        {{77, 22}, TKAdsr::noHandle}, // 14 from the decay ring: out of reach, and left of the sustain column
    };
    for (const auto& [p, handle] : presses)
        EXPECT_EQ(e.adsr.hitTest(p), handle) << p.toString();

    // On a low envelope the attack ring (43, 23) and the decay ring (42, 7)
    // reach over each other; attack wins.
    Envelope low({300, 30}, {0.5f, 0.0f, 0.5f, 0.5f});
    EXPECT_EQ(low.adsr.hitTest({43, 15}), TKAdsr::attackHandle);
    EXPECT_EQ(low.adsr.hitTest({42, 8}), TKAdsr::decayHandle);
}

TEST(TKAdsr, GesturesConcernTheHandleTakenAtThePress)
{
    Envelope e;
    const int alt = juce::ModifierKeys::altModifier;
    const std::vector<float> mid = {0.5f, 0.5f, 0.5f, 0.5f};
    // clang-format off
    expectGestures(e.adsr, ids, {{1, 0.3f}}, {
        {"sustain follows the mouse up", mid, 0, [](Mouse& m) { m.press(150, 40), m.drag(150, 33), m.release(); },
         {{"begin", 2}, {"change", 2, 0.5f + 7.0f / 72.0f}, {"end", 2}}},
        {"attack 71 right from 0 reaches 1 and stays", {0.0f, 0.5f, 0.5f, 0.5f}, 0,
         [](Mouse& m) { m.press(7, 92), m.drag(78, 92), m.drag(100, 92), m.release(); },
         {{"begin", 0}, {"change", 0, 1.0f}, {"change", 0, 1.0f}, {"end", 0}}},
        {"decay with Alt a tenth", mid, alt, [](Mouse& m) { m.press(77, 8), m.drag(87, 8), m.release(); },
         {{"begin", 1}, {"change", 1, 0.5f + 1.0f / 71.0f}, {"end", 1}}},
        {"release shrinks as its handle moves right", mid, 0,
         [](Mouse& m) { m.press(233, 8), m.drag(243, 8), m.drag(0, 8), m.release(); },
         {{"begin", 3}, {"change", 3, 0.5f - 10.0f / 113.6f}, {"change", 3, 1.0f}, {"end", 3}}},
        {"a press on no handle makes the drag do nothing", mid, 0,
         [](Mouse& m) { m.press(150, 10), m.drag(170, 60), m.release(); }, {}},
        {"double-click on the decay handle", mid, 0, [](Mouse& m) { m.doubleClick(77, 8); },
         {{"begin", 1}, {"end", 1}, {"begin", 1}, {"change", 1, 0.3f}, {"end", 1}}},
        {"double-click on nothing", mid, 0, [](Mouse& m) { m.doubleClick(150, 10); }, {}},
        {"the wheel over attack moves sustain", mid, 0, [](Mouse& m) { m.press(43, 92), m.release(), m.wheel(0.7f, 0.5f); },
         {{"begin", 0}, {"end", 0}, {"change", 2, 0.6f}}},
        {"wheel with Alt", mid, alt, [](Mouse& m) { m.wheel(0.0f, -1.0f); }, {{"change", 2, 0.48f}}},
    });
    // clang-format on
    EXPECT_EQ(e.adsr.values, (std::array<float, 4>{0.5f, 0.5f, 0.48f, 0.5f}))
        << "the last case touched sustain only";
}

TEST(TKAdsr, ValuesPerIdGoToEveryMatchingEntryAndUnknownIdsOnlyRepaint)
{
    Envelope e;
    auto& adsr = e.adsr;
    adsr.paramIds = {0, 1, 1, 3};
    auto& repaints = RepaintCounter::attachTo(adsr);
    adsr.setValueForParamId(1, 1.5f);
    adsr.setValueForParamId(9, 0.3f);
    EXPECT_EQ(repaints.count, 2);
    EXPECT_EQ(adsr.values, (std::array<float, 4>{0.5f, 1.5f, 1.5f, 0.5f}));
    adsr.values[2] = 0.25f;
    EXPECT_EQ(valuesOf(adsr, {1, 3, 9}), (std::vector<float>{1.5f, 0.5f, 0.0f}));
}

TEST(TKAdsr, WithoutOwnerOrInnerAreaNothingBadIsReported)
{
    Envelope e;
    expectUsableWithoutOwner(e.adsr, {77, 8}, ids, 2, 0.6f);
    // No inner width (spans 0) under the attack handle; no inner height under sustain.
    Envelope narrow({16, 100}), flat({300, 24});
    expectDragIgnored(narrow.adsr, {7, 92}, {0}, "no inner width");
    expectDragIgnored(flat.adsr, {150, 18}, {2}, "no inner height");
}
