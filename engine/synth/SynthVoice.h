#pragma once

#include <cstdint>

namespace SynthBase
{
class Channel;

/** One voice of a channel. The channel's pool keeps every voice in exactly one of two intrusive
    lists: free, or active (newest first). A voice's note state (isNoteOn) is separate from its list:
    an active voice may be held or releasing, and it returns to the free list only when iterate()
    reports it finished. */
class Voice
{
public:
    Voice() = default;
    virtual ~Voice();

    Voice(const Voice&) = delete;
    Voice& operator=(const Voice&) = delete;

    /** Sets a voice parameter at once. */
    virtual void setParameter(int index, float normalised) = 0;
    /** Moves a voice parameter to a new value over rampSeconds. */
    virtual void setParameter(int index, float normalised, double rampSeconds) = 0;
    /** A voice parameter's target normalised value. */
    virtual float getParameter(int index) = 0;
    /** True while the channel's sustain pedal holds notes. */
    virtual bool isSustained() = 0;
    /** Starts the note, envelope from zero. */
    virtual void noteOn() = 0;
    /** Releases the note; the voice may go on sounding its release. */
    virtual void noteOff() = 0;
    /** True from noteOn() until noteOff() or until the voice finishes by itself. */
    virtual bool isNoteOn() = 0;
    /** Writes one frame of numChannels samples into out; returns true once the voice has finished. */
    virtual bool iterate(int numChannels, float* out) = 0;

    Channel* channel = nullptr; // owner, not owned
    int32_t note = 0;           // MIDI note last given; meaningful once taken from the pool
    int32_t isFree = 1;         // 1 in the free list, 0 in the active list
    Voice* next = nullptr;      // in the active list: the next older voice
    Voice* prev = nullptr;      // in the active list: the next newer voice
};

} // namespace SynthBase
