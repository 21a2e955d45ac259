// The built VST2-compatible library's editor, opened by JUCE's VST host in a real X window on the
// private Xvfb, driven by pointer input the X server delivers (XTest) and looked at through its pixels.
#include <atomic>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <thread>

#include <unistd.h>

#include <gtest/gtest.h>

#include "ParameterTables.h"
#include "PluginTestSupport.h"

// Last: Xlib defines macros (None, Bool) that name types in GoogleTest.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

namespace
{
constexpr int width = 780, height = 400;
/** Parameter id of "Main Volume" and the middle of its fader in the editor. */
constexpr int mainVolume = 14, volumeX = 747, volumeY = 85;

double brightness(std::uint32_t pixel)
{
    return ((pixel >> 16 & 0xff) + (pixel >> 8 & 0xff) + (pixel & 0xff)) / 3.0;
}

class EditorOnScreen : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_NE(player, nullptr);
        ASSERT_NE(display, nullptr) << "no X display";
        // The host's window at the screen's origin: screen and editor coordinates are the same.
        window.setBounds(0, 0, width, height);
        window.addToDesktop(0);
        window.setVisible(true);
    }

    /** The message loop (the host's editor idles the plug-in) until `done` or `milliseconds`; false after 10
     * s. */
    bool idle(int milliseconds, const std::function<bool()>& done = {})
    {
        for (int waited = 0; waited < 10000; waited += 2)
        {
            pump(2);
            if (done ? done() : waited >= milliseconds)
                return true;
        }
        return false;
    }

    /** Opens the editor in the host's window; with `paint`, idles until under 1% of it is dark. */
    void openEditor(bool paint)
    {
        editor.reset(player->processor->createEditor());
        ASSERT_NE(editor, nullptr);
        EXPECT_EQ(std::make_pair(editor->getWidth(), editor->getHeight()), std::make_pair(width, height));
        window.addAndMakeVisible(*editor);
        auto painted = [this]
        {
            const auto pixels = screenshot();
            return std::count_if(pixels.begin(), pixels.end(), [](auto p) { return brightness(p) < 40.0; }) <
                   width * height / 100;
        };
        ASSERT_TRUE(!paint || idle(0, painted)) << "the editor never painted";
        idle(paint ? 300 : 40); // the last strokes of the first paint
    }

    /** Moves the pointer, then presses (1) or releases (0) the button or leaves it (-1). */
    void pointer(int x, int y, int button = -1)
    {
        XTestFakeMotionEvent(display.get(), -1, x, y, CurrentTime);
        if (button >= 0)
            XTestFakeButtonEvent(display.get(), 1, button == 1 ? True : False, CurrentTime);
        XFlush(display.get());
        idle(30);
    }

    /** The screen under the editor as 0xAARRGGBB pixels. */
    std::vector<std::uint32_t> screenshot()
    {
        std::vector<std::uint32_t> pixels;
        XImage* image = XGetImage(display.get(), DefaultRootWindow(display.get()), 0, 0, width, height,
                                  AllPlanes, ZPixmap);
        for (int y = 0; image != nullptr && y < height; ++y)
            for (int x = 0; x < width; ++x)
                pixels.push_back(0xff000000u | (std::uint32_t)XGetPixel(image, x, y));
        if (image != nullptr)
            XDestroyImage(image);
        return pixels;
    }

    std::unique_ptr<Player> player = makePlayer("VST2");
    juce::Component window;
    std::unique_ptr<juce::AudioProcessorEditor> editor; // goes before the window it is in
    const std::unique_ptr<Display, decltype(&XCloseDisplay)> display{XOpenDisplay(nullptr), XCloseDisplay};
};
} // namespace

// Run once more by CTest in a process whose X server has no GLX (CMakeLists.txt).
TEST_F(EditorOnScreen, ShowsTheWholeEditorAndRecordsAVolumeDragAsMainVolumeAutomation)
{
    openEditor(true);
    const auto pixels = screenshot();
    ASSERT_EQ(pixels.size(), (size_t)(width * height));
    const bool withGLX = std::getenv(withoutGLXVariable) == nullptr;
    std::cout << "[ artefact ] "
              << saveArtefact(withGLX ? "editor.png" : "editor-without-glx.png", width, height, pixels)
              << std::endl;
    // The "VOLUME" fader's pencil track runs down its middle: darker than the paper beside it.
    double track = 0.0, beside = 0.0;
    for (int y = 45; y < 110; ++y)
    {
        track += brightness(pixels[(size_t)(y * width + volumeX)]);
        beside += brightness(pixels[(size_t)(y * width + volumeX + 15)]);
    }
    EXPECT_LT(track, beside - 65 * 20.0);

    // Dragged up: begin edit, rising automation, end edit, as the host hears them.
    Heard heard(*player->processor);
    float last = player->value(mainVolume);
    pointer(volumeX, volumeY, 1);
    for (int step = 1; step <= 4; ++step)
        pointer(volumeX, volumeY - 6 * step);
    pointer(volumeX, volumeY - 24, 0);
    std::vector<Report> reports;
    // Until the end edit. A hand's pixel of movement wakes a plug-in whose release waits in Xlib's queue.
    for (int nudge = 0; nudge < 300 && (reports.empty() || std::get<0>(reports.back()) != 'e'); ++nudge)
    {
        const auto more = heard.take();
        reports.insert(reports.end(), more.begin(), more.end());
        pointer(volumeX + nudge % 2, volumeY - 24);
    }
    ASSERT_TRUE(reports.size() >= 3u && std::get<0>(reports.back()) == 'e') << reports.size() << " reports";
    for (size_t i = 0; i < reports.size(); ++i)
    {
        const auto [kind, id, value] = reports[i];
        const char expected = i == 0 ? 'b' : i + 1 == reports.size() ? 'e' : 'v';
        EXPECT_EQ(std::make_pair(kind, id), std::make_pair(expected, mainVolume)) << i;
        EXPECT_TRUE(kind != 'v' || value > std::exchange(last, value)) << i << ": not rising";
    }
    EXPECT_EQ(player->value(mainVolume), last);
}

TEST_F(EditorOnScreen, OpensAndClosesFiftyTimesWhileTheHostAutomates)
{
    std::atomic<bool> running{true};
    std::thread automation(
        [&]
        {
            for (unsigned n = 0; running; ++n)
            {
                for (int id = 0; id < NumParameters; ++id)
                    player->setValue(id, (float)((n * 7 + (unsigned)id * 3) % 11) / 10.0f);
                player->play(1, {});
            }
        });
    auto resident = []
    {
        long pages = 0, bytes = 0;
        std::ifstream("/proc/self/statm") >> pages >> bytes;
        return bytes * sysconf(_SC_PAGESIZE);
    };
    long residentAfterTen = 0;
    for (int cycle = 1; cycle <= 50; ++cycle)
    {
        openEditor(false);
        editor.reset();
        idle(5);
        Window root, parentOfParent, *windows = nullptr;
        unsigned count = 0;
        XQueryTree(display.get(), (Window)window.getWindowHandle(), &root, &parentOfParent, &windows, &count);
        XFree(windows);
        ASSERT_EQ(count, 0u) << "cycle " << cycle;
        residentAfterTen = cycle == 10 ? resident() : residentAfterTen;
    }
    running = false;
    automation.join();
    // One editor holds far more (the scaled splash alone is 1.2 MB): forty leaked ones could not hide below.
    EXPECT_LT(resident() - residentAfterTen, 16l << 20);
}
