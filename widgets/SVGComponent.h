#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

/**
    Shows one embedded SVG document at a fixed opacity. The document is
    rasterised at device resolution once per size into `cache`; `paint` only
    blits that image.
*/
class SVGComponent : public juce::Component
{
public:
    SVGComponent() = default;

    /** Parses the zero-terminated SVG text, keeps `alpha` (0..1, baked into the
        cache) and sets the component to width x height logical pixels, which
        renders the cache. Text that does not parse leaves nothing to draw. */
    void init(const char* svgText, int width, int height, float alpha);

    /** Renders the document afresh into a new transparent cache of the
        component's size x display scale, then asks for a repaint. */
    void forceRepaint();

    /** Draws the document into `g` (cache pixels), scaled to fit and aligned
        top-left, at opacity `alpha`. */
    void internalPaint(juce::Graphics& g);

    void paint(juce::Graphics& g) override;
    void resized() override;

    //==============================================================================
    /** The rendered document at device resolution; null until the first size. */
    std::unique_ptr<juce::Image> cache;
    /** Opacity at which the document is drawn into the cache. */
    float alpha = 1.0f;
    /** The parsed document; null until init. */
    std::unique_ptr<juce::Drawable> drawable;

private:
    JUCE_DECLARE_NON_COPYABLE(SVGComponent)
};
