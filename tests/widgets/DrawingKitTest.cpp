#include "WidgetTestSupport.h"

#include <memory>

using namespace widgettest;

TEST(TKGraphics, PicturesAreFoundByNameTheDoubleDensityOnesAboveScaleOne)
{
    // Only PNG names are formed, so a font's base name finds nothing.
    for (const auto& [s, width] : {std::pair<float, int>{1.0f, 300}, {1.5f, 600}, {2.0f, 600}})
    {
        ScopedDisplayScale scale(s);
        EXPECT_EQ(TKGraphics::GetImage("pencil").getWidth(), width) << s;
        for (const char* name : {"nothing", (const char*)nullptr, "Enyo"})
            EXPECT_TRUE(TKGraphics::GetImage(name).isNull());
    }
}

TEST(FontManager, ReferencesShareOneInstanceAndTheLastFreesIt)
{
    // Stray calls first: they must not unbalance later references.
    FontManager::destroy();
    auto first = std::make_unique<ScopedFonts>();
    FontManager* kit = FontManager::getInstance();
    {
        ScopedFonts second;
        EXPECT_EQ(FontManager::create({}, {}, 99, {}), kit);
        FontManager::destroy();
    }
    EXPECT_EQ(FontManager::getInstance(), kit) << "the first editor to close keeps it for the second";
    {
        ScopedDisplayScale scale(2.0f);
        const std::unique_ptr<juce::Image> text(kit->createImage("Vowel Ah", 20.0f, 0.6f));
        saveArtefact(*text, "text_size20_2x.png");
    }
    first.reset();
    EXPECT_EQ(FontManager::getInstance(), nullptr);
}
