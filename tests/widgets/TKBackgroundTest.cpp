#include "TKBackground.h"
#include "InteractionTestSupport.h"

#include <gtest/gtest.h>

using namespace widgettest;

namespace
{
struct TKBackgroundTest : ::testing::Test, Logo::LogoCallback
{
    TKBackgroundTest()
    {
        background.init(
            juce::ImageFileFormat::loadFrom(BinaryData::splash_blue_png, BinaryData::splash_blue_pngSize),
            paper, {0, 0, 780, 400}, this);
    }
    void logoClick() override { ++clicks; }

    ScopedDisplayScale scale{1.0f};
    ScopedFontKit fonts;
    int clicks = 0;
    juce::Image paper = juce::ImageFileFormat::loadFrom(BinaryData::papper_png, BinaryData::papper_pngSize);
    TKBackground background;
};
} // namespace

TEST_F(TKBackgroundTest, PlacesTitleAndLogoFromItsSizeAndLaysTheSplashOverTiledPaper)
{
    EXPECT_EQ(background.logo.getBounds(), juce::Rectangle<int>(160, 32)) << "as init left it";
    EXPECT_TRUE(background.title.getBounds().isEmpty());

    background.setBounds(0, 0, 780, 400);
    EXPECT_EQ(background.title.getBounds(), juce::Rectangle<int>(5, 5, 80, 140));
    EXPECT_EQ(background.title.icon.getBounds(), juce::Rectangle<int>(80, 80));
    EXPECT_EQ(background.logo.getBounds(), juce::Rectangle<int>(695, 379, 80, 16));
    EXPECT_EQ(background.logo.pressedSvg.getBounds(), juce::Rectangle<int>(80, 16));
    EXPECT_EQ(background.scaledSplash.getBounds(), juce::Rectangle<int>(780, 400));
    // The product name stays whole inside the title, at either display scale.
    for (const float s : {1.0f, 2.0f})
    {
        ScopedDisplayScale nameScale{s};
        background.title.resized();
        ASSERT_NE(background.title.textImage, nullptr);
        EXPECT_LE(background.title.textImage->getWidth(), (int)(80 * s)) << "scale " << s;
        EXPECT_GT(background.title.textImage->getWidth(), (int)(60 * s)) << "scale " << s;
    }
    background.title.resized();

    const juce::Image painted = snapshot(background);
    saveArtefact(painted, "background_780x400.png");
    // Where the stretched splash is clear the paper shows, tiled from the corner; elsewhere it is tinted.
    int tinted = 0;
    for (int y = 170; y < 370; y += 7)
        for (int x = 260; x < 690; x += 13)
        {
            const bool clear = background.scaledSplash.getPixelAt(x, y).getAlpha() == 0;
            tinted += !clear;
            EXPECT_EQ(clear, painted.getPixelAt(x, y) == paper.getPixelAt(x % 250, y % 250))
                << x << ", " << y;
        }
    EXPECT_GT(tinted, 100);
}

TEST_F(TKBackgroundTest, LogoTurnsFaintWhilePressedAndOnlyAReleaseOnItClicks)
{
    background.setBounds(0, 0, 780, 400);
    background.setVisible(true);
    const juce::Point<int> onLogo{735, 387};
    // The word mark's children cover the logo: it hears of presses as their listener.
    ASSERT_TRUE(background.logo.isParentOf(background.getComponentAt(onLogo)));

    // clang-format off
    for (const auto& [releaseAt, expected] : {std::pair<juce::Point<int>, int>{onLogo, 1}, {{774, 394}, 1},
                                              {{775, 387}, 0}, {{735, 395}, 0}, {{400, 200}, 0}})
    // clang-format on
    {
        clicks = 0;
        ClickMouse mouse;
        mouse.press(background, onLogo, &background.logo);
        EXPECT_TRUE(background.logo.pressedSvg.isVisible() && !background.logo.normalSvg.isVisible());
        mouse.release(background, releaseAt);
        EXPECT_TRUE(background.logo.normalSvg.isVisible() && !background.logo.pressedSvg.isVisible());
        EXPECT_EQ(clicks, expected) << releaseAt.toString();
    }
}
