#include "synth/SynthVoice.h"

namespace SynthBase
{

Voice::~Voice() = default;

} // namespace SynthBase
