#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <vector>

/**
    The hand-drawn stroke renderer. Strokes are queued as thin quadrilaterals and
    filled, all at once in `paint`, with a tiled strip of the pencil texture
    turned to run along each stroke. Nothing here is random: the same calls give
    the same picture.

    Coordinates are those of the juce::Graphics later passed to `paint`: device
    pixels when drawing into a cached image, logical pixels in a component's paint.
*/
class Pencil
{
public:
    /** One queued stroke. */
    struct LineInfo
    {
        /** Closed four-point outline of the stroke. */
        juce::Path quad;
        /** Direction in radians, atan2(x2 - x1, y2 - y1): x difference first. */
        float angle = 0.0f;
        /** Both coordinate differences non-zero and of the same sign. */
        bool fallingSlope = false;
        /** Start point of the segment. */
        float startX = 0.0f;
        float startY = 0.0f;
        /** Below 0: the pencil opacity alone; otherwise multiplies it (may exceed 1). */
        float alpha = -1.0f;
    };

    /** `size` is the stroke width; `textureName` an embedded texture base name
        ("pencil"), picked at 1x or 2x by the display scale. */
    Pencil(float size, juce::String textureName);

    /** Changes the stroke width and re-cuts the texture strip to match. */
    void setSize(float newSize);

    /** A stroke record from (x1, y1) to (x2, y2); it is not queued. */
    LineInfo createLine(float x1, float y1, float x2, float y2, float alpha);

    /** Queues a straight stroke whose first `fadeIn` and last `fadeOut`
        fractions of the length fade in and out over `steps` strokes each. */
    void addSingleLine(float x1, float y1, float x2, float y2, float fadeIn, float fadeOut, int steps);

    /** Queues an arc (or circle) of `segments` chords at full alpha. Angle 0 is
        straight below the centre; angles grow towards +x. */
    void addCircle(float cx, float cy, float radius, int segments, float startAngle, float endAngle);

    /** Fills every queued stroke in order, then empties the queue. Leaves g's
        fill and opacity as the last stroke set them. */
    void paint(juce::Graphics& g);

    //==============================================================================
    std::vector<LineInfo> lines;
    /** Stroke width in pixels of the target graphics; the strip's height. */
    float size = 0.0f;
    float halfWidth = 0.0f;
    /** Multiplied into every stroke. */
    float opacity = 0.65f;
    juce::Image texture;
    /** `texture` squeezed to (int) size rows: the tile the strokes are filled with. */
    juce::Image strip;

private:
    void cutStrip();
};
