#include <cstdio>
#include <cstdlib>
#include <string>

#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <juce_events/juce_events.h>

#include "PluginTestSupport.h"

// Last: Xlib defines macros (None, Bool) that name types in GoogleTest.
#include <X11/Xlib.h>

namespace
{
/** Starts a private Xvfb on a free display of its choosing (-displayfd) and points DISPLAY at it. */
pid_t startXServer(bool withGLX)
{
    int fds[2];
    if (pipe(fds) != 0)
        return -1;
    const pid_t pid = fork();
    if (pid == 0)
    {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        const std::string fd = std::to_string(fds[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x800x24", "-nolisten", "tcp",
               "-noreset", withGLX ? "+extension" : "-extension", "GLX", (char*)nullptr);
        _exit(127);
    }
    close(fds[1]);
    std::string number = ":";
    for (char c; pid > 0 && read(fds[0], &c, 1) == 1 && c != '\n';)
        number += c;
    close(fds[0]);
    if (number == ":")
        return -1;
    setenv("DISPLAY", number.c_str(), 1);

    // A desktop's window manager has made these atoms long before a plug-in opens a window: JUCE needs them.
    if (auto* display = XOpenDisplay(nullptr))
    {
        for (auto* name :
             {"WM_PROTOCOLS", "WM_DELETE_WINDOW", "WM_TAKE_FOCUS", "WM_STATE", "WM_CHANGE_STATE",
              "_NET_WM_PING", "_NET_WM_STATE", "_NET_WM_STATE_HIDDEN", "_NET_FRAME_EXTENTS", "_NET_WORKAREA"})
            XInternAtom(display, name, False);
        XCloseDisplay(display);
    }
    return pid;
}
} // namespace

// JUCE's message manager runs on the test thread, and the X display exists before JUCE connects to one.
int main(int argc, char** argv)
{
    // As a host does before anything touches X: editors paint from several threads; X errors are not fatal.
    XInitThreads();
    XSetErrorHandler(
        [](Display*, XErrorEvent* error)
        {
            std::fprintf(stderr, "X error: request %d, code %d\n", error->request_code, error->error_code);
            return 0;
        });

    // Listing the tests (CTest's discovery) needs no display; the server dies with this process.
    const bool listing = argc > 1 && std::string(argv[1]) == "--gtest_list_tests";
    if (!listing && startXServer(std::getenv(withoutGLXVariable) == nullptr) < 0)
    {
        std::fprintf(stderr, "Xvfb did not start: the plug-in tests need it (Debian package xvfb)\n");
        return 1;
    }
    // An empty home keeps a copy of Tovka installed in ~/.lv2 or ~/.vst3 from standing in for the build.
    const auto home = juce::File::createTempFile("home");
    home.createDirectory();
    setenv("HOME", home.getFullPathName().toRawUTF8(), 1);

    juce::ScopedJuceInitialiser_GUI juce;
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    home.deleteRecursively();
    return result;
}
