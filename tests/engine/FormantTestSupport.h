#pragma once

// Shared set-up for tests that render the formant instrument: the process-wide tables held for the
// whole suite, a channel that exposes its voices, and rendering and analysis helpers.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

#include "dsp/PinkNoise.h"
#include "dsp/TKOsc.h"
#include "formant/FormantChannel.h"
#include "formant/FormantVoice.h"

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
    const TKADSRParams& envelopeSettings() const { return adsrParams; }
    int32_t held() const { return heldCount; }
    int32_t queued() const { return incomingCount; }
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
        std::srand(1);
        newChannel();
    }

    /** Replaces the channel with a fresh one, without pitch jitter unless a test asks for it. */
    void newChannel()
    {
        ch = std::make_unique<ProbeChannel>();
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

    /** Renders frames in blocks as the processor does (block start 0); returns interleaved L, R. */
    std::vector<float> render(int frames, int blockSize = 256)
    {
        return renderChannel(*ch, frames, blockSize);
    }

    static std::vector<float> renderChannel(FormantChannel& channel, int frames, int blockSize = 256)
    {
        std::vector<float> out(static_cast<size_t>(frames) * 2, 0.0f);
        for (int done = 0; done < frames; done += blockSize)
        {
            const int n = std::min(blockSize, frames - done);
            channel.prepareForSampleBuffer(0, n);
            for (int s = 0; s < n; ++s)
                channel.getFrame(static_cast<unsigned long>(s), &out[static_cast<size_t>(done + s) * 2]);
        }
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

/** Period in samples: the shortest lag whose normalised autocorrelation comes within 10 % of the
    best one between minLag and maxLag. */
inline double periodOf(const std::vector<double>& x, int minLag, int maxLag)
{
    std::vector<double> r(static_cast<size_t>(maxLag) + 2, 0.0);
    double best = 0.0;
    const size_t n = x.size() - static_cast<size_t>(maxLag) - 1;
    for (int lag = minLag; lag <= maxLag + 1; ++lag)
    {
        double xy = 0.0, xx = 0.0, yy = 0.0;
        for (size_t i = 0; i < n; ++i)
        {
            xy += x[i] * x[i + static_cast<size_t>(lag)];
            xx += x[i] * x[i];
            yy += x[i + static_cast<size_t>(lag)] * x[i + static_cast<size_t>(lag)];
        }
        r[static_cast<size_t>(lag)] = xy / std::sqrt(xx * yy + 1e-30);
        best = std::max(best, r[static_cast<size_t>(lag)]);
    }
    for (int lag = minLag + 1; lag <= maxLag; ++lag)
    {
        const double c = r[static_cast<size_t>(lag)];
        if (c >= 0.9 * best && c >= r[static_cast<size_t>(lag) - 1] && c >= r[static_cast<size_t>(lag) + 1])
        {
            // Parabolic interpolation around the peak for a sub-sample period.
            const double a = r[static_cast<size_t>(lag) - 1], b = r[static_cast<size_t>(lag) + 1];
            const double denom = a - 2.0 * c + b;
            return lag + (denom != 0.0 ? 0.5 * (a - b) / denom : 0.0);
        }
    }
    return 0.0;
}

/** Energy of x (Hann-windowed) summed over DFT bins from lo to hi Hz in 5 Hz steps. */
inline double bandEnergy(const std::vector<double>& x, double lo, double hi)
{
    const double pi = 3.141592653589793;
    double total = 0.0;
    for (double f = lo; f <= hi; f += 5.0)
    {
        double re = 0.0, im = 0.0;
        for (size_t i = 0; i < x.size(); ++i)
        {
            const double w =
                0.5 - 0.5 * std::cos(2.0 * pi * static_cast<double>(i) / static_cast<double>(x.size()));
            const double ph = 2.0 * pi * f * static_cast<double>(i) / Rate;
            re += w * x[i] * std::cos(ph);
            im -= w * x[i] * std::sin(ph);
        }
        total += re * re + im * im;
    }
    return total;
}

} // namespace formant_test
