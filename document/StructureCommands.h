#pragma once

#include "HistoryCommand.h"
#include "StructureModel.h"

// The undoable changes of the structure. Each redo and each undo calls one
// operation of the structure model; a command is built with its new values
// only, and its redo records what the undo needs. Commands carry no text:
// the action's macro names the step.

inline bool releaseHeld(StructureModel::SplitMemberRecord& record, int* budget)
{
    return releaseSomeOf(budget, record.splitNodes, record.memberParts, record.loadParts, record.addedLoads);
}

// The merge ids of the commands a drag repeats. A command made without its
// merge flag answers NoMerge and never merges.
enum CommandMergeId {
    NoMerge = -1,
    MergeLoadForce = 1,
    MergeLoadPosition = 2,
    MergeMoveNodes = 3,
    MergeLoadSpan = 4,
};

class StructureModelCommand : public HistoryCommand
{
public:
    explicit StructureModelCommand(const QSharedPointer<StructureModel>& structure) : structure(structure) {}

    void redo() override = 0;
    void undo() override = 0;

protected:
    const QSharedPointer<StructureModel> structure;
};

// For the commands whose operation takes a map from object to new value and
// returns the previous values: the undo replays the operation with them.
template <class K, class V, QMap<K, V> (StructureModel::*Operation)(const QMap<K, V>&)>
class StructureMapCommand : public StructureModelCommand
{
public:
    StructureMapCommand(const QSharedPointer<StructureModel>& structure, const QMap<K, V>& values)
        : StructureModelCommand(structure), newValues(values)
    {
    }

    void redo() override { oldValues = (structure.data()->*Operation)(newValues); }
    void undo() override
    {
        (structure.data()->*Operation)(oldValues);
        oldValues.clear();
    }
    bool releaseSome(int* budget) override { return releaseSomeOf(budget, newValues, oldValues); }

protected:
    QMap<K, V> newValues;
    QMap<K, V> oldValues;
};

// For each key of `later` the later value wins; a key this command did not
// have yet keeps the later command's old value (the fallback when it has
// none), so the merged undo returns every object to where it started.
template <class K, class V>
void mergeValueMaps(QMap<K, V>* newValues, QMap<K, V>* oldValues, const QMap<K, V>& laterNew,
                    const QMap<K, V>& laterOld, const V& fallback)
{
    for (auto i = laterNew.cbegin(); i != laterNew.cend(); ++i) {
        if (!newValues->contains(i.key()))
            oldValues->insert(i.key(), laterOld.value(i.key(), fallback));
        newValues->insert(i.key(), i.value());
    }
}

// A change of one value per load that a drag repeats: made with its merge
// flag, it answers the merge id N and absorbs the next command of its kind.
template <class K, class V, int N>
class CommandTypeIPM : public StructureModelCommand
{
public:
    CommandTypeIPM(const QSharedPointer<StructureModel>& structure, const QMap<K, V>& values, bool merge)
        : StructureModelCommand(structure), newValues(values), merge(merge)
    {
    }

    int id() const override { return merge ? N : NoMerge; }
    bool mergeWith(const QUndoCommand* other) override
    {
        const CommandTypeIPM* later = dynamic_cast<const CommandTypeIPM*>(other);
        if (!later || later->id() != id() || later->structure != structure)
            return false;
        mergeValueMaps(&newValues, &oldValues, later->newValues, later->oldValues, V());
        return true;
    }
    bool releaseSome(int* budget) override { return releaseSomeOf(budget, newValues, oldValues); }

protected:
    QMap<K, V> newValues;
    const bool merge;
    QMap<K, V> oldValues;
};

// The force or position of the pair at an index of each load. Drags of
// another handle of the same loads stay steps of their own. The undo puts
// back each load's whole list of pairs: a pair moved past its neighbour
// leaves the index addressing another pair, and a force below the floor
// would not be set back as it was.
template <int N, QMap<QSharedPointer<Load>, double> (StructureModel::*Operation)(
                     const QMap<QSharedPointer<Load>, double>&, int)>
class LoadIndexCommand : public CommandTypeIPM<QSharedPointer<Load>, double, N>
{
public:
    LoadIndexCommand(const QSharedPointer<StructureModel>& structure, const QMap<QSharedPointer<Load>, double>& values,
                     bool merge, int index)
        : CommandTypeIPM<QSharedPointer<Load>, double, N>(structure, values, merge), index(index)
    {
    }

    void redo() override
    {
        oldPairs.clear();
        for (auto i = this->newValues.cbegin(); i != this->newValues.cend(); ++i)
            if (i.key())
                oldPairs.insert(i.key(), i.key()->positionedForces());
        this->oldValues = (this->structure.data()->*Operation)(this->newValues, index);
    }
    void undo() override
    {
        this->structure->setLoadPositionedForceAtAllIndices(oldPairs);
        oldPairs.clear();
        this->oldValues.clear();
    }
    bool mergeWith(const QUndoCommand* other) override
    {
        const LoadIndexCommand* later = dynamic_cast<const LoadIndexCommand*>(other);
        if (!later || later->index != index || !CommandTypeIPM<QSharedPointer<Load>, double, N>::mergeWith(other))
            return false;
        for (auto i = later->oldPairs.cbegin(); i != later->oldPairs.cend(); ++i)
            if (!oldPairs.contains(i.key()))
                oldPairs.insert(i.key(), i.value());
        return true;
    }
    bool releaseSome(int* budget) override
    {
        return releaseSomeOf(budget, oldPairs) && CommandTypeIPM<QSharedPointer<Load>, double, N>::releaseSome(budget);
    }

protected:
    const int index;
    QMap<QSharedPointer<Load>, QList<Load::PositionedForce>> oldPairs;
};

class CommandSetLoadForceAtIndex : public LoadIndexCommand<MergeLoadForce, &StructureModel::changeLoadForceAtIndex>
{
public:
    using LoadIndexCommand::LoadIndexCommand;
};

class CommandSetLoadPositionAtIndex
    : public LoadIndexCommand<MergeLoadPosition, &StructureModel::changeLoadPositionAtIndex>
{
public:
    using LoadIndexCommand::LoadIndexCommand;
};

// Objects into and out of the lists: one operation and its inverse.
template <void (StructureModel::*Do)(const QList<VaroObjectRef>&),
          void (StructureModel::*Undo)(const QList<VaroObjectRef>&)>
class StructureListCommand : public StructureModelCommand
{
public:
    StructureListCommand(const QSharedPointer<StructureModel>& structure, const QList<VaroObjectRef>& objects)
        : StructureModelCommand(structure), objects(objects)
    {
    }

    void redo() override { (structure.data()->*Do)(objects); }
    void undo() override { (structure.data()->*Undo)(objects); }
    bool releaseSome(int* budget) override { return releaseSomeOf(budget, objects); }

private:
    QList<VaroObjectRef> objects;
};

class CommandAppendObjects : public StructureListCommand<&StructureModel::appendObjects, &StructureModel::removeObjects>
{
public:
    using StructureListCommand::StructureListCommand;
};

// Undone by putting each object back at its place in its list.
class CommandRemoveObjects : public StructureModelCommand
{
public:
    CommandRemoveObjects(const QSharedPointer<StructureModel>& structure, const QList<VaroObjectRef>& objects)
        : StructureModelCommand(structure), objects(objects)
    {
    }

    void redo() override { places = structure->removeObjectsFromPlaces(objects); }
    void undo() override
    {
        structure->insertObjectsAtPlaces(places);
        places.clear();
    }
    bool releaseSome(int* budget) override { return releaseSomeOf(budget, places, objects); }

private:
    QList<VaroObjectRef> objects;
    StructureModel::RemovedPlaces places;
};

// Merges of two objects, undone from the snapshots the merge returns.
template <class T, StructureModel::SnapshotRecord (StructureModel::*Operation)(const QSharedPointer<T>&,
                                                                               const QSharedPointer<T>&)>
class ConsolidationCommand : public StructureModelCommand
{
public:
    ConsolidationCommand(const QSharedPointer<StructureModel>& structure, const QSharedPointer<T>& kept,
                         const QSharedPointer<T>& dropped)
        : StructureModelCommand(structure), kept(kept), dropped(dropped)
    {
    }

    void redo() override { record = (structure.data()->*Operation)(kept, dropped); }
    void undo() override
    {
        structure->deconsolidateObjects(record);
        record.clear();
    }
    bool releaseSome(int* budget) override { return releaseSomeOf(budget, record); }

private:
    const QSharedPointer<T> kept;
    const QSharedPointer<T> dropped;
    StructureModel::SnapshotRecord record;
};

class CommandConsolidateNodes : public ConsolidationCommand<Node, &StructureModel::consolidateNodes>
{
public:
    using ConsolidationCommand::ConsolidationCommand;
};

class CommandConsolidateMembers : public ConsolidationCommand<Member, &StructureModel::consolidateMembers>
{
public:
    using ConsolidationCommand::ConsolidationCommand;
};

class CommandConsolidateLoads : public ConsolidationCommand<Load, &StructureModel::consolidateLoads>
{
public:
    using ConsolidationCommand::ConsolidationCommand;
};

// A redo after an undo splits the loads again and makes new pieces; the
// pieces of the first split take their place, so that the commands pushed
// after this one, which hold those pieces, find them in the structure.
class CommandExplodeMembers : public StructureModelCommand
{
public:
    CommandExplodeMembers(const QSharedPointer<StructureModel>& structure,
                          const QMap<QSharedPointer<Member>, QSharedPointer<Member>>& parts);
    void redo() override;
    void undo() override;
    bool releaseSome(int* budget) override;

private:
    QMap<QSharedPointer<Member>, QSharedPointer<Member>> parts;
    StructureModel::SplitMemberRecord record;
    // The pairs of the loads on the cut members, which joining the members
    // again would only recompute up to rounding.
    QMap<QSharedPointer<Load>, QList<Load::PositionedForce>> pairsBefore;
    // Each divided load and the piece its first split made.
    QMap<QSharedPointer<Load>, QSharedPointer<Load>> firstPieces;
};

class CommandMoveNodesBy : public StructureModelCommand
{
public:
    CommandMoveNodesBy(const QSharedPointer<StructureModel>& structure,
                       const QMap<QSharedPointer<Node>, double>& factors, const Vector3& displacement, bool merge);
    void redo() override;
    void undo() override;
    int id() const override;
    // Another drag of exactly the same nodes with exactly the same factors
    // adds its displacement to this one.
    bool mergeWith(const QUndoCommand* other) override;
    bool releaseSome(int* budget) override;

private:
    QMap<QSharedPointer<Node>, double> factors;
    Vector3 displacement;
    const bool merge;
    // Undo and a later redo set the positions themselves, so that neither
    // drifts by rounding.
    QMap<QSharedPointer<Node>, Vector3> oldPositions;
    QMap<QSharedPointer<Node>, Vector3> newPositions;
};

class CommandRotateNodesAroundRay : public StructureModelCommand
{
public:
    CommandRotateNodesAroundRay(const QSharedPointer<StructureModel>& structure,
                                const QMap<QSharedPointer<Node>, double>& factors, const Ray3& axis, double angle);
    void redo() override;
    void undo() override;
    bool releaseSome(int* budget) override;

private:
    QMap<QSharedPointer<Node>, double> factors;
    const Ray3 axis;
    const double angle;
    QMap<QSharedPointer<Node>, Vector3> oldPositions;
};

class CommandFlipNodesAlongRay : public StructureModelCommand
{
public:
    CommandFlipNodesAlongRay(const QSharedPointer<StructureModel>& structure, const QList<QSharedPointer<Node>>& nodes,
                             const Ray3& mirror);
    void redo() override;
    void undo() override;
    bool releaseSome(int* budget) override;

private:
    QList<QSharedPointer<Node>> nodes;
    const Ray3 mirror;
    QMap<QSharedPointer<Node>, Vector3> oldPositions;
};

// Undone through the positions the nodes had, so that a node that crossed
// the member's midpoint returns to where it was.
class CommandSetMemberLength : public StructureModelCommand
{
public:
    CommandSetMemberLength(const QSharedPointer<StructureModel>& structure, const QSharedPointer<Member>& member,
                           const QList<QSharedPointer<Node>>& nodes, double length);
    void redo() override;
    void undo() override;
    bool releaseSome(int* budget) override;

private:
    const QSharedPointer<Member> member;
    const double length;
    QList<QSharedPointer<Node>> nodes;
    QMap<QSharedPointer<Node>, Vector3> oldPositions;
};

// Swapping twice restores the ends; the loads' positions p, turned into
// 1 - p twice, would come back only up to rounding, so the undo puts back
// their pairs as they were.
class CommandSwapMemberEnds : public StructureModelCommand
{
public:
    CommandSwapMemberEnds(const QSharedPointer<StructureModel>& structure,
                          const QList<QSharedPointer<Member>>& members);
    void redo() override;
    void undo() override;
    bool releaseSome(int* budget) override;

private:
    QList<QSharedPointer<Member>> members;
    QMap<QSharedPointer<Load>, QList<Load::PositionedForce>> pairsBefore;
};

class CommandSetNodePositions
    : public StructureMapCommand<QSharedPointer<Node>, Vector3, &StructureModel::setNodePositions>
{
public:
    using StructureMapCommand::StructureMapCommand;
};

class CommandMoveNodesToGroups
    : public StructureMapCommand<QSharedPointer<Node>, QSharedPointer<GeometryGroup>, &StructureModel::changeNodeGroup>
{
public:
    using StructureMapCommand::StructureMapCommand;
};

class CommandMoveMembersToGroups : public StructureMapCommand<QSharedPointer<Member>, QSharedPointer<GeometryGroup>,
                                                              &StructureModel::changeMemberGroup>
{
public:
    using StructureMapCommand::StructureMapCommand;
};

class CommandMoveLoadsToLoadCases
    : public StructureMapCommand<QSharedPointer<Load>, QSharedPointer<LoadCase>, &StructureModel::changeLoadLoadCase>
{
public:
    using StructureMapCommand::StructureMapCommand;
};

class CommandSetLoadAxis
    : public StructureMapCommand<QSharedPointer<Load>, QSharedPointer<LoadAxis>, &StructureModel::changeLoadAxis>
{
public:
    using StructureMapCommand::StructureMapCommand;
};

class CommandSetLoadMember
    : public StructureMapCommand<QSharedPointer<Load>, QSharedPointer<Member>, &StructureModel::changeLoadMember>
{
public:
    using StructureMapCommand::StructureMapCommand;
};

class CommandSetMemberAxis
    : public StructureMapCommand<QSharedPointer<Member>, QSharedPointer<MemberAxis>, &StructureModel::changeMemberAxis>
{
public:
    using StructureMapCommand::StructureMapCommand;
};

class CommandSetMemberPins
    : public StructureMapCommand<QSharedPointer<Member>, QPair<Dof, Dof>, &StructureModel::setMemberPins>
{
public:
    using StructureMapCommand::StructureMapCommand;
};

class CommandSetMemberSectionType : public StructureMapCommand<QSharedPointer<Member>, QSharedPointer<SectionType>,
                                                               &StructureModel::changeMemberSectionType>
{
public:
    using StructureMapCommand::StructureMapCommand;
};

class CommandSetNodeSupport
    : public StructureMapCommand<QSharedPointer<Node>, QSharedPointer<Support>, &StructureModel::changeNodeSupport>
{
public:
    using StructureMapCommand::StructureMapCommand;
};

class CommandSetLoadPositionedForceAtAllIndices
    : public StructureMapCommand<QSharedPointer<Load>, QList<Load::PositionedForce>,
                                 &StructureModel::setLoadPositionedForceAtAllIndices>
{
public:
    using StructureMapCommand::StructureMapCommand;
};

// Replaces whole (position, force) lists. Moving one pair past another
// reorders a load's pairs, so only whole lists can be put back exactly.
// Made with its merge flag it absorbs the next such command of the same
// handle index, keeping its own lists from before and the later lists
// after, so that one drag of a position handle is one undo step.
class CommandSetLoadPairsMerged : public CommandSetLoadPositionedForceAtAllIndices
{
public:
    CommandSetLoadPairsMerged(const QSharedPointer<StructureModel>& structure,
                              const QMap<LoadRef, QList<Load::PositionedForce>>& pairs, bool merge, int index);

    int id() const override;
    bool mergeWith(const QUndoCommand* other) override;

private:
    const bool merge;
    const int index;
};

// Spans are absolute, so a merge keeps the first command's old spans and
// the last command's new ones, like the other dragged values.
class CommandSetTrapezoidLoadsSpan
    : public StructureMapCommand<QSharedPointer<Load>, TrapezoidLoad::Span, &StructureModel::setLoadSpan>
{
public:
    CommandSetTrapezoidLoadsSpan(const QSharedPointer<StructureModel>& structure,
                                 const QMap<QSharedPointer<Load>, TrapezoidLoad::Span>& spans, bool merge);
    int id() const override;
    bool mergeWith(const QUndoCommand* other) override;

private:
    const bool merge;
};
