#include "Pencil.h"
#include "TKGraphics.h"
#include "WidgetTestSupport.h"

#include <gtest/gtest.h>

#include <vector>

using widgettest::alphaAt;
using widgettest::inkBounds;
using widgettest::meanAlpha;
using widgettest::ScopedDisplayScale;

namespace
{
constexpr float twoPi = 6.2831855f;
constexpr float halfPi = 1.5707964f;

std::vector<juce::Point<float>> corners(const juce::Path& path)
{
    std::vector<juce::Point<float>> points;
    for (juce::Path::Iterator it(path); it.next();)
        if (it.elementType == juce::Path::Iterator::startNewSubPath ||
            it.elementType == juce::Path::Iterator::lineTo)
            points.push_back({it.x1, it.y1});
    return points;
}

// The far end of a stroke: the middle of the quad's last two corners.
juce::Point<float> endOf(const Pencil::LineInfo& line)
{
    const auto c = corners(line.quad);
    return (c[2] + c[3]) * 0.5f;
}

class PencilTest : public ::testing::Test
{
protected:
    ScopedDisplayScale scale{1.0f};
    Pencil pencil{5.0f, "pencil"};
};
} // namespace

TEST_F(PencilTest, ConstructionCutsTheStripFromTheScaledTexture)
{
    EXPECT_FLOAT_EQ(pencil.halfWidth, 2.5f);
    EXPECT_FLOAT_EQ(pencil.opacity, 0.65f);
    EXPECT_EQ(pencil.strip.getBounds(), juce::Rectangle<int>(300, 5));
    pencil.setSize(7.9f);
    EXPECT_FLOAT_EQ(pencil.halfWidth, 3.95f);
    EXPECT_EQ(pencil.strip.getHeight(), 7);

    ScopedDisplayScale doubleDensity(2.0f);
    Pencil sharp(10.0f, "pencil");
    EXPECT_EQ(sharp.texture.getWidth(), 600);
    EXPECT_EQ(sharp.strip.getBounds(), juce::Rectangle<int>(600, 10));
}

TEST_F(PencilTest, CreateLineBuildsTheQuadAroundTheSegment)
{
    const auto line = pencil.createLine(0.0f, 0.0f, 0.0f, 10.0f, -1.0f);
    EXPECT_FLOAT_EQ(line.angle, 0.0f);
    EXPECT_EQ(juce::Point<float>(line.startX, line.startY), juce::Point<float>());
    EXPECT_FLOAT_EQ(line.alpha, -1.0f);
    const auto c = corners(line.quad);
    ASSERT_EQ(c.size(), 4u);
    const juce::Point<float> expected[] = {{-2.5f, 0.0f}, {2.5f, 0.0f}, {2.5f, 10.0f}, {-2.5f, 10.0f}};
    for (size_t i = 0; i < 4; ++i)
        EXPECT_LT(c[i].getDistanceFrom(expected[i]), 1e-5f) << i;

    // x difference first: a rightward segment points at +pi/2.
    EXPECT_NEAR(pencil.createLine(0, 0, 10, 0, 1).angle, halfPi, 1e-6f);

    // A falling slope needs both differences of the same sign.
    const struct
    {
        float x1, y1, x2, y2;
        bool falling;
    } slopes[] = {{0, 0, 10, 10, true},  {10, 10, 0, 0, true}, {0, 10, 10, 0, false},
                  {10, 0, 0, 10, false}, {0, 5, 10, 5, false}, {5, 0, 5, 10, false}};
    for (const auto& s : slopes)
        EXPECT_EQ(pencil.createLine(s.x1, s.y1, s.x2, s.y2, 1).fallingSlope, s.falling)
            << s.x1 << s.y1 << s.x2 << s.y2;
}

TEST_F(PencilTest, SingleLineFadesInForwardAndOutBackward)
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
        // Forward strokes point at +pi/2, the backward fade-out at -pi/2.
        EXPECT_NEAR(line.angle, i < 5 ? halfPi : -halfPi, 1e-6f) << i;
    }

    // Stroke counts depend on the steps only. One step: no fade-in, the full part and one
    // fade-out stroke at 1/2; no steps: the full part alone.
    pencil.lines.clear();
    pencil.addSingleLine(3, 4, 50, 90, 0.02f, 0.5f, 5);
    EXPECT_EQ(pencil.lines.size(), 10u);
    for (int steps : {1, 0, -3})
    {
        pencil.lines.clear();
        pencil.addSingleLine(0, 0, 10, 0, 0.1f, 0.1f, steps);
        ASSERT_EQ(pencil.lines.size(), steps == 1 ? 2u : 1u) << steps;
        EXPECT_FLOAT_EQ(pencil.lines[0].alpha, 1.0f);
        EXPECT_NEAR(endOf(pencil.lines[0]).x, 9.0f, 1e-5f);
        EXPECT_FLOAT_EQ(pencil.lines.back().alpha, steps == 1 ? 0.5f : 1.0f);
    }
}

TEST_F(PencilTest, CircleIsAClosedChainOfChordsAtFullAlpha)
{
    pencil.addCircle(50.0f, 40.0f, 30.0f, 50, 0.0f, twoPi);
    ASSERT_EQ(pencil.lines.size(), 50u);
    // Angle 0 is straight below the centre.
    EXPECT_NEAR(pencil.lines[0].startX, 50.0f, 1e-5f);
    EXPECT_NEAR(pencil.lines[0].startY, 70.0f, 1e-5f);
    for (size_t i = 0; i < 50; ++i)
    {
        EXPECT_FLOAT_EQ(pencil.lines[i].alpha, 1.0f);
        const auto& next = pencil.lines[(i + 1) % 50];
        EXPECT_LT(endOf(pencil.lines[i]).getDistanceFrom({next.startX, next.startY}), 1.5e-3f) << i;
    }
    // Angles grow towards +x: the first chord heads right.
    EXPECT_GT(endOf(pencil.lines[0]).x, 50.0f);

    pencil.lines.clear();
    pencil.addCircle(0, 0, 10, 0, 0, twoPi);
    EXPECT_TRUE(pencil.lines.empty());
}

TEST_F(PencilTest, PaintLandsStrokesWhereQueuedEmptiesTheBatchAndLeavesTheGraphicsAlone)
{
    juce::Image image(juce::Image::ARGB, 100, 40, true);
    juce::Graphics g(image);
    pencil.paint(g);
    EXPECT_TRUE(inkBounds(image).isEmpty()) << "an empty batch draws nothing";

    pencil.lines.push_back(pencil.createLine(10.0f, 20.0f, 90.0f, 20.0f, 1.0f));
    pencil.paint(g);
    EXPECT_TRUE(pencil.lines.empty());
    const auto ink = inkBounds(image);
    EXPECT_TRUE(ink.getX() >= 9 && ink.getRight() <= 91 && ink.getY() >= 17 && ink.getBottom() <= 23)
        << ink.toString();
    EXPECT_GT(meanAlpha(image, {10, 20, 80, 1}), 60.0);

    juce::Image plain(juce::Image::ARGB, 20, 20, true);
    juce::Graphics h(plain);
    h.setColour(juce::Colours::red.withAlpha(0.5f));
    pencil.paint(h);
    h.fillRect(0, 0, 20, 20);
    EXPECT_NEAR(plain.getPixelAt(10, 10).getRed(), 255, 2);
    EXPECT_EQ(plain.getPixelAt(10, 10).getGreen(), 0);
    EXPECT_NEAR(alphaAt(plain, 10, 10), 128, 1);
}

TEST_F(PencilTest, StrokeOpacityFollowsTheAlphaRule)
{
    // An opaque white strip shows the opacity itself in every pixel's alpha.
    pencil.setSize(10.0f);
    pencil.strip = widgettest::solidImage(300, 10, juce::Colours::white);
    const struct
    {
        float alpha, opacity;
        int expected;
    } cases[] = {
        {-1.0f, 0.65f, 166}, // the pencil opacity alone
        {2.8f, 0.2f, 143},   // 0.56
        {0.5f, 0.65f, 83},   // 0.325
        {2.8f, 0.65f, 255},  // capped at full
    };
    for (const auto& c : cases)
    {
        juce::Image image(juce::Image::ARGB, 40, 40, true);
        juce::Graphics g(image);
        pencil.opacity = c.opacity;
        pencil.lines.push_back(pencil.createLine(5.0f, 20.0f, 35.0f, 20.0f, c.alpha));
        pencil.paint(g);
        EXPECT_NEAR(alphaAt(image, 20, 20), c.expected, 1) << c.alpha << " x " << c.opacity;
    }
}

TEST_F(PencilTest, TextureRunsAlongTheStrokeAcrossItsWidth)
{
    // At size 14 the strip is the texture itself: the stroke's rows (columns
    // for a vertical stroke) carry the texture's clear edges and dark middle.
    pencil.setSize(14.0f);
    pencil.opacity = 1.0f;
    juce::Image image(juce::Image::ARGB, 340, 340, true);
    juce::Graphics g(image);
    pencil.lines.push_back(pencil.createLine(20.0f, 20.5f, 320.0f, 20.5f, -1.0f));
    pencil.lines.push_back(pencil.createLine(100.5f, 40.0f, 100.5f, 330.0f, -1.0f));
    pencil.paint(g);

    // Quad rows 13.5 .. 27.5 (columns 93.5 .. 107.5): the clear texture rows fall on the outer
    // pixel rows, the inked centre on the middle.
    EXPECT_LT(meanAlpha(image, {20, 14, 300, 1}), 12.0);
    EXPECT_LT(meanAlpha(image, {20, 26, 300, 1}), 12.0);
    EXPECT_GT(meanAlpha(image, {20, 20, 300, 1}), 150.0);
    EXPECT_LT(meanAlpha(image, {94, 40, 1, 290}), 12.0);
    EXPECT_LT(meanAlpha(image, {106, 40, 1, 290}), 12.0);
    EXPECT_GT(meanAlpha(image, {100, 40, 1, 290}), 150.0);
}

TEST_F(PencilTest, CircleAndFadedLinesArtefact)
{
    ScopedDisplayScale doubleDensity(2.0f);
    Pencil p(5.0f * 2.0f, "pencil");
    juce::Image image(juce::Image::ARGB, 400, 300, true);
    juce::Graphics g(image);
    p.addCircle(100.0f, 150.0f, 80.0f, 50, 0.0f, twoPi);
    p.paint(g);
    for (int i = 0; i < 5; ++i)
    {
        p.opacity = 0.3f + 0.15f * (float)i;
        const float y = 40.0f + 55.0f * (float)i;
        p.addSingleLine(210.0f, y, 390.0f, y - 20.0f, 0.05f + 0.1f * (float)i, 0.3f, 5);
        p.paint(g);
    }
    // The circle's ink spans its diameter and the pen's width, at device resolution.
    const auto circle = inkBounds(image.getClippedImage({0, 0, 200, 300}));
    EXPECT_NEAR(circle.getWidth(), 170, 6);
    EXPECT_NEAR(circle.getHeight(), 170, 6);
    widgettest::saveArtefact(image, "pencil_circle_and_faded_lines.png");
}
