// The formant channel through raw MIDI and rendered frames, as the processor drives it: MIDI
// decoding and the lock, the time-stamped action queue, voice stealing, the sustain pedal, pedal
// chord glide, the note map, out-of-range input and sample rates, and the DC blocker on its output.
// The reference renders pin the rest of its sound.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

#include "ParameterTables.h"
#include "dsp/DCBlocker.h"
#include "dsp/PinkNoise.h"
#include "dsp/TKOsc.h"
#include "dsp/TKRand.h"
#include "formant/FormantChannel.h"
#include "formant/FormantVoice.h"

namespace
{

using P = FormantChannel::ParameterId;
using Message = SynthBase::Channel::ActionMessage;
using NoteAt = std::pair<int32_t, int32_t>; // (note, frame offset)
constexpr double Rate = 44100.0;

/** A formant channel that logs the actions it applies and lets the tests see its voices. */
class ProbeChannel : public FormantChannel
{
public:
    using FormantChannel::FormantChannel;

    /** Type, note and frame offset of an applied action. */
    using Applied = std::array<int32_t, 3>;
    void parseActionMessage(ActionMessage* message) override
    {
        applied.push_back({message->type, message->note, static_cast<int32_t>(currentSample - blockStart)});
        FormantChannel::parseActionMessage(message);
    }

    /** Active voices, newest first. */
    std::vector<FormantVoice*> active() const
    {
        std::vector<FormantVoice*> list;
        for (SynthBase::Voice* v = voicePool.getActiveHead(); v != nullptr; v = v->next)
            list.push_back(static_cast<FormantVoice*>(v));
        return list;
    }
    /** The active voice currently counted as playing note, or null. */
    FormantVoice* voiceOn(int note) const
    {
        for (FormantVoice* v : active())
            if (v->note == note)
                return v;
        return nullptr;
    }
    FormantVoice* newest() const { return static_cast<FormantVoice*>(voicePool.getActiveHead()); }
    SynthBase::Voice* mapped(int note) const { return noteVoices[note]; }
    int32_t queued() const { return incomingCount; }

    std::vector<Applied> applied; // in the order applied
};

/** Holds the shared tables for the suite and seeds the thread's generator per test. */
class FormantChannelTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        TKOSC_Prepare_Buffers();
        PinkNoise_Retain();
    }
    static void TearDownTestSuite()
    {
        PinkNoise_Release();
        TKOSC_Dispose_Buffers();
    }
    void SetUp() override
    {
        TKRand_Seed_This_Thread(1);
        newChannel();
    }

    /** Replaces the channel with a fresh one, without pitch jitter unless a test asks for it. */
    void newChannel(SynthBase::Channel::LockFunction lock = nullptr, void* context = nullptr)
    {
        ch = std::make_unique<ProbeChannel>(lock, context, static_cast<float>(Rate));
        ch->setParameter(P::ParamCordDisturb, 0.0f);
    }

    void noteOn(int note, int velocity = 100, int time = 0)
    {
        ch->midiIn(0x90, static_cast<unsigned char>(note), static_cast<unsigned char>(velocity), time, true);
    }
    void noteOff(int note) { ch->midiIn(0x80, static_cast<unsigned char>(note), 64, 0, true); }
    void pedal(int value) { ch->midiIn(0xB0, 64, static_cast<unsigned char>(value), 0, true); }

    /** Renders frames in blocks as the processor does (each block's frames counted from 0); returns
        interleaved L, R. Zero frames still start one empty block. */
    std::vector<float> render(int frames, int blockSize = 256)
    {
        std::vector<float> out(static_cast<size_t>(frames) * 2, 0.0f);
        int done = 0;
        do
        {
            const int n = std::min(blockSize, frames - done);
            ch->prepareForSampleBuffer(0, n);
            for (int s = 0; s < n; ++s)
                ch->getFrame(static_cast<unsigned long>(s), &out[static_cast<size_t>(done + s) * 2]);
            done += n;
        } while (done < frames);
        return out;
    }

    std::unique_ptr<ProbeChannel> ch;
};

/** An action of a type the channel ignores, told apart by its note. */
constexpr int32_t ActionIgnored = 9;
Message action(int32_t time, int32_t note)
{
    return Message{ActionIgnored, time, note, 0.0, 0.0};
}

//==============================================================================
TEST_F(FormantChannelTest, DecodesMidiAndTakesTheLockWhereTheCallerDoesNotHoldItAndForThePedal)
{
    int lock[2] = {0, 0}; // depth, times taken
    newChannel(
        [](bool take, void* context)
        {
            static_cast<int*>(context)[0] += take ? 1 : -1;
            static_cast<int*>(context)[1] += take ? 1 : 0;
        },
        lock);
    ch->midiIn(0x93, 60, 100, 7, true);
    ch->midiIn(0x85, 61, 64, 8, false); // the caller does not hold the lock
    ch->midiIn(0x90, 62, 0, 9, true);   // velocity 0: a note-off
    ch->midiIn(0xE0, 0x7F, 0x7F, 11, true);
    ch->midiIn(0xB2, 64, 127, 10, true); // the pedal takes it even so
    EXPECT_EQ(lock[1], 2);
    // The block start moves the queue under the lock, and skips it when nothing is queued.
    render(16);
    render(16);
    EXPECT_EQ(lock[1], 3);
    EXPECT_EQ(lock[0], 0);
    EXPECT_EQ(ch->applied, (std::vector<ProbeChannel::Applied>{{FormantChannel::ActionNoteOn, 60, 7},
                                                               {FormantChannel::ActionNoteOff, 61, 8},
                                                               {FormantChannel::ActionNoteOff, 62, 9},
                                                               {FormantChannel::ActionSustainPedal, 0, 10},
                                                               {FormantChannel::ActionPitchbend, 0, 11}}));
}

TEST_F(FormantChannelTest, MalformedInputIsIgnored)
{
    noteOn(200);                        // note byte out of range
    ch->midiIn(0x80, 0xFF, 0, 0, true); // and its note-off
    ch->midiNoteOn(0, -1, 1.0f, 0, true);
    ch->midiNoteOff(0, 128, 1.0f, 0, true);
    // Other messages are ignored; other controllers drive parameters through the processor.
    for (unsigned char status : {0xA0, 0xC0, 0xD0, 0xF0, 0xF8, 0x40})
        ch->midiIn(status, 64, 100, 0, true);
    ch->midiIn(0xB0, 7, 100, 0, true);
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
TEST_F(FormantChannelTest, ActionsApplyOnTheFrameOfTheirTime)
{
    const struct
    {
        const char* what;
        std::vector<Message> queued;
        std::vector<int> blocks; // frames per block; the actions are queued before the first
        std::vector<NoteAt> applied;
    } cases[] = {
        {"in time order", {action(5, 1), action(3, 2)}, {128}, {{2, 3}, {1, 5}}},
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
        std::vector<ProbeChannel::Applied> expected;
        for (const auto& [note, at] : c.applied)
            expected.push_back({ActionIgnored, note, at});
        EXPECT_EQ(ch->applied, expected) << c.what;
    }
}

TEST_F(FormantChannelTest, AFullQueueSortsStablyAndDropsWhatDoesNotFit)
{
    // Arrival number in note, times cycling backwards through 0..9.
    constexpr int capacity = SynthBase::Channel::QueueCapacity;
    for (int k = 0; k <= capacity; ++k)
        ch->addActionMessage(action(9 - (k * 7) % 10, k), true);
    EXPECT_EQ(ch->queued(), capacity);
    render(16);
    const std::vector<ProbeChannel::Applied>& applied = ch->applied;
    ASSERT_EQ(applied.size(), static_cast<size_t>(capacity));
    for (size_t k = 1; k < applied.size(); ++k) // (time, arrival) ascending
        ASSERT_LT(std::make_pair(applied[k - 1][2], applied[k - 1][1]),
                  std::make_pair(applied[k][2], applied[k][1]))
            << k;
}

//==============================================================================
TEST_F(FormantChannelTest, StealsTheOldestReleasedVoiceElseTheOldestHeldAndRestartsIt)
{
    const struct
    {
        const char* what;
        bool pedal;
        std::vector<int> lifted;
        int stolen;    // the note whose voice is taken
        long sounding; // note-on voices afterwards
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
        FormantVoice* v = ch->voiceOn(c.stolen);
        noteOn(100);
        render(1);
        EXPECT_EQ(v->note, 100) << c.what;
        EXPECT_LT(v->getPhase(), 0.01) << c.what << ": restarted, not glided";
        const auto active = ch->active();
        EXPECT_EQ(std::count_if(active.begin(), active.end(), [](FormantVoice* w) { return w->isNoteOn(); }),
                  c.sounding)
            << c.what;

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
        FormantVoice* first = ch->voiceOn(60);
        FormantVoice* other = ch->voiceOn(62);
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

TEST_F(FormantChannelTest, PedalChordGlideMovesTheNearestHeldVoice)
{
    ch->setParameter(P::ParamLegatoState, 1.0f); // real 2
    // With nothing held a new note has no voice to move: silence until the pedal comes up.
    pedal(127);
    render(64);
    noteOn(60);
    for (float s : render(512))
        ASSERT_EQ(s, 0.0f);
    pedal(0);

    for (int note : {60, 64, 67}) // C4 E4 G4, captured by the pedal
        noteOn(note);
    render(64);
    pedal(127);
    render(64);
    FormantVoice* c4 = ch->voiceOn(60);
    FormantVoice* e4 = ch->voiceOn(64);
    FormantVoice* g4 = ch->voiceOn(67);

    noteOn(65); // F4: E4 is one away
    render(64);
    EXPECT_EQ(ch->active().size(), 3u);
    EXPECT_EQ(e4->note, 65);
    EXPECT_EQ(c4->note, 60);
    EXPECT_EQ(g4->note, 67);

    // The glided voice now counts as F4: D4 is two from C4 and three from it.
    noteOn(62);
    render(64);
    EXPECT_EQ(c4->note, 62);
    EXPECT_EQ(e4->note, 65);
    EXPECT_EQ(ch->mapped(64), e4) << "the note map is left alone by the glides";
    EXPECT_EQ(ch->mapped(65), nullptr);

    // A tie goes to the newer voice: G4 and the glided E4 (now F4) are both one from F#4.
    noteOn(66);
    render(64);
    EXPECT_EQ(g4->note, 66);
    EXPECT_EQ(e4->note, 65);
}

//==============================================================================
TEST_F(FormantChannelTest, AKeyWhoseVoiceEndedNeverActsOnItAgain)
{
    // A voice ends while key 60's map entry still names it: moved to 64 by a pedal chord glide and
    // released with the pedal, or ended by itself (sustain level 0) with the key held. The next
    // note takes that voice: key 60's release must not end it, and key 60 struck again must not be
    // handed a free, unrendered voice.
    for (const bool glided : {true, false})
        for (const int next : {70, 60})
        {
            newChannel();
            ch->setSampleRate(48000.0);
            ch->setParameter(P::ParamRelease, 0.0f);
            if (glided)
            {
                ch->setParameter(P::ParamLegatoState, 1.0f); // real 2
                noteOn(60);
                render(512);
                pedal(127);
                noteOn(64);
                render(512);
                noteOff(64);
                pedal(0);
            }
            else
            {
                ch->setParameter(P::ParamSustain, 0.0f);
                ch->setParameter(P::ParamDecay, 0.05f); // real 0.1, about 0.32 s
                noteOn(60);
            }
            render(48000);
            ASSERT_TRUE(ch->active().empty());
            EXPECT_EQ(ch->mapped(60), nullptr) << "the ended voice is unmapped";

            noteOn(next);
            render(512);
            if (next == 70)
                noteOff(60);
            const std::vector<float> out = render(512);
            ASSERT_EQ(ch->active().size(), 1u) << glided << next;
            EXPECT_TRUE(ch->newest()->isNoteOn()) << glided << next;
            EXPECT_EQ(ch->newest()->note, next);
            EXPECT_GT(*std::max_element(out.begin(), out.end()), 1e-3f) << glided << next;
        }
}

//==============================================================================
TEST_F(FormantChannelTest, OutOfRangeParametersAndRampTimesAreContained)
{
    constexpr int volume = FormantChannel::ParamMainVolume; // real 0..1
    for (auto c : std::initializer_list<std::pair<float, float>>{
             {7.0f, 1.0f}, {-3.0f, 0.0f}, {0.5f, 0.5f}, {std::numeric_limits<float>::quiet_NaN(), 0.5f}})
    {
        ch->setParameter(volume, c.first);
        EXPECT_EQ(ch->getParameterReal(volume).f, c.second) << c.first;
    }
    // Changes between two blocks, however many, are each handled once at the next block's start.
    for (int k = 0; k < 1000; ++k)
        ch->setParameter(k % NumParameters, 0.5f, k % 2 == 0 ? 0.1 : -1.0);
    render(1);
    ch->setParameter(99, 0.5f);
    ch->setParameter(-1, 0.5f, 0.1);
    EXPECT_EQ(ch->getParameterReal(99).i, 0);

    // A ramp time that is zero, negative or not finite reaches the value at once, and a ramp of
    // no distance stays put; an integer parameter never passes through the values between.
    const double inf = std::numeric_limits<double>::infinity();
    for (double seconds : {0.0, std::numeric_limits<double>::quiet_NaN(), inf, -inf, -0.5, 1e300})
    {
        ch->setParameter(volume, 0.0f);
        for (int twice = 0; twice < 2; ++twice)
        {
            ch->setParameter(volume, 0.3f, seconds);
            render(4);
            EXPECT_EQ(ch->getParameterReal(volume).f, 0.3f) << seconds;
        }
    }
    ch->setParameter(P::ParamLegatoState, 1.0f, 1.0);
    render(1);
    EXPECT_EQ(ch->getParameterReal(P::ParamLegatoState).i, 2);
}

TEST_F(FormantChannelTest, SampleRatesOutside8kHzTo768kHzAreRefused)
{
    // Given in turn to a channel and a DC blocker at 48 kHz: the rate each then runs at, and the
    // channel's formant filter rate, which follows only rates within 44.1..192 kHz. Refused: too
    // low for the reverb's delay lines, narrowing to a float 0, too large for them, not numbers.
    const double nan = std::numeric_limits<double>::quiet_NaN(),
                 inf = std::numeric_limits<double>::infinity();
    const double rates[][3] = {
        {0.0, 48000, 48000},     {-44100, 48000, 48000}, {195, 48000, 48000},      {1e-300, 48000, 48000},
        {7999, 48000, 48000},    {768001, 48000, 48000}, {1.31e6, 48000, 48000},   {1e300, 48000, 48000},
        {nan, 48000, 48000},     {inf, 48000, 48000},    {8000, 8000, 48000},      {768000, 768000, 48000},
        {200000, 200000, 48000}, {96000, 96000, 96000},  {192000, 192000, 192000},
    };
    DCBlocker blocker(48000.0);
    ch->setSampleRate(48000.0);
    // A rate change ends ramps on their targets.
    ch->setParameter(FormantChannel::ParamMainVolume, 1.0f, 1.0);
    render(10);
    for (const auto& r : rates)
    {
        ch->setSampleRate(r[0]);
        blocker.setSampleRate(r[0]);
        EXPECT_EQ(ch->getSampleRate(), r[1]) << r[0];
        EXPECT_EQ(blocker.getSampleRate(), r[1]) << r[0];
        EXPECT_EQ(ch->getFilterSampleRate(), r[2]) << r[0];
    }
    EXPECT_EQ(ch->getParameterReal(FormantChannel::ParamMainVolume).f, 1.0f);

    // Each channel has its own filter rate, from the rate it is built at; one built at a rate it
    // refuses runs at 44.1 kHz.
    EXPECT_EQ(ProbeChannel(nullptr, nullptr, 96000.0f).getFilterSampleRate(), 96000.0);
    EXPECT_EQ(ProbeChannel(nullptr, nullptr, 22050.0f).getFilterSampleRate(), 44100.0);
    EXPECT_EQ(ProbeChannel(nullptr, nullptr, 1e-30f).getSampleRate(), 44100.0);
    EXPECT_EQ(ch->getFilterSampleRate(), 192000.0);
}

//==============================================================================
TEST(DCBlocker, TakesOutAnOffsetAndLeavesEverythingFrom40HzUpWithinATenthOfADecibel)
{
    // One second settles (the time constant is 32 ms); the next, whole cycles of each tone, is measured.
    for (const int rate : {44100, 192000})
        for (const double hz : {0.0, 40.0, 80.0, 160.0, 640.0, 2560.0, 10000.0})
        {
            std::vector<float> x(static_cast<size_t>(2 * rate));
            for (size_t i = 0; i < x.size(); ++i)
                x[i] = hz == 0.0 ? 0.5f : static_cast<float>(0.5 * std::sin(2.0 * M_PI * hz * i / rate));
            const std::vector<float> before = x;
            DCBlocker blocker(48000.0);
            blocker.setSampleRate(rate);
            blocker.process(x.data(), static_cast<int>(x.size()));
            double in = 0.0, out = 0.0;
            for (size_t i = x.size() / 2; i < x.size(); ++i)
            {
                in += double(before[i]) * before[i];
                out += double(x[i]) * x[i];
            }
            const double dB = 10.0 * std::log10(out / in);
            if (hz == 0.0)
                EXPECT_LT(dB, -40.0) << rate;
            else
                EXPECT_LT(std::abs(dB), 0.1) << hz << " Hz at " << rate;
        }
}

} // namespace
