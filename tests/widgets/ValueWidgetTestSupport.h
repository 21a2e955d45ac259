#pragma once

#include "BinaryData.h"
#include "EComponent.h"
#include "FontManager.h"
#include "TKUICallback.h"
#include "WidgetTestSupport.h"

#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

/**
    Helpers for the value-widget tests: an owner that records every report, a
    mouse that sends the framework's own events to a widget, a repaint counter,
    rendering at a display scale, and the checks every dragged widget shares.
*/
namespace widgettest
{
/** One report a widget made to its owner: "begin", "change" (with a value) or "end". */
struct Report
{
    std::string what;
    int id = 0;
    float value = 0.0f;
};

inline std::ostream& operator<<(std::ostream& out, const Report& r)
{
    return out << r.what << ' ' << r.id << (r.what == "change" ? " " + std::to_string(r.value) : "");
}

/** An owner that records every report in order and answers defaults from a table. */
struct RecordingOwner : TKUICallback
{
    void valueChanged(EComponent*, int id, float v) override { reports.push_back({"change", id, v}); }
    float defaultValueForParamId(int id) override { return defaults.count(id) != 0 ? defaults[id] : 0.0f; }
    void ui_beginGesture(EComponent*, int id) override { reports.push_back({"begin", id, 0.0f}); }
    void ui_endGesture(EComponent*, int id) override { reports.push_back({"end", id, 0.0f}); }

    std::vector<Report> reports;
    std::map<int, float> defaults;
};

/** Kinds and ids exactly; values to within float rounding, and a clamped 0 or 1 exactly. */
inline void expectReports(const std::vector<Report>& actual, const std::vector<Report>& expected,
                          const std::string& context)
{
    ASSERT_EQ(actual.size(), expected.size()) << context << "\n" << ::testing::PrintToString(actual);
    for (size_t i = 0; i < actual.size(); ++i)
    {
        EXPECT_EQ(actual[i].what + std::to_string(actual[i].id),
                  expected[i].what + std::to_string(expected[i].id))
            << context << " #" << i;
        if (expected[i].value == 0.0f || expected[i].value == 1.0f)
            EXPECT_EQ(actual[i].value, expected[i].value) << context << " #" << i;
        else
            EXPECT_NEAR(actual[i].value, expected[i].value, 1e-6) << context << " #" << i;
    }
}

/** Counts a component's repaints through the framework's cached-image hook
    (and makes it visible: a hidden component does not repaint). */
struct RepaintCounter : juce::CachedComponentImage
{
    static RepaintCounter& attachTo(juce::Component& c)
    {
        auto* counter = new RepaintCounter(); // owned by the component
        c.setVisible(true);
        c.setCachedComponentImage(counter);
        counter->count = 0;
        return *counter;
    }
    void paint(juce::Graphics&) override {}
    bool invalidateAll() override { return ++count, true; }
    bool invalidate(const juce::Rectangle<int>&) override { return ++count, true; }
    void releaseResources() override {}

    int count = 0;
};

/** Sends the framework's mouse events, built on the desktop's main mouse
    source, to one component's handlers in the order a real mouse makes them. */
struct Mouse
{
    explicit Mouse(juce::Component& target, int modifierFlags = 0) : c(target), mods(modifierFlags) {}

    juce::MouseEvent event(juce::Point<float> at, int clicks) const
    {
        return juce::MouseEvent(juce::Desktop::getInstance().getMainMouseSource(), at, mods, 1.0f, 0.0f, 0.0f,
                                0.0f, 0.0f, &c, &c, juce::Time(), downAt, juce::Time(), clicks, at != downAt);
    }
    void press(float x, float y, int clicks = 1)
    {
        downAt = {x, y};
        c.mouseDown(event(downAt, clicks));
    }
    void drag(float x, float y) { c.mouseDrag(event({x, y}, 1)); }
    void release() { c.mouseUp(event(downAt, 1)); }
    /** A click, then a second press the framework reports as a double-click, and its release. */
    void doubleClick(float x, float y)
    {
        press(x, y), release(), press(x, y, 2);
        c.mouseDoubleClick(event(downAt, 2));
        release();
    }
    void wheel(float deltaX, float deltaY)
    {
        c.mouseWheelMove(event(downAt, 0), juce::MouseWheelDetails{deltaX, deltaY, false, false, false});
    }

    juce::Component& c;
    juce::ModifierKeys mods;
    juce::Point<float> downAt;
};

/** The shared text renderer with the editor's fonts, threshold and fill, for the life of the object. */
struct ScopedFontManager
{
    ScopedFontManager()
    {
        FontManager::create(
            fontFromResource(BinaryData::Enyo_otf, BinaryData::Enyo_otfSize),
            fontFromResource(BinaryData::Pistara_otf, BinaryData::Pistara_otfSize), 16,
            juce::ImageFileFormat::loadFrom(BinaryData::filltexture_png, BinaryData::filltexture_pngSize));
    }
    ~ScopedFontManager() { FontManager::destroy(); }
    ScopedFontManager(const ScopedFontManager&) = delete;
    ScopedFontManager& operator=(const ScopedFontManager&) = delete;
};

/** The component's own paint at `s` device pixels per logical unit, on transparent. */
inline juce::Image renderAt(juce::Component& c, float s)
{
    juce::Image image(juce::Image::ARGB, (int)((float)c.getWidth() * s), (int)((float)c.getHeight() * s),
                      true);
    juce::Graphics g(image);
    g.addTransform(juce::AffineTransform::scale(s));
    c.paint(g);
    return image;
}

inline juce::Point<float> middleOf(juce::Rectangle<int> r)
{
    return {(float)(r.getX() + r.getRight()) * 0.5f, (float)(r.getY() + r.getBottom()) * 0.5f};
}

/** Ink bounds of one area of an image, in the image's coordinates. */
inline juce::Rectangle<int> inkIn(const juce::Image& image, juce::Rectangle<int> area, int threshold = 0)
{
    return inkBounds(image.getClippedImage(area), threshold) + area.getPosition();
}

//==============================================================================
/** A mouse gesture on a widget whose `ids` start at `start`, and the reports it must give. */
struct GestureCase
{
    const char* name;
    std::vector<float> start;
    int mods;
    std::function<void(Mouse&)> act;
    std::vector<Report> expected;
};

/** Runs each case on `widget` with a fresh recording owner, painted first so
    that its handles have their places. Besides the reports: each id keeps the
    value reported last for it, and the widget repaints once per change. */
inline void expectGestures(EComponent& widget, const std::vector<int>& ids,
                           const std::map<int, float>& defaults, const std::vector<GestureCase>& cases)
{
    for (const auto& c : cases)
    {
        RecordingOwner owner;
        owner.defaults = defaults;
        widget.setCallback(&owner);
        for (size_t i = 0; i < ids.size(); ++i)
            widget.setValueForParamId(ids[i], c.start[i]);
        renderAt(widget, 1.0f);
        auto& repaints = RepaintCounter::attachTo(widget);
        Mouse mouse(widget, c.mods);
        c.act(mouse);
        widget.setCallback(nullptr);

        expectReports(owner.reports, c.expected, c.name);
        std::map<int, float> last;
        for (const auto& r : c.expected)
            if (r.what == "change")
                last[r.id] = r.value;
        for (const auto& [id, v] : last)
            EXPECT_FLOAT_EQ(widget.getValueForParamId(id), v) << c.name << " id " << id;
        // One repaint per step, and a step reports each of its ids once.
        int steps = 0, firstId = 0;
        for (const auto& r : c.expected)
            if (r.what == "change" && (steps == 0 || r.id == firstId))
                firstId = r.id, ++steps;
        EXPECT_EQ(repaints.count, steps) << c.name;
    }
}

inline std::vector<float> valuesOf(EComponent& widget, const std::vector<int>& ids)
{
    std::vector<float> values;
    for (const int id : ids)
        values.push_back(widget.getValueForParamId(id));
    return values;
}

/** Without an owner: a double-click at `at` has no default to go to and
    changes nothing, not even the picture; a wheel step of 0.5 still moves the
    value of `wheelId` to `afterWheel` and repaints. */
inline void expectUsableWithoutOwner(EComponent& widget, juce::Point<float> at, const std::vector<int>& ids,
                                     int wheelId, float afterWheel)
{
    widget.setCallback(nullptr);
    renderAt(widget, 1.0f);
    const auto before = valuesOf(widget, ids);
    auto& repaints = RepaintCounter::attachTo(widget);
    Mouse mouse(widget);
    mouse.doubleClick(at.x, at.y);
    EXPECT_EQ(valuesOf(widget, ids), before);
    EXPECT_EQ(repaints.count, 0);
    mouse.wheel(0.0f, 0.5f);
    EXPECT_FLOAT_EQ(widget.getValueForParamId(wheelId), afterWheel);
    EXPECT_EQ(repaints.count, 1);
}

/** A widget that cannot measure a drag (the size it divides by is not
    positive) ignores it, moving or still: only the press's and the release's
    reports for `ids`, no value change and no repaint, so no infinity or NaN
    reaches the owner. */
inline void expectDragIgnored(EComponent& widget, juce::Point<float> at, const std::vector<int>& ids,
                              const std::string& context)
{
    RecordingOwner owner;
    widget.setCallback(&owner);
    renderAt(widget, 1.0f);
    const auto before = valuesOf(widget, ids);
    auto& repaints = RepaintCounter::attachTo(widget);
    Mouse mouse(widget);
    mouse.press(at.x, at.y), mouse.drag(at.x + 10, at.y - 10), mouse.drag(at.x + 10, at.y - 10),
        mouse.release();
    widget.setCallback(nullptr);

    std::vector<Report> expected;
    for (const char* what : {"begin", "end"})
        for (const int id : ids)
            expected.push_back({what, id});
    expectReports(owner.reports, expected, context);
    EXPECT_EQ(valuesOf(widget, ids), before) << context;
    EXPECT_EQ(repaints.count, 0) << context;
}
} // namespace widgettest
