#include "CrossSection.h"
#include "GeometryGroup.h"
#include "Material.h"
#include "Member.h"
#include "MemberAxis.h"
#include "Node.h"
#include "SectionType.h"
#include "Support.h"
#include "TestMain.h"

#include <QtTest>

#include <cmath>
#include <functional>

namespace {

NodeRef nodeAt(const Vector3& position)
{
    const NodeRef node(VaroObject::make<Node>());
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
    void nodeRotation();
    void nodeConsolidation();
    void memberAxes();
    void memberCacheFollowsItsGeometry();
    void endConditions();
    void memberConsolidation();
    void massAndDistance();
    void rotatedAxesFollowADirection();
    void copyAndImport();
};

void TestGeometry::nodeRotation()
{
    struct Case
    {
        Vector3 position;
        double angle;
        Vector3 origin, direction, expected;
    };
    const Case cases[] = {
        {Vector3(0, 1, 0), M_PI / 2, Vector3(), Vector3(1, 0, 0), Vector3(0, 0, 1)},
        {Vector3(3, 1, 7), M_PI, Vector3(1, 1, 0), Vector3(0, 0, 1), Vector3(-1, 1, 7)},
        {Vector3(1, 0, 0), -M_PI / 2, Vector3(), Vector3(0, 0, 5), Vector3(0, -1, 0)}, // direction not unit
    };
    for (const Case& c : cases) {
        Node node;
        node.setPosition(c.position);
        node.rotateBy(c.angle, Ray3(c.origin, c.direction));
        QVERIFY2((node.position() - c.expected).length() < 1e-12, qPrintable(node.position().toString()));
    }

    // A rotation that changes nothing leaves the node alone.
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

void TestGeometry::nodeConsolidation()
{
    struct Case
    {
        const char* name;
        double separation;
        int maskA, maskB; // -1: no support
        bool sameGroup, consolidates;
    };
    const Case cases[] = {
        {"close, free", 0.001, -1, -1, true, true},        {"at the distance", 0.01, -1, -1, true, false},
        {"other group", 0.001, -1, -1, false, false},      {"one supported", 0.001, 7, -1, true, true},
        {"equal supports", 0.001, 7, 7, true, true},       {"conflicting supports", 0.001, 7, 63, true, false},
    };
    const GeometryGroupRef group(VaroObject::make<GeometryGroup>(QStringLiteral("G")));
    for (const Case& c : cases) {
        Node a, b;
        a.setPosition(Vector3(1, 2, 0));
        b.setPosition(Vector3(1, 2, c.separation));
        if (c.maskA >= 0)
            a.setSupport(VaroObject::make<Support>(QString(), c.maskA));
        if (c.maskB >= 0)
            b.setSupport(VaroObject::make<Support>(QString(), c.maskB));
        a.setGeometryGroup(group);
        b.setGeometryGroup(c.sameGroup ? group : VaroObject::make<GeometryGroup>(QStringLiteral("G")));
        QVERIFY2(a.canBeConsolidatedWith(b, 0.01) == c.consolidates, c.name);
        QVERIFY2(b.canBeConsolidatedWith(a, 0.01) == c.consolidates, c.name);
    }
}

void TestGeometry::memberAxes()
{
    enum Kind { None, Vector, Orthogonal, TowardsNode };
    struct Case
    {
        const char* name;
        Vector3 b; // A is at the origin
        Kind kind;
        Vector3 reference;
        bool valid;
        Vector3 y;
    };
    const Case cases[] = {
        {"along X", Vector3(4, 0, 0), None, Vector3(), true, Vector3(0, 1, 0)},
        {"along Y takes X", Vector3(0, 3, 0), None, Vector3(), true, Vector3(1, 0, 0)},
        {"sloping", Vector3(3, 4, 0), None, Vector3(), true, Vector3(-0.8, 0.6, 0)},
        {"vector made square", Vector3(4, 0, 0), Vector, Vector3(halfRoot2, halfRoot2, 0), true, Vector3(0, 1, 0)},
        {"orthogonal: normal of the y plane", Vector3(4, 0, 0), Orthogonal, Vector3(0, 1, 0), true, Vector3(0, 0, -1)},
        {"towards a node", Vector3(4, 0, 0), TowardsNode, Vector3(2, 5, -5), true, Vector3(0, halfRoot2, -halfRoot2)},
        {"vector along the member", Vector3(4, 0, 0), Vector, Vector3(-1, 0, 0), false, Vector3()},
        {"node on the member line", Vector3(4, 0, 0), TowardsNode, Vector3(7, 0, 0), false, Vector3()},
        {"too short", Vector3(std::ldexp(1.0, -11), 0, 0), None, Vector3(), false, Vector3()},
    };
    for (const Case& c : cases) {
        Member member(nodeAt(Vector3()), nodeAt(c.b));
        if (c.kind == TowardsNode)
            member.setAxis(VaroObject::make<MemberAxis>(Axis(Vector3(), nodeAt(c.reference), true, false)));
        else if (c.kind != None)
            member.setAxis(VaroObject::make<MemberAxis>(Axis(c.reference, NodeRef(), true, c.kind == Orthogonal)));
        QCOMPARE(member.length(), c.b.length());
        member.updateCache();
        QVERIFY2(member.isCacheValid() == c.valid, c.name);
        if (!c.valid)
            continue;
        QCOMPARE(member.vectorX(), c.b / c.b.length());
        QVERIFY2(member.vectorY() == c.y, c.name);
        verifyOrthonormal(member.transformationMatrix());
        Matrix3x3 reversed;
        QVERIFY(member.computeTransformGivenLongitudinalVector(-c.b, &reversed));
        QCOMPARE(row(reversed, 0), -member.vectorX());
    }
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
    const MemberAxisRef axis(VaroObject::make<MemberAxis>(Axis(Vector3(), c, true, false)));
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

void TestGeometry::endConditions()
{
    // Masks at A and B, and the pins they give.
    const int cases[][4] = {{15, 63, true, false}, {63, 15, false, true}, {0, 15, false, true}};
    for (const auto& c : cases) {
        Member member;
        const quint32 next = VaroObject::currentTimeStamp();
        member.setEndConditions(qMakePair(Dof(c[0]), Dof(c[1])));
        QCOMPARE(member.timeStamp(), next);
        QCOMPARE(VaroObject::currentTimeStamp(), next + 1);
        QCOMPARE(member.pinAtA(), bool(c[2]));
        QCOMPARE(member.pinAtB(), bool(c[3]));
        QCOMPARE(member.endConditions(), qMakePair(Dof(c[2] ? 15 : 63), Dof(c[3] ? 15 : 63)));
    }
}

void TestGeometry::memberConsolidation()
{
    const CrossSectionRef section(new CrossSection);
    Member first(nodeAt(Vector3()), nodeAt(Vector3(3, 0, 0)));
    first.setAxis(VaroObject::make<MemberAxis>(Axis(Vector3(0, 0, 1), NodeRef(), true, false)));
    first.setSectionType(VaroObject::make<SectionType>(section, MaterialRef(new Material)));
    const QList<QPair<std::function<void(Member&)>, bool>> changes{
        {[](Member& m) { m.setGeometryGroup(VaroObject::make<GeometryGroup>()); }, false},
        {[](Member& m) { m.swapEnds(), m.setGeometryGroup(VaroObject::make<GeometryGroup>()); }, true},
        {[](Member& m) { m.setAxis(VaroObject::make<MemberAxis>(Axis(Vector3(0, 0, 1), NodeRef(), true, true))); },
         false},
        {[](Member& m) { m.setAxis(MemberAxisRef()); }, true}, // no axis on one side
        {[&](Member& m) { m.setSectionType(VaroObject::make<SectionType>(section, MaterialRef(new Material))); },
         false},
    };
    for (int i = 0; i < changes.size(); ++i) {
        Member second(first);
        changes[i].first(second);
        QVERIFY2(first.canBeConsolidatedWith(second) == changes[i].second, qPrintable(QString::number(i)));
        QVERIFY2(second.canBeConsolidatedWith(first) == changes[i].second, qPrintable(QString::number(i)));
    }
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
    member.setSectionType(VaroObject::make<SectionType>(square, steel));
    QVERIFY(std::fabs(member.mass() - 7850 * 0.01 * 4) < 1e-9 * member.mass());
    member.setSectionType(VaroObject::make<SectionType>(square, MaterialRef(new Material)));
    QCOMPARE(member.mass(), 0.0); // an invalid material weighs nothing

    // To the nearest point of the member: beside it, or past either end.
    QCOMPARE(member.distanceToPosition(Vector3(2, 3, 0)), 3.0);
    QCOMPARE(member.distanceToPosition(Vector3(-3, 4, 0)), 5.0);
    QCOMPARE(member.distanceToPosition(Vector3(7, 0, 4)), 5.0);
}

void TestGeometry::rotatedAxesFollowADirection()
{
    // Member end B, direction, and the first row: across the member, along
    // it (y stands in), and without valid axes (the global ones).
    const Vector3 cases[][3] = {{Vector3(4, 0, 0), Vector3(0, 0, 1), Vector3(1, 0, 0)},
                                {Vector3(4, 0, 0), Vector3(1, 0, 0), Vector3(0, 1, 0)},
                                {Vector3(), Vector3(0, 0, 1), Vector3(1, 0, 0)}};
    for (const auto& c : cases) {
        Member member(nodeAt(Vector3()), nodeAt(c[0]));
        const Matrix3x3 rotated = member.rotatedTransformationMatrix(c[1]);
        QCOMPARE(row(rotated, 2), c[1]);
        QCOMPARE(row(rotated, 0), c[2]);
        verifyOrthonormal(rotated);
    }
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

VARO_GUILESS_TEST_MAIN(TestGeometry)
#include "tst_geometry.moc"
