#include "EditingTesting.h"

#include "GeometryGroup.h"
#include "Support.h"
#include "TorqueLoad.h"
#include "TestMain.h"

#include <QtTest>

#include <functional>

// Deselecting geometry tidies it into the unselected structure within the
// same undo step.
class TestConsolidation : public QObject
{
    Q_OBJECT

private slots:
    void nodesMergeWithinOneAndThreeQuarterSteps_data();
    void nodesMergeWithinOneAndThreeQuarterSteps();
    void nodeOnMemberSplitsIt_data();
    void nodeOnMemberSplitsIt();
    void splitSharesLoadsAndUndoJoins();
    void roundsDeselectedNodesToTheGrid();
    void zeroLengthMemberGoesWithItsLoads();
    void mergedNodeKeepsTheOnlyRestraint();
    void duplicateMembersMergeOnlyInOneGroup_data();
    void duplicateMembersMergeOnlyInOneGroup();
    void equalLoadsMerge();
    void lookingNearChangesMatchesWalkingEverything();
    void unchangedObjectsComeBackConsolidated();
    void newUnitsRoundTheWholeStructureAgain();
    void loadsKeepWhatWasTypedInTheirUnits_data();
    void loadsKeepWhatWasTypedInTheirUnits();
    void memberOverANodeMeetsItOnlyWhenOneIsTouched_data();
    void memberOverANodeMeetsItOnlyWhenOneIsTouched();
};

void TestConsolidation::nodesMergeWithinOneAndThreeQuarterSteps_data()
{
    QTest::addColumn<QString>("system");
    QTest::addColumn<double>("gap");
    QTest::addColumn<int>("nodes");
    QTest::newRow("metric 1 step") << "Metric (UK)" << 0.001 << 1;
    QTest::newRow("metric 2 steps") << "Metric (EU)" << 0.002 << 2;
    QTest::newRow("imperial 1 step") << "Imperial (US)" << 0.00254 << 1;
    QTest::newRow("imperial 1.5 mm off grid") << "Imperial (US)" << 0.0035 << 1;
    QTest::newRow("imperial 2 steps") << "Imperial (US)" << 0.00508 << 2;
}

void TestConsolidation::nodesMergeWithinOneAndThreeQuarterSteps()
{
    QFETCH(QString, system);
    QFETCH(double, gap);
    QFETCH(int, nodes);
    Bench b(system);
    const NodeRef kept = b.node(0.0);
    const NodeRef other = b.node(0.0, 0.0, 1.0);
    const NodeRef moved = b.node(gap);
    b.member(moved, other);
    b.select({moved});
    const QString before = b.snapshot();

    b.actions->actionClearAllSelection();
    QCOMPARE(b.structure()->nodes().size(), nodes + 1);
    QVERIFY(b.structure()->nodes().contains(kept)); // the unselected node survives
    if (nodes == 1)
        QCOMPARE(b.structure()->members().first()->nodeA(), kept);
    QCOMPARE(b.stack()->count(), 1);
    b.stack()->undo();
    QCOMPARE(b.snapshot(), before);
}

void TestConsolidation::nodeOnMemberSplitsIt_data()
{
    QTest::addColumn<QString>("system");
    QTest::addColumn<Vector3>("position");
    QTest::addColumn<int>("members");
    QTest::newRow("on the line") << "Metric (UK)" << Vector3(1.3, 0.0, 0.0) << 2;
    QTest::newRow("rounds onto the line") << "Metric (UK)" << Vector3(2.0, 0.0004, 0.0) << 2;
    QTest::newRow("one step off") << "Metric (UK)" << Vector3(2.0, 0.001, 0.0) << 1;
    QTest::newRow("imperial near") << "Imperial (US)" << Vector3(2.032, 0.001, 0.0) << 2;
    QTest::newRow("imperial one step off") << "Imperial (US)" << Vector3(2.032, 0.00254, 0.0) << 1;
}

void TestConsolidation::nodeOnMemberSplitsIt()
{
    QFETCH(QString, system);
    QFETCH(Vector3, position);
    QFETCH(int, members);
    Bench b(system);
    const MemberRef member = b.member(b.node(0.0), b.node(4.064));
    const NodeRef dropped = b.node(position.x(), position.y(), position.z());
    b.select({dropped});
    b.actions->actionClearAllSelection();
    QCOMPARE(b.structure()->members().size(), members);
    if (members == 2) {
        QCOMPARE(member->nodeB(), dropped);
        QCOMPARE(b.structure()->members().at(1)->nodeA(), dropped);
    }
}

void TestConsolidation::splitSharesLoadsAndUndoJoins()
{
    Bench b;
    const MemberRef member = b.member(b.node(0.0), b.node(4.0));
    member->setPinAtB(true);
    const LoadRef point = b.pointLoad(member, 0.75, 1000.0);
    const LoadRef early = b.pointLoad(member, 0.25, 2000.0);
    b.trapezoidLoad(member, 0.0, 3000.0, 1.0, 3000.0);
    const NodeRef dropped = b.node(2.0);
    b.select({dropped});
    const QString before = b.snapshot();

    b.actions->actionClearAllSelection();
    QCOMPARE(b.structure()->members().size(), 2);
    const MemberRef piece = b.structure()->members().at(1);
    QVERIFY(!member->pinAtB());
    QVERIFY(piece->pinAtB()); // the release stays at the far end
    QCOMPARE(point->member(), piece);
    QCOMPARE(point->positionedForces().first().first, 0.5);
    QCOMPARE(early->member(), member);
    QCOMPARE(early->positionedForces().first().first, 0.5);
    int trapezoids = 0;
    for (const LoadRef& load : b.structure()->loads())
        if (qSharedPointerDynamicCast<TrapezoidLoad>(load)) {
            ++trapezoids;
            const QList<Load::PositionedForce> pairs = load->positionedForces();
            QCOMPARE(pairs.first(), Load::PositionedForce(0.0, 3000.0));
            QCOMPARE(pairs.last(), Load::PositionedForce(1.0, 3000.0));
        }
    QCOMPARE(trapezoids, 2);

    QCOMPARE(b.stack()->count(), 1);
    b.stack()->undo();
    QCOMPARE(b.snapshot(), before);
}

void TestConsolidation::roundsDeselectedNodesToTheGrid()
{
    Bench b;
    const NodeRef node = b.node(1.0004, 2.0, -0.0006);
    b.select({node});
    b.actions->actionClearAllSelection();
    QCOMPARE(node->position(), Vector3(1.0, 2.0, -0.001));
}

void TestConsolidation::zeroLengthMemberGoesWithItsLoads()
{
    Bench b;
    const NodeRef a = b.node(1.0);
    const MemberRef collapsed = b.member(a, b.node(1.0 + 1.0e-5));
    b.pointLoad(collapsed, 0.5, 1000.0);
    const MemberRef kept = b.member(a, b.node(1.0 + 1.52587890625e-05 * 1000));
    b.select({collapsed});
    b.actions->actionClearAllSelection();
    QCOMPARE(b.structure()->members(), QList<MemberRef>{kept});
    QVERIFY(b.structure()->loads().isEmpty());
    QCOMPARE(b.structure()->nodes().size(), 2); // the collapsed ends become one
}

void TestConsolidation::mergedNodeKeepsTheOnlyRestraint()
{
    Bench b;
    const NodeRef kept = b.node(3.0);
    const NodeRef fixed = b.node(3.001);
    const SupportRef support(VaroObject::make<Support>("Fixed", Dof(63)));
    fixed->setSupport(support);
    b.select({fixed});
    b.actions->actionClearAllSelection();
    QCOMPARE(b.structure()->nodes(), QList<NodeRef>{kept});
    QCOMPARE(kept->support(), support);
    b.stack()->undo();
    QVERIFY(!kept->support());
}

void TestConsolidation::duplicateMembersMergeOnlyInOneGroup_data()
{
    QTest::addColumn<bool>("reversed");
    QTest::addColumn<bool>("sameGroup");
    QTest::addColumn<int>("members");
    QTest::newRow("same way, same group") << false << true << 1;
    QTest::newRow("same way, other group") << false << false << 2;
    QTest::newRow("reversed, same group") << true << true << 1;
    QTest::newRow("reversed, other group") << true << false << 2;
}

void TestConsolidation::duplicateMembersMergeOnlyInOneGroup()
{
    QFETCH(bool, reversed);
    QFETCH(bool, sameGroup);
    QFETCH(int, members);
    Bench b;
    const GeometryGroupRef g1(VaroObject::make<GeometryGroup>("one"));
    const GeometryGroupRef g2(VaroObject::make<GeometryGroup>("two"));
    const NodeRef p = b.node(0.0);
    const NodeRef q = b.node(2.0);
    const MemberRef kept = b.member(p, q);
    kept->setGeometryGroup(g1);
    const MemberRef dup = reversed ? b.member(q, p) : b.member(p, q);
    dup->setGeometryGroup(sameGroup ? g1 : g2);
    const LoadRef load = b.pointLoad(dup, 0.2, 1000.0);
    b.select({dup});
    b.actions->actionClearAllSelection();
    QCOMPARE(b.structure()->members().size(), members);
    if (members == 1) {
        QCOMPARE(load->member(), kept);
        QCOMPARE(load->positionedForces().first().first, reversed ? 0.8 : 0.2);
    }
}

void TestConsolidation::equalLoadsMerge()
{
    Bench b;
    const MemberRef member = b.member(b.node(0.0), b.node(2.0));
    b.pointLoad(member, 0.5, 1000.0);
    const LoadRef same = b.pointLoad(member, 0.5, 1000.0);
    const LoadRef other = b.pointLoad(member, 0.5, 2000.0);
    b.select({same, other});
    b.actions->actionClearAllSelection();
    QCOMPARE(b.structure()->loads().size(), 2);
    QVERIFY(b.structure()->loads().contains(other));
}

VARO_TEST_MAIN(TestConsolidation)
#include "tst_consolidation.moc"

namespace {

// The model by where things are, not by which objects they are: sorted lines
// of nodes, members by their ends, loads by their member's ends.
QString geometryOf(const Bench& b)
{
    const auto at = [](const NodeRef& n) {
        const Vector3 p = positionOf(n);
        return QString("(%1 %2 %3)").arg(p.x(), 0, 'g', 12).arg(p.y(), 0, 'g', 12).arg(p.z(), 0, 'g', 12);
    };
    const auto ends = [&](const MemberRef& m) { return at(m->nodeA()) + "-" + at(m->nodeB()); };
    QStringList lines;
    for (const NodeRef& n : b.structure()->nodes())
        lines << "N " + at(n) + (n->support() ? " fixed" : "");
    for (const MemberRef& m : b.structure()->members())
        lines << QString("M %1 %2%3").arg(ends(m)).arg(m->pinAtA()).arg(m->pinAtB());
    for (const LoadRef& l : b.structure()->loads()) {
        QString pairs;
        for (const Load::PositionedForce& p : l->positionedForces())
            pairs += QString(" %1:%2").arg(p.first, 0, 'g', 12).arg(p.second, 0, 'g', 12);
        lines << "L " + ends(l->member()) + pairs;
    }
    lines.sort();
    return lines.join('\n');
}

// The node at the point, if any.
NodeRef nodeAt(const Bench& b, const Vector3& p)
{
    for (const NodeRef& n : b.structure()->nodes())
        if ((n->position() - p).length() < 1e-9)
            return n;
    return NodeRef();
}

} // namespace

// After its first run the engine looks only near what changed. The same
// edits on two documents, one of which is made to walk its whole unselected
// structure every time, give the same model at every step: a split with
// loads, a merge of nodes that makes a duplicate member and a duplicate
// load, a member moved to zero length, and a node moved while selected beside
// an unselected load.
void TestConsolidation::lookingNearChangesMatchesWalkingEverything()
{
    Bench near, whole;
    struct Step
    {
        std::function<void(Bench&)> edit;
        int nodes, members, loads;
    };
    // Per bench, in the same order: beam nodes 0..4 at x = 0..4 m, a rung
    // from (1, 1) to (3, 1), a node far away.
    const auto node = [](Bench& b, int i) { return b.structure()->nodes().at(i); };
    const auto clear = [](Bench& b) { b.actions->actionClearAllSelection(); };
    const QList<Step> steps = {
        // The far node, deselected: the first run, which walks everything.
        {[&](Bench& b) { b.select({node(b, 7)}), clear(b); }, 8, 5, 2},
        // Dropped 0.4 mm beside the middle of 2-3: rounded onto it, splits it
        // and its point load moves to the piece.
        {[&](Bench& b) { b.select({b.node(2.5, 0.0004)}), clear(b); }, 9, 6, 2},
        // 0.9 mm from the rung's end, with a copy of the rung and of its load:
        // one node, one rung, one load.
        {[&](Bench& b) {
             const NodeRef e = b.node(1.0009, 1.0);
             const MemberRef copy = b.member(e, node(b, 6));
             b.select(QList<VaroObjectRef>{e, copy, b.pointLoad(copy, 0.3335, 500.0)});
             clear(b);
         },
         9, 6, 2},
        // Node 4 moved onto node 3 while selected: member 3-4 goes, the two
        // nodes become one (either may survive: they are alike).
        {[&](Bench& b) {
             b.select({node(b, 4)});
             node(b, 4)->setPosition(Vector3(3.0, 0.0, 0.0));
             clear(b);
         },
         8, 5, 2},
        // The rung's end moved while selected: the unselected load on the
        // rung, whose length changes, is rounded anew to the millimetre.
        {[&](Bench& b) {
             const NodeRef end = nodeAt(b, Vector3(1.0, 1.0, 0.0));
             b.select({end});
             end->setPosition(Vector3(1.25, 1.0, 0.0));
             LoadRef onRung;
             for (const LoadRef& load : b.structure()->loads())
                 if (load->positionedForces().first().second == 500.0)
                     onRung = load;
             const double p = onRung->positionedForces().first().first * 1.75;
             clear(b);
             QCOMPARE(onRung->positionedForces().first().first, std::round(p * 1000.0) / 1000.0 / 1.75);
         },
         8, 5, 2},
    };
    for (Bench* b : {&near, &whole}) {
        for (int i = 0; i <= 4; ++i)
            b->node(i);
        const NodeRef left = b->node(1.0, 1.0);
        const MemberRef rung = b->member(left, b->node(3.0, 1.0));
        for (int i = 0; i < 4; ++i)
            b->member(b->structure()->nodes().at(i), b->structure()->nodes().at(i + 1));
        b->node(10.0, 10.0);
        b->pointLoad(rung, 1.0 / 3.0, 500.0);
        b->pointLoad(b->structure()->members().at(3), 0.7, 200.0);
    }
    QCOMPARE(geometryOf(near), geometryOf(whole));
    for (int i = 0; i < steps.size(); ++i) {
        steps[i].edit(near);
        whole.actions->forgetConsolidatedState();
        steps[i].edit(whole);
        QCOMPARE(geometryOf(near), geometryOf(whole));
        const QString at = QString("step %1").arg(i);
        QVERIFY2(near.structure()->nodes().size() == steps[i].nodes, qPrintable(at));
        QVERIFY2(near.structure()->members().size() == steps[i].members, qPrintable(at));
        QVERIFY2(near.structure()->loads().size() == steps[i].loads, qPrintable(at));
    }
    // Split at its middle, the load at 0.7 lies at 0.4 of the second half.
    QVERIFY(geometryOf(near).contains("L (2.5 0 0)-(3 0 0) 0.4:200"));
}

// Objects that come back unchanged to the structure that the last run left
// consolidated need nothing; but one that was still selected then, or a
// change made since, is consolidated as when the whole structure is walked
// at every run.
void TestConsolidation::unchangedObjectsComeBackConsolidated()
{
    Bench near, whole;
    // The walking bench forgets what it knew before every run.
    const auto clear = [&whole](Bench& b) {
        if (&b == &whole)
            b.actions->forgetConsolidatedState();
        b.actions->actionClearAllSelection();
    };
    const auto at = [](Bench& b, double x, double y) { return nodeAt(b, Vector3(x, y, 0.0)); };
    struct Step
    {
        std::function<void(Bench&)> edit;
        int nodes;
    };
    const QList<Step> steps = {
        // The far node, deselected: the first run.
        {[&](Bench& b) { b.select({at(b, 10, 10)}), clear(b); }, 7},
        // A member and its nodes, selected and deselected unchanged.
        {[&](Bench& b) {
             b.select(QList<VaroObjectRef>{at(b, 0, 0), at(b, 3, 0), b.structure()->members().first()});
             clear(b);
         },
         7},
        // Two nodes selected, the second put onto the first and clicked
        // away: the first, still selected, stays apart; deselected unchanged
        // afterwards, it takes the other in.
        {[&](Bench& b) {
             const NodeRef c = at(b, 6, 0), d = at(b, 8, 0);
             b.select({c, d});
             d->setPosition(Vector3(6, 0, 0));
             if (&b == &whole)
                 b.actions->forgetConsolidatedState();
             b.actions->actionClickOnObject(d);
             QCOMPARE(b.structure()->nodes().size(), 7);
             clear(b);
         },
         6},
        // An unselected node put onto another, as an undo might, then an
        // unchanged node selected and deselected: the change is consolidated.
        {[&](Bench& b) {
             at(b, 0, 5)->setPosition(Vector3(2, 5, 0));
             b.select({at(b, 10, 10)});
             clear(b);
         },
         5},
    };
    for (Bench* b : {&near, &whole}) {
        b->member(b->node(0.0), b->node(3.0));
        for (const QPointF& p : {QPointF(6, 0), QPointF(8, 0), QPointF(0, 5), QPointF(2, 5), QPointF(10, 10)})
            b->node(p.x(), p.y());
    }
    for (int i = 0; i < steps.size(); ++i) {
        steps[i].edit(near);
        steps[i].edit(whole);
        const QString step = QString("step %1").arg(i);
        QVERIFY2(geometryOf(near) == geometryOf(whole), qPrintable(step));
        QVERIFY2(near.structure()->nodes().size() == steps[i].nodes, qPrintable(step));
    }
}

// A change of units reaches every unselected object at the next
// consolidation, however far from what was deselected, as the grid changed.
void TestConsolidation::newUnitsRoundTheWholeStructureAgain()
{
    Bench b;
    const NodeRef far = b.node(1.003);
    const NodeRef clicked = b.node(-5.0);
    b.actions->actionClickOnObject(clicked);
    b.actions->actionClickOnObject(clicked); // the first run, over everything
    QCOMPARE(far->position().x(), 1.003);
    b.units->setChosenSystem("Imperial (US)");
    b.actions->actionClickOnObject(clicked);
    b.actions->actionClickOnObject(clicked);
    // 1.003 m is 39.488 in, on the 0.1 in grid 39.5 in.
    QCOMPARE(far->position().x(), 39.5 * 0.0254);
}

void TestConsolidation::loadsKeepWhatWasTypedInTheirUnits_data()
{
    QTest::addColumn<QString>("system");
    QTest::addColumn<double>("unit"); // of force, N
    QTest::addColumn<double>("length"); // of the unit's length, m
    QTest::newRow("metric") << "Metric (UK)" << 1000.0 << 1.0;
    QTest::newRow("imperial") << "Imperial (US)" << 4448.2216152605 << 0.3048;
}

// A point load, a torque and a distributed load, each typed in its own
// unit, stay as typed when they leave the selection; a value between the
// unit's thousandths goes to the nearest.
void TestConsolidation::loadsKeepWhatWasTypedInTheirUnits()
{
    QFETCH(QString, system);
    QFETCH(double, unit);
    QFETCH(double, length);
    Bench b(system);
    const MemberRef member = b.member(b.node(0.0), b.node(20 * length));
    const LoadRef point = b.pointLoad(member, 0.5, -20.0 * unit);
    const LoadRef torque = b.defaultLoad<TorqueLoad>(member, b.loading());
    torque->setPositionedForces({{0.5, 16.0 * unit * length}});
    const LoadRef spread = b.trapezoidLoad(member, 0.0, -1.0 * unit / length, 1.0, -1.0004 * unit / length);
    b.select({point, torque, spread});
    b.actions->actionClearAllSelection();
    QCOMPARE(point->positionedForces().first().second / unit, -20.0);
    QCOMPARE(torque->positionedForces().first().second / (unit * length), 16.0);
    QCOMPARE(spread->positionedForces().first().second / (unit / length), -1.0);
    QCOMPARE(spread->positionedForces().last().second / (unit / length), -1.0);
}

void TestConsolidation::memberOverANodeMeetsItOnlyWhenOneIsTouched_data()
{
    QTest::addColumn<bool>("split");
    QTest::addColumn<int>("comeBack"); // 0 nothing, 1 the top, 2 the top and the landing
    QTest::addColumn<bool>("whole");
    for (bool whole : {false, true}) {
        const QString walk = whole ? " (whole structure)" : "";
        QTest::newRow(qPrintable("split at the node" + walk)) << true << 0 << whole;
        QTest::newRow(qPrintable("drawn over the node" + walk)) << false << 0 << whole;
        QTest::newRow(qPrintable("drawn over, node deselected" + walk)) << false << 1 << whole;
        QTest::newRow(qPrintable("drawn over, both deselected" + walk)) << false << 2 << whole;
    }
}

// A landing from (0, 3, 2) to (0, 3, -2) over the top of a column at
// (0, 3, 0). Split at its midpoint, the new node merges into the column top
// once deselected and the two halves stay apart. Drawn over the top, it
// passes it unjoined, as it touches no node there, until the top itself
// comes back from the selection and splits it. Looking near what changed
// gives the same as walking the whole structure every time.
void TestConsolidation::memberOverANodeMeetsItOnlyWhenOneIsTouched()
{
    QFETCH(bool, split);
    QFETCH(int, comeBack);
    QFETCH(bool, whole);
    Bench b;
    const auto act = [&](const std::function<void()>& action) {
        if (whole)
            b.actions->forgetConsolidatedState();
        action();
    };
    const NodeRef top = b.node(0.0, 3.0);
    const MemberRef column = b.member(b.node(0.0), top);
    const NodeRef a = b.node(0.0, 3.0, 2.0);
    const NodeRef c = b.node(0.0, 3.0, -2.0);
    const NodeRef far = b.node(10.0, 10.0);
    b.actions->actionClickOnObject(far);
    b.actions->actionClickOnObject(far); // the first run, over everything
    b.actions->actionClickOnObject(a);
    b.actions->actionClickOnObject(c);
    act([&] { b.actions->actionAddMembers(GeometryGroupRef()); });
    const MemberRef landing = b.selection()->selectedMembers().value(0);
    QVERIFY(landing);
    act([&] { b.actions->actionClearAllSelection(); });
    if (split) {
        act([&] { b.actions->actionClickOnObject(landing); });
        b.actions->actionSplitMembers();
        QCOMPARE(b.structure()->nodes().size(), 6); // the new node waits on the top
        act([&] { b.actions->actionClearAllSelection(); });
    }
    if (comeBack > 0) {
        b.select({top});
        if (comeBack == 2)
            b.select({landing});
        act([&] { b.actions->actionClearAllSelection(); });
    }
    QVERIFY(b.selection()->selection().isEmpty());
    QCOMPARE(b.structure()->nodes().size(), 5);
    QVERIFY(b.structure()->nodes().contains(top));
    QCOMPARE(column->nodeB(), top);
    QCOMPARE(landing->nodeA(), a);
    if (split || comeBack > 0) {
        QCOMPARE(b.structure()->members().size(), 3);
        QCOMPARE(landing->nodeB(), top);
        const MemberRef piece = b.structure()->members().last();
        QCOMPARE(piece->nodeA(), top);
        QCOMPARE(piece->nodeB(), c);
    } else {
        QCOMPARE(b.structure()->members().size(), 2);
        QCOMPARE(landing->nodeB(), c);
    }
}
