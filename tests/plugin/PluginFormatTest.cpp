// The plug-in as hosts drive it, in-process and as the built VST3, LV2 and VST2 binaries,
// observed through real rendered audio and real state.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <numeric>

#include <gtest/gtest.h>

#include "ParameterTables.h"
#include "PluginTestSupport.h"
#include "dsp/TKRand.h"
#include "formant/FormantChannel.h"

namespace
{
using C = FormantChannel;
constexpr int B = testBlockSize;
const float NaN = std::numeric_limits<float>::quiet_NaN();
const float inf = std::numeric_limits<float>::infinity();

/** MIDI note 57 (A3, 220 Hz) struck at velocity 127 at the start of block 0. */
constexpr Midi note{0, 0, 0x90, 57, 127};

/** Root mean square of both channels over blocks [from, to); NaN when a sample is not finite. */
double level(const Recording& r, int from, int to)
{
    double sum = 0.0;
    for (const auto* samples : {&r.left, &r.right})
        for (int i = from * B; i < to * B; ++i)
            sum += std::isfinite((*samples)[i]) ? (double)(*samples)[i] * (*samples)[i] : NaN;
    return std::sqrt(sum / (2.0 * (to - from) * B));
}

/** Samples [begin, end) only fall towards zero, as the DC blocker's offset does once all is silent. */
bool onlyDecays(const std::vector<float>& samples, int begin, int end)
{
    for (int i = begin; i < end; ++i)
        if (std::abs(samples[i]) > std::abs(samples[i - 1]) ||
            (samples[i] != 0.0f && std::signbit(samples[i]) != std::signbit(samples[i - 1])))
            return false;
    return true;
}

/** Autocorrelation over blocks [from, to) at the period of `frequency`: near 1 when it repeats so. */
double periodicity(const std::vector<float>& samples, int from, int to, double frequency)
{
    const int lag = (int)std::lround(testSampleRate / frequency);
    double product = 0.0, energyA = 0.0, energyB = 0.0;
    for (int i = from * B; i + lag < to * B; ++i)
    {
        product += (double)samples[i] * samples[i + lag];
        energyA += (double)samples[i] * samples[i];
        energyB += (double)samples[i + lag] * samples[i + lag];
    }
    return product / std::sqrt(energyA * energyB);
}

/** A clean voice: no noise or jitter, instant attack and release, an octave's bend range. */
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

using Format = ::testing::TestWithParam<std::string>;
} // namespace

TEST_P(Format, PitchBendSustainPedalAndControllersReachTheEngine)
{
    // A full bend is an octave up; the host's "Pitchbend" does not bend, only MIDI does.
    auto player = plainVoice(GetParam());
    ASSERT_NE(player, nullptr);
    player->setValue(C::ParamPitchbend, 1.0f);
    const auto bent = player->play(40, {note, {20, 0, 0xE0, 0x7F, 0x7F}});
    EXPECT_GT(periodicity(bent.left, 4, 20, 220.0), 0.9);
    EXPECT_LT(periodicity(bent.left, 4, 20, 440.0), 0.5);
    EXPECT_GT(periodicity(bent.left, 24, 40, 440.0), 0.9);

    // The pedal holds a note released at block 6.
    for (bool pedal : {false, true})
    {
        const std::uint8_t down = pedal ? 127 : 0;
        const auto out =
            plainVoice(GetParam())->play(24, {note, {2, 0, 0xB0, 64, down}, {6, 0, 0x80, 57, 0}});
        EXPECT_GT(level(out, 3, 6), 1e-3);
        EXPECT_TRUE(pedal ? level(out, 12, 24) > 1e-3 : onlyDecays(out.left, 12 * B, 24 * B)) << pedal;
    }

    // Controller 7 at 0 mutes "Main Volume" from the block after the one carrying it: that block
    // sounds whole; after the next one's first frame only the DC blocker's offset dies away.
    const auto muted = plainVoice(GetParam())->play(8, {note, {4, 10, 0xB0, 7, 0}});
    EXPECT_FALSE(onlyDecays(muted.left, 4 * B + 10, 5 * B));
    EXPECT_TRUE(onlyDecays(muted.left, 5 * B + 1, 8 * B));
}

TEST_P(Format, StartsAtTheDefaultsAndRoundTripsStateWithHostNaNsRefusedAndInfinitiesClamped)
{
    auto source = makePlayer(GetParam());
    ASSERT_NE(source, nullptr);
    std::vector<float> expected;
    for (int id = 0; id < NumParameters; ++id)
    {
        EXPECT_FLOAT_EQ(source->value(id), ParameterDefaultValues[id]) << ParameterNames[id];
        expected.push_back((float)(id + 1) / 23.0f);
        source->setValue(id, expected.back());
    }
    source->play(1, {});
    // A NaN keeps the previous value ("Stereo Spread", the reverb's wet level, would reach every sample).
    for (int id = 0; id < NumParameters; ++id)
        source->setValue(id, NaN);
    source->setValue(C::ParamTonality, inf);
    source->setValue(C::ParamTurnIn, -inf);
    expected[C::ParamTonality] = 1.0f;
    expected[C::ParamTurnIn] = 0.0f;
    const auto out = source->play(12, {note});
    EXPECT_GT(level(out, 0, 12), 1e-3);
    EXPECT_NE(out.left, out.right);

    // The 68-byte chunk is the whole state in-process, the end of the bank JUCE's VST host wraps it in.
    const auto state = source->state();
    const auto skip = GetParam() == "VST2" ? std::max(0, (int)state.size() - 68) : 0;
    if (GetParam() == "Processor" || GetParam() == "VST2")
    {
        EXPECT_EQ(std::vector<std::uint8_t>(state.begin() + skip, state.end()), chunkOf(expected));
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

TEST(Processor, ControllersDriveTheirMappedParametersOnlyAndNothingAllocates)
{
    // All 128 notes struck (more than the voices) and bent, then every controller on MIDI channel 4
    // with its own number as the value (the pedal goes down), then the notes released: no allocation.
    std::vector<Midi> midi;
    for (std::uint8_t k = 0; k < 128; ++k)
        midi.insert(midi.end(), {{1 + k % 3, 3 * k, 0x90, k, (std::uint8_t)(1 + k)},
                                 {2, 4 * k, 0xE0, k, k},
                                 {4, k, 0xB3, k, k},
                                 {5, k, 0x80, k, 0}});
    midi.push_back({7, 0, 0xB0, 64, 0});
    auto player = makePlayer("Processor");
    const auto out = player->play(10, midi);
    EXPECT_EQ(out.allocations, 0);
    EXPECT_GT(level(out, 2, 6), 1e-3) << "it must sound to mean anything";
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
    const std::pair<std::vector<std::uint8_t>, std::vector<float>> cases[] = {
        {partial, {0.25f, 0.5f}},
        {{}, {}},
        {chunkOf(std::vector<float>(NumParameters + 3, 0.75f)), std::vector<float>(NumParameters, 0.75f)},
        {chunkOf(
             {NaN, inf, -inf, 5.0f, -1.0f, 1e-30f, NaN, NaN, NaN, NaN, NaN, NaN, NaN, -NaN, 0.5f, NaN, NaN}),
         {-1, 1, 0, 1, 0, 1e-30f, -1, -1, -1, -1, -1, -1, -1, -1, 0.5f, -1, -1}},
    };
    for (const auto& [chunk, values] : cases)
    {
        auto player = makePlayer("Processor");
        for (int id = 0; id < NumParameters; ++id)
            player->setValue(id, 0.3f); // a NaN in the chunk gives the default, not the value before
        player->restore(chunk);
        for (size_t id = 0; id < NumParameters; ++id)
        {
            const float v = id < values.size() ? values[id] : 0.0f;
            EXPECT_EQ(player->value((int)id), v < 0.0f ? ParameterDefaultValues[id] : v)
                << chunk.size() << " bytes: " << ParameterNames[id];
        }
        EXPECT_GE(level(player->play(4, {note}), 0, 4), 0.0) << "not finite";
    }
}

TEST(Processor, KeepsPlayingAtAbsurdHostRates)
{
    for (double rate : {100.0, 195.0, 1e-300, 1.31e6, 1e300, std::numeric_limits<double>::quiet_NaN()})
    {
        EXPECT_GT(level(makePlayer("Processor", rate)->play(8, {note}), 0, 8), 1e-3) << rate;
    }
}

TEST(Processor, OutputIsFreeOfDcAndItsTailEndsInExactZeros)
{
    // 24 held notes pile the glottal pulse's offset up in the reverb; with its wet path on and off,
    // the mean stays near zero and the tail after the release ends in exact zeros.
    constexpr int releaseBlock = 460, numBlocks = 880;
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
            // From 2 s after the notes start to their release.
            const auto from = channel->begin() + 172 * B, to = channel->begin() + releaseBlock * B;
            EXPECT_LT(std::abs(std::accumulate(from, to, 0.0) / (double)(to - from)), 1e-4) << spread;
            const auto last =
                std::find_if(channel->rbegin(), channel->rend(), [](float x) { return x != 0.0f; });
            EXPECT_LT(channel->rend() - last, (numBlocks - 40) * B) << spread << ": the tail never ends";
        }
    }
}

std::vector<int> vst2EffectNumbers(void* effect); // Vst2Effect.cpp

TEST(Vst2, ReportsTheTovkaIdentityAndTwoActiveStereoOutputs)
{
    auto player = makePlayer("VST2", testSampleRate, false); // the pins before a host arranges them
    ASSERT_NE(player, nullptr);
    struct : juce::ExtensionsVisitor
    {
        void visitVSTClient(const VSTClient& client) override { effect = client.getAEffectPtr(); }
        void* effect = nullptr;
    } vst;
    auto& instance = dynamic_cast<juce::AudioPluginInstance&>(*player->processor);
    instance.getExtensions(vst);
    const auto d = instance.getPluginDescription();
    EXPECT_EQ(d.descriptiveName + ", " + d.manufacturerName + ", " + d.category, "Tovka, Orvalunde, Synth");
    // JUCE's VST host makes one stereo output bus of the pins.
    EXPECT_EQ(instance.getBusesLayout().outputBuses, juce::Array(juce::AudioChannelSet::stereo()));
    // Pins 0 and 1: one active stereo pair (flags active 1, stereo 2, speaker 4; stereo 1, empty -1).
    EXPECT_EQ(vst2EffectNumbers(vst.effect), std::vector<int>({0x546f766b /* 'Tovk' */, 103, 1, 0, 2,
                                                               NumParameters, 1, 7, 1, 1, 5, 1, 0, 0, -1}));
}
