// The envelope where the renders do not take it: notes held for hours, releases when idle or releasing.

#include "dsp/TKADSR.h"

#include <gtest/gtest.h>

namespace
{

TKADSRParams settings{0.01f, 0.01f, 0.5f, 0.01f}; // 100-sample segments at 1000 Hz

/** An envelope at 1000 Hz, 30 samples into its attack. */
TKADSR started()
{
    TKADSR env;
    TKADSR_Init(&env, &settings, 1000.0f);
    TKADSR_Trig(&env);
    for (int n = 0; n < 30; ++n)
        TKADSR_Step(&env);
    return env;
}

TEST(TKADSR, ANoteHeldLongerThanTheCounterCountsKeepsItsLevel)
{
    TKADSR held = started();
    while (TKADSR_Get_State(&held) != TKADSR_SUSTAIN)
        TKADSR_Step(&held);
    const float level = held.level;
    held.counter = INT32_MAX - 1;
    for (int n = 0; n < 4; ++n)
        EXPECT_EQ(level, TKADSR_Step(&held));
    EXPECT_EQ(INT32_MAX, held.counter);
}

TEST(TKADSR, ReleaseLeavesIdleAndReleasingEnvelopesAlone)
{
    TKADSR idle;
    TKADSR_Init(&idle, &settings, 1000.0f);
    TKADSR_Release(&idle);
    EXPECT_EQ(TKADSR_IDLE, TKADSR_Get_State(&idle));
    EXPECT_EQ(0.0f, TKADSR_Step(&idle));

    // Two envelopes in lockstep; one gets a release call on every sample of its release.
    TKADSR once = started(), again = started();
    TKADSR_Release(&once);
    for (int n = 0; n < 120; ++n)
    {
        TKADSR_Release(&again);
        ASSERT_EQ(TKADSR_Step(&once), TKADSR_Step(&again)) << n;
    }
    EXPECT_EQ(TKADSR_IDLE, TKADSR_Get_State(&again));
}

} // namespace
