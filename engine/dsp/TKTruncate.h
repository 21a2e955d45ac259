#pragma once

#include <cstdint>

/** Truncates toward zero to a signed 32-bit integer. Values outside the integer range saturate and
    NaN gives 0, where a plain cast would be undefined; every value inside the range converts exactly
    as the cast does. */
inline int32_t TK_Truncate_Int32(double v)
{
    if (v < 2147483647.0 && v > -2147483648.0)
        return static_cast<int32_t>(v);
    if (v >= 2147483647.0)
        return INT32_MAX;
    if (v <= -2147483648.0)
        return INT32_MIN;
    return 0; // NaN
}
