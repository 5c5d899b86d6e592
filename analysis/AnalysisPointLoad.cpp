#include "AnalysisPointLoad.h"

#include "MemberEndForces.h"
#include "Roark.h"

void AnalysisPointLoad::localEndForces(double L, Vector6* end1, Vector6* end2) const
{
    const double t = position;
    const double a = t * L;
    const Vector6& P = force;

    (*end1)[0] = (1.0 - t) * P[0];
    (*end2)[0] = t * P[0];
    (*end1)[3] = (1.0 - t) * P[3];
    (*end2)[3] = t * P[3];

    // x–y plane: force Py and couple Mz; x–z plane: force Pz and couple My,
    // which turns the other way.
    double Rxy[2] = {0.0, 0.0}, Mxy[2] = {0.0, 0.0}, Rxz[2] = {0.0, 0.0}, Mxz[2] = {0.0, 0.0};
    Roark::III_32AccumulateReactions(P[1], a, L, Rxy, Mxy);
    Roark::III_37AccumulateReactions(P[5], a, L, Rxy, Mxy);
    Roark::III_32AccumulateReactions(P[2], a, L, Rxz, Mxz);
    Roark::III_37AccumulateReactions(-P[4], a, L, Rxz, Mxz);
    setBendingEndForces(Rxy, Mxy, Rxz, Mxz, end1, end2);
}

void AnalysisPointLoad::accumulateDeflectionAtPoint(double L, double E, double Iz, double Iy, double t, Vector3* d) const
{
    const double x = t * L;
    const double a = position * L;
    const Vector6& P = force;
    (*d)[1] += Roark::III_32IntermediateDeflection(x, -P[1], a, L, E, Iz)
        + Roark::III_37IntermediateDeflection(x, -P[5], a, L, E, Iz);
    (*d)[2] += Roark::III_32IntermediateDeflection(x, -P[2], a, L, E, Iy)
        + Roark::III_37IntermediateDeflection(x, P[4], a, L, E, Iy);
}

void AnalysisPointLoad::accumulateForceAtPoint(double L, double t, Vector6* f) const
{
    const double x = t * L;
    const double a = position * L;
    const double b = L - a;
    const Vector6& P = force;

    // Axial force and torsion take opposite signs, as the end-displacement part does.
    if (x < a) {
        (*f)[0] -= P[0] * b / L;
        (*f)[3] += P[3] * b / L;
    } else {
        (*f)[0] += P[0] * a / L;
        (*f)[3] -= P[3] * a / L;
    }

    double V, M, V2, M2;
    Roark::III_32IntermediateForce(&V, &M, x, -P[1], a, L);
    Roark::III_37IntermediateForce(&V2, &M2, x, -P[5], a, L);
    (*f)[1] += V + V2;
    (*f)[5] += M + M2;
    Roark::III_32IntermediateForce(&V, &M, x, -P[2], a, L);
    Roark::III_37IntermediateForce(&V2, &M2, x, P[4], a, L);
    (*f)[2] += V + V2;
    (*f)[4] += M + M2;
}
