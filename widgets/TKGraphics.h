#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/**
    Image helpers of the widget kit.

    The interface is laid out in logical pixels; everything cached is rendered at
    device resolution (logical size x display scale) and drawn back at logical
    size, so strokes stay sharp on high-density displays. The display scale is
    read afresh at every use, never cached.
*/
class TKGraphics
{
public:
    /** The main display's scale factor: 1 on standard displays, 2 on
        high-density ones. A process without any display (headless) gets 1. */
    static float displayScale();

    /** Makes displayScale() return `scale` instead of asking the framework;
        0 (or any value not above 0) goes back to the framework's display.
        Meant for tests, which render at 1, 1.5 and 2 on a headless machine. */
    static void setDisplayScaleOverride(float scale);

    //==============================================================================
    /** Decodes the embedded PNG `name` + "2x_png" when the display scale is
        above 1, else `name` + "_png" ("pencil" -> "pencil2x_png" / "pencil_png"),
        through the framework's image cache. A name that is not embedded gives a
        null image. */
    static juce::Image GetImage(const char* name);

    /** A new, fully transparent ARGB image of area's size times the display
        scale (products truncated); the area's position is ignored. The caller
        owns it. An area that comes to no pixels gives a null image. */
    static juce::Image* GetImageEmpty(juce::Rectangle<int> area);

    /** Draws `image` (device pixels) with its top-left corner at logical (x, y)
        and at logical size (pixel size / display scale), with its own colours.
        Leaves g's opacity at `opacity`. */
    static void DrawImageAt(juce::Graphics& g, juce::Image& image, int x, int y, float opacity);

    /** As DrawImageAt, with the image's logical centre at (x, y). */
    static void DrawImageCenteredAt(juce::Graphics& g, juce::Image& image, int x, int y, float opacity);

private:
    static void drawAtLogicalSize(juce::Graphics& g, juce::Image& image, int x, int y, float scale);
};
