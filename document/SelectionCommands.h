#pragma once

#include "SelectionModel.h"

#include <QUndoCommand>

// The undoable changes of the selection. Each undo returns the selection to
// exactly its former order, so that the master stays what it was.

class CommandSelect : public QUndoCommand
{
public:
    CommandSelect(const QSharedPointer<SelectionModel>& selection, const QList<VaroObjectRef>& objects,
                  const QMap<VaroObjectRef, int>& copyCounts);
    void redo() override;
    void undo() override;

private:
    const QSharedPointer<SelectionModel> selection;
    const QList<VaroObjectRef> objects;
    const QMap<VaroObjectRef, int> copyCounts;
};

// The undo puts each object back at the place in the selection it left.
class CommandDeselect : public QUndoCommand
{
public:
    CommandDeselect(const QSharedPointer<SelectionModel>& selection, const QList<VaroObjectRef>& objects);
    void redo() override;
    void undo() override;

private:
    const QSharedPointer<SelectionModel> selection;
    const QList<VaroObjectRef> objects;
    // Where each deselected object stood, and its copy count.
    QMap<int, VaroObjectRef> objectsByIndex;
    QMap<VaroObjectRef, int> copyCounts;
};

class CommandClearAllSelection : public QUndoCommand
{
public:
    explicit CommandClearAllSelection(const QSharedPointer<SelectionModel>& selection);
    void redo() override;
    void undo() override;

private:
    const QSharedPointer<SelectionModel> selection;
    QList<VaroObjectRef> savedSelection;
    QMap<VaroObjectRef, int> savedCopyCounts;
};

// Toggling again with the index the toggle returned restores the list.
class CommandToggleSelectObject : public QUndoCommand
{
public:
    CommandToggleSelectObject(const QSharedPointer<SelectionModel>& selection, const VaroObjectRef& object,
                              int index);
    void redo() override;
    void undo() override;

private:
    const QSharedPointer<SelectionModel> selection;
    const VaroObjectRef object;
    int index;
};

class CommandMoveSelectedIndex : public QUndoCommand
{
public:
    CommandMoveSelectedIndex(const QSharedPointer<SelectionModel>& selection, const VaroObjectRef& object,
                             int index);
    void redo() override;
    void undo() override;

private:
    const QSharedPointer<SelectionModel> selection;
    const VaroObjectRef object;
    const int newIndex;
    int oldIndex = -1;
};

class CommandSwapSelectedIndices : public QUndoCommand
{
public:
    CommandSwapSelectedIndices(const QSharedPointer<SelectionModel>& selection, const VaroObjectRef& a,
                               const VaroObjectRef& b);
    void redo() override;
    void undo() override;

private:
    const QSharedPointer<SelectionModel> selection;
    const VaroObjectRef a;
    const VaroObjectRef b;
};
