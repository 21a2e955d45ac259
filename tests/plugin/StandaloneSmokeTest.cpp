// The Standalone application starts and stays up on a virtual X display.
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "PluginTestSupport.h"

namespace
{
bool onPath(const char* program)
{
    const std::string command = std::string("command -v ") + program + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

/** Waits up to `timeout` for the child; true when it has exited. */
bool waitForExit(pid_t child, std::chrono::milliseconds timeout, int& status)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline)
    {
        if (waitpid(child, &status, WNOHANG) == child)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}
} // namespace

TEST(Standalone, StartsAndStaysUpUnderXvfb)
{
    ASSERT_TRUE(onPath("xvfb-run")) << "xvfb-run is missing (Debian package xvfb)";
    const auto home = juce::File::createTempFile("home");
    ASSERT_TRUE(home.createDirectory());

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0)
    {
        // Its own process group, so xvfb-run, Xvfb and the application stop together;
        // its own home, so the application's settings file lands in a scratch folder.
        setpgid(0, 0);
        setenv("HOME", home.getFullPathName().toRawUTF8(), 1);
        execlp("xvfb-run", "xvfb-run", "-a", "-s", "-screen 0 1280x800x24", TestPaths::standalone,
               (char*)nullptr);
        _exit(127);
    }

    int status = 0;
    const bool exited = waitForExit(child, std::chrono::seconds(3), status);
    if (!exited)
    {
        kill(-child, SIGTERM);
        if (!waitForExit(child, std::chrono::seconds(5), status))
        {
            kill(-child, SIGKILL);
            waitpid(child, &status, 0);
        }
    }
    home.deleteRecursively();

    EXPECT_FALSE(exited) << "the Standalone quit within 3 s; exit status " << WEXITSTATUS(status);
}
