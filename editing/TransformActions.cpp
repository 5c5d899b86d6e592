// Moving, rotating and reflecting nodes; member length, polarity and splitting.

#include "EditingActions.h"

#include "DocumentModel.h"
#include "Dof.h"
#include "Member.h"
#include "Node.h"
#include "SelectionCommands.h"
#include "SelectionModel.h"
#include "StructureCommands.h"
#include "StructureModel.h"


#include <cmath>

namespace {

const double tinySquared = 2.938735877055719e-39; // 2^-128

bool isFinite(const Vector3& v)
{
    return std::isfinite(v.x()) && std::isfinite(v.y()) && std::isfinite(v.z());
}

Vector3 renormalised(const Vector3& v)
{
    return v.lengthSquared() >= tinySquared ? v.normalised() : v;
}

bool isZero(const Vector3& v)
{
    return v.x() == 0.0 && v.y() == 0.0 && v.z() == 0.0;
}

void refreshCache(const MemberRef& member)
{
    member->bringCacheUpToDate();
}

// Each node weighs its copy count, so copy k moves k times as far.
QMap<NodeRef, double> weightsOf(const QList<NodeRef>& nodes, const QMap<VaroObjectRef, int>& counts)
{
    QMap<NodeRef, double> weights;
    for (const NodeRef& node : nodes)
        weights.insert(node, double(counts.value(node, 1)));
    return weights;
}

} // namespace

void EditingActions::actionMoveSelectedNodesBy(const Vector4& offset, const CalculatorReference& reference)
{
    actionMoveSelectedNodesBy(offset, reference, false);
}

void EditingActions::actionMoveSelectedNodesBy(const Vector4& offset, const CalculatorReference& reference,
                                               bool merge)
{
    DocumentWriteGuard guard(document());
    const Vector3 d = offset.xyz();
    if (isZero(d) || !isFinite(d))
        return;
    QList<NodeRef> nodes = aimedAt(selection()->selectedNodes(), reference);
    const NodeRef dragged = reference.value("masterNode").value<NodeRef>();
    if (dragged && !nodes.contains(dragged))
        nodes.append(dragged);
    if (nodes.isEmpty()) {
        warn("No nodes are selected.");
        return;
    }
    push(new CommandMoveNodesBy(structure(), weightsOf(nodes, selection()->copyCounts()), d, merge));
}

MemberRef EditingActions::subActionMasterMemberForNodes(const QList<NodeRef>& nodes,
                                                         const CalculatorReference& reference)
{
    if (nodes.isEmpty()) {
        warn("No nodes have been selected.");
        return MemberRef();
    }
    const MemberRef named = reference.value("masterMember").value<MemberRef>();
    const MemberRef member = named ? named : selection()->lastSelectedMember();
    if (!member)
        warn("A master member needs to be selected.");
    return member;
}

void EditingActions::actionRotateSelectedNodes(const Vector4& value, const CalculatorReference& reference)
{
    DocumentWriteGuard guard(document());
    const double angle = value.x();
    if (!std::isfinite(angle))
        return;
    const QList<NodeRef> nodes = aimedAt(selection()->selectedNodes(), reference);
    const MemberRef member = subActionMasterMemberForNodes(nodes, reference);
    if (!member)
        return;
    refreshCache(member);
    if (!(member->length() > Member::shortestLength)) {
        warn("Master member has invalid axis.");
        return;
    }
    const Vector3 direction = renormalised(rowOf(member->transformationMatrix(), 0));
    if (isZero(direction)) {
        warn("Master member has invalid axis.");
        return;
    }
    const Ray3 axis(positionOf(member->nodeA()), direction);
    push(new CommandRotateNodesAroundRay(structure(), weightsOf(nodes, selection()->copyCounts()), axis, angle));
}

void EditingActions::actionFlipSelectedNodes()
{
    DocumentWriteGuard guard(document());
    const QList<NodeRef> nodes = selection()->selectedNodes();
    const MemberRef member = subActionMasterMemberForNodes(nodes);
    if (!member)
        return;
    const Vector3 m = 0.5 * positionOf(member->nodeA()) + 0.5 * positionOf(member->nodeB());
    refreshCache(member);
    const Vector3 n = renormalised(rowOf(member->transformationMatrix(), 2));
    refreshCache(member);
    if (!member->isCacheValid() || isZero(n)) {
        warn("Master member has invalid axis. The member's longitudinal and major axes are required to describe "
             "the plane in which to reflect the structure.");
        return;
    }
    push(new CommandFlipNodesAlongRay(structure(), nodes, Ray3(m, n)));
}

void EditingActions::actionSetMemberLength(const Vector4& value, const CalculatorReference& reference)
{
    DocumentWriteGuard guard(document());
    const double L = value.x();
    if (!std::isfinite(L))
        return;
    if (!(L > 0.0)) {
        warn("Specified length is too short.");
        return;
    }
    const MemberRef member = reference.value("masterMember").value<MemberRef>();
    if (!member)
        return;
    refreshCache(member);
    if (member->length() == L)
        return;
    QList<NodeRef> nodes = aimedAt(selection()->selectedNodes(), reference);
    const NodeRef a = member->nodeA();
    const NodeRef b = member->nodeB();
    if (a && b && a != b && !nodes.contains(a) && !nodes.contains(b))
        nodes << a << b;
    if (nodes.isEmpty()) {
        warn("No nodes are selected.");
        return;
    }
    push(new CommandSetMemberLength(structure(), member, nodes, L));
}

void EditingActions::actionPolariseMembers()
{
    DocumentWriteGuard guard(document());
    const NodeRef master = selection()->lastSelectedNode();
    if (!master) {
        warn("A master node is required.");
        return;
    }
    const QList<MemberRef> members = selection()->selectedMembers();
    if (members.isEmpty()) {
        warn("No members are selected.");
        return;
    }
    const Vector3 P = master->position();
    QList<MemberRef> reversed;
    QMap<MemberRef, QPair<Dof, Dof>> pins;
    for (const MemberRef& member : members) {
        refreshCache(member);
        if (!(member->length() > Member::shortestLength))
            continue;
        const Vector3 M = 0.5 * positionOf(member->nodeA()) + 0.5 * positionOf(member->nodeB());
        if (!((M - P).dot(member->vectorX()) < 0.0))
            continue;
        reversed.append(member);
        // A release belongs to its node, so it changes ends with it.
        const QPair<Dof, Dof> ends = member->endConditions();
        if (member->pinAtA() != member->pinAtB())
            pins.insert(member, qMakePair(ends.second, ends.first));
    }
    if (reversed.isEmpty())
        return;
    if (pins.isEmpty()) {
        push(new CommandSwapMemberEnds(structure(), reversed));
        return;
    }
    UndoMacroGuard macro(undoStack(), QString());
    push(new CommandSwapMemberEnds(structure(), reversed));
    push(new CommandSetMemberPins(structure(), pins));
}

void EditingActions::actionSplitMembers()
{
    const double t = lengthStep() * 1.75 * 5.25;
    DocumentWriteGuard guard(document());
    const QList<MemberRef> members = selection()->selectedMembers();
    if (members.isEmpty()) {
        warn("No members are selected.");
        return;
    }
    QList<VaroObjectRef> made;
    QMap<MemberRef, MemberRef> pieces;
    for (const MemberRef& member : members) {
        refreshCache(member);
        const double length = member->length();
        if (!(length > Member::shortestLength) || !(length > t))
            continue;
        const NodeRef node(VaroObject::make<Node>());
        node->setPosition(0.5 * positionOf(member->nodeA()) + 0.5 * positionOf(member->nodeB()));
        node->setGeometryGroup(member->group());
        node->stamp();
        const MemberRef piece(VaroObject::make<Member>(*member));
        piece->setNodeA(node);
        piece->setPinAtA(false);
        piece->stamp();
        made << node << piece;
        pieces.insert(member, piece);
    }
    if (made.isEmpty())
        return;
    {
        UndoMacroGuard macro(undoStack(), "Split members");
        push(new CommandAppendObjects(structure(), made));
        push(new CommandExplodeMembers(structure(), pieces));
        push(new CommandSelect(selection(), made, QMap<VaroObjectRef, int>()));
    }
    selection()->markAsNew(made);
}
