// The real processor with its real editor in a window on the test process's private X server.
// Mouse input goes through the window's peer, so the framework hit-tests and detects double-clicks
// as it does for a user; the host's view is taken from listeners on the parameter objects.
#include <memory>

#include <gtest/gtest.h>

#include "PluginEditor.h"
#include "PluginTestSupport.h"

namespace
{
/** One report as the host sees it: "begin 14", "value 14 0.3" (the value's every digit) or "end 14". */
std::string report(const char* kind, int id, float value = 0.0f)
{
    const auto text = std::string(kind) + " " + std::to_string(id);
    return kind == std::string("value") ? text + " " + juce::String(value, 9).toStdString() : text;
}

/** What the host hears from the parameter objects: host-notified values and gestures. */
struct HostEar : juce::AudioProcessorParameter::Listener
{
    explicit HostEar(juce::AudioProcessor& processor) : parameters(processor.getParameters())
    {
        for (auto* p : parameters)
            p->addListener(this);
    }
    ~HostEar() override
    {
        for (auto* p : parameters)
            p->removeListener(this);
    }
    void parameterValueChanged(int id, float value) override
    {
        reports.push_back(report("value", id, value));
    }
    void parameterGestureChanged(int id, bool starting) override
    {
        reports.push_back(report(starting ? "begin" : "end", id));
    }
    std::vector<std::string> take() { return std::exchange(reports, {}); }

    juce::Array<juce::AudioProcessorParameter*> parameters;
    std::vector<std::string> reports;
};

/** Counts what the window paints: a transparent component in front of everything
    is painted with every region the framework repaints. */
struct PaintProbe : juce::Component
{
    PaintProbe() { setInterceptsMouseClicks(false, false); }
    void paint(juce::Graphics& g) override
    {
        const juce::ScopedLock lock(areasLock);
        areas.add(g.getClipBounds());
    }
    juce::RectangleList<int> take()
    {
        const juce::ScopedLock lock(areasLock);
        return std::exchange(areas, {});
    }
    juce::CriticalSection areasLock; // painted on the OpenGL thread when it is attached
    juce::RectangleList<int> areas;
};

void pump(int milliseconds)
{
    juce::MessageManager::getInstance()->runDispatchLoopUntil(milliseconds);
}

class Editor : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // Values away from the defaults and from every preset, distinct per id.
        for (int id = 0; id < NumParameters; ++id)
            processor.getParameters()[id]->setValueNotifyingHost(0.05f + 0.05f * (float)id);
        editor.reset(dynamic_cast<TovkaAudioProcessorEditor*>(processor.createEditorIfNeeded()));
        ASSERT_NE(editor, nullptr);
    }

    /** Puts the editor in a window, with the probe in front, and waits until the
        first paint is over: something painted, then 200 ms of nothing. */
    void show()
    {
        probe.setBounds(editor->getLocalBounds());
        editor->addAndMakeVisible(probe);
        editor->addToDesktop(0);
        editor->setVisible(true);
        nextPaint();
        for (int wait = 0; wait < 50; ++wait)
        {
            pump(200);
            if (probe.take().isEmpty())
                break;
        }
    }

    /** Pumps the message loop until the window has painted something, at most 5 s. */
    juce::RectangleList<int> nextPaint()
    {
        juce::RectangleList<int> painted;
        for (int wait = 0; wait < 250 && painted.isEmpty(); ++wait)
        {
            pump(20);
            painted = probe.take();
        }
        return painted;
    }

    float parameter(int id) { return processor.getParameters()[id]->getValue(); }

    /** Every bound widget shows its parameters' values. */
    void expectWidgetsShowTheValues()
    {
        for (int id = 0; id < NumParameters; ++id)
            if (auto* widget = editor->widgetForParam[id]; widget != nullptr)
            {
                EXPECT_EQ(widget->getValueForParamId(id), parameter(id)) << id;
            }
    }

    // Real input through the peer; the clock moves on 50 ms per event, well inside
    // the double-click time.
    void mouse(juce::Point<int> at, bool down)
    {
        time += 50;
        editor->getPeer()->handleMouseEvent(
            juce::MouseInputSource::InputSourceType::mouse, at.toFloat(),
            down ? juce::ModifierKeys::leftButtonModifier : juce::ModifierKeys(),
            juce::MouseInputSource::defaultPressure, juce::MouseInputSource::defaultOrientation, time);
    }
    void click(juce::Point<int> at)
    {
        mouse(at, true);
        mouse(at, false);
    }

    TovkaAudioProcessor processor;
    PaintProbe probe; // outlives the editor it is a child of
    std::unique_ptr<TovkaAudioProcessorEditor> editor;
    juce::int64 time = juce::Time::currentTimeMillis();
};
} // namespace

TEST_F(Editor, ShowsTheValuesBeforeItsFirstTickAndLaysTheWindowOut)
{
    expectWidgetsShowTheValues();

    // The layout at the editor's only size, from the title's and the logo's bounds.
    EXPECT_EQ(editor->getBounds(), juce::Rectangle<int>(0, 0, 780, 400));
    EXPECT_FALSE(editor->isResizable());
    auto& legato = editor->legatoSelector;
    const int rh = legato.getHeight();
    const auto& in = editor->turnIn.getBounds();
    const auto& out = editor->turnOut.getBounds();
    // The turn rows flank the envelope editor, centred on its height; the legato row tops the middle pad.
    const std::tuple<const char*, juce::Component*, juce::Rectangle<int>> expected[] = {
        {"presetManager", &editor->presetManager, {0, 0, 780, 400}},
        {"presetBar", editor->presetBar, {625, 5, 150, 25}},
        {"background", &editor->background, {0, 0, 780, 400}},
        {"adsrWidget", &editor->adsrWidget, {228, 41, 322, 89}},
        {"volumeSlider", &editor->volumeSlider, {725, 41, 45, 89}},
        {"roomSlider", &editor->roomSlider, {680, 41, 45, 89}},
        {"characterPad", &editor->characterPad, {57, 155, 214, 214}},
        {"throatPad", &editor->throatPad, {531, 155, 214, 214}},
        {"legatoTimesPad", &editor->legatoTimesPad, {304, 155 + rh, 214, 214 - rh}},
        {"turnIn",
         &editor->turnIn,
         {223 - in.getWidth(), 85 - in.getHeight() / 2, in.getWidth(), in.getHeight()}},
        {"turnOut", &editor->turnOut, {550, 85 - out.getHeight() / 2, out.getWidth(), out.getHeight()}},
        {"legatoSelector", &legato, {412 - legato.getWidth() / 2, 155, legato.getWidth(), rh}},
    };
    for (const auto& [name, component, bounds] : expected)
        EXPECT_EQ(component->getBounds().toString(), bounds.toString()) << name;
    // The radio rows were laid out for the clamped font size 22: the returned size is what the row holds.
    EXPECT_EQ(legato.prepareForFontSize(22), juce::Point<int>(legato.getWidth(), rh));
}

TEST_F(Editor, DoubleClickAndWheelSetValuesWithoutGestures)
{
    show();
    const auto volume = editor->volumeSlider.getBounds().getCentre();
    HostEar ear(processor);
    click(volume);
    click(volume);
    // Each click is a gesture of its own; the reset value comes after the second.
    auto reports = ear.take();
    ASSERT_GE(reports.size(), 2u);
    EXPECT_EQ(reports.back(), report("value", 14, processor.getParameters()[14]->getDefaultValue()));
    EXPECT_EQ(reports[reports.size() - 2], report("end", 14));

    time += 50;
    editor->getPeer()->handleMouseWheel(juce::MouseInputSource::InputSourceType::mouse, volume.toFloat(),
                                        time, {0.0f, 0.25f, false, false, false});
    reports = ear.take();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0], report("value", 14, parameter(14)));
}

TEST_F(Editor, MirrorPushesOnlyWhatChangedAndRepaintsNothingElse)
{
    show();
    pump(300);
    EXPECT_TRUE(probe.take().isEmpty()) << "an idle editor repaints";

    // Host automation of one envelope time reaches only its own id, at the next tick.
    auto& values = editor->adsrWidget.values;
    const std::vector<float> before(std::begin(values), std::end(values));
    processor.getParameters()[1]->setValueNotifyingHost(0.9f);
    EXPECT_EQ(values[1], before[1]) << "pushed before the tick";
    const auto painted = nextPaint();
    EXPECT_EQ(std::vector<float>(std::begin(values), std::end(values)),
              (std::vector<float>{before[0], 0.9f, before[2], before[3]}));
    EXPECT_FALSE(painted.isEmpty());
    EXPECT_TRUE(editor->adsrWidget.getBounds().contains(painted.getBounds()))
        << painted.getBounds().toString();

    // "Pitchbend" has no widget: its automation changes nothing on screen.
    processor.getParameters()[4]->setValueNotifyingHost(0.9f);
    pump(300);
    EXPECT_TRUE(probe.take().isEmpty());
}

TEST_F(Editor, PresetsApplyInIdOrderAndShowAtTheNextTick)
{
    show();
    const auto barX = editor->presetBar->getX();
    HostEar ear(processor);
    click({barX + 135, 17}); // ">": the first preset, "INIT"
    std::vector<std::string> expected;
    for (int id = 0; id < NumParameters; ++id)
        expected.push_back(report("value", id, processor.getParameters()[id]->getDefaultValue()));
    EXPECT_EQ(ear.take(), expected);
    EXPECT_EQ(editor->presetBar->nameButton.getButtonText(), "INIT");
    EXPECT_NE(editor->volumeSlider.getValue(), parameter(14)) << "shown during the recall";
    pump(50);
    expectWidgetsShowTheValues();

    // The browser opens in front of everything, the bar included, and closing it
    // (a click on the dimmed area) leaves the window as it was.
    const auto children = editor->getChildren();
    click({barX + 75, 17});
    EXPECT_EQ(editor->getChildren().getLast(), &editor->presetManager);
    auto* front = editor->getComponentAt(barX + 75, 17);
    EXPECT_TRUE(front == &editor->presetManager || editor->presetManager.isParentOf(front));
    click({20, 200});
    EXPECT_EQ(editor->getChildren(), children);
}

TEST_F(Editor, TheLogoOpensTheProductPageOncePerReleaseOverIt)
{
    show();
    // A stand-in for the desktop's opener, first on the search path.
    const auto bin = juce::File::createTempFile("bin");
    bin.createDirectory();
    const auto log = bin.getChildFile("opened");
    const auto opener = bin.getChildFile("xdg-open");
    opener.replaceWithText("#!/bin/sh\necho \"$*\" >> '" + log.getFullPathName() + "'\n", false, false, "\n");
    opener.setExecutePermission(true);
    const juce::String path = std::getenv("PATH");
    setenv("PATH", (bin.getFullPathName() + ":" + path).toRawUTF8(), 1);

    // The opener runs in a process of its own: wait for its lines, then a little longer for a surplus one.
    auto opened = [&](int expected)
    {
        auto lines = [&] { return juce::StringArray::fromLines(log.loadFileAsString().trim()); };
        for (int wait = 0; wait < 100 && (!log.exists() || lines().size() < expected); ++wait)
            juce::Thread::sleep(20);
        juce::Thread::sleep(200);
        return lines();
    };
    const auto logo = editor->background.logo.getBounds().getCentre();
    click(logo);
    EXPECT_EQ(opened(1), juce::StringArray("https://www.orvalunde.com/products/tovka"));
    // Pressed on the logo, released beside it: nothing opens.
    mouse(logo, true);
    mouse({logo.x, logo.y - 40}, true);
    mouse({logo.x, logo.y - 40}, false);
    click(logo);
    EXPECT_EQ(opened(2).size(), 2);

    setenv("PATH", path.toRawUTF8(), 1);
    bin.deleteRecursively();
}

TEST_F(Editor, IgnoresReportsForIdsItDoesNotHave)
{
    HostEar ear(processor);
    for (int id : {-1, NumParameters})
    {
        editor->ui_beginGesture(nullptr, id);
        editor->valueChanged(nullptr, id, 0.5f);
        editor->ui_endGesture(nullptr, id);
        EXPECT_EQ(editor->defaultValueForParamId(id), 0.0f);
        EXPECT_EQ(editor->currentValueForParamId(id), 0.0f);
    }
    EXPECT_TRUE(ear.take().empty());
}
