#pragma once

#include <cstdint>

/** Length of the shared noise table in samples. */
constexpr int PINKNOISE_LENGTH = 65536;

/** The process-wide low-passed noise table (PINKNOISE_LENGTH floats, roughly -3..3); null while
    nobody holds it. Read without synchronisation by every voice. */
extern float* __PinkNoise_data;
/** Number of holders of the noise table. */
extern int32_t __PinkNoise_retainCount;

/** Takes a reference on the noise table; the first holder builds it from 65536 draws of
    the calling thread's TKRand generator.
    Thread-safe; never call it on the audio thread. */
void PinkNoise_Retain();
/** Drops a reference; the last holder frees the table. Thread-safe; never on the audio thread. */
void PinkNoise_Release();
