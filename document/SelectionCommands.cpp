#include "SelectionCommands.h"

CommandSelect::CommandSelect(const QSharedPointer<SelectionModel>& selection, const QList<VaroObjectRef>& objects,
                             const QMap<VaroObjectRef, int>& copyCounts)
    : selection(selection), objects(objects), copyCounts(copyCounts)
{
}

void CommandSelect::redo()
{
    selection->selectObjects(objects, copyCounts);
}

void CommandSelect::undo()
{
    selection->deselectObjects(objects);
}

CommandDeselect::CommandDeselect(const QSharedPointer<SelectionModel>& selection,
                                 const QList<VaroObjectRef>& objects)
    : selection(selection), objects(objects)
{
}

// Taken at every redo rather than when the command is made, so that commands
// made together and pushed one after the other each see their own selection.
void CommandDeselect::redo()
{
    objectsByIndex = selection->selectionIndicesOfObjects(objects);
    copyCounts = selection->copyCountsOfObjects(objects);
    selection->deselectObjects(objects);
}

void CommandDeselect::undo()
{
    // Lowest place first: each object then lands where it stood.
    for (auto i = objectsByIndex.cbegin(); i != objectsByIndex.cend(); ++i)
        selection->selectObject(i.value(), copyCounts.value(i.value(), 0), i.key());
}

CommandClearAllSelection::CommandClearAllSelection(const QSharedPointer<SelectionModel>& selection)
    : selection(selection)
{
}

void CommandClearAllSelection::redo()
{
    savedSelection = selection->selection();
    savedCopyCounts = selection->copyCounts();
    selection->deselectAll();
}

void CommandClearAllSelection::undo()
{
    selection->selectObjects(savedSelection, savedCopyCounts);
    savedSelection.clear();
}

CommandToggleSelectObject::CommandToggleSelectObject(const QSharedPointer<SelectionModel>& selection,
                                                     const VaroObjectRef& object, int index)
    : selection(selection), object(object), index(index)
{
}

void CommandToggleSelectObject::redo()
{
    index = selection->toggleObject(object, index);
}

void CommandToggleSelectObject::undo()
{
    index = selection->toggleObject(object, index);
}

CommandMoveSelectedIndex::CommandMoveSelectedIndex(const QSharedPointer<SelectionModel>& selection,
                                                   const VaroObjectRef& object, int index)
    : selection(selection), object(object), newIndex(index)
{
}

void CommandMoveSelectedIndex::redo()
{
    oldIndex = selection->moveObjectToIndex(object, newIndex);
}

void CommandMoveSelectedIndex::undo()
{
    selection->moveObjectToIndex(object, oldIndex);
}

CommandSwapSelectedIndices::CommandSwapSelectedIndices(const QSharedPointer<SelectionModel>& selection,
                                                       const VaroObjectRef& a, const VaroObjectRef& b)
    : selection(selection), a(a), b(b)
{
}

void CommandSwapSelectedIndices::redo()
{
    selection->swapObjects(a, b);
}

void CommandSwapSelectedIndices::undo()
{
    selection->swapObjects(a, b);
}
