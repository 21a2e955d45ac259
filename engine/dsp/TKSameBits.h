#pragma once

#include <cstdint>
#include <cstring>

/** True when a and b have the same bit pattern. Caches of computed values key on this rather than
    on ==, which holds for -0 and +0 (that sin, atan2 or a division tell apart) and never for NaN. */
inline bool TK_Same_Bits(double a, double b)
{
    uint64_t x, y;
    std::memcpy(&x, &a, sizeof x);
    std::memcpy(&y, &b, sizeof y);
    return x == y;
}

inline bool TK_Same_Bits(float a, float b)
{
    uint32_t x, y;
    std::memcpy(&x, &a, sizeof x);
    std::memcpy(&y, &b, sizeof y);
    return x == y;
}
