#pragma once

#include <atomic>
#include <thread>
#include <vector>

/** Starts `threads` threads at once; each takes and drops a reference `pairs` times and runs
    check() while it holds one. Returns the number of failed checks once all have finished. */
template <typename Take, typename Drop, typename Check>
int churnReferences(int threads, int pairs, Take take, Drop drop, Check check)
{
    std::atomic<int> failures{0};
    std::atomic<bool> go{false};
    std::vector<std::thread> running;
    for (int t = 0; t < threads; ++t)
        running.emplace_back(
            [&]
            {
                while (!go.load())
                    std::this_thread::yield();
                for (int n = 0; n < pairs; ++n)
                {
                    take();
                    if (!check())
                        ++failures;
                    drop();
                }
            });
    go = true;
    for (auto& t : running)
        t.join();
    return failures.load();
}
