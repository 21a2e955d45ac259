// Speed of the sound engine: one formant voice, and a formant channel with 1, 8 and 24 sounding
// voices, at 48 kHz with default parameters.
//
// Counters: voice_sample is the CPU time of one voice rendering one sample (shown in seconds, so
// "60n" is 60 ns); rt_factor is audio seconds rendered per CPU second (16 means 1/16 of a core).

#include <benchmark/benchmark.h>

#include <memory>

#include "dsp/PinkNoise.h"
#include "dsp/TKOsc.h"
#include "dsp/TKRand.h"
#include "formant/FormantChannel.h"
#include "formant/FormantVoice.h"

namespace
{

constexpr double Rate = 48000.0;
constexpr int BlockFrames = 512;

/** Holds the shared wave and noise tables for as long as a benchmark runs. */
struct SharedTables
{
    SharedTables()
    {
        TKOSC_Prepare_Buffers();
        PinkNoise_Retain();
    }
    ~SharedTables()
    {
        PinkNoise_Release();
        TKOSC_Dispose_Buffers();
    }
};

/** A channel made as the processor makes it: built at 44100 Hz, then moved to the host's rate. */
std::unique_ptr<FormantChannel> makeChannel()
{
    auto ch = std::make_unique<FormantChannel>(nullptr, nullptr, 44100.0f);
    ch->setSampleRate(Rate);
    return ch;
}

void renderBlock(FormantChannel& ch, unsigned long& time)
{
    ch.prepareForSampleBuffer(time, BlockFrames);
    for (int s = 0; s < BlockFrames; ++s)
    {
        float frame[2] = {0.0f, 0.0f};
        ch.getFrame(time++, frame);
        benchmark::DoNotOptimize(frame);
    }
}

void setCounters(benchmark::State& state, double voiceSamplesPerIteration, double framesPerIteration)
{
    state.counters["voice_sample"] =
        benchmark::Counter(voiceSamplesPerIteration,
                           benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["rt_factor"] =
        benchmark::Counter(framesPerIteration / Rate, benchmark::Counter::kIsIterationInvariantRate);
}

//==============================================================================
/** One held voice, past its attack, vibrato and wobble running: the cost of one iterate(). */
void BM_VoiceIterate(benchmark::State& state)
{
    SharedTables tables;
    TKRand_Seed_This_Thread(1);
    auto ch = makeChannel();
    TKADSRParams settings = {0.0333f, 0.4f, 0.343f, 1.0f};
    FormantVoice voice(ch.get(), &settings);
    voice.setParameter(0, static_cast<float>(SynthBase::MIDIFrequecyMap[57] / 20000.0));
    voice.setParameter(1, 0.8f);
    voice.noteOn();
    float out[2];
    for (int s = 0; s < 48000; ++s)
        voice.iterate(2, out);

    for (auto _ : state)
    {
        voice.iterate(2, out);
        benchmark::DoNotOptimize(out);
    }
    setCounters(state, 1.0, 1.0);
}
BENCHMARK(BM_VoiceIterate);

/** A channel with `voices` notes struck across the first block at different velocities and held:
    each note starts with its Turn In attack (about 0.18 s), then sustains with vibrato. The scene
    is struck afresh every two seconds, outside the timing, so the attacks keep their share. */
void BM_ChannelBlock(benchmark::State& state)
{
    const int voices = static_cast<int>(state.range(0));
    constexpr int BlocksPerScene = static_cast<int>(2.0 * Rate / BlockFrames);
    SharedTables tables;
    TKRand_Seed_This_Thread(1);

    std::unique_ptr<FormantChannel> ch;
    unsigned long time = 0;
    int block = BlocksPerScene;
    for (auto _ : state)
    {
        if (block == BlocksPerScene)
        {
            state.PauseTiming();
            ch = makeChannel();
            time = 0;
            block = 0;
            for (int v = 0; v < voices; ++v)
            {
                const auto note = static_cast<unsigned char>(40 + (v * 7) % 40);
                const auto velocity = static_cast<unsigned char>(40 + (v * 37) % 88);
                ch->midiIn(0x90, note, velocity, v * BlockFrames / voices, true);
            }
            state.ResumeTiming();
        }
        renderBlock(*ch, time);
        ++block;
    }
    setCounters(state, static_cast<double>(BlockFrames) * voices, BlockFrames);
}
BENCHMARK(BM_ChannelBlock)->Arg(1)->Arg(8)->Arg(24);

} // namespace
