#pragma once

#include "ModelRefs.h"
#include "Vectors.h"

#include <QMap>
#include <QSharedPointer>

#include <functional>

class AnalysisResultCase;

// The published results of one analysis pass; nothing changes it once
// published. A scale of −1 has not been computed; a computed one is 0 or the
// reciprocal of the largest value of its kind over every result case.
class AnalysisOutput
{
public:
    static Vector6 filled(double value)
    {
        Vector6 v;
        for (int k = 0; k < 6; ++k)
            v[k] = value;
        return v;
    }

    QMap<LoadCaseRef, QSharedPointer<AnalysisResultCase>> resultCases;
    Vector6 memberForceScales = filled(-1.0);
    Vector6 globalDisplacementScales = filled(-1.0);
    Vector3 localDeflectionScales = Vector3(-1.0, -1.0, -1.0);
    Vector6 reactionScales = filled(-1.0);
    double stressScale = -1.0;

    // Over every node and member of every case; false, setting nothing,
    // when carryOn answers false on the way.
    bool calculateAndSetResultScales(const std::function<bool()>& carryOn = {});
};
