#pragma once

#include "AnalysisDisposal.h"
#include "AnalysisDocument.h"
#include "TrackedReadWriteLock.h"

#include <QAtomicInt>
#include <QSharedPointer>

class Libraries;
class StructureModel;

// What a document's analysis reads of it: the libraries and the structure,
// the lock that guards them, the pending writers and the stamps of the
// libraries. The document holds it and shares it with its analysis, so that
// an analysis still ending after its document has gone reads nothing freed.
class DocumentCore : public AnalysisDocument
{
public:
    DocumentCore(const QSharedPointer<Libraries>& libraries, const QSharedPointer<StructureModel>& structure);
    Q_DISABLE_COPY(DocumentCore)

    TrackedReadWriteLock* lock() const { return &documentLock; }

    int busyCount() const override { return busy.loadAcquire(); }
    void raiseBusyCount() { busy.ref(); }
    void lowerBusyCount() { busy.deref(); }

    int groupStamp() const { return groupStampValue.loadAcquire(); }
    int loadCaseStamp() const { return loadCaseStampValue.loadAcquire(); }
    int stiffnessStamp() const { return stiffnessStampValue.loadAcquire(); }
    void stampGroups() { groupStampValue.ref(); }
    void stampLoadCases() { loadCaseStampValue.ref(); }
    void stampStiffness() { stiffnessStampValue.ref(); }

    int topologySum() const override;
    int stiffnessSum() const override;
    int loadingSum() const override;
    void readMembers(const std::function<void(const QList<MemberRef>&)>& read) const override;

    QList<LoadCaseRef> loadCases() const override;
    QList<LoadCaseRef> subOpLoadCases() const;
    bool gatherLoadCases(QList<LoadCaseRef>* loadCases, const std::function<bool()>& carryOn) const override;
    // Under the read lock, which it gives up while a writer waits, going on
    // afterwards only while none of the three sums has moved.
    bool loadsInLoadCases(const QList<LoadCaseRef>& loadCases, QList<QList<LoadRef>>* loads,
                          const std::function<bool()>& carryOn) const override;

    // Takes a closed document apart, its analysis having returned: each call
    // destroys up to objectsPerCall of its objects, or lets go of as many
    // references, in the GUI thread; true once none is left. First go the
    // other holders of its objects, the last given first, each that can a
    // piece at a time (the undo histories command by command and element by
    // element, the selection element by element), then the structure's
    // loads, members and nodes, then the
    // libraries' entries, each entry's subentries one by one before it. An
    // object that others still hold stays theirs.
    static AnalysisDisposal::Release takingApart(QSharedPointer<DocumentCore> core,
                                                 QList<QSharedPointer<QObject>> holders, int objectsPerCall);

private:
    bool subOpGatherLoadCases(QList<LoadCaseRef>* loadCases, const std::function<bool()>& carryOn) const;

    const QSharedPointer<Libraries> libraries;
    const QSharedPointer<StructureModel> structure;
    mutable TrackedReadWriteLock documentLock;
    // Born busy: 1 until whoever fills the document lowers it.
    QAtomicInt busy{1};
    QAtomicInt groupStampValue{0};
    QAtomicInt loadCaseStampValue{0};
    QAtomicInt stiffnessStampValue{0};
};
