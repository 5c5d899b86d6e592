#include "Loading.h"

Loading::Loading(const QString& name) : LoadCase(name) {}

Loading::Loading(const Loading& other) : LoadCase(other) {}

QString Loading::elementName() const
{
    return QStringLiteral("LoadCase");
}
