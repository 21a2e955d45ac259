// The built VST 2.4-compatible library, driven through its own C interface as a
// Linux host would (Vst2Host).
#include <cstring>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "Vst2Host.h"

#include "ParameterTables.h"
#include "formant/FormantChannel.h"
#define TOVKA_TEST_WITHOUT_JUCE
#include "PluginTestSupport.h"

namespace
{
class Vst2Plugin : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const auto error = host.open();
        ASSERT_TRUE(error.empty()) << error;
        effect = host.effect;
    }

    t_fstPtrInt dispatch(int opcode, int index = 0, t_fstPtrInt value = 0, void* ptr = nullptr,
                         float opt = 0.0f)
    {
        return host.dispatch(opcode, index, value, ptr, opt);
    }

    std::string stringOf(int opcode, int index = 0)
    {
        char text[256] = {};
        dispatch(opcode, index, 0, text);
        return text;
    }

    /** Sends one MIDI message at a frame offset, ahead of the next processReplacing. */
    void sendMidi(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, int offset)
    {
        VstMidiEvent event = {};
        event.type = kVstMidiType;
        event.byteSize = sizeof(VstMidiEvent);
        event.deltaFrames = offset;
        event.midiData[0] = (char)b0;
        event.midiData[1] = (char)b1;
        event.midiData[2] = (char)b2;
        struct
        {
            int numEvents;
            t_fstPtrInt reserved;
            VstEvent* events[1];
        } events = {1, 0, {reinterpret_cast<VstEvent*>(&event)}};
        dispatch(effProcessEvents, 0, 0, &events);
    }

    Recording process(int numBlocks)
    {
        Recording out;
        std::vector<float> left(testBlockSize), right(testBlockSize);
        for (int b = 0; b < numBlocks; ++b)
        {
            float* outputs[2] = {left.data(), right.data()};
            effect->processReplacing(effect, nullptr, outputs, testBlockSize);
            out.left.insert(out.left.end(), left.begin(), left.end());
            out.right.insert(out.right.end(), right.begin(), right.end());
        }
        return out;
    }

    std::vector<std::uint8_t> chunk()
    {
        void* data = nullptr;
        const auto size = dispatch(effGetChunk, 0, 0, &data);
        if (data == nullptr || size <= 0)
            return {};
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        return {bytes, bytes + size};
    }

    Vst2Host host;
    AEffect* effect = nullptr;
};
} // namespace

TEST_F(Vst2Plugin, ReportsTheTovkaIdentity)
{
    EXPECT_EQ(effect->uniqueID, fourCharCode("Tovk"));
    EXPECT_EQ(effect->version, 103);
    EXPECT_EQ(effect->numInputs, 0);
    EXPECT_EQ(effect->numOutputs, 2);
    EXPECT_EQ(effect->numParams, NumParameters);
    EXPECT_EQ(effect->numPrograms, 1);
    EXPECT_TRUE(effect->flags & effFlagsIsSynth);
    EXPECT_TRUE(effect->flags & effFlagsProgramChunks);
    EXPECT_TRUE(effect->flags & effFlagsCanReplacing);
    EXPECT_TRUE(effect->flags & effFlagsHasEditor);
    EXPECT_FALSE(effect->flags & effFlagsCanDoubleReplacing);

    EXPECT_EQ(stringOf(effGetEffectName), "Tovka");
    EXPECT_EQ(stringOf(effGetProductString), "Tovka");
    EXPECT_EQ(stringOf(effGetVendorString), "Orvalunde");
    EXPECT_EQ(stringOf(effGetProgramName), "");
    EXPECT_EQ(dispatch(effGetPlugCategory), kPlugCategSynth);
    EXPECT_EQ(dispatch(effCanDo, 0, 0, (void*)"receiveVstMidiEvent"), 1);
    EXPECT_NE(dispatch(effCanDo, 0, 0, (void*)"sendVstMidiEvent"), 1);

    // Two active outputs, the first marked as the first of a stereo pair, both with a valid
    // (stereo) speaker arrangement: the interface's flag values, which fst names but gives 0.
    enum PinFlags
    {
        pinIsActive = 1,
        pinIsStereo = 2,
        pinUseSpeaker = 4
    };
    const int pinFlags[] = {pinIsActive | pinIsStereo | pinUseSpeaker, pinIsActive | pinUseSpeaker};
    for (int pin = 0; pin < 3; ++pin)
    {
        VstPinProperties properties = {};
        EXPECT_EQ(dispatch(effGetOutputProperties, pin, 0, &properties), pin < 2 ? 1 : 0) << pin;
        EXPECT_EQ(properties.flags, pin < 2 ? pinFlags[pin] : 0) << pin;
        EXPECT_EQ(properties.arrangementType, pin < 2 ? kSpeakerArrStereo : kSpeakerArrEmpty) << pin;
    }
    VstPinProperties input = {};
    EXPECT_EQ(dispatch(effGetInputProperties, 0, 0, &input), 0);

    for (int i = 0; i < NumParameters; ++i)
        EXPECT_FLOAT_EQ(effect->getParameter(effect, i), ParameterDefaultValues[i]) << ParameterNames[i];
}

TEST_F(Vst2Plugin, ANoteRendersStereoAudio)
{
    process(1);
    sendMidi(0x90, testNote, 100, 0);
    const auto out = process(20);
    EXPECT_TRUE(allFinite(out));
    EXPECT_GT(rms(out.left, 2 * testBlockSize, out.left.size()), 1e-3);
    EXPECT_GT(rms(out.right, 2 * testBlockSize, out.right.size()), 1e-3);
}

TEST_F(Vst2Plugin, ShowsValuesWithTwoDecimalsAndReadsTypedTextBack)
{
    constexpr int attack = FormantChannel::ParamAttack, volume = FormantChannel::ParamMainVolume;
    EXPECT_EQ(stringOf(effGetParamDisplay, attack), "0.11");

    // Controller 7 at 64 sets "Main Volume" to 64/127, which stays unrounded.
    sendMidi(0xB0, 7, 64, 0);
    process(1);
    EXPECT_EQ(effect->getParameter(effect, volume), 64.0f / 127.0f);
    EXPECT_EQ(stringOf(effGetParamDisplay, volume), "0.50");

    char typed[] = "0.5";
    EXPECT_EQ(dispatch(effString2Parameter, volume, 0, typed), 1);
    EXPECT_EQ(effect->getParameter(effect, volume), 0.5f);
}

TEST_F(Vst2Plugin, ChunkHoldsTheParametersAndRestoresThem)
{
    const auto defaults = chunk();
    ASSERT_EQ(defaults.size(), 68u);
    for (int i = 0; i < NumParameters; ++i)
    {
        float value;
        std::memcpy(&value, defaults.data() + 4 * i, 4); // little-endian, as this machine
        EXPECT_EQ(value, ParameterDefaultValues[i]) << ParameterNames[i];
    }

    std::vector<std::uint8_t> changed = defaults;
    const float volume = 0.8125f;
    std::memcpy(changed.data() + 4 * 14, &volume, 4);
    dispatch(effSetChunk, 0, (t_fstPtrInt)changed.size(), changed.data());
    EXPECT_FLOAT_EQ(effect->getParameter(effect, 14), volume);
    EXPECT_EQ(chunk(), changed);

    effect->setParameter(effect, 0, 0.5f);
    const auto afterAutomation = chunk();
    ASSERT_EQ(afterAutomation.size(), 68u);
    float attack;
    std::memcpy(&attack, afterAutomation.data(), 4);
    EXPECT_EQ(attack, 0.5f);
}
