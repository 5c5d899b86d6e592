#include "Roark.h"

namespace Roark {

namespace {

// R_A and M_A of case III.37.
inline double reactionIII_37(double M0, double a, double L)
{
    const double b = L - a;
    return -6.0 * M0 * a * b / (L * L * L);
}

inline double momentIII_37(double M0, double a, double L)
{
    return M0 * (4.0 * a * L - 3.0 * a * a - L * L) / (L * L);
}

// The partial linearly increasing load of case III.36: its resultant W, the
// distance e from W to end B, R_A and the end moments B·W/L (at A, signed) and
// C·W/L (magnitude at B).
struct III_36
{
    double W, a1, e, RA, MA, MB;

    III_36(double w, double a2, double c, double L)
    {
        W = w * c / 2.0;
        a1 = a2 - c;
        e = L - (a1 + 2.0 * c / 3.0);
        const double c2 = c * c, c3 = c2 * c, e2 = e * e, e3 = e2 * e;
        const double A = c2 * a2 / (3.0 * L) + 3.0 * e2 - c2 / 6.0 - 17.0 * c3 / (135.0 * L) - 2.0 * e3 / L;
        const double B = c2 / 9.0 + e3 / L + 51.0 * c3 / (810.0 * L) - c2 * a2 / (6.0 * L) - e2;
        const double C = e * L + e3 / L + c2 / 18.0 + 51.0 * c3 / (810.0 * L) - c2 * a2 / (6.0 * L) - 2.0 * e2;
        RA = A * W / (L * L);
        MA = B * W / L;
        MB = C * W / L;
    }
};

} // namespace

double III_32IntermediateDeflection(double x, double W, double a, double L, double E, double I)
{
    const double b = L - a;
    const double L3 = L * L * L;
    if (x < a)
        return W * b * b * x * x * ((3.0 * a + b) * x - 3.0 * a * L) / (6.0 * E * I * L3);
    const double xb = L - x;
    return W * a * a * xb * xb * ((a + 3.0 * b) * xb - 3.0 * b * L) / (6.0 * E * I * L3);
}

void III_32IntermediateForce(double* V, double* M, double x, double W, double a, double L)
{
    const double b = L - a;
    const double RA = W * b * b * (3.0 * a + b) / (L * L * L);
    const double MA = -W * a * b * b / (L * L);
    if (x < a) {
        *V = RA;
        *M = MA + RA * x;
    } else {
        *V = RA - W;
        *M = MA + RA * x - W * (x - a);
    }
}

void III_32AccumulateReactions(double W, double a, double L, double R[2], double M[2])
{
    const double b = L - a;
    const double L2 = L * L, L3 = L2 * L;
    R[0] += W * b * b * (3.0 * a + b) / L3;
    R[1] += W * a * a * (a + 3.0 * b) / L3;
    M[0] += W * a * b * b / L2;
    M[1] += W * a * a * b / L2;
}

double III_37IntermediateDeflection(double x, double M0, double a, double L, double E, double I)
{
    const double RA = reactionIII_37(M0, a, L);
    const double MA = momentIII_37(M0, a, L);
    if (x < a)
        return (3.0 * MA * x * x + RA * x * x * x) / (6.0 * E * I);
    const double xb = L - x;
    return xb * xb * (3.0 * (M0 + MA) + RA * (2.0 * L + x)) / (6.0 * E * I);
}

void III_37IntermediateForce(double* V, double* M, double x, double M0, double a, double L)
{
    const double RA = reactionIII_37(M0, a, L);
    const double MA = momentIII_37(M0, a, L);
    *V = RA;
    *M = MA + RA * x + (x < a ? 0.0 : M0);
}

void III_37AccumulateReactions(double M0, double a, double L, double R[2], double M[2])
{
    const double RA = reactionIII_37(M0, a, L);
    const double L2 = L * L;
    R[0] += RA;
    R[1] -= RA;
    M[0] += M0 * (L2 - 4.0 * a * L + 3.0 * a * a) / L2;
    M[1] += M0 * (2.0 * a * L - 3.0 * a * a) / L2;
}

double III_36IntermediateDeflection(double x, double w, double a2, double c, double L, double E, double I)
{
    const III_36 k(w, a2, c, L);
    if (x < k.a1)
        return (3.0 * k.MA * x * x + k.RA * x * x * x) / (6.0 * E * I);
    if (x < a2) {
        const double s = x - k.a1;
        return (3.0 * k.MA * x * x + k.RA * x * x * x - k.W * s * s * s * s * s / (10.0 * c * c)) / (6.0 * E * I);
    }
    const double xb = L - x;
    const double d = x - L + k.e;
    return (k.RA * (2.0 * L * L * L - 3.0 * L * L * x + x * x * x) + 3.0 * k.MA * xb * xb
            + k.W * (k.e * k.e * k.e + 3.0 * k.e * k.e * (x - L) - d * d * d))
        / (6.0 * E * I);
}

void III_36IntermediateForce(double* V, double* M, double x, double w, double a2, double c, double L)
{
    const III_36 k(w, a2, c, L);
    *V = k.RA;
    *M = k.RA * x + k.MA;
    if (x >= a2) {
        *V -= k.W;
        *M -= k.W * (x - k.a1 - 2.0 * c / 3.0);
    } else if (x >= k.a1) {
        const double s = x - k.a1;
        *V -= k.W * s * s / (c * c);
        *M -= k.W * s * s * s / (3.0 * c * c);
    }
}

void III_36AccumulateReactions(double w, double a2, double c, double L, double R[2], double M[2], bool swap)
{
    const III_36 k(w, a2, c, L);
    const int i = swap ? 1 : 0;
    const int j = 1 - i;
    R[i] += k.RA;
    R[j] += k.W - k.RA;
    M[i] -= k.MA;
    M[j] += k.MB;
}

} // namespace Roark
