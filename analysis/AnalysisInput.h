#pragma once

#include <QList>
#include <QReadWriteLock>
#include <QSharedPointer>
#include <QVector>

#include <functional>

class AnalysisMember;
class AnalysisNode;
class AnalysisNodeLoad;
class AnalysisPointLoad;
class AnalysisSource;
class AnalysisTrapezoidLoad;

// The numbered model of the stiffness method: every analysed member as a
// main piece plus a stiff stub per released end, joined through bridge
// nodes; node numbers, the half band, the row of every freedom, and the
// loads of the last pass. Rows 0..F−1 are free, F..F+R−1 restrained.
class AnalysisInput
{
public:
    AnalysisInput() = default;
    AnalysisInput(const AnalysisInput&) = delete;
    AnalysisInput& operator=(const AnalysisInput&) = delete;

    // Pieces, bridge nodes and inner nodes of the source's members. Each
    // step that takes carryOn is false when it answers false on the way.
    bool initialiseTopology(const AnalysisSource& source, const std::function<bool()>& carryOn = {});
    // Reverse Cuthill–McKee numbers.
    bool assignNodeNumbers();
    bool determineHalfBandwidth();
    // Positions, restraints, sections, lengths and axes, validated; throws
    // ExceptionAnalysisFault naming the first bad member.
    bool initialiseGeometry(const AnalysisSource& source, const std::function<bool()>& carryOn = {});
    // Freedom and fixity counts and the row mapping; throws on fewer than
    // three fixities.
    bool buildIndexes();
    // The source's loads in member axes, or at nodes for loads at member
    // ends; false when carryOn answers false on the way.
    bool initialiseLoading(const AnalysisSource& source, const std::function<bool()>& carryOn = {});
    // Frees every record a piece at a time; false when the program ends first.
    bool release();

    int halfBandWidth() const;
    int numberOfFixities() const;
    int numberOfFreedoms() const;
    QVector<int> rowMapping() const;
    QList<QSharedPointer<AnalysisMember>> members() const;
    QList<QSharedPointer<AnalysisNode>> nodes() const;

private:
    mutable QReadWriteLock lock;
    int halfBandWidthValue = 0;
    QList<QSharedPointer<AnalysisMember>> memberList;
    QList<QSharedPointer<AnalysisNode>> nodeList;
    QList<QSharedPointer<AnalysisNodeLoad>> nodeLoadList;
    int fixities = 0;
    int freedoms = 0;
    QList<QSharedPointer<AnalysisPointLoad>> pointLoadList;
    QVector<int> rows;
    QList<QSharedPointer<AnalysisTrapezoidLoad>> trapezoidLoadList;
};
