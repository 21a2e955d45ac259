#pragma once

class EComponent;

/**
    What a value widget reports to its owner, and what it asks of it. Every
    value is normalised, 0 to 1. Each operation does nothing (or answers 0)
    unless the owner overrides it, so an owner overrides only what it uses.
*/
class TKUICallback
{
public:
    virtual ~TKUICallback() {}

    /** The widget's value for `paramId` is now `value` (already clamped to 0..1). */
    virtual void valueChanged(EComponent* sender, int paramId, float value)
    {
        (void) sender; (void) paramId; (void) value;
    }

    /** The parameter's normalised default, for a double-click reset. */
    virtual float defaultValueForParamId(int paramId) { (void) paramId; return 0.0f; }

    /** The parameter's current normalised value, for binding a widget. */
    virtual float currentValueForParamId(int paramId) { (void) paramId; return 0.0f; }

    /** A user gesture on `paramId` begins. */
    virtual void ui_beginGesture(EComponent* sender, int paramId) { (void) sender; (void) paramId; }

    /** The gesture on `paramId` ends. */
    virtual void ui_endGesture(EComponent* sender, int paramId) { (void) sender; (void) paramId; }
};
