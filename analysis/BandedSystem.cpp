#include "BandedSystem.h"

#include "AnalysisDisposal.h"
#include "AnalysisTolerances.h"
#include "WorkTeam.h"

#include <QtGlobal>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numeric>
#include <utility>

#include <sys/mman.h>

namespace {

// y += f·x over n entries; the two ranges never overlap.
inline void addMultiple(double* __restrict y, const double* __restrict x, double f, int n)
{
    for (int t = 0; t < n; ++t)
        y[t] += f * x[t];
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

// Pivot rows per block of the elimination: every row below reads the block's
// rows from the cache, and each block costs the threads a hand-off.
constexpr int blockRows = 48;

// The size of a huge page where the processor has them (x86-64, and ARM with
// 4 KiB pages): a band read row after row many times over misses the
// translation cache far less often, and is mapped by a fault per 2 MiB
// rather than per 4 KiB.
constexpr size_t hugePageBytes = size_t(2) << 20;

} // namespace

BandedSystem::Storage::Storage(const Storage& other)
{
    if (!other.block)
        return;
    allocate(other.used);
    used = other.used;
    std::copy_n(other.block, used, block);
}

BandedSystem::Storage::Storage(Storage&& other) noexcept
    : block(std::exchange(other.block, nullptr)), used(std::exchange(other.used, 0)),
      capacity(std::exchange(other.capacity, 0)), allocated(other.allocated)
{
}

BandedSystem::Storage& BandedSystem::Storage::operator=(Storage other) noexcept
{
    std::swap(block, other.block);
    std::swap(used, other.used);
    std::swap(capacity, other.capacity);
    std::swap(allocated, other.allocated);
    return *this;
}

BandedSystem::Storage::~Storage()
{
    free();
}

void BandedSystem::Storage::reserve(size_t n)
{
    if (n > capacity) {
        // The old block goes first, its pages a piece at a time as in
        // release(), so that the two never stand together.
        AnalysisDisposal::releasePages(block, capacity * sizeof(double));
        free();
        // Half as much again: a system that grows a few equations at a time
        // fits many times before it outgrows the block, and one grown an
        // equation at a time is allocated a logarithmic number of times.
        try {
            allocate(n + n / 2);
        } catch (const std::bad_alloc&) {
            allocate(n);
        }
    }
    used = n;
}

bool BandedSystem::Storage::release()
{
    if (!AnalysisDisposal::releasePages(block, capacity * sizeof(double)))
        return false;
    free();
    return true;
}

void BandedSystem::Storage::allocate(size_t n)
{
    size_t bytes = std::max(n, size_t(1)) * sizeof(double);
    void* p = nullptr;
    if (bytes >= hugePageBytes) {
        // Only whole huge pages, aligned, can hold the block.
        bytes = (bytes + hugePageBytes - 1) / hugePageBytes * hugePageBytes;
        p = std::aligned_alloc(hugePageBytes, bytes);
#ifdef MADV_HUGEPAGE
        if (p)
            madvise(p, bytes, MADV_HUGEPAGE);
#endif
    } else {
        p = std::malloc(bytes);
    }
    if (!p)
        throw std::bad_alloc();
    block = static_cast<double*>(p);
    capacity = bytes / sizeof(double);
    ++allocated;
}

void BandedSystem::Storage::free()
{
    std::free(block);
    block = nullptr;
    used = capacity = 0;
}

void BandedSystem::prepare(int F, int H)
{
    Q_ASSERT(F >= 0 && H >= 1);
    // Nothing stands should the band not fit.
    this->F = 0;
    band.reserve(size_t(std::max(1, F)) * size_t(H));
    this->F = F;
    this->H = H;
    lastColumn.resize(size_t(F));
    std::iota(lastColumn.begin(), lastColumn.end(), 0);
    multiplyAdds = 0.0;
}

void BandedSystem::reset(int F, int H)
{
    prepare(F, H);
    std::fill_n(band.data(), band.size(), 0.0);
}

void BandedSystem::reset(int F, int H, const std::vector<int>& reach)
{
    prepare(F, H);
    clear(reach);
}

// The elimination reads the rows of a block of pivots as far as the envelope
// of the block's last row, and up to a register tile further, and the
// substitutions read each row as far as its own envelope. The envelope is the
// running maximum of the rows' last assembled columns, which their reach
// bounds: each block's rows are zeroed that far, and the rest of the band,
// which nothing reads, is left as it is.
void BandedSystem::clear(const std::vector<int>& reach)
{
    Q_ASSERT(reach.size() == size_t(F));
    double* const a = band.data();
    int envelope = 0;
    for (int k0 = 0; k0 < F; k0 += blockRows) {
        const int k1 = std::min(F, k0 + blockRows);
        for (int r = k0; r < k1; ++r)
            envelope = std::max({envelope, r, reach[size_t(r)]});
        const int last = envelope + eliminationReadsPastBlock;
        for (int r = k0; r < k1; ++r)
            std::fill_n(a + size_t(r) * size_t(H), std::min(last, r + H - 1) - r + 1, 0.0);
    }
}

void BandedSystem::widenReach(std::vector<int>& reach, const int rows[12])
{
    const int n = int(reach.size());
    int last = -1;
    for (int i = 0; i < 12; ++i)
        if (rows[i] < n)
            last = std::max(last, rows[i]);
    for (int i = 0; i < 12; ++i)
        if (rows[i] < n)
            reach[size_t(rows[i])] = std::max(reach[size_t(rows[i])], last);
}

bool BandedSystem::release()
{
    if (!band.release())
        return false;
    F = 0;
    std::vector<int>().swap(lastColumn);
    return true;
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
    return c > lastColumn[size_t(r)] ? 0.0 : band.data()[size_t(r) * size_t(H) + size_t(c - r)];
}

int BandedSystem::firstVanishingDiagonal() const
{
    for (int r = 0; r < F; ++r)
        if (isNearZero(band.data()[size_t(r) * size_t(H)]))
            return r;
    return -1;
}

namespace {

// The shares of the rows below a block: whole register tiles of every kernel
// (8 rows), so that no tile spans two shares.
constexpr int rowsPerRange = 16;
// Rows per block of the substitutions, and per share of their side-by-side
// part.
constexpr int solveBlockRows = 256;
constexpr int solveRowsPerRange = 64;

} // namespace

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
    double count = 0.0;
    for (int r = 0; r < F; ++r) {
        if (r > 0)
            lastColumn[size_t(r)] = std::max(lastColumn[size_t(r)], lastColumn[size_t(r - 1)]);
        carried[size_t(r)] = std::fabs(band.data()[size_t(r) * size_t(H)]);
        const double m = lastColumn[size_t(r)] - r;
        count += m * (m + 1.0) / 2.0;
    }

    const int nb = std::min(blockRows, F);
    std::vector<double> diagonalFactors(size_t(nb) * size_t(nb));
    std::vector<double> belowFactors[2];
    for (std::vector<double>& factors : belowFactors)
        factors.resize(size_t(nb) * size_t(H + nb));
    // Two blocks at a time: while the rows below block j − 1 take its pivots
    // on the helpers, this thread factorises block j, whose rows took them
    // first. Each row still takes the blocks in their order. Declared before
    // the team, which outlives no job.
    EliminationBlock blocks[2];
    bool belowPosted = false;

    // Work per row below the half band squared; threads only where it pays.
    WorkTeam team(WorkTeam::helpersFor(double(F) * H * H / 4.0));

    for (int j = 0, k0 = 0; k0 < F; ++j, k0 += nb) {
        EliminationBlock& step = blocks[j % 2];
        step.a = band.data();
        step.h = size_t(H);
        step.last = lastColumn.data();
        step.carried = carried.data();
        step.diagonalFactors = diagonalFactors.data();
        step.belowFactors = belowFactors[j % 2].data();
        step.k0 = k0;
        step.k1 = std::min(F, k0 + nb);
        step.lastColumn = lastColumn[size_t(step.k1 - 1)];
        if (belowPosted)
            team.waitForFirst((step.k1 - k0 + rowsPerRange - 1) / rowsPerRange);
        const int row = kernel->factorDiagonalBlock(step, pivotTolerance);
        if (row >= 0) {
            outcome.status = Singular;
            outcome.row = row;
            return outcome;
        }
        // The block's rows right of its triangle, then, once the rows below
        // the block before are done, the rows below this one.
        kernel->solveBlockRows(step, step.k1, step.lastColumn + 1);
        if (belowPosted)
            team.wait();
        const int rows = std::min(F, step.lastColumn + 1) - step.k1;
        team.post((rows + rowsPerRange - 1) / rowsPerRange, [&step, rows, this](int i) {
            const int r0 = step.k1 + i * rowsPerRange;
            kernel->updateRowsBelow(step, r0, std::min(step.k1 + rows, r0 + rowsPerRange));
        });
        belowPosted = true;
        if (keepGoing && !keepGoing()) {
            outcome.status = Abandoned;
            return outcome;
        }
    }
    if (belowPosted)
        team.wait();
    multiplyAdds = count;
    return outcome;
}

BandedSystem::Outcome BandedSystem::solve(double* b, const Checkpoint& keepGoing) const
{
    Outcome outcome;
    const double* const a = band.data();
    const int* const last = lastColumn.data();
    const size_t h = size_t(H);
    // Two passes over the band, bound by memory rather than arithmetic:
    // threads pay sooner than in the elimination.
    WorkTeam team(WorkTeam::helpersFor(8.0 * F * H));
    std::vector<double> share(static_cast<size_t>(solveBlockRows));
    const auto ranges = [](int rows) { return (rows + solveRowsPerRange - 1) / solveRowsPerRange; };

    // Forward substitution with L[r][k] = U[k][r] / U[k][k], a block of
    // pivots at a time: their own rows on this thread, then the rows below
    // side by side. Each entry takes the pivots' shares in their order,
    // whichever thread adds them.
    for (int k0 = 0; k0 < F; k0 += solveBlockRows) {
        const int k1 = std::min(F, k0 + solveBlockRows);
        for (int k = k0; k < k1; ++k) {
            const double* u = a + size_t(k) * h;
            const double f = b[k] != 0.0 ? -b[k] / u[0] : 0.0;
            share[size_t(k - k0)] = f;
            if (f != 0.0)
                addMultiple(b + k + 1, u + 1, f, std::min(last[k], k1 - 1) - k);
        }
        const int end = std::min(F, last[k1 - 1] + 1);
        team.run(ranges(end - k1), [&](int i) {
            const int r0 = k1 + i * solveRowsPerRange, r1 = std::min(end, r0 + solveRowsPerRange);
            for (int k = k0; k < k1; ++k) {
                const double f = share[size_t(k - k0)];
                const int stop = std::min(r1 - 1, last[k]);
                if (f != 0.0 && stop >= r0)
                    addMultiple(b + r0, a + size_t(k) * h + size_t(r0 - k), f, stop - r0 + 1);
            }
        });
        if (keepGoing && !keepGoing()) {
            outcome.status = Abandoned;
            return outcome;
        }
    }

    // Back substitution, U·x = y, a block of rows at a time from the last:
    // first each row's product with the part of x already known, side by
    // side, then the block's own rows in turn on this thread.
    for (int r1 = F; r1 > 0; r1 -= solveBlockRows) {
        const int r0 = std::max(0, r1 - solveBlockRows);
        team.run(ranges(r1 - r0), [&](int i) {
            for (int r = r0 + i * solveRowsPerRange; r < std::min(r1, r0 + (i + 1) * solveRowsPerRange); ++r) {
                const int n = last[r] - r1 + 1;
                share[size_t(r - r0)] = n > 0 ? dotProduct(a + size_t(r) * h + size_t(r1 - r), b + r1, n) : 0.0;
            }
        });
        for (int r = r1 - 1; r >= r0; --r) {
            const double* u = a + size_t(r) * h;
            const double near = dotProduct(u + 1, b + r + 1, std::min(last[r], r1 - 1) - r);
            const double x = (b[r] - (share[size_t(r - r0)] + near)) / u[0];
            if (!std::isfinite(x)) {
                outcome.status = Singular;
                outcome.row = r;
                return outcome;
            }
            b[r] = x;
        }
        if (keepGoing && !keepGoing()) {
            outcome.status = Abandoned;
            return outcome;
        }
    }
    return outcome;
}
