#pragma once

// What the plug-in tests share, free of JUCE: the VST2 host's fst headers declare names JUCE declares
// too, so the tests that drive every format see the plug-in only through Player.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

constexpr double testSampleRate = 44100.0;
constexpr int testBlockSize = 512;

/** Stereo output over several blocks, and the allocations made inside processBlock after the
    instance's first block (counted by the in-process player only). */
struct Recording
{
    std::vector<float> left, right;
    long allocations = 0;
};

/** A three-byte MIDI message at frame `offset` of block `block`. */
struct Midi
{
    int block, offset;
    std::uint8_t bytes[3];
};

/** An instance as a host drives it, in-process ("Processor") or built ("VST3", "LV2", "VST2"). Ids
    are ours, whatever the format adds; setValue is host automation, NaN included. */
class Player
{
public:
    virtual ~Player() = default;
    virtual Recording play(int numBlocks, const std::vector<Midi>& midi) = 0;
    virtual float value(int id) = 0;
    virtual void setValue(int id, float normalised) = 0;
    virtual std::string text(int id) = 0;
    virtual void type(int id, const std::string& text) = 0;
    virtual std::vector<std::uint8_t> state() = 0;
    virtual void restore(const std::vector<std::uint8_t>& state) = 0;
};

/** A prepared instance of `format`; null (with a test failure) when it does not load. */
std::unique_ptr<Player> makePlayer(const std::string& format, double sampleRate = testSampleRate);
std::unique_ptr<Player> makeVst2Player();

/** Set in a test process's environment, its private X server runs without GLX (TestMain.cpp). */
constexpr const char* withoutGLXVariable = "TOVKA_TEST_WITHOUT_GLX";

/** Writes 0xAARRGGBB pixels, row by row, as a PNG into the artefact folder; returns its path. */
std::string saveArtefact(const std::string& name, int width, int height,
                         const std::vector<std::uint32_t>& pixels);
