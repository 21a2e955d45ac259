#pragma once

#include "PresetButton.h"
#include "PresetButtonDelegate.h"
#include "PresetManagerDelegate.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>
#include <vector>

/**
    The presets, grouped in named categories, with the current preset, stepping
    to the previous or next one without wrap-around, and the browser overlay:
    the same object is the component that dims the editor and shows the
    category list beside the preset list of the shown category.

    The owner fills it (addCategory, addPreset), calls finishInit, then
    CreateOpenButton, and adds the returned bar to its own window. A chosen
    preset is handed to the owner's setNewState; the current preset is never
    saved with the plug-in's state, so every new manager starts with none.
    Message thread only.
*/
class PresetManager : public juce::Component, public PresetButtonDelegate
{
public:
    /** One preset: normalised values in parameter-id order. */
    struct Preset
    {
        juce::String name;
        /** Position in its category when it was added. */
        int index = 0;
        /** The manager's own copy of the values given to addPreset; its address
            is what setNewState receives. */
        std::unique_ptr<float[]> values;
        int numValues = 0;
    };

    struct Category
    {
        /** Position in the category list; what addCategory returned. */
        int index = 0;
        juce::String name;
        std::vector<Preset> presets;
    };

    /** Rows of the category list. */
    class CatModel : public juce::ListBoxModel
    {
    public:
        explicit CatModel(PresetManager* o) : owner(o) {}
        ~CatModel() override {}
        int getNumRows() override;
        /** A selected row is dark grey; names are white. */
        void paintListBoxItem(int row, juce::Graphics& g, int width, int height, bool rowIsSelected) override;
        /** Shows the clicked category's presets. */
        void listBoxItemClicked(int row, const juce::MouseEvent& e) override;

        /** Not owned: the manager that holds this model. */
        PresetManager* owner;
    };

    /** Rows of the preset list: the presets of the shown category. */
    class PresetModel : public juce::ListBoxModel
    {
    public:
        explicit PresetModel(PresetManager* o) : owner(o) {}
        ~PresetModel() override {}
        int getNumRows() override;
        /** A selected row is a white bar with a black name; others a white name. */
        void paintListBoxItem(int row, juce::Graphics& g, int width, int height, bool rowIsSelected) override;
        /** Makes the clicked preset current and applies it; the overlay stays open. */
        void listBoxItemClicked(int row, const juce::MouseEvent& e) override;

        /** Not owned: the manager that holds this model. */
        PresetManager* owner;
    };

    explicit PresetManager(PresetManagerDelegate* delegate);
    /** Frees every value block and deletes the bar (which leaves the owner's window). */
    ~PresetManager() override;

    /** Appends an empty category and returns its index. */
    int addCategory(juce::String name);
    /** Appends a preset to an existing category, with a copy of the first
        `numValues` of `values`; the caller's array is not kept. */
    void addPreset(juce::String name, int category, const float* values, int numValues);
    /** Sets up and adds the two lists; needs at least one category. */
    void finishInit();
    /** Creates the preset bar, owned by the manager; the caller adds it to its window. */
    PresetButton* CreateOpenButton();

    /** Shows `category` in the lists, selecting the current preset's row when it is there. */
    void setCategory(int category);
    /** Makes preset `preset` of the shown category current, updates the bar
        and applies the values, also when it already was the current one. */
    void setPreset(int preset);
    /** Enables the bar's arrows exactly where a step lands on a preset that exists. */
    void updateCanSetPreset();

    void selectNextPreset() override;
    void selectPrevPreset() override;
    void openPresetManager() override;

    /** A press on the dimmed backdrop (anywhere outside the lists) closes the overlay. */
    void mouseDown(const juce::MouseEvent& e) override;
    void paint(juce::Graphics& g) override;
    /** Centres the panel: 400 x 350 at most, 30 pixels of margin otherwise, split 40 : 60. */
    void resized() override;

    //==============================================================================
    CatModel catModel{this};
    PresetModel presetModel{this};
    /** Not owned: the owner, who applies presets and shows the overlay. */
    PresetManagerDelegate* delegate;
    juce::ListBox categoryList;
    juce::ListBox presetList;
    std::vector<Category> categories;
    /** The preset bar; owned, null until CreateOpenButton. */
    std::unique_ptr<PresetButton> presetButton;
    /** Category of the current preset; -1 (with currentPreset) while none has been chosen. */
    int currentCategory = -1;
    /** Index of the current preset within currentCategory; -1 while none. */
    int currentPreset = -1;
    /** Category whose presets the preset list shows. */
    int shownCategory = 0;
    /** Font of both lists and of the bar. */
    juce::Font listFont;
    /** The panel behind the lists; empty until the first layout. */
    juce::Rectangle<float> panelBounds;

private:
    /** Presets in `category`, 0 for an index that names no category. */
    int presetCount(int category) const;
    /** Shows the target category, then makes its preset current. */
    void stepTo(int category, int preset);

    JUCE_DECLARE_NON_COPYABLE(PresetManager)
};
