#include "BandedSystem.h"

#include "AnalysisTolerances.h"

#include <QThreadPool>
#include <QVector>
#include <QtConcurrent>
#include <QtGlobal>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

#if defined(__GNUC__) && defined(__x86_64__) && !defined(__clang__)
#define VARO_KERNEL __attribute__((target_clones("arch=skylake-avx512", "arch=haswell", "default")))
#else
#define VARO_KERNEL
#endif

// Pivot rows processed together: their rows stay in the cache while the rows
// below them take all of their updates in one visit.
constexpr int blockRows = 32;

// y += f·x over n entries; the two ranges never overlap.
inline void addMultiple(double* __restrict y, const double* __restrict x, double f, int n)
{
    for (int t = 0; t < n; ++t)
        y[t] += f * x[t];
}

// y += f0·x0 + f1·x1 + f2·x2 + f3·x3 over n entries: four pivot rows per
// visit of y, so that y is loaded and stored once for four multiply-adds.
inline void addFourMultiples(double* __restrict y, const double* __restrict x0, const double* __restrict x1,
                             const double* __restrict x2, const double* __restrict x3, const double f[4], int n)
{
    const double f0 = f[0], f1 = f[1], f2 = f[2], f3 = f[3];
    for (int t = 0; t < n; ++t)
        y[t] += (f0 * x0[t] + f1 * x1[t]) + (f2 * x2[t] + f3 * x3[t]);
}

// Four partial sums, so that the additions need not wait for one another.
inline double dotProduct(const double* __restrict a, const double* __restrict b, int n)
{
    double s0 = 0.0, s1 = 0.0, s2 = 0.0, s3 = 0.0;
    int t = 0;
    for (; t + 4 <= n; t += 4) {
        s0 += a[t] * b[t];
        s1 += a[t + 1] * b[t + 1];
        s2 += a[t + 2] * b[t + 2];
        s3 += a[t + 3] * b[t + 3];
    }
    for (; t < n; ++t)
        s0 += a[t] * b[t];
    return (s0 + s1) + (s2 + s3);
}

// A row's scale grows with a pivot row's scale times the factor it takes.
inline void carry(double* carried, int r, int k, double f)
{
    carried[r] = std::max(carried[r], std::fabs(f) * carried[k]);
}

// The two kernels below are built for several instruction sets, the best one
// chosen at run time.

// Eliminates pivot rows k0..k1−1 among themselves, adding the multiply-adds
// to count; returns the first row whose pivot is not sound, or −1.
VARO_KERNEL int eliminateBlock(double* a, const int* last, size_t h, int k0, int k1, double* carried, double* count)
{
    double madds = 0.0;
    // The block's own rows, pivot by pivot.
    for (int k = k0; k < k1; ++k) {
        const double* u = a + size_t(k) * h;
        const double p = u[0];
        if (!(std::fabs(p) >= BandedSystem::pivotTolerance * carried[k]) || isNearZero(p) || !std::isfinite(p)) {
            *count += madds;
            return k;
        }
        const int width = last[k] - k + 1;
        const int rEnd = std::min(last[k], k1 - 1);
        for (int r = k + 1; r <= rEnd; ++r) {
            const int i = r - k;
            const double f = -u[i] / p;
            if (f == 0.0)
                continue;
            carry(carried, r, k, f);
            addMultiple(a + size_t(r) * h, u + i, f, width - i);
            madds += width - i;
        }
    }
    *count += madds;
    return -1;
}

// Rows r0..r1−1 below the eliminated block k0..k1−1 take its pivots, each row
// all of them in order while it stays in the cache; returns the
// multiply-adds. Rows depend only on the block, so ranges of them can run
// side by side.
VARO_KERNEL double updateBelowBlock(double* a, const int* last, size_t h, int k0, int k1, int r0, int r1,
                                    double* carried)
{
    double madds = 0.0;
    for (int r = r0; r < r1; ++r) {
        double* row = a + size_t(r) * h;
        int k = k0;
        while (last[k] < r)
            ++k;
        // Four pivots at a time over the part of the row that all of them
        // reach (the first reaches least far), then each one's own rest.
        for (; k + 4 <= k1; k += 4) {
            const double* u[4];
            double f[4];
            int n[4];
            for (int j = 0; j < 4; ++j) {
                const double* pivotRow = a + size_t(k + j) * h;
                f[j] = -pivotRow[r - k - j] / pivotRow[0];
                u[j] = pivotRow + (r - k - j);
                n[j] = last[k + j] - r + 1;
                carry(carried, r, k + j, f[j]);
            }
            addFourMultiples(row, u[0], u[1], u[2], u[3], f, n[0]);
            madds += 4.0 * n[0];
            for (int j = 1; j < 4; ++j) {
                addMultiple(row + n[0], u[j] + n[0], f[j], n[j] - n[0]);
                madds += n[j] - n[0];
            }
        }
        for (; k < k1; ++k) {
            const double* u = a + size_t(k) * h;
            const int i = r - k;
            const double f = -u[i] / u[0];
            if (f == 0.0)
                continue;
            carry(carried, r, k, f);
            const int n = last[k] - r + 1;
            addMultiple(row, u + i, f, n);
            madds += n;
        }
    }
    return madds;
}

} // namespace

void BandedSystem::reset(int F, int H)
{
    Q_ASSERT(F >= 0 && H >= 1);
    this->F = F;
    this->H = H;
    band.assign(size_t(std::max(1, F)) * size_t(H), 0.0);
    lastColumn.resize(size_t(F));
    for (int r = 0; r < F; ++r)
        lastColumn[size_t(r)] = r;
    multiplyAdds = 0.0;
}

void BandedSystem::assemble(const Matrix12x12& K, const int rows[12])
{
    for (int i = 0; i < 12; ++i) {
        const int r = rows[i];
        if (r >= F)
            continue;
        double* row = band.data() + size_t(r) * size_t(H);
        for (int j = 0; j < 12; ++j) {
            const int c = rows[j];
            if (c < r || c >= F)
                continue;
            Q_ASSERT(c - r < H);
            row[c - r] += K[i][j];
            if (K[i][j] != 0.0 && c > lastColumn[size_t(r)])
                lastColumn[size_t(r)] = c;
        }
    }
}

double BandedSystem::entry(int r, int c) const
{
    Q_ASSERT(r >= 0 && r < F && c >= r && c - r < H);
    return band[size_t(r) * size_t(H) + size_t(c - r)];
}

int BandedSystem::firstVanishingDiagonal() const
{
    for (int r = 0; r < F; ++r)
        if (isNearZero(band[size_t(r) * size_t(H)]))
            return r;
    return -1;
}

BandedSystem::Outcome BandedSystem::eliminate(const Checkpoint& keepGoing)
{
    Outcome outcome;
    multiplyAdds = 0.0;
    if (F == 0)
        return outcome;

    // Fill-in stays inside the envelope: row k of U reaches no further than
    // the furthest assembled entry of the rows up to k. A row's scale, the
    // size of the rounding it can hold, is the largest of its assembled
    // diagonal and each pivot row's scale times the factor it was subtracted
    // with.
    std::vector<double> carried(static_cast<size_t>(F));
    for (int r = 0; r < F; ++r) {
        if (r > 0)
            lastColumn[size_t(r)] = std::max(lastColumn[size_t(r)], lastColumn[size_t(r - 1)]);
        carried[size_t(r)] = std::fabs(band[size_t(r) * size_t(H)]);
    }

    double count = 0.0;
    for (int k0 = 0; k0 < F; k0 += blockRows) {
        const int k1 = std::min(F, k0 + blockRows);
        const int row = eliminateBlock(band.data(), lastColumn.data(), size_t(H), k0, k1, carried.data(), &count);
        if (row >= 0) {
            outcome.status = Singular;
            outcome.row = row;
            return outcome;
        }
        // The rows below, in ranges on the thread pool when there are enough.
        const int below = lastColumn[size_t(k1 - 1)] + 1 - k1;
        const int ranges = std::max(1, std::min(below / blockRows, QThreadPool::globalInstance()->maxThreadCount()));
        QVector<double> madds(ranges, 0.0);
        const auto update = [&](double& m) {
            const int range = int(&m - madds.data());
            m = updateBelowBlock(band.data(), lastColumn.data(), size_t(H), k0, k1, k1 + below * range / ranges,
                                 k1 + below * (range + 1) / ranges, carried.data());
        };
        if (ranges > 1)
            QtConcurrent::blockingMap(madds, update);
        else
            update(madds[0]);
        count = std::accumulate(madds.begin(), madds.end(), count);
        if (keepGoing && !keepGoing()) {
            outcome.status = Abandoned;
            return outcome;
        }
    }
    multiplyAdds = count;
    return outcome;
}

BandedSystem::Outcome BandedSystem::solve(double* b, const Checkpoint& keepGoing) const
{
    Outcome outcome;
    const double* const a = band.data();
    const int* const last = lastColumn.data();
    const size_t h = size_t(H);

    // Forward substitution with L[k + i][k] = U[k][k + i] / U[k][k].
    for (int k = 0; k < F; ++k) {
        if (b[k] != 0.0) {
            const double* u = a + size_t(k) * h;
            addMultiple(b + k + 1, u + 1, -b[k] / u[0], last[k] - k);
        }
        if (k % 256 == 0 && keepGoing && !keepGoing()) {
            outcome.status = Abandoned;
            return outcome;
        }
    }

    // Back substitution, U·x = y.
    for (int r = F - 1; r >= 0; --r) {
        const double* u = a + size_t(r) * h;
        const double x = (b[r] - dotProduct(u + 1, b + r + 1, last[r] - r)) / u[0];
        if (!std::isfinite(x)) {
            outcome.status = Singular;
            outcome.row = r;
            return outcome;
        }
        b[r] = x;
        if (r % 256 == 0 && keepGoing && !keepGoing()) {
            outcome.status = Abandoned;
            return outcome;
        }
    }
    return outcome;
}
