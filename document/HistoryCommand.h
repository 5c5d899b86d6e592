#pragma once

#include "AnalysisDisposal.h"

#include <QList>
#include <QMap>
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

// A container another holder shares goes whole at no cost, as one piece:
// its elements go with their last holder, and removing them one by one
// here would copy them all first.
template <class Container>
bool releaseHeldContainer(Container& container, int* budget)
{
    if (container.isEmpty())
        return true;
    if (!container.isDetached()) {
        if (*budget <= 0)
            return false;
        container = Container();
        --*budget;
        return true;
    }
    return AnalysisDisposal::releaseSome(container, budget);
}

template <class T>
bool releaseHeld(QList<T>& list, int* budget)
{
    return releaseHeldContainer(list, budget);
}

template <class K, class V>
bool releaseHeld(QMap<K, V>& map, int* budget)
{
    return releaseHeldContainer(map, budget);
}

// Empties each in turn, up to *budget elements in all; true once all are empty.
template <class... Held>
bool releaseSomeOf(int* budget, Held&... held)
{
    return (releaseHeld(held, budget) && ...);
}

// A value of a library entry: a map or list goes a piece at a time, any
// other value with its command.
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
