#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/**
    The arithmetic the dragged widgets (fader, XY pad, envelope editor) share
    in their mouse handling: how far a drag moved, how much a wheel step is
    worth, and how a changed value is held to 0..1.
*/
class TKGesture
{
public:
    /** Raises `v` to 0, then lowers it to 1. A NaN becomes 0, so nothing but a
        number in 0..1 is ever reported to the owner. */
    static float clampToUnit(float v);

    /** The movement from `last` to the event's position in whole pixels, a
        tenth as far while Alt (Option) is held; `last` becomes the event's
        position. */
    static juce::Point<float> takeMovement(const juce::MouseEvent& e, juce::Point<int>& last);

    /** Value change per unit of wheel movement: 0.2, or 0.02 while Alt is held. */
    static double wheelFactor(const juce::MouseEvent& e);
};
