#pragma once

#include "AnalysisDisposal.h"

#include <QUndoCommand>

// A command of a document's undo history. A step that changed every member
// holds maps as large as the model; once its history lets go of it, what it
// holds goes a piece at a time between the GUI thread's events
// (UndoHistory), never all of it in one step.
class HistoryCommand : public QUndoCommand
{
public:
    using QUndoCommand::QUndoCommand;

    // Removes up to *budget of the elements it holds, counting them off the
    // budget; true once it holds none. Called only on a command that its
    // history has let go of.
    virtual bool releaseSome(int* budget) = 0;
};

// A value of a library entry: a map goes a piece at a time, any other
// value with its command.
template <class T>
bool releaseHeldValue(T&, int*)
{
    return true;
}

template <class K, class V>
bool releaseHeldValue(QMap<K, V>& map, int* budget)
{
    return releaseHeld(map, budget);
}
