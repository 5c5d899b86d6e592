#pragma once

#include "TreeNode.h"

#include <QString>

// A tree node holding an entry (a shared reference; null for a branch) and a
// name. Value and name share the node's lock with the subnode list.
template <class T>
class TreeLibraryItem : public TreeNode
{
public:
    explicit TreeLibraryItem(const T& value = T(), const QString& name = QString())
        : entry(value), itemName(name)
    {
    }

    T value() const
    {
        QReadLocker locker(&nodeLock());
        return entry;
    }
    void setValue(const T& value)
    {
        QWriteLocker locker(&nodeLock());
        entry = value;
    }

    QString name() const
    {
        QReadLocker locker(&nodeLock());
        return itemName;
    }
    void setName(const QString& name)
    {
        QWriteLocker locker(&nodeLock());
        itemName = name;
    }

private:
    T entry;
    QString itemName;
};
