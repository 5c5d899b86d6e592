#include "StructureCommands.h"

namespace {

const int moveNodesMergeId = 3;
const int spanMergeId = 4;

} // namespace

CommandSetLoadForceAtIndex::CommandSetLoadForceAtIndex(const QSharedPointer<StructureModel>& structure,
                                                       const QMap<QSharedPointer<Load>, double>& forces, bool merge,
                                                       int index)
    : CommandTypeIPM(structure, forces, merge), index(index)
{
}

void CommandSetLoadForceAtIndex::redo()
{
    oldValues = structure->changeLoadForceAtIndex(newValues, index);
}

void CommandSetLoadForceAtIndex::undo()
{
    structure->changeLoadForceAtIndex(oldValues, index);
    oldValues.clear();
}

bool CommandSetLoadForceAtIndex::mergeWith(const QUndoCommand* other)
{
    const CommandSetLoadForceAtIndex* later = dynamic_cast<const CommandSetLoadForceAtIndex*>(other);
    return later && later->index == index && CommandTypeIPM::mergeWith(other);
}

CommandSetLoadPositionAtIndex::CommandSetLoadPositionAtIndex(const QSharedPointer<StructureModel>& structure,
                                                             const QMap<QSharedPointer<Load>, double>& positions,
                                                             bool merge, int index)
    : CommandTypeIPM(structure, positions, merge), index(index)
{
}

void CommandSetLoadPositionAtIndex::redo()
{
    oldValues = structure->changeLoadPositionAtIndex(newValues, index);
}

void CommandSetLoadPositionAtIndex::undo()
{
    structure->changeLoadPositionAtIndex(oldValues, index);
    oldValues.clear();
}

bool CommandSetLoadPositionAtIndex::mergeWith(const QUndoCommand* other)
{
    const CommandSetLoadPositionAtIndex* later = dynamic_cast<const CommandSetLoadPositionAtIndex*>(other);
    return later && later->index == index && CommandTypeIPM::mergeWith(other);
}

CommandAppendObjects::CommandAppendObjects(const QSharedPointer<StructureModel>& structure,
                                           const QList<VaroObjectRef>& objects)
    : StructureModelCommand(structure), objects(objects)
{
}

void CommandAppendObjects::redo()
{
    structure->appendObjects(objects);
}

void CommandAppendObjects::undo()
{
    structure->removeObjects(objects);
}

CommandRemoveObjects::CommandRemoveObjects(const QSharedPointer<StructureModel>& structure,
                                           const QList<VaroObjectRef>& objects)
    : StructureModelCommand(structure), objects(objects)
{
}

void CommandRemoveObjects::redo()
{
    structure->removeObjects(objects);
}

void CommandRemoveObjects::undo()
{
    structure->appendObjects(objects);
}

CommandExplodeMembers::CommandExplodeMembers(const QSharedPointer<StructureModel>& structure,
                                             const QMap<QSharedPointer<Member>, QSharedPointer<Member> >& parts)
    : StructureModelCommand(structure), parts(parts)
{
}

void CommandExplodeMembers::redo()
{
    record = structure->explodeMembers(parts);
}

void CommandExplodeMembers::undo()
{
    structure->compressMembers(record);
    record = StructureModel::SplitMemberRecord();
}

CommandMoveNodesBy::CommandMoveNodesBy(const QSharedPointer<StructureModel>& structure,
                                       const QMap<QSharedPointer<Node>, double>& factors,
                                       const Vector3& displacement, bool merge)
    : StructureModelCommand(structure), factors(factors), displacement(displacement), merge(merge)
{
}

void CommandMoveNodesBy::redo()
{
    structure->moveNodesBy(factors, displacement);
}

void CommandMoveNodesBy::undo()
{
    structure->moveNodesBy(factors, -displacement);
}

int CommandMoveNodesBy::id() const
{
    return merge ? moveNodesMergeId : -1;
}

bool CommandMoveNodesBy::mergeWith(const QUndoCommand* other)
{
    const CommandMoveNodesBy* later = dynamic_cast<const CommandMoveNodesBy*>(other);
    // QMap's equality compares the factors exactly, and a NaN never matches.
    if (!later || later->id() != id() || later->structure != structure || later->factors != factors)
        return false;
    displacement += later->displacement;
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

CommandFlipNodesAlongRay::CommandFlipNodesAlongRay(const QSharedPointer<StructureModel>& structure,
                                                   const QList<QSharedPointer<Node> >& nodes, const Ray3& mirror)
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

CommandSetMemberLength::CommandSetMemberLength(const QSharedPointer<StructureModel>& structure,
                                               const QSharedPointer<Member>& member,
                                               const QList<QSharedPointer<Node> >& nodes, double length)
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

CommandSwapMemberEnds::CommandSwapMemberEnds(const QSharedPointer<StructureModel>& structure,
                                             const QList<QSharedPointer<Member> >& members)
    : StructureModelCommand(structure), members(members)
{
}

void CommandSwapMemberEnds::redo()
{
    structure->swapMemberEnds(members);
}

void CommandSwapMemberEnds::undo()
{
    structure->swapMemberEnds(members);
}

CommandSetTrapezoidLoadsSpan::CommandSetTrapezoidLoadsSpan(
    const QSharedPointer<StructureModel>& structure, const QMap<QSharedPointer<Load>, TrapezoidLoad::Span>& spans,
    bool merge)
    : StructureMapCommand(structure, spans), merge(merge)
{
}

int CommandSetTrapezoidLoadsSpan::id() const
{
    return merge ? spanMergeId : -1;
}

bool CommandSetTrapezoidLoadsSpan::mergeWith(const QUndoCommand* other)
{
    const CommandSetTrapezoidLoadsSpan* later = dynamic_cast<const CommandSetTrapezoidLoadsSpan*>(other);
    if (!later || later->id() != id() || later->structure != structure)
        return false;
    mergeValueMaps(&newValues, &oldValues, later->newValues, later->oldValues, TrapezoidLoad::Span(0.0, 1.0));
    return true;
}
