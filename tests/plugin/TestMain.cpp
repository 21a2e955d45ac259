#include <cstdlib>

#include <gtest/gtest.h>

#include <juce_events/juce_events.h>

// Hosting needs JUCE's message manager on the test thread.
int main(int argc, char** argv)
{
    // Plug-in formats also look in the user's folders (~/.lv2, ~/.vst3); an empty home
    // keeps an installed copy of Tovka from standing in for the one just built.
    const auto home = juce::File::createTempFile("home");
    home.createDirectory();
    setenv("HOME", home.getFullPathName().toRawUTF8(), 1);

    int result = 0;
    {
        juce::ScopedJuceInitialiser_GUI juce;
        ::testing::InitGoogleTest(&argc, argv);
        result = RUN_ALL_TESTS();
    }
    home.deleteRecursively();
    return result;
}
