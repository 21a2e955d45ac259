#include "PluginTestHelpers.h"

#include <gtest/gtest.h>

#include "ParameterTables.h"
#include "formant/FormantChannel.h"

Recording render(juce::AudioProcessor& processor, int numBlocks, int blockSize,
                 const std::function<juce::MidiBuffer(int)>& midiForBlock)
{
    Recording out;
    juce::AudioBuffer<float> buffer(2, blockSize);
    for (int b = 0; b < numBlocks; ++b)
    {
        buffer.clear();
        auto midi = midiForBlock ? midiForBlock(b) : juce::MidiBuffer();
        processor.processBlock(buffer, midi);
        out.left.insert(out.left.end(), buffer.getReadPointer(0), buffer.getReadPointer(0) + blockSize);
        out.right.insert(out.right.end(), buffer.getReadPointer(1), buffer.getReadPointer(1) + blockSize);
    }
    return out;
}

juce::AudioProcessorParameter* parameterAt(juce::AudioProcessor& processor, int id)
{
    for (auto* parameter : processor.getParameters())
        if (parameter->getName(64) == ParameterNames[id])
            return parameter;
    ADD_FAILURE() << "no parameter named " << ParameterNames[id];
    static juce::AudioParameterFloat missing{juce::ParameterID{"missing", 1}, "missing", 0.0f, 1.0f, 0.0f};
    return &missing;
}

void setParameter(juce::AudioProcessor& processor, int id, float normalised)
{
    auto* parameter = parameterAt(processor, id);
    parameter->beginChangeGesture();
    parameter->setValueNotifyingHost(normalised);
    parameter->endChangeGesture();
}

void setPlainVoice(juce::AudioProcessor& processor)
{
    setParameter(processor, FormantChannel::ParamAttack, 0.0f);
    setParameter(processor, FormantChannel::ParamRelease, 0.0f);
    setParameter(processor, FormantChannel::ParamSustain, 1.0f);
    setParameter(processor, FormantChannel::ParamTonality, 1.0f);
    setParameter(processor, FormantChannel::ParamCordDisturb, 0.0f);
    setParameter(processor, FormantChannel::ParamTurnIn, 0.0f);
    setParameter(processor, FormantChannel::ParamTurnOut, 0.0f);
    setParameter(processor, FormantChannel::ParamPitchbendSpan, 1.0f);
    setParameter(processor, FormantChannel::ParamStereoSpread, 0.0f);
}

juce::MidiBuffer midiOf(std::initializer_list<std::pair<juce::MidiMessage, int>> events)
{
    juce::MidiBuffer midi;
    for (const auto& [message, position] : events)
        midi.addEvent(message, position);
    return midi;
}
