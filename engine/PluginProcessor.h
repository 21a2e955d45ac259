#pragma once

#include <cstdint>
#include <vector>

#include <juce_audio_processors/juce_audio_processors.h>

#include "MIDICCManager.h"
#include "dsp/DCBlocker.h"

class FormantChannel;
class HostParameter;

//==============================================================================
/** The plug-in: owns the formant channel, registers the 17 host parameters,
    feeds each block's parameter values and MIDI into the channel, renders the
    block frame by frame through a DC blocker and the reverb, maps MIDI
    controllers onto parameters and keeps the parameter values as the host's
    68-byte state chunk. */
class TovkaAudioProcessor : public juce::AudioProcessor
{
public:
    TovkaAudioProcessor();
    ~TovkaAudioProcessor() override;

    //==============================================================================
    const juce::String getName() const override;

    void prepareToPlay(double sampleRate, int samplesPerBlock) override;
    void releaseResources() override;
    void processBlock(juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi) override;
    using juce::AudioProcessor::processBlock;

    bool isBusesLayoutSupported(const BusesLayout& layouts) const override;

    double getTailLengthSeconds() const override;
    bool acceptsMidi() const override;
    bool producesMidi() const override;

    juce::AudioProcessorEditor* createEditor() override;
    bool hasEditor() const override;

    //==============================================================================
    int getNumPrograms() override;
    int getCurrentProgram() override;
    void setCurrentProgram(int index) override;
    const juce::String getProgramName(int index) override;
    void changeProgramName(int index, const juce::String& newName) override;

    //==============================================================================
    /** Writes the 17 normalised parameter values, in id order, as little-endian
        32-bit floats (68 bytes, no header). */
    void getStateInformation(juce::MemoryBlock& destData) override;

    /** Reads what getStateInformation wrote. Values the chunk cannot supply whole
        read as 0; a NaN becomes the parameter's default and anything else is
        clamped to 0..1, so no chunk can put a non-finite value into the engine. */
    void setStateInformation(const void* data, int sizeInBytes) override;

    //==============================================================================
    /** The channel's parameter id that the host parameter "Pitchbend" shadows; only
        MIDI pitch bend moves it inside the channel. */
    static constexpr int pitchbendParameter = 4;

    /** "Stereo Spread", whose normalised value is also the reverb's wet level. */
    static constexpr int stereoSpreadParameter = 16;

    /** The sustain pedal: reaches the channel as MIDI, never drives a parameter. */
    static constexpr int sustainController = 64;

private:
    /** True for no channel (null) or a block of exact zeros. */
    static bool isSilent(const float* samples, int numSamples);
    /** The largest magnitude in the block; 0 for no channel (null). */
    static float peakOf(const float* samples, int numSamples);

    juce::Reverb reverb;
    juce::Reverb::Parameters reverbParameters;
    /** Take the voices' DC offset out of channels 0 and 1 ahead of the reverb;
        the rate and a reset come with prepareToPlay. */
    DCBlocker dcBlockers[2];
    FormantChannel* formantChannel = nullptr;
    /** Start time handed to the channel with every block: always 0, so every time
        the channel sees is an offset into the current block. */
    std::uint64_t sampleCounter = 0;
    /** The host parameters in id order; owned by the base processor. */
    std::vector<HostParameter*> parameters;
    MIDICCManager midiCCManager;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(TovkaAudioProcessor)
};

/** The channel's lock callback: `context` is the processor; true enters its
    callback lock (the one the wrapper holds around processBlock), false leaves it.
    The lock is recursive. */
void lockFunc(bool lock, void* context);
