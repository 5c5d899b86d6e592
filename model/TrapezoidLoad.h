#pragma once

#include "Load.h"

// A distributed load (N/m) varying linearly between its two pairs; its span
// runs from the first position to the second. Written as "TrapezoidLoad".
class TrapezoidLoad : public Load
{
    Q_OBJECT

public:
    // (start, end) as fractions of the member length.
    typedef QPair<double, double> Span;

    explicit TrapezoidLoad(const MemberRef& member = MemberRef());

    // In the load case, on no member, along a new default load axis (global
    // +Y), with the pairs (0, -10000) and (1, -10000).
    static QSharedPointer<TrapezoidLoad> makeDefault(const LoadCaseRef& loadCase);

    LoadRef clone() const override;

    // (first position, second position), 0 and 1 where missing.
    Span span() const;
    // Moves both positions, keeping the forces. Stamps.
    void setSpan(const Span& span);
    // The second position (1 with fewer than two pairs) less the first (0 with none).
    double spanAB() const;

    // The middle of the span.
    double centroidPosition() const override;

    // 0 outside the span, linear between the two forces inside it (the first
    // force for a span of no length); missing forces count as 0.
    double forceAtPositionOnMember(double position) const;

protected:
    QString elementName() const override;

public:
    // What it is written as.
    static const XmlForm::Element xmlForm;

protected:
};
