#include "BandedSystem.h"
#include "TestMain.h"

#include <QtTest>

#include <cmath>
#include <limits>

// The banded system on small matrices whose factors are known by hand.

namespace {

// Assembles a symmetric matrix entry by entry through 12 by 12 blocks, as
// members do: each block couples two free rows, its other freedoms
// restrained. Entries outside the half band H must be zero.
BandedSystem systemOf(const QVector<QVector<double>>& K, int H)
{
    const int n = K.size();
    BandedSystem system;
    system.reset(n, H);
    int rows[12];
    for (int i = 2; i < 12; ++i)
        rows[i] = n + i;
    for (int r = 0; r < n; ++r)
        for (int c = r; c < std::min(n, r + H); ++c) {
            Matrix12x12 block = Matrix12x12::zeroed();
            rows[0] = r;
            rows[1] = c;
            if (c == r)
                block[0][0] = K[r][r];
            else
                block[0][1] = block[1][0] = K[r][c];
            system.assemble(block, rows);
        }
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

VARO_APPLESS_TEST_MAIN(TestBanded)
#include "tst_banded.moc"
