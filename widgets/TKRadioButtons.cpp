#include "TKRadioButtons.h"

#include "FontManager.h"
#include "TKGraphics.h"

#include <cmath>

void TKRadioButtons::addItem(juce::String label)
{
    RadioButton item;
    item.label = label;
    items.push_back(std::move(item));
}

juce::Point<int> TKRadioButtons::prepareForFontSize(int fontSize)
{
    FontManager* fonts = FontManager::getInstance();
    jassert(fonts != nullptr); // the editor holds a reference for its whole life
    const float s = TKGraphics::displayScale();

    titleImage.reset(fonts->createImage(title, 10.0f, 0.6f));
    const int itemTop = (int)((float)titleImage->getHeight() / s + 4.0f);
    const float itemFontSize = (float)fontSize * 0.9f;
    const double gap = fontSize * 0.3;

    float itemX = 0.0f;
    float tallest = 0.0f;
    for (size_t i = 0; i < items.size(); ++i)
    {
        RadioButton& item = items[i];
        item.selectedImage.reset(fonts->createImage(item.label, itemFontSize, 0.9f));
        item.normalImage.reset(fonts->createImage(item.label, itemFontSize, 0.4f));
        item.pressedImage.reset(fonts->createImage(item.label, itemFontSize, 0.2f));
        item.x = (int)itemX;
        item.y = itemTop;
        item.width = (int)((float)item.selectedImage->getWidth() / s);
        item.height = (int)((float)item.selectedImage->getHeight() / s);
        itemX += (float)item.width;
        if (i + 1 < items.size())
            itemX = (float)(itemX + gap);
        tallest = juce::jmax(tallest, (float)item.height);
    }
    return {(int)itemX, (int)((float)itemTop + tallest)};
}

int TKRadioButtons::selectedItem() const
{
    const int n = (int)items.size();
    if (n == 0)
        return -1;

    // Clamped in float before the conversion: an integer conversion of NaN or of
    // a huge value is undefined, and any index outside 0..n-1 would leave `items`.
    const float position = value * (float)(n - 1);
    if (std::isnan(position) || position <= 0.0f)
        return 0;
    if (position >= (float)(n - 1))
        return n - 1;
    return (int)position;
}

int TKRadioButtons::itemAt(juce::Point<int> p) const
{
    int hit = -1;
    for (size_t i = 0; i < items.size(); ++i)
    {
        const RadioButton& item = items[i];
        if (item.x <= p.x && p.x < item.x + item.width && item.y <= p.y && p.y < item.y + item.height)
            hit = (int)i;
    }
    return hit;
}

void TKRadioButtons::mouseDown(const juce::MouseEvent& e)
{
    pressedItem = itemAt(e.getPosition());
    if (pressedItem >= 0)
        repaint();
}

void TKRadioButtons::mouseUp(const juce::MouseEvent& e)
{
    if (pressedItem < 0)
        return;

    const int released = itemAt(e.getPosition());
    if (released == pressedItem && released != selectedItem())
    {
        // Two items at least here: a single item is always the selected one.
        value = (float)released / (float)(items.size() - 1);
        if (callback != nullptr)
        {
            callback->ui_beginGesture(this, paramId);
            callback->valueChanged(this, paramId, value);
            callback->ui_endGesture(this, paramId);
        }
    }
    pressedItem = -1;
    repaint();
}

void TKRadioButtons::paint(juce::Graphics& g)
{
    if (titleImage != nullptr)
        TKGraphics::DrawImageAt(g, *titleImage, 0, 0, 1.0f);

    const int selected = selectedItem();
    for (size_t i = 0; i < items.size(); ++i)
    {
        RadioButton& item = items[i];
        juce::Image* image = (int)i == selected      ? item.selectedImage.get()
                             : (int)i == pressedItem ? item.pressedImage.get()
                                                     : item.normalImage.get();
        // Items are not drawn before their first layout.
        if (image != nullptr)
            TKGraphics::DrawImageAt(g, *image, item.x, item.y, 1.0f);
    }
}

void TKRadioButtons::resized() {}
