// processBlock runs on the host's audio thread and must never allocate. This file brings the
// executable's counting replacements of operator new and the C allocation functions, armed only
// around the processBlock calls under test, so every other test of the executable, and the
// plug-ins it hosts, allocate as usual.

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "../engine/CountingAllocator.h"
#include "PluginProcessor.h"
#include "PluginTestSupport.h"

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
    long allocations = 0;
    for (int b = 0; b < Blocks; ++b)
    {
        buffer.clear();
        {
            CountAllocations scope;
            processor->processBlock(buffer, midi[(size_t)b]);
            allocations += scope.count();
        }
        for (int c = 0; c < 2; ++c)
            for (int s = 0; s < BlockFrames; ++s)
            {
                const float x = buffer.getSample(c, s);
                finite = finite && std::isfinite(x);
                peak = std::max(peak, std::abs(x));
            }
    }

    EXPECT_EQ(allocations, 0);
    EXPECT_TRUE(finite);
    EXPECT_GT(peak, 0.01f) << "the test must render sound to mean anything";
}

} // namespace
