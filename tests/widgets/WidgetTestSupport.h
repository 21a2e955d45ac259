#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include "TKGraphics.h"

/**
    Helpers shared by the widget-kit tests: a scoped display scale, font
    loading from the embedded resources and pixel inspection.
*/
namespace widgettest
{
/** Sets the kit's display scale for the life of the object. */
struct ScopedDisplayScale
{
    explicit ScopedDisplayScale(float scale) { TKGraphics::setDisplayScaleOverride(scale); }
    ~ScopedDisplayScale() { TKGraphics::setDisplayScaleOverride(0.0f); }
    ScopedDisplayScale(const ScopedDisplayScale&) = delete;
    ScopedDisplayScale& operator=(const ScopedDisplayScale&) = delete;
};

/** A font on a typeface built from embedded font bytes. */
inline juce::Font fontFromResource(const char* data, int size)
{
    return juce::Font(juce::Typeface::createSystemTypefaceFor(data, (size_t)size));
}

/** A fully opaque image of one colour. */
inline juce::Image solidImage(int width, int height, juce::Colour colour)
{
    juce::Image image(juce::Image::ARGB, width, height, false);
    image.clear(image.getBounds(), colour);
    return image;
}

/** Alpha (0..255) of one pixel. */
inline int alphaAt(const juce::Image& image, int x, int y)
{
    return image.getPixelAt(x, y).getAlpha();
}

/** Smallest rectangle holding every pixel whose alpha exceeds `threshold`, and
    the largest alpha; the rectangle is empty when no pixel exceeds it. */
inline juce::Rectangle<int> inkBounds(const juce::Image& image, int threshold = 0, int* maxAlpha = nullptr)
{
    int left = image.getWidth(), top = image.getHeight(), right = -1, bottom = -1, most = 0;
    for (int y = 0; y < image.getHeight(); ++y)
        for (int x = 0; x < image.getWidth(); ++x)
        {
            const int a = alphaAt(image, x, y);
            most = juce::jmax(most, a);
            if (a > threshold)
            {
                left = juce::jmin(left, x);
                right = juce::jmax(right, x);
                top = juce::jmin(top, y);
                bottom = juce::jmax(bottom, y);
            }
        }
    if (maxAlpha != nullptr)
        *maxAlpha = most;
    return right < 0 ? juce::Rectangle<int>()
                     : juce::Rectangle<int>::leftTopRightBottom(left, top, right + 1, bottom + 1);
}

/** Mean alpha (0..255) over an area, e.g. one row or one column. */
inline double meanAlpha(const juce::Image& image, juce::Rectangle<int> area)
{
    double sum = 0.0;
    for (int y = area.getY(); y < area.getBottom(); ++y)
        for (int x = area.getX(); x < area.getRight(); ++x)
            sum += alphaAt(image, x, y);
    return sum / (double)(area.getWidth() * area.getHeight());
}

/** Writes `image` over an opaque white ground as a PNG into the test artefact
    folder, for a person to look at. */
inline void saveArtefact(const juce::Image& image, const juce::String& name)
{
    const juce::File dir(TOVKA_TEST_ARTEFACT_DIR);
    dir.createDirectory();
    juce::Image flat(juce::Image::RGB, image.getWidth(), image.getHeight(), false);
    {
        juce::Graphics g(flat);
        g.fillAll(juce::Colours::white);
        g.drawImageAt(image, 0, 0);
    }
    const juce::File file = dir.getChildFile(name);
    file.deleteFile();
    juce::FileOutputStream out(file);
    juce::PNGImageFormat().writeImageToStream(flat, out);
}
} // namespace widgettest
