#pragma once

#include "dsp/TKADSR.h"
#include "formant/FormantFilterBank.h"
#include "formant/FormantVoiceInputs.h"
#include "synth/SynthChannel.h"

class FormantVoice;

/** The formant instrument's channel: 24 FormantVoices, two output channels. Turns decoded MIDI into
    queued actions (note on, note off, sustain pedal, pitch bend), applies them when their sample
    offset comes up, feeds the envelope settings its voices share and applies "Main Volume".

    Requires the shared wave tables and noise table to be held (TKOSC_Prepare_Buffers,
    PinkNoise_Retain) for as long as it renders. */
class FormantChannel : public SynthBase::Channel
{
public:
    /** Parameter ids, indexing the parameter tables. */
    enum ParameterId : int
    {
        ParamAttack = 0,
        ParamDecay = 1,
        ParamSustain = 2,
        ParamRelease = 3,
        ParamPitchbend = 4,
        ParamPitchbendSpan = 5,
        ParamTurnIn = 6,
        ParamTurnOut = 7,
        ParamTonality = 8,
        ParamLegatoState = 9,
        ParamLegatoFreqTime = 10,
        ParamLegatoFormantTime = 11,
        ParamFormantQ = 12,
        ParamFormantGain = 13,
        ParamMainVolume = 14,
        ParamCordDisturb = 15,
        ParamStereoSpread = 16,
    };

    /** Action types this channel queues. */
    enum ActionType : int32_t
    {
        ActionNoteOn = 0,
        ActionNoteOff = 1,
        ActionSustainPedal = 2,
        ActionPitchbend = 3,
        NumActionTypes = 4,
    };

    static constexpr int NumVoices = 24;
    static_assert(NumVoices <= FormantFilterBank::MaxLanes, "every voice needs a filter lane");

    /** sampleRate in Hz; a rate within 44100..192000 also becomes the formant filters' rate. */
    FormantChannel(LockFunction lock, void* lockContext, float sampleRate);
    ~FormantChannel() override;

    int getLegatoState() override;

    /** Notes outside 0..127 are ignored. */
    void midiNoteOn(int channel, int note, float velocity, int time, bool noLock) override;
    void midiNoteOff(int channel, int note, float velocity, int time, bool noLock) override;
    void midiPitchBend(int channel, float value, int time, bool noLock) override;
    /** Only controller 64 (sustain pedal); it always takes the lock, which must be recursive. */
    void midiControlChange(int channel, int controller, float value, int time, bool noLock) override;

    int getNumParameters() override;
    ParameterInitValues getParameterInitValues(int index) override;
    void handleParameterChange(int index, TKParameterData real) override;
    void parseActionMessage(ActionMessage* message) override;
    /** Reads the channel values the voices need once for the frame, then renders them. */
    void mixVoices(float* frame) override;
    void postProcessFrame(float* frame) override;
    /** Takes a new channel rate within 44100..192000 Hz as the formant filters' rate too. */
    void sampleRateWasChanged() override;

    /** The rate, in Hz, this channel's formant filters are designed for: 44100 until the channel
        is built with, or changed to, a rate within 44100..192000 Hz; any other rate leaves it as
        it is. Each channel has its own, so instances never change each other's sound. */
    double getFilterSampleRate() const { return filterSampleRate; }

protected:
    void actionNoteOn(ActionMessage* message);
    void actionNoteOff(ActionMessage* message);
    void actionSustainPedal(ActionMessage* message);
    void actionPitchbend(ActionMessage* message);

    /** Moves a sounding voice to the message's pitch and velocity over the legato times, without
        restarting its envelope. */
    void glide(SynthBase::Voice* voice, const ActionMessage* message);

    using ActionHandler = void (FormantChannel::*)(ActionMessage*);

    TKADSRParams adsrParams = {}; // shared by all voices; read when a note starts
    ActionHandler actionHandlers[NumActionTypes];
    SynthBase::Voice* heldVoices[NumNotes]; // voices captured by the pedal in pedal chord glide
    int32_t heldCount = 0;
    double filterSampleRate = 44100.0;          // Hz, see getFilterSampleRate()
    FormantVoiceInputs voiceInputs;             // this frame's channel values, read once for all voices
    FormantFilterBank filterBank;               // the voices' filters, voice i in lane i
    FormantVoice* activeVoices[NumVoices] = {}; // the pool's active list, newest first
    int activeCount = 0;
    unsigned activeVersion = ~0u; // the list version activeVoices was copied at
};
