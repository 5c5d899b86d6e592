#include "StructureView.h"

#include "Graphics.h"
#include "Load.h"
#include "Member.h"
#include "Node.h"
#include "PointLoad.h"
#include "TorqueLoad.h"
#include "TrapezoidLoad.h"
#include "VisualConstants.h"

#include <algorithm>
#include <cmath>

namespace {

const double pi = 3.14159265358979323846;

// Scales the model-view matrix by size × the eye depth of the current origin.
void scaleByDepth(double size)
{
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    const float s = iGL::depthScale(m, size);
    if (s != 0.0f)
        glScalef(s, s, s);
}

double signOf(double x)
{
    return std::signbit(x) ? -1.0 : 1.0;
}

Vector3 pointAlong(const MemberRef& member, double t)
{
    return positionOf(member->nodeA()) * (1.0 - t) + positionOf(member->nodeB()) * t;
}

} // namespace

// ---- GL state and the shared unit glyphs

void StructureView::initialiseGLState()
{
    for (GLenum c : {GL_ALPHA_TEST, GL_BLEND, GL_CLIP_PLANE0, GL_COLOR_LOGIC_OP, GL_COLOR_MATERIAL, GL_CULL_FACE,
                     GL_DEPTH_TEST, GL_DITHER, GL_FOG, GL_LIGHTING, GL_LINE_SMOOTH, GL_MULTISAMPLE, GL_NORMALIZE,
                     GL_POINT_SMOOTH, GL_POLYGON_OFFSET_FILL, GL_SCISSOR_TEST, GL_STENCIL_TEST, GL_TEXTURE_2D})
        glDisable(c);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    glShadeModel(GL_FLAT);
    glDepthFunc(GL_LEQUAL);
    glDepthMask(GL_TRUE);
    glPointSize(1.0f);
    glLineWidth(1.0f);
    setQualityAndRareState(GL_FASTEST);
}

void StructureView::setQualityAndRareState(GLenum quality)
{
    for (GLenum h : {GL_FOG_HINT, GL_LINE_SMOOTH_HINT, GL_PERSPECTIVE_CORRECTION_HINT, GL_POINT_SMOOTH_HINT})
        glHint(h, quality);
    for (GLenum c : {GL_INDEX_LOGIC_OP, GL_LINE_STIPPLE, GL_POLYGON_OFFSET_LINE, GL_POLYGON_OFFSET_POINT,
                     GL_POLYGON_SMOOTH, GL_POLYGON_STIPPLE, GL_TEXTURE_1D})
        glDisable(c);
    glLightModelf(GL_LIGHT_MODEL_LOCAL_VIEWER, 0.0f);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    glPixelZoom(1.0f, 1.0f);
    glHint(GL_POLYGON_SMOOTH_HINT, quality);
}

void StructureView::initializeGL()
{
    initialiseGLState();
    cone.create(18);
    sphere.create(12);
    glReady = true;
    generateCommonVBO();
    scheduleRegenerateAll();
}

void StructureView::resizeGL(int w, int h)
{
    glViewport(0, 0, w, h);
}

void StructureView::generateCommonVBO()
{
    if (!glReady)
        return;
    CommonVBO& c = commonVBO;
    c.glyphVertices.clear();
    c.triadLines.clear();
    c.memberTick.clear();
    c.pointForceShaft.clear();
    c.torqueArc.clear();
    torqueArcAngles.resize(0);
    c.glyphVertices.vertices << QVector3D(0, 0, 0) << QVector3D(1, 0, 0) << QVector3D(0, 1, 0) << QVector3D(0, 0, 1);
    c.triadLines.indices << 1 << 0 << 2 << 0 << 3 << 0;
    c.glyphVertices.vertices << QVector3D(0, 0, 0) << QVector3D(0, 1, 0) << QVector3D(0, 1, -0.5f)
                             << QVector3D(0, 1, 1);
    c.memberTick.indices << 4 << 5 << 6 << 7;
    c.glyphVertices.vertices << QVector3D(0, 0, 0) << QVector3D(0, 0, 4);
    c.pointForceShaft.indices << 8 << 9;
    c.torqueArc.indices << 10;
    c.glyphVertices.vertices << QVector3D(0, 0, 0);
    for (int i = 0; i <= 84; ++i) {
        const double a = (i - 12) * pi / 48.0;
        torqueArcAngles << a;
        c.torqueArc.indices << GLuint(c.glyphVertices.vertices.size());
        c.glyphVertices.vertices << QVector3D(float(0.5 * std::cos(a)), float(0.5 * std::sin(a)), 0.0f);
    }
}

void StructureView::multiplyGLMatrixBy(const Matrix3x3& m) const
{
    const double* v = m.data();
    const GLfloat g[16] = {GLfloat(v[0]), GLfloat(v[1]), GLfloat(v[2]), 0.0f, GLfloat(v[3]), GLfloat(v[4]),
                           GLfloat(v[5]), 0.0f, GLfloat(v[6]), GLfloat(v[7]), GLfloat(v[8]), 0.0f,
                           0.0f,          0.0f,          0.0f,          1.0f};
    glMultMatrixf(g);
}

void StructureView::drawVertexPoints(const QVector<QVector3D>& points)
{
    glVertexPointer(3, GL_FLOAT, 12, points.constData());
    glDrawArrays(GL_POINTS, 0, points.size());
}

void StructureView::drawVertexLines(const QVector<QVector3D>& points)
{
    glVertexPointer(3, GL_FLOAT, 12, points.constData());
    glDrawArrays(GL_LINES, 0, points.size());
}

void StructureView::drawOnePoint(const Vector3& p)
{
    scratchPoints.resize(0);
    scratchPoints << toGL(p);
    drawVertexPoints(scratchPoints);
}

void StructureView::drawOneLine(const Vector3& a, const Vector3& b)
{
    scratchPoints.resize(0);
    scratchPoints << toGL(a) << toGL(b);
    drawVertexLines(scratchPoints);
}

void StructureView::drawCone(double s)
{
    glPushMatrix();
    glScalef(GLfloat(s), GLfloat(s), GLfloat(-3.0 * s));
    scaleByDepth(3.0 * pixelScale);
    cone.render(shadowState);
    glPopMatrix();
}

void StructureView::drawPointForce(double length)
{
    drawCone(std::signbit(length) ? -1.0 : 1.0);
    glPushMatrix();
    glScalef(GLfloat(length / 12.0), GLfloat(length / 12.0), GLfloat(-length / 4.0));
    commonVBO.glyphVertices.enabled = true;
    commonVBO.glyphVertices.bind();
    commonVBO.pointForceShaft.draw(GL_LINES);
    commonVBO.glyphVertices.enabled = false;
    glPopMatrix();
}

int StructureView::torqueTipIndex(double fraction) const
{
    const int n = commonVBO.torqueArc.indices.size();
    const int sixth = n / 6;
    return int(std::lrint(std::fabs(fraction) * (n - 1 - sixth))) + sixth;
}

void StructureView::drawTorqueForce(double fraction)
{
    glPushMatrix();
    if (std::signbit(fraction))
        glScalef(1.0f, -1.0f, 1.0f);
    const int t = torqueTipIndex(fraction);
    commonVBO.glyphVertices.enabled = true;
    commonVBO.glyphVertices.bind();
    if (t >= 3)
        commonVBO.torqueArc.draw(GL_LINE_STRIP, 1, t - 1);
    commonVBO.glyphVertices.enabled = false;
    const double angle = t - 1 >= 0 && t - 1 < torqueArcAngles.size() ? torqueArcAngles[t - 1] * 180.0 / pi : 0.0;
    glRotatef(GLfloat(angle), 0.0f, 0.0f, 1.0f);
    glTranslatef(0.5f, 0.0f, 0.0f);
    glRotatef(90.0f, 1.0f, 0.0f, 0.0f);
    glScalef(1.0f, 1.0f, -1.0f);
    drawCone(1.0);
    glPopMatrix();
}

// ---- Loads, member ticks and reactions

void StructureView::renderStructureLoads(const QList<LoadRef>& loads)
{
    const bool previous = shadowState->enableVertexArray(true);
    for (const LoadRef& load : loads)
        renderLoad(load, 1.0, false, false);
    shadowState->enableVertexArray(previous);
}

void StructureView::applyLoadingTransform(const LoadRef& load)
{
    const MemberRef member = load->member();
    if (!member)
        return;
    if (!member->bringCacheUpToDate())
        return;
    load->bringCacheUpToDate();
    const Vector3 g = load->globalVector();
    if (load.objectCast<TrapezoidLoad>()) {
        const Vector3 x = member->vectorX();
        const Vector3 y = g.cross(x);
        const GLfloat m[16] = {GLfloat(x.x()), GLfloat(x.y()), GLfloat(x.z()), 0.0f, GLfloat(y.x()), GLfloat(y.y()),
                               GLfloat(y.z()), 0.0f, GLfloat(g.x()), GLfloat(g.y()), GLfloat(g.z()), 0.0f,
                               0.0f,           0.0f, 0.0f,           1.0f};
        glMultMatrixf(m);
    } else {
        multiplyGLMatrixBy(member->rotatedTransformationMatrix(g));
    }
}

void StructureView::renderLoad(const LoadRef& load, double scale, bool thick, bool decorate)
{
    const MemberRef member = load->member();
    // A load without a member has nowhere to be drawn.
    if (!member)
        return;
    member->bringCacheUpToDate();
    glPushMatrix();
    const double L = member->length();
    const double q = currentState->scaleLD();
    const QList<Load::PositionedForce> pairs = load->positionedForces();
    const double p = pairs.isEmpty() ? 0.5 : pairs.first().first;
    const double f = pairs.isEmpty() ? 0.0 : pairs.first().second;
    if (load.objectCast<PointLoad>()) {
        translateTo(pointAlong(member, p));
        applyLoadingTransform(load);
        glLineWidth(thick ? 6.0f : 3.0f);
        drawPointForce(Graphics::givenForceGiveLength(f, scale * q));
    } else if (load.objectCast<TorqueLoad>()) {
        translateTo(pointAlong(member, p));
        applyLoadingTransform(load);
        glLineWidth(thick ? 6.0f : 3.0f);
        glPointSize(10.0f);
        const double a = Graphics::givenTorqueGiveAngle(f, scale * q);
        drawTorqueForce(a);
        if (decorate) {
            const double v = f * scale * q;
            commonVBO.glyphVertices.enabled = true;
            commonVBO.glyphVertices.bind();
            if (a < 0.0)
                glScalef(1.0f, -1.0f, 1.0f);
            const int n = commonVBO.torqueArc.indices.size();
            const int start = torqueTipIndex(a);
            glLineWidth(2.0f);
            iGL::setColour(Colours::loadMagnitudeDecoration);
            glPushAttrib(GL_LINE_BIT);
            glEnable(GL_LINE_STIPPLE);
            glLineStipple(1, 0x00FF);
            if (start < n - 1)
                commonVBO.torqueArc.draw(GL_LINE_STRIP, start, n - start);
            commonVBO.glyphVertices.enabled = false;
            // In the glyph's own frame, not the world's.
            scratchPoints.resize(0);
            scratchPoints << QVector3D(0.0f, float(-(std::sqrt(std::fabs(v)) / 64.0 + 0.5)), 0.0f)
                          << QVector3D(0.0f, -0.5f, 0.0f);
            drawVertexLines(scratchPoints);
            glPopAttrib();
        }
    } else if (const QSharedPointer<TrapezoidLoad> trapezoid = load.objectCast<TrapezoidLoad>()) {
        translateTo(positionOf(member->nodeA()));
        applyLoadingTransform(load);
        const double a = pairs.isEmpty() ? 0.0 : pairs[0].first;
        const double b = pairs.size() < 2 ? 1.0 : pairs[1].first;
        const double fB = pairs.size() < 2 ? 0.0 : pairs[1].second;
        const double lA = Graphics::givenForceGiveLength(f, scale * q);
        const double lB = Graphics::givenForceGiveLength(fB, scale * q);
        glPushMatrix();
        glTranslatef(GLfloat(a * L), 0.0f, 0.0f);
        drawCone(signOf(lA));
        glPopMatrix();
        glPushMatrix();
        glTranslatef(GLfloat(b * L), 0.0f, 0.0f);
        drawCone(signOf(lB));
        glPopMatrix();
        glLineWidth(thick ? 6.0f : 2.0f);
        glTranslatef(GLfloat(a * L), 0.0f, 0.0f);
        glScalef(GLfloat(L * trapezoid->spanAB()), 1.0f, -1.0f);
        const bool crossing = signOf(lA) != signOf(lB);
        const float t = crossing ? float(std::fabs(lA) / (std::fabs(lB) + std::fabs(lA))) : 0.0f;
        scratchPoints.resize(0);
        scratchPoints << QVector3D(0, 0, 0) << QVector3D(0, 0, float(lA)) << QVector3D(1, 0, float(lB))
                      << QVector3D(1, 0, 0) << QVector3D(t, 0, 0);
        glVertexPointer(3, GL_FLOAT, 12, scratchPoints.constData());
        glDrawArrays(GL_LINE_STRIP, 0, 5);
        static const GLuint crossingFill[] = {0, 4, 1, 0, 1, 4, 3, 4, 2, 3, 2, 4};
        static const GLuint quadrilateralFill[] = {0, 3, 1, 1, 3, 2, 0, 1, 3, 3, 1, 2};
        GLfloat colour[4];
        glGetFloatv(GL_CURRENT_COLOR, colour);
        glColor4f(colour[0], colour[1], colour[2], colour[3] / 2.0f);
        glDrawElements(GL_TRIANGLES, 12, GL_UNSIGNED_INT, crossing ? crossingFill : quadrilateralFill);
        glColor4fv(colour);
    }
    glPopMatrix();
}

void StructureView::renderMemberTicks(const QVector<MemberTick>& ticks, double size)
{
    if (ticks.isEmpty())
        return;
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    QVector<QVector3D>& points = scratchPoints;
    points.resize(0);
    points.reserve(4 * ticks.size());
    for (const MemberTick& tick : ticks) {
        const QVector3D middle = toGL(tick.middle);
        // The model-view matrix translated to the middle, as iGL::depthScale reads it.
        GLfloat at[16];
        std::copy(m, m + 16, at);
        at[14] = m[2] * middle.x() + m[6] * middle.y() + m[10] * middle.z() + m[14];
        const float f = iGL::depthScale(at, size);
        const double s = f != 0.0f ? double(f) : 1.0;
        for (const Vector3& v : tick.lines)
            points << toGL(tick.middle + v * s);
    }
    drawVertexLines(points);
}

void StructureView::drawReactions(const NodeRef& node, const Vector6& r, bool interrogated)
{
    double sum = 0.0;
    for (int k = 0; k < 6; ++k)
        sum += r[k] * r[k];
    if (sum < 1.0)
        return;
    const double s = currentState->scaleRe();
    glPushMatrix();
    translateTo(node->position());
    iGL::setColour(interrogated ? Colours::interrogatedReactionLinear : Colours::reactionLinear);
    // Each rotation turns the glyph's z axis onto the next global axis: z, then x, then y.
    if (std::fabs(r[2]) >= 10.0)
        drawPointForce(Graphics::givenForceGiveLength(r[2], s));
    glRotatef(90.0f, 0.0f, 1.0f, 0.0f);
    if (std::fabs(r[0]) >= 10.0)
        drawPointForce(Graphics::givenForceGiveLength(r[0], s));
    glRotatef(-90.0f, 1.0f, 0.0f, 0.0f);
    if (std::fabs(r[1]) >= 10.0)
        drawPointForce(Graphics::givenForceGiveLength(r[1], s));
    iGL::setColour(interrogated ? Colours::interrogatedReactionTorque : Colours::reactionTorque);
    if (std::fabs(r[4]) >= 10.0)
        drawTorqueForce(Graphics::givenTorqueGiveAngle(r[4], s));
    glRotatef(90.0f, 1.0f, 0.0f, 0.0f);
    if (std::fabs(r[3]) >= 10.0)
        drawTorqueForce(Graphics::givenTorqueGiveAngle(r[3], s));
    glRotatef(-90.0f, 0.0f, 1.0f, 0.0f);
    if (std::fabs(r[5]) >= 10.0)
        drawTorqueForce(Graphics::givenTorqueGiveAngle(r[5], s));
    glPopMatrix();
}
