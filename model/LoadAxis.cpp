#include "LoadAxis.h"

LoadAxis::LoadAxis() : NamedAxis(Axis(), QString()) {}

LoadAxis::LoadAxis(const Axis& axis, const QString& name) : NamedAxis(axis, name) {}

bool LoadAxis::isAxisEqualTo(const LoadAxisRef& loadAxis, const Axis& axis)
{
    return loadAxis && loadAxis->axis() == axis;
}

QString LoadAxis::elementName() const
{
    return QString::fromLatin1(xmlForm.name);
}

const XmlForm::Element LoadAxis::xmlForm =
    XmlForm::element("LoadAxis", {}, &NamedAxis::xmlForm)
        .costing(10, "axis", "axes"); // 510 bytes with its five children; time
