#pragma once

// What the plug-in tests share. Free of JUCE: the VST2 host's fst headers declare names JUCE
// declares too, so the tests that drive every format see the plug-in only through Player.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

/** Paths of the binaries the build produced, passed in at configure time. */
namespace TestPaths
{
inline const char* const vst3Bundle = TOVKA_ARTEFACTS "/VST3/Tovka.vst3";
inline const char* const lv2Folder = TOVKA_ARTEFACTS "/LV2";
inline const char* const vstLibrary = TOVKA_VST_LIBRARY;
inline const char* const standalone = TOVKA_STANDALONE;
} // namespace TestPaths

constexpr double testSampleRate = 44100.0;
constexpr int testBlockSize = 512;

/** MIDI note 57 (A3, 220 Hz). */
constexpr int testNote = 57;

/** A stereo recording of a plug-in's output over several blocks. */
struct Recording
{
    std::vector<float> left;
    std::vector<float> right;
};

/** One short MIDI message at frame `offset` of block `block`. */
struct Midi
{
    int block, offset;
    std::uint8_t status, data1, data2;
};

/** A plug-in instance as a host drives it, in-process ("Processor") or built ("VST3", "LV2",
    "VST2"); prepared at testSampleRate in blocks of testBlockSize frames. Ids are ours, whatever
    order or extra parameters the format has. */
class Player
{
public:
    virtual ~Player() = default;
    virtual Recording play(int numBlocks, const std::vector<Midi>& midi) = 0;
    virtual float value(int id) = 0;
    /** As host automation: the value goes to the plug-in as it is, NaN included. */
    virtual void setValue(int id, float normalised) = 0;
    /** The text the plug-in writes for a parameter's value, and a typed text read back. */
    virtual std::string text(int id) = 0;
    virtual void type(int id, const std::string& text) = 0;
    virtual std::vector<std::uint8_t> state() = 0;
    virtual void restore(const std::vector<std::uint8_t>& state) = 0;
};

/** A prepared instance of `format`; null (with a test failure) when it does not load. */
std::unique_ptr<Player> makePlayer(const std::string& format, double sampleRate = testSampleRate);
std::unique_ptr<Player> makeVst2Player();

/** testNote struck at velocity 127 at the start of block 0, then `more`. */
std::vector<Midi> noteAnd(std::vector<Midi> more = {});

/** Root mean square of samples [begin, end), and of the left channel over blocks [from, to). */
double rms(const std::vector<float>& samples, size_t begin, size_t end);
double levelOf(const Recording& recording, int from, int to);

/** True when samples [begin, end) only fall away: each no larger than the one before it and of
    the same sign, or zero. Once the engine falls silent, the DC blocker still lets the offset it
    was taking out decay like this for a moment; anything that sounds would rise again. */
bool onlyDecays(const std::vector<float>& samples, size_t begin, size_t end);

bool allFinite(const Recording& recording);

/** Normalised autocorrelation of samples [begin, end) at the period of `frequency` (Hz): near 1
    when the signal repeats at that period, low at half its own. */
double periodicity(const std::vector<float>& samples, size_t begin, size_t end, double frequency);

/** Set in the environment of a test process, it makes the process's private X
    server run without the GLX extension (tests/plugin/TestMain.cpp). */
constexpr const char* withoutGLXVariable = "TOVKA_TEST_WITHOUT_GLX";

/** Writes 0xAARRGGBB pixels, row by row, as a PNG into the test artefact folder,
    for a person to look at; returns the file's path. */
std::string saveArtefact(const std::string& name, int width, int height,
                         const std::vector<std::uint32_t>& pixels);
