#pragma once

#include <vector>

/** The map between MIDI controllers and host parameters, in both directions.
    Filled once by the processor's constructor and only read afterwards. */
struct MIDICCManager
{
    /** Controller number (0..127) that drives each parameter id, -1 for none. */
    std::vector<int> ccOfParam;

    /** Parameter id driven by each controller number 0..127, -1 for none. */
    std::vector<int> paramOfCc;
};
