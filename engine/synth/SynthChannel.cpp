#include "synth/SynthChannel.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "SampleRateRange.h"
#include "synth/SynthVoice.h"

namespace SynthBase
{

namespace
{
/** The rate a channel built with an unsupported one runs at until it is given a good one. */
constexpr double FallbackSampleRate = 44100.0;
} // namespace

Channel::Channel(LockFunction lockFunction_, void* lockContext_, float sampleRate_)
    : sampleRate(isSupportedSampleRate(sampleRate_) ? sampleRate_ : FallbackSampleRate),
      invSampleRate(1.0 / sampleRate), lockContext(lockContext_), lockFunction(lockFunction_)
{
    for (Voice*& v : noteVoices)
        v = nullptr;
}

Channel::~Channel()
{
    if (params != nullptr)
        TKP_Destroy(params);
    params = nullptr;
    for (Voice* v : voicePool.getVoices())
        delete v;
    voicePool.clear();
}

void Channel::init(std::vector<Voice*> voices, int numChannels_)
{
    blockSize = 256.0;
    sustain = 0.0f;
    incomingCount = 0;
    processingCount = 0;
    processingIndex = 0;
    currentSample = 0;
    blockStart = 0;

    for (Voice*& v : noteVoices)
        v = nullptr;

    numChannels = numChannels_ < 1 ? 1 : (numChannels_ > MaxChannels ? MaxChannels : numChannels_);

    for (Voice* v : voices)
        voicePool.add(v);

    const int count = getNumParameters();
    params = TKP_Create(static_cast<unsigned>(count), static_cast<float>(sampleRate));
    for (int i = 0; i < count; ++i)
    {
        const ParameterInitValues r = getParameterInitValues(i);
        TKP_Init_Parameter(params, static_cast<unsigned>(i), r.name, r.type, r.minValue, r.maxValue,
                           r.defaultValue);
        handleParameterChange(i, TKP_Get_Real_Value(params, static_cast<unsigned>(i)));
    }
}

void Channel::setSampleRate(double rate)
{
    if (!isSupportedSampleRate(rate))
        return;
    if (rate == sampleRate)
        return;
    sampleRate = rate;
    invSampleRate = 1.0 / rate;
    if (params != nullptr)
        TKP_Set_Samplerate(params, static_cast<float>(rate));
    sampleRateWasChanged();
}

//==============================================================================
void Channel::midiIn(unsigned char status, unsigned char data1, unsigned char data2, int time, bool noLock)
{
    const int channel = status & 15;
    switch (status >> 4)
    {
    case 0x8:
        midiNoteOff(channel, data1, data2 / 127.0f, time, noLock);
        break;
    case 0x9:
        if (data2 == 0)
            midiNoteOff(channel, data1, 1.0f, time, noLock);
        else
            midiNoteOn(channel, data1, data2 / 127.0f, time, noLock);
        break;
    case 0xB:
        midiControlChange(channel, data1, data2 / 127.0f, time, noLock);
        break;
    case 0xE:
    {
        // Single precision throughout: the centre (8192) decodes to 2^-14, not 0.
        const float v = static_cast<float>((data2 << 7) + data1) / 16383.0f;
        midiPitchBend(channel, v + v - 1.0f, time, noLock);
        break;
    }
    default:
        break;
    }
}

//==============================================================================
bool Channel::isValidParameter(int index) const
{
    return params != nullptr && index >= 0 && static_cast<unsigned>(index) < params->count;
}

void Channel::setParameter(int index, float normalised)
{
    if (!isValidParameter(index) || std::isnan(normalised))
        return;
    normalised = normalised < 0.0f ? 0.0f : (normalised > 1.0f ? 1.0f : normalised);
    TKP_Set_Normalised_Value(params, static_cast<unsigned>(index), 0, normalised);
    TKP_Flag_Param_Change(params, static_cast<unsigned>(index));
}

void Channel::setParameter(int index, float normalised, double rampSeconds)
{
    // A ramp time that is NaN, negative or not finite as the set's float would make the step, and
    // the parameter with it, NaN for ever (or never move it): such a change takes effect at once.
    if (!(rampSeconds >= 0.0 && rampSeconds <= std::numeric_limits<float>::max()))
    {
        setParameter(index, normalised);
        return;
    }
    if (!isValidParameter(index) || std::isnan(normalised))
        return;
    normalised = normalised < 0.0f ? 0.0f : (normalised > 1.0f ? 1.0f : normalised);
    TKP_Set_Ramping_Flag(params, static_cast<unsigned>(index), static_cast<float>(rampSeconds));
    TKP_Set_Normalised_Value(params, static_cast<unsigned>(index), 1, normalised);
    TKP_Flag_Param_Change(params, static_cast<unsigned>(index));
}

void Channel::setParameterReal(int index, TKParameterData real, double rampSeconds)
{
    if (!isValidParameter(index))
        return;
    setParameter(index, TKP_Calc_Normalised_Value(params, static_cast<unsigned>(index), real), rampSeconds);
}

float Channel::getParameterNormalised(int index)
{
    if (!isValidParameter(index))
        return 0.0f;
    return TKP_Get_Normalised_Value(params, static_cast<unsigned>(index));
}

float Channel::getParameterNormalised(int index, bool current)
{
    if (!current)
        return getParameterNormalised(index);
    if (!isValidParameter(index))
        return 0.0f;
    return TKP_Calc_Normalised_Value(params, static_cast<unsigned>(index), getParameterReal(index));
}

TKParameterData Channel::getParameterReal(int index)
{
    if (!isValidParameter(index))
        return TKParameterData{0.0f};
    return TKP_Get_Real_Value(params, static_cast<unsigned>(index));
}

//==============================================================================
void Channel::lock()
{
    if (lockFunction != nullptr)
        lockFunction(true, lockContext);
}

void Channel::unlock()
{
    if (lockFunction != nullptr)
        lockFunction(false, lockContext);
}

void Channel::addActionMessage(ActionMessage message)
{
    addActionMessage(message, false);
}

void Channel::addActionMessage(ActionMessage message, bool noLock)
{
    if (!noLock)
        lock();
    if (incomingCount < QueueCapacity)
        incomingQueue[incomingCount++] = message;
    if (!noLock)
        unlock();
}

int Channel::Compare(const void* a, const void* b)
{
    const int32_t ta = static_cast<const ActionMessage*>(a)->time;
    const int32_t tb = static_cast<const ActionMessage*>(b)->time;
    return ta < tb ? -1 : (ta > tb ? 1 : 0);
}

void Channel::prepareForSampleBuffer(unsigned long blockStart_, int numSamples)
{
    blockSize = numSamples;

    unsigned changedCount = 0;
    const unsigned* changed = TKP_Consume_Param_Changes(params, &changedCount);
    for (unsigned k = 0; k < changedCount; ++k)
        handleParameterChange(static_cast<int>(changed[k]), TKP_Get_Real_Value(params, changed[k]));

    blockStart = blockStart_;

    // Actions the previous block never reached (it rendered no last frame, e.g. a block of zero
    // frames) are carried over ahead of the new ones and applied on this block's first frame, so
    // that no note-off is lost.
    int32_t count = 0;
    for (int32_t k = processingIndex; k < processingCount; ++k)
    {
        processingQueue[count] = processingQueue[k];
        processingQueue[count].time = 0;
        ++count;
    }

    if (incomingCount > 0)
    {
        lock();
        // Stable insertion sort: equal times keep their arrival order (a note-off and a note-on of
        // one key on one sample stay off-then-on). The queue is mostly in order already.
        for (int32_t k = 1; k < incomingCount; ++k)
        {
            const ActionMessage m = incomingQueue[k];
            int32_t j = k;
            for (; j > 0 && Compare(&incomingQueue[j - 1], &m) > 0; --j)
                incomingQueue[j] = incomingQueue[j - 1];
            incomingQueue[j] = m;
        }
        const int32_t room = QueueCapacity - count;
        const int32_t taken = incomingCount < room ? incomingCount : room;
        std::memcpy(&processingQueue[count], incomingQueue,
                    sizeof(ActionMessage) * static_cast<size_t>(taken));
        count += taken;
        incomingCount = 0;
        unlock();
    }

    processingCount = count;
    processingIndex = 0;
}

void Channel::getFrame(unsigned long time, float* frame)
{
    TKP_Iterate(params);

    currentSample = time;
    const int32_t offset = static_cast<int32_t>(time - blockStart);
    const bool lastFrame = static_cast<double>(offset) + 1.0 >= blockSize;
    while (processingIndex < processingCount &&
           (lastFrame || processingQueue[processingIndex].time <= offset))
    {
        parseActionMessage(&processingQueue[processingIndex]);
        ++processingIndex;
    }

    mixVoices(frame);
    postProcessFrame(frame);
}

void Channel::mixVoices(float* frame)
{
    float voiceFrame[MaxChannels] = {};
    Voice* v = voicePool.getActiveHead();
    while (v != nullptr)
    {
        Voice* const older = v->next;
        const bool finished = v->iterate(numChannels, voiceFrame);
        for (int k = 0; k < numChannels; ++k)
            frame[k] += voiceFrame[k];
        if (finished)
            retireVoice(v);
        v = older;
    }
}

void Channel::retireVoice(Voice* v)
{
    // A voice that ends must not stay mapped under any key: a voice that ends by itself (sustain
    // level 0 with the key held) under its own, and one that a pedal chord glide moved to another
    // note under the key that first took it. The next strike or release of that key would
    // otherwise reach a free, unrendered voice, or whichever note takes the voice next.
    for (Voice*& mapped : noteVoices)
        if (mapped == v)
            mapped = nullptr;
    voicePool.release(v);
}

Voice* Channel::voiceMappedTo(int note) const
{
    // An entry counts only while its voice is sounding (not in the free list) and plays that very
    // note: a pedal chord glide changes a voice's note without touching the map.
    Voice* v = noteVoices[note];
    return v != nullptr && v->isFree == 0 && v->note == note ? v : nullptr;
}

//==============================================================================
static bool isValidNote(int note)
{
    return note >= 0 && note < Channel::NumNotes;
}

Voice* Channel::getVoiceForNoteOn(int note)
{
    if (!isValidNote(note))
        return nullptr;

    Voice* newest = voicePool.getActiveHead();
    if (getLegatoState() == 1 && newest != nullptr && newest->isNoteOn())
    {
        noteVoices[newest->note] = nullptr;
        newest->note = note;
        noteVoices[note] = newest;
        return newest;
    }

    if (Voice* playing = voiceMappedTo(note))
        return playing;

    const bool hadFree = voicePool.getFreeHead() != nullptr;
    Voice* v = voicePool.takeFree();
    if (v == nullptr)
        return nullptr;
    noteVoices[note] = v;

    if (!hadFree && v->note != note && v->isNoteOn())
    {
        // A held note was stolen: release whatever still answers to its key (v itself when it
        // does, so the caller restarts it) and forget the key, so its note-off later finds nothing.
        Voice* w = voiceMappedTo(v->note);
        if (w != nullptr && w->isNoteOn())
            w->noteOff();
        if (v->isSustained())
            v->noteOff();
        noteVoices[v->note] = nullptr;
    }

    v->note = note;
    return v;
}

Voice* Channel::getVoiceForNoteOff(int note)
{
    if (!isValidNote(note))
        return nullptr;
    Voice* v = voiceMappedTo(note);
    noteVoices[note] = nullptr;
    if (v == nullptr || v->isSustained())
        return nullptr;
    return v;
}

void Channel::setSustain(float value)
{
    sustain = value;
    if (value <= 0.5f)
    {
        // Release every voice whose key no longer holds it. Testing only for an empty map entry
        // would leave a voice sounding for ever when its key was struck again under the pedal
        // and is still down as the pedal comes up: the map then points at the newer voice.
        for (Voice* v = voicePool.getActiveHead(); v != nullptr; v = v->next)
            if (v->isNoteOn() && noteVoices[v->note] != v)
                v->noteOff();
    }
}

float Channel::getSustain()
{
    return sustain;
}

} // namespace SynthBase
