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
    textImage.reset(FontManager::getInstance()->createImage(text, (float)(side * 0.6), 0.6f));
}
