#pragma once

#include <cstdint>

#include "formant/FormantTables.h"

/** The five peaking-equaliser sections in series of up to MaxLanes formant voices, one lane per voice.
    Each coefficient and history value is stored lane by lane, so that one vector operation runs a
    section for several voices at once (two lanes with SSE2, four with AVX). Every lane's arithmetic
    is the very IEEE double operation a lone voice's scalar code would do: the lanes never mix.

    A lane that no voice renders is kept silent (zero input, history and coefficients, a0 1), so
    running it with its neighbours costs time but gives no overflow, NaN or denormal. */
class FormantFilterBank
{
public:
    /** A multiple of four: the groups of lanes run together. */
    static constexpr int MaxLanes = 24;

    /** One section's direct-form I coefficients and history for every lane; a1 always equals b1 and
        is not stored. */
    struct Section
    {
        alignas(32) double b0[MaxLanes];
        alignas(32) double b1[MaxLanes];
        alignas(32) double b2[MaxLanes];
        alignas(32) double a0[MaxLanes];
        alignas(32) double a2[MaxLanes];
        alignas(32) double x1[MaxLanes];
        alignas(32) double x2[MaxLanes];
        alignas(32) double y1[MaxLanes];
        alignas(32) double y2[MaxLanes];
    };

    /** Which vector width run() uses. */
    enum class Path
    {
        Sse2, // two lanes per operation, on every x86-64 processor
        Avx,  // four lanes per operation, where the processor has AVX
    };

    /** Every lane silent. */
    FormantFilterBank();

    /** Makes the lane silent: coefficients, history and value cleared. */
    void silenceLane(int lane);

    /** Makes the coefficients b0, b2, a0 and a2 of the lane's five sections: peaking equalisers
        at the centre frequencies freq (Hz, unclamped) with the gain roots gainRoot and the sines
        sinW0 of the clamped centre frequencies in radians per sample, for pitch F (Hz) and
        "Formant Q" Q0. The sections are computed side by side in vectors. b1 is set directly. */
    void makeCoefficients(int lane, double F, double Q0, const double* freq, const double* gainRoot,
                          const double* sinW0);

    /** Runs this sample through the five sections of every lane whose bit is set in laneMask, each
        section's output being the next one's input: value[lane] goes in and the fifth section's
        output comes back in it. Lanes sharing a vector with a set lane are run too. */
    void run(uint32_t laneMask);

    /** The path run() takes: AVX where the processor has it, unless forced otherwise. */
    static Path getPath();
    /** Forces a path for tests comparing them; AVX falls back to SSE2 without processor support. */
    static void forcePath(Path path);
    static bool avxAvailable();

    Section sections[NumFormants];
    /** The filters' input, then their output, per lane. */
    alignas(32) double value[MaxLanes];
};
