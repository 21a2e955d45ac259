#include "BinaryData.h"
#include "WidgetTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>

namespace
{
// The lookup's hash: 31 x hash + byte, each byte taken as a signed char.
uint32_t resourceHash(const char* name)
{
    uint32_t hash = 0;
    for (const char* p = name; *p != 0; ++p)
        hash = 31u * hash + (uint32_t)(int32_t)(signed char)*p;
    return hash;
}
} // namespace

TEST(BinaryData, HashRuleMatchesTheKnownValues)
{
    EXPECT_EQ(resourceHash("pencil_png"), 0x30371FF7u);
    EXPECT_EQ(resourceHash("pencil2x_png"), 0xB28F043Du);

    std::set<uint32_t> hashes;
    for (int i = 0; i < BinaryData::namedResourceListSize; ++i)
        hashes.insert(resourceHash(BinaryData::namedResourceList[i]));
    EXPECT_EQ((int)hashes.size(), BinaryData::namedResourceListSize) << "two resource names share a hash";
}

TEST(BinaryData, EveryResourceIsFoundByNameAndEndsInOneUncountedZero)
{
    ASSERT_EQ(BinaryData::namedResourceListSize, 14);
    for (int i = 0; i < BinaryData::namedResourceListSize; ++i)
    {
        const char* name = BinaryData::namedResourceList[i];
        int size = -1;
        const char* data = BinaryData::getNamedResource(name, size);
        ASSERT_NE(data, nullptr) << name;
        EXPECT_GT(size, 0) << name;
        EXPECT_EQ(data[size], 0) << name << ": no zero byte after the data";
    }

    int size = 0;
    EXPECT_EQ(BinaryData::getNamedResource("pencil_png", size), BinaryData::pencil_png);
    EXPECT_EQ(size, BinaryData::pencil_pngSize);
    EXPECT_EQ(BinaryData::getNamedResource("pencil2x_png", size), BinaryData::pencil2x_png);
    EXPECT_EQ(size, BinaryData::pencil2x_pngSize);
    EXPECT_EQ(BinaryData::getNamedResource("orvalu_svg", size), BinaryData::orvalu_svg);
    EXPECT_EQ(size, BinaryData::orvalu_svgSize);
}

TEST(BinaryData, MissesAndNullNamesGiveNullAndSizeZero)
{
    int size = 123;
    EXPECT_EQ(BinaryData::getNamedResource("nothing", size), nullptr);
    EXPECT_EQ(size, 0);
    size = 123;
    EXPECT_EQ(BinaryData::getNamedResource(nullptr, size), nullptr);
    EXPECT_EQ(size, 0);
    size = 123;
    EXPECT_EQ(BinaryData::getNamedResource("", size), nullptr);
    EXPECT_EQ(size, 0);
}

TEST(BinaryData, LookupComparesHashesOnlyWithSignedBytes)
{
    // "qB" and "pa" add the same amount to the hash, so this name finds the paper.
    int size = 0;
    EXPECT_EQ(BinaryData::getNamedResource("qBpper_png", size), BinaryData::papper_png);
    EXPECT_EQ(size, BinaryData::papper_pngSize);

    // 'u' then 0x8E (-114 as a signed byte) adds what "ng" adds; read unsigned
    // it would not, so this only finds the pencil with signed bytes.
    EXPECT_EQ(BinaryData::getNamedResource("pencil_pu\x8E", size), BinaryData::pencil_png);
    EXPECT_EQ(size, BinaryData::pencil_pngSize);
}

TEST(BinaryData, PicturesDecodeWithTheirSizesAndLayouts)
{
    struct Expected
    {
        const char* data;
        int size, width, height;
        bool hasAlpha;
    };
    const Expected pictures[] = {
        {BinaryData::filltexture_png, BinaryData::filltexture_pngSize, 250, 250, false},
        {BinaryData::filltexture2x_png, BinaryData::filltexture2x_pngSize, 500, 500, false},
        {BinaryData::papper_png, BinaryData::papper_pngSize, 250, 250, true},
        {BinaryData::papper2x_png, BinaryData::papper2x_pngSize, 500, 500, true},
        {BinaryData::splash_blue_png, BinaryData::splash_blue_pngSize, 2200, 1690, true},
        {BinaryData::pencil_png, BinaryData::pencil_pngSize, 300, 14, true},
        {BinaryData::pencil2x_png, BinaryData::pencil2x_pngSize, 600, 28, true},
        {BinaryData::tovka_icon_png, BinaryData::tovka_icon_pngSize, 1024, 1024, true},
    };
    for (const auto& p : pictures)
    {
        const auto image = juce::ImageFileFormat::loadFrom(p.data, (size_t)p.size);
        ASSERT_TRUE(image.isValid());
        EXPECT_EQ(image.getWidth(), p.width);
        EXPECT_EQ(image.getHeight(), p.height);
        EXPECT_EQ(image.hasAlphaChannel(), p.hasAlpha) << p.width << " x " << p.height;
    }
}

TEST(BinaryData, PencilTexturesHaveClearOuterRowsAndInkInTheMiddle)
{
    using widgettest::rowMeanAlpha;
    for (const int density : {1, 2})
    {
        const auto image =
            density == 1
                ? juce::ImageFileFormat::loadFrom(BinaryData::pencil_png, BinaryData::pencil_pngSize)
                : juce::ImageFileFormat::loadFrom(BinaryData::pencil2x_png, BinaryData::pencil2x_pngSize);
        const int w = image.getWidth(), h = image.getHeight(), clear = 2 * density;
        for (int y = 0; y < clear; ++y)
        {
            EXPECT_EQ(rowMeanAlpha(image, y, 0, w), 0.0) << "row " << y;
            EXPECT_EQ(rowMeanAlpha(image, h - 1 - y, 0, w), 0.0) << "row " << h - 1 - y;
        }
        // At double density two pixel rows make one row of the 1x texture.
        double outer = 0.0;
        for (int y = clear; y < clear + density; ++y)
            outer += rowMeanAlpha(image, y, 0, w) / density;
        const double centre = rowMeanAlpha(image, h / 2, 0, w);
        EXPECT_NEAR(outer, 22.0, 8.0);
        EXPECT_NEAR(centre, 214.0, 8.0);

        // One colour, (52, 52, 51), wherever there is ink to read it from.
        const auto c = image.getPixelAt(w / 2, h / 2);
        ASSERT_GT(c.getAlpha(), 100);
        EXPECT_NEAR(c.getRed(), 52, 2);
        EXPECT_NEAR(c.getGreen(), 52, 2);
        EXPECT_NEAR(c.getBlue(), 51, 2);
    }
}

TEST(BinaryData, SvgTextsAndFontsLoad)
{
    const auto icon = juce::XmlDocument::parse(juce::String::fromUTF8(BinaryData::title_icon_svg));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->getStringAttribute("viewBox"), "0 0 2048 2048");
    const auto mark = juce::XmlDocument::parse(juce::String::fromUTF8(BinaryData::orvalu_svg));
    ASSERT_NE(mark, nullptr);
    EXPECT_EQ(mark->getStringAttribute("viewBox"), "0 0 160 31");
    EXPECT_EQ(mark->getNumChildElements(), 1) << "the word mark is one path";

    const std::pair<const char*, int> fonts[] = {
        {BinaryData::Enyo_otf, BinaryData::Enyo_otfSize},
        {BinaryData::Pistara_otf, BinaryData::Pistara_otfSize},
        {BinaryData::AvenirNextDemiBold_ttf, BinaryData::AvenirNextDemiBold_ttfSize},
        {BinaryData::AvenirNextBold_ttf, BinaryData::AvenirNextBold_ttfSize},
    };
    for (const auto& [data, size] : fonts)
    {
        const auto typeface = juce::Typeface::createSystemTypefaceFor(data, (size_t)size);
        ASSERT_NE(typeface, nullptr);
        EXPECT_FALSE(typeface->getName().isEmpty());
        juce::GlyphArrangement glyphs;
        glyphs.addLineOfText(juce::Font(typeface).withHeight(20.0f), "Ag", 0.0f, 0.0f);
        juce::Path outline;
        glyphs.createPath(outline);
        EXPECT_GT(outline.getBounds().getHeight(), 10.0f);
    }
}
