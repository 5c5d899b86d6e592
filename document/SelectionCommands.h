#pragma once

#include "HistoryCommand.h"
#include "SelectionModel.h"

// The undoable changes of the selection. Each undo returns the selection to
// exactly its former order, so that the master stays what it was.

class CommandSelect : public HistoryCommand
{
public:
    CommandSelect(const QSharedPointer<SelectionModel>& selection, const QList<VaroObjectRef>& objects,
                  const QMap<VaroObjectRef, int>& copyCounts);
    void redo() override;
    void undo() override;
    bool releaseSome(int* budget) override { return releaseSomeOf(budget, objects, copyCounts); }

private:
    const QSharedPointer<SelectionModel> selection;
    QList<VaroObjectRef> objects;
    QMap<VaroObjectRef, int> copyCounts;
};

// The undo puts each object back at the place in the selection it left.
class CommandDeselect : public HistoryCommand
{
public:
    CommandDeselect(const QSharedPointer<SelectionModel>& selection, const QList<VaroObjectRef>& objects);
    void redo() override;
    void undo() override;
    bool releaseSome(int* budget) override { return releaseSomeOf(budget, objects, objectsByIndex, copyCounts); }

private:
    const QSharedPointer<SelectionModel> selection;
    QList<VaroObjectRef> objects;
    // Where each deselected object stood, and its copy count.
    QMap<int, VaroObjectRef> objectsByIndex;
    QMap<VaroObjectRef, int> copyCounts;
};

class CommandClearAllSelection : public HistoryCommand
{
public:
    explicit CommandClearAllSelection(const QSharedPointer<SelectionModel>& selection);
    void redo() override;
    void undo() override;
    bool releaseSome(int* budget) override { return releaseSomeOf(budget, savedSelection, savedCopyCounts); }

private:
    const QSharedPointer<SelectionModel> selection;
    QList<VaroObjectRef> savedSelection;
    QMap<VaroObjectRef, int> savedCopyCounts;
};

// Toggling again with the index the toggle returned restores the list; an
// object the toggle deselected also gets its copy count back.
class CommandToggleSelectObject : public HistoryCommand
{
public:
    CommandToggleSelectObject(const QSharedPointer<SelectionModel>& selection, const VaroObjectRef& object, int index);
    void redo() override;
    void undo() override;
    // Holds single objects only.
    bool releaseSome(int*) override { return true; }

private:
    void toggle();

    const QSharedPointer<SelectionModel> selection;
    const VaroObjectRef object;
    int index;
    int copyCount = 1;
};

class CommandMoveSelectedIndex : public HistoryCommand
{
public:
    CommandMoveSelectedIndex(const QSharedPointer<SelectionModel>& selection, const VaroObjectRef& object, int index);
    void redo() override;
    void undo() override;
    // Holds single objects only.
    bool releaseSome(int*) override { return true; }

private:
    const QSharedPointer<SelectionModel> selection;
    const VaroObjectRef object;
    const int newIndex;
    int oldIndex = -1;
};

class CommandSwapSelectedIndices : public HistoryCommand
{
public:
    CommandSwapSelectedIndices(const QSharedPointer<SelectionModel>& selection, const VaroObjectRef& a,
                               const VaroObjectRef& b);
    void redo() override;
    void undo() override;
    // Holds single objects only.
    bool releaseSome(int*) override { return true; }

private:
    const QSharedPointer<SelectionModel> selection;
    const VaroObjectRef a;
    const VaroObjectRef b;
};
