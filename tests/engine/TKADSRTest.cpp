// The envelope where the reference renders do not take it: settings out of the usual range, rates
// below 100 Hz, notes held for hours, and release calls on idle or releasing envelopes.

#include "dsp/TKADSR.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{

struct Envelope
{
    Envelope(TKADSRParams s, float sampleRate, bool trig = true) : settings(s)
    {
        TKADSR_Init(&env, &settings, sampleRate);
        if (trig)
            TKADSR_Trig(&env);
    }

    // Steps until the state differs from the given one; returns the steps taken, -1 past limit.
    int stepWhile(int state, int limit = 100000)
    {
        for (int n = 1; n <= limit; ++n)
            if (TKADSR_Step(&env), TKADSR_Get_State(&env) != state)
                return n;
        return -1;
    }
    int state() const { return TKADSR_Get_State(&env); }

    TKADSRParams settings;
    TKADSR env;
};

} // namespace

TEST(TKADSR, OutOfRangeSettingsGiveDefinedLevelsAndEnd)
{
    // Times too long to count in samples saturate.
    Envelope longest({1e30f, 1e30f, 0.5f, 1e30f}, 44100.0f);
    EXPECT_EQ(INT32_MAX, longest.env.attackSamples);

    // A zero sustain ends the note on the first sustain sample; a negative one (only from
    // out-of-range input) holds nothing rather than NaN.
    for (float sustain : {0.0f, -0.5f})
    {
        Envelope e({0.0001f, 0.0001f, sustain, 0.0001f}, 44100.0f);
        for (int n = 0; n < 2000; ++n)
            ASSERT_FALSE(std::isnan(TKADSR_Step(&e.env))) << sustain;
        EXPECT_EQ(TKADSR_IDLE, e.state()) << sustain;
    }

    // Below 100 Hz the shortest attack has no whole sample; it still ends.
    Envelope slow({0.0001f, 0.0001f, 0.25f, 0.0001f}, 50.0f);
    EXPECT_EQ(1, slow.stepWhile(TKADSR_ATTACK, 10));

    // A note held for longer than the counter can count keeps its level.
    Envelope held({0.0001f, 0.0001f, 0.25f, 0.0001f}, 44100.0f);
    held.stepWhile(TKADSR_ATTACK);
    held.stepWhile(TKADSR_DECAY);
    const float level = held.env.level;
    held.env.counter = INT32_MAX - 1;
    for (int n = 0; n < 4; ++n)
        EXPECT_EQ(level, TKADSR_Step(&held.env));
    EXPECT_EQ(INT32_MAX, held.env.counter);
}

TEST(TKADSR, ReleaseLeavesIdleAndReleasingEnvelopesAlone)
{
    const TKADSRParams s{0.01f, 0.01f, 0.5f, 0.01f}; // 100-sample segments at 1000 Hz
    Envelope idle(s, 1000.0f, false);
    TKADSR_Release(&idle.env);
    EXPECT_EQ(TKADSR_IDLE, idle.state());
    EXPECT_EQ(0.0f, TKADSR_Step(&idle.env));

    // Two envelopes in lockstep; one gets a release call on every sample of its release.
    Envelope once(s, 1000.0f), again(s, 1000.0f);
    once.stepWhile(TKADSR_ATTACK, 30);
    again.stepWhile(TKADSR_ATTACK, 30);
    TKADSR_Release(&once.env);
    for (int n = 0; n < 120; ++n)
    {
        TKADSR_Release(&again.env);
        ASSERT_EQ(TKADSR_Step(&once.env), TKADSR_Step(&again.env)) << n;
    }
    EXPECT_EQ(TKADSR_IDLE, again.state());
}
