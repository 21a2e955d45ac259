#include "formant/FormantVoiceInputs.h"

#include <cmath>

#include "dsp/TKSameBits.h"
#include "formant/FormantChannel.h"

void FormantVoiceInputs::update(FormantChannel& ch)
{
    using P = FormantChannel::ParameterId;
    // Straight from the parameter set: what getParameterReal() and getParameterNormalised(index,
    // true) return, without two virtual calls and an index check per value.
    TKParameterSet* const set = ch.getParameterSet();
    auto real = [set](int index) { return TKP_Get_Real_Value(set, static_cast<unsigned>(index)); };
    auto currentNormalised = [set, &real](int index)
    { return TKP_Calc_Normalised_Value(set, static_cast<unsigned>(index), real(index)); };

    const float newSpan = real(P::ParamPitchbendSpan).f;
    const float newBend = real(P::ParamPitchbend).f;
    if (!pitchValid || !TK_Same_Bits(newSpan, span) || !TK_Same_Bits(newBend, bend))
    {
        span = newSpan;
        bend = newBend;
        // The span is rounded to whole semitones (halves away from zero).
        pitchFactor = exp2f(roundf(span) * bend / 12.0f);
        pitchValid = true;
    }

    turnIn = real(P::ParamTurnIn).i;
    turnOut = real(P::ParamTurnOut).i;
    tonality = real(P::ParamTonality).f;
    cordDisturb = real(P::ParamCordDisturb).f;

    const float newQ = real(P::ParamFormantQ).f;
    const float newGain = real(P::ParamFormantGain).f;
    formantQ = newQ;
    formantGain = newGain;
    // The current normalised values are functions of the current real values alone.
    if (!outputValid || !TK_Same_Bits(newQ, qReal) || !TK_Same_Bits(newGain, gainReal))
    {
        qReal = newQ;
        gainReal = newGain;
        // Louder for flatter, weaker formants: gn the normalised formant gain, qb one minus the
        // normalised formant Q.
        const double gn = currentNormalised(P::ParamFormantGain);
        const double qb = 1.0 - static_cast<double>(currentNormalised(P::ParamFormantQ));
        const double qb3 = std::pow(qb, 3);
        outputFactor = ((1.0 - gn * qb) + 0.2) * ((1.0 - qb3) * 10.0 + 1.0);
        outputValid = true;
    }

    channelRate = ch.getSampleRate();
    filterRate = ch.getFilterSampleRate();
}
