#include "StructureView.h"

#include "AnalysisOutput.h"
#include "AnalysisResultCase.h"
#include "CrossSection.h"
#include "GeometryGroup.h"
#include "Member.h"
#include "Node.h"
#include "SectionType.h"
#include "SelectionModel.h"
#include "StructureModel.h"

#include <QHash>

#include <algorithm>

namespace {

// The two force components a diagram draws, along local y and local z, and
// the sign of the second.
struct DiagramComponents
{
    int c1, c2;
    double k;
};

DiagramComponents diagramComponentsFor(int resultMode)
{
    if (resultMode == CurrentState::BendingMoment)
        return {5, 4, -1.0};
    return {1, 2, 1.0};
}

// Forces below this (N or N·m) draw no diagram.
const double smallestDiagramForce = 10.0;

bool inGroup(const GeometryGroupRef& objectGroup, const GroupRef& group)
{
    return !group || static_cast<const Group*>(objectGroup.data()) == group.data();
}

// The local axes of the deformed chord, all zeros when none can be formed.
Matrix3x3 deformedChordAxes(const MemberRef& member, const Vector3& dA, const Vector3& dB)
{
    Matrix3x3 M = Matrix3x3::zeroed();
    Vector3 v = (positionOf(member->nodeB()) + dB) - (positionOf(member->nodeA()) + dA);
    if (!member->bringCacheUpToDate())
        return M;
    if (v.lengthSquared() >= nearZeroMagnitude)
        v = v.normalised();
    if (!member->computeTransformGivenLongitudinalVector(v, &M))
        M.zero();
    return M;
}

Vector3 displacementOf(const AnalysisResultCase& results, const NodeRef& node)
{
    const Vector6 d = results.nodeDisplacements.value(node, Vector6::zeroed());
    return Vector3(d[0], d[1], d[2]);
}

} // namespace

bool StructureView::isForceDiagramMode(int resultMode)
{
    return resultMode == CurrentState::BendingMoment || resultMode == CurrentState::ShearForce;
}

QSharedPointer<AnalysisOutput> StructureView::analysisOutput() const
{
    return documentModel ? documentModel->analysisOutput() : QSharedPointer<AnalysisOutput>();
}

QSharedPointer<AnalysisResultCase> StructureView::currentResultCase(const QSharedPointer<AnalysisOutput>& output) const
{
    return output ? output->resultCases.value(currentState->loadCase()) : QSharedPointer<AnalysisResultCase>();
}

void StructureView::regenerateGeometry()
{
    geometryDirty = false;
    if (!documentModel || !glReady)
        return;
    GeometryVBO& g = geometryVBO;
    for (IndexArray* a : {&g.allNodes, &g.allMembers, &g.groupNodes, &g.otherNodes, &g.majorMembers,
                          &g.otherMajorMembers, &g.minorMembers, &g.otherMinorMembers, &g.ignoredMembers,
                          &g.otherIgnoredMembers, &g.invalidMembers})
        a->clear();
    g.nodeVertices.clear();
    const GroupRef group = currentState->group();
    const QSharedPointer<StructureModel> structure = documentModel->structureModel();

    g.nodes = structure->nodes();
    std::stable_sort(g.nodes.begin(), g.nodes.end(), &Node::lessThanByGroup);
    if (group)
        std::stable_partition(g.nodes.begin(), g.nodes.end(),
                              [&](const NodeRef& n) { return inGroup(n->group(), group); });
    QHash<const Node*, GLuint>& index = g.vertexOf;
    index.clear();
    index.reserve(g.nodes.size());
    g.nodeVertices.vertices.reserve(g.nodes.size());
    for (int i = 0; i < g.nodes.size(); ++i) {
        const NodeRef& node = g.nodes[i];
        g.nodeVertices.vertices << toGL(node->position());
        g.allNodes.indices << GLuint(i);
        (inGroup(node->group(), group) ? g.groupNodes : g.otherNodes).indices << GLuint(i);
        index.insert(node.data(), GLuint(i));
    }

    g.members = structure->members();
    if (group) {
        const auto others = std::stable_partition(g.members.begin(), g.members.end(),
                                                  [&](const MemberRef& m) { return inGroup(m->group(), group); });
        std::stable_sort(others, g.members.end(), &Member::lessThanByGroup);
    } else {
        std::stable_sort(g.members.begin(), g.members.end(), &Member::lessThanByGroup);
    }
    for (const MemberRef& member : qAsConst(g.members)) {
        const NodeRef a = member->nodeA(), b = member->nodeB();
        if (!a || !b || a == b)
            continue;
        const GLuint iA = index.value(a.data(), 0), iB = index.value(b.data(), 0);
        g.allMembers.indices << iA << iB;
        const bool current = inGroup(member->group(), group);
        IndexArray* target;
        if (GeometryGroup::isAnalysed(member->group())) {
            const SectionTypeRef section = member->sectionType();
            if (!member->bringCacheUpToDate() || !section)
                target = &g.invalidMembers;
            else if (section->crossSection() && section->crossSection()->isRotated())
                target = current ? &g.minorMembers : &g.otherMinorMembers;
            else
                target = current ? &g.majorMembers : &g.otherMajorMembers;
        } else {
            target = current ? &g.ignoredMembers : &g.otherIgnoredMembers;
        }
        target->indices << iA << iB;
    }
}

void StructureView::regenerateLoading()
{
    loadingDirty = false;
}

void StructureView::regenerateResults()
{
    resultsDirty = false;
    if (!documentModel || !glReady)
        return;
    resultsVBO.outlineIndices.clear();
    resultsVBO.deflectedNodeIndices.clear();
    resultOutline.resize(0);
    resultNodeVertices.resize(0);
    resultVertices.resize(0);
    memberResultRanges.clear();

    const QSharedPointer<AnalysisResultCase> results = currentResultCase(analysisOutput());
    const int mode = currentState->resultMode();
    if (results && (isForceDiagramMode(mode) || mode == CurrentState::Deflection)) {
        const bool deflection = mode == CurrentState::Deflection;
        QHash<const Node*, int> nodeVertex;
        nodeVertex.reserve(results->sourceNodes.size());
        for (auto it = results->sourceNodes.cbegin(); it != results->sourceNodes.cend(); ++it) {
            const NodeRef& node = it.key();
            const int n = resultVertices.size();
            nodeVertex.insert(node.data(), n);
            resultNodeVertices.append(qMakePair(node, n));
            if (deflection) {
                const Vector3 d = displacementOf(*results, node);
                resultVertices.append(ResultVertex(-1.0, d));
                resultsVBO.deflectedNodeIndices.indices << GLuint(n);
                deflectedNodePositions.insert(node, d);
            } else {
                resultVertices.append(ResultVertex(-1.0, node->position()));
            }
        }

        const DiagramComponents dc = diagramComponentsFor(mode);
        QVector<QPair<double, double>> curve1, curve2;
        for (auto it = results->sourceMembers.cbegin(); it != results->sourceMembers.cend(); ++it) {
            const MemberRef& member = it.key();
            // A strip joins its member's end vertices; without them it has nothing to close on.
            const int iA = nodeVertex.value(member->nodeA().data(), -1);
            const int iB = nodeVertex.value(member->nodeB().data(), -1);
            if (iA < 0 || iB < 0)
                continue;
            const int first = resultOutline.size();
            if (deflection) {
                const Matrix3x3 M = deformedChordAxes(member, displacementOf(*results, member->nodeA()),
                                                      displacementOf(*results, member->nodeB()));
                for (double t : results->positionsForDeflectionEnvelope(member, 32)) {
                    resultOutline.append(resultVertices.size());
                    resultVertices.append(ResultVertex(t, localToGlobal(M, results->deflectionAtPositionOnMember(member, t))));
                }
                memberResultRanges.insert(member, qMakePair(first, resultOutline.size() - 1));
                continue;
            }
            const Vector6 maxima = results->memberStats.value(member).force.maxima;
            const double m1 = std::fabs(maxima[dc.c1]), m2 = std::fabs(maxima[dc.c2]);
            if (m1 < smallestDiagramForce && m2 < smallestDiagramForce)
                continue;
            curve1.resize(0);
            curve2.resize(0);
            for (double t : results->positionsForForceEnvelope(member, 32)) {
                const Vector6 F = results->forceAtPositionOnMember(member, t);
                curve1.append(qMakePair(t, F[dc.c1]));
                curve2.append(qMakePair(t, dc.k * F[dc.c2]));
            }
            std::reverse(curve2.begin(), curve2.end());
            member->bringCacheUpToDate();
            const Vector3 y = member->vectorY();
            const Vector3 z = rowOf(member->transformationMatrix(), 2);
            if (m1 >= smallestDiagramForce) {
                resultOutline.append(iA);
                for (const auto& p : qAsConst(curve1)) {
                    resultOutline.append(resultVertices.size());
                    resultVertices.append(ResultVertex(p.first, y * p.second));
                }
            }
            resultOutline.append(iB);
            if (m2 >= smallestDiagramForce) {
                for (const auto& p : qAsConst(curve2)) {
                    resultOutline.append(resultVertices.size());
                    resultVertices.append(ResultVertex(p.first, z * p.second));
                }
                resultOutline.append(iA);
            }
            memberResultRanges.insert(member, qMakePair(first, resultOutline.size() - 1));
        }
    }
    resultsVBO.outlineIndices.indices.reserve(resultOutline.size());
    for (int i : qAsConst(resultOutline))
        resultsVBO.outlineIndices.indices << GLuint(i);
}

void StructureView::rescaleResults()
{
    resultScalingDirty = false;
    if (!documentModel || !glReady)
        return;
    QVector<QVector3D>& vertices = resultsVBO.diagramVertices.vertices;
    resultsVBO.diagramVertices.clear();
    deflectedNodePositions.clear();
    const QSharedPointer<AnalysisResultCase> results = currentResultCase(analysisOutput());
    if (!results)
        return;
    vertices.resize(resultVertices.size());
    const int mode = currentState->resultMode();
    if (isForceDiagramMode(mode)) {
        const double s = mode == CurrentState::BendingMoment ? -currentState->scaleBM() : currentState->scaleSF();
        for (const auto& entry : qAsConst(resultNodeVertices))
            vertices[entry.second] = toGL(resultVertices[entry.second].vector);
        for (auto it = memberResultRanges.cbegin(); it != memberResultRanges.cend(); ++it) {
            const Vector3 PA = positionOf(it.key()->nodeA()), PB = positionOf(it.key()->nodeB());
            for (int i = it.value().first; i <= it.value().second; ++i) {
                const ResultVertex& r = resultVertices[resultOutline[i]];
                if (r.t >= 0.0)
                    vertices[resultOutline[i]] = toGL(PA * (1.0 - r.t) + PB * r.t + r.vector * s);
            }
        }
    } else if (mode == CurrentState::Deflection) {
        const double s = currentState->scaleDf();
        for (const auto& entry : qAsConst(resultNodeVertices)) {
            const Vector3 p = entry.first->position() + resultVertices[entry.second].vector * s;
            vertices[entry.second] = toGL(p);
            deflectedNodePositions.insert(entry.first, p);
        }
        for (auto it = memberResultRanges.cbegin(); it != memberResultRanges.cend(); ++it) {
            const Vector3 DA = deflectedNodePositions.value(it.key()->nodeA());
            const Vector3 DB = deflectedNodePositions.value(it.key()->nodeB());
            for (int i = it.value().first; i <= it.value().second; ++i) {
                const ResultVertex& r = resultVertices[resultOutline[i]];
                if (r.t >= 0.0)
                    vertices[resultOutline[i]] = toGL(DA * (1.0 - r.t) + DB * r.t + r.vector * s);
            }
        }
    }
}

void StructureView::regeneratePointsOfInterest()
{
    pointsOfInterestDirty = false;
    pointsOfInterest.resize(0);
    if (!documentModel || !glReady)
        return;
    resultsVBO.pointVertices.clear();
    resultsVBO.pointIndices.clear();
    const MemberRef member = currentState->interrogatorObject().objectCast<Member>();
    const QSharedPointer<AnalysisOutput> output = analysisOutput();
    if (!member || !output)
        return;
    const QSharedPointer<AnalysisResultCase> results = currentResultCase(output);
    if (!member->bringCacheUpToDate() || !results || !results->contains(member))
        return;
    const int mode = currentState->resultMode();
    const auto add = [&](double t, const Vector3& P) {
        resultsVBO.pointVertices.vertices << toGL(P);
        PointOfInterest poi;
        poi.position = t;
        poi.point = P;
        pointsOfInterest.append(poi);
    };
    const Vector3 PA = positionOf(member->nodeA()), PB = positionOf(member->nodeB());
    if (isForceDiagramMode(mode)) {
        const DiagramComponents dc = diagramComponentsFor(mode);
        const QVector<double> list1 = results->pointsOfInterestForForceEnvelope(member, dc.c1);
        const QVector<double> list2 = results->pointsOfInterestForForceEnvelope(member, dc.c2);
        const double s = mode == CurrentState::BendingMoment ? -currentState->scaleBM() : currentState->scaleSF();
        const Vector3 y = member->vectorY();
        const Vector3 z = rowOf(member->transformationMatrix(), 2);
        for (double t : list1)
            add(t, PA * (1.0 - t) + PB * t + y * (s * results->forceAtPositionOnMember(member, t)[dc.c1]));
        for (double t : list2)
            add(t, PA * (1.0 - t) + PB * t + z * (s * dc.k * results->forceAtPositionOnMember(member, t)[dc.c2]));
    } else if (mode == CurrentState::Deflection) {
        const QVector<double> positions = results->pointsOfInterestForDeflectionEnvelope(member);
        if (positions.isEmpty())
            return;
        const Matrix3x3 M = deformedChordAxes(member, displacementOf(*results, member->nodeA()),
                                              displacementOf(*results, member->nodeB()));
        const Vector3 DA = deflectedNodePositions.value(member->nodeA());
        const Vector3 DB = deflectedNodePositions.value(member->nodeB());
        for (double t : positions)
            add(t, DA * (1.0 - t) + DB * t
                       + localToGlobal(M, results->deflectionAtPositionOnMember(member, t) * currentState->scaleDf()));
    }
    for (int i = 0; i < pointsOfInterest.size(); ++i)
        resultsVBO.pointIndices.indices << GLuint(i);
}

void StructureView::regenerateSelection()
{
    selectionDirty = false;
    if (!documentModel || !glReady)
        return;
    SelectionVBO& s = selectionVBO;
    s.vertices.clear();
    for (IndexArray* a : {&s.nodes, &s.members, &s.newNodes, &s.newMembers})
        a->clear();
    s.ticks.resize(0);
    s.newTicks.resize(0);
    const QSharedPointer<SelectionModel> selection = documentModel->selectionModel();
    const QList<NodeRef> nodes = selection->selectedNodes();
    const QList<MemberRef> members = selection->selectedMembers();
    const QSet<VaroObjectRef> markedNew = selection->markedNew();
    QHash<const Node*, GLuint> index;
    const auto indexOf = [&](const NodeRef& node) {
        auto it = index.constFind(node.data());
        if (it != index.constEnd())
            return *it;
        const GLuint i = GLuint(s.vertices.vertices.size());
        s.vertices.vertices << toGL(node->position());
        index.insert(node.data(), i);
        return i;
    };
    for (const NodeRef& node : nodes)
        indexOf(node);
    for (const NodeRef& node : nodes)
        (markedNew.contains(node) ? s.newNodes : s.nodes).indices << index.value(node.data());
    // The tick's two lines in local axes; a member without axes gets a tick of no size.
    Vector3 tickLines[4];
    const QVector<GLuint>& tickIndices = commonVBO.memberTick.indices;
    for (int i = 0; i < 4 && i < tickIndices.size(); ++i) {
        const QVector3D v = commonVBO.glyphVertices.vertices.value(int(tickIndices[i]));
        tickLines[i] = Vector3(v.x(), v.y(), v.z());
    }
    for (const MemberRef& member : members) {
        const bool marked = markedNew.contains(member);
        const Matrix3x3 axes = member->transformationMatrix();
        MemberTick tick;
        tick.middle = positionOf(member->nodeA()) * 0.5 + positionOf(member->nodeB()) * 0.5;
        for (int i = 0; i < 4; ++i)
            tick.lines[i] = localToGlobal(axes, tickLines[i]);
        (marked ? s.newTicks : s.ticks) << tick;
        const NodeRef a = member->nodeA(), b = member->nodeB();
        if (!a || !b || a == b)
            continue;
        const GLuint iA = indexOf(a), iB = indexOf(b);
        (marked ? s.newMembers : s.members).indices << iA << iB;
    }
}
