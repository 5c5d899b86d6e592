#include "ActionDocument.h"

#include "ReportModel.h"
#include "Support.h"
#include "ViewPointMemory.h"

#include <QtTest>

class TestHistory : public QObject
{
    Q_OBJECT

private slots:
    void reportEditsStayOnTheirOwnStack();
    void removedItemsReturnToTheirPlace_data();
    void removedItemsReturnToTheirPlace();
    void viewPointSlots();
    void undoAndRedoOfStructureEdits();
};

void TestHistory::reportEditsStayOnTheirOwnStack()
{
    ActionDocument d;
    d.actions->actionSetViewPointMemory(1, ViewPointRef(new ViewPoint));
    d.actions->actionAddReport();
    QCOMPARE(d.document->reportModel()->reports().size(), 1);
    QCOMPARE(d.document->reportUndoStack()->count(), 1);
    QCOMPARE(d.undoStack()->count(), 1);

    d.actions->actionUndo();
    QCOMPARE(d.document->reportModel()->reports().size(), 1);
    QVERIFY(!d.document->viewPointMemory()->valueAt(1));
    QVERIFY(d.document->isModified());

    d.actions->actionDeleteReport(d.document->reportModel()->reports().first());
    QVERIFY(d.document->reportModel()->reports().isEmpty());
}

void TestHistory::removedItemsReturnToTheirPlace_data()
{
    QTest::addColumn<int>("removed");
    QTest::newRow("middle") << 1;
    QTest::newRow("last") << 2;
}

void TestHistory::removedItemsReturnToTheirPlace()
{
    QFETCH(int, removed);
    ActionDocument d;
    d.actions->actionAddReport();
    const ReportRef report = d.document->reportModel()->reports().first();
    const Report::ReportBlockRef block = report->rootBlock();
    QList<Report::ReportItemRef> items;
    for (const QString& chapter : {Report::ChapterNodeInput, Report::ChapterMemberInput, Report::ChapterLoadInput}) {
        items.append(Report::ReportItemRef(new Report::ReportItem(chapter)));
        d.actions->actionInsertItemIntoReport(report, block, items.last());
    }
    // Inserting one again changes nothing; a null neighbour appends.
    d.actions->actionInsertItemIntoReport(report, block, items[0], items[2]);
    QCOMPARE(block->items(), items);

    d.actions->actionRemoveItemFromReport(report, block, items[removed]);
    QCOMPARE(block->items().size(), 2);
    d.document->reportUndoStack()->undo();
    QCOMPARE(block->items(), items);

    const LoadCaseRef loading = d.loading();
    d.actions->actionInsertLoadCaseIntoReport(report, block, loading);
    QCOMPARE(block->loadCases(), QList<LoadCaseRef>{loading});
    d.actions->actionRemoveLoadCaseFromReport(report, block, loading);
    QVERIFY(block->loadCases().isEmpty());
    QCOMPARE(d.undoStack()->count(), 0);
}

void TestHistory::viewPointSlots()
{
    ActionDocument d;
    const QSharedPointer<ViewPointMemory> memory = d.document->viewPointMemory();
    QSignalSpy changedAt(memory.data(), &ViewPointMemory::ValueChangedAt);
    const ViewPointRef first(new ViewPoint), second(new ViewPoint);
    d.actions->actionSetViewPointMemory(3, first);
    d.actions->actionSetViewPointMemory(3, second);
    QCOMPARE(memory->valueAt(3), second);
    QCOMPARE(d.undoStack()->undoText(), QStringLiteral("Set viewpoint memory"));
    QCOMPARE(changedAt.last().first().toInt(), 3);

    d.actions->actionUndo();
    QCOMPARE(memory->valueAt(3), first);
    d.actions->actionUndo();
    QVERIFY(!memory->valueAt(3));
    d.actions->actionUndo();
    QVERIFY(!memory->valueAt(3));
    d.actions->actionRedo();
    QCOMPARE(memory->valueAt(3), first);
}

void TestHistory::undoAndRedoOfStructureEdits()
{
    ActionDocument d;
    const MemberRef m = d.addBeam(1).first();
    d.select(QList<NodeRef>{m->nodeA()});
    const SupportRef fixed(new Support);
    d.actions->actionSetSupport(fixed);
    d.actions->actionUndo();
    QVERIFY(!m->nodeA()->support());
    d.actions->actionRedo();
    QCOMPARE(m->nodeA()->support(), fixed);
    QCOMPARE(d.document->busyCount(), 0);
}

QTEST_MAIN(TestHistory)
#include "tst_history.moc"
