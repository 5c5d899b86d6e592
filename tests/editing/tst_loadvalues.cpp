#include "EditingTesting.h"

#include "LoadAxis.h"

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

class TestLoadValues : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void forceChangesOnlyTheMastersKind();
    void dragIsOneUndoStep();
    void undoOfAReorderingMoveRestoresEveryPair();
    void refusals_data();
    void refusals();
    void span_data();
    void span();
    void axisOfEverySelectedLoad();

private:
    Bench* d = nullptr;
    QSharedPointer<TrapezoidLoad> t1, t2;
    QSharedPointer<PointLoad> p;
};

void TestLoadValues::init()
{
    d = new Bench;
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

void TestLoadValues::cleanup()
{
    delete d;
}

void TestLoadValues::forceChangesOnlyTheMastersKind()
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

void TestLoadValues::dragIsOneUndoStep()
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

void TestLoadValues::undoOfAReorderingMoveRestoresEveryPair()
{
    const QList<Load::PositionedForce> before = t1->positionedForces();
    // The first pair moves past the second, so the pairs change places.
    d->actions->actionSetLoadPositionAtIndexMerged(valueOf(0.7), referenceTo(t1, 0));
    d->actions->actionSetLoadPositionAtIndexMerged(valueOf(0.9), referenceTo(t1, 1));
    QCOMPARE(t1->positionedForces(), (QList<Load::PositionedForce>{{0.6, -3000.0}, {0.9, -1000.0}}));
    d->actions->actionUndo();
    QCOMPARE(t1->positionedForces(), before);
    d->actions->actionRedo();
    QCOMPARE(t1->positionedForces(), (QList<Load::PositionedForce>{{0.6, -3000.0}, {0.9, -1000.0}}));
}

void TestLoadValues::refusals_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("shortLoad");
    QTest::addColumn<QString>("message");
    QTest::newRow("past the master's pairs") << 2 << false << "Master selected load has insufficient loading points";
    QTest::newRow("past another load's pairs") << 1 << true << "Master selected load has insufficient loading points";
}

void TestLoadValues::refusals()
{
    QFETCH(int, index);
    QFETCH(bool, shortLoad);
    QFETCH(QString, message);
    if (shortLoad)
        t2->setPositionedForces({{0.5, -10.0}});
    const QList<Load::PositionedForce> before = t2->positionedForces();
    CalculatorReference reference = referenceTo(t1, 0);
    reference.insert(QStringLiteral("index"), index);
    d->actions->actionSetLoadForceAtIndex(valueOf(-7.0), reference);
    d->actions->actionSetLoadPositionAtIndex(valueOf(0.1), reference);
    QCOMPARE(d->warnings.size(), 2);
    QCOMPARE(d->lastWarning(), message);
    QCOMPARE(d->stack()->count(), 0);
    QCOMPARE(t2->positionedForces(), before);

    // A master that cannot be read changes nothing and says nothing.
    d->actions->actionSetLoadForceAtIndex(valueOf(-7.0), CalculatorReference());
    d->doc->selectionModel()->deselectAll();
    d->actions->actionSetLoadForceAtIndex(valueOf(-7.0), referenceTo(t1, 0));
    QCOMPARE(d->lastWarning(), QStringLiteral("No loads are selected"));
    QCOMPARE(d->warnings.size(), 3);
}

void TestLoadValues::span_data()
{
    QTest::addColumn<double>("start");
    QTest::addColumn<double>("end");
    QTest::addColumn<double>("newStart");
    QTest::addColumn<double>("newEnd");
    QTest::newRow("about the midpoint") << -0.1 << 0.1 << 0.3 << 0.5;
    QTest::newRow("shifted back from the far end") << 0.5 << 0.7 << 0.8 << 1.0;
    QTest::newRow("cut to the member") << -0.6 << 0.6 << 0.0 << 1.0;
}

void TestLoadValues::span()
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

void TestLoadValues::axisOfEverySelectedLoad()
{
    const LoadAxisRef axis(new LoadAxis);
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

QTEST_MAIN(TestLoadValues)
#include "tst_loadvalues.moc"
