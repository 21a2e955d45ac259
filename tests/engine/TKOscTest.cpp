// The shared wave and noise tables' reference counts and the oscillator's phase fold (the reference
// renders pin the tables' contents).

#include "dsp/TKOsc.h"
#include "dsp/PinkNoise.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

TEST(TKOsc, PhaseFoldKeepsTheOutputOfAnUnwrappedPhaseAndBadFrequenciesStayInTheTable)
{
    struct Held
    {
        Held() { TKOSC_Prepare_Buffers(); }
        ~Held() { TKOSC_Dispose_Buffers(); }
    } tables;
    // At 32768 Hz the increment is exactly 1/8 position per Hz, so every phase here is exact and
    // the unwrapped reference is the true table position, far past the 32-bit index range.
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

    for (double f : {1e15, -1e15, 1e300, std::nan(""), HUGE_VAL, -HUGE_VAL})
    {
        const float out = TKOsc_Step(&osc, TKOSC_SINE, f);
        EXPECT_TRUE(out >= -1.0f && out <= 1.0f) << f;
        EXPECT_TRUE(osc.phase < 2147483648.0 && osc.phase > -2147483648.0) << f;
    }
}

/** Both shared tables, from many threads at once: holders share one table, the last frees it, an
    unmatched drop is ignored, and nobody sees it rebuilt or freed while holding it. */
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
    // With a long-lived holder, then built and freed over and over.
    for (const auto& t : tables)
        for (const bool lasting : {true, false})
        {
            ASSERT_EQ(t.count, 0);
            if (lasting)
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
                            const float* data = t.data;
                            if (data == nullptr || !std::isfinite(data[1024]) || (lasting && data != held))
                                ++failures;
                            t.drop();
                        }
                    });
            for (auto& thread : threads)
                thread.join();
            EXPECT_EQ(failures, 0);
            EXPECT_EQ(t.count, lasting ? 1 : 0);
            if (lasting)
                t.drop();
            EXPECT_EQ(t.data, nullptr);
            t.drop(); // unmatched: the next holder still builds
        }
}
