#pragma once

#include <cstdint>

class FormantChannel;

/** The channel values a formant voice reads on every sample. They are the same for every voice of
    a frame, so the formant channel reads them once per frame; a voice rendered on its own reads them
    into its own copy.

    The derived values (the pitch-bend factor and the output level's compensation for formant gain
    and sharpness) cost an exp2f and a pow; they are recomputed only when the parameter values they
    are made from change, compared bit for bit, so they always equal a fresh computation. */
class FormantVoiceInputs
{
public:
    /** Reads the channel's current values: call after the frame's ramps and actions. */
    void update(FormantChannel& channel);

    float pitchFactor = 1.0f;    // exp2f(roundf("Pitchbend Span") * "Pitchbend" / 12)
    int32_t turnIn = 0;          // "Turn In", 0 or 1
    int32_t turnOut = 0;         // "Turn Out", 0 or 1
    double tonality = 0.0;       // "Tonality", 0 noise .. 1 pulse
    double cordDisturb = 0.0;    // "Cord Disturb", relative period jitter
    double formantQ = 0.0;       // "Formant Q", added to every filter's Q
    double formantGain = 0.0;    // "Formant Gain", scales the filters' dB gains
    double outputFactor = 0.0;   // ((1 - gn * qb) + 0.2) * ((1 - qb^3) * 10 + 1), see update()
    double channelRate = 0.0;    // Hz, the channel's rate (noise low-pass)
    double filterRate = 44100.0; // Hz, the channel's formant-filter rate

private:
    // The real values the derived values were computed from.
    float span = 0.0f;
    float bend = 0.0f;
    float gainReal = 0.0f;
    float qReal = 0.0f;
    bool pitchValid = false;
    bool outputValid = false;
};
