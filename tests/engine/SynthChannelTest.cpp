// The synth framework's channel: MIDI decoding, the time-stamped action queue and its timing
// within a block, the lock callback and the parameter operations.

#include <gtest/gtest.h>

#include <cmath>
#include <iterator>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

#include "EngineTestSupport.h"

namespace
{

using Message = SynthBase::Channel::ActionMessage;
using NoteAt = std::pair<int32_t, int32_t>; // (note, frame offset)
constexpr int Capacity = SynthBase::Channel::QueueCapacity;

Message action(int32_t type, int32_t time, int32_t note = 0)
{
    return Message{type, time, note, 0.0, 0.0};
}

class SynthChannel : public ::testing::Test
{
protected:
    /** The note and frame offset of every applied action, in the order applied. */
    std::vector<NoteAt> appliedNotes() const
    {
        std::vector<NoteAt> notes;
        for (const auto& a : ch->applied)
            notes.emplace_back(a.message.note, a.offset);
        return notes;
    }

    std::unique_ptr<fake::Channel> ch = std::make_unique<fake::Channel>();
};

//==============================================================================
TEST_F(SynthChannel, DecodesNotesControllersAndPitchBendAndIgnoresTheRest)
{
    ch->midiIn(0x93, 60, 100, 7, true);
    ch->midiIn(0x85, 61, 64, 8, true);
    ch->midiIn(0x90, 62, 0, 9, true); // velocity 0: a note-off with velocity 1
    ch->midiIn(0xB2, 64, 127, 10, true);
    for (unsigned char status : {0xA0, 0xC0, 0xD0, 0xF0, 0xF8, 0x40})
        ch->midiIn(status, 1, 2, 0, true);
    // The bend centre is not 0 but 2^-14: 8192 / 16383 rounded to float, doubled, minus 1.
    ch->midiIn(0xE0, 0x00, 0x40, 0, true);
    ch->midiIn(0xE0, 0x00, 0x00, 0, true);
    ch->midiIn(0xE0, 0x7F, 0x7F, 0, true);

    using K = fake::MidiCall;
    EXPECT_EQ(ch->midi, (std::vector<K>{{K::NoteOn, 3, 60, 100 / 127.0f, 7},
                                        {K::NoteOff, 5, 61, 64 / 127.0f, 8},
                                        {K::NoteOff, 0, 62, 1.0f, 9},
                                        {K::Control, 2, 64, 1.0f, 10},
                                        {K::PitchBend, 0, 0, 0.00006103515625f, 0},
                                        {K::PitchBend, 0, 0, -1.0f, 0},
                                        {K::PitchBend, 0, 0, 1.0f, 0}}));
    ASSERT_FALSE(ch->midi.empty());
    EXPECT_FLOAT_EQ(ch->midi[0].value, 0.787401556968689f);
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
        {"in time order", {action(0, 5, 1), action(0, 3, 2)}, {128}, {{2, 3}, {1, 5}}},
        // A note-off then note-on of one key on one sample stay off-then-on.
        {"equal times in arrival order",
         {action(9, 20, 0), action(1, 7, 60), action(9, 2, 1), action(0, 7, 61), action(9, 7, 2)},
         {64},
         {{1, 2}, {60, 7}, {61, 7}, {2, 7}, {0, 20}}},
        // A note-off past the end of the block must not be lost: the block's last frame applies it.
        {"late ones on the last frame in queue order",
         {action(1, 300, 60), action(0, 10, 61), action(0, 200, 62), action(0, -4, 63)},
         {128},
         {{63, 0}, {61, 10}, {62, 127}, {60, 127}}},
        {"a block without frames leaves them for the next block's start",
         {action(1, 40, 60)},
         {0, 32},
         {{60, 0}}},
    };
    for (const auto& c : cases)
    {
        ch = std::make_unique<fake::Channel>();
        for (const Message& m : c.queued)
            ch->addActionMessage(m);
        for (int frames : c.blocks)
            fake::renderBlock(*ch, frames);
        EXPECT_EQ(appliedNotes(), c.applied) << c.what;
    }
}

TEST_F(SynthChannel, SortIsStableOverAFullShuffledQueueAndThe4097thActionIsDropped)
{
    // Arrival number in note, times cycling backwards through 0..9.
    for (int k = 0; k <= Capacity; ++k)
        ch->addActionMessage(action(0, 9 - (k * 7) % 10, k), true);
    EXPECT_EQ(ch->queuedCount(), Capacity);
    fake::renderBlock(*ch, 16);
    ASSERT_EQ(ch->applied.size(), static_cast<size_t>(Capacity));
    for (size_t k = 1; k < ch->applied.size(); ++k)
    {
        const Message& a = ch->applied[k - 1].message;
        const Message& b = ch->applied[k].message;
        ASSERT_TRUE(a.time < b.time || (a.time == b.time && a.note < b.note)) << k;
        ASSERT_EQ(ch->applied[k].offset, b.time);
        ASSERT_NE(b.note, Capacity);
    }

    // The queue has room again after the block start.
    ch->addActionMessage(action(0, 0, 7));
    fake::renderBlock(*ch, 1);
    EXPECT_EQ(ch->applied.back().message.note, 7);
}

TEST_F(SynthChannel, ActionsQueuedDuringABlockBelongToTheNext)
{
    ch->prepareForSampleBuffer(0, 16);
    ch->addActionMessage(action(0, 3, 60)); // as the processor's MIDI does
    float frame[2] = {};
    for (unsigned long s = 0; s < 16; ++s)
        ch->getFrame(s, frame);
    EXPECT_TRUE(ch->applied.empty());
    fake::renderBlock(*ch, 16);
    EXPECT_EQ(appliedNotes(), (std::vector<NoteAt>{{60, 3}}));
}

//==============================================================================
TEST_F(SynthChannel, MixesEveryActiveVoiceFromItsFirstFrameAndAFinishingVoiceStillSounds)
{
    ch->prepareForSampleBuffer(0, 8);
    for (unsigned long s = 0; s < 8; ++s)
    {
        if (s == 5)
            ch->strike(60)->level = 0.25f; // what parseActionMessage does at offset 5
        float frame[2] = {};
        ch->getFrame(s, frame);
        EXPECT_EQ(frame[0], s >= 5 ? 0.25f : 0.0f) << s;
    }
    fake::Voice* last = ch->strike(62);
    last->level = 0.5f;
    last->finishNow = true;
    const std::vector<float> out = fake::renderBlock(*ch, 2);
    EXPECT_EQ(out, (std::vector<float>{0.75f, 0.75f, 0.25f, 0.25f}))
        << "the finished one is gone on the next";
    EXPECT_EQ(last->isFree, 1);
    EXPECT_EQ(ch->postProcessed, 10);
}

//==============================================================================
TEST(SynthChannelLock, TakenOnlyWhenTheCallerDoesNotHoldIt)
{
    struct LockLog
    {
        int depth = 0, enters = 0;
        bool unbalanced = false;
    } log;
    auto logLock = [](bool lock, void* context)
    {
        auto* l = static_cast<LockLog*>(context);
        l->enters += lock ? 1 : 0;
        l->depth += lock ? 1 : -1;
        l->unbalanced = l->unbalanced || l->depth < 0;
    };
    auto ch = std::make_unique<fake::Channel>(24, logLock, &log);

    ch->midiIn(0x90, 60, 100, 0, true);
    EXPECT_EQ(log.enters, 0);
    ch->midiIn(0x90, 61, 100, 0, false);
    EXPECT_EQ(log.enters, 1);
    ch->addActionMessage(action(0, 0));
    EXPECT_EQ(log.enters, 2);

    // The block start moves the queue under the lock, and skips it when nothing is queued.
    ch->prepareForSampleBuffer(0, 16);
    EXPECT_EQ(log.enters, 3);
    ch->prepareForSampleBuffer(0, 16);
    EXPECT_EQ(log.enters, 3);
    EXPECT_EQ(log.depth, 0);
    EXPECT_FALSE(log.unbalanced);
}

//==============================================================================
TEST_F(SynthChannel, ParametersStartFromTheDefaultsAndReportChangesOncePerBlock)
{
    ASSERT_EQ(ch->changes.size(), 2u); // every default at init
    EXPECT_EQ(ch->changes[0].real.f, 5.0f);
    EXPECT_EQ(ch->changes[1].real.i, 0);
    ch->changes.clear();

    fake::renderBlock(*ch, 4);
    EXPECT_TRUE(ch->changes.empty());

    ch->setParameter(1, 0.5f);
    ch->setParameter(0, 0.2f);
    ch->setParameter(1, 1.0f);
    for (int block = 0; block < 2; ++block)
        ch->prepareForSampleBuffer(0, 4);
    ASSERT_EQ(ch->changes.size(), 2u);
    EXPECT_EQ(ch->changes[0].index, 1);
    EXPECT_EQ(ch->changes[0].real.i, 2);
    EXPECT_EQ(ch->changes[1].index, 0);
    EXPECT_EQ(ch->changes[1].real.f, 2.0f);
}

TEST_F(SynthChannel, RampedParametersMoveOncePerFrame)
{
    ch->setParameter(0, 0.0f);
    // 0.001 s at 44100 Hz: 44.1 frames to go from 0 to 1 (real 0 to 10).
    ch->setParameter(0, 1.0f, 0.001);
    EXPECT_EQ(ch->getParameterNormalised(0), 1.0f);
    EXPECT_EQ(ch->getParameterReal(0).f, 0.0f);
    fake::renderBlock(*ch, 1);
    EXPECT_NEAR(ch->getParameterNormalised(0, true), 1.0f / 44.1f, 1e-5);
    fake::renderBlock(*ch, 44);
    EXPECT_EQ(ch->getParameterNormalised(0, true), 1.0f); // ends exactly on the target
    EXPECT_EQ(ch->getParameterReal(0).f, 10.0f);

    TKParameterData real;
    real.f = 2.5f;
    ch->setParameterReal(0, real, 0.001);
    EXPECT_EQ(ch->getParameterNormalised(0), 0.25f);
}

TEST_F(SynthChannel, OutOfRangeParametersAndSampleRatesAreContained)
{
    for (auto c : std::initializer_list<std::pair<float, float>>{
             {7.0f, 10.0f}, {-3.0f, 0.0f}, {std::numeric_limits<float>::quiet_NaN(), 0.0f}})
    {
        ch->setParameter(0, c.first);
        EXPECT_EQ(ch->getParameterReal(0).f, c.second) << c.first;
    }
    ch->setParameter(99, 0.5f);
    ch->setParameter(-1, 0.5f, 0.1);
    EXPECT_EQ(ch->getParameterReal(99).i, 0);
    EXPECT_EQ(ch->getParameterNormalised(-5), 0.0f);

    // A ramp time that is negative or not finite sets the value at once.
    const double inf = std::numeric_limits<double>::infinity();
    for (double seconds : {std::numeric_limits<double>::quiet_NaN(), inf, -inf, -0.5, 1e300})
    {
        ch->setParameter(0, 0.0f);
        ch->setParameter(0, 0.3f, seconds);
        fake::renderBlock(*ch, 4);
        EXPECT_EQ(ch->getParameterReal(0).f, 3.0f) << seconds;
    }

    // A rate change jumps ramps to their targets; rates outside 8 kHz..768 kHz are refused.
    ch->setParameter(0, 1.0f, 1.0);
    fake::renderBlock(*ch, 10);
    ch->setSampleRate(48000.0);
    ch->setSampleRate(48000.0);
    for (double rate : unsupportedSampleRates)
        ch->setSampleRate(rate);
    EXPECT_EQ(ch->getSampleRate(), 48000.0);
    EXPECT_EQ(ch->getParameterReal(0).f, 10.0f);
    EXPECT_EQ(ch->rateChanges, 1);
    for (double rate : {8000.0, 768000.0})
    {
        ch->setSampleRate(rate);
        EXPECT_EQ(ch->getSampleRate(), rate);
    }
    EXPECT_EQ(fake::Channel(1, nullptr, nullptr, 1e-30f).getSampleRate(), 44100.0);
}

} // namespace
