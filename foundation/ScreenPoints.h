#pragma once

#include <QPoint>
#include <QtGlobal>

#include <cmath>

// One rounding rule (qRound) for every screen point computed from doubles, so
// that a point a view reports and the point the demonstration cursor is
// checked against agree to the pixel. Values beyond any screen are held at a
// billion pixels and a NaN counts as 0, so that no conversion overflows.
inline int roundScreenCoordinate(double value)
{
    const double limit = 1e9;
    if (!(std::fabs(value) < limit))
        return value > 0.0 ? int(limit) : value < 0.0 ? -int(limit) : 0;
    return qRound(value);
}

inline QPoint roundScreenPoint(double x, double y)
{
    return QPoint(roundScreenCoordinate(x), roundScreenCoordinate(y));
}
