#include "StructureTesting.h"

#include "GeometryGroup.h"
#include "LoadAxis.h"
#include "Loading.h"
#include "Material.h"
#include "Member.h"
#include "MemberAxis.h"
#include "Node.h"
#include "PointLoad.h"
#include "SectionType.h"
#include "Support.h"
#include "TorqueLoad.h"
#include "TrapezoidLoad.h"

#include <QtTest>

#include <cmath>
#include <functional>

class TestStructure : public QObject
{
    Q_OBJECT

private slots:
    void appendingNothingSignalsButRaisesNoCounter();
    void appendingRaisesOneCounterPerKind();
    void removingSomethingAbsentStillRaisesItsCounter();
    void removedAndAppendedAgainGoesLast();
    void listsAllowDuplicatesAndRemoveTheFirst();
    void singleObjectChanges();
    void everythingAndContains();
    void propertyChangesRaiseTheirCounter_data();
    void propertyChangesRaiseTheirCounter();
    void propertyChangeReturnsTheOldValues();
    void supportChangeUndoneByItsResult();
    void indexedChangesRecordZeroOutsideThePairs();
    void positionAtIndexFollowsTheReorderedPair();
    void wholePairListsAndSpans();
    void loadsPerMemberKeepsOneEntryPerLoad();
    void membersUsingMaterial();
    void nodeLiesOnMember_data();
    void nodeLiesOnMember();
    void nodeExactlyOnTheLineDespiteRounding();
};

void TestStructure::appendingNothingSignalsButRaisesNoCounter()
{
    StructureModel model;
    SignalWatch watch(&model);
    model.appendObjects({});
    model.removeObjects({});
    QCOMPARE(watch.will, 2);
    QCOMPARE(watch.has, 2);
    QCOMPARE(model.topologyCounter(), 0);
    QCOMPARE(model.loadingCounter(), 0);
    QCOMPARE(model.stiffnessCounter(), 0);
}

void TestStructure::appendingRaisesOneCounterPerKind()
{
    StructureModel model;
    SignalWatch watch(&model);
    const NodeRef a = nodeAt(0), b = nodeAt(1);
    const MemberRef member(new Member(a, b));
    const LoadRef load = pointLoad(member, 0.5, -1.0);
    const GroupRef group(new GeometryGroup(QStringLiteral("G")));

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
    QCOMPARE(watch.will, 3);
    QCOMPARE(watch.has, 3);
}

void TestStructure::removingSomethingAbsentStillRaisesItsCounter()
{
    StructureModel model;
    const NodeRef present = nodeAt(0);
    model.appendNode(present);
    SignalWatch watch(&model);
    const Counters before(model);

    model.removeObjects({nodeAt(5)});
    QCOMPARE(watch.will, 1);
    QCOMPARE(watch.has, 1);
    QCOMPARE(model.topologyCounter(), before.topology + 1);
    QCOMPARE(model.loadingCounter(), before.loading);
    QCOMPARE(model.nodes(), QList<NodeRef>({present}));

    // A load that is not there raises the loading counter only.
    model.removeObjects({pointLoad(MemberRef(), 0.5, 1.0)});
    QCOMPARE(model.topologyCounter(), before.topology + 1);
    QCOMPARE(model.loadingCounter(), before.loading + 1);
}

void TestStructure::removedAndAppendedAgainGoesLast()
{
    StructureModel model;
    const NodeRef a = nodeAt(0), b = nodeAt(1), c = nodeAt(2);
    model.appendObjects({a, b, c});
    model.removeObjects({a});
    model.appendObjects({a});
    QCOMPARE(model.nodes(), QList<NodeRef>({b, c, a}));
}

void TestStructure::listsAllowDuplicatesAndRemoveTheFirst()
{
    StructureModel model;
    const NodeRef a = nodeAt(0), b = nodeAt(1);
    model.appendObjects({a, b, a});
    model.removeObjects({a});
    QCOMPARE(model.nodes(), QList<NodeRef>({b, a}));
    QVERIFY(model.contains(a));
}

void TestStructure::singleObjectChanges()
{
    StructureModel model;
    SignalWatch watch(&model);
    const NodeRef a = nodeAt(0), b = nodeAt(1);
    const MemberRef member(new Member(a, b));
    const LoadRef load = pointLoad(member, 0.5, 1.0);

    model.appendNode(a);
    model.appendNode(b);
    model.appendMember(member);
    model.appendLoad(load);
    QCOMPARE(model.topologyCounter(), 3);
    QCOMPARE(model.loadingCounter(), 1);

    model.removeMember(MemberRef(new Member)); // absent: still raised
    QCOMPARE(model.topologyCounter(), 4);
    model.removeMember(member);
    model.removeNode(a);
    QCOMPARE(model.topologyCounter(), 6);
    QCOMPARE(model.members(), QList<MemberRef>());
    QCOMPARE(model.nodes(), QList<NodeRef>({b}));
    QCOMPARE(watch.will, 7);
    QCOMPARE(watch.has, 7);
}

void TestStructure::everythingAndContains()
{
    StructureModel model;
    const NodeRef a = nodeAt(0), b = nodeAt(1);
    const MemberRef member(new Member(a, b));
    const LoadRef load = pointLoad(member, 0.5, 1.0);
    model.appendObjects({load, member, b, a});
    QCOMPARE(model.everything(), QList<VaroObjectRef>({b, a, member, load}));

    QVERIFY(model.contains(a));
    QVERIFY(model.contains(member));
    QVERIFY(model.contains(load));
    QVERIFY(!model.contains(VaroObjectRef(new GeometryGroup)));
    QVERIFY(!model.contains(VaroObjectRef(new Loading)));
    QVERIFY(!model.contains(VaroObjectRef()));
    QVERIFY(!model.contains(nodeAt(0))); // equal position, other identity

    model.removeObjects({member});
    QVERIFY(!model.contains(member));
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
    const MemberRef m(new Member(n, nodeAt(3)));
    const LoadRef l = pointLoad(m, 0.5, 1.0);
    const QSharedPointer<TrapezoidLoad> t = trapezoidLoad(m, 0, 1, 1, 1);

    QTest::newRow("load case") << Operation([=](StructureModel& s) { s.changeLoadLoadCase({{l, LoadCaseRef(new Loading)}}); }) << 1 << 0 << 0;
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
    QFETCH(int, loading);
    QFETCH(int, stiffness);
    QFETCH(int, topology);

    StructureModel model;
    SignalWatch watch(&model, true);
    operation(model);
    QCOMPARE(model.loadingCounter(), loading);
    QCOMPARE(model.stiffnessCounter(), stiffness);
    QCOMPARE(model.topologyCounter(), topology);
    QCOMPARE(watch.will, 1);
    QCOMPARE(watch.has, 1);
    QCOMPARE(watch.lockedWill, 1);
    QCOMPARE(watch.lockedHas, 1);
}

void TestStructure::propertyChangeReturnsTheOldValues()
{
    StructureModel model;
    const NodeRef a = nodeAt(0), b = nodeAt(4);
    const MemberRef m1(new Member(a, b)), m2(new Member(b, a));
    const GeometryGroupRef g1(new GeometryGroup), g2(new GeometryGroup);
    m1->setGeometryGroup(g1);

    // A value equal to the current one is still recorded and set again.
    const quint32 stampBefore = m1->timeStamp();
    const auto old = model.changeMemberGroup({{m1, g1}, {m2, g2}});
    QCOMPARE(old.size(), 2);
    QCOMPARE(old.value(m1), g1);
    QCOMPARE(old.value(m2), GeometryGroupRef());
    QVERIFY(m1->timeStamp() != stampBefore);
    QCOMPARE(m2->group(), g2);

    const auto pins = model.setMemberPins({{m1, qMakePair(Dof(15), Dof(63))}});
    QCOMPARE(int(pins.value(m1).first), 63);
    QVERIFY(m1->pinAtA());
    model.setMemberPins(pins);
    QVERIFY(!m1->pinAtA());

    const auto positions = model.setNodePositions({{a, Vector3(1, 2, 3)}});
    QCOMPARE(positions.value(a), Vector3(0, 0, 0));
    QCOMPARE(a->position(), Vector3(1, 2, 3));
}

void TestStructure::supportChangeUndoneByItsResult()
{
    StructureModel model;
    const NodeRef a = nodeAt(0), b = nodeAt(1), c = nodeAt(2);
    const SupportRef fixed(new Support(QStringLiteral("Fixed"), Dof(63)));
    const SupportRef pinned(new Support(QStringLiteral("Pinned"), Dof(7)));
    b->setSupport(pinned);

    const auto old = model.changeNodeSupport({{a, fixed}, {b, fixed}, {c, pinned}});
    QCOMPARE(a->support(), fixed);
    QCOMPARE(b->support(), fixed);
    QCOMPARE(c->support(), pinned);
    model.changeNodeSupport(old);
    QCOMPARE(a->support(), SupportRef());
    QCOMPARE(b->support(), pinned);
    QCOMPARE(c->support(), SupportRef());
    QCOMPARE(model.stiffnessCounter(), 2);
}

void TestStructure::indexedChangesRecordZeroOutsideThePairs()
{
    StructureModel model;
    const MemberRef m(new Member(nodeAt(0), nodeAt(1)));
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
}

void TestStructure::positionAtIndexFollowsTheReorderedPair()
{
    StructureModel model;
    const LoadRef load = trapezoidLoad(MemberRef(), 0.2, 1.0, 0.6, 2.0);
    // Moving the first pair past the second reorders the pairs: index 0 then
    // addresses the other pair, as the Part says.
    const auto old = model.changeLoadPositionAtIndex({{load, 0.8}}, 0);
    QCOMPARE(old.value(load), 0.2);
    QCOMPARE(load->positionedForces(), QList<Load::PositionedForce>({{0.6, 2.0}, {0.8, 1.0}}));
}

void TestStructure::wholePairListsAndSpans()
{
    StructureModel model;
    const QSharedPointer<TrapezoidLoad> t = trapezoidLoad(MemberRef(), 0.0, 1.0, 1.0, 2.0);
    const LoadRef p = pointLoad(MemberRef(), 0.5, 1.0);

    const QList<Load::PositionedForce> pairs = {{0.25, 3.0}, {0.5, 4.0}};
    const auto oldPairs = model.setLoadPositionedForceAtAllIndices({{t, pairs}});
    QCOMPARE(t->positionedForces(), pairs);
    model.setLoadPositionedForceAtAllIndices(oldPairs);
    QCOMPARE(t->positionedForces(), QList<Load::PositionedForce>({{0.0, 1.0}, {1.0, 2.0}}));

    const auto oldSpans = model.setLoadSpan(QMap<QSharedPointer<TrapezoidLoad>, TrapezoidLoad::Span>{{t, {0.3, 0.7}}});
    QCOMPARE(oldSpans.value(t), TrapezoidLoad::Span(0.0, 1.0));
    QCOMPARE(t->span(), TrapezoidLoad::Span(0.3, 0.7));

    // Keyed by any load: the point load is passed over.
    const auto byLoad = model.setLoadSpan(QMap<LoadRef, TrapezoidLoad::Span>{{t, {0.1, 0.2}}, {p, {0.0, 1.0}}});
    QCOMPARE(byLoad.keys(), QList<LoadRef>({t}));
    QCOMPARE(byLoad.value(t), TrapezoidLoad::Span(0.3, 0.7));
    QCOMPARE(p->positionedForces(), QList<Load::PositionedForce>({{0.5, 1.0}}));
    QCOMPARE(model.loadingCounter(), 4);
}

void TestStructure::loadsPerMemberKeepsOneEntryPerLoad()
{
    StructureModel model;
    const MemberRef m1(new Member(nodeAt(0), nodeAt(1))), m2(new Member(nodeAt(1), nodeAt(2)));
    const LoadRef first = pointLoad(m1, 0.1, 1), second = pointLoad(m1, 0.2, 1), other = pointLoad(m2, 0.3, 1);
    const LoadRef loose = pointLoad(MemberRef(), 0.4, 1);
    model.appendObjects({first, other, second, loose});

    const QMultiMap<MemberRef, LoadRef> perMember = model.loadsPerMember();
    QCOMPARE(perMember.size(), 4);
    QCOMPARE(perMember.values(m1), QList<LoadRef>({second, first})); // last inserted first
    QCOMPARE(perMember.values(m2), QList<LoadRef>({other}));
    QCOMPARE(perMember.values(MemberRef()), QList<LoadRef>({loose}));
}

void TestStructure::membersUsingMaterial()
{
    StructureModel model;
    const MaterialRef steel(new Material), timber(new Material);
    const MemberRef m1(new Member), m2(new Member), m3(new Member), m4(new Member);
    m1->setSectionType(SectionTypeRef(new SectionType(CrossSectionRef(), steel)));
    m2->setSectionType(SectionTypeRef(new SectionType(CrossSectionRef(), timber)));
    m4->setSectionType(SectionTypeRef(new SectionType(CrossSectionRef(), steel)));
    model.appendObjects({m4, m3, m2, m1});
    QCOMPARE(model.membersUsingMaterial(steel), QList<MemberRef>({m4, m1}));
    QCOMPARE(model.membersUsingMaterial(timber), QList<MemberRef>({m2}));
    QVERIFY(model.membersUsingMaterial(MaterialRef()).isEmpty());
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
    QFETCH(bool, expected);

    const NodeRef a = nodeAt(0), b = nodeAt(4);
    const MemberRef member(new Member(a, b));
    QCOMPARE(StructureModel::nodeLiesOnMember(nodeAt(position.x(), position.y(), position.z()), member, 0.01),
             expected);
    QVERIFY(!StructureModel::nodeLiesOnMember(a, member, 0.01));
    QVERIFY(!StructureModel::nodeLiesOnMember(b, member, 0.01));

    // A member of length 2^-10 or less has no node on it.
    const MemberRef tiny(new Member(nodeAt(0), nodeAt(std::ldexp(1.0, -10))));
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

    const MemberRef member(new Member(nodeAt(0), nodeAt(end)));
    QVERIFY(StructureModel::nodeLiesOnMember(nodeAt(p), member, 0.01));
    QVERIFY(StructureModel::nodeLiesOnMember(nodeAt(p), member, 0.0));
}

QTEST_GUILESS_MAIN(TestStructure)
#include "tst_structure.moc"
