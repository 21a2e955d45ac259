// A hosted VST2 effect's own fields through fst's headers, which declare names JUCE declares too: no JUCE.
#include <vector>

#include <pluginterfaces/vst2.x/aeffectx.h>

/** uniqueID, version, numInputs, numOutputs, numParams, then result, flags and arrangement of outputs 0-2. */
std::vector<int> vst2EffectNumbers(void* effectPointer)
{
    auto* effect = static_cast<AEffect*>(effectPointer);
    std::vector<int> numbers{effect->uniqueID, effect->version, effect->numInputs, effect->numOutputs,
                             effect->numParams};
    for (int pin = 0; pin < 3; ++pin)
    {
        // fst's structure lacks the interface's 48 reserved bytes, which the plug-in's label overruns into.
        struct
        {
            VstPinProperties properties;
            char reserved[48];
        } buffer = {};
        const auto result = effect->dispatcher(effect, effGetOutputProperties, pin, 0, &buffer, 0.0f);
        numbers.insert(numbers.end(),
                       {(int)result, buffer.properties.flags, buffer.properties.arrangementType});
    }
    return numbers;
}
