// processBlock runs on the host's audio thread and must never allocate. The executable's counting
// replacements of operator new and the C allocation functions are armed only around the
// processBlock calls, so every other test, and the plug-ins it hosts, allocate as usual.
#include <gtest/gtest.h>

#include "../engine/CountingAllocator.h"
#include "PluginProcessor.h"
#include "PluginTestSupport.h"

TEST(ProcessBlock, NeverAllocatesWithNotesControllersBendAndPedal)
{
    TovkaAudioProcessor processor;
    processor.prepareToPlay(48000.0, testBlockSize);
    juce::AudioBuffer<float> buffer(2, testBlockSize);

    // What the host has ready before the audio thread runs: a cycle of eight blocks with chords
    // of more notes than voices (so voices are stolen), bends, the pedal down and up, and
    // controllers that drive parameters.
    std::vector<juce::MidiBuffer> midi(240);
    for (int b = 0; b < (int)midi.size(); ++b)
    {
        auto& m = midi[(size_t)b];
        const int root = 36 + (b / 8) % 24;
        for (int k = 0; k < 14 && b % 8 == 0; ++k)
            m.addEvent(juce::MidiMessage::noteOn(1, root + 3 * k, (juce::uint8)(20 + 7 * k)), 30 * k);
        for (int v = 0; v <= 16383 && b % 8 == 1; v += 2048)
            m.addEvent(juce::MidiMessage::pitchWheel(1, v), v / 40);
        for (int k = 0; k < 40 && b % 8 == 5; ++k)
            m.addEvent(juce::MidiMessage::noteOff(1, root + k), 8 * k);
        for (const int cc : {73, 75, 12, 9, 11, 91, 7})
            m.addEvent(juce::MidiMessage::controllerEvent(1, cc, (b * cc) % 128), 100 + cc);
        m.addEvent(juce::MidiMessage::controllerEvent(1, 64, b % 8 < 3 ? 127 : 0), 450);
    }

    // One block first: whatever is set up lazily on the first call may allocate there.
    juce::MidiBuffer none;
    processor.processBlock(buffer, none);
    long allocations = 0;
    float peak = 0.0f;
    for (auto& m : midi)
    {
        buffer.clear();
        {
            CountAllocations scope;
            processor.processBlock(buffer, m);
            allocations += scope.count();
        }
        peak = std::max(peak, buffer.getMagnitude(0, testBlockSize));
    }
    EXPECT_EQ(allocations, 0);
    EXPECT_GT(peak, 0.01f) << "the test must render sound to mean anything";
}
