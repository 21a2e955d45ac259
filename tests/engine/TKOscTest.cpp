#include "dsp/TKOsc.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "ReferenceChurn.h"

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
};

// Entry of waveform at an unwrapped phase, indexed through 64 bits so it never overflows.
float unwrappedEntry(int waveform, double phase)
{
    return __TKOsc_buffers[waveform][static_cast<int64_t>(phase) & TKOSC_TABLE_MASK];
}

} // namespace

//==============================================================================
TEST_F(TKOscTables, SquareSawAndTriangleHaveTheirShapes)
{
    const float* square = table(TKOSC_SQUARE);
    const float* saw = table(TKOSC_SAW);
    const float* tri = table(TKOSC_TRIANGLE);
    const float* sine = table(TKOSC_SINE);

    EXPECT_EQ(-1.0f, square[0]) << "the sine of 0 is not above 0";
    EXPECT_EQ(1.0f, square[1]);
    EXPECT_EQ(1.0f, square[2047]);
    EXPECT_EQ(-1.0f, square[3000]);
    for (int i = 0; i < TKOSC_TABLE_SIZE; ++i)
        ASSERT_EQ(sine[i] > 0.0f ? 1.0f : -1.0f, square[i]) << i;

    EXPECT_EQ(-1.0f, saw[0]);
    EXPECT_EQ(0.0f, saw[2048]);
    EXPECT_EQ(4094.0f / 4096.0f, saw[4095]);

    // Quarters: rise 0 -> 1, fall to 0 and on to -1, rise back to 0.
    const struct
    {
        int i;
        float v;
    } points[] = {{0, 0.0f},
                  {512, 0.5f},
                  {1023, 1023.0f / 1024.0f},
                  {1024, 1.0f},
                  {1536, 0.5f},
                  {2048, 0.0f},
                  {2560, -0.5f},
                  {3072, -1.0f},
                  {3584, -0.5f},
                  {4095, -1.0f / 1024.0f}};
    for (const auto& p : points)
        EXPECT_EQ(p.v, tri[p.i]) << "triangle at " << p.i;
    for (int i = 1; i < TKOSC_TABLE_SIZE; ++i)
        ASSERT_LE(std::fabs(tri[i] - tri[i - 1]), 1.0f / 1024.0f + 1e-7f) << i;
}

TEST_F(TKOscTables, SineAndNoiseStayInRange)
{
    const float* sine = table(TKOSC_SINE);
    EXPECT_EQ(0.0f, sine[0]);
    EXPECT_EQ(1.0f, sine[1024]);
    EXPECT_EQ(-1.0f, sine[3072]);
    EXPECT_NEAR(0.0f, sine[2048], 1e-6f);
    EXPECT_NEAR(std::sqrt(0.5f), sine[512], 1e-7f);
    for (int i = 0; i < TKOSC_TABLE_SIZE; ++i)
        ASSERT_NEAR(std::sin(2.0 * 3.141592653589793 * i / 4096.0), sine[i], 1e-6) << i;

    const float* noise = table(TKOSC_NOISE);
    double sum = 0.0;
    for (int i = 0; i < TKOSC_TABLE_SIZE; ++i)
    {
        ASSERT_GE(noise[i], -1.0f);
        ASSERT_LE(noise[i], 1.0f);
        sum += noise[i];
    }
    EXPECT_NEAR(0.0, sum / TKOSC_TABLE_SIZE, 0.05);
}

//==============================================================================
TEST_F(TKOscTables, OscillatorStepsThroughTheTableWithoutInterpolating)
{
    TKOsc osc;
    TKOsc_Init(&osc, TKOSC_SQUARE, 44100.0f);
    EXPECT_EQ(static_cast<double>((1.0f / 44100.0f) * 4096.0f), osc.increment);
    EXPECT_EQ(4096, osc.size);
    EXPECT_EQ(4095, osc.mask);
    EXPECT_EQ(0.0, osc.phase);

    // The waveform argument chooses the table, not the one given to TKOsc_Init.
    const float first = TKOsc_Step(&osc, TKOSC_SINE, 5.0);
    EXPECT_NEAR(0.4644, osc.phase, 1e-4);
    EXPECT_EQ(table(TKOSC_SINE)[0], first);

    int lastIndex = 0;
    for (int n = 2; n <= 8820; ++n)
    {
        const float out = TKOsc_Step(&osc, TKOSC_SINE, 5.0);
        const int index = static_cast<int>(osc.phase) & TKOSC_TABLE_MASK;
        ASSERT_EQ(table(TKOSC_SINE)[index], out);
        ASSERT_TRUE(index == lastIndex || index == (lastIndex + 1) % TKOSC_TABLE_SIZE) << n;
        lastIndex = index;
    }
    EXPECT_NEAR(4096.0, osc.phase, 1e-4) << "one cycle of 5 Hz is 8820 samples (the increment is a float)";

    // TKOsc_Init restarts the phase.
    TKOsc_Init(&osc, TKOSC_SINE, 48000.0f);
    EXPECT_EQ(0.0, osc.phase);
}

TEST_F(TKOscTables, PhaseFoldKeepsTheOutputOfAnUnwrappedPhase)
{
    // At 32768 Hz the increment is exactly 1/8 position per Hz, so every phase here is exact and
    // the unwrapped reference is the true table position, far past the 32-bit index range.
    TKOsc osc;
    TKOsc_Init(&osc, TKOSC_SINE, 32768.0f);
    ASSERT_EQ(0.125, osc.increment);
    double reference = 2147483648.0 - 5000.0;
    osc.phase = reference;
    for (int n = 0; n < 100000; ++n)
    {
        reference += 5.3125 * 0.125;
        const float out = TKOsc_Step(&osc, TKOSC_SINE, 5.3125);
        ASSERT_EQ(unwrappedEntry(TKOSC_SINE, reference), out) << "step " << n;
        ASSERT_LT(osc.phase, 2147483648.0);
    }
    EXPECT_GE(osc.phase, 1073741824.0) << "the fold keeps the phase in the range it left";
    EXPECT_EQ(std::fmod(reference, 4096.0), std::fmod(osc.phase, 4096.0));

    // Below 2^31 nothing is folded: at 44100 Hz the phase is the plain sum.
    TKOsc_Init(&osc, TKOSC_SINE, 44100.0f);
    reference = 2147483648.0 - 1000.0;
    osc.phase = reference;
    for (int n = 0; n < 2000; ++n)
    {
        reference = 5.0 * osc.increment + reference;
        if (reference >= 2147483648.0)
            break;
        ASSERT_EQ(unwrappedEntry(TKOSC_SINE, reference), TKOsc_Step(&osc, TKOSC_SINE, 5.0));
        ASSERT_EQ(reference, osc.phase);
    }
    // Past it, the folded phase still walks the table one entry at a time.
    int lastIndex = static_cast<int>(osc.phase) & TKOSC_TABLE_MASK;
    for (int n = 0; n < 5000; ++n)
    {
        TKOsc_Step(&osc, TKOSC_SINE, 5.0);
        const int index = static_cast<int>(osc.phase) & TKOSC_TABLE_MASK;
        ASSERT_TRUE(index == lastIndex || index == (lastIndex + 1) % TKOSC_TABLE_SIZE) << n;
        lastIndex = index;
    }
    EXPECT_LT(osc.phase, 2147483648.0);
}

TEST_F(TKOscTables, BadFrequenciesKeepTheIndexInTheTable)
{
    TKOsc osc;
    TKOsc_Init(&osc, TKOSC_SINE, 44100.0f);
    for (double f : {1e15, -1e15, -5.0, 1e300, std::nan(""), HUGE_VAL, -HUGE_VAL, 5.0})
    {
        const float out = TKOsc_Step(&osc, TKOSC_SINE, f);
        EXPECT_GE(out, -1.0f) << f;
        EXPECT_LE(out, 1.0f) << f;
        EXPECT_LT(osc.phase, 2147483648.0) << f;
        EXPECT_GT(osc.phase, -2147483648.0) << f;
    }
    // Running backwards reads the table backwards.
    TKOsc_Init(&osc, TKOSC_SINE, 4096.0f);
    ASSERT_EQ(1.0, osc.increment);
    EXPECT_EQ(table(TKOSC_SINE)[4094], TKOsc_Step(&osc, TKOSC_SINE, -2.0));
    EXPECT_EQ(table(TKOSC_SINE)[4093], TKOsc_Step(&osc, TKOSC_SINE, -1.0));
}

//==============================================================================
TEST(TKOscSharing, HoldersShareTheTablesAndTheLastFreesThem)
{
    ASSERT_EQ(0, __TKOsc_retainCount);
    TKOSC_Prepare_Buffers();
    float* const first = __TKOsc_buffers[TKOSC_SINE];
    ASSERT_NE(nullptr, first);
    TKOSC_Prepare_Buffers();
    EXPECT_EQ(2, __TKOsc_retainCount);
    EXPECT_EQ(first, __TKOsc_buffers[TKOSC_SINE]) << "the second holder shares the tables";

    TKOSC_Dispose_Buffers();
    EXPECT_EQ(1, __TKOsc_retainCount);
    EXPECT_EQ(first, __TKOsc_buffers[TKOSC_SINE]);
    EXPECT_EQ(1.0f, __TKOsc_buffers[TKOSC_SINE][1024]);

    TKOSC_Dispose_Buffers();
    EXPECT_EQ(0, __TKOsc_retainCount);
    for (float* t : __TKOsc_buffers)
        EXPECT_EQ(nullptr, t);

    // An unmatched drop leaves the count at zero, so the next holder still builds.
    TKOSC_Dispose_Buffers();
    EXPECT_EQ(0, __TKOsc_retainCount);

    TKOSC_Prepare_Buffers();
    for (float* t : __TKOsc_buffers)
        EXPECT_NE(nullptr, t);
    EXPECT_EQ(1.0f, __TKOsc_buffers[TKOSC_SINE][1024]);
    EXPECT_EQ(-1.0f, __TKOsc_buffers[TKOSC_SQUARE][0]);
    TKOSC_Dispose_Buffers();
    EXPECT_EQ(0, __TKOsc_retainCount);
}

TEST(TKOscSharing, ConcurrentHoldersNeverSeeTablesRebuiltOrFreed)
{
    ASSERT_EQ(0, __TKOsc_retainCount);
    TKOSC_Prepare_Buffers(); // the long-lived holder
    float* const held = __TKOsc_buffers[TKOSC_SINE];

    auto valid = []
    {
        const float* sine = __TKOsc_buffers[TKOSC_SINE];
        return sine != nullptr && sine[1024] == 1.0f && __TKOsc_buffers[TKOSC_NOISE] != nullptr;
    };

    EXPECT_EQ(0, churnReferences(16, 200, TKOSC_Prepare_Buffers, TKOSC_Dispose_Buffers,
                                 [&] { return valid() && __TKOsc_buffers[TKOSC_SINE] == held; }));
    EXPECT_EQ(1, __TKOsc_retainCount);
    EXPECT_EQ(held, __TKOsc_buffers[TKOSC_SINE]);
    TKOSC_Dispose_Buffers();
    EXPECT_EQ(0, __TKOsc_retainCount);
    EXPECT_EQ(nullptr, __TKOsc_buffers[TKOSC_SINE]);

    // Without a holder the tables are built and freed over and over while others read them.
    EXPECT_EQ(0, churnReferences(8, 50, TKOSC_Prepare_Buffers, TKOSC_Dispose_Buffers, valid));
    EXPECT_EQ(0, __TKOsc_retainCount);
    for (float* t : __TKOsc_buffers)
        EXPECT_EQ(nullptr, t);
}
