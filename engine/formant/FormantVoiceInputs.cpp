#include "formant/FormantVoiceInputs.h"

#include <cmath>

#include "dsp/TKSameBits.h"
#include "formant/FormantChannel.h"
#include "formant/FormantTables.h"

void FormantVoiceInputs::update(SynthBase::Channel& ch)
{
    using P = FormantChannel::ParameterId;

    const float newSpan = ch.getParameterReal(P::ParamPitchbendSpan).f;
    const float newBend = ch.getParameterReal(P::ParamPitchbend).f;
    if (!pitchValid || !TK_Same_Bits(newSpan, span) || !TK_Same_Bits(newBend, bend))
    {
        span = newSpan;
        bend = newBend;
        // The span is rounded to whole semitones (halves away from zero).
        pitchFactor = exp2f(roundf(span) * bend / 12.0f);
        pitchValid = true;
    }

    turnIn = ch.getParameterReal(P::ParamTurnIn).i;
    turnOut = ch.getParameterReal(P::ParamTurnOut).i;
    tonality = ch.getParameterReal(P::ParamTonality).f;
    cordDisturb = ch.getParameterReal(P::ParamCordDisturb).f;

    const float newQ = ch.getParameterReal(P::ParamFormantQ).f;
    const float newGain = ch.getParameterReal(P::ParamFormantGain).f;
    formantQ = newQ;
    formantGain = newGain;
    // The current normalised values are functions of the current real values alone.
    if (!outputValid || !TK_Same_Bits(newQ, qReal) || !TK_Same_Bits(newGain, gainReal))
    {
        qReal = newQ;
        gainReal = newGain;
        // Louder for flatter, weaker formants: gn the normalised formant gain, qb one minus the
        // normalised formant Q.
        const double gn = ch.getParameterNormalised(P::ParamFormantGain, true);
        const double qb = 1.0 - static_cast<double>(ch.getParameterNormalised(P::ParamFormantQ, true));
        const double qb3 = std::pow(qb, 3);
        outputFactor = ((1.0 - gn * qb) + 0.2) * ((1.0 - qb3) * 10.0 + 1.0);
        outputValid = true;
    }

    channelRate = ch.getSampleRate();
    filterRate = __PEQ_Samplerate;
}
