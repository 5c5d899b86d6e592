#pragma once

#include "TreeLibrary.h"

#include "GeometryGroup.h"

// The groups: root subnode 0 holds the geometry groups. No built-in groups.
class GroupLibrary : public TreeLibrary<GroupRef>
{
public:
    GroupLibrary();

    // In tree order, taken under the read lock.
    QList<GeometryGroupRef> geometryGroups() const;
    // Wraps a geometry group in a new item at the end of subnode 0; anything
    // else, or a group already held, gives null.
    ItemRef append(const QSharedPointer<Group>& group);
    // Each in turn as append() does, announced once.
    void appendAll(const QList<GroupRef>& groups);
    bool remove(const GroupRef& group);
    // "Geometry %1" with the first number free among the geometry groups.
    QString uniqueGeometryGroupName() const;

private:
    const ItemRef geometryGroupsBranch;
};
