// Bit-exact renders of the formant channel driven as the processor drives it, on every vector path, with
// the audio thread's allocations counted. The hashes hold for glibc's FMA/AVX2 libm on x86-64 (elsewhere
// only their comparison is skipped); after a deliberate change of the sound, take those printed by
//     TOVKA_PRINT_REFERENCE_HASHES=1 ./tests/engine/tovka_engine_tests --gtest_filter='*ReferenceRender*'

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "CountingAllocator.h"
#include "ParameterTables.h"
#include "dsp/PinkNoise.h"
#include "dsp/TKOsc.h"
#include "dsp/TKRand.h"
#include "formant/FormantChannel.h"
#include "formant/FormantFilterBank.h"

namespace
{

using P = FormantChannel::ParameterId;
using Path = FormantFilterBank::Path;

/** A render: sample rate, length, block sizes (cycled), the thread's TKRand seed, hash and script. */
struct Scenario
{
    /** Parameters and rates apply at the start of the frame's block; MIDI (and a mapped controller's
        parameter), queued in that block, from the next one, as in the processor. */
    struct Event
    {
        int frame, kind, a, b; // kind: a MIDI status (a, b its data) or Param, Ramp, Rate (a the id)
        double value, seconds; // normalised, or the sample rate; a ramp's time
    };
    static constexpr int Param = 0, Ramp = 1, Rate = 2;

    Scenario& on(int frame, int note, int velocity) { return add({frame, 0x90, note, velocity, 0, 0}); }
    Scenario& off(int frame, int note) { return add({frame, 0x80, note, 64, 0, 0}); }
    Scenario& pedal(int frame, int value) { return controller(frame, 64, value); }
    Scenario& controller(int frame, int cc, int value) { return add({frame, 0xB0, cc, value, 0, 0}); }
    /** value 0..16383, 8192 the centre. */
    Scenario& bend(int frame, int value) { return add({frame, 0xE0, value & 127, value >> 7, 0, 0}); }
    Scenario& param(int frame, int id, float value) { return add({frame, Param, id, 0, value, 0}); }
    Scenario& ramp(int frame, int id, float value, double s) { return add({frame, Ramp, id, 0, value, s}); }
    Scenario& rate(int frame, double sampleRate) { return add({frame, Rate, 0, 0, sampleRate, 0}); }
    Scenario& add(const Event& e)
    {
        events.push_back(e);
        return *this;
    }

    const char* name;
    double sampleRate;
    int frames;
    std::vector<int> blockSizes;
    unsigned seed;
    uint64_t hash; // of the reference render
    std::vector<Event> events;
};

const std::vector<Scenario>& scenarios()
{
    static const std::vector<Scenario> list = []
    {
        std::vector<Scenario> l;
        auto add = [&l](const char* name, double rate, int frames, std::vector<int> blocks, unsigned seed,
                        uint64_t hash) -> Scenario& {
            return l.emplace_back(Scenario{name, rate, frames, std::move(blocks), seed, hash, {}});
        };

        // Two long notes with vibrato, past the glottal phase's whole-cycle reduction, then their tails.
        Scenario& longNotes = add("LongNotesWithVibrato", 44100.0, 300000, {512}, 11, 0x17d82814083d5d8aull);
        longNotes.on(0, 57, 90).on(100, 64, 30).off(200000, 57).off(210000, 64);

        // Legato (mode 1): overlapping notes glide one voice, a gap starts a fresh one.
        Scenario& legato = add("LegatoGlides", 48000.0, 96000, {256}, 22, 0x524362d67e087b75ull);
        legato.param(0, P::ParamLegatoState, 0.5f);
        legato.on(0, 60, 100).on(6000, 67, 40).off(6100, 60).on(12000, 55, 127).off(12050, 67);
        legato.param(14000, P::ParamLegatoFreqTime, 0.4f).param(14000, P::ParamLegatoFormantTime, 0.02f);
        legato.on(18000, 72, 70).off(18000, 55).off(30000, 72).param(40000, P::ParamTurnIn, 0.0f);
        legato.on(42000, 48, 20).on(50000, 50, 110).off(50001, 48).on(60000, 53, 64).off(60000, 50);
        legato.off(80000, 53);

        // Pedal chord glide (mode 2): new notes glide the nearest voice of a chord the pedal holds.
        Scenario& chord = add("PedalChordGlide", 44100.0, 88200, {300, 212}, 33, 0x402924bb1cc3b936ull);
        chord.param(0, P::ParamLegatoState, 1.0f);
        chord.on(0, 60, 80).on(10, 64, 90).on(20, 67, 100).pedal(4000, 127);
        chord.off(5000, 60).off(5000, 64).off(5000, 67);
        chord.on(10000, 65, 50).on(20000, 62, 120).on(30000, 71, 30).on(30000, 59, 60);
        chord.pedal(50000, 0).on(52000, 76, 90).off(70000, 76);

        // Pitch bend sweeps and jumps at 96 kHz with two spans, the centre (2^-14, not 0) and both ends.
        Scenario& bends = add("PitchBends", 96000.0, 144000, {128}, 44, 0x2672b7c32a04a62dull);
        bends.on(0, 57, 100).on(0, 69, 60);
        for (int k = 0; k < 64; ++k)
            bends.bend(20000 + k * 400, 8192 + k * 128 - (k > 48 ? 6000 : 0));
        bends.bend(50000, 8192).param(52000, P::ParamPitchbendSpan, 0.5f).bend(56000, 0);
        bends.bend(70000, 16383).bend(80000, 8192).off(100000, 57).bend(104000, 2000).off(110000, 69);

        // More notes than voices, the pedal, restrikes, irregular blocks; the notes from our own generator.
        Scenario& many =
            add("ManyVoicesWithStealing", 44100.0, 88200, {512, 100, 37, 1024}, 55, 0x30978f6630c21445ull);
        uint32_t lcg = 7;
        auto below = [&lcg](int n)
        {
            lcg = lcg * 1664525u + 1013904223u;
            return static_cast<int>((lcg >> 8) % static_cast<uint32_t>(n));
        };
        // The velocity is drawn before the key (arguments are evaluated in no fixed order).
        auto randomNote = [&](int frame)
        {
            const int velocity = 1 + below(127);
            many.on(frame, 36 + below(48), velocity);
        };
        for (int k = 0; k < 32; ++k)
            randomNote(k * 300);
        for (int k = 0; k < 12; ++k)
            many.off(12000 + k * 500, 36 + below(48));
        many.pedal(20000, 100);
        for (int k = 0; k < 10; ++k)
            randomNote(22000 + k * 700);
        for (int k = 0; k < 48; ++k)
            many.off(30000 + k * 100, 36 + k);
        many.pedal(40000, 0);
        many.on(45000, 60, 127).on(45000, 60, 5).on(50000, 61, 64).off(60000, 61).off(60000, 60);

        // Parameter jumps and ramps while notes sound.
        Scenario& params = add("ParameterChangesAndRamps", 48000.0, 120000, {480}, 66, 0xe8b586080fca1f30ull);
        params.param(0, P::ParamAttack, 0.02f).param(0, P::ParamRelease, 0.05f);
        params.on(0, 52, 100).on(500, 59, 45).on(1000, 64, 127).on(1500, 71, 10);
        params.param(8000, P::ParamFormantQ, 0.6f).param(12000, P::ParamFormantGain, 0.1f);
        params.ramp(16000, P::ParamFormantQ, 0.05f, 0.3).ramp(16000, P::ParamFormantGain, 1.0f, 0.5);
        params.param(30000, P::ParamTonality, 0.2f).ramp(36000, P::ParamTonality, 1.0f, 0.25);
        params.param(40000, P::ParamCordDisturb, 0.8f).param(44000, P::ParamMainVolume, 0.9f);
        params.param(46000, P::ParamStereoSpread, 1.0f).param(46000, P::ParamSustain, 0.2f);
        params.param(47000, P::ParamAttack, 0.5f).on(48000, 66, 90).on(48000, 40, 70);
        params.param(50000, P::ParamTurnOut, 0.0f).off(52000, 52).off(52000, 66);
        params.param(60000, P::ParamTurnOut, 1.0f).param(60000, P::ParamTurnIn, 0.0f).off(60000, 59);
        params.on(64000, 45, 100).param(70000, P::ParamStereoSpread, 0.0f).on(72000, 79, 50);
        params.ramp(80000, P::ParamFormantGain, 0.3f, 0.05).param(90000, P::ParamSustain, 0.0f);
        params.on(92000, 57, 80).off(100000, 64).off(100000, 71).off(100000, 40).off(100000, 45);

        // Soft, middle and hard notes while the sample rate changes under them.
        Scenario& rates =
            add("VelocitiesAcrossRateChanges", 44100.0, 100000, {256}, 77, 0x57ba58e443dcdbc9ull);
        rates.on(0, 45, 1).on(0, 57, 64).on(0, 69, 127).on(3000, 81, 100);
        rates.rate(30000, 96000.0).on(31000, 62, 90).off(40000, 45);
        rates.rate(60000, 48000.0).on(61000, 50, 30).off(70000, 57).off(70000, 69).off(75000, 81);
        rates.off(80000, 62).off(80000, 50);

        // Tonality below 0.5 from its controller (12), where 1 - T rounds in single precision.
        Scenario& noisy =
            add("NoisyTonalityFromController", 44100.0, 60000, {256}, 88, 0x7a2194d603a4d29dull);
        noisy.controller(0, 12, 41).on(300, 50, 40).on(300, 62, 120);
        noisy.controller(15000, 12, 7).pedal(20000, 127).off(21000, 62).controller(30000, 12, 60);
        noisy.pedal(40000, 0).off(40000, 50);

        // Actions late for a 56-frame block or carried over a 0-frame one; stealing the oldest released
        // voice, then the oldest held (restarted, its key forgotten); the pedal up over keys struck again
        // under it, one still down; on and off on one frame; channel 4, and velocity 0 on channel 16.
        Scenario& rules =
            add("ChannelRulesInOddBlocks", 44100.0, 64000, {256, 0, 200, 56}, 99, 0xfbd8934ae540332full);
        for (int k = 0; k < 24; ++k)
            rules.add({k * 40, k % 2 == 0 ? 0x90 : 0x93, 40 + k, 30 + 4 * k, 0, 0});
        rules.off(2000, 45).off(2000, 50).on(3000, 100, 90).on(3500, 101, 90).on(4000, 102, 90).off(4500, 40);
        for (int note = 41; note < 64; ++note)
            rules.add({6000, 0x9F, note, 0, 0, 0});
        rules.off(6000, 100).off(6000, 101).off(6000, 102);
        rules.on(20000, 60, 100).on(20000, 64, 80).on(20000, 67, 60).pedal(21000, 127);
        rules.off(22000, 60).off(22000, 64).on(23000, 60, 70).on(23000, 64, 90).off(24000, 64);
        rules.add({26000, 0xB3, 64, 0, 0, 0}).off(30000, 60).off(30000, 67).on(40000, 72, 100).off(40000, 72);
        rules.on(44000, 74, 100).off(48000, 74).on(48000, 74, 50).add({54000, 0x9F, 74, 0, 0, 0});
        // While note 74 sounds (44000..54000): out-of-range values, ramp times that mean none, a ramp of no
        // distance, unknown ids, and a thousand changes in one block.
        constexpr int volume = P::ParamMainVolume;
        rules.param(45000, volume, NAN).param(45500, volume, 7.0f).ramp(46000, volume, 0.2f, NAN);
        rules.ramp(46500, volume, 0.6f, HUGE_VAL).ramp(47000, volume, 0.3f, -HUGE_VAL);
        rules.ramp(47500, volume, 0.9f, -0.5).ramp(48500, volume, 0.5f, 1e300).ramp(49000, volume, 0.5f, 0.0);
        rules.param(49500, NumParameters, 0.5f).ramp(49500, -1, 0.5f, 0.1);
        for (int k = 0; k < 1000; ++k)
            rules.param(50000, volume, 0.7f);
        rules.on(51800, 76, 90).off(56000, 76); // carried over the 0-frame block as the queue overflows
        for (int k = 0; k < 5000; ++k)          // more than the queue holds: the last ones are dropped
            rules.bend(52000, 4000 + k);

        // A chord glide tie (the newer voice glides), then voices that end while a key still maps to
        // them (glided away, or ended at sustain 0): that key's next note must not reach them.
        Scenario& ended =
            add("ChordGlideTieAndEndedVoices", 44100.0, 200000, {512}, 111, 0x3b90fe43ea762019ull);
        ended.param(0, P::ParamLegatoState, 1.0f).param(0, P::ParamRelease, 0.0f);
        ended.on(0, 60, 100).on(0, 64, 100).on(0, 67, 100).pedal(2000, 127).on(4000, 65, 80);
        ended.on(8000, 66, 120).pedal(12000, 0).off(12000, 60).off(12000, 64).off(12000, 67);
        for (const int start : {20000, 45000})
        {
            ended.on(start, 60, 100).pedal(start + 1000, 127).on(start + 2000, 64, 90);
            ended.off(start + 3000, 64).pedal(start + 4000, 0);
        }
        ended.on(30000, 70, 100).off(32000, 60).off(40000, 70).on(55000, 60, 60).off(62000, 60);
        ended.param(70000, P::ParamLegatoState, 0.0f).param(70000, P::ParamSustain, 0.0f);
        ended.param(70000, P::ParamDecay, 0.05f).on(70000, 60, 100).on(90000, 70, 100).off(92000, 60);
        ended.off(96000, 70).on(100000, 60, 100).on(120000, 60, 80).off(126000, 60).on(130000, 62, 90);
        ended.ramp(160000, P::ParamLegatoState, 1.0f, 1.0).param(160000, P::ParamSustain, 1.0f);
        ended.on(160000, 70, 100).pedal(162000, 127).on(164000, 62, 100).pedal(166000, 0);
        ended.off(170000, 62).off(170000, 70).param(180000, P::ParamRelease, 0.5f).on(180000, 60, 100);
        ended.pedal(181000, 127).on(182000, 64, 90).off(183000, 64).pedal(184000, 0).on(184600, 60, 50);
        ended.off(190000, 60);
        return l;
    }();
    return list;
}

/** A scenario, rendered with the voices' filters on one vector path. */
class ReferenceRenderTest : public ::testing::TestWithParam<std::tuple<size_t, Path>>
{
protected:
    void TearDown() override { FormantFilterBank::forcePath(defaultPath); }

    const Path defaultPath = FormantFilterBank::getPath();
};

TEST_P(ReferenceRenderTest, RendersBitForBitAsTheReferenceWithoutAllocating)
{
    const Scenario& scenario = scenarios()[std::get<0>(GetParam())];
    const Path path = std::get<1>(GetParam());
    // Every path must give the same bits; AVX is taken wherever the processor has it.
    if (path == Path::Avx && !FormantFilterBank::avxAvailable())
        GTEST_SKIP() << "no AVX on this processor";
    FormantFilterBank::forcePath(path);
    ASSERT_EQ(FormantFilterBank::getPath(), path);
    // Tables built by someone else would hold noise from another state of the sequence.
    ASSERT_EQ(__TKOsc_retainCount, 0);
    ASSERT_EQ(__PinkNoise_retainCount, 0);
    TKRand_Seed_This_Thread(1);
    TKOSC_Prepare_Buffers();
    PinkNoise_Retain();
    TKRand_Seed_This_Thread(scenario.seed);

    // The channel as the processor makes it: built at 44100 Hz, then told the host's rate.
    auto ch = std::make_unique<FormantChannel>([](bool, void*) {}, nullptr, 44100.0f);
    ch->setSampleRate(scenario.sampleRate);
    std::vector<std::pair<int, float>> fromControllers; // parameter values set by the last block's MIDI
    fromControllers.reserve(256);
    uint64_t hash = 0xcbf29ce484222325ull; // 64-bit FNV-1a over the bytes of every sample's bits
    float peak = 0.0f;                     // NaN when any sample was not finite
    CountAllocations allocations;
    size_t blockIndex = 0;
    for (int done = 0; done < scenario.frames;)
    {
        const int n =
            std::min(scenario.blockSizes[blockIndex++ % scenario.blockSizes.size()], scenario.frames - done);
        auto inBlock = [&](const Scenario::Event& e) { return e.frame >= done && e.frame < done + n; };
        for (const Scenario::Event& e : scenario.events)
            if (inBlock(e) && e.kind == Scenario::Param)
                ch->setParameter(e.a, static_cast<float>(e.value));
            else if (inBlock(e) && e.kind == Scenario::Ramp)
                ch->setParameter(e.a, static_cast<float>(e.value), e.seconds);
            else if (inBlock(e) && e.kind == Scenario::Rate)
                ch->setSampleRate(e.value);
        for (const auto& [id, value] : fromControllers)
            ch->setParameter(id, value);
        fromControllers.clear();
        ch->prepareForSampleBuffer(static_cast<unsigned long>(done), n);
        for (const Scenario::Event& e : scenario.events)
            if (inBlock(e) && e.kind >= 0x80)
            {
                ch->midiIn(static_cast<unsigned char>(e.kind), static_cast<unsigned char>(e.a),
                           static_cast<unsigned char>(e.b), e.frame - done, true);
                if (e.kind == 0xB0 && e.a != 64)
                    for (int id = 0; id < NumParameters; ++id)
                        if (ParameterMIDIMapping[id] == e.a)
                            fromControllers.emplace_back(id, static_cast<float>(e.b) / 127.0f);
            }
        for (int s = 0; s < n; ++s)
        {
            float frame[2] = {0.0f, 0.0f};
            ch->getFrame(static_cast<unsigned long>(done + s), frame);
            for (float x : frame)
            {
                uint32_t bits;
                std::memcpy(&bits, &x, sizeof bits);
                for (int k = 0; k < 4; ++k)
                    hash = (hash ^ ((bits >> (8 * k)) & 0xffu)) * 0x100000001b3ull;
                peak = std::isfinite(x) ? std::max(peak, std::fabs(x)) : NAN;
            }
        }
        done += n;
    }
    EXPECT_EQ(allocations.count(), 0) << "the audio thread allocated";
    ch.reset();
    PinkNoise_Release();
    TKOSC_Dispose_Buffers();

    if (std::getenv("TOVKA_PRINT_REFERENCE_HASHES") != nullptr && path == Path::Sse2)
        std::printf("%s: 0x%016llxull\n", scenario.name, static_cast<unsigned long long>(hash));
    // A scenario that went silent or blew up would prove little.
    EXPECT_GT(peak, 0.01f);
    EXPECT_LT(peak, 4.0f);
#if defined(__x86_64__) && defined(__GNUC__)
    if (!__builtin_cpu_supports("fma") || !__builtin_cpu_supports("avx2"))
        GTEST_SKIP() << "the reference hashes were taken with glibc's FMA math functions";
#endif
    EXPECT_EQ(hash, scenario.hash) << "no longer renders as the reference";
}

INSTANTIATE_TEST_SUITE_P(Scenarios, ReferenceRenderTest,
                         ::testing::Combine(::testing::Range<size_t>(0, scenarios().size()),
                                            ::testing::Values(Path::Sse2, Path::Avx)),
                         [](const ::testing::TestParamInfo<std::tuple<size_t, Path>>& info)
                         {
                             return std::string(scenarios()[std::get<0>(info.param)].name) +
                                    (std::get<1>(info.param) == Path::Avx ? "_Avx" : "_Sse2");
                         });

} // namespace
