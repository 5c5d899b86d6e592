#pragma once

#include "Vectors.h"

#include <QSharedPointer>

class AnalysisSourceMember;

// A distributed force varying linearly from start to end over part of a
// member, in member axes (force per length), acting on the member taken as a
// prismatic beam fixed at both ends. The member's constants come in as
// arguments as for AnalysisPointLoad.
class AnalysisTrapezoidLoad
{
public:
    QSharedPointer<AnalysisSourceMember> member;
    double start = 0.0; // fractions t1 < t2 of L from end 1
    double end = 1.0;
    Vector3 startIntensity;
    Vector3 endIntensity;

    // Axial intensities whose magnitudes sum below this (N/m) carry no axial
    // end loads.
    static constexpr double axialThreshold = 1.0;

    // Equivalent end loads in the sense of the load; overwrites both vectors.
    void localEndForces(double L, Vector6* end1, Vector6* end2) const;

    // Adds the deflection at fraction t to the y and z components of d.
    void accumulateDeflectionAtPoint(double L, double E, double Iz, double Iy, double t, Vector3* d) const;

    // Adds the internal forces at fraction t; torsion is left alone.
    void accumulateForceAtPoint(double L, double t, Vector6* f) const;
};
