#include "Polynomial.h"

#include <cmath>

// Newton steps while they land inside the bracket, and a halving when they
// leave it or stall. A Newton step shorter than tol says only where to look:
// a probe just past its end closes the bracket, or moves it on. Only a closed
// bracket ends the search: beside a zero of high order Newton's steps shrink
// long before they arrive.
double Polynomial::closeBracket(double lo, double flo, double hi, double fhi, double tol) const
{
    const bool risesToHi = fhi > 0.0;
    double x = lo - flo * (hi - lo) / (fhi - flo), halvedTo = hi - lo;
    for (int slow = 0, i = 0; i < 200; ++i) {
        if (!(x > lo && x < hi))
            x = 0.5 * (lo + hi);
        // p and its slope at x together.
        double fx = 0.0, dfx = 0.0;
        for (int k = degree; k >= 0; --k) {
            dfx = dfx * x + fx;
            fx = fx * x + c[k];
        }
        if (fx == 0.0)
            return x;
        ((fx > 0.0) == risesToHi ? hi : lo) = x;
        if (hi - lo <= tol)
            break;
        if (hi - lo <= 0.5 * halvedTo) {
            halvedTo = hi - lo;
            slow = 0;
        } else if (++slow > 5) {
            slow = 0;
            x = 0.5 * (lo + hi);
            continue;
        }
        const double step = -fx / dfx;
        x += std::fabs(step) >= 0.5 * tol ? step : step + std::copysign(0.25 * tol, step);
    }
    return 0.5 * (lo + hi);
}

// Between two successive turning points the polynomial is monotone and
// changes sign once at most.
int Polynomial::signChanges(double lo, double hi, double tol, double* zeros, bool* rising) const
{
    if (degree < 1)
        return 0;
    int count = 0;
    const auto found = [&](double x, bool up) {
        if (x > lo && x < hi) {
            zeros[count] = x;
            rising[count++] = up;
        }
    };
    if (degree == 1) {
        found(-c[0] / c[1], c[1] > 0.0);
        return count;
    }
    if (degree == 2) {
        // The roots without cancellation; a double root is no change of sign.
        const double a = c[2], b = c[1], disc = b * b - 4.0 * a * c[0];
        if (disc <= 0.0)
            return 0;
        const double q = -0.5 * (b + std::copysign(std::sqrt(disc), b)), r1 = q / a, r2 = c[0] / q;
        found(std::min(r1, r2), a < 0.0);
        found(std::max(r1, r2), a > 0.0);
        return count;
    }
    // The turning points need only part the zeros.
    double turns[Polynomial::maxDegree];
    bool up[Polynomial::maxDegree];
    const int m = derivative().signChanges(lo, hi, 1e-6, turns, up);
    double x0 = lo, f0 = (*this)(lo);
    for (int i = 0; i <= m; ++i) {
        const double x1 = i < m ? turns[i] : hi, f1 = (*this)(x1);
        if ((f0 < 0.0 && f1 > 0.0) || (f0 > 0.0 && f1 < 0.0)) {
            zeros[count] = closeBracket(x0, f0, x1, f1, tol);
            rising[count++] = f1 > 0.0;
        }
        x0 = x1;
        f0 = f1;
    }
    return count;
}
