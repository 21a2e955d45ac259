#pragma once

#include "Logo.h"
#include "Title.h"

#include <juce_gui_basics/juce_gui_basics.h>

/**
    The editor's backdrop and first child: the paper tiled over the whole
    window, the splash stretched over it, the title in the top-left corner and
    the logo in the bottom-right corner. The rules in resized() that size and
    place the title and the logo fix the whole window's arrangement, since the
    editor lays out everything else from them.
*/
class TKBackground : public juce::Component
{
public:
    TKBackground() = default;

    /** Called once before the background is added and sized. Only the size of
        `bounds` is used, for the first rescale of the splash. */
    void init(juce::Image splash, juce::Image paper, juce::Rectangle<int> bounds,
              Logo::LogoCallback* callback);

    /** One tiled fill and one plain image draw. */
    void paint(juce::Graphics& g) override;
    /** Rescales the splash (high quality, aspect not kept) and places the title
        and the logo from scratch. */
    void resized() override;

    //==============================================================================
    /** Transform of the splash draw; the identity. */
    juce::AffineTransform transform;
    juce::Image splash;
    /** Tiled at its pixel size from the top-left corner. */
    juce::Image paper;
    /** `splash` stretched to the background's size. */
    juce::Image scaledSplash;
    Title title;
    Logo logo;

private:
    JUCE_DECLARE_NON_COPYABLE(TKBackground)
};
