#include "AnalysisFaults.h"
#include "AnalysisMember.h"
#include "TestMain.h"

#include <QtTest>

#include <cmath>

// Member and stub matrices with end releases, against the beam's closed forms.

namespace {

const double L = 2.5, E = 2.0e11, G = 7.7e10, A = 4e-3, Iz = 5e-5, Iy = 2e-5, J = 3e-7;

struct Entry
{
    int r, c;
    double value;
};

} // namespace

Q_DECLARE_METATYPE(QVector<Entry>)

class TestMemberStiffness : public QObject
{
    Q_OBJECT

private slots:
    void memberWithReleases_data();
    void memberWithReleases();
    void rigidBodyMotionMakesNoForces_data();
    void rigidBodyMotionMakesNoForces();
    void stubKeepsTransmittedSprings();
    void stubReleasedTwiceFaults();
};

void TestMemberStiffness::memberWithReleases_data()
{
    QTest::addColumn<int>("endA");
    QTest::addColumn<int>("endB");
    QTest::addColumn<QVector<Entry>>("entries");
    QTest::addColumn<QVector<int>>("zeroFreedoms");

    const double EIz = E * Iz, EIy = E * Iy, L2 = L * L, L3 = L2 * L;
    QTest::newRow("rigid") << 63 << 63
                           << QVector<Entry>{{0, 0, E * A / L},     {0, 6, -E * A / L},    {3, 9, -G * J / L},
                                             {1, 1, 12 * EIz / L3}, {1, 11, 6 * EIz / L2}, {7, 11, -6 * EIz / L2},
                                             {5, 11, 2 * EIz / L},  {2, 4, -6 * EIy / L2}, {8, 10, 6 * EIy / L2},
                                             {10, 10, 4 * EIy / L}, {1, 2, 0.0},           {2, 5, 0.0}}
                           << QVector<int>{};
    // Bending about z released at end 2: a propped cantilever in x–y.
    QTest::newRow("z moment released at end 2")
        << 63 << 31
        << QVector<Entry>{{1, 1, 3 * EIz / L3}, {1, 5, 3 * EIz / L2}, {5, 5, 3 * EIz / L}, {1, 7, -3 * EIz / L3},
                          {5, 7, -3 * EIz / L2}, {2, 4, -6 * EIy / L2}, {4, 10, 2 * EIy / L}}
        << QVector<int>{11};
    // Both ends pinned in x–y: no transverse stiffness left in that plane.
    QTest::newRow("z moment released at both ends")
        << 31 << 31 << QVector<Entry>{{1, 1, 0.0}, {1, 7, 0.0}, {7, 7, 0.0}, {2, 2, 12 * EIy / L3}}
        << QVector<int>{5, 11};
    QTest::newRow("pinned at end 1 (15)")
        << 15 << 63
        << QVector<Entry>{{7, 7, 3 * EIz / L3}, {11, 11, 3 * EIz / L}, {8, 8, 3 * EIy / L3}, {10, 10, 3 * EIy / L},
                          {3, 3, G * J / L}}
        << QVector<int>{4, 5};
}

void TestMemberStiffness::memberWithReleases()
{
    QFETCH(int, endA);
    QFETCH(int, endB);
    QFETCH(QVector<Entry>, entries);
    QFETCH(QVector<int>, zeroFreedoms);

    Matrix12x12 k;
    AnalysisMember::makeLocalStiffnessMatrix(L, E, G, A, Iz, Iy, J, endA, endB, &k);
    // Rounding is measured against the largest entry of the matrix.
    const double scale = 12 * E * Iz / (L * L * L) + E * A / L;
    for (const Entry& e : entries) {
        QVERIFY2(std::fabs(k[e.r][e.c] - e.value) <= 1e-9 * std::max(std::fabs(e.value), scale * (e.value == 0)),
                 qPrintable(QStringLiteral("k[%1][%2] = %3, expected %4").arg(e.r).arg(e.c).arg(k[e.r][e.c]).arg(e.value)));
        QCOMPARE(k[e.c][e.r], k[e.r][e.c]);
    }
    for (int f : zeroFreedoms)
        for (int i = 0; i < 12; ++i) {
            QCOMPARE(k[f][i], 0.0);
            QCOMPARE(k[i][f], 0.0);
        }
}

void TestMemberStiffness::rigidBodyMotionMakesNoForces_data()
{
    QTest::addColumn<int>("endA");
    QTest::addColumn<int>("endB");
    QTest::newRow("rigid") << 63 << 63;
    QTest::newRow("pinned at end 2") << 63 << 15;
    QTest::newRow("torsion and z moment released") << 23 << 63;
}

// A member turned to a skew direction, moved as a rigid body in global axes
// (a translation and a rotation about a point off the member), takes no
// force: Tᵀ·k·T·u = 0.
void TestMemberStiffness::rigidBodyMotionMakesNoForces()
{
    QFETCH(int, endA);
    QFETCH(int, endB);

    const Vector3 x = Vector3(2, 3, 6) / 7.0, y = Vector3(3, -6, 2) / 7.0, z = x.cross(y);
    Matrix3x3 axes;
    for (int c = 0; c < 3; ++c)
        axes[0][c] = x[c], axes[1][c] = y[c], axes[2][c] = z[c];
    const Vector3 p1(1, 2, 3), p2 = p1 + x * L, centre(-1, 0.5, 2);
    const Vector3 translation(1e-3, -2e-3, 5e-4), rotation(2e-4, 1e-4, -3e-4);

    VectorN<12> u;
    const Vector3 u1 = translation + rotation.cross(p1 - centre);
    const Vector3 u2 = translation + rotation.cross(p2 - centre);
    for (int c = 0; c < 3; ++c) {
        u[c] = u1[c];
        u[3 + c] = rotation[c];
        u[6 + c] = u2[c];
        u[9 + c] = rotation[c];
    }

    Matrix12x12 k, T;
    AnalysisMember::makeLocalStiffnessMatrix(L, E, G, A, Iz, Iy, J, endA, endB, &k);
    AnalysisMember::expandTransformationMatrix(axes, &T);
    const Matrix12x12 K = transposeTimes(T, Matrix12x12(k * T));
    const VectorN<12> f = K * u;
    const double scale = (E * A / L) * translation.length();
    for (int i = 0; i < 12; ++i)
        QVERIFY2(std::fabs(f[i]) <= 1e-9 * scale, qPrintable(QString::number(f[i])));
}

// Each transmitted freedom keeps its spring s between the stub's ends, 10⁴
// times the member's own stiffness; each released one carries nothing at
// either end. Pinned (15), everything released (0), z moment released (31).
void TestMemberStiffness::stubKeepsTransmittedSprings()
{
    const double Es = 1e4 * E, Gs = 1e4 * G, L3 = L * L * L;
    const double s[6] = {Es * A / L, 12 * Es * Iz / L3, 12 * Es * Iy / L3, Gs * J / L, 4 * Es * Iy / L, 4 * Es * Iz / L};

    for (int released : {15, 0, 31}) {
        for (bool atEndB : {false, true}) {
            Matrix12x12 k;
            AnalysisMember::makeLocalStubMatrix(L, E, G, A, Iz, Iy, J, atEndB ? 63 : released, atEndB ? released : 63,
                                                &k);
            for (int f = 0; f < 6; ++f) {
                const double spring = (released >> f) & 1 ? s[f] : 0.0;
                QCOMPARE(k[f][f], spring);
                QCOMPARE(k[f + 6][f + 6], spring);
                QCOMPARE(k[f][f + 6], -spring);
                for (int c = 0; c < 12; ++c)
                    if (c != f && c != f + 6)
                        QCOMPARE(k[f][c], 0.0);
            }
        }
    }
}

void TestMemberStiffness::stubReleasedTwiceFaults()
{
    Matrix12x12 k;
    try {
        AnalysisMember::makeLocalStubMatrix(L, E, G, A, Iz, Iy, J, 31, 31, &k);
        QFAIL("no fault");
    } catch (const ExceptionAnalysisFault& fault) {
        QCOMPARE(fault.message, QStringLiteral("Ill-conditioning in member release"));
        QVERIFY(fault.object.isNull());
    }
}

VARO_APPLESS_TEST_MAIN(TestMemberStiffness)
#include "tst_memberstiffness.moc"
