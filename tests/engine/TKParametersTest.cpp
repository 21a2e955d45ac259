#include "dsp/TKParameters.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace
{

struct SetDeleter
{
    void operator()(TKParameterSet* s) const { TKP_Destroy(s); }
};
using SetPtr = std::unique_ptr<TKParameterSet, SetDeleter>;

SetPtr makeSet(unsigned count, float sampleRate = 44100.0f)
{
    return SetPtr(TKP_Create(count, sampleRate));
}

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

// Iterates until the parameter's ramp ends; returns the number of samples, or -1 past limit.
int rampLength(TKParameterSet* set, unsigned index, int limit)
{
    for (int n = 1; n <= limit; ++n)
    {
        TKP_Iterate(set);
        if (!set->params[index].rampActive)
            return n;
    }
    return -1;
}

} // namespace

//==============================================================================
TEST(TKParameters, CreateGivesZeroedParametersAndEmptyLists)
{
    SetPtr set = makeSet(3, 48000.0f);
    ASSERT_NE(nullptr, set);
    EXPECT_EQ(3u, set->count);
    EXPECT_EQ(48000.0f, set->sampleRate);
    EXPECT_EQ(0u, set->changeCount);
    EXPECT_EQ(0u, set->rampCount);
    for (unsigned i = 0; i < 3; ++i)
    {
        EXPECT_EQ(0.0f, set->params[i].target);
        EXPECT_EQ(0u, set->params[i].rampingEnabled);
        EXPECT_EQ(0, set->params[i].real.i);
    }

    SetPtr empty = makeSet(0);
    ASSERT_NE(nullptr, empty);
    TKP_Iterate(empty.get());
    TKP_Set_Samplerate(empty.get(), 96000.0f);
    unsigned n = 99;
    TKP_Consume_Param_Changes(empty.get(), &n);
    EXPECT_EQ(0u, n);
}

TEST(TKParameters, RealValuesFollowTheType)
{
    SetPtr set = makeSet(4);
    TKP_Init_Float_Parameter(set.get(), 0, "", 0.25f, 100.0f, 300.0f);
    TKP_Init_Parameter(set.get(), 1, "", TKP_TYPE_INT, intData(0), intData(2), 0.5f);
    TKP_Init_Parameter(set.get(), 2, "", TKP_TYPE_SQUARED, floatData(0.0f), floatData(4.0f), 0.5f);
    TKP_Init_Parameter(set.get(), 3, "", 7, floatData(0.0f), floatData(1.0f), 0.5f);

    EXPECT_EQ(150.0f, TKP_Get_Real_Value(set.get(), 0).f);
    EXPECT_EQ(1, TKP_Get_Real_Value(set.get(), 1).i); // 0 + 2 * 0.5 = 1.0
    EXPECT_EQ(1.0f, TKP_Get_Real_Value(set.get(), 2).f);
    EXPECT_EQ(0.25f, TKP_Get_Normalised_Value(set.get(), 0));

    TKP_Set_Normalised_Value(set.get(), 1, 0, 0.49f);
    EXPECT_EQ(0, TKP_Get_Real_Value(set.get(), 1).i);
    TKP_Set_Normalised_Value(set.get(), 1, 0, 1.0f);
    EXPECT_EQ(2, TKP_Get_Real_Value(set.get(), 1).i);

    // Real value back to normalised, unclamped.
    EXPECT_EQ(0.5f, TKP_Calc_Normalised_Value(set.get(), 2, floatData(1.0f)));
    EXPECT_EQ(0.75f, TKP_Calc_Normalised_Value(set.get(), 0, floatData(250.0f)));
    EXPECT_EQ(1.5f, TKP_Calc_Normalised_Value(set.get(), 0, floatData(400.0f)));
    EXPECT_EQ(0.5f, TKP_Calc_Normalised_Value(set.get(), 1, intData(1)));
    EXPECT_EQ(0.0f, TKP_Calc_Normalised_Value(set.get(), 3, floatData(0.5f)));

    // An unknown type keeps whatever real value it had.
    const int32_t before = TKP_Get_Real_Value(set.get(), 3).i;
    TKP_Set_Normalised_Value(set.get(), 3, 0, 0.9f);
    EXPECT_EQ(before, TKP_Get_Real_Value(set.get(), 3).i);
    EXPECT_EQ(0.9f, TKP_Get_Normalised_Value(set.get(), 3));
}

TEST(TKParameters, IntegerValuesOutsideTheIntegerRangeStayDefined)
{
    SetPtr set = makeSet(1);
    TKP_Init_Parameter(set.get(), 0, "", TKP_TYPE_INT, intData(0), intData(2), 0.0f);
    TKP_Set_Normalised_Value(set.get(), 0, 0, 3.0e9f);
    EXPECT_EQ(INT32_MAX, TKP_Get_Real_Value(set.get(), 0).i);
    TKP_Set_Normalised_Value(set.get(), 0, 0, -3.0e9f);
    EXPECT_EQ(INT32_MIN, TKP_Get_Real_Value(set.get(), 0).i);
    TKP_Set_Normalised_Value(set.get(), 0, 0, std::nanf(""));
    EXPECT_EQ(0, TKP_Get_Real_Value(set.get(), 0).i);
}

//==============================================================================
TEST(TKParameters, LinearRampStopsExactlyOnTarget)
{
    SetPtr set = makeSet(1);
    TKP_Init_Float_Parameter(set.get(), 0, "", 0.02f, 0.0f, 20000.0f);
    TKP_Set_Ramping_Flag(set.get(), 0, 0.1f);
    EXPECT_EQ(400.0f, TKP_Get_Real_Value(set.get(), 0).f);

    TKP_Set_Normalised_Value(set.get(), 0, 1, 0.04f);
    const TKParameter& p = set->params[0];
    EXPECT_EQ(0.04f, TKP_Get_Normalised_Value(set.get(), 0));
    EXPECT_EQ(1u, p.rampActive);
    EXPECT_NEAR(4.535e-6f, p.step, 0.001e-6f);
    EXPECT_EQ(800.0f, p.realTarget.f);
    EXPECT_EQ(400.0f, TKP_Get_Real_Value(set.get(), 0).f) << "a float ramp starts from the old value";

    float last = p.current;
    int n = 0;
    for (; n < 5000 && p.rampActive; ++n)
    {
        TKP_Iterate(set.get());
        EXPECT_GT(p.current, last);
        EXPECT_LE(p.current, 0.04f);
        last = p.current;
        if (n == 2204)
        {
            EXPECT_NEAR(600.0f, TKP_Get_Real_Value(set.get(), 0).f, 0.5f);
        }
    }
    EXPECT_NEAR(4410, n, 1);
    EXPECT_EQ(0.04f, p.current);
    EXPECT_EQ(0.0f, p.step);
    EXPECT_EQ(800.0f, TKP_Get_Real_Value(set.get(), 0).f);

    // And back down, again without undershoot.
    TKP_Set_Normalised_Value(set.get(), 0, 1, 0.02f);
    EXPECT_LT(p.step, 0.0f);
    EXPECT_NEAR(4410, rampLength(set.get(), 0, 5000), 1);
    EXPECT_EQ(0.02f, p.current);
    EXPECT_EQ(400.0f, TKP_Get_Real_Value(set.get(), 0).f);
}

TEST(TKParameters, RampRequestsJumpWithoutRampingEnabled)
{
    SetPtr set = makeSet(2);
    TKP_Init_Float_Parameter(set.get(), 0, "", 0.0f, 0.0f, 10.0f);
    TKP_Init_Float_Parameter(set.get(), 1, "", 0.0f, 0.0f, 10.0f);
    TKP_Set_Ramping_Flag(set.get(), 1, 0.5f);

    TKP_Set_Normalised_Value(set.get(), 0, 1, 0.5f);
    EXPECT_EQ(0.5f, set->params[0].current);
    EXPECT_EQ(5.0f, TKP_Get_Real_Value(set.get(), 0).f);
    EXPECT_EQ(5.0f, set->params[0].realTarget.f);
    EXPECT_EQ(0u, set->params[0].rampActive);

    // Unramped sets on a ramping parameter jump too, and end a running ramp.
    TKP_Set_Normalised_Value(set.get(), 1, 1, 1.0f);
    TKP_Iterate(set.get());
    TKP_Set_Normalised_Value(set.get(), 1, 0, 0.3f);
    EXPECT_EQ(0.3f, set->params[1].current);
    EXPECT_EQ(0u, set->params[1].rampActive);
    EXPECT_EQ(3.0f, TKP_Get_Real_Value(set.get(), 1).f);

    // Only the ramp list is iterated.
    EXPECT_EQ(1u, set->rampCount);
    EXPECT_EQ(1u, set->rampList[0]);
    TKP_Set_Ramping_Flag(set.get(), 1, 0.25f);
    EXPECT_EQ(1u, set->rampCount) << "enabling twice lists the parameter once";
    EXPECT_EQ(0.25f, set->params[1].rampTime);
    TKP_Set_Ramping_Time(set.get(), 1, 0.125f);
    EXPECT_EQ(0.125f, set->params[1].rampTime);
}

TEST(TKParameters, IntegerRampsTakeTheirRealTargetAtOnce)
{
    SetPtr set = makeSet(1);
    TKP_Init_Parameter(set.get(), 0, "", TKP_TYPE_INT, intData(0), intData(2), 0.0f);
    TKP_Set_Ramping_Flag(set.get(), 0, 0.01f);
    TKP_Set_Normalised_Value(set.get(), 0, 1, 1.0f);
    EXPECT_EQ(2, TKP_Get_Real_Value(set.get(), 0).i);
    EXPECT_EQ(0.0f, set->params[0].current);
    for (int n = 0; n < 500; ++n) // 441 samples
    {
        TKP_Iterate(set.get());
        EXPECT_EQ(2, TKP_Get_Real_Value(set.get(), 0).i);
    }
    EXPECT_EQ(1.0f, set->params[0].current);
    EXPECT_EQ(0u, set->params[0].rampActive);
}

TEST(TKParameters, ZeroDistanceRampsStayActiveWithoutMoving)
{
    SetPtr set = makeSet(1);
    TKP_Init_Float_Parameter(set.get(), 0, "", 0.5f, 0.0f, 1.0f);
    TKP_Set_Ramping_Flag(set.get(), 0, 0.0f); // zero ramp time: must not divide 0 by 0
    TKP_Set_Normalised_Value(set.get(), 0, 1, 0.5f);
    for (int n = 0; n < 10; ++n)
        TKP_Iterate(set.get());
    EXPECT_EQ(1u, set->params[0].rampActive);
    EXPECT_EQ(0.0f, set->params[0].step);
    EXPECT_EQ(0.5f, set->params[0].current);
    EXPECT_EQ(0.5f, TKP_Get_Real_Value(set.get(), 0).f);

    // A zero ramp time with a distance arrives on the next sample.
    TKP_Set_Normalised_Value(set.get(), 0, 1, 0.75f);
    EXPECT_EQ(1, rampLength(set.get(), 0, 10));
    EXPECT_EQ(0.75f, TKP_Get_Real_Value(set.get(), 0).f);
}

//==============================================================================
TEST(TKParameters, SampleRateChangeEndsEveryRampOnItsTarget)
{
    SetPtr set = makeSet(3);
    TKP_Init_Float_Parameter(set.get(), 0, "", 0.0f, 0.0f, 100.0f);
    TKP_Init_Parameter(set.get(), 1, "", TKP_TYPE_SQUARED, floatData(0.0f), floatData(4.0f), 0.0f);
    TKP_Init_Float_Parameter(set.get(), 2, "", 0.2f, 0.0f, 10.0f);
    TKP_Set_Ramping_Flag(set.get(), 0, 1.0f);
    TKP_Set_Ramping_Flag(set.get(), 1, 1.0f);
    TKP_Set_Normalised_Value(set.get(), 0, 1, 1.0f);
    TKP_Set_Normalised_Value(set.get(), 1, 1, 0.5f);
    for (int n = 0; n < 100; ++n)
        TKP_Iterate(set.get());
    ASSERT_LT(TKP_Get_Real_Value(set.get(), 0).f, 1.0f);

    TKP_Set_Samplerate(set.get(), 22050.0f);
    EXPECT_EQ(22050.0f, set->sampleRate);
    for (unsigned i = 0; i < 3; ++i)
    {
        EXPECT_EQ(set->params[i].target, set->params[i].current) << i;
        EXPECT_EQ(0u, set->params[i].rampActive) << i;
        EXPECT_EQ(0.0f, set->params[i].step) << i;
    }
    EXPECT_EQ(100.0f, TKP_Get_Real_Value(set.get(), 0).f);
    EXPECT_EQ(1.0f, TKP_Get_Real_Value(set.get(), 1).f);
    EXPECT_EQ(2.0f, TKP_Get_Real_Value(set.get(), 2).f);

    // The next ramp runs at the new rate: 0.1 s is 2205 samples.
    TKP_Set_Ramping_Time(set.get(), 0, 0.1f);
    TKP_Set_Normalised_Value(set.get(), 0, 1, 0.0f);
    EXPECT_NEAR(2205, rampLength(set.get(), 0, 5000), 1);
}

TEST(TKParameters, SetStateJumpsEveryParameter)
{
    SetPtr set = makeSet(2);
    TKP_Init_Float_Parameter(set.get(), 0, "", 0.0f, -1.0f, 1.0f);
    TKP_Init_Parameter(set.get(), 1, "", TKP_TYPE_INT, intData(0), intData(2), 0.0f);
    TKP_Set_Ramping_Flag(set.get(), 0, 1.0f);
    TKP_Set_Normalised_Value(set.get(), 0, 1, 1.0f);

    const float state[2] = {0.75f, 0.5f};
    TKP_Set_State(set.get(), state);
    EXPECT_EQ(0u, set->params[0].rampActive);
    EXPECT_EQ(0.75f, TKP_Get_Normalised_Value(set.get(), 0));
    EXPECT_EQ(0.75f, set->params[0].current);
    EXPECT_EQ(0.5f, TKP_Get_Real_Value(set.get(), 0).f);
    EXPECT_EQ(0.5f, set->params[0].realTarget.f);
    EXPECT_EQ(1, TKP_Get_Real_Value(set.get(), 1).i);
}

TEST(TKParameters, ChangeListNamesEachChangedParameterOnce)
{
    SetPtr set = makeSet(5);
    TKP_Flag_Param_Change(set.get(), 3);
    TKP_Flag_Param_Change(set.get(), 1);
    TKP_Flag_Param_Change(set.get(), 3);
    TKP_Flag_Param_Change(set.get(), 1);

    unsigned count = 0;
    const unsigned* changes = TKP_Consume_Param_Changes(set.get(), &count);
    ASSERT_EQ(2u, count);
    EXPECT_EQ(3u, changes[0]);
    EXPECT_EQ(1u, changes[1]);

    TKP_Consume_Param_Changes(set.get(), &count);
    EXPECT_EQ(0u, count);

    // Consuming clears the flags, so the same parameters can be listed again.
    for (unsigned i = 0; i < 5; ++i)
        TKP_Flag_Param_Change(set.get(), 4 - i);
    TKP_Flag_Param_Change(set.get(), 3);
    changes = TKP_Consume_Param_Changes(set.get(), &count);
    ASSERT_EQ(5u, count);
    for (unsigned i = 0; i < 5; ++i)
        EXPECT_EQ(4 - i, changes[i]);
}
