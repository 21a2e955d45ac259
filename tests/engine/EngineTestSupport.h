#pragma once

// Shared helpers of the engine tests: a minimal recording channel and voice for the synth
// framework, a formant channel fixture with rendering and analysis helpers, and a many-thread
// churn of the shared tables' references.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <thread>
#include <vector>

#include "dsp/PinkNoise.h"
#include "dsp/TKOsc.h"
#include "dsp/TKRand.h"
#include "formant/FormantChannel.h"
#include "formant/FormantVoice.h"
#include "synth/SynthChannel.h"
#include "synth/SynthVoice.h"

/** Sample rates (Hz) every part that takes a rate refuses, keeping its last good one: too low for
    the reverb's delay lines, narrowing to a float 0, too large for them, and not numbers. */
inline const std::vector<double> unsupportedSampleRates = {0.0,
                                                           -44100.0,
                                                           100.0,
                                                           195.0,
                                                           1e-300,
                                                           7999.0,
                                                           768001.0,
                                                           1.31e6,
                                                           1e300,
                                                           std::numeric_limits<double>::quiet_NaN(),
                                                           std::numeric_limits<double>::infinity()};

//==============================================================================
namespace fake
{

/** Records what the framework asks of it and renders a constant level. */
class Voice : public SynthBase::Voice
{
public:
    Voice(SynthBase::Channel* owner, int id_) : id(id_) { channel = owner; }

    void setParameter(int, float) override {}
    void setParameter(int, float, double) override {}
    float getParameter(int) override { return 0.0f; }
    bool isSustained() override { return channel->getSustain() >= 0.5f; }
    void noteOn() override { on = true, ++noteOns; }
    void noteOff() override { on = false, ++noteOffs; }
    bool isNoteOn() override { return on; }
    bool iterate(int numChannels, float* out) override
    {
        for (int k = 0; k < numChannels; ++k)
            out[k] = level;
        const bool finished = finishNow;
        on = on && !finished;
        finishNow = false;
        return finished;
    }

    const int id;
    bool on = false;
    int noteOns = 0, noteOffs = 0;
    float level = 1.0f;
    bool finishNow = false; // report finished on the next frame
};

struct MidiCall
{
    enum Kind
    {
        NoteOn,
        NoteOff,
        PitchBend,
        Control
    } kind;
    int channel;
    int number; // note or controller
    float value;
    int time;

    bool operator==(const MidiCall& o) const
    {
        return kind == o.kind && channel == o.channel && number == o.number && value == o.value &&
               time == o.time;
    }
};

/** Logs every MIDI call and every action it applies, with the frame offset it was applied on.
    Parameter 0: linear float 0..10, default 0.5; parameter 1: integer 0..2, default 0. */
class Channel : public SynthBase::Channel
{
public:
    explicit Channel(int numVoices = 24, LockFunction lock = nullptr, void* context = nullptr,
                     float rate = 44100.0f)
        : SynthBase::Channel(lock, context, rate)
    {
        std::vector<SynthBase::Voice*> list;
        for (int i = 0; i < numVoices; ++i)
            list.push_back(new fake::Voice(this, i));
        init(list, 2);
    }

    int getLegatoState() override { return legato; }

    void midiNoteOn(int ch, int note, float velocity, int time, bool noLock) override
    {
        midi.push_back({MidiCall::NoteOn, ch, note, velocity, time});
        addActionMessage(ActionMessage{0, time, note, 0.0, velocity}, noLock);
    }
    void midiNoteOff(int ch, int note, float velocity, int time, bool noLock) override
    {
        midi.push_back({MidiCall::NoteOff, ch, note, velocity, time});
        addActionMessage(ActionMessage{1, time, note, 0.0, velocity}, noLock);
    }
    void midiPitchBend(int ch, float value, int time, bool) override
    {
        midi.push_back({MidiCall::PitchBend, ch, 0, value, time});
    }
    void midiControlChange(int ch, int controller, float value, int time, bool) override
    {
        midi.push_back({MidiCall::Control, ch, controller, value, time});
    }

    int getNumParameters() override { return 2; }
    ParameterInitValues getParameterInitValues(int index) override
    {
        ParameterInitValues r{"", TKP_TYPE_FLOAT, 0.5f, {}, {}};
        r.minValue.f = 0.0f;
        r.maxValue.f = 10.0f;
        if (index == 1)
        {
            r = {"", TKP_TYPE_INT, 0.0f, {}, {}};
            r.minValue.i = 0;
            r.maxValue.i = 2;
        }
        return r;
    }
    void handleParameterChange(int index, TKParameterData real) override { changes.push_back({index, real}); }

    void parseActionMessage(ActionMessage* message) override
    {
        applied.push_back({*message, static_cast<int32_t>(currentSample - blockStart)});
    }
    void postProcessFrame(float*) override { ++postProcessed; }
    void sampleRateWasChanged() override { ++rateChanges; }

    /** What a concrete channel does with a note on / note off. */
    fake::Voice* strike(int note)
    {
        auto* v = static_cast<fake::Voice*>(getVoiceForNoteOn(note));
        if (v != nullptr && !v->isNoteOn())
            v->noteOn();
        return v;
    }
    void lift(int note)
    {
        if (SynthBase::Voice* v = getVoiceForNoteOff(note))
            v->noteOff();
    }

    fake::Voice* voice(int id)
    {
        return static_cast<fake::Voice*>(voicePool.getVoices()[static_cast<size_t>(id)]);
    }
    SynthBase::Voice* mapped(int note) const { return noteVoices[note]; }
    /** Active voices' ids, newest first. */
    std::vector<int> activeIds() const
    {
        std::vector<int> ids;
        for (SynthBase::Voice* v = voicePool.getActiveHead(); v != nullptr; v = v->next)
            ids.push_back(static_cast<fake::Voice*>(v)->id);
        return ids;
    }
    int32_t queuedCount() const { return incomingCount; }

    struct Applied
    {
        ActionMessage message;
        int32_t offset; // frame offset within the block it was applied on
    };
    struct Change
    {
        int index;
        TKParameterData real;
    };

    int legato = 0;
    std::vector<MidiCall> midi;
    std::vector<Applied> applied;
    std::vector<Change> changes;
    int postProcessed = 0;
    int rateChanges = 0;
};

/** Renders one block of n frames starting at sample 0, as the processor does; returns the frames
    (two floats each). */
inline std::vector<float> renderBlock(SynthBase::Channel& ch, int n)
{
    std::vector<float> out(static_cast<size_t>(n) * 2, 0.0f);
    ch.prepareForSampleBuffer(0, n);
    for (int s = 0; s < n; ++s)
        ch.getFrame(static_cast<unsigned long>(s), &out[static_cast<size_t>(s) * 2]);
    return out;
}

} // namespace fake

//==============================================================================
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

/** Holds the shared tables for the suite and seeds the thread's generator per test, so every render
    is repeatable. */
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
        std::vector<float> out(static_cast<size_t>(frames) * 2, 0.0f);
        for (int done = 0; done < frames; done += blockSize)
        {
            const std::vector<float> block = fake::renderBlock(*ch, std::min(blockSize, frames - done));
            std::copy(block.begin(), block.end(), out.begin() + done * 2);
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
    best one between minLag and maxLag, refined by a parabola through its neighbours. */
inline double periodOf(const std::vector<double>& x, int minLag, int maxLag)
{
    std::vector<double> r(static_cast<size_t>(maxLag) + 2, 0.0);
    const size_t n = x.size() - static_cast<size_t>(maxLag) - 1;
    for (int lag = minLag; lag <= maxLag + 1; ++lag)
    {
        double xy = 0.0, xx = 0.0, yy = 0.0;
        for (size_t i = 0; i < n; ++i)
        {
            const double a = x[i], b = x[i + static_cast<size_t>(lag)];
            xy += a * b, xx += a * a, yy += b * b;
        }
        r[static_cast<size_t>(lag)] = xy / std::sqrt(xx * yy + 1e-30);
    }
    const double best = *std::max_element(r.begin() + minLag, r.end());
    for (size_t lag = static_cast<size_t>(minLag) + 1; lag <= static_cast<size_t>(maxLag); ++lag)
    {
        const double a = r[lag - 1], c = r[lag], b = r[lag + 1];
        if (c >= 0.9 * best && c >= a && c >= b)
            return static_cast<double>(lag) +
                   (a - 2.0 * c + b != 0.0 ? 0.5 * (a - b) / (a - 2.0 * c + b) : 0.0);
    }
    return 0.0;
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

//==============================================================================
/** Starts `threads` threads at once; each takes and drops a reference `pairs` times and runs
    check() while it holds one. Returns the number of failed checks once all have finished. */
template <typename Take, typename Drop, typename Check>
int churnReferences(int threads, int pairs, Take take, Drop drop, Check check)
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
