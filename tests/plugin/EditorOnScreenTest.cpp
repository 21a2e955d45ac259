// The built VST2-compatible library's editor, opened by a host (Vst2Host) in a real
// X window on the test process's private Xvfb, driven by pointer input that the X
// server itself delivers (XTest) and looked at through the server's pixels.
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "Vst2Host.h"
#define TOVKA_TEST_WITHOUT_JUCE
#include "PluginTestSupport.h"

// Last: Xlib defines macros (None, Bool) that name types in GoogleTest.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

namespace
{
constexpr int editorWidth = 780, editorHeight = 400;
/** Parameter id of "Main Volume" and the middle of its fader in the editor. */
constexpr int mainVolume = 14;
constexpr int volumeX = 747, volumeY = 85;

/** Resident memory of this process in bytes. */
long residentBytes()
{
    long pages = 0, resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

class EditorOnScreen : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const auto error = host.open();
        ASSERT_TRUE(error.empty()) << error;
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr) << "no X display";
        // The host's window: at the screen's origin, so screen and editor
        // coordinates are the same.
        parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, editorWidth, editorHeight, 0, 0, 0);
        XMapWindow(display, parent);
        XSync(display, False);
    }

    void TearDown() override
    {
        if (display == nullptr)
            return;
        if (editorOpen)
            closeEditor();
        XDestroyWindow(display, parent);
        XCloseDisplay(display);
    }

    /** Gives the plug-in's message loop the host's idle calls, as hosts do, for
        `duration` or until `done` (checked between calls) says so, at most 10 s. */
    bool idleFor(std::chrono::milliseconds duration, const std::function<bool()>& done = {})
    {
        const auto start = std::chrono::steady_clock::now();
        for (;;)
        {
            host.dispatch(effEditIdle);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            const auto elapsed = std::chrono::steady_clock::now() - start;
            if (done ? done() : elapsed >= duration)
                return true;
            if (elapsed > std::chrono::seconds(10))
                return false;
        }
    }

    /** Opens the editor and waits until its window is on screen. */
    void showEditor()
    {
        openEditor();
        ASSERT_TRUE(idleFor({}, [this] { return viewableChildren() > 0; })) << "the editor never showed";
    }

    void openEditor()
    {
        ERect* rect = nullptr;
        host.dispatch(effEditGetRect, 0, 0, &rect);
        ASSERT_NE(rect, nullptr);
        EXPECT_EQ(rect->right - rect->left, editorWidth);
        EXPECT_EQ(rect->bottom - rect->top, editorHeight);
        ASSERT_EQ(host.dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(parent)), 1);
        editorOpen = true;
    }

    void closeEditor()
    {
        host.dispatch(effEditClose);
        editorOpen = false;
    }

    unsigned childWindows() { return children(false); }
    unsigned viewableChildren() { return children(true); }

    unsigned children(bool viewableOnly)
    {
        Window root, parentOfParent, *windows = nullptr;
        unsigned count = 0, viewable = 0;
        XQueryTree(display, parent, &root, &parentOfParent, &windows, &count);
        for (unsigned i = 0; i < count; ++i)
        {
            XWindowAttributes attributes;
            viewable += XGetWindowAttributes(display, windows[i], &attributes) && attributes.map_state == IsViewable;
        }
        if (windows != nullptr)
            XFree(windows);
        return viewableOnly ? viewable : count;
    }

    void pointerTo(int x, int y)
    {
        XTestFakeMotionEvent(display, -1, x, y, CurrentTime);
        XFlush(display);
        idleFor(std::chrono::milliseconds(30));
    }

    void button(bool down)
    {
        XTestFakeButtonEvent(display, 1, down ? True : False, CurrentTime);
        XFlush(display);
        idleFor(std::chrono::milliseconds(30));
    }

    /** The screen under the editor as 0xAARRGGBB pixels. */
    std::vector<std::uint32_t> screenshot()
    {
        XImage* image = XGetImage(display, DefaultRootWindow(display), 0, 0, editorWidth, editorHeight, AllPlanes,
                                  ZPixmap);
        std::vector<std::uint32_t> pixels;
        if (image == nullptr)
            return pixels;
        for (int y = 0; y < editorHeight; ++y)
            for (int x = 0; x < editorWidth; ++x)
                pixels.push_back(0xff000000u | (std::uint32_t)XGetPixel(image, x, y));
        XDestroyImage(image);
        return pixels;
    }

    AEffect* effect() { return host.effect; }

    Vst2Host host;
    Display* display = nullptr;
    Window parent = 0;
    bool editorOpen = false;
};

double brightness(std::uint32_t pixel)
{
    return ((pixel >> 16 & 0xff) + (pixel >> 8 & 0xff) + (pixel & 0xff)) / 3.0;
}
} // namespace

TEST_F(EditorOnScreen, ADragOnTheVolumeFaderIsRecordedAsMainVolumeAutomation)
{
    showEditor();
    idleFor(std::chrono::milliseconds(200));
    host.takeEdits();
    const float before = effect()->getParameter(effect(), mainVolume);

    pointerTo(volumeX, volumeY);
    button(true);
    for (int step = 1; step <= 4; ++step)
        pointerTo(volumeX, volumeY - 6 * step);
    button(false);

    std::vector<Vst2Host::Edit> edits;
    idleFor({}, [&] {
        for (const auto& edit : host.takeEdits())
            edits.push_back(edit);
        return ! edits.empty() && edits.back().opcode == audioMasterEndEdit;
    });
    ASSERT_GE(edits.size(), 3u);
    EXPECT_EQ(edits.front().opcode, audioMasterBeginEdit);
    EXPECT_EQ(edits.back().opcode, audioMasterEndEdit);
    float last = before;
    for (const auto& edit : edits)
    {
        EXPECT_EQ(edit.index, mainVolume);
        if (&edit != &edits.front() && &edit != &edits.back())
        {
            EXPECT_EQ(edit.opcode, audioMasterAutomate);
            EXPECT_GT(edit.value, last); // moving up raises the volume
            last = edit.value;
        }
    }
    EXPECT_EQ(effect()->getParameter(effect(), mainVolume), last);
}

TEST_F(EditorOnScreen, OpensAndClosesFiftyTimesWhileTheHostAutomates)
{
    std::atomic<bool> running{true};
    std::thread automation([&] {
        std::vector<float> left(testBlockSize), right(testBlockSize);
        for (unsigned n = 0; running; ++n)
        {
            for (int id = 0; id < 17; ++id)
                effect()->setParameter(effect(), id, (float)((n * 7 + (unsigned)id * 3) % 11) / 10.0f);
            float* outputs[2] = {left.data(), right.data()};
            effect()->processReplacing(effect(), nullptr, outputs, testBlockSize);
        }
    });

    long residentAfterTen = 0;
    for (int cycle = 1; cycle <= 50; ++cycle)
    {
        openEditor();
        idleFor(std::chrono::milliseconds(40));
        closeEditor();
        idleFor(std::chrono::milliseconds(5));
        ASSERT_EQ(childWindows(), 0u) << "cycle " << cycle;
        if (cycle == 10)
            residentAfterTen = residentBytes();
    }
    running = false;
    automation.join();

    // One editor holds far more than this (the scaled splash alone is 1.2 MB), so
    // forty leaked editors could not hide below it.
    EXPECT_LT(residentBytes() - residentAfterTen, 16l << 20);
}

TEST_F(EditorOnScreen, ShowsTheWholeEditor)
{
    showEditor();
    // The paper is light everywhere; a window left unpainted stays black.
    auto darkPixels = [](const std::vector<std::uint32_t>& pixels) {
        int dark = 0;
        for (auto pixel : pixels)
            dark += brightness(pixel) < 40.0;
        return dark;
    };
    std::vector<std::uint32_t> pixels;
    idleFor({}, [&] {
        pixels = screenshot();
        return darkPixels(pixels) < editorWidth * editorHeight / 100;
    });
    idleFor(std::chrono::milliseconds(300)); // the last strokes of the first paint
    pixels = screenshot();
    ASSERT_EQ(pixels.size(), (size_t)(editorWidth * editorHeight));
    const bool withGLX = std::getenv(withoutGLXVariable) == nullptr;
    std::cout << "[ artefact ] "
              << saveArtefact(withGLX ? "editor.png" : "editor-without-glx.png", editorWidth, editorHeight, pixels)
              << std::endl;

    EXPECT_LT(darkPixels(pixels), editorWidth * editorHeight / 100);

    // The "VOLUME" fader's pencil track runs down the middle of the fader: darker
    // than the paper beside it.
    double track = 0.0, beside = 0.0;
    for (int y = 45; y < 110; ++y)
    {
        track += brightness(pixels[(size_t)(y * editorWidth + volumeX)]);
        beside += brightness(pixels[(size_t)(y * editorWidth + volumeX + 15)]);
    }
    EXPECT_LT(track, beside - 65 * 20.0);
}

TEST(EditorWithoutGLX, PaintsTheOrdinaryWay)
{
    if (std::getenv(withoutGLXVariable) != nullptr)
        GTEST_SKIP() << "already in the process without GLX";
    // A process of its own, whose private X server has no GLX.
    std::vector<std::string> variables = {std::string(withoutGLXVariable) + "=1"};
    for (char** v = environ; *v != nullptr; ++v)
        variables.push_back(*v);
    std::vector<char*> environment;
    for (auto& v : variables)
        environment.push_back(v.data());
    environment.push_back(nullptr);
    const char* arguments[] = {"tovka_plugin_tests", "--gtest_filter=EditorOnScreen.ShowsTheWholeEditor", nullptr};

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0)
    {
        execve("/proc/self/exe", const_cast<char**>(arguments), environment.data());
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "the editor without GLX failed or crashed (status " << status << ")";
}
