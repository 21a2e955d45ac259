// The DC blocker on a real render of the formant channel: the offset goes (the processor's tests
// measure what is left of it at the output), the sound above 40 Hz stays within 0.1 dB.

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <vector>

#include "EngineTestSupport.h"
#include "ParameterTables.h"
#include "dsp/DCBlocker.h"

namespace
{

using namespace formant_test;
using P = FormantChannel::ParameterId;

using DCBlockerTest = FormantFixture;

double meanOf(const std::vector<double>& x)
{
    return std::accumulate(x.begin(), x.end(), 0.0) / static_cast<double>(x.size());
}

TEST_F(DCBlockerTest, TakesOutTheOffsetAndLeavesTheSpectrumAbove40HzWithinATenthOfADecibel)
{
    // 24 held notes at the defaults; the last 16384 frames are analysed, long after the attack and
    // the blocker's own settling (its time constant is 32 ms).
    ch->setParameter(P::ParamCordDisturb, ParameterDefaultValues[P::ParamCordDisturb]);
    for (int k = 0; k < 24; ++k)
        noteOn(36 + 2 * k, 100, k);
    constexpr int frames = 49152, analysed = 16384;
    const std::vector<float> raw = render(frames);

    for (int c = 0; c < 2; ++c)
    {
        std::vector<float> blocked(static_cast<size_t>(frames));
        for (size_t s = 0; s < blocked.size(); ++s)
            blocked[s] = raw[2 * s + static_cast<size_t>(c)];
        DCBlocker blocker(Rate);
        blocker.process(blocked.data(), frames);

        const std::vector<double> before = channelOf(raw, c, frames - analysed);
        const std::vector<double> after(blocked.end() - analysed, blocked.end());
        const double dcDrop = 10.0 * std::log10(bandEnergy(after, 0, 0) / bandEnergy(before, 0, 0));
        EXPECT_LT(dcDrop, -40.0) << "channel " << c << ", offset " << meanOf(before);

        const double bands[][2] = {{40, 80},    {80, 160},    {160, 320},   {320, 640},
                                   {640, 1280}, {1280, 2560}, {5000, 5100}, {10000, 10100}};
        for (const auto& band : bands)
        {
            const double dB =
                10.0 * std::log10(bandEnergy(after, band[0], band[1]) / bandEnergy(before, band[0], band[1]));
            EXPECT_LT(std::abs(dB), 0.1) << "channel " << c << ", " << band[0] << " to " << band[1] << " Hz";
        }
    }
}

TEST(DCBlocker, KeepsItsLastGoodRate)
{
    DCBlocker blocker(48000.0);
    for (double rate : unsupportedSampleRates)
        blocker.setSampleRate(rate);
    EXPECT_EQ(blocker.getSampleRate(), 48000.0);
    for (double rate : {8000.0, 768000.0})
    {
        blocker.setSampleRate(rate);
        EXPECT_EQ(blocker.getSampleRate(), rate);
    }
}

} // namespace
