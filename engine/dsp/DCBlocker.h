#pragma once

/** A first-order DC blocker for one output channel: y = x - x1 + R * y1, with its pole R set for a
    corner of 5 Hz. The voices' glottal pulse sits near +1 for most of each cycle and the formant
    filters pass DC at unity gain, so without it the mix (and, piled up, the reverb) carries an
    offset larger than the signal. At 40 Hz and above it changes the level by less than 0.1 dB.

    The state and R are doubles; each output sample is rounded to float. Plain C++, real-time
    safe: nothing allocates. */
class DCBlocker
{
public:
    /** Corner frequency in Hz. */
    static constexpr double cornerHz = 5.0;

    /** Starts at the given rate (Hz), with zero state. */
    explicit DCBlocker(double sampleRate);

    /** Sets the rate in Hz and the pole for it. A rate outside MinSampleRate..MaxSampleRate
        (SampleRateRange.h), or NaN, is ignored: the blocker keeps its last good one. The state is
        left as it is. */
    void setSampleRate(double sampleRate);

    /** Zeroes the previous input and output. */
    void reset();

    /** Filters n samples in place. */
    void process(float* samples, int n);

    /** The rate in Hz the pole is set for. */
    [[nodiscard]] double getSampleRate() const { return rate; }

private:
    void update();

    double rate = 0.0; // Hz
    double R = 0.0;    // pole, exp(-2 pi cornerHz / rate)
    double x1 = 0.0;   // previous input
    double y1 = 0.0;   // previous output, unrounded
};
