// The shared wave tables and noise table, their reference counts, and the table oscillator.

#include "dsp/TKOsc.h"
#include "dsp/PinkNoise.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "EngineTestSupport.h"

namespace
{

// Holds the shared wave tables for the length of a test.
class TKOscTables : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(0, __TKOsc_retainCount) << "another test left the tables held";
        TKOSC_Prepare_Buffers();
    }
    void TearDown() override { TKOSC_Dispose_Buffers(); }

    static const float* table(int waveform) { return __TKOsc_buffers[waveform]; }

    // Steps n times at frequency f and checks the phase walks the table one entry at a time.
    static void expectEntryByEntry(TKOsc& osc, double f, int n)
    {
        int lastIndex = static_cast<int>(osc.phase) & TKOSC_TABLE_MASK;
        for (int k = 0; k < n; ++k)
        {
            const float out = TKOsc_Step(&osc, TKOSC_SINE, f);
            const int index = static_cast<int>(osc.phase) & TKOSC_TABLE_MASK;
            ASSERT_EQ(table(TKOSC_SINE)[index], out);
            ASSERT_TRUE(index == lastIndex || index == (lastIndex + 1) % TKOSC_TABLE_SIZE) << k;
            lastIndex = index;
        }
    }
};

// Entry of waveform at an unwrapped phase, indexed through 64 bits so it never overflows.
float unwrappedEntry(int waveform, double phase)
{
    return __TKOsc_buffers[waveform][static_cast<int64_t>(phase) & TKOSC_TABLE_MASK];
}

} // namespace

//==============================================================================
TEST_F(TKOscTables, WaveformsHaveTheirShapes)
{
    const struct
    {
        int waveform, i;
        float v;
    } points[] = {
        {TKOSC_SQUARE, 0, -1.0f}, // the sine of 0 is not above 0
        {TKOSC_SQUARE, 1, 1.0f},
        {TKOSC_SQUARE, 3000, -1.0f},
        {TKOSC_SAW, 0, -1.0f},
        {TKOSC_SAW, 2048, 0.0f},
        {TKOSC_SAW, 4095, 4094.0f / 4096.0f},
        {TKOSC_TRIANGLE, 512, 0.5f}, // quarters: rise 0 -> 1, fall to -1, rise back to 0
        {TKOSC_TRIANGLE, 1023, 1023.0f / 1024.0f},
        {TKOSC_TRIANGLE, 1024, 1.0f},
        {TKOSC_TRIANGLE, 2560, -0.5f},
        {TKOSC_TRIANGLE, 3072, -1.0f},
        {TKOSC_TRIANGLE, 4095, -1.0f / 1024.0f},
        {TKOSC_SINE, 1024, 1.0f},
        {TKOSC_SINE, 3072, -1.0f},
    };
    for (const auto& p : points)
        EXPECT_EQ(p.v, table(p.waveform)[p.i]) << "waveform " << p.waveform << " at " << p.i;

    for (int i = 0; i < TKOSC_TABLE_SIZE; ++i)
    {
        ASSERT_NEAR(std::sin(2.0 * 3.141592653589793 * i / 4096.0), table(TKOSC_SINE)[i], 1e-6) << i;
        ASSERT_EQ(table(TKOSC_SINE)[i] > 0.0f ? 1.0f : -1.0f, table(TKOSC_SQUARE)[i]) << i;
        const float* tri = table(TKOSC_TRIANGLE);
        ASSERT_LE(std::fabs(tri[i] - tri[i > 0 ? i - 1 : 0]), 1.0f / 1024.0f + 1e-7f);
    }
}

TEST(TKOscNoise, NoiseTablesDrawFromRandInOrderWaveTableFirst)
{
    ASSERT_EQ(0, __PinkNoise_retainCount);
    ASSERT_EQ(0, __TKOsc_retainCount);
    TKRand_Seed_This_Thread(1);
    TKOSC_Prepare_Buffers();
    PinkNoise_Retain();

    // The tables hold what rand() itself would have given them from the same seed.
    std::srand(1);
    for (int i = 0; i < TKOSC_TABLE_SIZE; ++i)
    {
        const double expected = static_cast<double>(std::rand() % 32767) / 32767.0 * 2.0 - 1.0;
        ASSERT_EQ(static_cast<float>(expected), __TKOsc_buffers[TKOSC_NOISE][i]) << i;
    }
    // The noise table: one-pole low-passed white noise.
    double v = 0.0;
    for (int i = 0; i < PINKNOISE_LENGTH; ++i)
    {
        const float white = static_cast<float>(std::rand() % 100000) / 50000.0f - 1.0f;
        v = v * 0.9180664433243436 + static_cast<double>(white) * 0.08193355667565638;
        ASSERT_EQ(static_cast<float>(v) * 3.0f, __PinkNoise_data[i]) << i;
    }
    PinkNoise_Release();
    TKOSC_Dispose_Buffers();
}

//==============================================================================
TEST_F(TKOscTables, OscillatorStepsThroughTheTableWithoutInterpolating)
{
    TKOsc osc;
    TKOsc_Init(&osc, TKOSC_SQUARE, 44100.0f);
    EXPECT_EQ(static_cast<double>((1.0f / 44100.0f) * 4096.0f), osc.increment);

    // The waveform argument chooses the table, not the one given to TKOsc_Init.
    EXPECT_EQ(table(TKOSC_SINE)[0], TKOsc_Step(&osc, TKOSC_SINE, 5.0));
    EXPECT_NEAR(0.4644, osc.phase, 1e-4);
    expectEntryByEntry(osc, 5.0, 8819);
    EXPECT_NEAR(4096.0, osc.phase, 1e-4) << "one cycle of 5 Hz is 8820 samples (the increment is a float)";

    TKOsc_Init(&osc, TKOSC_SINE, 48000.0f);
    EXPECT_EQ(0.0, osc.phase) << "TKOsc_Init restarts the phase";
}

TEST_F(TKOscTables, PhaseFoldKeepsTheOutputOfAnUnwrappedPhase)
{
    // At 32768 Hz the increment is exactly 1/8 position per Hz, so every phase here is exact and
    // the unwrapped reference is the true table position, far past the 32-bit index range.
    TKOsc osc;
    TKOsc_Init(&osc, TKOSC_SINE, 32768.0f);
    double reference = 2147483648.0 - 5000.0;
    osc.phase = reference;
    for (int n = 0; n < 100000; ++n)
    {
        reference += 5.3125 * 0.125;
        ASSERT_EQ(unwrappedEntry(TKOSC_SINE, reference), TKOsc_Step(&osc, TKOSC_SINE, 5.3125)) << n;
        ASSERT_LT(osc.phase, 2147483648.0);
    }
    EXPECT_GE(osc.phase, 1073741824.0) << "the fold keeps the phase in the range it left";

    // Below 2^31 nothing is folded: at 44100 Hz the phase is the plain sum.
    TKOsc_Init(&osc, TKOSC_SINE, 44100.0f);
    reference = 2147483648.0 - 1000.0;
    osc.phase = reference;
    while ((reference = 5.0 * osc.increment + reference) < 2147483648.0)
    {
        ASSERT_EQ(unwrappedEntry(TKOSC_SINE, reference), TKOsc_Step(&osc, TKOSC_SINE, 5.0));
        ASSERT_EQ(reference, osc.phase);
    }
    // Past it, the folded phase still walks the table one entry at a time.
    expectEntryByEntry(osc, 5.0, 5000);
    EXPECT_LT(osc.phase, 2147483648.0);
}

TEST_F(TKOscTables, BadFrequenciesKeepTheIndexInTheTable)
{
    TKOsc osc;
    TKOsc_Init(&osc, TKOSC_SINE, 44100.0f);
    for (double f : {1e15, -1e15, -5.0, 1e300, std::nan(""), HUGE_VAL, -HUGE_VAL, 5.0})
    {
        const float out = TKOsc_Step(&osc, TKOSC_SINE, f);
        EXPECT_TRUE(out >= -1.0f && out <= 1.0f) << f;
        EXPECT_TRUE(osc.phase < 2147483648.0 && osc.phase > -2147483648.0) << f;
    }
    // Running backwards reads the table backwards.
    TKOsc_Init(&osc, TKOSC_SINE, 4096.0f);
    EXPECT_EQ(table(TKOSC_SINE)[4094], TKOsc_Step(&osc, TKOSC_SINE, -2.0));
    EXPECT_EQ(table(TKOSC_SINE)[4093], TKOsc_Step(&osc, TKOSC_SINE, -1.0));
}

//==============================================================================
// The wave tables and the noise table share one reference-count contract.
struct SharedTable
{
    const char* name;
    void (*take)();
    void (*drop)();
    const float* (*data)();
    int32_t (*count)();
    bool (*valid)(); // the table is held and fully built
};

std::ostream& operator<<(std::ostream& os, const SharedTable& t)
{
    return os << t.name;
}

class SharedTables : public ::testing::TestWithParam<SharedTable>
{
};

TEST_P(SharedTables, HoldersShareTheTableAndTheLastFreesIt)
{
    const SharedTable& t = GetParam();
    ASSERT_EQ(0, t.count());
    t.take();
    const float* const first = t.data();
    ASSERT_TRUE(t.valid());
    t.take();
    EXPECT_EQ(2, t.count());
    EXPECT_EQ(first, t.data()) << "the second holder shares the table";
    t.drop();
    EXPECT_EQ(first, t.data());
    EXPECT_TRUE(t.valid());
    t.drop();
    EXPECT_EQ(nullptr, t.data());

    // An unmatched drop leaves the count at zero, so the next holder still builds.
    t.drop();
    EXPECT_EQ(0, t.count());
    t.take();
    EXPECT_TRUE(t.valid());
    EXPECT_EQ(1, t.count());
    t.drop();
    EXPECT_EQ(nullptr, t.data());
}

TEST_P(SharedTables, ConcurrentHoldersNeverSeeTheTableRebuiltOrFreed)
{
    const SharedTable& t = GetParam();
    ASSERT_EQ(0, t.count());
    t.take(); // the long-lived holder
    const float* const held = t.data();
    EXPECT_EQ(0, churnReferences(16, 200, t.take, t.drop, [&] { return t.valid() && t.data() == held; }));
    EXPECT_EQ(1, t.count());
    EXPECT_EQ(held, t.data());
    t.drop();
    EXPECT_EQ(nullptr, t.data());

    // Without a holder the table is built and freed over and over while others read it.
    EXPECT_EQ(0, churnReferences(8, 30, t.take, t.drop, t.valid));
    EXPECT_EQ(0, t.count());
    EXPECT_EQ(nullptr, t.data());
}

INSTANTIATE_TEST_SUITE_P(
    , SharedTables,
    ::testing::Values(SharedTable{"WaveTables", TKOSC_Prepare_Buffers, TKOSC_Dispose_Buffers,
                                  [] { return static_cast<const float*>(__TKOsc_buffers[TKOSC_SINE]); },
                                  [] { return __TKOsc_retainCount; },
                                  []
                                  {
                                      const float* sine = __TKOsc_buffers[TKOSC_SINE];
                                      return sine != nullptr && sine[1024] == 1.0f &&
                                             __TKOsc_buffers[TKOSC_NOISE] != nullptr;
                                  }},
                      SharedTable{"NoiseTable", PinkNoise_Retain, PinkNoise_Release,
                                  [] { return static_cast<const float*>(__PinkNoise_data); },
                                  [] { return __PinkNoise_retainCount; },
                                  []
                                  {
                                      const float* d = __PinkNoise_data;
                                      return d != nullptr && std::isfinite(d[0]) &&
                                             std::isfinite(d[PINKNOISE_LENGTH - 1]);
                                  }}),
    [](const ::testing::TestParamInfo<SharedTable>& info) { return std::string(info.param.name); });
