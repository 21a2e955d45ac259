#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <cstdlib>

// The framework's GUI layer is brought up once for all tests, always headless:
// images render through the software renderer and the desktop reports no
// displays. Without a DISPLAY the framework would try ":0", which may be the
// private X server of another test process that comes and goes (its exit
// would end this process); a name that is not a display keeps it off X.
int main(int argc, char** argv)
{
    setenv("DISPLAY", "headless", 1);
    juce::ScopedJuceInitialiser_GUI framework;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
