#include "BandedSystem.h"
#include "TestMain.h"

#include <QThreadPool>
#include <QtTest>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>

// The banded system on small matrices whose factors are known by hand.

namespace {

// Assembles a symmetric matrix entry by entry through 12 by 12 blocks, as
// members do: each block couples two free rows, its other freedoms
// restrained. Entries outside the half band H must be zero. Reached: the
// system is reset as the analysis does it, zeroing only as far as the
// blocks reach; else whole.
void assemble(BandedSystem* system, const QVector<QVector<double>>& K, int H, bool reached = false)
{
    const int n = K.size();
    const auto forEachBlock = [&](const std::function<void(const Matrix12x12&, const int*)>& take) {
        int rows[12];
        for (int i = 2; i < 12; ++i)
            rows[i] = n + i;
        for (int r = 0; r < n; ++r)
            for (int c = r; c < std::min(n, r + H); ++c) {
                if (c != r && K[r][c] == 0.0)
                    continue;
                Matrix12x12 block = Matrix12x12::zeroed();
                rows[0] = r;
                rows[1] = c;
                if (c == r)
                    block[0][0] = K[r][r];
                else
                    block[0][1] = block[1][0] = K[r][c];
                take(block, rows);
            }
    };
    if (reached) {
        std::vector<int> reach(size_t(n), 0);
        forEachBlock([&](const Matrix12x12&, const int* rows) { BandedSystem::widenReach(reach, rows); });
        system->reset(n, H, reach);
    } else {
        system->reset(n, H);
    }
    forEachBlock([&](const Matrix12x12& block, const int* rows) { system->assemble(block, rows); });
}

BandedSystem systemOf(const QVector<QVector<double>>& K, int H)
{
    BandedSystem system;
    assemble(&system, K, H);
    return system;
}

} // namespace

class TestBanded : public QObject
{
    Q_OBJECT

private slots:
    void solvesSymmetricSystem();
    void everyPivotIsTested_data();
    void everyPivotIsTested();
    void nonFiniteDisplacementIsReported();
    void vanishingDiagonalIsFound();
    void noFreeRowsSolvesNothing();
    void checkpointAbandons();
    void wideBandSolvesSideBySide();
    void everyKernelSolves_data();
    void everyKernelSolves();
    void threadsGiveTheSameFactors();
    void abandonedWhileThreadsWork();
    void aReusedSystemSolvesAsAFreshOne_data();
    void aReusedSystemSolvesAsAFreshOne();
    void growingAnEquationAtATimeAllocatesRarely();
};

// K = [4 2 0; 2 5 1; 0 1 3], its upper band stored by rows, with x = (1, −1, 2):
// b = (2, −1, 5). Two load vectors share one factorisation.
void TestBanded::solvesSymmetricSystem()
{
    BandedSystem system = systemOf({{4, 2, 0}, {2, 5, 1}, {0, 1, 3}}, 2);
    for (const auto& e : {std::make_tuple(0, 0, 4.0), std::make_tuple(0, 1, 2.0), std::make_tuple(1, 2, 1.0),
                          std::make_tuple(2, 2, 3.0)})
        QCOMPARE(system.entry(std::get<0>(e), std::get<1>(e)), std::get<2>(e));
    QCOMPARE(system.eliminate().status, BandedSystem::Completed);
    // U's last pivot: 3 − 1/(5 − 1) = 2.75.
    QCOMPARE(system.entry(2, 2), 2.75);

    double b[3] = {2, -1, 5};
    QCOMPARE(system.solve(b).status, BandedSystem::Completed);
    QCOMPARE(QVector<double>(b, b + 3), (QVector<double>{1.0, -1.0, 2.0}));

    double e[3] = {4, 2, 0}; // first column: x = (1, 0, 0)
    QCOMPARE(system.solve(e).status, BandedSystem::Completed);
    QVERIFY(std::fabs(e[0] - 1.0) < 1e-15 && std::fabs(e[1]) < 1e-15 && std::fabs(e[2]) < 1e-15);
}

void TestBanded::everyPivotIsTested_data()
{
    QTest::addColumn<QVector<QVector<double>>>("K");
    QTest::addColumn<int>("failingRow");

    // Pivot 2 − 2 = 0 exactly, in the last row.
    QTest::newRow("last pivot exactly zero") << QVector<QVector<double>>{{2, -2}, {-2, 2}} << 1;
    QTest::newRow("first of one row, zero") << QVector<QVector<double>>{{0}} << 0;
    // 1 + 1e-15 − 1 keeps only rounding, far above 2^-128.
    QTest::newRow("pivot left with rounding")
        << QVector<QVector<double>>{{1, 1, 0}, {1, 1 + 1e-15, 0}, {0, 0, 1}} << 1;
    QTest::newRow("middle row singular, last sound")
        << QVector<QVector<double>>{{1, -1, 0}, {-1, 1, 0}, {0, 0, 5}} << 1;
    QTest::newRow("not a number") << QVector<QVector<double>>{{1, 0}, {0, std::nan("")}} << 1;
    // Kept: a millionth of the diagonal is a stiff neighbour, not a mechanism.
    QTest::newRow("small but sound") << QVector<QVector<double>>{{1, 1}, {1, 1 + 1e-6}} << -1;
}

// Gaussian elimination tests each pivot, the last one included, against its
// row's assembled diagonal.
void TestBanded::everyPivotIsTested()
{
    QFETCH(QVector<QVector<double>>, K);
    QFETCH(int, failingRow);
    BandedSystem system = systemOf(K, K.size());
    const BandedSystem::Outcome outcome = system.eliminate();
    QCOMPARE(outcome.status, failingRow < 0 ? BandedSystem::Completed : BandedSystem::Singular);
    if (failingRow >= 0)
        QCOMPARE(outcome.row, failingRow);
}

// A load too large for the stiffness gives an infinite displacement, which
// is reported rather than returned.
void TestBanded::nonFiniteDisplacementIsReported()
{
    BandedSystem system = systemOf({{1e-10, 0}, {0, 1}}, 2);
    QCOMPARE(system.eliminate().status, BandedSystem::Completed);
    double b[2] = {std::numeric_limits<double>::max(), 1.0};
    const BandedSystem::Outcome outcome = system.solve(b);
    QCOMPARE(outcome.status, BandedSystem::Singular);
    QCOMPARE(outcome.row, 0);
}

void TestBanded::vanishingDiagonalIsFound()
{
    QCOMPARE(systemOf({{1, 0, 0}, {0, 0, 0}, {0, 0, 1}}, 3).firstVanishingDiagonal(), 1);
    QCOMPARE(systemOf({{1, 0}, {0, 0x1p-129}}, 2).firstVanishingDiagonal(), 1);
    QCOMPARE(systemOf({{1, 0}, {0, 0x1p-127}}, 2).firstVanishingDiagonal(), -1);
}

void TestBanded::noFreeRowsSolvesNothing()
{
    BandedSystem system;
    system.reset(0, 12);
    int rows[12] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    system.assemble(Matrix12x12::identity(), rows);
    QCOMPARE(system.firstVanishingDiagonal(), -1);
    QCOMPARE(system.eliminate().status, BandedSystem::Completed);
    QCOMPARE(system.solve(nullptr).status, BandedSystem::Completed);
}

void TestBanded::checkpointAbandons()
{
    BandedSystem system = systemOf({{4, 2, 0}, {2, 5, 1}, {0, 1, 3}}, 2);
    int asked = 0;
    QCOMPARE(system.eliminate([&asked] { return ++asked, false; }).status, BandedSystem::Abandoned);
    QCOMPARE(asked, 1);
}

// Wide enough that the rows below each block of pivots are updated in ranges
// side by side: the system still solves to the vector it was made from.
void TestBanded::wideBandSolvesSideBySide()
{
    const int n = 300, H = 100;
    // Diagonally dominant: 2H against less than 2·ln H off the diagonal.
    QVector<QVector<double>> K(n, QVector<double>(n, 0.0));
    for (int r = 0; r < n; ++r)
        for (int c = r; c < std::min(n, r + H); ++c)
            K[r][c] = K[c][r] = c == r ? 2.0 * H : 1.0 / (1 + c - r);
    QVector<double> x(n), b(n, 0.0);
    for (int i = 0; i < n; ++i)
        x[i] = 1 + i % 7;
    for (int r = 0; r < n; ++r)
        for (int c = 0; c < n; ++c)
            b[r] += K[r][c] * x[c];

    BandedSystem system = systemOf(K, H);
    QCOMPARE(system.eliminate().status, BandedSystem::Completed);
    QCOMPARE(system.solve(b.data()).status, BandedSystem::Completed);
    for (int i = 0; i < n; ++i)
        QVERIFY(std::fabs(b[i] - x[i]) <= 1e-12 * x[i]);
}

namespace {

// K = Σ over neighbours within the half band of springs k_ij = 1 + ((i + j) mod 5),
// each coupling rows i and j as [k −k; −k k], plus 10 on every diagonal: a
// frame-like, diagonally dominant matrix whose product with x is formed
// exactly (small integers), so that solving b = K·x must give x back.
// Other patterns have springs from row i to the next few rows only, so that
// the rows' envelopes vary from the diagonal alone to the whole band: ragged,
// (37·i + seed) mod H of them; spiky, the whole band from every 97th row
// (from the seed's), one row from the others.
enum Pattern { Whole, Ragged, Spiky };

struct SpringChain
{
    int n, H;
    QVector<QVector<double>> K;
    QVector<double> x, b;

    SpringChain(int n, int H, int pattern = Whole, int seed = 0)
        : n(n), H(H), K(n, QVector<double>(n, 0.0)), x(n), b(n, 0.0)
    {
        for (int i = 0; i < n; ++i) {
            K[i][i] += 10.0;
            const int span = pattern == Whole    ? H - 1
                             : pattern == Ragged ? (37 * i + seed) % H
                                                 : (i % 97 == seed ? H - 1 : 1);
            for (int j = i + 1; j < std::min(n, i + span + 1); ++j) {
                const double k = 1 + (i + j) % 5;
                K[i][i] += k;
                K[j][j] += k;
                K[i][j] -= k;
                K[j][i] -= k;
            }
            x[i] = 1 + i % 3;
        }
        for (int r = 0; r < n; ++r)
            for (int c = std::max(0, r - H + 1); c < std::min(n, r + H); ++c)
                b[r] += K[r][c] * x[c];
    }
};

// Factorises with the kernel and solves for chain.b.
QVector<double> solved(const SpringChain& chain, const EliminationKernel* kernel, BandedSystem* system)
{
    *system = systemOf(chain.K, chain.H);
    system->setEliminationKernel(kernel);
    QVector<double> b = chain.b;
    if (system->eliminate().status != BandedSystem::Completed || system->solve(b.data()).status != BandedSystem::Completed)
        return QVector<double>();
    return b;
}

} // namespace

void TestBanded::everyKernelSolves_data()
{
    QTest::addColumn<int>("kernel");
    const QVector<const EliminationKernel*> kernels = supportedEliminationKernels();
    for (int i = 0; i < kernels.size(); ++i)
        QTest::newRow(kernels[i]->name) << i;
}

// Every kernel the processor can run factorises the same systems: the 3 by 3
// one of solvesSymmetricSystem exactly, and a band wide and long enough for
// several blocks, register tiles and ragged ends to the vector it was made
// from. The best kernel is the one chosen unless another is set.
void TestBanded::everyKernelSolves()
{
    QFETCH(int, kernel);
    const EliminationKernel* k = supportedEliminationKernels().at(kernel);
    QVERIFY(supportedEliminationKernels().last() == &EliminationKernels::portable);
    QCOMPARE(BandedSystem().eliminationKernel(), supportedEliminationKernels().first());

    BandedSystem small = systemOf({{4, 2, 0}, {2, 5, 1}, {0, 1, 3}}, 2);
    small.setEliminationKernel(k);
    QCOMPARE(small.eliminate().status, BandedSystem::Completed);
    QCOMPARE(small.entry(2, 2), 2.75);
    double b3[3] = {2, -1, 5};
    QCOMPARE(small.solve(b3).status, BandedSystem::Completed);
    QCOMPARE(QVector<double>(b3, b3 + 3), (QVector<double>{1.0, -1.0, 2.0}));

    for (const QPair<int, int>& size : {qMakePair(200, 37), qMakePair(413, 150)}) {
        const SpringChain chain(size.first, size.second);
        BandedSystem system;
        const QVector<double> b = solved(chain, k, &system);
        QCOMPARE(b.size(), chain.n);
        for (int i = 0; i < chain.n; ++i)
            QVERIFY2(std::fabs(b[i] - chain.x[i]) <= 1e-9 * chain.x[i], qPrintable(QString::number(i)));
    }
}

// The elimination shares its work among the pool's threads; their number
// must not change a single bit of the factors or of the solution.
void TestBanded::threadsGiveTheSameFactors()
{
    QThreadPool* pool = QThreadPool::globalInstance();
    const int threads = pool->maxThreadCount();
    // Long and wide enough that the substitutions share their work too.
    const SpringChain chain(1200, 220);
    for (const EliminationKernel* kernel : supportedEliminationKernels()) {
        QVector<double> first;
        for (int count : {1, 2, 3, 8}) {
            pool->setMaxThreadCount(count);
            BandedSystem system;
            QVector<double> result = solved(chain, kernel, &system);
            QCOMPARE(result.size(), chain.n);
            for (int r = 0; r < chain.n; ++r)
                for (int c = r; c < std::min(chain.n, r + chain.H); ++c)
                    result.append(system.entry(r, c));
            if (first.isEmpty())
                first = result;
            QVERIFY2(std::memcmp(first.constData(), result.constData(), size_t(result.size()) * sizeof(double)) == 0,
                     kernel->name);
        }
    }
    pool->setMaxThreadCount(threads);
}

// Stopped after a few blocks while helpers still subtract the last one: the
// call returns with no thread left at work, and the next factorisation of
// the same matrix solves.
void TestBanded::abandonedWhileThreadsWork()
{
    const SpringChain chain(1200, 220);
    BandedSystem system = systemOf(chain.K, chain.H);
    int asked = 0;
    QCOMPARE(system.eliminate([&asked] { return ++asked < 3; }).status, BandedSystem::Abandoned);
    QCOMPARE(asked, 3);
    BandedSystem again;
    const QVector<double> x = solved(chain, system.eliminationKernel(), &again);
    QCOMPARE(x.size(), chain.n);
    for (int i = 0; i < chain.n; ++i)
        QVERIFY(std::fabs(x[i] - chain.x[i]) <= 1e-9 * chain.x[i]);
}

void TestBanded::aReusedSystemSolvesAsAFreshOne_data()
{
    // Each system {n, H, pattern, seed} in turn on one BandedSystem; the
    // first fills its memory with factors.
    QTest::addColumn<QVector<QVector<int>>>("systems");
    QTest::addColumn<int>("allocations");

    QTest::newRow("smaller") << QVector<QVector<int>>{{300, 60, Whole, 0}, {200, 40, Ragged, 5}} << 1;
    QTest::newRow("larger, within its room") << QVector<QVector<int>>{{200, 50, Whole, 0}, {280, 50, Ragged, 11}} << 1;
    QTest::newRow("fewer rows, wider band") << QVector<QVector<int>>{{300, 30, Whole, 0}, {120, 100, Ragged, 3}} << 1;
    QTest::newRow("more rows, narrower band")
        << QVector<QVector<int>>{{120, 100, Whole, 0}, {400, 40, Ragged, 0}} << 1;
    QTest::newRow("ragged, another ragged, whole")
        << QVector<QVector<int>>{{300, 60, Whole, 0}, {250, 48, Ragged, 7}, {300, 60, Ragged, 29}, {300, 60, Whole, 0}}
        << 1;
    QTest::newRow("spiky") << QVector<QVector<int>>{{300, 150, Whole, 0}, {400, 150, Spiky, 40}} << 1;
    QTest::newRow("past its room") << QVector<QVector<int>>{{100, 20, Whole, 0}, {300, 60, Ragged, 2}} << 2;
}

// Reset after other systems, each zeroed only as far as its assembly and
// elimination read, a system solves to the vector it was made from, with
// the same factors to the last bit as one zeroed whole in fresh memory; so
// again after its memory was given back.
void TestBanded::aReusedSystemSolvesAsAFreshOne()
{
    QFETCH(QVector<QVector<int>>, systems);
    QFETCH(int, allocations);
    const auto check = [](const SpringChain& chain, const EliminationKernel* kernel, BandedSystem* reused) {
        BandedSystem fresh;
        for (BandedSystem* system : {reused, &fresh}) {
            assemble(system, chain.K, chain.H, system == reused);
            system->setEliminationKernel(kernel);
        }
        QVector<double> x = chain.b, y = chain.b;
        QCOMPARE(reused->eliminate().status, BandedSystem::Completed);
        QCOMPARE(reused->solve(x.data()).status, BandedSystem::Completed);
        QCOMPARE(fresh.eliminate().status, BandedSystem::Completed);
        QCOMPARE(fresh.solve(y.data()).status, BandedSystem::Completed);
        for (int i = 0; i < chain.n; ++i)
            QVERIFY2(std::fabs(x[i] - chain.x[i]) <= 1e-9 * chain.x[i], qPrintable(QString::number(i)));
        for (int r = 0; r < chain.n; ++r)
            for (int c = r; c < std::min(chain.n, r + chain.H); ++c)
                x.append(reused->entry(r, c)), y.append(fresh.entry(r, c));
        QVERIFY(std::memcmp(x.constData(), y.constData(), size_t(x.size()) * sizeof(double)) == 0);
    };
    for (const EliminationKernel* kernel : supportedEliminationKernels()) {
        BandedSystem reused;
        for (const QVector<int>& system : systems) {
            check(SpringChain(system[0], system[1], system[2], system[3]), kernel, &reused);
            if (QTest::currentTestFailed())
                QFAIL(qPrintable(QStringLiteral("%1, %2 by %3").arg(kernel->name).arg(system[0]).arg(system[1])));
        }
        QCOMPARE(reused.allocations(), allocations);
        QVERIFY(reused.release());
        const QVector<int> last = systems.last();
        check(SpringChain(last[0], last[1], last[2], last[3]), kernel, &reused);
    }
}

// Springs k_i = 1 + (i mod 7) in series from a wall, rows 0..F−1, under a
// unit pull at the free end: u_j = Σ_{i <= j} 1/k_i. Reset to one equation
// more each time, the band is allocated a logarithmic number of times.
void TestBanded::growingAnEquationAtATimeAllocatesRarely()
{
    const int N = 300, H = 6;
    BandedSystem system;
    for (int F = 1; F <= N; ++F) {
        QVector<QVector<double>> K(F, QVector<double>(F, 0.0));
        for (int i = 0; i < F; ++i) {
            const double k = 1 + i % 7;
            K[i][i] += k;
            if (i > 0) {
                K[i - 1][i - 1] += k;
                K[i - 1][i] = K[i][i - 1] = -k;
            }
        }
        assemble(&system, K, H, true);
        QVector<double> u(F, 0.0);
        u[F - 1] = 1.0;
        QCOMPARE(system.eliminate().status, BandedSystem::Completed);
        QCOMPARE(system.solve(u.data()).status, BandedSystem::Completed);
        double expected = 0.0;
        for (int j = 0; j < F; ++j) {
            expected += 1.0 / (1 + j % 7);
            QVERIFY2(std::fabs(u[j] - expected) <= 1e-9 * expected, qPrintable(QStringLiteral("%1 of %2").arg(j).arg(F)));
        }
    }
    QVERIFY2(system.allocations() <= 2 * std::log2(N) + 2, qPrintable(QString::number(system.allocations())));
}

VARO_APPLESS_TEST_MAIN(TestBanded)
#include "tst_banded.moc"
