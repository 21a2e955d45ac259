// The formant channel's actions and handlers, through raw MIDI and rendered frames: note modes
// (polyphonic, legato, pedal chord glide), sustain pedal, pitch bend, envelope settings, "Main
// Volume", the filter sample rate, malformed input, and a long random render.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

#include "EngineTestSupport.h"
#include "ParameterTables.h"

namespace
{

using namespace formant_test;
using P = FormantChannel::ParameterId;

float targetOf(int note)
{
    return static_cast<float>(SynthBase::MIDIFrequecyMap[note] / 20000.0);
}

class FormantChannelTest : public FormantFixture
{
protected:
    /** Pedal chord glide mode with a chord struck and captured by the pedal. */
    void holdChord(std::initializer_list<int> notes)
    {
        ch->setParameter(P::ParamLegatoState, 1.0f); // real 2
        for (int n : notes)
            noteOn(n);
        render(64);
        pedal(127);
        render(64);
    }

    /** The active voice currently counted as playing note, or null. */
    FormantVoice* voiceOn(int note) const
    {
        for (FormantVoice* v : ch->active())
            if (v->note == note)
                return v;
        return nullptr;
    }
};

//==============================================================================
TEST_F(FormantChannelTest, EnvelopeSettingsStartFromTheDefaultsAndFollowChangesAtTheNextBlock)
{
    const TKADSRParams& adsr = ch->envelopeSettings();
    EXPECT_EQ(adsr.attack, 0.3f * 0.111f);
    EXPECT_EQ(adsr.decay, 2.0f * 0.2f);
    const float sustain = 1.0f * 0.7f;
    EXPECT_EQ(adsr.sustain, sustain * sustain * sustain); // stored cubed
    EXPECT_EQ(adsr.release, 5.0f * 0.2f);

    ch->setParameter(P::ParamSustain, 0.5f);
    ch->setParameter(P::ParamRelease, 1.0f);
    EXPECT_EQ(adsr.release, 1.0f); // not before the block starts
    render(1);
    EXPECT_EQ(adsr.sustain, 0.125f);
    EXPECT_EQ(adsr.release, 5.0f);
}

//==============================================================================
TEST_F(FormantChannelTest, SameNoteAgainAndLegatoGlideTheSoundingVoiceWithoutRestarting)
{
    for (int second : {60, 67})
    {
        newChannel();
        ch->setParameter(P::ParamLegatoState, second == 60 ? 0.0f : 0.5f); // real 0 or 1
        noteOn(60, 20);
        render(1000);
        FormantVoice* v = ch->newest();
        const double phase = v->getPhase();
        noteOn(second, 120);
        render(64);
        ASSERT_EQ(ch->active().size(), 1u);
        EXPECT_EQ(ch->newest(), v);
        EXPECT_GT(v->getPhase(), phase) << "not reset to 0 by a new note on";
        EXPECT_EQ(v->note, second);
        EXPECT_EQ(v->getParameter(0), targetOf(second));
        EXPECT_EQ(v->getParameter(1), 120 / 127.0f);
        EXPECT_EQ(ch->mapped(second), v);
    }
    EXPECT_EQ(ch->mapped(60), nullptr);

    noteOff(67);
    noteOn(72);
    render(64);
    EXPECT_EQ(ch->active().size(), 2u) << "released: the next note takes a fresh voice";
}

//==============================================================================
TEST_F(FormantChannelTest, PedalChordGlideMovesTheNearestHeldVoice)
{
    holdChord({60, 64, 67}); // C4 E4 G4
    ASSERT_EQ(ch->held(), 3);
    FormantVoice* c4 = voiceOn(60);
    FormantVoice* e4 = voiceOn(64);
    FormantVoice* g4 = voiceOn(67);

    noteOn(65); // F4: E4 is one away
    render(64);
    EXPECT_EQ(ch->active().size(), 3u);
    EXPECT_EQ(e4->note, 65);
    EXPECT_EQ(e4->getParameter(0), targetOf(65));
    EXPECT_EQ(c4->getParameter(0), targetOf(60));
    EXPECT_EQ(g4->getParameter(0), targetOf(67));

    // The glided voice now counts as F4: D4 is two from C4 and three from it.
    noteOn(62);
    render(64);
    EXPECT_EQ(c4->note, 62);
    EXPECT_EQ(e4->note, 65);

    // The note map is left alone by the glides.
    EXPECT_EQ(ch->mapped(64), e4);
    EXPECT_EQ(ch->mapped(65), nullptr);

    // A tie goes to the newer voice: G4 and the glided E4 (now F4) are both one from F#4.
    noteOn(66);
    render(64);
    EXPECT_EQ(g4->note, 66);
    EXPECT_EQ(e4->note, 65);
}

TEST_F(FormantChannelTest, PedalChordGlideWithNothingHeldIsSilentUntilThePedalLifts)
{
    holdChord({});
    EXPECT_EQ(ch->held(), 0);
    noteOn(60);
    const std::vector<float> silent = render(512);
    EXPECT_TRUE(ch->active().empty());
    for (float s : silent)
        ASSERT_EQ(s, 0.0f);

    pedal(0); // up: the held list empties and notes take voices again
    noteOn(62);
    render(64);
    EXPECT_EQ(ch->held(), 0);
    EXPECT_EQ(ch->active().size(), 1u);
}

TEST_F(FormantChannelTest, AKeyWhoseVoiceAPedalChordGlideMovedNeverActsOnItAgain)
{
    // Key 60's voice glides to 64 under the pedal, is released with the pedal and finishes; key
    // 60's map entry still names it. The next note takes that voice: key 60's release must not
    // end note 70, and key 60 struck again must not be handed the free, unrendered voice.
    for (int next : {70, 60})
    {
        newChannel();
        ch->setSampleRate(48000.0);
        ch->setParameter(P::ParamLegatoState, 1.0f); // real 2
        ch->setParameter(P::ParamRelease, 0.0f);
        const int block = 512;
        noteOn(60);
        render(block, block);
        pedal(127);
        render(block, block);
        noteOn(64);
        render(block, block);
        noteOff(64);
        render(block, block);
        pedal(0);
        render(8 * block, block);
        ASSERT_TRUE(ch->active().empty());

        noteOn(next);
        render(block, block);
        if (next == 70)
            noteOff(60);
        const std::vector<float> out = render(block, block);
        ASSERT_EQ(ch->active().size(), 1u) << next;
        EXPECT_TRUE(ch->newest()->isNoteOn()) << next;
        EXPECT_EQ(ch->newest()->note, next);
        EXPECT_GT(*std::max_element(out.begin(), out.end()), 1e-3f) << next;
    }
}

TEST_F(FormantChannelTest, AVoiceThatEndsWhileItsKeyIsHeldLetsTheKeyStrikeAgain)
{
    // Sustain level 0: the voice ends after its decay although the key stays down.
    ch->setParameter(P::ParamSustain, 0.0f);
    ch->setParameter(P::ParamDecay, 0.05f); // real 0.1, about 0.32 s
    noteOn(60);
    render(44100);
    ASSERT_TRUE(ch->active().empty());
    EXPECT_EQ(ch->mapped(60), nullptr);

    noteOn(60);
    const std::vector<float> again = render(4096);
    double level = 0.0;
    for (float s : again)
        level += std::fabs(s);
    EXPECT_GT(level, 0.0);
    ASSERT_EQ(ch->active().size(), 1u);

    // The first key's note-off must not release another note that took its old voice.
    noteOn(62);
    render(64);
    FormantVoice* other = voiceOn(62);
    ASSERT_NE(other, nullptr);
    noteOff(60);
    render(64);
    EXPECT_TRUE(other->isNoteOn());
}

//==============================================================================
TEST_F(FormantChannelTest, PitchBendRampsOverAMillisecond)
{
    ch->midiIn(0xE0, 0x00, 0x40, 0, true);
    render(64);
    EXPECT_EQ(ch->getParameterReal(P::ParamPitchbend).f, 0.00006103515625f);

    ch->midiIn(0xE0, 0x7F, 0x7F, 10, true);
    render(20);
    const float partway = ch->getParameterReal(P::ParamPitchbend).f;
    EXPECT_GT(partway, 0.1f);
    EXPECT_LT(partway, 0.5f);
    render(64);
    EXPECT_EQ(ch->getParameterReal(P::ParamPitchbend).f, 1.0f);
}

TEST_F(FormantChannelTest, MainVolumeIsALinearGain)
{
    auto play = [this](float volume)
    {
        TKRand_Seed_This_Thread(3);
        newChannel();
        ch->setParameter(P::ParamMainVolume, volume);
        noteOn(57);
        return render(2048);
    };
    const std::vector<float> full = play(1.0f);
    const std::vector<float> quarter = play(0.25f);
    const std::vector<float> none = play(0.0f);
    double level = 0.0;
    for (size_t k = 0; k < full.size(); ++k)
    {
        ASSERT_EQ(quarter[k], full[k] * 0.25f) << k;
        ASSERT_EQ(none[k], 0.0f) << k;
        level += std::fabs(full[k]);
    }
    EXPECT_GT(level, 0.0);
}

//==============================================================================
TEST_F(FormantChannelTest, FilterSampleRateFollowsSupportedChannelRatesOnly)
{
    auto low = std::make_unique<ProbeChannel>(nullptr, nullptr, 22050.0f);
    EXPECT_EQ(low->getFilterSampleRate(), 44100.0);
    low->setSampleRate(48000.0);
    EXPECT_EQ(low->getFilterSampleRate(), 48000.0);
    low->setSampleRate(200000.0);
    EXPECT_EQ(low->getFilterSampleRate(), 48000.0);
    low->setSampleRate(192000.0);
    EXPECT_EQ(low->getFilterSampleRate(), 192000.0);
    auto high = std::make_unique<ProbeChannel>(nullptr, nullptr, 96000.0f);
    EXPECT_EQ(high->getFilterSampleRate(), 96000.0);
    EXPECT_EQ(low->getFilterSampleRate(), 192000.0);
}

//==============================================================================
TEST_F(FormantChannelTest, OnlyTheSustainPedalTakesTheLockWhenTheCallerHoldsIt)
{
    struct
    {
        int depth = 0, enters = 0;
    } lock;
    ch = std::make_unique<ProbeChannel>(
        [](bool take, void* context)
        {
            auto* l = static_cast<decltype(lock)*>(context);
            l->enters += take ? 1 : 0;
            l->depth += take ? 1 : -1;
        },
        &lock);
    ch->midiIn(0x90, 60, 100, 0, true);
    ch->midiIn(0x80, 60, 100, 0, true);
    ch->midiIn(0xE0, 0, 0x40, 0, true);
    ch->midiIn(0xB0, 7, 100, 0, true); // other controllers are not queued at all
    EXPECT_EQ(lock.enters, 0);
    EXPECT_EQ(ch->queued(), 3);
    ch->midiIn(0xB0, 64, 127, 0, true);
    EXPECT_EQ(lock.enters, 1);
    EXPECT_EQ(ch->queued(), 4);
    EXPECT_EQ(lock.depth, 0);
}

TEST_F(FormantChannelTest, MalformedInputIsIgnored)
{
    noteOn(200);                        // note byte out of range
    ch->midiIn(0x80, 0xFF, 0, 0, true); // and its note-off
    EXPECT_EQ(ch->queued(), 0);
    ch->midiNoteOn(0, -1, 1.0f, 0, true);
    ch->midiNoteOff(0, 128, 1.0f, 0, true);
    EXPECT_EQ(ch->queued(), 0);

    // Actions queued directly with a bad note or an unknown type change nothing.
    ch->addActionMessage({FormantChannel::ActionNoteOn, 0, 300, 440.0, 1.0});
    ch->addActionMessage({FormantChannel::ActionNoteOff, 0, -5, 440.0, 1.0});
    ch->addActionMessage({17, 0, 60, 440.0, 1.0});
    ch->addActionMessage({-1, 0, 60, 440.0, 1.0});
    render(64);
    EXPECT_TRUE(ch->active().empty());
}

//==============================================================================
TEST_F(FormantChannelTest, RandomMidiAndParametersNeverRenderNaNOrInf)
{
    std::mt19937 rng(20261206);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> param(0, NumParameters - 1);
    std::uniform_real_distribution<float> value(-0.25f, 1.25f);
    std::uniform_int_distribution<int> blockLength(0, 700);
    const unsigned char statuses[] = {0x80, 0x90, 0x90, 0x90, 0xB0, 0xE0, 0xA0, 0xC0, 0xF0};

    ch->setParameter(P::ParamCordDisturb, 0.5f);
    float peak = 0.0f;
    int frames = 0;
    while (frames < 3 * 44100)
    {
        for (int k = rng() % 3; k > 0; --k)
        {
            const float v = rng() % 50 == 0 ? std::numeric_limits<float>::quiet_NaN() : value(rng);
            ch->setParameter(param(rng), v);
        }
        const int n = blockLength(rng);
        ch->prepareForSampleBuffer(0, n);
        for (int k = rng() % 6; k > 0; --k)
        {
            const auto status = static_cast<unsigned char>(statuses[rng() % 9] | (rng() % 16));
            // Mostly valid 7-bit data, sometimes anything.
            const int mask = rng() % 8 == 0 ? 0xFF : 0x7F;
            ch->midiIn(status, static_cast<unsigned char>(byte(rng) & mask),
                       static_cast<unsigned char>(byte(rng) & mask), byte(rng) * 3 - 100, true);
        }
        for (int s = 0; s < n; ++s)
        {
            float frame[2] = {0.0f, 0.0f};
            ch->getFrame(static_cast<unsigned long>(s), frame);
            ASSERT_TRUE(std::isfinite(frame[0]) && std::isfinite(frame[1])) << "frame " << frames + s;
            peak = std::max(peak, std::max(std::fabs(frame[0]), std::fabs(frame[1])));
        }
        frames += n;
    }
    EXPECT_GT(peak, 0.0f);
    EXPECT_LT(peak, 100.0f);
}

} // namespace
