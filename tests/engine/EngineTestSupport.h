#pragma once

// The engine tests' shared fixture: a real formant channel that logs the actions it applies and
// lets the tests see its voices and bookkeeping, driven by raw MIDI as the processor drives it.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
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
        std::srand(1);
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

} // namespace formant_test
