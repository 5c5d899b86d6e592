#include "DocumentTesting.h"
#include "TestMain.h"

#include <QtTest>

namespace {

bool exactlyEqual(const Vector3& a, const Vector3& b)
{
    return a.x() == b.x() && a.y() == b.y() && a.z() == b.z();
}

bool near(const Vector3& a, const Vector3& b, double tolerance = 1e-12)
{
    return (a - b).length() <= tolerance;
}

// The global point at a fraction along a member.
Vector3 pointOn(const Member& member, double fraction)
{
    const Vector3 a = member.nodeA()->position();
    return a + (member.nodeB()->position() - a) * fraction;
}

} // namespace

class TestStructureGeometry : public QObject
{
    Q_OBJECT

private slots:
    void mirrorIsAnIsometryAndItsOwnInverse();
    void mirrorOfANodeListedTwiceIsUndoneToItsFirstPosition();
    void rotationAboutAnObliqueAxis();
    void memberLength_data();
    void memberLength();
    void memberLengthRefusesShortLengths_data();
    void memberLengthRefusesShortLengths();
    void memberLengthUndoRestoresNodesThatCrossedTheMidpoint();
    void swapEndsKeepsLoadsInPlace();
};

void TestStructureGeometry::mirrorIsAnIsometryAndItsOwnInverse()
{
    StructureModel model;
    const Vector3 origin(0.3, -1.2, 2.5);
    const Vector3 normal = Vector3(1, -2, 2) / 3.0; // unit
    const Ray3 mirror(origin, normal);
    const QList<Vector3> positions = {Vector3(1, 2, 3), Vector3(-4, 0.5, 7), Vector3(0, 0, 0)};
    QList<NodeRef> nodes;
    for (const Vector3& p : positions)
        nodes.append(nodeAt(p.x(), p.y(), p.z()));

    model.flipNodesAlongRay(nodes, mirror);
    for (int i = 0; i < nodes.size(); ++i) {
        const Vector3 p = positions[i], q = nodes[i]->position();
        // The image lies on the normal through P, as far behind the plane
        // as P is in front of it.
        QVERIFY((q - p).cross(normal).length() < 1e-12);
        QVERIFY(std::fabs(((p + q) * 0.5 - origin).dot(normal)) < 1e-12);
        for (int j = 0; j < i; ++j)
            QVERIFY(std::fabs((q - nodes[j]->position()).length() - (p - positions[j]).length()) < 1e-12);
    }
    model.flipNodesAlongRay(nodes, mirror);
    for (int i = 0; i < nodes.size(); ++i)
        QVERIFY(near(nodes[i]->position(), positions[i]));
}

void TestStructureGeometry::mirrorOfANodeListedTwiceIsUndoneToItsFirstPosition()
{
    StructureModel model;
    const NodeRef node = nodeAt(3, 0, 0);
    const Ray3 mirror(Vector3(), Vector3(1, 0, 0));
    // Listed twice it is mirrored twice; the undo must still bring it back
    // to where it stood before the call.
    const auto old = model.flipNodesAlongRay({node, node}, mirror);
    QVERIFY(exactlyEqual(node->position(), Vector3(3, 0, 0)));
    model.flipNodesAlongRay({node}, mirror);
    QVERIFY(exactlyEqual(node->position(), Vector3(-3, 0, 0)));
    const auto old2 = model.flipNodesAlongRay({node, node, node}, mirror);
    QVERIFY(exactlyEqual(old2.value(node), Vector3(-3, 0, 0)));
    model.setNodePositions(old2);
    QVERIFY(exactlyEqual(node->position(), Vector3(-3, 0, 0)));
    QVERIFY(exactlyEqual(old.value(node), Vector3(3, 0, 0)));
}

void TestStructureGeometry::rotationAboutAnObliqueAxis()
{
    StructureModel model;
    // A third of a turn about (1, 1, 1) through (1, 1, 1) shifts the
    // coordinates cyclically about that point; half the factor, half the angle.
    const Vector3 c(1, 1, 1);
    const NodeRef full = nodeAt(2, 1, 1), half = nodeAt(2, 1, 1);
    model.rotateNodesAroundRay({{full, 1.0}, {half, 0.5}}, Ray3(c, Vector3(2, 2, 2)), 2 * M_PI / 3);
    QVERIFY(near(full->position(), Vector3(1, 2, 1)));
    // The half turn keeps the distance from the axis and turns the
    // perpendicular part by 60 degrees.
    const Vector3 u = Vector3(1, 1, 1) / std::sqrt(3.0);
    const Vector3 start = Vector3(1, 0, 0) - u * u.x();
    const Vector3 r = half->position() - c;
    const Vector3 perpendicular = r - u * r.dot(u);
    QVERIFY(std::fabs(r.dot(u) - u.x()) < 1e-12);
    QVERIFY(std::fabs(perpendicular.length() - start.length()) < 1e-12);
    QVERIFY(std::fabs(perpendicular.dot(start) / start.lengthSquared() - 0.5) < 1e-12);
    // Turned by the other half it reaches the full turn's position.
    model.rotateNodesAroundRay({{half, 0.5}}, Ray3(c, Vector3(2, 2, 2)), 2 * M_PI / 3);
    QVERIFY(near(half->position(), full->position()));
}

void TestStructureGeometry::memberLength_data()
{
    QTest::addColumn<bool>("listA");
    QTest::addColumn<bool>("listB");
    QTest::addColumn<Vector3>("expectedA");
    QTest::addColumn<Vector3>("expectedB");
    QTest::addColumn<Vector3>("expectedBeyondMiddle");
    QTest::addColumn<Vector3>("expectedAtMiddle");

    // Member (0,0,0)-(4,0,0) to 6; extra listed nodes at (3,0,0) and (2,0,0).
    QTest::newRow("both ends") << true << true << Vector3(-1, 0, 0) << Vector3(5, 0, 0) << Vector3(4, 0, 0)
                               << Vector3(2, 0, 0);
    QTest::newRow("neither end") << false << false << Vector3(0, 0, 0) << Vector3(4, 0, 0) << Vector3(4, 0, 0)
                                 << Vector3(2, 0, 0);
    QTest::newRow("only B") << false << true << Vector3(0, 0, 0) << Vector3(6, 0, 0) << Vector3(5, 0, 0)
                            << Vector3(4, 0, 0);
    QTest::newRow("only A") << true << false << Vector3(-2, 0, 0) << Vector3(4, 0, 0) << Vector3(1, 0, 0)
                            << Vector3(0, 0, 0);
}

void TestStructureGeometry::memberLength()
{
    QFETCH(bool, listA);
    QFETCH(bool, listB);
    QFETCH(Vector3, expectedA);
    QFETCH(Vector3, expectedB);
    QFETCH(Vector3, expectedBeyondMiddle);
    QFETCH(Vector3, expectedAtMiddle);

    StructureModel model;
    SignalWatch watch(&model, true);
    const NodeRef a = nodeAt(0), b = nodeAt(4), beyond = nodeAt(3), middle = nodeAt(2);
    const MemberRef member(VaroObject::make<Member>(a, b));
    QList<NodeRef> nodes = {beyond, middle};
    if (listA)
        nodes.append(a);
    if (listB)
        nodes.append(b);

    const auto old = model.changeMemberLength(member, 6.0, nodes);
    QVERIFY(exactlyEqual(a->position(), expectedA));
    QVERIFY(exactlyEqual(b->position(), expectedB));
    QVERIFY(exactlyEqual(beyond->position(), expectedBeyondMiddle));
    QVERIFY(exactlyEqual(middle->position(), expectedAtMiddle));
    QCOMPARE(model.stiffnessCounter(), 1);
    QCOMPARE(watch.lockedWill, 1);
    QCOMPARE(watch.lockedHas, 1);

    // The old positions of exactly the nodes that moved.
    for (const NodeRef& node : nodes) {
        const bool moved = node != middle || listA != listB;
        QCOMPARE(old.contains(node), moved);
    }
    QVERIFY(exactlyEqual(old.value(beyond), Vector3(3, 0, 0)));

    model.setNodePositions(old);
    QVERIFY(exactlyEqual(a->position(), Vector3(0, 0, 0)));
    QVERIFY(exactlyEqual(b->position(), Vector3(4, 0, 0)));
    QVERIFY(exactlyEqual(beyond->position(), Vector3(3, 0, 0)));
    QVERIFY(exactlyEqual(middle->position(), Vector3(2, 0, 0)));
}

void TestStructureGeometry::memberLengthRefusesShortLengths_data()
{
    QTest::addColumn<double>("present");
    QTest::addColumn<double>("requested");
    QTest::newRow("requested 2^-10") << 4.0 << std::ldexp(1.0, -10);
    QTest::newRow("present too short") << 0.0005 << 4.0;
    QTest::newRow("requested NaN") << 4.0 << double(NAN);
}

void TestStructureGeometry::memberLengthRefusesShortLengths()
{
    QFETCH(double, present);
    QFETCH(double, requested);

    StructureModel model;
    SignalWatch watch(&model);
    const NodeRef a = nodeAt(0), b = nodeAt(present);
    const MemberRef member(VaroObject::make<Member>(a, b));
    const auto old = model.changeMemberLength(member, requested, {a, b});
    QVERIFY(old.isEmpty());
    QCOMPARE(watch.will, 0);
    QCOMPARE(watch.has, 0);
    QCOMPARE(model.stiffnessCounter(), 0);
    QVERIFY(exactlyEqual(b->position(), Vector3(present, 0, 0)));

    // A member without an end has no length and is refused too.
    QVERIFY(model.changeMemberLength(VaroObject::make<Member>(a, NodeRef()), 3.0, {a}).isEmpty());
    QCOMPARE(watch.will, 0);
}

void TestStructureGeometry::memberLengthUndoRestoresNodesThatCrossedTheMidpoint()
{
    // Shrinking a 4 m member to 0.5 m with both ends listed carries the node
    // at 2.2 (beyond the midpoint) by -1.75 to 0.45, across the midpoint. An
    // undo that set the length back to 4 would push it further to -1.3; the
    // undo through the recorded positions puts every node back exactly.
    StructureModel model;
    const NodeRef a = nodeAt(0), b = nodeAt(4), inner = nodeAt(2.2, 0.3, 0), outer = nodeAt(7, 1, 1);
    const MemberRef member(VaroObject::make<Member>(a, b));
    const QList<NodeRef> nodes = {a, inner, b, outer};

    const auto old = model.changeMemberLength(member, 0.5, nodes);
    QVERIFY(std::fabs(member->length() - 0.5) < 1e-12);
    QVERIFY(near(inner->position(), Vector3(0.45, 0.3, 0)));
    QVERIFY(near(outer->position(), Vector3(5.25, 1, 1)));

    model.setNodePositions(old);
    QVERIFY(exactlyEqual(a->position(), Vector3(0, 0, 0)));
    QVERIFY(exactlyEqual(b->position(), Vector3(4, 0, 0)));
    QVERIFY(exactlyEqual(inner->position(), Vector3(2.2, 0.3, 0)));
    QVERIFY(exactlyEqual(outer->position(), Vector3(7, 1, 1)));

    // Redo after undo gives the same state again.
    model.changeMemberLength(member, 0.5, nodes);
    QVERIFY(near(inner->position(), Vector3(0.45, 0.3, 0)));
}

void TestStructureGeometry::swapEndsKeepsLoadsInPlace()
{
    StructureModel model;
    const NodeRef a = nodeAt(0), b = nodeAt(4, 0, 0), c = nodeAt(4, 3, 0);
    const MemberRef swapped(VaroObject::make<Member>(a, b)), other(VaroObject::make<Member>(b, c));
    const LoadRef load = pointLoad(swapped, 0.25, -10.0);
    const LoadRef trapezoid = trapezoidLoad(swapped, 0.1, -1.0, 0.6, -3.0);
    const LoadRef untouched = pointLoad(other, 0.25, -10.0);
    model.appendObjects({a, b, c, swapped, other, load, trapezoid, untouched});
    const Counters before(model);
    const Vector3 where = pointOn(*swapped, 0.25);

    model.swapMemberEnds({swapped});
    QCOMPARE(swapped->nodeA(), b);
    QCOMPARE(swapped->nodeB(), a);
    QCOMPARE(load->positionedForces(), QList<Load::PositionedForce>({{0.75, -10.0}}));
    QVERIFY(near(pointOn(*swapped, load->positionedForces().at(0).first), where));
    // Each force stays at its own point in space.
    QCOMPARE(trapezoid->positionedForces().size(), 2);
    QVERIFY(std::fabs(trapezoid->positionedForces().at(0).first - 0.4) < 1e-15);
    QCOMPARE(trapezoid->positionedForces().at(0).second, -3.0);
    QCOMPARE(trapezoid->positionedForces().at(1).second, -1.0);
    QCOMPARE(untouched->positionedForces(), QList<Load::PositionedForce>({{0.25, -10.0}}));
    QCOMPARE(model.topologyCounter(), before.topology + 1);
    QCOMPARE(model.loadingCounter(), before.loading);

    model.swapMemberEnds({swapped});
    QCOMPARE(swapped->nodeA(), a);
    QCOMPARE(swapped->nodeB(), b);
    QCOMPARE(load->positionedForces(), QList<Load::PositionedForce>({{0.25, -10.0}}));
    QVERIFY(nearPairs(trapezoid->positionedForces(), {{0.1, -1.0}, {0.6, -3.0}}));
}

VARO_GUILESS_TEST_MAIN(TestStructureGeometry)
#include "tst_structuregeometry.moc"
