#include "PluginTestSupport.h"

#include <algorithm>
#include <cmath>

#include <gtest/gtest.h>

#include "ParameterTables.h"
#include "formant/FormantChannel.h"

double rms(const std::vector<float>& samples, size_t begin, size_t end)
{
    double sum = 0.0;
    for (size_t i = begin; i < end; ++i)
        sum += (double)samples[i] * samples[i];
    return end > begin ? std::sqrt(sum / (double)(end - begin)) : 0.0;
}

double levelOf(const Recording& recording, int from, int to)
{
    return rms(recording.left, (size_t)from * testBlockSize, (size_t)to * testBlockSize);
}

bool onlyDecays(const std::vector<float>& samples, size_t begin, size_t end)
{
    for (size_t i = std::max(begin, (size_t)1); i < end; ++i)
        if (std::abs(samples[i]) > std::abs(samples[i - 1]) ||
            (samples[i] != 0.0f && std::signbit(samples[i]) != std::signbit(samples[i - 1])))
            return false;
    return true;
}

bool allFinite(const Recording& recording)
{
    auto finite = [](float s) { return std::isfinite(s); };
    return std::all_of(recording.left.begin(), recording.left.end(), finite) &&
           std::all_of(recording.right.begin(), recording.right.end(), finite);
}

double estimatePitch(const std::vector<float>& samples, size_t begin, size_t end)
{
    const auto minLag = (size_t)(testSampleRate / 600.0);
    const auto maxLag = (size_t)(testSampleRate / 150.0) + 1;
    if (end <= begin + maxLag)
        return 0.0;
    const size_t length = end - begin - maxLag;

    std::vector<double> correlation(maxLag + 1, 0.0);
    for (size_t lag = minLag; lag <= maxLag; ++lag)
    {
        double product = 0.0, energyA = 0.0, energyB = 0.0;
        for (size_t i = begin; i < begin + length; ++i)
        {
            product += (double)samples[i] * samples[i + lag];
            energyA += (double)samples[i] * samples[i];
            energyB += (double)samples[i + lag] * samples[i + lag];
        }
        correlation[lag] = energyA > 0.0 && energyB > 0.0 ? product / std::sqrt(energyA * energyB) : 0.0;
    }
    const double best = *std::max_element(correlation.begin(), correlation.end());
    if (best <= 0.5)
        return 0.0;

    for (size_t lag = minLag + 1; lag < maxLag; ++lag)
    {
        // Parabolic interpolation around the peak for a sub-sample period.
        const double a = correlation[lag - 1], b = correlation[lag], c = correlation[lag + 1];
        if (b >= a && b >= c && b >= 0.9 * best)
            return testSampleRate /
                   ((double)lag + (a - 2.0 * b + c != 0.0 ? 0.5 * (a - c) / (a - 2.0 * b + c) : 0.0));
    }
    return 0.0;
}

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

Recording playNoteWith(juce::AudioProcessor& processor, int numBlocks, int eventBlock,
                       const juce::MidiMessage& event, int offset)
{
    return render(processor, numBlocks, testBlockSize,
                  [&](int b)
                  {
                      juce::MidiBuffer midi;
                      if (b == 0)
                          midi.addEvent(juce::MidiMessage::noteOn(1, testNote, (juce::uint8)127), 0);
                      if (b == eventBlock)
                          midi.addEvent(event, offset);
                      return midi;
                  });
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
    using C = FormantChannel;
    const std::pair<int, float> plain[] = {
        {C::ParamAttack, 0.0f},   {C::ParamRelease, 0.0f},       {C::ParamSustain, 1.0f},
        {C::ParamTonality, 1.0f}, {C::ParamCordDisturb, 0.0f},   {C::ParamTurnIn, 0.0f},
        {C::ParamTurnOut, 0.0f},  {C::ParamPitchbendSpan, 1.0f}, {C::ParamStereoSpread, 0.0f}};
    for (const auto& [id, value] : plain)
        setParameter(processor, id, value);
}

juce::MidiBuffer midiOf(std::initializer_list<std::pair<juce::MidiMessage, int>> events)
{
    juce::MidiBuffer midi;
    for (const auto& [message, position] : events)
        midi.addEvent(message, position);
    return midi;
}

std::string saveArtefact(const std::string& name, int width, int height, const std::vector<std::uint32_t>& pixels)
{
    juce::Image image(juce::Image::ARGB, width, height, false);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixelAt(x, y, juce::Colour(pixels[(size_t)(y * width + x)]));
    const juce::File dir(TOVKA_TEST_ARTEFACT_DIR);
    dir.createDirectory();
    const auto file = dir.getChildFile(name);
    file.deleteFile();
    juce::FileOutputStream out(file);
    juce::PNGImageFormat().writeImageToStream(image, out);
    return file.getFullPathName().toStdString();
}
