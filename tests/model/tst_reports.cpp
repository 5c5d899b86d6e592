#include "Loading.h"
#include "Report.h"
#include "Titles.h"
#include "TestMain.h"

#include <QtTest>

namespace {

typedef Report::ReportItemRef ItemRef;
typedef Report::ReportBlockRef BlockRef;

ItemRef chapter(const QString& code)
{
    return ItemRef(new Report::ReportItem(code));
}

} // namespace

class TestReports : public QObject
{
    Q_OBJECT

private slots:
    void itemsInsertAndRemoveByNeighbour();
    void loadCasesSetTheMarkerForGood();
    void parentsAreFoundThroughTheTree();
    void titlesLines();
};

void TestReports::itemsInsertAndRemoveByNeighbour()
{
    Report::ReportBlock block;
    const ItemRef a = chapter(Report::ChapterNodeInput), b = chapter(Report::ChapterMemberInput),
                  c = chapter(Report::ChapterLoadInput), x = chapter(Report::ChapterGroupCover);
    block.insertItem(a, ItemRef());
    block.insertItem(b, ItemRef());
    block.insertItem(x, b);
    block.insertItem(x, ItemRef()); // already there
    block.insertItem(c, chapter(Report::ChapterGroupCover)); // absent neighbour: append
    QCOMPARE(block.items(), QList<ItemRef>({a, x, b, c}));

    // Removing returns the entry now at the index; inserting before it puts
    // the removed one back where it was.
    QCOMPARE(block.removeItem(x), b);
    block.insertItem(x, b);
    QCOMPARE(block.removeItem(c), ItemRef());
    block.insertItem(c, ItemRef());
    QCOMPARE(block.items(), QList<ItemRef>({a, x, b, c}));
}

void TestReports::loadCasesSetTheMarkerForGood()
{
    Report::ReportBlock block;
    QVERIFY(block.isEmpty());
    QCOMPARE(block.loadCaseMarker(), 0);
    const LoadCaseRef dead(VaroObject::make<Loading>()), live(VaroObject::make<Loading>());
    block.insertLoadCase(live, LoadCaseRef());
    block.insertLoadCase(dead, live);
    QCOMPARE(block.loadCases(), QList<LoadCaseRef>({dead, live}));
    QCOMPARE(block.loadCaseMarker(), 1);
    QCOMPARE(block.removeLoadCase(dead), live);
    QVERIFY(block.hasOnlyOneEntry());
    QCOMPARE(block.removeLoadCase(live), LoadCaseRef());
    QVERIFY(block.isEmpty());
    QCOMPARE(block.loadCaseMarker(), 1);
}

void TestReports::parentsAreFoundThroughTheTree()
{
    Report report;
    const BlockRef inner(new Report::ReportBlock), deepest(new Report::ReportBlock);
    const ItemRef holder(new Report::ReportItem(QString(), inner));
    const ItemRef deepHolder(new Report::ReportItem(QString(), deepest));
    const ItemRef leaf = chapter(Report::ChapterMemberGraphicalResults);
    report.rootBlock()->insertItem(chapter(Report::ChapterGroupCover), ItemRef());
    report.rootBlock()->insertItem(holder, ItemRef());
    inner->insertItem(deepHolder, ItemRef());
    deepest->insertItem(leaf, ItemRef());

    QCOMPARE(report.parentOf(inner), holder);
    QCOMPARE(report.parentOf(deepest), deepHolder);
    QCOMPARE(report.parentOf(report.rootBlock()), ItemRef());
    QCOMPARE(report.parentOf(leaf, report.rootBlock()), deepest);
    QCOMPARE(report.parentOf(holder, report.rootBlock()), report.rootBlock());
    QCOMPARE(report.parentOf(chapter(QString()), report.rootBlock()), BlockRef());
}

void TestReports::titlesLines()
{
    Titles titles;
    QSignalSpy changed(&titles, &Titles::TitlesHaveChanged);
    titles.setTitle(3, 1, QStringLiteral("Engineer")); // past the last: appended
    titles.setTitle(0, 5, QStringLiteral("Reviewer")); // any other column is the second
    QCOMPARE(titles.lineCount(), 1);
    QCOMPARE(titles.title(0, 1), QStringLiteral("Reviewer"));
    titles.setNote(QStringLiteral("Note"));
    QCOMPARE(changed.count(), 2);

    Titles other;
    other.setTitle(0, 1, QStringLiteral("Reviewer"));
    QVERIFY(other != titles); // the notes differ
    other.importFrom(titles);
    QVERIFY(other == titles);
    QVERIFY(Titles(titles, nullptr) == titles);
}

VARO_GUILESS_TEST_MAIN(TestReports)
#include "tst_reports.moc"
