// The engine's generator against glibc's rand() (unseeded, as after srand(1)), on every thread.

#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>
#include <vector>

#include "dsp/TKRand.h"

TEST(TKRand, EveryThreadDrawsRandsSequenceFromItsStart)
{
    std::vector<int> expected(10000000);
    std::srand(1);
    for (int& value : expected)
        value = std::rand();

    TKRand g = TKRand_Seeded(1);
    for (size_t i = 0; i < expected.size(); ++i)
        ASSERT_EQ(TKRand_Next(&g), expected[i]) << i;

    // Two threads at once, each with its own generator from the start of the sequence.
    size_t matching[2] = {0, 0};
    auto draw = [&expected](size_t* count)
    {
        TKRand* own = TKRand_This_Thread();
        while (*count < 1000000 && TKRand_Next(own) == expected[*count])
            ++*count;
    };
    std::thread first(draw, &matching[0]), second(draw, &matching[1]);
    first.join();
    second.join();
    EXPECT_EQ(matching[0], 1000000u);
    EXPECT_EQ(matching[1], 1000000u);
}
