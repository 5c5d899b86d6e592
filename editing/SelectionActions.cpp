// Undoable changes of the selection at the user's request.

#include "EditingActions.h"

#include "DocumentModel.h"
#include "Load.h"
#include "Member.h"
#include "Node.h"
#include "SelectionCommands.h"
#include "SelectionModel.h"

#include <QSet>

void EditingActions::actionClearAllSelection()
{
    DocumentWriteGuard guard(document());
    if (selection()->selection().isEmpty())
        return;
    UndoMacroGuard macro(undoStack(), "Clear selection");
    push(new CommandClearAllSelection(selection()));
    subActionConsolidateDeselectedObjects();
}

void EditingActions::actionClickOnObject(VaroObjectRef object)
{
    if (!object)
        return;
    DocumentWriteGuard guard(document());
    if (selection()->isObjectSelected(object) && selection()->master() != object) {
        push(new CommandMoveSelectedIndex(selection(), object, -1));
        return;
    }
    UndoMacroGuard macro(undoStack(), "Toggle item selection");
    push(new CommandToggleSelectObject(selection(), object, -1));
    subActionConsolidateDeselectedObjects();
}

void EditingActions::actionSelectObjects(const QList<VaroObjectRef>& objects)
{
    DocumentWriteGuard guard(document());
    // An object must not stand twice in the selection.
    QList<VaroObjectRef> fresh;
    QSet<const VaroObject*> seen;
    for (const VaroObjectRef& object : objects)
        if (object && !seen.contains(object.data()) && !selection()->isObjectSelected(object)) {
            seen.insert(object.data());
            fresh.append(object);
        }
    push(new CommandSelect(selection(), fresh, QMap<VaroObjectRef, int>()));
}

void EditingActions::actionDeselectObjects(const QList<VaroObjectRef>& objects)
{
    DocumentWriteGuard guard(document());
    push(new CommandDeselect(selection(), objects));
}

void EditingActions::actionSelectMembersFromSelectedLoads()
{
    DocumentWriteGuard guard(document());
    const QList<LoadRef> loads = selection()->selectedLoads();
    if (loads.isEmpty()) {
        warn("No loads are selected.");
        return;
    }
    const QList<MemberRef> selected = selection()->selectedMembers();
    QList<VaroObjectRef> members;
    for (const LoadRef& load : loads) {
        const MemberRef member = load->member();
        if (member && !selected.contains(member) && !members.contains(member))
            members.append(member);
    }
    push(new CommandSelect(selection(), members, QMap<VaroObjectRef, int>()));
}

void EditingActions::actionSelectNodesFromSelectedMembers()
{
    DocumentWriteGuard guard(document());
    const QList<MemberRef> members = selection()->selectedMembers();
    if (members.isEmpty()) {
        warn("No members are selected.");
        return;
    }
    const QList<NodeRef> selected = selection()->selectedNodes();
    QList<VaroObjectRef> nodes;
    for (const MemberRef& member : members)
        for (const NodeRef& node : {member->nodeA(), member->nodeB()})
            if (node && !selected.contains(node) && !nodes.contains(node))
                nodes.append(node);
    push(new CommandSelect(selection(), nodes, QMap<VaroObjectRef, int>()));
}
