// Note allocation through the synth framework's voice pool: allocation order, stealing, the sustain
// pedal, legato re-keying and the note-to-voice map.

#include <gtest/gtest.h>

#include <memory>

#include "EngineTestSupport.h"

namespace
{

class VoicePoolTest : public ::testing::Test
{
protected:
    void strikeAll() // voice 23 plays 40, the oldest; voice 0 plays 63
    {
        for (int n = 0; n < 24; ++n)
            ch->strike(40 + n);
    }

    std::unique_ptr<fake::Channel> ch = std::make_unique<fake::Channel>();
};

TEST_F(VoicePoolTest, TakesTheLastVoiceFirstReusesAFinishedOneNextAndKeepsARepeatedNote)
{
    EXPECT_EQ(ch->strike(60)->id, 23);
    EXPECT_EQ(ch->strike(62)->id, 22);
    EXPECT_EQ(ch->strike(64)->id, 21);
    EXPECT_EQ(ch->activeIds(), (std::vector<int>{21, 22, 23}));

    // The same note again gets the same voice, not restarted.
    EXPECT_EQ(ch->strike(62)->id, 22);
    EXPECT_EQ(ch->voice(22)->noteOns, 1);

    // Voice 23 finishes by itself: it goes to the head of the free list and is taken next.
    ch->voice(23)->finishNow = true;
    fake::renderBlock(*ch, 1);
    EXPECT_EQ(ch->activeIds(), (std::vector<int>{21, 22}));
    EXPECT_EQ(ch->strike(65)->id, 23);
}

TEST_F(VoicePoolTest, StealsTheOldestHeldVoiceWhenAllAreHeld)
{
    strikeAll();
    fake::Voice* v = ch->strike(100);
    EXPECT_EQ(v->id, 23);
    // Its old note was released and forgotten, then the caller restarted it with the new note.
    EXPECT_EQ(v->noteOffs, 1);
    EXPECT_EQ(v->noteOns, 2);
    EXPECT_EQ(v->note, 100);
    EXPECT_EQ(ch->mapped(40), nullptr);
    EXPECT_EQ(ch->mapped(100), v);
    EXPECT_EQ(ch->activeIds().front(), 23);

    // The old key's note-off now finds nothing and releases nothing.
    ch->lift(40);
    EXPECT_TRUE(v->isNoteOn());
}

TEST_F(VoicePoolTest, StealsTheOldestReleasedVoiceBeforeAnyHeldOne)
{
    strikeAll();
    ch->lift(45); // voice 18
    ch->lift(50); // voice 13, newer
    fake::Voice* v = ch->strike(100);
    EXPECT_EQ(v->id, 18);
    EXPECT_EQ(v->noteOffs, 1);
    for (int id = 0; id < 24; ++id)
        EXPECT_EQ(ch->voice(id)->isNoteOn(), id != 13) << "no held voice was released by the steal: " << id;
}

TEST_F(VoicePoolTest, StealingAPedalHeldVoiceReleasesIt)
{
    strikeAll();
    ch->setSustain(1.0f);
    ch->lift(40); // held by the pedal, key up: mapping already gone
    fake::Voice* v = ch->strike(100);
    EXPECT_EQ(v->id, 23);
    EXPECT_EQ(v->noteOffs, 1); // released by the pedal path, then restarted
    EXPECT_TRUE(v->isNoteOn());
}

TEST_F(VoicePoolTest, SustainPedalHoldsReleasedKeysUntilItGoesUp)
{
    fake::Voice* held = ch->strike(60);
    fake::Voice* lifted = ch->strike(62);
    ch->setSustain(64 / 127.0f); // down
    ch->lift(62);
    EXPECT_TRUE(lifted->isNoteOn());
    EXPECT_EQ(ch->mapped(62), nullptr);

    ch->setSustain(63 / 127.0f); // up: only the voices whose keys are up are released
    EXPECT_TRUE(held->isNoteOn());
    EXPECT_FALSE(lifted->isNoteOn());
    EXPECT_EQ(lifted->noteOffs, 1);
}

TEST_F(VoicePoolTest, RestrikeUnderThePedalTakesASecondVoice)
{
    for (bool keyUpBeforePedal : {true, false})
    {
        ch = std::make_unique<fake::Channel>();
        fake::Voice* first = ch->strike(60);
        ch->setSustain(1.0f);
        ch->lift(60);
        fake::Voice* second = ch->strike(60);
        EXPECT_NE(second, first);
        EXPECT_TRUE(first->isNoteOn());
        EXPECT_EQ(ch->mapped(60), second);

        if (keyUpBeforePedal)
        {
            ch->lift(60); // held again, nothing released
            EXPECT_TRUE(second->isNoteOn());
        }
        // With the key still down as the pedal comes up, the newer voice keeps its note and the
        // older one (no key holds it any more) is released instead of hanging on until stolen.
        ch->setSustain(0.0f);
        EXPECT_FALSE(first->isNoteOn());
        EXPECT_EQ(second->isNoteOn(), !keyUpBeforePedal);
        ch->lift(60);
        EXPECT_FALSE(second->isNoteOn());
    }
}

TEST_F(VoicePoolTest, LegatoReKeysTheNewestHeldVoice)
{
    ch->legato = 1;
    fake::Voice* v = ch->strike(60);
    EXPECT_EQ(ch->strike(64), v);
    EXPECT_EQ(ch->strike(67), v);
    EXPECT_EQ(v->noteOns, 1); // glided, never restarted
    EXPECT_EQ(v->note, 67);
    EXPECT_EQ(ch->mapped(60), nullptr);
    EXPECT_EQ(ch->mapped(64), nullptr);
    EXPECT_EQ(ch->mapped(67), v);

    // Once it is released, the next note takes a fresh voice as in polyphonic mode.
    ch->lift(67);
    fake::Voice* w = ch->strike(69);
    EXPECT_NE(w, v);
    EXPECT_EQ(w->noteOns, 1);
}

TEST_F(VoicePoolTest, NotesOutsideTheMapAndAnEmptyPoolGiveNoVoice)
{
    EXPECT_EQ(ch->getVoiceForNoteOn(128), nullptr);
    EXPECT_EQ(ch->getVoiceForNoteOn(-1), nullptr);
    EXPECT_EQ(ch->getVoiceForNoteOff(300), nullptr);
    EXPECT_TRUE(ch->activeIds().empty());

    ch = std::make_unique<fake::Channel>(0);
    EXPECT_EQ(ch->strike(60), nullptr);
    fake::renderBlock(*ch, 4);
    EXPECT_EQ(ch->postProcessed, 4);
}

} // namespace
