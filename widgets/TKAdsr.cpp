#include "TKAdsr.h"

#include "TKGesture.h"
#include "TKGraphics.h"

#include <cmath>

namespace
{
constexpr float twoPi = 6.2831855f;
}

TKAdsr::TKAdsr() : pencil(std::make_unique<Pencil>(5.0f, "pencil")) {}

TKAdsr::~TKAdsr() = default;

float TKAdsr::getValueForParamId(int id)
{
    for (size_t i = 0; i < paramIds.size(); ++i)
        if (paramIds[i] == id)
            return values[i];
    return 0.0f;
}

void TKAdsr::setValueForParamId(int id, float v)
{
    for (size_t i = 0; i < paramIds.size(); ++i)
        if (paramIds[i] == id)
            values[i] = v;
    repaint();
}

void TKAdsr::resized()
{
    const float s = TKGraphics::displayScale();
    const float W = (float)getWidth();
    const float H = (float)getHeight();

    handleRadius = juce::jmin(juce::jmax((float)(H * 0.06), 5.0f), 20.0f);
    const float r = handleRadius;
    innerX = r;
    innerY = 3.0f * r + 2.0f;
    innerW = W - 2.0f * r - 4.0f;
    innerH = H - 4.0f * r - 4.0f;

    handleRowY = r + 2.0f;
    guideLength = (3.0f * r + 2.0f) - (r + 2.0f) + innerH;

    attackSpan = 0.25f * innerW;
    decaySpan = 0.25f * innerW;
    releaseSpan = 0.4f * innerW;

    pencil->opacity = 0.7f;
    pencil->setSize(5.0f * s);

    // The stroke sits 2.5 device pixels in at every display scale.
    guideLineImage.reset(TKGraphics::GetImageEmpty({0, 0, 5, (int)guideLength}));
    if (guideLineImage->isValid())
    {
        pencil->addSingleLine(2.5f, 0.0f, 2.5f, (float)guideLineImage->getHeight(), 0.05f, 0.05f, 5);
        juce::Graphics g(*guideLineImage);
        pencil->paint(g);
    }

    const int d = (int)(2.0f * r + 5.0f);
    handleImage.reset(TKGraphics::GetImageEmpty({0, 0, d, d}));
    pencil->addCircle((float)handleImage->getWidth() * 0.5f, (float)handleImage->getHeight() * 0.5f, s * r,
                      50, 0.0f, twoPi);
    {
        juce::Graphics g(*handleImage);
        pencil->paint(g);
    }

    pencil->setSize(5.0f);
}

void TKAdsr::paint(juce::Graphics& g)
{
    const float a = values[0] * attackSpan;
    const float d = values[1] * decaySpan;
    const float rl = values[3] * releaseSpan;
    const float sustainW = innerW - (a + d + rl);

    bottom = innerY + innerH;
    top = innerY;
    sustainY = (1.0f - values[2]) * innerH + innerY;

    startX = innerX;
    peakX = std::round(startX + a);
    decayEndX = peakX + d;
    releaseStartX = decayEndX + sustainW;
    endX = releaseStartX + rl;

    auto& lines = pencil->lines;
    lines.push_back(pencil->createLine(startX, bottom, peakX + 0.5f, top, -1.0f));
    lines.push_back(pencil->createLine(peakX, top, decayEndX, sustainY, -1.0f));
    // The sustain segment is the handle: darker than the rest.
    lines.push_back(pencil->createLine(decayEndX, sustainY, releaseStartX, sustainY, 2.8f));
    lines.push_back(pencil->createLine(releaseStartX, sustainY, endX, bottom, -1.0f));
    pencil->opacity = 0.2f;
    pencil->paint(g);

    if (guideLineImage == nullptr)
        return;

    const int rowY = (int)handleRowY;
    TKGraphics::DrawImageAt(g, *guideLineImage, (int)(peakX - 1.0f), rowY, 1.0f);
    TKGraphics::DrawImageAt(g, *guideLineImage, (int)(decayEndX - 2.0f), rowY, 1.0f);
    TKGraphics::DrawImageAt(g, *guideLineImage, (int)(releaseStartX - 2.0f), rowY, 1.0f);

    TKGraphics::DrawImageCenteredAt(g, *handleImage, (int)(peakX + 1.0f), (int)bottom, 1.0f);
    TKGraphics::DrawImageCenteredAt(g, *handleImage, (int)decayEndX, rowY, 1.0f);
    TKGraphics::DrawImageCenteredAt(g, *handleImage, (int)releaseStartX, rowY, 1.0f);
}

int TKAdsr::hitTest(juce::Point<int> p)
{
    const float reach = handleRadius + 8.0f;
    const auto within = [&](int x, int y)
    { return (float)(int)std::hypot((double)(p.x - x), (double)(p.y - y)) < reach; };

    const int rowY = (int)handleRowY;
    if (within((int)(peakX + 1.0f), (int)bottom))
        return attackHandle;
    if (within((int)decayEndX, rowY))
        return decayHandle;
    if (within((int)releaseStartX, rowY))
        return releaseHandle;
    if (decayEndX < (float)p.x && (float)p.x < releaseStartX && (float)p.y > top)
        return sustainHandle;
    return noHandle;
}

void TKAdsr::mouseDown(const juce::MouseEvent& e)
{
    lastMousePosition = e.getMouseDownPosition();
    takenHandle = hitTest(lastMousePosition);
    if (callback != nullptr && takenHandle != noHandle)
        callback->ui_beginGesture(this, paramIds[(size_t)takenHandle - 1]);
}

void TKAdsr::mouseDrag(const juce::MouseEvent& e)
{
    if (takenHandle == noHandle)
        return;

    const auto movement = TKGesture::takeMovement(e, lastMousePosition);
    const size_t i = (size_t)takenHandle - 1;
    // Each handle follows the mouse: the release handle moves right as release shrinks.
    float step = 0.0f, divisor = 0.0f;
    switch (takenHandle)
    {
    case attackHandle:
        step = movement.x;
        divisor = attackSpan;
        break;
    case decayHandle:
        step = movement.x;
        divisor = decaySpan;
        break;
    case sustainHandle:
        step = -movement.y;
        divisor = innerH;
        break;
    default:
        step = -movement.x;
        divisor = releaseSpan;
        break;
    }

    // An inner area of no width or height has no scale to move along.
    if (!(divisor > 0.0f))
        return;

    values[i] = TKGesture::clampToUnit(values[i] + step / divisor);
    report(takenHandle);
}

void TKAdsr::mouseUp(const juce::MouseEvent&)
{
    if (takenHandle == noHandle)
        return;

    if (callback != nullptr)
        callback->ui_endGesture(this, paramIds[(size_t)takenHandle - 1]);
    takenHandle = noHandle;
}

void TKAdsr::mouseDoubleClick(const juce::MouseEvent& e)
{
    // Without an owner there is no default to return to.
    const int handle = hitTest(e.getMouseDownPosition());
    if (callback == nullptr || handle == noHandle)
        return;

    values[(size_t)handle - 1] = callback->defaultValueForParamId(paramIds[(size_t)handle - 1]);
    report(handle);
}

void TKAdsr::mouseWheelMove(const juce::MouseEvent& e, const juce::MouseWheelDetails& wheel)
{
    // Always sustain, whatever is under the mouse; the step is added in single precision.
    values[2] = TKGesture::clampToUnit(values[2] + (float)((double)wheel.deltaY * TKGesture::wheelFactor(e)));
    report(sustainHandle);
}

void TKAdsr::report(int handle)
{
    const size_t i = (size_t)handle - 1;
    if (callback != nullptr)
        callback->valueChanged(this, paramIds[i], values[i]);
    repaint();
}
