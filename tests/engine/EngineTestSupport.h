#pragma once

// The engine tests' shared fixture: a real formant channel that logs the actions it applies and
// lets the tests see its voices and bookkeeping, driven by raw MIDI as the processor drives it.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <vector>

#include "dsp/PinkNoise.h"
#include "dsp/TKOsc.h"
#include "dsp/TKRand.h"
#include "formant/FormantChannel.h"
#include "formant/FormantVoice.h"

/** Sample rates (Hz) every part that takes a rate refuses, keeping its last good one: too low for
    the reverb's delay lines, narrowing to a float 0, too large for them, and not numbers. */
inline const std::vector<double> unsupportedSampleRates = {
    0.0, -44100.0, 100.0, 195.0, 1e-300, 7999.0, 768001.0, 1.31e6, 1e300,
    std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()};

namespace formant_test
{

constexpr double Rate = 44100.0;

/** A formant channel whose voices and bookkeeping the tests may inspect. */
class ProbeChannel : public FormantChannel
{
public:
    explicit ProbeChannel(LockFunction lock = nullptr, void* context = nullptr, float rate = 44100.0f)
        : FormantChannel(lock, context, rate)
    {
    }

    /** Type, note and frame offset of an applied action. */
    using Applied = std::array<int32_t, 3>;
    void parseActionMessage(ActionMessage* message) override
    {
        applied.push_back({message->type, message->note, static_cast<int32_t>(currentSample - blockStart)});
        FormantChannel::parseActionMessage(message);
    }

    /** Active voices, newest first. */
    std::vector<FormantVoice*> active() const
    {
        std::vector<FormantVoice*> list;
        for (SynthBase::Voice* v = voicePool.getActiveHead(); v != nullptr; v = v->next)
            list.push_back(static_cast<FormantVoice*>(v));
        return list;
    }
    FormantVoice* newest() const { return static_cast<FormantVoice*>(voicePool.getActiveHead()); }
    SynthBase::Voice* mapped(int note) const { return noteVoices[note]; }
    int32_t held() const { return heldCount; }
    int32_t queued() const { return incomingCount; }

    std::vector<Applied> applied; // in the order applied
};

/** Holds the shared tables for the suite and seeds rand() per test, so every render is repeatable. */
class FormantFixture : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        TKOSC_Prepare_Buffers();
        PinkNoise_Retain();
    }
    static void TearDownTestSuite()
    {
        PinkNoise_Release();
        TKOSC_Dispose_Buffers();
    }
    void SetUp() override
    {
        TKRand_Seed_This_Thread(1);
        newChannel();
    }

    /** Replaces the channel with a fresh one, without pitch jitter unless a test asks for it. */
    void newChannel(SynthBase::Channel::LockFunction lock = nullptr, void* context = nullptr)
    {
        ch = std::make_unique<ProbeChannel>(lock, context);
        ch->setParameter(FormantChannel::ParamCordDisturb, 0.0f);
    }

    void noteOn(int note, int velocity = 100, int time = 0)
    {
        ch->midiIn(0x90, static_cast<unsigned char>(note), static_cast<unsigned char>(velocity), time, true);
    }
    void noteOff(int note, int time = 0)
    {
        ch->midiIn(0x80, static_cast<unsigned char>(note), 64, time, true);
    }
    void pedal(int value) { ch->midiIn(0xB0, 64, static_cast<unsigned char>(value), 0, true); }

    /** Renders frames in blocks as the processor does (each block's frames counted from 0); returns
        interleaved L, R. Zero frames still start one empty block. */
    std::vector<float> render(int frames, int blockSize = 256)
    {
        std::vector<float> out(static_cast<size_t>(frames) * 2, 0.0f);
        int done = 0;
        do
        {
            const int n = std::min(blockSize, frames - done);
            ch->prepareForSampleBuffer(0, n);
            for (int s = 0; s < n; ++s)
                ch->getFrame(static_cast<unsigned long>(s), &out[static_cast<size_t>(done + s) * 2]);
            done += n;
        } while (done < frames);
        return out;
    }

    std::unique_ptr<ProbeChannel> ch;
};

/** One channel of an interleaved stereo render, from frame `from` on. */
inline std::vector<double> channelOf(const std::vector<float>& stereo, int channel, size_t from = 0)
{
    std::vector<double> x;
    for (size_t k = from * 2 + static_cast<size_t>(channel); k < stereo.size(); k += 2)
        x.push_back(stereo[k]);
    return x;
}

/** Energy of x (Hann-windowed) summed over DFT bins from lo to hi Hz in 5 Hz steps. */
inline double bandEnergy(const std::vector<double>& x, double lo, double hi)
{
    const double pi = 3.141592653589793, size = static_cast<double>(x.size());
    double total = 0.0;
    for (double f = lo; f <= hi; f += 5.0)
    {
        double re = 0.0, im = 0.0;
        for (size_t i = 0; i < x.size(); ++i)
        {
            const double t = static_cast<double>(i);
            const double w = (0.5 - 0.5 * std::cos(2.0 * pi * t / size)) * x[i];
            re += w * std::cos(2.0 * pi * f * t / Rate);
            im -= w * std::sin(2.0 * pi * f * t / Rate);
        }
        total += re * re + im * im;
    }
    return total;
}

} // namespace formant_test
