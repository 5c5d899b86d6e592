#include "Group.h"

Group::Group(const QString& name) : NamedObject(name) {}
