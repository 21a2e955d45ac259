#pragma once

// A minimal concrete channel and voice for testing the synth framework on its own: the voices
// record what the framework asks of them and render a constant level; the channel logs every
// action it applies with the frame offset it was applied on.

#include <cstdint>
#include <vector>

#include "synth/SynthChannel.h"
#include "synth/SynthVoice.h"

namespace fake
{

class Voice : public SynthBase::Voice
{
public:
    Voice(SynthBase::Channel* owner, int id_) : id(id_) { channel = owner; }

    void setParameter(int, float) override {}
    void setParameter(int, float, double) override {}
    float getParameter(int) override { return 0.0f; }
    bool isSustained() override { return channel->getSustain() >= 0.5f; }
    void noteOn() override
    {
        on = true;
        ++noteOns;
    }
    void noteOff() override
    {
        on = false;
        ++noteOffs;
    }
    bool isNoteOn() override { return on; }
    bool iterate(int numChannels, float* out) override
    {
        for (int k = 0; k < numChannels; ++k)
            out[k] = level;
        if (!finishNow)
            return false;
        finishNow = false;
        on = false;
        return true;
    }

    const int id;
    bool on = false;
    int noteOns = 0;
    int noteOffs = 0;
    float level = 1.0f;
    bool finishNow = false; // report finished on the next frame
};

struct Applied
{
    SynthBase::Channel::ActionMessage message;
    int32_t offset; // frame offset within the block it was applied on
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
};

class Channel : public SynthBase::Channel
{
public:
    explicit Channel(int numVoices = 24, LockFunction lock = nullptr, void* context = nullptr)
        : SynthBase::Channel(lock, context, 44100.0f)
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

    // Parameter 0: linear float 0..10, default 0.5; parameter 1: integer 0..2, default 0.
    int getNumParameters() override { return 2; }
    ParameterInitValues getParameterInitValues(int index) override
    {
        ParameterInitValues r;
        r.name = "";
        if (index == 0)
        {
            r.type = TKP_TYPE_FLOAT;
            r.defaultValue = 0.5f;
            r.minValue.f = 0.0f;
            r.maxValue.f = 10.0f;
        }
        else
        {
            r.type = TKP_TYPE_INT;
            r.defaultValue = 0.0f;
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
