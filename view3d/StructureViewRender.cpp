#include "StructureView.h"

#include "CrossSection.h"
#include "GeometryGroup.h"
#include "LoadCase.h"
#include "Member.h"
#include "Node.h"
#include "SectionType.h"
#include "StructureModel.h"
#include "Support.h"
#include "VisualConstants.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

QColor withAlpha(QColor c, int alpha)
{
    c.setAlpha(alpha);
    return c;
}

// NaN gives the upper bound.
double clampScale(double s, double lo, double hi)
{
    return s >= lo ? (s <= hi ? s : hi) : (s < lo ? lo : hi);
}

// Single precision holds a coordinate to about 6e-8 of itself, and a pixel
// is about 5e-4 of the distance across; this many distances keeps the error
// of the origin's offset to a tenth of a pixel.
const double originReach = 256.0;
// Well within single precision, so that no vertex reaches GL as infinite.
const double largestGLCoordinate = 1e30;
// Antialiasing, TextAntialiasing, SmoothPixmapTransform, Qt4CompatiblePainting.
const QPainter::RenderHints overlayHints(0x27);

} // namespace

bool StructureView::render(QPaintDevice* target, const QSize& size, bool overlay)
{
    frameSizeValue = size;
    setUpViewport(size.width(), size.height(), true);
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (!documentModel || !viewPoint)
        return false;

    followRenderOrigin();
    saveGLState();
    glDisable(GL_ALPHA_TEST);
    glEnable(GL_BLEND);
    for (GLenum c : {GL_CLIP_PLANE0, GL_COLOR_LOGIC_OP, GL_COLOR_MATERIAL})
        glDisable(c);
    glEnable(GL_CULL_FACE);
    glDisable(GL_DITHER);
    glDisable(GL_FOG);
    for (GLenum c : {GL_LINE_SMOOTH, GL_MULTISAMPLE, GL_NORMALIZE, GL_POINT_SMOOTH})
        glEnable(c);
    for (GLenum c : {GL_POLYGON_OFFSET_FILL, GL_SCISSOR_TEST, GL_STENCIL_TEST, GL_TEXTURE_2D})
        glDisable(c);
    shadowState->enableDepthTest(true);
    shadowState->enableLighting(false);
    glShadeModel(GL_FLAT);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDepthFunc(GL_LESS);
    glDepthMask(GL_TRUE);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 0);
    setQualityAndRareState(GL_NICEST);

    setUpProjection(QRect(), true);
    setUpTransformAndLighting(true, true);

    if (geometryDirty)
        regenerateGeometry();
    if (loadingDirty)
        regenerateLoading();
    if (resultsDirty)
        regenerateResults();
    if (resultScalingDirty)
        rescaleResults();
    if (pointsOfInterestDirty)
        regeneratePointsOfInterest();
    if (selectionDirty)
        regenerateSelection();

    renderStructure();
    if (currentState->mode() == CurrentState::Results) {
        renderResults();
        renderInterrogatedResult();
    } else {
        renderSelection();
    }
    restoreGLState();

    if (!overlay)
        return true;
    saveGLState();
    shadowState->enableDepthTest(false);
    glDisable(GL_CULL_FACE);
    shadowState->enableLighting(false);
    glEnable(GL_MULTISAMPLE);
    {
        QPainter painter(target);
        painter.setRenderHints(overlayHints);
        renderPainter(&painter);
        paintTriads(&painter);
    }
    restoreGLState();
    return true;
}

void StructureView::setUpViewport(int width, int height, bool store)
{
    glViewport(0, 0, width, height);
    if (!store)
        return;
    GLint v[4];
    glGetIntegerv(GL_VIEWPORT, v);
    for (int i = 0; i < 4; ++i)
        viewportCache[i] = v[i];
}

void StructureView::saveGLState() const
{
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    shadowState->save();
}

void StructureView::restoreGLState() const
{
    shadowState->restore();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

void StructureView::followRenderOrigin()
{
    const Vector3 focal = viewPoint->focalPoint();
    if ((focal - renderOrigin).length() <= originReach * viewPoint->distance())
        return;
    renderOrigin = focal;
    geometryDirty = resultScalingDirty = pointsOfInterestDirty = selectionDirty = true;
}

QVector3D StructureView::toGL(const Vector3& position) const
{
    Vector3 p = position - renderOrigin;
    const double largest = std::max({std::fabs(p.x()), std::fabs(p.y()), std::fabs(p.z())});
    // Shortened along its own direction, so that a line to it keeps its heading.
    if (largest > largestGLCoordinate)
        p = p * (largestGLCoordinate / largest);
    return iGL::toFloat(p);
}

void StructureView::translateTo(const Vector3& position) const
{
    const QVector3D p = toGL(position);
    glTranslatef(p.x(), p.y(), p.z());
}

void StructureView::setUpProjection(const QRect& pick, bool store)
{
    const double W = std::max(2, frameSize().width()), H = std::max(2, frameSize().height());
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    if (pick.isValid()) {
        const double x = pick.left(), y = pick.top(), rw = pick.width(), rh = pick.height();
        glScalef(GLfloat(W / rw), GLfloat(H / rh), 1.0f);
        glTranslatef(GLfloat(1.0 - rw / W - 2.0 * x / W), GLfloat(1.0 - rh / H - 2.0 * y / H), 0.0f);
    }
    glScalef(GLfloat(H / W), 1.0f, 1.0f);
    pixelScale = 1.0 / H;
    // The depth range follows a distant camera, so that what it looks at is never clipped away.
    const double distance = viewPoint ? viewPoint->distance() : 0.0;
    const double nearPlane = ViewFrame::nearPlaneAt(distance), farPlane = ViewFrame::farPlaneAt(distance);
    const double frustumHalfWidth = nearPlane * halfFieldTangent;
    glFrustum(-frustumHalfWidth, frustumHalfWidth, -frustumHalfWidth, frustumHalfWidth, nearPlane, farPlane);
    glDepthRange(0.0, 1.0);
    if (store)
        viewFrame.setProjection(W / H, halfFieldTangent, nearPlane, farPlane);
    glMatrixMode(GL_MODELVIEW);
}

void StructureView::setUpTransformAndLighting(bool lighting, bool store)
{
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glScalef(1.0f, 1.0f, -1.0f);
    if (viewPoint) {
        glTranslatef(0.0f, 0.0f, GLfloat(viewPoint->distance()));
        if (lighting) {
            const GLfloat ambient[] = {0.2f, 0.2f, 0.2f, 1.0f};
            const GLfloat black[] = {0.0f, 0.0f, 0.0f, 1.0f};
            const GLfloat white[] = {1.0f, 1.0f, 1.0f, 1.0f};
            const GLfloat position[] = {0.0f, 0.0f, 1.0f, 0.0f};
            glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
            glLightfv(GL_LIGHT0, GL_AMBIENT, black);
            glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
            glLightfv(GL_LIGHT0, GL_SPECULAR, white);
            glLightfv(GL_LIGHT0, GL_POSITION, position);
            glEnable(GL_LIGHT0);
        }
        const Matrix4x4 T = viewPoint->worldToEye();
        GLfloat R[16] = {0.0f};
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c)
                R[c * 4 + r] = GLfloat(T[r][c]);
        R[15] = 1.0f;
        glMultMatrixf(R);
        // Positions reach GL relative to the render origin.
        glTranslatef(GLfloat(T[0][3] + renderOrigin[0]), GLfloat(T[1][3] + renderOrigin[1]),
                     GLfloat(T[2][3] + renderOrigin[2]));
        if (store)
            viewFrame.setCamera(*viewPoint);
    }
}

// ---- The structure

void StructureView::renderStructure()
{
    const int mode = currentState->mode();
    const bool lightWeight = currentState->hasRenderHint(CurrentState::LightWeight);
    if (currentState->hasRenderHint(CurrentState::RenderSolid) && mode == CurrentState::Geometry) {
        const bool previous = shadowState->enableLighting(true);
        renderStructureSolidMembers();
        shadowState->enableLighting(previous);
    } else {
        renderStructureNodes();
        if (!lightWeight)
            renderStructureSupports();
        renderStructureWireFrameMembers();
    }
    if (mode == CurrentState::Loading && !lightWeight) {
        const LoadCaseRef loadCase = currentState->loadCase();
        iGL::setColour(loadCase ? loadCase->colour() : Colours::loadLinear);
        renderStructureLoads(documentModel->loadsInLoadCase(loadCase));
    }
}

void StructureView::drawWithNodeVertices(const std::function<void()>& draw)
{
    const bool previous = shadowState->enableVertexArray(true);
    geometryVBO.nodeVertices.enabled = true;
    geometryVBO.nodeVertices.bind();
    draw();
    geometryVBO.nodeVertices.enabled = false;
    shadowState->enableVertexArray(previous);
}

void StructureView::renderStructureNodes()
{
    GeometryVBO& g = geometryVBO;
    if (g.allNodes.isEmpty())
        return;
    drawWithNodeVertices([&] {
        glPointSize(currentState->hasRenderHint(CurrentState::LightWeight) ? 1.0f : 8.0f);
        iGL::setColour(Colours::nodePoint);
        g.groupNodes.draw(GL_POINTS);
        iGL::setColour(withAlpha(Colours::nodePoint, 96));
        g.otherNodes.draw(GL_POINTS);
    });
}

void StructureView::renderStructureSupports()
{
    GeometryVBO& g = geometryVBO;
    if (g.allNodes.isEmpty())
        return;
    drawWithNodeVertices([&] {
        iGL::setColour(Colours::support);
        glPointSize(GLfloat(12.0 * clampScale(currentState->scaleGI(), 1.0, 4.0)));
        for (int i = 0; i < g.nodes.size(); ++i)
            if (g.nodes[i]->support())
                g.allNodes.draw(GL_POINTS, i, 1);
    });
}

void StructureView::renderStructureWireFrameMembers()
{
    GeometryVBO& g = geometryVBO;
    if (g.allMembers.isEmpty())
        return;
    const bool lightWeight = currentState->hasRenderHint(CurrentState::LightWeight);
    const bool previousVertex = shadowState->enableVertexArray(true);
    g.nodeVertices.enabled = true;
    g.nodeVertices.bind();
    const GLfloat width = lightWeight ? 1.0f : 2.0f;
    glLineWidth(width);
    const QColor colours[] = {Colours::memberMajor, Colours::memberMinor, Colours::memberIgnore};
    IndexArray* current[] = {&g.majorMembers, &g.minorMembers, &g.ignoredMembers};
    IndexArray* others[] = {&g.otherMajorMembers, &g.otherMinorMembers, &g.otherIgnoredMembers};
    for (int k = 0; k < 3; ++k) {
        iGL::setColour(colours[k]);
        current[k]->draw(GL_LINES);
    }
    glPushAttrib(GL_LINE_BIT);
    glEnable(GL_LINE_STIPPLE);
    glLineStipple(1, 0x5555);
    glLineWidth(width);
    for (int k = 0; k < 3; ++k) {
        iGL::setColour(withAlpha(colours[k], 128));
        others[k]->draw(GL_LINES);
    }
    glPopAttrib();
    glLineWidth(1.0f);
    glPushAttrib(GL_LINE_BIT);
    glEnable(GL_LINE_STIPPLE);
    glLineStipple(1, 0x00FF);
    iGL::setColour(Colours::memberInvalid);
    g.invalidMembers.draw(GL_LINES);
    glPopAttrib();
    g.nodeVertices.enabled = false;

    if (!lightWeight) {
        const double s = std::min(frameSize().width(), frameSize().height());
        const double k = clampScale(currentState->scaleGI(), 0.5, 2.0) * std::fabs(3.0 / s);
        const bool previousLighting = shadowState->enableLighting(true);
        const GroupRef group = currentState->group();
        for (const MemberRef& member : qAsConst(g.members)) {
            if (!member->bringCacheUpToDate() || (!member->pinAtA() && !member->pinAtB()))
                continue;
            const bool inGroup = !group || static_cast<const Group*>(member->group().data()) == group.data();
            setGLMaterialColour(inGroup ? Colours::memberPin : withAlpha(Colours::memberPin, 128));
            glPushMatrix();
            translateTo(positionOf(member->nodeA()));
            multiplyGLMatrixBy(member->transformationMatrix());
            // Each sphere sits its own radius inside the member from the pinned end.
            const auto pinSphere = [&](double x, float inward) {
                glPushMatrix();
                glTranslatef(GLfloat(x), 0.0f, 0.0f);
                iGL::descaleGLMatrix(k);
                glTranslatef(inward, 0.0f, 0.0f);
                sphere.render(shadowState);
                glPopMatrix();
            };
            if (member->pinAtA())
                pinSphere(0.0, 1.0f);
            if (member->pinAtB())
                pinSphere(member->length(), -1.0f);
            glPopMatrix();
        }
        shadowState->enableLighting(previousLighting);
    }
    shadowState->enableVertexArray(previousVertex);
}

void StructureView::renderStructureSolidMembers()
{
    const QList<MemberRef>& members = geometryVBO.members;
    if (members.isEmpty())
        return;
    const bool previous = shadowState->enableVertexArray(true);
    const GeometryGroupRef currentGeometryGroup = currentState->group().objectCast<GeometryGroup>();
    const auto drawBatch = [&](const GeometryGroupRef& group) {
        // Back to front; of equal depths the later member first.
        std::sort(depthOrder.begin(), depthOrder.end(), [](const QPair<double, int>& a, const QPair<double, int>& b) {
            return a.first < b.first || (a.first == b.first && a.second > b.second);
        });
        batchMembers.resize(0);
        for (const auto& entry : qAsConst(depthOrder))
            batchMembers.append(members[entry.second]);
        renderStructureGroupedMembers(batchMembers, group, currentGeometryGroup);
        depthOrder.resize(0);
    };
    depthOrder.resize(0);
    GeometryGroupRef batchGroup;
    for (int i = 0; i < members.size(); ++i) {
        const MemberRef& member = members[i];
        if (member->group() != batchGroup) {
            drawBatch(batchGroup);
            batchGroup = member->group();
        }
        const Vector3 mid = (positionOf(member->nodeA()) + positionOf(member->nodeB())) * 0.5;
        depthOrder.append(qMakePair(-viewPoint->transformWorldToEye(mid).z(), i));
    }
    drawBatch(batchGroup);
    shadowState->enableVertexArray(previous);
}

void StructureView::renderStructureGroupedMembers(const QVector<MemberRef>& members, const GeometryGroupRef& group,
                                                  const GeometryGroupRef& currentGeometryGroup)
{
    if (members.isEmpty())
        return;
    QColor colour = group ? group->colour() : Colours::defaultRenderedMember;
    if (currentGeometryGroup && currentGeometryGroup != group)
        colour.setAlphaF(colour.alphaF() * 0.25);
    setGLMaterialColour(colour);
    for (const MemberRef& member : members)
        renderSolidMember(member);
}

void StructureView::setGLMaterialColour(const QColor& colour) const
{
    const GLfloat specular[] = {1.0f, 1.0f, 1.0f, 1.0f};
    const GLfloat emission[] = {0.0f, 0.0f, 0.0f, 1.0f};
    const GLfloat c[] = {GLfloat(colour.redF()), GLfloat(colour.greenF()), GLfloat(colour.blueF()),
                         GLfloat(colour.alphaF())};
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, specular);
    glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, emission);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 96.0f);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE, c);
}

void StructureView::renderSolidMember(const MemberRef& member)
{
    const SectionTypeRef sectionType = member->sectionType();
    if (!member->bringCacheUpToDate() || !sectionType)
        return;
    const CrossSectionRef section = sectionType->crossSection();
    if (!section || (!section->isValid() && !section->determineValidity()))
        return;
    const CrossSection::VertexArrays mesh = section->extrusionVertices();
    if (mesh.vertices.isEmpty())
        return;
    const QVector<quint32> sides = section->extrusionEdgeIndices();
    const QVector<quint32> faceA = section->extrusionFaceAIndices();
    const QVector<quint32> faceB = section->extrusionFaceBIndices();
    glPushMatrix();
    translateTo(positionOf(member->nodeA()));
    multiplyGLMatrixBy(member->transformationMatrix());
    if (section->isRotated())
        glRotatef(-90.0f, 1.0f, 0.0f, 0.0f);
    glScalef(GLfloat(member->length()), GLfloat(section->overallDepth()), GLfloat(section->overallWidth()));
    const bool previous = shadowState->enableNormalArray(true);
    glVertexPointer(3, GL_FLOAT, 12, mesh.vertices.constData());
    glNormalPointer(GL_FLOAT, 12, mesh.normals.constData());
    glDrawElements(GL_TRIANGLES, sides.size(), GL_UNSIGNED_INT, sides.constData());
    shadowState->enableNormalArray(previous);
    if (!faceA.isEmpty()) {
        glNormal3f(1.0f, 0.0f, 0.0f);
        glDrawElements(GL_TRIANGLES, faceA.size(), GL_UNSIGNED_INT, faceA.constData());
    }
    if (!faceB.isEmpty()) {
        glNormal3f(-1.0f, 0.0f, 0.0f);
        glDrawElements(GL_TRIANGLES, faceB.size(), GL_UNSIGNED_INT, faceB.constData());
    }
    glPopMatrix();
}
