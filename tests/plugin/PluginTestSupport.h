#pragma once

// What the plug-in tests share: an instance as a host drives it, what the host hears, and artefacts.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <juce_audio_processors/juce_audio_processors.h>

constexpr double testSampleRate = 44100.0;
constexpr int testBlockSize = 512;

/** Stereo output, and the allocations inside processBlock after the first block (counted in-process only). */
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

/** An instance in-process ("Processor") or built and hosted by JUCE ("VST3", "LV2", "VST2"); ids are ours. */
struct Player
{
    const std::unique_ptr<juce::AudioPluginFormat> format; // outlives the instance it made
    const std::unique_ptr<juce::AudioProcessor> processor;
    bool warm = false;

    Recording play(int numBlocks, const std::vector<Midi>& midi);
    float value(int id) { return parameter(id).getValue(); }
    void setValue(int id, float normalised) { parameter(id).setValue(normalised); }
    std::string text(int id) { return parameter(id).getCurrentValueAsText().toStdString(); }
    void type(int id, const std::string& text) { setValue(id, parameter(id).getValueForText(text)); }
    std::vector<std::uint8_t> state();
    void restore(const std::vector<std::uint8_t>& s)
    {
        processor->setStateInformation(s.data(), (int)s.size());
    }
    juce::AudioProcessorParameter& parameter(int id);
};

/** An instance of `format`, prepared unless asked not to be; null (with a test failure) if it does not load.
 */
std::unique_ptr<Player> makePlayer(const std::string& format, double sampleRate = testSampleRate,
                                   bool prepare = true);

/** A report the host hears: 'b'egin, 'v'alue (with the value) or 'e'nd, and the parameter's index. */
using Report = std::tuple<char, int, float>;

/** What the host hears from all of a processor's parameters, from any thread, until take() hands it over. */
class Heard : juce::AudioProcessorParameter::Listener
{
public:
    explicit Heard(juce::AudioProcessor& processor)
    {
        for (auto* parameter : processor.getParameters())
            parameter->addListener(this);
    }
    std::vector<Report> take()
    {
        const juce::ScopedLock lock(reportsLock);
        return std::exchange(reports, {});
    }

private:
    void parameterValueChanged(int id, float value) override { add({'v', id, value}); }
    void parameterGestureChanged(int id, bool begin) override { add({begin ? 'b' : 'e', id, 0.0f}); }
    void add(Report report)
    {
        const juce::ScopedLock lock(reportsLock);
        reports.push_back(report);
    }
    juce::CriticalSection reportsLock;
    std::vector<Report> reports;
};

inline void pump(int milliseconds)
{
    juce::MessageManager::getInstance()->runDispatchLoopUntil(milliseconds);
}

/** Set in a test process's environment, its private X server runs without GLX (TestMain.cpp). */
constexpr const char* withoutGLXVariable = "TOVKA_TEST_WITHOUT_GLX";

/** Writes 0xAARRGGBB pixels, row by row, as a PNG into the artefact folder; returns its path. */
std::string saveArtefact(const std::string& name, int width, int height,
                         const std::vector<std::uint32_t>& pixels);
