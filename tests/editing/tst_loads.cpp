#include "EditingTesting.h"

#include "LoadAxis.h"
#include "TorqueLoad.h"
#include "TestMain.h"

#include <QtTest>

namespace {

CalculatorReference referenceTo(const LoadRef& master, int index)
{
    CalculatorReference reference;
    reference.insert(QStringLiteral("masterLoad"), QVariant::fromValue(master));
    if (index >= 0)
        reference.insert(QStringLiteral("index"), index);
    return reference;
}

Vector4 valueOf(double x, double y = 0.0)
{
    return Vector4{x, y, 0.0, 1.0};
}

} // namespace

// Adding, deleting and moving loads; then, on two trapezoid loads and a point
// load all selected, the edits of their values.
class TestLoads : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void patternIsCopiedOntoTheOtherSelectedMembers();
    void defaultLoadWithoutPattern();
    void addingRefuses_data();
    void addingRefuses();
    void deletingRemovesOnlyLoads();
    void movingSkipsLoadsAlreadyThere();
    void forceChangesOnlyTheMastersKind();
    void dragIsOneUndoStep();
    void undoOfAReorderingMoveRestoresEveryPair();
    void refusals_data();
    void refusals();
    void span_data();
    void span();
    void axisOfEverySelectedLoad();

private:
    QScopedPointer<Bench> d; // the value tests' bench
    QSharedPointer<TrapezoidLoad> t1, t2;
    QSharedPointer<PointLoad> p;
};

void TestLoads::patternIsCopiedOntoTheOtherSelectedMembers()
{
    Bench d;
    const QList<MemberRef> m = d.beam(3);
    const LoadingRef other(VaroObject::make<Loading>(QStringLiteral("Other")));
    d.doc->libraries()->loadCaseLibrary()->append(other);
    const QSharedPointer<PointLoad> pattern = d.defaultLoad<PointLoad>(m[0], other);
    pattern->setForceAtIndex(-2500.0, 0);
    d.select(QList<VaroObjectRef>{m[0], m[1], pattern, m[2]});

    d.actions->actionAddPointLoad(d.loading());

    const QList<LoadRef> made = d.doc->selectionModel()->selectedLoads();
    QCOMPARE(made.size(), 2);
    QCOMPARE(made[0]->member(), m[1]);
    QCOMPARE(made[1]->member(), m[2]);
    QCOMPARE(d.doc->selectionModel()->master(), VaroObjectRef(made[1]));
    QVERIFY(made[0]->timeStamp() < made[1]->timeStamp());
    for (const LoadRef& load : made) {
        QCOMPARE(load->loadCase(), LoadCaseRef(d.loading()));
        QCOMPARE(load->positionedForces(), pattern->positionedForces());
        QCOMPARE(load->axis(), pattern->axis());
    }
    QCOMPARE(d.stack()->count(), 1);
    QCOMPARE(d.stack()->undoText(), QStringLiteral("Add loads"));

    d.actions->actionUndo();
    QCOMPARE(d.doc->structureModel()->loads().size(), 1);
    QCOMPARE(d.doc->selectionModel()->selection().size(), 4);
}

void TestLoads::defaultLoadWithoutPattern()
{
    Bench d;
    const QList<MemberRef> m = d.beam(2);
    const QSharedPointer<PointLoad> ignored = d.defaultLoad<PointLoad>(m[0], d.loading());
    d.select(QList<VaroObjectRef>{ignored, m[0], m[1]});

    d.actions->actionAddTrapezoidLoad(d.loading());

    const QList<QSharedPointer<TrapezoidLoad>> made = d.doc->selectionModel()->selectedTrapezoidLoads();
    QCOMPARE(made.size(), 2);
    QCOMPARE(made[0]->positionedForces().size(), 2);
    QVERIFY(d.warnings.isEmpty());
}

void TestLoads::addingRefuses_data()
{
    QTest::addColumn<int>("setup");
    QTest::addColumn<QString>("message");
    QTest::newRow("null loading") << 0 << "Current load-case is invalid";
    QTest::newRow("gravity case") << 1 << "Current load-case is invalid";
    QTest::newRow("no member") << 2 << "No members selected";
    QTest::newRow("only the pattern's member") << 3 << "No members selected beyond that of the master load";
    QTest::newRow("member without length") << 4
                                           << "Members must have valid orientiations before loads can be applied";
}

void TestLoads::addingRefuses()
{
    QFETCH(int, setup);
    Bench d;
    const QList<MemberRef> m = d.beam(1);
    LoadingRef loading = d.loading();
    if (setup == 0)
        loading.reset();
    if (setup == 1) {
        // A gravity case is a load case but no loading.
        const LoadCaseRef gravity = d.doc->libraries()->loadCaseLibrary()->autoCases().first();
        loading = gravity.objectCast<Loading>();
        QVERIFY(!loading);
    }
    if (setup != 2)
        d.select(m);
    if (setup == 3)
        d.select(QList<VaroObjectRef>{d.defaultLoad<TorqueLoad>(m[0], d.loading())});
    if (setup == 4) // a second member before the degenerate one: nothing may be added at all
        d.select(QList<VaroObjectRef>{d.member(m[0]->nodeA(), d.node(0, 0, 0))});
    const int loads = d.doc->structureModel()->loads().size();

    d.actions->actionAddTorqueLoad(loading);

    QTEST(d.lastWarning(), "message");
    QCOMPARE(d.warnings.size(), 1);
    QCOMPARE(d.stack()->count(), 0);
    QCOMPARE(d.doc->structureModel()->loads().size(), loads);
}

void TestLoads::deletingRemovesOnlyLoads()
{
    Bench d;
    const QList<MemberRef> m = d.beam(1);
    d.select(m);
    d.actions->actionDeleteSelectedLoads();
    QCOMPARE(d.lastWarning(), QStringLiteral("No loads selected (any other items will not be deleted by this action)"));

    const LoadRef load = d.defaultLoad<PointLoad>(m[0], d.loading());
    d.select(QList<VaroObjectRef>{load, m[0]->nodeA()});

    d.actions->actionDeleteSelectedLoads();
    QVERIFY(d.doc->structureModel()->loads().isEmpty());
    QCOMPARE(d.doc->selectionModel()->selection(), (QList<VaroObjectRef>{m[0], m[0]->nodeA()}));
    QCOMPARE(d.stack()->undoText(), QStringLiteral("Delete selected loads"));

    d.actions->actionUndo();
    QCOMPARE(d.doc->structureModel()->loads().size(), 1);
    QCOMPARE(d.doc->selectionModel()->selection(), (QList<VaroObjectRef>{m[0], load, m[0]->nodeA()}));
}

void TestLoads::movingSkipsLoadsAlreadyThere()
{
    Bench d;
    d.actions->actionMoveSelectedLoadsToLoading(VaroObject::make<Loading>(QStringLiteral("Stray")));
    QCOMPARE(d.lastWarning(), QStringLiteral("Current load-case is invalid"));
    d.actions->actionMoveSelectedLoadsToLoading(d.loading());
    QCOMPARE(d.lastWarning(), QStringLiteral("Nothing to move"));
    QCOMPARE(d.stack()->count(), 0);

    const QList<MemberRef> m = d.beam(2);
    const LoadingRef target(VaroObject::make<Loading>(QStringLiteral("Target")));
    d.doc->libraries()->loadCaseLibrary()->append(target);
    const LoadRef a = d.defaultLoad<PointLoad>(m[0], d.loading()), b = d.defaultLoad<PointLoad>(m[1], target);
    d.select(QList<VaroObjectRef>{a, b});
    d.actions->actionMoveSelectedLoadsToLoading(target);
    QCOMPARE(a->loadCase(), LoadCaseRef(target));
    QCOMPARE(d.stack()->undoText(), QStringLiteral("Move loads to load-case"));

    d.actions->actionMoveSelectedLoadsToLoading(target);
    QCOMPARE(d.warnings.size(), 3);
    QCOMPARE(d.stack()->count(), 1);

    d.actions->actionUndo();
    QCOMPARE(a->loadCase(), LoadCaseRef(d.loading()));
    QCOMPARE(b->loadCase(), LoadCaseRef(target));
}

void TestLoads::init()
{
    d.reset(new Bench);
    const QList<MemberRef> m = d->beam(2);
    t1 = TrapezoidLoad::makeDefault(d->loading());
    t2 = TrapezoidLoad::makeDefault(d->loading());
    p = PointLoad::makeDefault(d->loading());
    t1->setMember(m[0]);
    t2->setMember(m[1]);
    p->setMember(m[1]);
    t1->setPositionedForces({{0.2, -1000.0}, {0.6, -3000.0}});
    d->doc->structureModel()->appendObjects({t1, t2, p});
    d->select(QList<LoadRef>{p, t1, t2});
}

void TestLoads::forceChangesOnlyTheMastersKind()
{
    const double pointForce = p->positionedForces().first().second;
    d->actions->actionSetLoadForceAtIndex(valueOf(-5000.0), referenceTo(t1, 1));
    QCOMPARE(t1->positionedForces().at(1).second, -5000.0);
    QCOMPARE(t2->positionedForces().at(1).second, -5000.0);
    QCOMPARE(p->positionedForces().first().second, pointForce);

    // Without "index" the first pair is meant; a zero force keeps the floor.
    d->actions->actionSetLoadForceAtIndex(valueOf(0.0), referenceTo(t1, -1));
    QCOMPARE(t1->positionedForces().at(0).second, 0.0009765625);
    QCOMPARE(d->stack()->count(), 2);
}

void TestLoads::dragIsOneUndoStep()
{
    for (double f : {-1100.0, -1200.0, -1300.0})
        d->actions->actionSetLoadForceAtIndexMerged(valueOf(f), referenceTo(t1, 0));
    for (double x : {0.25, 0.3})
        d->actions->actionSetLoadPositionAtIndexMerged(valueOf(x), referenceTo(t1, 0));
    QCOMPARE(d->stack()->count(), 2);
    QCOMPARE(t1->positionedForces().at(0), Load::PositionedForce(0.3, -1300.0));

    d->actions->actionUndo();
    d->actions->actionUndo();
    QCOMPARE(t1->positionedForces().at(0), Load::PositionedForce(0.2, -1000.0));

    d->actions->actionSetLoadForceAtIndex(valueOf(-1.0), referenceTo(t1, 0));
    d->actions->actionSetLoadForceAtIndex(valueOf(-2.0), referenceTo(t1, 0));
    QCOMPARE(d->stack()->count(), 2);
}

void TestLoads::undoOfAReorderingMoveRestoresEveryPair()
{
    const QList<Load::PositionedForce> before = t1->positionedForces();
    // The first pair moves past the second, so the pairs change places; the
    // drag of the other handle that follows is a step of its own.
    d->actions->actionSetLoadPositionAtIndexMerged(valueOf(0.7), referenceTo(t1, 0));
    const QList<Load::PositionedForce> reordered{{0.6, -3000.0}, {0.7, -1000.0}};
    QCOMPARE(t1->positionedForces(), reordered);
    d->actions->actionSetLoadPositionAtIndexMerged(valueOf(0.9), referenceTo(t1, 1));
    QCOMPARE(d->stack()->count(), 2);
    d->actions->actionUndo();
    QCOMPARE(t1->positionedForces(), reordered);
    d->actions->actionUndo();
    QCOMPARE(t1->positionedForces(), before);
    d->actions->actionRedo();
    QCOMPARE(t1->positionedForces(), reordered);
}

void TestLoads::refusals_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("shortLoad");
    QTest::addColumn<QString>("message");
    QTest::newRow("past the master's pairs") << 2 << false << "Master selected load has insufficient loading points";
    QTest::newRow("past another load's pairs") << 1 << true << "Master selected load has insufficient loading points";
}

void TestLoads::refusals()
{
    QFETCH(int, index);
    QFETCH(bool, shortLoad);
    if (shortLoad)
        t2->setPositionedForces({{0.5, -10.0}});
    const QList<Load::PositionedForce> before = t2->positionedForces();
    CalculatorReference reference = referenceTo(t1, 0);
    reference.insert(QStringLiteral("index"), index);
    d->actions->actionSetLoadForceAtIndex(valueOf(-7.0), reference);
    d->actions->actionSetLoadPositionAtIndex(valueOf(0.1), reference);
    QCOMPARE(d->warnings.size(), 2);
    QTEST(d->lastWarning(), "message");
    QCOMPARE(d->stack()->count(), 0);
    QCOMPARE(t2->positionedForces(), before);

    // A master that cannot be read changes nothing and says nothing.
    d->actions->actionSetLoadForceAtIndex(valueOf(-7.0), CalculatorReference());
    d->doc->selectionModel()->deselectAll();
    d->actions->actionSetLoadForceAtIndex(valueOf(-7.0), referenceTo(t1, 0));
    QCOMPARE(d->lastWarning(), QStringLiteral("No loads are selected"));
    QCOMPARE(d->warnings.size(), 3);
}

void TestLoads::span_data()
{
    QTest::addColumn<double>("start");
    QTest::addColumn<double>("end");
    QTest::addColumn<double>("newStart");
    QTest::addColumn<double>("newEnd");
    QTest::newRow("about the midpoint") << -0.1 << 0.1 << 0.3 << 0.5;
    QTest::newRow("shifted back from the far end") << 0.5 << 0.7 << 0.8 << 1.0;
    QTest::newRow("cut to the member") << -0.6 << 0.6 << 0.0 << 1.0;
}

void TestLoads::span()
{
    QFETCH(double, start);
    QFETCH(double, end);
    QFETCH(double, newStart);
    QFETCH(double, newEnd);
    d->actions->actionAdjustLoadSpanFromIndex(valueOf(start, end), referenceTo(t1, -1));
    QVERIFY(qAbs(t1->span().first - newStart) < 1e-12);
    QVERIFY(qAbs(t1->span().second - newEnd) < 1e-12);
    QCOMPARE(p->positionedForces().size(), 1);
    QCOMPARE(d->stack()->count(), 1);
}

void TestLoads::axisOfEverySelectedLoad()
{
    const LoadAxisRef axis(VaroObject::make<LoadAxis>());
    const LoadAxisRef before = p->axis();
    d->actions->actionSetLoadAxis(axis);
    QCOMPARE(p->axis(), axis);
    QCOMPARE(t2->axis(), axis);
    d->actions->actionUndo();
    QCOMPARE(p->axis(), before);

    d->doc->selectionModel()->deselectAll();
    d->actions->actionSetLoadAxis(axis);
    QCOMPARE(d->lastWarning(), QStringLiteral("No loads are selected."));
    d->actions->actionAdjustLoadSpanFromIndex(valueOf(0.2, 0.2), referenceTo(t1, -1));
    QCOMPARE(d->lastWarning(), QStringLiteral("Requested load span is too short"));
    d->actions->actionAdjustLoadSpanFromIndex(valueOf(0.2, 0.4), referenceTo(t1, -1));
    QCOMPARE(d->lastWarning(), QStringLiteral("No loads are selected"));
}

VARO_TEST_MAIN(TestLoads)
#include "tst_loads.moc"
