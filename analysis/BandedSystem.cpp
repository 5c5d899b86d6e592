#include "BandedSystem.h"

#include "AnalysisTolerances.h"

#include <QThreadPool>
#include <QtGlobal>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>
#include <thread>

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

namespace {

// Pivot rows per block: every row below reads the block's rows from the
// cache, and each block costs the threads one hand-off.
constexpr int blockRows = 64;
// The shares of the two steps that run side by side: whole register tiles of
// every kernel (24 columns, 8 rows), so that no tile spans two shares.
constexpr int columnsPerRange = 48;
constexpr int rowsPerRange = 16;
// Below this much work (rows times half band squared) the threads would
// cost more than they save.
constexpr double workForThreads = 4e6;

// Waits a little: spinning first, as the next block is usually ready within
// microseconds, then giving way to whatever else the processor has to do.
inline void relax(int* spins)
{
    if (++*spins < 2000) {
#if defined(__x86_64__) || defined(__i386__)
        __builtin_ia32_pause();
#endif
    } else {
        std::this_thread::yield();
    }
}

// The threads that eliminate one system together. The calling thread leads:
// it factorises each block's triangle alone, publishes the block, and then,
// like every helper, takes ranges of the block's rows right of the triangle
// and then ranges of the rows below until none is left. Helpers are tasks of
// the global thread pool that stay for the whole elimination; one that the
// pool starts late shares what is left, or finds the work done and leaves.
struct Team
{
    // What one block gives out; two of them, so that a helper still leaving
    // one block never reads what the leader writes for the next.
    struct Block
    {
        EliminationBlock step;
        int columnRanges = 0, rowRanges = 0;
        std::atomic<int> columnsDone{0}, rowsDone{0};
    };

    const EliminationKernel* kernel = nullptr;
    Block blocks[2];
    std::atomic<unsigned> published{0}; // blocks are numbered from 1
    std::atomic<bool> finished{false};
    std::atomic<int> inside{0};
    // The block's number in the high half, the next range in the low half:
    // a range is taken only for the block it belongs to.
    std::atomic<quint64> nextColumns{0}, nextRows{0};

    static int take(std::atomic<quint64>* cursor, unsigned number, int ranges)
    {
        quint64 t = cursor->load(std::memory_order_acquire);
        for (;;) {
            if (unsigned(t >> 32) != number || int(quint32(t)) >= ranges)
                return -1;
            if (cursor->compare_exchange_weak(t, t + 1, std::memory_order_acq_rel))
                return int(quint32(t));
        }
    }

    // Takes ranges of block number until they run out.
    void work(unsigned number)
    {
        Block& b = blocks[number & 1];
        const EliminationBlock& step = b.step;
        for (int i; (i = take(&nextColumns, number, b.columnRanges)) >= 0;) {
            const int c0 = step.k1 + i * columnsPerRange;
            kernel->solveBlockRows(step, c0, std::min(step.lastColumn + 1, c0 + columnsPerRange));
            b.columnsDone.fetch_add(1, std::memory_order_release);
        }
        int spins = 0;
        while (b.columnsDone.load(std::memory_order_acquire) < b.columnRanges) {
            if (published.load(std::memory_order_acquire) != number)
                return;
            relax(&spins);
        }
        const int rowEnd = std::min(step.F, step.lastColumn + 1);
        for (int i; (i = take(&nextRows, number, b.rowRanges)) >= 0;) {
            const int r0 = step.k1 + i * rowsPerRange;
            kernel->updateRowsBelow(step, r0, std::min(rowEnd, r0 + rowsPerRange));
            b.rowsDone.fetch_add(1, std::memory_order_release);
        }
    }

    void help()
    {
        inside.fetch_add(1);
        unsigned seen = 0;
        int spins = 0;
        while (!finished.load()) {
            const unsigned number = published.load(std::memory_order_acquire);
            if (number == seen) {
                relax(&spins);
                continue;
            }
            seen = number;
            spins = 0;
            work(number);
        }
        inside.fetch_sub(1);
    }

    void finish()
    {
        finished.store(true);
        int spins = 0;
        while (inside.load() > 0)
            relax(&spins);
    }
};

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
        carried[size_t(r)] = std::fabs(band[size_t(r) * size_t(H)]);
        const double m = lastColumn[size_t(r)] - r;
        count += m * (m + 1.0) / 2.0;
    }

    const int nb = std::min(blockRows, F);
    std::vector<double> diagonalFactors(size_t(nb) * size_t(nb));
    std::vector<double> belowFactors(size_t(nb) * size_t(H + nb));

    const std::shared_ptr<Team> team = std::make_shared<Team>();
    team->kernel = kernel;
    QThreadPool* pool = QThreadPool::globalInstance();
    const int helpers = double(F) * H * H < workForThreads ? 0 : std::max(0, pool->maxThreadCount() - 1);
    for (int i = 0; i < helpers; ++i)
        pool->start([team] { team->help(); });
    // Helpers use the block's buffers only while the team is not finished.
    struct Finisher
    {
        Team* team;
        ~Finisher() { team->finish(); }
    } finisher{team.get()};

    unsigned number = 0;
    for (int k0 = 0; k0 < F; k0 += nb) {
        Team::Block& block = team->blocks[++number & 1];
        EliminationBlock& step = block.step;
        step.a = band.data();
        step.h = size_t(H);
        step.last = lastColumn.data();
        step.carried = carried.data();
        step.F = F;
        step.k0 = k0;
        step.k1 = std::min(F, k0 + nb);
        step.lastColumn = lastColumn[size_t(step.k1 - 1)];
        step.diagonalFactors = diagonalFactors.data();
        step.belowFactors = belowFactors.data();

        const int row = kernel->factorDiagonalBlock(step, pivotTolerance);
        if (row >= 0) {
            outcome.status = Singular;
            outcome.row = row;
            return outcome;
        }
        const int right = step.lastColumn + 1 - step.k1;
        if (right > 0) {
            block.columnRanges = (right + columnsPerRange - 1) / columnsPerRange;
            block.rowRanges = (std::min(F, step.lastColumn + 1) - step.k1 + rowsPerRange - 1) / rowsPerRange;
            block.columnsDone.store(0);
            block.rowsDone.store(0);
            team->nextColumns.store(quint64(number) << 32);
            team->nextRows.store(quint64(number) << 32);
            team->published.store(number, std::memory_order_release);
            team->work(number);
            int spins = 0;
            while (block.rowsDone.load(std::memory_order_acquire) < block.rowRanges)
                relax(&spins);
        }
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
