#pragma once

#include "TreeLibrary.h"

#include "LoadCase.h"

// The load cases: root subnodes 0 loadings, 1 automatic (gravity) cases,
// 2 sway cases, 3 combinations. No built-ins. The analysis thread reads the
// lists while the GUI thread edits them.
class LoadCaseLibrary : public TreeLibrary<LoadCaseRef>
{
public:
    LoadCaseLibrary();

    // Each in tree order, taken under the read lock.
    QList<LoadCaseRef> loadings() const;
    QList<LoadCaseRef> autoCases() const;
    QList<LoadCaseRef> swayCases() const;
    QList<LoadCaseRef> combinations() const;
    // Appends the four lists in that order, asking the checks at each entry;
    // false once they answer that the caller has stopped.
    bool gatherAll(QList<LoadCaseRef>* loadCases, StopChecks* checks) const;

    // A new item at the end of the branch of the load case's class; null for
    // another class or a load case already held.
    ItemRef append(const QSharedPointer<LoadCase>& loadCase);
    // Each in turn as append() does, announced once.
    void appendAll(const QList<LoadCaseRef>& loadCases);
    bool remove(const LoadCaseRef& loadCase);

    // "Loading %1", "Sway %1", "Combination %1" with the first number free
    // among the names of that branch.
    QString uniqueLoadingName() const;
    QString uniqueSwayCaseName() const;
    QString uniqueCombinationName() const;

private:
    enum Branch { Loadings, AutoCases, SwayCases, Combinations, BranchCount };

    // BranchCount for a class that has no branch.
    static Branch branchOf(const LoadCaseRef& loadCase);

    const QVector<ItemRef> branches;
};
