// The real processor with its real editor in a window on the test process's private X server. Mouse
// input goes through the window's peer, so the framework hit-tests and detects double-clicks as it
// does for a user; the host's view is what the parameters' listeners hear.
#include <gtest/gtest.h>

#include "PluginEditor.h"
#include "PluginTestSupport.h"

namespace
{
/** In front of everything, transparent: painted with every region the window repaints. */
struct PaintProbe : juce::Component
{
    PaintProbe() { setInterceptsMouseClicks(false, false); }
    void paint(juce::Graphics& g) override
    {
        const juce::ScopedLock lock(areasLock); // painted on the OpenGL thread when it is attached
        areas.add(g.getClipBounds());
    }
    juce::RectangleList<int> take()
    {
        const juce::ScopedLock lock(areasLock);
        return std::exchange(areas, {});
    }
    juce::CriticalSection areasLock;
    juce::RectangleList<int> areas;
};

class Editor : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // Values away from the defaults and from every preset, distinct per id.
        for (int id = 0; id < NumParameters; ++id)
            parameter(id).setValueNotifyingHost(0.05f + 0.05f * (float)id);
        editor.reset(dynamic_cast<TovkaAudioProcessorEditor*>(processor.createEditorIfNeeded()));
        ASSERT_NE(editor, nullptr);
    }

    /** Puts the editor in a window, the probe in front, and waits for 200 ms without a paint. */
    void show()
    {
        probe.setBounds(editor->getLocalBounds());
        editor->addAndMakeVisible(probe);
        editor->addToDesktop(0);
        editor->setVisible(true);
        nextPaint();
        for (int wait = 0; wait < 50; ++wait)
            if (nextPaint(200).isEmpty())
                break;
    }

    /** Pumps the message loop until the window paints something, at most `timeout` ms. */
    juce::RectangleList<int> nextPaint(int timeout = 5000)
    {
        juce::RectangleList<int> painted;
        for (int waited = 0; waited < timeout && painted.isEmpty(); waited += 20)
        {
            pump(20);
            painted = probe.take();
        }
        return painted;
    }

    juce::AudioProcessorParameter& parameter(int id) { return *processor.getParameters()[id]; }

    void expectWidgetsShowTheValues()
    {
        for (int id = 0; id < NumParameters; ++id)
            if (auto* widget = editor->widgetForParam[id])
            {
                EXPECT_EQ(widget->getValueForParamId(id), parameter(id).getValue()) << id;
            }
    }

    /** Real input through the peer; the clock moves 50 ms per event, inside the double-click time. */
    void click(juce::Point<int> at)
    {
        for (const int buttons : {(int)juce::ModifierKeys::leftButtonModifier, 0})
            editor->getPeer()->handleMouseEvent(juce::MouseInputSource::InputSourceType::mouse, at.toFloat(),
                                                buttons, juce::MouseInputSource::defaultPressure,
                                                juce::MouseInputSource::defaultOrientation, time += 50);
    }

    TovkaAudioProcessor processor;
    Heard heard{processor};
    PaintProbe probe; // outlives the editor it is a child of
    std::unique_ptr<TovkaAudioProcessorEditor> editor;
    juce::int64 time = juce::Time::currentTimeMillis();
};
} // namespace

TEST_F(Editor, ShowsTheValuesBeforeItsFirstTickAndLaysTheWindowOut)
{
    expectWidgetsShowTheValues();
    EXPECT_EQ(editor->getBounds(), juce::Rectangle<int>(0, 0, 780, 400));
    EXPECT_FALSE(editor->isResizable());
    // The turn rows flank the envelope editor, centred on its height; the legato row tops the middle pad.
    auto& legato = editor->legatoSelector;
    const auto in = editor->turnIn.getBounds(), out = editor->turnOut.getBounds(), row = legato.getBounds();
    const std::pair<juce::Component*, juce::Rectangle<int>> expected[] = {
        {&editor->presetManager, {0, 0, 780, 400}},
        {editor->presetBar, {625, 5, 150, 25}},
        {&editor->background, {0, 0, 780, 400}},
        {&editor->adsrWidget, {228, 41, 322, 89}},
        {&editor->volumeSlider, {725, 41, 45, 89}},
        {&editor->roomSlider, {680, 41, 45, 89}},
        {&editor->characterPad, {57, 155, 214, 214}},
        {&editor->throatPad, {531, 155, 214, 214}},
        {&editor->legatoTimesPad, {304, 155 + row.getHeight(), 214, 214 - row.getHeight()}},
        {&editor->turnIn, in.withPosition(223 - in.getWidth(), 85 - in.getHeight() / 2)},
        {&editor->turnOut, out.withPosition(550, 85 - out.getHeight() / 2)},
        {&legato, row.withPosition(412 - row.getWidth() / 2, 155)},
    };
    for (const auto& [component, bounds] : expected)
        EXPECT_EQ(component->getBounds().toString(), bounds.toString()) << &component - &expected[0].first;
    // The radio rows were laid out for the clamped font size 22: the returned size is what the row holds.
    EXPECT_EQ(legato.prepareForFontSize(22), juce::Point<int>(row.getWidth(), row.getHeight()));
}

TEST_F(Editor, DoubleClickAndWheelSetValuesWithoutGesturesAndIdsOutside0To16AreIgnored)
{
    show();
    const auto volume = editor->volumeSlider.getBounds().getCentre();
    heard.take();
    click(volume);
    click(volume);
    // Each click is a gesture of its own; the reset value comes after the second.
    const auto clicks = heard.take();
    ASSERT_GE(clicks.size(), 2u);
    EXPECT_EQ(clicks.back(), Report('v', 14, parameter(14).getDefaultValue()));
    EXPECT_EQ(clicks[clicks.size() - 2], Report('e', 14, 0.0f));

    editor->getPeer()->handleMouseWheel(juce::MouseInputSource::InputSourceType::mouse, volume.toFloat(),
                                        time += 50, {0.0f, 0.25f, false, false, false});
    EXPECT_EQ(heard.take(), std::vector<Report>({{'v', 14, parameter(14).getValue()}}));

    for (int id : {-1, NumParameters})
    {
        editor->ui_beginGesture(nullptr, id);
        editor->valueChanged(nullptr, id, 0.5f);
        editor->ui_endGesture(nullptr, id);
        EXPECT_EQ(editor->defaultValueForParamId(id) + editor->currentValueForParamId(id), 0.0f) << id;
    }
    EXPECT_TRUE(heard.take().empty());
}

TEST_F(Editor, MirrorPushesOnlyWhatChangedAndRepaintsNothingElse)
{
    show();
    pump(300);
    EXPECT_TRUE(probe.take().isEmpty()) << "an idle editor repaints";

    // Host automation of one envelope time reaches only its own id, at the next tick.
    auto& values = editor->adsrWidget.values;
    const std::vector<float> before(std::begin(values), std::end(values));
    parameter(1).setValueNotifyingHost(0.9f);
    EXPECT_EQ(values[1], before[1]) << "pushed before the tick";
    const auto painted = nextPaint();
    EXPECT_EQ(std::vector<float>(std::begin(values), std::end(values)),
              (std::vector<float>{before[0], 0.9f, before[2], before[3]}));
    EXPECT_FALSE(painted.isEmpty());
    EXPECT_TRUE(editor->adsrWidget.getBounds().contains(painted.getBounds()))
        << painted.getBounds().toString();

    // "Pitchbend" has no widget: its automation changes nothing on screen.
    parameter(4).setValueNotifyingHost(0.9f);
    pump(300);
    EXPECT_TRUE(probe.take().isEmpty());
}

TEST_F(Editor, PresetsApplyInIdOrderAndShowAtTheNextTick)
{
    show();
    const auto barX = editor->presetBar->getX();
    heard.take();
    click({barX + 135, 17}); // ">": the first preset, "INIT"
    std::vector<Report> expected;
    for (int id = 0; id < NumParameters; ++id)
        expected.emplace_back('v', id, parameter(id).getDefaultValue());
    EXPECT_EQ(heard.take(), expected);
    EXPECT_EQ(editor->presetBar->nameButton.getButtonText(), "INIT");
    EXPECT_NE(editor->volumeSlider.getValue(), parameter(14).getValue()) << "shown during the recall";
    pump(50);
    expectWidgetsShowTheValues();

    // The browser opens in front of everything, the bar included; a click on its dimmed
    // backdrop closes it and leaves the window as it was.
    const auto children = editor->getChildren();
    click({barX + 75, 17});
    EXPECT_EQ(editor->getChildren().getLast(), &editor->presetManager);
    auto* front = editor->getComponentAt(barX + 75, 17);
    EXPECT_TRUE(front == &editor->presetManager || editor->presetManager.isParentOf(front));
    click({20, 200});
    EXPECT_EQ(editor->getChildren(), children);
}

// The Standalone application starts and stays up on the private X server, with the scratch home.
TEST(Standalone, StartsAndStaysUp)
{
    juce::ChildProcess standalone;
    ASSERT_TRUE(standalone.start(TOVKA_STANDALONE, 0));
    juce::Thread::sleep(3000);
    EXPECT_TRUE(standalone.isRunning()) << "it quit within 3 s; exit code " << standalone.getExitCode();
    standalone.kill();
}
