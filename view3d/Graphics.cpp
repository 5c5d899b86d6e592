#include "Graphics.h"

#include <algorithm>
#include <cmath>

namespace {

double signOf(double x)
{
    return std::signbit(x) ? -1.0 : 1.0;
}

// max(0, x) and min(1, x) with a NaN giving the bound.
double atLeastZero(double x)
{
    return x > 0.0 ? x : 0.0;
}

double atMostOne(double x)
{
    return x < 1.0 ? x : 1.0;
}

const double pi = 3.14159265358979323846;
const double minimumLength = 0.1;
const double minimumRadius = 0.5;

// A glyph grows with the square root of the amount v, from its minimum size.
double sizeOf(double v, double minimum)
{
    return signOf(v) * (minimum + std::sqrt(std::fabs(v)) / 64.0);
}

// The inverse of sizeOf for a scale s; sizes within the minimum give 0.
double amountOf(double size, double s, double minimum)
{
    const double r = 64.0 * atLeastZero(std::fabs(size) - minimum);
    return signOf(size) * r * r / s;
}

} // namespace

namespace Graphics {

double givenForceGiveLength(double F, double s)
{
    return sizeOf(F * s, minimumLength);
}

double givenLengthGiveForce(double L, double s)
{
    return amountOf(L, s, minimumLength);
}

double givenTorqueGiveRadius(double T, double s)
{
    return sizeOf(T * s, minimumRadius);
}

double givenRadiusGiveTorque(double R, double s)
{
    return amountOf(R, s, minimumRadius);
}

double givenTorqueGiveAngle(double T, double s)
{
    const double v = T * s;
    return signOf(v) * atMostOne((std::sqrt(std::fabs(v)) / 64.0) / (7.0 * pi / 4.0));
}

} // namespace Graphics
