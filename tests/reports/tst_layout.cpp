#include "ReportTesting.h"
#include "TestMain.h"

#include <QSignalSpy>

// Plates per page and page breaks by chapter, report numbers by position,
// and the device frames of plates.
class tst_Layout : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { installAnalysis(); }
    void platesPerPage_data();
    void platesPerPage();
    void resultPlatesPerPage();
    void chaptersBreakLinesAndPages();
    void numbersFollowPositionStably();
    void layoutRefreshesCaches();
    void deviceFrameRoundsHalfUp();
};

QList<int> pageSizes(const ReportLayout& layout)
{
    QList<int> counts;
    for (const ReportLayout::Page& page : layout.pages)
        counts << page.size();
    return counts;
}

void tst_Layout::platesPerPage_data()
{
    QTest::addColumn<QString>("chapter");
    QTest::addColumn<int>("objects");
    QTest::addColumn<QList<int>>("plates");
    QTest::newRow("35 nodes") << Report::ChapterNodeInput << 35 << QList<int>{35};
    QTest::newRow("36 nodes") << Report::ChapterNodeInput << 36 << QList<int>{35, 1};
    QTest::newRow("12 members") << Report::ChapterMemberInput << 12 << QList<int>{12};
    QTest::newRow("13 members") << Report::ChapterMemberInput << 13 << QList<int>{12, 1};
    QTest::newRow("21 loads") << Report::ChapterLoadInput << 21 << QList<int>{20, 1};
    QTest::newRow("group cover") << Report::ChapterGroupCover << 3 << QList<int>{1};
}

// Nodes alone for node data, otherwise members along x with one load each.
void tst_Layout::platesPerPage()
{
    QFETCH(QString, chapter);
    QFETCH(int, objects);
    QFETCH(QList<int>, plates);
    ReportDocument d;
    for (int i = 0; i < objects; ++i) {
        if (chapter == Report::ChapterNodeInput) {
            d.node(i);
            continue;
        }
        d.load<PointLoad>(d.member(d.node(2 * i), d.node(2 * i + 1)), {{0.5, -1000.0}});
    }
    const ReportLayoutRef layout = d.layout({chapter});
    QCOMPARE(pageSizes(*layout), plates);
    if (chapter == Report::ChapterNodeInput)
        for (int row = 0; row < 7; ++row)
            QCOMPARE(layout->pages.first().at(5 * row).area.y(), 0.142 * row);
}

void tst_Layout::resultPlatesPerPage()
{
    ReportDocument d;
    const QList<MemberRef> members = d.beam(4);
    d.load<PointLoad>(members[1], {{1.0, -1000.0}});
    d.analyse();
    QCOMPARE(pageSizes(*d.layout({Report::ChapterMemberGraphicalResults})), (QList<int>{3, 1}));
    QCOMPARE(pageSizes(*d.layout({Report::ChapterNodeGraphicalResults})), QList<int>{5});

    // A cover, then its four overviews two by two on a page of their own.
    const ReportLayoutRef covers = d.layout({Report::ChapterLoadCaseCover});
    QCOMPARE(pageSizes(*covers), (QList<int>{1, 4}));
    const QStringList codes{Report::ChapterReactionsGraphical, Report::ChapterDeflectionsGraphical,
                            Report::ChapterShearForcesGraphical, Report::ChapterBendingMomentsGraphical};
    const QList<QPointF> corners{{0, 0}, {0.5, 0}, {0, 0.5}, {0.5, 0.5}};
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(covers->pages[1][i].chapter, codes[i]);
        QCOMPARE(covers->pages[1][i].area, QRectF(corners[i], QSizeF(0.5, 0.5)));
    }
    QCOMPARE(covers->pages[1][0].nodes.size(), 5);
    QCOMPARE(covers->pages[1][1].members.size(), 4);
}

void tst_Layout::chaptersBreakLinesAndPages()
{
    ReportDocument d;
    const QList<MemberRef> members = d.beam(2);
    d.load<PointLoad>(members[0], {{0.5, -1000.0}});
    d.analyse();

    // Input chapters share a page, each starting a line below the tallest plate.
    const ReportLayoutRef input = d.layout({Report::ChapterLoadInput, Report::ChapterMemberInput});
    QCOMPARE(pageSizes(*input), QList<int>{3});
    QCOMPARE(input->pages[0][1].area, QRectF(0.0, 0.2, 0.333, 0.25));

    const ReportLayoutRef mixed = d.layout({Report::ChapterMemberGraphicalResults, Report::ChapterMemberInput});
    QCOMPARE(pageSizes(*mixed), (QList<int>{2, 2}));

    // A block repeated for a load case nobody uses adds nothing, and an
    // empty report has no pages but is still announced.
    const ReportRef report(VaroObject::make<Report>());
    const Report::ReportBlockRef block(new Report::ReportBlock);
    block->insertItem(Report::ReportItemRef(new Report::ReportItem(Report::ChapterLoadInput)), {});
    block->insertLoadCase(VaroObject::make<Loading>("Unused"), {});
    for (const ReportRef& nothing : {VaroObject::make<Report>(), report}) {
        ReportLayout layout(d.document, QSharedPointer<CurrentState>(new CurrentState), ViewPointRef(new ViewPoint),
                            nothing);
        QSignalSpy laidOut(&layout, &ReportLayout::PagesLaidOut);
        layout.layoutPages();
        QCOMPARE(laidOut.count(), 1);
        QVERIFY(layout.pages.isEmpty());
        report->rootBlock()->insertItem(Report::ReportItemRef(new Report::ReportItem(QString(), block)), {});
    }
}

// Nodes by x, then y, then z; coincident nodes keep their list order in
// every layout, and a member without two distinct nodes comes last.
void tst_Layout::numbersFollowPositionStably()
{
    ReportDocument d;
    const NodeRef c = d.node(2.0), a = d.node(0.0, 5.0), b = d.node(0.0, 5.0, 1.0);
    // Enough of them that a sort which is not stable would reorder them.
    QList<NodeRef> coincident;
    for (int i = 0; i < 40; ++i) {
        coincident << d.node(1.0);
        d.node(3.0 + (i * 7) % 11);
    }
    const MemberRef degenerate = d.member(c, c), last = d.member(b, c), first = d.member(a, b);
    for (int run = 0; run < 3; ++run) {
        const ReportLayoutRef layout = d.layout({});
        QCOMPARE(layout->nodeNumbers.value(a), 1);
        QCOMPARE(layout->nodeNumbers.value(b), 2);
        for (int i = 0; i < coincident.size(); ++i)
            QCOMPARE(layout->nodeNumbers.value(coincident[i]), 3 + i);
        QCOMPARE(layout->nodeNumbers.value(c), 43);
        QCOMPARE(layout->memberNumbers.value(first), 1);
        QCOMPARE(layout->memberNumbers.value(last), 2);
        QCOMPARE(layout->memberNumbers.value(degenerate), 3);
    }
}

// Painting threads only read caches, so the layout makes them valid.
void tst_Layout::layoutRefreshesCaches()
{
    ReportDocument d;
    const MemberRef member = d.member(d.node(0.0), d.node(3.0));
    const LoadRef load = d.load<PointLoad>(member, {{0.5, -1000.0}});
    member->invalidateCache();
    load->invalidateCache();
    d.layout({Report::ChapterLoadInput});
    QVERIFY(member->isCacheValid());
    QVERIFY(load->isCacheValid());
}

void tst_Layout::deviceFrameRoundsHalfUp()
{
    ReportLayout::Plate plate;
    plate.area = QRectF(0.25, 0.0, 0.25, 1.0);
    QCOMPARE(plate.deviceFrame(QRect(0, 0, 1002, 500)), QRect(251, 0, 251, 500));
    plate.area = QRectF(0.5, 0.0, 0.5, 1.0);
    QCOMPARE(plate.deviceFrame(QRect(0, 0, 1002, 500)).left(), 501);
    QCOMPARE(ReportLayout::roundHalfUp(-2.5), -2);
    QCOMPARE(ReportLayout::roundHalfUp(-2.6), -3);
}

VARO_TEST_MAIN(tst_Layout)
#include "tst_layout.moc"
