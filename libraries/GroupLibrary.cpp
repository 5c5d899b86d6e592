#include "GroupLibrary.h"

GroupLibrary::GroupLibrary() : geometryGroupsBranch(new Item(GroupRef(), QStringLiteral("Geometry groups")))
{
    root()->appendSubnode(geometryGroupsBranch);
}

QList<GeometryGroupRef> GroupLibrary::geometryGroups() const
{
    QList<GeometryGroupRef> groups;
    for (const GroupRef& group : valuesOf(geometryGroupsBranch))
        if (const GeometryGroupRef geometryGroup = group.objectCast<GeometryGroup>())
            groups.append(geometryGroup);
    return groups;
}

GroupLibrary::ItemRef GroupLibrary::append(const QSharedPointer<Group>& group)
{
    if (!group.objectCast<GeometryGroup>())
        return ItemRef();
    return appendItem(geometryGroupsBranch, group, group->name());
}

void GroupLibrary::appendAll(const QList<GroupRef>& groups)
{
    appendItems(groups, [this](const GroupRef& group) {
        return group.objectCast<GeometryGroup>() ? TreeNodeRef(geometryGroupsBranch) : TreeNodeRef();
    });
}

bool GroupLibrary::remove(const GroupRef& group)
{
    return removeItemByValue(root(), group);
}

QString GroupLibrary::uniqueGeometryGroupName() const
{
    return firstFreeNameUnder(geometryGroupsBranch, QStringLiteral("Geometry %1"));
}
