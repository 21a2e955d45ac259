#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

// Always headless: without a DISPLAY the framework would try ":0", maybe another test's private X server.
int main(int argc, char** argv)
{
    setenv("DISPLAY", "headless", 1);
    juce::ScopedJuceInitialiser_GUI framework;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
