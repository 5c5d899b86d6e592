// The elimination kernel, compiled once per instruction set: the including
// file defines VARO_KERNEL_WIDTH (doubles per vector), VARO_KERNEL_ROWS (rows
// per register tile), VARO_KERNEL_NAME and VARO_KERNEL_OBJECT, and is built
// with the matching compiler options. Multiply-adds contract to fused ones
// wherever the instruction set has them, the same way on every path, so that
// an entry's value does not depend on the path that computed it.
//
// Nothing here may call an inline function or template of external linkage
// (larger, a project header's helper): the linker keeps one copy of such a
// function for the whole program, and it might be this file's, built for an
// instruction set the processor lacks.

#include "EliminationKernels.h"

namespace {

constexpr int W = VARO_KERNEL_WIDTH;
constexpr int MR = VARO_KERNEL_ROWS;
// Vectors per row of a register tile, and the tile's width in columns.
constexpr int NV = 3;
constexpr int NR = NV * W;
static_assert(NR - 1 <= eliminationReadsPastBlock, "a tile reads past what the band zeroes");

typedef double Vec __attribute__((vector_size(8 * W), may_alias, aligned(8)));

inline Vec load(const double* p)
{
    return *reinterpret_cast<const Vec*>(p);
}

inline void store(double* p, Vec v)
{
    *reinterpret_cast<Vec*>(p) = v;
}

template <class T>
inline T smaller(T a, T b)
{
    return a < b ? a : b;
}

template <class T>
inline T larger(T a, T b)
{
    return a < b ? b : a;
}

inline void clear(double* p, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        p[i] = 0.0;
}

inline double* at(const EliminationBlock& b, int r, int c)
{
    return b.a + size_t(r) * b.h + size_t(c - r);
}

inline void addMultiple(double* __restrict y, const double* __restrict x, double f, int n)
{
    for (int c = 0; c < n; ++c)
        y[c] += f * x[c];
}

int factorDiagonalBlock(const EliminationBlock& b, double tolerance)
{
    const int nb = b.k1 - b.k0;
    clear(b.diagonalFactors, size_t(nb) * size_t(nb));
    for (int k = b.k0; k < b.k1; ++k) {
        const double* u = at(b, k, k);
        const double p = u[0];
        // Below 2^-128, or a part of its row's scale no larger than rounding.
        if (!(__builtin_fabs(p) >= tolerance * b.carried[k]) || !(__builtin_fabs(p) >= 0x1p-128)
            || !__builtin_isfinite(p))
            return k;
        const int end = smaller(b.k1 - 1, b.last[k]);
        for (int r = k + 1; r <= end; ++r) {
            const double f = -u[r - k] / p;
            b.diagonalFactors[size_t(r - b.k0) * size_t(nb) + size_t(k - b.k0)] = f;
            if (f == 0.0)
                continue;
            // A row's scale grows with a pivot row's scale times its factor.
            b.carried[r] = larger(b.carried[r], __builtin_fabs(f) * b.carried[k]);
            addMultiple(at(b, r, r), u + (r - k), f, end - r + 1);
        }
    }
    return -1;
}

// acc[i] += factor of row i times the NR entries of x, for every row of a tile.
template <class Factor>
inline void addToTile(Vec (&acc)[MR][NV], const double* x, Factor factor)
{
    const Vec u0 = load(x), u1 = load(x + W), u2 = load(x + 2 * W);
#pragma GCC unroll 8
    for (int i = 0; i < MR; ++i) {
        const double f = factor(i);
        acc[i][0] += f * u0;
        acc[i][1] += f * u1;
        acc[i][2] += f * u2;
    }
}

// Columns c0..c0+NR−1 of the block's rows rt..rt+rows−1, which take the
// pivots above them in the block: first those above rt, all known, then one
// another's in turn. Each entry's sum runs over the pivots in their order
// and is added to the entry once. Entries past a row's envelope stay zero.
inline void solveTile(const EliminationBlock& b, int rt, int rows, int c0)
{
    const int nb = b.k1 - b.k0;
    const int H = int(b.h);
    const auto factor = [&](int r, int k) { return b.diagonalFactors[size_t(r - b.k0) * size_t(nb) + size_t(k - b.k0)]; };
    // Row r's entries of the tile, zeros where its storage ends.
    double padded[NR];
    const auto rowOf = [&](int r) {
        const double* x = at(b, r, c0);
        const int n = r + H - c0;
        if (n >= NR)
            return x;
        for (int c = 0; c < NR; ++c)
            padded[c] = c < n ? x[c] : 0.0;
        return static_cast<const double*>(padded);
    };
    Vec acc[MR][NV] = {};
    for (int k = b.k0; k < rt; ++k)
        addToTile(acc, rowOf(k), [&](int i) { return factor(rt + smaller(i, rows - 1), k); });
    for (int i = 0; i < rows; ++i) {
        const int r = rt + i;
        for (int j = 0; j < i; ++j) {
            const double f = factor(r, rt + j);
            for (int v = 0; v < NV; ++v)
                acc[i][v] += f * acc[j][v];
        }
        const double* x = rowOf(r);
        for (int v = 0; v < NV; ++v)
            acc[i][v] = load(x + v * W) + acc[i][v];
        const int end = smaller(c0 + NR - 1, b.last[r]);
        if (end == c0 + NR - 1) {
            double* y = at(b, r, c0);
            for (int v = 0; v < NV; ++v)
                store(y + v * W, acc[i][v]);
        } else if (end >= c0) {
            double sums[NR];
            for (int v = 0; v < NV; ++v)
                store(sums + v * W, acc[i][v]);
            double* y = at(b, r, c0);
            for (int c = 0; c <= end - c0; ++c)
                y[c] = sums[c];
        }
    }
}

void solveBlockRows(const EliminationBlock& b, int c0, int c1)
{
    for (int cc = c0; cc < c1; cc += NR)
        for (int rt = b.k0; rt < b.k1; rt += MR)
            solveTile(b, rt, smaller(MR, b.k1 - rt), cc);
}

// Rows rt..rt+rows−1 (rows <= MR) and columns c0..c0+NR−1 in registers:
// each entry takes the sum over the pivots, in their order, of factor times
// pivot row, the sum started from zero. A pivot row whose storage ends inside
// the tile is read through a copy padded with zeros, which add nothing.
// Masked: the tile reaches left of a row's diagonal or right of the block's
// last column, and only the entries between are written.
template <bool Masked>
inline void updateTile(const EliminationBlock& b, int rt, int rows, int c0)
{
    const int nb = b.k1 - b.k0;
    const int H = int(b.h);
    Vec acc[MR][NV] = {};
    const double* w[MR];
    for (int i = 0; i < MR; ++i)
        w[i] = b.belowFactors + size_t(rt + smaller(i, rows - 1) - b.k1) * size_t(nb);
    double padded[NR];
    const double* u = at(b, b.k0, c0);
    const size_t stride = b.h - 1;
    for (int k = b.k0; k < b.k1; ++k, u += stride) {
        const double* x = u;
        const int n = b.k0 + (k - b.k0) + H - c0; // columns of the tile that row k stores
        if (n < NR) {
            for (int c = 0; c < NR; ++c)
                padded[c] = c < n ? u[c] : 0.0;
            x = padded;
        }
        addToTile(acc, x, [&](int i) { return w[i][k - b.k0]; });
    }
    if (!Masked) {
#pragma GCC unroll 8
        for (int i = 0; i < MR; ++i) {
            double* y = at(b, rt + i, c0);
#pragma GCC unroll 3
            for (int j = 0; j < NV; ++j)
                store(y + j * W, load(y + j * W) + acc[i][j]);
        }
        return;
    }
    double sums[MR][NR];
    for (int i = 0; i < MR; ++i)
        for (int j = 0; j < NV; ++j)
            store(sums[i] + j * W, acc[i][j]);
    for (int i = 0; i < rows; ++i) {
        const int r = rt + i;
        const int first = larger(c0, r), end = smaller(c0 + NR - 1, b.lastColumn);
        double* y = at(b, r, first);
        for (int c = first; c <= end; ++c)
            *y++ += sums[i][c - c0];
    }
}

// Reading a pivot row left of its diagonal is never needed: the tiles start
// at the first row's diagonal, which lies right of every pivot.
void updateTileRows(const EliminationBlock& b, int rt, int rows)
{
    const int cmax = b.lastColumn;
    int c0 = rt;
    updateTile<true>(b, rt, rows, c0);
    for (c0 += NR; c0 + NR - 1 <= cmax && rows == MR; c0 += NR)
        updateTile<false>(b, rt, rows, c0);
    for (; c0 <= cmax; c0 += NR)
        updateTile<true>(b, rt, rows, c0);
}

void updateRowsBelow(const EliminationBlock& b, int r0, int r1)
{
    const int nb = b.k1 - b.k0;
    for (int r = r0; r < r1; ++r) {
        double* w = b.belowFactors + size_t(r - b.k1) * size_t(nb);
        for (int k = b.k0; k < b.k1; ++k) {
            double f = 0.0;
            if (r <= b.last[k]) {
                const double* u = at(b, k, k);
                f = -u[r - k] / u[0];
                b.carried[r] = larger(b.carried[r], __builtin_fabs(f) * b.carried[k]);
            }
            w[k - b.k0] = f;
        }
    }
    for (int r = r0; r < r1; r += MR)
        updateTileRows(b, r, smaller(MR, r1 - r));
}

} // namespace

namespace EliminationKernels {
const EliminationKernel VARO_KERNEL_OBJECT = {VARO_KERNEL_NAME, factorDiagonalBlock, solveBlockRows, updateRowsBelow};
}
