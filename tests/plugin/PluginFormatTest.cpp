// The plug-in as hosts drive it, in-process and as the built VST3, LV2 and VST2 binaries,
// observed through real rendered audio and real state.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <numeric>
#include <thread>

#include <gtest/gtest.h>

#include "ParameterTables.h"
#include "Vst2Host.h"
#include "dsp/TKRand.h"
#include "formant/FormantChannel.h"

namespace
{
using C = FormantChannel;
constexpr int B = testBlockSize;
const float NaN = std::numeric_limits<float>::quiet_NaN();
const float inf = std::numeric_limits<float>::infinity();

/** MIDI note 57 (A3, 220 Hz). */
constexpr int testNote = 57;

/** testNote struck at velocity 127 at the start of block 0, then `more`. */
std::vector<Midi> noteAnd(std::vector<Midi> more = {})
{
    more.insert(more.begin(), Midi{0, 0, 0x90, testNote, 127});
    return more;
}

double rms(const std::vector<float>& samples, size_t begin, size_t end)
{
    double sum = 0.0;
    for (size_t i = begin; i < end; ++i)
        sum += (double)samples[i] * samples[i];
    return std::sqrt(sum / (double)(end - begin));
}

/** Root mean square of the left channel over blocks [from, to). */
double levelOf(const Recording& recording, int from, int to)
{
    return rms(recording.left, (size_t)from * B, (size_t)to * B);
}

/** True when samples [begin, end) only fall away: each no larger than the one before it and of
    the same sign, or zero. Once the engine falls silent, the DC blocker still lets the offset it
    was taking out decay like this for a moment; anything that sounds would rise again. */
bool onlyDecays(const std::vector<float>& samples, size_t begin, size_t end)
{
    for (size_t i = begin; i < end; ++i)
        if (std::abs(samples[i]) > std::abs(samples[i - 1]) ||
            (samples[i] != 0.0f && std::signbit(samples[i]) != std::signbit(samples[i - 1])))
            return false;
    return true;
}

bool allFinite(const Recording& recording)
{
    auto finite = [](float s) { return std::isfinite(s); };
    return std::all_of(recording.left.begin(), recording.left.end(), finite) &&
           std::all_of(recording.right.begin(), recording.right.end(), finite);
}

/** Normalised autocorrelation of samples [begin, end) at the period of `frequency` (Hz): near 1
    when the signal repeats at that period, low at half its own. */
double periodicity(const std::vector<float>& samples, size_t begin, size_t end, double frequency)
{
    const auto lag = (size_t)std::lround(testSampleRate / frequency);
    double product = 0.0, energyA = 0.0, energyB = 0.0;
    for (size_t i = begin; i + lag < end; ++i)
    {
        product += (double)samples[i] * samples[i + lag];
        energyA += (double)samples[i] * samples[i];
        energyB += (double)samples[i + lag] * samples[i + lag];
    }
    return product / std::sqrt(energyA * energyB);
}

/** A clean voice for pitch tests: no noise, no jitter, instant attack and release,
    no glide, wide bend range. */
std::unique_ptr<Player> plainVoice(const std::string& format)
{
    auto player = makePlayer(format);
    const std::pair<int, float> plain[] = {
        {C::ParamAttack, 0.0f},   {C::ParamRelease, 0.0f},       {C::ParamSustain, 1.0f},
        {C::ParamTonality, 1.0f}, {C::ParamCordDisturb, 0.0f},   {C::ParamTurnIn, 0.0f},
        {C::ParamTurnOut, 0.0f},  {C::ParamPitchbendSpan, 1.0f}, {C::ParamStereoSpread, 0.0f}};
    for (const auto& [id, value] : plain)
        if (player != nullptr)
            player->setValue(id, value);
    return player;
}

/** The given floats as the state chunk stores them: little-endian, as this machine. */
std::vector<std::uint8_t> chunkOf(const std::vector<float>& values)
{
    std::vector<std::uint8_t> bytes(values.size() * 4);
    std::memcpy(bytes.data(), values.data(), bytes.size());
    return bytes;
}

class Format : public ::testing::TestWithParam<std::string>
{
};
} // namespace

TEST_P(Format, PitchBendSustainPedalAndControllersReachTheEngine)
{
    // "Pitchbend Span" at 1 is 12 semitones: full bend is an octave up. The host's "Pitchbend"
    // does not bend; only MIDI may.
    auto player = plainVoice(GetParam());
    ASSERT_NE(player, nullptr);
    player->setValue(C::ParamPitchbend, 1.0f);
    const auto bent = player->play(40, noteAnd({{20, 0, 0xE0, 0x7F, 0x7F}}));
    EXPECT_GT(periodicity(bent.left, 4 * B, 20 * B, 220.0), 0.9);
    EXPECT_LT(periodicity(bent.left, 4 * B, 20 * B, 440.0), 0.5);
    EXPECT_GT(periodicity(bent.left, 24 * B, 40 * B, 440.0), 0.9);

    // The pedal holds a note released at block 6.
    for (bool pedal : {false, true})
    {
        auto midi = noteAnd({{6, 0, 0x80, testNote, 0}});
        if (pedal)
            midi.push_back({2, 0, 0xB0, 64, 127});
        auto instance = plainVoice(GetParam());
        ASSERT_NE(instance, nullptr);
        const auto out = instance->play(24, midi);
        EXPECT_GT(levelOf(out, 3, 6), 1e-3);
        EXPECT_TRUE(pedal ? levelOf(out, 12, 24) > 1e-3 : onlyDecays(out.left, 12 * B, 24 * B)) << pedal;
    }

    // Controller 7 at 0 mutes "Main Volume" from the block after the one carrying it: that block
    // still sounds whole; after the next one's first frame only the DC blocker's offset dies away.
    player = plainVoice(GetParam());
    ASSERT_NE(player, nullptr);
    const auto muted = player->play(8, noteAnd({{4, 10, 0xB0, 7, 0}}));
    EXPECT_FALSE(onlyDecays(muted.left, 4 * B + 10, 5 * B));
    EXPECT_TRUE(onlyDecays(muted.left, 5 * B + 1, 8 * B));
}

TEST_P(Format, StartsAtTheDefaultsAndRoundTripsStateWithHostNaNsRefusedAndInfinitiesClamped)
{
    auto source = makePlayer(GetParam());
    ASSERT_NE(source, nullptr);
    // A NaN keeps the previous value ("Stereo Spread" is the reverb's wet level too: a NaN there
    // would reach every sample).
    std::vector<float> expected;
    for (int id = 0; id < NumParameters; ++id)
    {
        EXPECT_FLOAT_EQ(source->value(id), ParameterDefaultValues[id]) << ParameterNames[id];
        expected.push_back((float)(id + 1) / 23.0f);
        source->setValue(id, expected.back());
    }
    source->play(1, {});
    for (int id = 0; id < NumParameters; ++id)
        source->setValue(id, NaN);
    source->setValue(C::ParamTonality, inf);
    source->setValue(C::ParamTurnIn, -inf);
    expected[C::ParamTonality] = 1.0f;
    expected[C::ParamTurnIn] = 0.0f;
    const auto out = source->play(12, noteAnd());
    EXPECT_TRUE(allFinite(out));
    EXPECT_GT(levelOf(out, 2, 12), 1e-3);
    EXPECT_GT(rms(out.right, 2 * B, 12 * B), 1e-3);
    EXPECT_NE(out.left, out.right);

    const auto state = source->state();
    if (GetParam() == "Processor" || GetParam() == "VST2")
    {
        EXPECT_EQ(state, chunkOf(expected)) << "the 68-byte chunk";
    }
    auto restored = makePlayer(GetParam());
    ASSERT_NE(restored, nullptr);
    restored->restore(state);
    restored->play(1, {});
    for (int id = 0; id < NumParameters; ++id)
        EXPECT_FLOAT_EQ(restored->value(id), expected[id]) << ParameterNames[id];
}

TEST_P(Format, ShowsValuesWithTwoDecimalsAndReadsTypedTextBack)
{
    if (GetParam() == "LV2")
        GTEST_SKIP() << "LV2 leaves a value's text to the host";
    auto player = makePlayer(GetParam());
    ASSERT_NE(player, nullptr);
    EXPECT_EQ(player->text(C::ParamAttack), "0.11");
    // What controller 7 at 64 sets stays unrounded.
    player->setValue(C::ParamMainVolume, 64.0f / 127.0f);
    EXPECT_EQ(player->value(C::ParamMainVolume), 64.0f / 127.0f);
    EXPECT_EQ(player->text(C::ParamMainVolume), "0.50");
    player->type(C::ParamMainVolume, "0.5");
    EXPECT_EQ(player->value(C::ParamMainVolume), 0.5f);
}

INSTANTIATE_TEST_SUITE_P(Formats, Format, ::testing::Values("Processor", "VST3", "LV2", "VST2"),
                         [](const auto& info) { return info.param; });

TEST(Processor, ControllersDriveTheirMappedParametersOnly)
{
    // Every controller on MIDI channel 4, each with its own number as the value.
    std::vector<Midi> midi;
    for (std::uint8_t cc = 0; cc < 128; ++cc)
        midi.push_back({0, cc, 0xB3, cc, cc});
    auto player = makePlayer("Processor");
    player->play(1, midi);
    for (int id = 0; id < NumParameters; ++id)
    {
        const int cc = ParameterMIDIMapping[id];
        EXPECT_EQ(player->value(id), cc >= 0 ? (float)cc / 127.0f : ParameterDefaultValues[id])
            << ParameterNames[id];
    }
}

TEST(Processor, StateChunksOfAnyLengthOrContentGiveValuesInRange)
{
    auto partial = chunkOf({0.25f, 0.5f});
    partial.push_back(0x12); // a partial third value
    // NaN becomes the default (-1 here), anything else is clamped to 0..1; missing values read 0.
    const struct
    {
        std::vector<std::uint8_t> chunk;
        std::vector<float> values;
    } cases[] = {
        {partial, {0.25f, 0.5f}},
        {{}, {}},
        {chunkOf(std::vector<float>(NumParameters + 3, 0.75f)), std::vector<float>(NumParameters, 0.75f)},
        {chunkOf(
             {NaN, inf, -inf, 5.0f, -1.0f, 1e-30f, NaN, NaN, NaN, NaN, NaN, NaN, NaN, -NaN, 0.5f, NaN, NaN}),
         {-1, 1, 0, 1, 0, 1e-30f, -1, -1, -1, -1, -1, -1, -1, -1, 0.5f, -1, -1}},
    };
    for (const auto& c : cases)
    {
        auto player = makePlayer("Processor");
        for (int id = 0; id < NumParameters; ++id)
            player->setValue(id, 0.3f); // a NaN in the chunk gives the default, not the value before
        player->restore(c.chunk);
        for (size_t id = 0; id < NumParameters; ++id)
        {
            const float v = id < c.values.size() ? c.values[id] : 0.0f;
            EXPECT_EQ(player->value((int)id), v < 0.0f ? ParameterDefaultValues[id] : v)
                << c.chunk.size() << " bytes: " << ParameterNames[id];
        }
        EXPECT_TRUE(allFinite(player->play(4, noteAnd())));
    }
}

TEST(Processor, KeepsPlayingAtAbsurdHostRates)
{
    for (double rate : {100.0, 195.0, 1e-300, 1.31e6, 1e300, std::numeric_limits<double>::quiet_NaN()})
    {
        const auto out = makePlayer("Processor", rate)->play(8, noteAnd());
        EXPECT_TRUE(allFinite(out)) << rate;
        EXPECT_GT(levelOf(out, 1, 8), 1e-3) << rate;
    }
}

TEST(Processor, OtherInstancesNeverChangeAnInstancesSound)
{
    // With `others`, before every block another instance is created, prepared at another rate
    // and destroyed, on a thread of its own, as a host scanning plug-ins does.
    auto play = [](bool others)
    {
        TKRand_Seed_This_Thread(1);
        auto player = makePlayer("Processor", 48000.0);
        std::vector<float> out; // each block's left, then its right channel
        for (int b = 0; b < 12; ++b)
        {
            if (others)
                std::thread([b] { makePlayer("Processor", b % 2 == 0 ? 96000.0 : 44100.0); }).join();
            const auto block = player->play(1, b == 0 ? noteAnd() : std::vector<Midi>());
            out.insert(out.end(), block.left.begin(), block.left.end());
            out.insert(out.end(), block.right.begin(), block.right.end());
        }
        return out;
    };
    const auto alone = play(false);
    EXPECT_GT(rms(alone, 4 * B, 24 * B), 1e-3);
    EXPECT_TRUE(alone == play(true));
}

TEST(Processor, OutputIsFreeOfDcAndItsTailEndsInExactZeros)
{
    // 24 held notes, then released: the glottal pulse sits near +1 for most of each cycle, and the
    // reverb piled that up into an offset of about -0.1. With the reverb's wet path on and off the
    // tail must end in exact zeros, neither the blocker's decay nor the reverb's rounding trailing
    // off into a stream of tiny values.
    constexpr int releaseBlock = 460, numBlocks = 880;
    constexpr int from = 172 * B, to = releaseBlock * B; // 2 s after the notes
    std::vector<Midi> midi;
    for (std::uint8_t k = 0; k < 24; ++k)
        midi.insert(midi.end(), {{0, k, 0x90, (std::uint8_t)(36 + 2 * k), 100},
                                 {releaseBlock, 0, 0x80, (std::uint8_t)(36 + 2 * k), 0}});
    for (const float spread : {ParameterDefaultValues[C::ParamStereoSpread], 0.0f})
    {
        TKRand_Seed_This_Thread(1); // the voices' vibrato and wobble rates come from it
        auto player = makePlayer("Processor");
        player->setValue(C::ParamStereoSpread, spread);
        const auto out = player->play(numBlocks, midi);
        for (const auto* channel : {&out.left, &out.right})
        {
            const double mean =
                std::accumulate(channel->begin() + from, channel->begin() + to, 0.0) / (to - from);
            EXPECT_LT(std::abs(mean), 1e-4) << "spread " << spread << ", RMS " << rms(*channel, from, to);
            const auto last =
                std::find_if(channel->rbegin(), channel->rend(), [](float x) { return x != 0.0f; });
            EXPECT_LT(channel->rend() - last, (numBlocks - 40) * B)
                << "spread " << spread << ": the tail never ends";
        }
    }
}

TEST(Vst2, ReportsTheTovkaIdentityAndTwoActiveStereoOutputs)
{
    Vst2Host host;
    ASSERT_TRUE(host.open());
    const auto* e = host.effect;
    EXPECT_EQ(host.stringOf(effGetEffectName) + ", " + host.stringOf(effGetVendorString), "Tovka, Orvalunde");
    EXPECT_TRUE(host.dispatch(effGetPlugCategory) == kPlugCategSynth && (e->flags & effFlagsIsSynth));
    EXPECT_EQ(std::vector<int>({e->uniqueID, e->version, e->numInputs, e->numOutputs, e->numParams}),
              std::vector<int>({fourCharCode("Tovk"), 103, 0, 2, NumParameters}));

    // The first output is marked as the first of a stereo pair; both are active with a stereo
    // speaker arrangement. The flag values are the interface's, which fst names but gives 0.
    constexpr int active = 1, stereo = 2, speaker = 4;
    const int pinFlags[] = {active | stereo | speaker, active | speaker, 0};
    for (int pin = 0; pin < 3; ++pin)
    {
        // fst's structure lacks the interface's 48 reserved bytes at its end, and the plug-in
        // writes a nine-byte short label into eight: give it the interface's whole size.
        struct
        {
            VstPinProperties properties;
            char reserved[48];
        } buffer = {};
        EXPECT_EQ(host.dispatch(effGetOutputProperties, pin, 0, &buffer), pin < 2 ? 1 : 0) << pin;
        EXPECT_EQ(buffer.properties.flags, pinFlags[pin]) << pin;
        EXPECT_EQ(buffer.properties.arrangementType, pin < 2 ? kSpeakerArrStereo : kSpeakerArrEmpty) << pin;
    }
}
