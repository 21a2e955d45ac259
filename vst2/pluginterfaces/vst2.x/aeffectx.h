#pragma once

// The extended VST2 interface: fst has it all in one header, read by aeffect.h.
#include "aeffect.h"
