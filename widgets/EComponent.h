#pragma once

#include "TKUICallback.h"

#include <juce_gui_basics/juce_gui_basics.h>

/**
    Base of the value widgets: a component with an owner to report to, one
    normalised value and the id of the parameter it is bound to. Values set
    from outside are stored as given; only a widget's own mouse handling
    clamps. Widgets with several values (the XY pad, the envelope editor) keep
    them in fields of their own and override the per-id operations.
*/
class EComponent : public juce::Component
{
public:
    /** The owner to report to; not owned, may be null. */
    virtual void setCallback(TKUICallback* c);

    /** Stores `v` and repaints. */
    virtual void setValue(float v);

    /** Stores `v` unchanged (no clamping); repaints only when `repaint` is true. */
    virtual void setValue(float v, bool repaint);

    virtual float getValue();

    virtual void setParamId(int id);

    /** The value bound to `id`; here the single value, whatever the id. */
    virtual float getValueForParamId(int id);

    /** Stores the value bound to `id` and repaints; here the single value. */
    virtual void setValueForParamId(int id, float v);

    //==============================================================================
    TKUICallback* callback = nullptr;
    /** Normalised, 0 to 1 when set by the widget itself. */
    float value = 0.0f;
    /** -1 while unbound. */
    int paramId = -1;
};
