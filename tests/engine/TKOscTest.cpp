// The oscillator's phase fold and the shared tables' reference counts (the renders pin their contents).

#include "dsp/TKOsc.h"
#include "dsp/PinkNoise.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

TEST(TKOsc, PhaseFoldKeepsTheOutputOfAnUnwrappedPhase)
{
    TKOSC_Prepare_Buffers();
    // At 32768 Hz a step is 1/8 position per Hz: every phase is exact, the reference past 2^31 too.
    TKOsc osc;
    TKOsc_Init(&osc, TKOSC_SINE, 32768.0f);
    double reference = 2147483648.0 - 5000.0;
    osc.phase = reference;
    for (int n = 0; n < 100000; ++n)
    {
        reference += 5.3125 * 0.125;
        const float expected =
            __TKOsc_buffers[TKOSC_SINE][static_cast<int64_t>(reference) & TKOSC_TABLE_MASK];
        ASSERT_EQ(expected, TKOsc_Step(&osc, TKOSC_SINE, 5.3125)) << n;
        ASSERT_LT(osc.phase, 2147483648.0);
    }
    EXPECT_GE(osc.phase, 1073741824.0) << "the fold keeps the phase in the range it left";
    TKOSC_Dispose_Buffers();
}

/** Both shared tables: an unmatched drop is ignored, holders on many threads share one, the last frees it. */
TEST(SharedTables, ConcurrentHoldersShareOneTableAndTheLastFreesIt)
{
    const struct
    {
        void (*take)();
        void (*drop)();
        float* const& data;
        const int32_t& count;
    } tables[] = {
        {TKOSC_Prepare_Buffers, TKOSC_Dispose_Buffers, __TKOsc_buffers[TKOSC_SINE], __TKOsc_retainCount},
        {PinkNoise_Retain, PinkNoise_Release, __PinkNoise_data, __PinkNoise_retainCount}};
    for (const auto& t : tables)
    {
        t.drop();
        t.take();
        const float* const held = t.data;
        std::atomic<int> failures{0};
        std::vector<std::thread> threads;
        for (int n = 0; n < 8; ++n)
            threads.emplace_back(
                [&]
                {
                    for (int k = 0; k < 100; ++k)
                    {
                        t.take();
                        if (t.data != held || !std::isfinite(held[1024]))
                            ++failures;
                        t.drop();
                    }
                });
        for (auto& thread : threads)
            thread.join();
        EXPECT_EQ(failures, 0);
        EXPECT_EQ(t.count, 1);
        t.drop();
        EXPECT_EQ(t.data, nullptr);
        EXPECT_EQ(t.count, 0);
    }
}
