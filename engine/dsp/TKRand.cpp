#include "dsp/TKRand.h"

namespace
{
// Constant-initialised (no guard, no constructor call on a thread's first use).
thread_local TKRand threadGenerator = TKRand_Seeded(1);
} // namespace

TKRand* TKRand_This_Thread()
{
    return &threadGenerator;
}

void TKRand_Seed_This_Thread(unsigned seed)
{
    threadGenerator = TKRand_Seeded(seed);
}
