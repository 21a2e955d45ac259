#include "Pencil.h"

#include "TKGraphics.h"

#include <cmath>

namespace
{
constexpr double pi = 3.14159265358979323846;
}

Pencil::Pencil(float initialSize, juce::String textureName)
    : size(initialSize), halfWidth(initialSize * 0.5f), texture(TKGraphics::GetImage(textureName.toRawUTF8()))
{
    cutStrip();
}

void Pencil::setSize(float newSize)
{
    size = newSize;
    halfWidth = newSize * 0.5f;
    cutStrip();
}

void Pencil::cutStrip()
{
    // A strip must keep at least one row; a zero-row image cannot be drawn.
    const int rows = juce::jmax(1, (int)size);
    strip = texture.rescaled(texture.getWidth(), rows, juce::Graphics::mediumResamplingQuality);
}

Pencil::LineInfo Pencil::createLine(float x1, float y1, float x2, float y2, float alpha)
{
    LineInfo line;
    line.angle = atan2f(x2 - x1, y2 - y1);
    const float theta = (float)((double)line.angle - pi / 2.0);
    // Perpendicular to the segment, halfWidth long.
    const float px = sinf(theta) * halfWidth;
    const float py = cosf(theta) * halfWidth;

    line.quad.startNewSubPath(x1 + px, y1 + py);
    line.quad.lineTo(x1 - px, y1 - py);
    line.quad.lineTo(x2 - px, y2 - py);
    line.quad.lineTo(x2 + px, y2 + py);
    line.quad.closeSubPath();

    line.fallingSlope = (x1 > x2 && y1 > y2) || (x2 > x1 && y2 > y1);
    line.startX = x1;
    line.startY = y1;
    line.alpha = alpha;
    return line;
}

void Pencil::addSingleLine(float x1, float y1, float x2, float y2, float fadeIn, float fadeOut, int steps)
{
    const float dx = x2 - x1;
    const float dy = y2 - y1;
    float prevX = x1;
    float prevY = y1;

    // The fade-in ends one step short of fadeIn; the full part covers the rest.
    if (steps > 1)
    {
        for (int k = 1; k < steps; ++k)
        {
            const float t = (fadeIn / (float)steps) * (float)k;
            const float x = dx * t + x1;
            const float y = dy * t + y1;
            lines.push_back(createLine(prevX, prevY, x, y, (float)k / (float)steps));
            prevX = x;
            prevY = y;
        }
    }

    {
        const float t = 1.0f - fadeOut;
        const float x = dx * t + x1;
        const float y = dy * t + y1;
        lines.push_back(createLine(prevX, prevY, x, y, 1.0f));
        prevX = x;
        prevY = y;
    }

    if (steps < 1)
        return;

    // Fade-out strokes run backwards, from each new point to the previous one.
    for (int j = 1; j <= steps; ++j)
    {
        const float t = (fadeOut / (float)steps) * (float)j + (1.0f - fadeOut);
        const float x = dx * t + x1;
        const float y = dy * t + y1;
        lines.push_back(createLine(x, y, prevX, prevY, 1.0f - (float)j / (float)(steps + 1)));
        prevX = x;
        prevY = y;
    }
}

void Pencil::addCircle(float cx, float cy, float radius, int segments, float startAngle, float endAngle)
{
    if (segments < 1)
        return;

    const float step = (endAngle - startAngle) / (float)segments;
    float prevX = cx + radius * sinf(startAngle);
    float prevY = cy + radius * cosf(startAngle);
    for (int k = 1; k <= segments; ++k)
    {
        const float a = (float)k * step + startAngle;
        const float x = cx + radius * sinf(a);
        const float y = cy + radius * cosf(a);
        lines.push_back(createLine(prevX, prevY, x, y, 1.0f));
        prevX = x;
        prevY = y;
    }
}

void Pencil::paint(juce::Graphics& g)
{
    for (const auto& line : lines)
    {
        // Maps the strip's image space onto the stroke: the texture runs along
        // the segment, its phase anchored at the start point.
        const float rho = (float)(pi / 2.0 - (double)line.angle + pi);
        const auto rotation = line.fallingSlope ? juce::AffineTransform::rotation(rho, halfWidth, halfWidth)
                                                : juce::AffineTransform::rotation(rho);
        const float offset = line.fallingSlope ? -halfWidth : halfWidth;
        const auto transform =
            juce::AffineTransform::translation(line.startX, 0.0f)
                .followedBy(rotation)
                .followedBy(juce::AffineTransform::translation(line.startX + offset, line.startY + offset));

        g.setFillType(juce::FillType(strip, transform));
        // The framework caps opacity at 1 anyway; capping here keeps its debug
        // checks quiet for the alphas above 1 that users pass.
        const float strokeOpacity = line.alpha >= 0.0f ? line.alpha * opacity : opacity;
        g.setOpacity(juce::jlimit(0.0f, 1.0f, strokeOpacity));
        g.fillPath(line.quad);
    }
    lines.clear();
}
