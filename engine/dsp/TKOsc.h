#pragma once

#include <cstdint>

/** Shared wave tables: five tables of TKOSC_TABLE_SIZE floats, indexed by waveform. */
constexpr int TKOSC_TABLE_SIZE = 4096;
constexpr int TKOSC_TABLE_MASK = TKOSC_TABLE_SIZE - 1;
constexpr int TKOSC_NUM_WAVEFORMS = 5;

enum : int
{
    TKOSC_SQUARE = 0,
    TKOSC_SAW = 1,
    TKOSC_TRIANGLE = 2,
    TKOSC_SINE = 3,
    TKOSC_NOISE = 4,
};

/** The process-wide tables; null while nobody holds them. Written only by TKOSC_Prepare_Buffers
    and TKOSC_Dispose_Buffers, read without synchronisation by every oscillator. */
extern float* __TKOsc_buffers[TKOSC_NUM_WAVEFORMS];
/** Number of holders of the tables. */
extern int32_t __TKOsc_retainCount;

/** Takes a reference on the wave tables; the first holder builds them (the noise table draws
    4096 values from the calling thread's TKRand generator). Thread-safe; never call it on the
    audio thread. */
void TKOSC_Prepare_Buffers();
/** Drops a reference; the last holder frees the tables. Thread-safe; never on the audio thread. */
void TKOSC_Dispose_Buffers();

/** A non-interpolating table oscillator over the shared tables. */
struct TKOsc
{
    float sampleRate; // Hz
    double increment; // table positions per sample per Hz: 4096 / sampleRate
    int32_t waveform; // as passed to TKOsc_Init; TKOsc_Step takes its own
    int32_t size;     // TKOSC_TABLE_SIZE
    int32_t mask;     // TKOSC_TABLE_MASK
    double phase;     // table position
};

/** Restarts the oscillator at phase 0. */
void TKOsc_Init(TKOsc* osc, int waveform, float sampleRate);

/** Keeps the phase inside the 32-bit index range: from 2^31 on it is folded back into
    [2^30, 2^31) by whole multiples of the table size, which keeps the table position and the
    rounding of the following steps as they were in that range. */
double TKOsc_Fold_Phase(double phase);

/** Advances by frequency (Hz) and returns the table entry at the new phase. The tables must be
    held (TKOSC_Prepare_Buffers) and waveform must be 0..4. */
inline float TKOsc_Step(TKOsc* osc, int waveform, double frequency)
{
    double phase = frequency * osc->increment + osc->phase;
    if (!(phase < 2147483648.0 && phase > -2147483648.0))
        phase = TKOsc_Fold_Phase(phase);
    osc->phase = phase;
    return __TKOsc_buffers[waveform][static_cast<int32_t>(phase) & osc->mask];
}
