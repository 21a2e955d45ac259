#include "SVGComponent.h"
#include "BinaryData.h"
#include "TKGraphics.h"
#include "WidgetTestSupport.h"

#include <gtest/gtest.h>

using widgettest::inkBounds;
using widgettest::ScopedDisplayScale;

TEST(SVGComponent, CacheIsAtDeviceResolutionAlignedTopLeftAtItsOpacityAndRendersAgainOnlyOnResize)
{
    ScopedDisplayScale scale(2.0f);
    SVGComponent logo;
    logo.init(BinaryData::orvalu_svg, 160, 32, 0.5f);
    ASSERT_NE(logo.cache, nullptr);
    EXPECT_EQ(logo.cache->getBounds(), juce::Rectangle<int>(320, 64));

    // Art at half opacity, fitted without stretching into the top-left corner:
    // the spare height is left at the bottom.
    int most = 0;
    const auto ink = inkBounds(*logo.cache, 0, &most);
    EXPECT_NEAR(most, 128, 2);
    EXPECT_LE(ink.getX(), 2);
    EXPECT_LE(ink.getY(), 2);
    EXPECT_GE(ink.getRight(), 316);
    EXPECT_LT(ink.getBottom(), 62);
    widgettest::saveArtefact(*logo.cache, "svg_orvalu_2x.png");

    // Painted back at logical size and full opacity.
    juce::Image screen(juce::Image::ARGB, 200, 40, true);
    {
        juce::Graphics g(screen);
        logo.paint(g);
    }
    const auto painted = inkBounds(screen, 0, &most);
    EXPECT_TRUE(painted.getRight() >= 157 && painted.getRight() <= 160) << painted.getRight();
    EXPECT_LE(painted.getBottom(), 32);
    EXPECT_NEAR(most, 128, 3);

    const juce::Image* first = logo.cache.get();
    const auto firstPixels = logo.cache->getPixelData();
    logo.setSize(160, 32);
    EXPECT_EQ(logo.cache.get(), first);
    EXPECT_EQ(logo.cache->getPixelData(), firstPixels);
    logo.setSize(80, 16);
    EXPECT_EQ(logo.cache->getBounds(), juce::Rectangle<int>(160, 32));
    EXPECT_NE(logo.cache->getPixelData(), firstPixels);
}

TEST(SVGComponent, EmptySizesAndBadTextDrawNothingAndDoNotCrash)
{
    ScopedDisplayScale scale(1.0f);
    juce::Image screen(juce::Image::ARGB, 20, 20, true);
    juce::Graphics g(screen);
    SVGComponent empty, broken, shrunk;
    empty.init(BinaryData::orvalu_svg, 0, 0, 0.5f);
    empty.paint(g);
    broken.init(BinaryData::orvalu_svg, 30, 30, 0.5f);
    broken.init("<svg this is not xml", 20, 20, 0.5f);
    EXPECT_EQ(broken.drawable, nullptr) << "the old document is gone too";
    broken.paint(g);
    broken.init(nullptr, 30, 30, 0.5f);
    broken.paint(g);

    // Shrunk to nothing after a first render: an empty cache, still safe to paint.
    shrunk.init(BinaryData::orvalu_svg, 160, 32, 0.5f);
    shrunk.setSize(0, 0);
    ASSERT_NE(shrunk.cache, nullptr);
    EXPECT_TRUE(shrunk.cache->isNull());
    shrunk.paint(g);
    EXPECT_TRUE(inkBounds(screen).isEmpty());
}
