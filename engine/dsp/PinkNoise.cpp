#include "dsp/PinkNoise.h"

#include <mutex>

#include "dsp/TKRand.h"

float* __PinkNoise_data = nullptr;
int32_t __PinkNoise_retainCount = 0;

namespace
{
// Guards the count together with building and freeing, as for the wave tables.
std::mutex noiseMutex;

void fillNoise(float* data)
{
    // A one-pole low-pass over white noise, its corner near 600 Hz at 44100 Hz; the two
    // coefficients add up to 1.
    TKRand* const random = TKRand_This_Thread();
    double v = 0.0;
    for (int i = 0; i < PINKNOISE_LENGTH; ++i)
    {
        const float w = static_cast<float>(TKRand_Next(random) % 100000) / 50000.0f - 1.0f;
        v = v * 0.9180664433243436 + w * 0.08193355667565638;
        data[i] = static_cast<float>(v) * 3.0f;
    }
}
} // namespace

void PinkNoise_Retain()
{
    std::lock_guard<std::mutex> lock(noiseMutex);
    if (__PinkNoise_retainCount++ > 0)
        return;
    __PinkNoise_data = new float[PINKNOISE_LENGTH];
    fillNoise(__PinkNoise_data);
}

void PinkNoise_Release()
{
    std::lock_guard<std::mutex> lock(noiseMutex);
    // An unmatched drop leaves the count at zero (see TKOSC_Dispose_Buffers).
    if (__PinkNoise_retainCount <= 0)
        return;
    if (--__PinkNoise_retainCount > 0)
        return;
    delete[] __PinkNoise_data;
    __PinkNoise_data = nullptr;
}
