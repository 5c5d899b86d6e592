#pragma once

#include "AnalysisDisposal.h"
#include "ModelRefs.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QObject>
#include <QReadWriteLock>
#include <QSet>

#include <memory>

// The document's ordered selection. The last object is the master: editing
// actions take it as the pattern of an edit, and the last object of a class
// is the master of that class. Objects are compared by identity.
//
// Every query takes the read lock, every change the write lock, and the
// change signals are emitted while the write lock is held: a slot connected
// directly to them must not call back into the selection.
class SelectionModel : public QObject, public AnalysisDisposal::Holder
{
    Q_OBJECT

public:
    explicit SelectionModel(QObject* parent = nullptr);
    ~SelectionModel() override;

    QList<VaroObjectRef> selection() const;
    // Null when the selection is empty.
    VaroObjectRef master() const;
    bool isObjectSelected(const VaroObjectRef& object) const;
    // Nodes and members in selection order.
    QList<VaroObjectRef> selectedGeometry() const;
    // The given objects that are (or are not) selected, each once, in no
    // particular order.
    QList<VaroObjectRef> selectedWithin(const QList<VaroObjectRef>& objects) const;
    QList<VaroObjectRef> unselectedWithin(const QList<VaroObjectRef>& objects) const;
    // Each given object keyed by its position in the given list.
    QMap<int, VaroObjectRef> objectsByIndex(const QList<VaroObjectRef>& objects) const;
    // The positions in the selection that deselectObjects(objects) would
    // empty, each with the object standing there. Selecting the objects again
    // at these positions, lowest first, restores the selection's exact order.
    QMap<int, VaroObjectRef> selectionIndicesOfObjects(const QList<VaroObjectRef>& objects) const;
    // 1 for an object without a stored count.
    QMap<VaroObjectRef, int> copyCountsOfObjects(const QList<VaroObjectRef>& objects) const;
    // Only the stored counts (2 or more).
    QMap<VaroObjectRef, int> copyCounts() const;
    QSet<VaroObjectRef> markedNew() const;
    // The selected loads of exactly the given load's kind (point, torque or
    // trapezoid), in selection order; empty for any other class.
    QList<LoadRef> selectedLoadsOfSameKind(const LoadRef& load) const;

    QList<NodeRef> selectedNodes() const;
    QList<MemberRef> selectedMembers() const;
    QList<LoadRef> selectedLoads() const;
    QList<QSharedPointer<PointLoad>> selectedPointLoads() const;
    QList<QSharedPointer<TorqueLoad>> selectedTorqueLoads() const;
    QList<QSharedPointer<TrapezoidLoad>> selectedTrapezoidLoads() const;
    NodeRef lastSelectedNode() const;
    MemberRef lastSelectedMember() const;
    LoadRef lastSelectedLoad() const;
    QSharedPointer<PointLoad> lastSelectedPointLoad() const;
    QSharedPointer<TorqueLoad> lastSelectedTorqueLoad() const;
    QSharedPointer<TrapezoidLoad> lastSelectedTrapezoidLoad() const;

    // Insertions do not test whether an object is selected already: callers
    // pass unselected objects, and one selected again stands twice.
    // A negative index appends. Counts below 2 are not stored.
    void selectObject(const VaroObjectRef& object, int copies, int index);
    void selectObjects(const QList<VaroObjectRef>& objects, const QMap<VaroObjectRef, int>& copies);
    // Removes the last occurrence of each listed object, walking the list from
    // its end, and records it in the deselection history. Signals also when
    // nothing was selected.
    void deselectObjects(const QList<VaroObjectRef>& objects);
    void deselectObject(const VaroObjectRef& object);
    // No signal when the selection is already empty. The marked-new set is
    // trimmed later by checkMarkedNew.
    void deselectAll();
    // Deselects a selected object and returns its former position, or inserts
    // an unselected one at the index (-1 appends) and returns the index.
    // Calling it again with its result restores the list.
    int toggleObject(const VaroObjectRef& object, int index);
    // Moves the object (or inserts an unselected one) to the index, a
    // negative index meaning the end; returns its former position or -1.
    int moveObjectToIndex(const VaroObjectRef& object, int index);
    // Nothing changes unless both are selected.
    void swapObjects(const VaroObjectRef& a, const VaroObjectRef& b);

    // For whoever takes a closed document apart, nothing else reading its
    // selection any more.
    bool releaseSome(int* budget) override;
    // Neither signals.
    void markAsNew(const QList<VaroObjectRef>& objects);
    QSet<VaroObjectRef> getAndClearDeselectionHistory();

public slots:
    // Drops from the marked-new set what is no longer selected; signals only
    // when something was dropped.
    void checkMarkedNew();

signals:
    void SelectionHasChanged();
    void SelectionWillChange();

private:
    template <class T>
    QList<QSharedPointer<T>> subOpSelectedOfClass() const;
    template <class T>
    QSharedPointer<T> subOpLastSelectedOfClass() const;
    template <class T>
    QList<LoadRef> subOpSelectedLoadsOfClass() const;
    int subOpLastIndexOf(const VaroObjectRef& object) const;
    void subOpRemoveAt(int index);

    // Takes the write lock and runs the change between the two signals.
    template <class F>
    auto change(F work);

    // Adds n to the object's count of places in the selection.
    void subOpCount(const VaroObjectRef& object, int n);

    QMap<VaroObjectRef, int> copyCountMap;
    QList<VaroObjectRef> deselectionHistory;
    QSet<VaroObjectRef> markedNewSet;
    std::unique_ptr<QReadWriteLock> lock;
    QList<VaroObjectRef> selectionList;
    // How often each object stands in the selection, so that a question about
    // one object costs the same however large the selection.
    QHash<const VaroObject*, int> placeCount;
    // Where taking the set and the hash apart has come to: erasing leaves
    // the others where they are, as neither rehashes as it erases.
    QSet<VaroObjectRef>::iterator nextMarked;
    QHash<const VaroObject*, int>::iterator nextPlace;
    bool releasing = false;
};
