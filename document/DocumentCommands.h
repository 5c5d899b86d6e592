#pragma once

#include "HistoryCommand.h"
#include "ModelRefs.h"
#include "ViewPointMemory.h"

// Undoable changes of the document's titles and stored views, written
// directly under the document's write lock held by the action.

class CommandSetTitles : public HistoryCommand
{
public:
    // Copies the edited titles into the document's own.
    CommandSetTitles(const TitlesRef& titles, const TitlesRef& edited);
    void redo() override;
    void undo() override;
    bool releaseSome(int*) override { return true; }

private:
    const TitlesRef target;
    const TitlesRef source;
    TitlesRef saved;
};

// A null view point empties the slot.
class CommandSetViewPointMemory : public HistoryCommand
{
public:
    CommandSetViewPointMemory(const QSharedPointer<ViewPointMemory>& memory, int slot, const ViewPointRef& viewPoint);
    void redo() override;
    void undo() override;
    bool releaseSome(int*) override { return true; }

private:
    const QSharedPointer<ViewPointMemory> memory;
    const int slot;
    const ViewPointRef newViewPoint;
    ViewPointRef oldViewPoint;
};
