#pragma once

#include "EComponent.h"

#include <memory>
#include <vector>

/**
    A caption over a row of text choices, bound to one parameter: with n items,
    item i stands for the normalised value i / (n - 1). The selected item is
    never stored; it is derived from `value` whenever it is needed, so host
    automation and preset recalls show up as soon as the owner writes the value.

    Caption and labels are pencil-drawn text images made by the FontManager once
    per prepareForFontSize, every label at three opacities (selected, normal,
    pressed), so painting only copies images. A choice is made by pressing an
    item and releasing over the same one; only a choice that changes the
    selection is reported, as ui_beginGesture, valueChanged, ui_endGesture.
*/
class TKRadioButtons : public EComponent
{
public:
    /** One choice. Its box is in logical pixels relative to the row, all zero
        until the first layout; the images are in device pixels. */
    struct RadioButton
    {
        juce::String label;
        /** Drawn when the item is the selected one (alpha 0.9). */
        std::unique_ptr<juce::Image> selectedImage;
        /** Drawn when the item is neither selected nor pressed (alpha 0.4). */
        std::unique_ptr<juce::Image> normalImage;
        /** Drawn while the item is pressed and not selected (alpha 0.2). */
        std::unique_ptr<juce::Image> pressedImage;
        int x = 0;
        int y = 0;
        int width = 0;
        int height = 0;
    };

    TKRadioButtons() = default;

    /** Appends a choice with no images and an empty box; neither lays out nor repaints. */
    void addItem(juce::String label);

    /** Renders the caption and every item for font size `fontSize` (logical
        pixels), places the items left to right under the caption and returns
        the row's size in logical pixels; the owner gives the row exactly that
        size. Needs the FontManager instance. */
    juce::Point<int> prepareForFontSize(int fontSize);

    void mouseDown(const juce::MouseEvent& e) override;
    void mouseUp(const juce::MouseEvent& e) override;
    void paint(juce::Graphics& g) override;
    /** Nothing: layout happens only in prepareForFontSize. */
    void resized() override;

    //==============================================================================
    juce::String title;
    /** Item under the current press; -1 when no press is in progress. */
    int pressedItem = -1;
    /** The caption in device pixels; null until the first layout. */
    std::unique_ptr<juce::Image> titleImage;
    std::vector<RadioButton> items;

private:
    /** The item the value stands for: value x (n - 1) truncated, kept inside
        0..n-1 whatever a host or a corrupt state delivered (NaN counts as 0);
        -1 when the row has no items. */
    int selectedItem() const;
    /** The last item whose box holds `p` (row coordinates), or -1. */
    int itemAt(juce::Point<int> p) const;

    JUCE_DECLARE_NON_COPYABLE(TKRadioButtons)
};
