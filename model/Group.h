#pragma once

#include "VaroObject.h"

// A named group. Only its subclass GeometryGroup holds nodes and members.
class Group : public VaroObject
{
    Q_OBJECT

public:
    explicit Group(const QString& name = QString());

    QString name() const { return nameText; }
    // NameWillChange, store, stamp, NameHasChanged.
    void setName(const QString& name);

signals:
    void NameWillChange();
    void NameHasChanged();
    void ValueWillChange();
    void ValueHasChanged();

protected:
    QString nameText;
};

Q_DECLARE_METATYPE(GroupRef)
