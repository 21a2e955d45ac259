// The formant channel where the reference renders cannot tell: its lock, malformed input and sample
// rates, and the DC blocker on its output.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "dsp/DCBlocker.h"
#include "formant/FormantChannel.h"

namespace
{

/** A channel at 44.1 kHz that counts its lock; no voice starts (the wave tables are not built). */
class FormantChannelTest : public ::testing::Test
{
protected:
    int lock[2] = {0, 0}; // depth, times taken
    FormantChannel ch{[](bool take, void* context)
                      {
                          static_cast<int*>(context)[0] += take ? 1 : -1;
                          static_cast<int*>(context)[1] += take ? 1 : 0;
                      },
                      lock, 44100.0f};
};

TEST_F(FormantChannelTest, TakesTheLockWhereTheCallerDoesNotHoldItAndForThePedal)
{
    ch.midiIn(0xE0, 0, 64, 7, true);
    ch.midiIn(0x80, 60, 64, 8, false); // the caller does not hold the lock
    ch.midiIn(0xB0, 64, 127, 9, true); // the pedal takes it even so
    EXPECT_EQ(lock[1], 2);
    ch.prepareForSampleBuffer(0, 16); // the block start moves the queue under the lock
    ch.prepareForSampleBuffer(0, 16); // and skips it when nothing is queued
    EXPECT_EQ(lock[1], 3);
    EXPECT_EQ(lock[0], 0);
}

TEST_F(FormantChannelTest, IgnoresMalformedInput)
{
    // Notes out of range, other messages, controllers other than the pedal (the processor maps those).
    const unsigned char messages[][2] = {{0x90, 200}, {0x80, 0xFF}, {0xA0, 64}, {0xC0, 64},
                                         {0xD0, 64},  {0xF0, 64},   {0xF8, 64}, {0xB0, 7}};
    for (const auto& [status, data1] : messages)
        ch.midiIn(status, data1, 100, 0, true);
    ch.midiNoteOn(0, -1, 1.0f, 0, true);
    ch.midiNoteOff(0, 128, 1.0f, 0, true);
    ch.prepareForSampleBuffer(0, 16);
    EXPECT_EQ(lock[1], 0) << "nothing was queued";

    // Actions queued directly with a bad note or an unknown type change nothing.
    const int32_t actions[][2] = {{FormantChannel::ActionNoteOn, 300},
                                  {FormantChannel::ActionNoteOff, -5},
                                  {-1, 60},
                                  {FormantChannel::NumActionTypes, 60}};
    for (const auto& [type, note] : actions)
        ch.addActionMessage({type, 0, note, 440.0, 1.0}, true);
    ch.prepareForSampleBuffer(0, 2048);
    for (int s = 0; s < 2048; ++s)
    {
        float frame[2] = {0.0f, 0.0f};
        ch.getFrame(static_cast<unsigned long>(s), frame);
        ASSERT_EQ(frame[0], 0.0f) << s;
    }
}

TEST_F(FormantChannelTest, RefusesSampleRatesOutside8kHzTo768kHz)
{
    // Given to the channel and a DC blocker at 48 kHz: the rate each runs at, and the 44.1..192 kHz filter's.
    const double rates[][3] = {
        {-44100, 48000, 48000},  {1e-300, 48000, 48000},  {7999, 48000, 48000},     {768001, 48000, 48000},
        {1.31e6, 48000, 48000},  {NAN, 48000, 48000},     {HUGE_VAL, 48000, 48000}, {8000, 8000, 48000},
        {768000, 768000, 48000}, {200000, 200000, 48000}, {96000, 96000, 96000},    {192000, 192000, 192000},
    };
    DCBlocker blocker(48000.0);
    ch.setSampleRate(48000.0);
    ch.setParameter(FormantChannel::ParamMainVolume, 1.0f, 1.0); // a rate change ends ramps on their targets
    for (const auto& r : rates)
    {
        ch.setSampleRate(r[0]);
        blocker.setSampleRate(r[0]);
        EXPECT_EQ(ch.getSampleRate(), r[1]) << r[0];
        EXPECT_EQ(blocker.getSampleRate(), r[1]) << r[0];
        EXPECT_EQ(ch.getFilterSampleRate(), r[2]) << r[0];
    }
    EXPECT_EQ(ch.getParameterReal(FormantChannel::ParamMainVolume).f, 1.0f);

    // Each channel has its own filter rate, from the rate it is built at, or 44.1 kHz if it refuses it.
    EXPECT_EQ(FormantChannel(nullptr, nullptr, 96000.0f).getFilterSampleRate(), 96000.0);
    EXPECT_EQ(FormantChannel(nullptr, nullptr, 22050.0f).getFilterSampleRate(), 44100.0);
    EXPECT_EQ(FormantChannel(nullptr, nullptr, 1e-30f).getSampleRate(), 44100.0);
    EXPECT_EQ(ch.getFilterSampleRate(), 192000.0);
}

TEST(DCBlocker, TakesOutAnOffsetAndLeavesEverythingFrom40HzUpWithinATenthOfADecibel)
{
    // Amplitude 0.5: one second settles (the time constant is 32 ms), whole cycles of the next are measured.
    for (const int rate : {44100, 192000})
        for (const double hz : {0.0, 40.0, 80.0, 160.0, 640.0, 2560.0, 10000.0})
        {
            std::vector<float> x(static_cast<size_t>(2 * rate));
            for (size_t i = 0; i < x.size(); ++i)
                x[i] = static_cast<float>(0.5 * std::cos(2.0 * M_PI * hz * i / rate));
            DCBlocker blocker(48000.0);
            blocker.setSampleRate(rate);
            blocker.process(x.data(), static_cast<int>(x.size()));
            double power = 0.0;
            for (size_t i = x.size() / 2; i < x.size(); ++i)
                power += double(x[i]) * x[i] / rate;
            const double dB = 10.0 * std::log10(power / (hz == 0.0 ? 0.25 : 0.125));
            EXPECT_LT(hz == 0.0 ? dB : std::abs(dB), hz == 0.0 ? -40.0 : 0.1) << hz << " Hz at " << rate;
        }
}

} // namespace
