#include "LoadAxis.h"
#include "Loading.h"
#include "Member.h"
#include "MemberAxis.h"
#include "Node.h"
#include "PointLoad.h"
#include "TorqueLoad.h"
#include "TrapezoidLoad.h"
#include "TestMain.h"

#include <QtTest>

#include <cmath>
#include <functional>
#include <tuple>

namespace {

const double smallestForce = std::ldexp(1.0, -10);

NodeRef nodeAt(const Vector3& position)
{
    const NodeRef node(VaroObject::make<Node>());
    node->setPosition(position);
    return node;
}

LoadAxisRef loadAxis(const Vector3& vector, bool global, const NodeRef& node = NodeRef())
{
    return VaroObject::make<LoadAxis>(Axis(vector, node, global, false));
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

class TestLoads : public QObject
{
    Q_OBJECT

private slots:
    void forceHasAFloorAndPositionIsClamped();
    void movedPairKeepsTheOrder();
    void swappedEndsKeepTheGlobalForces();
    void cacheFollowsAxisAndMember();
    void trapezoidIntensity();
    void spanAndCentroid();
    void copiesAndDefaults();
    void consolidation();
};

void TestLoads::forceHasAFloorAndPositionIsClamped()
{
    const double forces[][2] = {{0.0, smallestForce},         {-0.0, -smallestForce}, {std::nan(""), smallestForce},
                                {-1e-5, -smallestForce},      {-2500.0, -2500.0}};
    for (const auto& f : forces) {
        PointLoad load;
        load.setPositionedForces(pairsOf({{0.5, 100.0}}));
        const quint32 next = VaroObject::currentTimeStamp();
        load.setForceAtIndex(f[0], 0);
        const double stored = load.positionedForces().first().second;
        QCOMPARE(stored, f[1]);
        QCOMPARE(std::signbit(stored), std::signbit(f[1]));
        QCOMPARE(load.timeStamp(), next);
    }

    const double positions[][2] = {{-0.5, 0.0}, {1.5, 1.0}, {std::nan(""), 1.0}};
    for (const auto& p : positions) {
        PointLoad load;
        load.setPositionedForces(pairsOf({{0.5, 100.0}}));
        load.setPositionAtIndex(p[0], 0);
        QCOMPARE(load.positionedForces(), pairsOf({{p[1], 100.0}}));
        load.setPositionAndForceAtIndex({p[0], 7.0}, 0);
        QCOMPARE(load.positionedForces(), pairsOf({{p[1], 7.0}}));
    }
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

void TestLoads::swappedEndsKeepTheGlobalForces()
{
    // The member axis (none when null) and the load axis.
    const Axis upright(Vector3(0, 0, 1), NodeRef(), true, false), orthogonal(Vector3(0, 0, 1), NodeRef(), true, true);
    const double r = std::sqrt(0.5);
    const QList<QPair<Axis, Axis>> cases{
        {Axis(), Axis(Vector3(0, 1, 0), NodeRef(), true, false)},  // global
        {Axis(), Axis(Vector3(1, 0, 0), NodeRef(), false, false)}, // local x
        {Axis(), Axis(Vector3(0, 0, 1), NodeRef(), false, false)}, // local z
        {upright, Axis(Vector3(r, 0, r), NodeRef(), false, false)},
        {orthogonal, Axis(Vector3(0, 1, 0), NodeRef(), false, false)},
    };
    for (const auto& c : cases) {
        const MemberRef member(VaroObject::make<Member>(nodeAt(Vector3(1, 1, 0)), nodeAt(Vector3(4, 5, 2))));
        if (c.first.vector().lengthSquared() > 0)
            member->setAxis(VaroObject::make<MemberAxis>(c.first));
        PointLoad load(member);
        load.setAxis(VaroObject::make<LoadAxis>(c.second));
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
        QCOMPARE(after, before);
    }
}

void TestLoads::cacheFollowsAxisAndMember()
{
    const NodeRef target = nodeAt(Vector3(2, 3, 4));
    const MemberRef member(VaroObject::make<Member>(nodeAt(Vector3(0, 0, 0)), nodeAt(Vector3(4, 0, 0))));
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
    const MemberRef other(VaroObject::make<Member>(nodeAt(Vector3(0, 0, 0)), nodeAt(Vector3(0, 5, 0))));
    load.setMember(other);
    load.updateCache();
    QVERIFY(load.isCacheValid());
    member->nodeB()->setPosition(Vector3(9, 0, 0));
    QVERIFY(load.isCacheValid());
    other->nodeB()->setPosition(Vector3(0, 6, 0));
    QVERIFY(!load.isCacheValid());
}

void TestLoads::trapezoidIntensity()
{
    const QList<Load::PositionedForce> ramp = pairsOf({{0.2, -10.0}, {0.6, -30.0}});
    const QList<std::tuple<QList<Load::PositionedForce>, double, double>> cases{
        {ramp, 0.3, -15.0},
        {ramp, 0.1, 0.0}, // before
        {pairsOf({{0.4, -5.0}, {0.4, -7.0}}), 0.4, -5.0}, // no span
        {pairsOf({{0.5, 8.0}}), 0.75, 4.0}, // one pair: to 1 with 0
        {{}, 0.5, 0.0},
    };
    for (const auto& c : cases) {
        TrapezoidLoad load;
        load.setPositionedForces(std::get<0>(c));
        QCOMPARE(load.forceAtPositionOnMember(std::get<1>(c)), std::get<2>(c));
    }
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
    const LoadingRef dead(VaroObject::make<Loading>(QStringLiteral("Dead")));
    const QSharedPointer<TrapezoidLoad> pattern = TrapezoidLoad::makeDefault(dead);
    QCOMPARE(pattern->axis()->axis(), Axis(Vector3(0, 1, 0), NodeRef(), true, false));
    QCOMPARE(pattern->positionedForces(), pairsOf({{0.0, -10000.0}, {1.0, -10000.0}}));
    QVERIFY(PointLoad::makeDefault(dead)->axis() != PointLoad::makeDefault(dead)->axis());

    // A copy on another member keeps its kind, case, axis and pairs, and
    // follows its new member.
    const MemberRef member(VaroObject::make<Member>(nodeAt(Vector3(0, 0, 0)), nodeAt(Vector3(3, 0, 0))));
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

void TestLoads::consolidation()
{
    PointLoad first(VaroObject::make<Member>(nodeAt(Vector3(0, 0, 0)), nodeAt(Vector3(3, 0, 0))));
    first.setAxis(loadAxis(Vector3(0, 1, 0), true));
    first.setPositionedForces(pairsOf({{0.5, -10.0}}));
    const QList<QPair<std::function<void(Load*)>, bool>> changes{
        {[](Load*) {}, true}, // another kind, same settings
        {[](Load* l) { l->setLoadCase(VaroObject::make<Loading>()); }, false},
        {[](Load* l) { l->setAxis(loadAxis(Vector3(0, 1, 0), true)); }, true}, // equal axis, other object
        {[](Load* l) { l->setAxis(loadAxis(Vector3(0, 1, 0), false)); }, false},
        {[](Load* l) { l->setAxis(LoadAxisRef()); }, true}, // no axis on one side
        {[](Load* l) { l->setForceAtIndex(-10.000001, 0); }, false},
    };
    for (int i = 0; i < changes.size(); ++i) {
        QScopedPointer<Load> second(i == 0 ? static_cast<Load*>(new TorqueLoad) : new PointLoad);
        second->importFrom(first);
        changes[i].first(second.data());
        QVERIFY2(first.canBeConsolidatedWith(*second) == changes[i].second, qPrintable(QString::number(i)));
        QVERIFY2(second->canBeConsolidatedWith(first) == changes[i].second, qPrintable(QString::number(i)));
    }
}

VARO_GUILESS_TEST_MAIN(TestLoads)
#include "tst_loads.moc"
