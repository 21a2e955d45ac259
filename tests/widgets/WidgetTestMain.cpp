#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

// The framework's GUI layer is brought up once for all tests. With no X
// display it stays headless: images render through the software renderer and
// the desktop reports no displays.
int main(int argc, char** argv)
{
    juce::ScopedJuceInitialiser_GUI framework;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
