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
    EXPECT_EQ(FontManager::getInstance(), nullptr);

    ScopedDisplayScale scale(1.0f);
    FontManager* first = createKit();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(FontManager::getInstance(), first);
    // A second reference gets the first instance, whatever it passes.
    EXPECT_EQ(FontManager::create(small, small, 99, juce::Image()), first);
    EXPECT_EQ(first->sizeThreshold, 16);
    EXPECT_EQ(first->largeFont.getTypefaceName(), large.getTypefaceName());
    // Construction squeezes the small font and makes a size-4 pencil.
    EXPECT_FLOAT_EQ(first->smallFont.getHorizontalScale(), 0.8f);
    EXPECT_FLOAT_EQ(first->largeFont.getHorizontalScale(), 1.0f);
    ASSERT_NE(first->pencil, nullptr);
    EXPECT_FLOAT_EQ(first->pencil->size, 4.0f);
    EXPECT_EQ(first->pencil->texture.getWidth(), 300);

    // The first editor to close must not take the manager away from the second.
    FontManager::destroy();
    EXPECT_EQ(FontManager::getInstance(), first);
    FontManager::destroy();
    EXPECT_EQ(FontManager::getInstance(), nullptr);
}

TEST_F(FontManagerTest, FontChoiceKerningAndImageSizeFollowTheIntegerSize)
{
    for (const float s : {1.0f, 2.0f})
    {
        ScopedDisplayScale scale(s);
        FontManager* kit = createKit();
        const juce::String text("Vowel Ah");
        const struct
        {
            float size;
            int n;
            bool useSmall;
        } cases[] = {{15.9f, 15, true}, {16.0f, 16, false}, {30.0f, 30, false}, {9.0f, 9, true}};
        for (const auto& c : cases)
        {
            const std::unique_ptr<juce::Image> image(kit->createImage(text, c.size, 0.6f));
            EXPECT_FLOAT_EQ(kit->largeFont.getExtraKerningFactor(), 1.0f / (float)c.n) << c.size;
            EXPECT_FLOAT_EQ(kit->smallFont.getExtraKerningFactor(), 1.0f / (float)c.n) << c.size;

            // The outline laid out as the manager should, plus a pencil width.
            juce::Font font = c.useSmall ? kit->smallFont : kit->largeFont;
            font.setExtraKerningFactor(1.0f / (float)c.n);
            font.setHeight(s * c.size);
            juce::GlyphArrangement glyphs;
            glyphs.addLineOfText(font, text, 0.0f, 0.0f);
            juce::Path path;
            glyphs.createPath(path);
            const float pen = kit->pencil->size;
            EXPECT_EQ(image->getWidth(), (int)(std::nearbyint(path.getBounds().getWidth()) + pen))
                << c.size << " at " << s;
            EXPECT_EQ(image->getHeight(), (int)(std::nearbyint(path.getBounds().getHeight()) + pen))
                << c.size << " at " << s;
        }
        FontManager::destroy();
    }
}

TEST_F(FontManagerTest, PencilSizeAndOpacityFollowTextSizeAndScale)
{
    for (const float s : {1.0f, 1.5f, 2.0f})
    {
        ScopedDisplayScale scale(s);
        FontManager* kit = createKit();
        const std::pair<float, float> cases[] = {{19.9f, 2.0f}, {20.0f, 3.0f}, {34.9f, 3.0f}, {35.0f, 4.0f}};
        for (const auto& [size, factor] : cases)
        {
            delete kit->createImage("a", size, 0.6f);
            EXPECT_FLOAT_EQ(kit->pencil->size, factor * s) << size << " at " << s;
            EXPECT_FLOAT_EQ(kit->pencil->opacity, 0.6f / s);
        }
        // draw judges the pixel height, still in multiples of the display scale.
        juce::Image target(juce::Image::ARGB, 200, 60, true);
        juce::Graphics g(target);
        const float height = 19.0f * s; // 19, 28.5, 38 pixels
        kit->draw(g, "Mix", height, {0, 0, 200, 60}, juce::Justification::centred, s, 0.9f, 0.5f, false);
        EXPECT_FLOAT_EQ(kit->pencil->size, (height < 20.0f ? 2.0f : (height < 35.0f ? 3.0f : 4.0f)) * s);
        EXPECT_FLOAT_EQ(kit->largeFont.getExtraKerningFactor(), 1.0f / 19.0f);
        EXPECT_TRUE(kit->pencil->lines.empty());
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
        ASSERT_FLOAT_EQ(kit->pencil->size, 4.0f);
        // The outline's strokes reach the image's edges and no further in.
        const auto ink = inkBounds(*image);
        EXPECT_EQ(ink.getPosition(), juce::Point<int>());
        EXPECT_GE(ink.getRight(), image->getWidth() - 1);
        EXPECT_GE(ink.getBottom(), image->getHeight() - 1);
        // The stem's middle is clear of the outline strokes: only the fill is there.
        EXPECT_NEAR(alphaAt(*image, image->getWidth() / 2, image->getHeight() / 2), expected, 2) << alpha;
    }
}

TEST_F(FontManagerTest, EmptyOrTinyTextIsSafe)
{
    ScopedDisplayScale scale(2.0f);
    FontManager* kit = createKit();
    const std::unique_ptr<juce::Image> image(kit->createImage("", 12.0f, 0.6f));
    EXPECT_EQ(image->getBounds(), juce::Rectangle<int>(4, 4)) << "an empty pen-sized image";
    EXPECT_TRUE(inkBounds(*image).isEmpty());

    juce::Image target(juce::Image::ARGB, 50, 50, true);
    juce::Graphics g(target);
    kit->draw(g, "", 20.0f, {0, 0, 50, 50}, juce::Justification::centred, 2.0f, 0.9f, 0.5f, true);
    EXPECT_TRUE(inkBounds(target).isEmpty());

    const std::unique_ptr<juce::Image> tiny(kit->createImage("tiny", 0.5f, 0.6f));
    EXPECT_TRUE(tiny->isValid());
    EXPECT_TRUE(std::isfinite(kit->smallFont.getExtraKerningFactor()));
}

TEST_F(FontManagerTest, DrawCentresTextRotatedTextStartsAtXTwoAndArtefacts)
{
    ScopedDisplayScale scale(1.0f);
    FontManager* kit = createKit();
    juce::Image flat(juce::Image::ARGB, 200, 60, true);
    {
        juce::Graphics g(flat);
        kit->draw(g, "Formant", 24.0f, {20, 10, 160, 40}, juce::Justification::centred, 1.0f, 0.9f, 0.5f,
                  false);
    }
    const auto ink = inkBounds(flat);
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_NEAR(ink.getCentreX(), 100, 3);
    EXPECT_NEAR(ink.getCentreY(), 30, 4);

    // The rotated label's left edge lands at x = 2 (less half a pencil width of
    // stroke) wherever the area lies.
    for (int areaX : {0, 60})
    {
        juce::Image target(juce::Image::ARGB, 120, 200, true);
        juce::Graphics g(target);
        kit->draw(g, "Breath", 18.0f, {areaX, 100, 50, 30}, juce::Justification::centred, 1.0f, 0.9f, 0.5f,
                  true);
        const auto turned = inkBounds(target);
        ASSERT_FALSE(turned.isEmpty());
        EXPECT_GT(turned.getHeight(), turned.getWidth()) << "reads upwards";
        EXPECT_TRUE(turned.getX() >= 0 && turned.getX() <= 2) << areaX << ": " << turned.getX();
        if (areaX == 0)
            widgettest::saveArtefact(target, "text_rotated_label.png");
    }

    ScopedDisplayScale doubleDensity(2.0f);
    const std::unique_ptr<juce::Image> smallText(
        kit->createImage("Attack Decay Sustain Release", 12.0f, 0.9f));
    const std::unique_ptr<juce::Image> largeText(kit->createImage("Tovka", 48.0f, 0.6f));
    EXPECT_FALSE(inkBounds(*smallText).isEmpty());
    EXPECT_FALSE(inkBounds(*largeText).isEmpty());
    widgettest::saveArtefact(*smallText, "text_size12_2x.png");
    widgettest::saveArtefact(*largeText, "text_size48_2x.png");
}
