#pragma once

#include "Vectors.h"

#include <cmath>

// The tolerances of the analysis: a magnitude below 2^-128 is zero, and two
// values are close when both are zero or they differ by at most 2^-20 of the
// larger magnitude.

inline bool isNearZero(double x)
{
    return std::fabs(x) < 0x1p-128;
}

inline bool areClose(double a, double b)
{
    return fuzzyEqual(a, b);
}
