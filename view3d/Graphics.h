#pragma once

// How a force or a torque becomes a glyph size, and back; shared by the 3D
// view and the report pictures. s is the caller's scale factor; signs follow
// the sign bit, so -0.0 counts as negative.
namespace Graphics {

// Arrow length: sign(F·s) × (0.1 + √|F·s| / 64).
double givenForceGiveLength(double F, double s);
// The inverse; lengths within the 0.1 minimum give 0.
double givenLengthGiveForce(double L, double s);
// Arc radius: sign(T·s) × (0.5 + √|T·s| / 64).
double givenTorqueGiveRadius(double T, double s);
// The inverse; radii within the 0.5 minimum give 0.
double givenRadiusGiveTorque(double R, double s);
// Fraction of the 315° torque arc, in [-1, 1].
double givenTorqueGiveAngle(double T, double s);

} // namespace Graphics
