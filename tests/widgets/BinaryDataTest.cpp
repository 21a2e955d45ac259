#include "BinaryData.h"
#include "WidgetTestSupport.h"

#include <gtest/gtest.h>

#include <set>

TEST(BinaryData, LookupFindsEveryResourceByItsNameHashReadWithSignedBytes)
{
    ASSERT_EQ(BinaryData::namedResourceListSize, 14);
    std::set<const char*> found;
    for (int i = 0; i < BinaryData::namedResourceListSize; ++i)
    {
        const char* name = BinaryData::namedResourceList[i];
        int size = -1;
        const char* data = BinaryData::getNamedResource(name, size);
        ASSERT_NE(data, nullptr) << name;
        EXPECT_GT(size, 0) << name;
        EXPECT_EQ(data[size], 0) << name << ": no zero byte after the data";
        found.insert(data);
    }
    EXPECT_EQ((int)found.size(), BinaryData::namedResourceListSize) << "two names share a hash";

    // The lookup compares hashes (31 x hash + byte) only: "qB" adds what "pa" adds, so this name
    // finds the paper; 'u' then 0x8E (-114 as a signed byte) adds what "ng" adds only when signed.
    int size = 0;
    EXPECT_EQ(BinaryData::getNamedResource("qBpper_png", size), BinaryData::papper_png);
    EXPECT_EQ(BinaryData::getNamedResource("pencil_pu\x8E", size), BinaryData::pencil_png);
    EXPECT_EQ(size, BinaryData::pencil_pngSize);
    for (const char* miss : {"nothing", (const char*)nullptr, ""})
    {
        size = 123;
        EXPECT_EQ(BinaryData::getNamedResource(miss, size), nullptr);
        EXPECT_EQ(size, 0);
    }
}

TEST(BinaryData, PicturesDecodeAtTheirSizes)
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
        EXPECT_EQ(image.getBounds(), juce::Rectangle<int>(p.width, p.height));
        EXPECT_EQ(image.hasAlphaChannel(), p.hasAlpha) << p.width << " x " << p.height;
    }
}
