#pragma once

#include "ModelRefs.h"

#include <QSharedPointer>
#include <QString>

class AnalysisOutput;

// What a document asks of its analysis: the published state, read under the
// analysis's own state lock, and a request to end. AnalysisModel implements
// it; the document holds it without knowing the analysis classes.
class AnalysisLink
{
public:
    enum OperatingState { NoResults, PartialResults, ResultsAvailable, OffLine };

    virtual ~AnalysisLink() = default;

    virtual OperatingState operatingState() const = 0;
    // Null while no results are published.
    virtual QSharedPointer<AnalysisOutput> output() const = 0;
    virtual QString statusMessage() const = 0;
    // Null when the status concerns no object.
    virtual VaroObjectRef statusObject() const = 0;
    // Asks the thread to end; does not wait.
    virtual void stop() = 0;
};
