#pragma once

// A minimal Linux VST 2.4 host for the built VST2-compatible library, through Debian's fst headers
// (which declare names JUCE declares too, so nothing here includes JUCE). JUCE's wrapper reads them
// inside namespace Vst2; read the same way here, the host calls the plug-in's entry points, and the
// plug-in the host's callback, through pointers of their own types (UndefinedBehaviorSanitizer's
// function check tells the two apart).
#include <mutex>

#include "PluginTestSupport.h"

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

    /** Loads the library and opens and starts one instance; false, with a test failure, when it cannot. */
    bool open();
    /** The library stays loaded: JUCE keeps a message thread alive in it. */
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

/** An ASCII four-character code as the interface stores it. */
constexpr t_fstInt32 fourCharCode(const char (&code)[5])
{
    return code[0] << 24 | code[1] << 16 | code[2] << 8 | code[3];
}
