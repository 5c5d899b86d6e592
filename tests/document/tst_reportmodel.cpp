#include "Loading.h"
#include "ReportModel.h"

#include <QtTest>

namespace {

typedef Report::ReportItemRef ItemRef;
typedef Report::ReportBlockRef BlockRef;

// Every change signals once each way and counts once, whatever it finds.
struct Changes
{
    ReportModel* model;
    QSignalSpy will;
    QSignalSpy has;
    int countBefore;
    explicit Changes(ReportModel* model)
        : model(model),
          will(model, &ReportModel::ReportsWillChange),
          has(model, &ReportModel::ReportsHaveChanged),
          countBefore(model->changeCount())
    {
    }
    bool are(int n) const { return will.count() == n && has.count() == n && model->changeCount() == countBefore + n; }
};

} // namespace

class TestReportModel : public QObject
{
    Q_OBJECT

private slots:
    void reportsAppendAndRemoveEveryEntry();
    void itemsGoBackBeforeTheirNeighbour();
    void loadCasesKeepTheirMarker();
};

void TestReportModel::reportsAppendAndRemoveEveryEntry()
{
    ReportModel model;
    const ReportRef a(new Report), b(new Report);
    Changes changes(&model);
    model.appendReports({a, b});
    model.appendReports({a});
    QCOMPARE(model.reports(), QList<ReportRef>({a, b, a}));
    model.removeReports({a, ReportRef(new Report)});
    QCOMPARE(model.reports(), QList<ReportRef>({b}));
    model.removeReports({});
    QVERIFY(changes.are(4));
}

void TestReportModel::itemsGoBackBeforeTheirNeighbour()
{
    ReportModel model;
    const ReportRef report(new Report);
    const BlockRef block = report->rootBlock();
    const QList<ItemRef> items = {ItemRef(new Report::ReportItem(Report::ChapterNodeInput)),
                                  ItemRef(new Report::ReportItem(Report::ChapterMemberInput)),
                                  ItemRef(new Report::ReportItem(Report::ChapterLoadInput))};
    for (const ItemRef& item : items)
        model.insertItemIntoReport(report, block, item, ItemRef());
    QCOMPARE(block->items(), items);

    Changes changes(&model);
    for (int i = 0; i < items.size(); ++i) {
        const ItemRef neighbour = model.removeItemFromReport(report, block, items[i]);
        QCOMPARE(neighbour, items.value(i + 1));
        model.insertItemIntoReport(report, block, items[i], neighbour);
        QCOMPARE(block->items(), items);
    }

    // Already there, and absent: nothing changes, but both still signal and count.
    model.insertItemIntoReport(report, block, items[0], ItemRef());
    QCOMPARE(model.removeItemFromReport(report, block, ItemRef(new Report::ReportItem)), ItemRef());
    QCOMPARE(block->items(), items);
    QVERIFY(changes.are(8));
}

void TestReportModel::loadCasesKeepTheirMarker()
{
    ReportModel model;
    const ReportRef report(new Report);
    const BlockRef block = report->rootBlock();
    const LoadCaseRef dead(new Loading), live(new Loading), wind(new Loading);

    QCOMPARE(block->loadCaseMarker(), 0);
    model.insertLoadCaseIntoReport(report, block, dead, LoadCaseRef());
    model.insertLoadCaseIntoReport(report, block, wind, LoadCaseRef());
    model.insertLoadCaseIntoReport(report, block, live, wind);
    QCOMPARE(block->loadCases(), QList<LoadCaseRef>({dead, live, wind}));
    QCOMPARE(block->loadCaseMarker(), 1);

    QCOMPARE(model.removeLoadCaseFromReport(report, block, dead), live);
    QCOMPARE(model.removeLoadCaseFromReport(report, block, wind), LoadCaseRef());
    QCOMPARE(model.removeLoadCaseFromReport(report, block, live), LoadCaseRef());
    QVERIFY(block->loadCases().isEmpty());
    QCOMPARE(block->loadCaseMarker(), 1);

    // A block that is not there is left alone rather than dereferenced.
    Changes changes(&model);
    model.insertLoadCaseIntoReport(report, BlockRef(), dead, LoadCaseRef());
    QCOMPARE(model.removeItemFromReport(report, BlockRef(), ItemRef()), ItemRef());
    QVERIFY(changes.are(2));
}

QTEST_MAIN(TestReportModel)
#include "tst_reportmodel.moc"
