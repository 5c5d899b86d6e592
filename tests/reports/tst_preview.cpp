#include "ReportTesting.h"

#include "ReportPictureSource.h"
#include "ReportPreview.h"

#include <QAbstractScrollArea>
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

// Like the 3D view: drawn in the GUI thread, which a render waits for.
class GuiThreadPicture : public ReportPictureSource
{
public:
    QImage captureImage(int width, int height, const GroupRef&, const ViewPoint&) override
    {
        QImage image;
        QMetaObject::invokeMethod(
            qApp,
            [&] {
                image = QImage(width, height, QImage::Format_RGB32);
                image.fill(calls++ == 0 ? Qt::red : Qt::blue);
            },
            Qt::BlockingQueuedConnection);
        return image;
    }
    int calls = 0;
};

bool holds(const QImage& image, QRgb colour)
{
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2)
            if (image.pixel(x, y) == colour)
                return true;
    return false;
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
    QTRY_VERIFY(preview.pageImage(1, imageRect) != preview.placeholderImage());
    const QImage page = preview.pageImage(1, imageRect);
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
    for (int page : {1, 2, 3, 4, 5, 17, 18, 19}) {
        preview.pageImage(page, QRect(0, 0, 66, 86));
        QTRY_VERIFY(preview.cachedPages().contains(page));
    }
    preview.pageImage(20, QRect(0, 0, 66, 86));
    QCOMPARE(preview.cachedPages(), (QList<int>{17, 18, 19}));
    QTRY_COMPARE(preview.cachedPages(), (QList<int>{17, 18, 19, 20}));
}

// Waiting for the render here would never end: it waits for this thread.
void tst_Preview::changedWhileRendering()
{
    ReportDocument d;
    d.beam(2);
    const QSharedPointer<GuiThreadPicture> picture(new GuiThreadPicture);
    auto* preview = new ReportPreview(d.document->unitSystem(), picture);
    preview->setPageSize(QSize(504, 720), 72);
    const ReportLayoutRef layout = d.layout({Report::ChapterGroupCover});
    preview->setReportLayout(layout);
    preview->pageImage(1, imageRect);
    // The report was edited: the editor lays it out anew.
    const ReportLayoutRef edited = d.layout({Report::ChapterGroupCover});
    preview->setReportLayout(edited);
    edited->layoutPages();
    QVERIFY(preview->cachedPages().isEmpty());
    QTRY_VERIFY(holds(preview->pageImage(1, imageRect), qRgb(0, 0, 255)));
    QVERIFY(!holds(preview->pageImage(1, imageRect), qRgb(255, 0, 0)));
    QCOMPARE(picture->calls, 2);

    // A render still running outlives its preview.
    preview->regenerate();
    preview->pageImage(1, imageRect);
    delete preview;
    QTRY_COMPARE(QThreadPool::globalInstance()->activeThreadCount(), 0);
    QCOMPARE(picture->calls, 3);
}

QTEST_MAIN(tst_Preview)
#include "tst_preview.moc"
