#pragma once

// The VST2 interface as JUCE's VST client includes it (inside its namespace Vst2): Debian's fst
// headers, with the flags of a pin's properties at the interface's values.
//
// fst 0.122 gives the three pin flags the value 0, so JUCE's client would report every output
// with no flags at all, and a host would not see Tovka's outputs as an active stereo pair. fst's
// names for them are moved aside while it is read and defined here instead; everything else is
// fst's own.
#define kVstPinIsActive fstPinIsActiveValueless
#define kVstPinIsStereo fstPinIsStereoValueless
#define kVstPinUseSpeaker fstPinUseSpeakerValueless
#include <pluginterfaces/fst/aeffectx.h>
#undef kVstPinIsActive
#undef kVstPinIsStereo
#undef kVstPinUseSpeaker

/** Bits of a pin's properties flags. */
enum
{
    kVstPinIsActive = 1 << 0,   // the pin is in use
    kVstPinIsStereo = 1 << 1,   // the pin is the first of a stereo pair
    kVstPinUseSpeaker = 1 << 2, // the properties' arrangement type is valid
};
