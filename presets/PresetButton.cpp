#include "PresetButton.h"

PresetButton::~PresetButton()
{
    // A look-and-feel must not go while a component still refers to it.
    for (juce::TextButton* button : {&prevButton, &nameButton, &nextButton})
        button->setLookAndFeel(nullptr);
    lookAndFeel.reset();
}

void PresetButton::init(PresetButtonDelegate* newDelegate, juce::LookAndFeel* newLookAndFeel)
{
    // Clicking the bar leaves the keyboard focus with the host.
    for (juce::TextButton* button : {&prevButton, &nextButton, &nameButton})
        button->setWantsKeyboardFocus(false);

    lookAndFeel.reset(newLookAndFeel);
    delegate = newDelegate;

    prevButton.setBounds(0, 0, 30, 25);
    prevButton.setLookAndFeel(lookAndFeel.get());
    prevButton.addListener(this);
    prevButton.setButtonText("<");
    addAndMakeVisible(prevButton);

    nameButton.setColour(juce::TextButton::textColourOnId, juce::Colours::black);
    nameButton.setColour(juce::TextButton::textColourOffId, juce::Colours::black);
    nameButton.setLookAndFeel(lookAndFeel.get());
    nameButton.setButtonText("---");
    nameButton.setBounds(30, 0, 90, 25);
    nameButton.addListener(this);
    addAndMakeVisible(nameButton);

    nextButton.setBounds(120, 0, 30, 25);
    nextButton.setLookAndFeel(lookAndFeel.get());
    nextButton.addListener(this);
    nextButton.setButtonText(">");
    addAndMakeVisible(nextButton);

    setSize(150, 25);
}

void PresetButton::paint(juce::Graphics& g)
{
    const auto area = getLocalBounds();
    g.setColour(juce::Colours::black.withAlpha(0.1f));
    g.fillRoundedRectangle((float)area.getX(), (float)area.getY(), 150.0f, (float)area.getHeight(), 4.0f);
}

void PresetButton::resized() {}

void PresetButton::buttonClicked(juce::Button* button)
{
    if (delegate == nullptr)
        return;

    if (button == &nameButton)
        delegate->openPresetManager();
    else if (button == &prevButton)
        delegate->selectPrevPreset();
    else if (button == &nextButton)
        delegate->selectNextPreset();
}
