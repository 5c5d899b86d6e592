// Adding, copying, deleting and regrouping nodes and members.

#include "EditingActions.h"

#include "Axis.h"
#include "DocumentModel.h"
#include "Load.h"
#include "Member.h"
#include "MemberAxis.h"
#include "Node.h"
#include "SelectionCommands.h"
#include "SelectionModel.h"
#include "StructureCommands.h"
#include "StructureModel.h"

#include <QPointer>

#include <cmath>

namespace {

// Every copy is built in memory before the first command is pushed.
const int mostCopies = 1000;

template <class T>
QList<VaroObjectRef> asObjects(const QList<QSharedPointer<T>>& list)
{
    QList<VaroObjectRef> objects;
    for (const QSharedPointer<T>& object : list)
        objects.append(object);
    return objects;
}

bool sharesAny(const QList<VaroObjectRef>& a, const QSet<VaroObjectRef>& b)
{
    for (const VaroObjectRef& object : a)
        if (b.contains(object))
            return true;
    return false;
}

} // namespace

void EditingActions::actionAddNode(const GeometryGroupRef& group)
{
    DocumentWriteGuard guard(document());
    const NodeRef master = selection()->lastSelectedNode();
    const NodeRef node(master ? VaroObject::make<Node>(*master) : VaroObject::make<Node>());
    node->setGeometryGroup(group);
    node->stamp();
    const QList<VaroObjectRef> made{node};

    {
        UndoMacroGuard macro(undoStack(), "Add node");
        if (!selection()->selection().isEmpty())
            push(new CommandClearAllSelection(selection()));
        push(new CommandAppendObjects(structure(), made));
        push(new CommandSelect(selection(), made, QMap<VaroObjectRef, int>()));
        subActionConsolidateDeselectedObjects();
    }
    selection()->markAsNew(made);
}

void EditingActions::actionAddMembers(const GeometryGroupRef& group)
{
    DocumentWriteGuard guard(document());
    const QList<NodeRef> nodes = selection()->selectedNodes();
    if (nodes.size() < 2)
        return;
    const MemberRef pattern = selection()->lastSelectedMember();
    QList<VaroObjectRef> made;
    for (int i = 1; i < nodes.size(); ++i) {
        MemberRef member;
        if (pattern) {
            member = VaroObject::make<Member>(*pattern);
            member->clearNodes();
            member->setNodeA(nodes.at(i - 1));
            member->setNodeB(nodes.at(i));
        } else {
            member = VaroObject::make<Member>(nodes.at(i - 1), nodes.at(i));
        }
        member->setGeometryGroup(group);
        member->stamp();
        made.append(member);
    }

    {
        UndoMacroGuard macro(undoStack(), "Add members");
        push(new CommandDeselect(selection(), asObjects(nodes)));
        push(new CommandAppendObjects(structure(), made));
        push(new CommandSelect(selection(), made, QMap<VaroObjectRef, int>()));
        subActionConsolidateDeselectedObjects();
    }
    selection()->markAsNew(made);
}

void EditingActions::actionCopySelection(const Vector4& value, const CalculatorReference& reference)
{
    if (!std::isfinite(value.x()))
        return;
    const double rounded = std::nearbyint(value.x()); // ties to even
    DocumentWriteGuard guard(document());
    const VaroObjectRef master = selection()->master();
    const QList<NodeRef> selectedNodes = aimedAt(selection()->selectedNodes(), reference);
    const QList<MemberRef> selectedMembers = aimedAt(selection()->selectedMembers(), reference);
    if (selectedNodes.isEmpty() && selectedMembers.isEmpty()) {
        warn("No nodes or members selected");
        return;
    }
    if (rounded > mostCopies) {
        warn(QString("No more than %1 copies can be made at once").arg(mostCopies));
        return;
    }
    const int n = rounded > 0.0 ? int(rounded) : 0;

    // The end nodes of the members come first, then the selected nodes.
    QList<NodeRef> sources;
    for (const MemberRef& member : selectedMembers)
        for (const NodeRef& end : {member->nodeA(), member->nodeB()})
            if (end && !selectedNodes.contains(end) && !sources.contains(end))
                sources.append(end);
    for (const NodeRef& node : selectedNodes)
        if (!sources.contains(node))
            sources.append(node);

    const QList<LoadRef> allLoads = structure()->loads();
    QList<VaroObjectRef> newNodes, newMembers, newLoads;
    QMap<VaroObjectRef, int> counts;
    for (int k = 1; k <= n; ++k) {
        QMap<NodeRef, NodeRef> nodeCopies;
        QMap<MemberRef, MemberRef> memberCopies;
        for (const NodeRef& node : sources) {
            const NodeRef copy(VaroObject::make<Node>(*node));
            nodeCopies.insert(node, copy);
            newNodes.append(copy);
            counts.insert(copy, k);
        }
        for (const MemberRef& member : selectedMembers) {
            const MemberRef copy(VaroObject::make<Member>(*member));
            copy->setNodeA(nodeCopies.value(member->nodeA()));
            copy->setNodeB(nodeCopies.value(member->nodeB()));
            const MemberAxisRef axis = member->axis();
            if (axis && axis->axis().node() && nodeCopies.contains(axis->axis().node())) {
                const MemberAxisRef ownAxis(VaroObject::make<MemberAxis>(*axis));
                ownAxis->setAxis(Axis(Vector3(), nodeCopies.value(axis->axis().node()), true, false));
                copy->setAxis(ownAxis);
            }
            copy->stamp();
            memberCopies.insert(member, copy);
            newMembers.append(copy);
            counts.insert(copy, k);
        }
        for (const LoadRef& load : allLoads) {
            if (!memberCopies.contains(load->member()))
                continue;
            const LoadRef copy = load->clone();
            copy->setMember(memberCopies.value(load->member()));
            newLoads.append(copy);
            counts.insert(copy, k);
        }
    }

    // The objects of the master's class go last, so one of them becomes the master.
    QList<VaroObjectRef> made;
    if (qSharedPointerDynamicCast<Load>(master))
        made << newMembers << newNodes << newLoads;
    else if (qSharedPointerDynamicCast<Member>(master))
        made << newLoads << newNodes << newMembers;
    else
        made << newLoads << newMembers << newNodes;

    {
        UndoMacroGuard macro(undoStack(), "Copy selection");
        push(new CommandClearAllSelection(selection()));
        push(new CommandAppendObjects(structure(), made));
        push(new CommandSelect(selection(), made, counts));
        subActionConsolidateDeselectedObjects();
    }
    selection()->markAsNew(made);
}

void EditingActions::actionDeleteSelectedGeometry()
{
    // The window that gave the command asks the question, if one is needed.
    const QPointer<const QObject> origin(sender());
    const bool fromSomewhere = origin;
    DocumentWriteGuard guard(document());
    const QList<VaroObjectRef> geometry = selection()->selectedGeometry();
    if (geometry.isEmpty()) {
        warn("No geometry selected (any other items will not be deleted by this action)");
        return;
    }
    // Everything that refers, however indirectly, to what would go.
    QSet<VaroObjectRef> frontier(geometry.cbegin(), geometry.cend());
    QSet<VaroObjectRef> rest;
    for (const VaroObjectRef& object : structure()->everything())
        if (!frontier.contains(object))
            rest.insert(object);
    QSet<VaroObjectRef> missing;
    while (!frontier.isEmpty()) {
        QSet<VaroObjectRef> next;
        for (const VaroObjectRef& object : rest)
            if (sharesAny(object->references(), frontier))
                next.insert(object);
        missing += next;
        rest -= next;
        frontier = next;
    }
    // Selected loads on what goes go with it: only the unselected are missing.
    QList<VaroObjectRef> deleted = geometry;
    for (const VaroObjectRef& object : selection()->selection())
        if (missing.remove(object))
            deleted.append(object);

    if (missing.isEmpty()) {
        UndoMacroGuard macro(undoStack(), "Delete selection");
        push(new CommandDeselect(selection(), deleted));
        push(new CommandRemoveObjects(structure(), deleted));
        return;
    }
    // Asked once this action has finished, so that the answer (a new
    // selection action) never runs inside it; not asked at all when the
    // window that gave the command has gone meanwhile.
    DocumentModel* const doc = document();
    const QList<VaroObjectRef> needed = missing.values();
    QMetaObject::invokeMethod(
        doc,
        [doc, needed, origin, fromSomewhere] {
            if (!fromSomewhere || origin)
                emit doc->AutoSelectionNeeded(needed, origin.data());
        },
        Qt::QueuedConnection);
}

void EditingActions::actionMoveSelectedGeometryToGroup(const GeometryGroupRef& group)
{
    DocumentWriteGuard guard(document());
    if (group && !document()->subOpGroups().contains(group)) {
        warn("Current group is invalid");
        return;
    }
    QMap<NodeRef, GeometryGroupRef> nodes;
    for (const NodeRef& node : selection()->selectedNodes())
        if (node->group() != group)
            nodes.insert(node, group);
    QMap<MemberRef, GeometryGroupRef> members;
    for (const MemberRef& member : selection()->selectedMembers())
        if (member->group() != group)
            members.insert(member, group);
    if (nodes.isEmpty() && members.isEmpty()) {
        warn("Nothing to move");
        return;
    }
    UndoMacroGuard macro(undoStack(), "Move geometry to group");
    if (!nodes.isEmpty())
        push(new CommandMoveNodesToGroups(structure(), nodes));
    if (!members.isEmpty())
        push(new CommandMoveMembersToGroups(structure(), members));
}
