#include "Vectors.h"
#include "TestMain.h"

#include <QtTest>

#include <cfloat>
#include <cmath>
#include <limits>

class TestVectors : public QObject
{
    Q_OBJECT

private slots:
    void fuzzyEquality_data();
    void fuzzyEquality();
    void textFormRoundTrips();
    void productsAndAxes();
    void matrixProducts();
};

void TestVectors::fuzzyEquality_data()
{
    QTest::addColumn<double>("a");
    QTest::addColumn<double>("b");
    QTest::addColumn<bool>("equal");

    const double tiny = std::ldexp(1.0, -128);
    const double rel = std::ldexp(1.0, -20);
    QTest::newRow("within 2^-20 relative") << 1.0 << 1.0 + rel << true;
    QTest::newRow("beyond 2^-20 relative") << 1.0 << 1.0 + 2.0 * rel << false;
    QTest::newRow("both below 2^-128") << tiny * 0.5 << -tiny * 0.25 << true;
    QTest::newRow("one at 2^-128, other zero") << tiny << 0.0 << false;
    QTest::newRow("opposite signs") << 1e-3 << -1e-3 << false;
    QTest::newRow("small against zero") << 1e-6 << 0.0 << false;
    QTest::newRow("nan never equal") << std::nan("") << std::nan("") << false;
}

void TestVectors::fuzzyEquality()
{
    QFETCH(double, a);
    QFETCH(double, b);
    QFETCH(bool, equal);
    QCOMPARE(fuzzyEqual(a, b), equal);
    QCOMPARE(fuzzyEqual(b, a), equal);
    QCOMPARE(Vector3(a, 0, 0) == Vector3(b, 0, 0), equal);
    // A small component is not "near zero" next to a larger one elsewhere:
    // each pair is judged on its own.
    QCOMPARE(Vector3(-1, a, 0) == Vector3(-1, b, 0), equal);
}

void TestVectors::textFormRoundTrips()
{
    const Vector3 v(0.1, -2.5e-7, 123456.789012345);
    QCOMPARE(v.toString(), QStringLiteral("0.1,-2.5e-07,123456.789012345"));
    Vector3 back;
    QVERIFY(back.fromString(v.toString()));
    QCOMPARE(back.x(), 0.1);
    QCOMPARE(back.y(), -2.5e-7);
    QCOMPARE(back.z(), 123456.789012345);
    // Fifteen figures of the largest double would round past it: they are
    // cut toward zero. What is not finite is written as the nearest that is.
    const double inf = std::numeric_limits<double>::infinity();
    QCOMPARE(Vector3(DBL_MAX, -inf, std::nan("")).toString(),
             QStringLiteral("1.79769313486231e+308,-1.79769313486231e+308,0"));

    // A part that is not a number reads as zero.
    QVERIFY(back.fromString(QStringLiteral("x,2,3")));
    QCOMPARE(back.x(), 0.0);
    QCOMPARE(back.y(), 2.0);

    // The wrong number of parts leaves the vector as it was.
    QVERIFY(!back.fromString(QStringLiteral("1,2")));
    QVERIFY(!back.fromString(QStringLiteral("1,2,3,4")));
    QCOMPARE(back.y(), 2.0);
}

void TestVectors::productsAndAxes()
{
    QVERIFY(Vector3::vectorX.cross(Vector3::vectorY) == Vector3::vectorZ);
    const Vector3 a(1, 2, 3), b(-4, 5, 0.5);
    QCOMPARE(a.cross(b).dot(a), 0.0);
    QCOMPARE(Vector3(3, 4, 12).length(), 13.0);

    // Local axes as rows, for a member along global Y: local x = Y,
    // local y = -X, local z = Z.
    Matrix3x3 axes = Matrix3x3::zeroed();
    axes[0][1] = 1.0;
    axes[1][0] = -1.0;
    axes[2][2] = 1.0;
    const Vector3 g = localToGlobal(axes, Vector3(2, 3, 4));
    QVERIFY(g == Vector3(-3, 2, 4));
    QVERIFY(globalToLocal(axes, g) == Vector3(2, 3, 4));
}

void TestVectors::matrixProducts()
{
    // A: r + 1 on the diagonal, 1 just above it; B = 2·I. Then A·B = 2A,
    // Aᵀ·B = 2Aᵀ, and A·(1, …, 1) sums each row.
    Matrix12x12 a = Matrix12x12::zeroed(), b = Matrix12x12::zeroed();
    Vector12 ones = Vector12::zeroed();
    for (int i = 0; i < 12; ++i) {
        a[i][i] = i + 1;
        if (i < 11)
            a[i][i + 1] = 1.0;
        b[i][i] = 2.0;
        ones[i] = 1.0;
    }
    const Matrix12x12 ab = a * b, atb = transposeTimes(a, b);
    const Vector12 av = a * ones;
    for (int r = 0; r < 12; ++r) {
        for (int c = 0; c < 12; ++c) {
            QCOMPARE(ab[r][c], 2.0 * a[r][c]);
            QCOMPARE(atb[r][c], 2.0 * a[c][r]);
        }
        QCOMPARE(av[r], r < 11 ? r + 2.0 : 12.0);
    }

    // Mᵀ·v for a 6x6.
    Matrix6x6 m = Matrix6x6::zeroed();
    m[0][5] = 3.0;
    m[2][1] = -1.0;
    Vector6 u = Vector6::zeroed();
    u[0] = 2.0;
    u[2] = 4.0;
    const Vector6 mtu = transposeTimes(m, u);
    QCOMPARE(mtu[5], 6.0);
    QCOMPARE(mtu[1], -4.0);
    QCOMPARE(mtu[0], 0.0);

    // Storage is row by row: a 4x4 keeps [r][c] at 4r + c.
    Matrix4x4 q = Matrix4x4::zeroed();
    q[2][3] = 5.0;
    QCOMPARE(q.data()[11], 5.0);
}

VARO_APPLESS_TEST_MAIN(TestVectors)
#include "tst_vectors.moc"
