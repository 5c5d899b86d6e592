// The tidying that follows every deselection: rounding to the unit grid,
// removing members without length, merging coincident nodes, duplicate
// members and loads, and splitting members at nodes that lie on them. Every
// change is a command inside the calling action's macro.

#include "EditingActions.h"

#include "ConsolidationIndex.h"
#include "DocumentModel.h"
#include "Load.h"
#include "Member.h"
#include "MemberAxis.h"
#include "Node.h"
#include "SelectionCommands.h"
#include "SelectionModel.h"
#include "StructureCommands.h"
#include "StructureModel.h"
#include "Support.h"
#include "TorqueLoad.h"
#include "UnitSystem.h"

#include <algorithm>
#include <cmath>

namespace {

// Shorter than this a member has no length worth keeping.
const double zeroMemberLength = 1.52587890625e-05; // 2^-16 m

template <class T>
QList<QSharedPointer<T>> ofClass(const QSet<VaroObjectRef>& objects)
{
    QList<QSharedPointer<T>> result;
    for (const VaroObjectRef& object : objects)
        if (const QSharedPointer<T> cast = qSharedPointerDynamicCast<T>(object))
            result.append(cast);
    return result;
}

template <class T>
void removeFromBoth(const QList<T>& objects, QSet<VaroObjectRef>* a, QSet<VaroObjectRef>* b)
{
    for (const T& object : objects) {
        a->remove(object);
        b->remove(object);
    }
}

template <class T>
QSet<VaroObjectRef> asSet(const QList<T>& objects)
{
    QSet<VaroObjectRef> result;
    for (const T& object : objects)
        result.insert(object);
    return result;
}

// Clears the first entry of the walked list that refers to the object, so
// that an absorbed object is never walked later.
template <class T>
void clearFirst(QList<QSharedPointer<T>>* list, const QSharedPointer<T>& object)
{
    const int index = list->indexOf(object);
    if (index >= 0)
        (*list)[index].clear();
}

int restraintOf(const NodeRef& node)
{
    return node->support() ? int(node->support()->dof()) : 0;
}

bool membersJoin(const QList<MemberRef>& members, const NodeRef& a, const NodeRef& b)
{
    for (const MemberRef& member : members)
        if ((member->nodeA() == a && member->nodeB() == b) || (member->nodeA() == b && member->nodeB() == a))
            return true;
    return false;
}

// The objects, the hubs with the members at them, the members with the loads
// on them: those of them that are indexed and not selected.
QSet<VaroObjectRef> withMembersAndLoads(const ConsolidationIndex& index, const QList<NodeRef>& hubs,
                                        const QList<MemberRef>& members, const QSet<VaroObjectRef>& objects,
                                        const SelectionModel& selection)
{
    // Raw addresses where a reference is not kept: a reference of another
    // class would be a new shared pointer each time.
    QSet<const VaroObject*> given, seen;
    QSet<VaroObjectRef> result;
    given.reserve(objects.size());
    seen.reserve(objects.size() + hubs.size() + members.size());
    result.reserve(objects.size() + hubs.size() + members.size());
    const auto add = [&](const auto& object) {
        const VaroObject* raw = object.data();
        if (!raw || seen.contains(raw))
            return false;
        seen.insert(raw);
        if (index.contains(raw)) {
            const VaroObjectRef ref = object;
            if (!selection.isObjectSelected(ref))
                result.insert(ref);
        }
        return true;
    };
    const auto addWithLoads = [&](const MemberRef& member) {
        if (add(member) || given.contains(member.data()))
            index.forLoadsOn(member.data(), add);
    };
    for (const VaroObjectRef& object : objects) {
        given.insert(object.data());
        add(object);
    }
    for (const NodeRef& node : hubs)
        if (add(node) || given.contains(node.data()))
            index.forMembersAt(node.data(), addWithLoads);
    for (const MemberRef& member : qAsConst(members))
        addWithLoads(member);
    return result;
}

} // namespace

// Each run leaves the unselected structure such that a run over all of it
// would change only what the run itself changed, but for splitting, which a
// run does only at the nodes it was given. So the next run need look only at
// what changed since (the deselected objects that were selected when it
// ended or have changed since, objects stamped or entered since, the ends of
// members that left, deselected nodes that a member passes over) and at
// their neighbours: the nodes within reach of a changed node, the members at
// those nodes or passing near a deselected one, and the loads on those
// members. Everything farther away would be walked and left as it is. A
// change that the index cannot see (a library entry, the units) makes the
// next run walk the whole unselected structure again.
void EditingActions::subActionConsolidateDeselectedObjects()
{
    const QSet<VaroObjectRef> history = selection()->getAndClearDeselectionHistory();
    if (history.isEmpty())
        return;
    ConsolidationBaseline& baseline = *consolidated;
    if (!baseline.valid) {
        subActionConsolidateEverythingUnselected(history);
        return;
    }
    QList<VaroObjectRef> changed = baseline.pending + subActionTakeChanges(baseline.stamp);
    quint32 mark = VaroObject::currentTimeStamp();
    QList<VaroObjectRef> returned;
    for (const VaroObjectRef& object : history)
        if (baseline.index.contains(object.data()) && !selection()->isObjectSelected(object))
            returned.append(object);
    // An object that was not selected when the last run ended, and has not
    // changed since, comes back to a structure that run left consolidated
    // around it: what changed near it is among the changes.
    // Telling them apart takes a set of the selection of then, which pays
    // only when many objects come back at once.
    QList<VaroObjectRef> touched;
    int settled = 0;
    if (!baseline.selectionNoted || baseline.selection.size() > 8 * returned.size()) {
        touched = returned;
    } else {
        QSet<const VaroObject*> selectedThen, changedSince;
        selectedThen.reserve(baseline.selection.size());
        for (const VaroObject* object : qAsConst(baseline.selection))
            selectedThen.insert(object);
        for (const VaroObjectRef& object : qAsConst(changed))
            changedSince.insert(object.data());
        // A member drawn over a node passes it until the node comes back.
        const double memberReach = explosionDistance() + lengthStep();
        const auto unselected = [this](const MemberRef& member) { return !selection()->isObjectSelected(member); };
        const auto splitsAMember = [&](const VaroObjectRef& object) {
            const Node* node = qobject_cast<const Node*>(object.data());
            return node && baseline.index.memberPassesOver(node, memberReach, unselected);
        };
        for (const VaroObjectRef& object : qAsConst(returned)) {
            if (selectedThen.contains(object.data()) || changedSince.contains(object.data()) || splitsAMember(object))
                touched.append(object);
            else
                ++settled;
        }
    }
    if (touched.isEmpty() && (settled == 0 || changed.isEmpty())) {
        baseline.pending = changed;
        baseline.stamp = mark;
        noteSelectionAtRunEnd();
        return;
    }
    if (!touched.isEmpty()) {
        subActionConsolidate(asSet(touched), neighbourhoodOfTouched(touched), true);
        changed += subActionTakeChanges(mark);
        changed += touched;
        mark = VaroObject::currentTimeStamp();
    }
    const QSet<VaroObjectRef> around = neighbourhoodOfChanged(changed);
    subActionConsolidate(around, around, false);
    baseline.pending = subActionTakeChanges(mark);
    baseline.stamp = VaroObject::currentTimeStamp();
    noteSelectionAtRunEnd();
}

void EditingActions::noteSelectionAtRunEnd()
{
    // Addresses only, which cost a run little; a very large selection is not
    // noted at all. An address that a new object takes over later only
    // makes that object be consolidated.
    const int largestNoted = 16384;
    ConsolidationBaseline& baseline = *consolidated;
    baseline.selection.resize(0);
    const QList<VaroObjectRef> now = selection()->selection();
    baseline.selectionNoted = now.size() <= largestNoted;
    if (baseline.selectionNoted) {
        baseline.selection.reserve(now.size());
        for (const VaroObjectRef& object : now)
            baseline.selection.append(object.data());
    }
}

void EditingActions::subActionConsolidateEverythingUnselected(const QSet<VaroObjectRef>& history)
{
    // The selection is the same before and after the first run, which
    // touches only what is not selected.
    QSet<VaroObjectRef> unselected = asSet(selection()->unselectedWithin(structure()->everything()));
    const QSet<VaroObjectRef> touched = QSet<VaroObjectRef>(history) & unselected;
    if (touched.isEmpty())
        return;
    subActionConsolidate(touched, unselected, true);
    unselected = asSet(selection()->unselectedWithin(structure()->everything()));
    const quint32 mark = VaroObject::currentTimeStamp();
    subActionConsolidate(unselected, unselected, false);

    ConsolidationBaseline& baseline = *consolidated;
    baseline.nodes = structure()->nodes();
    baseline.members = structure()->members();
    baseline.loads = structure()->loads();
    baseline.index.rebuild(baseline.nodes, baseline.members, baseline.loads);
    baseline.pending = subActionTakeChanges(mark);
    baseline.stamp = VaroObject::currentTimeStamp();
    noteSelectionAtRunEnd();
    baseline.valid = true;
}

void EditingActions::forgetConsolidatedState()
{
    consolidated->valid = false;
    consolidated->index.clear();
    consolidated->pending.clear();
    consolidated->selection.clear();
    consolidated->selectionNoted = false;
}

QList<VaroObjectRef> EditingActions::subActionTakeChanges(quint32 since)
{
    ConsolidationBaseline& baseline = *consolidated;
    QList<VaroObjectRef> changed;
    const QList<NodeRef> nodes = structure()->nodes();
    const QList<MemberRef> members = structure()->members();
    const QList<LoadRef> loads = structure()->loads();
    // Lists still shared with the ones kept: nothing entered or left.
    if (!nodes.isSharedWith(baseline.nodes) || !members.isSharedWith(baseline.members)
        || !loads.isSharedWith(baseline.loads)) {
        for (const VaroObjectRef& gone : baseline.index.sweep(nodes, members, loads, &changed))
            if (const MemberRef member = gone.objectCast<Member>())
                changed << member->nodeA() << member->nodeB();
        baseline.nodes = nodes;
        baseline.members = members;
        baseline.loads = loads;
    }
    // Every change takes a new stamp; none taken, none made.
    if (VaroObject::currentTimeStamp() != since) {
        for (const NodeRef& node : nodes)
            if (node->timeStamp() >= since)
                changed.append(node);
        for (const MemberRef& member : members)
            if (member->timeStamp() >= since)
                changed.append(member);
        for (const LoadRef& load : loads)
            if (load->timeStamp() >= since)
                changed.append(load);
    }
    for (const VaroObjectRef& object : qAsConst(changed))
        if (object && baseline.index.contains(object.data()))
            baseline.index.update(object);
    return changed;
}

QSet<VaroObjectRef> EditingActions::neighbourhoodOfTouched(const QList<VaroObjectRef>& touched) const
{
    const ConsolidationIndex& index = consolidated->index;
    // Rounding moves a node by half a step at most.
    const double nodeReach = consolidationDistance() + lengthStep();
    const double memberReach = explosionDistance() + lengthStep();
    QSet<VaroObjectRef> around = asSet(touched);
    QList<NodeRef> hubs;
    QList<MemberRef> members;
    for (const VaroObjectRef& object : touched) {
        if (const NodeRef node = object.objectCast<Node>()) {
            hubs.append(node);
            hubs += index.nodesNear(node->position(), nodeReach);
            members += index.membersNear(node->position(), memberReach);
        } else if (const MemberRef member = object.objectCast<Member>()) {
            hubs << member->nodeA() << member->nodeB();
        } else if (const LoadRef load = object.objectCast<Load>()) {
            members.append(load->member());
        }
    }
    return withMembersAndLoads(index, hubs, members, around, *selection());
}

QSet<VaroObjectRef> EditingActions::neighbourhoodOfChanged(const QList<VaroObjectRef>& changed) const
{
    const ConsolidationIndex& index = consolidated->index;
    const double nodeReach = consolidationDistance() + lengthStep();
    QSet<VaroObjectRef> around;
    QList<NodeRef> hubs;
    QList<MemberRef> members;
    for (const VaroObjectRef& object : changed) {
        if (!object)
            continue;
        around.insert(object);
        if (const NodeRef node = object.objectCast<Node>()) {
            hubs.append(node);
            hubs += index.nodesNear(node->position(), nodeReach);
        } else if (const MemberRef member = object.objectCast<Member>()) {
            members.append(member);
            hubs << member->nodeA() << member->nodeB();
            if (member->axis())
                hubs.append(member->axis()->axis().node());
        } else if (const LoadRef load = object.objectCast<Load>()) {
            members.append(load->member());
        }
    }
    return withMembersAndLoads(index, hubs, members, around, *selection());
}

void EditingActions::subActionConsolidate(QSet<VaroObjectRef> touched, QSet<VaroObjectRef> scope, bool explode)
{
    if (touched.isEmpty() || scope.isEmpty())
        return;
    const QList<NodeRef> touchedNodes = ofClass<Node>(touched);
    const QList<NodeRef> scopeNodes = ofClass<Node>(scope);

    subActionRoundOffNodes(touchedNodes);
    subActionRoundOffLoads(ofClass<Load>(touched));

    removeFromBoth(subActionDeleteMembersOfZeroLength(ofClass<Member>(touched)), &touched, &scope);

    const QList<NodeRef> mergedNodes = subActionConsolidateNodes(touchedNodes, scopeNodes);
    removeFromBoth(mergedNodes, &touched, &scope);

    // A member moves with its nodes, so it is touched when any of them is.
    for (const MemberRef& member : ofClass<Member>(scope)) {
        if (touched.contains(member))
            continue;
        const NodeRef axisNode = member->axis() ? member->axis()->axis().node() : NodeRef();
        if (touched.contains(member->nodeA()) || touched.contains(member->nodeB())
            || (axisNode && touched.contains(axisNode)))
            touched.insert(member);
    }

    if (explode) {
        const QList<NodeRef> nodes = ofClass<Node>(touched);
        const QList<MemberRef> touchedMembers = ofClass<Member>(touched);
        const QList<MemberRef> otherMembers = ofClass<Member>(scope - touched);
        for (const MemberRef& piece : subActionExplodeMembers(touchedMembers, nodes))
            touched.insert(piece);
        for (const MemberRef& piece : subActionExplodeMembers(otherMembers, nodes))
            scope.insert(piece);
    }

    const QList<MemberRef> mergedMembers =
        subActionConsolidateMembers(ofClass<Member>(touched), ofClass<Member>(scope));
    removeFromBoth(mergedMembers, &touched, &scope);

    for (const LoadRef& load : ofClass<Load>(scope))
        if (!touched.contains(load) && touched.contains(load->member()))
            touched.insert(load);

    const QList<LoadRef> mergedLoads = subActionConsolidateLoads(ofClass<Load>(touched), ofClass<Load>(scope));

    QList<VaroObjectRef> removal;
    for (const LoadRef& load : mergedLoads)
        removal.append(load);
    for (const MemberRef& member : mergedMembers)
        removal.append(member);
    for (const NodeRef& node : mergedNodes)
        removal.append(node);
    if (!removal.isEmpty())
        push(new CommandRemoveObjects(structure(), removal));
}

QList<VaroObjectRef> EditingActions::subActionDeleteMembersOfZeroLength(const QList<MemberRef>& members)
{
    QList<VaroObjectRef> result;
    // The loads of the whole structure are looked up only when one is needed.
    QMultiMap<MemberRef, LoadRef> loads;
    bool loadsRead = false;
    for (const MemberRef& member : members) {
        if (!(member->length() < zeroMemberLength))
            continue;
        if (!loadsRead) {
            loads = structure()->loadsPerMember();
            loadsRead = true;
        }
        result.append(member);
        for (const LoadRef& load : loads.values(member))
            result.append(load);
    }
    if (!result.isEmpty())
        push(new CommandRemoveObjects(structure(), result));
    return result;
}

void EditingActions::subActionRoundOffNodes(const QList<NodeRef>& nodes)
{
    const QSharedPointer<UnitSystem> units = document()->unitSystem();
    QMap<NodeRef, Vector3> moved;
    for (const NodeRef& node : nodes) {
        const Vector3 p = node->position();
        const Vector3 q(units->roundSIAsPreferred(p.x(), UnitSystem::Length),
                        units->roundSIAsPreferred(p.y(), UnitSystem::Length),
                        units->roundSIAsPreferred(p.z(), UnitSystem::Length));
        if (!(q == p))
            moved.insert(node, q);
    }
    if (!moved.isEmpty())
        push(new CommandSetNodePositions(structure(), moved));
}

void EditingActions::subActionRoundOffLoads(const QList<LoadRef>& loads)
{
    const QSharedPointer<UnitSystem> units = document()->unitSystem();
    QMap<LoadRef, QList<Load::PositionedForce>> changed;
    for (const LoadRef& load : loads) {
        const double memberLength = load->member() ? load->member()->length() : 0.0;
        const double L = units->roundSIAsPreferred(memberLength, UnitSystem::Length);
        // Each kind to the unit it is typed and shown in, so that a value typed lands as typed.
        const UnitSystem::Conversion conversion = qSharedPointerDynamicCast<TorqueLoad>(load) ? UnitSystem::Torque
                                                  : qSharedPointerDynamicCast<TrapezoidLoad>(load)
                                                      ? UnitSystem::ForcePerUnitLength
                                                      : UnitSystem::Force;
        const QList<Load::PositionedForce> pairs = load->positionedForces();
        QList<Load::PositionedForce> rounded;
        bool differs = false;
        for (const Load::PositionedForce& pair : pairs) {
            double position = units->roundSIAsPreferred(pair.first * L, UnitSystem::Length) / L;
            position = position <= 1.0 ? position : 1.0; // a quotient that is no number counts as 1
            position = std::max(position, 0.0);
            const double force = units->roundSIAsPreferred(pair.second, conversion);
            differs = differs || !fuzzyEqual(force, pair.second) || !fuzzyEqual(position, pair.first);
            rounded.append(Load::PositionedForce(position, force));
        }
        if (differs)
            changed.insert(load, rounded);
    }
    if (!changed.isEmpty())
        push(new CommandSetLoadPositionedForceAtAllIndices(structure(), changed));
}

QMultiMap<double, NodeRef> EditingActions::nodesMappedByDistance(const QList<NodeRef>& nodes, const Vector3& point)
{
    QMultiMap<double, NodeRef> map;
    for (const NodeRef& node : nodes)
        map.insert((node->position() - point).length(), node);
    return map;
}

QMultiMap<double, MemberRef> EditingActions::membersMappedByMidpointDistance(const QList<MemberRef>& members,
                                                                             const Vector3& point)
{
    QMultiMap<double, MemberRef> map;
    for (const MemberRef& member : members) {
        const Vector3 midpoint = 0.5 * positionOf(member->nodeA()) + 0.5 * positionOf(member->nodeB());
        map.insert((midpoint - point).length(), member);
    }
    return map;
}

QMultiMap<MemberRef, LoadRef> EditingActions::loadsPerMember(const QList<LoadRef>& loads)
{
    QMultiMap<MemberRef, LoadRef> map;
    for (const LoadRef& load : loads)
        map.insert(load->member(), load);
    return map;
}

QList<NodeRef> EditingActions::subActionConsolidateNodes(QList<NodeRef> touched, QList<NodeRef> scope)
{
    const double d = consolidationDistance();
    const double w = 2.0 * d;
    QMultiMap<double, NodeRef> index = nodesMappedByDistance(touched, Vector3());
    QList<NodeRef> result;
    for (int i = 0; i < scope.size(); ++i) {
        const NodeRef n = scope.at(i);
        if (!n)
            continue;
        const double r = n->position().length();
        const auto end = index.lowerBound(r + w);
        for (auto candidate = index.lowerBound(r - w); candidate != end; ++candidate) {
            const NodeRef& m = candidate.value();
            if (!m || m == n || !n->canBeConsolidatedWith(*m, d))
                continue;
            if (membersJoin(structure()->members(), n, m))
                continue;
            // The merged node keeps a restraint that only the absorbed one had.
            if (restraintOf(n) == 0 && restraintOf(m) != 0) {
                QMap<NodeRef, SupportRef> support;
                support.insert(n, m->support());
                push(new CommandSetNodeSupport(structure(), support));
            }
            push(new CommandConsolidateNodes(structure(), n, m));
            result.append(m);
            clearFirst(&scope, m);
            candidate.value().clear(); // m refers to it: last
        }
    }
    return result;
}

QList<MemberRef> EditingActions::subActionConsolidateMembers(QList<MemberRef> touched, QList<MemberRef> scope)
{
    const double w = 2.0 * consolidationDistance();
    QMultiMap<double, MemberRef> index = membersMappedByMidpointDistance(touched, Vector3());
    QList<MemberRef> result;
    for (int i = 0; i < scope.size(); ++i) {
        const MemberRef m = scope.at(i);
        if (!m)
            continue;
        const double r = (0.5 * positionOf(m->nodeA()) + 0.5 * positionOf(m->nodeB())).length();
        const auto end = index.lowerBound(r + w);
        for (auto candidate = index.lowerBound(r - w); candidate != end; ++candidate) {
            const MemberRef& o = candidate.value();
            // Members of different groups stay apart whichever way they run.
            if (!o || o == m || m->group() != o->group() || !m->canBeConsolidatedWith(*o))
                continue;
            push(new CommandConsolidateMembers(structure(), m, o));
            result.append(o);
            clearFirst(&scope, o);
            candidate.value().clear(); // o refers to it: last
        }
    }
    return result;
}

QList<LoadRef> EditingActions::subActionConsolidateLoads(QList<LoadRef> touched, QList<LoadRef> scope)
{
    QMultiMap<MemberRef, LoadRef> index = loadsPerMember(touched);
    QList<LoadRef> result;
    for (int i = 0; i < scope.size(); ++i) {
        const LoadRef l = scope.at(i);
        if (!l)
            continue;
        const auto end = index.upperBound(l->member());
        for (auto candidate = index.lowerBound(l->member()); candidate != end; ++candidate) {
            const LoadRef& o = candidate.value();
            if (!o || o == l || !l->canBeConsolidatedWith(*o))
                continue;
            push(new CommandConsolidateLoads(structure(), l, o));
            result.append(o);
            clearFirst(&scope, o);
            candidate.value().clear(); // o refers to it: last
        }
    }
    return result;
}

QPair<double, double> EditingActions::memberAnnulus(const MemberRef& member)
{
    const NodeRef a = member->nodeA();
    const NodeRef b = member->nodeB();
    if (!a || !b || a == b)
        return qMakePair(0.0, 0.0);
    const Vector3 A = a->position();
    const Vector3 B = b->position();
    const double dA = A.length();
    const double dB = B.length();
    const double L = member->length();
    double inner = std::min(dA, dB);
    // The foot of the perpendicular from the origin onto the member's line.
    Vector3 F;
    if (L > 0.0009765625) {
        Vector3 u = member->vectorX();
        if (u.lengthSquared() >= 2.938735877055719e-39)
            u = u.normalised();
        F = A + u * (-A).dot(u);
    }
    if ((A - F).length() + (F - B).length() <= L)
        inner = std::min(inner, F.length());
    return qMakePair(inner, std::max(dA, dB));
}

QList<MemberRef> EditingActions::subActionExplodeMembers(QList<MemberRef> members, const QList<NodeRef>& nodes)
{
    const double t = explosionDistance();
    const double w = 2.0 * consolidationDistance();
    const QMultiMap<double, NodeRef> index = nodesMappedByDistance(nodes, Vector3());
    QList<MemberRef> result;
    QList<VaroObjectRef> pendingPieces;
    QMap<MemberRef, MemberRef> pendingSplits;
    const auto flush = [&] {
        push(new CommandAppendObjects(structure(), pendingPieces));
        push(new CommandExplodeMembers(structure(), pendingSplits));
        pendingPieces.clear();
        pendingSplits.clear();
    };

    QMap<MemberRef, QPair<double, double>> work;
    for (const MemberRef& member : members)
        work.insert(member, memberAnnulus(member));

    for (;;) {
        QList<MemberRef> newPieces;
        for (auto entry = work.begin(); entry != work.end();) {
            const MemberRef m = entry.key();
            const auto first = index.lowerBound(entry.value().first - w);
            const auto last = index.lowerBound(entry.value().second + w);
            // A node on the member lies in its box widened by the tolerance;
            // twice that leaves room for rounding. A split only shortens m,
            // so the box taken now holds all it can be split at.
            const Vector3 a = positionOf(m->nodeA()), b = positionOf(m->nodeB());
            const Vector3 low(std::min(a.x(), b.x()) - 2 * t, std::min(a.y(), b.y()) - 2 * t,
                              std::min(a.z(), b.z()) - 2 * t);
            const Vector3 high(std::max(a.x(), b.x()) + 2 * t, std::max(a.y(), b.y()) + 2 * t,
                               std::max(a.z(), b.z()) + 2 * t);
            bool split = false;
            for (auto candidate = first; candidate != last; ++candidate) {
                const NodeRef& n = candidate.value();
                const Vector3 p = n->position();
                if (p.x() < low.x() || p.y() < low.y() || p.z() < low.z() || p.x() > high.x() || p.y() > high.y()
                    || p.z() > high.z())
                    continue;
                if (!StructureModel::nodeLiesOnMember(n, m, t))
                    continue;
                if (pendingSplits.contains(m)) {
                    // The earlier split shortens m; n may now lie beyond it.
                    flush();
                    if (!StructureModel::nodeLiesOnMember(n, m, t))
                        continue;
                }
                const MemberRef piece(VaroObject::make<Member>(*m));
                piece->setNodeA(n);
                piece->setPinAtA(false);
                piece->stamp();
                result.append(piece);
                pendingPieces.append(piece);
                newPieces.append(piece);
                pendingSplits.insert(m, piece);
                split = true;
            }
            entry = split ? std::next(entry) : work.erase(entry);
        }
        if (newPieces.isEmpty())
            break;
        for (const MemberRef& piece : newPieces)
            work.insert(piece, memberAnnulus(piece));
    }

    if (!pendingPieces.isEmpty() && !pendingSplits.isEmpty()) {
        const QList<VaroObjectRef> marked = pendingPieces;
        flush();
        selection()->markAsNew(marked);
    }
    return result;
}
