#include "formant/FormantTables.h"

const double U_formantFreqs[NumFormants] = {415, 1400, 2200, 2800, 3300};
const double U_formantGains[NumFormants] = {32, 20, 16, 14, 3};
const double O_formantFreqs[NumFormants] = {325, 700, 2550, 2850, 3100};
const double O_formantGains[NumFormants] = {22, 10, 6, 10, 4};
const double E_formantFreqs[NumFormants] = {400, 1700, 2300, 2900, 3400};
const double E_formantGains[NumFormants] = {32, 23, 24, 21, 13};
const double A_formantFreqs[NumFormants] = {609, 1000, 2450, 2700, 3240};
const double A_formantGains[NumFormants] = {32, 26, 20, 21, 8};
