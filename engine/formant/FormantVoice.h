#pragma once

#include <cstdint>
#include <memory>

#include "dsp/TKADSR.h"
#include "dsp/TKOsc.h"
#include "dsp/TKParameters.h"
#include "dsp/TKSameBits.h"
#include "formant/FormantFilterBank.h"
#include "formant/FormantTables.h"
#include "formant/FormantVoiceInputs.h"
#include "synth/SynthVoice.h"

class FormantChannel;

/** One voice of the formant instrument: a glottal pulse with vibrato and per-sample period jitter,
    mixed with low-passed pink noise, through five peaking filters blended between the vowel tables
    by velocity and a slow wobble, shaped by an envelope and panned by pitch.

    Voice parameters: 0 frequency (normalised, Hz / 20000), 1 velocity (0..1); both ramp.

    Rendering is deterministic: the same note, parameters and random sequence (the rendering
    thread's TKRand generator) give the same samples in every build (single-precision steps are
    spelled out with explicit casts). Needs the shared wave tables and noise table to be held while
    it renders. */
class FormantVoice : public SynthBase::Voice
{
public:
    /** The voice's filters run in lane `lane` of `bank`, shared with the channel's other voices so
        that they run side by side; without a bank the voice keeps one of its own. */
    FormantVoice(FormantChannel* channel, TKADSRParams* settings, FormantFilterBank* bank = nullptr,
                 int lane = 0);
    ~FormantVoice() override;

    void setParameter(int index, float normalised) override;
    void setParameter(int index, float normalised, double rampSeconds) override;
    float getParameter(int index) override;
    bool isSustained() override;
    void noteOn() override;
    void noteOff() override;
    bool isNoteOn() override;
    /** Reads the channel's values, then renders as render() does. */
    bool iterate(int numChannels, float* out) override;

    /** Renders one sample with the channel values of this frame (read after the frame's ramps and
        actions); returns true when the voice has finished. The same as iterate(), without reading
        the channel. */
    bool render(const FormantVoiceInputs& in, int numChannels, float* out);

    /** Renders this sample of several voices, which must share one filter bank, and adds each one's
        output into frame[0 .. numChannels-1], in the order given. The voices that finished are
        written to `finished`, in that order; returns their number. Draws one value per voice from
        the calling thread's TKRand generator, in the order given.

        One voice alone is a long chain of dependent steps (envelope, pitch, phase, glottal pulse,
        five filters that each end in a division), so the work is done in passes over all the
        voices, which lets the processor overlap the voices' independent chains. */
    static int renderSamples(FormantVoice* const* voices, int count, const FormantVoiceInputs& in,
                             int numChannels, float* frame, FormantVoice** finished);

    /** Cycles of the glottal pulse since note on, minus the whole cycles dropped to keep precision. */
    double getPhase() const { return phase; }
    const double* getFormantFreqs() const { return formantFreqs; }

private:
    bool isValidParameter(int index) const { return index == 0 || index == 1; }
    /** This sample of the voices up to their filters' output (in their bank lanes). */
    static void startSamples(FormantVoice* const* voices, int count, const FormantVoiceInputs& in);
    // The passes of startSamples(), inlined into its loops.
    [[gnu::always_inline]] inline void startPitchAndPhase(const FormantVoiceInputs& in, int jitterDraw);
    [[gnu::always_inline]] inline void startSource(const FormantVoiceInputs& in);
    static void filterSamples(FormantVoice* const* voices, int count);
    /** The sample's output level, before panning. */
    [[gnu::always_inline]] inline float outputSample(const FormantVoiceInputs& in) const;
    /** Advances the ramps; true when the voice has finished. */
    [[gnu::always_inline]] inline bool endSample();
    void clearFilters();
    // Each cache has a check, inline because it passes on most samples, and an update.
    bool vowelIsFor(float pos, double gain, double filterRate) const
    {
        return vowelValid && TK_Same_Bits(pos, vowelPos) && TK_Same_Bits(gain, vowelGain) &&
               TK_Same_Bits(filterRate, vowelFilterRate);
    }
    void updateVowel(float pos, double gain, double filterRate);
    /** gainRoot[k] for the gain dB * "Formant Gain" / 20, and sinW0[k], cosW0[k] for the centre
        frequency w0 in radians per sample, each with the input it comes from. */
    void setGainRoot(int k, double dB);
    void setCentre(int k, double w0);
    bool coefficientsAreFor(double F, double formantQ) const
    {
        return coefficientsValid && !vowelChanged && TK_Same_Bits(F, coefficientsF) &&
               TK_Same_Bits(formantQ, coefficientsQ);
    }
    void updateCoefficients(double F, double formantQ);
    bool noiseCoefficientIsFor(double F, double channelRate) const
    {
        return noiseValid && TK_Same_Bits(F, noiseF) && TK_Same_Bits(channelRate, noiseRate);
    }
    void updateNoiseCoefficient(double F, double channelRate);
    /** The ramps of the frequency and velocity are running (TKP_Iterate would change something). */
    bool rampsRunning() const { return paramValues[0].rampActive != 0 || paramValues[1].rampActive != 0; }

    // Ordered by use: what every sample reads first, what the cache updates read next, then what
    // only note on and the lone-voice path use, so that a frame's 24 voices touch few cache lines.
    TKParameterSet* params = nullptr;
    TKParameter* paramValues = nullptr; // params->params, read directly on every sample
    TKADSR envelope = {};
    TKOsc vibratoOsc = {};
    TKOsc wobbleOsc = {};
    double vibratoRate = 0.0; // Hz
    double wobbleRate = 0.0;  // Hz
    double phase = 0.0;       // glottal phase, cycles
    double invSampleRate = 0.0;
    float velocity = 0.0f;
    float velocitySquared = 0.0f;
    double noiseState = 0.0;           // noise low-pass state
    FormantFilterBank* bank = nullptr; // the five filter sections, in lane `lane`
    int lane = 0;
    uint16_t noiseIndex = 0; // read position in the pink-noise table; wraps with the table
    bool noteIsOn = false;
    float panLeft = 1.0f;  // gain of channel 0
    float panRight = 1.0f; // gain of channels 1 and up
    // This sample's values, handed from one pass of startSamples() to the next.
    float sampleEnv = 0.0f;   // envelope level
    double samplePitch = 0.0; // F, Hz
    float pulseBase = 0.0f;   // the glottal pulse: base, exponent, base to the exponent
    float pulseExponent = 0.0f;
    float pulsePower = 0.0f;
    double pulse = 0.0;

    //==============================================================================
    // Caches. Each holds results of the expensive functions together with the exact inputs they
    // were computed from (compared bit for bit), so a hit gives the very bits a fresh computation
    // would. The inputs change far more slowly than the sample rate: the vowel position only when
    // the wobble oscillator's table index steps (every 10 to 100 samples) or the velocity ramps, the
    // pitch when the vibrato's index steps (every 2 to 3 samples) or a ramp or Turn In/Out moves it.
    float vowelPos = 0.0f;          // the vowel position formantFreqs/formantGains come from
    bool vowelValid = false;        // vowelPos and the values from it are set
    bool vowelChanged = true;       // gainRoot, sinW0 or cosW0 moved since the last coefficients
    bool coefficientsValid = false; // false after the filter records were cleared
    bool noiseValid = false;
    double vowelGain = 0.0;       // "Formant Gain" gainRoot comes from
    double vowelFilterRate = 0.0; // formant-filter rate sinW0/cosW0 come from
    double coefficientsF = 0.0;   // pitch (Hz) the filter coefficients were made for
    double coefficientsQ = 0.0;   // "Formant Q" they were made for
    double noiseF = 0.0;          // pitch (Hz) and channel rate noiseC comes from
    double noiseRate = 0.0;
    double noiseC = 0.0;                   // noise low-pass coefficient
    double formantFreqs[NumFormants] = {}; // Hz
    double gainRoot[NumFormants] = {};     // sqrt(pow(10, formantGains[k] * G / 20))
    double sinW0[NumFormants] = {};        // sin and cos of the filters' centre frequencies in radians
    double cosW0[NumFormants] = {};        //   per sample
    double formantGains[NumFormants] = {}; // dB
    double gainInput[NumFormants] = {};    // formantGains[k] * G / 20, gainRoot[k] comes from
    double w0Input[NumFormants] = {};      // the centre frequency in radians per sample, sinW0/cosW0 from

    FormantVoiceInputs ownInputs;               // for iterate(): the channel read by this voice alone
    std::unique_ptr<FormantFilterBank> ownBank; // for a voice built without a shared bank
};
