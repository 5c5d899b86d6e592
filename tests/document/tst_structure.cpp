#include "DocumentTesting.h"
#include "TestMain.h"


#include <QtTest>

#include <functional>

class TestStructure : public QObject
{
    Q_OBJECT

private slots:
    void listChangesRaiseOneCounterPerKind();
    void propertyChangesRaiseTheirCounter_data();
    void propertyChangesRaiseTheirCounter();
    void indexedChangesRecordZeroOutsideThePairs();
    void nodeLiesOnMember_data();
    void nodeLiesOnMember();
    void nodeExactlyOnTheLineDespiteRounding();
};

void TestStructure::listChangesRaiseOneCounterPerKind()
{
    StructureModel model;
    SignalWatch watch(&model);
    const NodeRef a = nodeAt(0), b = nodeAt(1);
    const MemberRef member(VaroObject::make<Member>(a, b));
    const LoadRef load = pointLoad(member, 0.5, -1.0);
    const GroupRef group(VaroObject::make<GeometryGroup>(QStringLiteral("G")));

    model.appendObjects({a, load});
    QCOMPARE(model.topologyCounter(), 1);
    QCOMPARE(model.loadingCounter(), 1);
    QCOMPARE(model.stiffnessCounter(), 0);

    // Two nodes, a member and a group: one raise; the group is skipped.
    model.appendObjects({b, member, group, b});
    QCOMPARE(model.topologyCounter(), 2);
    QCOMPARE(model.loadingCounter(), 1);
    QCOMPARE(model.nodes(), QList<NodeRef>({a, b, b}));
    QCOMPARE(model.members(), QList<MemberRef>({member}));
    QCOMPARE(model.loads(), QList<LoadRef>({load}));

    // Only a group: nothing is raised.
    model.appendObjects({group});
    QCOMPARE(model.topologyCounter(), 2);
    QCOMPARE(model.loadingCounter(), 1);

    // Removing what is not there still raises the counter of its kind.
    model.removeObjects({nodeAt(5)});
    model.removeObjects({pointLoad(MemberRef(), 0.5, 1.0)});
    QCOMPARE(model.topologyCounter(), 3);
    QCOMPARE(model.loadingCounter(), 2);
    QCOMPARE(model.nodes(), QList<NodeRef>({a, b, b}));
    QCOMPARE(watch.will, 5);
    QCOMPARE(watch.has, 5);
}

typedef std::function<void(StructureModel&)> Operation;
Q_DECLARE_METATYPE(Operation)

void TestStructure::propertyChangesRaiseTheirCounter_data()
{
    QTest::addColumn<Operation>("operation");
    QTest::addColumn<int>("loading");
    QTest::addColumn<int>("stiffness");
    QTest::addColumn<int>("topology");

    const NodeRef n = nodeAt(0);
    const MemberRef m(VaroObject::make<Member>(n, nodeAt(3)));
    const LoadRef l = pointLoad(m, 0.5, 1.0);
    const QSharedPointer<TrapezoidLoad> t = trapezoidLoad(m, 0, 1, 1, 1);

    QTest::newRow("load case") << Operation([=](StructureModel& s) { s.changeLoadLoadCase({{l, LoadCaseRef(VaroObject::make<Loading>())}}); }) << 1 << 0 << 0;
    QTest::newRow("load axis") << Operation([=](StructureModel& s) { s.changeLoadAxis({{l, LoadAxisRef()}}); }) << 1 << 0 << 0;
    QTest::newRow("load member") << Operation([=](StructureModel& s) { s.changeLoadMember({{l, m}}); }) << 1 << 0 << 0;
    QTest::newRow("span") << Operation([=](StructureModel& s) { s.setLoadSpan(QMap<QSharedPointer<TrapezoidLoad>, TrapezoidLoad::Span>{{t, {0.2, 0.4}}}); }) << 1 << 0 << 0;
    QTest::newRow("force") << Operation([=](StructureModel& s) { s.changeLoadForceAtIndex({{l, 2.0}}, 0); }) << 1 << 0 << 0;
    QTest::newRow("position") << Operation([=](StructureModel& s) { s.changeLoadPositionAtIndex({{l, 0.2}}, 0); }) << 1 << 0 << 0;
    QTest::newRow("pairs") << Operation([=](StructureModel& s) { s.setLoadPositionedForceAtAllIndices({{l, {{0.1, 1.0}}}}); }) << 1 << 0 << 0;
    QTest::newRow("member axis") << Operation([=](StructureModel& s) { s.changeMemberAxis({{m, MemberAxisRef()}}); }) << 0 << 1 << 0;
    QTest::newRow("section type") << Operation([=](StructureModel& s) { s.changeMemberSectionType({{m, SectionTypeRef()}}); }) << 0 << 1 << 0;
    QTest::newRow("support") << Operation([=](StructureModel& s) { s.changeNodeSupport({{n, SupportRef()}}); }) << 0 << 1 << 0;
    QTest::newRow("positions") << Operation([=](StructureModel& s) { s.setNodePositions({{n, Vector3(1, 2, 3)}}); }) << 0 << 1 << 0;
    QTest::newRow("member group") << Operation([=](StructureModel& s) { s.changeMemberGroup({{m, GeometryGroupRef()}}); }) << 0 << 0 << 1;
    QTest::newRow("node group") << Operation([=](StructureModel& s) { s.changeNodeGroup({{n, GeometryGroupRef()}}); }) << 0 << 0 << 1;
    QTest::newRow("pins") << Operation([=](StructureModel& s) { s.setMemberPins({{m, qMakePair(Dof(15), Dof(63))}}); }) << 0 << 0 << 1;
    QTest::newRow("empty map") << Operation([=](StructureModel& s) { QVERIFY(s.changeNodeSupport({}).isEmpty()); }) << 0 << 1 << 0;
    QTest::newRow("empty indexed") << Operation([=](StructureModel& s) { QVERIFY(s.changeLoadForceAtIndex({}, 0).isEmpty()); }) << 1 << 0 << 0;
}

void TestStructure::propertyChangesRaiseTheirCounter()
{
    QFETCH(Operation, operation);
    StructureModel model;
    SignalWatch watch(&model, true);
    operation(model);
    QTEST(model.loadingCounter(), "loading");
    QTEST(model.stiffnessCounter(), "stiffness");
    QTEST(model.topologyCounter(), "topology");
    QCOMPARE(watch.will, 1);
    QCOMPARE(watch.has, 1);
    QCOMPARE(watch.lockedWill, 1);
    QCOMPARE(watch.lockedHas, 1);
}

void TestStructure::indexedChangesRecordZeroOutsideThePairs()
{
    StructureModel model;
    const MemberRef m(VaroObject::make<Member>(nodeAt(0), nodeAt(1)));
    const LoadRef point = pointLoad(m, 0.3, -5.0);
    const LoadRef trapezoid = trapezoidLoad(m, 0.1, -1.0, 0.9, -2.0);

    QCOMPARE(model.changeLoadForceAtIndex({{point, 7.0}}, -1).value(point), 0.0);
    QCOMPARE(model.changeLoadForceAtIndex({{point, 7.0}}, 1).value(point), 0.0);
    QCOMPARE(model.changeLoadPositionAtIndex({{point, 0.7}}, 1).value(point), 0.0);
    QCOMPARE(point->positionedForces(), QList<Load::PositionedForce>({{0.3, -5.0}}));

    const auto old = model.changeLoadForceAtIndex({{point, 7.0}, {trapezoid, 3.0}}, 1);
    QCOMPARE(old.value(point), 0.0);
    QCOMPARE(old.value(trapezoid), -2.0);
    QCOMPARE(trapezoid->positionedForces().at(1).second, 3.0);

    // A force below 2^-10 is raised by the load; the undo restores the old one.
    const auto tiny = model.changeLoadForceAtIndex({{trapezoid, 0.0}}, 0);
    QCOMPARE(trapezoid->positionedForces().at(0).second, std::ldexp(1.0, -10));
    model.changeLoadForceAtIndex(tiny, 0);
    QCOMPARE(trapezoid->positionedForces().at(0).second, -1.0);
    QCOMPARE(model.loadingCounter(), 6);

    // Moving the first pair past the second reorders the pairs, so index 0
    // then addresses the other pair: the undo restores by value.
    const LoadRef moved = trapezoidLoad(MemberRef(), 0.2, 1.0, 0.6, 2.0);
    QCOMPARE(model.changeLoadPositionAtIndex({{moved, 0.8}}, 0).value(moved), 0.2);
    QCOMPARE(moved->positionedForces(), QList<Load::PositionedForce>({{0.6, 2.0}, {0.8, 1.0}}));
}

void TestStructure::nodeLiesOnMember_data()
{
    QTest::addColumn<Vector3>("position");
    QTest::addColumn<bool>("expected");

    QTest::newRow("just off the line") << Vector3(1, 0.005, 0) << true;
    QTest::newRow("too far off") << Vector3(1, 0.02, 0) << false;
    QTest::newRow("too near A") << Vector3(0.005, 0, 0) << false;
    QTest::newRow("too near B") << Vector3(3.995, 0, 0) << false;
    QTest::newRow("beyond B") << Vector3(5, 0, 0) << false;
    QTest::newRow("before A") << Vector3(-1, 0, 0) << false;
    QTest::newRow("on the line") << Vector3(2, 0, 0) << true;
    QTest::newRow("off in z") << Vector3(3, 0, 0.009) << true;
}

void TestStructure::nodeLiesOnMember()
{
    QFETCH(Vector3, position);
    const NodeRef a = nodeAt(0), b = nodeAt(4);
    const MemberRef member(VaroObject::make<Member>(a, b));
    QTEST(StructureModel::nodeLiesOnMember(nodeAt(position.x(), position.y(), position.z()), member, 0.01),
          "expected");
    QVERIFY(!StructureModel::nodeLiesOnMember(a, member, 0.01));
    QVERIFY(!StructureModel::nodeLiesOnMember(b, member, 0.01));

    // A member of length 2^-10 or less has no node on it.
    const MemberRef tiny(VaroObject::make<Member>(nodeAt(0), nodeAt(std::ldexp(1.0, -10))));
    QVERIFY(!StructureModel::nodeLiesOnMember(nodeAt(std::ldexp(1.0, -11)), tiny, 0.0));
}

void TestStructure::nodeExactlyOnTheLineDespiteRounding()
{
    // For this point on the line Heron's product rounds below zero; without
    // the clamp its root is not a number and the node would not be on it.
    const double end = 1.49, p = 0.512;
    const double length = Vector3(end, 0, 0).length();
    const double dA = Vector3(p, 0, 0).length(), dB = Vector3(p - end, 0, 0).length();
    const double s = (length + dA + dB) / 2.0;
    QVERIFY(s * (s - length) * (s - dA) * (s - dB) < 0.0);

    const MemberRef member(VaroObject::make<Member>(nodeAt(0), nodeAt(end)));
    QVERIFY(StructureModel::nodeLiesOnMember(nodeAt(p), member, 0.01));
    QVERIFY(StructureModel::nodeLiesOnMember(nodeAt(p), member, 0.0));
}

VARO_GUILESS_TEST_MAIN(TestStructure)
#include "tst_structure.moc"
