#include "GLHelpers.h"

#include <QOpenGLContext>

#include <cmath>

namespace iGL {

void VertexArray::bind()
{
    glVertexPointer(3, GL_FLOAT, 12, vertices.constData());
    if (!normals.isEmpty())
        glNormalPointer(GL_FLOAT, 12, normals.constData());
}

void IndexArray::draw(GLenum mode, int first, int count)
{
    if (count < 0)
        count = indices.size() - first;
    if (count <= 0)
        return;
    enabled = true;
    glDrawElements(mode, count, GL_UNSIGNED_INT, indices.constData() + first);
    enabled = false;
}

bool ShadowState::enableServerFlag(bool on, bool* flag, GLenum capability)
{
    const bool previous = *flag;
    if (on != previous) {
        *flag = on;
        if (on)
            glEnable(capability);
        else
            glDisable(capability);
    }
    return previous;
}

bool ShadowState::enableClientFlag(bool on, bool* flag, GLenum array)
{
    const bool previous = *flag;
    if (on != previous) {
        *flag = on;
        if (on)
            glEnableClientState(array);
        else
            glDisableClientState(array);
    }
    return previous;
}

quint32 ShadowState::snapshot() const
{
    return quint32(depthTest) | quint32(lighting) << 8 | quint32(normalArray) << 16 | quint32(vertexArray) << 24;
}

void ShadowState::restore()
{
    if (savedStates.isEmpty())
        return;
    const quint32 s = savedStates.takeLast();
    enableDepthTest(s & 0xFF);
    enableLighting((s >> 8) & 0xFF);
    enableNormalArray((s >> 16) & 0xFF);
    enableVertexArray((s >> 24) & 0xFF);
}

// The normals point into the meshes: the view's camera mirrors z and its light
// lies along the eye's -z, so inward normals light the faces the eye sees.
void ConeObject::create(int n)
{
    segments = n;
    mesh.clear();
    sideTriangles.clear();
    baseFan.clear();
    const float step = 6.2831855f / float(n);
    const float slope = 0.70710677f;
    for (int i = 0; i < n; ++i) {
        const float a = float(i) * step;
        const float h = a + step / 2.0f;
        mesh.vertices << QVector3D(0.0f, 0.0f, 0.0f) << QVector3D(std::cos(a), std::sin(a), 1.0f);
        mesh.normals << QVector3D(-std::cos(h), -std::sin(h), slope) << QVector3D(-std::cos(a), -std::sin(a), slope);
    }
    mesh.vertices << QVector3D(0.0f, 0.0f, 1.0f);
    mesh.normals << QVector3D(0.0f, 0.0f, -1.0f);
    for (int i = 0; i < n; ++i)
        sideTriangles.indices << GLuint(2 * i) << GLuint((2 * i + 3) % (2 * n)) << GLuint(2 * i + 1);
    baseFan.indices << GLuint(2 * n);
    for (int i = 0; i < n; ++i)
        baseFan.indices << GLuint(2 * i + 1);
    baseFan.indices << 1;
}

void ConeObject::render(const QScopedPointer<ShadowState>& shadow)
{
    const bool previousVertex = shadow->enableVertexArray(true);
    mesh.enabled = true;
    mesh.bind();
    const bool previousNormal = shadow->enableNormalArray(true);
    sideTriangles.draw(GL_TRIANGLES);
    shadow->enableNormalArray(previousNormal);
    glNormal3f(0.0f, 0.0f, -1.0f);
    baseFan.draw(GL_TRIANGLE_FAN);
    mesh.enabled = false;
    shadow->enableVertexArray(previousVertex);
}

void SphereObject::create(int n)
{
    segments = n;
    mesh.clear();
    topFan.clear();
    bottomFan.clear();
    bands.clear();
    const int half = n / 2;
    mesh.vertices << QVector3D(0.0f, 1.0f, 0.0f);
    mesh.normals << QVector3D(0.0f, -1.0f, 0.0f);
    if (n >= 4) {
        const double step = 2.0 * M_PI / n;
        for (int r = 1; r <= half - 1; ++r)
            for (int j = 0; j < n; ++j) {
                const double phi = r * step, theta = j * step;
                const QVector3D v(float(std::sin(phi) * std::cos(theta)), float(std::cos(phi)),
                                  float(std::sin(phi) * std::sin(theta)));
                mesh.vertices << v;
                mesh.normals << -v;
            }
    }
    const int B = 1 + (half - 1) * n;
    mesh.vertices << QVector3D(0.0f, -1.0f, 0.0f);
    mesh.normals << QVector3D(0.0f, 1.0f, 0.0f);
    for (int i = 0; i <= n; ++i)
        topFan.indices << GLuint(i);
    topFan.indices << 1;
    for (int i = 0; i <= n; ++i)
        bottomFan.indices << GLuint(B - i);
    bottomFan.indices << GLuint((half - 1) * n);
    for (int b = 1; b <= half - 2; ++b) {
        const int first = 1 + (b - 1) * n;
        for (int j = 0; j <= n - 2; ++j)
            bands.indices << GLuint(first + j) << GLuint(first + j + n);
        bands.indices << GLuint(b * n) << GLuint((b + 1) * n) << GLuint(first) << GLuint(first + n);
    }
}

void SphereObject::render(const QScopedPointer<ShadowState>& shadow)
{
    const bool previousVertex = shadow->enableVertexArray(true);
    const bool previousNormal = shadow->enableNormalArray(true);
    mesh.enabled = true;
    mesh.bind();
    topFan.draw(GL_TRIANGLE_FAN);
    bottomFan.draw(GL_TRIANGLE_FAN);
    const int stripLength = 2 * segments + 2;
    for (int b = 0; b + 1 < segments / 2 - 1; ++b)
        bands.draw(GL_TRIANGLE_STRIP, b * stripLength, stripLength);
    mesh.enabled = false;
    shadow->enableNormalArray(previousNormal);
    shadow->enableVertexArray(previousVertex);
}

void multiDrawElements(GLenum mode, const QVector<GLsizei>& counts, const QVector<const void*>& starts)
{
    typedef void(APIENTRY * MultiDraw)(GLenum, const GLsizei*, GLenum, const void* const*, GLsizei);
    const QOpenGLContext* context = QOpenGLContext::currentContext();
    const MultiDraw multiDraw = context ? MultiDraw(context->getProcAddress("glMultiDrawElements")) : nullptr;
    if (multiDraw) {
        multiDraw(mode, counts.constData(), GL_UNSIGNED_INT, starts.constData(), counts.size());
        return;
    }
    for (int i = 0; i < counts.size(); ++i)
        glDrawElements(mode, counts[i], GL_UNSIGNED_INT, starts[i]);
}

float depthScale(const GLfloat* modelView, double k)
{
    const float f = float(k) * std::fabs(modelView[14]);
    return std::fabs(f) < 0x1p-128f ? 0.0f : f;
}

double descaleGLMatrix(double k)
{
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    const float f = depthScale(m, k);
    if (f == 0.0f)
        return 1.0;
    glScalef(f, f, f);
    return 1.0 / f;
}

} // namespace iGL
