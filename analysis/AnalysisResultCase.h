#pragma once

#include "ModelRefs.h"
#include "Vectors.h"

#include <QList>
#include <QMap>
#include <QMultiMap>
#include <QPair>
#include <QSet>
#include <QSharedPointer>
#include <QVector>


class AnalysisLoadCase;
class AnalysisPointLoad;
class AnalysisSourceMember;
class AnalysisSourceNode;
class AnalysisSourcePointLoad;
class AnalysisSourceTrapezoidLoad;
class AnalysisTrapezoidLoad;
class MemberStats;

// The first-order results of one load case, read-only once published.
// Positions along a member are fractions t from 0 (end 1) to 1 (end 2);
// member quantities are in member axes and read only the analysis copies, so
// any thread may query while the document is edited.
class AnalysisResultCase
{
public:
    struct MaximaScalar
    {
        double position = 0.0;
        double maximum = 0.0;
    };
    struct MaximaVector4
    {
        Vector4 positions;
        Vector4 maxima;
    };
    struct MaximaVector6
    {
        Vector6 positions = Vector6::zeroed();
        Vector6 maxima = Vector6::zeroed();
    };
    struct EnvelopeVector3
    {
        double position;
        Vector3 deflection;
    };
    struct EnvelopeVector6
    {
        double position;
        Vector6 force;
    };
    explicit AnalysisResultCase(const QSharedPointer<AnalysisLoadCase>& analysisLoadCase);

    LoadCaseRef loadCase;
    QList<QSharedPointer<AnalysisPointLoad>> pointLoads;
    QList<QSharedPointer<AnalysisTrapezoidLoad>> trapezoidLoads;
    QMultiMap<MemberRef, QSharedPointer<AnalysisSourcePointLoad>> memberPointLoads;
    QMultiMap<MemberRef, QSharedPointer<AnalysisSourceTrapezoidLoad>> memberTrapezoidLoads;
    QMap<MemberRef, QSharedPointer<AnalysisSourceMember>> sourceMembers;
    QMap<NodeRef, QSharedPointer<AnalysisSourceNode>> sourceNodes;
    QMap<MemberRef, Vector12> memberEndForces;
    QMap<NodeRef, Vector6> nodeDisplacements;
    QMap<NodeRef, Vector6> nodeReactions;
    QMap<MemberRef, MemberStats> memberStats;
    QSet<NodeRef> worstReactionNodes;
    QSet<NodeRef> worstDisplacementNodes;
    QSet<MemberRef> worstForceMembers;
    QSet<MemberRef> worstMomentMembers;
    QSet<MemberRef> worstStressMembers;
    QSet<MemberRef> worstDeflectionMembers;

    // A node or member that this case holds.
    bool contains(const VaroObjectRef& object) const;
    bool isSecondOrder() const;

    // Deflection relative to the chord between the displaced ends (x is 0).
    Vector3 deflectionAtPositionOnMember(const MemberRef& member, double t) const;
    Vector3 globalDisplacementAtPositionOnMember(const MemberRef& member, double t) const;
    // The same, given the deflection at t.
    Vector3 globalDisplacementGivenDeflection(const MemberRef& member, double t, const Vector3& deflection) const;
    // (N, Vy, Vz, T, My, Mz); bending moments positive when they sag.
    Vector6 forceAtPositionOnMember(const MemberRef& member, double t) const;
    // (|N|/A + |My|/Zy + |Mz|/Zz), negative when N is compressive.
    double stressAtPositionOnMember(const MemberRef& member, double t) const;
    static double stressGivenForcesOnMember(const QSharedPointer<AnalysisSourceMember>& member, const Vector6& forces);
    void accumulateDeflectionFromEndForces(const QSharedPointer<AnalysisSourceMember>& member, double t,
                                           Vector3* deflection) const;

    MaximaVector4 maximumDeflectionOnMember(const MemberRef& member) const;
    MaximaVector6 maximumForceOnMember(const MemberRef& member) const;
    MaximaScalar maximumStressOnMember(const MemberRef& member) const;
    MaximaScalar maximumDisplacementOnMember(const MemberRef& member) const;

    // Statistics of one member, and the worst members and nodes of the case.
    void deriveMemberStats(const MemberRef& member);
    // The same, without storing them: safe on several threads at once.
    MemberStats memberStatsOf(const MemberRef& member) const;
    void deriveWorstCases();
    void accumulateMaxima(const MemberRef& member, double position, MaximaVector4* deflection,
                          MaximaScalar* displacement, MaximaVector6* force, MaximaScalar* stress) const;

    // Sample positions and points of interest of member diagrams; n equal
    // steps (n < 1 adds no grid).
    static QVector<double> uniqueSortedPositions(const QVector<double>& sorted, double tolerance);
    QVector<double> pointsOfInterestForDeflectionEnvelope(const MemberRef& member) const;
    QVector<double> pointsOfInterestForForceEnvelope(const MemberRef& member, int component) const;
    QVector<double> positionsForDeflectionEnvelope(const MemberRef& member, int n) const;
    QVector<double> positionsForForceEnvelope(const MemberRef& member, int n) const;
    QVector<EnvelopeVector3> deflectionEnvelopeForPositions(const MemberRef& member,
                                                            const QVector<double>& positions) const;
    QVector<EnvelopeVector6> forceEnvelopeForPositions(const MemberRef& member, const QVector<double>& positions) const;
    // The member's tolerance along its length: 1 / ((⌊L⌋ + 1)·1024).
    double positionToleranceOf(const MemberRef& member) const;

    // What the statistics follow, in the order of their records: the local
    // deflection's components and magnitude, the displacement's magnitude,
    // the six member forces and the combined stress, each as a magnitude.
    enum Statistic { DeflectionX, DeflectionY, DeflectionZ, DeflectionMagnitude, DisplacementMagnitude, Force0,
                     Stress = Force0 + 6, NumberOfStatistics };
    // Statistics worked out together: the deflections (0 to 3), the
    // displacement (4, from the same deflection) and the forces with the stress (5 to 11).
    enum StatisticGroup { Deflections = 1, Displacements = 2, Forces = 4, AllStatistics = 7 };
    // The magnitudes at t of the statistics of the groups asked for.
    void statisticsAtPosition(const MemberRef& member, double t, int groups, double* magnitudes) const;

private:
    const QSharedPointer<AnalysisSourceMember>& sourceMemberOf(const MemberRef& member) const;
};

class MemberStats
{
public:
    QVector<double> points;
    QVector<QPair<double, double>> segments;
    AnalysisResultCase::MaximaVector4 deflection;
    AnalysisResultCase::MaximaScalar displacement;
    AnalysisResultCase::MaximaVector6 force;
    AnalysisResultCase::MaximaScalar stress;
};
