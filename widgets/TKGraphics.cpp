#include "TKGraphics.h"

#include "BinaryData.h"

#include <atomic>

namespace
{
// 0 means "ask the framework". Atomic because painting may run on the
// framework's rendering thread while a test sets the override.
std::atomic<float> scaleOverride{0.0f};
} // namespace

float TKGraphics::displayScale()
{
    const float forced = scaleOverride.load(std::memory_order_relaxed);
    if (forced > 0.0f)
        return forced;

    // No main display at all (a headless process): draw at scale 1.
    const auto* main = juce::Desktop::getInstance().getDisplays().getPrimaryDisplay();
    return main != nullptr ? (float)main->scale : 1.0f;
}

void TKGraphics::setDisplayScaleOverride(float scale)
{
    scaleOverride.store(scale > 0.0f ? scale : 0.0f, std::memory_order_relaxed);
}

juce::Image TKGraphics::GetImage(const char* name)
{
    if (name == nullptr)
        return {};

    const juce::String resourceName = juce::String(name) + (displayScale() > 1.0f ? "2x_png" : "_png");
    int size = 0;
    const char* data = BinaryData::getNamedResource(resourceName.toRawUTF8(), size);
    if (data == nullptr)
        return {};

    return juce::ImageCache::getFromMemory(data, size);
}

juce::Image* TKGraphics::GetImageEmpty(juce::Rectangle<int> area)
{
    const float s = displayScale();
    const int width = (int)((float)area.getWidth() * s);
    const int height = (int)((float)area.getHeight() * s);
    if (width <= 0 || height <= 0)
        return new juce::Image();

    return new juce::Image(juce::Image::ARGB, width, height, true);
}

void TKGraphics::DrawImageAt(juce::Graphics& g, juce::Image& image, int x, int y, float opacity)
{
    g.setOpacity(opacity);
    drawAtLogicalSize(g, image, x, y, displayScale());
}

void TKGraphics::DrawImageCenteredAt(juce::Graphics& g, juce::Image& image, int x, int y, float opacity)
{
    const float s = displayScale();
    const int left = (int)((float)x - (float)image.getWidth() / s * 0.5f);
    const int top = (int)((float)y - (float)image.getHeight() / s * 0.5f);
    g.setOpacity(opacity);
    drawAtLogicalSize(g, image, left, top, s);
}

void TKGraphics::drawAtLogicalSize(juce::Graphics& g, juce::Image& image, int x, int y, float scale)
{
    if (scale > 1.0f)
    {
        const int w = image.getWidth();
        const int h = image.getHeight();
        g.drawImage(image, x, y, (int)((float)w / scale), (int)((float)h / scale), 0, 0, w, h, false);
    }
    else
    {
        g.drawImageAt(image, x, y, false);
    }
}
