#pragma once

#include <cstdint>

/** Envelope settings shared by all voices of a channel. Attack, decay and release are times whose
    square root is the segment length in seconds; the square root of sustain is the sustain level.
    TKADSR_Trig raises times below 0.0001 to 0.0001 and writes them back here. */
struct TKADSRParams
{
    float attack;
    float decay;
    float sustain;
    float release;
};

/** Envelope states, as TKADSR_Get_State reports them. */
enum : int32_t
{
    TKADSR_IDLE = 0,
    TKADSR_ATTACK = 1,
    TKADSR_DECAY = 2,
    TKADSR_SUSTAIN = 3,
    TKADSR_RELEASE = 4,
};

/** A linear attack-decay-sustain-release envelope, stepped once per sample. */
struct TKADSR
{
    float sampleRate; // Hz
    int32_t attackSamples;
    double attackIncrement; // level change per attack sample
    int32_t decaySamples;
    double decayIncrement;
    float sustainLevel; // level the decay aims at
    int32_t releaseSamples;
    double releaseIncrement;
    int32_t counter;        // samples into the current segment
    int32_t state;          // TKADSR_IDLE .. TKADSR_RELEASE
    TKADSRParams* settings; // not owned; shared with the other voices
    float level;            // current output
};

/** Idle, level 0; the segments are set up by TKADSR_Trig from the shared settings. */
void TKADSR_Init(TKADSR* env, TKADSRParams* settings, float sampleRate);
/** Starts the attack from level 0, reading (and raising) the shared settings. */
void TKADSR_Trig(TKADSR* env);
/** Falls linearly from the current level to 0 over the release; no effect when idle or releasing. */
void TKADSR_Release(TKADSR* env);

inline int TKADSR_Get_State(const TKADSR* env)
{
    return env->state;
}

/** Advances one sample and returns the level. Inline: it runs once per voice per sample. */
inline float TKADSR_Step(TKADSR* env)
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

/** Fraction of the attack done, 0..1. */
inline float TKADSR_Get_Attack_Progress(const TKADSR* env)
{
    if (env->attackSamples < 1)
        return 0.0f;
    return static_cast<float>(env->counter) / static_cast<float>(env->attackSamples);
}

/** Fraction of the release done, 0..1; 0 again once the release has ended. */
inline float TKADSR_Get_Release_Progress(const TKADSR* env)
{
    if (env->releaseSamples < 1)
        return 0.0f;
    return static_cast<float>(env->counter) / static_cast<float>(env->releaseSamples);
}
