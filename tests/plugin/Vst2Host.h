#pragma once

// A minimal Linux VST 2.4 host for the built VST2-compatible library: loaded with
// dlopen, created through its entry point and used through the dispatcher. The
// struct layout and opcodes come from Debian's fst headers, which declare names
// JUCE declares too, so nothing here includes JUCE.
#include <mutex>

#include "PluginTestSupport.h"

// JUCE's wrapper reads fst through its aeffectx.h (which names the effect struct AEffect) inside
// namespace Vst2. Read the same way here, the types are those of the plug-in's entry points, so the
// host calls them, and the plug-in the host's callback, through pointers of their own types
// (UndefinedBehaviorSanitizer's function check tells the two apart).
namespace Vst2
{
#include <pluginterfaces/fst/aeffectx.h>
}
using namespace Vst2;

class Vst2Host : public Player
{
public:
    /** What the plug-in told the host about a parameter: audioMasterBeginEdit,
        audioMasterAutomate (with the value) or audioMasterEndEdit. */
    struct Edit
    {
        int opcode;
        int index;
        float value;
    };

    /** Loads the library and creates, opens and starts one instance at the
        test rate and block size. Empty on success, else what went wrong. */
    std::string open();
    /** Stops and closes the instance; the library stays loaded, JUCE keeps a
        message thread alive in it. */
    ~Vst2Host() override;

    t_fstPtrInt dispatch(int opcode, int index = 0, t_fstPtrInt value = 0, void* ptr = nullptr,
                         float opt = 0.0f);
    /** The text the dispatcher writes for `opcode`. */
    std::string stringOf(int opcode, int index = 0);

    /** The parameter edits the plug-in has reported since the last call. */
    std::vector<Edit> takeEdits();

    Recording play(int numBlocks, const std::vector<Midi>& midi) override;
    float value(int id) override { return effect->getParameter(effect, id); }
    void setValue(int id, float normalised) override { effect->setParameter(effect, id, normalised); }
    std::string text(int id) override { return stringOf(effGetParamDisplay, id); }
    void type(int id, const std::string& text) override
    {
        dispatch(effString2Parameter, id, 0, const_cast<char*>(text.c_str()));
    }
    std::vector<std::uint8_t> state() override;
    void restore(const std::vector<std::uint8_t>& state) override
    {
        dispatch(effSetChunk, 0, (t_fstPtrInt)state.size(), const_cast<std::uint8_t*>(state.data()));
    }

    AEffect* effect = nullptr;

private:
    static t_fstPtrInt hostCallback(AEffect*, int opcode, int index, t_fstPtrInt, void* const, float opt);

    /** The host being created or running; the callback has no context of its own. */
    static Vst2Host* current;
    std::mutex editsLock;
    std::vector<Edit> edits;
};

constexpr t_fstInt32 fourCharCode(const char (&code)[5])
{
    return (t_fstInt32)((std::uint32_t)(std::uint8_t)code[0] << 24 |
                        (std::uint32_t)(std::uint8_t)code[1] << 16 |
                        (std::uint32_t)(std::uint8_t)code[2] << 8 | (std::uint32_t)(std::uint8_t)code[3]);
}
