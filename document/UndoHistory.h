#pragma once

#include "AnalysisDisposal.h"

#include <QList>
#include <QUndoStack>

#include <memory>
#include <vector>

class VaroObject;

// A document's undo stack. Whatever steps it lets go of, the oldest one past
// its limit, the undone ones that a new step replaces, all of them as it is
// cleared or destroyed, go a piece at a time between the GUI thread's
// events: each macro's commands one by one, and each command's maps and
// lists an element at a time (HistoryCommand), so that no step of the GUI
// thread grows with the model or with the history.
//
// Its push, macro and clear hide those of QUndoStack, which would free the
// steps they drop at once: the program reaches the document's stacks only
// through this class.
class UndoHistory : public QUndoStack, public AnalysisDisposal::Holder
{
    Q_OBJECT

public:
    using QUndoStack::QUndoStack;
    ~UndoHistory() override;

    void push(QUndoCommand* command);
    void beginMacro(const QString& text);
    void endMacro();
    void clear();

    // Takes every step out, leaving the stack empty without a signal.
    QList<QUndoCommand*> takeAll();

    // Commands let go of, freed a piece at a time: each command's children
    // before itself, and its elements before the command.
    class Pieces
    {
    public:
        Pieces() = default;
        ~Pieces();
        Q_DISABLE_COPY(Pieces)

        void add(const QList<QUndoCommand*>& commands);
        // Frees up to *budget pieces, counting them off the budget; true
        // once none is left.
        bool releaseSome(int* budget);
        bool isEmpty() const { return pending.empty(); }

    private:
        // Depth first: the last is worked on.
        std::vector<QUndoCommand*> pending;
    };

    // Frees the commands between the GUI thread's events, at most
    // AnalysisDisposal::objectsPerSlice pieces, model objects included, a
    // slice.
    static void letGoOf(const QList<QUndoCommand*>& commands);

    // For whoever takes a closed document apart: takes every step out, and
    // frees them a piece at a time.
    bool releaseSome(int* budget) override;

private:
    // The undone steps that a new step replaces.
    void letGoOfUndone();
    // The oldest steps past the limit.
    void letGoOfOldest();
    bool isInMacro() const;

    Pieces closing;
};
