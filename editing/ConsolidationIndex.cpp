#include "ConsolidationIndex.h"

#include "Load.h"
#include "Member.h"
#include "MemberAxis.h"
#include "Node.h"

#include <QSet>

#include <algorithm>
#include <cmath>

namespace {

// A member over more cells than this is looked at by every query instead.
const int cellsPerMemberLimit = 64;

template <class T>
void removeFrom(QVector<T>* list, const T& value)
{
    const int at = list->indexOf(value);
    if (at >= 0) {
        (*list)[at] = list->last();
        list->removeLast();
    }
}

// Whether the member, as it now lies, passes within the distance of the
// point; a member without two ends may pass anywhere. The slack keeps a
// member at the very edge of the distance.
bool mayPassWithin(const MemberRef& member, const Vector3& point, double distance)
{
    if (!member->nodeA() || !member->nodeB())
        return true;
    return !(member->distanceToPosition(point) > distance * (1.0 + 1e-9) + 1e-12);
}

} // namespace

void ConsolidationIndex::clear()
{
    nodes.clear();
    members.clear();
    loads.clear();
    nodeCells.clear();
    memberCells.clear();
    oversized.clear();
    membersAtNode.clear();
    loadsOnMember.clear();
}

void ConsolidationIndex::rebuild(const QList<NodeRef>& nodeList, const QList<MemberRef>& memberList,
                                 const QList<LoadRef>& loadList)
{
    clear();
    // Cells about as large as a member is long: a member then spans few
    // cells and a cell holds few nodes.
    double total = 0.0;
    int counted = 0;
    for (const MemberRef& member : memberList) {
        const double L = member->length();
        if (std::isfinite(L) && L > 0.0) {
            total += L;
            ++counted;
        }
    }
    cell = std::min(1000.0, std::max(0.01, counted ? total / counted : 1.0));
    nodes.reserve(nodeList.size());
    members.reserve(memberList.size());
    loads.reserve(loadList.size());
    for (const NodeRef& node : nodeList)
        enterNode(node);
    for (const MemberRef& member : memberList)
        enterMember(member);
    for (const LoadRef& load : loadList)
        enterLoad(load);
}

ConsolidationIndex::CellKey ConsolidationIndex::cellOf(const Vector3& p) const
{
    // 21 bits per axis; far or undefined positions share the edge cells.
    CellKey key = 0;
    for (int axis = 0; axis < 3; ++axis) {
        const double c = std::floor(p[axis] / cell);
        const qint64 i = c > -1048576.0 && c < 1048575.0 ? qint64(c) : c > 0 ? 1048575 : -1048576;
        key = (key << 21) | CellKey(i + 1048576);
    }
    return key;
}

void ConsolidationIndex::cellsAround(const Vector3& low, const Vector3& high, QVector<CellKey>* cells, int limit) const
{
    cells->clear();
    qint64 from[3], to[3];
    qint64 count = 1;
    for (int axis = 0; axis < 3; ++axis) {
        const double a = std::floor(low[axis] / cell), b = std::floor(high[axis] / cell);
        if (!std::isfinite(a) || !std::isfinite(b) || b - a >= limit)
            return;
        from[axis] = qint64(a);
        to[axis] = qint64(b);
        count *= to[axis] - from[axis] + 1;
    }
    if (count > limit)
        return;
    for (qint64 x = from[0]; x <= to[0]; ++x)
        for (qint64 y = from[1]; y <= to[1]; ++y)
            for (qint64 z = from[2]; z <= to[2]; ++z)
                cells->append(cellOf(Vector3((x + 0.5) * cell, (y + 0.5) * cell, (z + 0.5) * cell)));
}

void ConsolidationIndex::enterNode(const NodeRef& node)
{
    NodeEntry entry;
    entry.node = node;
    entry.cell = cellOf(node->position());
    nodeCells[entry.cell].append(node.data());
    nodes.insert(node.data(), entry);
}

void ConsolidationIndex::enterMember(const MemberRef& member)
{
    MemberEntry entry;
    entry.member = member;
    entry.ends[0] = member->nodeA().data();
    entry.ends[1] = member->nodeB().data();
    entry.ends[2] = member->axis() ? member->axis()->axis().node().data() : nullptr;
    const Vector3 a = positionOf(member->nodeA()), b = positionOf(member->nodeB());
    cellsAround(Vector3(std::min(a.x(), b.x()), std::min(a.y(), b.y()), std::min(a.z(), b.z())),
                Vector3(std::max(a.x(), b.x()), std::max(a.y(), b.y()), std::max(a.z(), b.z())), &entry.cells,
                cellsPerMemberLimit);
    if (entry.cells.isEmpty())
        oversized.append(member.data());
    for (CellKey key : qAsConst(entry.cells))
        memberCells[key].append(member.data());
    for (const Node* end : entry.ends)
        if (end)
            membersAtNode[end].append(member.data());
    members.insert(member.data(), entry);
}

void ConsolidationIndex::enterLoad(const LoadRef& load)
{
    LoadEntry entry;
    entry.load = load;
    entry.member = load->member().data();
    loadsOnMember[entry.member].append(load.data());
    loads.insert(load.data(), entry);
}

void ConsolidationIndex::removeNode(const VaroObject* node)
{
    const auto it = nodes.find(node);
    if (it == nodes.end())
        return;
    removeFrom(&nodeCells[it->cell], static_cast<const Node*>(it->node.data()));
    nodes.erase(it);
}

void ConsolidationIndex::removeMember(const VaroObject* object)
{
    const auto it = members.find(object);
    if (it == members.end())
        return;
    const Member* member = it->member.data();
    if (it->cells.isEmpty())
        removeFrom(&oversized, member);
    for (CellKey key : qAsConst(it->cells))
        removeFrom(&memberCells[key], member);
    for (const Node* end : it->ends)
        if (end)
            removeFrom(&membersAtNode[end], member);
    members.erase(it);
}

void ConsolidationIndex::removeLoad(const VaroObject* object)
{
    const auto it = loads.find(object);
    if (it == loads.end())
        return;
    removeFrom(&loadsOnMember[it->member], static_cast<const Load*>(it->load.data()));
    loads.erase(it);
}

bool ConsolidationIndex::contains(const VaroObject* object) const
{
    return nodes.contains(object) || members.contains(object) || loads.contains(object);
}

void ConsolidationIndex::update(const VaroObjectRef& object)
{
    if (const NodeRef node = object.objectCast<Node>()) {
        removeNode(node.data());
        enterNode(node);
        // Its members now span other cells.
        for (const MemberRef& member : membersAt(node.data())) {
            removeMember(member.data());
            enterMember(member);
        }
    } else if (const MemberRef member = object.objectCast<Member>()) {
        removeMember(member.data());
        enterMember(member);
    } else if (const LoadRef load = object.objectCast<Load>()) {
        removeLoad(load.data());
        enterLoad(load);
    }
}

void ConsolidationIndex::remove(const VaroObject* object)
{
    removeNode(object);
    removeMember(object);
    removeLoad(object);
}

QList<VaroObjectRef> ConsolidationIndex::sweep(const QList<NodeRef>& nodeList, const QList<MemberRef>& memberList,
                                               const QList<LoadRef>& loadList, QList<VaroObjectRef>* added)
{
    QSet<const VaroObject*> present;
    present.reserve(nodeList.size() + memberList.size() + loadList.size());
    for (const NodeRef& node : nodeList) {
        present.insert(node.data());
        if (!nodes.contains(node.data())) {
            enterNode(node);
            added->append(node);
        }
    }
    for (const MemberRef& member : memberList) {
        present.insert(member.data());
        if (!members.contains(member.data())) {
            enterMember(member);
            added->append(member);
        }
    }
    for (const LoadRef& load : loadList) {
        present.insert(load.data());
        if (!loads.contains(load.data())) {
            enterLoad(load);
            added->append(load);
        }
    }
    QList<VaroObjectRef> removed;
    for (const NodeEntry& entry : qAsConst(nodes))
        if (!present.contains(entry.node.data()))
            removed.append(entry.node);
    for (const MemberEntry& entry : qAsConst(members))
        if (!present.contains(entry.member.data()))
            removed.append(entry.member);
    for (const LoadEntry& entry : qAsConst(loads))
        if (!present.contains(entry.load.data()))
            removed.append(entry.load);
    for (const VaroObjectRef& object : qAsConst(removed))
        remove(object.data());
    return removed;
}

QList<NodeRef> ConsolidationIndex::nodesNear(const Vector3& point, double distance) const
{
    QVector<CellKey> cells;
    const Vector3 reach(distance, distance, distance);
    cellsAround(point - reach, point + reach, &cells, 4096);
    QList<NodeRef> result;
    for (CellKey key : qAsConst(cells))
        for (const Node* node : nodeCells.value(key))
            if ((node->position() - point).length() <= distance)
                result.append(nodes.constFind(node)->node);
    return result;
}

template <class Visit>
bool ConsolidationIndex::anyMemberNear(const Vector3& point, double distance, Visit visit) const
{
    QVector<CellKey> cells;
    const Vector3 reach(distance, distance, distance);
    cellsAround(point - reach, point + reach, &cells, 4096);
    for (CellKey key : qAsConst(cells)) {
        const auto at = memberCells.constFind(key);
        if (at != memberCells.constEnd())
            for (const Member* member : *at)
                if (visit(member))
                    return true;
    }
    for (const Member* member : oversized)
        if (visit(member))
            return true;
    return false;
}

QList<MemberRef> ConsolidationIndex::membersNear(const Vector3& point, double distance) const
{
    QSet<const Member*> found;
    anyMemberNear(point, distance, [&](const Member* member) {
        found.insert(member);
        return false;
    });
    QList<MemberRef> result;
    for (const Member* member : qAsConst(found)) {
        const MemberRef& ref = members.constFind(member)->member;
        if (mayPassWithin(ref, point, distance))
            result.append(ref);
    }
    return result;
}

bool ConsolidationIndex::memberPassesOver(const Node* node, double distance,
                                          const std::function<bool(const MemberRef&)>& accept) const
{
    const Vector3 point = node->position();
    return anyMemberNear(point, distance, [&](const Member* member) {
        const MemberRef& ref = members.constFind(member)->member;
        return ref->nodeA().data() != node && ref->nodeB().data() != node && mayPassWithin(ref, point, distance)
               && accept(ref);
    });
}

QList<MemberRef> ConsolidationIndex::membersAt(const Node* node) const
{
    QList<MemberRef> result;
    forMembersAt(node, [&](const MemberRef& member) { result.append(member); });
    return result;
}
