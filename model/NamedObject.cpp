#include "NamedObject.h"

NamedObject::NamedObject(const QString& name) : nameText(name) {}

void NamedObject::setName(const QString& name)
{
    emit NameWillChange();
    nameText = name;
    stamp();
    emit NameHasChanged();
}
