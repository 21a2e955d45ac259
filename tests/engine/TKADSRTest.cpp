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
    int stepWhile(int state, int limit = 1000000)
    {
        for (int n = 1; n <= limit; ++n)
            if (TKADSR_Step(&env), TKADSR_Get_State(&env) != state)
                return n;
        return -1;
    }
    void step(int n)
    {
        while (n-- > 0)
            TKADSR_Step(&env);
    }
    int state() const { return TKADSR_Get_State(&env); }

    TKADSRParams settings;
    TKADSR env;
};

} // namespace

//==============================================================================
TEST(TKADSR, SegmentLengthIsTheSquareRootOfTheSettingAndShortTimesAreWrittenBack)
{
    const struct
    {
        TKADSRParams in;
        float written; // attack, decay and release after the trigger
        int32_t attack, decay, release;
    } cases[] = {
        {{0.0f, 0.0f, 0.5f, 0.0f}, 0.0001f, 441, 441, 441}, // raised to 10 ms
        {{0.09f, 2.0f, 1.0f, 5.0f}, -1.0f, 13230, 62366, 98610},
    };
    for (const auto& c : cases)
    {
        Envelope e(c.in, 44100.0f);
        if (c.written > 0.0f)
        {
            EXPECT_EQ(c.written, e.settings.attack);
            EXPECT_EQ(c.written, e.settings.decay);
            EXPECT_EQ(c.written, e.settings.release);
        }
        EXPECT_EQ(c.in.sustain, e.settings.sustain) << "sustain is never written back";
        EXPECT_EQ(c.attack, e.env.attackSamples);
        EXPECT_EQ(c.decay, e.env.decaySamples);
        EXPECT_EQ(c.release, e.env.releaseSamples);
    }
}

TEST(TKADSR, AttackPeaksJustBelowOneThenDecaysToTheSustainLevel)
{
    Envelope e({0.0001f, 0.0004f, 0.125f, 0.01f}, 44100.0f); // 441 and 882 samples
    EXPECT_NEAR(0.35355339f, e.env.sustainLevel, 1e-7f);
    EXPECT_EQ(static_cast<float>(1.0 / 441), TKADSR_Step(&e.env));
    EXPECT_EQ(1.0f / 441.0f, TKADSR_Get_Attack_Progress(&e.env));

    float level = e.env.level;
    for (int n = 2; n < 441; ++n)
    {
        const float next = TKADSR_Step(&e.env);
        ASSERT_GT(next, level);
        level = next;
    }
    EXPECT_NEAR(440.0 / 441.0, level, 1e-5);
    EXPECT_EQ(TKADSR_ATTACK, e.state());

    // The sample that ends the attack already takes the first decay step.
    EXPECT_LT(TKADSR_Step(&e.env), level);
    EXPECT_EQ(TKADSR_DECAY, e.state());
    EXPECT_EQ(881, e.stepWhile(TKADSR_DECAY));
    EXPECT_EQ(TKADSR_SUSTAIN, e.state());
    const float held = e.env.level;
    const double expected = e.env.sustainLevel + (1.0 - e.env.sustainLevel) / 882.0 - 1.0 / 441.0;
    EXPECT_NEAR(expected, held, 5e-5) << "float rounding over 1300 steps";
    for (int n = 0; n < 1000; ++n)
        ASSERT_EQ(held, TKADSR_Step(&e.env));
}

TEST(TKADSR, ZeroSustainGoesIdleOnTheFirstSustainSample)
{
    Envelope e({0.0001f, 0.0001f, 0.0f, 0.0001f}, 44100.0f);
    e.step(880); // the attack's 441 samples (its last takes the first decay step), 439 more of decay
    ASSERT_EQ(TKADSR_DECAY, e.state());
    const float lastDecay = e.env.level;
    EXPECT_NEAR(0.0f, lastDecay, 1e-5f) << "the decay ends at the sustain level";

    EXPECT_EQ(0.0f, TKADSR_Step(&e.env));
    EXPECT_EQ(TKADSR_IDLE, e.state());
    EXPECT_EQ(0, e.env.counter);
    EXPECT_EQ(lastDecay, e.env.level) << "the level field keeps where the decay left it";
}

TEST(TKADSR, ReleaseFallsLinearlyToExactlyZero)
{
    Envelope e({0.01f, 0.01f, 0.5f, 0.01f}, 1000.0f); // 100-sample segments
    e.step(50);
    ASSERT_NEAR(0.5f, e.env.level, 1e-6f);

    TKADSR_Release(&e.env);
    EXPECT_EQ(TKADSR_RELEASE, e.state());
    EXPECT_EQ(0.0f, TKADSR_Get_Release_Progress(&e.env));
    float level = e.env.level;
    for (int n = 1; n < 100; ++n)
    {
        const float next = TKADSR_Step(&e.env);
        ASSERT_NEAR(-0.005f, next - level, 1e-6f) << "step " << n;
        EXPECT_EQ(n / 100.0f, TKADSR_Get_Release_Progress(&e.env));
        level = next;
    }
    EXPECT_EQ(0.0f, TKADSR_Step(&e.env));
    EXPECT_EQ(TKADSR_IDLE, e.state());
    EXPECT_EQ(0.0f, e.env.level);
    EXPECT_EQ(0.0f, TKADSR_Get_Release_Progress(&e.env)) << "the counter resets when the release ends";
}

TEST(TKADSR, ReleaseOnIdleOrReleasingEnvelopeChangesNothingAndTrigRestarts)
{
    Envelope e({0.01f, 0.01f, 0.5f, 0.01f}, 1000.0f, false);
    TKADSR_Release(&e.env);
    EXPECT_EQ(TKADSR_IDLE, e.state());
    EXPECT_EQ(0.0f, TKADSR_Step(&e.env));

    // Two envelopes in lockstep; one gets extra release calls during its release.
    Envelope f({0.01f, 0.01f, 0.5f, 0.01f}, 1000.0f);
    TKADSR_Trig(&e.env);
    e.step(30), f.step(30);
    TKADSR_Release(&e.env);
    TKADSR_Release(&f.env);
    for (int n = 0; n < 120; ++n)
    {
        TKADSR_Release(&f.env);
        ASSERT_EQ(TKADSR_Step(&e.env), TKADSR_Step(&f.env)) << n;
    }
    EXPECT_EQ(TKADSR_IDLE, f.state());

    // Trig restarts from any state; released mid-attack, the level falls from where it was.
    e.step(150);
    for (int n = 0; n < 2; ++n)
    {
        TKADSR_Trig(&e.env);
        EXPECT_EQ(TKADSR_ATTACK, e.state());
        EXPECT_EQ(0.0f, e.env.level);
        EXPECT_EQ(0.01f, TKADSR_Step(&e.env));
        e.step(150);
    }
    TKADSR_Trig(&e.env);
    e.step(1);
    TKADSR_Release(&e.env);
    EXPECT_EQ(TKADSR_RELEASE, e.state());
    EXPECT_LT(TKADSR_Step(&e.env), 0.01f);
}

TEST(TKADSR, BadSettingsGiveDefinedLevels)
{
    // A negative sustain (only from out-of-range input) holds nothing rather than NaN.
    Envelope e({0.0001f, 0.0001f, -0.5f, 0.0001f}, 44100.0f);
    for (int n = 0; n < 2000; ++n)
        ASSERT_FALSE(std::isnan(TKADSR_Step(&e.env)));
    EXPECT_EQ(TKADSR_IDLE, e.state());

    // Below 100 Hz the shortest attack has no whole sample; it still ends.
    Envelope slow({0.0001f, 0.0001f, 0.25f, 0.0001f}, 50.0f);
    EXPECT_EQ(1, slow.stepWhile(TKADSR_ATTACK, 10));
    EXPECT_EQ(TKADSR_SUSTAIN, slow.state());
    EXPECT_FALSE(std::isnan(TKADSR_Get_Attack_Progress(&slow.env)));
    TKADSR_Release(&slow.env);
    EXPECT_EQ(0.0f, TKADSR_Step(&slow.env));
    EXPECT_EQ(TKADSR_IDLE, slow.state());

    // An envelope held in sustain for longer than the counter can count keeps its level.
    Envelope held({0.0001f, 0.0001f, 0.25f, 0.0001f}, 44100.0f);
    held.stepWhile(TKADSR_ATTACK);
    held.stepWhile(TKADSR_DECAY);
    const float level = held.env.level;
    held.env.counter = INT32_MAX - 1;
    for (int n = 0; n < 4; ++n)
        EXPECT_EQ(level, TKADSR_Step(&held.env));
    EXPECT_EQ(INT32_MAX, held.env.counter);
}
