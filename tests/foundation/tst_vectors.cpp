#include "Vectors.h"

#include <QtTest>

#include <cmath>

class TestVectors : public QObject
{
    Q_OBJECT

private slots:
    void fuzzyEquality_data();
    void fuzzyEquality();
    void vectorEqualityNeedsEveryComponent();
    void textFormRoundTrips();
    void textFormWithWrongPartCountLeavesVectorUnset();
    void crossProductIsRightHanded();
    void matrixProducts();
    void localAxesRowsMapLocalToGlobal();
};

void TestVectors::fuzzyEquality_data()
{
    QTest::addColumn<double>("a");
    QTest::addColumn<double>("b");
    QTest::addColumn<bool>("equal");

    const double tiny = std::ldexp(1.0, -128);
    const double rel = std::ldexp(1.0, -20);
    QTest::newRow("identical") << 3.5 << 3.5 << true;
    QTest::newRow("within 2^-20 relative") << 1.0 << 1.0 + rel << true;
    QTest::newRow("beyond 2^-20 relative") << 1.0 << 1.0 + 2.0 * rel << false;
    QTest::newRow("both below 2^-128") << tiny * 0.5 << -tiny * 0.25 << true;
    QTest::newRow("one at 2^-128, other zero") << tiny << 0.0 << false;
    QTest::newRow("opposite signs") << 1e-3 << -1e-3 << false;
    QTest::newRow("large values") << 1e12 << 1e12 * (1.0 + 0.5 * rel) << true;
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
}

void TestVectors::vectorEqualityNeedsEveryComponent()
{
    // A small component is not "near zero" next to a larger one elsewhere:
    // each pair is judged on its own.
    QVERIFY(Vector3(-1, 1e-6, 0) != Vector3(-1, 0, 0));
    QVERIFY(Vector3(-1, 0, 0) == Vector3(-1, 0, 0));
    QVERIFY(!(Vector3(1, 2, 3) == Vector3(1, 2, 3.001)));
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

    // A part that is not a number reads as zero.
    QVERIFY(back.fromString(QStringLiteral("x,2,3")));
    QCOMPARE(back.x(), 0.0);
    QCOMPARE(back.y(), 2.0);
}

void TestVectors::textFormWithWrongPartCountLeavesVectorUnset()
{
    Vector3 v(7, 8, 9);
    QVERIFY(!v.fromString(QStringLiteral("1,2")));
    QVERIFY(!v.fromString(QStringLiteral("1,2,3,4")));
    QVERIFY(!v.fromString(QString()));
    QCOMPARE(v.x(), 7.0);
    QCOMPARE(v.z(), 9.0);
}

void TestVectors::crossProductIsRightHanded()
{
    QVERIFY(Vector3::vectorX.cross(Vector3::vectorY) == Vector3::vectorZ);
    QVERIFY(Vector3::vectorY.cross(Vector3::vectorZ) == Vector3::vectorX);
    QVERIFY(Vector3::vectorZ.cross(Vector3::vectorX) == Vector3::vectorY);
    const Vector3 a(1, 2, 3), b(-4, 5, 0.5);
    QCOMPARE(a.cross(b).dot(a), 0.0);
    QCOMPARE(a.dot(b), -4.0 + 10.0 + 1.5);
    QCOMPARE(Vector3(3, 4, 12).length(), 13.0);
    QVERIFY(Vector3(0, 0, 2).normalised() == Vector3::vectorZ);
}

void TestVectors::matrixProducts()
{
    // A 12x12 band of known values: A[r][c] = r + 1 on the diagonal, 1 just
    // above it; B = 2·I. Then A·B = 2A and Aᵀ·B = 2Aᵀ.
    Matrix12x12 a = Matrix12x12::zeroed();
    for (int i = 0; i < 12; ++i) {
        a[i][i] = i + 1;
        if (i < 11)
            a[i][i + 1] = 1.0;
    }
    Matrix12x12 b = Matrix12x12::identity();
    for (int i = 0; i < 12; ++i)
        b[i][i] = 2.0;

    const Matrix12x12 ab = a * b;
    const Matrix12x12 atb = transposeTimes(a, b);
    for (int r = 0; r < 12; ++r)
        for (int c = 0; c < 12; ++c) {
            QCOMPARE(ab[r][c], 2.0 * a[r][c]);
            QCOMPARE(atb[r][c], 2.0 * a[c][r]);
        }

    // M·v: element r is Σc M[r][c]·v[c].
    Vector12 v = Vector12::zeroed();
    for (int i = 0; i < 12; ++i)
        v[i] = 1.0;
    const Vector12 av = a * v;
    for (int r = 0; r < 11; ++r)
        QCOMPARE(av[r], r + 2.0);
    QCOMPARE(av[11], 12.0);

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

void TestVectors::localAxesRowsMapLocalToGlobal()
{
    // A member along global Y: local x = Y, local y = -X, local z = Z.
    Matrix3x3 axes = Matrix3x3::zeroed();
    axes[0][1] = 1.0;
    axes[1][0] = -1.0;
    axes[2][2] = 1.0;
    const Vector3 g = localToGlobal(axes, Vector3(2, 3, 4));
    QVERIFY(g == Vector3(-3, 2, 4));
    QVERIFY(globalToLocal(axes, g) == Vector3(2, 3, 4));
}

QTEST_APPLESS_MAIN(TestVectors)
#include "tst_vectors.moc"
