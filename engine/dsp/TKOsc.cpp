#include "dsp/TKOsc.h"

#include <cmath>
#include <mutex>

#include "dsp/TKRand.h"

float* __TKOsc_buffers[TKOSC_NUM_WAVEFORMS] = {};
int32_t __TKOsc_retainCount = 0;

namespace
{
// Guards the count together with building and freeing: hosts create and destroy instances
// from several threads at once.
std::mutex buffersMutex;

void fillTables(float* const* t)
{
    TKRand* const random = TKRand_This_Thread();
    for (int i = 0; i < TKOSC_TABLE_SIZE; ++i)
    {
        const double x = static_cast<float>(i) * 0.000244140625f; // i / 4096

        t[TKOSC_SINE][i] = std::sin(static_cast<float>(2.0 * (x * 3.141592653589793)));
        t[TKOSC_SQUARE][i] = t[TKOSC_SINE][i] > 0.0f ? 1.0f : -1.0f;
        t[TKOSC_SAW][i] = static_cast<float>(2.0 * x - 1.0);

        // Rises 0 to 1, falls to 0 and on to -1, rises back to 0, one quarter each.
        const double q = std::fmod(x, 0.25) * 4.0;
        double tri;
        if (x >= 0.75)
            tri = q - 1.0;
        else if (x >= 0.5)
            tri = -q;
        else if (x >= 0.25)
            tri = 1.0 - q;
        else
            tri = q;
        t[TKOSC_TRIANGLE][i] = static_cast<float>(tri);

        t[TKOSC_NOISE][i] =
            static_cast<float>(static_cast<double>(TKRand_Next(random) % 32767) / 32767.0 * 2.0 - 1.0);
    }
}
} // namespace

void TKOSC_Prepare_Buffers()
{
    std::lock_guard<std::mutex> lock(buffersMutex);
    if (__TKOsc_retainCount++ >= 1)
        return;
    for (float*& table : __TKOsc_buffers)
        table = new float[TKOSC_TABLE_SIZE];
    fillTables(__TKOsc_buffers);
}

void TKOSC_Dispose_Buffers()
{
    std::lock_guard<std::mutex> lock(buffersMutex);
    // A drop without a matching take must not push the count below zero, or the next take
    // would rebuild the tables under a holder that is still reading them.
    if (__TKOsc_retainCount <= 0)
        return;
    if (--__TKOsc_retainCount > 0)
        return;
    for (float*& table : __TKOsc_buffers)
    {
        delete[] table;
        table = nullptr;
    }
}

void TKOsc_Init(TKOsc* osc, int waveform, float sampleRate)
{
    osc->sampleRate = sampleRate;
    osc->waveform = waveform;
    osc->size = TKOSC_TABLE_SIZE;
    osc->mask = TKOSC_TABLE_MASK;
    osc->increment = (1.0f / sampleRate) * 4096.0f;
    osc->phase = 0.0;
}

double TKOsc_Fold_Phase(double phase)
{
    constexpr double span = 1073741824.0; // 2^30, a whole number of tables
    if (!std::isfinite(phase))
        return 0.0;
    // fmod is exact, and adding the span back stays exact for phases below 2^32.
    const double r = std::fmod(phase, span);
    return r >= 0.0 ? r + span : r - span;
}
