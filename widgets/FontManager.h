#pragma once

#include "Pencil.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

/**
    Renders display text in the hand-drawn style: glyph interiors filled with a
    tiled texture, outlines traced with a Pencil. One instance is shared by the
    whole process and counted by references: every editor calls create() once
    while it is built and destroy() once when it goes; widgets fetch it through
    getInstance() at each rendering. Message thread only; nothing is locked.
*/
class FontManager
{
public:
    /** Takes a reference. The first call builds the instance from the
        arguments; later calls return it unchanged and ignore them. */
    static FontManager* create(juce::Font largeFont, juce::Font smallFont, int sizeThreshold,
                               juce::Image fillTexture);
    /** The shared instance, or null when no reference is held. */
    static FontManager* getInstance();
    /** Drops a reference; the last one deletes the instance. A call without a
        reference to drop does nothing. */
    static void destroy();

    FontManager(juce::Font largeFont, juce::Font smallFont, int sizeThreshold, juce::Image fillTexture);
    ~FontManager();

    /** One line of text at font size `size` (logical pixels, at least 1),
        rendered at display resolution into a new image that the caller owns.
        The image has half a pencil width of margin on every side. */
    juce::Image* createImage(juce::String text, float size, float alpha);

    /** Paints text fitted into `area` of g, on one line. `height` and `area`
        are in g's pixels; `scale` is the factor from logical to g's pixels.
        With `rotate` the text reads upwards with its left edge at x = 2. */
    void draw(juce::Graphics& g, juce::String text, float height, juce::Rectangle<int> area,
              juce::Justification justification, float scale, float alpha, float minimumHorizontalScale,
              bool rotate);

    //==============================================================================
    std::unique_ptr<Pencil> pencil;
    /** Used from `sizeThreshold` up (integer text size). */
    juce::Font largeFont;
    /** Used below `sizeThreshold`, at horizontal scale 0.8. */
    juce::Font smallFont;
    juce::Image fillTexture;
    int sizeThreshold = 0;

private:
    /** Sets both fonts' extra kerning to 1 / n (about one logical pixel between
        characters) and returns a copy of the font for integer size n. */
    juce::Font fontForSize(int n);
    /** Pencil width for a text of this height, in multiples of the display scale. */
    void setPencilFor(float height, float alpha);
    /** Queues the pencil strokes that trace the flattened outline of `path`. */
    void traceOutline(const juce::Path& path);

    JUCE_DECLARE_NON_COPYABLE(FontManager)
};
