#pragma once

#include <cstdint>

/** The engine's random numbers: the very sequence the C library's rand() gives on glibc, drawn from
    a generator of our own. rand() takes a process-wide lock on every call, which instances
    rendering on several threads contend for; each thread here has a generator of its own, which
    starts, on the thread's first draw, where rand() starts in a fresh process. So a render on one
    thread draws exactly what it drew from rand(), and threads neither lock nor race.

    The algorithm is glibc's default additive feedback generator: 31 words of state, each new word
    the sum modulo 2^32 of the words 3 and 31 places back, the output that sum shifted right by one
    (0..TKRAND_MAX). Seeding fills the words with 16807 * previous mod (2^31 - 1), starting from the
    seed (0 counts as 1), then discards 310 outputs. */
constexpr int TKRAND_MAX = 2147483647;
constexpr int TKRAND_DEGREE = 31;     // words of state
constexpr int TKRAND_SEPARATION = 3;  // the newer of the two words summed lies this many back
constexpr int TKRAND_DISCARDED = 310; // outputs thrown away after seeding

struct TKRand
{
    uint32_t words[TKRAND_DEGREE];
    int32_t front; // the word the next output overwrites: the oldest
    int32_t rear;  // the word TKRAND_SEPARATION places behind front
};

/** The next value, 0..TKRAND_MAX. */
constexpr int TKRand_Next(TKRand* g)
{
    const uint32_t sum = g->words[g->front] + g->words[g->rear];
    g->words[g->front] = sum;
    g->front = g->front + 1 == TKRAND_DEGREE ? 0 : g->front + 1;
    g->rear = g->rear + 1 == TKRAND_DEGREE ? 0 : g->rear + 1;
    return static_cast<int>(sum >> 1);
}

/** A generator seeded as srand(seed) seeds rand(). */
constexpr TKRand TKRand_Seeded(unsigned seed)
{
    TKRand g{};
    int64_t word = seed == 0 ? 1 : seed;
    g.words[0] = static_cast<uint32_t>(word);
    for (int i = 1; i < TKRAND_DEGREE; ++i)
    {
        word = word * 16807 % 2147483647;
        g.words[i] = static_cast<uint32_t>(word);
    }
    g.front = TKRAND_SEPARATION;
    g.rear = 0;
    for (int i = 0; i < TKRAND_DISCARDED; ++i)
        TKRand_Next(&g);
    return g;
}

/** The calling thread's generator; on a thread's first use it stands where rand() stands in a
    fresh process (seed 1). Take it once per block or frame and draw with TKRand_Next: finding a
    thread's own data costs a call. */
TKRand* TKRand_This_Thread();

/** Restarts the calling thread's generator as srand(seed) restarts rand(). */
void TKRand_Seed_This_Thread(unsigned seed);
