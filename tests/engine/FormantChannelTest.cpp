// The formant channel's note handling, through raw MIDI and rendered frames: voice stealing, the
// sustain pedal, pedal chord glide, voices that end by themselves, the filter sample rate, malformed
// input, and a long random render. The reference renders pin the rest of its sound.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

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
TEST_F(FormantChannelTest, StealsTheOldestReleasedVoiceElseTheOldestHeldAndRestartsIt)
{
    const struct
    {
        const char* what;
        bool pedal;
        std::vector<int> lifted;
        int stolen;      // the note whose voice is taken
        size_t sounding; // note-on voices afterwards
    } cases[] = {
        {"all keys held: the oldest", false, {}, 40, 24},
        {"released voices first, the oldest of them", false, {45, 50}, 45, 23},
        {"a voice the pedal holds is released before its restart", true, {40}, 40, 24},
    };
    for (const auto& c : cases)
    {
        newChannel();
        for (int note = 40; note < 64; ++note)
            noteOn(note);
        render(1);
        if (c.pedal)
            pedal(127);
        for (int note : c.lifted)
            noteOff(note);
        render(4096);
        FormantVoice* v = voiceOn(c.stolen);
        noteOn(100);
        render(1);
        EXPECT_EQ(v->note, 100) << c.what;
        EXPECT_LT(v->getPhase(), 0.01) << c.what << ": restarted, not glided";
        size_t sounding = 0;
        for (FormantVoice* w : ch->active())
            sounding += w->isNoteOn() ? 1 : 0;
        EXPECT_EQ(sounding, c.sounding) << c.what;

        // The old key is forgotten: its note-off releases nothing.
        noteOff(c.stolen);
        render(1);
        EXPECT_TRUE(v->isNoteOn()) << c.what;
    }
}

TEST_F(FormantChannelTest, PedalUpReleasesEveryVoiceWhoseKeyIsUp)
{
    for (bool keyUpBeforePedal : {true, false})
    {
        newChannel();
        noteOn(60);
        noteOn(62);
        render(1);
        FormantVoice* first = voiceOn(60);
        FormantVoice* other = voiceOn(62);
        pedal(127);
        noteOff(60);
        render(1);
        EXPECT_TRUE(first->isNoteOn()) << "held by the pedal";

        // Struck again under the pedal, the key takes a second voice.
        noteOn(60);
        render(1);
        FormantVoice* second = ch->newest();
        EXPECT_NE(second, first);
        if (keyUpBeforePedal)
            noteOff(60);
        // With the key still down as the pedal comes up, the newer voice keeps its note and the
        // older one (no key holds it any more) is released instead of hanging on until stolen.
        pedal(0);
        render(1);
        EXPECT_FALSE(first->isNoteOn());
        EXPECT_EQ(second->isNoteOn(), !keyUpBeforePedal);
        EXPECT_TRUE(other->isNoteOn());
    }
}

//==============================================================================
TEST_F(FormantChannelTest, PedalChordGlideMovesTheNearestHeldVoice)
{
    // With nothing held a new note has no voice to move: silence until the pedal comes up.
    holdChord({});
    noteOn(60);
    for (float s : render(512))
        ASSERT_EQ(s, 0.0f);
    pedal(0);

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
    std::uniform_real_distribution<float> value(-0.25f, 1.25f);
    const unsigned char statuses[] = {0x80, 0x90, 0x90, 0x90, 0xB0, 0xE0, 0xA0, 0xC0, 0xF0};
    ch->setParameter(P::ParamCordDisturb, 0.5f);
    float peak = 0.0f;
    for (int frames = 0; frames < 3 * 44100;)
    {
        for (int k = rng() % 3; k > 0; --k)
        {
            const int id = static_cast<int>(rng() % NumParameters);
            ch->setParameter(id, rng() % 50 == 0 ? std::numeric_limits<float>::quiet_NaN() : value(rng));
        }
        const int n = static_cast<int>(rng() % 701);
        ch->prepareForSampleBuffer(0, n);
        for (int k = rng() % 6; k > 0; --k)
        {
            const auto status = static_cast<unsigned char>(statuses[rng() % 9] | (rng() % 16));
            const int mask = rng() % 8 == 0 ? 0xFF : 0x7F; // mostly valid 7-bit data, sometimes anything
            const auto d1 = static_cast<unsigned char>(byte(rng) & mask);
            const auto d2 = static_cast<unsigned char>(byte(rng) & mask);
            ch->midiIn(status, d1, d2, byte(rng) * 3 - 100, true);
        }
        for (int s = 0; s < n; ++s, ++frames)
        {
            float frame[2] = {0.0f, 0.0f};
            ch->getFrame(static_cast<unsigned long>(s), frame);
            ASSERT_TRUE(std::isfinite(frame[0]) && std::isfinite(frame[1])) << "frame " << frames;
            peak = std::max({peak, std::fabs(frame[0]), std::fabs(frame[1])});
        }
    }
    EXPECT_GT(peak, 0.0f);
    EXPECT_LT(peak, 100.0f);
}

} // namespace
