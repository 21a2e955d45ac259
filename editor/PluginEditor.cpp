#include "PluginEditor.h"

#include <BinaryData.h>

#include "FactoryPresets.h"
#include "FontManager.h"
#include "OpenGLAvailability.h"

TovkaAudioProcessorEditor::TovkaAudioProcessorEditor(TovkaAudioProcessor& p)
    : juce::AudioProcessorEditor(p), processor(&p), presetManager(this)
{
    // Inside an app-extension sandbox, or where no context can be made, the
    // window paints through the framework's ordinary path.
    if (! juce::SystemStats::isRunningInAppExtensionSandbox())
        attachOpenGL();

    initCommon();
    startTimerHz(mirrorRate);

    presetManager.finishInit();
    presetBar = presetManager.CreateOpenButton();
    addAndMakeVisible(presetBar);

    setSize(editorWidth, editorHeight);
}

TovkaAudioProcessorEditor::~TovkaAudioProcessorEditor()
{
    // Drops this editor's reference; the widgets paint only cached images from
    // here on, and the members go in reverse order after this body.
    FontManager::destroy();
}

void TovkaAudioProcessorEditor::attachOpenGL()
{
    // 8 bits per colour component, 8 alpha, 8 depth and 8 stencil bits.
    const juce::OpenGLPixelFormat pixelFormat(8, 8, 8, 8);
    if (! canCreateOpenGLContext(pixelFormat))
        return;
    openGLContext.setPixelFormat(pixelFormat);
    openGLContext.setMultisamplingEnabled(false);
    // No parent yet: this is the editor itself.
    openGLContext.attachTo(*getTopLevelComponent());
}

void TovkaAudioProcessorEditor::initCommon()
{
    for (auto*& widget : widgetForParam)
        widget = nullptr;

    {
        const juce::Font large(juce::Typeface::createSystemTypefaceFor(BinaryData::Enyo_otf,
                                                                         (size_t)BinaryData::Enyo_otfSize));
        const juce::Font small(juce::Typeface::createSystemTypefaceFor(BinaryData::Pistara_otf,
                                                                         (size_t)BinaryData::Pistara_otfSize));
        const auto fill = juce::ImageCache::getFromMemory(BinaryData::filltexture_png,
                                                          BinaryData::filltexture_pngSize);
        // Text from size 16 up uses the large font.
        FontManager::create(large, small, 16, fill);
    }

    background.init(juce::ImageCache::getFromMemory(BinaryData::splash_blue_png, BinaryData::splash_blue_pngSize),
                    juce::ImageCache::getFromMemory(BinaryData::papper_png, BinaryData::papper_pngSize),
                    {0, 0, editorWidth, editorHeight}, this);
    addAndMakeVisible(background);

    adsrWidget.setCallback(this);
    // Attack, decay, sustain and release are ids 0 to 3.
    for (size_t i = 0; i < adsrWidget.paramIds.size(); ++i)
    {
        adsrWidget.paramIds[i] = (int)i;
        adsrWidget.values[i] = currentValueForParamId((int)i);
    }
    addAndMakeVisible(adsrWidget);
    for (int i = 0; i < 4; ++i)
        widgetForParam[i] = &adsrWidget;

    bindRadioButtons(turnIn, 6, "TURN IN", {"Off", "On"});
    bindRadioButtons(turnOut, 7, "TURN OUT", {"Off", "On"});
    bindPad(characterPad, "Character", 12, "NARROW", 13, "INTENSE");
    bindPad(throatPad, "Throat", 8, "TONALITY", 15, "GRAIN");
    bindPad(legatoTimesPad, "", 10, "FREQUENCY TIME", 11, "FORMANT TIME");
    bindRadioButtons(legatoSelector, 9, "LEGATO STATE", {"Off ", "On ", "Hold "});
    bindSlider(volumeSlider, 14, "VOLUME");
    bindSlider(roomSlider, 16, "ROOM");

    // The factory presets are the whole list, rebuilt for every editor.
    const int factory = presetManager.addCategory("FACTORY");
    for (int i = 0; i < NumFactoryPresets; ++i)
        presetManager.addPreset(FactoryPresetNames[i], factory, FactoryPresetData[i], NumParameters);
}

void TovkaAudioProcessorEditor::bindRadioButtons(TKRadioButtons& row, int id, const char* title,
                                                 std::initializer_list<const char*> items)
{
    row.items.clear();
    row.setParamId(id);
    row.setValue(currentValueForParamId(id), false);
    row.setCallback(this);
    row.title = title;
    for (auto* item : items)
        row.addItem(item);
    addAndMakeVisible(row);
    widgetForParam[id] = &row;
}

void TovkaAudioProcessorEditor::bindPad(TKXYPad& pad, const char* title, int idX, const char* xLabel, int idY,
                                        const char* yLabel)
{
    pad.setCallback(this);
    pad.paramIdX = idX;
    pad.paramIdY = idY;
    pad.title = title;
    pad.xLabel = xLabel;
    pad.yLabel = yLabel;
    pad.valueX = currentValueForParamId(idX);
    pad.valueY = currentValueForParamId(idY);
    addAndMakeVisible(pad);
    widgetForParam[idX] = &pad;
    widgetForParam[idY] = &pad;
}

void TovkaAudioProcessorEditor::bindSlider(TKSlider& slider, int id, const char* title)
{
    slider.setParamId(id);
    slider.setValue(currentValueForParamId(id), false);
    slider.setCallback(this);
    slider.title = title;
    addAndMakeVisible(slider);
    widgetForParam[id] = &slider;
}

//==============================================================================
void TovkaAudioProcessorEditor::paint(juce::Graphics&)
{
    // The background child covers the whole window.
}

void TovkaAudioProcessorEditor::resized()
{
    // The widgets fill the space between the title (top left) and the logo
    // (bottom right). Which steps run in single and which in double precision,
    // and where values are truncated, decides the pixel positions: keep them.
    const int W = getWidth();
    const int H = getHeight();

    presetManager.setBounds(0, 0, W, H);
    presetBar->setTopRightPosition(W - 5, 5);
    background.setSize(W, H);

    // The background has just placed these; it sits at our origin.
    const auto T = background.title.getBounds();
    const int Iw = background.title.icon.getWidth();
    const auto L = background.logo.getBounds();

    const int left = T.getX() + T.getWidth() + 5;
    const int top0 = (int)(T.getY() + 0.15 * T.getHeight());
    const int availW = (int)(L.getX() + 0.5 * L.getWidth()) - left;
    const int availH = H - L.getHeight() - top0;
    const int top = top0 + 15;
    const float halfW = (float)(0.5 * availW);
    const float quarterH = (float)(0.25 * availH);

    // Envelope editor: centred in the window, half the free width wide.
    const juce::Rectangle<int> E((int)((float)(W / 2) - 0.5f * halfW), top, (int)halfW, (int)quarterH);

    const float fontF = juce::jlimit(15.0f, 22.0f, (float)(quarterH * 0.3));
    const int font = (int)fontF;

    // The turn rows flank the envelope editor, centred on its height.
    auto size = turnIn.prepareForFontSize(font);
    turnIn.setBounds(E.getX() - 5 - size.x, E.getY() + E.getHeight() / 2 - size.y / 2, size.x, size.y);
    size = turnOut.prepareForFontSize(font);
    turnOut.setBounds(E.getX() + E.getWidth(), E.getY() + E.getHeight() / 2 - size.y / 2, size.x, size.y);
    adsrWidget.setBounds(E);

    // Faders side by side at the top right, "ROOM" left of "VOLUME".
    const int sliderW = (int)(0.5f * (float)Iw) + T.getX();
    const int sliderH = juce::jmin(H - 15 - (T.getY() + T.getHeight()), E.getHeight());
    volumeSlider.setBounds(W - 10 - sliderW, top, sliderW, sliderH);
    roomSlider.setBounds(W - 10 - 2 * sliderW, top, sliderW, sliderH);

    // The pad row below the envelope editor, centred on cx.
    const float r = (float)((double)((float)H / (float)W) * (H * 0.1));
    const float padTop = (float)(E.getY() + E.getHeight() + 5) + r;
    const float pad = juce::jmin((float)availW / 3.0f, (float)(0.6 * availH));
    const float g = (float)(0.05 * availW);
    const float cx = (float)left + (float)(availW / 2);

    characterPad.setBounds((int)((double)(cx - pad) - 0.5 * pad - g), (int)padTop, (int)pad, (int)pad);
    throatPad.setBounds((int)(g + ((double)cx + 0.5 * pad) - 20.0), (int)padTop, (int)pad, (int)pad);

    size = legatoSelector.prepareForFontSize(font);
    legatoSelector.setBounds((int)(cx - (float)(size.x / 2)), (int)padTop, size.x, size.y);
    legatoTimesPad.setBounds((int)(cx - 0.5f * pad), (int)(padTop + (float)size.y), (int)pad,
                             (int)(pad - (float)size.y));
}

//==============================================================================
void TovkaAudioProcessorEditor::logoClick()
{
    juce::Process::openDocument(productPage, {});
}

juce::AudioProcessorParameter* TovkaAudioProcessorEditor::parameter(int id) const
{
    const auto& parameters = processor->getParameters();
    return id >= 0 && id < NumParameters && id < parameters.size() ? parameters[id] : nullptr;
}

void TovkaAudioProcessorEditor::valueChanged(EComponent*, int paramId, float value)
{
    if (auto* p = parameter(paramId))
        p->setValueNotifyingHost(value);
}

void TovkaAudioProcessorEditor::ui_beginGesture(EComponent*, int paramId)
{
    if (auto* p = parameter(paramId))
        p->beginChangeGesture();
}

void TovkaAudioProcessorEditor::ui_endGesture(EComponent*, int paramId)
{
    if (auto* p = parameter(paramId))
        p->endChangeGesture();
}

float TovkaAudioProcessorEditor::defaultValueForParamId(int paramId)
{
    auto* p = parameter(paramId);
    return p != nullptr ? p->getDefaultValue() : 0.0f;
}

float TovkaAudioProcessorEditor::currentValueForParamId(int paramId)
{
    auto* p = parameter(paramId);
    return p != nullptr ? p->getValue() : 0.0f;
}

void TovkaAudioProcessorEditor::timerCallback()
{
    for (int id = 0; id < NumParameters; ++id)
    {
        auto* widget = widgetForParam[id];
        if (widget == nullptr)
            continue;
        const float current = parameter(id)->getValue();
        // Exact comparison: any difference is pushed, and a NaN always is.
        if (current != widget->getValueForParamId(id))
            widget->setValueForParamId(id, current);
    }
}

//==============================================================================
void TovkaAudioProcessorEditor::closePresetlist()
{
    removeChildComponent(&presetManager);
}

void TovkaAudioProcessorEditor::openPresetlist()
{
    // Last child added is the front one: above the preset bar too.
    addAndMakeVisible(presetManager);
}

void TovkaAudioProcessorEditor::setNewState(float* values)
{
    for (int id = 0; id < NumParameters; ++id)
        parameter(id)->setValueNotifyingHost(values[id]);
}
