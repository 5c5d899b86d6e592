#pragma once

#include "Vectors.h"

// Equivalent end loads of a member load from the end reactions R and end
// moments M that Roark's cases accumulate in each bending plane: in x–y,
// Fy = (R0, R1) and Mz = (M0, −M1); in x–z, Fz = (R0, R1) and My = (−M0, M1),
// as a positive My turns z towards x. Axial force and torsion are left alone.
inline void setBendingEndForces(const double Rxy[2], const double Mxy[2], const double Rxz[2], const double Mxz[2],
                                Vector6* end1, Vector6* end2)
{
    (*end1)[1] = Rxy[0];
    (*end2)[1] = Rxy[1];
    (*end1)[5] = Mxy[0];
    (*end2)[5] = -Mxy[1];
    (*end1)[2] = Rxz[0];
    (*end2)[2] = Rxz[1];
    (*end1)[4] = -Mxz[0];
    (*end2)[4] = Mxz[1];
}
