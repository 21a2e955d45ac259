#include "formant/FormantChannel.h"

#include <cstdlib>
#include <vector>

#include "ParameterTables.h"
#include "formant/FormantTables.h"
#include "formant/FormantVoice.h"

namespace
{
bool isFilterSampleRate(double rate)
{
    return rate >= 44100.0 && rate <= 192000.0;
}

bool isValidNote(int note)
{
    return note >= 0 && note < SynthBase::Channel::NumNotes;
}
} // namespace

FormantChannel::FormantChannel(LockFunction lock, void* lockContext, float rate)
    : SynthBase::Channel(lock, lockContext, rate)
{
    if (isFilterSampleRate(rate))
        filterSampleRate = rate;
    heldCount = 0;
    for (SynthBase::Voice*& v : heldVoices)
        v = nullptr;

    std::vector<SynthBase::Voice*> voices;
    voices.reserve(NumVoices);
    for (int i = 0; i < NumVoices; ++i)
        voices.push_back(new FormantVoice(this, &adsrParams, &filterBank, i));

    actionHandlers[ActionNoteOn] = &FormantChannel::actionNoteOn;
    actionHandlers[ActionNoteOff] = &FormantChannel::actionNoteOff;
    actionHandlers[ActionSustainPedal] = &FormantChannel::actionSustainPedal;
    actionHandlers[ActionPitchbend] = &FormantChannel::actionPitchbend;

    init(voices, 2);
}

// The base destructor destroys the parameter set and deletes the voices.
FormantChannel::~FormantChannel() = default;

int FormantChannel::getLegatoState()
{
    return getParameterReal(ParamLegatoState).i;
}

//==============================================================================
void FormantChannel::midiNoteOn(int, int note, float velocity, int time, bool noLock)
{
    if (!isValidNote(note))
        return;
    addActionMessage(ActionMessage{ActionNoteOn, time, note, SynthBase::MIDIFrequecyMap[note], velocity},
                     noLock);
}

void FormantChannel::midiNoteOff(int, int note, float velocity, int time, bool noLock)
{
    if (!isValidNote(note))
        return;
    addActionMessage(ActionMessage{ActionNoteOff, time, note, SynthBase::MIDIFrequecyMap[note], velocity},
                     noLock);
}

void FormantChannel::midiPitchBend(int, float value, int time, bool noLock)
{
    addActionMessage(ActionMessage{ActionPitchbend, time, 0, value, 0.0}, noLock);
}

void FormantChannel::midiControlChange(int, int controller, float value, int time, bool)
{
    // Other controllers drive parameters through the processor's controller map, not here.
    if (controller == 64)
        addActionMessage(ActionMessage{ActionSustainPedal, time, 0, value, 0.0});
}

//==============================================================================
int FormantChannel::getNumParameters()
{
    return NumParameters;
}

ParameterInitValues FormantChannel::getParameterInitValues(int index)
{
    return ParameterInitValuesFor(index);
}

void FormantChannel::handleParameterChange(int index, TKParameterData real)
{
    switch (index)
    {
    case ParamAttack:
        adsrParams.attack = real.f;
        break;
    case ParamDecay:
        adsrParams.decay = real.f;
        break;
    case ParamSustain:
        // Cubed, so the envelope's square root gives a level of real^1.5.
        adsrParams.sustain = real.f * real.f * real.f;
        break;
    case ParamRelease:
        adsrParams.release = real.f;
        break;
    default:
        break;
    }
}

void FormantChannel::parseActionMessage(ActionMessage* message)
{
    if (message->type >= 0 && message->type < NumActionTypes)
        (this->*actionHandlers[message->type])(message);
}

void FormantChannel::mixVoices(float* frame)
{
    voiceInputs.update(*this);

    // Every voice of this channel is a FormantVoice (made in the constructor), so the active list
    // holds at most NumVoices. Its copy in an array is renewed only when the list changes (notes
    // started, stolen or finished), sparing the walk along its links on every frame.
    if (activeVersion != voicePool.getListVersion())
    {
        activeCount = 0;
        for (SynthBase::Voice* v = voicePool.getActiveHead(); v != nullptr && activeCount < NumVoices;
             v = v->next)
            activeVoices[activeCount++] = static_cast<FormantVoice*>(v);
        activeVersion = voicePool.getListVersion();
    }
    if (activeCount == 0)
        return;

    // The voices are rendered together (FormantVoice::renderSamples).
    FormantVoice* finished[NumVoices];
    const int finishedCount =
        FormantVoice::renderSamples(activeVoices, activeCount, voiceInputs, numChannels, frame, finished);
    for (int k = 0; k < finishedCount; ++k)
        retireVoice(finished[k]);
}

void FormantChannel::postProcessFrame(float* frame)
{
    const float volume = getParameterReal(ParamMainVolume).f;
    for (int k = 0; k < numChannels; ++k)
        frame[k] *= volume;
}

void FormantChannel::sampleRateWasChanged()
{
    if (isFilterSampleRate(sampleRate))
        filterSampleRate = sampleRate;
}

//==============================================================================
void FormantChannel::glide(SynthBase::Voice* voice, const ActionMessage* message)
{
    voice->setParameter(0, static_cast<float>(message->value / 20000.0),
                        static_cast<double>(getParameterReal(ParamLegatoFreqTime).f));
    voice->setParameter(1, static_cast<float>(message->velocity),
                        static_cast<double>(getParameterReal(ParamLegatoFormantTime).f));
}

void FormantChannel::actionNoteOn(ActionMessage* message)
{
    // Actions can be queued directly; never index the note map with a bad note.
    if (!isValidNote(message->note))
        return;

    if (getLegatoState() == 2 && getSustain() >= 0.5f)
    {
        // Pedal chord glide: the held voice nearest in note number glides; ties go to the voice
        // earliest in the held list (the newest).
        if (heldCount < 1)
            return;
        SynthBase::Voice* nearest = heldVoices[0];
        int nearestDistance = std::abs(nearest->note - message->note);
        for (int32_t k = 1; k < heldCount; ++k)
        {
            const int distance = std::abs(heldVoices[k]->note - message->note);
            if (distance < nearestDistance)
            {
                nearest = heldVoices[k];
                nearestDistance = distance;
            }
        }
        nearest->note = message->note;
        glide(nearest, message);
        return;
    }

    SynthBase::Voice* voice = getVoiceForNoteOn(message->note);
    if (voice == nullptr)
        return;
    if (!voice->isNoteOn())
    {
        voice->setParameter(0, static_cast<float>(message->value / 20000.0));
        voice->setParameter(1, static_cast<float>(message->velocity));
        voice->noteOn();
    }
    else
    {
        glide(voice, message);
    }
}

void FormantChannel::actionNoteOff(ActionMessage* message)
{
    SynthBase::Voice* voice = getVoiceForNoteOff(message->note);
    if (voice != nullptr)
        voice->noteOff();
}

void FormantChannel::actionSustainPedal(ActionMessage* message)
{
    setSustain(static_cast<float>(message->value));
    if (getLegatoState() == 2)
    {
        heldCount = 0;
        if (getSustain() > 0.5f)
        {
            for (SynthBase::Voice* v = voicePool.getActiveHead(); v != nullptr && heldCount < NumNotes;
                 v = v->next)
                if (v->isNoteOn())
                    heldVoices[heldCount++] = v;
        }
    }
}

void FormantChannel::actionPitchbend(ActionMessage* message)
{
    TKParameterData bend;
    bend.f = static_cast<float>(message->value);
    // The ramp time is the float 0.001 s; the parameter set narrows it again.
    setParameterReal(ParamPitchbend, bend, static_cast<double>(0.001f));
}
