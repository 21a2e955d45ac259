#include "synth/VoicePool.h"

#include "synth/SynthVoice.h"

namespace SynthBase
{

static void pushHead(Voice*& head, Voice* voice)
{
    voice->prev = nullptr;
    voice->next = head;
    if (head != nullptr)
        head->prev = voice;
    head = voice;
}

void VoicePool::add(Voice* voice)
{
    voices.push_back(voice);
    pushFree(voice);
}

Voice* VoicePool::takeFree()
{
    if (freeHead == nullptr)
    {
        // Steal: prefer the oldest voice already sounding its release, else the oldest of all.
        Voice* released = nullptr;
        Voice* oldest = nullptr;
        for (Voice* v = activeHead; v != nullptr; v = v->next)
        {
            if (!v->isNoteOn())
                released = v;
            oldest = v;
        }
        Voice* victim = released != nullptr ? released : oldest;
        if (victim == nullptr)
            return nullptr;
        release(victim);
    }

    Voice* v = freeHead;
    freeHead = v->next;
    if (freeHead != nullptr)
        freeHead->prev = nullptr;

    v->isFree = 0;
    pushHead(activeHead, v);
    ++listVersion;
    return v;
}

void VoicePool::release(Voice* voice)
{
    unlinkActive(voice);
    pushFree(voice);
}

void VoicePool::clear()
{
    ++listVersion;
    voices.clear();
    freeHead = nullptr;
    activeHead = nullptr;
}

void VoicePool::pushFree(Voice* voice)
{
    ++listVersion;
    voice->isFree = 1;
    pushHead(freeHead, voice);
}

void VoicePool::unlinkActive(Voice* voice)
{
    ++listVersion;
    if (voice->prev != nullptr)
        voice->prev->next = voice->next;
    else
        activeHead = voice->next;
    if (voice->next != nullptr)
        voice->next->prev = voice->prev;
    voice->prev = nullptr;
    voice->next = nullptr;
}

} // namespace SynthBase
