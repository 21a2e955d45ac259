#include "ButtonLookAndFeel.h"
#include "InteractionTestSupport.h"
#include "PresetButton.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace widgettest;

namespace
{
juce::Font listFont()
{
    return fontFromResource(BinaryData::AvenirNextDemiBold_ttf, BinaryData::AvenirNextDemiBold_ttfSize);
}

/** A bar as its manager makes it, "<" disabled until a preset is chosen, recording its clicks. */
struct Bar : PresetButtonDelegate
{
    Bar()
    {
        bar.init(this, new ButtonLookAndFeel(listFont()));
        bar.prevButton.setEnabled(false);
        bar.setVisible(true);
    }
    void selectNextPreset() override { log += ">"; }
    void selectPrevPreset() override { log += "<"; }
    void openPresetManager() override { log += "o"; }
    std::string log;
    PresetButton bar;
};

/** Notes whether one of the bar's buttons still used it when it was deleted. */
struct WatchedLookAndFeel : ButtonLookAndFeel
{
    WatchedLookAndFeel(PresetButton& b, bool& used) : ButtonLookAndFeel(listFont()), bar(b), stillUsed(used)
    {
    }
    ~WatchedLookAndFeel() override
    {
        for (juce::TextButton* button : {&bar.prevButton, &bar.nameButton, &bar.nextButton})
            stillUsed = stillUsed || &button->getLookAndFeel() == this;
    }
    PresetButton& bar;
    bool& stillUsed;
};
} // namespace

TEST(PresetBar, DisabledArrowIgnoresClicksAndIsDrawnLighter)
{
    Bar b;
    EXPECT_EQ(b.bar.getBounds(), juce::Rectangle<int>(150, 25));
    b.bar.nameButton.setButtonText("CHOIR 1");
    const juce::Image disabled = snapshot(b.bar);
    for (const int x : {15, 75, 135})
        ClickMouse().click(b.bar, {x, 12});
    EXPECT_EQ(b.log, "o>");

    b.bar.prevButton.setEnabled(true);
    ClickMouse().click(b.bar, {15, 12});
    EXPECT_EQ(b.log, "o><");
    const juce::Image enabled = snapshot(b.bar);
    saveArtefact(snapshot(b.bar, 3), "preset_bar_3x.png");

    // "<" runs from (18.9, 6) to its tip at (11.1, 12.5): grey 0.81 while disabled, 0.6 when
    // enabled, on a backdrop of black at alpha 0.1; the name is opaque black inside its text box.
    EXPECT_NEAR(disabled.getPixelAt(15, 9).getRed(), 207, 4);
    EXPECT_NEAR(enabled.getPixelAt(15, 9).getRed(), 153, 4);
    EXPECT_EQ(disabled.getPixelAt(75, 1), juce::Colour::fromRGBA(0, 0, 0, 26));
    const auto name = inkBounds(disabled.getClippedImage({30, 0, 90, 25}), 250);
    EXPECT_TRUE(!name.isEmpty() && name.getX() >= 8 && name.getRight() <= 82) << name.toString();
}

TEST(PresetBar, ButtonsLetGoOfTheLookAndFeelBeforeItIsDeleted)
{
    bool stillUsed = false;
    {
        Bar b;
        auto bar = std::make_unique<PresetButton>();
        bar->init(&b, new WatchedLookAndFeel(*bar, stillUsed));
    }
    EXPECT_FALSE(stillUsed);
}
