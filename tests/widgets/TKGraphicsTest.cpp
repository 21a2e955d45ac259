#include "TKGraphics.h"
#include "WidgetTestSupport.h"

#include <gtest/gtest.h>

#include <memory>

using widgettest::alphaAt;
using widgettest::inkBounds;
using widgettest::ScopedDisplayScale;
using widgettest::solidImage;

TEST(TKGraphics, ScaleComesFromTheMainDisplayOrIsOneWithoutOne)
{
    const auto* main = juce::Desktop::getInstance().getDisplays().getPrimaryDisplay();
    EXPECT_FLOAT_EQ(TKGraphics::displayScale(), main != nullptr ? (float)main->scale : 1.0f);
    {
        ScopedDisplayScale scale(1.5f);
        EXPECT_FLOAT_EQ(TKGraphics::displayScale(), 1.5f);
    }
    // Read afresh: the override is gone as soon as it is cleared.
    EXPECT_FLOAT_EQ(TKGraphics::displayScale(), main != nullptr ? (float)main->scale : 1.0f);
}

TEST(TKGraphics, GetImageChoosesTheDoubleDensityTextureAboveScaleOne)
{
    const std::pair<float, int> cases[] = {{1.0f, 300}, {1.5f, 600}, {2.0f, 600}};
    for (const auto& [s, width] : cases)
    {
        ScopedDisplayScale scale(s);
        const auto image = TKGraphics::GetImage("pencil");
        ASSERT_TRUE(image.isValid()) << s;
        EXPECT_EQ(image.getWidth(), width) << s;
        EXPECT_EQ(image.getHeight(), width / 300 * 14) << s;
    }
}

TEST(TKGraphics, GetImageSharesDecodedImagesAndMissesGiveNullImages)
{
    ScopedDisplayScale scale(1.0f);
    EXPECT_EQ(TKGraphics::GetImage("pencil").getPixelData(), TKGraphics::GetImage("pencil").getPixelData());
    EXPECT_TRUE(TKGraphics::GetImage("nothing").isNull());
    EXPECT_TRUE(TKGraphics::GetImage(nullptr).isNull());
    // Only PNG names are formed: a font's base name finds nothing.
    EXPECT_TRUE(TKGraphics::GetImage("Enyo").isNull());
}

TEST(TKGraphics, GetImageEmptyIsTransparentAtDeviceSizeTruncated)
{
    const struct
    {
        float s;
        juce::Rectangle<int> area;
        int width, height;
    } cases[] = {
        {2.0f, {10, 20, 30, 40}, 60, 80},
        {1.5f, {10, 20, 30, 40}, 45, 60},
        {1.5f, {0, 0, 3, 5}, 4, 7}, // 4.5 x 7.5, truncated
        {1.0f, {-7, 3, 30, 40}, 30, 40},
    };
    for (const auto& c : cases)
    {
        ScopedDisplayScale scale(c.s);
        const std::unique_ptr<juce::Image> image(TKGraphics::GetImageEmpty(c.area));
        ASSERT_TRUE(image->isValid());
        EXPECT_EQ(image->getWidth(), c.width);
        EXPECT_EQ(image->getHeight(), c.height);
        EXPECT_EQ(image->getFormat(), juce::Image::ARGB);
        EXPECT_TRUE(inkBounds(*image).isEmpty());
    }
    ScopedDisplayScale scale(1.5f);
    const std::unique_ptr<juce::Image> none(TKGraphics::GetImageEmpty({5, 5, 0, 10}));
    EXPECT_TRUE(none->isNull());
}

TEST(TKGraphics, DrawImageAtDrawsDevicePixelsAtLogicalSize)
{
    auto red = solidImage(61, 61, juce::Colours::red);
    for (const auto& [s, logical] : {std::pair<float, int>{2.0f, 30}, {1.0f, 61}})
    {
        ScopedDisplayScale scale(s);
        juce::Image target(juce::Image::ARGB, 100, 100, true);
        juce::Graphics g(target);
        TKGraphics::DrawImageAt(g, red, 10, 5, 1.0f);
        EXPECT_EQ(inkBounds(target, 127), juce::Rectangle<int>(10, 5, logical, logical)) << s;
    }
}

TEST(TKGraphics, DrawImageCenteredAtPutsTheLogicalCentreOnThePoint)
{
    const struct
    {
        float s;
        int size;
        juce::Rectangle<int> expected;
    } cases[] = {
        {1.0f, 30, {85, 35, 30, 30}},
        {2.0f, 60, {85, 35, 30, 30}},
        {1.0f, 31, {84, 34, 31, 31}}, // 100 - 15.5 truncates to 84
    };
    for (const auto& c : cases)
    {
        ScopedDisplayScale scale(c.s);
        auto blue = solidImage(c.size, c.size, juce::Colours::blue);
        juce::Image target(juce::Image::ARGB, 200, 100, true);
        juce::Graphics g(target);
        TKGraphics::DrawImageCenteredAt(g, blue, 100, 50, 1.0f);
        EXPECT_EQ(inkBounds(target, 127), c.expected) << c.s << " " << c.size;
    }
}

TEST(TKGraphics, DrawingLeavesTheOpacityItWasGiven)
{
    ScopedDisplayScale scale(1.0f);
    auto white = solidImage(10, 10, juce::Colours::white);
    juce::Image target(juce::Image::ARGB, 40, 20, true);
    juce::Graphics g(target);
    TKGraphics::DrawImageAt(g, white, 0, 0, 0.5f);
    EXPECT_NEAR(alphaAt(target, 5, 5), 128, 1);
    // A plain draw afterwards still composites at the opacity left set.
    g.drawImageAt(white, 20, 0);
    EXPECT_NEAR(alphaAt(target, 25, 5), 128, 1);

    TKGraphics::DrawImageCenteredAt(g, white, 10, 15, 0.25f);
    g.drawImageAt(white, 30, 10);
    EXPECT_NEAR(alphaAt(target, 35, 15), 64, 1);
}
