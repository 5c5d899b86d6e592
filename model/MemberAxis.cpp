#include "MemberAxis.h"

MemberAxis::MemberAxis() : NamedAxis(Axis(), QString()) {}

MemberAxis::MemberAxis(const Axis& axis, const QString& name) : NamedAxis(axis, name) {}

MemberAxis::MemberAxis(const MemberAxis& other) : NamedAxis(other.axisValue, other.nameText) {}

void MemberAxis::setAxis(const Axis& axis)
{
    emit AxisWillChange();
    axisValue = axis;
    stamp();
    emit AxisHasChanged();
}

bool MemberAxis::isAxisEqualTo(const MemberAxisRef& memberAxis, const Axis& axis)
{
    return memberAxis && memberAxis->axis() == axis;
}

QString MemberAxis::elementName() const
{
    return QString::fromLatin1(xmlForm.name);
}

const XmlForm::Element MemberAxis::xmlForm =
    XmlForm::element("MemberAxis", {}, &NamedAxis::xmlForm)
        .costing(10, "axis", "axes");
