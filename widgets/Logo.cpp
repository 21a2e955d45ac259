#include "Logo.h"

void Logo::mouseDown(const juce::MouseEvent& e)
{
    (void)e;
    normalSvg.setVisible(false);
    pressedSvg.setVisible(true);
}

void Logo::mouseUp(const juce::MouseEvent& e)
{
    normalSvg.setVisible(true);
    pressedSvg.setVisible(false);

    // The event usually comes from a child; judge the release in the logo's own coordinates.
    const auto p = e.getEventRelativeTo(this).getPosition();
    if (getLocalBounds().contains(p) && callback != nullptr)
        callback->logoClick();
}

void Logo::paint(juce::Graphics& g)
{
    (void)g;
}

void Logo::resized() {}
