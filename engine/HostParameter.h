#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

//==============================================================================
/** One of the plug-in's host parameters: a continuous 0..1 value, as the host and the
    editor see it. A host (or a wrapper's automation path) may set it to NaN, which
    JUCE's parameter would store as given and hand to the block push, the reverb, the
    state chunk and the editor; this one keeps its previous value instead. Infinities
    and other values outside 0..1 are clamped, as JUCE clamps them. */
class HostParameter : public juce::AudioParameterFloat
{
public:
    /** defaultValue is normalised (0..1); the attributes are JUCE's (text conversions and the like). */
    HostParameter(const juce::ParameterID& id, const juce::String& parameterName, float defaultValue,
                  const juce::AudioParameterFloatAttributes& attributes = {});

private:
    /** The linear 0..1 range with no step (a step would round every automated,
        controller and preset value to it), whose conversion from a normalised NaN
        yields the parameter's current value. The conversion is the only path by which
        a set value reaches the stored one. */
    static juce::NormalisableRange<float> rangeRefusingNaN(const HostParameter* self);

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(HostParameter)
};
