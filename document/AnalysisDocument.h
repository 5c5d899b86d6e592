#pragma once

#include "ModelRefs.h"

#include <QList>

#include <functional>

// What the analysis thread reads of a document. DocumentModel implements it;
// the analysis takes it so that it can also run on a model built for a test
// or a benchmark.
class AnalysisDocument
{
public:
    virtual ~AnalysisDocument() = default;

    // Writers waiting for or holding the document's write lock; no phase
    // starts while it is non-zero.
    virtual int busyCount() const = 0;

    // Staleness sums (wrapping 32-bit): topology = topologyCounter +
    // groupStamp; stiffness = stiffnessCounter + stiffnessStamp + groupStamp;
    // loading = loadingCounter + loadCaseStamp + groupStamp.
    virtual int topologySum() const = 0;
    virtual int stiffnessSum() const = 0;
    virtual int loadingSum() const = 0;

    // Calls read with the structure's member list while holding the
    // document's read lock and the structure's, so that nothing of the model
    // read inside it (members, nodes, loads and what they refer to) is
    // written meanwhile. read must not call the other queries.
    virtual void readMembers(const std::function<void(const QList<MemberRef>&)>& read) const = 0;

    // The model's load cases (loadings, gravity, sway, combinations), under
    // the document's read lock.
    virtual QList<LoadCaseRef> loadCases() const = 0;
    // The same into the list, asking carryOn every so often: a million
    // cases are gathered with stops on the way. False once it answers
    // false, the list then incomplete.
    virtual bool gatherLoadCases(QList<LoadCaseRef>* loadCases, const std::function<bool()>& /*carryOn*/) const
    {
        *loadCases = this->loadCases();
        return true;
    }
    // The loads acting in each of the given load cases, in their order, each
    // case expanded once however many others name it (expandLoadCases),
    // under the document's read lock. carryOn is asked every so often; when
    // it answers false, or the expansion cannot go on for a change of the
    // model, the result is false and the lists are incomplete.
    virtual bool loadsInLoadCases(const QList<LoadCaseRef>& loadCases, QList<QList<LoadRef>>* loads,
                                  const std::function<bool()>& carryOn) const = 0;
};
