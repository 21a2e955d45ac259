// A hosted VST2 effect's own fields through fst's headers, which declare names JUCE declares too: no JUCE.
#include <vector>

#include <pluginterfaces/vst2.x/aeffectx.h>

/** uniqueID, version, the synth flag, numInputs, numOutputs and numParams, then each of outputs 0 to 2's
    result, flags and arrangement. */
std::vector<int> vst2EffectNumbers(void* effectPointer)
{
    auto* effect = static_cast<AEffect*>(effectPointer);
    std::vector<int> numbers{effect->uniqueID,  effect->version,    (effect->flags & effFlagsIsSynth) != 0,
                             effect->numInputs, effect->numOutputs, effect->numParams};
    for (int pin = 0; pin < 3; ++pin)
    {
        // fst's structure lacks the interface's 48 reserved bytes, which the plug-in's label overruns into.
        alignas(VstPinProperties) char buffer[sizeof(VstPinProperties) + 48] = {};
        const auto result = effect->dispatcher(effect, effGetOutputProperties, pin, 0, buffer, 0.0f);
        const auto* properties = reinterpret_cast<const VstPinProperties*>(buffer);
        numbers.insert(numbers.end(), {(int)result, properties->flags, properties->arrangementType});
    }
    return numbers;
}
