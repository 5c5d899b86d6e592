#pragma once

#include "Vectors.h"

// Turning six-vectors between global axes and member axes r, whose rows are
// the member's local x, y and z axes in global coordinates: local = r·global,
// global = rᵀ·local. Forces and couples turn alike; single vectors turn with
// foundation's globalToLocal and localToGlobal.

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
    turnTriple(&v, 0, r, globalToLocal);
    turnTriple(&v, 3, r, globalToLocal);
    return v;
}

inline Vector6 toGlobal(const Matrix3x3& r, Vector6 v)
{
    turnTriple(&v, 0, r, localToGlobal);
    turnTriple(&v, 3, r, localToGlobal);
    return v;
}
