#include "AnalysisInput.h"

#include "AnalysisDisposal.h"
#include "AnalysisFaults.h"
#include "AnalysisLoadCase.h"
#include "AnalysisMember.h"
#include "AnalysisPointLoad.h"
#include "AnalysisSource.h"
#include "AnalysisTolerances.h"
#include "AnalysisTrapezoidLoad.h"
#include "Load.h"
#include "Member.h"
#include "MemberAxes.h"
#include "NodeNumbering.h"
#include "StopChecks.h"

#include <QHash>
#include <QReadLocker>
#include <QWriteLocker>

namespace {

QSharedPointer<AnalysisNode> makeBridge(const QSharedPointer<AnalysisNode>& a, const QSharedPointer<AnalysisNode>& b,
                                        double fraction)
{
    QSharedPointer<AnalysisNode> bridge(new AnalysisNode);
    bridge->bridgeNodeA = a;
    bridge->bridgeNodeB = b;
    bridge->bridgeFraction = fraction;
    return bridge;
}

QSharedPointer<AnalysisMember> makePiece(const QSharedPointer<AnalysisNode>& a, const QSharedPointer<AnalysisNode>& b,
                                         int releaseA, int releaseB)
{
    QSharedPointer<AnalysisMember> piece(new AnalysisMember);
    piece->nodeA = a;
    piece->nodeB = b;
    piece->releaseA = releaseA;
    piece->releaseB = releaseB;
    if (!piece->isMainPiece())
        piece->spanStart = piece->spanEnd = -1.0;
    return piece;
}

// Member ends as pairs of node list positions, for the numbering.
QVector<MemberEnds> memberEnds(const QList<QSharedPointer<AnalysisNode>>& nodes,
                               const QList<QSharedPointer<AnalysisMember>>& members)
{
    QHash<const AnalysisNode*, int> index;
    for (int i = 0; i < nodes.size(); ++i)
        index.insert(nodes[i].data(), i);
    QVector<MemberEnds> ends;
    ends.reserve(members.size());
    for (const QSharedPointer<AnalysisMember>& m : members)
        ends.append(MemberEnds(index.value(m->nodeA.data()), index.value(m->nodeB.data())));
    return ends;
}

} // namespace

bool AnalysisInput::initialiseTopology(const AnalysisSource& source, const std::function<bool()>& carryOn)
{
    QWriteLocker locker(&lock);
    if (!AnalysisDisposal::releaseEach(nodeList) || !AnalysisDisposal::releaseEach(memberList))
        return false;
    StopChecks checks(carryOn);
    const QList<QSharedPointer<AnalysisSourceNode>> nodes = source.nodes();
    for (const QSharedPointer<AnalysisSourceNode>& sourceNode : nodes) {
        if (checks.stopped())
            return false;
        nodeList.append(sourceNode->analysisNode);
    }

    const QList<QSharedPointer<AnalysisSourceMember>> members = source.members();
    for (const QSharedPointer<AnalysisSourceMember>& sm : members) {
        if (checks.stopped())
            return false;
        sm->analysisMembers.clear();
        const QSharedPointer<AnalysisNode> A = sm->nodeA->analysisNode, B = sm->nodeB->analysisNode;
        QSharedPointer<AnalysisNode> innerA = A, innerB = B;
        if (sm->releaseA != Dof::All) {
            innerA = makeBridge(A, B, 0.0);
            nodeList.append(innerA);
        }
        if (sm->releaseB != Dof::All) {
            innerB = makeBridge(A, B, 1.0);
            nodeList.append(innerB);
        }
        if (innerA != A)
            sm->analysisMembers.append(makePiece(A, innerA, sm->releaseA, Dof::All));
        sm->analysisMembers.append(makePiece(innerA, innerB, Dof::All, Dof::All));
        if (innerB != B)
            sm->analysisMembers.append(makePiece(innerB, B, Dof::All, sm->releaseB));
        sm->innerNodeA = innerA;
        sm->innerNodeB = innerB;
        for (const QSharedPointer<AnalysisMember>& piece : sm->analysisMembers)
            memberList.append(piece);
    }
    return true;
}

bool AnalysisInput::assignNodeNumbers()
{
    QWriteLocker locker(&lock);
    const QVector<int> numbers = reverseCuthillMcKeeNumbers(nodeList.size(), memberEnds(nodeList, memberList));
    for (int i = 0; i < nodeList.size(); ++i)
        nodeList[i]->number = numbers[i];
    return true;
}

bool AnalysisInput::determineHalfBandwidth()
{
    QWriteLocker locker(&lock);
    QVector<int> numbers(nodeList.size());
    for (int i = 0; i < nodeList.size(); ++i)
        numbers[i] = nodeList[i]->number;
    halfBandWidthValue = halfBandWidthOf(numbers, memberEnds(nodeList, memberList));
    return true;
}

bool AnalysisInput::initialiseGeometry(const AnalysisSource& source, const std::function<bool()>& carryOn)
{
    QWriteLocker locker(&lock);
    StopChecks checks(carryOn);
    const QList<QSharedPointer<AnalysisSourceNode>> nodes = source.nodes();
    for (const QSharedPointer<AnalysisSourceNode>& sourceNode : nodes) {
        if (checks.stopped())
            return false;
        sourceNode->analysisNode->position = sourceNode->position;
        sourceNode->analysisNode->restraints = sourceNode->restraints;
    }
    for (const QSharedPointer<AnalysisNode>& node : qAsConst(nodeList)) {
        if (checks.stopped())
            return false;
        if (node->isBridge())
            node->position = node->bridgePosition();
    }

    const QList<QSharedPointer<AnalysisSourceMember>> members = source.members();
    for (const QSharedPointer<AnalysisSourceMember>& sm : members) {
        if (checks.stopped())
            return false;
        const MemberRef& M = sm->member;
        if (!sm->orientationValid)
            throw ExceptionAnalysisFault(QStringLiteral("Member major-axis (orientation) is invalid"), M);
        if (!sm->section)
            throw ExceptionAnalysisFault(QStringLiteral("Section properties are invalid"), M);
        const QSharedPointer<AnalysisSection>& section = sm->section;
        sm->computeGeometry(sm->vectorY);
        if (!(sm->length >= 0x1p-10))
            throw ExceptionAnalysisFault(QStringLiteral("Member too short"), M);
        for (int r = 0; r < 3; ++r) {
            const double* row = sm->axes[r];
            if (!areClose(row[0] * row[0] + row[1] * row[1] + row[2] * row[2], 1.0))
                throw ExceptionAnalysisFault(QStringLiteral("Member axes are invalid"), M);
        }
        for (const QSharedPointer<AnalysisMember>& piece : sm->analysisMembers) {
            piece->section = section;
            piece->length = piece->isMainPiece() ? (piece->nodeB->position - piece->nodeA->position).length()
                                                 : sm->length;
            piece->axes = sm->axes;
        }
    }
    return true;
}

bool AnalysisInput::buildIndexes()
{
    QWriteLocker locker(&lock);
    const int n = nodeList.size();
    int R = 0;
    QVector<int> restraintsByNumber(n, 0);
    for (const QSharedPointer<AnalysisNode>& node : nodeList) {
        R += __builtin_popcount(unsigned(node->restraints) & 63u);
        restraintsByNumber[node->number] = node->restraints;
    }
    if (R < 3)
        throw ExceptionAnalysisFault(QStringLiteral("Insufficient fixities"));
    const int F = 6 * n - R;
    rows.resize(6 * n);
    int nextFree = 0, nextFixed = F;
    for (int number = 0; number < n; ++number)
        for (int k = 0; k < 6; ++k)
            rows[6 * number + k] = (restraintsByNumber[number] & (1 << k)) ? nextFixed++ : nextFree++;
    fixities = R;
    freedoms = F;
    return true;
}

bool AnalysisInput::initialiseLoading(const AnalysisSource& source, const std::function<bool()>& carryOn)
{
    QWriteLocker locker(&lock);
    if (!AnalysisDisposal::releaseEach(nodeLoadList) || !AnalysisDisposal::releaseEach(pointLoadList)
        || !AnalysisDisposal::releaseEach(trapezoidLoadList))
        return false;

    StopChecks checks(carryOn);
    const QList<QSharedPointer<AnalysisSourcePointLoad>> pointLoads = source.pointLoads();
    const QList<QSharedPointer<AnalysisSourceTrapezoidLoad>> trapezoidLoads = source.trapezoidLoads();
    // Room made at once, so that no growth copies a list between two checks.
    nodeLoadList.reserve(pointLoads.size());
    pointLoadList.reserve(pointLoads.size());
    trapezoidLoadList.reserve(trapezoidLoads.size());
    for (const QSharedPointer<AnalysisSourcePointLoad>& p : pointLoads) {
        if (checks.stopped())
            return false;
        p->analysisLoad.reset();
        const QSharedPointer<AnalysisSourceMember>& sm = p->member;
        if (isNearZero(p->position) || isNearZero(p->position - 1.0)) {
            QSharedPointer<AnalysisNodeLoad> load(new AnalysisNodeLoad);
            load->node = isNearZero(p->position) ? sm->nodeA->analysisNode : sm->nodeB->analysisNode;
            load->force = p->force;
            nodeLoadList.append(load);
            p->analysisLoad = load;
        } else {
            QSharedPointer<AnalysisPointLoad> load(new AnalysisPointLoad);
            load->member = sm;
            load->position = p->position;
            load->force = toLocal(sm->axes, p->force);
            pointLoadList.append(load);
            p->analysisLoad = load;
        }
        if (!p->analysisLoad)
            throw ExceptionAnalysisFault(QStringLiteral("Cannot apply load"), p->load);
    }
    for (const QSharedPointer<AnalysisSourceTrapezoidLoad>& q : trapezoidLoads) {
        if (checks.stopped())
            return false;
        const QSharedPointer<AnalysisSourceMember>& sm = q->member;
        QSharedPointer<AnalysisTrapezoidLoad> load(new AnalysisTrapezoidLoad);
        load->member = sm;
        load->start = q->positionA;
        load->end = q->positionB;
        load->startIntensity = globalToLocal(sm->axes, q->forceA);
        load->endIntensity = globalToLocal(sm->axes, q->forceB);
        q->analysisLoad = load;
        trapezoidLoadList.append(load);
    }
    return true;
}

int AnalysisInput::halfBandWidth() const
{
    QReadLocker locker(&lock);
    return halfBandWidthValue;
}

int AnalysisInput::numberOfFixities() const
{
    QReadLocker locker(&lock);
    return fixities;
}

int AnalysisInput::numberOfFreedoms() const
{
    QReadLocker locker(&lock);
    return freedoms;
}

QVector<int> AnalysisInput::rowMapping() const
{
    QReadLocker locker(&lock);
    return rows;
}

QList<QSharedPointer<AnalysisMember>> AnalysisInput::members() const
{
    QReadLocker locker(&lock);
    return memberList;
}

QList<QSharedPointer<AnalysisNode>> AnalysisInput::nodes() const
{
    QReadLocker locker(&lock);
    return nodeList;
}

bool AnalysisInput::release()
{
    QWriteLocker locker(&lock);
    rows.clear();
    return AnalysisDisposal::releaseEach(pointLoadList) && AnalysisDisposal::releaseEach(trapezoidLoadList)
           && AnalysisDisposal::releaseEach(nodeLoadList) && AnalysisDisposal::releaseEach(memberList)
           && AnalysisDisposal::releaseEach(nodeList);
}
