#pragma once

#include "PresetButtonDelegate.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

/**
    The preset bar: "<", the current preset's name and ">", 150 x 25 pixels on
    a faint rounded backdrop. It knows nothing about presets: it reports its
    clicks to its delegate, and its owner (the PresetManager) enables the
    arrows and writes the name. A disabled button reports nothing.
*/
class PresetButton : public juce::Component, public juce::Button::Listener
{
public:
    /** Unusable until init. */
    PresetButton() = default;
    /** Detaches the buttons from the look-and-feel before deleting it. */
    ~PresetButton() override;

    /** Lays out the three buttons with `lookAndFeel`, which the bar then owns.
        Called once, right after construction. */
    void init(PresetButtonDelegate* delegate, juce::LookAndFeel* lookAndFeel);

    /** The translucent backdrop; the buttons paint themselves over it. */
    void paint(juce::Graphics& g) override;
    /** Nothing: the buttons keep the bounds init gave them. */
    void resized() override;
    void buttonClicked(juce::Button* button) override;

    //==============================================================================
    /** Not owned. */
    PresetButtonDelegate* delegate = nullptr;
    /** Shows the current preset's name and opens the browser. */
    juce::TextButton nameButton;
    juce::TextButton nextButton;
    juce::TextButton prevButton;
    /** Look of the three buttons; owned, null until init. */
    std::unique_ptr<juce::LookAndFeel> lookAndFeel;

private:
    JUCE_DECLARE_NON_COPYABLE(PresetButton)
};
