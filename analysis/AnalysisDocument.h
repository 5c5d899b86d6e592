#pragma once

#include "ModelRefs.h"

#include <QList>

#include <functional>

// What the analysis thread needs of a document. The document does not know
// the analysis; an adapter on the document's side implements this and hands
// it to AnalysisModel.
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
    virtual quint32 topologySum() const = 0;
    virtual quint32 stiffnessSum() const = 0;
    virtual quint32 loadingSum() const = 0;

    // Calls read with the structure's member list while holding the
    // structure's read lock, so that member fields read inside it are not
    // written meanwhile.
    virtual void readMembers(const std::function<void(const QList<MemberRef>&)>& read) const = 0;

    // The model's load cases (loadings, gravity, sway, combinations) and the
    // loads acting in one of them, each under the document's read lock.
    virtual QList<LoadCaseRef> loadCases() const = 0;
    virtual QList<LoadRef> loadsInLoadCase(const LoadCaseRef& loadCase) const = 0;
};
