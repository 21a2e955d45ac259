#pragma once

#include "BinaryData.h"
#include "EComponent.h"
#include "FontManager.h"
#include "TKGraphics.h"
#include "TKUICallback.h"

#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <cstdio>
#include <map>
#include <string>

namespace widgettest
{
/** Sets the kit's display scale for the life of the object. */
struct ScopedDisplayScale
{
    explicit ScopedDisplayScale(float scale) { TKGraphics::setDisplayScaleOverride(scale); }
    ~ScopedDisplayScale() { TKGraphics::setDisplayScaleOverride(0.0f); }
};

/** Holds a reference on the FontManager, built with the editor's fonts and fill. */
struct ScopedFonts
{
    ScopedFonts()
    {
        using juce::Typeface;
        FontManager::create(
            Typeface::createSystemTypefaceFor(BinaryData::Enyo_otf, BinaryData::Enyo_otfSize),
            Typeface::createSystemTypefaceFor(BinaryData::Pistara_otf, BinaryData::Pistara_otfSize), 16,
            juce::ImageFileFormat::loadFrom(BinaryData::filltexture_png, BinaryData::filltexture_pngSize));
    }
    ~ScopedFonts() { FontManager::destroy(); }
};

/** Becomes `widget`'s owner and logs what it reports, in order: "b4" (begin), "c4=0.600" (change; exactly
    0 or 1 as "0" or "1", so that a value only near either end shows), "e4" (end). */
struct RecordingOwner : TKUICallback
{
    explicit RecordingOwner(EComponent& w) : widget(&w) { w.setCallback(this); }
    void valueChanged(EComponent* s, int id, float v) override
    {
        char text[32];
        std::snprintf(text, sizeof text, "%.3f", (double)v);
        add(s, "c" + std::to_string(id) + "=" + (v == 0.0f ? "0" : v == 1.0f ? "1" : text));
    }
    float defaultValueForParamId(int id) override { return defaults[id]; }
    void ui_beginGesture(EComponent* s, int id) override { add(s, "b" + std::to_string(id)); }
    void ui_endGesture(EComponent* s, int id) override { add(s, "e" + std::to_string(id)); }
    void add(EComponent* sender, const std::string& entry)
    {
        EXPECT_EQ(sender, widget);
        log += (log.empty() ? "" : " ") + entry;
    }
    EComponent* widget;
    std::string log;
    std::map<int, float> defaults;
};

/** The left button (and `mods`) as the framework delivers it: the press to the deepest visible component
    under the point (or `root`) or to a `listener` of it, drags and the release to that receiver in its
    coordinates; the wheel to `root`. Points are in `root`'s coordinates. */
struct Mouse
{
    explicit Mouse(juce::Component& r, int mods = 0) : root(r), target(&r), modifiers(mods) {}
    void press(float x, float y, int clicks = 1, juce::MouseListener* listener = nullptr)
    {
        target = root.getComponentAt(juce::Point<float>(x, y).toInt());
        target = target != nullptr ? target : &root;
        receiver = listener != nullptr ? listener : target;
        down = target->getLocalPoint(&root, juce::Point<float>(x, y));
        receiver->mouseDown(event(x, y, clicks));
    }
    void drag(float x, float y) { receiver->mouseDrag(event(x, y)); }
    void release(float x, float y) { receiver->mouseUp(event(x, y)); }
    void click(float x, float y) { press(x, y), release(x, y); }
    /** A click, then a second press the framework reports as a double-click, and its release. */
    void doubleClick(float x, float y)
    {
        click(x, y), press(x, y, 2);
        receiver->mouseDoubleClick(event(x, y, 2));
        release(x, y);
    }
    void wheel(float dx, float dy)
    {
        root.mouseWheelMove(event(last.x, last.y, 0), {dx, dy, false, false, false});
    }
    juce::MouseEvent event(float x, float y, int clicks = 1)
    {
        const auto at = target->getLocalPoint(&root, last = {x, y});
        const auto now = juce::Time::getCurrentTime();
        return juce::MouseEvent(juce::Desktop::getInstance().getMainMouseSource(), at,
                                modifiers.withFlags(juce::ModifierKeys::leftButtonModifier), 1.0f, 0.0f, 0.0f,
                                0.0f, 0.0f, target, target, now, down, now, clicks, at != down);
    }
    juce::Component& root;
    juce::Component* target;
    juce::MouseListener* receiver = nullptr;
    juce::ModifierKeys modifiers;
    juce::Point<float> down, last;
};

/** Smallest rectangle of `area` (the whole image when empty) holding every pixel that is not clear, in
    the image's coordinates, and the largest alpha. */
inline juce::Rectangle<int> inkBounds(const juce::Image& image, juce::Rectangle<int> area = {},
                                      int* maxAlpha = nullptr)
{
    area = area.isEmpty() ? image.getBounds() : area;
    juce::Rectangle<int> ink;
    int most = 0;
    for (int y = area.getY(); y < area.getBottom(); ++y)
        for (int x = area.getX(); x < area.getRight(); ++x)
        {
            const int a = image.getPixelAt(x, y).getAlpha();
            most = juce::jmax(most, a);
            if (a > 0)
                ink = ink.isEmpty() ? juce::Rectangle<int>(x, y, 1, 1) : ink.getUnion({x, y, 1, 1});
        }
    if (maxAlpha != nullptr)
        *maxAlpha = most;
    return ink;
}

/** The component with its children at `scale` pixels per logical pixel, on transparent black. */
inline juce::Image snapshot(juce::Component& component, float scale = 1.0f)
{
    juce::Image image(juce::Image::ARGB, (int)((float)component.getWidth() * scale),
                      (int)((float)component.getHeight() * scale), true);
    juce::Graphics g(image);
    g.addTransform(juce::AffineTransform::scale(scale));
    component.paintEntireComponent(g, false);
    return image;
}

/** Writes `image` over white as a PNG into the artefact folder, for a person to look at. */
inline void saveArtefact(const juce::Image& image, const juce::String& name)
{
    juce::Image flat(juce::Image::RGB, image.getWidth(), image.getHeight(), false);
    juce::Graphics(flat).fillAll(juce::Colours::white);
    juce::Graphics(flat).drawImageAt(image, 0, 0);
    const juce::File file = juce::File(TOVKA_TEST_ARTEFACT_DIR).getChildFile(name);
    file.getParentDirectory().createDirectory();
    file.deleteFile();
    juce::FileOutputStream out(file);
    juce::PNGImageFormat().writeImageToStream(flat, out);
}
} // namespace widgettest
