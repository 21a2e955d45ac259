// The real processor with its real editor in a window on the test process's private
// X server. Mouse input goes through the window's peer, so the framework hit-tests,
// tracks drags and detects double-clicks as it does for a user; the host's view is
// taken from listeners on the parameter objects.
#include <fstream>
#include <functional>
#include <memory>

#include <gtest/gtest.h>

#include "PluginEditor.h"
#include "PluginTestSupport.h"

namespace
{
/** One report as the host sees it: "begin 14", "value 14 0.3" (the value's every
    digit) or "end 14". */
std::string report(const char* kind, int id, float value = 0.0f)
{
    auto text = std::string(kind) + " " + std::to_string(id);
    return kind == std::string("value") ? text + " " + juce::String(value, 9).toStdString() : text;
}

/** A report without its value: "value 14". */
std::string kindAndId(const std::string& r)
{
    return r.substr(0, r.find(' ', r.find(' ') + 1));
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
    void parameterValueChanged(int id, float value) override { reports.push_back(report("value", id, value)); }
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
        for (int wait = 0; wait < 100 && probe.take().isEmpty(); ++wait)
            pump(50);
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

    // Real input through the peer; the clock moves on 50 ms per event, well inside
    // the double-click time.
    void mouse(juce::Point<int> at, bool down)
    {
        time += 50;
        editor->getPeer()->handleMouseEvent(juce::MouseInputSource::InputSourceType::mouse, at.toFloat(),
                                            down ? juce::ModifierKeys::leftButtonModifier : juce::ModifierKeys(),
                                            juce::MouseInputSource::defaultPressure,
                                            juce::MouseInputSource::defaultOrientation, time);
    }
    void click(juce::Point<int> at)
    {
        mouse(at, true);
        mouse(at, false);
    }
    void drag(juce::Point<int> from, juce::Point<int> by)
    {
        mouse(from, true);
        mouse(from + by / 2, true);
        mouse(from + by, true);
        mouse(from + by, false);
    }
    void wheel(juce::Point<int> at, float deltaY)
    {
        time += 50;
        editor->getPeer()->handleMouseWheel(juce::MouseInputSource::InputSourceType::mouse, at.toFloat(), time,
                                            {0.0f, deltaY, false, false, false});
    }

    /** Centre of `c` in the editor's coordinates. */
    juce::Point<int> centreOf(juce::Component& c) { return editor->getLocalArea(&c, c.getLocalBounds()).getCentre(); }

    /** A point of the envelope editor on handle `handle` (1 attack .. 4 release). */
    juce::Point<int> adsrHandle(int handle)
    {
        auto& adsr = editor->adsrWidget;
        for (int y = 0; y < adsr.getHeight(); ++y)
            for (int x = 0; x < adsr.getWidth(); ++x)
                if (adsr.hitTest(juce::Point<int>(x, y)) == handle)
                    return adsr.getPosition() + juce::Point<int>(x, y);
        ADD_FAILURE() << "no point on handle " << handle;
        return {};
    }

    /** The middle of a radio row's last item, which the values set up here
        (0.35, 0.4 and 0.5) never select. */
    juce::Point<int> otherItem(TKRadioButtons& row)
    {
        const auto& item = row.items.back();
        return row.getPosition() + juce::Rectangle<int>(item.x, item.y, item.width, item.height).getCentre();
    }

    TovkaAudioProcessor processor;
    PaintProbe probe; // outlives the editor it is a child of
    std::unique_ptr<TovkaAudioProcessorEditor> editor;
    juce::int64 time = juce::Time::currentTimeMillis();
};
} // namespace

TEST_F(Editor, ShowsTheCurrentValuesAndLaysTheWindowOut)
{
    // Before any timer tick: every bound id shows the processor's value.
    for (int id = 0; id < NumParameters; ++id)
    {
        auto* widget = editor->widgetForParam[id];
        EXPECT_EQ(widget == nullptr, id == 4 || id == 5) << id;
        if (widget != nullptr)
        {
            EXPECT_EQ(widget->getValueForParamId(id), parameter(id)) << id;
        }
    }
    EXPECT_EQ(editor->presetBar->nameButton.getButtonText(), "---");
    EXPECT_EQ(editor->legatoSelector.items[2].label, "Hold ");
    EXPECT_EQ(editor->turnIn.items[1].label, "On");
    EXPECT_TRUE(editor->legatoTimesPad.title.isEmpty());

    // The layout at the editor's only size, from the title's and the logo's bounds.
    EXPECT_EQ(editor->getBounds(), juce::Rectangle<int>(0, 0, 780, 400));
    EXPECT_FALSE(editor->isResizable());
    const int rh = editor->legatoSelector.getHeight();
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
    };
    for (const auto& [name, component, bounds] : expected)
        EXPECT_EQ(component->getBounds().toString(), bounds.toString()) << name;
    const auto& turnIn = editor->turnIn.getBounds();
    const auto& turnOut = editor->turnOut.getBounds();
    const auto& legato = editor->legatoSelector.getBounds();
    EXPECT_EQ(turnIn.getRight(), 223);
    EXPECT_EQ(turnOut.getX(), 550);
    EXPECT_EQ(turnIn.getY(), 41 + 44 - turnIn.getHeight() / 2);
    EXPECT_EQ(turnOut.getY(), 41 + 44 - turnOut.getHeight() / 2);
    EXPECT_EQ(legato.getY(), 155);
    EXPECT_EQ(legato.getX(), 412 - legato.getWidth() / 2);
    // The radio rows were laid out for the clamped font size 22: the returned size
    // is what the row holds.
    EXPECT_EQ(editor->legatoSelector.prepareForFontSize(22), juce::Point<int>(legato.getWidth(), rh));
}

TEST_F(Editor, DragsBecomeHostGesturesAndValuesOfExactlyTheWidgetsIds)
{
    show();
    struct Case
    {
        const char* what;
        std::function<juce::Point<int>()> press;
        juce::Point<int> by;
        std::vector<int> ids;
    };
    auto& e = *editor;
    const Case cases[] = {
        {"attack handle", [&] { return adsrHandle(1); }, {6, 0}, {0}},
        {"decay handle", [&] { return adsrHandle(2); }, {6, 0}, {1}},
        {"sustain segment", [&] { return adsrHandle(3); }, {0, 6}, {2}},
        {"release handle", [&] { return adsrHandle(4); }, {-6, 0}, {3}},
        {"Character pad", [&] { return centreOf(e.characterPad); }, {10, -10}, {12, 13}},
        {"Throat pad", [&] { return centreOf(e.throatPad); }, {10, -10}, {8, 15}},
        {"legato times pad", [&] { return centreOf(e.legatoTimesPad); }, {10, -10}, {10, 11}},
        {"VOLUME", [&] { return centreOf(e.volumeSlider); }, {0, -10}, {14}},
        {"ROOM", [&] { return centreOf(e.roomSlider); }, {0, -10}, {16}},
    };
    for (const auto& c : cases)
    {
        HostEar ear(processor);
        drag(c.press(), c.by);
        const auto reports = ear.take();
        const size_t n = c.ids.size();
        ASSERT_GE(reports.size(), 4 * n) << c.what; // begins, two steps of values, ends
        for (size_t i = 0; i < reports.size(); ++i)
        {
            const auto kind = i < n ? "begin" : i >= reports.size() - n ? "end" : "value";
            EXPECT_EQ(kindAndId(reports[i]), kindAndId(report(kind, c.ids[i % n]))) << c.what << " report " << i;
        }
        // The last values reached the parameters, and the widget shows them.
        for (size_t i = 0; i < n; ++i)
        {
            const int id = c.ids[i];
            EXPECT_EQ(reports[reports.size() - 2 * n + i], report("value", id, parameter(id))) << c.what;
            EXPECT_EQ(editor->widgetForParam[id]->getValueForParamId(id), parameter(id)) << c.what;
        }
    }

    // A radio row reports the whole gesture at the release over another item.
    for (auto* row : {&e.turnIn, &e.turnOut, &e.legatoSelector})
    {
        HostEar ear(processor);
        click(otherItem(*row));
        const std::vector<std::string> expected = {report("begin", row->paramId), report("value", row->paramId, 1.0f),
                                                   report("end", row->paramId)};
        EXPECT_EQ(ear.take(), expected) << row->title;
    }
}

TEST_F(Editor, DoubleClickAndWheelSetValuesWithoutGestures)
{
    show();
    const auto volume = centreOf(editor->volumeSlider);
    HostEar ear(processor);
    click(volume);
    click(volume);
    auto reports = ear.take();
    // Each click is a gesture of its own; the reset value comes after the second.
    ASSERT_GE(reports.size(), 2u);
    EXPECT_EQ(reports.back(), report("value", 14, processor.getParameters()[14]->getDefaultValue()));
    EXPECT_EQ(reports[reports.size() - 2], report("end", 14));

    wheel(volume, 0.25f);
    reports = ear.take();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(kindAndId(reports[0]), "value 14");
}

TEST_F(Editor, MirrorPushesOnlyWhatChangedAndRepaintsNothingElse)
{
    show();
    pump(300);
    EXPECT_TRUE(probe.take().isEmpty()) << "an idle editor repaints";

    // Host automation of one envelope time reaches only its own id.
    const std::vector<float> before(std::begin(editor->adsrWidget.values), std::end(editor->adsrWidget.values));
    processor.getParameters()[1]->setValueNotifyingHost(0.9f);
    EXPECT_EQ(editor->adsrWidget.values[1], before[1]) << "pushed before the tick";
    const auto painted = nextPaint();
    const std::vector<float> after(std::begin(editor->adsrWidget.values), std::end(editor->adsrWidget.values));
    EXPECT_EQ(after, (std::vector<float>{before[0], 0.9f, before[2], before[3]}));
    EXPECT_FALSE(painted.isEmpty());
    EXPECT_TRUE(editor->adsrWidget.getBounds().contains(painted.getBounds())) << painted.getBounds().toString();

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
    for (int id = 0; id < NumParameters; ++id)
    {
        if (auto* widget = editor->widgetForParam[id])
        {
            EXPECT_EQ(widget->getValueForParamId(id), parameter(id)) << id;
        }
    }

    // The browser opens in front of everything, the bar included, and closing it
    // (a click on the dimmed area) leaves the window as it was.
    const auto children = editor->getChildren();
    click({barX + 75, 17});
    EXPECT_EQ(editor->getChildren().getLast(), &editor->presetManager);
    EXPECT_TRUE(editor->presetManager.isParentOf(editor->getComponentAt(barX + 75, 17)) ||
                editor->getComponentAt(barX + 75, 17) == &editor->presetManager);
    click({20, 200});
    EXPECT_EQ(editor->getChildren(), children);
    EXPECT_EQ(editor->presetBar->getBounds(), juce::Rectangle<int>(625, 5, 150, 25));
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

    const auto logo = editor->background.logo.getBounds().getCentre();
    // The opener runs in a process of its own: wait for its lines, then a little
    // longer for any surplus one.
    auto opened = [&](int expected) {
        auto lines = [&] { return juce::StringArray::fromLines(log.loadFileAsString().trim()); };
        for (int wait = 0; wait < 100 && (! log.exists() || lines().size() < expected); ++wait)
            juce::Thread::sleep(20);
        juce::Thread::sleep(200);
        return lines();
    };

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
