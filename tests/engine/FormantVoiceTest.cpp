// The formant voice's sound, measured: the reference renders hold it bit for bit, this test holds
// what it should be when those hashes are taken afresh after a deliberate change of the sound.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "EngineTestSupport.h"
#include "ParameterTables.h"

namespace
{

using namespace formant_test;
using P = FormantChannel::ParameterId;

class FormantVoiceTest : public FormantFixture
{
};

} // namespace

TEST_F(FormantVoiceTest, NotesSoundAtTheirPitchSoftOnesAsUAndHardOnesAsA)
{
    for (int n = 0; n < 128; ++n)
        ASSERT_NEAR(440.0 * std::pow(2.0, (n - 69) / 12.0), SynthBase::MIDIFrequecyMap[n], 0.5e-10 + 1e-12)
            << "note " << n;

    // A 98 Hz pulse has harmonics every 98 Hz; the filters lift those near the vowel's formants:
    // U (415 and 1400 Hz) for soft notes, A (609 and 1000 Hz) for hard ones.
    for (int velocity : {1, 127})
    {
        newChannel();
        ch->setParameter(P::ParamTonality, 1.0f); // the plain pulse
        ch->setParameter(P::ParamTurnIn, 0.0f);   // at full pitch from the first sample
        noteOn(43, velocity);
        const std::vector<float> out = render(22050);
        // Glottal cycles over half a second, where the 4..6 Hz vibrato mostly averages out.
        EXPECT_NEAR(ch->newest()->getPhase() * 2.0, SynthBase::MIDIFrequecyMap[43], 1.0) << velocity;

        std::vector<double> x;
        for (size_t k = 8820 * 2 + 1; k < out.size(); k += 2)
            x.push_back(out[k]);
        const double first = bandEnergy(x, 380.0, 450.0) / bandEnergy(x, 575.0, 645.0);
        const double second = bandEnergy(x, 1340.0, 1460.0) / bandEnergy(x, 940.0, 1060.0);
        EXPECT_TRUE(velocity == 1 ? first > 10.0 && second > 2.0 : first < 0.1 && second < 0.1)
            << velocity << ": " << first << ", " << second;
    }
}
