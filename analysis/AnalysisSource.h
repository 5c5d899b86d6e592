#pragma once

#include "Dof.h"
#include "ModelRefs.h"
#include "Vectors.h"

#include <QList>
#include <QReadWriteLock>
#include <QSet>
#include <QSharedPointer>
#include <QVector>

#include <functional>

class AnalysisDocument;
class AnalysisLoadCase;
class AnalysisMember;
class AnalysisSourcePointLoad;
class AnalysisSourceTrapezoidLoad;

// Section constants of an analysed member in its local axes (SI). Iz and Zz
// serve bending about local z (in the x–y plane), Iy and Zy bending about
// local y; a rotated cross-section exchanges its two bending planes.
class AnalysisSection
{
public:
    AnalysisSection(const CrossSection& crossSection, const Material& material);

    double area, E, G, Iz, Iy, J, massPerLength, Zz, Zy;
};

// A node of the stiffness method: a model node, or a bridge node standing at
// one end of a member whose end is released.
class AnalysisNode
{
public:
    Vector3 position;
    int restraints = 0; // Dof mask of restrained freedoms
    int number = -1;
    QSharedPointer<AnalysisNode> bridgeNodeA;
    QSharedPointer<AnalysisNode> bridgeNodeB;
    double bridgeFraction = 0.0;

    bool isBridge() const { return !bridgeNodeA.isNull(); }
    // (1 − f)·A + f·B of the member's two end nodes.
    Vector3 bridgePosition() const;
};

// A model node and what the geometry step took of it under the document's
// lock.
class AnalysisSourceNode
{
public:
    QSharedPointer<AnalysisNode> analysisNode;
    NodeRef node;
    Vector3 position;
    int restraints = 0;
};

// An analysed model member. Its geometry and section are its own copies, so
// a result that holds this record never reads the document's member.
class AnalysisSourceMember
{
public:
    QSharedPointer<AnalysisSourceNode> nodeA;
    QSharedPointer<AnalysisSourceNode> nodeB;
    int releaseA = Dof::All;
    int releaseB = Dof::All;
    double length = 0.0;
    QSharedPointer<AnalysisNode> innerNodeA;
    QSharedPointer<AnalysisNode> innerNodeB;
    QSharedPointer<AnalysisSection> section;
    Matrix3x3 axes = Matrix3x3::zeroed();
    QVector<QSharedPointer<AnalysisMember>> analysisMembers;
    MemberRef member;
    // Taken of the model member with the geometry: its local y reference,
    // whether a member axis given by a vector has unit length, and its
    // section (null when the section type, cross-section or material is
    // missing or invalid).
    Vector3 vectorY;
    bool orientationValid = true;

    // Length and axes from the end positions and the local y reference v:
    // x along the member, z = x × v, y = z × x.
    void computeGeometry(const Vector3& v);
    void expandTransformationMatrix(const Matrix3x3& r, Matrix6x6* t) const;
};

// The analysis thread's view of the document: the analysed nodes and
// members, and the loads and load cases of the last loading pass. Every
// topology pass makes new records; readers get implicitly shared copies.
class AnalysisSource
{
public:
    AnalysisSource() = default;
    AnalysisSource(const AnalysisSource&) = delete;
    AnalysisSource& operator=(const AnalysisSource&) = delete;

    // The analysed members and the nodes they reach; throws
    // ExceptionAnalysisFault on bad connectivity or too little structure.
    // Each step that takes carryOn asks it every so often, and is false once
    // it answers false.
    bool initialiseTopology(const AnalysisDocument* document, const std::function<bool()>& carryOn = {});
    // Positions, supports, member orientations and sections, all read under
    // the document's lock so that later steps never read the model.
    bool initialiseGeometry(const AnalysisDocument* document, const std::function<bool()>& carryOn = {});
    // Every load of every load case, checked and turned into global axes with
    // this pass's load factor; throws ExceptionAnalysisFault. carryOn is
    // asked every so often; false from it abandons the pass, which then
    // returns false.
    bool initialiseLoading(const AnalysisDocument* document, const std::function<bool()>& carryOn = {});
    // The converted loads grouped by their load case; false when carryOn
    // answers false on the way.
    bool initialiseLoadCases(const std::function<bool()>& carryOn = {});
    // Frees every record a piece at a time; false when the program ends first.
    bool release();

    QList<QSharedPointer<AnalysisSourceNode>> nodes() const;
    QList<QSharedPointer<AnalysisSourceMember>> members() const;
    QList<QSharedPointer<AnalysisSourcePointLoad>> pointLoads() const;
    QList<QSharedPointer<AnalysisSourceTrapezoidLoad>> trapezoidLoads() const;
    QList<QSharedPointer<AnalysisLoadCase>> loadCases() const;

    // The model object behind an analysis record; null for a bridge node or
    // a record of an earlier pass.
    NodeRef sourceOf(const QSharedPointer<AnalysisNode>& node) const;
    MemberRef sourceOf(const QSharedPointer<AnalysisMember>& member) const;

    // The factor that every load of a pass carries: 1.3 + (r mod 100)/200.
    static double loadFactorFor(int r);

private:
    mutable QReadWriteLock lock;
    QList<QSharedPointer<AnalysisLoadCase>> loadCaseList;
    QList<QSharedPointer<AnalysisSourceMember>> memberList;
    QList<QSharedPointer<AnalysisSourceNode>> nodeList;
    QList<QSharedPointer<AnalysisSourcePointLoad>> pointLoadList;
    QList<QSharedPointer<AnalysisSourceTrapezoidLoad>> trapezoidLoadList;
    // Combinations marked second order, as the last loading pass read them.
    QSet<const LoadCase*> secondOrderCases;
};
