#include "CrossSection.h"
#include "GeometryGroup.h"
#include "Material.h"
#include "Member.h"
#include "MemberAxis.h"
#include "Node.h"
#include "SectionType.h"
#include "Support.h"

#include <QtTest>

#include <cmath>

namespace {

NodeRef nodeAt(const Vector3& position)
{
    const NodeRef node(new Node);
    node->setPosition(position);
    return node;
}

Vector3 row(const Matrix3x3& m, int r)
{
    return Vector3(m[r][0], m[r][1], m[r][2]);
}

void verifyOrthonormal(const Matrix3x3& m)
{
    for (int r = 0; r < 3; ++r)
        QVERIFY(std::fabs(row(m, r).length() - 1.0) < 1e-12);
    QCOMPARE(row(m, 0).cross(row(m, 1)), row(m, 2));
}

const double halfRoot2 = std::sqrt(0.5);

} // namespace

class TestGeometry : public QObject
{
    Q_OBJECT

private slots:
    void nodeRotation_data();
    void nodeRotation();
    void rotationThatChangesNothingLeavesTheNodeAlone();
    void nodeConsolidation_data();
    void nodeConsolidation();
    void memberAxes_data();
    void memberAxes();
    void memberCacheFollowsItsGeometry();
    void endConditions_data();
    void endConditions();
    void memberConsolidation_data();
    void memberConsolidation();
    void massAndDistance();
    void rotatedAxesFollowADirection_data();
    void rotatedAxesFollowADirection();
    void copyAndImport();
};

void TestGeometry::nodeRotation_data()
{
    QTest::addColumn<Vector3>("position");
    QTest::addColumn<double>("angle");
    QTest::addColumn<Vector3>("origin");
    QTest::addColumn<Vector3>("direction");
    QTest::addColumn<Vector3>("expected");

    QTest::newRow("quarter about X") << Vector3(0, 1, 0) << M_PI / 2 << Vector3() << Vector3(1, 0, 0) << Vector3(0, 0, 1);
    QTest::newRow("half about an offset axis") << Vector3(3, 1, 7) << M_PI << Vector3(1, 1, 0) << Vector3(0, 0, 1)
                                               << Vector3(-1, 1, 7);
    QTest::newRow("direction not unit") << Vector3(1, 0, 0) << -M_PI / 2 << Vector3() << Vector3(0, 0, 5)
                                        << Vector3(0, -1, 0);
}

void TestGeometry::nodeRotation()
{
    QFETCH(Vector3, position);
    QFETCH(double, angle);
    QFETCH(Vector3, origin);
    QFETCH(Vector3, direction);
    QFETCH(Vector3, expected);
    Node node;
    node.setPosition(position);
    node.rotateBy(angle, Ray3(origin, direction));
    const Vector3 error = node.position() - expected;
    QVERIFY2(error.length() < 1e-12, qPrintable(node.position().toString()));
}

void TestGeometry::rotationThatChangesNothingLeavesTheNodeAlone()
{
    Node node;
    node.setPosition(Vector3(0, 0, 4));
    QSignalSpy moved(&node, &Node::PositionHasChanged);
    const quint32 stamp = node.timeStamp();
    node.rotateBy(0.0, Ray3(Vector3(), Vector3(1, 0, 0)));
    node.rotateBy(1.0, Ray3(Vector3(0, 0, 1), Vector3(0, 0, 1))); // on the axis
    node.rotateBy(1.0, Ray3(Vector3(), Vector3()));
    QCOMPARE(moved.count(), 0);
    QCOMPARE(node.timeStamp(), stamp);
    QCOMPARE(node.position(), Vector3(0, 0, 4));
}

void TestGeometry::nodeConsolidation_data()
{
    QTest::addColumn<double>("separation");
    QTest::addColumn<int>("maskA"); // -1: no support
    QTest::addColumn<int>("maskB");
    QTest::addColumn<bool>("sameGroup");
    QTest::addColumn<bool>("consolidates");

    QTest::newRow("close, free") << 0.001 << -1 << -1 << true << true;
    QTest::newRow("at the distance") << 0.01 << -1 << -1 << true << false;
    QTest::newRow("other group") << 0.001 << -1 << -1 << false << false;
    QTest::newRow("one supported") << 0.001 << 7 << -1 << true << true;
    QTest::newRow("equal supports") << 0.001 << 7 << 7 << true << true;
    QTest::newRow("conflicting supports") << 0.001 << 7 << 63 << true << false;
}

void TestGeometry::nodeConsolidation()
{
    QFETCH(double, separation);
    QFETCH(int, maskA);
    QFETCH(int, maskB);
    QFETCH(bool, sameGroup);
    QFETCH(bool, consolidates);
    const GeometryGroupRef group(new GeometryGroup(QStringLiteral("G")));
    Node a, b;
    a.setPosition(Vector3(1, 2, 0));
    b.setPosition(Vector3(1, 2, separation));
    if (maskA >= 0)
        a.setSupport(SupportRef(new Support(QString(), maskA)));
    if (maskB >= 0)
        b.setSupport(SupportRef(new Support(QString(), maskB)));
    a.setGeometryGroup(group);
    b.setGeometryGroup(sameGroup ? group : GeometryGroupRef(new GeometryGroup(QStringLiteral("G"))));
    QCOMPARE(a.canBeConsolidatedWith(b, 0.01), consolidates);
    QCOMPARE(b.canBeConsolidatedWith(a, 0.01), consolidates);
}

void TestGeometry::memberAxes_data()
{
    QTest::addColumn<Vector3>("b");       // A is at the origin
    QTest::addColumn<int>("axisKind");    // 0 none, 1 vector, 2 orthogonal vector, 3 towards a node
    QTest::addColumn<Vector3>("reference");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<Vector3>("y");

    QTest::newRow("along X") << Vector3(4, 0, 0) << 0 << Vector3() << true << Vector3(0, 1, 0);
    QTest::newRow("along Y takes X") << Vector3(0, 3, 0) << 0 << Vector3() << true << Vector3(1, 0, 0);
    QTest::newRow("sloping") << Vector3(3, 4, 0) << 0 << Vector3() << true << Vector3(-0.8, 0.6, 0);
    QTest::newRow("vector made square") << Vector3(4, 0, 0) << 1 << Vector3(halfRoot2, halfRoot2, 0) << true
                                        << Vector3(0, 1, 0);
    QTest::newRow("orthogonal: normal of the y plane") << Vector3(4, 0, 0) << 2 << Vector3(0, 1, 0) << true
                                                       << Vector3(0, 0, -1);
    QTest::newRow("towards a node") << Vector3(4, 0, 0) << 3 << Vector3(2, 5, -5) << true
                                    << Vector3(0, halfRoot2, -halfRoot2);
    QTest::newRow("vector along the member") << Vector3(4, 0, 0) << 1 << Vector3(-1, 0, 0) << false << Vector3();
    QTest::newRow("node on the member line") << Vector3(4, 0, 0) << 3 << Vector3(7, 0, 0) << false << Vector3();
    QTest::newRow("too short") << Vector3(std::ldexp(1.0, -11), 0, 0) << 0 << Vector3() << false << Vector3();
}

void TestGeometry::memberAxes()
{
    QFETCH(Vector3, b);
    QFETCH(int, axisKind);
    QFETCH(Vector3, reference);
    QFETCH(bool, valid);
    QFETCH(Vector3, y);
    Member member(nodeAt(Vector3()), nodeAt(b));
    if (axisKind == 3)
        member.setAxis(MemberAxisRef(new MemberAxis(Axis(Vector3(), nodeAt(reference), true, false))));
    else if (axisKind > 0)
        member.setAxis(MemberAxisRef(new MemberAxis(Axis(reference, NodeRef(), true, axisKind == 2))));

    QCOMPARE(member.length(), b.length());
    member.updateCache();
    QCOMPARE(member.isCacheValid(), valid);
    if (!valid)
        return;
    const Matrix3x3 axes = member.transformationMatrix();
    QCOMPARE(member.vectorX(), b / b.length());
    QCOMPARE(member.vectorY(), y);
    verifyOrthonormal(axes);
    Matrix3x3 reversed;
    QVERIFY(member.computeTransformGivenLongitudinalVector(-b, &reversed));
    QCOMPARE(row(reversed, 0), -member.vectorX());
}

void TestGeometry::memberCacheFollowsItsGeometry()
{
    const NodeRef a = nodeAt(Vector3()), b = nodeAt(Vector3(3, 0, 0)), c = nodeAt(Vector3(0, 0, 1));
    Member member(a, b);
    QSignalSpy orientation(&member, &Member::OrientationHasChanged);
    QCOMPARE(member.length(), 3.0);
    b->setPosition(Vector3(0, 4, 0));
    QCOMPARE(member.length(), 4.0);

    // The axis, its reference node and a change of either are followed.
    const MemberAxisRef axis(new MemberAxis(Axis(Vector3(), c, true, false)));
    member.setAxis(axis);
    QCOMPARE(member.vectorY(), Vector3(0, 0, 1));
    c->setPosition(Vector3(1, 0, 0));
    QCOMPARE(member.vectorY(), Vector3(1, 0, 0));
    axis->setAxis(Axis(Vector3(0, 0, -1), NodeRef(), true, false));
    QCOMPARE(member.vectorY(), Vector3(0, 0, -1));
    QCOMPARE(orientation.count(), 4);
    c->setPosition(Vector3(0, 0, 1)); // no longer its reference node
    QCOMPARE(orientation.count(), 4);

    // A node at both ends is followed once; a released node not at all.
    member.setNodeB(a);
    a->setPosition(Vector3(1, 1, 1));
    b->setPosition(Vector3());
    QCOMPARE(orientation.count(), 6);
    QVERIFY(!member.isCacheValid());

    member.setNodeB(b);
    member.setPinAtA(true);
    member.swapEnds();
    QCOMPARE(member.nodeA(), b);
    QVERIFY(member.pinAtA() && !member.pinAtB());
    QCOMPARE(member.vectorX(), Vector3(1, 1, 1) / std::sqrt(3.0));
}

void TestGeometry::endConditions_data()
{
    QTest::addColumn<int>("maskA");
    QTest::addColumn<int>("maskB");
    QTest::addColumn<bool>("pinA");
    QTest::addColumn<bool>("pinB");

    QTest::newRow("pinned, rigid") << 15 << 63 << true << false;
    QTest::newRow("rigid, pinned") << 63 << 15 << false << true;
    QTest::newRow("nothing transmitted is rigid") << 0 << 15 << false << true;
}

void TestGeometry::endConditions()
{
    QFETCH(int, maskA);
    QFETCH(int, maskB);
    QFETCH(bool, pinA);
    QFETCH(bool, pinB);
    Member member;
    const quint32 next = VaroObject::currentTimeStamp();
    member.setEndConditions(qMakePair(Dof(maskA), Dof(maskB)));
    QCOMPARE(member.timeStamp(), next);
    QCOMPARE(VaroObject::currentTimeStamp(), next + 1);
    QCOMPARE(member.pinAtA(), pinA);
    QCOMPARE(member.pinAtB(), pinB);
    QCOMPARE(member.endConditions(), qMakePair(Dof(pinA ? 15 : 63), Dof(pinB ? 15 : 63)));
}

void TestGeometry::memberConsolidation_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("consolidates");

    QTest::newRow("same ends, other group") << "group" << false;
    QTest::newRow("reversed, other group") << "reversed" << true;
    QTest::newRow("other axis") << "axis" << false;
    QTest::newRow("no axis on one side") << "no axis" << true;
    QTest::newRow("other material") << "material" << false;
}

void TestGeometry::memberConsolidation()
{
    QFETCH(QString, change);
    QFETCH(bool, consolidates);
    const CrossSectionRef section(new CrossSection);
    Member first(nodeAt(Vector3()), nodeAt(Vector3(3, 0, 0)));
    first.setAxis(MemberAxisRef(new MemberAxis(Axis(Vector3(0, 0, 1), NodeRef(), true, false))));
    first.setSectionType(SectionTypeRef(new SectionType(section, MaterialRef(new Material))));
    Member second(first);
    if (change == QLatin1String("reversed"))
        second.swapEnds();
    if (change == QLatin1String("group") || change == QLatin1String("reversed"))
        second.setGeometryGroup(GeometryGroupRef(new GeometryGroup));
    if (change == QLatin1String("axis"))
        second.setAxis(MemberAxisRef(new MemberAxis(Axis(Vector3(0, 0, 1), NodeRef(), true, true))));
    if (change == QLatin1String("no axis"))
        second.setAxis(MemberAxisRef());
    if (change == QLatin1String("material"))
        second.setSectionType(SectionTypeRef(new SectionType(section, MaterialRef(new Material))));
    QCOMPARE(first.canBeConsolidatedWith(second), consolidates);
    QCOMPARE(second.canBeConsolidatedWith(first), consolidates);
}

void TestGeometry::massAndDistance()
{
    Member member(nodeAt(Vector3()), nodeAt(Vector3(4, 0, 0)));
    const CrossSectionRef square(new CrossSection);
    square->setShape(CrossSection::Rectangle);
    square->setOverallDepth(0.1);
    square->setTopFlangeWidth(0.1);
    square->compute();
    const MaterialRef steel(new Material({QStringLiteral("Steel")}, 2.05e11, 7.9e10, 7850, 1.2e-5));
    member.setSectionType(SectionTypeRef(new SectionType(square, steel)));
    QVERIFY(std::fabs(member.mass() - 7850 * 0.01 * 4) < 1e-9 * member.mass());
    member.setSectionType(SectionTypeRef(new SectionType(square, MaterialRef(new Material))));
    QCOMPARE(member.mass(), 0.0); // an invalid material weighs nothing

    // To the nearest point of the member: beside it, or past either end.
    QCOMPARE(member.distanceToPosition(Vector3(2, 3, 0)), 3.0);
    QCOMPARE(member.distanceToPosition(Vector3(-3, 4, 0)), 5.0);
    QCOMPARE(member.distanceToPosition(Vector3(7, 0, 4)), 5.0);
}

void TestGeometry::rotatedAxesFollowADirection_data()
{
    QTest::addColumn<Vector3>("b");
    QTest::addColumn<Vector3>("d");
    QTest::addColumn<Vector3>("first");

    QTest::newRow("across the member") << Vector3(4, 0, 0) << Vector3(0, 0, 1) << Vector3(1, 0, 0);
    QTest::newRow("along the member: y stands in") << Vector3(4, 0, 0) << Vector3(1, 0, 0) << Vector3(0, 1, 0);
    QTest::newRow("no valid axes: global ones") << Vector3() << Vector3(0, 0, 1) << Vector3(1, 0, 0);
}

void TestGeometry::rotatedAxesFollowADirection()
{
    QFETCH(Vector3, b);
    QFETCH(Vector3, d);
    QFETCH(Vector3, first);
    Member member(nodeAt(Vector3()), nodeAt(b));
    const Matrix3x3 rotated = member.rotatedTransformationMatrix(d);
    QCOMPARE(row(rotated, 2), d);
    QCOMPARE(row(rotated, 0), first);
    verifyOrthonormal(rotated);
}

void TestGeometry::copyAndImport()
{
    const NodeRef a = nodeAt(Vector3()), b = nodeAt(Vector3(3, 0, 0));
    Member original(a, b);
    original.setPinAtB(true);
    Member snapshot(original);
    b->setPosition(Vector3(5, 0, 0));
    QCOMPARE(snapshot.length(), 5.0); // the snapshot follows the same nodes

    QSignalSpy orientation(&original, &Member::OrientationHasChanged);
    original.setNodeB(nodeAt(Vector3(0, 1, 0)));
    original.setPinAtB(false);
    original.importFrom(snapshot);
    QCOMPARE(orientation.count(), 2);
    QCOMPARE(original.nodeB(), b);
    QVERIFY(original.pinAtB());
    QCOMPARE(original.length(), 5.0);
}

QTEST_GUILESS_MAIN(TestGeometry)
#include "tst_geometry.moc"
