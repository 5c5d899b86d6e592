#include "Polynomial.h"

#include <cfloat>
#include <cmath>

namespace {

// The width below which a bracket around u holds no more than the rounding
// of u: two units in the last place.
double roundingOf(double lo, double hi)
{
    return std::max(0x1p-52 * std::max(std::fabs(lo), std::fabs(hi)), DBL_MIN);
}

} // namespace

// Horner's rule, and the bound of its rounding: 2n units of rounding of the
// sum of the terms' magnitudes, doubled for the rounding of the coefficients.
double Polynomial::valueAt(double u, double* rounding) const
{
    double p = 0.0, size = 0.0;
    const double magnitude = std::fabs(u);
    for (int k = degree; k >= 0; --k) {
        p = p * u + c[k];
        size = size * magnitude + std::fabs(c[k]);
    }
    *rounding = 4.0 * (degree + 1) * 0x1p-53 * size;
    return p;
}

// Newton's steps while they land inside the bracket and are no longer than
// half the step before the last, else a halving: beside a flat stretch or
// a zero of high order Newton's steps shrink slowly, long before they
// arrive, and the bracket stalls. A Newton step shorter than the rounding
// only says where to look: a probe just past its end closes the bracket,
// which the rounding of the polynomial's value about its zero would
// otherwise hold open.
double Polynomial::closeBracket(double lo, double flo, double hi, double fhi, int* evaluations) const
{
    const bool risesToHi = fhi > 0.0;
    double x = lo - flo * (hi - lo) / (fhi - flo), last = hi - lo, beforeLast = last;
    for (int i = 0; i < 200; ++i) {
        if (!(x > lo && x < hi))
            x = 0.5 * (lo + hi);
        // p and its slope at x together.
        double fx = 0.0, dfx = 0.0;
        for (int k = degree; k >= 0; --k) {
            dfx = dfx * x + fx;
            fx = fx * x + c[k];
        }
        if (evaluations)
            ++*evaluations;
        if (fx == 0.0)
            return x;
        ((fx > 0.0) == risesToHi ? hi : lo) = x;
        const double rounding = roundingOf(lo, hi);
        if (hi - lo <= rounding)
            break;
        double step = -fx / dfx;
        const bool probe = std::fabs(step) < 0.5 * rounding;
        if (probe)
            step += std::copysign(0.5 * rounding, step);
        const bool stalled = !probe && !(2.0 * std::fabs(step) <= std::fabs(beforeLast));
        beforeLast = last;
        if (stalled || !(x + step > lo && x + step < hi)) {
            last = 0.5 * (hi - lo);
            x = lo + last;
        } else {
            last = step;
            x += step;
        }
    }
    return 0.5 * (lo + hi);
}

// Between successive zeros of the slope the polynomial is monotone and
// changes sign once at most. Where the slope's zero is a zero of the
// polynomial too, within rounding, that is a zero of higher order, taken
// there: its own neighbourhood is too flat for a bracket to close on.
int Polynomial::zeros(double lo, double hi, double* at, Passage* passes, int* evaluations) const
{
    if (degree < 1)
        return 0;
    if (degree == 1) {
        const double x = -c[0] / c[1];
        if (!(x > lo && x < hi))
            return 0;
        at[0] = x;
        passes[0] = c[1] > 0.0 ? Rising : Falling;
        return 1;
    }
    // The partition: lo, the slope's zeros, hi; the value at each and
    // whether it is zero within rounding.
    double x[maxDegree + 1], f[maxDegree + 1];
    bool zero[maxDegree + 1];
    Passage unused[maxDegree];
    const int m = derivative().zeros(lo, hi, x + 1, unused, evaluations) + 1;
    x[0] = lo;
    x[m] = hi;
    for (int i = 0; i <= m; ++i) {
        double rounding;
        f[i] = valueAt(x[i], &rounding);
        zero[i] = std::fabs(f[i]) <= rounding;
    }
    if (evaluations)
        *evaluations += m + 1;
    const auto sign = [&](int i) { return zero[i] ? 0 : f[i] > 0.0 ? 1 : -1; };
    int count = 0;
    for (int i = 0; i < m; ++i) {
        if (i > 0 && zero[i]) {
            const int before = sign(i - 1), after = sign(i + 1);
            at[count] = x[i];
            passes[count++] = before < 0 && after > 0 ? Rising : before > 0 && after < 0 ? Falling : Touching;
        } else if (sign(i) * sign(i + 1) < 0) {
            at[count] = closeBracket(x[i], f[i], x[i + 1], f[i + 1], evaluations);
            passes[count++] = f[i + 1] > 0.0 ? Rising : Falling;
        }
    }
    return count;
}

int Polynomial::signChanges(double lo, double hi, double* at, bool* rising, int* evaluations) const
{
    double all[maxDegree];
    Passage passes[maxDegree];
    const int n = zeros(lo, hi, all, passes, evaluations);
    int count = 0;
    for (int i = 0; i < n; ++i)
        if (passes[i] != Touching) {
            at[count] = all[i];
            rising[count++] = passes[i] == Rising;
        }
    return count;
}
