// The Standalone application starts and stays up on the test process's private X server.
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "PluginTestSupport.h"

TEST(Standalone, StartsAndStaysUp)
{
    // Its own home, so the application's settings file lands in a scratch folder.
    char home[] = "/tmp/tovka-home-XXXXXX";
    ASSERT_NE(mkdtemp(home), nullptr);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0)
    {
        setenv("HOME", home, 1);
        execl(TestPaths::standalone, TestPaths::standalone, (char*)nullptr);
        _exit(127);
    }
    std::this_thread::sleep_for(std::chrono::seconds(3));
    int status = 0;
    const bool exited = waitpid(child, &status, WNOHANG) == child;
    if (!exited)
    {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
    }
    std::system((std::string("rm -rf ") + home).c_str());
    EXPECT_FALSE(exited) << "the Standalone quit within 3 s; exit status " << WEXITSTATUS(status);
}
