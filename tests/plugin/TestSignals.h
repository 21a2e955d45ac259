#pragma once

// Signal measurements and test settings shared by every plug-in test; free of JUCE
// so that the VST test can use the fst headers, whose names JUCE also declares.
#include <cstddef>
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

/** True when every sample is finite. */
bool allFinite(const std::vector<float>& samples);

/** Fundamental frequency in Hz of samples [begin, end) by normalised autocorrelation,
    searched between minHz and maxHz; the shortest lag whose correlation comes within 10 %
    of the best is taken, so a period's multiples never win. 0 when nothing correlates. */
double estimatePitch(const std::vector<float>& samples, size_t begin, size_t end, double sampleRate,
                     double minHz, double maxHz);
