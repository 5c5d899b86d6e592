#include "AnalysisMember.h"
#include "AnalysisPointLoad.h"
#include "AnalysisTolerances.h"
#include "AnalysisTrapezoidLoad.h"
#include "BandedSystem.h"
#include "NodeNumbering.h"

#include <QtTest>

#include <cmath>

// Closed-form beam results through a small stiffness-method driver: members
// are split into main pieces and release stubs, numbered, assembled and solved
// the way the analysis does it.

namespace {

const double E = 2.1e11, G = 8.1e10, A = 5.38e-3, Iz = 8.36e-5, Iy = 6.04e-6, J = 2.0e-7;
const double exact = 1e-9;
// A stub is 10000 times stiffer than its member, not rigid.
const double stubTolerance = 1e-3;

enum Restraint { Free = 0, Pinned = 7, Fixed = 63 };

struct Frame
{
    struct Piece
    {
        int a, b;
        int releaseA = 63, releaseB = 63;
        double L;
        Matrix3x3 axes;
    };
    struct MemberLoad
    {
        int member;
        bool isPoint;
        AnalysisPointLoad point;
        AnalysisTrapezoidLoad trapezoid;
    };

    QVector<Vector3> positions;
    QVector<int> restraints;
    QVector<Piece> pieces;
    QVector<int> mainPiece; // per member
    QVector<MemberLoad> memberLoads;
    QVector<Vector6> nodeLoads;

    BandedSystem system;
    QVector<int> rowMapping;
    QVector<double> displacements;
    BandedSystem::Outcome outcome;
    int vanishingDiagonal = -1;

    int addNode(const Vector3& p, int restraint = Free)
    {
        positions.append(p);
        restraints.append(restraint);
        nodeLoads.append(Vector6::zeroed());
        return positions.size() - 1;
    }

    // Local y is the given direction made square to the member.
    int addMember(int a, int b, int releaseA = 63, int releaseB = 63, const Vector3& y = Vector3(0, 1, 0))
    {
        const Vector3 d = positions[b] - positions[a];
        const Vector3 x = d.normalised();
        const Vector3 z = x.cross(y).normalised();
        const Vector3 yy = z.cross(x);
        Matrix3x3 axes;
        for (int c = 0; c < 3; ++c) {
            axes[0][c] = x[c];
            axes[1][c] = yy[c];
            axes[2][c] = z[c];
        }
        const auto piece = [&](int from, int to, int rA, int rB) {
            pieces.append(Piece{from, to, rA, rB, d.length(), axes});
        };
        int innerA = a, innerB = b;
        if (releaseA != 63)
            innerA = addNode(positions[a]);
        if (releaseB != 63)
            innerB = addNode(positions[b]);
        if (releaseA != 63)
            piece(a, innerA, releaseA, 63);
        mainPiece.append(pieces.size());
        piece(innerA, innerB, 63, 63);
        if (releaseB != 63)
            piece(innerB, b, 63, releaseB);
        return mainPiece.size() - 1;
    }

    void addPointLoad(int member, double t, const Vector6& P)
    {
        MemberLoad load{member, true, {}, {}};
        load.point.position = t;
        load.point.force = P;
        memberLoads.append(load);
    }

    void addTrapezoidLoad(int member, double t1, double t2, const Vector3& w1, const Vector3& w2)
    {
        MemberLoad load{member, false, {}, {}};
        load.trapezoid.start = t1;
        load.trapezoid.end = t2;
        load.trapezoid.startIntensity = w1;
        load.trapezoid.endIntensity = w2;
        memberLoads.append(load);
    }

    Matrix12x12 localMatrix(const Piece& p) const
    {
        Matrix12x12 k;
        if (p.releaseA == 63 && p.releaseB == 63)
            AnalysisMember::makeLocalStiffnessMatrix(p.L, E, G, A, Iz, Iy, J, 63, 63, &k);
        else
            AnalysisMember::makeLocalStubMatrix(p.L, E, G, A, Iz, Iy, J, p.releaseA, p.releaseB, &k);
        return k;
    }

    void pieceRows(const Piece& p, int rows[12]) const
    {
        for (int d = 0; d < 6; ++d) {
            rows[d] = rowMapping[6 * numbers[p.a] + d];
            rows[6 + d] = rowMapping[6 * numbers[p.b] + d];
        }
    }

    void endLoads(const MemberLoad& load, Vector6* e1, Vector6* e2) const
    {
        const double L = pieces[mainPiece[load.member]].L;
        if (load.isPoint)
            load.point.localEndForces(L, e1, e2);
        else
            load.trapezoid.localEndForces(L, e1, e2);
    }

    void analyse()
    {
        const int n = positions.size();
        QVector<MemberEnds> ends;
        for (const Piece& p : pieces)
            ends.append(MemberEnds(p.a, p.b));
        numbers = reverseCuthillMcKeeNumbers(n, ends);
        const int H = halfBandWidthOf(numbers, ends);

        int R = 0;
        for (int r : restraints)
            for (int d = 0; d < 6; ++d)
                R += (r >> d) & 1;
        const int F = 6 * n - R;
        QVector<int> byNumber(n);
        for (int i = 0; i < n; ++i)
            byNumber[numbers[i]] = i;
        rowMapping.fill(0, 6 * n);
        int nextFree = 0, nextFixed = F;
        for (int number = 0; number < n; ++number)
            for (int d = 0; d < 6; ++d)
                rowMapping[6 * number + d] = (restraints[byNumber[number]] >> d) & 1 ? nextFixed++ : nextFree++;

        system.reset(F, H);
        for (const Piece& p : pieces) {
            Matrix12x12 T;
            AnalysisMember::expandTransformationMatrix(p.axes, &T);
            const Matrix12x12 K = transposeTimes(T, Matrix12x12(localMatrix(p) * T));
            int rows[12];
            pieceRows(p, rows);
            system.assemble(K, rows);
        }
        vanishingDiagonal = system.firstVanishingDiagonal();
        if (vanishingDiagonal >= 0)
            return;
        outcome = system.eliminate();
        if (outcome.status != BandedSystem::Completed)
            return;

        QVector<double> P(6 * n, 0.0);
        for (int i = 0; i < n; ++i)
            for (int d = 0; d < 6; ++d)
                P[rowMapping[6 * numbers[i] + d]] += nodeLoads[i][d];
        for (const MemberLoad& load : memberLoads) {
            Vector6 e1, e2;
            endLoads(load, &e1, &e2);
            const Piece& p = pieces[mainPiece[load.member]];
            Matrix6x6 T6;
            AnalysisMember::expandTransformationMatrix(p.axes, &T6);
            const Vector6 g1 = transposeTimes(T6, e1), g2 = transposeTimes(T6, e2);
            for (int d = 0; d < 6; ++d) {
                P[rowMapping[6 * numbers[p.a] + d]] += g1[d];
                P[rowMapping[6 * numbers[p.b] + d]] += g2[d];
            }
        }
        displacements = P;
        std::fill(displacements.begin() + F, displacements.end(), 0.0);
        outcome = system.solve(displacements.data());
    }

    Vector6 displacement(int node) const
    {
        Vector6 d;
        for (int k = 0; k < 6; ++k)
            d[k] = displacements[rowMapping[6 * numbers[node] + k]];
        return d;
    }

    // The forces that the nodes exert on the member's main piece, member axes:
    // k·u less the loads' equivalent end loads.
    Vector12 memberEndForces(int member) const
    {
        const Piece& p = pieces[mainPiece[member]];
        Matrix12x12 T;
        AnalysisMember::expandTransformationMatrix(p.axes, &T);
        Vector12 u;
        const Vector6 da = displacement(p.a), db = displacement(p.b);
        for (int k = 0; k < 6; ++k) {
            u[k] = da[k];
            u[6 + k] = db[k];
        }
        Vector12 f = localMatrix(p) * Vector12(T * u);
        for (const MemberLoad& load : memberLoads)
            if (load.member == member) {
                Vector6 e1, e2;
                endLoads(load, &e1, &e2);
                for (int k = 0; k < 6; ++k) {
                    f[k] -= e1[k];
                    f[6 + k] -= e2[k];
                }
            }
        return f;
    }

    // The node that owns a row, by list position.
    int nodeOfRow(int row) const
    {
        const int q = rowMapping.indexOf(row);
        return numbers.indexOf(q / 6);
    }

    QVector<int> numbers;
};

bool closeTo(double actual, double expected, double relative, double scale = 0.0)
{
    return std::fabs(actual - expected) <= relative * std::max(std::fabs(expected), scale);
}

#define COMPARE_REL(actual, expected, relative)                                                              \
    QVERIFY2(closeTo((actual), (expected), (relative)),                                                      \
             qPrintable(QStringLiteral("%1 is %2, expected %3").arg(#actual).arg((actual), 0, 'g', 17)         \
                            .arg((expected), 0, 'g', 17)))

// Zero where the expected value is zero, relative to a scale of the problem.
#define COMPARE_ZERO(actual, scale)                                                                         \
    QVERIFY2(std::fabs(actual) <= 1e-9 * (scale),                                                             \
             qPrintable(QStringLiteral("%1 is %2, expected 0").arg(#actual).arg((actual), 0, 'g', 17)))

} // namespace

class TestSolution : public QObject
{
    Q_OBJECT

private slots:
    void cantileverTipLoad_data();
    void cantileverTipLoad();
    void axialAndTorsionTipLoads();
    void fixedFixedUniformLoad();
    void centralPointLoad_data();
    void centralPointLoad();
    void proppedCantileverWithReleasedEnd();
    void hingeMechanismReportsItsNode();
    void longChainFromItsFixedEndSolves();
    void nodeReachedOnlyThroughReleasesHasVanishingDiagonal();
};

void TestSolution::cantileverTipLoad_data()
{
    QTest::addColumn<Vector3>("direction");
    QTest::addColumn<Vector3>("yHint");
    QTest::addColumn<int>("loadAxis");
    QTest::addColumn<double>("I");

    const Vector3 skew = Vector3(1.0, 2.0, 2.0) / 3.0;
    QTest::newRow("x, load along y") << Vector3(1, 0, 0) << Vector3(0, 1, 0) << 1 << Iz;
    QTest::newRow("x, load along z") << Vector3(1, 0, 0) << Vector3(0, 1, 0) << 2 << Iy;
    QTest::newRow("vertical, load along local y") << Vector3(0, 0, 1) << Vector3(1, 0, 0) << 1 << Iz;
    QTest::newRow("skew, load along local z") << skew << Vector3(0, 0, 1) << 2 << Iy;
}

// Tip deflection PL³/3EI, rotation PL²/2EI, fixed-end moment PL.
void TestSolution::cantileverTipLoad()
{
    QFETCH(Vector3, direction);
    QFETCH(Vector3, yHint);
    QFETCH(int, loadAxis);
    QFETCH(double, I);
    const double L = 4.0, P = 12.5e3;

    Frame frame;
    const int a = frame.addNode(Vector3(1, -2, 3), Fixed);
    const int b = frame.addNode(Vector3(1, -2, 3) + direction * L);
    const int m = frame.addMember(a, b, 63, 63, yHint);
    const Matrix3x3& axes = frame.pieces[0].axes;
    for (int c = 0; c < 3; ++c)
        frame.nodeLoads[b][c] = P * axes[loadAxis][c];
    frame.analyse();
    QCOMPARE(frame.outcome.status, BandedSystem::Completed);

    const Vector6 d = frame.displacement(b);
    const Vector3 deflection = globalToLocal(axes, Vector3(d[0], d[1], d[2]));
    const Vector3 rotation = globalToLocal(axes, Vector3(d[3], d[4], d[5]));
    COMPARE_REL(deflection[loadAxis], P * L * L * L / (3 * E * I), exact);
    // A deflection along +y turns the tip about +z, one along +z about −y.
    const int otherAxis = 3 - loadAxis;
    const double sign = loadAxis == 1 ? 1.0 : -1.0;
    COMPARE_REL(rotation[otherAxis], sign * P * L * L / (2 * E * I), exact);

    // The support holds the member with −P and a moment that balances P·L.
    const Vector12 f = frame.memberEndForces(m);
    COMPARE_REL(f[loadAxis], -P, exact);
    COMPARE_REL(f[3 + otherAxis], -sign * P * L, exact);
    COMPARE_ZERO(f[6 + 3 + otherAxis], P * L);
}

// u = PL/EA, θ = TL/GJ, along a member at an angle to every global axis.
void TestSolution::axialAndTorsionTipLoads()
{
    const double L = 3.0, P = 40e3, T = 2.5e3;
    const Vector3 x = Vector3(2.0, -1.0, 2.0) / 3.0;
    Frame frame;
    const int a = frame.addNode(Vector3(0, 0, 0), Fixed);
    const int b = frame.addNode(x * L);
    frame.addMember(a, b, 63, 63, Vector3(0, 0, 1));
    for (int c = 0; c < 3; ++c) {
        frame.nodeLoads[b][c] = P * x[c];
        frame.nodeLoads[b][3 + c] = T * x[c];
    }
    frame.analyse();
    QCOMPARE(frame.outcome.status, BandedSystem::Completed);

    const Vector6 d = frame.displacement(b);
    COMPARE_REL(Vector3(d[0], d[1], d[2]).dot(x), P * L / (E * A), exact);
    COMPARE_REL(Vector3(d[3], d[4], d[5]).dot(x), T * L / (G * J), exact);
}

// Fixed at both ends under w over the span, in two members: end moments
// wL²/12, midspan moment wL²/24 and deflection wL⁴/384EI.
void TestSolution::fixedFixedUniformLoad()
{
    const double L = 8.0, w = 7.5e3;
    Frame frame;
    const int a = frame.addNode(Vector3(0, 0, 0), Fixed);
    const int c = frame.addNode(Vector3(L / 2, 0, 0));
    const int b = frame.addNode(Vector3(L, 0, 0), Fixed);
    const int left = frame.addMember(a, c);
    const int right = frame.addMember(c, b);
    for (int m : {left, right})
        frame.addTrapezoidLoad(m, 0.0, 1.0, Vector3(0, -w, 0), Vector3(0, -w, 0));
    frame.analyse();
    QCOMPARE(frame.outcome.status, BandedSystem::Completed);

    COMPARE_REL(frame.displacement(c)[1], -w * std::pow(L, 4) / (384 * E * Iz), exact);
    COMPARE_ZERO(frame.displacement(c)[5], w * std::pow(L, 3) / (E * Iz));

    // Hogging at the supports, sagging at midspan; the supports carry wL/2 each.
    const Vector12 fl = frame.memberEndForces(left);
    const Vector12 fr = frame.memberEndForces(right);
    COMPARE_REL(fl[1], w * L / 2, exact);
    COMPARE_REL(fl[5], w * L * L / 12, exact);
    COMPARE_REL(fr[11], -w * L * L / 12, exact);
    COMPARE_REL(fl[11], w * L * L / 24, exact);
    COMPARE_REL(fr[5], -w * L * L / 24, exact);
}

void TestSolution::centralPointLoad_data()
{
    QTest::addColumn<bool>("fixedEnds");
    QTest::addColumn<bool>("asMemberLoad");
    QTest::addColumn<double>("deflectionCoefficient"); // of PL³/EI
    QTest::addColumn<double>("endRotationCoefficient"); // of PL²/EI
    QTest::addColumn<double>("endMomentCoefficient"); // of PL

    QTest::newRow("fixed-fixed, node load") << true << false << 1.0 / 192 << 0.0 << 1.0 / 8;
    QTest::newRow("fixed-fixed, member load") << true << true << 0.0 << 0.0 << 1.0 / 8;
    QTest::newRow("simply supported, node load") << false << false << 1.0 / 48 << 1.0 / 16 << 0.0;
    QTest::newRow("simply supported, member load") << false << true << 0.0 << 1.0 / 16 << 0.0;
}

// P at midspan: deflection PL³/192EI and end moments PL/8 when fixed,
// deflection PL³/48EI and end rotations PL²/16EI when simply supported.
void TestSolution::centralPointLoad()
{
    QFETCH(bool, fixedEnds);
    QFETCH(bool, asMemberLoad);
    QFETCH(double, deflectionCoefficient);
    QFETCH(double, endRotationCoefficient);
    QFETCH(double, endMomentCoefficient);
    const double L = 6.0, P = 30e3;

    // Simply supported in the x–y plane: translations held at both ends, the
    // twist at one end, so that only the bending rotations are free.
    Frame frame;
    const int a = frame.addNode(Vector3(0, 0, 0), fixedEnds ? Fixed : Pinned | 8);
    const int b = frame.addNode(Vector3(L, 0, 0), fixedEnds ? Fixed : 2 | 4);
    int first, c = -1;
    if (asMemberLoad) {
        first = frame.addMember(a, b);
        Vector6 load = Vector6::zeroed();
        load[1] = -P;
        frame.addPointLoad(first, 0.5, load);
    } else {
        c = frame.addNode(Vector3(L / 2, 0, 0));
        first = frame.addMember(a, c);
        frame.addMember(c, b);
        frame.nodeLoads[c][1] = -P;
    }
    frame.analyse();
    QCOMPARE(frame.outcome.status, BandedSystem::Completed);

    const double EI = E * Iz;
    if (c >= 0)
        COMPARE_REL(frame.displacement(c)[1], -deflectionCoefficient * P * L * L * L / EI, exact);
    if (!fixedEnds) {
        COMPARE_REL(frame.displacement(a)[5], -endRotationCoefficient * P * L * L / EI, exact);
        COMPARE_REL(frame.displacement(b)[5], endRotationCoefficient * P * L * L / EI, exact);
    }
    const Vector12 f = frame.memberEndForces(first);
    COMPARE_REL(f[1], P / 2, exact);
    if (fixedEnds)
        COMPARE_REL(f[5], endMomentCoefficient * P * L, exact);
    else
        COMPARE_ZERO(f[5], P * L);
}

// Fixed at A, the member released in bending at B where the node is held:
// under w the fixed end takes wL²/8 and B takes 3wL/8, up to the stubs'
// finite stiffness.
void TestSolution::proppedCantileverWithReleasedEnd()
{
    const double L = 5.0, w = 4e3;
    Frame frame;
    const int a = frame.addNode(Vector3(0, 0, 0), Fixed);
    const int b = frame.addNode(Vector3(L, 0, 0), Fixed);
    const int m = frame.addMember(a, b, 63, 15);
    frame.addTrapezoidLoad(m, 0.0, 1.0, Vector3(0, -w, 0), Vector3(0, -w, 0));
    frame.analyse();
    QCOMPARE(frame.outcome.status, BandedSystem::Completed);
    QCOMPARE(frame.positions.size(), 3); // one bridge node

    const Vector12 f = frame.memberEndForces(m);
    COMPARE_REL(f[5], w * L * L / 8, stubTolerance);
    COMPARE_REL(f[7], 3 * w * L / 8, stubTolerance);
    QVERIFY(std::fabs(f[11]) <= stubTolerance * w * L * L / 8);
    // The bridge node turns freely: θ = wL³/48EI for a propped cantilever.
    COMPARE_REL(frame.displacement(2)[5], w * L * L * L / (48 * E * Iz), stubTolerance);
}

// A beam on two pins with a hinge at midspan can sway: the last pivot of the
// mechanism cancels only to rounding, far above 2^-128, and must still be
// reported, with its row.
void TestSolution::hingeMechanismReportsItsNode()
{
    const double L = 6.0;
    const int inPlane = 4 | 8 | 16; // Z, Rx, Ry held: the beam works in x–y
    Frame frame;
    const int a = frame.addNode(Vector3(0, 0, 0), inPlane | 1 | 2);
    const int c = frame.addNode(Vector3(L / 2, 0, 0), inPlane | 32);
    const int b = frame.addNode(Vector3(L, 0, 0), inPlane | 2);
    frame.addMember(a, c, 63, 31);
    frame.addMember(c, b, 31, 63);
    frame.nodeLoads[c][1] = -1e3;
    frame.analyse();

    QCOMPARE(frame.vanishingDiagonal, -1);
    QCOMPARE(frame.outcome.status, BandedSystem::Singular);
    QVERIFY(frame.outcome.row >= 0 && frame.outcome.row < frame.system.numberOfEquations());
    QVERIFY(!isNearZero(frame.system.entry(frame.outcome.row, frame.outcome.row)));
}

// n members in a line, eliminated from the fixed end towards the free end,
// leave a last pivot of about 1/(4n³) of its diagonal: sound, if small. Its
// bending stiffness has a condition number of about n⁴, so the answer keeps
// about n⁴·2^-52 ≈ 2·10^-4 relative accuracy.
void TestSolution::longChainFromItsFixedEndSolves()
{
    const int n = 1000;
    const double L = 10.0, P = 1e3;
    Frame frame;
    const int tip = frame.addNode(Vector3(L, 0, 0));
    int previous = tip;
    for (int i = n - 1; i >= 0; --i) {
        const int next = frame.addNode(Vector3(L * i / n, 0, 0), i == 0 ? Fixed : Free);
        frame.addMember(next, previous);
        previous = next;
    }
    frame.nodeLoads[tip][1] = P;
    frame.analyse();
    QCOMPARE(frame.outcome.status, BandedSystem::Completed);
    COMPARE_REL(frame.displacement(tip)[1], P * L * L * L / (3 * E * Iz), 1e-3);
}

// A node whose only member reaches it through a stub releasing everything
// has no stiffness at all in its free rows.
void TestSolution::nodeReachedOnlyThroughReleasesHasVanishingDiagonal()
{
    Frame frame;
    const int a = frame.addNode(Vector3(0, 0, 0), Fixed);
    const int b = frame.addNode(Vector3(3, 0, 0));
    frame.addMember(a, b, 63, 0);
    frame.analyse();
    QVERIFY(frame.vanishingDiagonal >= 0);
    QCOMPARE(frame.nodeOfRow(frame.vanishingDiagonal), b);
}

QTEST_APPLESS_MAIN(TestSolution)
#include "tst_solution.moc"
