#pragma once

#include <vector>

namespace SynthBase
{
class Voice;

/** Every voice of a channel, each in one of two intrusive doubly linked lists: the free list, used
    as a stack, and the active list, newest voice at its head. The pool does not own the voices: the
    channel deletes them (the pool frees only the vector's storage). */
class VoicePool
{
public:
    /** Appends the voice to the pool and pushes it on the free list, so the voice added last is the
        first one taken. */
    void add(Voice* voice);

    /** Takes the head of the free list and makes it the newest active voice. With no free voice, the
        oldest released (not note-on) active voice is stolen, or else the oldest active voice of all.
        Null only for a pool without voices. */
    Voice* takeFree();

    /** Moves an active voice to the head of the free list. */
    void release(Voice* voice);

    /** Forgets every voice and empties both lists (the voices themselves are not deleted). */
    void clear();

    Voice* getFreeHead() const { return freeHead; }
    Voice* getActiveHead() const { return activeHead; }
    const std::vector<Voice*>& getVoices() const { return voices; }
    /** Changes whenever either list changes, so a copy of the active list can tell it is current. */
    unsigned getListVersion() const { return listVersion; }

private:
    void pushFree(Voice* voice);
    void unlinkActive(Voice* voice);

    std::vector<Voice*> voices; // in the order given to add()
    Voice* freeHead = nullptr;
    Voice* activeHead = nullptr;
    unsigned listVersion = 0;
};

} // namespace SynthBase
