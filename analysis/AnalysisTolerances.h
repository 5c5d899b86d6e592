#pragma once

#include "Vectors.h"

// The tolerances of the analysis: a magnitude below 2^-128 is zero
// (foundation's isNearZero), and two values are close when both are zero or
// they differ by at most 2^-20 of the larger magnitude.

inline bool areClose(double a, double b)
{
    return fuzzyEqual(a, b);
}
