#include "Group.h"

Group::Group(const QString& name) : nameText(name) {}

void Group::setName(const QString& name)
{
    emit NameWillChange();
    nameText = name;
    stamp();
    emit NameHasChanged();
}
