#include "StructureCommands.h"

#include "Node.h"

CommandExplodeMembers::CommandExplodeMembers(const QSharedPointer<StructureModel>& structure,
                                             const QMap<QSharedPointer<Member>, QSharedPointer<Member>>& parts)
    : StructureModelCommand(structure), parts(parts)
{
}

void CommandExplodeMembers::redo()
{
    pairsBefore.clear();
    for (const LoadRef& load : structure->loads())
        if (parts.contains(load->member()))
            pairsBefore.insert(load, load->positionedForces());
    record = structure->explodeMembers(parts);

    QMap<QSharedPointer<Load>, QSharedPointer<Load>> firstOfNew;
    for (auto i = record.loadParts.begin(); i != record.loadParts.end(); ++i) {
        const LoadRef first = firstPieces.value(i.key());
        if (!first) {
            firstPieces.insert(i.key(), i.value());
            continue;
        }
        first->importFrom(*i.value());
        firstOfNew.insert(i.value(), first);
        i.value() = first;
    }
    if (firstOfNew.isEmpty())
        return;
    // In the order the split appended them, so the load list reads as before.
    QList<VaroObjectRef> made;
    QList<VaroObjectRef> kept;
    for (VaroObjectRef& added : record.addedLoads) {
        const LoadRef first = firstOfNew.value(added.objectCast<Load>());
        if (!first)
            continue;
        made << added;
        kept << first;
        added = first;
    }
    structure->removeObjects(made);
    structure->appendObjects(kept);
}

void CommandExplodeMembers::undo()
{
    structure->compressMembers(record);
    structure->setLoadPositionedForceAtAllIndices(pairsBefore);
    record = StructureModel::SplitMemberRecord();
    pairsBefore.clear();
}

bool CommandExplodeMembers::releaseSome(int* budget)
{
    return releaseSomeOf(budget, parts, record, pairsBefore, firstPieces);
}

CommandMoveNodesBy::CommandMoveNodesBy(const QSharedPointer<StructureModel>& structure,
                                       const QMap<QSharedPointer<Node>, double>& factors, const Vector3& displacement,
                                       bool merge)
    : StructureModelCommand(structure), factors(factors), displacement(displacement), merge(merge)
{
}

void CommandMoveNodesBy::redo()
{
    if (!newPositions.isEmpty()) {
        oldPositions = structure->setNodePositions(newPositions);
        return;
    }
    oldPositions = structure->moveNodesBy(factors, displacement);
    for (auto i = oldPositions.cbegin(); i != oldPositions.cend(); ++i)
        newPositions.insert(i.key(), i.key()->position());
}

void CommandMoveNodesBy::undo()
{
    structure->setNodePositions(oldPositions);
    oldPositions.clear();
}

bool CommandMoveNodesBy::releaseSome(int* budget)
{
    return releaseSomeOf(budget, factors, oldPositions, newPositions);
}

int CommandMoveNodesBy::id() const
{
    return merge ? MergeMoveNodes : NoMerge;
}

bool CommandMoveNodesBy::mergeWith(const QUndoCommand* other)
{
    const CommandMoveNodesBy* later = dynamic_cast<const CommandMoveNodesBy*>(other);
    // QMap's equality compares the factors exactly, and a NaN never matches.
    if (!later || later->id() != id() || later->structure != structure || later->factors != factors)
        return false;
    displacement += later->displacement;
    newPositions = later->newPositions;
    return true;
}

CommandRotateNodesAroundRay::CommandRotateNodesAroundRay(const QSharedPointer<StructureModel>& structure,
                                                         const QMap<QSharedPointer<Node>, double>& factors,
                                                         const Ray3& axis, double angle)
    : StructureModelCommand(structure), factors(factors), axis(axis), angle(angle)
{
}

void CommandRotateNodesAroundRay::redo()
{
    oldPositions = structure->rotateNodesAroundRay(factors, axis, angle);
}

void CommandRotateNodesAroundRay::undo()
{
    structure->setNodePositions(oldPositions);
    oldPositions.clear();
}

bool CommandRotateNodesAroundRay::releaseSome(int* budget)
{
    return releaseSomeOf(budget, factors, oldPositions);
}

CommandFlipNodesAlongRay::CommandFlipNodesAlongRay(const QSharedPointer<StructureModel>& structure,
                                                   const QList<QSharedPointer<Node>>& nodes, const Ray3& mirror)
    : StructureModelCommand(structure), nodes(nodes), mirror(mirror)
{
}

void CommandFlipNodesAlongRay::redo()
{
    oldPositions = structure->flipNodesAlongRay(nodes, mirror);
}

void CommandFlipNodesAlongRay::undo()
{
    structure->setNodePositions(oldPositions);
    oldPositions.clear();
}

bool CommandFlipNodesAlongRay::releaseSome(int* budget)
{
    return releaseSomeOf(budget, nodes, oldPositions);
}

CommandSetMemberLength::CommandSetMemberLength(const QSharedPointer<StructureModel>& structure,
                                               const QSharedPointer<Member>& member,
                                               const QList<QSharedPointer<Node>>& nodes, double length)
    : StructureModelCommand(structure), member(member), length(length), nodes(nodes)
{
}

void CommandSetMemberLength::redo()
{
    oldPositions = structure->changeMemberLength(member, length, nodes);
}

void CommandSetMemberLength::undo()
{
    structure->setNodePositions(oldPositions);
    oldPositions.clear();
}

bool CommandSetMemberLength::releaseSome(int* budget)
{
    return releaseSomeOf(budget, nodes, oldPositions);
}

CommandSwapMemberEnds::CommandSwapMemberEnds(const QSharedPointer<StructureModel>& structure,
                                             const QList<QSharedPointer<Member>>& members)
    : StructureModelCommand(structure), members(members)
{
}

void CommandSwapMemberEnds::redo()
{
    pairsBefore.clear();
    for (const LoadRef& load : structure->loads())
        if (members.contains(load->member()))
            pairsBefore.insert(load, load->positionedForces());
    structure->swapMemberEnds(members);
}

void CommandSwapMemberEnds::undo()
{
    structure->swapMemberEnds(members);
    structure->setLoadPositionedForceAtAllIndices(pairsBefore);
    pairsBefore.clear();
}

bool CommandSwapMemberEnds::releaseSome(int* budget)
{
    return releaseSomeOf(budget, members, pairsBefore);
}

CommandSetTrapezoidLoadsSpan::CommandSetTrapezoidLoadsSpan(const QSharedPointer<StructureModel>& structure,
                                                           const QMap<QSharedPointer<Load>, TrapezoidLoad::Span>& spans,
                                                           bool merge)
    : StructureMapCommand(structure, spans), merge(merge)
{
}

int CommandSetTrapezoidLoadsSpan::id() const
{
    return merge ? MergeLoadSpan : NoMerge;
}

bool CommandSetTrapezoidLoadsSpan::mergeWith(const QUndoCommand* other)
{
    const CommandSetTrapezoidLoadsSpan* later = dynamic_cast<const CommandSetTrapezoidLoadsSpan*>(other);
    if (!later || later->id() != id() || later->structure != structure)
        return false;
    mergeValueMaps(&newValues, &oldValues, later->newValues, later->oldValues, TrapezoidLoad::Span(0.0, 1.0));
    return true;
}

CommandSetLoadPairsMerged::CommandSetLoadPairsMerged(const QSharedPointer<StructureModel>& structure,
                                                     const QMap<LoadRef, QList<Load::PositionedForce>>& pairs,
                                                     bool merge, int index)
    : CommandSetLoadPositionedForceAtAllIndices(structure, pairs), merge(merge), index(index)
{
}

int CommandSetLoadPairsMerged::id() const
{
    return merge ? MergeLoadPosition : NoMerge;
}

bool CommandSetLoadPairsMerged::mergeWith(const QUndoCommand* other)
{
    const auto* later = dynamic_cast<const CommandSetLoadPairsMerged*>(other);
    if (!later || later->id() != id() || later->structure != structure || later->index != index)
        return false;
    mergeValueMaps(&newValues, &oldValues, later->newValues, later->oldValues, QList<Load::PositionedForce>());
    return true;
}
