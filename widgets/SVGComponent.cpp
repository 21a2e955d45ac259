#include "SVGComponent.h"

#include "TKGraphics.h"

void SVGComponent::init(const char* svgText, int width, int height, float newAlpha)
{
    alpha = newAlpha;
    drawable.reset();
    if (svgText != nullptr)
    {
        if (const auto xml = juce::XmlDocument::parse(juce::String::fromUTF8(svgText)))
            drawable = juce::Drawable::createFromSVG(*xml);
    }
    setSize(width, height);
}

void SVGComponent::forceRepaint()
{
    cache.reset(TKGraphics::GetImageEmpty(getBounds()));
    // A component of no size has an empty (null) cache: nothing to render into.
    if (cache->isValid())
    {
        juce::Graphics g(*cache);
        internalPaint(g);
    }
    repaint();
}

void SVGComponent::internalPaint(juce::Graphics& g)
{
    if (drawable == nullptr || cache == nullptr)
        return;

    const juce::Rectangle<float> area(0.0f, 0.0f, (float)cache->getWidth(), (float)cache->getHeight());
    // Uniform fit, aligned to the left and top edges.
    const juce::RectanglePlacement placement(juce::RectanglePlacement::xLeft |
                                             juce::RectanglePlacement::yTop);
    drawable->drawWithin(g, area, placement, alpha);
}

void SVGComponent::resized()
{
    forceRepaint();
}

void SVGComponent::paint(juce::Graphics& g)
{
    if (cache != nullptr)
        TKGraphics::DrawImageAt(g, *cache, 0, 0, 1.0f);
}
