#pragma once

#include <QString>

// Rounds to the given significant figures: v/e rounded to an integer (halves
// away from zero), times e, with e = 10^(trunc(log10|v|) - (figures - 1)).
// Zero and subnormal values give 0; NaN and infinities pass unchanged.
double roundToSignificantFigures(double value, int figures);

// Whether no rounding to multiples of 1/stepsPerUnit can change the value:
// from 2^52 steps on every double is a whole number of them. True for NaN
// and infinities too.
bool isBeyondStep(double value, double stepsPerUnit);

// Rounds to the nearest multiple of 1/stepsPerUnit, halves away from zero.
// A value beyond the step is returned as it is: scaled, it could only
// overflow, so no finite value ever comes back infinite or NaN.
double roundToStep(double value, double stepsPerUnit);

// Rounds to the given decimal places, as roundToStep does.
double roundToDecimalPlaces(double value, int decimals);

// QString::number(value, format, precision), always a finite number that
// reads back: 'e' or 'g' rounding that would carry it past the largest double
// is cut toward zero instead, an infinity stands as the largest double of its
// sign and NaN as 0; fixed places that round a negative value to zero show no
// sign. So every number the program writes into a file opens again as it reads.
QString finiteNumberText(double value, char format, int precision);

// Text of a value for display: magnitudes below the smallest normal double
// read "0"; NaN and infinities are kept; with significantFigures > 0 the value
// is first rounded to that many figures; then fixed notation with
// min(decimals, 15) places, trimmed of trailing zeros and point when asked.
QString naturalDoubleToString(double value, int significantFigures, int decimals, bool trim);

// The decimal places needed to show the value with at most maxDigits digits.
int numberOfDecimalPlaces(double value, int maxDigits);
