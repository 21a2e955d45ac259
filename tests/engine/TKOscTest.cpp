// The shared wave and noise tables' reference counts and the oscillator's phase fold (the reference
// renders pin the tables' contents).

#include "dsp/TKOsc.h"
#include "dsp/PinkNoise.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

namespace
{

/** Starts `threads` threads at once; each takes and drops a reference `pairs` times and runs
    check() while it holds one. Returns the number of failed checks once all have finished. */
template <typename Check>
int churnReferences(int threads, int pairs, void (*take)(), void (*drop)(), Check check)
{
    std::atomic<int> failures{0};
    std::atomic<bool> go{false};
    std::vector<std::thread> running;
    for (int t = 0; t < threads; ++t)
        running.emplace_back(
            [&]
            {
                while (!go.load())
                    std::this_thread::yield();
                for (int n = 0; n < pairs; ++n)
                {
                    take();
                    failures += check() ? 0 : 1;
                    drop();
                }
            });
    go = true;
    for (auto& t : running)
        t.join();
    return failures.load();
}

/** The contract the wave tables and the noise table share: holders share one table, the last frees
    it, an unmatched drop is ignored, and concurrent holders never see it rebuilt or freed. */
template <typename Valid>
void expectSharedTable(void (*take)(), void (*drop)(), float* const& data, const int32_t& count, Valid valid)
{
    ASSERT_EQ(0, count);
    take(); // the long-lived holder
    const float* const held = data;
    ASSERT_TRUE(valid());
    EXPECT_EQ(0, churnReferences(16, 200, take, drop, [&] { return valid() && data == held; }));
    EXPECT_EQ(1, count);
    drop();
    EXPECT_EQ(nullptr, data);

    // An unmatched drop leaves the count at zero, so the next holder still builds.
    drop();
    EXPECT_EQ(0, count);

    // Without a lasting holder the table is built and freed over and over while others read it.
    EXPECT_EQ(0, churnReferences(8, 30, take, drop, valid));
    EXPECT_EQ(0, count);
    EXPECT_EQ(nullptr, data);
}

} // namespace

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

//==============================================================================
TEST(SharedTables, WaveTables)
{
    expectSharedTable(
        TKOSC_Prepare_Buffers, TKOSC_Dispose_Buffers, __TKOsc_buffers[TKOSC_SINE], __TKOsc_retainCount,
        []
        {
            const float* sine = __TKOsc_buffers[TKOSC_SINE];
            return sine != nullptr && sine[1024] == 1.0f && __TKOsc_buffers[TKOSC_NOISE] != nullptr;
        });
}

TEST(SharedTables, NoiseTable)
{
    expectSharedTable(PinkNoise_Retain, PinkNoise_Release, __PinkNoise_data, __PinkNoise_retainCount,
                      []
                      {
                          const float* d = __PinkNoise_data;
                          return d != nullptr && std::isfinite(d[0]) &&
                                 std::isfinite(d[PINKNOISE_LENGTH - 1]);
                      });
}
