#include "dsp/PinkNoise.h"
#include "dsp/TKOsc.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "ReferenceChurn.h"

// rand() is process-wide and other tests draw from it too, so each test that checks table
// content re-seeds it with srand(1) both before building the tables and before computing its
// reference. The program itself never seeds it.

namespace
{

// The noise table as the first processor of a process builds it: one-pole low-passed white
// noise, drawn after the 4096 draws of the noise wave table.
std::vector<float> referenceNoise()
{
    std::vector<float> table(PINKNOISE_LENGTH);
    double v = 0.0;
    for (float& out : table)
    {
        const float white = static_cast<float>(std::rand() % 100000) / 50000.0f - 1.0f;
        v = v * 0.9180664433243436 + static_cast<double>(white) * 0.08193355667565638;
        out = static_cast<float>(v) * 3.0f;
    }
    return table;
}

} // namespace

TEST(PinkNoise, TableFollowsTheWaveTablesInTheRandomSequence)
{
    ASSERT_EQ(0, __PinkNoise_retainCount);
    ASSERT_EQ(0, __TKOsc_retainCount);

    std::srand(1);
    TKOSC_Prepare_Buffers();
    PinkNoise_Retain();
    ASSERT_NE(nullptr, __PinkNoise_data);

    std::srand(1);
    for (int i = 0; i < TKOSC_TABLE_SIZE; ++i)
    {
        const double expected = static_cast<double>(std::rand() % 32767) / 32767.0 * 2.0 - 1.0;
        ASSERT_EQ(static_cast<float>(expected), __TKOsc_buffers[TKOSC_NOISE][i]) << i;
    }
    const std::vector<float> expected = referenceNoise();
    for (int i = 0; i < PINKNOISE_LENGTH; ++i)
        ASSERT_EQ(expected[i], __PinkNoise_data[i]) << i;

    PinkNoise_Release();
    TKOSC_Dispose_Buffers();
    EXPECT_EQ(nullptr, __PinkNoise_data);
}

TEST(PinkNoise, TableIsLowPassedNoiseAroundZero)
{
    PinkNoise_Retain();
    const float* noise = __PinkNoise_data;
    double sum = 0.0, sumSq = 0.0, lag1 = 0.0;
    for (int i = 0; i < PINKNOISE_LENGTH; ++i)
    {
        ASSERT_TRUE(std::isfinite(noise[i]));
        ASSERT_LT(std::fabs(noise[i]), 3.0f);
        sum += noise[i];
        sumSq += static_cast<double>(noise[i]) * noise[i];
        if (i > 0)
            lag1 += static_cast<double>(noise[i]) * noise[i - 1];
    }
    const double mean = sum / PINKNOISE_LENGTH;
    EXPECT_NEAR(0.0, mean, 0.05);
    // White noise of variance 1/3 through the one-pole filter, times 3: variance about 0.128.
    EXPECT_NEAR(0.128, sumSq / PINKNOISE_LENGTH, 0.02);
    // A one-pole low-pass with pole 0.918 correlates neighbouring samples by about that much.
    EXPECT_NEAR(0.918, lag1 / sumSq, 0.01);
    PinkNoise_Release();
}

TEST(PinkNoise, HoldersShareTheTableAndTheLastFreesIt)
{
    ASSERT_EQ(0, __PinkNoise_retainCount);
    PinkNoise_Retain();
    float* const first = __PinkNoise_data;
    PinkNoise_Retain();
    EXPECT_EQ(first, __PinkNoise_data);
    EXPECT_EQ(2, __PinkNoise_retainCount);
    PinkNoise_Release();
    EXPECT_EQ(first, __PinkNoise_data);
    PinkNoise_Release();
    EXPECT_EQ(nullptr, __PinkNoise_data);
    EXPECT_EQ(0, __PinkNoise_retainCount);

    PinkNoise_Release(); // unmatched: the count stays at zero
    EXPECT_EQ(0, __PinkNoise_retainCount);
    PinkNoise_Retain();
    EXPECT_NE(nullptr, __PinkNoise_data);
    EXPECT_EQ(1, __PinkNoise_retainCount);
    PinkNoise_Release();
    EXPECT_EQ(nullptr, __PinkNoise_data);
}

TEST(PinkNoise, ConcurrentHoldersNeverSeeTheTableRebuiltOrFreed)
{
    ASSERT_EQ(0, __PinkNoise_retainCount);
    PinkNoise_Retain();
    float* const held = __PinkNoise_data;
    const float probe = held[PINKNOISE_LENGTH - 1];

    auto valid = [](const float* data)
    { return data != nullptr && std::isfinite(data[0]) && std::isfinite(data[PINKNOISE_LENGTH - 1]); };

    EXPECT_EQ(0, churnReferences(16, 200, PinkNoise_Retain, PinkNoise_Release,
                                 [&] { return valid(__PinkNoise_data) && __PinkNoise_data == held; }));
    EXPECT_EQ(1, __PinkNoise_retainCount);
    EXPECT_EQ(held, __PinkNoise_data);
    EXPECT_EQ(probe, __PinkNoise_data[PINKNOISE_LENGTH - 1]) << "the held table was never rebuilt";
    PinkNoise_Release();
    EXPECT_EQ(nullptr, __PinkNoise_data);

    // Without a holder the table is built and freed over and over.
    EXPECT_EQ(0, churnReferences(8, 20, PinkNoise_Retain, PinkNoise_Release,
                                 [&] { return valid(__PinkNoise_data); }));
    EXPECT_EQ(0, __PinkNoise_retainCount);
    EXPECT_EQ(nullptr, __PinkNoise_data);
}
