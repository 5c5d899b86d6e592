#pragma once

#include "Dof.h"
#include "Load.h"
#include "ModelRefs.h"
#include "TrapezoidLoad.h"
#include "Vectors.h"

#include <QAtomicInt>
#include <QList>
#include <QMap>
#include <QObject>
#include <QPair>
#include <QReadWriteLock>

#include <functional>
#include <type_traits>

// The structure of one document: its load, member and node lists, guarded by
// one non-recursive read-write lock. Every change runs one protocol: take the
// write lock, emit StructureWillChange, change the objects in the order of
// the argument, raise one change counter by 1, emit StructureHasChanged,
// release the lock. The counters tell the analysis thread which of its
// phases are stale; only whether they moved matters.
//
// Operations that the undo commands replay return what the undo needs: the
// previous values of a property change, snapshots of merged objects, the
// positions before a geometric change, or the record of a split.
//
// Objects are compared by identity. The signals are emitted while the write
// lock is held, so a receiver connected directly must not call back into a
// locked operation of this class.
class StructureModel : public QObject
{
    Q_OBJECT

public:
    // Each changed object to a separate copy of it as it was before a merge
    // (a Member copy or a Load clone), belonging to no list.
    typedef QMap<VaroObjectRef, VaroObjectRef> SnapshotRecord;

    // What a split of members produced; deconsolidated by compressMembers.
    struct SplitMemberRecord
    {
        // Carried with the record; the split operations leave it empty.
        QList<QSharedPointer<Node> > splitNodes;
        // Each cut member to the new member that continues it.
        QMap<QSharedPointer<Member>, QSharedPointer<Member> > memberParts;
        // Each divided trapezoid load to the piece split off it onto the part.
        QMap<QSharedPointer<Load>, QSharedPointer<Load> > loadParts;
        // Every piece created by the split, in order of creation.
        QList<VaroObjectRef> addedLoads;
    };

    explicit StructureModel(QObject* parent = nullptr);
    ~StructureModel() override;

    // The change counters, read without any lock (atomic).
    int loadingCounter() const { return loadingCount.loadAcquire(); }
    int stiffnessCounter() const { return stiffnessCount.loadAcquire(); }
    int topologyCounter() const { return topologyCount.loadAcquire(); }

    // ---- Queries: each copies under the read lock.

    QList<QSharedPointer<Node> > nodes() const;
    QList<QSharedPointer<Member> > members() const;
    QList<QSharedPointer<Load> > loads() const;
    // Calls read with the member list while the read lock is held, so that
    // the fields it reads of the members are not changed meanwhile; read must
    // not call a locked operation of this class.
    void readMembers(const std::function<void(const QList<QSharedPointer<Member> >&)>& read) const;
    // All nodes, then all members, then all loads, each in list order.
    QList<VaroObjectRef> everything() const;
    // A Node in the node list, a Member in the member list or a Load in the
    // load list (identity); false for any other class.
    bool contains(const VaroObjectRef& object) const;
    // One entry per load keyed by its member (null for none); among equal
    // keys the load inserted last comes first.
    QMultiMap<QSharedPointer<Member>, QSharedPointer<Load> > loadsPerMember() const;
    // Members whose section type's material is this one, in list order;
    // empty for a null material.
    QList<QSharedPointer<Member> > membersUsingMaterial(const QSharedPointer<Material>& material) const;
    // True when the node lies within the tolerance of the member's line,
    // strictly between its ends and farther than the tolerance from both;
    // never for a member of length 2^-10 or less or for its own end nodes.
    // Takes no lock and reads only the two objects.
    static bool nodeLiesOnMember(const NodeRef& node, const MemberRef& member, double tolerance);

    // ---- List changes (undo of each is the other of the pair).

    // Appends each object to the list of its class; other classes are
    // skipped. topologyCounter once if the argument held a node or member,
    // loadingCounter once if it held a load.
    void appendObjects(const QList<VaroObjectRef>& objects);
    // Removes the first entry of each object from the list of its class;
    // counters as appendObjects, by the classes given.
    void removeObjects(const QList<VaroObjectRef>& objects);
    // Each removed object with the index it had in its list when it went, in
    // the order removed.
    typedef QList<QPair<int, VaroObjectRef> > RemovedPlaces;
    // As removeObjects, saying where each object stood.
    RemovedPlaces removeObjectsFromPlaces(const QList<VaroObjectRef>& objects);
    // Puts the objects back where they stood, the last removed first, so that
    // every list reads as before the removal.
    void insertObjectsAtPlaces(const RemovedPlaces& places);
    void appendLoad(const QSharedPointer<Load>& load);       // loadingCounter
    void appendMember(const QSharedPointer<Member>& member); // topologyCounter
    void appendNode(const QSharedPointer<Node>& node);       // topologyCounter
    void removeMember(const QSharedPointer<Member>& member); // topologyCounter
    void removeNode(const QSharedPointer<Node>& node);       // topologyCounter

    // ---- Property changes: each sets the new values in key order and
    // returns the previous value of every key; the undo calls the same
    // operation with the returned map.

    QMap<QSharedPointer<Load>, QSharedPointer<LoadCase> >
    changeLoadLoadCase(const QMap<QSharedPointer<Load>, QSharedPointer<LoadCase> >& loadCases); // loading
    QMap<QSharedPointer<Load>, QSharedPointer<LoadAxis> >
    changeLoadAxis(const QMap<QSharedPointer<Load>, QSharedPointer<LoadAxis> >& axes); // loading
    QMap<QSharedPointer<Load>, QSharedPointer<Member> >
    changeLoadMember(const QMap<QSharedPointer<Load>, QSharedPointer<Member> >& members); // loading
    QMap<QSharedPointer<TrapezoidLoad>, TrapezoidLoad::Span>
    setLoadSpan(const QMap<QSharedPointer<TrapezoidLoad>, TrapezoidLoad::Span>& spans); // loading
    // The same for a map keyed by any load: loads that are not trapezoid
    // loads are passed over and are not in the result.
    QMap<QSharedPointer<Load>, TrapezoidLoad::Span>
    setLoadSpan(const QMap<QSharedPointer<Load>, TrapezoidLoad::Span>& spans); // loading
    QMap<QSharedPointer<Member>, QSharedPointer<MemberAxis> >
    changeMemberAxis(const QMap<QSharedPointer<Member>, QSharedPointer<MemberAxis> >& axes); // stiffness
    QMap<QSharedPointer<Member>, QSharedPointer<SectionType> >
    changeMemberSectionType(const QMap<QSharedPointer<Member>, QSharedPointer<SectionType> >& types); // stiffness
    QMap<QSharedPointer<Node>, QSharedPointer<Support> >
    changeNodeSupport(const QMap<QSharedPointer<Node>, QSharedPointer<Support> >& supports); // stiffness
    QMap<QSharedPointer<Node>, Vector3>
    setNodePositions(const QMap<QSharedPointer<Node>, Vector3>& positions); // stiffness
    QMap<QSharedPointer<Member>, QSharedPointer<GeometryGroup> >
    changeMemberGroup(const QMap<QSharedPointer<Member>, QSharedPointer<GeometryGroup> >& groups); // topology
    QMap<QSharedPointer<Node>, QSharedPointer<GeometryGroup> >
    changeNodeGroup(const QMap<QSharedPointer<Node>, QSharedPointer<GeometryGroup> >& groups); // topology
    QMap<QSharedPointer<Member>, QPair<Dof, Dof> >
    setMemberPins(const QMap<QSharedPointer<Member>, QPair<Dof, Dof> >& pins); // topology

    // Indexed load changes (loadingCounter). The old value is the force or
    // position of the pair at the index, or 0.0 when the index is outside
    // the load's pairs. The undo calls the same operation with the returned
    // map and the same index.
    QMap<QSharedPointer<Load>, double> changeLoadForceAtIndex(const QMap<QSharedPointer<Load>, double>& forces,
                                                               int index);
    QMap<QSharedPointer<Load>, double> changeLoadPositionAtIndex(const QMap<QSharedPointer<Load>, double>& positions,
                                                                  int index);
    QMap<QSharedPointer<Load>, QList<Load::PositionedForce> > setLoadPositionedForceAtAllIndices(
        const QMap<QSharedPointer<Load>, QList<Load::PositionedForce> >& pairs);

    // ---- Node and member transformations (StructureTransformations.cpp).

    // Each node moves by its factor times the displacement (stiffnessCounter).
    // Returns the positions before; undo: setNodePositions, since moving back
    // by the negated displacement would not restore them to the last bit.
    QMap<QSharedPointer<Node>, Vector3> moveNodesBy(const QMap<QSharedPointer<Node>, double>& factors,
                                                    const Vector3& displacement);
    // Each node turns by its factor times the angle (radians) about the axis
    // (stiffnessCounter). Returns the positions before; undo: setNodePositions.
    QMap<QSharedPointer<Node>, Vector3> rotateNodesAroundRay(const QMap<QSharedPointer<Node>, double>& factors,
                                                             const Ray3& axis, double angle);
    // Each position P becomes P + 2((O - P).d)d: the mirror image in the plane
    // through O normal to d when |d| = 1 (stiffnessCounter). Returns the
    // positions before (a node listed twice keeps its first one); undo:
    // setNodePositions.
    QMap<QSharedPointer<Node>, Vector3> flipNodesAlongRay(const QList<QSharedPointer<Node> >& nodes,
                                                          const Ray3& mirror);
    // Moves the listed nodes along the member so that it takes the new
    // length: symmetrically about its midpoint when both or neither end is
    // listed, else from the listed end (stiffnessCounter). Returns the
    // position before the call of every node it moved; undo:
    // setNodePositions of that map. A new or present length not greater than
    // 2^-10 changes nothing, emits nothing, raises no counter and returns an
    // empty map.
    QMap<QSharedPointer<Node>, Vector3> changeMemberLength(const QSharedPointer<Member>& member, double newLength,
                                                           const QList<QSharedPointer<Node> >& nodes);
    // Swaps each member's end nodes and turns the loads on them round so
    // that they stay where they were in space (topologyCounter). Its own
    // inverse.
    void swapMemberEnds(const QList<QSharedPointer<Member> >& members);

    // ---- Consolidation, splitting and joining (StructureConsolidation.cpp).

    // Members ending at, or with an axis towards, the dropped node are
    // recorded and moved to the kept node (topologyCounter).
    SnapshotRecord consolidateNodes(const QSharedPointer<Node>& kept, const QSharedPointer<Node>& dropped);
    // Loads on the dropped member are recorded and moved to the kept one,
    // turned round when the two run opposite ways (topologyCounter).
    SnapshotRecord consolidateMembers(const QSharedPointer<Member>& kept, const QSharedPointer<Member>& dropped);
    // Changes nothing, takes no lock, emits nothing; an empty record.
    SnapshotRecord consolidateLoads(const QSharedPointer<Load>& kept, const QSharedPointer<Load>& dropped);
    // The undo of the three merges: every member and load of the record
    // takes back its snapshot's settings; topologyCounter. Holds the write
    // lock but emits neither structure signal (the objects' own setters
    // signal).
    void deconsolidateObjects(const SnapshotRecord& record);
    // Cuts each member short at its part's node A and divides or moves the
    // loads on it (topologyCounter). Returns what compressMembers needs.
    SplitMemberRecord explodeMembers(const QMap<QSharedPointer<Member>, QSharedPointer<Member> >& parts);
    // The undo of explodeMembers, valid for the state the split produced.
    void compressMembers(const SplitMemberRecord& record);

    // Steps of explodeMembers and compressMembers: no lock, no signal.
    void subActionExplodeMember(const QSharedPointer<Member>& member, const QSharedPointer<Member>& part,
                                SplitMemberRecord* record);
    void subActionSplitLoad(const QSharedPointer<Load>& load, const QSharedPointer<Member>& part,
                            SplitMemberRecord* record);
    void subActionJoinLoad(const QSharedPointer<Load>& load, const QSharedPointer<Load>& piece);
    void subActionAdjustLoadForJoiningMembers(const QSharedPointer<Load>& load, const QSharedPointer<Member>& first,
                                              const QSharedPointer<Member>& second);
    void subActionCompressMember(const QSharedPointer<Member>& member, const QSharedPointer<Member>& part);

signals:
    void StructureHasChanged();
    void StructureWillChange();

private:
    // The change protocol around work(); counter may be null for none.
    template <class F>
    auto changing(QAtomicInt* counter, F work) -> decltype(work());

    // The property-change rule over a map: old value read, then new one set.
    template <class K, class V, class Get, class Set>
    QMap<K, V> changeEach(QAtomicInt* counter, const QMap<K, V>& values, Get get, Set set);

    // Raises topology and loading counters by the classes in the list.
    void raiseCountersFor(const QList<VaroObjectRef>& objects);

    QList<QSharedPointer<Load> > loadList;
    QList<QSharedPointer<Member> > memberList;
    QList<QSharedPointer<Node> > nodeList;
    QReadWriteLock* structureLock;
    QAtomicInt loadingCount;
    QAtomicInt stiffnessCount;
    QAtomicInt topologyCount;
};

template <class F>
auto StructureModel::changing(QAtomicInt* counter, F work) -> decltype(work())
{
    QWriteLocker locker(structureLock);
    emit StructureWillChange();
    if constexpr (std::is_void<decltype(work())>::value) {
        work();
        if (counter)
            counter->ref();
        emit StructureHasChanged();
    } else {
        auto result = work();
        if (counter)
            counter->ref();
        emit StructureHasChanged();
        return result;
    }
}

template <class K, class V, class Get, class Set>
QMap<K, V> StructureModel::changeEach(QAtomicInt* counter, const QMap<K, V>& values, Get get, Set set)
{
    return changing(counter, [&] {
        QMap<K, V> old;
        for (auto i = values.cbegin(); i != values.cend(); ++i) {
            if (!i.key())
                continue;
            old.insert(i.key(), get(*i.key()));
            set(*i.key(), i.value());
        }
        return old;
    });
}
