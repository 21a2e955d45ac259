// The audio thread must never allocate: this executable replaces the global operator new and the C
// allocation functions with counting ones, and the test renders a busy channel as the processor's
// audio thread drives it (parameters pushed, block prepared, MIDI queued, frames rendered) while the
// counting is armed.

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "CountingAllocator.h"
#include "dsp/PinkNoise.h"
#include "dsp/TKOsc.h"
#include "dsp/TKRand.h"
#include "formant/FormantChannel.h"

namespace
{

using P = FormantChannel::ParameterId;

TEST(AllocationTest, CountingSeesAllocations)
{
    CountAllocations scope;
    // Volatile, so that the compiler cannot drop an allocation it can see is unused.
    int* volatile p = new int(1);
    void* volatile q = std::malloc(16);
    delete p;
    std::free(q);
    // Under AddressSanitizer the C functions are not replaced, so only operator new counts.
    EXPECT_EQ(scope.count(), TOVKA_COUNT_C_ALLOCATIONS ? 2 : 1);
}

TEST(AllocationTest, RenderingTheChannelNeverAllocates)
{
    TKOSC_Prepare_Buffers();
    PinkNoise_Retain();
    TKRand_Seed_This_Thread(5);
    auto ch = std::make_unique<FormantChannel>(nullptr, nullptr, 44100.0f);
    ch->setSampleRate(48000.0);

    long total = 0;
    {
        CountAllocations scope;
        unsigned long time = 0;
        for (int block = 0; block < 400; ++block)
        {
            // Every mode, more notes than voices, the pedal, bends and parameter jumps and ramps.
            ch->setParameter(P::ParamLegatoState, static_cast<float>(block / 100 % 3) * 0.5f);
            ch->setParameter(P::ParamFormantQ, static_cast<float>(block % 7) / 7.0f);
            ch->setParameter(P::ParamTonality, static_cast<float>(block % 5) / 5.0f, 0.05);
            ch->prepareForSampleBuffer(time, 256);
            for (int k = 0; k < 6; ++k)
            {
                const auto note = static_cast<unsigned char>(30 + (block * 7 + k * 11) % 70);
                ch->midiIn(0x90, note, static_cast<unsigned char>(1 + (block * 13 + k) % 127), k * 40, true);
                ch->midiIn(0x80, static_cast<unsigned char>(30 + (block * 5 + k * 3) % 70), 0, k * 40 + 7,
                           true);
            }
            ch->midiIn(0xB0, 64, block % 20 < 10 ? 127 : 0, 100, true);
            ch->midiIn(0xE0, static_cast<unsigned char>(block & 127), static_cast<unsigned char>(block % 128),
                       200, true);
            for (int s = 0; s < 256; ++s)
            {
                float frame[2] = {0.0f, 0.0f};
                ch->getFrame(time++, frame);
            }
        }
        total = scope.count();
    }
    EXPECT_EQ(total, 0);

    ch.reset();
    PinkNoise_Release();
    TKOSC_Dispose_Buffers();
}

} // namespace
