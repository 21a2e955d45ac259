// Speed of the editor, drawn by the framework's software renderer (no window, no
// OpenGL), at display scale 1 and 2 (the argument):
//
// - BM_OpenEditor: what a host waits for when it opens the window: construction
//   (fonts, decoding the embedded images, every widget's cached images), the first
//   layout and the first full paint. Every iteration opens cold: the framework's
//   image cache is emptied between iterations, as it empties itself a few seconds
//   after the last editor closes. Destruction is outside the timing.
// - BM_RepaintEditor: one full repaint of an open editor into an image of its
//   device size, as the window does after it has been covered.

#include <benchmark/benchmark.h>

#include <memory>

#include <juce_events/juce_events.h>

#include "PluginEditor.h"
#include "TKGraphics.h"

namespace
{
/** The editor's pixels at display scale `scale`, painted into `image`. */
void paintAll(juce::Component& editor, juce::Image& image, float scale)
{
    juce::Graphics g(image);
    g.addTransform(juce::AffineTransform::scale(scale));
    editor.paintEntireComponent(g, false);
}

void BM_OpenEditor(benchmark::State& state)
{
    const auto scale = (float)state.range(0);
    TKGraphics::setDisplayScaleOverride(scale);
    TovkaAudioProcessor processor;
    juce::Image image(juce::Image::ARGB, (int)(780 * scale), (int)(400 * scale), true);
    for (auto _ : state)
    {
        auto editor = std::make_unique<TovkaAudioProcessorEditor>(processor);
        paintAll(*editor, image, scale);
        benchmark::DoNotOptimize(image.getPixelAt(0, 0));
        state.PauseTiming();
        editor.reset();
        juce::ImageCache::releaseUnusedImages();
        state.ResumeTiming();
    }
    TKGraphics::setDisplayScaleOverride(0.0f);
}
BENCHMARK(BM_OpenEditor)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_RepaintEditor(benchmark::State& state)
{
    const auto scale = (float)state.range(0);
    TKGraphics::setDisplayScaleOverride(scale);
    TovkaAudioProcessor processor;
    TovkaAudioProcessorEditor editor(processor);
    juce::Image image(juce::Image::ARGB, (int)(780 * scale), (int)(400 * scale), true);
    for (auto _ : state)
    {
        paintAll(editor, image, scale);
        benchmark::DoNotOptimize(image.getPixelAt(0, 0));
    }
    TKGraphics::setDisplayScaleOverride(0.0f);
}
BENCHMARK(BM_RepaintEditor)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
} // namespace

int main(int argc, char** argv)
{
    // The editor needs the framework's GUI layer; without an X display it stays
    // headless and draws through the software renderer only.
    juce::ScopedJuceInitialiser_GUI framework;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
