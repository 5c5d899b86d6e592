#pragma once

// Comparison of computed numbers with closed-form and published values.

#include <QString>
#include <QtTest>

#include <algorithm>
#include <cmath>

// Within a tolerance relative to the expected value, or to a floor below
// which it acts absolutely (an expected zero compares against the floor).
inline bool closeTo(double actual, double expected, double tolerance, double floor = 0.0)
{
    return std::fabs(actual - expected) <= tolerance * std::max(std::fabs(expected), floor);
}

#define VERIFY_CLOSE(actual, expected, tolerance, floor)                                                               \
    QVERIFY2(closeTo((actual), (expected), (tolerance), (floor)),                                                      \
             qPrintable(QStringLiteral("%1 is %2, expected %3").arg(#actual).arg((actual), 0, 'g', 17)                 \
                            .arg((expected), 0, 'g', 17)))
