// Speed of the whole plug-in's audio path: TovkaAudioProcessor::processBlock with 24 sounding
// voices and the reverb, 512-frame blocks at 48 kHz, default parameters.
//
// Counters as in EngineBench.cpp: voice_sample (CPU time per voice per sample, in seconds) and
// rt_factor (audio seconds per CPU second; 16 means 1/16 of a core), and allocations: operator
// new calls made inside processBlock per block, which must stay 0.

#include <benchmark/benchmark.h>

#include <atomic>
#include <memory>
#include <new>

#include <juce_events/juce_events.h>

#include "PluginProcessor.h"
#include "dsp/TKRand.h"

// glibc's own allocator entry points, which the counting operator new below forwards to.
extern "C" void* __libc_malloc(size_t size);
extern "C" void __libc_free(void* p);

namespace
{
std::atomic<bool> counting{false};
std::atomic<long> allocations{0};
} // namespace

void* operator new(size_t size)
{
    if (counting.load(std::memory_order_relaxed))
        allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = __libc_malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept
{
    __libc_free(p);
}
void operator delete(void* p, size_t) noexcept
{
    __libc_free(p);
}

namespace
{

constexpr double Rate = 48000.0;
constexpr int BlockFrames = 512;
constexpr int Voices = 24;

/** 24 notes struck across the first block at different velocities and held: each starts with its
    Turn In attack, then sustains with vibrato, through the reverb. The scene is struck afresh every
    two seconds, outside the timing, so the attacks keep their share. */
void BM_ProcessBlock(benchmark::State& state)
{
    constexpr int BlocksPerScene = static_cast<int>(2.0 * Rate / BlockFrames);
    juce::ScopedJuceInitialiser_GUI juce;
    TKRand_Seed_This_Thread(1);

    juce::AudioBuffer<float> buffer(2, BlockFrames);
    juce::MidiBuffer notes;
    for (int v = 0; v < Voices; ++v)
        notes.addEvent(
            juce::MidiMessage::noteOn(1, 40 + (v * 7) % 40, static_cast<juce::uint8>(40 + (v * 37) % 88)),
            v * BlockFrames / Voices);
    juce::MidiBuffer none;

    std::unique_ptr<TovkaAudioProcessor> processor;
    int block = BlocksPerScene;
    long blocks = 0;
    allocations = 0;
    for (auto _ : state)
    {
        if (block == BlocksPerScene)
        {
            state.PauseTiming();
            processor = std::make_unique<TovkaAudioProcessor>();
            processor->prepareToPlay(Rate, BlockFrames);
            block = 0;
            state.ResumeTiming();
        }
        counting = true;
        processor->processBlock(buffer, block == 0 ? notes : none);
        counting = false;
        benchmark::DoNotOptimize(buffer.getReadPointer(0));
        ++block;
        ++blocks;
    }
    processor.reset();

    state.counters["voice_sample"] =
        benchmark::Counter(static_cast<double>(BlockFrames) * Voices,
                           benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["rt_factor"] =
        benchmark::Counter(BlockFrames / Rate, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["allocations"] = static_cast<double>(allocations.load()) / static_cast<double>(blocks);
}
BENCHMARK(BM_ProcessBlock);

} // namespace
