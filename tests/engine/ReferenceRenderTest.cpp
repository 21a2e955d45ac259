// Bit-exact reference renders of the formant channel, driven as the processor drives it (parameters
// at the block start, then the block's actions prepared, its MIDI queued, its frames rendered). Every
// sample's bits are hashed and the allocations counted: the audio thread must never allocate. The
// hashes come from the straightforward per-sample implementation and must hold on every vector path.
//
// The voices and the shared noise tables draw from the thread's TKRand (rand()'s sequence), so each
// scenario checks nobody else holds the tables, seeds, builds them, seeds again and renders. The
// hashes hold for glibc's FMA/AVX2 libm on x86-64 (sin, cos, pow, exp, powf, cosf and exp2f are part of
// the sound); elsewhere only the comparison is skipped. After a deliberate change of the sound, run
//     TOVKA_PRINT_REFERENCE_HASHES=1 ./tests/engine/tovka_engine_tests --gtest_filter='*ReferenceRender*'
// and paste the printed lines into the table below.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
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

/** A render: the channel's sample rate (given after construction at 44100 Hz), its length, block
    sizes (cycled), the seed of the thread's TKRand generator, and the script it plays. */
struct Scenario
{
    /** Something that happens at a frame. Parameter jumps, ramps and rate changes take effect at
        the start of the block holding that frame; MIDI is queued in that block at the frame's
        offset (and so, as in the processor, sounds one block later). A mapped controller, as in
        the processor, also sets its parameter at the start of the next block. */
    struct Event
    {
        int frame, kind, a, b; // kind: a MIDI status (a, b its data) or Param, Ramp, Rate (a the id)
        double value;          // normalised, or the sample rate
        double seconds;
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
    std::vector<Event> events;
};

const std::vector<Scenario>& scenarios()
{
    static const std::vector<Scenario> list = []
    {
        std::vector<Scenario> l;
        auto add = [&l](const char* name, double rate, int frames, std::vector<int> blocks,
                        unsigned seed) -> Scenario& {
            return l.emplace_back(Scenario{name, rate, frames, std::move(blocks), seed, {}});
        };

        // Two long notes with vibrato, past the glottal phase's whole-cycle reduction (1024 cycles
        // of 220 Hz), then their release tails with Turn Out.
        Scenario& longNotes = add("LongNotesWithVibrato", 44100.0, 300000, {512}, 11);
        longNotes.on(0, 57, 90).on(100, 64, 30).off(200000, 57).off(210000, 64);

        // Legato (mode 1): overlapping notes glide one voice; legato times change between glides;
        // a gap starts a fresh voice; Turn In off for the second phrase.
        Scenario& legato = add("LegatoGlides", 48000.0, 96000, {256}, 22);
        legato.param(0, P::ParamLegatoState, 0.5f);
        legato.on(0, 60, 100).on(6000, 67, 40).off(6100, 60).on(12000, 55, 127).off(12050, 67);
        legato.param(14000, P::ParamLegatoFreqTime, 0.4f).param(14000, P::ParamLegatoFormantTime, 0.02f);
        legato.on(18000, 72, 70).off(18000, 55).off(30000, 72);
        legato.param(40000, P::ParamTurnIn, 0.0f);
        legato.on(42000, 48, 20).on(50000, 50, 110).off(50001, 48).on(60000, 53, 64).off(60000, 50);
        legato.off(80000, 53);

        // Pedal chord glide (mode 2): a chord held by the pedal, new notes glide the nearest voice,
        // the pedal comes up and the chord releases.
        Scenario& chord = add("PedalChordGlide", 44100.0, 88200, {300, 212}, 33);
        chord.param(0, P::ParamLegatoState, 1.0f);
        chord.on(0, 60, 80).on(10, 64, 90).on(20, 67, 100).pedal(4000, 127);
        chord.off(5000, 60).off(5000, 64).off(5000, 67);
        chord.on(10000, 65, 50).on(20000, 62, 120).on(30000, 71, 30).on(30000, 59, 60);
        chord.pedal(50000, 0).on(52000, 76, 90).off(70000, 76);

        // Pitch bends at 96 kHz: sweeps and jumps with two bend spans, including the centre value
        // (2^-14, not 0) and both ends, with Turn Out on the release.
        Scenario& bends = add("PitchBends", 96000.0, 144000, {128}, 44);
        bends.on(0, 57, 100).on(0, 69, 60);
        for (int k = 0; k < 64; ++k)
            bends.bend(20000 + k * 400, 8192 + k * 128 - (k > 48 ? 6000 : 0));
        bends.bend(50000, 8192).param(52000, P::ParamPitchbendSpan, 0.5f).bend(56000, 0);
        bends.bend(70000, 16383).bend(80000, 8192).off(100000, 57).bend(104000, 2000).off(110000, 69);

        // More notes than voices: stealing of released and held voices, the sustain pedal in
        // polyphonic mode, restrikes of sounding notes, irregular block sizes. The notes come from a
        // small generator of the test's own, so the script never touches the voices' sequence.
        Scenario& many = add("ManyVoicesWithStealing", 44100.0, 88200, {512, 100, 37, 1024}, 55);
        uint32_t lcg = 7;
        auto below = [&lcg](int n)
        {
            lcg = lcg * 1664525u + 1013904223u;
            return static_cast<int>((lcg >> 8) % static_cast<uint32_t>(n));
        };
        // Each note's velocity is drawn before its key (two draws in one call's arguments would
        // come in an order the compiler chooses).
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

        // Parameter changes while notes sound: jumps at block starts and ramps of the formant
        // sharpness and gain, tonality, jitter, volume, spread, envelope, Turn In and Turn Out.
        Scenario& params = add("ParameterChangesAndRamps", 48000.0, 120000, {480}, 66);
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

        // Soft, middle and hard notes with Turn In while the sample rate changes under them
        // (44.1 kHz, then 96 kHz, then 48 kHz), so the filters and noise follow each new rate.
        Scenario& rates = add("VelocitiesAcrossRateChanges", 44100.0, 100000, {256}, 77);
        rates.on(0, 45, 1).on(0, 57, 64).on(0, 69, 127).on(3000, 81, 100);
        rates.rate(30000, 96000.0).on(31000, 62, 90).off(40000, 45);
        rates.rate(60000, 48000.0).on(61000, 50, 30).off(70000, 57).off(70000, 69).off(75000, 81);
        rates.off(80000, 62).off(80000, 50);

        // "Tonality" below 0.5 from its controller (12): values whose 1 - T rounds in single
        // precision, a soft and a hard note, the pedal on the way.
        Scenario& noisy = add("NoisyTonalityFromController", 44100.0, 60000, {256}, 88);
        noisy.controller(0, 12, 41).on(300, 50, 40).on(300, 62, 120);
        noisy.controller(15000, 12, 7).pedal(20000, 127).off(21000, 62).controller(30000, 12, 60);
        noisy.pedal(40000, 0).off(40000, 50);
        return l;
    }();
    return list;
}

/** The hashes of the reference renders, by scenario name. */
const std::map<std::string, uint64_t> expectedHashes = {
    {"LongNotesWithVibrato", 0x17d82814083d5d8aull},
    {"LegatoGlides", 0x524362d67e087b75ull},
    {"PedalChordGlide", 0x402924bb1cc3b936ull},
    {"PitchBends", 0x2672b7c32a04a62dull},
    {"ManyVoicesWithStealing", 0x30978f6630c21445ull},
    {"ParameterChangesAndRamps", 0xe8b586080fca1f30ull},
    {"VelocitiesAcrossRateChanges", 0x57ba58e443dcdbc9ull},
    {"NoisyTonalityFromController", 0x7a2194d603a4d29dull},
};

struct Render
{
    uint64_t hash; // 64-bit FNV-1a over the bytes of every sample's bit pattern
    float peak;    // largest magnitude; NaN when any sample was not finite
    long allocations;
};

Render render(const Scenario& scenario)
{
    // The channel as the processor makes it: built at 44100 Hz, then told the host's rate.
    auto ch = std::make_unique<FormantChannel>([](bool, void*) {}, nullptr, 44100.0f);
    ch->setSampleRate(scenario.sampleRate);
    std::vector<std::pair<int, float>> fromControllers; // parameter values set by the last block's MIDI
    fromControllers.reserve(256);

    Render r{0xcbf29ce484222325ull, 0.0f, 0};
    CountAllocations allocations; // what the audio thread does must never allocate
    size_t blockIndex = 0;
    for (int done = 0; done < scenario.frames;)
    {
        const int size = scenario.blockSizes[blockIndex++ % scenario.blockSizes.size()];
        const int n = std::min(size, scenario.frames - done);
        auto inBlock = [&](const Scenario::Event& e) { return e.frame >= done && e.frame < done + n; };

        for (const Scenario::Event& e : scenario.events)
        {
            if (!inBlock(e))
                continue;
            if (e.kind == Scenario::Param)
                ch->setParameter(e.a, static_cast<float>(e.value));
            else if (e.kind == Scenario::Ramp)
                ch->setParameter(e.a, static_cast<float>(e.value), e.seconds);
            else if (e.kind == Scenario::Rate)
                ch->setSampleRate(e.value);
        }
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
                    r.hash = (r.hash ^ ((bits >> (8 * k)) & 0xffu)) * 0x100000001b3ull;
                r.peak = std::isfinite(x) ? std::max(r.peak, std::fabs(x)) : NAN;
            }
        }
        done += n;
    }
    r.allocations = allocations.count();
    return r;
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
    const Render r = render(scenario);
    PinkNoise_Release();
    TKOSC_Dispose_Buffers();

    if (std::getenv("TOVKA_PRINT_REFERENCE_HASHES") != nullptr && path == Path::Sse2)
        std::printf("    {\"%s\", 0x%016llxull},\n", scenario.name, static_cast<unsigned long long>(r.hash));

    EXPECT_EQ(r.allocations, 0) << scenario.name;
    // A scenario that went silent or blew up would prove little.
    EXPECT_GT(r.peak, 0.01f) << scenario.name;
    EXPECT_LT(r.peak, 4.0f) << scenario.name;
#if defined(__x86_64__) && defined(__GNUC__)
    if (!__builtin_cpu_supports("fma") || !__builtin_cpu_supports("avx2"))
        GTEST_SKIP() << "the reference hashes were taken with glibc's FMA math functions";
#endif
    const auto expected = expectedHashes.find(scenario.name);
    ASSERT_NE(expected, expectedHashes.end()) << "no reference hash for " << scenario.name;
    EXPECT_EQ(r.hash, expected->second) << scenario.name << " no longer renders as the reference";
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
