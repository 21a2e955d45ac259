#include "TKXYPad.h"

#include "FontManager.h"
#include "TKGesture.h"
#include "TKGraphics.h"

namespace
{
constexpr float twoPi = 6.2831855f;
}

TKXYPad::TKXYPad() : pencil(std::make_unique<Pencil>(5.0f, "pencil")) {}

TKXYPad::~TKXYPad() = default;

float TKXYPad::getValueForParamId(int id)
{
    if (id == paramIdX)
        return valueX;
    if (id == paramIdY)
        return valueY;
    return 0.0f;
}

void TKXYPad::setValueForParamId(int id, float v)
{
    if (id == paramIdX)
        valueX = v;
    if (id == paramIdY)
        valueY = v;
    repaint();
}

void TKXYPad::resized()
{
    const float s = TKGraphics::displayScale();
    backgroundImage.reset(TKGraphics::GetImageEmpty(getLocalBounds()));
    margin = 15.0f;
    paintBackground();

    pencil->setSize(5.0f * s);

    // An image that comes to no pixels (a pad area of no size) gets no stroke.
    horizontalLineImage.reset(TKGraphics::GetImageEmpty({0, 0, (int)padW, 6}));
    if (horizontalLineImage->isValid())
    {
        pencil->addSingleLine(0.0f, 3.0f * s, (float)horizontalLineImage->getWidth(), 3.0f * s, 0.05f, 0.05f,
                              5);
        juce::Graphics g(*horizontalLineImage);
        pencil->paint(g);
    }

    verticalLineImage.reset(TKGraphics::GetImageEmpty({0, 0, 6, (int)padH}));
    if (verticalLineImage->isValid())
    {
        pencil->addSingleLine(3.0f * s, 0.0f, 3.0f * s, (float)verticalLineImage->getHeight(), 0.05f, 0.05f,
                              5);
        juce::Graphics g(*verticalLineImage);
        pencil->paint(g);
    }

    circleImage.reset(TKGraphics::GetImageEmpty({0, 0, 30, 30}));
    pencil->addCircle(15.0f * s, 15.0f * s, 10.0f * s, 50, 0.0f, twoPi);
    {
        juce::Graphics g(*circleImage);
        pencil->paint(g);
    }

    pencil->setSize(5.0f);
}

void TKXYPad::paintBackground()
{
    const float s = TKGraphics::displayScale();
    const float W = (float)getWidth();
    const float H = (float)getHeight();
    const int Wp = backgroundImage->getWidth();
    const int Hp = backgroundImage->getHeight();

    const int titleH = title.isNotEmpty() ? Hp / 10 : 5;
    topMargin = (float)titleH / s + 5.0f;

    padX = margin;
    padY = topMargin;
    padW = W - 2.0f * margin;
    padH = H - margin - topMargin;

    // The crosshair images are stroked at this opacity too.
    pencil->setSize(1.0f);
    pencil->opacity = 0.7f;

    // A pad of no size has a null image: nothing to draw into.
    if (!backgroundImage->isValid())
        return;

    juce::Graphics g(*backgroundImage);
    if (auto* fonts = FontManager::getInstance())
    {
        fonts->draw(g, title, (float)titleH,
                    {(int)(15.0f * s), (int)(4.0f * s), (int)((W - 30.0f) * s), titleH},
                    juce::Justification::centred, s, 0.8f, 0.5f, false);
        fonts->draw(g, xLabel, 9.0f * s,
                    {(int)(15.0f * s), (int)((H - 13.0f) * s), (int)((W - 30.0f) * s), (int)(15.0f * s)},
                    juce::Justification::centred, s, 0.6f, 0.5f, false);
        const float t = (float)titleH + 4.0f * s;
        const int side = (int)(H * s - t);
        fonts->draw(g, yLabel, 9.0f * s, {0, (int)t, side, side}, juce::Justification::centred, s, 0.6f, 0.5f,
                    true);
    }

    // The axes are one device pixel wide and fade in from the right end and the top.
    const float axisY = padH - 3.0f + topMargin;
    pencil->addSingleLine((float)Wp, axisY * s, 0.0f, axisY * s, 0.5f, 0.05f, 5);
    const float axisX = (margin + 3.0f) * s;
    pencil->addSingleLine(axisX, 0.0f, axisX, (float)Hp, 0.5f, 0.05f, 5);
    pencil->paint(g);
}

void TKXYPad::paint(juce::Graphics& g)
{
    // Top-left corner of the crosshair; its centre is 3 units further on.
    const float cx = (padW - 6.0f) * valueX + padX;
    const float cy = (padH - 6.0f) * (1.0f - valueY) + padY;

    if (backgroundImage == nullptr)
        return;

    TKGraphics::DrawImageAt(g, *backgroundImage, 0, 0, 1.0f);
    TKGraphics::DrawImageAt(g, *horizontalLineImage, (int)padX, (int)cy, 1.0f);
    TKGraphics::DrawImageAt(g, *verticalLineImage, (int)cx, (int)padY, 1.0f);
    TKGraphics::DrawImageCenteredAt(g, *circleImage, (int)(cx + 3.0f), (int)(cy + 3.0f), 1.0f);
}

void TKXYPad::mouseDown(const juce::MouseEvent& e)
{
    lastMousePosition = e.getMouseDownPosition();
    if (callback != nullptr)
    {
        callback->ui_beginGesture(this, paramIdX);
        callback->ui_beginGesture(this, paramIdY);
    }
}

void TKXYPad::mouseDrag(const juce::MouseEvent& e)
{
    const auto movement = TKGesture::takeMovement(e, lastMousePosition);
    // A pad of no width or height has no scale to move along.
    if (getWidth() <= 0 || getHeight() <= 0)
        return;

    // Measured against the whole pad, not the pad area.
    valueX = TKGesture::clampToUnit(valueX + movement.x / (float)getWidth());
    valueY = TKGesture::clampToUnit(valueY - movement.y / (float)getHeight());
    reportValues();
}

void TKXYPad::mouseUp(const juce::MouseEvent&)
{
    if (callback != nullptr)
    {
        callback->ui_endGesture(this, paramIdX);
        callback->ui_endGesture(this, paramIdY);
    }
}

void TKXYPad::mouseDoubleClick(const juce::MouseEvent&)
{
    // Without an owner there is no default to return to.
    if (callback == nullptr)
        return;

    valueX = callback->defaultValueForParamId(paramIdX);
    valueY = callback->defaultValueForParamId(paramIdY);
    reportValues();
}

void TKXYPad::mouseWheelMove(const juce::MouseEvent& e, const juce::MouseWheelDetails& wheel)
{
    const double k = TKGesture::wheelFactor(e);
    valueX = TKGesture::clampToUnit((float)((double)valueX - (double)wheel.deltaX * k));
    valueY = TKGesture::clampToUnit((float)((double)valueY + (double)wheel.deltaY * k));
    reportValues();
}

void TKXYPad::reportValues()
{
    if (callback != nullptr)
    {
        callback->valueChanged(this, paramIdX, valueX);
        callback->valueChanged(this, paramIdY, valueY);
    }
    repaint();
}
