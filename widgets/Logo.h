#pragma once

#include "SVGComponent.h"

#include <juce_gui_basics/juce_gui_basics.h>

/**
    The maker's word mark in the window's bottom-right corner, the link to the
    product page. Two SVG children of the logo's own size draw it, a fainter
    one shown while the mouse button is held. They cover the logo completely,
    so the logo listens to their mouse events as well as its own.
*/
class Logo : public juce::Component
{
public:
    /** Told when the logo is clicked (implemented by the editor). */
    class LogoCallback
    {
    public:
        virtual void logoClick() = 0;
        virtual ~LogoCallback() = default;
    };

    Logo() = default;

    /** Shows the fainter word mark until the release. */
    void mouseDown(const juce::MouseEvent& e) override;
    /** Restores the normal word mark; a release inside the logo reports one click. */
    void mouseUp(const juce::MouseEvent& e) override;
    /** Nothing: the two children draw the logo. */
    void paint(juce::Graphics& g) override;
    void resized() override;

    //==============================================================================
    /** Not owned; null until the background's init. */
    LogoCallback* callback = nullptr;
    /** The word mark at alpha 0.5, shown except during a press. */
    SVGComponent normalSvg;
    /** The word mark at alpha 0.2, shown only during a press. */
    SVGComponent pressedSvg;

private:
    JUCE_DECLARE_NON_COPYABLE(Logo)
};
