#include "dsp/TKParameters.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

namespace
{

TKParameterData intData(int32_t v)
{
    TKParameterData d;
    d.i = v;
    return d;
}

TKParameterData floatData(float v)
{
    TKParameterData d;
    d.f = v;
    return d;
}

class TKParameters : public ::testing::Test
{
protected:
    ~TKParameters() override { TKP_Destroy(set); }

    // Parameters: 0 linear 0..10, 1 integer 0..2, 2 squared 0..4, 3 of an unknown type; all at 0.
    void init(float rampTime = 0.1f)
    {
        TKP_Init_Float_Parameter(set, 0, "", 0.0f, 0.0f, 10.0f);
        TKP_Init_Parameter(set, 1, "", TKP_TYPE_INT, intData(0), intData(2), 0.0f);
        TKP_Init_Parameter(set, 2, "", TKP_TYPE_SQUARED, floatData(0.0f), floatData(4.0f), 0.0f);
        TKP_Init_Parameter(set, 3, "", 7, floatData(0.0f), floatData(1.0f), 0.5f);
        for (unsigned i = 0; i < 3; ++i)
            TKP_Set_Ramping_Flag(set, i, rampTime);
    }
    const TKParameter& p(unsigned i) const { return set->params[i]; }
    float realF(unsigned i) { return TKP_Get_Real_Value(set, i).f; }
    int32_t realI(unsigned i) { return TKP_Get_Real_Value(set, i).i; }

    // Iterates until the parameter's ramp ends; returns the number of samples, or -1 past limit.
    int rampLength(unsigned index, int limit = 100000)
    {
        for (int n = 1; n <= limit; ++n)
            if (TKP_Iterate(set), !p(index).rampActive)
                return n;
        return -1;
    }

    TKParameterSet* set = TKP_Create(4, 44100.0f);
};

} // namespace

//==============================================================================
TEST_F(TKParameters, RealValuesFollowTheType)
{
    TKP_Init_Float_Parameter(set, 0, "", 0.25f, 100.0f, 300.0f);
    EXPECT_EQ(150.0f, realF(0));
    EXPECT_EQ(0.75f, TKP_Calc_Normalised_Value(set, 0, floatData(250.0f)));
    EXPECT_EQ(1.5f, TKP_Calc_Normalised_Value(set, 0, floatData(400.0f))) << "unclamped";
    init();

    const struct
    {
        unsigned index;
        float normalised;
        float real; // or the integer real value
    } cases[] = {{1, 0.5f, 1}, {1, 0.49f, 0}, {1, 1.0f, 2}, {2, 0.5f, 1.0f}, {2, 1.0f, 4.0f}};
    for (const auto& c : cases)
    {
        TKP_Set_Normalised_Value(set, c.index, 0, c.normalised);
        if (c.index == 1)
            EXPECT_EQ(static_cast<int32_t>(c.real), realI(1)) << c.normalised;
        else
            EXPECT_EQ(c.real, realF(c.index)) << c.normalised;
    }
    EXPECT_EQ(0.5f, TKP_Calc_Normalised_Value(set, 2, floatData(1.0f)));
    EXPECT_EQ(0.5f, TKP_Calc_Normalised_Value(set, 1, intData(1)));
    EXPECT_EQ(0.0f, TKP_Calc_Normalised_Value(set, 3, floatData(0.5f)));

    // An unknown type keeps whatever real value it had.
    const int32_t before = realI(3);
    TKP_Set_Normalised_Value(set, 3, 0, 0.9f);
    EXPECT_EQ(before, realI(3));
    EXPECT_EQ(0.9f, TKP_Get_Normalised_Value(set, 3));

    // Integer values outside the integer range stay defined.
    for (auto c : std::initializer_list<std::pair<float, int32_t>>{
             {3.0e9f, INT32_MAX}, {-3.0e9f, INT32_MIN}, {std::nanf(""), 0}})
    {
        TKP_Set_Normalised_Value(set, 1, 0, c.first);
        EXPECT_EQ(c.second, realI(1)) << c.first;
    }
}

//==============================================================================
TEST_F(TKParameters, LinearRampStopsExactlyOnTargetBothWays)
{
    TKP_Init_Float_Parameter(set, 0, "", 0.02f, 0.0f, 20000.0f);
    TKP_Set_Ramping_Flag(set, 0, 0.1f);
    TKP_Set_Normalised_Value(set, 0, 1, 0.04f);
    EXPECT_EQ(0.04f, TKP_Get_Normalised_Value(set, 0));
    EXPECT_NEAR(4.535e-6f, p(0).step, 0.001e-6f);
    EXPECT_EQ(800.0f, p(0).realTarget.f);
    EXPECT_EQ(400.0f, realF(0)) << "a float ramp starts from the old value";

    for (float target : {0.04f, 0.02f})
    {
        TKP_Set_Normalised_Value(set, 0, 1, target);
        const float start = p(0).current;
        int n = 0;
        for (float last = start; p(0).rampActive && n < 5000; ++n, last = p(0).current)
        {
            TKP_Iterate(set);
            ASSERT_EQ(target > start, p(0).current > last) << "moves towards the target";
            ASSERT_TRUE(target > start ? p(0).current <= target : p(0).current >= target) << "no overshoot";
            EXPECT_TRUE(n != 2204 || std::fabs(realF(0) - 600.0f) <= 0.5f) << "halfway";
        }
        EXPECT_NEAR(4410, n, 1);
        EXPECT_EQ(target, p(0).current);
        EXPECT_EQ(0.0f, p(0).step);
        EXPECT_EQ(target * 20000.0f, realF(0));
    }
}

TEST_F(TKParameters, RampsNeedRampingEnabledAndIntegerRampsJump)
{
    TKP_Init_Float_Parameter(set, 3, "", 0.0f, 0.0f, 10.0f);
    TKP_Set_Normalised_Value(set, 3, 1, 0.5f);
    EXPECT_EQ(0.5f, p(3).current) << "ramping is not enabled: a jump";
    EXPECT_EQ(5.0f, realF(3));
    EXPECT_EQ(0u, p(3).rampActive);

    init(0.01f);
    EXPECT_EQ(3u, set->rampCount) << "only the ramp list is iterated";
    TKP_Set_Ramping_Flag(set, 0, 0.5f);
    EXPECT_EQ(3u, set->rampCount) << "enabling twice lists the parameter once";

    // Unramped sets on a ramping parameter jump too, and end a running ramp.
    TKP_Set_Normalised_Value(set, 0, 1, 1.0f);
    TKP_Iterate(set);
    TKP_Set_Normalised_Value(set, 0, 0, 0.3f);
    EXPECT_EQ(0.3f, p(0).current);
    EXPECT_EQ(0u, p(0).rampActive);
    EXPECT_EQ(3.0f, realF(0));

    // An integer ramp takes its real target at once; the normalised value still ramps (441 samples).
    TKP_Set_Normalised_Value(set, 1, 1, 1.0f);
    for (int n = 0; n < 500; ++n, TKP_Iterate(set))
        ASSERT_EQ(2, realI(1));
    EXPECT_EQ(1.0f, p(1).current);
    EXPECT_EQ(0u, p(1).rampActive);
}

TEST_F(TKParameters, ZeroRampTimeNeverDividesZeroByZero)
{
    init(0.0f);
    TKP_Set_Normalised_Value(set, 0, 1, 0.0f); // no distance: stays active without moving
    for (int n = 0; n < 10; ++n)
        TKP_Iterate(set);
    EXPECT_EQ(1u, p(0).rampActive);
    EXPECT_EQ(0.0f, p(0).step);
    EXPECT_EQ(0.0f, realF(0));

    // With a distance it arrives on the next sample.
    TKP_Set_Normalised_Value(set, 0, 1, 0.75f);
    EXPECT_EQ(1, rampLength(0, 10));
    EXPECT_EQ(7.5f, realF(0));
}

//==============================================================================
TEST_F(TKParameters, SampleRateChangeAndSetStateEndEveryRampOnItsTarget)
{
    init(1.0f);
    TKP_Set_Normalised_Value(set, 0, 1, 1.0f);
    TKP_Set_Normalised_Value(set, 2, 1, 0.5f);
    for (int n = 0; n < 100; ++n)
        TKP_Iterate(set);
    ASSERT_LT(realF(0), 1.0f);

    TKP_Set_Samplerate(set, 22050.0f);
    for (unsigned i = 0; i < 3; ++i)
    {
        EXPECT_EQ(p(i).target, p(i).current) << i;
        EXPECT_EQ(0u, p(i).rampActive) << i;
    }
    EXPECT_EQ(10.0f, realF(0));
    EXPECT_EQ(1.0f, realF(2));

    // The next ramp runs at the new rate: 0.1 s is 2205 samples.
    TKP_Set_Ramping_Time(set, 0, 0.1f);
    TKP_Set_Normalised_Value(set, 0, 1, 0.0f);
    EXPECT_NEAR(2205, rampLength(0), 1);

    TKP_Set_Normalised_Value(set, 0, 1, 1.0f);
    const float state[4] = {0.75f, 0.5f, 0.25f, 0.0f};
    TKP_Set_State(set, state);
    EXPECT_EQ(0u, p(0).rampActive);
    EXPECT_EQ(0.75f, p(0).current);
    EXPECT_EQ(7.5f, realF(0));
    EXPECT_EQ(7.5f, p(0).realTarget.f);
    EXPECT_EQ(1, realI(1));
    EXPECT_EQ(0.25f, realF(2));

    // A set without parameters accepts every call.
    TKP_Destroy(set);
    set = TKP_Create(0, 44100.0f);
    TKP_Iterate(set);
    TKP_Set_Samplerate(set, 96000.0f);
    unsigned count = 99;
    TKP_Consume_Param_Changes(set, &count);
    EXPECT_EQ(0u, count);
}

TEST_F(TKParameters, ChangeListNamesEachChangedParameterOnceInOrder)
{
    for (unsigned i : {3u, 1u, 3u, 1u})
        TKP_Flag_Param_Change(set, i);
    unsigned count = 0;
    const unsigned* changes = TKP_Consume_Param_Changes(set, &count);
    ASSERT_EQ(2u, count);
    EXPECT_EQ(3u, changes[0]);
    EXPECT_EQ(1u, changes[1]);
    TKP_Consume_Param_Changes(set, &count);
    EXPECT_EQ(0u, count);

    // Consuming clears the flags, so the same parameters can be listed again.
    for (unsigned i : {3u, 2u, 1u, 0u, 3u})
        TKP_Flag_Param_Change(set, i);
    changes = TKP_Consume_Param_Changes(set, &count);
    ASSERT_EQ(4u, count);
    for (unsigned i = 0; i < 4; ++i)
        EXPECT_EQ(3 - i, changes[i]);
}
