#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <cstdlib>

// The framework's GUI layer, brought up once and always headless: without a DISPLAY it would try
// ":0", possibly another test process's private X server, whose exit would end this process.
int main(int argc, char** argv)
{
    setenv("DISPLAY", "headless", 1);
    juce::ScopedJuceInitialiser_GUI framework;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
