#pragma once

#include "ViewPoint.h"

#include <QMap>
#include <QObject>

// The signals of a numbered value memory; templates cannot carry them.
class Memory_base : public QObject
{
    Q_OBJECT

public:
    explicit Memory_base(QObject* parent = nullptr);
    ~Memory_base() override;

signals:
    void Changed();
    void ValueChangedAt(int slot);
};

// Values by slot number; a slot without an entry holds a null value.
// Guarded by the document lock of its owner.
template <class T>
class Memory : public Memory_base
{
public:
    using Memory_base::Memory_base;

    T valueAt(int slot) const { return entries.value(slot); }
    QMap<int, T> values() const { return entries; }

    // Stores the value, or empties the slot for a null one; then signals
    // Changed() and ValueChangedAt(slot), also when nothing changed.
    void setValueAt(int slot, const T& value)
    {
        if (value)
            entries.insert(slot, value);
        else
            entries.remove(slot);
        emit Changed();
        emit ValueChangedAt(slot);
    }

private:
    QMap<int, T> entries;
};

// The document's stored views.
class ViewPointMemory : public Memory<ViewPointRef>
{
    Q_OBJECT

public:
    explicit ViewPointMemory(QObject* parent = nullptr);
    ~ViewPointMemory() override;
};
