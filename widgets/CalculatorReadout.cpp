#include "Calculator.h"

#include <cmath>

namespace {

// |value| rounded to the given significant figures, as the digits d1 d2 ...
// of d1.d2... x 10^exponent, trailing zeros dropped.
struct Digits
{
    QString digits;
    int exponent = 0;
};

Digits digitsOf(double value, int figures)
{
    const QString text = QString::number(std::fabs(value), 'e', figures - 1);
    const int e = text.indexOf(QLatin1Char('e'));
    Digits d;
    d.digits = text.left(e).remove(QLatin1Char('.'));
    d.exponent = text.mid(e + 1).toInt();
    while (d.digits.size() > 1 && d.digits.endsWith(QLatin1Char('0')))
        d.digits.chop(1);
    return d;
}

QString fixedText(const Digits& d)
{
    if (d.exponent < 0)
        return QStringLiteral("0.") + QString(-d.exponent - 1, QLatin1Char('0')) + d.digits;
    QString whole = d.digits.left(d.exponent + 1);
    whole += QString(d.exponent + 1 - whole.size(), QLatin1Char('0'));
    const QString fraction = d.digits.mid(d.exponent + 1);
    return fraction.isEmpty() ? whole : whole + QLatin1Char('.') + fraction;
}

QString exponentText(const Digits& d)
{
    const QString mantissa = d.digits.size() > 1 ? d.digits.left(1) + QLatin1Char('.') + d.digits.mid(1) : d.digits;
    return mantissa + QLatin1Char('e') + QString::number(d.exponent);
}

} // namespace

QString Calculator::readoutTextOf(double value)
{
    if (!std::isfinite(value))
        return tr("Error");
    if (value == 0.0)
        return QStringLiteral("0");
    const QString sign = value < 0.0 ? QStringLiteral("-") : QString();
    const int figures = digitsOf(value, SignificantFigures).digits.size();

    // Fixed notation with as many of the figures as fit; the exponent form
    // only where it shows more of them.
    QString best;
    int bestFigures = 0;
    for (int n = figures; n >= 1 && best.isEmpty(); --n) {
        const QString text = sign + fixedText(digitsOf(value, n));
        if (text.size() <= ReadoutCapacity) {
            best = text;
            bestFigures = n;
        }
    }
    for (int n = figures; n > bestFigures; --n) {
        const QString text = sign + exponentText(digitsOf(value, n));
        if (text.size() <= ReadoutCapacity)
            return text;
    }
    return best;
}
