// The synth framework's channel: MIDI decoding, the time-stamped action queue and its timing
// within a block, the lock callback and the parameter operations.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

#include "FakeSynth.h"

namespace
{

using Message = SynthBase::Channel::ActionMessage;

Message action(int32_t type, int32_t time, int32_t note = 0)
{
    return Message{type, time, note, 0.0, 0.0};
}

std::unique_ptr<fake::Channel> makeChannel()
{
    return std::make_unique<fake::Channel>();
}

using NoteAt = std::pair<int32_t, int32_t>; // (note, frame offset)

/** The note and frame offset of every applied action, in the order applied. */
std::vector<NoteAt> appliedNotes(const fake::Channel& ch)
{
    std::vector<NoteAt> notes;
    for (const fake::Applied& a : ch.applied)
        notes.emplace_back(a.message.note, a.offset);
    return notes;
}

//==============================================================================
TEST(SynthChannelMidi, DecodesNotesControllersAndIgnoresTheRest)
{
    auto ch = makeChannel();
    ch->midiIn(0x93, 60, 100, 7, true);
    ch->midiIn(0x85, 61, 64, 8, true);
    ch->midiIn(0x90, 62, 0, 9, true);
    ch->midiIn(0xB2, 64, 127, 10, true);
    for (unsigned char status : {0xA0, 0xC0, 0xD0, 0xF0, 0xF8, 0x40})
        ch->midiIn(status, 1, 2, 0, true);

    ASSERT_EQ(ch->midi.size(), 4u);
    EXPECT_EQ(ch->midi[0].kind, fake::MidiCall::NoteOn);
    EXPECT_EQ(ch->midi[0].channel, 3);
    EXPECT_EQ(ch->midi[0].number, 60);
    EXPECT_EQ(ch->midi[0].value, 100 / 127.0f);
    EXPECT_FLOAT_EQ(ch->midi[0].value, 0.787401556968689f);
    EXPECT_EQ(ch->midi[0].time, 7);
    EXPECT_EQ(ch->midi[1].kind, fake::MidiCall::NoteOff);
    EXPECT_EQ(ch->midi[1].value, 64 / 127.0f);
    // A note-on with velocity 0 is a note-off with velocity 1.
    EXPECT_EQ(ch->midi[2].kind, fake::MidiCall::NoteOff);
    EXPECT_EQ(ch->midi[2].value, 1.0f);
    EXPECT_EQ(ch->midi[3].kind, fake::MidiCall::Control);
    EXPECT_EQ(ch->midi[3].number, 64);
    EXPECT_EQ(ch->midi[3].value, 1.0f);
}

TEST(SynthChannelMidi, PitchBendDecodesInSinglePrecision)
{
    auto ch = makeChannel();
    ch->midiIn(0xE0, 0x00, 0x40, 0, true); // centre, 8192
    ch->midiIn(0xE0, 0x00, 0x00, 0, true);
    ch->midiIn(0xE0, 0x7F, 0x7F, 0, true);
    ASSERT_EQ(ch->midi.size(), 3u);
    // The centre is not 0 but 2^-14: 8192 / 16383 rounded to float, doubled, minus 1.
    EXPECT_EQ(ch->midi[0].value, 0.00006103515625f);
    EXPECT_EQ(ch->midi[1].value, -1.0f);
    EXPECT_EQ(ch->midi[2].value, 1.0f);
}

//==============================================================================
TEST(SynthChannelQueue, ActionsApplyOnTheFrameOfTheirTimeInTimeOrder)
{
    auto ch = makeChannel();
    ch->addActionMessage(action(0, 5, 1));
    ch->addActionMessage(action(0, 3, 2));
    fake::renderBlock(*ch, 128);
    EXPECT_EQ(appliedNotes(*ch), (std::vector<NoteAt>{{2, 3}, {1, 5}}));
}

TEST(SynthChannelQueue, EqualTimesKeepTheirArrivalOrder)
{
    auto ch = makeChannel();
    // A note-off and a note-on of one key on one sample stay off-then-on, among other actions
    // arriving out of order.
    ch->addActionMessage(action(9, 20, 0));
    ch->addActionMessage(action(1, 7, 60));
    ch->addActionMessage(action(9, 2, 1));
    ch->addActionMessage(action(0, 7, 60));
    ch->addActionMessage(action(9, 7, 2));
    fake::renderBlock(*ch, 64);
    EXPECT_EQ(appliedNotes(*ch), (std::vector<NoteAt>{{1, 2}, {60, 7}, {60, 7}, {2, 7}, {0, 20}}));
    ASSERT_EQ(ch->applied.size(), 5u);
    EXPECT_EQ(ch->applied[1].message.type, 1);
    EXPECT_EQ(ch->applied[2].message.type, 0);
}

TEST(SynthChannelQueue, SortIsStableOverAFullShuffledQueue)
{
    auto ch = makeChannel();
    // Arrival number in note, times cycling backwards through 0..9.
    for (int k = 0; k < SynthBase::Channel::QueueCapacity; ++k)
        ch->addActionMessage(action(0, 9 - (k * 7) % 10, k), true);
    fake::renderBlock(*ch, 16);
    ASSERT_EQ(ch->applied.size(), static_cast<size_t>(SynthBase::Channel::QueueCapacity));
    for (size_t k = 1; k < ch->applied.size(); ++k)
    {
        const Message& a = ch->applied[k - 1].message;
        const Message& b = ch->applied[k].message;
        ASSERT_TRUE(a.time < b.time || (a.time == b.time && a.note < b.note)) << k;
        ASSERT_EQ(ch->applied[k].offset, b.time);
    }
}

TEST(SynthChannelQueue, LateActionsApplyOnTheBlocksLastFrameInQueueOrder)
{
    auto ch = makeChannel();
    ch->addActionMessage(action(1, 300, 60)); // a note-off past the end of a 128-frame block
    ch->addActionMessage(action(0, 10, 61));
    ch->addActionMessage(action(0, 200, 62));
    ch->addActionMessage(action(0, -4, 63)); // before the block: its first frame
    fake::renderBlock(*ch, 128);
    EXPECT_EQ(appliedNotes(*ch), (std::vector<NoteAt>{{63, 0}, {61, 10}, {62, 127}, {60, 127}}));
}

TEST(SynthChannelQueue, ActionsOfABlockWithoutFramesApplyAtTheNextBlocksStart)
{
    auto ch = makeChannel();
    ch->addActionMessage(action(1, 40, 60));
    fake::renderBlock(*ch, 0);
    EXPECT_TRUE(ch->applied.empty());

    ch->addActionMessage(action(0, 5, 61));
    fake::renderBlock(*ch, 32);
    EXPECT_EQ(appliedNotes(*ch), (std::vector<NoteAt>{{60, 0}, {61, 5}}));
}

TEST(SynthChannelQueue, ActionsQueuedDuringABlockBelongToTheNext)
{
    auto ch = makeChannel();
    ch->prepareForSampleBuffer(0, 16);
    ch->addActionMessage(action(0, 3, 60)); // as the processor's MIDI does
    float frame[2] = {};
    for (unsigned long s = 0; s < 16; ++s)
        ch->getFrame(s, frame);
    EXPECT_TRUE(ch->applied.empty());
    fake::renderBlock(*ch, 16);
    EXPECT_EQ(appliedNotes(*ch), (std::vector<NoteAt>{{60, 3}}));
}

TEST(SynthChannelQueue, The4097thActionIsDropped)
{
    auto ch = makeChannel();
    for (int k = 0; k <= SynthBase::Channel::QueueCapacity; ++k)
        ch->addActionMessage(action(0, 0, k));
    EXPECT_EQ(ch->queuedCount(), SynthBase::Channel::QueueCapacity);
    fake::renderBlock(*ch, 1);
    ASSERT_EQ(ch->applied.size(), static_cast<size_t>(SynthBase::Channel::QueueCapacity));
    EXPECT_EQ(ch->applied.back().message.note, SynthBase::Channel::QueueCapacity - 1);

    // The queue has room again after the block start.
    ch->addActionMessage(action(0, 0, 7));
    fake::renderBlock(*ch, 1);
    EXPECT_EQ(ch->applied.back().message.note, 7);
}

//==============================================================================
TEST(SynthChannelFrame, ANoteStartedAtAnOffsetSoundsFromThatFrame)
{
    auto ch = makeChannel();
    ch->prepareForSampleBuffer(0, 8);
    float frame[2];
    for (unsigned long s = 0; s < 8; ++s)
    {
        if (s == 5)
            ch->strike(60); // what parseActionMessage does at offset 5
        frame[0] = frame[1] = 0.0f;
        ch->getFrame(s, frame);
        EXPECT_EQ(frame[0], s >= 5 ? 1.0f : 0.0f) << s;
    }
}

TEST(SynthChannelFrame, MixesEveryActiveVoiceAndAFinishingVoiceStillSounds)
{
    auto ch = makeChannel();
    ch->strike(60)->level = 0.25f;
    fake::Voice* last = ch->strike(62);
    last->level = 0.5f;
    last->finishNow = true;
    std::vector<float> out = fake::renderBlock(*ch, 2);
    EXPECT_EQ(out[0], 0.75f); // both voices on the first frame
    EXPECT_EQ(out[1], 0.75f);
    EXPECT_EQ(out[2], 0.25f); // the finished one is gone on the next
    EXPECT_EQ(last->isFree, 1);
    EXPECT_EQ(ch->postProcessed, 2);
}

//==============================================================================
struct LockLog
{
    int depth = 0;
    int enters = 0;
    int maxDepth = 0;
    bool unbalanced = false;
};

void logLock(bool lock, void* context)
{
    auto* log = static_cast<LockLog*>(context);
    if (lock)
    {
        ++log->enters;
        log->maxDepth = std::max(log->maxDepth, ++log->depth);
    }
    else if (--log->depth < 0)
    {
        log->unbalanced = true;
    }
}

TEST(SynthChannelLock, TakenOnlyWhenTheCallerDoesNotHoldIt)
{
    LockLog log;
    auto ch = std::make_unique<fake::Channel>(24, &logLock, &log);

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
TEST(SynthChannelParameters, StartFromTheDefaultsAndReportChangesOncePerBlock)
{
    auto ch = makeChannel();
    ASSERT_EQ(ch->changes.size(), 2u); // every default at init
    EXPECT_EQ(ch->changes[0].real.f, 5.0f);
    EXPECT_EQ(ch->changes[1].real.i, 0);
    ch->changes.clear();

    fake::renderBlock(*ch, 4);
    EXPECT_TRUE(ch->changes.empty());

    ch->setParameter(1, 0.5f);
    ch->setParameter(0, 0.2f);
    ch->setParameter(1, 1.0f);
    ch->prepareForSampleBuffer(0, 4);
    ASSERT_EQ(ch->changes.size(), 2u);
    EXPECT_EQ(ch->changes[0].index, 1);
    EXPECT_EQ(ch->changes[0].real.i, 2);
    EXPECT_EQ(ch->changes[1].index, 0);
    EXPECT_EQ(ch->changes[1].real.f, 2.0f);
    ch->prepareForSampleBuffer(0, 4);
    EXPECT_EQ(ch->changes.size(), 2u);
}

TEST(SynthChannelParameters, RampedValuesMoveOncePerFrame)
{
    auto ch = makeChannel();
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

TEST(SynthChannelParameters, OutOfRangeInputIsContained)
{
    auto ch = makeChannel();
    ch->setParameter(0, 7.0f);
    EXPECT_EQ(ch->getParameterReal(0).f, 10.0f);
    ch->setParameter(0, -3.0f);
    EXPECT_EQ(ch->getParameterReal(0).f, 0.0f);
    ch->setParameter(0, std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(ch->getParameterReal(0).f, 0.0f);
    ch->setParameter(99, 0.5f);
    ch->setParameter(-1, 0.5f, 0.1);
    EXPECT_EQ(ch->getParameterReal(99).i, 0);
    EXPECT_EQ(ch->getParameterNormalised(-5), 0.0f);
}

TEST(SynthChannelParameters, SampleRateChangeJumpsRampsToTheirTargets)
{
    auto ch = makeChannel();
    ch->setParameter(0, 0.0f);
    ch->setParameter(0, 1.0f, 1.0);
    fake::renderBlock(*ch, 10);
    ch->setSampleRate(48000.0);
    EXPECT_EQ(ch->getSampleRate(), 48000.0);
    EXPECT_EQ(ch->getParameterReal(0).f, 10.0f);
    EXPECT_EQ(ch->rateChanges, 1);
    ch->setSampleRate(48000.0);
    EXPECT_EQ(ch->rateChanges, 1);
    // Rates that would poison every ramp are refused.
    ch->setSampleRate(0.0);
    ch->setSampleRate(-44100.0);
    ch->setSampleRate(std::numeric_limits<double>::quiet_NaN());
    ch->setSampleRate(std::numeric_limits<double>::infinity());
    EXPECT_EQ(ch->getSampleRate(), 48000.0);
    EXPECT_EQ(ch->rateChanges, 1);
}

} // namespace
