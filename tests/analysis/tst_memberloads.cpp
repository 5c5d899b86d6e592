#include "CloseTesting.h"
#include "AnalysisPointLoad.h"
#include "AnalysisTrapezoidLoad.h"
#include "TestMain.h"

#include <QtTest>

#include <cmath>

// Equivalent end loads, deflections and internal forces of member loads on a
// beam fixed at both ends, against textbook results and against the point
// load integrated over the distributed one.

namespace {

const double L = 6.0, E = 2.1e11, Iz = 8.0e-5, Iy = 3.0e-5;

AnalysisTrapezoidLoad trapezoid(double t1, double t2, const Vector3& w1, const Vector3& w2)
{
    AnalysisTrapezoidLoad load;
    load.start = t1, load.end = t2, load.startIntensity = w1, load.endIntensity = w2;
    return load;
}

AnalysisPointLoad pointLoad(double t, int component, double value)
{
    AnalysisPointLoad load{t, Vector6::zeroed()};
    load.force[component] = value;
    return load;
}

Vector6 values(std::initializer_list<double> v)
{
    Vector6 r;
    std::copy(v.begin(), v.end(), &r[0]);
    return r;
}

void compareVectors(const Vector6& actual, const Vector6& expected, double forceScale, const char* which)
{
    for (int k = 0; k < 6; ++k) {
        const double scale = k < 3 ? forceScale : forceScale * L;
        QVERIFY2(closeTo(actual[k], expected[k], 1e-9, scale),
                 qPrintable(QStringLiteral("%1[%2] = %3, expected %4").arg(which).arg(k).arg(actual[k], 0, 'g', 15)
                                .arg(expected[k], 0, 'g', 15)));
    }
}

// Five-point Gauss–Legendre rule on [a, b], exact for polynomials to degree 9.
template <class F>
double integrate(F f, double a, double b)
{
    static const double x[5] = {0.0, -0.5384693101056831, 0.5384693101056831, -0.9061798459386640, 0.9061798459386640};
    static const double w[5] = {0.5688888888888889, 0.4786286704993665, 0.4786286704993665, 0.2369268850562389,
                                0.2369268850562389};
    double s = 0.0;
    for (int i = 0; i < 5; ++i)
        s += w[i] * f((a + b) / 2 + (b - a) / 2 * x[i]);
    return s * (b - a) / 2;
}

} // namespace

Q_DECLARE_METATYPE(AnalysisPointLoad)
Q_DECLARE_METATYPE(AnalysisTrapezoidLoad)
Q_DECLARE_METATYPE(Vector6)

class TestMemberLoads : public QObject
{
    Q_OBJECT

private slots:
    void textbookEndLoads_data();
    void textbookEndLoads();
    void trapezoidEqualsIntegratedPointLoads_data();
    void trapezoidEqualsIntegratedPointLoads();
    void deflectionVanishesAtEndsAndIsContinuous_data();
    void deflectionVanishesAtEndsAndIsContinuous();
    void midspanResults();
    void axialLoads();
};

void TestMemberLoads::textbookEndLoads_data()
{
    QTest::addColumn<bool>("isPoint");
    QTest::addColumn<AnalysisPointLoad>("point");
    QTest::addColumn<AnalysisTrapezoidLoad>("distributed");
    QTest::addColumn<Vector6>("end1");
    QTest::addColumn<Vector6>("end2");

    const double w = 5e3, P = 20e3, M = 8e3, L2 = L * L;
    const Vector3 wy(0, w, 0), wz(0, 0, w), none;
    const AnalysisPointLoad noPoint;
    const AnalysisTrapezoidLoad noLoad;

    QTest::newRow("uniform along y: wL/2, ±wL²/12")
        << false << noPoint << trapezoid(0, 1, wy, wy) << values({0, w * L / 2, 0, 0, 0, w * L2 / 12})
        << values({0, w * L / 2, 0, 0, 0, -w * L2 / 12});
    QTest::newRow("uniform along z: the moments turn about −y")
        << false << noPoint << trapezoid(0, 1, wz, wz) << values({0, 0, w * L / 2, 0, -w * L2 / 12, 0})
        << values({0, 0, w * L / 2, 0, w * L2 / 12, 0});
    QTest::newRow("triangle rising: 3wL/20, 7wL/20, wL²/30, wL²/20")
        << false << noPoint << trapezoid(0, 1, none, wy) << values({0, 3 * w * L / 20, 0, 0, 0, w * L2 / 30})
        << values({0, 7 * w * L / 20, 0, 0, 0, -w * L2 / 20});
    QTest::newRow("triangle falling") << false << noPoint << trapezoid(0, 1, wy, none)
                                      << values({0, 7 * w * L / 20, 0, 0, 0, w * L2 / 20})
                                      << values({0, 3 * w * L / 20, 0, 0, 0, -w * L2 / 30});
    // Axial, opposite signs: the shares ∫w(x)(L − x)/L dx = L(2w1 + w2)/6 and
    // ∫w(x)x/L dx = L(w1 + 2w2)/6, though the resultant is zero.
    QTest::newRow("axial with opposite signs")
        << false << noPoint << trapezoid(0, 1, Vector3(10, 0, 0), Vector3(-10, 0, 0))
        << values({L * (20 - 10) / 6, 0, 0, 0, 0, 0}) << values({L * (10 - 20) / 6, 0, 0, 0, 0, 0});
    QTest::newRow("point at midspan: P/2, ±PL/8") << true << pointLoad(0.5, 1, P) << noLoad
                                                  << values({0, P / 2, 0, 0, 0, P * L / 8})
                                                  << values({0, P / 2, 0, 0, 0, -P * L / 8});
    const double a = L / 4, b = L - a;
    QTest::newRow("point at a quarter along z: Pb²(3a+b)/L³, Pab²/L²")
        << true << pointLoad(0.25, 2, P) << noLoad
        << values({0, 0, P * b * b * (3 * a + b) / (L2 * L), 0, -P * a * b * b / L2, 0})
        << values({0, 0, P * a * a * (a + 3 * b) / (L2 * L), 0, P * a * a * b / L2, 0});
    QTest::newRow("axial force and torsion at a quarter")
        << true << AnalysisPointLoad{0.25, values({P, 0, 0, M, 0, 0})} << noLoad << values({0.75 * P, 0, 0, 0.75 * M, 0, 0})
        << values({0.25 * P, 0, 0, 0.25 * M, 0, 0});
    // A central couple: 3M/2L at the ends and M/4 at each, in its own sense.
    QTest::newRow("couple about z at midspan") << true << pointLoad(0.5, 5, M) << noLoad
                                               << values({0, -1.5 * M / L, 0, 0, 0, -M / 4})
                                               << values({0, 1.5 * M / L, 0, 0, 0, -M / 4});
    QTest::newRow("couple about y at midspan") << true << pointLoad(0.5, 4, M) << noLoad
                                               << values({0, 0, 1.5 * M / L, 0, -M / 4, 0})
                                               << values({0, 0, -1.5 * M / L, 0, -M / 4, 0});
}

void TestMemberLoads::textbookEndLoads()
{
    QFETCH(bool, isPoint);
    QFETCH(AnalysisPointLoad, point);
    QFETCH(AnalysisTrapezoidLoad, distributed);
    QFETCH(Vector6, end1);
    QFETCH(Vector6, end2);

    Vector6 e1, e2;
    if (isPoint)
        point.localEndForces(L, &e1, &e2);
    else
        distributed.localEndForces(L, &e1, &e2);
    const double scale = std::max({std::fabs(end1[0]), std::fabs(end1[1]), std::fabs(end1[2]), std::fabs(end2[1]),
                                   std::fabs(end2[2]), std::fabs(end1[5]) / L});
    compareVectors(e1, end1, scale, "end1");
    compareVectors(e2, end2, scale, "end2");
}

void TestMemberLoads::trapezoidEqualsIntegratedPointLoads_data()
{
    QTest::addColumn<double>("t1");
    QTest::addColumn<double>("t2");
    QTest::addColumn<Vector3>("w1");
    QTest::addColumn<Vector3>("w2");

    QTest::newRow("partial, rising") << 0.2 << 0.7 << Vector3(3, 1e3, -2e3) << Vector3(5, 4e3, 1e3);
    QTest::newRow("partial, opposite signs") << 0.1 << 0.5 << Vector3(-40, 2e3, 3e3) << Vector3(25, -6e3, -1e3);
    QTest::newRow("near end 2") << 0.8 << 1.0 << Vector3(7, -1e3, 0) << Vector3(2, 0, 5e3);
    QTest::newRow("full length") << 0.0 << 1.0 << Vector3(12, 2e3, 2e3) << Vector3(-3, 2e3, -2e3);
}

// The end loads of w(x) equal those of the point loads w(x)·dx integrated
// over the span.
void TestMemberLoads::trapezoidEqualsIntegratedPointLoads()
{
    QFETCH(double, t1);
    QFETCH(double, t2);
    QFETCH(Vector3, w1);
    QFETCH(Vector3, w2);

    Vector6 e1, e2;
    trapezoid(t1, t2, w1, w2).localEndForces(L, &e1, &e2);

    const double a1 = t1 * L, a2 = t2 * L;
    double scale = 0.0;
    for (int end = 0; end < 2; ++end)
        for (int k = 0; k < 6; ++k) {
            const auto share = [&](double x) {
                const double s = (x - a1) / (a2 - a1);
                AnalysisPointLoad p{x / L, Vector6::zeroed()};
                for (int c = 0; c < 3; ++c)
                    p.force[c] = (1 - s) * w1[c] + s * w2[c];
                Vector6 p1, p2;
                p.localEndForces(L, &p1, &p2);
                return end == 0 ? p1[k] : p2[k];
            };
            const double expected = integrate(share, a1, a2);
            scale = std::max(scale, std::fabs(expected) / (k < 3 ? 1.0 : L));
            const double actual = end == 0 ? e1[k] : e2[k];
            QVERIFY2(closeTo(actual, expected, 1e-9, scale * (k < 3 ? 1.0 : L)),
                     qPrintable(QStringLiteral("end %1 [%2] = %3, expected %4").arg(end + 1).arg(k).arg(actual, 0, 'g', 15)
                                    .arg(expected, 0, 'g', 15)));
        }
}

void TestMemberLoads::deflectionVanishesAtEndsAndIsContinuous_data()
{
    QTest::addColumn<bool>("isPoint");
    QTest::addColumn<AnalysisPointLoad>("point");
    QTest::addColumn<AnalysisTrapezoidLoad>("distributed");
    QTest::addColumn<QVector<double>>("joints");

    const AnalysisPointLoad noPoint;
    const AnalysisTrapezoidLoad noLoad;
    QTest::newRow("force") << true << AnalysisPointLoad{0.3, values({0, 4e3, -2e3, 0, 0, 0})} << noLoad
                           << QVector<double>{0.3};
    QTest::newRow("couples") << true << AnalysisPointLoad{0.65, values({0, 0, 0, 0, 3e3, -5e3})} << noLoad
                             << QVector<double>{0.65};
    QTest::newRow("partial trapezoid") << false << noPoint
                                       << trapezoid(0.25, 0.6, Vector3(0, 2e3, -1e3), Vector3(0, -3e3, 4e3))
                                       << QVector<double>{0.25, 0.6};
}

void TestMemberLoads::deflectionVanishesAtEndsAndIsContinuous()
{
    QFETCH(bool, isPoint);
    QFETCH(AnalysisPointLoad, point);
    QFETCH(AnalysisTrapezoidLoad, distributed);
    QFETCH(QVector<double>, joints);

    const auto deflection = [&](double t) {
        Vector3 d;
        if (isPoint)
            point.accumulateDeflectionAtPoint(L, E, Iz, Iy, t, &d);
        else
            distributed.accumulateDeflectionAtPoint(L, E, Iz, Iy, t, &d);
        return d;
    };
    // Scale: the largest deflection along the span.
    double scale = 0.0;
    for (int i = 0; i <= 100; ++i)
        for (int c = 1; c < 3; ++c)
            scale = std::max(scale, std::fabs(deflection(i / 100.0)[c]));
    QVERIFY(scale > 0.0);
    for (int c = 1; c < 3; ++c) {
        QVERIFY(std::fabs(deflection(0.0)[c]) <= 1e-12 * scale);
        QVERIFY(std::fabs(deflection(1.0)[c]) <= 1e-12 * scale);
        for (double t : joints) {
            const double left = deflection(std::nextafter(t, 0.0))[c], right = deflection(t)[c];
            QVERIFY2(std::fabs(left - right) <= 1e-9 * scale, qPrintable(QStringLiteral("%1 %2").arg(left).arg(right)));
        }
    }
}

// Fixed at both ends: w gives wL⁴/384EI and a sagging wL²/24 at midspan, a
// central P gives PL³/192EI; a load towards +y bends the member towards +y.
void TestMemberLoads::midspanResults()
{
    const double w = 5e3, P = 20e3;
    const AnalysisTrapezoidLoad uniform = trapezoid(0, 1, Vector3(0, w, 0), Vector3(0, 0, w));
    Vector3 d;
    uniform.accumulateDeflectionAtPoint(L, E, Iz, Iy, 0.5, &d);
    VERIFY_CLOSE(d[1], w * std::pow(L, 4) / (768 * E * Iz), 1e-9, 0.0); // the half of w rising to midspan
    const AnalysisTrapezoidLoad both = trapezoid(0, 1, Vector3(0, w, w), Vector3(0, w, w));
    d = Vector3();
    both.accumulateDeflectionAtPoint(L, E, Iz, Iy, 0.5, &d);
    VERIFY_CLOSE(d[1], w * std::pow(L, 4) / (384 * E * Iz), 1e-9, 0.0);
    VERIFY_CLOSE(d[2], w * std::pow(L, 4) / (384 * E * Iy), 1e-9, 0.0);

    Vector6 f = Vector6::zeroed();
    both.accumulateForceAtPoint(L, 0.5, &f);
    QVERIFY(std::fabs(f[1]) <= 1e-9 * w * L);
    VERIFY_CLOSE(f[5], -w * L * L / 24, 1e-9, 0.0);
    f = Vector6::zeroed();
    both.accumulateForceAtPoint(L, 0.0, &f);
    VERIFY_CLOSE(f[5], w * L * L / 12, 1e-9, 0.0);

    d = Vector3();
    pointLoad(0.5, 1, P).accumulateDeflectionAtPoint(L, E, Iz, Iy, 0.5, &d);
    VERIFY_CLOSE(d[1], P * L * L * L / (192 * E * Iz), 1e-9, 0.0);
    // The shear steps by P at the load, taking the value after it.
    Vector6 before = Vector6::zeroed(), at = Vector6::zeroed();
    pointLoad(0.5, 1, P).accumulateForceAtPoint(L, std::nextafter(0.5, 0.0), &before);
    pointLoad(0.5, 1, P).accumulateForceAtPoint(L, 0.5, &at);
    VERIFY_CLOSE(at[1] - before[1], P, 1e-9, 0.0);
}

// Axial intensities totalling under 1 N/m carry no axial end loads. The axial
// force just inside each end is the end load carried there, for intensities
// of either sign.
void TestMemberLoads::axialLoads()
{
    Vector6 e1, e2;
    trapezoid(0, 1, Vector3(0.5, 0, 0), Vector3(0.4, 0, 0)).localEndForces(L, &e1, &e2);
    QCOMPARE(e1[0], 0.0);
    QCOMPARE(e2[0], 0.0);
    trapezoid(0, 1, Vector3(0.5, 0, 0), Vector3(-0.5, 0, 0)).localEndForces(L, &e1, &e2);
    QVERIFY(std::fabs(e1[0] - L * 0.5 / 6) < 1e-12);

    for (const auto& w : {std::make_pair(10.0, -10.0), std::make_pair(-3.0, 8.0), std::make_pair(4.0, 6.0)}) {
        const AnalysisTrapezoidLoad load = trapezoid(0.1, 0.8, Vector3(w.first, 0, 0), Vector3(w.second, 0, 0));
        Vector6 f0 = Vector6::zeroed(), f1 = Vector6::zeroed();
        load.localEndForces(L, &e1, &e2);
        load.accumulateForceAtPoint(L, 0.0, &f0);
        load.accumulateForceAtPoint(L, 1.0, &f1);
        VERIFY_CLOSE(f0[0], -e1[0], 1e-9, std::fabs(w.first) * L);
        VERIFY_CLOSE(f1[0], e2[0], 1e-9, std::fabs(w.first) * L);
    }
}

VARO_APPLESS_TEST_MAIN(TestMemberLoads)
#include "tst_memberloads.moc"
