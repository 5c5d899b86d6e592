#pragma once

// Fixed-ended prismatic beam formulas from Roark's tables (case numbers of
// table III). Sign convention inside: the load W (or w) acts towards −y, the
// couple M0 is positive counter-clockwise, deflection y and the reaction at
// end A are positive towards +y, and the moment M is positive when it sags.
// x is measured from end A; L the span; E·I the bending stiffness.
namespace Roark {

// III.32: concentrated force W at distance a from end A.
double III_32IntermediateDeflection(double x, double W, double a, double L, double E, double I);
void III_32IntermediateForce(double* V, double* M, double x, double W, double a, double L);
// Adds R_A, R_B to R and the magnitudes of the end moments to M.
void III_32AccumulateReactions(double W, double a, double L, double R[2], double M[2]);

// III.37: concentrated couple M0 at distance a from end A.
double III_37IntermediateDeflection(double x, double M0, double a, double L, double E, double I);
void III_37IntermediateForce(double* V, double* M, double x, double M0, double a, double L);
void III_37AccumulateReactions(double M0, double a, double L, double R[2], double M[2]);

// III.36: load rising linearly from 0 at a2 − c to w at a2.
double III_36IntermediateDeflection(double x, double w, double a2, double c, double L, double E, double I);
void III_36IntermediateForce(double* V, double* M, double x, double w, double a2, double c, double L);
// With swap the ends exchange places, for a load falling from w to 0
// evaluated from end B (a2 then being L − a1).
void III_36AccumulateReactions(double w, double a2, double c, double L, double R[2], double M[2], bool swap);

} // namespace Roark
