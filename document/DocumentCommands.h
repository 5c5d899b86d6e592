#pragma once

#include "ModelRefs.h"
#include "ViewPointMemory.h"

#include <QUndoCommand>

// Undoable changes of the document's titles and stored views, written
// directly under the document's write lock held by the action.

class CommandSetTitles : public QUndoCommand
{
public:
    // Copies the edited titles into the document's own.
    CommandSetTitles(const TitlesRef& titles, const TitlesRef& edited);
    void redo() override;
    void undo() override;

private:
    const TitlesRef target;
    const TitlesRef source;
    TitlesRef saved;
};

// A null view point empties the slot.
class CommandSetViewPointMemory : public QUndoCommand
{
public:
    CommandSetViewPointMemory(const QSharedPointer<ViewPointMemory>& memory, int slot, const ViewPointRef& viewPoint);
    void redo() override;
    void undo() override;

private:
    const QSharedPointer<ViewPointMemory> memory;
    const int slot;
    const ViewPointRef newViewPoint;
    ViewPointRef oldViewPoint;
};
