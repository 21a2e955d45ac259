#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include "BinaryData.h"
#include "FontManager.h"
#include "WidgetTestSupport.h"

/** Helpers for tests that operate whole components: the editor's text
    renderer, mouse clicks without a window and snapshots. */
namespace widgettest
{
/** Holds a reference on the FontManager, built with the editor's fonts and fill. */
struct ScopedFontKit
{
    ScopedFontKit()
    {
        FontManager::create(
            fontFromResource(BinaryData::Enyo_otf, BinaryData::Enyo_otfSize),
            fontFromResource(BinaryData::Pistara_otf, BinaryData::Pistara_otfSize), 16,
            juce::ImageFileFormat::loadFrom(BinaryData::filltexture_png, BinaryData::filltexture_pngSize));
    }
    ~ScopedFontKit() { FontManager::destroy(); }
};

/** The left button as the framework delivers it: the press to the deepest
    visible component under the point (or to a `listener` registered on it),
    the release to the same receiver wherever the mouse is, in the pressed
    component's coordinates. Points are in `root`'s coordinates. */
struct Mouse
{
    void press(juce::Component& root, juce::Point<int> at, juce::MouseListener* listener = nullptr)
    {
        target = root.getComponentAt(at);
        receiver = listener != nullptr ? listener : target;
        if (target != nullptr)
            receiver->mouseDown(event(down = target->getLocalPoint(&root, at).toFloat()));
    }
    void release(juce::Component& root, juce::Point<int> at)
    {
        if (target != nullptr)
            receiver->mouseUp(event(target->getLocalPoint(&root, at).toFloat()));
        target = nullptr;
    }
    void click(juce::Component& root, juce::Point<int> at)
    {
        press(root, at);
        release(root, at);
    }
    juce::MouseEvent event(juce::Point<float> at) const
    {
        const auto now = juce::Time::getCurrentTime();
        using Source = juce::MouseInputSource;
        return {juce::Desktop::getInstance().getMainMouseSource(),
                at,
                juce::ModifierKeys::leftButtonModifier,
                Source::defaultPressure,
                Source::defaultOrientation,
                Source::defaultRotation,
                Source::defaultTiltX,
                Source::defaultTiltY,
                target,
                target,
                now,
                down,
                now,
                1,
                false};
    }
    juce::Component* target = nullptr;
    juce::MouseListener* receiver = nullptr;
    juce::Point<float> down;
};

/** The component with its children, `zoom` pixels per logical pixel, on transparent black. */
inline juce::Image snapshot(juce::Component& component, int zoom = 1)
{
    juce::Image image(juce::Image::ARGB, component.getWidth() * zoom, component.getHeight() * zoom, true);
    juce::Graphics g(image);
    g.addTransform(juce::AffineTransform::scale((float)zoom));
    component.paintEntireComponent(g, false);
    return image;
}
} // namespace widgettest
