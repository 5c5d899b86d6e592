#pragma once

#include "NamedAxis.h"

// The orientation of a member's local axes. A vector axis without a node is
// valid for the analysis only with unit length. Written as "MemberAxis".
class MemberAxis : public NamedAxis
{
    Q_OBJECT

public:
    MemberAxis();
    explicit MemberAxis(const Axis& axis, const QString& name = QString());
    // Keeps the name, the direction and the flags.
    MemberAxis(const MemberAxis& other);

    // AxisWillChange, store, stamp, AxisHasChanged.
    virtual void setAxis(const Axis& axis);

    static bool isAxisEqualTo(const MemberAxisRef& memberAxis, const Axis& axis);

signals:
    void AxisWillChange();
    void AxisHasChanged();

protected:
    QString elementName() const override;

public:
    // What it is written as.
    static const XmlForm::Element xmlForm;

protected:
};

Q_DECLARE_METATYPE(MemberAxisRef)
