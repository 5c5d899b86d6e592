#include "ReportTesting.h"

#include "ReportPreview.h"
#include "StructureView.h"
#include "TestMain.h"

#include <QAbstractScrollArea>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QThreadPool>

// The page preview: placeholders until a page is rendered, scroll ranges,
// eviction of distant pages, and a report changed while a page renders
// whose picture needs the GUI thread.
class tst_Preview : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initialiseVisualConstants(); }
    void placeholderThenImage();
    void scrollRanges_data();
    void scrollRanges();
    void eviction();
    void changedWhileRendering();
};

namespace {

const QRect imageRect(0, 0, 520, 736);

bool holds(const QImage& image, QRgb colour)
{
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2)
            if (image.pixel(x, y) == colour)
                return true;
    return false;
}

QImage renderedPage(ReportPreview& preview, int page)
{
    QImage image;
    const bool rendered =
        QTest::qWaitFor([&] { return (image = preview.pageImage(page, imageRect)) != preview.placeholderImage(); });
    return rendered ? image : QImage();
}

} // namespace

void tst_Preview::placeholderThenImage()
{
    ReportDocument d;
    d.beam(2);
    ReportPreview preview(d.document->unitSystem(), {});
    preview.setPageSize(QSize(504, 720), 72);
    const ReportLayoutRef layout = d.layout({Report::ChapterNodeInput});
    preview.setReportLayout(layout);
    QCOMPARE(preview.pageImage(1, imageRect), preview.placeholderImage());
    QVERIFY(holds(preview.placeholderImage(), qRgb(224, 224, 224)));
    const QImage page = renderedPage(preview, 1);
    QCOMPARE(page.size(), imageRect.size());
    QCOMPARE(page.pixel(4, 4), qRgb(255, 255, 255)); // the white margin
    QCOMPARE(page.dotsPerMeterX(), 2835);
    // A new page size discards even the current layout's images.
    preview.setPageSize(QSize(504, 720), 72);
    QVERIFY(preview.cachedPages().isEmpty());
}

void tst_Preview::scrollRanges_data()
{
    QTest::addColumn<int>("nodes");
    QTest::addColumn<int>("maximum");
    QTest::newRow("no layout") << -1 << 0;
    QTest::newRow("no page") << 0 << 0;
    QTest::newRow("three pages") << 3 * 35 << 3 * 744 - 600;
}

// Seven rows of five node plates fill a page.
void tst_Preview::scrollRanges()
{
    QFETCH(int, nodes);
    QFETCH(int, maximum);
    ReportDocument d;
    for (int i = 0; i < nodes; ++i)
        d.node(i);
    ReportPreview preview(d.document->unitSystem(), {});
    preview.setPageSize(QSize(504, 720), 72);
    preview.viewport()->resize(528, 600);
    if (nodes >= 0) {
        const ReportLayoutRef layout = d.layout({Report::ChapterNodeInput});
        QCOMPARE(layout->pages.size(), nodes / 35);
        preview.setReportLayout(layout);
    }
    preview.regenerate();
    QCOMPARE(preview.verticalScrollBar()->maximum(), maximum);
    QCOMPARE(preview.verticalScrollBar()->singleStep(), 18);
    QCOMPARE(preview.horizontalScrollBar()->maximum(), 0);
}

void tst_Preview::eviction()
{
    ReportDocument d;
    d.node(0);
    ReportPreview preview(d.document->unitSystem(), {});
    preview.setPageSize(QSize(50, 70), 72);
    preview.setReportLayout(d.layout({Report::ChapterNodeInput}));
    // Asked again until no render runs and the page is rendered.
    const auto rendered = [&](int page) {
        preview.pageImage(page, QRect(0, 0, 66, 86));
        return preview.cachedPages().contains(page);
    };
    for (int page : {1, 2, 3, 4, 5, 17, 18, 19})
        QTRY_VERIFY(rendered(page));
    QTRY_VERIFY(rendered(20));
    QCOMPARE(preview.cachedPages(), (QList<int>{17, 18, 19, 20}));
}

// The 3D view captures in the GUI thread, which the render then waits for:
// waiting here for the render would never end.
void tst_Preview::changedWhileRendering()
{
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        QSKIP("the 3D view captures only where OpenGL is");
    ReportDocument d;
    d.beam(2);
    const QSharedPointer<StructureView> view(
        new StructureView(d.document->unitSystem(), CurrentStateRef(new CurrentState), nullptr));
    view->setDocumentModel(d.document);
    auto* preview = new ReportPreview(d.document->unitSystem(), view);
    preview->setPageSize(QSize(504, 720), 72);
    preview->setReportLayout(d.layout({Report::ChapterGroupCover}));
    preview->pageImage(1, imageRect);
    QElapsedTimer waited;
    waited.start();
    while (view->pendingCaptureCount() == 0 && waited.elapsed() < 10000)
        QThread::msleep(1);
    QCOMPARE(view->pendingCaptureCount(), 1);

    // The report was edited: the editor lays it out anew.
    const ReportLayoutRef edited = d.layout({Report::ChapterNodeInput});
    preview->setReportLayout(edited);
    edited->layoutPages();
    QVERIFY(preview->cachedPages().isEmpty());
    ReportPreview fresh(d.document->unitSystem(), {});
    fresh.setPageSize(QSize(504, 720), 72);
    fresh.setReportLayout(edited);
    const QImage expected = renderedPage(fresh, 1);
    QVERIFY(!expected.isNull());
    QCOMPARE(renderedPage(*preview, 1), expected);

    // A render still running outlives its preview.
    preview->setReportLayout(d.layout({Report::ChapterGroupCover}));
    preview->regenerate();
    preview->pageImage(1, imageRect);
    delete preview;
    QTRY_COMPARE(QThreadPool::globalInstance()->activeThreadCount(), 0);
}

VARO_TEST_MAIN(tst_Preview)
#include "tst_preview.moc"
