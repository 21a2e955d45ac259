#pragma once

#include "EComponent.h"
#include "Pencil.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

/**
    Sets two parameters at once: the crosshair's horizontal position is one
    normalised value, its vertical position the other (0 is left and bottom).
    A title at the top, pencil axes along the left and bottom edges, a caption
    under the bottom axis and one written upwards beside the left axis.

    The pad keeps its two values and ids in fields of its own; the inherited
    `value` and `paramId` are unused. Everything but the crosshair's position
    is drawn once per size at device resolution.
*/
class TKXYPad : public EComponent
{
public:
    TKXYPad();
    ~TKXYPad() override;

    /** `valueX` for `paramIdX`, else `valueY` for `paramIdY`, else 0. */
    float getValueForParamId(int id) override;
    /** Stores `v` unclamped in each value whose id matches, then repaints
        whether or not one did. */
    void setValueForParamId(int id, float v) override;

    /** Renders title, captions and axes into `backgroundImage`; sets
        `topMargin` and the pad area. Called by `resized`, which makes the
        image first. */
    void paintBackground();

    void paint(juce::Graphics& g) override;
    void resized() override;

    void mouseDown(const juce::MouseEvent& e) override;
    void mouseDrag(const juce::MouseEvent& e) override;
    void mouseUp(const juce::MouseEvent& e) override;
    void mouseDoubleClick(const juce::MouseEvent& e) override;
    void mouseWheelMove(const juce::MouseEvent& e, const juce::MouseWheelDetails& wheel) override;

    //==============================================================================
    std::unique_ptr<Pencil> pencil;
    /** Title, captions and axes at device resolution; null until the first resize. */
    std::unique_ptr<juce::Image> backgroundImage;
    /** Logical rectangle the crosshair's corner moves in. */
    float padX = 0.0f, padY = 0.0f, padW = 0.0f, padH = 0.0f;
    /** The crosshair's strokes and ring at device resolution; null until the first resize. */
    std::unique_ptr<juce::Image> horizontalLineImage;
    std::unique_ptr<juce::Image> verticalLineImage;
    std::unique_ptr<juce::Image> circleImage;
    /** Side and bottom margin in logical units. */
    float margin = 0.0f;
    /** Logical height above the pad area: the title strip plus 5. */
    float topMargin = 0.0f;
    int paramIdX = -1;
    int paramIdY = -1;
    float valueX = 0.5f;
    float valueY = 0.5f;
    juce::String title = "Title";
    /** Caption under the pad. */
    juce::String xLabel = "X axis";
    /** Caption beside the pad, written upwards. */
    juce::String yLabel = "Y axis";
    /** Component coordinates of the last press or drag event. */
    juce::Point<int> lastMousePosition;

private:
    /** Reports both values, x first, when there is an owner; then repaints. */
    void reportValues();
};
