// The built VST3 and LV2 bundles, loaded through JUCE's own plug-in hosting the
// way a host application loads them.
#include <memory>

#include <gtest/gtest.h>

#include "ParameterTables.h"
#include "PluginTestHelpers.h"
#include "formant/FormantChannel.h"

namespace
{
struct Format
{
    const char* name;
    std::function<std::unique_ptr<juce::AudioPluginFormat>()> create;
    /** The folder the format's binary lies in, and what the format calls the plug-in: the
        VST3 bundle's path, or the LV2 URI (found by scanning the folder). */
    const char* folder;
    const char* identifier;
    bool keepsParameterOrder;
};

std::ostream& operator<<(std::ostream& os, const Format& format)
{
    return os << format.name;
}

juce::MidiBuffer noteAt(int block, int onBlock, int offBlock = -1)
{
    if (block == onBlock)
        return midiOf({{juce::MidiMessage::noteOn(1, testNote, (std::uint8_t)127), 0}});
    if (block == offBlock)
        return midiOf({{juce::MidiMessage::noteOff(1, testNote), 0}});
    return {};
}

class HostedPlugin : public ::testing::TestWithParam<Format>
{
protected:
    void SetUp() override
    {
        format = GetParam().create();
        const auto found =
            format->searchPathsForPlugins(juce::FileSearchPath(GetParam().folder), false, false);
        ASSERT_TRUE(found.contains(GetParam().identifier)) << found.joinIntoString(", ");
        format->findAllTypesForFile(descriptions, GetParam().identifier);
        ASSERT_EQ(descriptions.size(), 1) << "no plug-in found at " << GetParam().identifier;
    }

    std::unique_ptr<juce::AudioPluginInstance> load()
    {
        juce::String error;
        auto instance =
            format->createInstanceFromDescription(*descriptions[0], testSampleRate, testBlockSize, error);
        EXPECT_NE(instance, nullptr) << error;
        if (instance != nullptr)
        {
            instance->enableAllBuses();
            instance->prepareToPlay(testSampleRate, testBlockSize);
        }
        return instance;
    }

    /** Renders testNote, held from block 0 on a plain voice, with `event` in block `eventBlock`. */
    Recording playNoteWith(int numBlocks, int eventBlock, const juce::MidiMessage& event, int eventOffset)
    {
        auto instance = load();
        if (instance == nullptr)
            return {};
        setPlainVoice(*instance);
        return render(*instance, numBlocks, testBlockSize,
                      [&](int b)
                      {
                          if (b == eventBlock)
                              return midiOf({{event, eventOffset}});
                          return noteAt(b, 0);
                      });
    }

    std::unique_ptr<juce::AudioPluginFormat> format;
    juce::OwnedArray<juce::PluginDescription> descriptions;
};

} // namespace

TEST_P(HostedPlugin, DescribesItselfAsTheTovkaInstrument)
{
    const auto& description = *descriptions[0];
    EXPECT_EQ(description.name, "Tovka");
    EXPECT_EQ(description.manufacturerName, "Orvalunde");
    EXPECT_TRUE(description.isInstrument);
    EXPECT_EQ(description.numInputChannels, 0);
    EXPECT_EQ(description.numOutputChannels, 2);

    auto instance = load();
    ASSERT_NE(instance, nullptr);
    EXPECT_EQ(instance->getTotalNumInputChannels(), 0);
    EXPECT_EQ(instance->getTotalNumOutputChannels(), 2);
    EXPECT_TRUE(instance->acceptsMidi());
    EXPECT_FALSE(instance->producesMidi());
}

TEST_P(HostedPlugin, ExposesSeventeenParametersWithNamesAndDefaults)
{
    auto instance = load();
    ASSERT_NE(instance, nullptr);

    // A wrapper may add parameters of its own (bypass, emulated controllers), and the
    // LV2 host lists ports in its own order; VST3 keeps ours first, in id order.
    const auto& all = instance->getParameters();
    for (int i = 0; i < NumParameters; ++i)
    {
        int matches = 0;
        for (auto* parameter : all)
            if (parameter->getName(64) == ParameterNames[i])
            {
                ++matches;
                EXPECT_FLOAT_EQ(parameter->getDefaultValue(), ParameterDefaultValues[i]) << ParameterNames[i];
                EXPECT_FLOAT_EQ(parameter->getValue(), ParameterDefaultValues[i]) << ParameterNames[i];
            }
        EXPECT_EQ(matches, 1) << ParameterNames[i];
        if (GetParam().keepsParameterOrder)
        {
            EXPECT_EQ(all[i]->getName(64), ParameterNames[i]);
        }
    }
}

TEST_P(HostedPlugin, ANoteRendersStereoAudio)
{
    auto instance = load();
    ASSERT_NE(instance, nullptr);
    const auto out = render(*instance, 20, testBlockSize, [](int b) { return noteAt(b, 0); });
    EXPECT_TRUE(allFinite(out.left));
    EXPECT_TRUE(allFinite(out.right));
    const size_t from = 2 * testBlockSize;
    EXPECT_GT(rms(out.left, from, out.left.size()), 1e-3);
    EXPECT_GT(rms(out.right, from, out.right.size()), 1e-3);
    EXPECT_NE(out.left, out.right);
}

TEST_P(HostedPlugin, SustainPedalHoldsAReleasedNote)
{
    auto levelAfterRelease = [this](bool pedal)
    {
        auto instance = load();
        EXPECT_NE(instance, nullptr);
        if (instance == nullptr)
            return 0.0;
        setPlainVoice(*instance);
        const auto out = render(*instance, 24, testBlockSize,
                                [pedal](int b)
                                {
                                    if (b == 2 && pedal)
                                        return midiOf({{juce::MidiMessage::controllerEvent(1, 64, 127), 0}});
                                    return noteAt(b, 0, 6);
                                });
        EXPECT_GT(rms(out.left, 3 * testBlockSize, 6 * testBlockSize), 1e-3);
        return rms(out.left, 12 * testBlockSize, 24 * testBlockSize);
    };
    EXPECT_LT(levelAfterRelease(false), 1e-5);
    EXPECT_GT(levelAfterRelease(true), 1e-3);
}

TEST_P(HostedPlugin, PitchBendRaisesThePitch)
{
    const auto out = playNoteWith(40, 20, juce::MidiMessage::pitchWheel(1, 16383), 0);
    ASSERT_EQ(out.left.size(), 40u * testBlockSize);
    EXPECT_NEAR(estimatePitch(out.left, 4 * testBlockSize, 20 * testBlockSize, testSampleRate, 150, 600),
                220.0, 220.0 * 0.02);
    EXPECT_NEAR(estimatePitch(out.left, 24 * testBlockSize, 40 * testBlockSize, testSampleRate, 150, 600),
                440.0, 440.0 * 0.02);
}

TEST_P(HostedPlugin, StateRoundTripsThroughTheHost)
{
    auto source = load();
    ASSERT_NE(source, nullptr);
    for (int i = 0; i < NumParameters; ++i)
        setParameter(*source, i, (float)(i + 1) / 23.0f);
    render(*source, 1, testBlockSize, {});
    juce::MemoryBlock state;
    source->getStateInformation(state);

    auto restored = load();
    ASSERT_NE(restored, nullptr);
    restored->setStateInformation(state.getData(), (int)state.getSize());
    render(*restored, 1, testBlockSize, {});
    for (int i = 0; i < NumParameters; ++i)
        EXPECT_FLOAT_EQ(parameterAt(*restored, i)->getValue(), (float)(i + 1) / 23.0f) << ParameterNames[i];
}

TEST_P(HostedPlugin, MappedControllerChangesItsParameter)
{
    // Controller 7 drives "Main Volume"; at 0 the plug-in falls silent from the block
    // after the one carrying it (the parameter reaches the engine at the next block).
    const auto out = playNoteWith(10, 4, juce::MidiMessage::controllerEvent(1, 7, 0), 5);
    ASSERT_EQ(out.left.size(), 10u * testBlockSize);
    EXPECT_GT(rms(out.left, 2 * testBlockSize, 5 * testBlockSize), 1e-3);
    EXPECT_LT(rms(out.left, 6 * testBlockSize, 10 * testBlockSize), 1e-7);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, HostedPlugin,
    ::testing::Values(Format{"VST3", [] { return std::make_unique<juce::VST3PluginFormat>(); },
                             TestPaths::vst3Folder, TestPaths::vst3Bundle, true},
                      Format{"LV2", [] { return std::make_unique<juce::LV2PluginFormat>(); },
                             TestPaths::lv2Folder, TestPaths::lv2Uri, false}),
    [](const auto& info) { return std::string(info.param.name); });
