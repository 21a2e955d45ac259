#pragma once

#include "BinaryData.h"
#include "EComponent.h"
#include "FontManager.h"
#include "TKGraphics.h"

#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <string>

/** The kit as the editor sets it up: a reference on the FontManager with the editor's fonts and fill, and a
    display scale (0: the framework's). */
struct ScopedKit
{
    explicit ScopedKit(float scale = 0.0f)
    {
        TKGraphics::setDisplayScaleOverride(scale);
        FontManager::create(
            juce::Typeface::createSystemTypefaceFor(BinaryData::Enyo_otf, BinaryData::Enyo_otfSize),
            juce::Typeface::createSystemTypefaceFor(BinaryData::Pistara_otf, BinaryData::Pistara_otfSize), 16,
            juce::ImageFileFormat::loadFrom(BinaryData::filltexture_png, BinaryData::filltexture_pngSize));
    }
    ~ScopedKit()
    {
        FontManager::destroy();
        TKGraphics::setDisplayScaleOverride(0.0f);
    }
};

/** Logs what the widget it owns reports, in order: "b4" begin, "c4=0.600" change (0 or 1 only when exact),
    "e4" end. The default of id n is n / 20. */
struct RecordingOwner : TKUICallback
{
    explicit RecordingOwner(EComponent& widget) { widget.setCallback(this); }
    void valueChanged(EComponent*, int id, float v) override
    {
        add("c" + std::to_string(id) + "=" + juce::String(v, v == 0.0f || v == 1.0f ? 0 : 3).toStdString());
    }
    float defaultValueForParamId(int id) override { return (float)id / 20.0f; }
    void ui_beginGesture(EComponent*, int id) override { add("b" + std::to_string(id)); }
    void ui_endGesture(EComponent*, int id) override { add("e" + std::to_string(id)); }
    void add(const std::string& entry) { log += (log.empty() ? "" : " ") + entry; }
    std::string log;
};

/** The left button (with `mods`) as the framework delivers it: the press to the deepest component under the
    point (or to a `listener` of it), drags and the release to the same one; the wheel's steps to `root`. */
struct Mouse
{
    explicit Mouse(juce::Component& r, int mods = 0) : root(r), target(&r), modifiers(mods) {}
    void press(float x, float y, int clicks = 1, juce::MouseListener* listener = nullptr)
    {
        target = root.getComponentAt((int)x, (int)y) != nullptr ? root.getComponentAt((int)x, (int)y) : &root;
        receiver = listener != nullptr ? listener : target;
        down = target->getLocalPoint(&root, juce::Point<float>(x, y));
        receiver->mouseDown(event(x, y, clicks));
    }
    void drag(float x, float y) { receiver->mouseDrag(event(x, y)); }
    void release(float x, float y) { receiver->mouseUp(event(x, y)); }
    void click(float x, float y) { press(x, y), release(x, y); }
    void doubleClick(float x, float y)
    {
        click(x, y), press(x, y, 2);
        receiver->mouseDoubleClick(event(x, y, 2));
        release(x, y);
    }
    void wheel(float x, float y) { root.mouseWheelMove(event(last.x, last.y), {x, y, false, false, false}); }
    juce::MouseEvent event(float x, float y, int clicks = 1)
    {
        const auto at = target->getLocalPoint(&root, last = {x, y});
        return juce::MouseEvent(juce::Desktop::getInstance().getMainMouseSource(), at,
                                modifiers.withFlags(juce::ModifierKeys::leftButtonModifier), 1.0f, 0.0f, 0.0f,
                                0.0f, 0.0f, target, target, {}, down, {}, clicks, at != down);
    }
    juce::Component& root;
    juce::Component* target;
    juce::MouseListener* receiver = nullptr;
    juce::ModifierKeys modifiers;
    juce::Point<float> down, last;
};

/** Smallest rectangle of `area` (the whole image when empty) holding every pixel of at least `alpha`. */
inline juce::Rectangle<int> inkBounds(const juce::Image& image, juce::Rectangle<int> area = {}, int alpha = 1)
{
    juce::Rectangle<int> ink;
    area = area.isEmpty() ? image.getBounds() : area;
    for (int y = area.getY(); y < area.getBottom(); ++y)
        for (int x = area.getX(); x < area.getRight(); ++x)
            if (image.getPixelAt(x, y).getAlpha() >= alpha)
                ink = ink.isEmpty() ? juce::Rectangle<int>(x, y, 1, 1) : ink.getUnion({x, y, 1, 1});
    return ink;
}

/** The component as the framework paints it at `scale`; given a `name`, also saved as a PNG artefact. */
inline juce::Image snapshot(juce::Component& component, float scale = 1.0f, const char* name = nullptr)
{
    const auto image = component.createComponentSnapshot(component.getLocalBounds(), true, scale);
    if (name != nullptr)
    {
        const juce::File file = juce::File(TOVKA_TEST_ARTEFACT_DIR).getChildFile(name);
        juce::MemoryOutputStream png;
        juce::PNGImageFormat().writeImageToStream(image, png);
        file.create();
        file.replaceWithData(png.getData(), png.getDataSize());
    }
    return image;
}
