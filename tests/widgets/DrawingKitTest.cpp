#include "TKBackground.h"
#include "WidgetTestSupport.h"

#include <cstdlib>
#include <tuple>

TEST(DrawingKit, PicturesAreFoundByNameAtTheScaleAndOneFontManagerIsShared)
{
    for (const auto& [s, width] : {std::pair<float, int>{1.0f, 300}, {1.5f, 600}, {2.0f, 600}})
    {
        ScopedKit kit(s); // the double-density pictures above scale 1; only PNG names, so no font
        EXPECT_EQ(TKGraphics::GetImage("pencil").getWidth(), width) << s;
        for (const char* name : {"nothing", (const char*)nullptr, "Enyo"})
            EXPECT_TRUE(TKGraphics::GetImage(name).isNull());
    }
    FontManager::destroy(); // a stray call must not unbalance the references that follow
    FontManager* kit = FontManager::create({}, {}, 16, {});
    EXPECT_EQ(FontManager::create({}, {}, 99, {}), kit);
    FontManager::destroy();
    EXPECT_EQ(FontManager::getInstance(), kit) << "the first editor to close keeps it for the second";
    FontManager::destroy();
    EXPECT_EQ(FontManager::getInstance(), nullptr);
}

TEST(TKBackground, PlacesTitleAndLogoAt780x400TheNameFitsAndOnlyAReleaseOnTheLogoClicks)
{
    struct : Logo::LogoCallback
    {
        void logoClick() override { ++clicks; }
        int clicks = 0;
    } owner;
    ScopedKit kit;
    TKBackground view;
    view.init(TKGraphics::GetImage("splash_blue"), TKGraphics::GetImage("papper"), {0, 0, 780, 400}, &owner);
    view.setBounds(0, 0, 780, 400);
    view.setVisible(true);
    EXPECT_EQ(view.title.getBounds(), juce::Rectangle<int>(5, 5, 80, 140));
    EXPECT_EQ(view.logo.getBounds(), juce::Rectangle<int>(695, 379, 80, 16));
    for (const float s : {2.0f, 1.0f})
    {
        TKGraphics::setDisplayScaleOverride(s);
        view.title.resized();
        EXPECT_NEAR((float)view.title.textImage->getWidth() / s, 70.0f, 10.0f) << "scale " << s;
    }
    snapshot(view, 1, "background_780x400.png");

    // The word mark's children cover the logo: it hears of presses as their listener.
    Mouse mouse(view);
    for (const auto& [x, y, clicks] :
         {std::tuple<float, float, int>{735, 387, 1}, {774, 394, 2}, {775, 387, 2}, {400, 200, 2}})
    {
        mouse.press(735, 387, 1, &view.logo);
        mouse.release(x, y);
        EXPECT_EQ(owner.clicks, clicks) << x << ", " << y;
    }
}

// Always headless: without a DISPLAY the framework would try ":0", maybe another test's private X server.
int main(int argc, char** argv)
{
    setenv("DISPLAY", "headless", 1);
    juce::ScopedJuceInitialiser_GUI framework;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
