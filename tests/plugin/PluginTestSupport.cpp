#include "PluginTestSupport.h"

#include <gtest/gtest.h>

#include "../engine/CountingAllocator.h"
#include "ParameterTables.h"
#include "PluginProcessor.h"

Recording Player::play(int numBlocks, const std::vector<Midi>& midi)
{
    Recording out{std::vector<float>((size_t)(numBlocks * testBlockSize)), {}};
    out.right = out.left;
    for (int b = 0; b < numBlocks; ++b)
    {
        float* channels[] = {&out.left[(size_t)(b * testBlockSize)], &out.right[(size_t)(b * testBlockSize)]};
        juce::AudioBuffer<float> buffer(channels, 2, testBlockSize);
        juce::MidiBuffer events;
        for (const auto& m : midi)
            if (m.block == b)
                events.addEvent(m.bytes, 3, m.offset);
        // Whatever is set up lazily in the first block may allocate there.
        CountAllocations scope;
        processor->processBlock(buffer, events);
        out.allocations += format == nullptr && std::exchange(warm, true) ? scope.count() : 0;
    }
    return out;
}

std::vector<std::uint8_t> Player::state()
{
    juce::MemoryBlock block;
    processor->getStateInformation(block);
    return {block.begin(), block.end()};
}

/** Found by name: wrappers add parameters of their own (LV2 puts "Bypass" first). */
juce::AudioProcessorParameter& Player::parameter(int id)
{
    const auto& all = processor->getParameters();
    auto named = [id](auto* p) { return p->getName(64) == ParameterNames[id]; };
    return **std::find_if(all.begin(), all.end(), named);
}

std::unique_ptr<Player> makePlayer(const std::string& format, double sampleRate, bool prepare)
{
    std::unique_ptr<juce::AudioPluginFormat> pluginFormat;
    std::unique_ptr<juce::AudioProcessor> processor;
    if (format == "Processor")
        processor = std::make_unique<TovkaAudioProcessor>();
    else
    {
        if (format == "VST3")
            pluginFormat = std::make_unique<juce::VST3PluginFormat>();
        else if (format == "VST2")
            pluginFormat = std::make_unique<juce::VSTPluginFormat>();
        else
            pluginFormat = std::make_unique<juce::LV2PluginFormat>();
        // The LV2 URI is found by scanning the bundle's folder.
        const juce::String identifier = format == "VST3"   ? TOVKA_ARTEFACTS "/VST3/Tovka.vst3"
                                        : format == "VST2" ? TOVKA_VST_LIBRARY
                                                           : TOVKA_LV2_URI;
        pluginFormat->searchPathsForPlugins(juce::FileSearchPath(TOVKA_ARTEFACTS "/LV2"), false, false);
        juce::OwnedArray<juce::PluginDescription> found;
        pluginFormat->findAllTypesForFile(found, identifier);
        juce::String error = "no " + juce::String(format) + " plug-in at " + identifier;
        if (found.size() == 1)
            processor =
                pluginFormat->createInstanceFromDescription(*found[0], sampleRate, testBlockSize, error);
        if (processor == nullptr)
        {
            ADD_FAILURE() << error;
            return nullptr;
        }
        processor->enableAllBuses();
    }
    if (prepare)
        processor->prepareToPlay(sampleRate, testBlockSize);
    return std::unique_ptr<Player>(new Player{std::move(pluginFormat), std::move(processor)});
}

std::string saveArtefact(const std::string& name, int width, int height,
                         const std::vector<std::uint32_t>& pixels)
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
