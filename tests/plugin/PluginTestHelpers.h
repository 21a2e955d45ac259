#pragma once

#include <functional>

#include <juce_audio_processors/juce_audio_processors.h>

#include "TestSignals.h"

/** Renders `numBlocks` blocks of `blockSize` frames; `midiForBlock(b)` gives the MIDI of block b. */
Recording render(juce::AudioProcessor& processor, int numBlocks, int blockSize,
                 const std::function<juce::MidiBuffer(int)>& midiForBlock);

/** Parameter `id` of a processor, its own or a hosted one, found by name: wrappers add
    parameters of their own (LV2 puts "Bypass" first). */
juce::AudioProcessorParameter* parameterAt(juce::AudioProcessor& processor, int id);

/** Sets a parameter's normalised value as a host would (with notification). */
void setParameter(juce::AudioProcessor& processor, int id, float normalised);

/** A clean voice for pitch tests: no noise, no jitter, instant attack and release,
    no glide, wide bend range. */
void setPlainVoice(juce::AudioProcessor& processor);

juce::MidiBuffer midiOf(std::initializer_list<std::pair<juce::MidiMessage, int>> events);
