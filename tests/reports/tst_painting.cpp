#include "ReportTesting.h"

#include "AnalysisLoadCase.h"
#include "LoadAxis.h"
#include "TestMain.h"

#include "PointLoad.h"
#include "ReportPictures.h"

#include <limits>

#include <QDir>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>

// Painted pages: bands, rules and dividers where the page geometry puts
// them at print and screen resolutions, header texts, pages out of range,
// and pictures that must not fail on degenerate input.
class tst_Painting : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        installAnalysis();
        initialiseVisualConstants();
    }
    void pageFrame_data();
    void pageFrame();
    void emptyPage();
    void loadPageHeadersAndZeroLoad();
    void capturedPictures();
    void loadSeenEndOn();
    void reactionsScaleByMagnitude();
    void projectionFitsSphere();
    void skeletonSharedAndAligned();
    void pdfHoldsEachPictureOnce();
    void simplifiedPolyline_data();
    void simplifiedPolyline();
    void overviewCurvesKeepTheirSize_data();
    void overviewCurvesKeepTheirSize();
    void coverPicturesFollowTheirPlates();
};

namespace {

// A pen narrower than a device pixel leaves a touch of coverage out.
bool near(const QColor& actual, const QColor& expected)
{
    return std::abs(actual.red() - expected.red()) <= 8 && std::abs(actual.green() - expected.green()) <= 8
           && std::abs(actual.blue() - expected.blue()) <= 8;
}

// The bounding box of the pixels that pass the test.
QRect inked(const QImage& image, const std::function<bool(QColor)>& test = [](QColor c) { return c != Qt::white; })
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (test(image.pixelColor(x, y)))
                box |= QRect(x, y, 1, 1);
    return box;
}

// A white page of the size at the resolution (A4 by default), with page n painted on it.
QImage painted(ReportPainter& painter, int n, int dpi = 72, QSize size = QSize())
{
    QImage image(size.isValid() ? size : QSize(qRound(210 / 25.4 * dpi), qRound(297 / 25.4 * dpi)),
                 QImage::Format_RGB32);
    image.fill(Qt::white);
    image.setDotsPerMeterX(qRound(dpi / 0.0254));
    image.setDotsPerMeterY(qRound(dpi / 0.0254));
    QPainter target(&image);
    if (n > 0 || !size.isValid())
        painter.paintPage(n, &target, image.rect());
    return image;
}

// What paintPage sets up before the pictures of a plate, at 72 dpi about the sphere.
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

} // namespace

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
    const QImage page = painted(painter, 1, dpi);
    QCOMPARE(painter.plateInset, QSize(inset, inset));
    QVERIFY(!painter.painter);

    const QRect r = page.rect();
    QVERIFY(near(page.pixelColor(r.width() / 2, header), Qt::black));
    QVERIFY(near(page.pixelColor(r.width() / 2, r.bottom() - footer), Qt::black));
    const QRect content(QPoint(0, header), QPoint(r.right(), r.bottom() - footer));
    const QRect first = layout->pages[0][0].deviceFrame(content), last = layout->pages[0][4].deviceFrame(content);
    const QColor divider(128, 128, 128);
    QVERIFY(near(page.pixelColor(first.right(), first.center().y()), divider));
    QVERIFY(near(page.pixelColor(first.center().x(), first.bottom()), divider));
    // The last plate of the row reaches the right edge: no divider there.
    QCOMPARE(page.pixelColor(last.right(), last.center().y()), QColor(Qt::white));
    QVERIFY(near(page.pixelColor(last.center().x(), last.bottom()), divider));
    QCOMPARE(painter.headers, QStringList{"Node data"});
    QCOMPARE(painter.footers, QStringList{"X,Y,Z:Initial position"});

    if (dpi == 72)
        keepForReview(page, QStringLiteral("report-page.png"));
}

// Only the two rules and the band texts; pages out of range draw nothing.
void tst_Painting::emptyPage()
{
    ReportDocument d;
    const ReportLayoutRef layout = d.layout({});
    layout->pages = {ReportLayout::Page()};
    ReportPainter painter(layout, d.document->unitSystem(), {});
    const QImage page = painted(painter, 1);
    QVERIFY(near(page.pixelColor(300, 18), Qt::black));
    QVERIFY(inked(page.copy(0, 20, page.width(), page.height() - 46)).isEmpty());
    QVERIFY(inked(painted(painter, 0)).isEmpty());
    QVERIFY(inked(painted(painter, 2)).isEmpty());
}

// Each header text once, in the order the plates add them. A load whose
// forces are all zero still gets an arrow of the shortest length.
void tst_Painting::loadPageHeadersAndZeroLoad()
{
    ReportDocument d;
    d.load<PointLoad>(d.member(d.node(0.0), d.node(4.0)), {{0.5, 0.0}});
    const ReportLayoutRef layout = d.layout({Report::ChapterLoadInput, Report::ChapterNodeInput});
    const GroupRef group(VaroObject::make<GeometryGroup>("Frame"));
    for (ReportLayout::Plate& plate : layout->pages[0])
        plate.group = group;
    ReportPainter painter(layout, d.document->unitSystem(), {});
    const QImage page = painted(painter, 1);
    QCOMPARE(painter.headers, (QStringList{"Loading data", "Dead", "Frame", "Node data"}));
    QCOMPARE(painter.footers, (QStringList{"F:Force", "A,B:Load position", "X,Y,Z:Initial position"}));
    QVERIFY(!inked(page, [](QColor c) { return c.red() > 150 && c.green() < 100 && c.blue() > 150; }).isEmpty());
}

// A view without off-screen buffers captures a null image: the picture is
// left out. A cover without a view, and without the axes picture, still paints.
void tst_Painting::capturedPictures()
{
    ReportDocument d;
    d.member(d.node(0.0), d.node(4.0, 3.0));
    ReportPainter painter(d.layout({Report::ChapterGroupCover}), d.document->unitSystem(), {});
    QVERIFY(!inked(painted(painter, 1)).isEmpty());

    QImage red(64, 32, QImage::Format_RGB32);
    red.fill(Qt::red);
    for (const QImage& image : {QImage(), QImage(0, 0, QImage::Format_RGB32), red}) {
        QImage page = painted(painter, 0, 72, QSize(200, 200));
        QPainter target(&page);
        painter.painter = &target;
        painter.paintRenderedImage(image, QRect(0, 0, 200, 200));
        target.end();
        // Fitted to the width and centred.
        QCOMPARE(inked(page), image.isNull() ? QRect() : QRect(0, 50, 200, 100));
    }
}

// Along the line of sight the shaft has no length: tip and tail coincide
// and stay finite, and the highlight draws without a direction.
void tst_Painting::loadSeenEndOn()
{
    ReportDocument d;
    const LoadRef load = d.load<PointLoad>(d.member(d.node(-1.0), d.node(1.0)), {{0.5, 1000.0}});
    load->setAxis(VaroObject::make<LoadAxis>(Axis(Vector3(0, 0, 1), NodeRef(), true, false)));
    ReportPainter painter(d.layout({}), d.document->unitSystem(), {});
    QImage image = painted(painter, 0, 72, QSize(200, 200));
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
        reaction[0] = 20.0;
        reaction[1] = sign * 5e4;
        results->nodeReactions.insert(node, reaction);
        ReportPainter painter(layout, d.document->unitSystem(), {});
        QImage image = painted(painter, 0, 72, QSize(300, 300));
        QPainter target(&image);
        beginPicture(painter, &target, Vector4(0, 0, 0, 5));
        painter.paintOverviewReactions(results, {node}, image.rect());
        target.end();
        heights << inked(image).height();
    }
    QVERIFY2(std::abs(heights[0] - heights[1]) <= 2, qPrintable(QString("%1 / %2").arg(heights[0]).arg(heights[1])));
    QVERIFY(heights[0] < 150);
}

// The fit makes the sphere's diameter the smaller side: 30·r·dpi / min(w, h);
// the moment arc sweeps 315 degrees from -45 in 85 points.
void tst_Painting::projectionFitsSphere()
{
    ReportDocument d;
    ReportPainter painter(d.layout({}), d.document->unitSystem(), {});
    painter.resolution = 72;
    ViewPoint view;
    view.setAzimuth(0.7);
    view.setElevation(-0.3);
    const double distance = painter.distanceForCentredRadius(view, QSize(480, 360), 10.0);
    QVERIFY(std::fabs(distance - 60.0) <= 1e-9 * 60.0);
    view.setDistance(distance);
    QVERIFY(std::fabs(painter.worldToScreen(view, view.transformEyeToWorld(Vector3(0, 10, 0))).y() + 180.0) <= 1e-7);

    QCOMPARE(painter.momentArcPoints.size(), 85);
    const Vector3 first = painter.momentArcPoints.first(), last = painter.momentArcPoints.last();
    QVERIFY(std::fabs(first.x() - 0.3536) < 5e-5 && std::fabs(first.y() + 0.3536) < 5e-5);
    QVERIFY(std::fabs(last.x()) < 5e-5 && std::fabs(last.y() + 0.5) < 5e-5);
}

// Four plates of one page show the skeleton from one picture, and on each
// the member's highlight lies on the beam's grey line: a straight beam seen
// in perspective stays one straight line.
void tst_Painting::skeletonSharedAndAligned()
{
    ReportDocument d;
    NodeRef previous = d.node(0.0);
    for (int i = 1; i <= 4; ++i) {
        const NodeRef next = d.node(i, 0.5 * i, 0.3 * i);
        d.member(previous, next);
        previous = next;
    }
    const ReportLayoutRef layout = d.layout({Report::ChapterMemberInput});
    ReportPainter painter(layout, d.document->unitSystem(), {});
    const QImage page = painted(painter, 1, 150);
    QCOMPARE(layout->pages.value(0).size(), 4);
    QCOMPARE(layout->pictures->count(), 1);

    const QRect content(QPoint(0, 38), QPoint(page.width() - 1, page.height() - 1 - 50));
    for (const ReportLayout::Plate& plate : layout->pages[0]) {
        const QRect inner = plate.deviceFrame(content).adjusted(12, 12, -12, -12);
        // The edges of the smoothed letters A and B and of the table's figures
        // are grey too. Their strokes are darker than the skeleton's grey can
        // be, though in some faces a thin one, the 1's, is no darker than 96.
        const auto nearText = [&](int x, int y) {
            for (int v = std::max(0, y - 4); v <= std::min(page.height() - 1, y + 4); ++v)
                for (int u = std::max(0, x - 4); u <= std::min(page.width() - 1, x + 4); ++u)
                    if (qGray(page.pixel(u, v)) < 120)
                        return true;
            return false;
        };
        QVector<QPointF> red, grey;
        for (int y = inner.top(); y <= inner.bottom(); ++y)
            for (int x = inner.left(); x <= inner.right(); ++x) {
                const QColor c = page.pixelColor(x, y);
                if (c.red() > 120 && c.green() < 60 && c.blue() < 60)
                    red << QPointF(x, y);
                else if (near(c, QColor(128, 128, 128)) && !nearText(x, y))
                    grey << QPointF(x, y);
            }
        QVERIFY(red.size() > 20 && grey.size() > 20);
        // The red line's axis: its centroid and principal direction.
        QPointF mean;
        for (const QPointF& p : qAsConst(red))
            mean += p / red.size();
        double sxx = 0.0, sxy = 0.0, syy = 0.0;
        for (const QPointF& p : qAsConst(red)) {
            const QPointF q = p - mean;
            sxx += q.x() * q.x(), sxy += q.x() * q.y(), syy += q.y() * q.y();
        }
        const double angle = 0.5 * std::atan2(2.0 * sxy, sxx - syy);
        const QPointF normal(-std::sin(angle), std::cos(angle));
        for (const QPointF& p : qAsConst(grey)) {
            const double off = QPointF::dotProduct(p - mean, normal);
            QVERIFY2(std::fabs(off) <= 2.5, qPrintable(QString("%1 px off at %2, %3").arg(off).arg(p.x()).arg(p.y())));
        }
    }
}

// Three pages of member plates: the PDF file holds the skeleton's picture
// once, however many plates show it.
void tst_Painting::pdfHoldsEachPictureOnce()
{
    ReportDocument d;
    d.beam(30);
    const ReportLayoutRef layout = d.layout({Report::ChapterMemberInput});
    QCOMPARE(layout->pages.size(), 3);
    QTemporaryDir folder;
    QPrinter printer(QPrinter::ScreenResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(folder.filePath("members.pdf"));
    printer.setResolution(600);
    printPages(&printer, layout, d.document->unitSystem());
    QProcess list;
    list.start("pdfimages", {"-list", printer.outputFileName()});
    QVERIFY(list.waitForFinished());
    QSet<QString> images;
    int uses = 0;
    for (const QString& line : QString::fromUtf8(list.readAllStandardOutput()).split('\n').mid(2)) {
        const QStringList fields = line.simplified().split(' ');
        if (fields.size() > 10 && fields[2] == "image") {
            images.insert(fields[10]);
            ++uses;
        }
    }
    QCOMPARE(uses, 30);
    QCOMPARE(images.size(), 1);
}

void tst_Painting::simplifiedPolyline_data()
{
    QTest::addColumn<QPolygonF>("polyline");
    QTest::addColumn<int>("kept");
    QPolygonF flat, spike, dent, wave;
    for (int i = 0; i <= 32; ++i) {
        flat << QPointF(i, (i % 2) * 0.2);
        spike << QPointF(i, i == 16 ? 0.3 : 0.0);
        dent << QPointF(i, i == 16 ? 0.2 : 0.0);
        wave << QPointF(i, 8.0 * std::sin(i * M_PI / 16.0));
    }
    QTest::newRow("two points") << QPolygonF(QVector<QPointF>{QPointF(0, 0), QPointF(5, 5)}) << 2;
    QTest::newRow("ripple within the tolerance") << flat << 2;
    // The spike's feet too: without them the line to its tip would pass 0.28 from them.
    QTest::newRow("one point out by more") << spike << 5;
    QTest::newRow("one point out by less") << dent << 2;
    QTest::newRow("corner")
        << QPolygonF(QVector<QPointF>{QPointF(0, 0), QPointF(5, 0.1), QPointF(10, 0), QPointF(10, 8)}) << 3;
    QTest::newRow("closed on itself")
        << QPolygonF(QVector<QPointF>{QPointF(0, 0), QPointF(4, 0), QPointF(4, 4), QPointF(0, 0)}) << 4;
    QTest::newRow("all on one point") << QPolygonF(QVector<QPointF>{QPointF(1, 1), QPointF(1, 1), QPointF(1, 1)}) << 2;
    QTest::newRow("full wave") << wave << -1;
}

// What is dropped lies within the tolerance of what is kept; the ends and
// every point that stands out by more stay, in their order.
void tst_Painting::simplifiedPolyline()
{
    QFETCH(QPolygonF, polyline);
    QFETCH(int, kept);
    const double tolerance = 0.25;
    const QPolygonF simple = ReportPainter::simplifiedPolyline(polyline, tolerance);
    if (kept >= 0)
        QCOMPARE(simple.size(), kept);
    else
        QVERIFY(simple.size() > 8 && simple.size() < polyline.size());
    QCOMPARE(simple.first(), polyline.first());
    QCOMPARE(simple.last(), polyline.last());
    int next = 0;
    for (const QPointF& p : simple) {
        while (next < polyline.size() && polyline.at(next) != p)
            ++next;
        QVERIFY2(next < polyline.size(), "a point not of the polyline, or out of order");
    }
    for (const QPointF& p : polyline) {
        double nearest = std::numeric_limits<double>::max();
        for (int i = 1; i < simple.size(); ++i) {
            const QPointF a = simple.at(i - 1), d = simple.at(i) - a;
            const double dd = QPointF::dotProduct(d, d);
            const double t = dd > 0.0 ? std::clamp(QPointF::dotProduct(p - a, d) / dd, 0.0, 1.0) : 0.0;
            nearest = std::min(nearest, QLineF(p, a + d * t).length());
        }
        QVERIFY2(nearest <= tolerance + 1e-12,
                 qPrintable(QString("%1, %2 is %3 away").arg(p.x()).arg(p.y()).arg(nearest)));
    }
}

void tst_Painting::overviewCurvesKeepTheirSize_data()
{
    QTest::addColumn<int>("dpi");
    QTest::addColumn<QString>("chapter");
    for (const int dpi : {72, 300})
        for (const QString& chapter : {Report::ChapterDeflectionsGraphical, Report::ChapterBendingMomentsGraphical})
            QTest::newRow(qPrintable(QString("%1 at %2 dpi").arg(chapter).arg(dpi))) << dpi << chapter;
}

// Two simply supported beams of 4 m, 2 m apart in the plane the camera
// faces, with P and P/10 at mid-span: the curves of the first reach R/6 from
// it, those of the second R/60 (deflection PL³/48EI and moment PL/4 are
// both linear in P; P makes the deflection over 1 m, so that it sets the
// scale). The sphere of radius R = √5 fills 1/1.2 of the picture's fitting
// square, so R/6 is its side over 14.4 and R/60 its side over 144. Each
// curve's ink is its reach and the pen's width, whatever the picture drops.
void tst_Painting::overviewCurvesKeepTheirSize()
{
    QFETCH(int, dpi);
    QFETCH(QString, chapter);
    ReportDocument d;
    QList<MemberRef> members;
    for (const double y : {0.0, 2.0}) {
        members << d.member(d.node(0.0, y, 0.0, Dof::All & ~Dof::Rz), d.node(4.0, y, 0.0, Dof::Y | Dof::Z | Dof::Rx));
        d.load<PointLoad>(members.last(), {{0.5, y == 0.0 ? 1e7 : 1e6}});
    }
    const QSharedPointer<AnalysisResultCase> results = d.analyse();
    QVERIFY(results);
    QVERIFY(results->maximumDisplacementOnMember(members[0]).maximum > 1.0);

    ReportPainter painter(d.layout({}), d.document->unitSystem(), {});
    const int side = dpi * 4, inset = qRound(1.27 * dpi / 25.4);
    QImage image = painted(painter, 0, dpi, QSize(side, side));
    QPainter target(&image);
    target.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    painter.painter = &target;
    painter.resolution = dpi;
    painter.plateInset = QSize(inset, inset);
    painter.structureCentreAndRadius = Vector4(2.0, 1.0, 0.0, std::sqrt(5.0));
    painter.viewPoint.setFocalPoint(Vector3(2.0, 1.0, 0.0));
    painter.viewPoint.setDistance(1.0);
    const bool deflections = chapter == Report::ChapterDeflectionsGraphical;
    if (deflections)
        painter.paintOverviewDeflections(results, members, image.rect());
    else
        painter.paintOverviewBendingMoments(results, members, image.rect());
    target.end();

    const auto curve = [&](QColor c) {
        return deflections ? c.blue() < 64 && std::abs(c.red() - c.green()) < 24 && c.red() < 224
                           : c.red() < 64 && std::abs(c.green() - c.blue()) < 24 && c.green() < 224;
    };
    // The beams lie on the rows a quarter and three quarters of the way down the fitting square.
    const double fitting = side - 2 * inset, pen = 0.35 * dpi / 25.4;
    const QRect lower = inked(image.copy(0, side / 2, side, side / 2), curve);
    const QRect upper = inked(image.copy(0, 0, side, side / 2), curve);
    const double large = fitting / 14.4 + pen, small = fitting / 144.0 + pen;
    QVERIFY2(std::fabs(lower.height() - large) <= 2.0, qPrintable(QString("%1 for %2").arg(lower.height()).arg(large)));
    // Below four pixels a curve is not told from its member's straight line.
    if (small - pen >= 4.0)
        QVERIFY2(std::fabs(upper.height() - small) <= 2.0,
                 qPrintable(QString("%1 for %2").arg(upper.height()).arg(small)));
    else
        QVERIFY(!upper.isEmpty());
}

// Two covers of one report: the first reports the whole row of two members,
// the second only its right member. Each cover's nodes and members are
// drawn from pictures that all its covers share: each shows its own objects,
// centred in their plates, which mirror each other about the page's middle.
void tst_Painting::coverPicturesFollowTheirPlates()
{
    ReportDocument d;
    const QList<NodeRef> nodes = {d.node(0.0), d.node(2.0), d.node(4.0), d.node(6.0)};
    const QList<MemberRef> members = {d.member(nodes[0], nodes[1]), d.member(nodes[2], nodes[3])};
    const ReportLayoutRef layout = d.layout({Report::ChapterGroupCover, Report::ChapterGroupCover});
    QCOMPARE(layout->pages.size(), 2);
    ReportLayout::Plate& right = layout->pages[1][0];
    right.nodes = nodes.mid(2);
    right.members = members.mid(1);
    ReportPainter painter(layout, d.document->unitSystem(), {});

    // The red of the highlights, on the rows through the middle of the plates and left or right of the page's middle.
    const auto boxes = [&](const QImage& page) {
        const int top = page.height() * 2 / 5, height = page.height() / 5, half = page.width() / 2;
        const auto red = [](QColor c) { return c.red() > 100 && c.green() < 60 && c.blue() < 60; };
        return qMakePair(inked(page.copy(0, top, half, height), red).translated(0, top),
                         inked(page.copy(half, top, page.width() - half, height), red).translated(half, top));
    };
    const auto rightFirst = boxes(painted(painter, 2));
    const auto whole = boxes(painted(painter, 1));
    const auto rightAgain = boxes(painted(painter, 2));
    QCOMPARE(rightAgain, rightFirst);

    // The two plates are equally wide, one from the cover's left edge, one to its right edge
    // less 1: their centres add up to the two edges less 1, the page's width less 2.
    const int width = painted(painter, 0).width();
    const auto centre = [](const QRect& box) { return QRectF(box).center(); };
    // Dots of 1.5 mm and lines of 0.75 mm.
    const double dot = 1.5 * 72 / 25.4, pen = 0.75 * 72 / 25.4;
    for (const auto& [nodeBox, memberBox] : {whole, rightFirst}) {
        QVERIFY(!nodeBox.isEmpty() && !memberBox.isEmpty());
        QVERIFY(std::fabs(centre(memberBox).y() - centre(nodeBox).y()) <= 1.0);
    }
    QVERIFY2(std::fabs(centre(whole.first).x() + centre(whole.second).x() - (width - 2)) <= 2.0,
             qPrintable(QString("%1 + %2").arg(centre(whole.first).x()).arg(centre(whole.second).x())));
    // The right member spans a third of the row, and ends where the row does.
    QVERIFY(std::abs(rightFirst.first.right() - whole.first.right()) <= 1);
    QVERIFY(std::abs(rightFirst.second.right() - whole.second.right()) <= 1);
    QVERIFY(std::fabs((rightFirst.first.width() - dot) * 3.0 - (whole.first.width() - dot)) <= 3.0);
    QVERIFY(std::fabs((rightFirst.second.width() - pen) * 3.0 - (whole.second.width() - pen)) <= 3.0);
}

VARO_TEST_MAIN(tst_Painting)
#include "tst_painting.moc"
