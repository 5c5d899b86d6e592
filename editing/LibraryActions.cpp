// Library entries and titles: additions, removals and edits made through an
// edited copy, each one macro on the structure stack. Null entries are
// ignored, so a stray request can neither crash nor record a step.

#include "DocumentModel.h"
#include "EditingActions.h"
#include "LibraryCommands.h"
#include "DocumentCommands.h"

#include "Combination.h"
#include "GeometryGroup.h"
#include "GroupLibrary.h"
#include "Libraries.h"
#include "Loading.h"
#include "LoadCaseLibrary.h"
#include "Material.h"
#include "MaterialLibrary.h"
#include "Report.h"
#include "ReportModel.h"
#include "SwayCase.h"
#include "Titles.h"


namespace {

// An entry the library already holds is not added again: the undo of such an
// addition would remove the entry that was there before.
template <class Library, class Entry>
bool isInLibrary(const QSharedPointer<Library>& library, const Entry& entry)
{
    return library->findItemByValue(library->root(), entry) != nullptr;
}

// The factors of load cases that the library holds: a factor of one that has
// left the model would write it back into the file.
QMap<LoadCaseRef, double> factorsInModel(const QSharedPointer<LoadCaseLibrary>& library,
                                         const QMap<LoadCaseRef, double>& factors)
{
    QMap<LoadCaseRef, double> held;
    for (auto i = factors.cbegin(); i != factors.cend(); ++i)
        if (isInLibrary(library, i.key()))
            held.insert(i.key(), i.value());
    return held;
}

} // namespace

void EditingActions::actionAddGroup(const GroupRef& group)
{
    if (!group)
        return;
    DocumentWriteGuard guard(document());
    if (isInLibrary(document()->libraries()->groupLibrary(), group))
        return;
    UndoMacroGuard macro(undoStack(), tr("Add group"));
    push(new CommandAppendGroup(document()->libraries()->groupLibrary(), group));
}

void EditingActions::actionRemoveGroup(const GroupRef& group)
{
    if (!group)
        return;
    DocumentWriteGuard guard(document());
    if (document()->subOpIsGroupUsed(group))
        return;
    UndoMacroGuard macro(undoStack(), tr("Remove group"));
    push(new CommandRemoveGroup(document()->libraries()->groupLibrary(), group));
}

void EditingActions::actionAddLoadCase(const LoadCaseRef& loadCase)
{
    if (!loadCase)
        return;
    DocumentWriteGuard guard(document());
    if (isInLibrary(document()->libraries()->loadCaseLibrary(), loadCase))
        return;
    UndoMacroGuard macro(undoStack(), tr("Add loadcase"));
    push(new CommandAppendLoadCase(document()->libraries()->loadCaseLibrary(), loadCase));
}

void EditingActions::actionRemoveLoadCase(const LoadCaseRef& loadCase)
{
    if (!loadCase)
        return;
    DocumentWriteGuard guard(document());
    if (document()->subOpIsLoadCaseReferenced(loadCase))
        return;
    UndoMacroGuard macro(undoStack(), tr("Remove loadcase"));
    push(new CommandRemoveLoadCase(document()->libraries()->loadCaseLibrary(), loadCase));
}

void EditingActions::actionAddMaterial(const MaterialRef& material)
{
    if (!material)
        return;
    DocumentWriteGuard guard(document());
    if (isInLibrary(document()->libraries()->materialLibrary(), material))
        return;
    UndoMacroGuard macro(undoStack(), tr("Add material"));
    push(new CommandAppendMaterial(document()->libraries()->materialLibrary(), material));
}

void EditingActions::actionRemoveMaterial(const MaterialRef& material)
{
    if (!material)
        return;
    DocumentWriteGuard guard(document());
    UndoMacroGuard macro(undoStack(), tr("Remove material"));
    push(new CommandRemoveMaterial(document()->libraries()->materialLibrary(), material));
}

void EditingActions::actionApplyGeometryGroup(GeometryGroupRef& group, const GeometryGroupRef& copy)
{
    if (!group || !copy || group == copy)
        return;
    DocumentWriteGuard guard(document());
    UndoHistory* stack = undoStack();
    const QSharedPointer<GroupLibrary> library = document()->libraries()->groupLibrary();
    UndoMacroGuard macro(stack, tr("Apply group"));
    stack->push(new CommandRenameGroup(library, group, copy->name()));
    stack->push(new CommandSetGeometryGroupAnalysisPurpose(library, group, copy->hasAnalysisPurpose()));
    stack->push(new CommandSetGeometryGroupColour(library, group, copy->colour()));
}

void EditingActions::actionApplyLoading(LoadingRef& loading, const LoadingRef& copy)
{
    if (!loading || !copy || loading == copy)
        return;
    DocumentWriteGuard guard(document());
    UndoHistory* stack = undoStack();
    const QSharedPointer<LoadCaseLibrary> library = document()->libraries()->loadCaseLibrary();
    UndoMacroGuard macro(stack, tr("Apply loading"));
    stack->push(new CommandRenameLoadCase(library, loading, copy->name()));
    stack->push(new CommandSetLoadCaseColour(library, loading, copy->colour()));
}

void EditingActions::actionApplySwayCase(SwayCaseRef& swayCase, const SwayCaseRef& copy)
{
    if (!swayCase || !copy || swayCase == copy)
        return;
    DocumentWriteGuard guard(document());
    UndoHistory* stack = undoStack();
    const QSharedPointer<LoadCaseLibrary> library = document()->libraries()->loadCaseLibrary();
    UndoMacroGuard macro(stack, tr("Apply swaycase"));
    stack->push(new CommandRenameLoadCase(library, swayCase, copy->name()));
    stack->push(new CommandSetSuperLoadCaseFactors(library, swayCase, factorsInModel(library, copy->factors())));
    stack->push(new CommandSetSwayCaseComponents(library, swayCase, copy->takeComponent(), copy->applyComponent()));
}

void EditingActions::actionApplyCombination(CombinationRef& combination, const CombinationRef& copy)
{
    if (!combination || !copy || combination == copy)
        return;
    DocumentWriteGuard guard(document());
    UndoHistory* stack = undoStack();
    const QSharedPointer<LoadCaseLibrary> library = document()->libraries()->loadCaseLibrary();
    UndoMacroGuard macro(stack, tr("Apply combination"));
    stack->push(new CommandRenameLoadCase(library, combination, copy->name()));
    // The editor page offers no second-order choice: the flag stays as it is.
    stack->push(new CommandSetCombinationSecondOrder(library, combination, combination->isSecondOrder()));
    stack->push(new CommandSetSuperLoadCaseFactors(library, combination, factorsInModel(library, copy->factors())));
}

void EditingActions::actionApplyMaterial(MaterialRef& material, const MaterialRef& copy)
{
    if (!material || !copy || material == copy)
        return;
    DocumentWriteGuard guard(document());
    UndoHistory* stack = undoStack();
    const QSharedPointer<MaterialLibrary> library = document()->libraries()->materialLibrary();
    UndoMacroGuard macro(stack, tr("Apply material"));
    stack->push(new CommandRenameMaterial(library, material, copy->names()));
    stack->push(new CommandSetMaterialProperties(library, material, *copy));
}

void EditingActions::actionApplyTitles(TitlesRef& titles, const TitlesRef& copy)
{
    if (!titles || !copy || titles == copy)
        return;
    DocumentWriteGuard guard(document());
    UndoMacroGuard macro(undoStack(), tr("Set titles"));
    push(new CommandSetTitles(titles, copy));
}

void EditingActions::actionSetGeometryGroupAnalysisPurpose(const GeometryGroupRef& group, bool analysis)
{
    if (!group)
        return;
    DocumentWriteGuard guard(document());
    UndoMacroGuard macro(undoStack(), tr("Set group purpose"));
    push(new CommandSetGeometryGroupAnalysisPurpose(document()->libraries()->groupLibrary(), group, analysis));
}

void EditingActions::actionSetGeometryGroupColour(const GeometryGroupRef& group, const QColor& colour)
{
    if (!group)
        return;
    DocumentWriteGuard guard(document());
    UndoMacroGuard macro(undoStack(), tr("Set group colour"));
    push(new CommandSetGeometryGroupColour(document()->libraries()->groupLibrary(), group, colour));
}

void EditingActions::actionSetMaterialProperties(const MaterialRef& material, const Material& values)
{
    if (!material)
        return;
    DocumentWriteGuard guard(document());
    UndoMacroGuard macro(undoStack(), tr("Set material properties"));
    push(new CommandSetMaterialProperties(document()->libraries()->materialLibrary(), material, values));
}
