#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/**
    The preset bar's look: "<" and ">" are two thin grey strokes each (lighter
    when disabled), with no text and no background; every other button is bare
    centred text in one font. Hovering and pressing change nothing.
*/
class ButtonLookAndFeel : public juce::LookAndFeel_V3
{
public:
    explicit ButtonLookAndFeel(juce::Font font);

    /** The chevron of a "<" or ">" button; nothing for any other button. */
    void drawButtonBackground(juce::Graphics& g, juce::Button& button, const juce::Colour& backgroundColour,
                              bool isMouseOverButton, bool isButtonDown) override;
    /** `font` at min(0.6 x buttonHeight, 15) pixels. */
    juce::Font getTextButtonFont(juce::TextButton& button, int buttonHeight) override;
    /** The text of every button except "<" and ">", centred, in at most two lines. */
    void drawButtonText(juce::Graphics& g, juce::TextButton& button, bool isMouseOverButton,
                        bool isButtonDown) override;

    //==============================================================================
    juce::Font font;
};
