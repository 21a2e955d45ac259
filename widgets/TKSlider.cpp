#include "TKSlider.h"

#include "FontManager.h"
#include "TKGesture.h"
#include "TKGraphics.h"

#include <iostream>

TKSlider::TKSlider() : pencil(std::make_unique<Pencil>(5.0f, "pencil")) {}

TKSlider::~TKSlider() = default;

void TKSlider::resized()
{
    backgroundImage.reset(TKGraphics::GetImageEmpty(getLocalBounds()));
    paintBackground();
}

void TKSlider::paintBackground()
{
    const float s = TKGraphics::displayScale();
    const int Wp = backgroundImage->getWidth();
    const int Hp = backgroundImage->getHeight();

    // The title fills a strip one fifth of the width high at the bottom.
    const int titleH = Wp / 5;
    trackLength = (float)(Hp - titleH) - 2.5f * s - 5.0f * s;

    // A fader of no size has a null image: nothing to draw into.
    if (backgroundImage->isValid())
    {
        juce::Graphics g(*backgroundImage);
        if (auto* fonts = FontManager::getInstance())
            fonts->draw(g, title, (float)titleH, {0, (int)(float)(Hp - titleH), Wp, titleH},
                        juce::Justification::centred, s, 0.9f, 0.5f, false);

        pencil->opacity = 0.7f;
        pencil->setSize(5.0f * s);
        // Down the middle, from the top edge to 2.5 s below the end of the thumb's travel.
        pencil->addSingleLine((float)Wp * 0.5f, 0.0f, (float)Wp * 0.5f, trackLength + 2.5f * s, 0.02f, 0.02f,
                              5);
        pencil->paint(g);
        pencil->setSize(5.0f);
    }

    trackLength /= s;
}

void TKSlider::paint(juce::Graphics& g)
{
    const float x0 = (float)getWidth() * 0.5f - 8.0f;
    const float y = trackLength - value * trackLength + 2.5f;

    if (backgroundImage != nullptr)
        TKGraphics::DrawImageAt(g, *backgroundImage, 0, 1, 1.0f);

    // The thumb: 16 units long, centred on the track.
    pencil->lines.push_back(pencil->createLine(x0, y, x0 + 16.0f, y, -1.0f));
    pencil->paint(g);
}

void TKSlider::mouseDown(const juce::MouseEvent& e)
{
    if (e.mods.isCtrlDown())
        std::cout << "Ctrl is down" << std::endl;

    lastMousePosition = e.getMouseDownPosition();
    if (callback != nullptr)
        callback->ui_beginGesture(this, paramId);
}

void TKSlider::mouseDrag(const juce::MouseEvent& e)
{
    const auto movement = TKGesture::takeMovement(e, lastMousePosition);
    // A fader of no height has no scale to move along.
    if (getHeight() <= 0)
        return;

    // Up raises the value; the fader's full height (title included) moves it by 1.
    value = TKGesture::clampToUnit(value - movement.y / (float)getHeight());
    if (callback != nullptr)
        callback->valueChanged(this, paramId, value);
    repaint();
}

void TKSlider::mouseUp(const juce::MouseEvent&)
{
    if (callback != nullptr)
        callback->ui_endGesture(this, paramId);
}

void TKSlider::mouseDoubleClick(const juce::MouseEvent&)
{
    // Without an owner there is no default to return to.
    if (callback == nullptr)
        return;

    value = callback->defaultValueForParamId(paramId);
    callback->valueChanged(this, paramId, value);
    repaint();
}

void TKSlider::mouseWheelMove(const juce::MouseEvent& e, const juce::MouseWheelDetails& wheel)
{
    // Vertical wheel movement only.
    value = TKGesture::clampToUnit((float)((double)value + (double)wheel.deltaY * TKGesture::wheelFactor(e)));
    if (callback != nullptr)
        callback->valueChanged(this, paramId, value);
    repaint();
}
