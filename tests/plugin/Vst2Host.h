#pragma once

// A minimal Linux VST 2.4 host for the built VST2-compatible library through Debian's fst headers,
// which declare names JUCE declares too: nothing here includes JUCE. Read in namespace Vst2, as JUCE's
// wrapper reads them, so both sides call through pointers of the same types (UBSan's function check).
#include <algorithm>
#include <mutex>
#include <utility>

#include <dlfcn.h>
#include <gtest/gtest.h>

#include "PluginTestSupport.h"

namespace Vst2
{
#include <pluginterfaces/fst/aeffectx.h>
}
using namespace Vst2;

class Vst2Host : public Player
{
public:
    /** An edit the plug-in reported: audioMasterBeginEdit, audioMasterAutomate (value) or EndEdit. */
    struct Edit
    {
        int opcode, index;
        float value;
    };

    /** Loads the library (for good: JUCE keeps a thread in it), then opens and starts an instance. */
    bool open()
    {
        void* library = dlopen(TOVKA_VST_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        using EntryPoint = AEffect* (*)(audioMasterCallback);
        auto entry = library ? reinterpret_cast<EntryPoint>(dlsym(library, "VSTPluginMain")) : nullptr;
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

    ~Vst2Host() override
    {
        if (effect != nullptr)
        {
            dispatch(effMainsChanged, 0, 0);
            dispatch(effClose);
        }
        current = nullptr;
    }

    t_fstPtrInt dispatch(int opcode, int index = 0, t_fstPtrInt value = 0, void* ptr = nullptr,
                         float opt = 0.0f)
    {
        // JUCE stores a dispatcher of its own type there: its pointer-sized integer is a long long.
        using JuceDispatcher = long long (*)(AEffect*, int, int, long long, void*, float);
        return (t_fstPtrInt)((JuceDispatcher)effect->dispatcher)(effect, opcode, index, value, ptr, opt);
    }

    /** The text the dispatcher writes for `opcode`. */
    std::string stringOf(int opcode, int index = 0)
    {
        char text[256] = {};
        dispatch(opcode, index, 0, text);
        return text;
    }

    /** The parameter edits the plug-in has reported since the last call. */
    std::vector<Edit> takeEdits()
    {
        const std::lock_guard<std::mutex> lock(editsLock);
        return std::exchange(edits, {});
    }

    Recording play(int numBlocks, const std::vector<Midi>& midi) override
    {
        Recording out{std::vector<float>((size_t)(numBlocks * testBlockSize)), {}};
        out.right = out.left;
        for (int b = 0; b < numBlocks; ++b)
        {
            // A block's events go to the plug-in just ahead of the block.
            VstMidiEvent events[64] = {};
            struct
            {
                int numEvents;
                t_fstPtrInt reserved;
                VstEvent* events[64];
            } list = {};
            for (const auto& m : midi)
                if (m.block == b)
                {
                    auto& event = events[list.numEvents];
                    list.events[list.numEvents++] = reinterpret_cast<VstEvent*>(&event);
                    event.type = kVstMidiType;
                    event.byteSize = sizeof(event);
                    event.deltaFrames = m.offset;
                    std::copy_n(m.bytes, 3, event.midiData);
                }
            dispatch(effProcessEvents, 0, 0, &list);
            float* outputs[] = {&out.left[(size_t)(b * testBlockSize)],
                                &out.right[(size_t)(b * testBlockSize)]};
            effect->processReplacing(effect, nullptr, outputs, testBlockSize);
        }
        return out;
    }

    float value(int id) override { return effect->getParameter(effect, id); }
    void setValue(int id, float normalised) override { effect->setParameter(effect, id, normalised); }
    std::string text(int id) override { return stringOf(effGetParamDisplay, id); }
    void type(int id, const std::string& s) override
    {
        dispatch(effString2Parameter, id, 0, (void*)s.c_str());
    }

    std::vector<std::uint8_t> state() override
    {
        void* data = nullptr;
        const auto size = dispatch(effGetChunk, 0, 0, &data);
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        return {bytes, bytes + (data != nullptr && size > 0 ? size : 0)};
    }

    void restore(const std::vector<std::uint8_t>& state) override
    {
        dispatch(effSetChunk, 0, (t_fstPtrInt)state.size(), const_cast<std::uint8_t*>(state.data()));
    }

    AEffect* effect = nullptr;

private:
    static t_fstPtrInt hostCallback(AEffect*, int opcode, int index, t_fstPtrInt, void* const, float opt)
    {
        if (opcode == audioMasterVersion)
            return kVstVersion; // JUCE's entry point makes no effect for a host of version 0
        if ((opcode == audioMasterBeginEdit || opcode == audioMasterAutomate ||
             opcode == audioMasterEndEdit) &&
            current != nullptr)
        {
            const std::lock_guard<std::mutex> lock(current->editsLock);
            current->edits.push_back({opcode, index, opt});
        }
        return 0;
    }

    /** The host being created or running; the callback has no context of its own. */
    static inline Vst2Host* current = nullptr;
    std::mutex editsLock;
    std::vector<Edit> edits;
};
