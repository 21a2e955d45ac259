#include "TestSignals.h"

#include <algorithm>
#include <cmath>

double rms(const std::vector<float>& samples, size_t begin, size_t end)
{
    double sum = 0.0;
    for (size_t i = begin; i < end; ++i)
        sum += (double)samples[i] * samples[i];
    return end > begin ? std::sqrt(sum / (double)(end - begin)) : 0.0;
}

bool allFinite(const std::vector<float>& samples)
{
    for (float s : samples)
        if (!std::isfinite(s))
            return false;
    return true;
}

double estimatePitch(const std::vector<float>& samples, size_t begin, size_t end, double sampleRate,
                     double minHz, double maxHz)
{
    const auto minLag = (size_t)(sampleRate / maxHz);
    const auto maxLag = (size_t)(sampleRate / minHz) + 1;
    if (end <= begin + maxLag)
        return 0.0;
    const size_t length = end - begin - maxLag;

    std::vector<double> correlation(maxLag + 1, 0.0);
    double best = 0.0;
    for (size_t lag = minLag; lag <= maxLag; ++lag)
    {
        double product = 0.0, energyA = 0.0, energyB = 0.0;
        for (size_t i = begin; i < begin + length; ++i)
        {
            product += (double)samples[i] * samples[i + lag];
            energyA += (double)samples[i] * samples[i];
            energyB += (double)samples[i + lag] * samples[i + lag];
        }
        correlation[lag] = energyA > 0.0 && energyB > 0.0 ? product / std::sqrt(energyA * energyB) : 0.0;
        best = std::max(best, correlation[lag]);
    }
    if (best <= 0.5)
        return 0.0;

    for (size_t lag = minLag + 1; lag < maxLag; ++lag)
    {
        const bool peak =
            correlation[lag] >= correlation[lag - 1] && correlation[lag] >= correlation[lag + 1];
        if (peak && correlation[lag] >= 0.9 * best)
        {
            // Parabolic interpolation around the peak for a sub-sample period.
            const double a = correlation[lag - 1], b = correlation[lag], c = correlation[lag + 1];
            const double denominator = a - 2.0 * b + c;
            const double shift = denominator != 0.0 ? 0.5 * (a - c) / denominator : 0.0;
            return sampleRate / ((double)lag + shift);
        }
    }
    return 0.0;
}
