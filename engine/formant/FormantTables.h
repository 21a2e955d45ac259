#pragma once

/** Number of peaking filters per voice, and entries per vowel table (filter order 1 to 5). */
constexpr int NumFormants = 5;

/** Vowel formant tables: centre frequencies in Hz and gains in dB of the five filters. A voice
    blends U -> O -> E -> A as its velocity rises. Doubles, so that the blend is computed in double. */
extern const double U_formantFreqs[NumFormants];
extern const double U_formantGains[NumFormants];
extern const double O_formantFreqs[NumFormants];
extern const double O_formantGains[NumFormants];
extern const double E_formantFreqs[NumFormants];
extern const double E_formantGains[NumFormants];
extern const double A_formantFreqs[NumFormants];
extern const double A_formantGains[NumFormants];
