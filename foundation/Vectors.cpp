#include "Vectors.h"

#include "NumberFormat.h"

#include <QStringList>

namespace {
// 2^-20
constexpr double relativeTolerance = 9.5367431640625e-07;
}

bool fuzzyEqual(double a, double b)
{
    const double fa = std::fabs(a);
    const double fb = std::fabs(b);
    if (fa < nearZeroMagnitude && fb < nearZeroMagnitude)
        return true;
    return std::fabs(a - b) <= std::max(fa, fb) * relativeTolerance;
}

const Vector3 Vector3::vectorX(1.0, 0.0, 0.0);
const Vector3 Vector3::vectorY(0.0, 1.0, 0.0);
const Vector3 Vector3::vectorZ(0.0, 0.0, 1.0);

bool Vector3::operator==(const Vector3& o) const
{
    return fuzzyEqual(m[0], o.m[0]) && fuzzyEqual(m[1], o.m[1]) && fuzzyEqual(m[2], o.m[2]);
}

QString Vector3::toString() const
{
    return finiteNumberText(m[0], 'g', 15) + QLatin1Char(',') + finiteNumberText(m[1], 'g', 15)
        + QLatin1Char(',') + finiteNumberText(m[2], 'g', 15);
}

bool Vector3::fromString(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 3)
        return false;
    for (int i = 0; i < 3; ++i)
        m[i] = parts[i].toDouble(); // a part that is not a number reads as 0
    return true;
}
