#include "formant/FormantVoice.h"

#include <algorithm>
#include <cmath>

#include "dsp/PinkNoise.h"
#include "dsp/TKRand.h"
#include "dsp/TKSameBits.h"
#include "formant/FormantChannel.h"

namespace
{
constexpr int SineWave = TKOSC_SINE;

/** fmodf(x, 1.0f) for the glottal phase, without the library call. Below 2^23 a float's whole part
    converts to an integer exactly and x minus it is the exact fraction, which is what fmodf returns;
    a negative whole x gives +0 where fmodf gives -0, and 1 minus either is 1. */
inline float fractionOfCycle(float x)
{
    if (x < 8388608.0f && x > -8388608.0f)
        return x - static_cast<float>(static_cast<int32_t>(x));
    return fmodf(x, 1.0f);
}
} // namespace

FormantVoice::FormantVoice(FormantChannel* owner, TKADSRParams* settings, FormantFilterBank* sharedBank,
                           int sharedLane)
{
    channel = owner;
    if (sharedBank != nullptr && sharedLane >= 0 && sharedLane < FormantFilterBank::MaxLanes)
    {
        bank = sharedBank;
        lane = sharedLane;
    }
    else
    {
        ownBank = std::make_unique<FormantFilterBank>();
        bank = ownBank.get();
        lane = 0;
    }
    const float rate = static_cast<float>(owner->getSampleRate());
    clearFilters();
    invSampleRate = 1.0f / rate;
    TKADSR_Init(&envelope, settings, rate);
    TKOsc_Init(&vibratoOsc, SineWave, rate);
    TKOsc_Init(&wobbleOsc, SineWave, rate);

    // The voice's ramps stay timed at the rate the channel had when the voice was built.
    params = TKP_Create(2, rate);
    paramValues = params->params;
    TKP_Init_Float_Parameter(params, 0, "", 0.5f, 0.0f, 20000.0f);
    TKP_Init_Float_Parameter(params, 1, "", 0.5f, 0.0f, 1.0f);
    TKP_Set_Ramping_Flag(params, 0, 0.1f);
    TKP_Set_Ramping_Flag(params, 1, 0.1f);

    // Every per-filter cache entry holds a true result from the start.
    for (int k = 0; k < NumFormants; ++k)
    {
        setGainRoot(k, 0.0);
        setCentre(k, 0.0);
    }
}

FormantVoice::~FormantVoice()
{
    TKP_Destroy(params);
}

void FormantVoice::clearFilters()
{
    bank->silenceLane(lane);
    coefficientsValid = false;
}

//==============================================================================
void FormantVoice::setParameter(int index, float normalised)
{
    if (isValidParameter(index))
        TKP_Set_Normalised_Value(params, static_cast<unsigned>(index), 0, normalised);
}

void FormantVoice::setParameter(int index, float normalised, double rampSeconds)
{
    if (!isValidParameter(index))
        return;
    TKP_Set_Ramping_Time(params, static_cast<unsigned>(index), static_cast<float>(rampSeconds));
    TKP_Set_Normalised_Value(params, static_cast<unsigned>(index), 1, normalised);
}

float FormantVoice::getParameter(int index)
{
    return isValidParameter(index) ? TKP_Get_Normalised_Value(params, static_cast<unsigned>(index)) : 0.0f;
}

bool FormantVoice::isSustained()
{
    return channel->getSustain() >= 0.5f;
}

bool FormantVoice::isNoteOn()
{
    return noteIsOn;
}

void FormantVoice::noteOff()
{
    noteIsOn = false;
    TKADSR_Release(&envelope);
}

//==============================================================================
void FormantVoice::noteOn()
{
    // Pan by pitch: p goes from 0 to 1 as the note rises from 0 to 400 Hz (normalised 0.02).
    const float p = std::min(getParameter(0), 0.02f) / 0.02f;
    const float s = channel->getParameterNormalised(FormantChannel::ParamStereoSpread);
    panLeft = (1.0f - p) * s + (1.0f - s);
    panRight = p * s + (1.0f - s);

    // Two draws per note, vibrato first: 4.0..5.998 Hz, then 0.1..1.099 Hz.
    TKRand* const random = TKRand_This_Thread();
    vibratoRate = static_cast<float>(TKRand_Next(random) % 1000) / 500.0f + 5.0f - 1.0f;
    wobbleRate = static_cast<float>(TKRand_Next(random) % 1000) / 1000.0f + 0.1f;

    noteIsOn = true;
    clearFilters();
    noiseState = 0.0;
    phase = 0.0;
    const float rate = static_cast<float>(channel->getSampleRate());
    invSampleRate = 1.0f / rate;

    TKADSR_Init(&envelope, envelope.settings, rate);
    TKADSR_Trig(&envelope);
    TKOsc_Init(&vibratoOsc, SineWave, rate);
    TKOsc_Init(&wobbleOsc, SineWave, rate);
}

//==============================================================================
void FormantVoice::updateVowel(float pos, double G, double fs)
{
    const bool posChanged = !vowelValid || !TK_Same_Bits(pos, vowelPos);
    const bool gainChanged = posChanged || !TK_Same_Bits(G, vowelGain);
    const bool rateChanged = posChanged || !TK_Same_Bits(fs, vowelFilterRate);

    if (posChanged)
    {
        // Vowel position 0..3: U, O, E, A.
        const double *lowerFreqs, *upperFreqs, *lowerGains, *upperGains;
        float t;
        if (pos > 2.0f)
        {
            t = pos - 2.0f;
            lowerFreqs = E_formantFreqs;
            upperFreqs = A_formantFreqs;
            lowerGains = E_formantGains;
            upperGains = A_formantGains;
        }
        else if (pos > 1.0f)
        {
            t = pos - 1.0f;
            lowerFreqs = O_formantFreqs;
            upperFreqs = E_formantFreqs;
            lowerGains = O_formantGains;
            upperGains = E_formantGains;
        }
        else
        {
            t = pos;
            lowerFreqs = U_formantFreqs;
            upperFreqs = O_formantFreqs;
            lowerGains = U_formantGains;
            upperGains = O_formantGains;
        }
        for (int k = 0; k < NumFormants; ++k)
        {
            formantFreqs[k] = lowerFreqs[k] + (upperFreqs[k] - lowerFreqs[k]) * static_cast<double>(t);
            formantGains[k] = lowerGains[k] + (upperGains[k] - lowerGains[k]) * static_cast<double>(t);
        }
        vowelPos = pos;
        vowelValid = true;
    }
    for (int k = 0; k < NumFormants; ++k)
    {
        // Each filter's values also key on their own input: a move between two vowels can leave
        // a filter's gain where it was (E and A share two), and then its pow is not needed.
        if (gainChanged)
        {
            const double dB = formantGains[k] * G / 20.0;
            if (!TK_Same_Bits(dB, gainInput[k]))
                setGainRoot(k, dB);
        }
        if (rateChanged)
        {
            const double w0 = std::min(15000.0, std::max(20.0, formantFreqs[k])) * 6.283185307179586 / fs;
            if (!TK_Same_Bits(w0, w0Input[k]))
                setCentre(k, w0);
        }
    }
    vowelGain = G;
    vowelFilterRate = fs;
    vowelChanged = true;
}

void FormantVoice::setGainRoot(int k, double dB)
{
    gainRoot[k] = std::sqrt(std::pow(10.0, dB));
    gainInput[k] = dB;
}

void FormantVoice::setCentre(int k, double w0)
{
    sinW0[k] = std::sin(w0);
    cosW0[k] = std::cos(w0);
    w0Input[k] = w0;
}

void FormantVoice::updateCoefficients(double F, double Q0)
{
    if (vowelChanged || !coefficientsValid)
        for (int n = 0; n < NumFormants; ++n)
            bank->sections[n].b1[lane] = -2.0 * cosW0[n]; // also a1; depends on the vowel alone
    bank->makeCoefficients(lane, F, Q0, formantFreqs, gainRoot, sinW0);
    coefficientsF = F;
    coefficientsQ = Q0;
    coefficientsValid = true;
    vowelChanged = false;
}

void FormantVoice::updateNoiseCoefficient(double F, double channelRate)
{
    // One-pole low-pass with its corner at four times the pitch.
    noiseC = std::exp(4.0 * F / channelRate * -6.283185307179586);
    noiseF = F;
    noiseRate = channelRate;
    noiseValid = true;
}

//==============================================================================
bool FormantVoice::iterate(int numChannels, float* out)
{
    // Built only by a formant channel (the constructor's type), so the owner is one.
    ownInputs.update(*static_cast<FormantChannel*>(channel));
    return render(ownInputs, numChannels, out);
}

bool FormantVoice::render(const FormantVoiceInputs& in, int numChannels, float* out)
{
    FormantVoice* self = this;
    startSamples(&self, 1, in);
    if (numChannels > 0)
    {
        const float s = outputSample(in);
        out[0] = panLeft * s;
        for (int i = 1; i < numChannels; ++i)
            out[i] = panRight * s;
    }
    return endSample();
}

inline void FormantVoice::startPitchAndPhase(const FormantVoiceInputs& in, int jitterDraw)
{
    // 1. This sample's ramped frequency and velocity.
    const float frequency = paramValues[0].real.f; // Hz
    velocity = paramValues[1].real.f;
    velocitySquared = velocity * velocity;

    // 2. Envelope; the state before the step picks the pitch shaping below.
    const int stateBefore = TKADSR_Get_State(&envelope);
    const float env = TKADSR_Step(&envelope);

    // 3. Pitch bend.
    const float pitchFactor = in.pitchFactor;

    // 4. Slow wobble, -1..1.
    const double w = TKOsc_Step(&wobbleOsc, SineWave, wobbleRate);

    // 5. Vowel position 0..3 (U, O, E, A) from velocity, swayed by the wobble.
    float pos = static_cast<float>(static_cast<double>(velocity * 3.0f) + 0.1 * w);
    if (pos < 0.0f)
        pos = 0.0f;
    if (pos > 3.0f)
        pos = 3.0f;
    if (!vowelIsFor(pos, in.formantGain, in.filterRate))
        updateVowel(pos, in.formantGain, in.filterRate);

    // 6. Pitch: 1.2 % vibrato of the unbent frequency on top of the bent one (Hz).
    const double vib = TKOsc_Step(&vibratoOsc, SineWave, vibratoRate);
    double F = static_cast<double>(frequency) * vib * static_cast<double>(0.012f) +
               static_cast<double>(frequency * pitchFactor);
    if (stateBefore == TKADSR_RELEASE && in.turnOut == 1)
        F *= static_cast<double>(1.0f - TKADSR_Get_Release_Progress(&envelope));
    else if (stateBefore == TKADSR_ATTACK && in.turnIn == 1)
        F *= static_cast<double>(sqrtf(TKADSR_Get_Attack_Progress(&envelope)));

    // 7. Pulse exponent, 2 (soft) to 9 (hard).
    const double k = static_cast<double>(velocitySquared * 7.0f + 2.0f) + static_cast<double>(0.2f) * w;

    // 8. Period jitter: one draw per sample.
    const double d = (1.0 - static_cast<double>(velocitySquared) * 0.5) * in.cordDisturb;
    const double u = (jitterDraw % 10000) / 10000.0;
    const double j = (u * d - d * 0.5) * F;
    phase += (2.0 * j + F) * invSampleRate;
    // The pulse is shaped from the phase in single precision: drop whole cycles once they would
    // start to cost fractional resolution. The first 1024 cycles are untouched.
    if (phase >= 1024.0)
        phase -= std::floor(phase);

    sampleEnv = env;
    samplePitch = F;
    pulseBase = 1.0f - fractionOfCycle(static_cast<float>(phase));
    pulseExponent = static_cast<float>(k);
}

inline void FormantVoice::startSource(const FormantVoiceInputs& in)
{
    const float env = sampleEnv;
    const double F = samplePitch;

    // 10. Pink noise through a one-pole low-pass at four times the pitch.
    const float T = static_cast<float>(in.tonality); // exact: "Tonality" is a float real value
    const float pink = __PinkNoise_data[noiseIndex];
    ++noiseIndex;
    if (!noiseCoefficientIsFor(F, in.channelRate))
        updateNoiseCoefficient(F, in.channelRate);
    const double c = noiseC;
    noiseState = c * noiseState + (1.0 - c) * static_cast<double>(pink);

    // 11. Source mix: the noise is enveloped here, the (inverted) pulse is not.
    const float noise =
        static_cast<float>(static_cast<double>(static_cast<float>(noiseState)) *
                           ((1.0 - static_cast<double>(velocity) * 0.5) * static_cast<double>(env)));
    // T is a float, so 1 - T and its product with the noise are single precision (below T = 0.5 a
    // double 1 - T would differ in the last bit).
    double x = static_cast<double>((1.0f - T) * noise) - static_cast<double>(T) * pulse;

    // 12. The filter coefficients for this sample; the filters run in filterSamples().
    if (!coefficientsAreFor(F, in.formantQ))
        updateCoefficients(F, in.formantQ);
    bank->value[lane] = x;
}

void FormantVoice::startSamples(FormantVoice* const* voices, int count, const FormantVoiceInputs& in)
{
    // The draws stay one per voice, in voice order.
    TKRand* const random = TKRand_This_Thread();
    for (int v = 0; v < count; ++v)
        voices[v]->startPitchAndPhase(in, TKRand_Next(random));
    // 9. Glottal pulse. Its two library calls each run over all voices in turn: one voice's second
    // call waits for its first, but no voice waits for another.
    for (int v = 0; v < count; ++v)
        voices[v]->pulsePower = powf(voices[v]->pulseBase, voices[v]->pulseExponent);
    for (int v = 0; v < count; ++v)
        voices[v]->pulse =
            cosf(static_cast<float>(2.0 * (static_cast<double>(voices[v]->pulsePower) * 3.141592653589793)));
    for (int v = 0; v < count; ++v)
        voices[v]->startSource(in);
    filterSamples(voices, count);
}

void FormantVoice::filterSamples(FormantVoice* const* voices, int count)
{
    // Five peaking filters in series per voice, the voices side by side in their lanes.
    uint32_t lanes = 0;
    for (int v = 0; v < count; ++v)
        lanes |= 1u << voices[v]->lane;
    if (count > 0)
        voices[0]->bank->run(lanes);
}

inline float FormantVoice::outputSample(const FormantVoiceInputs& in) const
{
    // 13. Output level: louder for hard notes, compensated for formant gain and sharpness.
    return static_cast<float>(static_cast<double>(velocitySquared + 1.0f) *
                              (static_cast<double>(sampleEnv) * bank->value[lane]) *
                              static_cast<double>(0.003f) * in.outputFactor);
}

inline bool FormantVoice::endSample()
{
    // 14. One sample of the frequency and velocity ramps.
    if (rampsRunning())
        TKP_Iterate(params);

    // 15. Finished once the envelope is silent or idle.
    if (sampleEnv <= 0.0f || TKADSR_Get_State(&envelope) == TKADSR_IDLE)
    {
        noteIsOn = false;
        clearFilters(); // silent until the next note, while it runs alongside its neighbours
        return true;
    }
    return false;
}

int FormantVoice::renderSamples(FormantVoice* const* voices, int count, const FormantVoiceInputs& in,
                                int numChannels, float* frame, FormantVoice** finished)
{
    startSamples(voices, count, in);
    int finishedCount = 0;
    for (int v = 0; v < count; ++v)
    {
        FormantVoice& voice = *voices[v];
        // Each voice's products are rounded to float before they are added, as a voice frame would be.
        const float s = voice.outputSample(in);
        if (numChannels == 2)
        {
            frame[0] += voice.panLeft * s;
            frame[1] += voice.panRight * s;
        }
        else if (numChannels > 0)
        {
            frame[0] += voice.panLeft * s;
            for (int c = 1; c < numChannels; ++c)
                frame[c] += voice.panRight * s;
        }
        if (voice.endSample())
            finished[finishedCount++] = &voice;
    }
    return finishedCount;
}
