// The parameter set where the reference renders do not take it: zero ramp times, integer ramps,
// repeated ramp flags, out-of-range integer values and the change list.

#include "dsp/TKParameters.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{

class TKParameters : public ::testing::Test
{
protected:
    // Parameter 0: linear 0..10; parameter 1: integer 0..2; both at 0.
    void SetUp() override
    {
        TKParameterData lo, hi;
        lo.i = 0;
        hi.i = 2;
        TKP_Init_Float_Parameter(set, 0, "", 0.0f, 0.0f, 10.0f);
        TKP_Init_Parameter(set, 1, "", TKP_TYPE_INT, lo, hi, 0.0f);
    }
    ~TKParameters() override { TKP_Destroy(set); }

    TKParameterSet* set = TKP_Create(2, 44100.0f);
};

} // namespace

TEST_F(TKParameters, RampsNeverDivideZeroByZeroAndIntegerRampsJump)
{
    TKP_Set_Ramping_Flag(set, 0, 0.0f);
    TKP_Set_Ramping_Flag(set, 0, 0.0f);
    TKP_Set_Ramping_Flag(set, 1, 0.01f);
    EXPECT_EQ(2u, set->rampCount) << "enabling twice lists a parameter once";

    // A zero ramp time: no distance stays put, a distance is covered on the next sample.
    TKP_Set_Normalised_Value(set, 0, 1, 0.0f);
    TKP_Iterate(set);
    EXPECT_EQ(0.0f, TKP_Get_Real_Value(set, 0).f);
    TKP_Set_Normalised_Value(set, 0, 1, 0.75f);
    TKP_Iterate(set);
    EXPECT_EQ(7.5f, TKP_Get_Real_Value(set, 0).f);

    // An integer parameter takes its real target at once while its normalised value ramps.
    TKP_Set_Normalised_Value(set, 1, 1, 1.0f);
    for (int n = 0; n < 500; ++n, TKP_Iterate(set))
        ASSERT_EQ(2, TKP_Get_Real_Value(set, 1).i) << n;

    // Integer values outside the integer range saturate; NaN gives 0.
    EXPECT_EQ(INT32_MAX, TK_Truncate_Int32(3.0e9));
    EXPECT_EQ(INT32_MIN, TK_Truncate_Int32(-3.0e9));
    EXPECT_EQ(0, TK_Truncate_Int32(std::nan("")));
    EXPECT_EQ(-2, TK_Truncate_Int32(-2.9));
}

TEST_F(TKParameters, ChangeListNamesEachChangedParameterOnceInOrder)
{
    for (unsigned i : {1u, 0u, 1u, 0u})
        TKP_Flag_Param_Change(set, i);
    unsigned count = 0;
    const unsigned* changes = TKP_Consume_Param_Changes(set, &count);
    ASSERT_EQ(2u, count);
    EXPECT_EQ(1u, changes[0]);
    EXPECT_EQ(0u, changes[1]);

    // Consuming empties the list and clears the flags, so a parameter can be listed again.
    TKP_Flag_Param_Change(set, 0);
    changes = TKP_Consume_Param_Changes(set, &count);
    ASSERT_EQ(1u, count);
    EXPECT_EQ(0u, changes[0]);
}
