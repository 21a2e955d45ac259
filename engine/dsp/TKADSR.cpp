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

float TKADSR_Step(TKADSR* env)
{
    // The counter stops short of overflowing while a note is held for hours.
    int32_t n = env->counter < INT32_MAX ? env->counter + 1 : INT32_MAX;
    switch (env->state)
    {
    case TKADSR_ATTACK:
        if (n != env->attackSamples)
        {
            env->counter = n;
            env->level = static_cast<float>(env->level + env->attackIncrement);
            return env->level;
        }
        env->state = TKADSR_DECAY;
        n = 1;
        [[fallthrough]];
    case TKADSR_DECAY:
        if (n < env->decaySamples)
        {
            env->counter = n;
            env->level = static_cast<float>(env->level + env->decayIncrement);
            return env->level;
        }
        env->state = TKADSR_SUSTAIN;
        n = 1;
        [[fallthrough]];
    case TKADSR_SUSTAIN:
        env->counter = n;
        if (env->sustainLevel > 0.0f)
            return env->level;
        env->counter = 0;
        env->state = TKADSR_IDLE;
        return 0.0f;
    case TKADSR_RELEASE:
        env->counter = n;
        if (n >= env->releaseSamples)
        {
            env->level = 0.0f;
            env->counter = 0;
            env->state = TKADSR_IDLE;
            return 0.0f;
        }
        env->level = static_cast<float>(env->level + env->releaseIncrement);
        return env->level;
    default:
        env->counter = n;
        return env->level;
    }
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

float TKADSR_Get_Attack_Progress(const TKADSR* env)
{
    if (env->attackSamples < 1)
        return 0.0f;
    return static_cast<float>(env->counter) / static_cast<float>(env->attackSamples);
}

float TKADSR_Get_Release_Progress(const TKADSR* env)
{
    if (env->releaseSamples < 1)
        return 0.0f;
    return static_cast<float>(env->counter) / static_cast<float>(env->releaseSamples);
}
