#include "LoadAxis.h"

LoadAxis::LoadAxis() : NamedAxis(Axis(), QString()) {}

LoadAxis::LoadAxis(const Axis& axis, const QString& name) : NamedAxis(axis, name) {}

bool LoadAxis::isAxisEqualTo(const LoadAxisRef& loadAxis, const Axis& axis)
{
    return loadAxis && loadAxis->axis() == axis;
}

QString LoadAxis::elementName() const
{
    return QStringLiteral("LoadAxis");
}
