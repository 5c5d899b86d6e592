#pragma once

#include "ModelRefs.h"
#include "Vectors.h"

#include <QList>
#include <QMultiMap>
#include <QSharedPointer>

class AnalysisNPLoad;
class AnalysisSourceMember;
class AnalysisTrapezoidLoad;

// A point or torque load of one pass in global axes, load factor applied:
// force (Fx, Fy, Fz, Mx, My, Mz).
class AnalysisSourcePointLoad
{
public:
    QSharedPointer<AnalysisSourceMember> member;
    double position = 0.0;
    Vector6 force = Vector6::zeroed();
    QSharedPointer<AnalysisNPLoad> analysisLoad;
    LoadRef load;
    LoadCaseRef loadCase;
};

// A trapezoid load of one pass: intensities (N/m) in global axes at its two
// positions, load factor applied.
class AnalysisSourceTrapezoidLoad
{
public:
    QSharedPointer<AnalysisSourceMember> member;
    double positionA = 0.0;
    double positionB = 1.0;
    Vector3 forceA;
    Vector3 forceB;
    QSharedPointer<AnalysisTrapezoidLoad> analysisLoad;
    LoadRef load;
    LoadCaseRef loadCase;
};

// The loads of one load case, also per document member: point loads inside
// the span and every trapezoid load.
class AnalysisLoadCase
{
public:
    QList<QSharedPointer<AnalysisSourcePointLoad>> pointLoads;
    QList<QSharedPointer<AnalysisSourceTrapezoidLoad>> trapezoidLoads;
    QMultiMap<MemberRef, QSharedPointer<AnalysisSourcePointLoad>> memberPointLoads;
    QMultiMap<MemberRef, QSharedPointer<AnalysisSourceTrapezoidLoad>> memberTrapezoidLoads;
    LoadCaseRef loadCase;
    bool secondOrder = false;

    // A combination marked second order: solved, but given no results.
    bool isSecondOrder() const { return secondOrder; }
};
