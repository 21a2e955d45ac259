// The processor in-process: construction, parameters, MIDI handling, block
// rendering and the state chunk, observed through real rendered audio.
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

#include <gtest/gtest.h>

#include "ParameterTables.h"
#include "PluginProcessor.h"
#include "PluginTestHelpers.h"
#include "dsp/PinkNoise.h"
#include "dsp/TKOsc.h"
#include "formant/FormantChannel.h"
#include "formant/FormantTables.h"

namespace
{
std::unique_ptr<TovkaAudioProcessor> makeProcessor(double sampleRate = testSampleRate)
{
    auto processor = std::make_unique<TovkaAudioProcessor>();
    processor->prepareToPlay(sampleRate, testBlockSize);
    return processor;
}

juce::MemoryBlock stateOf(juce::AudioProcessor& processor)
{
    juce::MemoryBlock block;
    processor.getStateInformation(block);
    return block;
}

float floatAt(const juce::MemoryBlock& block, int index)
{
    const auto* bytes = static_cast<const std::uint8_t*>(block.getData()) + index * 4;
    const std::uint32_t bits = (std::uint32_t)bytes[0] | (std::uint32_t)bytes[1] << 8 |
                               (std::uint32_t)bytes[2] << 16 | (std::uint32_t)bytes[3] << 24;
    float value;
    std::memcpy(&value, &bits, 4);
    return value;
}

std::vector<std::uint8_t> chunkOf(std::initializer_list<float> values)
{
    std::vector<std::uint8_t> bytes;
    for (float v : values)
    {
        std::uint32_t bits;
        std::memcpy(&bits, &v, 4);
        for (int k = 0; k < 4; ++k)
            bytes.push_back((std::uint8_t)(bits >> (8 * k)));
    }
    return bytes;
}

float valueOf(juce::AudioProcessor& processor, int id)
{
    return parameterAt(processor, id)->getValue();
}

/** Counts the parameter changes a host would be told about. */
struct ChangeCounter : juce::AudioProcessorListener
{
    std::vector<std::pair<int, float>> changes;
    void audioProcessorParameterChanged(juce::AudioProcessor*, int index, float value) override
    {
        changes.emplace_back(index, value);
    }
    void audioProcessorChanged(juce::AudioProcessor*, const ChangeDetails&) override {}
};

juce::MidiMessage noteOn(int note = testNote, std::uint8_t velocity = 100)
{
    return juce::MidiMessage::noteOn(1, note, velocity);
}

juce::MidiMessage raw(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2)
{
    return juce::MidiMessage(b0, b1, b2);
}

/** Renders numBlocks blocks with testNote struck at the start of the first. */
Recording playNote(juce::AudioProcessor& processor, int numBlocks)
{
    return render(processor, numBlocks, testBlockSize,
                  [](int b) {
                      return b == 0 ? midiOf({{noteOn(), 0}}) : juce::MidiBuffer();
                  });
}

size_t firstNonZero(const std::vector<float>& samples)
{
    for (size_t i = 0; i < samples.size(); ++i)
        if (samples[i] != 0.0f)
            return i;
    return samples.size();
}
} // namespace

//==============================================================================
TEST(Processor, AnswersWithItsIdentity)
{
    TovkaAudioProcessor processor;
    EXPECT_EQ(processor.getName(), "Tovka");
    EXPECT_TRUE(processor.acceptsMidi());
    EXPECT_FALSE(processor.producesMidi());
    EXPECT_TRUE(processor.hasEditor());
    EXPECT_EQ(processor.getTailLengthSeconds(), 0.0);
    EXPECT_EQ(processor.getNumPrograms(), 1);
    EXPECT_EQ(processor.getCurrentProgram(), 0);
    // Outside the VST3 wrapper the one program stays unnamed.
    EXPECT_EQ(processor.getProgramName(0), "");

    EXPECT_EQ(processor.getTotalNumInputChannels(), 0);
    EXPECT_EQ(processor.getTotalNumOutputChannels(), 2);
    juce::AudioProcessor::BusesLayout mono;
    mono.outputBuses.add(juce::AudioChannelSet::mono());
    EXPECT_FALSE(processor.checkBusesLayoutSupported(mono));
    juce::AudioProcessor::BusesLayout withInput;
    withInput.inputBuses.add(juce::AudioChannelSet::stereo());
    withInput.outputBuses.add(juce::AudioChannelSet::stereo());
    EXPECT_FALSE(processor.checkBusesLayoutSupported(withInput));
}

TEST(Processor, NamesItsProgramOnlyForTheVst3Wrapper)
{
    // Steinberg's validator rejects a VST3 program list whose one program has no name.
    juce::AudioProcessor::setTypeOfNextNewPlugin(juce::AudioProcessor::wrapperType_VST3);
    TovkaAudioProcessor vst3;
    juce::AudioProcessor::setTypeOfNextNewPlugin(juce::AudioProcessor::wrapperType_VST);
    TovkaAudioProcessor vst;
    juce::AudioProcessor::setTypeOfNextNewPlugin(juce::AudioProcessor::wrapperType_Undefined);
    EXPECT_EQ(vst3.getProgramName(0), "Default");
    EXPECT_EQ(vst.getProgramName(0), "");
}

TEST(Processor, RegistersTheSeventeenParametersWithNamesAndDefaults)
{
    TovkaAudioProcessor processor;
    const auto& parameters = processor.getParameters();
    ASSERT_EQ(parameters.size(), NumParameters);
    for (int i = 0; i < NumParameters; ++i)
    {
        auto* parameter = dynamic_cast<juce::AudioParameterFloat*>(parameters[i]);
        ASSERT_NE(parameter, nullptr);
        const juce::AudioProcessorParameter& base = *parameter;
        EXPECT_EQ(parameter->getParameterID(), ParameterNames[i]);
        EXPECT_EQ(parameter->getName(64), ParameterNames[i]);
        EXPECT_EQ(base.getDefaultValue(), ParameterDefaultValues[i]) << ParameterNames[i];
        EXPECT_EQ(base.getValue(), ParameterDefaultValues[i]) << ParameterNames[i];
        EXPECT_EQ(parameter->range.start, 0.0f);
        EXPECT_EQ(parameter->range.end, 1.0f);
    }
}

TEST(Processor, KeepsHostValuesUnrounded)
{
    // A 0.01 step would turn 0.10651 into 0.11.
    TovkaAudioProcessor processor;
    for (float value : {0.10651f, 0.333333f, 0.0001f, 0.99999f})
    {
        parameterAt(processor, FormantChannel::ParamFormantQ)->setValueNotifyingHost(value);
        EXPECT_EQ(valueOf(processor, FormantChannel::ParamFormantQ), value);
    }
}

TEST(Processor, ConstructionResetsTheFilterRateAndPrepareToPlayFollowsTheHost)
{
    __PEQ_Samplerate = 96000.0;
    TovkaAudioProcessor processor;
    EXPECT_EQ(__PEQ_Samplerate, 44100.0);

    processor.prepareToPlay(48000.0, testBlockSize);
    EXPECT_EQ(__PEQ_Samplerate, 48000.0);
    processor.prepareToPlay(48000.0, testBlockSize);
    EXPECT_EQ(__PEQ_Samplerate, 48000.0);
    // Outside 44100..192000 the filters keep their last rate.
    processor.prepareToPlay(22050.0, testBlockSize);
    EXPECT_EQ(__PEQ_Samplerate, 48000.0);
}

TEST(Processor, NonsenseSampleRatesLeaveItPlayable)
{
    auto processor = makeProcessor();
    for (double rate :
         {0.0, -48000.0, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()})
        processor->prepareToPlay(rate, testBlockSize);
    EXPECT_EQ(__PEQ_Samplerate, 44100.0);
    const auto out = playNote(*processor, 8);
    EXPECT_TRUE(allFinite(out.left));
    EXPECT_TRUE(allFinite(out.right));
    EXPECT_GT(rms(out.left, testBlockSize, out.left.size()), 1e-3);
}

TEST(Processor, InstancesShareTheTablesAndTheLastOneFreesThem)
{
    const int wavesBefore = __TKOsc_retainCount;
    const int noiseBefore = __PinkNoise_retainCount;
    ASSERT_EQ(wavesBefore, 0);
    ASSERT_EQ(noiseBefore, 0);

    auto first = std::make_unique<TovkaAudioProcessor>();
    const float* sine = __TKOsc_buffers[TKOSC_SINE];
    const float* noise = __PinkNoise_data;
    ASSERT_NE(sine, nullptr);
    ASSERT_NE(noise, nullptr);

    auto second = std::make_unique<TovkaAudioProcessor>();
    EXPECT_EQ(__TKOsc_retainCount, 2);
    EXPECT_EQ(__PinkNoise_retainCount, 2);
    EXPECT_EQ(__TKOsc_buffers[TKOSC_SINE], sine);
    EXPECT_EQ(__PinkNoise_data, noise);

    first.reset();
    EXPECT_EQ(__TKOsc_buffers[TKOSC_SINE], sine);
    EXPECT_EQ(__PinkNoise_data, noise);
    second->prepareToPlay(testSampleRate, testBlockSize);
    const auto out = playNote(*second, 4);
    EXPECT_GT(rms(out.left, testBlockSize, out.left.size()), 1e-3);

    second.reset();
    EXPECT_EQ(__TKOsc_retainCount, 0);
    EXPECT_EQ(__PinkNoise_retainCount, 0);
    EXPECT_EQ(__TKOsc_buffers[TKOSC_SINE], nullptr);
    EXPECT_EQ(__PinkNoise_data, nullptr);
}

//==============================================================================
TEST(Processor, MidiSoundsOneBlockLaterAtTheSameOffset)
{
    auto processor = makeProcessor();
    setParameter(*processor, FormantChannel::ParamAttack, 0.0f);
    const int blockSize = 256;
    const auto out = render(*processor, 3, blockSize,
                            [](int b) {
                                return b == 0 ? midiOf({{noteOn(), 100}}) : juce::MidiBuffer();
                            });

    // Silence in, silence out: the reverb adds nothing before the note.
    EXPECT_EQ(firstNonZero(out.left), (size_t)blockSize + 100);
    EXPECT_EQ(firstNonZero(out.right), (size_t)blockSize + 100);
}

TEST(Processor, HostParametersReachTheChannelAtTheNextBlock)
{
    auto processor = makeProcessor();
    setParameter(*processor, FormantChannel::ParamStereoSpread, 0.0f); // dry only
    const auto out = render(*processor, 6, testBlockSize,
                            [&](int b)
                            {
                                if (b == 0)
                                    return midiOf({{noteOn(), 0}});
                                if (b == 3)
                                    setParameter(*processor, FormantChannel::ParamMainVolume, 0.0f);
                                return juce::MidiBuffer();
                            });
    EXPECT_GT(rms(out.left, 2 * testBlockSize, 3 * testBlockSize), 1e-3);
    EXPECT_EQ(rms(out.left, 3 * testBlockSize, 6 * testBlockSize), 0.0);
}

TEST(Processor, MappedControllerChangesItsParameterFromTheNextBlock)
{
    auto processor = makeProcessor();
    setParameter(*processor, FormantChannel::ParamStereoSpread, 0.0f);
    ChangeCounter counter;
    processor->addListener(&counter);

    const auto out = render(*processor, 5, testBlockSize,
                            [](int b)
                            {
                                if (b == 0)
                                    return midiOf({{noteOn(), 0}});
                                if (b == 2) // controller 7 on MIDI channel 16: "Main Volume"
                                    return midiOf({{raw(0xBF, 7, 0), 10}});
                                return juce::MidiBuffer();
                            });
    processor->removeListener(&counter);

    EXPECT_EQ(valueOf(*processor, FormantChannel::ParamMainVolume), 0.0f);
    ASSERT_EQ(counter.changes.size(), 1u);
    EXPECT_EQ(counter.changes[0].first, FormantChannel::ParamMainVolume);
    EXPECT_EQ(counter.changes[0].second, 0.0f);
    // The block carrying the controller still plays at the old volume.
    EXPECT_GT(rms(out.left, 2 * testBlockSize, 3 * testBlockSize), 1e-3);
    EXPECT_EQ(rms(out.left, 3 * testBlockSize, 5 * testBlockSize), 0.0);
}

TEST(Processor, ControllerMapCoversTheTableAndNothingElse)
{
    auto processor = makeProcessor();
    for (int id = 0; id < NumParameters; ++id)
    {
        const int cc = ParameterMIDIMapping[id];
        if (cc < 0)
            continue;
        juce::AudioBuffer<float> buffer(2, 64);
        auto midi = midiOf({{raw(0xB3, (std::uint8_t)cc, 127), 0}});
        processor->processBlock(buffer, midi);
        EXPECT_EQ(valueOf(*processor, id), 1.0f) << ParameterNames[id];
        midi = midiOf({{raw(0xB0, (std::uint8_t)cc, 64), 0}});
        processor->processBlock(buffer, midi);
        EXPECT_EQ(valueOf(*processor, id), 64.0f / 127.0f) << ParameterNames[id];
    }

    // The sustain pedal and unmapped controllers change no parameter.
    auto fresh = makeProcessor();
    ChangeCounter counter;
    fresh->addListener(&counter);
    juce::AudioBuffer<float> buffer(2, 64);
    for (int cc = 0; cc < 128; ++cc)
    {
        bool mapped = false;
        for (int id = 0; id < NumParameters; ++id)
            mapped = mapped || ParameterMIDIMapping[id] == cc;
        if (mapped)
            continue;
        auto midi = midiOf({{raw(0xB0, (std::uint8_t)cc, 127), 0}});
        fresh->processBlock(buffer, midi);
    }
    fresh->removeListener(&counter);
    EXPECT_TRUE(counter.changes.empty());
}

TEST(Processor, MalformedDataBytesAreIgnoredEntirely)
{
    auto processor = makeProcessor();
    ChangeCounter counter;
    processor->addListener(&counter);
    const auto out = render(*processor, 4, testBlockSize,
                            [](int b)
                            {
                                if (b != 0)
                                    return juce::MidiBuffer();
                                return midiOf({{raw(0x90, 0xC5, 100), 0}, // note byte out of range
                                               {raw(0x90, 60, 0xFF), 1},  // velocity out of range
                                               {raw(0xB0, 7, 0x90), 2},   // controller value out of range
                                               {raw(0xB0, 0xC0, 1), 3}}); // controller number out of range
                            });
    processor->removeListener(&counter);
    EXPECT_TRUE(counter.changes.empty());
    EXPECT_EQ(valueOf(*processor, FormantChannel::ParamMainVolume), ParameterDefaultValues[14]);
    EXPECT_EQ(rms(out.left, 0, out.left.size()), 0.0);
}

TEST(Processor, MidiPitchBendMovesThePitchAndTheHostPitchbendDoesNot)
{
    auto processor = makeProcessor();
    setPlainVoice(*processor);
    // The host parameter is automated to full bend; only MIDI may bend.
    setParameter(*processor, FormantChannel::ParamPitchbend, 1.0f);
    const int blocks = 40;
    const auto out = render(*processor, blocks, testBlockSize,
                            [](int b)
                            {
                                if (b == 0)
                                    return midiOf({{noteOn(testNote, 127), 0}});
                                if (b == 20)
                                    return midiOf({{juce::MidiMessage::pitchWheel(1, 16383), 0}});
                                return juce::MidiBuffer();
                            });
    const double straight =
        estimatePitch(out.left, 4 * testBlockSize, 20 * testBlockSize, testSampleRate, 150, 600);
    const double bent =
        estimatePitch(out.left, 24 * testBlockSize, 40 * testBlockSize, testSampleRate, 150, 600);
    EXPECT_NEAR(straight, 220.0, 220.0 * 0.02);
    // "Pitchbend Span" at 1 is 12 semitones: full bend is an octave up.
    EXPECT_NEAR(bent, 440.0, 440.0 * 0.02);
}

//==============================================================================
TEST(Processor, StereoAndMonoBuffers)
{
    auto processor = makeProcessor();
    juce::AudioBuffer<float> buffer(3, testBlockSize);
    buffer.clear();
    auto midi = midiOf({{noteOn(), 0}});
    processor->processBlock(buffer, midi);
    for (int b = 0; b < 4; ++b)
    {
        buffer.clear();
        for (int s = 0; s < testBlockSize; ++s)
            buffer.setSample(2, s, 0.25f);
        juce::MidiBuffer none;
        processor->processBlock(buffer, none);
    }
    EXPECT_GT(buffer.getRMSLevel(0, 0, testBlockSize), 1e-3f);
    EXPECT_GT(buffer.getRMSLevel(1, 0, testBlockSize), 1e-3f);
    // Channels past the second are the host's: left as they were.
    EXPECT_EQ(buffer.findMinMax(2, 0, testBlockSize), juce::Range<float>(0.25f, 0.25f));

    // One output channel: the left frame through the mono reverb.
    auto mono = makeProcessor();
    juce::AudioBuffer<float> one(1, testBlockSize);
    std::vector<float> samples;
    for (int b = 0; b < 6; ++b)
    {
        one.clear();
        auto events = b == 0 ? midiOf({{noteOn(), 0}}) : juce::MidiBuffer();
        mono->processBlock(one, events);
        samples.insert(samples.end(), one.getReadPointer(0), one.getReadPointer(0) + testBlockSize);
    }
    EXPECT_TRUE(allFinite(samples));
    EXPECT_GT(rms(samples, testBlockSize, samples.size()), 1e-3);

    // No channels at all still renders (and advances) the engine without writing.
    juce::AudioBuffer<float> none(0, testBlockSize);
    juce::MidiBuffer noMidi;
    mono->processBlock(none, noMidi);
}

TEST(Processor, StereoSpreadIsTheReverbWetLevel)
{
    // After a short note with no release, only the reverb's tail is left.
    auto tailAfterNote = [](float spread)
    {
        auto processor = makeProcessor();
        setPlainVoice(*processor);
        setParameter(*processor, FormantChannel::ParamStereoSpread, spread);
        const auto out = render(*processor, 12, testBlockSize,
                                [](int b)
                                {
                                    if (b == 0)
                                        return midiOf({{noteOn(), 0}});
                                    if (b == 4)
                                        return midiOf({{juce::MidiMessage::noteOff(1, testNote), 0}});
                                    return juce::MidiBuffer();
                                });
        EXPECT_GT(rms(out.left, 2 * testBlockSize, 4 * testBlockSize), 1e-3);
        return rms(out.left, 8 * testBlockSize, 12 * testBlockSize) +
               rms(out.right, 8 * testBlockSize, 12 * testBlockSize);
    };
    EXPECT_EQ(tailAfterNote(0.0f), 0.0);
    EXPECT_GT(tailAfterNote(0.4f), 1e-4);
}

//==============================================================================
TEST(Processor, DefaultStateIsSixtyEightLittleEndianBytes)
{
    TovkaAudioProcessor processor;
    const auto state = stateOf(processor);
    ASSERT_EQ(state.getSize(), 68u);
    const auto* bytes = static_cast<const std::uint8_t*>(state.getData());
    // 0.111f is 0x3DE353F8.
    EXPECT_EQ(bytes[0], 0xF8);
    EXPECT_EQ(bytes[1], 0x53);
    EXPECT_EQ(bytes[2], 0xE3);
    EXPECT_EQ(bytes[3], 0x3D);
    for (int i = 0; i < NumParameters; ++i)
        EXPECT_EQ(floatAt(state, i), ParameterDefaultValues[i]) << ParameterNames[i];
}

TEST(Processor, StateRoundTripsExactly)
{
    TovkaAudioProcessor source;
    for (int i = 0; i < NumParameters; ++i)
        parameterAt(source, i)->setValueNotifyingHost((float)(i + 1) / 19.0f + 0.00123f);
    const auto state = stateOf(source);

    TovkaAudioProcessor restored;
    restored.setStateInformation(state.getData(), (int)state.getSize());
    for (int i = 0; i < NumParameters; ++i)
        EXPECT_EQ(valueOf(restored, i), valueOf(source, i)) << ParameterNames[i];
    EXPECT_EQ(stateOf(restored), state);
}

TEST(Processor, ShortAndLongChunks)
{
    TovkaAudioProcessor processor;
    auto chunk = chunkOf({0.25f, 0.5f});
    chunk.push_back(0x12); // a partial third value
    processor.setStateInformation(chunk.data(), (int)chunk.size());
    EXPECT_EQ(valueOf(processor, 0), 0.25f);
    EXPECT_EQ(valueOf(processor, 1), 0.5f);
    for (int i = 2; i < NumParameters; ++i)
        EXPECT_EQ(valueOf(processor, i), 0.0f) << ParameterNames[i];

    // Nothing at all: every value reads as 0.
    TovkaAudioProcessor empty;
    empty.setStateInformation(nullptr, 0);
    for (int i = 0; i < NumParameters; ++i)
        EXPECT_EQ(valueOf(empty, i), 0.0f);

    // Bytes past the 68th are ignored.
    std::vector<std::uint8_t> longer;
    for (int i = 0; i < NumParameters + 3; ++i)
    {
        const auto value = chunkOf({0.75f});
        longer.insert(longer.end(), value.begin(), value.end());
    }
    TovkaAudioProcessor large;
    large.setStateInformation(longer.data(), (int)longer.size());
    for (int i = 0; i < NumParameters; ++i)
        EXPECT_EQ(valueOf(large, i), 0.75f);
}

TEST(Processor, CorruptChunkNeverPutsNonFiniteValuesIntoTheEngine)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    auto processor = makeProcessor();
    const auto chunk = chunkOf(
        {nan, inf, -inf, 5.0f, -1.0f, 1e-30f, nan, nan, nan, nan, nan, nan, nan, -nan, 0.5f, nan, nan});
    processor->setStateInformation(chunk.data(), (int)chunk.size());

    EXPECT_EQ(valueOf(*processor, 0), ParameterDefaultValues[0]);
    EXPECT_EQ(valueOf(*processor, 1), 1.0f);
    EXPECT_EQ(valueOf(*processor, 2), 0.0f);
    EXPECT_EQ(valueOf(*processor, 3), 1.0f);
    EXPECT_EQ(valueOf(*processor, 4), 0.0f);
    EXPECT_EQ(valueOf(*processor, 5), 1e-30f);
    for (int i = 6; i < 14; ++i)
        EXPECT_EQ(valueOf(*processor, i), ParameterDefaultValues[i]) << ParameterNames[i];
    EXPECT_EQ(valueOf(*processor, 14), 0.5f);

    const auto out = playNote(*processor, 20);
    EXPECT_TRUE(allFinite(out.left));
    EXPECT_TRUE(allFinite(out.right));
    EXPECT_GT(rms(out.left, testBlockSize, out.left.size()), 1e-4);
}

TEST(Processor, GenericEditorOpensAndCloses)
{
    TovkaAudioProcessor processor;
    std::unique_ptr<juce::AudioProcessorEditor> editor(processor.createEditorIfNeeded());
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(processor.getActiveEditor(), editor.get());
    editor.reset();
    EXPECT_EQ(processor.getActiveEditor(), nullptr);
}
