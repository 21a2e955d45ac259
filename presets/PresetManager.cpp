#include "PresetManager.h"

#include "BinaryData.h"
#include "ButtonLookAndFeel.h"

#include <algorithm>

namespace
{
const juce::Colour panelGrey = juce::Colour::fromFloatRGBA(0.13f, 0.13f, 0.13f, 1.0f);

/** Both lists: one name per 30-pixel row, vertically centred, left-aligned,
    with an ellipsis when it does not fit. */
void drawRowName(juce::Graphics& g, juce::Font& font, const juce::String& name, juce::Colour colour,
                 int width, int height)
{
    font.setHeight(18.0f);
    g.setFont(font);
    g.setColour(colour);
    g.drawText(name, 10, 2, width - 10, height - 2, juce::Justification::centredLeft, true);
}
} // namespace

//==============================================================================
int PresetManager::CatModel::getNumRows()
{
    return (int)owner->categories.size();
}

void PresetManager::CatModel::paintListBoxItem(int row, juce::Graphics& g, int width, int height,
                                               bool rowIsSelected)
{
    // The list also paints the empty rows below its last one.
    if (row < 0 || row >= getNumRows())
        return;

    g.setColour(panelGrey);
    if (rowIsSelected)
        g.fillRect(0, 1, width, height - 1);
    drawRowName(g, owner->listFont, owner->categories[(size_t)row].name, juce::Colours::white, width, height);
}

void PresetManager::CatModel::listBoxItemClicked(int row, const juce::MouseEvent&)
{
    // A click on an empty row below the last category names no category.
    if (row >= 0 && row < getNumRows())
        owner->setCategory(row);
}

int PresetManager::PresetModel::getNumRows()
{
    return owner->presetCount(owner->shownCategory);
}

void PresetManager::PresetModel::paintListBoxItem(int row, juce::Graphics& g, int width, int height,
                                                  bool rowIsSelected)
{
    if (row < 0 || row >= getNumRows())
        return;

    if (rowIsSelected)
    {
        g.setColour(juce::Colours::white);
        g.fillRect(0, 1, width, height - 1);
    }
    const Preset& preset = owner->categories[(size_t)owner->shownCategory].presets[(size_t)row];
    drawRowName(g, owner->listFont, preset.name, rowIsSelected ? juce::Colours::black : juce::Colours::white,
                width, height);
}

void PresetManager::PresetModel::listBoxItemClicked(int row, const juce::MouseEvent&)
{
    if (row >= 0 && row < getNumRows())
        owner->setPreset(row);
}

//==============================================================================
PresetManager::PresetManager(PresetManagerDelegate* d)
    : delegate(d), listFont(juce::Typeface::createSystemTypefaceFor(
                       BinaryData::AvenirNextDemiBold_ttf, (size_t)BinaryData::AvenirNextDemiBold_ttfSize))
{
    // Clicking the lists must never take the keyboard focus from the host.
    categoryList.setWantsKeyboardFocus(false);
    presetList.setWantsKeyboardFocus(false);
}

PresetManager::~PresetManager()
{
    presetButton.reset();
}

int PresetManager::addCategory(juce::String name)
{
    Category category;
    category.index = (int)categories.size();
    category.name = name;
    categories.push_back(std::move(category));
    return categories.back().index;
}

void PresetManager::addPreset(juce::String name, int category, const float* values, int numValues)
{
    Preset preset;
    preset.name = name;
    auto& presets = categories[(size_t)category].presets;
    preset.index = (int)presets.size();
    preset.numValues = numValues;
    const int count = std::max(0, numValues);
    preset.values = std::make_unique<float[]>((size_t)count);
    std::copy(values, values + count, preset.values.get());
    presets.push_back(std::move(preset));
}

void PresetManager::finishInit()
{
    const juce::Colour transparent = juce::Colours::transparentBlack;

    categoryList.setBounds(10, 10, 200, 400);
    categoryList.setRowHeight(30);
    categoryList.setColour(juce::ListBox::backgroundColourId, transparent);
    categoryList.setModel(&catModel);
    addAndMakeVisible(categoryList);
    categoryList.selectRow(0, false, true);
    categoryList.updateContent();

    presetList.setBounds(210, 10, 200, 400);
    presetList.setColour(juce::ListBox::backgroundColourId, transparent);
    presetList.setRowHeight(30);
    presetList.setModel(&presetModel);
    addAndMakeVisible(presetList);
    presetList.updateContent();
}

PresetButton* PresetManager::CreateOpenButton()
{
    presetButton = std::make_unique<PresetButton>();
    presetButton->setWantsKeyboardFocus(false);
    presetButton->init(this, new ButtonLookAndFeel(listFont));
    updateCanSetPreset();
    return presetButton.get();
}

//==============================================================================
int PresetManager::presetCount(int category) const
{
    if (category < 0 || category >= (int)categories.size())
        return 0;
    return (int)categories[(size_t)category].presets.size();
}

void PresetManager::setCategory(int category)
{
    shownCategory = category;
    presetList.updateContent();
    presetList.repaint();
    if (currentCategory == category)
        presetList.selectRow(currentPreset, false, true);
    else
        presetList.deselectAllRows();
    categoryList.selectRow(category, false, true);
    categoryList.repaint();
}

void PresetManager::setPreset(int preset)
{
    currentCategory = shownCategory;
    currentPreset = preset;
    updateCanSetPreset();

    Preset& chosen = categories[(size_t)shownCategory].presets[(size_t)preset];
    if (presetButton != nullptr)
        presetButton->nameButton.setButtonText(chosen.name);
    if (delegate != nullptr)
        delegate->setNewState(chosen.values.get());
}

void PresetManager::updateCanSetPreset()
{
    if (presetButton == nullptr)
        return;

    if (currentCategory == -1 && currentPreset == -1)
    {
        presetButton->prevButton.setEnabled(false);
        // The first ">" lands on the first preset of the first category.
        presetButton->nextButton.setEnabled(presetCount(0) > 0);
        return;
    }

    // A step across a category boundary must land in a category that has presets;
    // there is no wrap-around, and an index outside the list counts as empty.
    const bool atFirst = currentPreset == 0;
    const bool atLast = currentPreset == presetCount(currentCategory) - 1;
    presetButton->prevButton.setEnabled(!(atFirst && presetCount(currentCategory - 1) == 0));
    presetButton->nextButton.setEnabled(!(atLast && presetCount(currentCategory + 1) == 0));
}

void PresetManager::stepTo(int category, int preset)
{
    currentCategory = category;
    currentPreset = preset;
    setCategory(category);
    setPreset(preset);
}

void PresetManager::selectNextPreset()
{
    if (currentCategory == -1 && currentPreset == -1)
        stepTo(0, 0);
    else if (currentPreset == presetCount(currentCategory) - 1)
        stepTo(currentCategory + 1, 0);
    else
        stepTo(currentCategory, currentPreset + 1);
}

void PresetManager::selectPrevPreset()
{
    int category = currentCategory;
    int preset = currentPreset;
    if (preset == 0)
    {
        category -= 1;
        preset = presetCount(category);
    }
    stepTo(category, preset - 1);
}

void PresetManager::openPresetManager()
{
    if (delegate != nullptr)
        delegate->openPresetlist();
}

//==============================================================================
void PresetManager::mouseDown(const juce::MouseEvent&)
{
    if (delegate != nullptr)
        delegate->closePresetlist();
}

void PresetManager::paint(juce::Graphics& g)
{
    g.fillAll(juce::Colour::fromFloatRGBA(0.0f, 0.0f, 0.0f, 0.5f));

    const juce::Rectangle<float> panel((float)(int)panelBounds.getX(), (float)(int)panelBounds.getY(),
                                       (float)(int)panelBounds.getWidth(),
                                       (float)(int)panelBounds.getHeight());
    g.setColour(juce::Colours::black);
    g.fillRoundedRectangle(panel, 2.0f);
    g.setColour(panelGrey);
    g.fillRoundedRectangle(panel.getX() + 0.4f * panel.getWidth(), panel.getY(), 0.6f * panel.getWidth(),
                           panel.getHeight(), 2.0f);
}

void PresetManager::resized()
{
    const int W = getWidth();
    const int H = getHeight();

    const int cx = (int)(W * 0.5);
    const int cy = (int)(H * 0.5);
    const int halfW = std::min((W - 60) / 2, 200);
    const int listH = std::min(H - 60, 350);
    const int x0 = cx - halfW;
    const int listsW = 2 * halfW;
    const int y0 = (int)(cy - listH * 0.5);
    const int categoryW = (int)(0.4 * listsW);

    categoryList.setBounds(x0, y0, categoryW, listH);
    presetList.setBounds(x0 + categoryW, y0, (int)(0.6 * listsW), listH);
    panelBounds = juce::Rectangle<float>((float)(cx - halfW), (float)(cy - listH / 2), (float)(2 * halfW),
                                         (float)listH);
}
