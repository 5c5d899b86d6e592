// Consolidation, splitting and joining of the structure model: merges of
// nodes, members and loads with their snapshot undo, and the split of
// members with the loads on them, undone by compressMembers.

#include "StructureModel.h"

#include "Axis.h"
#include "Member.h"
#include "MemberAxis.h"
#include "Node.h"
#include "TrapezoidLoad.h"

#include <QSet>

#include <cmath>

namespace {

bool isLong(const MemberRef& member)
{
    return member && member->length() > Member::shortestLength;
}

// From end A towards end B, of unit length; only for a long member.
Vector3 unitDirection(const Member& member)
{
    const Vector3 d = positionOf(member.nodeB()) - positionOf(member.nodeA());
    return d / d.length();
}

double positionAt(const QList<Load::PositionedForce>& pairs, int index, double none)
{
    return index < pairs.size() ? pairs[index].first : none;
}

double forceAt(const QList<Load::PositionedForce>& pairs, int index, double none)
{
    return index < pairs.size() ? pairs[index].second : none;
}
}

// ---- Merges

StructureModel::SnapshotRecord StructureModel::consolidateNodes(const QSharedPointer<Node>& kept,
                                                                const QSharedPointer<Node>& dropped)
{
    return changing(&topologyCount, [&] {
        SnapshotRecord record;
        if (!dropped)
            return record;
        for (const MemberRef& member : qAsConst(memberList)) {
            const bool a = member->nodeA() == dropped;
            const bool b = member->nodeB() == dropped;
            const MemberAxisRef axis = member->axis();
            const bool c = axis && axis->axis().node() && axis->axis().node() == dropped;
            if (!a && !b && !c)
                continue;
            record.insert(member, VaroObject::make<Member>(*member));
            if (a)
                member->setNodeA(kept);
            if (b)
                member->setNodeB(kept);
            if (c)
                member->setAxis(VaroObject::make<MemberAxis>(Axis(Vector3(), kept, true, false), QString()));
        }
        return record;
    });
}

StructureModel::SnapshotRecord StructureModel::consolidateMembers(const QSharedPointer<Member>& kept,
                                                                  const QSharedPointer<Member>& dropped)
{
    return changing(&topologyCount, [&] {
        SnapshotRecord record;
        if (!dropped)
            return record;
        for (const LoadRef& load : qAsConst(loadList)) {
            if (load->member() != dropped)
                continue;
            record.insert(load, load->clone());
            load->setMember(kept);
            if (isLong(kept) && isLong(dropped) && unitDirection(*kept).dot(unitDirection(*dropped)) < 0.0)
                load->compensateForSwappedMemberEnds();
        }
        return record;
    });
}

StructureModel::SnapshotRecord StructureModel::consolidateLoads(const QSharedPointer<Load>&,
                                                                const QSharedPointer<Load>&)
{
    return SnapshotRecord();
}

void StructureModel::deconsolidateObjects(const SnapshotRecord& record)
{
    // Holds the write lock so that no reader sees a half-restored structure;
    // the structure signals are not emitted (the objects' own setters are).
    QWriteLocker locker(structureLock);
    for (auto i = record.cbegin(); i != record.cend(); ++i) {
        if (Member* member = qobject_cast<Member*>(i.key().data())) {
            if (const Member* snapshot = qobject_cast<const Member*>(i.value().data()))
                member->importFrom(*snapshot);
        } else if (Load* load = qobject_cast<Load*>(i.key().data())) {
            const Load* snapshot = qobject_cast<const Load*>(i.value().data());
            if (snapshot && snapshot->metaObject() == load->metaObject())
                load->importFrom(*snapshot);
        }
    }
    topologyCount.ref();
}

// ---- Splitting

StructureModel::SplitMemberRecord
StructureModel::explodeMembers(const QMap<QSharedPointer<Member>, QSharedPointer<Member> >& parts)
{
    return changing(&topologyCount, [&] {
        SplitMemberRecord record;
        for (auto i = parts.cbegin(); i != parts.cend(); ++i)
            if (i.key() && i.value())
                subActionExplodeMember(i.key(), i.value(), &record);
        const QList<LoadRef> before = loadList;
        for (const LoadRef& load : before) {
            const MemberRef part = record.memberParts.value(load->member());
            if (part)
                subActionSplitLoad(load, part, &record);
        }
        return record;
    });
}

void StructureModel::subActionExplodeMember(const QSharedPointer<Member>& member, const QSharedPointer<Member>& part,
                                            SplitMemberRecord* record)
{
    member->setNodeB(part->nodeA());
    member->setPinAtB(false);
    member->stamp();
    record->memberParts.insert(member, part);
}

void StructureModel::subActionSplitLoad(const QSharedPointer<Load>& load, const QSharedPointer<Member>& part,
                                        SplitMemberRecord* record)
{
    const double first = load->member() ? load->member()->length() : 0.0;
    const double second = part->length();
    // A piece of 2^-10 or less cannot take a share of the load: dividing by
    // its length would blow the positions up, so the load stays whole.
    if (!(first > Member::shortestLength) || !(second > Member::shortestLength))
        return;
    const double r = first / (first + second);
    const QList<Load::PositionedForce> pairs = load->positionedForces();

    TrapezoidLoad* trapezoid = qobject_cast<TrapezoidLoad*>(load.data());
    if (!trapezoid) {
        const double p = positionAt(pairs, 0, 0.0);
        if (p <= r) {
            load->setPositionAtIndex(p / r, 0);
        } else {
            load->setMember(part);
            load->setPositionAtIndex((p - r) / (1.0 - r), 0);
        }
        return;
    }

    const double pA = positionAt(pairs, 0, 0.0);
    const double pB = positionAt(pairs, 1, 1.0);
    if (pA > r && pB > r) {
        load->setMember(part);
        load->setPositionAtIndex(0.0, 0);
        load->setPositionAtIndex((pB - r) / (1.0 - r), 1);
        load->setPositionAtIndex((pA - r) / (1.0 - r), 0);
    } else if (pA <= r && pB <= r) {
        load->setPositionAtIndex(pB / r, 1);
        load->setPositionAtIndex(pA / r, 0);
    } else {
        const double f = trapezoid->forceAtPositionOnMember(r);
        const LoadRef piece = trapezoid->makeCopyOnMember(part);
        load->setPositionAndForceAtIndex(Load::PositionedForce(1.0, f), 1);
        load->setPositionAtIndex(pA / r, 0);
        piece->setPositionAndForceAtIndex(Load::PositionedForce(0.0, f), 0);
        piece->setPositionAtIndex((pB - r) / (1.0 - r), 1);
        loadList.append(piece);
        record->loadParts.insert(load, piece);
        record->addedLoads.append(piece);
    }
}

// ---- Joining

void StructureModel::compressMembers(const SplitMemberRecord& record)
{
    changing(&topologyCount, [&] {
        for (auto i = record.loadParts.cbegin(); i != record.loadParts.cend(); ++i)
            if (i.key() && i.value())
                subActionJoinLoad(i.key(), i.value());

        const QList<LoadRef> remaining = loadList;
        for (const LoadRef& load : remaining) {
            if (record.loadParts.contains(load))
                continue;
            const MemberRef member = load->member();
            if (!member)
                continue;
            if (record.memberParts.contains(member)) {
                subActionAdjustLoadForJoiningMembers(load, member, record.memberParts.value(member));
                continue;
            }
            for (auto i = record.memberParts.cbegin(); i != record.memberParts.cend(); ++i) {
                if (i.value() == member) {
                    subActionAdjustLoadForJoiningMembers(load, i.key(), member);
                    break;
                }
            }
        }

        for (auto i = record.memberParts.cbegin(); i != record.memberParts.cend(); ++i)
            if (i.key() && i.value())
                subActionCompressMember(i.key(), i.value());
    });
}

void StructureModel::subActionJoinLoad(const QSharedPointer<Load>& load, const QSharedPointer<Load>& piece)
{
    const double first = load->member() ? load->member()->length() : 0.0;
    const double second = piece->member() ? piece->member()->length() : 0.0;
    // The same test as the split: a split with a short piece divided nothing.
    if (first > Member::shortestLength && second > Member::shortestLength
        && qobject_cast<TrapezoidLoad*>(load.data()) && qobject_cast<TrapezoidLoad*>(piece.data())) {
        const double total = first + second;
        const QList<Load::PositionedForce> mine = load->positionedForces();
        const QList<Load::PositionedForce> theirs = piece->positionedForces();
        const double pA = positionAt(mine, 0, 0.0);
        const double pB = positionAt(theirs, 1, 1.0);
        const double fB = forceAt(theirs, 1, 0.0);
        load->setPositionAtIndex(pA * first / total, 0);
        load->setPositionAndForceAtIndex(Load::PositionedForce((first + pB * second) / total, fB), 1);
    }
    loadList.removeOne(piece);
}

void StructureModel::subActionAdjustLoadForJoiningMembers(const QSharedPointer<Load>& load,
                                                          const QSharedPointer<Member>& first,
                                                          const QSharedPointer<Member>& second)
{
    const bool onSecond = load->member() == second;
    const double lengthFirst = first ? first->length() : 0.0;
    const double lengthSecond = second ? second->length() : 0.0;
    // The same test as the split, which left the load alone when either
    // member was this short.
    if (lengthFirst > Member::shortestLength && lengthSecond > Member::shortestLength) {
        const double total = lengthFirst + lengthSecond;
        // The mapping is increasing, so the pairs keep their order and
        // each keeps its own force.
        QList<Load::PositionedForce> pairs = load->positionedForces();
        for (Load::PositionedForce& pair : pairs)
            pair.first = onSecond ? (lengthFirst + pair.first * lengthSecond) / total : pair.first * lengthFirst / total;
        load->setPositionedForces(pairs);
    }
    if (onSecond)
        load->setMember(first);
}

void StructureModel::subActionCompressMember(const QSharedPointer<Member>& member, const QSharedPointer<Member>& part)
{
    member->setNodeB(part->nodeB());
    member->setPinAtB(part->pinAtB());
    member->stamp();
}
