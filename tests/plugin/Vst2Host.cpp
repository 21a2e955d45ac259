#include "Vst2Host.h"

#include <utility>

#include <dlfcn.h>

#define TOVKA_TEST_WITHOUT_JUCE
#include "PluginTestSupport.h"

Vst2Host* Vst2Host::current = nullptr;

namespace
{
using EntryPoint = AEffect* (*)(audioMasterCallback);
/** The type of JUCE's dispatcher, which it stores in the interface's dispatcher field: JUCE's
    pointer-sized integer is a long long where fst's is a long. */
using JuceDispatcher = long long (*)(AEffect*, int, int, long long, void*, float);
} // namespace

std::string Vst2Host::open()
{
    void* library = dlopen(TestPaths::vstLibrary, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr)
        return dlerror();
    auto entry = reinterpret_cast<EntryPoint>(dlsym(library, "VSTPluginMain"));
    if (entry == nullptr)
        return std::string("no VSTPluginMain in ") + TestPaths::vstLibrary;
    current = this;
    effect = entry(hostCallback);
    if (effect == nullptr || effect->magic != fourCharCode("VstP"))
    {
        effect = nullptr;
        return "the entry point made no effect";
    }
    dispatch(effOpen);
    dispatch(effSetSampleRate, 0, 0, nullptr, (float)testSampleRate);
    dispatch(effSetBlockSize, 0, testBlockSize);
    dispatch(effMainsChanged, 0, 1);
    return {};
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
    return (t_fstPtrInt) reinterpret_cast<JuceDispatcher>(effect->dispatcher)(effect, opcode, index, value, ptr, opt);
}

std::vector<Vst2Host::Edit> Vst2Host::takeEdits()
{
    const std::lock_guard<std::mutex> lock(editsLock);
    return std::exchange(edits, {});
}

t_fstPtrInt Vst2Host::hostCallback(AEffect*, int opcode, int index, t_fstPtrInt, void* const, float opt)
{
    switch (opcode)
    {
    case audioMasterVersion:
        return kVstVersion;
    case audioMasterGetSampleRate:
        return (t_fstPtrInt)testSampleRate;
    case audioMasterGetBlockSize:
        return testBlockSize;
    case audioMasterBeginEdit:
    case audioMasterAutomate:
    case audioMasterEndEdit:
        if (current != nullptr)
        {
            const std::lock_guard<std::mutex> lock(current->editsLock);
            current->edits.push_back({opcode, index, opt});
        }
        return 0;
    default:
        return 0;
    }
}
