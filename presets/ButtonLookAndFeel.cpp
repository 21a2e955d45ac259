#include "ButtonLookAndFeel.h"

namespace
{
bool isArrow(const juce::String& text)
{
    return text == "<" || text == ">";
}
} // namespace

ButtonLookAndFeel::ButtonLookAndFeel(juce::Font f) : font(f) {}

void ButtonLookAndFeel::drawButtonBackground(juce::Graphics& g, juce::Button& button, const juce::Colour&,
                                             bool, bool)
{
    const juce::String text = button.getButtonText();
    if (!isArrow(text))
        return;

    const float grey = button.isEnabled() ? 0.6f : 0.81f;
    g.setColour(juce::Colour::fromFloatRGBA(grey, grey, grey, 1.0f));

    const float cx = (float)button.getWidth() / 2.0f;
    const float cy = (float)button.getHeight() / 2.0f;
    const float s = (float)(button.getHeight() - 12);
    const float d = 0.3f * s;
    // The tip of the chevron points against the direction of `sign`; the two
    // strokes overlap by one pixel there.
    const float sign = text == "<" ? 1.0f : -1.0f;
    g.drawLine(cx + sign * d, cy - s / 2.0f, cx - sign * d, cy + 0.5f, 2.0f);
    g.drawLine(cx - sign * d, cy - 0.5f, cx + sign * d, cy + s / 2.0f, 2.0f);
}

juce::Font ButtonLookAndFeel::getTextButtonFont(juce::TextButton&, int buttonHeight)
{
    return font.withHeight(juce::jmin(0.6f * (float)buttonHeight, 15.0f));
}

void ButtonLookAndFeel::drawButtonText(juce::Graphics& g, juce::TextButton& button, bool, bool)
{
    if (isArrow(button.getButtonText()))
        return;

    const juce::Font textFont = getTextButtonFont(button, (int)((float)button.getHeight() * 0.9f));
    g.setFont(textFont);
    const auto colourId =
        button.getToggleState() ? juce::TextButton::textColourOnId : juce::TextButton::textColourOffId;
    g.setColour(button.findColour(colourId, false).withMultipliedAlpha(button.isEnabled() ? 1.0f : 0.5f));

    const int w = button.getWidth();
    const int h = button.getHeight();
    const int yIndent = juce::jmin(4, juce::roundToInt((float)h * 0.3f));
    const int cornerSize = juce::jmin(w, h) / 2;
    const int fontHeight = juce::roundToInt(textFont.getHeight() * 0.6f);
    const int leftIndent = juce::jmin(fontHeight, 2 + cornerSize / 2);
    const int rightIndent = leftIndent;
    const int textWidth = w - leftIndent - rightIndent;

    if (textWidth > 0)
        g.drawFittedText(button.getButtonText(), leftIndent, yIndent, textWidth, h - yIndent * 2,
                         juce::Justification::centred, 2);
}
