#pragma once

#include "Load.h"
#include "Member.h"
#include "ModelRefs.h"
#include "Vectors.h"

#include <QHash>
#include <QList>
#include <QVector>

#include <functional>

// Where the structure's objects are, kept between consolidations so that one
// can look only near what changed: nodes and members in cells of a uniform
// grid, the members at each node (at either end or as the reference of their
// axis) and the loads on each member. The index holds the objects as they
// were when last given to it; the consolidation engine hands it whatever
// has changed since.
class ConsolidationIndex
{
public:
    // Empties the index and takes every object of the lists, with a cell
    // size fitted to the members' lengths.
    void rebuild(const QList<NodeRef>& nodes, const QList<MemberRef>& members, const QList<LoadRef>& loads);
    void clear();

    bool contains(const VaroObject* object) const;
    // Enters the object as it now is, or enters it anew after a change. A
    // node also moves the members at it to their new cells.
    void update(const VaroObjectRef& object);
    void remove(const VaroObject* object);

    // Every indexed object that is not in the lists, removed from the index;
    // objects of the lists that were not indexed are entered and returned in
    // added.
    QList<VaroObjectRef> sweep(const QList<NodeRef>& nodes, const QList<MemberRef>& members,
                               const QList<LoadRef>& loads, QList<VaroObjectRef>* added);

    // Nodes within the distance of the point.
    QList<NodeRef> nodesNear(const Vector3& point, double distance) const;
    // Members that pass within the distance of the point as they now lie,
    // and any without two ends.
    QList<MemberRef> membersNear(const Vector3& point, double distance) const;
    // Whether a member that does not end at the node, and that accept takes,
    // passes within the distance of it (or may: one without two ends).
    bool memberPassesOver(const Node* node, double distance,
                          const std::function<bool(const MemberRef&)>& accept) const;
    // Members with an end at the node or an axis that refers to it.
    QList<MemberRef> membersAt(const Node* node) const;
    // The same one at a time, visit(const MemberRef&); and the loads on a
    // member, visit(const LoadRef&).
    template <class Visit>
    void forMembersAt(const VaroObject* node, Visit visit) const
    {
        const auto at = membersAtNode.constFind(node);
        if (at != membersAtNode.constEnd())
            for (const Member* member : *at)
                visit(members.constFind(member)->member);
    }
    template <class Visit>
    void forLoadsOn(const VaroObject* member, Visit visit) const
    {
        const auto on = loadsOnMember.constFind(member);
        if (on != loadsOnMember.constEnd())
            for (const Load* load : *on)
                visit(loads.constFind(load)->load);
    }

private:
    typedef quint64 CellKey;
    struct NodeEntry
    {
        NodeRef node;
        CellKey cell = 0;
    };
    struct MemberEntry
    {
        MemberRef member;
        QVector<CellKey> cells; // empty when it spans too many: then in oversized
        const Node* ends[3] = {nullptr, nullptr, nullptr}; // A, B, axis reference
    };
    struct LoadEntry
    {
        LoadRef load;
        const Member* member = nullptr;
    };

    CellKey cellOf(const Vector3& p) const;
    // Calls visit(const Member*) with the members listed in the cells within
    // the distance of the point, some more than once, and the oversized
    // ones, until it returns true; returns whether it did.
    template <class Visit>
    bool anyMemberNear(const Vector3& point, double distance, Visit visit) const;
    void cellsAround(const Vector3& low, const Vector3& high, QVector<CellKey>* cells, int limit) const;
    void enterNode(const NodeRef& node);
    void enterMember(const MemberRef& member);
    void enterLoad(const LoadRef& load);
    void removeNode(const VaroObject* node);
    void removeMember(const VaroObject* member);
    void removeLoad(const VaroObject* load);

    double cell = 1.0;
    // Keyed by the object as a VaroObject, whatever its class.
    QHash<const VaroObject*, NodeEntry> nodes;
    QHash<const VaroObject*, MemberEntry> members;
    QHash<const VaroObject*, LoadEntry> loads;
    QHash<CellKey, QVector<const Node*>> nodeCells;
    QHash<CellKey, QVector<const Member*>> memberCells;
    QVector<const Member*> oversized;
    QHash<const VaroObject*, QVector<const Member*>> membersAtNode;
    QHash<const VaroObject*, QVector<const Load*>> loadsOnMember;
};

// What the consolidation engine knows after a run: the index as the
// structure then stood, the structure's lists, and the objects changed by the
// run or since that the next run must look at again.
struct ConsolidationBaseline
{
    // False until a run has walked the whole unselected structure, and again
    // after a change that the index cannot see (a library entry, the units).
    bool valid = false;
    ConsolidationIndex index;
    quint32 stamp = 0;
    QList<VaroObjectRef> pending;
    // The objects selected when the last run ended, when it noted them: the
    // rest of the structure was left consolidated, but for the pending ones.
    bool selectionNoted = false;
    QVector<const VaroObject*> selection;
    QList<NodeRef> nodes;
    QList<MemberRef> members;
    QList<LoadRef> loads;
};
