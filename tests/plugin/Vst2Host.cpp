#include "Vst2Host.h"

#include <utility>

#include <dlfcn.h>
#include <gtest/gtest.h>

Vst2Host* Vst2Host::current = nullptr;

namespace
{
using EntryPoint = AEffect* (*)(audioMasterCallback);
/** The type of JUCE's dispatcher, which it stores in the interface's dispatcher field: JUCE's
    pointer-sized integer is a long long where fst's is a long. */
using JuceDispatcher = long long (*)(AEffect*, int, int, long long, void*, float);
} // namespace

std::unique_ptr<Player> makeVst2Player()
{
    auto host = std::make_unique<Vst2Host>();
    if (host->open())
        return host;
    return nullptr;
}

bool Vst2Host::open()
{
    void* library = dlopen(TOVKA_VST_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    auto entry = library == nullptr ? nullptr : reinterpret_cast<EntryPoint>(dlsym(library, "VSTPluginMain"));
    current = this;
    effect = entry == nullptr ? nullptr : entry(hostCallback);
    if (effect == nullptr)
    {
        ADD_FAILURE() << "no effect from " << TOVKA_VST_LIBRARY << ": " << (library ? "" : dlerror());
        return false;
    }
    dispatch(effOpen);
    dispatch(effSetSampleRate, 0, 0, nullptr, (float)testSampleRate);
    dispatch(effSetBlockSize, 0, testBlockSize);
    dispatch(effMainsChanged, 0, 1);
    return true;
}

Vst2Host::~Vst2Host()
{
    if (effect != nullptr)
    {
        dispatch(effMainsChanged, 0, 0);
        dispatch(effClose);
    }
    current = nullptr;
}

t_fstPtrInt Vst2Host::dispatch(int opcode, int index, t_fstPtrInt value, void* ptr, float opt)
{
    return (t_fstPtrInt) reinterpret_cast<JuceDispatcher>(effect->dispatcher)(effect, opcode, index, value,
                                                                              ptr, opt);
}

std::string Vst2Host::stringOf(int opcode, int index)
{
    char text[256] = {};
    dispatch(opcode, index, 0, text);
    return text;
}

Recording Vst2Host::play(int numBlocks, const std::vector<Midi>& midi)
{
    Recording out;
    std::vector<float> left(testBlockSize), right(testBlockSize);
    for (int b = 0; b < numBlocks; ++b)
    {
        // A block's events go to the plug-in just ahead of the block.
        std::vector<VstMidiEvent> events;
        for (const auto& m : midi)
            if (m.block == b)
            {
                auto& event = events.emplace_back();
                event.type = kVstMidiType;
                event.byteSize = sizeof(VstMidiEvent);
                event.deltaFrames = m.offset;
                event.midiData[0] = (char)m.status;
                event.midiData[1] = (char)m.data1;
                event.midiData[2] = (char)m.data2;
            }
        struct
        {
            int numEvents;
            t_fstPtrInt reserved;
            VstEvent* events[64];
        } list = {(int)events.size(), 0, {}};
        for (size_t i = 0; i < events.size(); ++i)
            list.events[i] = reinterpret_cast<VstEvent*>(&events[i]);
        dispatch(effProcessEvents, 0, 0, &list);
        float* outputs[2] = {left.data(), right.data()};
        effect->processReplacing(effect, nullptr, outputs, testBlockSize);
        out.left.insert(out.left.end(), left.begin(), left.end());
        out.right.insert(out.right.end(), right.begin(), right.end());
    }
    return out;
}

std::vector<std::uint8_t> Vst2Host::state()
{
    void* data = nullptr;
    const auto size = dispatch(effGetChunk, 0, 0, &data);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    return {bytes, bytes + (data != nullptr && size > 0 ? size : 0)};
}

std::vector<Vst2Host::Edit> Vst2Host::takeEdits()
{
    const std::lock_guard<std::mutex> lock(editsLock);
    return std::exchange(edits, {});
}

t_fstPtrInt Vst2Host::hostCallback(AEffect*, int opcode, int index, t_fstPtrInt, void* const, float opt)
{
    if (opcode == audioMasterVersion)
        return kVstVersion; // JUCE's entry point makes no effect for a host of version 0
    if ((opcode == audioMasterBeginEdit || opcode == audioMasterAutomate || opcode == audioMasterEndEdit) &&
        current != nullptr)
    {
        const std::lock_guard<std::mutex> lock(current->editsLock);
        current->edits.push_back({opcode, index, opt});
    }
    return 0;
}
