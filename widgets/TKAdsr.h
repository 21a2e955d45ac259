#pragma once

#include "EComponent.h"
#include "Pencil.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <array>
#include <memory>

/**
    Edits an attack-decay-sustain-release envelope drawn as a pencil outline
    with three ring handles (attack on the baseline under the peak, decay and
    release in a row above the outline) and a draggable sustain segment.

    Four normalised values bound to four parameters, kept in `values` and
    `paramIds` in the order attack, decay, sustain, release; the inherited
    `value` and `paramId` are unused. The outline always spans the full inner
    width: attack, decay and release take room in proportion to their values
    and sustain gets the rest. A gesture concerns the one handle taken at the
    press.
*/
class TKAdsr : public EComponent
{
public:
    /** Handle numbers: handle k belongs to entry k - 1 of `paramIds` and `values`. */
    enum Handle
    {
        noHandle = 0,
        attackHandle,
        decayHandle,
        sustainHandle,
        releaseHandle
    };

    TKAdsr();
    ~TKAdsr() override;

    /** The value of the first entry (attack, decay, sustain, release) whose id
        is `id`; 0 when none is. */
    float getValueForParamId(int id) override;
    /** Stores `v` unclamped in every entry whose id is `id`, then repaints
        whether or not one was. */
    void setValueForParamId(int id, float v) override;

    /** The handle at `p` (component coordinates), judged on the positions of
        the latest paint: the rings first (attack, decay, release, each within
        its radius + 8), then the sustain column; noHandle when none. */
    int hitTest(juce::Point<int> p);
    using juce::Component::hitTest;

    void paint(juce::Graphics& g) override;
    void resized() override;

    void mouseDown(const juce::MouseEvent& e) override;
    void mouseDrag(const juce::MouseEvent& e) override;
    void mouseUp(const juce::MouseEvent& e) override;
    void mouseDoubleClick(const juce::MouseEvent& e) override;
    void mouseWheelMove(const juce::MouseEvent& e, const juce::MouseWheelDetails& wheel) override;

    //==============================================================================
    std::unique_ptr<Pencil> pencil;
    /** Vertical guide stroke under a handle, at device resolution; null until the first resize. */
    std::unique_ptr<juce::Image> guideLineImage;
    /** Pencil ring drawn for each handle, at device resolution; null until the first resize. */
    std::unique_ptr<juce::Image> handleImage;
    /** Logical units, 5 to 20. */
    float handleRadius = 0.0f;
    /** Centre height of the decay and release handles. */
    float handleRowY = 0.0f;
    /** Height of the guide-line image: from the handle row to the inner area's bottom. */
    float guideLength = 0.0f;
    /** Widths of the attack, decay and release segments at value 1; together
        they leave at least a tenth of the inner width to sustain. */
    float attackSpan = 0.0f;
    float decaySpan = 0.0f;
    float releaseSpan = 0.0f;
    /** The outline's corner abscissas and ordinates, set by each paint. */
    float startX = 0.0f, peakX = 0.0f, decayEndX = 0.0f, releaseStartX = 0.0f, endX = 0.0f;
    float bottom = 0.0f, top = 0.0f, sustainY = 0.0f;
    /** Logical rectangle the outline is drawn in. */
    float innerX = 0.0f, innerY = 0.0f, innerW = 0.0f, innerH = 0.0f;
    /** Attack, decay, sustain, release. */
    std::array<int, 4> paramIds{{-1, -1, -1, -1}};
    std::array<float, 4> values{{0.0f, 0.0f, 0.0f, 0.0f}};
    /** The handle taken at the last press, until the release. */
    int takenHandle = noHandle;
    /** Component coordinates of the last press or drag event. */
    juce::Point<int> lastMousePosition;

private:
    /** Reports `values[handle - 1]` when there is an owner, then repaints. */
    void report(int handle);
};
