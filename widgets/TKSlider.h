#pragma once

#include "EComponent.h"
#include "Pencil.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

/**
    The vertical fader: a hand-drawn track with the title written beneath it
    and a short pencil stroke as the thumb. One normalised value, bound to one
    parameter through the EComponent fields.

    The track and title are drawn once per size into `backgroundImage` at device
    resolution; `paint` blits it and strokes only the thumb.
*/
class TKSlider : public EComponent
{
public:
    TKSlider();
    ~TKSlider() override;

    /** Renders the track and title into `backgroundImage` and sets
        `trackLength`. Called by `resized`, which makes the image first. */
    void paintBackground();

    void paint(juce::Graphics& g) override;
    void resized() override;

    void mouseDown(const juce::MouseEvent& e) override;
    void mouseDrag(const juce::MouseEvent& e) override;
    void mouseUp(const juce::MouseEvent& e) override;
    void mouseDoubleClick(const juce::MouseEvent& e) override;
    void mouseWheelMove(const juce::MouseEvent& e, const juce::MouseWheelDetails& wheel) override;

    //==============================================================================
    /** Component coordinates of the last press or drag event. */
    juce::Point<int> lastMousePosition;
    /** Caption written under the track. */
    juce::String title = "Slider title";
    /** Track and title at device resolution; null until the first resize. */
    std::unique_ptr<juce::Image> backgroundImage;
    std::unique_ptr<Pencil> pencil;
    /** Travel of the thumb in logical units: value 1 puts it at y 2.5, value 0
        at trackLength + 2.5. */
    float trackLength = 0.0f;
};
