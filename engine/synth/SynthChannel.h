#pragma once

#include <cstdint>
#include <vector>

#include "ParameterTables.h"
#include "dsp/TKParameters.h"
#include "synth/VoicePool.h"

namespace SynthBase
{
class Voice;

/** The abstract channel of the polyphonic synth framework. It decodes raw MIDI into calls that the
    concrete channel turns into time-stamped actions, queues those actions (any thread, under the
    lock callback), sorts them into the block's processing queue at each block start, and renders one
    frame per getFrame() call: parameter ramps, due actions, the active voices, post-processing.

    Large (two 4096-entry queues live inside the object, so nothing allocates on the audio path):
    create it on the heap. */
class Channel
{
public:
    /** One queued action, copied by value. The type's meaning belongs to the concrete channel. */
    struct ActionMessage
    {
        int32_t type;
        int32_t time;    // sample offset from the start of the block in which it is applied
        int32_t note;    // MIDI note number, 0 for actions without a note
        double value;    // payload: frequency (Hz), pedal 0..1 or bend -1..1
        double velocity; // 0..1, 0 for actions without one
    };

    /** Enters (lock true) or leaves (false) the lock that guards the incoming queue. Must be
        recursive: a holder may queue through the locking addActionMessage. */
    using LockFunction = void (*)(bool lock, void* context);

    static constexpr int QueueCapacity = 4096;
    static constexpr int MaxChannels = 16;
    static constexpr int NumNotes = 128;

    Channel(LockFunction lockFunction, void* lockContext, float sampleRate);
    virtual ~Channel();

    Channel(const Channel&) = delete;
    Channel& operator=(const Channel&) = delete;

    //==============================================================================
    /** The voice that is to play note: a legato re-key, the voice already playing it, or one from
        the pool (possibly stolen). Null for a note outside 0..127 or a pool without voices. */
    virtual Voice* getVoiceForNoteOn(int note);
    /** The voice to release for note, or null (none mapped, or held by the sustain pedal). The
        note's mapping is cleared either way. */
    virtual Voice* getVoiceForNoteOff(int note);
    /** Stores the pedal value 0..1; at 0.5 or below, releases the note-on voices whose keys are up. */
    virtual void setSustain(float value);
    virtual float getSustain();
    /** 0 polyphonic, 1 legato, 2 pedal chord glide. */
    virtual int getLegatoState() = 0;

    virtual void midiNoteOn(int channel, int note, float velocity, int time, bool noLock) = 0;
    virtual void midiNoteOff(int channel, int note, float velocity, int time, bool noLock) = 0;
    virtual void midiPitchBend(int channel, float value, int time, bool noLock) = 0;
    virtual void midiControlChange(int channel, int controller, float value, int time, bool noLock) = 0;
    /** Decodes one raw MIDI message into the calls above. noLock: the caller holds the lock. */
    virtual void midiIn(unsigned char status, unsigned char data1, unsigned char data2, int time,
                        bool noLock);

    //==============================================================================
    /** Sets a parameter at once (target, current and real value) and flags it as changed. Indices
        outside the set and NaN values are ignored; other values are clamped to 0..1. */
    virtual void setParameter(int index, float normalised);
    /** Enables ramping for the parameter with this ramp time, then ramps it to the new value. A ramp
        time that is negative or not finite sets the value at once, as the call without one does. */
    virtual void setParameter(int index, float normalised, double rampSeconds);
    virtual void setParameterReal(int index, TKParameterData real, double rampSeconds);
    /** The target normalised value. */
    virtual float getParameterNormalised(int index);
    /** With current true, the normalised form of the current (possibly ramping) real value. */
    virtual float getParameterNormalised(int index, bool current);
    /** The current real value; zero for an index outside the set. */
    virtual TKParameterData getParameterReal(int index);
    /** The parameter set itself, for audio-thread readers that take many values per frame without
        a virtual call each; getParameterReal() and getParameterNormalised(index, true) are
        TKP_Get_Real_Value and TKP_Calc_Normalised_Value of it. Null before init(). */
    TKParameterSet* getParameterSet() const { return params; }
    virtual int getNumParameters() = 0;
    virtual ParameterInitValues getParameterInitValues(int index) = 0;
    /** Called once per block for every parameter changed since the last block, and for every
        parameter at init. */
    virtual void handleParameterChange(int index, TKParameterData real) = 0;

    //==============================================================================
    /** Applies one action. */
    virtual void parseActionMessage(ActionMessage* message) = 0;
    /** Queues an action for the next block, taking the lock. */
    virtual void addActionMessage(ActionMessage message);
    /** Queues an action for the next block; a full queue drops it. */
    virtual void addActionMessage(ActionMessage message, bool noLock);
    /** Renders every active voice once, newest first, adds its samples into frame in that order and
        retires the voices that report themselves finished. Called once per frame by getFrame(),
        after the frame's actions; a concrete channel may render its voices its own way as long as
        every voice sees and produces what this loop would give it. */
    virtual void mixVoices(float* frame);
    /** Called once per rendered frame, after the voices are mixed. */
    virtual void postProcessFrame(float* frame) = 0;
    virtual void sampleRateWasChanged() = 0;

    //==============================================================================
    /** Fills the pool (the last voice of the list is taken first), creates the parameter set and
        hands every parameter's default to handleParameterChange. Called once by the concrete
        channel's constructor. numChannels is kept within 1..MaxChannels. */
    void init(std::vector<Voice*> voices, int numChannels);

    /** Stores a new rate (jumping every parameter to its target) and calls sampleRateWasChanged().
        Rates outside MinSampleRate..MaxSampleRate (SampleRateRange.h), and NaN, are ignored. */
    void setSampleRate(double rate);
    double getSampleRate() const { return sampleRate; }

    /** Start of a block: reports changed parameters and moves the queued actions, sorted by time,
        into the processing queue. */
    void prepareForSampleBuffer(unsigned long blockStart, int numSamples);

    /** Renders one frame by adding into frame (zeroed by the caller, at least numChannels floats).
        An action is applied on the first frame at or past its time; the block's last frame applies
        every action still pending. */
    void getFrame(unsigned long time, float* frame);

    /** Queue order: by time only. */
    static int Compare(const void* a, const void* b);

protected:
    ActionMessage incomingQueue[QueueCapacity];   // next block's actions, in arrival order
    ActionMessage processingQueue[QueueCapacity]; // this block's actions, sorted by time
    int32_t incomingCount = 0;
    int32_t processingCount = 0;
    int32_t processingIndex = 0; // next entry of processingQueue to apply
    uint64_t blockStart = 0;     // sample time of the current block's first frame
    uint64_t currentSample = 0;  // sample time of the frame being rendered
    VoicePool voicePool;
    double sampleRate;    // Hz
    double invSampleRate; // 1 / sampleRate
    int32_t numChannels = 2;
    Voice* noteVoices[NumNotes]; // the voice answering to each MIDI note, null for none
    TKParameterSet* params = nullptr;
    double blockSize = 256.0; // frames in the current block
    float sustain = 0.0f;     // pedal 0..1
    void* lockContext;
    LockFunction lockFunction;

    /** Returns a voice whose iterate() reported it finished to the free list, clearing every
        note-map entry that points to it. */
    void retireVoice(Voice* voice);
    /** The voice noteVoices[note] names if it counts: active and playing that very note; else null. */
    Voice* voiceMappedTo(int note) const;

private:
    bool isValidParameter(int index) const;
    void lock();
    void unlock();
};

} // namespace SynthBase
