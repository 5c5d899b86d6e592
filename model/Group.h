#pragma once

#include "NamedObject.h"

// A named group. Only its subclass GeometryGroup holds nodes and members.
class Group : public NamedObject
{
    Q_OBJECT

public:
    explicit Group(const QString& name = QString());
};

Q_DECLARE_METATYPE(GroupRef)
