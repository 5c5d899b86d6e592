#include "StructureView.h"

#include "AnalysisOutput.h"
#include "AnalysisResultCase.h"
#include "Load.h"
#include "Member.h"
#include "Node.h"
#include "SelectionModel.h"
#include "VisualConstants.h"

#include <cmath>

namespace {

// NaN gives the upper bound.
double clampTickScale(double g)
{
    return g >= 0.0 ? (g <= 16.0 ? g : 16.0) : (g < 0.0 ? 0.0 : 16.0);
}

Vector3 midpointOf(const MemberRef& member)
{
    return (positionOf(member->nodeA()) + positionOf(member->nodeB())) * 0.5;
}

} // namespace

void StructureView::renderDiagramRun(const MemberRef& member)
{
    const QPair<int, int> run = memberResultRanges.value(member, qMakePair(0, 0));
    if (run.first == run.second)
        return;
    resultsVBO.diagramVertices.enabled = true;
    resultsVBO.diagramVertices.bind();
    resultsVBO.outlineIndices.draw(GL_LINE_STRIP, run.first, run.second - run.first + 1);
    resultsVBO.diagramVertices.enabled = false;
}

void StructureView::renderResults()
{
    const bool previousVertex = shadowState->enableVertexArray(true);
    const QSharedPointer<AnalysisOutput> output = analysisOutput();
    if (!output) {
        const VaroObjectRef failed = documentModel->analysisStatusObject();
        if (failed) {
            const bool previousDepth = shadowState->enableDepthTest(false);
            iGL::setColour(Colours::failed);
            glPointSize(16.0f);
            glLineWidth(6.0f);
            if (const NodeRef node = failed.objectCast<Node>()) {
                drawOnePoint(node->position());
            } else if (const MemberRef member = failed.objectCast<Member>()) {
                drawOnePoint(midpointOf(member));
                drawOneLine(positionOf(member->nodeA()), positionOf(member->nodeB()));
            } else if (const LoadRef load = failed.objectCast<Load>()) {
                // A load without a member has no place to be marked.
                if (const MemberRef member = load->member()) {
                    const double c = load->centroidPosition();
                    drawOnePoint(positionOf(member->nodeA()) * (1.0 - c) + positionOf(member->nodeB()) * c);
                    renderLoad(load, 1.0, false, false);
                }
            }
            shadowState->enableDepthTest(previousDepth);
        }
        shadowState->enableVertexArray(previousVertex);
        return;
    }
    const QSharedPointer<AnalysisResultCase> results = currentResultCase(output);
    if (results) {
        switch (currentState->resultMode()) {
        case CurrentState::Deflection:
            iGL::setColour(Colours::deflection);
            glPointSize(8.0f);
            glLineWidth(1.0f);
            resultsVBO.diagramVertices.enabled = true;
            resultsVBO.diagramVertices.bind();
            resultsVBO.deflectedNodeIndices.draw(GL_POINTS);
            resultsVBO.diagramVertices.enabled = false;
            break;
        case CurrentState::BendingMoment:
            iGL::setColour(Colours::bendingMoment);
            glLineWidth(1.0f);
            break;
        case CurrentState::ShearForce:
            iGL::setColour(Colours::shearForce);
            glLineWidth(1.0f);
            break;
        default:
            glLineWidth(3.0f);
            glPointSize(10.0f);
            for (auto it = results->sourceNodes.cbegin(); it != results->sourceNodes.cend(); ++it)
                drawReactions(it.key(), results->nodeReactions.value(it.key(), Vector6::zeroed()), false);
            shadowState->enableVertexArray(previousVertex);
            return;
        }
        // Every member's run in one call: a call per member costs more than its lines.
        diagramCounts.resize(0);
        diagramStarts.resize(0);
        const GLuint* indices = resultsVBO.outlineIndices.indices.constData();
        for (auto it = results->sourceMembers.cbegin(); it != results->sourceMembers.cend(); ++it) {
            const QPair<int, int> run = memberResultRanges.value(it.key(), qMakePair(0, 0));
            if (run.first == run.second)
                continue;
            diagramCounts << GLsizei(run.second - run.first + 1);
            diagramStarts << indices + run.first;
        }
        resultsVBO.diagramVertices.enabled = resultsVBO.outlineIndices.enabled = true;
        resultsVBO.diagramVertices.bind();
        iGL::multiDrawElements(GL_LINE_STRIP, diagramCounts, diagramStarts);
        resultsVBO.diagramVertices.enabled = resultsVBO.outlineIndices.enabled = false;
    }
    shadowState->enableVertexArray(previousVertex);
}

void StructureView::renderInterrogatedResult()
{
    const QSharedPointer<AnalysisOutput> output = analysisOutput();
    if (!output || currentState->mode() != CurrentState::Results)
        return;
    const QSharedPointer<AnalysisResultCase> results = currentResultCase(output);
    if (!results)
        return;
    const bool previousVertex = shadowState->enableVertexArray(true);
    const int mode = currentState->resultMode();

    glClear(GL_DEPTH_BUFFER_BIT);
    glLineWidth(6.0f);
    glPointSize(16.0f);
    iGL::setColour(Colours::highlightWorstCaseResult);
    QSet<NodeRef> nodes;
    QSet<MemberRef> members;
    switch (mode) {
    case CurrentState::Reaction:
        nodes = results->worstReactionNodes;
        break;
    case CurrentState::Deflection:
        nodes = results->worstDisplacementNodes;
        members = results->worstDeflectionMembers;
        break;
    case CurrentState::BendingMoment:
        members = results->worstMomentMembers + results->worstStressMembers;
        break;
    case CurrentState::ShearForce:
        members = results->worstForceMembers;
        break;
    }
    scratchPoints.resize(0);
    for (const NodeRef& node : qAsConst(nodes))
        scratchPoints << toGL(node->position());
    if (!scratchPoints.isEmpty())
        drawVertexPoints(scratchPoints);
    scratchPoints.resize(0);
    for (const MemberRef& member : qAsConst(members))
        if (member->nodeA() && member->nodeB())
            scratchPoints << toGL(member->nodeA()->position()) << toGL(member->nodeB()->position());
    if (!scratchPoints.isEmpty())
        drawVertexLines(scratchPoints);

    const VaroObjectRef object = currentState->interrogatorObject();
    if (object && results->contains(object)) {
        glClear(GL_DEPTH_BUFFER_BIT);
        const NodeRef node = object.objectCast<Node>();
        if (isForceDiagramMode(mode) || (mode == CurrentState::Deflection && !node)) {
            if (const MemberRef member = object.objectCast<Member>()) {
                glLineWidth(4.0f);
                iGL::setColour(mode == CurrentState::BendingMoment ? Colours::interrogatedBendingMoment
                               : mode == CurrentState::ShearForce  ? Colours::interrogatedShearForce
                                                                   : Colours::interrogatedDeflection);
                renderDiagramRun(member);
                glPointSize(12.0f);
                iGL::setColour(Colours::pointsOfInterest);
                resultsVBO.pointVertices.enabled = true;
                resultsVBO.pointVertices.bind();
                resultsVBO.pointIndices.draw(GL_POINTS);
                resultsVBO.pointVertices.enabled = false;
            }
        } else if (mode == CurrentState::Deflection) {
            iGL::setColour(Colours::interrogatedDeflection);
            glPointSize(16.0f);
            drawOnePoint(deflectedNodePositions.value(node));
        } else if (node) {
            glLineWidth(3.0f);
            glPointSize(10.0f);
            drawReactions(node, results->nodeReactions.value(node, Vector6::zeroed()), true);
        }
    }
    shadowState->enableVertexArray(previousVertex);
}

void StructureView::renderSelection()
{
    const double s = std::min(frameSize().width(), frameSize().height());
    const double g = currentState->scaleGI();
    const QSharedPointer<SelectionModel> selection = documentModel->selectionModel();
    const VaroObjectRef master = selection->master();
    const QSet<VaroObjectRef> markedNew = selection->markedNew();
    const bool previousVertex = shadowState->enableVertexArray(true);

    glClear(GL_DEPTH_BUFFER_BIT);
    glPointSize(16.0f);
    SelectionVBO& v = selectionVBO;
    v.vertices.enabled = true;
    v.vertices.bind();
    iGL::setColour(Colours::selected);
    v.nodes.draw(GL_POINTS);
    iGL::setColour(Colours::selectedNew);
    v.newNodes.draw(GL_POINTS);
    glLineWidth(6.0f);
    iGL::setColour(Colours::selected);
    v.members.draw(GL_LINES);
    iGL::setColour(Colours::selectedNew);
    v.newMembers.draw(GL_LINES);
    v.vertices.enabled = false;

    glLineWidth(2.0f);
    const double tickSize = clampTickScale(g) * std::fabs(6.0 / s);
    iGL::setColour(Colours::selected.darker(200));
    renderMemberTicks(v.ticks, tickSize);
    iGL::setColour(Colours::selectedNew.darker(200));
    renderMemberTicks(v.newTicks, tickSize);

    if (currentState->mode() == CurrentState::Loading) {
        const QList<LoadRef> loads = selection->selectedLoads();
        const LoadCaseRef loadCase = currentState->loadCase();
        const LoadRef last = selection->lastSelectedLoad();
        for (const LoadRef& load : loads) {
            bool decorate = false;
            if (load->loadCase() == loadCase) {
                iGL::setColour(markedNew.contains(load) ? Colours::selectedNew : Colours::selected);
                decorate = load == last && VaroObjectRef(load) == master;
            } else {
                iGL::setColour(Colours::selectedFaded);
            }
            renderLoad(load, 1.0, true, decorate);
        }
    }

    const bool previousDepth = shadowState->enableDepthTest(false);
    const double k = std::fabs(24.0 / s);
    const auto drawAxesAt = [&](const Vector3& p, const Matrix3x3* axes, bool mirror) {
        glPushMatrix();
        translateTo(p);
        if (axes)
            multiplyGLMatrixBy(*axes);
        if (mirror)
            glScalef(-1.0f, 1.0f, 1.0f);
        iGL::descaleGLMatrix(k);
        commonVBO.triadLines.draw(GL_LINES);
        glPopMatrix();
    };
    const NodeRef lastNode = selection->lastSelectedNode();
    const MemberRef lastMember = selection->lastSelectedMember();
    const bool nodeAxes = lastNode && VaroObjectRef(lastNode) == master;
    const bool memberAxes = lastMember && VaroObjectRef(lastMember) == master && lastMember->nodeA()
                            && lastMember->nodeB() && lastMember->nodeA() != lastMember->nodeB();
    if (nodeAxes || memberAxes) {
        iGL::setColour(Colours::masterAxes);
        glLineWidth(3.0f);
        glPushAttrib(GL_LINE_BIT);
        glEnable(GL_LINE_STIPPLE);
        glLineStipple(2, 0x1F1F);
        commonVBO.glyphVertices.enabled = true;
        commonVBO.glyphVertices.bind();
        if (nodeAxes) {
            drawAxesAt(lastNode->position(), nullptr, false);
        } else {
            const Matrix3x3 axes = lastMember->transformationMatrix();
            drawAxesAt(lastMember->nodeA()->position(), &axes, true);
            drawAxesAt(lastMember->nodeB()->position(), &axes, false);
        }
        commonVBO.glyphVertices.enabled = false;
        glPopAttrib();
    }
    shadowState->enableDepthTest(previousDepth);
    shadowState->enableVertexArray(previousVertex);
}
