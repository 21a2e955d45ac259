#pragma once

#include <cstdint>

#include "dsp/TKADSR.h"
#include "dsp/TKOsc.h"
#include "dsp/TKParameters.h"
#include "formant/FormantTables.h"
#include "synth/SynthVoice.h"

/** One voice of the formant instrument: a glottal pulse with vibrato and per-sample period jitter,
    mixed with low-passed pink noise, through five peaking filters blended between the vowel tables
    by velocity and a slow wobble, shaped by an envelope and panned by pitch.

    Voice parameters: 0 frequency (normalised, Hz / 20000), 1 velocity (0..1); both ramp.

    Rendering is deterministic: the same note, parameters and rand() sequence give the same samples
    in every build (single-precision steps are spelled out with explicit casts). Needs the shared
    wave tables and noise table to be held while it renders. */
class FormantVoice : public SynthBase::Voice
{
public:
    FormantVoice(SynthBase::Channel* channel, TKADSRParams* settings);
    ~FormantVoice() override;

    void setParameter(int index, float normalised) override;
    void setParameter(int index, float normalised, double rampSeconds) override;
    float getParameter(int index) override;
    bool isSustained() override;
    void noteOn() override;
    void noteOff() override;
    bool isNoteOn() override;
    bool iterate(int numChannels, float* out) override;

    /** Cycles of the glottal pulse since note on, minus the whole cycles dropped to keep precision. */
    double getPhase() const { return phase; }
    const double* getFormantFreqs() const { return formantFreqs; }

private:
    /** One peaking-equaliser section: coefficients and direct-form I history. */
    struct Filter
    {
        double b0, b1, b2, a0, a1, a2;
        double x1, x2, y1, y2;
    };

    bool isValidParameter(int index) const { return index == 0 || index == 1; }
    void clearFilters();

    TKParameterSet* params = nullptr;
    double formantFreqs[NumFormants] = {}; // Hz
    double formantGains[NumFormants] = {}; // dB
    float panLeft = 1.0f;                  // gain of channel 0
    float panRight = 1.0f;                 // gain of channels 1 and up
    TKADSR envelope = {};
    TKOsc vibratoOsc = {};
    TKOsc wobbleOsc = {};
    double vibratoRate = 0.0; // Hz
    double wobbleRate = 0.0;  // Hz
    double noiseState = 0.0;  // noise low-pass state
    uint16_t noiseIndex = 0;  // read position in the pink-noise table; wraps with the table
    bool noteIsOn = false;
    float frequency = 0.0f;   // this sample's frequency, Hz
    float pitchFactor = 1.0f; // pitch-bend factor
    double phase = 0.0;       // glottal phase, cycles
    double invSampleRate = 0.0;
    Filter filters[NumFormants];
    float velocity = 0.0f;
    float velocitySquared = 0.0f;
};
