// Adding loads to the selected members, deleting the selected loads and
// moving them to another loading.

#include "DocumentModel.h"
#include "EditingActions.h"
#include "StructureCommands.h"
#include "SelectionCommands.h"

#include "Libraries.h"
#include "LoadCaseLibrary.h"
#include "Loading.h"
#include "Member.h"
#include "PointLoad.h"
#include "SelectionModel.h"
#include "StructureModel.h"
#include "TorqueLoad.h"
#include "TrapezoidLoad.h"

#include <QSet>

#include <algorithm>

namespace {

bool isLibraryLoading(DocumentModel* document, const LoadingRef& loading)
{
    return loading && document->libraries()->loadCaseLibrary()->loadings().contains(loading);
}

} // namespace

// One routine for the three load classes: the pattern (the last selected
// load of the class, or a default one) is copied onto every selected member
// but its own.
template <class T>
void EditingActions::subActionAddLoads(QSharedPointer<T> pattern, const LoadingRef& loading)
{
    if (!isLibraryLoading(document(), loading)) {
        warn(tr("Current load-case is invalid"));
        return;
    }
    QList<MemberRef> targets = selection()->selectedMembers();
    if (targets.isEmpty()) {
        warn(tr("No members selected"));
        return;
    }
    if (!pattern)
        pattern = T::makeDefault(loading);
    if (const MemberRef carrier = pattern->member())
        targets.removeOne(carrier);
    if (targets.isEmpty()) {
        warn(tr("No members selected beyond that of the master load"));
        return;
    }

    QList<VaroObjectRef> loads;
    for (const MemberRef& member : targets) {
        if (!member->bringCacheUpToDate()) {
            warn(tr("Members must have valid orientiations before loads can be applied"));
            return;
        }
        const LoadRef load = pattern->makeCopyOnMember(member);
        load->setLoadCase(loading);
        loads.append(load);
    }

    UndoHistory* stack = undoStack();
    {
        UndoMacroGuard macro(stack, tr("Add loads"));
        if (selection()->master())
            stack->push(new CommandClearAllSelection(selection()));
        stack->push(new CommandAppendObjects(structure(), loads));
        stack->push(new CommandSelect(selection(), loads, QMap<VaroObjectRef, int>()));
        subActionConsolidateDeselectedObjects();
    }
    selection()->markAsNew(loads);
}

void EditingActions::actionAddPointLoad(const LoadingRef& loading)
{
    DocumentWriteGuard guard(document());
    subActionAddLoads(selection()->lastSelectedPointLoad(), loading);
}

void EditingActions::actionAddTorqueLoad(const LoadingRef& loading)
{
    DocumentWriteGuard guard(document());
    subActionAddLoads(selection()->lastSelectedTorqueLoad(), loading);
}

void EditingActions::actionAddTrapezoidLoad(const LoadingRef& loading)
{
    DocumentWriteGuard guard(document());
    subActionAddLoads(selection()->lastSelectedTrapezoidLoad(), loading);
}

void EditingActions::actionDeleteSelectedLoads()
{
    DocumentWriteGuard guard(document());
    QList<VaroObjectRef> loads;
    for (const LoadRef& load : selection()->selectedLoads())
        loads.append(load);
    if (loads.isEmpty()) {
        warn(tr("No loads selected (any other items will not be deleted by this action)"));
        return;
    }

    // Nothing may stay that refers to a load being removed.
    const QSet<VaroObjectRef> removed(loads.begin(), loads.end());
    for (const VaroObjectRef& object : structure()->everything()) {
        if (removed.contains(object))
            continue;
        const QList<VaroObjectRef> referenced = object->references();
        if (std::any_of(referenced.begin(), referenced.end(),
                        [&removed](const VaroObjectRef& r) { return removed.contains(r); })) {
            warn(tr("Selection is incomplete"));
            return;
        }
    }

    UndoHistory* stack = undoStack();
    UndoMacroGuard macro(stack, tr("Delete selected loads"));
    stack->push(new CommandDeselect(selection(), loads));
    stack->push(new CommandRemoveObjects(structure(), loads));
}

void EditingActions::actionMoveSelectedLoadsToLoading(const LoadingRef& loading)
{
    DocumentWriteGuard guard(document());
    if (!isLibraryLoading(document(), loading)) {
        warn(tr("Current load-case is invalid"));
        return;
    }
    QMap<LoadRef, LoadCaseRef> moves;
    for (const LoadRef& load : selection()->selectedLoads()) {
        if (load->loadCase() != loading)
            moves.insert(load, loading);
    }
    if (moves.isEmpty()) {
        warn(tr("Nothing to move"));
        return;
    }
    UndoHistory* stack = undoStack();
    UndoMacroGuard macro(stack, tr("Move loads to load-case"));
    stack->push(new CommandMoveLoadsToLoadCases(structure(), moves));
}
