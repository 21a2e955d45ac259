#include "BinaryData.h"
#include "WidgetTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>

TEST(BinaryData, HashRuleUsesSignedBytesAndGivesTheKnownValues)
{
    // 31 x hash + byte, each byte taken as a signed char.
    auto hashOf = [](const char* name)
    {
        uint32_t hash = 0;
        for (const char* p = name; *p != 0; ++p)
            hash = 31u * hash + (uint32_t)(int32_t)(signed char)*p;
        return hash;
    };
    EXPECT_EQ(hashOf("pencil_png"), 0x30371FF7u);
    EXPECT_EQ(hashOf("pencil2x_png"), 0xB28F043Du);
    std::set<uint32_t> hashes;
    for (int i = 0; i < BinaryData::namedResourceListSize; ++i)
        hashes.insert(hashOf(BinaryData::namedResourceList[i]));
    EXPECT_EQ((int)hashes.size(), BinaryData::namedResourceListSize) << "two resource names share a hash";

    // The lookup compares hashes only: "qB" adds what "pa" adds, so this name finds the paper;
    // 'u' then 0x8E (-114 as a signed byte) adds what "ng" adds only when read signed.
    int size = 0;
    EXPECT_EQ(BinaryData::getNamedResource("qBpper_png", size), BinaryData::papper_png);
    EXPECT_EQ(size, BinaryData::papper_pngSize);
    EXPECT_EQ(BinaryData::getNamedResource("pencil_pu\x8E", size), BinaryData::pencil_png);
    EXPECT_EQ(size, BinaryData::pencil_pngSize);
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
    EXPECT_EQ(BinaryData::getNamedResource("pencil2x_png", size), BinaryData::pencil2x_png);
    EXPECT_EQ(size, BinaryData::pencil2x_pngSize);

    for (const char* miss : {"nothing", (const char*)nullptr, ""})
    {
        size = 123;
        EXPECT_EQ(BinaryData::getNamedResource(miss, size), nullptr);
        EXPECT_EQ(size, 0);
    }
}

TEST(BinaryData, PicturesDecodeWithTheirSizesAndLayouts)
{
    const struct
    {
        const char* data;
        int size, width, height;
        bool hasAlpha;
    } pictures[] = {
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
        EXPECT_EQ(image.getWidth(), p.width);
        EXPECT_EQ(image.getHeight(), p.height);
        EXPECT_EQ(image.hasAlphaChannel(), p.hasAlpha) << p.width << " x " << p.height;
    }
}

TEST(BinaryData, PencilTexturesHaveClearOuterRowsAndInkInTheMiddle)
{
    using widgettest::meanAlpha;
    for (const int density : {1, 2})
    {
        const auto image =
            density == 1
                ? juce::ImageFileFormat::loadFrom(BinaryData::pencil_png, BinaryData::pencil_pngSize)
                : juce::ImageFileFormat::loadFrom(BinaryData::pencil2x_png, BinaryData::pencil2x_pngSize);
        const int w = image.getWidth(), h = image.getHeight(), clear = 2 * density;
        EXPECT_EQ(meanAlpha(image, {0, 0, w, clear}), 0.0);
        EXPECT_EQ(meanAlpha(image, {0, h - clear, w, clear}), 0.0);
        // At double density two pixel rows make one row of the 1x texture.
        EXPECT_NEAR(meanAlpha(image, {0, clear, w, density}), 22.0, 8.0);
        EXPECT_NEAR(meanAlpha(image, {0, h / 2, w, 1}), 214.0, 8.0);

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
        juce::GlyphArrangement glyphs;
        glyphs.addLineOfText(juce::Font(typeface).withHeight(20.0f), "Ag", 0.0f, 0.0f);
        juce::Path outline;
        glyphs.createPath(outline);
        EXPECT_GT(outline.getBounds().getHeight(), 10.0f);
    }
}
