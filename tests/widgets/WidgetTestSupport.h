#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/**
    Helpers shared by the widget-kit tests: a scoped display scale, font
    loading from the embedded resources and pixel inspection.
*/
namespace widgettest
{
/** Sets the kit's display scale for the life of the object. */
class ScopedDisplayScale
{
public:
    explicit ScopedDisplayScale(float scale);
    ~ScopedDisplayScale();

    ScopedDisplayScale(const ScopedDisplayScale&) = delete;
    ScopedDisplayScale& operator=(const ScopedDisplayScale&) = delete;
};

/** A font on a typeface built from embedded font bytes. */
juce::Font fontFromResource(const char* data, int size);

/** A fully opaque image of one colour. */
juce::Image solidImage(int width, int height, juce::Colour colour);

/** Alpha (0..255) of one pixel. */
int alphaAt(const juce::Image& image, int x, int y);

/** Smallest rectangle holding every pixel whose alpha exceeds `threshold`;
    empty when there is none. */
juce::Rectangle<int> inkBounds(const juce::Image& image, int threshold = 0);

/** Mean alpha (0..255) of row y over columns [x0, x1). */
double rowMeanAlpha(const juce::Image& image, int y, int x0, int x1);

/** Writes `image` over an opaque white ground as a PNG into the test artefact
    folder, for a person to look at. */
void saveArtefact(const juce::Image& image, const juce::String& name);
} // namespace widgettest
