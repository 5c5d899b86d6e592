#include "NumberFormat.h"

#include <cfloat>
#include <cmath>

double roundToSignificantFigures(double value, int figures)
{
    if (std::isnan(value) || std::isinf(value))
        return value;
    if (std::fabs(value) < DBL_MIN)
        return 0.0;
    if (figures <= 0)
        return value;
    const double e = std::pow(10.0, std::trunc(std::log10(std::fabs(value))) - (figures - 1));
    const double rounded = std::round(value / e) * e;
    return std::isfinite(rounded) ? rounded : value;
}

bool isBeyondStep(double value, double stepsPerUnit)
{
    return !(std::fabs(value * stepsPerUnit) < 0x1p52);
}

double roundToStep(double value, double stepsPerUnit)
{
    return isBeyondStep(value, stepsPerUnit) ? value : std::round(value * stepsPerUnit) / stepsPerUnit;
}

double roundToDecimalPlaces(double value, int decimals)
{
    return decimals < 0 ? value : roundToStep(value, std::pow(10.0, decimals));
}

QString finiteNumberText(double value, char format, int precision)
{
    if (std::isnan(value))
        value = 0.0;
    else if (std::isinf(value))
        value = std::copysign(DBL_MAX, value);
    QString text = QString::number(value, format, precision);
    // Fixed places that round a negative value to nothing show no sign.
    if (format == 'f' && value < 0.0 && text.toDouble() == 0.0)
        text.remove(0, 1);
    bool ok = true;
    if (std::fabs(value) >= 1e308)
        text.toDouble(&ok);
    if (ok)
        return text;
    // Every figure of the largest doubles, cut to the figures asked for.
    const QString exact = QString::number(value, 'e', 16);
    const int figures = format == 'g' ? qMax(precision, 1) : precision + 1;
    const int exponent = exact.indexOf(QLatin1Char('e'));
    QString mantissa = exact.left(qMin(exponent, exact.indexOf(QLatin1Char('.')) + figures));
    while (format == 'g' && mantissa.endsWith(QLatin1Char('0')))
        mantissa.chop(1);
    if (mantissa.endsWith(QLatin1Char('.')))
        mantissa.chop(1);
    return mantissa + exact.midRef(exponent);
}

QString naturalDoubleToString(double value, int significantFigures, int decimals, bool trim)
{
    if (std::isnan(value))
        return QStringLiteral("nan");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("inf") : QStringLiteral("-inf");
    if (std::fabs(value) < DBL_MIN)
        value = 0.0;
    if (significantFigures > 0)
        value = roundToSignificantFigures(value, significantFigures);

    const int places = qBound(0, decimals, 15);
    QString text = QString::number(value, 'f', places);
    if (trim && text.contains(QLatin1Char('.'))) {
        int end = text.size();
        while (end > 0 && text.at(end - 1) == QLatin1Char('0'))
            --end;
        if (end > 0 && text.at(end - 1) == QLatin1Char('.'))
            --end;
        text.truncate(end);
    }
    // Rounding can leave "-0"; a user should never see a signed zero.
    if (text == QLatin1String("-0"))
        text = QStringLiteral("0");
    else if (text.startsWith(QLatin1String("-0")) && text.count(QLatin1Char('0')) == text.size() - 2)
        text.remove(0, 1);
    return text;
}

int numberOfDecimalPlaces(double value, int maxDigits)
{
    if (!std::isfinite(value) || maxDigits <= 0)
        return 0;
    const double whole = std::trunc(value);
    const double absWhole = std::fabs(whole);
    const int wholeDigits = absWhole < 5.0 ? 1 : int(std::ceil(std::log10(absWhole)));
    if (wholeDigits >= maxDigits)
        return 0;

    const double tolerance = 0.5 * std::pow(10.0, -maxDigits);
    const double a = std::fabs(value);
    if (std::fabs(a - std::round(a)) <= tolerance)
        return 0;

    // Count the places until the value lies within the tolerance of a number
    // with that many places.
    const double fraction = a - std::trunc(a);
    int places = 0;
    double scale = 1.0;
    while (wholeDigits + places < maxDigits) {
        ++places;
        scale *= 10.0;
        const double scaled = fraction * scale;
        if (std::fabs(scaled - std::round(scaled)) <= tolerance * scale)
            break;
    }
    return places;
}
