#include "Pencil.h"
#include "TKGraphics.h"
#include "WidgetTestSupport.h"

#include <gtest/gtest.h>

#include <vector>

using widgettest::alphaAt;
using widgettest::meanAlpha;
using widgettest::ScopedDisplayScale;

namespace
{
constexpr float halfPi = 1.5707964f;

// The stroke's corners; its far end is the middle of the last two.
std::vector<juce::Point<float>> corners(const Pencil::LineInfo& line)
{
    std::vector<juce::Point<float>> points;
    for (juce::Path::Iterator it(line.quad); it.next();)
        if (it.elementType == juce::Path::Iterator::startNewSubPath ||
            it.elementType == juce::Path::Iterator::lineTo)
            points.push_back({it.x1, it.y1});
    return points;
}

juce::Point<float> endOf(const Pencil::LineInfo& line)
{
    const auto c = corners(line);
    return (c[2] + c[3]) * 0.5f;
}

class PencilTest : public ::testing::Test
{
protected:
    ScopedDisplayScale scale{1.0f};
    Pencil pencil{5.0f, "pencil"};
};
} // namespace

TEST_F(PencilTest, StrokesAreQuadsAroundTheSegmentOnAStripOfTheScaledTexture)
{
    EXPECT_EQ(pencil.strip.getBounds(), juce::Rectangle<int>(300, 5));
    const auto c = corners(pencil.createLine(0.0f, 0.0f, 0.0f, 10.0f, -1.0f));
    ASSERT_EQ(c.size(), 4u);
    const juce::Point<float> expected[] = {{-2.5f, 0.0f}, {2.5f, 0.0f}, {2.5f, 10.0f}, {-2.5f, 10.0f}};
    for (size_t i = 0; i < 4; ++i)
        EXPECT_LT(c[i].getDistanceFrom(expected[i]), 1e-5f) << i;
    pencil.setSize(7.9f);
    EXPECT_EQ(pencil.strip.getHeight(), 7);

    // A falling slope needs both differences non-zero and of the same sign.
    const struct
    {
        float x1, y1, x2, y2;
        bool falling;
    } slopes[] = {{0, 0, 10, 10, true},  {10, 10, 0, 0, true}, {0, 10, 10, 0, false},
                  {10, 0, 0, 10, false}, {0, 5, 10, 5, false}, {5, 0, 5, 10, false}};
    for (const auto& s : slopes)
        EXPECT_EQ(pencil.createLine(s.x1, s.y1, s.x2, s.y2, 1).fallingSlope, s.falling)
            << s.x1 << s.y1 << s.x2 << s.y2;

    ScopedDisplayScale doubleDensity(2.0f);
    EXPECT_EQ(Pencil(10.0f, "pencil").strip.getBounds(), juce::Rectangle<int>(600, 10));
}

TEST_F(PencilTest, SingleLineFadesInForwardAndOutBackwardAndCircleChainsChords)
{
    pencil.addSingleLine(0.0f, 0.0f, 100.0f, 0.0f, 0.05f, 0.05f, 5);
    ASSERT_EQ(pencil.lines.size(), 10u);
    // (start, end) as fractions of the length, and alphas.
    const float from[] = {0.0f, 0.01f, 0.02f, 0.03f, 0.04f, 0.96f, 0.97f, 0.98f, 0.99f, 1.0f};
    const float to[] = {0.01f, 0.02f, 0.03f, 0.04f, 0.95f, 0.95f, 0.96f, 0.97f, 0.98f, 0.99f};
    const float alpha[] = {0.2f, 0.4f, 0.6f, 0.8f, 1.0f, 5.0f / 6, 4.0f / 6, 3.0f / 6, 2.0f / 6, 1.0f / 6};
    for (size_t i = 0; i < 10; ++i)
    {
        const auto& line = pencil.lines[i];
        EXPECT_NEAR(line.startX, from[i] * 100.0f, 1e-4f) << i;
        EXPECT_NEAR(endOf(line).x, to[i] * 100.0f, 1e-4f) << i;
        EXPECT_NEAR(line.alpha, alpha[i], 1e-6f) << i;
        // x difference first: forward strokes point at +pi/2, the backward fade-out at -pi/2.
        EXPECT_NEAR(line.angle, i < 5 ? halfPi : -halfPi, 1e-6f) << i;
    }
    // One step: no fade-in, the full part and one fade-out stroke at 1/2; no steps: the full part.
    for (int steps : {1, 0})
    {
        pencil.lines.clear();
        pencil.addSingleLine(0, 0, 10, 0, 0.1f, 0.1f, steps);
        ASSERT_EQ(pencil.lines.size(), steps == 1 ? 2u : 1u) << steps;
        EXPECT_FLOAT_EQ(pencil.lines.back().alpha, steps == 1 ? 0.5f : 1.0f);
    }

    // Angle 0 is straight below the centre and angles grow towards +x; no segments, no strokes.
    pencil.lines.clear();
    pencil.addCircle(50.0f, 40.0f, 30.0f, 50, 0.0f, 6.2831855f);
    ASSERT_EQ(pencil.lines.size(), 50u);
    EXPECT_LT(juce::Point<float>(pencil.lines[0].startX, pencil.lines[0].startY).getDistanceFrom({50, 70}),
              1e-5f);
    EXPECT_GT(endOf(pencil.lines[0]).x, 50.0f);
    for (size_t i = 0; i < 50; ++i)
    {
        const auto& next = pencil.lines[(i + 1) % 50];
        EXPECT_LT(endOf(pencil.lines[i]).getDistanceFrom({next.startX, next.startY}), 1.5e-3f) << i;
    }
    pencil.lines.clear();
    pencil.addCircle(0, 0, 10, 0, 0, 1.0f);
    EXPECT_TRUE(pencil.lines.empty());
}

TEST_F(PencilTest, PaintRunsTheTextureAlongEachStrokeAtItsOpacityAndEmptiesTheBatch)
{
    // At size 14 the strip is the texture itself: the stroke's rows (columns for a vertical
    // stroke) carry the texture's clear edges and dark middle. Quad rows 13.5 .. 27.5 (columns
    // 93.5 .. 107.5): the clear texture rows fall on the outer pixel rows, the ink on the middle.
    pencil.setSize(14.0f);
    pencil.opacity = 1.0f;
    juce::Image image(juce::Image::ARGB, 340, 340, true);
    juce::Graphics g(image);
    pencil.lines.push_back(pencil.createLine(20.0f, 20.5f, 320.0f, 20.5f, -1.0f));
    pencil.lines.push_back(pencil.createLine(100.5f, 40.0f, 100.5f, 330.0f, -1.0f));
    pencil.paint(g);
    EXPECT_TRUE(pencil.lines.empty());
    EXPECT_LT(meanAlpha(image, {20, 14, 300, 1}), 12.0);
    EXPECT_LT(meanAlpha(image, {20, 26, 300, 1}), 12.0);
    EXPECT_GT(meanAlpha(image, {20, 20, 300, 1}), 150.0);
    EXPECT_LT(meanAlpha(image, {94, 40, 1, 290}), 12.0);
    EXPECT_LT(meanAlpha(image, {106, 40, 1, 290}), 12.0);
    EXPECT_GT(meanAlpha(image, {100, 40, 1, 290}), 150.0);

    // An opaque white strip shows the stroke opacity itself in every pixel's alpha: the pencil's
    // opacity alone for a negative alpha, else their product, capped at full.
    pencil.setSize(10.0f);
    pencil.strip = widgettest::solidImage(300, 10, juce::Colours::white);
    const struct
    {
        float alpha, opacity;
        int expected;
    } cases[] = {{-1.0f, 0.65f, 166}, {2.8f, 0.2f, 143}, {0.5f, 0.65f, 83}, {2.8f, 0.65f, 255}};
    for (const auto& c : cases)
    {
        juce::Image target(juce::Image::ARGB, 40, 40, true);
        juce::Graphics h(target);
        pencil.opacity = c.opacity;
        pencil.lines.push_back(pencil.createLine(5.0f, 20.0f, 35.0f, 20.0f, c.alpha));
        pencil.paint(h);
        EXPECT_NEAR(alphaAt(target, 20, 20), c.expected, 1) << c.alpha << " x " << c.opacity;
    }
}
