#include "dsp/TKADSR.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{

struct Envelope
{
    Envelope(TKADSRParams s, float sampleRate) : settings(s) { TKADSR_Init(&env, &settings, sampleRate); }

    // Steps until the state differs from the given one; returns the steps taken, -1 past limit.
    int stepWhile(int state, int limit = 1000000)
    {
        for (int n = 1; n <= limit; ++n)
        {
            TKADSR_Step(&env);
            if (TKADSR_Get_State(&env) != state)
                return n;
        }
        return -1;
    }

    TKADSRParams settings;
    TKADSR env;
};

} // namespace

//==============================================================================
TEST(TKADSR, ShortTimesAreRaisedAndWrittenBack)
{
    Envelope e({0.0f, 0.0f, 0.5f, 0.0f}, 44100.0f);
    EXPECT_EQ(TKADSR_IDLE, TKADSR_Get_State(&e.env));
    TKADSR_Trig(&e.env);
    EXPECT_EQ(0.0001f, e.settings.attack);
    EXPECT_EQ(0.0001f, e.settings.decay);
    EXPECT_EQ(0.0001f, e.settings.release);
    EXPECT_EQ(0.5f, e.settings.sustain) << "sustain is never written back";
    EXPECT_EQ(441, e.env.attackSamples); // 10 ms
    EXPECT_EQ(441, e.env.decaySamples);
    EXPECT_EQ(441, e.env.releaseSamples);

    EXPECT_EQ(TKADSR_ATTACK, TKADSR_Get_State(&e.env));
    EXPECT_EQ(static_cast<float>(1.0 / 441), TKADSR_Step(&e.env));
    EXPECT_EQ(1.0f / 441.0f, TKADSR_Get_Attack_Progress(&e.env));
}

TEST(TKADSR, SegmentLengthIsTheSquareRootOfTheSetting)
{
    Envelope e({0.09f, 2.0f, 1.0f, 5.0f}, 44100.0f);
    TKADSR_Trig(&e.env);
    EXPECT_EQ(13230, e.env.attackSamples);  // 0.3 s
    EXPECT_EQ(62366, e.env.decaySamples);   // 1.414 s
    EXPECT_EQ(98610, e.env.releaseSamples); // 2.236 s
}

TEST(TKADSR, AttackPeaksJustBelowOneThenDecaysToTheSustainLevel)
{
    Envelope e({0.0001f, 0.0004f, 0.125f, 0.01f}, 44100.0f); // 441 and 882 samples
    TKADSR_Trig(&e.env);
    EXPECT_NEAR(0.35355339f, e.env.sustainLevel, 1e-7f);

    float level = 0.0f;
    for (int n = 1; n < 441; ++n)
    {
        const float next = TKADSR_Step(&e.env);
        ASSERT_GT(next, level);
        level = next;
    }
    EXPECT_NEAR(440.0 / 441.0, level, 1e-5);
    EXPECT_EQ(TKADSR_ATTACK, TKADSR_Get_State(&e.env));

    // The sample that ends the attack already takes the first decay step.
    const float firstDecay = TKADSR_Step(&e.env);
    EXPECT_EQ(TKADSR_DECAY, TKADSR_Get_State(&e.env));
    EXPECT_LT(firstDecay, level);

    EXPECT_EQ(881, e.stepWhile(TKADSR_DECAY));
    EXPECT_EQ(TKADSR_SUSTAIN, TKADSR_Get_State(&e.env));
    const float held = e.env.level;
    const double expected = e.env.sustainLevel + (1.0 - e.env.sustainLevel) / 882.0 - 1.0 / 441.0;
    EXPECT_NEAR(expected, held, 5e-5) << "float rounding over 1300 steps";
    for (int n = 0; n < 1000; ++n)
        ASSERT_EQ(held, TKADSR_Step(&e.env));
}

TEST(TKADSR, ZeroSustainGoesIdleOnTheFirstSustainSample)
{
    Envelope e({0.0001f, 0.0001f, 0.0f, 0.0001f}, 44100.0f);
    TKADSR_Trig(&e.env);
    e.stepWhile(TKADSR_ATTACK);
    for (int n = 2; n < 441; ++n)
        TKADSR_Step(&e.env);
    ASSERT_EQ(TKADSR_DECAY, TKADSR_Get_State(&e.env));
    const float lastDecay = e.env.level;
    EXPECT_NEAR(0.0f, lastDecay, 1e-5f) << "the decay ends at the sustain level";

    EXPECT_EQ(0.0f, TKADSR_Step(&e.env));
    EXPECT_EQ(TKADSR_IDLE, TKADSR_Get_State(&e.env));
    EXPECT_EQ(0, e.env.counter);
    EXPECT_EQ(lastDecay, e.env.level) << "the level field keeps where the decay left it";
}

TEST(TKADSR, ReleaseFallsLinearlyToExactlyZero)
{
    // 1000 Hz: attack 0.01 -> 100 samples, release 0.01 -> 100 samples.
    Envelope e({0.01f, 0.01f, 0.5f, 0.01f}, 1000.0f);
    TKADSR_Trig(&e.env);
    ASSERT_EQ(100, e.env.releaseSamples);
    for (int n = 0; n < 50; ++n)
        TKADSR_Step(&e.env);
    ASSERT_NEAR(0.5f, e.env.level, 1e-6f);

    TKADSR_Release(&e.env);
    EXPECT_EQ(TKADSR_RELEASE, TKADSR_Get_State(&e.env));
    EXPECT_EQ(0.0f, TKADSR_Get_Release_Progress(&e.env));
    float level = e.env.level;
    for (int n = 1; n < 100; ++n)
    {
        const float next = TKADSR_Step(&e.env);
        ASSERT_NEAR(-0.005f, next - level, 1e-6f) << "step " << n;
        EXPECT_EQ(n / 100.0f, TKADSR_Get_Release_Progress(&e.env));
        level = next;
    }
    EXPECT_NEAR(0.005f, level, 1e-5f);
    EXPECT_EQ(0.0f, TKADSR_Step(&e.env));
    EXPECT_EQ(TKADSR_IDLE, TKADSR_Get_State(&e.env));
    EXPECT_EQ(0.0f, e.env.level);
    EXPECT_EQ(0.0f, TKADSR_Get_Release_Progress(&e.env)) << "the counter resets when the release ends";
}

TEST(TKADSR, ReleaseOnIdleOrReleasingEnvelopeChangesNothing)
{
    Envelope e({0.01f, 0.01f, 0.5f, 0.01f}, 1000.0f);
    TKADSR_Release(&e.env);
    EXPECT_EQ(TKADSR_IDLE, TKADSR_Get_State(&e.env));
    EXPECT_EQ(0.0f, TKADSR_Step(&e.env));

    // Two envelopes in lockstep; one gets extra release calls during its release.
    Envelope f({0.01f, 0.01f, 0.5f, 0.01f}, 1000.0f);
    TKADSR_Trig(&e.env);
    TKADSR_Trig(&f.env);
    for (int n = 0; n < 30; ++n)
        ASSERT_EQ(TKADSR_Step(&e.env), TKADSR_Step(&f.env));
    TKADSR_Release(&e.env);
    TKADSR_Release(&f.env);
    for (int n = 0; n < 120; ++n)
    {
        TKADSR_Release(&f.env);
        ASSERT_EQ(TKADSR_Step(&e.env), TKADSR_Step(&f.env)) << n;
        ASSERT_EQ(TKADSR_Get_State(&e.env), TKADSR_Get_State(&f.env));
    }
    EXPECT_EQ(TKADSR_IDLE, TKADSR_Get_State(&f.env));
}

TEST(TKADSR, TrigRestartsFromAnyState)
{
    Envelope e({0.01f, 0.01f, 0.5f, 0.01f}, 1000.0f);
    TKADSR_Trig(&e.env);
    for (int n = 0; n < 150; ++n)
        TKADSR_Step(&e.env);
    ASSERT_EQ(TKADSR_DECAY, TKADSR_Get_State(&e.env));
    TKADSR_Trig(&e.env);
    EXPECT_EQ(TKADSR_ATTACK, TKADSR_Get_State(&e.env));
    EXPECT_EQ(0.0f, e.env.level);
    EXPECT_EQ(static_cast<float>(1.0 / 100), TKADSR_Step(&e.env));
    EXPECT_EQ(0.01f, TKADSR_Get_Attack_Progress(&e.env));

    // Released mid-attack, it falls from the attack level.
    TKADSR_Release(&e.env);
    EXPECT_EQ(TKADSR_RELEASE, TKADSR_Get_State(&e.env));
    EXPECT_LT(TKADSR_Step(&e.env), 0.01f);
}

//==============================================================================
TEST(TKADSR, BadSettingsGiveDefinedLevels)
{
    // A negative sustain (only from out-of-range input) holds nothing rather than NaN.
    Envelope e({0.0001f, 0.0001f, -0.5f, 0.0001f}, 44100.0f);
    TKADSR_Trig(&e.env);
    for (int n = 0; n < 2000; ++n)
        ASSERT_FALSE(std::isnan(TKADSR_Step(&e.env)));
    EXPECT_EQ(TKADSR_IDLE, TKADSR_Get_State(&e.env));

    // Below 100 Hz the shortest attack has no whole sample; it still ends.
    Envelope slow({0.0001f, 0.0001f, 0.25f, 0.0001f}, 50.0f);
    TKADSR_Trig(&slow.env);
    EXPECT_EQ(1, slow.stepWhile(TKADSR_ATTACK, 10));
    EXPECT_EQ(TKADSR_SUSTAIN, TKADSR_Get_State(&slow.env));
    EXPECT_FALSE(std::isnan(TKADSR_Get_Attack_Progress(&slow.env)));
    TKADSR_Release(&slow.env);
    EXPECT_EQ(0.0f, TKADSR_Step(&slow.env));
    EXPECT_EQ(TKADSR_IDLE, TKADSR_Get_State(&slow.env));
    EXPECT_EQ(0.0f, TKADSR_Get_Release_Progress(&slow.env));

    // An envelope held in sustain for longer than the counter can count keeps its level.
    Envelope held({0.0001f, 0.0001f, 0.25f, 0.0001f}, 44100.0f);
    TKADSR_Trig(&held.env);
    held.stepWhile(TKADSR_ATTACK);
    held.stepWhile(TKADSR_DECAY);
    const float level = held.env.level;
    held.env.counter = INT32_MAX - 1;
    for (int n = 0; n < 4; ++n)
        EXPECT_EQ(level, TKADSR_Step(&held.env));
    EXPECT_EQ(INT32_MAX, held.env.counter);
}
