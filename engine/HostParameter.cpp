#include "HostParameter.h"

#include <cmath>

HostParameter::HostParameter(const juce::ParameterID& id, const juce::String& parameterName,
                             float defaultValue, const juce::AudioParameterFloatAttributes& attributes)
    : juce::AudioParameterFloat(id, parameterName, rangeRefusingNaN(this), defaultValue, attributes)
{
}

juce::NormalisableRange<float> HostParameter::rangeRefusingNaN(const HostParameter* self)
{
    // Called only once the parameter exists: the range is used after construction.
    auto fromNormalised = [self](float start, float end, float normalised)
    { return std::isnan(normalised) ? self->get() : start + (end - start) * normalised; };
    // The reverse conversion and snapping stay JUCE's own (linear, clamped to the range).
    return juce::NormalisableRange<float>(0.0f, 1.0f, fromNormalised, nullptr);
}
