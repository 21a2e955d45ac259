#pragma once

/** What the preset bar reports: one call per click on an enabled button
    (implemented by the PresetManager). */
class PresetButtonDelegate
{
public:
    virtual ~PresetButtonDelegate() = default;

    /** The ">" button. */
    virtual void selectNextPreset() = 0;
    /** The "<" button. */
    virtual void selectPrevPreset() = 0;
    /** The name button: open the preset browser. */
    virtual void openPresetManager() = 0;
};
