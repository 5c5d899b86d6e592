#pragma once

#include "Vectors.h"

// Turning vectors between global axes and member axes r, whose rows are the
// member's local x, y and z axes in global coordinates: local = r·global,
// global = rᵀ·local. A six-vector turns its forces and couples alike.

inline Vector3 toLocal(const Matrix3x3& r, const Vector3& g)
{
    return Vector3(r[0][0] * g[0] + r[0][1] * g[1] + r[0][2] * g[2], r[1][0] * g[0] + r[1][1] * g[1] + r[1][2] * g[2],
                   r[2][0] * g[0] + r[2][1] * g[1] + r[2][2] * g[2]);
}

inline Vector3 toGlobal(const Matrix3x3& r, const Vector3& l)
{
    return Vector3(r[0][0] * l[0] + r[1][0] * l[1] + r[2][0] * l[2], r[0][1] * l[0] + r[1][1] * l[1] + r[2][1] * l[2],
                   r[0][2] * l[0] + r[1][2] * l[1] + r[2][2] * l[2]);
}

// Turns the triple starting at offset of v in place.
template <class V, class Turn>
inline void turnTriple(V* v, int offset, const Matrix3x3& r, Turn turn)
{
    const Vector3 t = turn(r, Vector3((*v)[offset], (*v)[offset + 1], (*v)[offset + 2]));
    for (int i = 0; i < 3; ++i)
        (*v)[offset + i] = t[i];
}

inline Vector6 toLocal(const Matrix3x3& r, Vector6 v)
{
    turnTriple(&v, 0, r, [](const Matrix3x3& m, const Vector3& x) { return toLocal(m, x); });
    turnTriple(&v, 3, r, [](const Matrix3x3& m, const Vector3& x) { return toLocal(m, x); });
    return v;
}

inline Vector6 toGlobal(const Matrix3x3& r, Vector6 v)
{
    turnTriple(&v, 0, r, [](const Matrix3x3& m, const Vector3& x) { return toGlobal(m, x); });
    turnTriple(&v, 3, r, [](const Matrix3x3& m, const Vector3& x) { return toGlobal(m, x); });
    return v;
}
