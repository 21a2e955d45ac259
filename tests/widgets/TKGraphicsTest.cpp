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
    const float framework = main != nullptr ? (float)main->scale : 1.0f;
    EXPECT_FLOAT_EQ(TKGraphics::displayScale(), framework);
    {
        ScopedDisplayScale scale(1.5f);
        EXPECT_FLOAT_EQ(TKGraphics::displayScale(), 1.5f);
    }
    // Read afresh: the override is gone as soon as it is cleared.
    EXPECT_FLOAT_EQ(TKGraphics::displayScale(), framework);
}

TEST(TKGraphics, GetImageChoosesTheDoubleDensityTextureAboveScaleOneAndSharesIt)
{
    for (const auto& [s, width] : {std::pair<float, int>{1.0f, 300}, {1.5f, 600}, {2.0f, 600}})
    {
        ScopedDisplayScale scale(s);
        const auto image = TKGraphics::GetImage("pencil");
        EXPECT_EQ(image.getWidth(), width) << s;
        EXPECT_EQ(image.getHeight(), width / 300 * 14) << s;
        EXPECT_EQ(image.getPixelData(), TKGraphics::GetImage("pencil").getPixelData()) << "decoded once";
    }
    // Misses give null images; only PNG names are formed, so a font's base name finds nothing.
    for (const char* name : {"nothing", (const char*)nullptr, "Enyo"})
        EXPECT_TRUE(TKGraphics::GetImage(name).isNull()) << (name != nullptr ? name : "null");
}

TEST(TKGraphics, GetImageEmptyIsTransparentAtDeviceSizeTruncated)
{
    const struct
    {
        float s;
        juce::Rectangle<int> area;
        int width, height;
    } cases[] = {
        {2.0f, {10, 20, 30, 40}, 60, 80}, {1.5f, {10, 20, 30, 40}, 45, 60},
        {1.5f, {0, 0, 5, 3}, 7, 4}, // 7.5 x 4.5, truncated
        {1.0f, {-7, 3, 30, 40}, 30, 40},  {1.5f, {5, 5, 0, 10}, 0, 0},
    };
    for (const auto& c : cases)
    {
        ScopedDisplayScale scale(c.s);
        const std::unique_ptr<juce::Image> image(TKGraphics::GetImageEmpty(c.area));
        EXPECT_EQ(image->isNull(), c.width == 0);
        EXPECT_EQ(image->getWidth(), c.width);
        EXPECT_EQ(image->getHeight(), c.height);
        if (c.width > 0)
        {
            EXPECT_EQ(image->getFormat(), juce::Image::ARGB);
            EXPECT_TRUE(inkBounds(*image).isEmpty());
        }
    }
}

TEST(TKGraphics, DrawsDevicePixelsAtLogicalSizeCornerOrCentreOnThePoint)
{
    const struct
    {
        float s;
        int size;
        bool centred;
        juce::Rectangle<int> expected;
    } cases[] = {
        {2.0f, 61, false, {10, 5, 30, 30}}, {1.0f, 61, false, {10, 5, 61, 61}},
        {1.0f, 30, true, {85, 35, 30, 30}}, {2.0f, 60, true, {85, 35, 30, 30}},
        {1.0f, 31, true, {84, 34, 31, 31}}, // 100 - 15.5 truncates to 84
    };
    for (const auto& c : cases)
    {
        ScopedDisplayScale scale(c.s);
        juce::Image target(juce::Image::ARGB, 200, 100, true);
        juce::Graphics g(target);
        auto blue = solidImage(c.size, c.size, juce::Colours::blue);
        if (c.centred)
            TKGraphics::DrawImageCenteredAt(g, blue, 100, 50, 1.0f);
        else
            TKGraphics::DrawImageAt(g, blue, 10, 5, 1.0f);
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
