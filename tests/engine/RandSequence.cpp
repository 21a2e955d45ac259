// Writes the first N values (the argument) of the C library's rand() to stdout as native 32-bit
// ints, from a process that has drawn nothing before: the sequence the engine's TKRand generator
// must reproduce.

#include <cstdint>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    long remaining = argc > 1 ? std::atol(argv[1]) : 0;
    static int32_t chunk[65536];
    while (remaining > 0)
    {
        const long n = remaining < 65536 ? remaining : 65536;
        for (long i = 0; i < n; ++i)
            chunk[i] = std::rand();
        if (std::fwrite(chunk, sizeof chunk[0], static_cast<size_t>(n), stdout) != static_cast<size_t>(n))
            return 1;
        remaining -= n;
    }
    return 0;
}
