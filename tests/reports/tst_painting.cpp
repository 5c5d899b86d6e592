#include "ReportTesting.h"

#include "AnalysisLoadCase.h"
#include "LoadAxis.h"
#include "ReportPictureSource.h"

#include <QDir>

// Painted pages: bands, rules and dividers where the page geometry puts
// them at print and screen resolutions, header texts, pages out of range,
// and pictures that must not fail on degenerate input.
class tst_Painting : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void pageFrame_data();
    void pageFrame();
    void emptyPage();
    void headersOnceInOrder();
    void capturedPictures();
    void zeroLoadKeepsShortestArrow();
    void loadSeenEndOn();
    void reactionsScaleByMagnitude();
};

namespace {

// A pen narrower than a device pixel leaves a touch of coverage out.
bool isNear(const QColor& actual, const QColor& expected)
{
    return std::abs(actual.red() - expected.red()) <= 8 && std::abs(actual.green() - expected.green()) <= 8
           && std::abs(actual.blue() - expected.blue()) <= 8;
}
bool isRule(const QColor& c)
{
    return isNear(c, Qt::black);
}
bool isDivider(const QColor& c)
{
    return isNear(c, QColor(128, 128, 128));
}

// A4 at the resolution.
PaintedPage a4(int dpi)
{
    return PaintedPage(qRound(210 / 25.4 * dpi), qRound(297 / 25.4 * dpi), dpi);
}

void paint(ReportPainter& painter, int page, PaintedPage& target)
{
    QPainter p(&target.image);
    painter.paintPage(page, &p, target.image.rect());
}

class FixedPicture : public ReportPictureSource
{
public:
    explicit FixedPicture(const QImage& image) : image(image) {}
    QImage captureImage(int, int, const GroupRef&, const ViewPoint&) override { return image; }
    QImage image;
};

// What paintPage sets up before the pictures of a plate, at 72 dpi about
// the given sphere.
void beginPicture(ReportPainter& painter, QPainter* target, const Vector4& sphere)
{
    painter.painter = target;
    painter.resolution = 72;
    painter.plateInset = QSize(4, 4);
    painter.letterLabelSize = painter.forceLabelSize = QSizeF(8, 8);
    painter.structureCentreAndRadius = sphere;
    painter.viewPoint.setFocalPoint(sphere.xyz());
    painter.viewPoint.setDistance(sphere.w());
}

int countPixels(const QImage& image, const std::function<bool(QColor)>& test)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += test(image.pixelColor(x, y)) ? 1 : 0;
    return count;
}

} // namespace

void tst_Painting::initTestCase()
{
    installAnalysis();
    initialiseVisualConstants();
}

void tst_Painting::pageFrame_data()
{
    QTest::addColumn<int>("dpi");
    QTest::addColumn<int>("header");
    QTest::addColumn<int>("footer");
    QTest::addColumn<int>("inset");
    QTest::newRow("72 dpi") << 72 << 18 << 24 << 4;
    QTest::newRow("300 dpi") << 300 << 75 << 100 << 15;
}

// Six node plates: five in the first row, one below.
void tst_Painting::pageFrame()
{
    QFETCH(int, dpi);
    QFETCH(int, header);
    QFETCH(int, footer);
    QFETCH(int, inset);
    ReportDocument d;
    for (int i = 0; i < 6; ++i)
        d.node(i, i % 2);
    const ReportLayoutRef layout = d.layout({Report::ChapterNodeInput});
    ReportPainter painter(layout, d.document->unitSystem(), {});
    PaintedPage page = a4(dpi);
    paint(painter, 1, page);
    QCOMPARE(painter.plateInset, QSize(inset, inset));
    QVERIFY(!painter.painter);

    const QRect r = page.image.rect();
    const int middle = r.width() / 2;
    QVERIFY(isRule(page.image.pixelColor(middle, header)));
    QVERIFY(isRule(page.image.pixelColor(middle, r.bottom() - footer)));
    const QRect content(QPoint(0, header), QPoint(r.right(), r.bottom() - footer));
    const QRect first = layout->pages[0][0].deviceFrame(content);
    const QRect last = layout->pages[0][4].deviceFrame(content);
    QVERIFY(isDivider(page.image.pixelColor(first.right(), first.center().y())));
    QVERIFY(isDivider(page.image.pixelColor(first.center().x(), first.bottom())));
    // The last plate of the row reaches the right edge: no divider there.
    QVERIFY(page.isWhite(last.right(), last.center().y()));
    QVERIFY(isDivider(page.image.pixelColor(last.center().x(), last.bottom())));
    QCOMPARE(painter.headers, QStringList{"Node data"});
    QCOMPARE(painter.footers, QStringList{"X,Y,Z:Initial position"});

    if (dpi == 72) {
        const QString path = QDir::temp().filePath("varo-report-page.png");
        QVERIFY(page.image.save(path));
        qInfo("Painted page: %s", qPrintable(path));
    }
}

// Only the two rules and the band texts; pages out of range draw nothing.
void tst_Painting::emptyPage()
{
    ReportDocument d;
    const ReportLayoutRef layout = d.layout({});
    layout->pages = {ReportLayout::Page()};
    ReportPainter painter(layout, d.document->unitSystem(), {});
    PaintedPage page = a4(72);
    paint(painter, 1, page);
    QVERIFY(isRule(page.image.pixelColor(300, 18)));
    for (int y = 20; y < page.image.height() - 26; ++y)
        for (int x = 0; x < page.image.width(); ++x)
            QVERIFY(page.isWhite(x, y));

    for (int outside : {0, 2}) {
        PaintedPage blank = a4(72);
        paint(painter, outside, blank);
        QVERIFY(blank.isBlank());
    }
}

void tst_Painting::headersOnceInOrder()
{
    ReportDocument d;
    const MemberRef member = d.member(d.node(0.0), d.node(2.0));
    const LoadRef load = d.load<PointLoad>(member, {{0.5, 1000.0}});
    const ReportLayoutRef layout = d.layout({Report::ChapterLoadInput, Report::ChapterNodeInput});
    const GroupRef group(new GeometryGroup("Frame"));
    for (ReportLayout::Plate& plate : layout->pages[0])
        plate.group = group;
    ReportPainter painter(layout, d.document->unitSystem(), {});
    PaintedPage page = a4(72);
    paint(painter, 1, page);
    QCOMPARE(painter.headers, (QStringList{"Loading data", "Dead", "Frame", "Node data"}));
    QCOMPARE(painter.footers, (QStringList{"F:Force", "A,B:Load position", "X,Y,Z:Initial position"}));
}

// A renderer without off-screen buffers gives a null image: the picture is left out.
void tst_Painting::capturedPictures()
{
    ReportDocument d;
    d.member(d.node(0.0), d.node(4.0, 3.0));
    const ReportLayoutRef layout = d.layout({Report::ChapterGroupCover});
    QImage red(16, 16, QImage::Format_RGB32);
    red.fill(Qt::red);
    const auto isRed = [](QColor c) { return c == QColor(Qt::red); };
    for (const QImage& image : {QImage(), red}) {
        ReportPainter painter(layout, d.document->unitSystem(), QSharedPointer<FixedPicture>::create(image));
        PaintedPage page = a4(72);
        paint(painter, 1, page);
        QCOMPARE(countPixels(page.image, isRed) > 1000, !image.isNull());
    }
}

// With every force zero the load picture still draws its arrow at the shortest length.
void tst_Painting::zeroLoadKeepsShortestArrow()
{
    ReportDocument d;
    d.load<PointLoad>(d.member(d.node(0.0), d.node(4.0)), {{0.5, 0.0}});
    const ReportLayoutRef layout = d.layout({Report::ChapterLoadInput});
    ReportPainter painter(layout, d.document->unitSystem(), {});
    PaintedPage page = a4(72);
    paint(painter, 1, page);
    QVERIFY(countPixels(page.image, [](QColor c) { return c.red() > 150 && c.green() < 100 && c.blue() > 150; }) > 0);
}

// Along the line of sight the shaft has no length: tip and tail coincide
// and stay finite, and the highlight draws without a direction.
void tst_Painting::loadSeenEndOn()
{
    ReportDocument d;
    const MemberRef member = d.member(d.node(-1.0), d.node(1.0));
    const LoadRef load = d.load<PointLoad>(member, {{0.5, 1000.0}});
    load->setAxis(LoadAxisRef(new LoadAxis(Axis(Vector3(0, 0, 1), NodeRef(), true, false))));
    const ReportLayoutRef layout = d.layout({});
    ReportPainter painter(layout, d.document->unitSystem(), {});
    QImage image(200, 200, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter target(&image);
    target.translate(100, 100);
    beginPicture(painter, &target, Vector4(0, 0, 0, 2));
    const QList<QLineF> lines = painter.paintPointForce(painter.viewPoint, 1000.0, Vector3(), Vector3(0, 0, 1), 1.0);
    QCOMPARE(lines.size(), 1);
    QCOMPARE(lines[0].p1(), lines[0].p2());
    QVERIFY(std::isfinite(lines[0].x1()) && std::isfinite(lines[0].y1()));
    painter.paintHighlight(painter.viewPoint, load, 1.0);
}

// The same reaction upwards and downwards draws arrows of the same length.
void tst_Painting::reactionsScaleByMagnitude()
{
    ReportDocument d;
    const NodeRef node = d.node(0.0, 0.0, 0.0, Dof::All);
    const ReportLayoutRef layout = d.layout({});
    QList<int> heights;
    for (double sign : {1.0, -1.0}) {
        QSharedPointer<AnalysisResultCase> results(new AnalysisResultCase(QSharedPointer<AnalysisLoadCase>::create()));
        Vector6 reaction = Vector6::zeroed();
        reaction[1] = sign * 5e4;
        reaction[0] = 20.0;
        results->nodeReactions.insert(node, reaction);
        ReportPainter painter(layout, d.document->unitSystem(), {});
        QImage image(300, 300, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter target(&image);
        beginPicture(painter, &target, Vector4(0, 0, 0, 5));
        painter.paintOverviewReactions(results, {node}, image.rect());
        target.end();
        int top = image.height(), bottom = -1;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixel(x, y) != qRgb(255, 255, 255)) {
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
        heights << bottom - top;
    }
    QVERIFY2(std::abs(heights[0] - heights[1]) <= 2, qPrintable(QString("%1 / %2").arg(heights[0]).arg(heights[1])));
    QVERIFY(heights[0] < 150);
}

QTEST_MAIN(tst_Painting)
#include "tst_painting.moc"
