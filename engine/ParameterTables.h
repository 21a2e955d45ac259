#pragma once

#include <cstdint>

#include "dsp/TKParameters.h"

/** The instrument's parameters, indexed by parameter id 0..16. */
constexpr int NumParameters = 17;

/** Host-visible names; also the host parameter ids. */
extern const char* const ParameterNames[NumParameters];
/** Lower and upper ends of each real range. */
extern const float ParameterMinValues[NumParameters];
extern const float ParameterMaxValues[NumParameters];
/** Defaults as normalised values, 0..1. */
extern const float ParameterDefaultValues[NumParameters];
/** Value type of each real value: TKP_TYPE_FLOAT or TKP_TYPE_INT. */
extern const int32_t ParameterTypeMap[NumParameters];
/** MIDI controller driving each parameter, -1 for none. */
extern const int32_t ParameterMIDIMapping[NumParameters];

/** How a channel describes one parameter to its parameter set. */
struct ParameterInitValues
{
    const char* name; // not owned; always "" (the set never needs the names)
    uint32_t type;
    float defaultValue; // normalised
    TKParameterData minValue;
    TKParameterData maxValue;
};

/** The record for parameter id (0..NumParameters - 1) from the tables above; integer-typed
    parameters get their range truncated to integers. */
ParameterInitValues ParameterInitValuesFor(int id);

namespace SynthBase
{
/** Frequency in Hz of each MIDI note number: 440 * 2^((n - 69) / 12), to 10 decimals. */
extern const double MIDIFrequecyMap[128];
} // namespace SynthBase
