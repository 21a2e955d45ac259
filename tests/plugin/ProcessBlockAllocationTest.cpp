// processBlock runs on the host's audio thread and must never allocate. This file replaces the
// executable's global operator new and the C allocation functions with counting ones (forwarding
// to glibc's own), armed only around the processBlock calls under test, so every other test of the
// executable, and the plug-ins it hosts, allocate as usual.

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

#include <gtest/gtest.h>

#include "PluginProcessor.h"
#include "PluginTestSupport.h"

// glibc's own entry points, which the replacements below forward to.
extern "C" void* __libc_malloc(size_t size);
extern "C" void* __libc_calloc(size_t count, size_t size);
extern "C" void* __libc_realloc(void* p, size_t size);
extern "C" void __libc_free(void* p);

namespace
{
std::atomic<bool> counting{false};
std::atomic<long> allocations{0};
void* volatile sink = nullptr; // keeps the test's own allocations from being optimised away

void* counted(void* p)
{
    if (counting.load(std::memory_order_relaxed))
        allocations.fetch_add(1, std::memory_order_relaxed);
    return p;
}

void* newOrThrow(size_t size)
{
    void* p = counted(__libc_malloc(size == 0 ? 1 : size));
    if (p == nullptr)
        throw std::bad_alloc();
    return p;
}
} // namespace

extern "C" void* malloc(size_t size)
{
    return counted(__libc_malloc(size));
}
extern "C" void* calloc(size_t count, size_t size)
{
    return counted(__libc_calloc(count, size));
}
extern "C" void* realloc(void* p, size_t size)
{
    return counted(__libc_realloc(p, size));
}
extern "C" void free(void* p)
{
    __libc_free(p);
}

void* operator new(size_t size)
{
    return newOrThrow(size);
}
void* operator new[](size_t size)
{
    return newOrThrow(size);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept
{
    return counted(__libc_malloc(size == 0 ? 1 : size));
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept
{
    return counted(__libc_malloc(size == 0 ? 1 : size));
}
void operator delete(void* p) noexcept
{
    __libc_free(p);
}
void operator delete[](void* p) noexcept
{
    __libc_free(p);
}
void operator delete(void* p, size_t) noexcept
{
    __libc_free(p);
}
void operator delete[](void* p, size_t) noexcept
{
    __libc_free(p);
}

namespace
{

constexpr double Rate = 48000.0;
constexpr int BlockFrames = 512;
constexpr int Blocks = 240; // 2.6 s

/** The MIDI of block b: a cycle of eight blocks with chords of notes on and off (more notes than
    voices, so voices are stolen), pitch bends, the sustain pedal down and up, and controllers
    that drive parameters (attack, sustain, tonality, formant Q and gain, volume, stereo spread). */
juce::MidiBuffer midiForBlock(int b)
{
    juce::MidiBuffer midi;
    const int phase = b % 8;
    const int root = 36 + (b / 8) % 24;
    switch (phase)
    {
    case 0:
        for (int k = 0; k < 14; ++k)
            midi.addEvent(juce::MidiMessage::noteOn(1, root + 3 * k, (juce::uint8)(20 + 7 * k)), 30 * k);
        midi.addEvent(juce::MidiMessage::controllerEvent(1, 73, 10 + b % 100), 5);
        midi.addEvent(juce::MidiMessage::controllerEvent(1, 75, 90), 6);
        break;
    case 1:
        for (int v = 0; v <= 16383; v += 2048)
            midi.addEvent(juce::MidiMessage::pitchWheel(1, v), v / 40);
        midi.addEvent(juce::MidiMessage::controllerEvent(1, 64, 127), 450);
        break;
    case 2:
        for (int k = 0; k < 14; k += 2)
            midi.addEvent(juce::MidiMessage::noteOff(1, root + 3 * k), 20 * k);
        for (int k = 0; k < 12; ++k)
            midi.addEvent(juce::MidiMessage::noteOn(1, root + 1 + 5 * k, (juce::uint8)(127 - 9 * k)),
                          300 + 10 * k);
        midi.addEvent(juce::MidiMessage::controllerEvent(1, 12, 30 + b % 90), 100);
        midi.addEvent(juce::MidiMessage::controllerEvent(1, 9, b % 128), 101);
        midi.addEvent(juce::MidiMessage::controllerEvent(1, 11, 127 - b % 128), 102);
        break;
    case 3:
        midi.addEvent(juce::MidiMessage::controllerEvent(1, 64, 0), 10);
        midi.addEvent(juce::MidiMessage::pitchWheel(1, 8192), 11);
        midi.addEvent(juce::MidiMessage::controllerEvent(1, 91, b % 128), 12);
        midi.addEvent(juce::MidiMessage::controllerEvent(1, 7, 100), 13);
        break;
    case 5:
        for (int k = 0; k < 40; ++k)
            midi.addEvent(juce::MidiMessage::noteOff(1, root + k), 8 * k);
        midi.addEvent(juce::MidiMessage::allNotesOff(1), 500);
        break;
    default:
        break;
    }
    return midi;
}

TEST(ProcessBlockAllocationTest, ProcessBlockNeverAllocatesWithNotesControllersBendAndPedal)
{
    auto processor = std::make_unique<TovkaAudioProcessor>();
    processor->prepareToPlay(Rate, BlockFrames);
    juce::AudioBuffer<float> buffer(2, BlockFrames);

    // Everything the host would have ready before the audio thread runs.
    std::vector<juce::MidiBuffer> midi;
    midi.reserve(Blocks);
    for (int b = 0; b < Blocks; ++b)
        midi.push_back(midiForBlock(b));

    // One block first: whatever is set up lazily on the first call may allocate there.
    juce::MidiBuffer none;
    processor->processBlock(buffer, none);

    bool finite = true;
    float peak = 0.0f;
    allocations = 0;
    for (int b = 0; b < Blocks; ++b)
    {
        buffer.clear();
        counting = true;
        processor->processBlock(buffer, midi[(size_t)b]);
        counting = false;
        for (int c = 0; c < 2; ++c)
            for (int s = 0; s < BlockFrames; ++s)
            {
                const float x = buffer.getSample(c, s);
                finite = finite && std::isfinite(x);
                peak = std::max(peak, std::abs(x));
            }
    }

    EXPECT_EQ(allocations.load(), 0);
    EXPECT_TRUE(finite);
    EXPECT_GT(peak, 0.01f) << "the test must render sound to mean anything";
}

/** The counting itself works: an allocation made while armed is seen. */
TEST(ProcessBlockAllocationTest, CountsAnAllocationMadeWhileArmed)
{
    allocations = 0;
    counting = true;
    auto* p = new std::vector<float>(64);
    sink = p;
    void* q = std::malloc(16);
    sink = q;
    counting = false;
    delete p;
    std::free(q);
    EXPECT_EQ(allocations.load(), 3);
}

} // namespace
