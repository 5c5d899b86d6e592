#pragma once

#include "VaroObject.h"

// What groups and load cases share: a name, and their change signals in
// the order NameWillChange, NameHasChanged, ValueWillChange, ValueHasChanged.
class NamedObject : public VaroObject
{
    Q_OBJECT

public:
    QString name() const { return nameText; }
    // NameWillChange, store, stamp, NameHasChanged.
    void setName(const QString& name);

signals:
    void NameWillChange();
    void NameHasChanged();
    void ValueWillChange();
    void ValueHasChanged();

protected:
    explicit NamedObject(const QString& name);

    // ValueWillChange, the change, stamp, ValueHasChanged.
    template <class F>
    void changeValue(F change)
    {
        emit ValueWillChange();
        change();
        stamp();
        emit ValueHasChanged();
    }

    QString nameText;
};
