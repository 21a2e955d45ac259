#pragma once

#include "ParameterTables.h"

/** Number of compiled-in factory presets, all in the one category "FACTORY". */
constexpr int NumFactoryPresets = 14;

/** Display names, in the order the browser lists them. */
extern const char* const FactoryPresetNames[NumFactoryPresets];

/** One row per preset: the normalised value (0..1) of every parameter, in
    parameter-id order. "INIT" holds the parameter defaults. Every preset sets
    all parameters, "Pitchbend" included (always centred). */
extern const float FactoryPresetData[NumFactoryPresets][NumParameters];
