// The formant voice's sound, rendered through a real formant channel: pitch, vowel formants, the
// Turn In / Turn Out pitch shaping, pan by pitch and long notes.

#include <gtest/gtest.h>

#include <cmath>

#include "EngineTestSupport.h"
#include "ParameterTables.h"

namespace
{

using namespace formant_test;
using P = FormantChannel::ParameterId;

class FormantVoiceTest : public FormantFixture
{
protected:
    /** Plain pulse at full pitch from the first sample, so the pitch is easy to read. */
    void plainPulse()
    {
        ch->setParameter(P::ParamTonality, 1.0f);
        ch->setParameter(P::ParamTurnIn, 0.0f);
    }

    /** Cycles per second of the newest voice's glottal phase over the next `frames` frames. */
    double phaseRate(int frames)
    {
        const double before = ch->newest()->getPhase();
        render(frames);
        return (ch->newest()->getPhase() - before) * Rate / frames;
    }
};

double noteHz(int note)
{
    return SynthBase::MIDIFrequecyMap[note];
}

//==============================================================================
TEST_F(FormantVoiceTest, OutputPeriodMatchesTheNote)
{
    for (int note : {45, 57, 64})
    {
        newChannel();
        plainPulse();
        noteOn(note);
        const std::vector<double> x = channelOf(render(22050), 1, 4410);
        const double expected = Rate / noteHz(note);
        const double period = periodOf(x, static_cast<int>(expected * 0.4), static_cast<int>(expected * 1.6));
        EXPECT_NEAR(period, expected, expected * 0.02) << "note " << note;
    }
}

TEST_F(FormantVoiceTest, FullBendMovesThePitchByTheSpanRoundedToWholeSemitones)
{
    // Span 12 doubles the pitch; 2.5 rounds to 3 semitones, 2.49 to 2, the default 0.96 to 1.
    const float spans[] = {1.0f, 2.5f / 12.0f, 2.49f / 12.0f, 0.08f};
    const double semitones[] = {12.0, 3.0, 2.0, 1.0};
    for (int k = 0; k < 4; ++k)
    {
        newChannel();
        plainPulse();
        ch->setParameter(P::ParamPitchbendSpan, spans[k]);
        ch->midiIn(0xE0, 0x7F, 0x7F, 0, true);
        noteOn(57);
        render(4410);
        // The 4..6 Hz vibrato mostly averages out over 0.5 s.
        const double hz = phaseRate(22050);
        EXPECT_NEAR(hz, 220.0 * std::pow(2.0, semitones[k] / 12.0), 220.0 * 0.006) << k;
    }
}

//==============================================================================
TEST_F(FormantVoiceTest, SoftNotesSoundUAndHardNotesSoundA)
{
    // A 98 Hz pulse has harmonics every 98 Hz; the filters lift those near the vowel's formants:
    // U (415 and 1400 Hz) for soft notes, A (609 and 1000 Hz) for hard ones. The wobble moves the
    // blend by at most 0.1 of a vowel step.
    const struct
    {
        int velocity;
        double f1Low, f1High, f2;
    } cases[] = {{1, 415.0 + (325.0 - 415.0) * 0.11, 415.0, 1400.0},
                 {127, 400.0 + (609.0 - 400.0) * 0.89, 609.0, 1000.0}};
    for (const auto& c : cases)
    {
        newChannel();
        plainPulse();
        noteOn(43, c.velocity);
        const std::vector<double> x = channelOf(render(22050), 1, 8820);
        const double* f = ch->newest()->getFormantFreqs();
        EXPECT_TRUE(f[0] >= c.f1Low && f[0] <= c.f1High) << f[0];
        EXPECT_NEAR(f[1], c.f2, 71.0);
        const double first = bandEnergy(x, 380.0, 450.0) / bandEnergy(x, 575.0, 645.0);
        const double second = bandEnergy(x, 1340.0, 1460.0) / bandEnergy(x, 940.0, 1060.0);
        const bool u = c.velocity == 1;
        EXPECT_TRUE(u ? first > 10.0 && second > 2.0 : first < 0.1 && second < 0.1)
            << first << ", " << second;
    }
}

//==============================================================================
TEST_F(FormantVoiceTest, TurnInStartsFromTheSquareRootOfTheAttackProgress)
{
    ch->setParameter(P::ParamTurnIn, 0.0f);
    noteOn(57);
    render(1);
    const double fullStep = ch->newest()->getPhase();

    newChannel();
    noteOn(57);
    render(1);
    const double turnInStep = ch->newest()->getPhase();

    // Default attack: real 0.0333, sqrt(0.0333) s = 8047 samples at 44100 Hz.
    const int attackSamples = static_cast<int>(std::sqrt(0.111f * 0.3f) * 44100.0f);
    EXPECT_EQ(attackSamples, 8047);
    EXPECT_NEAR(fullStep, 220.0 / Rate, 220.0 / Rate * 1e-4);
    EXPECT_NEAR(turnInStep / fullStep, std::sqrt(1.0 / attackSamples), 1e-6);

    // Halfway through the attack the pitch is sqrt(0.5) of the target.
    render(attackSamples / 2 - 40);
    EXPECT_NEAR(phaseRate(80), 220.0 * std::sqrt(0.5), 220.0 * 0.02);
}

TEST_F(FormantVoiceTest, TurnOutLowersThePitchLinearlyOverTheRelease)
{
    for (float turnOut : {1.0f, 0.0f})
    {
        newChannel();
        plainPulse();
        ch->setParameter(P::ParamTurnOut, turnOut);
        ch->setParameter(P::ParamRelease, 0.02f); // real 0.1: sqrt(0.1) s = 13945 samples
        noteOn(57);
        render(8192);
        const double sustained = phaseRate(64);
        noteOff(57);
        render(13945 / 2 - 32 - 64);
        const double halfway = phaseRate(64);
        EXPECT_NEAR(halfway / sustained, turnOut == 1.0f ? 0.5 : 1.0, 0.03) << turnOut;
    }
}

//==============================================================================
TEST_F(FormantVoiceTest, PanFollowsPitchAndStereoSpreadReadAtNoteOn)
{
    // Right over left for each spread: a 440 Hz note (at or above 400 Hz) leans fully right with
    // full spread; below 400 Hz the note leans right in proportion to its frequency, p = f / 400 Hz.
    const float p = static_cast<float>(noteHz(55) / 20000.0) / 0.02f;
    const struct
    {
        int note;
        float spread, leftOverRight;
    } cases[] = {{69, 1.0f, 0.0f}, {69, 0.0f, 1.0f}, {69, 0.5f, 0.5f}, {55, 1.0f, (1.0f - p) / p}};
    for (const auto& c : cases)
    {
        newChannel();
        ch->setParameter(P::ParamStereoSpread, c.spread);
        noteOn(c.note);
        render(256);
        ch->setParameter(P::ParamStereoSpread, 1.0f - c.spread); // read only at note on
        const std::vector<float> out = render(2048);
        double right = 0.0;
        for (size_t k = 0; k < out.size(); k += 2)
        {
            const float tolerance = c.note == 69 ? 0.0f : 1e-5f * std::fabs(out[k + 1]);
            ASSERT_NEAR(out[k], out[k + 1] * c.leftOverRight, tolerance) << c.note << " " << c.spread;
            right += std::fabs(out[k + 1]);
        }
        EXPECT_GT(right, 0.0);
    }
}

//==============================================================================
TEST_F(FormantVoiceTest, ALongNoteKeepsItsPhaseSmallAndItsPitch)
{
    // 1024 cycles of A4 take about 2.3 s; render 2.6 s of one held note.
    plainPulse();
    noteOn(69);
    render(4410);
    const double early = phaseRate(22050);

    double unwrapped = ch->newest()->getPhase();
    double previous = unwrapped;
    int folds = 0;
    for (int block = 0; block < 400; ++block)
    {
        render(256);
        const double phase = ch->newest()->getPhase();
        ASSERT_LT(phase, 1024.0);
        if (phase < previous)
        {
            // Whole cycles were dropped once the phase passed 1024.
            ++folds;
            EXPECT_LT(phase, 3.0); // at most one block's cycles past the fold
            unwrapped += phase + 1024.0 - previous;
        }
        else
        {
            unwrapped += phase - previous;
        }
        previous = phase;
    }
    EXPECT_EQ(folds, 1);
    EXPECT_GT(unwrapped, 1024.0);

    // The pitch after the fold is the pitch before it, and so is the waveform's period.
    EXPECT_NEAR(phaseRate(22050), early, early * 0.006);
    const std::vector<double> x = channelOf(render(8820), 1);
    EXPECT_NEAR(periodOf(x, 40, 160), Rate / 440.0, Rate / 440.0 * 0.02);
}

} // namespace
