#pragma once

// Waits on an analysis, whose thread changes its state and status while a
// test looks: each look reads them once, together.

#include "AnalysisModel.h"

#include <QLatin1String>

// Results published, or the analysis stopped at a fault or ended. Once it
// holds it stays so while the document stands still, so a QTRY_ macro's
// looks after the first agree with it.
inline bool hasSettled(const AnalysisModel& analysis)
{
    const AnalysisModel::Published now = analysis.published();
    return now.state == AnalysisLink::ResultsAvailable
           || (!now.status.isEmpty() && now.status != QLatin1String("Analysis in progress")
               && now.status != QLatin1String("Not analysed"));
}
