#include "AnalysisTrapezoidLoad.h"

#include "MemberEndForces.h"
#include "Roark.h"

#include <cmath>

namespace {

// Axial share at end 1 of a triangle rising from 0 at a1 to w at a2 on a bar
// fixed at both ends, less the part of it carried up to x: its resultant
// w·c/2 acts at a1 + 2c/3.
double risingAxialForce(double x, double w, double a1, double a2, double L)
{
    const double c = a2 - a1;
    const double F = w * c / 2.0;
    const double S = F * (L - (a1 + 2.0 * c / 3.0)) / L;
    double G = F;
    if (x < a1)
        G = 0.0;
    else if (x < a2)
        G = F * (x - a1) * (x - a1) / (c * c);
    return S - G;
}

} // namespace

void AnalysisTrapezoidLoad::localEndForces(double L, Vector6* end1, Vector6* end2) const
{
    const double a1 = start * L;
    const double a2 = end * L;
    const double c = a2 - a1;
    const Vector3& w1 = startIntensity;
    const Vector3& w2 = endIntensity;

    // Axial, per triangle: the rising one's resultant w2·c/2 acts at a1 + 2c/3,
    // the falling one's w1·c/2 at a1 + c/3, each shared by the lever rule.
    (*end1)[0] = (*end2)[0] = 0.0;
    if (std::fabs(w1[0]) + std::fabs(w2[0]) >= axialThreshold) {
        const double F2 = w2[0] * c / 2.0, x2 = a1 + 2.0 * c / 3.0;
        const double F1 = w1[0] * c / 2.0, x1 = a1 + c / 3.0;
        (*end1)[0] = F1 * (L - x1) / L + F2 * (L - x2) / L;
        (*end2)[0] = F1 * x1 / L + F2 * x2 / L;
    }
    (*end1)[3] = (*end2)[3] = 0.0;

    // Bending: a triangle rising to w2 at a2 and one falling from w1 at a1,
    // the latter seen from end 2.
    double Rxy[2] = {0.0, 0.0}, Mxy[2] = {0.0, 0.0}, Rxz[2] = {0.0, 0.0}, Mxz[2] = {0.0, 0.0};
    Roark::III_36AccumulateReactions(w2[1], a2, c, L, Rxy, Mxy, false);
    Roark::III_36AccumulateReactions(w1[1], L - a1, c, L, Rxy, Mxy, true);
    Roark::III_36AccumulateReactions(w2[2], a2, c, L, Rxz, Mxz, false);
    Roark::III_36AccumulateReactions(w1[2], L - a1, c, L, Rxz, Mxz, true);
    setBendingEndForces(Rxy, Mxy, Rxz, Mxz, end1, end2);
}

void AnalysisTrapezoidLoad::accumulateDeflectionAtPoint(double L, double E, double Iz, double Iy, double t, Vector3* d) const
{
    const double x = t * L;
    const double a1 = start * L;
    const double a2 = end * L;
    const double c = a2 - a1;
    (*d)[1] += Roark::III_36IntermediateDeflection(L - x, -startIntensity[1], L - a1, c, L, E, Iz)
        + Roark::III_36IntermediateDeflection(x, -endIntensity[1], a2, c, L, E, Iz);
    (*d)[2] += Roark::III_36IntermediateDeflection(L - x, -startIntensity[2], L - a1, c, L, E, Iy)
        + Roark::III_36IntermediateDeflection(x, -endIntensity[2], a2, c, L, E, Iy);
}

void AnalysisTrapezoidLoad::accumulateForceAtPoint(double L, double t, Vector6* f) const
{
    const double x = t * L;
    const double a1 = start * L;
    const double a2 = end * L;
    const double c = a2 - a1;

    (*f)[0] -= risingAxialForce(x, endIntensity[0], a1, a2, L);
    (*f)[0] += risingAxialForce(L - x, startIntensity[0], L - a2, L - a1, L);

    double V, M;
    Roark::III_36IntermediateForce(&V, &M, L - x, -startIntensity[1], L - a1, c, L);
    (*f)[1] -= V;
    (*f)[5] += M;
    Roark::III_36IntermediateForce(&V, &M, x, -endIntensity[1], a2, c, L);
    (*f)[1] += V;
    (*f)[5] += M;
    Roark::III_36IntermediateForce(&V, &M, L - x, -startIntensity[2], L - a1, c, L);
    (*f)[2] -= V;
    (*f)[4] += M;
    Roark::III_36IntermediateForce(&V, &M, x, -endIntensity[2], a2, c, L);
    (*f)[2] += V;
    (*f)[4] += M;
}
