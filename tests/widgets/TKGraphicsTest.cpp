#include "TKGraphics.h"
#include "WidgetTestSupport.h"

#include <gtest/gtest.h>

#include <memory>

using widgettest::alphaAt;
using widgettest::inkBounds;
using widgettest::ScopedDisplayScale;
using widgettest::solidImage;

TEST(TKGraphics, GetImageTakesTheDoubleDensityTextureAboveScaleOneAndDecodesItOnce)
{
    for (const auto& [s, width] : {std::pair<float, int>{1.0f, 300}, {1.5f, 600}, {2.0f, 600}})
    {
        ScopedDisplayScale scale(s);
        ASSERT_FLOAT_EQ(TKGraphics::displayScale(), s);
        const auto image = TKGraphics::GetImage("pencil");
        EXPECT_EQ(image.getWidth(), width) << s;
        EXPECT_EQ(image.getPixelData(), TKGraphics::GetImage("pencil").getPixelData()) << "decoded once";
    }
    // The override is gone once cleared: a headless process without a display draws at scale 1.
    const auto* main = juce::Desktop::getInstance().getDisplays().getPrimaryDisplay();
    EXPECT_FLOAT_EQ(TKGraphics::displayScale(), main != nullptr ? (float)main->scale : 1.0f);
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
        EXPECT_TRUE(c.width == 0 || (image->getFormat() == juce::Image::ARGB && inkBounds(*image).isEmpty()));
    }
}

TEST(TKGraphics, DrawsDevicePixelsAtLogicalSizeCornerOrCentreOnThePointAndLeavesTheOpacity)
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
        {1.5f, 31, true, {89, 39, 20, 20}}, // 100 - 10.33 truncates to 89
    };
    for (const auto& c : cases)
    {
        ScopedDisplayScale scale(c.s);
        juce::Image target(juce::Image::ARGB, 200, 100, true);
        juce::Graphics g(target);
        auto blue = solidImage(c.size, c.size, juce::Colours::blue);
        if (c.centred)
            TKGraphics::DrawImageCenteredAt(g, blue, 100, 50, 0.5f);
        else
            TKGraphics::DrawImageAt(g, blue, 10, 5, 0.5f);
        EXPECT_EQ(inkBounds(target, 100), c.expected) << c.s << " " << c.size;
        // A plain draw afterwards still composites at the opacity left set.
        g.drawImageAt(solidImage(4, 4, juce::Colours::white), 196, 96);
        EXPECT_NEAR(alphaAt(target, 198, 98), 128, 1);
    }
}
