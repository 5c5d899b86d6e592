#include "CloseTesting.h"
#include "AnalysisMember.h"
#include "AnalysisTolerances.h"
#include "BandedSystem.h"
#include "NodeNumbering.h"
#include "TestMain.h"

#include <QtTest>

#include <cmath>
#include <limits>

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
        double scale; // of A, Iz, Iy and J
    };
    QVector<Vector3> positions;
    QVector<int> standsAt; // the model node a bridge node serves, else itself
    QVector<int> restraints;
    QVector<Piece> pieces;
    QVector<int> mainPiece; // per member
    QVector<Vector6> nodeLoads;
    double sectionScale = 1.0; // for the members added next

    BandedSystem system;
    QVector<int> numbers, rowMapping;
    QVector<double> displacements;
    BandedSystem::Outcome outcome;
    int vanishingDiagonal = -1;

    int addNode(const Vector3& p, int restraint = Free)
    {
        positions.append(p);
        standsAt.append(positions.size() - 1);
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
            pieces.append(Piece{from, to, rA, rB, d.length(), axes, sectionScale});
        };
        int innerA = a, innerB = b;
        if (releaseA != 63)
            standsAt[innerA = addNode(positions[a])] = a;
        if (releaseB != 63)
            standsAt[innerB = addNode(positions[b])] = b;
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
        const double s = p.scale;
        if (p.releaseA == 63 && p.releaseB == 63)
            AnalysisMember::makeLocalStiffnessMatrix(p.L, E, G, s * A, s * Iz, s * Iy, s * J, 63, 63, &k);
        else
            AnalysisMember::makeLocalStubMatrix(p.L, E, G, s * A, s * Iz, s * Iy, s * J, p.releaseA, p.releaseB, &k);
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

    // The model node that owns a row, or that the row's bridge node serves.
    int nodeOfRow(int row) const
    {
        const int q = rowMapping.indexOf(row);
        return standsAt[numbers.indexOf(q / 6)];
    }
};

} // namespace

class TestSolution : public QObject
{
    Q_OBJECT

private slots:
    void cantileverTipLoad_data();
    void cantileverTipLoad();
    void soundModelsSolveAndMechanismsAreRefused_data();
    void soundModelsSolveAndMechanismsAreRefused();
    void longChainFromItsFixedEndSolves();
};

void TestSolution::cantileverTipLoad_data()
{
    QTest::addColumn<Vector3>("direction");
    QTest::addColumn<Vector3>("yHint");
    QTest::addColumn<int>("freedom"); // loaded, in member axes: x, y, z, then turns about them
    QTest::addColumn<double>("flexibility"); // tip displacement along it per unit load

    const double L = 4.0, L3 = L * L * L;
    const Vector3 skew = Vector3(1.0, 2.0, 2.0) / 3.0, other = Vector3(2.0, -1.0, 2.0) / 3.0;
    QTest::newRow("x, load along y") << Vector3(1, 0, 0) << Vector3(0, 1, 0) << 1 << L3 / (3 * E * Iz);
    QTest::newRow("x, load along z") << Vector3(1, 0, 0) << Vector3(0, 1, 0) << 2 << L3 / (3 * E * Iy);
    QTest::newRow("vertical, load along local y") << Vector3(0, 0, 1) << Vector3(1, 0, 0) << 1 << L3 / (3 * E * Iz);
    QTest::newRow("skew, load along local z") << skew << Vector3(0, 0, 1) << 2 << L3 / (3 * E * Iy);
    QTest::newRow("skew, axial: PL/EA") << other << Vector3(0, 0, 1) << 0 << L / (E * A);
    QTest::newRow("skew, torsion: TL/GJ") << other << Vector3(0, 0, 1) << 3 << L / (G * J);
}

// Tip deflection PL³/3EI, rotation PL²/2EI, fixed-end moment PL.
void TestSolution::cantileverTipLoad()
{
    QFETCH(Vector3, direction);
    QFETCH(Vector3, yHint);
    QFETCH(int, freedom);
    QFETCH(double, flexibility);
    const double L = 4.0, P = 12.5e3;

    Frame frame;
    const int a = frame.addNode(Vector3(1, -2, 3), Fixed);
    const int b = frame.addNode(Vector3(1, -2, 3) + direction * L);
    const int m = frame.addMember(a, b, 63, 63, yHint);
    const Matrix3x3& axes = frame.pieces[0].axes;
    const int loadAxis = freedom % 3;
    for (int c = 0; c < 3; ++c)
        frame.nodeLoads[b][freedom - loadAxis + c] = P * axes[loadAxis][c];
    frame.analyse();
    QCOMPARE(frame.outcome.status, BandedSystem::Completed);

    const Vector6 d = frame.displacement(b);
    const Vector3 deflection = globalToLocal(axes, Vector3(d[0], d[1], d[2]));
    const Vector3 rotation = globalToLocal(axes, Vector3(d[3], d[4], d[5]));
    VERIFY_CLOSE((freedom < 3 ? deflection : rotation)[loadAxis], P * flexibility, exact, 0.0);
    if (loadAxis == 0)
        return;
    // A deflection along +y turns the tip about +z, one along +z about −y;
    // PL²/2EI is 3/2L of PL³/3EI.
    const int otherAxis = 3 - loadAxis;
    const double sign = loadAxis == 1 ? 1.0 : -1.0;
    VERIFY_CLOSE(rotation[otherAxis], sign * P * flexibility * 3 / (2 * L), exact, 0.0);

    // The support holds the member with −P and a moment that balances P·L.
    const Vector12 f = frame.memberEndForces(m);
    VERIFY_CLOSE(f[loadAxis], -P, exact, 0.0);
    VERIFY_CLOSE(f[3 + otherAxis], -sign * P * L, exact, 0.0);
    VERIFY_CLOSE(f[6 + 3 + otherAxis], 0.0, 1e-9, P * L);
}

void TestSolution::soundModelsSolveAndMechanismsAreRefused_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<Vector3>("direction");
    const QVector<QPair<QString, Vector3>> directions{{"x", Vector3(1, 0, 0)},
                                                      {"inclined", Vector3(0.6, 0.8, 0)},
                                                      {"y", Vector3(0, 1, 0)}};
    for (const QString& model : QStringList{"stiff end link", "split by the tip", "pin-hinge-pin",
                                            "pin-hinge-pin in space", "unsupported direction",
                                            "node with released members"})
        for (const auto& d : directions)
            QTest::newRow(qPrintable(model + ", " + d.first)) << model << d.second;
}

// Side by side, in the x–y plane (Z, Rx and Ry held at every node), along a
// direction u: sound models that meet very stiff or very short members solve
// to their hand formulas, and mechanisms are refused naming their node
// however the rounding of an inclined direction leaves their last pivot.
void TestSolution::soundModelsSolveAndMechanismsAreRefused()
{
    QFETCH(QString, model);
    QFETCH(Vector3, direction);
    const Vector3 u = direction, across = Vector3(-u[1], u[0], 0);
    const int plane = 4 | 8 | 16, translations = 1 | 2, turn = 32;
    const double L = 6.0, P = 10e3;
    Frame frame;
    const int a = frame.addNode(Vector3(0, 0, 0), plane | translations | turn);

    int tip = -1, expected = -1;
    // The stiffest member's bending stiffness, 12EI/l³, over the
    // cantilever's own at its tip, 3EI/L³: the elimination subtracts
    // entries of the first size to leave the second.
    double deflection = 0.0, stiffnessRatio = 1.0;
    if (model == "stiff end link") {
        // Tip deflection under P at the link's end, a beam of length L and
        // a link of length c: P/3E·(((L + c)³ − c³)/I + c³/I_link).
        const double c = 0.1, s = 1e4; // I of the link about 1 m⁴
        const int b = frame.addNode(u * L);
        tip = frame.addNode(u * (L + c));
        frame.addMember(a, b, 63, 63, across);
        frame.sectionScale = s;
        frame.addMember(b, tip, 63, 63, across);
        deflection = P / (3 * E) * ((std::pow(L + c, 3) - std::pow(c, 3)) / Iz + std::pow(c, 3) / (s * Iz));
        stiffnessRatio = 4 * s * std::pow((L + c) / c, 3);
    } else if (model == "split by the tip") {
        const int b = frame.addNode(u * (L - 0.002));
        tip = frame.addNode(u * L);
        frame.addMember(a, b, 63, 63, across);
        frame.addMember(b, tip, 63, 63, across);
        deflection = P * L * L * L / (3 * E * Iz);
        stiffnessRatio = 4 * std::pow(L / 0.002, 3);
    } else if (model == "pin-hinge-pin") {
        frame.restraints[a] = plane | translations;
        const int c = frame.addNode(u * (L / 2), plane | turn);
        const int b = frame.addNode(u * L, plane | translations);
        frame.addMember(a, c, 63, 31, across);
        frame.addMember(c, b, 31, 63, across);
    } else if (model == "pin-hinge-pin in space") {
        // Pinned supports hold translations only: the line can also turn
        // about itself.
        frame.restraints[a] = translations | 4;
        const int c = frame.addNode(u * (L / 2));
        const int b = frame.addNode(u * L, translations | 4);
        frame.addMember(a, c, 63, 15, across);
        frame.addMember(c, b, 63, 63, across);
    } else if (model == "unsupported direction") {
        // Held along x and in its turn only: free to slide along y.
        frame.restraints[a] = plane | 1 | turn;
        frame.addMember(a, frame.addNode(u * L), 63, 63, across);
    } else {
        // Released in bending where both members meet, the node can turn
        // in the plane.
        const int b = frame.addNode(u * L, plane | translations | turn);
        expected = frame.addNode(u * (L / 2) + across * 2.0);
        frame.addMember(a, expected, 63, 15, across);
        frame.addMember(expected, b, 15, 63, across);
    }
    if (tip >= 0)
        for (int k = 0; k < 3; ++k)
            frame.nodeLoads[tip][k] = P * across[k];
    frame.analyse();

    if (tip >= 0) {
        QCOMPARE(frame.vanishingDiagonal, -1);
        QCOMPARE(frame.outcome.status, BandedSystem::Completed);
        // What rounding leaves of the answer, along the load and across it:
        // the stiffness ratio times 2^-52.
        const double tolerance = stiffnessRatio * std::numeric_limits<double>::epsilon();
        const Vector6 d = frame.displacement(tip);
        VERIFY_CLOSE(Vector3(d[0], d[1], d[2]).dot(across), deflection, tolerance, 0.0);
        VERIFY_CLOSE(Vector3(d[0], d[1], d[2]).dot(u), 0.0, tolerance, deflection);
        return;
    }
    // Refused by its vanishing diagonal or by its pivot, naming a model node.
    int row = frame.vanishingDiagonal;
    if (row < 0) {
        QCOMPARE(frame.outcome.status, BandedSystem::Singular);
        row = frame.outcome.row;
    }
    QVERIFY(frame.nodeOfRow(row) < 3);
    if (expected >= 0)
        QCOMPARE(frame.nodeOfRow(row), expected);
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
    VERIFY_CLOSE(frame.displacement(tip)[1], P * L * L * L / (3 * E * Iz), 1e-3, 0.0);
}

VARO_APPLESS_TEST_MAIN(TestSolution)
#include "tst_solution.moc"
