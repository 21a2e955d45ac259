#include "dsp/DCBlocker.h"

#include <cmath>

#include "SampleRateRange.h"

DCBlocker::DCBlocker(double sampleRate)
{
    setSampleRate(sampleRate);
    reset();
}

void DCBlocker::setSampleRate(double sampleRate)
{
    if (!isSupportedSampleRate(sampleRate))
        return;
    rate = sampleRate;
    update();
}

void DCBlocker::update()
{
    // Left to right in double: ((-2 pi) * 5) / rate.
    R = std::exp(-2.0 * 3.141592653589793 * cornerHz / rate);
}

void DCBlocker::reset()
{
    x1 = 0.0;
    y1 = 0.0;
}

void DCBlocker::process(float* samples, int n)
{
    double px = x1, py = y1;
    for (int s = 0; s < n; ++s)
    {
        const double x = static_cast<double>(samples[s]);
        const double y = x - px + R * py;
        px = x;
        py = y;
        samples[s] = static_cast<float>(y);
    }
    x1 = px;
    y1 = py;
}
