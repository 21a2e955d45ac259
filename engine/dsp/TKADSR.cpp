#include "dsp/TKADSR.h"

#include <cmath>

#include "dsp/TKTruncate.h"

namespace
{
// Shortest segment time setting: sqrt(0.0001) s = 10 ms.
constexpr float kMinTime = 0.0001f;

int32_t segmentSamples(float time, float sampleRate)
{
    return TK_Truncate_Int32(std::sqrt(time) * sampleRate);
}
} // namespace

void TKADSR_Init(TKADSR* env, TKADSRParams* settings, float sampleRate)
{
    *env = TKADSR{};
    env->settings = settings;
    env->sampleRate = sampleRate;
    env->state = TKADSR_IDLE;
    env->level = 0.0f;
    env->counter = 0;
    env->releaseIncrement = 0.0;
}

void TKADSR_Trig(TKADSR* env)
{
    TKADSRParams* s = env->settings;

    if (s->attack < kMinTime)
        s->attack = kMinTime;
    env->attackSamples = segmentSamples(s->attack, env->sampleRate);
    // The attack ends when its counter reaches attackSamples, so it needs at least one sample
    // (fewer only happens below 100 Hz).
    if (env->attackSamples < 1)
        env->attackSamples = 1;
    env->attackIncrement = 1.0 / env->attackSamples;

    if (s->decay < kMinTime)
        s->decay = kMinTime;
    env->decaySamples = segmentSamples(s->decay, env->sampleRate);

    // A negative or NaN sustain would give a NaN level; it holds nothing instead.
    env->sustainLevel = s->sustain > 0.0f ? std::sqrt(s->sustain) : 0.0f;
    if (env->decaySamples > 0)
        env->decayIncrement = static_cast<double>(1.0f - env->sustainLevel) * (-1.0 / env->decaySamples);
    else
        env->decayIncrement = -env->sustainLevel;

    if (static_cast<double>(s->release) < 0.0001)
        s->release = kMinTime;
    env->releaseSamples = segmentSamples(s->release, env->sampleRate);

    env->level = 0.0f;
    env->counter = 0;
    env->state = TKADSR_ATTACK;
}

void TKADSR_Release(TKADSR* env)
{
    if (env->state == TKADSR_IDLE || env->state == TKADSR_RELEASE)
        return;
    env->state = TKADSR_RELEASE;
    if (env->releaseSamples < 1)
        env->releaseIncrement = -env->level;
    else
        env->releaseIncrement = -(env->level * (1.0f / static_cast<float>(env->releaseSamples)));
    env->counter = 0;
}
