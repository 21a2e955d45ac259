#pragma once

/** What the preset manager asks of its owner (the editor). */
class PresetManagerDelegate
{
public:
    virtual ~PresetManagerDelegate() = default;

    /** Apply a preset: `values` is the preset's own stored block of normalised
        values in parameter-id order, valid as long as the manager lives. */
    virtual void setNewState(float* values) = 0;
    /** Hide the browser overlay (take the manager out of the window). */
    virtual void closePresetlist() = 0;
    /** Show the browser overlay in front of everything else. */
    virtual void openPresetlist() = 0;
};
