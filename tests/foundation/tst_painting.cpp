#include "PaintHelpers.h"
#include "VisualConstants.h"
#include "TestMain.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QtTest>

class TestPainting : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void colourIndicesRoundTrip();
    void repositionWithinRect();
    void textAlongLineKeepsItsSide();
    void richTextAnchors();
    void metricPenWidthFollowsResolution();
};

void TestPainting::initTestCase()
{
    initialiseVisualConstants();
}

void TestPainting::colourIndicesRoundTrip()
{
    QCOMPARE(iQColour::rgbForIndex(0), 0u);
    for (int index = 0; index < (1 << 24); index += 4099)
        QCOMPARE(iQColour::indexForRgb(iQColour::rgbForIndex(index)), index);
    for (unsigned rgb = 0; rgb < (1u << 24); rgb += 5003)
        QCOMPARE(iQColour::rgbForIndex(iQColour::indexForRgb(rgb)), rgb);
    // Alpha read back from a frame buffer is ignored.
    QCOMPARE(iQColour::indexForRgb(0xFF000000u | iQColour::rgbForIndex(12345)), 12345);
}

void TestPainting::repositionWithinRect()
{
    const QRect bound(0, 0, 800, 600);
    const QList<QPair<QRect, QRect>> cases{{QRect(10, 10, 100, 100), QRect(10, 10, 100, 100)},
                                           {QRect(750, 580, 100, 100), QRect(700, 500, 100, 100)},
                                           {QRect(-50, 200, 1000, 900), bound}};
    for (QPair<QRect, QRect> c : cases) {
        iQRect::repositionWithinRect(&c.first, bound);
        QCOMPARE(c.first, c.second);
    }
}

void TestPainting::textAlongLineKeepsItsSide()
{
    QImage image(200, 200, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    painter.setFont(Fonts::standard);
    const QPointF point(100, 100);

    // Along +x, bit 0x01 puts the box on the negative-y side, 3 px off the line.
    QRect box = iQt::paintTextAlongLine(&painter, "12.5", point, QLineF(0, 100, 200, 100), QPoint(0, 3), 0x01 | 0x04)
                    .boundingRect();
    QVERIFY2(box.bottom() <= 98, qPrintable(QString::number(box.bottom())));
    QVERIFY(qAbs(box.center().x() - 100) <= 2);

    // Along -x the text turns upright and keeps to the side it was given on screen.
    box = iQt::paintTextAlongLine(&painter, "12.5", point, QLineF(200, 100, 0, 100), QPoint(0, 3), 0x81)
              .boundingRect();
    QVERIFY2(box.top() >= 102, qPrintable(QString::number(box.top())));
    // ... unless told to keep the side of the turned frame.
    box = iQt::paintTextAlongLine(&painter, "12.5", point, QLineF(200, 100, 0, 100), QPoint(0, 3), 0x89)
              .boundingRect();
    QVERIFY(box.bottom() <= 98);

    // The painter is left as it was.
    QVERIFY(painter.transform().isIdentity());
}

void TestPainting::richTextAnchors()
{
    QImage image(300, 200, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    const QString html = QStringLiteral("<b>Load</b> 12 kN");
    QRectF r = iQPainter::drawRichText(&painter, QPointF(150, 100), Qt::AlignRight | Qt::AlignBottom, html, QString());
    QCOMPARE(r.bottomRight(), QPointF(150, 100));
    r = iQPainter::drawRichText(&painter, QPointF(150, 100), Qt::AlignHCenter | Qt::AlignVCenter, html, QString());
    QCOMPARE(r.center(), QPointF(150, 100));

    const QRect box = iQt::paintRichText(&painter, html, QString(), QColor(255, 0, 0), 0);
    QCOMPARE(box.topLeft(), QPoint(0, 0));
    QCOMPARE(image.pixelColor(1, 1), QColor(255, 0, 0));
}

void TestPainting::metricPenWidthFollowsResolution()
{
    QImage image(10, 10, QImage::Format_ARGB32_Premultiplied);
    image.setDotsPerMeterX(qRound(600 / 0.0254)); // 600 dpi
    QPainter painter(&image);
    iQPainter::setMetricPen(&painter, Pens::printHighlightThick);
    QVERIFY(qAbs(painter.pen().widthF() - 0.75 * image.logicalDpiX() / 25.4) < 1e-9);
    QCOMPARE(Pens::printHighlightThick.widthF(), 0.75); // the global is not touched
}

VARO_TEST_MAIN(TestPainting)
#include "tst_painting.moc"
