#pragma once

/** The sample rates, in Hz, that the processor, its reverb and the engine accept; a rate outside
    them (or not a number) is refused and the last good one kept. Below about 196 Hz the reverb's
    shortest delay line would have no samples and from about 1.31 MHz its sizes overflow; a rate
    that narrows to a float 0 turns every ramp and envelope into NaN. The range covers every rate a
    host offers, from telephone 8 kHz to 16 times 48 kHz. */
constexpr double MinSampleRate = 8000.0;
constexpr double MaxSampleRate = 768000.0;

inline bool isSupportedSampleRate(double hz)
{
    return hz >= MinSampleRate && hz <= MaxSampleRate;
}
