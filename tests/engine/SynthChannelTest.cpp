// The synth framework's channel, through the formant channel: MIDI decoding, the lock callback, the
// time-stamped action queue and its timing within a block, and out-of-range parameters and rates.

#include <gtest/gtest.h>

#include <limits>
#include <utility>
#include <vector>

#include "EngineTestSupport.h"

namespace
{

using namespace formant_test;
using Message = SynthBase::Channel::ActionMessage;
using NoteAt = std::pair<int32_t, int32_t>; // (note, frame offset)
constexpr int Capacity = SynthBase::Channel::QueueCapacity;

/** An action of a type the channel ignores, told apart by its note. */
Message action(int32_t time, int32_t note)
{
    return Message{9, time, note, 0.0, 0.0};
}

class SynthChannel : public FormantFixture
{
protected:
    /** The note and frame offset of every applied action, in the order applied. */
    std::vector<NoteAt> appliedNotes() const
    {
        std::vector<NoteAt> notes;
        for (const ProbeChannel::Applied& a : ch->applied)
            notes.emplace_back(a[1], a[2]);
        return notes;
    }
};

//==============================================================================
TEST_F(SynthChannel, DecodesMidiAndTakesTheLockWhereTheCallerDoesNotHoldItAndForThePedal)
{
    struct
    {
        int depth = 0, enters = 0;
    } lock;
    newChannel(
        [](bool take, void* context)
        {
            auto* l = static_cast<decltype(lock)*>(context);
            l->enters += take ? 1 : 0;
            l->depth += take ? 1 : -1;
        },
        &lock);
    ch->midiIn(0x93, 60, 100, 7, true);
    ch->midiIn(0x85, 61, 64, 8, false); // the caller does not hold the lock
    ch->midiIn(0x90, 62, 0, 9, true);   // velocity 0: a note-off
    ch->midiIn(0xE0, 0x7F, 0x7F, 11, true);
    // Other messages are ignored; other controllers drive parameters through the processor.
    for (unsigned char status : {0xA0, 0xC0, 0xD0, 0xF0, 0xF8, 0x40})
        ch->midiIn(status, 64, 100, 0, true);
    ch->midiIn(0xB0, 7, 100, 0, true);
    EXPECT_EQ(lock.enters, 1);
    ch->midiIn(0xB2, 64, 127, 10, true); // the pedal takes it even so
    EXPECT_EQ(lock.enters, 2);

    // The block start moves the queue under the lock, and skips it when nothing is queued.
    render(16);
    render(16);
    EXPECT_EQ(lock.enters, 3);
    EXPECT_EQ(lock.depth, 0);
    EXPECT_EQ(ch->applied, (std::vector<ProbeChannel::Applied>{{FormantChannel::ActionNoteOn, 60, 7},
                                                               {FormantChannel::ActionNoteOff, 61, 8},
                                                               {FormantChannel::ActionNoteOff, 62, 9},
                                                               {FormantChannel::ActionSustainPedal, 0, 10},
                                                               {FormantChannel::ActionPitchbend, 0, 11}}));
}

//==============================================================================
TEST_F(SynthChannel, ActionsApplyOnTheFrameOfTheirTime)
{
    const struct
    {
        const char* what;
        std::vector<Message> queued;
        std::vector<int> blocks; // frames per block; the actions are queued before the first
        std::vector<NoteAt> applied;
    } cases[] = {
        {"in time order", {action(5, 1), action(3, 2)}, {128}, {{2, 3}, {1, 5}}},
        // A note-off then note-on of one key on one sample stay off-then-on.
        {"equal times in arrival order",
         {action(20, 0), action(7, 60), action(2, 1), action(7, 61), action(7, 2)},
         {64},
         {{1, 2}, {60, 7}, {61, 7}, {2, 7}, {0, 20}}},
        // A note-off past the end of the block must not be lost: the block's last frame applies it.
        {"late ones on the last frame in queue order",
         {action(300, 60), action(10, 61), action(200, 62), action(-4, 63)},
         {128},
         {{63, 0}, {61, 10}, {62, 127}, {60, 127}}},
        {"a block without frames leaves them for the next block's start",
         {action(40, 60)},
         {0, 32},
         {{60, 0}}},
    };
    for (const auto& c : cases)
    {
        newChannel();
        for (const Message& m : c.queued)
            ch->addActionMessage(m);
        for (int frames : c.blocks)
            render(frames);
        EXPECT_EQ(appliedNotes(), c.applied) << c.what;
    }
}

TEST_F(SynthChannel, AFullQueueSortsStablyAndDropsWhatDoesNotFit)
{
    // Arrival number in note, times cycling backwards through 0..9.
    for (int k = 0; k <= Capacity; ++k)
        ch->addActionMessage(action(9 - (k * 7) % 10, k), true);
    EXPECT_EQ(ch->queued(), Capacity);
    render(16);
    const std::vector<NoteAt> applied = appliedNotes();
    ASSERT_EQ(applied.size(), static_cast<size_t>(Capacity));
    for (size_t k = 1; k < applied.size(); ++k)
        ASSERT_TRUE(applied[k - 1].second < applied[k].second ||
                    (applied[k - 1].second == applied[k].second && applied[k - 1].first < applied[k].first))
            << k;
}

//==============================================================================
TEST_F(SynthChannel, OutOfRangeParametersAndSampleRatesAreContained)
{
    constexpr int volume = FormantChannel::ParamMainVolume; // real 0..1
    for (auto c : std::initializer_list<std::pair<float, float>>{
             {7.0f, 1.0f}, {-3.0f, 0.0f}, {0.5f, 0.5f}, {std::numeric_limits<float>::quiet_NaN(), 0.5f}})
    {
        ch->setParameter(volume, c.first);
        EXPECT_EQ(ch->getParameterReal(volume).f, c.second) << c.first;
    }
    ch->setParameter(99, 0.5f);
    ch->setParameter(-1, 0.5f, 0.1);
    EXPECT_EQ(ch->getParameterReal(99).i, 0);

    // A ramp time that is negative or not finite sets the value at once.
    const double inf = std::numeric_limits<double>::infinity();
    for (double seconds : {std::numeric_limits<double>::quiet_NaN(), inf, -inf, -0.5, 1e300})
    {
        ch->setParameter(volume, 0.0f);
        ch->setParameter(volume, 0.3f, seconds);
        render(4);
        EXPECT_EQ(ch->getParameterReal(volume).f, 0.3f) << seconds;
    }

    // A rate change ends ramps on their targets; rates outside 8 kHz..768 kHz are refused.
    ch->setParameter(volume, 1.0f, 1.0);
    render(10);
    ch->setSampleRate(48000.0);
    for (double rate : unsupportedSampleRates)
        ch->setSampleRate(rate);
    EXPECT_EQ(ch->getSampleRate(), 48000.0);
    EXPECT_EQ(ch->getParameterReal(volume).f, 1.0f);
    for (double rate : {8000.0, 768000.0})
    {
        ch->setSampleRate(rate);
        EXPECT_EQ(ch->getSampleRate(), rate);
    }
    EXPECT_EQ(ProbeChannel(nullptr, nullptr, 1e-30f).getSampleRate(), 44100.0);
}

} // namespace
