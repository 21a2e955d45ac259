#include "PluginProcessor.h"

#include <algorithm>
#include <cmath>

#include "HostParameter.h"
#include "ParameterTables.h"
#include "PluginEditor.h"
#include "SampleRateRange.h"
#include "dsp/PinkNoise.h"
#include "dsp/TKOsc.h"
#include "formant/FormantChannel.h"

namespace
{
/** Rate every new processor starts the channel and the reverb at, until the host
    says otherwise. */
constexpr double initialSampleRate = 44100.0;

constexpr int numControllers = 128;

/** Status bytes 0xB0..0xBF: a control change on any MIDI channel. */
bool isControlChange(std::uint8_t status)
{
    return (status & 0xF0) == 0xB0;
}
} // namespace

void lockFunc(bool lock, void* context)
{
    const auto& callbackLock = static_cast<TovkaAudioProcessor*>(context)->getCallbackLock();
    if (lock)
        callbackLock.enter();
    else
        callbackLock.exit();
}

//==============================================================================
TovkaAudioProcessor::TovkaAudioProcessor()
    : juce::AudioProcessor(BusesProperties().withOutput("Output", juce::AudioChannelSet::stereo(), true)),
      dcBlockers{DCBlocker(initialSampleRate), DCBlocker(initialSampleRate)}
{
    TKOSC_Prepare_Buffers();
    PinkNoise_Retain();

    sampleCounter = 0;
    formantChannel = new FormantChannel(lockFunc, this, static_cast<float>(initialSampleRate));

    const int numParameters = formantChannel->getNumParameters();
    midiCCManager.ccOfParam.assign(ParameterMIDIMapping, ParameterMIDIMapping + numParameters);

    // With duplicate controllers the highest id would win; the table has none.
    for (int cc = 0; cc < numControllers; ++cc)
    {
        midiCCManager.paramOfCc.push_back(-1);
        for (int i = 0; i < numParameters; ++i)
            if (midiCCManager.ccOfParam[(size_t)i] == cc)
                midiCCManager.paramOfCc[(size_t)cc] = i;
    }

    reverbParameters.roomSize = 0.6f;
    reverbParameters.damping = 0.4f;
    reverbParameters.wetLevel = 0.6f;
    reverbParameters.dryLevel = 0.9f;
    reverbParameters.width = 0.9f;
    reverbParameters.freezeMode = 0.0f;
    reverb.setParameters(reverbParameters);
    reverb.setSampleRate(initialSampleRate);

    // The parameters have no step (see HostParameter). Without one, hosts would show
    // seven decimals, so the text has the two a 0.01 step would give; typed text
    // reads back as is.
    const auto attributes = juce::AudioParameterFloatAttributes().withStringFromValueFunction(
        [](float value, int maximumLength)
        {
            const juce::String text(value, 2);
            return maximumLength > 0 ? text.substring(0, maximumLength) : text;
        });
    for (int i = 0; i < numParameters; ++i)
    {
        auto* parameter = new HostParameter(juce::ParameterID{ParameterNames[i], 1}, ParameterNames[i],
                                            ParameterDefaultValues[i], attributes);
        parameters.push_back(parameter);
        addParameter(parameter);
    }
}

TovkaAudioProcessor::~TovkaAudioProcessor()
{
    delete formantChannel;
    TKOSC_Dispose_Buffers();
    PinkNoise_Release();
}

//==============================================================================
const juce::String TovkaAudioProcessor::getName() const
{
    return "Tovka";
}

void TovkaAudioProcessor::prepareToPlay(double sampleRate, int)
{
    // The reverb sizes its delay lines from the rate without a check: outside the
    // supported rates they come out empty or overflow, so it keeps its last good rate
    // (the channel and the DC blockers refuse such a rate too).
    formantChannel->setSampleRate(sampleRate);
    if (isSupportedSampleRate(sampleRate))
        reverb.setSampleRate(sampleRate);
    for (auto& blocker : dcBlockers)
    {
        blocker.setSampleRate(sampleRate);
        blocker.reset();
    }
}

void TovkaAudioProcessor::releaseResources() {}

void TovkaAudioProcessor::processBlock(juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi)
{
    juce::ScopedNoDenormals noDenormals;
    const int numSamples = buffer.getNumSamples();

    // Host values take effect at the block boundary, without a ramp.
    for (size_t i = 0; i < parameters.size(); ++i)
        if ((int)i != pitchbendParameter)
            formantChannel->setParameter((int)i, parameters[i]->get());

    // The block's MIDI is queued after this, so it sounds in the next block at
    // the same sample offset.
    formantChannel->prepareForSampleBuffer((unsigned long)sampleCounter, numSamples);

    for (const auto event : midi)
    {
        const std::uint8_t* bytes = event.data;
        const int size = event.numBytes;
        const std::uint8_t status = size > 0 ? bytes[0] : 0;
        const std::uint8_t data1 = size > 1 ? bytes[1] : 0;
        const std::uint8_t data2 = size > 2 ? bytes[2] : 0;

        // A data byte with its top bit set is malformed; the engine indexes
        // 128-entry tables with data bytes, so the whole message is dropped.
        if (data1 >= 0x80 || data2 >= 0x80)
            continue;

        if (size == 2 || size == 3)
            formantChannel->midiIn(status, data1, data2, event.samplePosition, true);

        if (isControlChange(status) && data1 != sustainController)
        {
            const int parameter = midiCCManager.paramOfCc[data1];
            if (parameter >= 0)
                parameters[(size_t)parameter]->setValueNotifyingHost((float)data2 / 127.0f);
        }
    }

    const int numChannels = buffer.getNumChannels();
    float* left = numChannels > 0 ? buffer.getWritePointer(0) : nullptr;
    float* right = numChannels > 1 ? buffer.getWritePointer(1) : nullptr;

    for (int s = 0; s < numSamples; ++s)
    {
        float frame[2] = {0.0f, 0.0f};
        formantChannel->getFrame((unsigned long)(sampleCounter + (std::uint64_t)s), frame);
        if (left != nullptr)
            left[s] = frame[0];
        if (right != nullptr)
            right[s] = frame[1];
    }

    // The glottal pulse leaves an offset that the reverb's combs would pile up.
    if (left != nullptr)
        dcBlockers[0].process(left, numSamples);
    if (right != nullptr)
        dcBlockers[1].process(right, numSamples);

    const bool silentInput = isSilent(left, numSamples) && isSilent(right, numSamples);

    reverbParameters.wetLevel = parameters[stereoSpreadParameter]->get();
    reverb.setParameters(reverbParameters);
    // The reverb takes channel 1 as its left input and channel 0 as its right.
    if (right != nullptr)
        reverb.processStereo(right, left, numSamples);
    else if (left != nullptr)
        reverb.processMono(left, numSamples);

    // The reverb keeps its filters out of denormals by adding and taking away
    // 0.1, which rounds their state to steps of about 7e-9: once the input has
    // gone quiet its tail never decays below those steps and circles for ever
    // near 1e-6. When the input is silent and the tail has fallen below
    // -100 dBFS, the reverb starts afresh, so the next block is exact zeros.
    constexpr float inaudible = 1.0e-5f;
    if (silentInput && peakOf(left, numSamples) < inaudible && peakOf(right, numSamples) < inaudible)
        reverb.reset();
}

bool TovkaAudioProcessor::isSilent(const float* samples, int numSamples)
{
    if (samples != nullptr)
        for (int s = 0; s < numSamples; ++s)
            if (samples[s] != 0.0f)
                return false;
    return true;
}

float TovkaAudioProcessor::peakOf(const float* samples, int numSamples)
{
    float peak = 0.0f;
    if (samples != nullptr)
        for (int s = 0; s < numSamples; ++s)
            peak = std::max(peak, std::abs(samples[s]));
    return peak;
}

bool TovkaAudioProcessor::isBusesLayoutSupported(const BusesLayout& layouts) const
{
    return layouts.inputBuses.isEmpty() && layouts.outputBuses.size() == 1 &&
           layouts.getMainOutputChannelSet() == juce::AudioChannelSet::stereo();
}

double TovkaAudioProcessor::getTailLengthSeconds() const
{
    return 0.0;
}

bool TovkaAudioProcessor::acceptsMidi() const
{
    return true;
}

bool TovkaAudioProcessor::producesMidi() const
{
    return false;
}

juce::AudioProcessorEditor* TovkaAudioProcessor::createEditor()
{
    return new TovkaAudioProcessorEditor(*this);
}

bool TovkaAudioProcessor::hasEditor() const
{
    return true;
}

//==============================================================================
int TovkaAudioProcessor::getNumPrograms()
{
    return 1;
}

int TovkaAudioProcessor::getCurrentProgram()
{
    return 0;
}

void TovkaAudioProcessor::setCurrentProgram(int) {}

const juce::String TovkaAudioProcessor::getProgramName(int)
{
    // VST3 validators reject a program list whose only entry has no name.
    if (wrapperType == wrapperType_VST3)
        return "Default";
    return {};
}

void TovkaAudioProcessor::changeProgramName(int, const juce::String&) {}

//==============================================================================
void TovkaAudioProcessor::getStateInformation(juce::MemoryBlock& destData)
{
    juce::MemoryOutputStream stream(destData, true);
    for (auto* parameter : parameters)
        stream.writeFloat(parameter->get());
}

void TovkaAudioProcessor::setStateInformation(const void* data, int sizeInBytes)
{
    static const char noData = 0;
    const bool empty = data == nullptr || sizeInBytes <= 0;
    juce::MemoryInputStream stream(empty ? &noData : data, empty ? 0 : (size_t)sizeInBytes, false);

    for (size_t i = 0; i < parameters.size(); ++i)
    {
        float value = stream.readFloat();
        if (std::isnan(value))
            value = ParameterDefaultValues[i];
        else
            value = juce::jlimit(0.0f, 1.0f, value);
        parameters[i]->setValueNotifyingHost(value);
    }
}

//==============================================================================
juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter()
{
    return new TovkaAudioProcessor();
}
