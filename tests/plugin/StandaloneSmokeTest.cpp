// The Standalone application starts and stays up on the test process's private X server, with
// the test process's scratch home for its settings file.
#include <gtest/gtest.h>
#include <juce_core/juce_core.h>

TEST(Standalone, StartsAndStaysUp)
{
    juce::ChildProcess standalone;
    ASSERT_TRUE(standalone.start(TOVKA_STANDALONE, 0));
    juce::Thread::sleep(3000);
    EXPECT_TRUE(standalone.isRunning())
        << "the Standalone quit within 3 s; exit code " << standalone.getExitCode();
    standalone.kill();
}
