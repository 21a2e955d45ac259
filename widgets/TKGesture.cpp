#include "TKGesture.h"

float TKGesture::clampToUnit(float v)
{
    // Written so that a NaN fails the first test: it would pass both plain comparisons.
    if (!(v >= 0.0f))
        v = 0.0f;
    if (v > 1.0f)
        v = 1.0f;
    return v;
}

juce::Point<float> TKGesture::takeMovement(const juce::MouseEvent& e, juce::Point<int>& last)
{
    const juce::Point<int> now = e.getPosition();
    juce::Point<float> movement = (now - last).toFloat();
    if (e.mods.isAltDown())
        movement *= 0.1f;
    last = now;
    return movement;
}

double TKGesture::wheelFactor(const juce::MouseEvent& e)
{
    return e.mods.isAltDown() ? 0.02 : 0.2;
}
