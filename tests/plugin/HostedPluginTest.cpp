// The built VST3 and LV2 bundles, loaded through JUCE's own plug-in hosting the
// way a host application loads them.
#include <limits>
#include <memory>

#include <gtest/gtest.h>

#include "ParameterTables.h"
#include "PluginTestSupport.h"
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
    /** The plug-in, not the host, writes a parameter value's text (LV2 has no way to). */
    bool writesValueText;
};

std::ostream& operator<<(std::ostream& os, const Format& format)
{
    return os << format.name;
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

    /** A loaded, prepared instance; a failed load fails the test and leaves a null. */
    std::unique_ptr<juce::AudioPluginInstance> load(bool plainVoice = false)
    {
        juce::String error;
        auto instance =
            format->createInstanceFromDescription(*descriptions[0], testSampleRate, testBlockSize, error);
        EXPECT_NE(instance, nullptr) << error;
        if (instance != nullptr)
        {
            instance->enableAllBuses();
            instance->prepareToPlay(testSampleRate, testBlockSize);
            if (plainVoice)
                setPlainVoice(*instance);
        }
        return instance;
    }

    std::unique_ptr<juce::AudioPluginFormat> format;
    juce::OwnedArray<juce::PluginDescription> descriptions;
};
} // namespace

TEST_P(HostedPlugin, DescribesItselfAsTheTovkaInstrumentWithSeventeenParameters)
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
        EXPECT_TRUE(!GetParam().keepsParameterOrder || all[i]->getName(64) == ParameterNames[i]) << i;
    }

    // Values read with two decimals, as a 0.01 step would show them, and typed text reads back;
    // the values themselves stay unrounded.
    if (GetParam().writesValueText)
    {
        EXPECT_EQ(parameterAt(*instance, FormantChannel::ParamAttack)->getCurrentValueAsText(), "0.11");
        auto* volume = parameterAt(*instance, FormantChannel::ParamMainVolume);
        EXPECT_EQ(volume->getText(64.0f / 127.0f, 1024), "0.50"); // what controller 7 at 64 sets
        EXPECT_EQ(volume->getValueForText("0.5"), 0.5f);
    }
}

TEST_P(HostedPlugin, ANoteRendersStereoAudio)
{
    auto instance = load();
    ASSERT_NE(instance, nullptr);
    const auto out = playNoteWith(*instance, 20, -1, {});
    EXPECT_TRUE(allFinite(out));
    EXPECT_GT(levelOf(out, 2, 20), 1e-3);
    EXPECT_GT(rms(out.right, 2 * testBlockSize, out.right.size()), 1e-3);
    EXPECT_NE(out.left, out.right);
}

TEST_P(HostedPlugin, SustainPedalHoldsAReleasedNote)
{
    for (bool pedal : {false, true})
    {
        auto instance = load(true);
        ASSERT_NE(instance, nullptr);
        const auto out =
            render(*instance, 24, testBlockSize,
                   [pedal](int b)
                   {
                       juce::MidiBuffer midi;
                       if (b == 0)
                           midi.addEvent(juce::MidiMessage::noteOn(1, testNote, (juce::uint8)127), 0);
                       if (b == 2 && pedal)
                           midi.addEvent(juce::MidiMessage::controllerEvent(1, 64, 127), 0);
                       if (b == 6)
                           midi.addEvent(juce::MidiMessage::noteOff(1, testNote), 0);
                       return midi;
                   });
        EXPECT_GT(levelOf(out, 3, 6), 1e-3);
        const double after = levelOf(out, 12, 24);
        EXPECT_TRUE(pedal ? after > 1e-3 : onlyDecays(out.left, 12 * testBlockSize, 24 * testBlockSize))
            << "pedal " << pedal << ": " << after;
    }
}

TEST_P(HostedPlugin, PitchBendAndAMappedControllerReachTheEngine)
{
    auto instance = load(true);
    ASSERT_NE(instance, nullptr);
    const auto bent = playNoteWith(*instance, 40, 20, juce::MidiMessage::pitchWheel(1, 16383));
    EXPECT_NEAR(estimatePitch(bent.left, 4 * testBlockSize, 20 * testBlockSize), 220.0, 220.0 * 0.02);
    EXPECT_NEAR(estimatePitch(bent.left, 24 * testBlockSize, 40 * testBlockSize), 440.0, 440.0 * 0.02);

    // Controller 7 drives "Main Volume"; at 0 the plug-in falls silent from the block
    // after the one carrying it (the parameter reaches the engine at the next block),
    // but for the DC blocker's dying offset.
    instance = load(true);
    ASSERT_NE(instance, nullptr);
    const auto muted = playNoteWith(*instance, 10, 4, juce::MidiMessage::controllerEvent(1, 7, 0), 5);
    EXPECT_GT(levelOf(muted, 2, 5), 1e-3);
    EXPECT_TRUE(onlyDecays(muted.left, 6 * testBlockSize, 10 * testBlockSize));
}

TEST_P(HostedPlugin, StateRoundTripsThroughTheHostAndANaNValueIsRefused)
{
    auto source = load();
    ASSERT_NE(source, nullptr);
    for (int i = 0; i < NumParameters; ++i)
        setParameter(*source, i, (float)(i + 1) / 23.0f);
    render(*source, 1, testBlockSize, {});
    // A NaN keeps the previous value. "Stereo Spread" is also the reverb's wet level: a NaN
    // there would reach every sample.
    parameterAt(*source, FormantChannel::ParamStereoSpread)
        ->setValue(std::numeric_limits<float>::quiet_NaN());
    const auto out = playNoteWith(*source, 12, -1, {});
    EXPECT_TRUE(allFinite(out));
    EXPECT_GT(levelOf(out, 2, 12), 1e-3);
    juce::MemoryBlock state;
    source->getStateInformation(state);

    auto restored = load();
    ASSERT_NE(restored, nullptr);
    restored->setStateInformation(state.getData(), (int)state.getSize());
    render(*restored, 1, testBlockSize, {});
    for (int i = 0; i < NumParameters; ++i)
        EXPECT_FLOAT_EQ(parameterAt(*restored, i)->getValue(), (float)(i + 1) / 23.0f) << ParameterNames[i];
}

TEST_P(HostedPlugin, OpensItsOwnFixedSizeEditor)
{
    auto instance = load();
    ASSERT_NE(instance, nullptr);
    EXPECT_TRUE(instance->hasEditor());
    std::unique_ptr<juce::AudioProcessorEditor> editor(instance->createEditorIfNeeded());
    ASSERT_NE(editor, nullptr);
    // Not the framework's generic editor, which lists the parameters in a taller window.
    EXPECT_EQ(editor->getWidth(), 780);
    EXPECT_EQ(editor->getHeight(), 400);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, HostedPlugin,
    ::testing::Values(Format{"VST3", [] { return std::make_unique<juce::VST3PluginFormat>(); },
                             TestPaths::vst3Folder, TestPaths::vst3Bundle, true, true},
                      Format{"LV2", [] { return std::make_unique<juce::LV2PluginFormat>(); },
                             TestPaths::lv2Folder, TestPaths::lv2Uri, false, false}),
    [](const auto& info) { return std::string(info.param.name); });
