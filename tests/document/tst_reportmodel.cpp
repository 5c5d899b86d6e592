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
    void loadCasesKeepTheirMarker();
};

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
