#pragma once

#include <algorithm>

// A polynomial in u over [-1, 1], lowest power first. A piece's curves are
// quintics at most, so the derivatives of their squares are of degree 9.
struct Polynomial
{
    static constexpr int maxDegree = 9;
    int degree = -1; // none: the zero polynomial
    double c[maxDegree + 1];

    double operator()(double u) const
    {
        double p = 0.0;
        for (int k = degree; k >= 0; --k)
            p = p * u + c[k];
        return p;
    }
    // The value at u and a bound on what rounding adds to it.
    double valueAt(double u, double* rounding) const;
    Polynomial derivative() const
    {
        Polynomial d;
        d.degree = degree - 1;
        for (int k = 1; k <= degree; ++k)
            d.c[k - 1] = k * c[k];
        return d;
    }
    // Adds a·b, which must fit.
    void addProduct(const Polynomial& a, const Polynomial& b)
    {
        if (a.degree < 0 || b.degree < 0)
            return;
        raiseTo(a.degree + b.degree);
        for (int i = 0; i <= a.degree; ++i)
            for (int j = 0; j <= b.degree; ++j)
                c[i + j] += a.c[i] * b.c[j];
    }
    // Adds w·a.
    void addScaled(const Polynomial& a, double w)
    {
        raiseTo(a.degree);
        for (int j = 0; j <= a.degree; ++j)
            c[j] += w * a.c[j];
    }
    void raiseTo(int n)
    {
        for (int k = degree + 1; k <= n; ++k)
            c[k] = 0.0;
        degree = std::max(degree, n);
    }

    // How the polynomial passes a zero.
    enum Passage { Falling = -1, Touching = 0, Rising = 1 };
    // The zeros in (lo, hi) in order, each to the rounding of u, and how the
    // polynomial passes each: a zero of even order touches zero. The number
    // found, maxDegree at most; evaluations, when given, counts the
    // polynomials' evaluations.
    int zeros(double lo, double hi, double* at, Passage* passes, int* evaluations = nullptr) const;
    // Only the zeros where the sign changes, and whether it rises through each.
    int signChanges(double lo, double hi, double* at, bool* rising, int* evaluations = nullptr) const;
    // Closes the bracket (lo, hi) of a zero, where the polynomial has the
    // signs of flo and fhi, until it is no wider than the rounding of u; a
    // position inside it.
    double closeBracket(double lo, double flo, double hi, double fhi, int* evaluations = nullptr) const;
};
