#pragma once

// Our vst2/ headers, with room for the 8 speakers JUCE's VST host writes (fst's arrangement has none).
#define VstSpeakerArrangement fstSpeakerArrangementWithoutRoom
#include_next <pluginterfaces/vst2.x/aeffect.h>
#undef VstSpeakerArrangement

struct VstSpeakerArrangement
{
    int type, numChannels;
    VstSpeakerProperties speakers[8];
};
