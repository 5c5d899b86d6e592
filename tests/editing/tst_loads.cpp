#include "EditingTesting.h"

#include "GravityCase.h"
#include "TorqueLoad.h"

#include <QtTest>

class TestLoads : public QObject
{
    Q_OBJECT

private slots:
    void patternIsCopiedOntoTheOtherSelectedMembers();
    void defaultLoadWithoutPattern();
    void addingRefuses_data();
    void addingRefuses();
    void deletingRemovesOnlyLoads();
    void movingSkipsLoadsAlreadyThere();
    void movingRefuses();
};

void TestLoads::patternIsCopiedOntoTheOtherSelectedMembers()
{
    Bench d;
    const QList<MemberRef> m = d.beam(3);
    const LoadingRef other(new Loading(QStringLiteral("Other")));
    d.doc->libraries()->loadCaseLibrary()->append(other);
    const QSharedPointer<PointLoad> pattern = PointLoad::makeDefault(other);
    pattern->setMember(m[0]);
    pattern->setForceAtIndex(-2500.0, 0);
    d.doc->structureModel()->appendObjects({pattern});
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
    const QSharedPointer<PointLoad> ignored = PointLoad::makeDefault(d.loading());
    ignored->setMember(m[0]);
    d.doc->structureModel()->appendObjects({ignored});
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
    QFETCH(QString, message);
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
    if (setup == 3) {
        const QSharedPointer<TorqueLoad> pattern = TorqueLoad::makeDefault(d.loading());
        pattern->setMember(m[0]);
        d.doc->structureModel()->appendObjects({pattern});
        d.select(QList<QSharedPointer<TorqueLoad>>{pattern});
    }
    if (setup == 4) {
        // A second member before the degenerate one: nothing may be added at all.
        const MemberRef zero = d.member(m[0]->nodeA(), d.node(0, 0, 0));
        d.select(QList<MemberRef>{zero});
    }
    const int loads = d.doc->structureModel()->loads().size();

    d.actions->actionAddTorqueLoad(loading);

    QCOMPARE(d.lastWarning(), message);
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

    const QSharedPointer<PointLoad> load = PointLoad::makeDefault(d.loading());
    load->setMember(m[0]);
    d.doc->structureModel()->appendObjects({load});
    d.select(QList<QSharedPointer<PointLoad>>{load});
    d.select(QList<NodeRef>{m[0]->nodeA()});

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
    const QList<MemberRef> m = d.beam(2);
    const LoadingRef target(new Loading(QStringLiteral("Target")));
    d.doc->libraries()->loadCaseLibrary()->append(target);
    const QSharedPointer<PointLoad> a = PointLoad::makeDefault(d.loading());
    const QSharedPointer<PointLoad> b = PointLoad::makeDefault(target);
    a->setMember(m[0]);
    b->setMember(m[1]);
    d.doc->structureModel()->appendObjects({a, b});
    d.select(QList<QSharedPointer<PointLoad>>{a, b});

    d.actions->actionMoveSelectedLoadsToLoading(target);
    QCOMPARE(a->loadCase(), LoadCaseRef(target));
    QCOMPARE(d.stack()->undoText(), QStringLiteral("Move loads to load-case"));

    d.actions->actionMoveSelectedLoadsToLoading(target);
    QCOMPARE(d.lastWarning(), QStringLiteral("Nothing to move"));
    QCOMPARE(d.stack()->count(), 1);

    d.actions->actionUndo();
    QCOMPARE(a->loadCase(), LoadCaseRef(d.loading()));
    QCOMPARE(b->loadCase(), LoadCaseRef(target));
}

void TestLoads::movingRefuses()
{
    Bench d;
    d.actions->actionMoveSelectedLoadsToLoading(LoadingRef(new Loading(QStringLiteral("Stray"))));
    QCOMPARE(d.lastWarning(), QStringLiteral("Current load-case is invalid"));
    d.actions->actionMoveSelectedLoadsToLoading(d.loading());
    QCOMPARE(d.lastWarning(), QStringLiteral("Nothing to move"));
    QCOMPARE(d.stack()->count(), 0);
}

QTEST_MAIN(TestLoads)
#include "tst_loads.moc"
