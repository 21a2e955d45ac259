#pragma once

// Helpers shared by the plug-in tests. The signal measurements and paths are free of JUCE, so
// the VST test, whose fst headers declare names JUCE declares too, defines
// TOVKA_TEST_WITHOUT_JUCE and sees only those.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

/** Paths of the binaries the build produced, passed in at configure time. */
namespace TestPaths
{
inline const char* const vst3Folder = TOVKA_ARTEFACTS "/VST3";
inline const char* const vst3Bundle = TOVKA_ARTEFACTS "/VST3/Tovka.vst3";
inline const char* const lv2Folder = TOVKA_ARTEFACTS "/LV2";
inline const char* const lv2Uri = TOVKA_LV2_URI;
inline const char* const vstLibrary = TOVKA_VST_LIBRARY;
inline const char* const standalone = TOVKA_STANDALONE;
} // namespace TestPaths

constexpr double testSampleRate = 44100.0;
constexpr int testBlockSize = 512;

/** MIDI note 57 (A3, 220 Hz): low enough for an octave of bend to stay well inside
    the autocorrelation's search range. */
constexpr int testNote = 57;

/** A stereo recording of a processor's output over several blocks. */
struct Recording
{
    std::vector<float> left;
    std::vector<float> right;
};

/** Root mean square of samples [begin, end). */
double rms(const std::vector<float>& samples, size_t begin, size_t end);

/** RMS of the left channel over blocks [from, to) of testBlockSize frames. */
double levelOf(const Recording& recording, int from, int to);

/** True when samples [begin, end) only fall away: each no larger than the one before it and of
    the same sign, or zero. Once the engine falls silent, the DC blocker still lets the offset it
    was taking out decay like this for a moment; anything that sounds would rise again. */
bool onlyDecays(const std::vector<float>& samples, size_t begin, size_t end);

/** True when every sample of both channels is finite. */
bool allFinite(const Recording& recording);

/** Set in the environment of a test process, it makes the process's private X
    server run without the GLX extension (tests/plugin/TestMain.cpp). */
constexpr const char* withoutGLXVariable = "TOVKA_TEST_WITHOUT_GLX";

/** Writes 0xAARRGGBB pixels, row by row, as a PNG into the test artefact folder,
    for a person to look at; returns the file's path. */
std::string saveArtefact(const std::string& name, int width, int height, const std::vector<std::uint32_t>& pixels);

/** Fundamental frequency in Hz of samples [begin, end) by normalised autocorrelation,
    searched between 150 and 600 Hz; the shortest lag whose correlation comes within 10 %
    of the best is taken, so a period's multiples never win. 0 when nothing correlates. */
double estimatePitch(const std::vector<float>& samples, size_t begin, size_t end);

#ifndef TOVKA_TEST_WITHOUT_JUCE
#include <functional>

#include <juce_audio_processors/juce_audio_processors.h>

/** Renders `numBlocks` blocks of `blockSize` frames; `midiForBlock(b)` gives the MIDI of block b. */
Recording render(juce::AudioProcessor& processor, int numBlocks, int blockSize,
                 const std::function<juce::MidiBuffer(int)>& midiForBlock);

/** Renders numBlocks blocks with `event` at `offset` in block `eventBlock`, after testNote
    struck at velocity 127 at the start of block 0. */
Recording playNoteWith(juce::AudioProcessor& processor, int numBlocks, int eventBlock,
                       const juce::MidiMessage& event, int offset = 0);

/** Parameter `id` of a processor, its own or a hosted one, found by name: wrappers add
    parameters of their own (LV2 puts "Bypass" first). */
juce::AudioProcessorParameter* parameterAt(juce::AudioProcessor& processor, int id);

/** Sets a parameter's normalised value as a host would (with notification). */
void setParameter(juce::AudioProcessor& processor, int id, float normalised);

/** A clean voice for pitch tests: no noise, no jitter, instant attack and release,
    no glide, wide bend range. */
void setPlainVoice(juce::AudioProcessor& processor);

juce::MidiBuffer midiOf(std::initializer_list<std::pair<juce::MidiMessage, int>> events);
#endif
