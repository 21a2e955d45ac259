#include "Pencil.h"
#include "TKGraphics.h"
#include "WidgetTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using widgettest::alphaAt;
using widgettest::inkBounds;
using widgettest::rowMeanAlpha;
using widgettest::ScopedDisplayScale;

namespace
{
constexpr float twoPi = 6.2831855f;

std::vector<juce::Point<float>> corners(const juce::Path& path)
{
    std::vector<juce::Point<float>> points;
    juce::Path::Iterator it(path);
    while (it.next())
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

juce::Point<float> startOf(const Pencil::LineInfo& line)
{
    return {line.startX, line.startY};
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
    EXPECT_FLOAT_EQ(pencil.size, 5.0f);
    EXPECT_FLOAT_EQ(pencil.halfWidth, 2.5f);
    EXPECT_FLOAT_EQ(pencil.opacity, 0.65f);
    EXPECT_TRUE(pencil.lines.empty());
    EXPECT_EQ(pencil.texture.getWidth(), 300);
    EXPECT_EQ(pencil.strip.getWidth(), 300);
    EXPECT_EQ(pencil.strip.getHeight(), 5);

    pencil.setSize(7.9f);
    EXPECT_FLOAT_EQ(pencil.halfWidth, 3.95f);
    EXPECT_EQ(pencil.strip.getHeight(), 7);

    ScopedDisplayScale doubleDensity(2.0f);
    Pencil sharp(10.0f, "pencil");
    EXPECT_EQ(sharp.texture.getWidth(), 600);
    EXPECT_EQ(sharp.strip.getWidth(), 600);
    EXPECT_EQ(sharp.strip.getHeight(), 10);
}

TEST_F(PencilTest, CreateLineBuildsTheQuadAroundTheSegment)
{
    const auto line = pencil.createLine(0.0f, 0.0f, 0.0f, 10.0f, -1.0f);
    EXPECT_FLOAT_EQ(line.angle, 0.0f);
    EXPECT_FALSE(line.fallingSlope);
    EXPECT_FLOAT_EQ(line.startX, 0.0f);
    EXPECT_FLOAT_EQ(line.startY, 0.0f);
    EXPECT_FLOAT_EQ(line.alpha, -1.0f);

    const auto c = corners(line.quad);
    ASSERT_EQ(c.size(), 4u);
    const juce::Point<float> expected[] = {{-2.5f, 0.0f}, {2.5f, 0.0f}, {2.5f, 10.0f}, {-2.5f, 10.0f}};
    for (size_t i = 0; i < 4; ++i)
    {
        EXPECT_NEAR(c[i].x, expected[i].x, 1e-5f) << i;
        EXPECT_NEAR(c[i].y, expected[i].y, 1e-5f) << i;
    }

    // x difference first: a rightward segment points at +pi/2.
    EXPECT_NEAR(pencil.createLine(0, 0, 10, 0, 1).angle, 1.5707964f, 1e-6f);
}

TEST_F(PencilTest, FallingSlopeNeedsBothDifferencesOfTheSameSign)
{
    EXPECT_TRUE(pencil.createLine(0, 0, 10, 10, 1).fallingSlope);
    EXPECT_TRUE(pencil.createLine(10, 10, 0, 0, 1).fallingSlope);
    EXPECT_FALSE(pencil.createLine(0, 10, 10, 0, 1).fallingSlope);
    EXPECT_FALSE(pencil.createLine(10, 0, 0, 10, 1).fallingSlope);
    EXPECT_FALSE(pencil.createLine(0, 5, 10, 5, 1).fallingSlope);
    EXPECT_FALSE(pencil.createLine(5, 0, 5, 10, 1).fallingSlope);
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
        EXPECT_NEAR(line.angle, i < 5 ? 1.5707964f : -1.5707964f, 1e-6f) << i;
    }
}

TEST_F(PencilTest, SingleLineStrokeCountsDependOnStepsOnly)
{
    pencil.addSingleLine(3, 4, 50, 90, 0.02f, 0.5f, 5);
    EXPECT_EQ(pencil.lines.size(), 10u);
    pencil.lines.clear();

    // One step: no fade-in, the full part and one fade-out stroke at 1/2.
    pencil.addSingleLine(0, 0, 10, 0, 0.1f, 0.1f, 1);
    ASSERT_EQ(pencil.lines.size(), 2u);
    EXPECT_FLOAT_EQ(pencil.lines[0].alpha, 1.0f);
    EXPECT_FLOAT_EQ(pencil.lines[1].alpha, 0.5f);
    pencil.lines.clear();

    for (int steps : {0, -3})
    {
        pencil.addSingleLine(0, 0, 10, 0, 0.1f, 0.1f, steps);
        ASSERT_EQ(pencil.lines.size(), 1u) << steps;
        EXPECT_NEAR(endOf(pencil.lines[0]).x, 9.0f, 1e-5f);
        pencil.lines.clear();
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
        const auto end = endOf(pencil.lines[i]);
        const auto next = startOf(pencil.lines[(i + 1) % 50]);
        EXPECT_NEAR(end.x, next.x, 1e-3f) << i;
        EXPECT_NEAR(end.y, next.y, 1e-3f) << i;
    }
    // Angles grow towards +x: the first chord heads right.
    EXPECT_GT(endOf(pencil.lines[0]).x, 50.0f);
    pencil.lines.clear();

    pencil.addCircle(0, 0, 10, 0, 0, twoPi);
    EXPECT_TRUE(pencil.lines.empty());
}

TEST_F(PencilTest, PaintLandsStrokesWhereQueuedAndEmptiesTheBatch)
{
    juce::Image image(juce::Image::ARGB, 100, 40, true);
    juce::Graphics g(image);
    pencil.lines.push_back(pencil.createLine(10.0f, 20.0f, 90.0f, 20.0f, 1.0f));
    pencil.paint(g);
    EXPECT_TRUE(pencil.lines.empty());

    const auto ink = inkBounds(image);
    EXPECT_GE(ink.getX(), 9);
    EXPECT_LE(ink.getRight(), 91);
    EXPECT_GE(ink.getY(), 17);
    EXPECT_LE(ink.getBottom(), 23);
    EXPECT_GT(rowMeanAlpha(image, 20, 10, 90), 60.0);
}

TEST_F(PencilTest, EmptyPaintLeavesPixelsAndGraphicsAlone)
{
    juce::Image image(juce::Image::ARGB, 20, 20, true);
    juce::Graphics g(image);
    g.setColour(juce::Colours::red.withAlpha(0.5f));
    pencil.paint(g);
    EXPECT_TRUE(inkBounds(image).isEmpty());
    g.fillRect(0, 0, 20, 20);
    EXPECT_NEAR(image.getPixelAt(10, 10).getRed(), 255, 2);
    EXPECT_EQ(image.getPixelAt(10, 10).getGreen(), 0);
    EXPECT_NEAR(alphaAt(image, 10, 10), 128, 1);
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

    // Horizontal stroke: quad rows 13.5 .. 27.5; the clear texture rows fall on
    // the outer pixel rows, the inked centre on the middle.
    EXPECT_LT(rowMeanAlpha(image, 14, 20, 320), 12.0);
    EXPECT_LT(rowMeanAlpha(image, 26, 20, 320), 12.0);
    EXPECT_GT(rowMeanAlpha(image, 20, 20, 320), 150.0);

    auto columnMean = [&image](int x)
    {
        double sum = 0.0;
        for (int y = 40; y < 330; ++y)
            sum += alphaAt(image, x, y);
        return sum / 290.0;
    };
    EXPECT_LT(columnMean(94), 12.0);
    EXPECT_LT(columnMean(106), 12.0);
    EXPECT_GT(columnMean(100), 150.0);
}

TEST_F(PencilTest, SameCallsGiveTheSamePictureAndArtefacts)
{
    ScopedDisplayScale doubleDensity(2.0f);
    auto render = []
    {
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
        return image;
    };
    const auto first = render();
    const auto second = render();
    for (int y = 0; y < first.getHeight(); ++y)
        for (int x = 0; x < first.getWidth(); ++x)
            ASSERT_EQ(first.getPixelAt(x, y).getARGB(), second.getPixelAt(x, y).getARGB()) << x << ", " << y;
    widgettest::saveArtefact(first, "pencil_circle_and_faded_lines.png");
}
