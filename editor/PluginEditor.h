#pragma once

#include <juce_opengl/juce_opengl.h>

#include "ParameterTables.h"
#include "PluginProcessor.h"
#include "PresetButton.h"
#include "PresetManager.h"
#include "TKAdsr.h"
#include "TKBackground.h"
#include "TKRadioButtons.h"
#include "TKSlider.h"
#include "TKUICallback.h"
#include "TKXYPad.h"

//==============================================================================
/**
    Tovka's window, a fixed 780 x 400. Owns every widget, binds each to its
    parameter ids, turns widget gestures into host parameter changes and
    gestures, mirrors the parameters back into the widgets 60 times a second,
    hosts the factory presets and opens the product page from the logo.

    Everything runs on the message thread; while the OpenGL context is attached
    its render thread paints under the message-manager lock, so painting never
    overlaps any of the operations below.
*/
class TovkaAudioProcessorEditor : public juce::AudioProcessorEditor,
                                  public TKUICallback,
                                  public juce::Timer,
                                  public Logo::LogoCallback,
                                  public PresetManagerDelegate
{
public:
    explicit TovkaAudioProcessorEditor(TovkaAudioProcessor&);
    ~TovkaAudioProcessorEditor() override;

    //==============================================================================
    void paint(juce::Graphics&) override;
    void resized() override;

    /** Opens the product page in the system's browser. */
    void logoClick() override;

    //==============================================================================
    // Widget reports. Ids outside 0..16 are ignored (and answer 0).
    void valueChanged(EComponent* sender, int paramId, float value) override;
    void ui_beginGesture(EComponent* sender, int paramId) override;
    void ui_endGesture(EComponent* sender, int paramId) override;
    float defaultValueForParamId(int paramId) override;
    float currentValueForParamId(int paramId) override;

    /** Pushes every parameter whose value differs from its widget's. */
    void timerCallback() override;

    //==============================================================================
    void closePresetlist() override;
    void openPresetlist() override;
    /** Applies a preset: 17 normalised values, set in id order with host
        notification and without gestures. */
    void setNewState(float* values) override;

    //==============================================================================
    static constexpr int editorWidth = 780;
    static constexpr int editorHeight = 400;
    /** Rate of the parameter mirror, in Hz. */
    static constexpr int mirrorRate = 60;
    static constexpr const char* productPage = "https://www.orvalunde.com/products/tovka";

    // Members in construction order; the destructor relies on the reverse.
    TKBackground background;
    juce::OpenGLContext openGLContext;
    TovkaAudioProcessor* processor = nullptr;
    TKAdsr adsrWidget;
    TKRadioButtons turnIn;
    TKRadioButtons turnOut;
    TKXYPad characterPad;
    TKXYPad throatPad;
    TKXYPad legatoTimesPad;
    TKRadioButtons legatoSelector;
    TKSlider volumeSlider;
    TKSlider roomSlider;
    /** The widget bound to each parameter id, null for "Pitchbend" and
        "Pitchbend Span"; one widget may stand at several ids. Owns nothing. */
    EComponent* widgetForParam[NumParameters] = {};
    PresetManager presetManager;
    /** Made and owned by the preset manager; a child of this editor. */
    PresetButton* presetBar = nullptr;

private:
    void initCommon();
    void attachOpenGL();
    void bindRadioButtons(TKRadioButtons& row, int id, const char* title,
                          std::initializer_list<const char*> items);
    void bindPad(TKXYPad& pad, const char* title, int idX, const char* xLabel, int idY, const char* yLabel);
    void bindSlider(TKSlider& slider, int id, const char* title);
    /** The host parameter with this id, or null outside 0..16. */
    juce::AudioProcessorParameter* parameter(int id) const;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(TovkaAudioProcessorEditor)
};
