#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

// The framework's GUI layer, brought up once for all tests; headless without an X display.
int main(int argc, char** argv)
{
    juce::ScopedJuceInitialiser_GUI framework;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
