#include "FontManager.h"

#include "TKGraphics.h"

#include <cmath>
#include <cstdint>

namespace
{
FontManager* __fmgr_instance = nullptr;
int32_t __fmgr_retain_count = 0;

// Flattening tolerance in pixels: bounds the number of pencil strokes per glyph.
constexpr float outlineTolerance = 0.1f;
} // namespace

FontManager* FontManager::create(juce::Font largeFont, juce::Font smallFont, int sizeThreshold,
                                 juce::Image fillTexture)
{
    ++__fmgr_retain_count;
    if (__fmgr_instance == nullptr)
        __fmgr_instance = new FontManager(largeFont, smallFont, sizeThreshold, fillTexture);
    return __fmgr_instance;
}

FontManager* FontManager::getInstance()
{
    return __fmgr_instance;
}

void FontManager::destroy()
{
    // An unmatched destroy must not push the count below zero: a later editor's
    // reference would then be dropped early and the instance deleted under it.
    if (__fmgr_retain_count <= 0)
        return;

    if (--__fmgr_retain_count == 0)
    {
        delete __fmgr_instance;
        __fmgr_instance = nullptr;
    }
}

FontManager::FontManager(juce::Font large, juce::Font small, int threshold, juce::Image fill)
    : pencil(std::make_unique<Pencil>(4.0f, "pencil")), largeFont(large), smallFont(small), fillTexture(fill),
      sizeThreshold(threshold)
{
    smallFont.setHorizontalScale(0.8f);
}

FontManager::~FontManager()
{
    pencil.reset();
}

juce::Font FontManager::fontForSize(int n)
{
    // The framework's kerning factor is a proportion of the font height.
    const int divisor = juce::jmax(1, n);
    largeFont.setExtraKerningFactor(1.0f / (float)divisor);
    smallFont.setExtraKerningFactor(1.0f / (float)divisor);
    return n < sizeThreshold ? smallFont : largeFont;
}

void FontManager::setPencilFor(float height, float alpha)
{
    const float s = TKGraphics::displayScale();
    pencil->setSize(height < 20.0f ? 2.0f * s : (height < 35.0f ? 3.0f * s : 4.0f * s));
    pencil->opacity = alpha / s;
}

void FontManager::traceOutline(const juce::Path& path)
{
    juce::PathFlatteningIterator it(path, juce::AffineTransform(), outlineTolerance);
    while (it.next())
        pencil->lines.push_back(pencil->createLine(it.x1, it.y1, it.x2, it.y2, -1.0f));
}

juce::Image* FontManager::createImage(juce::String text, float size, float alpha)
{
    const float s = TKGraphics::displayScale();
    juce::Font font = fontForSize((int)size);
    font.setHeight(s * size);
    setPencilFor(size, alpha);

    juce::GlyphArrangement glyphs;
    glyphs.addLineOfText(font, text, 0.0f, 0.0f);
    juce::Path path;
    glyphs.createPath(path);

    // Shift the outline so half a pencil width of margin stays on the top and left.
    const float pen = pencil->size;
    const auto start = path.getBounds();
    path.applyTransform(
        juce::AffineTransform::translation((float)((double)pen * 0.5 - (double)start.getX()),
                                           (float)((double)pen * 0.5 - (double)start.getY())));
    traceOutline(path);

    const auto bounds = path.getBounds();
    const int width = (int)(std::nearbyint(bounds.getWidth()) + pen);
    const int height = (int)(std::nearbyint(bounds.getHeight()) + pen);
    auto* image = new juce::Image(juce::Image::ARGB, juce::jmax(1, width), juce::jmax(1, height), true);

    juce::Graphics g(*image);
    g.setTiledImageFill(fillTexture, 0, 0, juce::jmin(1.0f, alpha * 1.1f));
    g.fillPath(path);
    pencil->paint(g);
    return image;
}

void FontManager::draw(juce::Graphics& g, juce::String text, float height, juce::Rectangle<int> area,
                       juce::Justification justification, float scale, float alpha,
                       float minimumHorizontalScale, bool rotate)
{
    juce::Font font = fontForSize((int)(height / scale));
    font.setHeight(height);
    setPencilFor(height, alpha);

    juce::GlyphArrangement glyphs;
    glyphs.addFittedText(font, text, (float)area.getX(), (float)area.getY(), (float)area.getWidth(),
                         (float)area.getHeight(), justification, 1, minimumHorizontalScale);
    juce::Path path;
    glyphs.createPath(path);

    if (rotate)
    {
        // A quarter turn so the text reads upwards, its left edge at x = 2 and
        // its vertical centre on the unrotated text's top.
        const auto original = path.getBounds();
        path.applyTransform(juce::AffineTransform::rotation(-1.5707964f));
        const auto turned = path.getBounds();
        path.applyTransform(
            juce::AffineTransform::translation(2.0f - turned.getX(), original.getY() - turned.getY()));
        path.applyTransform(juce::AffineTransform::translation(0.0f, -0.5f * path.getBounds().getHeight()));
    }

    g.setTiledImageFill(fillTexture, 0, 0, (float)((double)alpha * 1.1));
    g.fillPath(path);

    traceOutline(path);
    pencil->paint(g);
}
