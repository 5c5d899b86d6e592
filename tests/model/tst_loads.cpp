#include "LoadAxis.h"
#include "Loading.h"
#include "Member.h"
#include "MemberAxis.h"
#include "Node.h"
#include "PointLoad.h"
#include "TorqueLoad.h"
#include "TrapezoidLoad.h"

#include <QtTest>

#include <cmath>

namespace {

const double smallestForce = std::ldexp(1.0, -10);

NodeRef nodeAt(const Vector3& position)
{
    const NodeRef node(new Node);
    node->setPosition(position);
    return node;
}

LoadAxisRef loadAxis(const Vector3& vector, bool global, const NodeRef& node = NodeRef())
{
    return LoadAxisRef(new LoadAxis(Axis(vector, node, global, false)));
}

QList<Load::PositionedForce> pairsOf(std::initializer_list<Load::PositionedForce> pairs)
{
    return QList<Load::PositionedForce>(pairs);
}

// The forces a load puts on the structure: each pair's point in space and
// its force vector, independent of which end the member starts from.
QList<QPair<Vector3, Vector3>> appliedForces(const Load& load)
{
    const Vector3 a = load.member()->nodeA()->position();
    const Vector3 b = load.member()->nodeB()->position();
    QList<QPair<Vector3, Vector3>> forces;
    for (const Load::PositionedForce& pair : load.positionedForces())
        forces << qMakePair(a + (b - a) * pair.first, load.globalVector() * pair.second);
    return forces;
}

} // namespace

Q_DECLARE_METATYPE(Load::PositionedForce)

class TestLoads : public QObject
{
    Q_OBJECT

private slots:
    void forceHasAFloor_data();
    void forceHasAFloor();
    void positionIsClamped_data();
    void positionIsClamped();
    void movedPairKeepsTheOrder();
    void swappedEndsKeepTheGlobalForces_data();
    void swappedEndsKeepTheGlobalForces();
    void cacheFollowsAxisAndMember();
    void trapezoidIntensity_data();
    void trapezoidIntensity();
    void spanAndCentroid();
    void copiesAndDefaults();
    void consolidation_data();
    void consolidation();
};

void TestLoads::forceHasAFloor_data()
{
    QTest::addColumn<double>("given");
    QTest::addColumn<double>("stored");

    QTest::newRow("zero") << 0.0 << smallestForce;
    QTest::newRow("negative zero") << -0.0 << -smallestForce;
    QTest::newRow("nan") << std::nan("") << smallestForce;
    QTest::newRow("small negative") << -1e-5 << -smallestForce;
    QTest::newRow("ordinary") << -2500.0 << -2500.0;
}

void TestLoads::forceHasAFloor()
{
    QFETCH(double, given);
    QFETCH(double, stored);
    PointLoad load;
    load.setPositionedForces(pairsOf({{0.5, 100.0}}));
    const quint32 next = VaroObject::currentTimeStamp();
    load.setForceAtIndex(given, 0);
    QCOMPARE(load.positionedForces().first().second, stored);
    QCOMPARE(std::signbit(load.positionedForces().first().second), std::signbit(stored));
    QCOMPARE(load.timeStamp(), next);
}

void TestLoads::positionIsClamped_data()
{
    QTest::addColumn<double>("given");
    QTest::addColumn<double>("stored");

    QTest::newRow("below") << -0.5 << 0.0;
    QTest::newRow("above") << 1.5 << 1.0;
    QTest::newRow("nan") << std::nan("") << 1.0;
}

void TestLoads::positionIsClamped()
{
    QFETCH(double, given);
    QFETCH(double, stored);
    PointLoad load;
    load.setPositionedForces(pairsOf({{0.5, 100.0}}));
    load.setPositionAtIndex(given, 0);
    QCOMPARE(load.positionedForces(), pairsOf({{stored, 100.0}}));

    load.setPositionAndForceAtIndex({given, 7.0}, 0);
    QCOMPARE(load.positionedForces(), pairsOf({{stored, 7.0}}));
}

void TestLoads::movedPairKeepsTheOrder()
{
    TrapezoidLoad load;
    load.setPositionedForces(pairsOf({{0.6, -2.0}, {0.2, -1.0}}));
    QCOMPARE(load.positionedForces(), pairsOf({{0.2, -1.0}, {0.6, -2.0}}));

    // Past its neighbour: index 0 now addresses the other pair.
    load.setPositionAtIndex(0.8, 0);
    QCOMPARE(load.positionedForces(), pairsOf({{0.6, -2.0}, {0.8, -1.0}}));
    load.setForceAtIndex(-5.0, 0);
    QCOMPARE(load.positionedForces(), pairsOf({{0.6, -5.0}, {0.8, -1.0}}));

    // The split moves the first pair to 0 first, so that both pairs keep
    // their order and indices while they move to equal positions.
    load.setPositionAtIndex(0.0, 0);
    load.setPositionAtIndex(0.4, 1);
    load.setPositionAtIndex(0.4, 0);
    QCOMPARE(load.positionedForces(), pairsOf({{0.4, -5.0}, {0.4, -1.0}}));

    // A pair added past the end takes its place by position; a negative
    // index, or one past the end for a single value, changes nothing.
    load.setPositionAndForceAtIndex({0.1, -9.0}, 7);
    const quint32 stamp = load.timeStamp();
    load.setForceAtIndex(3.0, 3);
    load.setPositionAtIndex(0.1, -1);
    load.setPositionAndForceAtIndex({0.1, 3.0}, -1);
    QCOMPARE(load.positionedForces(), pairsOf({{0.1, -9.0}, {0.4, -5.0}, {0.4, -1.0}}));
    QCOMPARE(load.timeStamp(), stamp);
}

void TestLoads::swappedEndsKeepTheGlobalForces_data()
{
    QTest::addColumn<Axis>("memberAxis"); // (0,0,0) global: no member axis
    QTest::addColumn<Axis>("axis");

    const Axis none(Vector3(), NodeRef(), true, false);
    const Axis upright(Vector3(0, 0, 1), NodeRef(), true, false);
    const Axis orthogonal(Vector3(0, 0, 1), NodeRef(), true, true);
    const double r = std::sqrt(0.5);
    QTest::newRow("global") << none << Axis(Vector3(0, 1, 0), NodeRef(), true, false);
    QTest::newRow("local x") << none << Axis(Vector3(1, 0, 0), NodeRef(), false, false);
    QTest::newRow("local z") << none << Axis(Vector3(0, 0, 1), NodeRef(), false, false);
    QTest::newRow("local xz") << upright << Axis(Vector3(r, 0, r), NodeRef(), false, false);
    QTest::newRow("local y, orthogonal member axis") << orthogonal << Axis(Vector3(0, 1, 0), NodeRef(), false, false);
}

void TestLoads::swappedEndsKeepTheGlobalForces()
{
    QFETCH(Axis, memberAxis);
    QFETCH(Axis, axis);
    const MemberRef member(new Member(nodeAt(Vector3(1, 1, 0)), nodeAt(Vector3(4, 5, 2))));
    if (memberAxis.vector().lengthSquared() > 0)
        member->setAxis(MemberAxisRef(new MemberAxis(memberAxis)));
    PointLoad load(member);
    load.setAxis(LoadAxisRef(new LoadAxis(axis)));
    load.setPositionedForces(pairsOf({{0.25, 10.0}, {0.75, -4.0}}));
    load.updateCache();
    QVERIFY(load.isCacheValid());
    const QList<QPair<Vector3, Vector3>> before = appliedForces(load);

    member->swapEnds();
    QVERIFY(!load.isCacheValid());
    const quint32 next = VaroObject::currentTimeStamp();
    load.compensateForSwappedMemberEnds();
    QCOMPARE(load.timeStamp(), next);
    load.updateCache();
    QVERIFY(load.isCacheValid());
    QList<QPair<Vector3, Vector3>> after = appliedForces(load);
    std::reverse(after.begin(), after.end());
    QCOMPARE(after.size(), before.size());
    for (int i = 0; i < before.size(); ++i) {
        QCOMPARE(after[i].first, before[i].first);
        QCOMPARE(after[i].second, before[i].second);
    }
}

void TestLoads::cacheFollowsAxisAndMember()
{
    const NodeRef target = nodeAt(Vector3(2, 3, 4));
    const MemberRef member(new Member(nodeAt(Vector3(0, 0, 0)), nodeAt(Vector3(4, 0, 0))));
    TorqueLoad load(member);

    load.updateCache();
    QVERIFY(!load.isCacheValid()); // no load axis
    QCOMPARE(load.globalVector(), Vector3());

    load.setAxis(loadAxis(Vector3(0, 2, 0), true));
    load.updateCache();
    QVERIFY(!load.isCacheValid()); // not a unit vector
    QCOMPARE(load.globalVector(), Vector3());

    // A member along X has the global axes as its local ones; turn it to
    // run along Z and local y stays global Y while local z becomes -X.
    load.setAxis(loadAxis(Vector3(0, 0, 1), false));
    load.updateCache();
    QVERIFY(load.isCacheValid());
    QCOMPARE(load.globalVector(), Vector3(0, 0, 1));
    member->nodeB()->setPosition(Vector3(0, 0, 4));
    QVERIFY(!load.isCacheValid());
    load.updateCache();
    QCOMPARE(load.globalVector(), Vector3(-1, 0, 0));

    // Towards a node: from the member's midpoint (0,0,2) to (2,3,4).
    load.setAxis(loadAxis(Vector3(), true, target));
    load.updateCache();
    QCOMPARE(load.globalVector(), Vector3(2, 3, 2) / std::sqrt(17.0));

    // A member whose axes cannot be formed leaves the load invalid.
    member->nodeB()->setPosition(Vector3(0, 0, 0.0001));
    load.updateCache();
    QVERIFY(!load.isCacheValid());

    // The load follows a change of member.
    const MemberRef other(new Member(nodeAt(Vector3(0, 0, 0)), nodeAt(Vector3(0, 5, 0))));
    load.setMember(other);
    load.updateCache();
    QVERIFY(load.isCacheValid());
    member->nodeB()->setPosition(Vector3(9, 0, 0));
    QVERIFY(load.isCacheValid());
    other->nodeB()->setPosition(Vector3(0, 6, 0));
    QVERIFY(!load.isCacheValid());
}

void TestLoads::trapezoidIntensity_data()
{
    QTest::addColumn<QList<Load::PositionedForce>>("pairs");
    QTest::addColumn<double>("position");
    QTest::addColumn<double>("force");

    const QList<Load::PositionedForce> ramp = pairsOf({{0.2, -10.0}, {0.6, -30.0}});
    QTest::newRow("quarter") << ramp << 0.3 << -15.0;
    QTest::newRow("before") << ramp << 0.1 << 0.0;
    QTest::newRow("no span") << pairsOf({{0.4, -5.0}, {0.4, -7.0}}) << 0.4 << -5.0;
    QTest::newRow("one pair, to 1 with 0") << pairsOf({{0.5, 8.0}}) << 0.75 << 4.0;
    QTest::newRow("no pairs") << QList<Load::PositionedForce>() << 0.5 << 0.0;
}

void TestLoads::trapezoidIntensity()
{
    QFETCH(QList<Load::PositionedForce>, pairs);
    QFETCH(double, position);
    QFETCH(double, force);
    TrapezoidLoad load;
    load.setPositionedForces(pairs);
    QCOMPARE(load.forceAtPositionOnMember(position), force);
}

void TestLoads::spanAndCentroid()
{
    TrapezoidLoad trapezoid;
    trapezoid.setPositionedForces(pairsOf({{0.25, 1.0}}));
    QCOMPARE(trapezoid.spanAB(), 0.75); // a single pair runs to the end
    trapezoid.setPositionedForces(pairsOf({{0.2, -1.0}, {0.6, -3.0}}));
    QCOMPARE(trapezoid.centroidPosition(), 0.4);
    trapezoid.setSpan(TrapezoidLoad::Span(0.5, 1.0));
    QCOMPARE(trapezoid.positionedForces(), pairsOf({{0.5, -1.0}, {1.0, -3.0}}));
}

void TestLoads::copiesAndDefaults()
{
    const LoadingRef dead(new Loading(QStringLiteral("Dead")));
    const QSharedPointer<TrapezoidLoad> pattern = TrapezoidLoad::makeDefault(dead);
    QCOMPARE(pattern->axis()->axis(), Axis(Vector3(0, 1, 0), NodeRef(), true, false));
    QCOMPARE(pattern->positionedForces(), pairsOf({{0.0, -10000.0}, {1.0, -10000.0}}));
    QVERIFY(PointLoad::makeDefault(dead)->axis() != PointLoad::makeDefault(dead)->axis());

    // A copy on another member keeps its kind, case, axis and pairs, and
    // follows its new member.
    const MemberRef member(new Member(nodeAt(Vector3(0, 0, 0)), nodeAt(Vector3(3, 0, 0))));
    const LoadRef copy = pattern->makeCopyOnMember(member);
    QVERIFY(qSharedPointerObjectCast<TrapezoidLoad>(copy));
    QCOMPARE(copy->member(), member);
    QVERIFY(copy->canBeConsolidatedWith(*pattern->makeCopyOnMember(member)));
    const LoadRef clone = copy->clone();
    clone->updateCache();
    QVERIFY(clone->isCacheValid());
    member->nodeA()->setPosition(Vector3(0, 1, 0));
    QVERIFY(!clone->isCacheValid());
}

void TestLoads::consolidation_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("consolidates");

    QTest::newRow("another kind, same settings") << "kind" << true;
    QTest::newRow("other case") << "case" << false;
    QTest::newRow("equal axis, other object") << "equal axis" << true;
    QTest::newRow("other axis") << "axis" << false;
    QTest::newRow("no axis on one side") << "no axis" << true;
    QTest::newRow("force off by a little") << "force" << false;
}

void TestLoads::consolidation()
{
    QFETCH(QString, change);
    QFETCH(bool, consolidates);
    PointLoad first(MemberRef(new Member(nodeAt(Vector3(0, 0, 0)), nodeAt(Vector3(3, 0, 0)))));
    first.setAxis(loadAxis(Vector3(0, 1, 0), true));
    first.setPositionedForces(pairsOf({{0.5, -10.0}}));
    QScopedPointer<Load> second(change == QLatin1String("kind") ? static_cast<Load*>(new TorqueLoad) : new PointLoad);
    second->importFrom(first);
    if (change == QLatin1String("case"))
        second->setLoadCase(LoadingRef(new Loading));
    if (change.endsWith(QLatin1String("axis")))
        second->setAxis(change == QLatin1String("no axis") ? LoadAxisRef()
                                                           : loadAxis(Vector3(0, 1, 0), change != QLatin1String("axis")));
    if (change == QLatin1String("force"))
        second->setForceAtIndex(-10.000001, 0);
    QCOMPARE(first.canBeConsolidatedWith(*second), consolidates);
    QCOMPARE(second->canBeConsolidatedWith(first), consolidates);
}

QTEST_GUILESS_MAIN(TestLoads)
#include "tst_loads.moc"
