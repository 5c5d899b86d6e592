#pragma once

#include <algorithm>
#include <cmath>

// The 3D view's square-root law of force arrow lengths, so that arrows on a
// report page and on screen grow alike. Lengths are in world units.
namespace ReportGraphics {

// sign(force·scale)·(√|force·scale| / 64 + 0.1); the sign of a zero product
// is its sign bit.
inline double givenForceGiveLength(double force, double scale)
{
    const double product = force * scale;
    return std::copysign(std::sqrt(std::fabs(product)) / 64.0 + 0.1, product);
}

// The inverse for lengths of at least 0.1.
inline double givenLengthGiveForce(double length, double scale)
{
    const double root = 64.0 * std::max(0.0, std::fabs(length) - 0.1);
    return std::copysign(root * root, length) / scale;
}

} // namespace ReportGraphics
