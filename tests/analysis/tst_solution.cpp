#include "AnalysisMember.h"
#include "AnalysisTolerances.h"
#include "BandedSystem.h"
#include "NodeNumbering.h"

#include <QtTest>

#include <cmath>

// Skew members, mechanisms and long chains through a small stiffness-method
// driver: members are split into main pieces and release stubs, numbered,
// assembled and solved the way the analysis does it. The textbook beams run
// end to end in tst_engine.

namespace {

const double E = 2.1e11, G = 8.1e10, A = 5.38e-3, Iz = 8.36e-5, Iy = 6.04e-6, J = 2.0e-7;
const double exact = 1e-9;

enum Restraint { Free = 0, Fixed = 63 };

struct Frame
{
    struct Piece
    {
        int a, b;
        int releaseA = 63, releaseB = 63;
        double L;
        Matrix3x3 axes;
    };
    QVector<Vector3> positions;
    QVector<int> restraints;
    QVector<Piece> pieces;
    QVector<int> mainPiece; // per member
    QVector<Vector6> nodeLoads;

    BandedSystem system;
    QVector<int> numbers, rowMapping;
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

    Matrix12x12 localMatrix(const Piece& p) const
    {
        Matrix12x12 k;
        if (p.releaseA == 63 && p.releaseB == 63)
            AnalysisMember::makeLocalStiffnessMatrix(p.L, E, G, A, Iz, Iy, J, 63, 63, &k);
        else
            AnalysisMember::makeLocalStubMatrix(p.L, E, G, A, Iz, Iy, J, p.releaseA, p.releaseB, &k);
        return k;
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
            for (int d = 0; d < 6; ++d) {
                rows[d] = rowMapping[6 * numbers[p.a] + d];
                rows[6 + d] = rowMapping[6 * numbers[p.b] + d];
            }
            system.assemble(K, rows);
        }
        vanishingDiagonal = system.firstVanishingDiagonal();
        if (vanishingDiagonal >= 0)
            return;
        outcome = system.eliminate();
        if (outcome.status != BandedSystem::Completed)
            return;

        displacements.fill(0.0, 6 * n);
        for (int i = 0; i < n; ++i)
            for (int d = 0; d < 6; ++d)
                if (!((restraints[i] >> d) & 1))
                    displacements[rowMapping[6 * numbers[i] + d]] = nodeLoads[i][d];
        outcome = system.solve(displacements.data());
    }

    Vector6 displacement(int node) const
    {
        Vector6 d;
        for (int k = 0; k < 6; ++k)
            d[k] = displacements[rowMapping[6 * numbers[node] + k]];
        return d;
    }

    // The forces that the nodes exert on the member's main piece, member axes.
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
        return localMatrix(p) * Vector12(T * u);
    }

    // The node that owns a row, by list position.
    int nodeOfRow(int row) const
    {
        const int q = rowMapping.indexOf(row);
        return numbers.indexOf(q / 6);
    }
};

#define COMPARE_REL(actual, expected, relative)                                                              \
    QVERIFY2(std::fabs((actual) - (expected)) <= (relative) * std::fabs(expected),                           \
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
