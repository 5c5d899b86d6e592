#pragma once

#include "Vectors.h"

#include <QColor>
#include <QScopedPointer>
#include <QVector3D>
#include <QVector>
#include <qopengl.h>

// Fixed-function GL helpers of the 3D view. The arrays and meshes are plain
// data: they are filled without a GL context and only drawn with one.
namespace iGL {

// Client-side vertices (and optional normals) of one display record; enabled
// while bound for drawing.
struct VertexArray
{
    QVector<QVector3D> vertices;
    QVector<QVector3D> normals;
    bool enabled = false;

    // Empties both lists, keeping their capacity.
    void clear()
    {
        vertices.resize(0);
        normals.resize(0);
    }
    // glVertexPointer, and glNormalPointer only when there are normals.
    void bind();
};

struct IndexArray
{
    QVector<GLuint> indices;
    bool enabled = false;

    void clear() { indices.resize(0); }
    bool isEmpty() const { return indices.isEmpty(); }
    // glDrawElements of count indices from first (all of them by default).
    void draw(GLenum mode, int first = 0, int count = -1);
};

// A cache of the four most toggled GL switches, so that a pass changes GL
// only where the state really differs, and a stack of saved sets. Every pass
// starts and ends with all four off, which keeps one cache true for every
// context the view draws into.
class ShadowState
{
public:
    bool depthTest = false;
    bool lighting = false;
    bool normalArray = false;
    bool vertexArray = false;
    QVector<quint32> savedStates;

    // Each returns the previous value, so that a pass puts back what it found.
    bool enableServerFlag(bool on, bool* flag, GLenum capability);
    bool enableClientFlag(bool on, bool* flag, GLenum array);
    bool enableDepthTest(bool on) { return enableServerFlag(on, &depthTest, GL_DEPTH_TEST); }
    bool enableLighting(bool on) { return enableServerFlag(on, &lighting, GL_LIGHTING); }
    bool enableNormalArray(bool on) { return enableClientFlag(on, &normalArray, GL_NORMAL_ARRAY); }
    bool enableVertexArray(bool on) { return enableClientFlag(on, &vertexArray, GL_VERTEX_ARRAY); }

    // One byte per flag, depth test lowest.
    quint32 snapshot() const;
    void save() { savedStates.append(snapshot()); }
    // Pops and applies the last saved set; nothing when none is saved.
    void restore();
    bool allOff() const { return !depthTest && !lighting && !normalArray && !vertexArray; }
};

// A cone with its apex at the origin and a base of radius 1 at z = 1.
class ConeObject
{
public:
    int segments = 0;
    VertexArray mesh;
    IndexArray sideTriangles;
    IndexArray baseFan;

    void create(int n);
    void render(const QScopedPointer<ShadowState>& shadow);
};

// A unit sphere with its poles on the y axis.
class SphereObject
{
public:
    int segments = 0;
    VertexArray mesh;
    IndexArray topFan;
    IndexArray bottomFan;
    IndexArray bands;

    void create(int n);
    void render(const QScopedPointer<ShadowState>& shadow);
};

// Several runs of indices in one call (glMultiDrawElements of GL 1.4), or
// one call per run where the context lacks it.
void multiDrawElements(GLenum mode, const QVector<GLsizei>& counts, const QVector<const void*>& starts);

// Scales the model-view matrix by k times the eye depth of the current
// origin, so that a glyph keeps its size on screen; returns the factor that
// converts lengths back (1 when the origin lies in the eye's plane).
double descaleGLMatrix(double k);
// The same factor, from a model-view array already read: k × |m[14]|, or 0
// when that is (almost) zero.
float depthScale(const GLfloat* modelView, double k);

inline QVector3D toFloat(const Vector3& v)
{
    return QVector3D(float(v.x()), float(v.y()), float(v.z()));
}

inline void setColour(const QColor& c)
{
    glColor4f(GLfloat(c.redF()), GLfloat(c.greenF()), GLfloat(c.blueF()), GLfloat(c.alphaF()));
}

inline void translate(const Vector3& p)
{
    glTranslatef(GLfloat(p.x()), GLfloat(p.y()), GLfloat(p.z()));
}

} // namespace iGL
