// Report edits on the report stack, stored view points and the history of
// the structure stack. Report edits are never undone by actionUndo: their
// stack only tells whether the document has unsaved changes.

#include "DocumentModel.h"
#include "EditingActions.h"
#include "ReportCommands.h"
#include "DocumentCommands.h"

#include "ReportModel.h"
#include "ViewPointMemory.h"


void EditingActions::actionAddReport()
{
    DocumentWriteGuard guard(document());
    document()->reportUndoStack()->push(new CommandAppendReports(document()->reportModel(), QList<ReportRef>{VaroObject::make<Report>()}));
}

void EditingActions::actionDeleteReport(const ReportRef& report)
{
    DocumentWriteGuard guard(document());
    document()->reportUndoStack()->push(new CommandRemoveReports(document()->reportModel(), QList<ReportRef>{report}));
}

void EditingActions::actionInsertItemIntoReport(const ReportRef& report, const Report::ReportBlockRef& block,
                                               const Report::ReportItemRef& item, const Report::ReportItemRef& before)
{
    DocumentWriteGuard guard(document());
    document()->reportUndoStack()->push(new CommandInsertItemIntoReport(document()->reportModel(), report, block, item, before));
}

void EditingActions::actionInsertItemIntoReport(const ReportRef& report, const Report::ReportBlockRef& block,
                                               const Report::ReportItemRef& item)
{
    actionInsertItemIntoReport(report, block, item, Report::ReportItemRef());
}

void EditingActions::actionRemoveItemFromReport(const ReportRef& report, const Report::ReportBlockRef& block,
                                               const Report::ReportItemRef& item)
{
    DocumentWriteGuard guard(document());
    document()->reportUndoStack()->push(new CommandRemoveItemFromReport(document()->reportModel(), report, block, item));
}

void EditingActions::actionInsertLoadCaseIntoReport(const ReportRef& report, const Report::ReportBlockRef& block,
                                                   const LoadCaseRef& loadCase, const LoadCaseRef& before)
{
    DocumentWriteGuard guard(document());
    document()->reportUndoStack()->push(new CommandInsertLoadCaseIntoReport(document()->reportModel(), report, block, loadCase, before));
}

void EditingActions::actionInsertLoadCaseIntoReport(const ReportRef& report, const Report::ReportBlockRef& block,
                                                   const LoadCaseRef& loadCase)
{
    actionInsertLoadCaseIntoReport(report, block, loadCase, LoadCaseRef());
}

void EditingActions::actionRemoveLoadCaseFromReport(const ReportRef& report, const Report::ReportBlockRef& block,
                                                   const LoadCaseRef& loadCase)
{
    DocumentWriteGuard guard(document());
    document()->reportUndoStack()->push(new CommandRemoveLoadCaseFromReport(document()->reportModel(), report, block, loadCase));
}

void EditingActions::actionSetViewPointMemory(int slot, const ViewPointRef& viewPoint)
{
    DocumentWriteGuard guard(document());
    UndoMacroGuard macro(undoStack(), tr("Set viewpoint memory"));
    push(new CommandSetViewPointMemory(document()->viewPointMemory(), slot, viewPoint));
}

void EditingActions::actionUndo()
{
    DocumentWriteGuard guard(document());
    undoStack()->undo();
}

void EditingActions::actionRedo()
{
    DocumentWriteGuard guard(document());
    undoStack()->redo();
}
