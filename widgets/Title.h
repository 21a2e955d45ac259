#pragma once

#include "SVGComponent.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

/**
    The product title in the window's top-left corner: the icon as a square at
    the title's origin, with the product name pencil-drawn 5 pixels under it.
    The editor lays out the other widgets from the title's bounds and the
    icon's width.
*/
class Title : public juce::Component
{
public:
    Title() = default;

    void paint(juce::Graphics& g) override;
    /** Makes the icon a square of the smaller side and renders the name again
        at 0.6 x that side. Needs the FontManager instance. */
    void resized() override;

    //==============================================================================
    SVGComponent icon;
    juce::String text;
    /** The name in device pixels; null until the first resize. */
    std::unique_ptr<juce::Image> textImage;

private:
    JUCE_DECLARE_NON_COPYABLE(Title)
};
