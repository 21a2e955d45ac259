#include "FontManager.h"
#include "BinaryData.h"
#include "TKGraphics.h"
#include "WidgetTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

using widgettest::alphaAt;
using widgettest::fontFromResource;
using widgettest::inkBounds;
using widgettest::ScopedDisplayScale;

namespace
{
class FontManagerTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        // Drop whatever references a test left, so each test starts without an instance.
        while (FontManager::getInstance() != nullptr)
            FontManager::destroy();
    }

    FontManager* createKit() { return FontManager::create(large, small, 16, fill); }

    juce::Font large = fontFromResource(BinaryData::Enyo_otf, BinaryData::Enyo_otfSize);
    juce::Font small = fontFromResource(BinaryData::Pistara_otf, BinaryData::Pistara_otfSize);
    juce::Image fill =
        juce::ImageFileFormat::loadFrom(BinaryData::filltexture_png, BinaryData::filltexture_pngSize);
};
} // namespace

TEST_F(FontManagerTest, ReferencesKeepOneSharedInstanceEvenAfterStrayDestroys)
{
    // Stray calls first: they must not unbalance later references.
    FontManager::destroy();
    FontManager::destroy();
    ScopedDisplayScale scale(1.0f);
    FontManager* first = createKit();
    ASSERT_NE(first, nullptr);
    // A second reference gets the first instance, whatever it passes.
    EXPECT_EQ(FontManager::create(small, small, 99, juce::Image()), first);
    EXPECT_EQ(first->sizeThreshold, 16);
    // Construction squeezes the small font and makes a size-4 pencil.
    EXPECT_FLOAT_EQ(first->smallFont.getHorizontalScale(), 0.8f);
    EXPECT_FLOAT_EQ(first->largeFont.getHorizontalScale(), 1.0f);
    EXPECT_FLOAT_EQ(first->pencil->size, 4.0f);

    // The first editor to close must not take the manager away from the second.
    FontManager::destroy();
    EXPECT_EQ(FontManager::getInstance(), first);
    FontManager::destroy();
    EXPECT_EQ(FontManager::getInstance(), nullptr);
}

TEST_F(FontManagerTest, FontKerningPencilAndImageSizeFollowTheTextSizeAndScale)
{
    for (const float s : {1.0f, 1.5f, 2.0f})
    {
        ScopedDisplayScale scale(s);
        FontManager* kit = createKit();
        // The integer size picks the font and the kerning; the size picks the pencil in
        // multiples of the display scale, its opacity divided by it.
        const struct
        {
            float size;
            int n;
            float pencil;
        } cases[] = {
            {15.9f, 15, 2.0f}, {16.0f, 16, 2.0f}, {20.0f, 20, 3.0f}, {34.9f, 34, 3.0f}, {35.0f, 35, 4.0f}};
        for (const auto& c : cases)
        {
            const std::unique_ptr<juce::Image> image(kit->createImage("Vowel Ah", c.size, 0.6f));
            EXPECT_FLOAT_EQ(kit->largeFont.getExtraKerningFactor(), 1.0f / (float)c.n) << c.size;
            EXPECT_FLOAT_EQ(kit->pencil->size, c.pencil * s) << c.size << " at " << s;
            EXPECT_FLOAT_EQ(kit->pencil->opacity, 0.6f / s);

            // The outline laid out as the manager should, plus a pencil width.
            juce::Font font = c.n < 16 ? kit->smallFont : kit->largeFont;
            font.setHeight(s * c.size);
            juce::GlyphArrangement glyphs;
            glyphs.addLineOfText(font, "Vowel Ah", 0.0f, 0.0f);
            juce::Path path;
            glyphs.createPath(path);
            EXPECT_EQ(image->getWidth(), (int)(std::nearbyint(path.getBounds().getWidth()) + c.pencil * s))
                << c.size << " at " << s;
            EXPECT_EQ(image->getHeight(), (int)(std::nearbyint(path.getBounds().getHeight()) + c.pencil * s));
            if (c.size == 20.0f && s == 2.0f)
                widgettest::saveArtefact(*image, "text_size20_2x.png");
        }
        // draw judges the pixel height, the font by the logical size.
        juce::Image target(juce::Image::ARGB, 200, 60, true);
        juce::Graphics g(target);
        kit->draw(g, "Mix", 19.0f * s, {0, 0, 200, 60}, juce::Justification::centred, s, 0.9f, 0.5f, false);
        EXPECT_FLOAT_EQ(kit->pencil->size,
                        (19.0f * s < 20.0f ? 2.0f : (19.0f * s < 35.0f ? 3.0f : 4.0f)) * s);
        EXPECT_FLOAT_EQ(kit->largeFont.getExtraKerningFactor(), 1.0f / 19.0f);
        // Below size 1 the kerning stays finite.
        delete kit->createImage("tiny", 0.5f, 0.6f);
        EXPECT_TRUE(std::isfinite(kit->smallFont.getExtraKerningFactor()));
        FontManager::destroy();
    }
}

TEST_F(FontManagerTest, TextImageKeepsHalfAPencilOfMarginAndTheFillOpacity)
{
    ScopedDisplayScale scale(1.0f);
    // One font for both sizes and a plain white fill, so the fill shows its opacity.
    fill = widgettest::solidImage(50, 50, juce::Colours::white);
    small = large = fontFromResource(BinaryData::Pistara_otf, BinaryData::Pistara_otfSize);
    FontManager* kit = createKit();

    for (const auto& [alpha, expected] : {std::pair<float, int>{0.5f, 140}, {0.95f, 255}})
    {
        const std::unique_ptr<juce::Image> image(kit->createImage("I", 100.0f, alpha));
        // The outline's strokes reach the image's edges and no further in.
        const auto ink = inkBounds(*image);
        EXPECT_EQ(ink.getPosition(), juce::Point<int>());
        EXPECT_GE(ink.getRight(), image->getWidth() - 1);
        EXPECT_GE(ink.getBottom(), image->getHeight() - 1);
        // The stem's middle is clear of the outline strokes: only the fill is there.
        EXPECT_NEAR(alphaAt(*image, image->getWidth() / 2, image->getHeight() / 2), expected, 2) << alpha;
    }
    const std::unique_ptr<juce::Image> empty(kit->createImage("", 12.0f, 0.6f));
    EXPECT_EQ(empty->getBounds(), juce::Rectangle<int>(2, 2)) << "an empty pen-sized image";
}
