#include "Title.h"

#include "FontManager.h"
#include "TKGraphics.h"

void Title::paint(juce::Graphics& g)
{
    if (textImage != nullptr)
        TKGraphics::DrawImageAt(g, *textImage, 0, icon.getHeight() + 5, 1.0f);
}

void Title::resized()
{
    const int side = juce::jmin(getWidth(), getHeight());
    icon.setSize(side, side);
    const float size = (float)(side * 0.6);
    auto* fonts = FontManager::getInstance();
    textImage.reset(fonts->createImage(text, size, 0.6f));

    // The name is drawn inside the title's bounds, which the whole layout is
    // derived from; a name wider than the title would lose its last letters,
    // so it is rendered again just small enough to fit (the image's margins do
    // not scale with the size, hence a few rounds at most).
    const float limit = (float)getWidth() * TKGraphics::displayScale();
    float fitted = size;
    for (int round = 0; round < 4 && textImage != nullptr && (float)textImage->getWidth() > limit; ++round)
    {
        fitted *= limit / (float)textImage->getWidth();
        textImage.reset(fonts->createImage(text, fitted, 0.6f));
    }
}
