#include "EditingTesting.h"

#include "ReportModel.h"
#include "ViewPointMemory.h"

#include <QtTest>

class TestHistory : public QObject
{
    Q_OBJECT

private slots:
    void reportEditsStayOnTheirOwnStack();
    void removedItemsReturnToTheirPlace();
};

void TestHistory::reportEditsStayOnTheirOwnStack()
{
    Bench d;
    d.actions->actionSetViewPointMemory(1, ViewPointRef(new ViewPoint));
    d.actions->actionAddReport();
    QCOMPARE(d.doc->reportModel()->reports().size(), 1);
    QCOMPARE(d.doc->reportUndoStack()->count(), 1);
    QCOMPARE(d.stack()->count(), 1);

    d.actions->actionUndo();
    QCOMPARE(d.doc->reportModel()->reports().size(), 1);
    QVERIFY(!d.doc->viewPointMemory()->valueAt(1));
    QVERIFY(d.doc->isModified());

    d.actions->actionDeleteReport(d.doc->reportModel()->reports().first());
    QVERIFY(d.doc->reportModel()->reports().isEmpty());
}

void TestHistory::removedItemsReturnToTheirPlace()
{
    const int removed = 1; // the middle one
    Bench d;
    d.actions->actionAddReport();
    const ReportRef report = d.doc->reportModel()->reports().first();
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
    d.doc->reportUndoStack()->undo();
    QCOMPARE(block->items(), items);

    const LoadCaseRef loading = d.loading();
    d.actions->actionInsertLoadCaseIntoReport(report, block, loading);
    QCOMPARE(block->loadCases(), QList<LoadCaseRef>{loading});
    d.actions->actionRemoveLoadCaseFromReport(report, block, loading);
    QVERIFY(block->loadCases().isEmpty());
    QCOMPARE(d.stack()->count(), 0);
}

QTEST_MAIN(TestHistory)
#include "tst_history.moc"
