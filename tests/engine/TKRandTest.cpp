// The engine's generator against the C library's rand() in a fresh process (a helper program
// started for the test), and each thread's generator starting where rand() starts.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "dsp/TKRand.h"

namespace
{

/** The first n values of rand() in a fresh process, or fewer if the helper failed. */
std::vector<int32_t> freshRandSequence(long n)
{
    std::vector<int32_t> values(static_cast<size_t>(n));
    FILE* pipe = popen((std::string(TOVKA_RAND_SEQUENCE) + " " + std::to_string(n)).c_str(), "r");
    if (pipe == nullptr)
        return {};
    values.resize(std::fread(values.data(), sizeof(int32_t), values.size(), pipe));
    pclose(pipe);
    return values;
}

TEST(TKRand, EveryThreadDrawsRandsSequenceFromAFreshProcess)
{
    const std::vector<int32_t> expected = freshRandSequence(10000000);
    ASSERT_EQ(expected.size(), 10000000u);

    TKRand g = TKRand_Seeded(1);
    for (size_t i = 0; i < expected.size(); ++i)
        ASSERT_EQ(TKRand_Next(&g), expected[i]) << i;

    // Two threads at once, each with its own generator from the start of the sequence.
    constexpr size_t perThread = 1000000;
    size_t matching[2] = {0, 0};
    std::vector<std::thread> threads;
    for (size_t& count : matching)
        threads.emplace_back(
            [&expected, &count]
            {
                TKRand* own = TKRand_This_Thread();
                while (count < perThread && TKRand_Next(own) == expected[count])
                    ++count;
            });
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(matching[0], perThread);
    EXPECT_EQ(matching[1], perThread);

    // Seeding restarts the calling thread's generator as srand() restarts rand().
    TKRand_Seed_This_Thread(1);
    EXPECT_EQ(TKRand_Next(TKRand_This_Thread()), expected[0]);
}

} // namespace
