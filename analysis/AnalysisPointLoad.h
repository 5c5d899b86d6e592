#pragma once

#include "Vectors.h"

#include <QSharedPointer>

class AnalysisNode;
class AnalysisSourceMember;

// A load of the numbered input that a source point load became: a node load
// when it stands at a member end, a member point load otherwise.
class AnalysisNPLoad
{
public:
    virtual ~AnalysisNPLoad() = default;
    virtual bool isOnNode() const = 0;
    bool isOnMember() const { return !isOnNode(); }
};

// A force and couple at an analysis node, in global axes.
class AnalysisNodeLoad : public AnalysisNPLoad
{
public:
    QSharedPointer<AnalysisNode> node;
    Vector6 force = Vector6::zeroed();

    bool isOnNode() const override { return true; }
};

// A force and a couple at one position along a member, in member axes, acting
// on the member taken as a prismatic beam fixed at both ends (releases are
// carried by the member's stubs, not here). The member's constants come in as
// arguments: L its length, E its Young's modulus, Iz and Iy its second moments for bending in the local
// x–y and x–z planes.
class AnalysisPointLoad : public AnalysisNPLoad
{
public:
    AnalysisPointLoad() = default;
    AnalysisPointLoad(double position, const Vector6& force) : position(position), force(force) {}

    QSharedPointer<AnalysisSourceMember> member;
    double position = 0.5; // fraction t of L from end 1, strictly between 0 and 1
    Vector6 force = Vector6::zeroed(); // Px, Py, Pz, Mx, My, Mz

    bool isOnNode() const override { return false; }

    // The share of the load carried to each end, in the sense of the load
    // (the negated fixed-end reactions); overwrites both vectors.
    void localEndForces(double L, Vector6* end1, Vector6* end2) const;

    // Adds the deflection at fraction t to the y and z components of d.
    void accumulateDeflectionAtPoint(double L, double E, double Iz, double Iy, double t, Vector3* d) const;

    // Adds the internal forces at fraction t; at the load's own position the
    // values after it.
    void accumulateForceAtPoint(double L, double t, Vector6* f) const;
};
