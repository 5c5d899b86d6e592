#include "TrapezoidLoad.h"

TrapezoidLoad::TrapezoidLoad(const MemberRef& member) : Load(member) {}

QSharedPointer<TrapezoidLoad> TrapezoidLoad::makeDefault(const LoadCaseRef& loadCase)
{
    return makeDefaultOf<TrapezoidLoad>(loadCase, {PositionedForce(0.0, -10000.0), PositionedForce(1.0, -10000.0)});
}

LoadRef TrapezoidLoad::clone() const
{
    return cloneAs<TrapezoidLoad>();
}

TrapezoidLoad::Span TrapezoidLoad::span() const
{
    return Span(firstPosition(0.0), pairs.size() >= 2 ? pairs[1].first : 1.0);
}

void TrapezoidLoad::setSpan(const Span& span)
{
    const double fA = pairs.isEmpty() ? 0.0 : pairs[0].second;
    const double fB = pairs.size() >= 2 ? pairs[1].second : fA;
    QList<PositionedForce> spanned = {PositionedForce(span.first, fA), PositionedForce(span.second, fB)};
    spanned.append(pairs.mid(2));
    setPositionedForces(spanned);
}

double TrapezoidLoad::spanAB() const
{
    const Span s = span();
    return s.second - s.first;
}

double TrapezoidLoad::centroidPosition() const
{
    const Span s = span();
    return 0.5 * (s.first + s.second);
}

double TrapezoidLoad::forceAtPositionOnMember(double p) const
{
    const Span s = span();
    const double a = s.first;
    const double b = s.second;
    const double fA = pairs.isEmpty() ? 0.0 : pairs[0].second;
    const double fB = pairs.size() >= 2 ? pairs[1].second : 0.0;
    if (p < a || p > b)
        return 0.0;
    if (b == a)
        return fA;
    return ((b - p) * fA + (p - a) * fB) / (b - a);
}

QString TrapezoidLoad::elementName() const
{
    return QString::fromLatin1(xmlForm.name);
}

const XmlForm::Element TrapezoidLoad::xmlForm =
    XmlForm::element("TrapezoidLoad", {}, &Load::xmlForm)
        .costing(15, "load", "loads");
