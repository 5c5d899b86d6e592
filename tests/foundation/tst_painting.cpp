#include "PaintHelpers.h"
#include "VisualConstants.h"

#include <QApplication>
#include <QGridLayout>
#include <QImage>
#include <QPainter>
#include <QWidget>
#include <QtTest>

class TestPainting : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void colourIndicesRoundTrip();
    void cssColours();
    void repositionWithinRect_data();
    void repositionWithinRect();
    void textAlongLineKeepsItsSide();
    void richTextAnchors();
    void metricPenWidthFollowsResolution();
    void blendedPixmapShowsBoth();
    void layoutHelpers();
};

void TestPainting::initTestCase()
{
    initialiseVisualConstants();
}

void TestPainting::colourIndicesRoundTrip()
{
    QCOMPARE(iQColour::rgbForIndex(0), 0u);
    QCOMPARE(iQColour::rgbForIndex(0xFFFFFF), 0xFFFFFFu);
    // Consecutive indices differ in the high-order intensity of separate channels.
    QCOMPARE(iQColour::rgbForIndex(1), 0x000001u);
    QCOMPARE(iQColour::rgbForIndex(2), 0x000100u);
    QCOMPARE(iQColour::rgbForIndex(4), 0x010000u);
    QCOMPARE(iQColour::rgbForIndex(8), 0x000002u);
    for (int index = 0; index < (1 << 24); index += 4099)
        QCOMPARE(iQColour::indexForRgb(iQColour::rgbForIndex(index)), index);
    for (unsigned rgb = 0; rgb < (1u << 24); rgb += 5003)
        QCOMPARE(iQColour::rgbForIndex(iQColour::indexForRgb(rgb)), rgb);
    // Alpha read back from a frame buffer is ignored.
    QCOMPARE(iQColour::indexForRgb(0xFF000000u | iQColour::rgbForIndex(12345)), 12345);
}

void TestPainting::cssColours()
{
    QCOMPARE(iQt::cssColour(Colours::interrogator), QStringLiteral("#0080c0"));
    QCOMPARE(iQt::cssColour(QColor(255, 255, 0, 32)), QStringLiteral("rgba(255,255,0,32)"));
}

void TestPainting::repositionWithinRect_data()
{
    QTest::addColumn<QRect>("rect");
    QTest::addColumn<QRect>("expected");
    const QRect bound(0, 0, 800, 600);
    QTest::newRow("inside stays") << QRect(10, 10, 100, 100) << QRect(10, 10, 100, 100);
    QTest::newRow("off bottom right") << QRect(750, 580, 100, 100) << QRect(700, 500, 100, 100);
    QTest::newRow("off top left") << QRect(-30, -40, 100, 100) << QRect(0, 0, 100, 100);
    QTest::newRow("larger than bound") << QRect(-50, 200, 1000, 900) << QRect(0, 0, 800, 600);
}

void TestPainting::repositionWithinRect()
{
    QFETCH(QRect, rect);
    QFETCH(QRect, expected);
    iQRect::repositionWithinRect(&rect, QRect(0, 0, 800, 600));
    QCOMPARE(rect, expected);
}

void TestPainting::textAlongLineKeepsItsSide()
{
    QImage image(200, 200, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
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
    const QSizeF size = iQPainter::richTextSize(&painter, html, QString());
    QVERIFY(size.width() > 10 && size.height() > 5);

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
    QCOMPARE(painter.pen().color(), QColor(160, 0, 0));
    QCOMPARE(Pens::printHighlightThick.widthF(), 0.75); // the global is not touched
}

void TestPainting::blendedPixmapShowsBoth()
{
    QPixmap base(20, 20);
    base.fill(Qt::blue);
    QPixmap overlay(5, 5);
    overlay.fill(Qt::red);
    const QImage blended = blendPixmaps(base, overlay).toImage();
    QCOMPARE(blended.pixelColor(2, 2), QColor(Qt::red));
    QCOMPARE(blended.pixelColor(10, 10), QColor(Qt::blue));
    QCOMPARE(base.toImage().pixelColor(2, 2), QColor(Qt::blue));
}

void TestPainting::layoutHelpers()
{
    QWidget window;
    auto* grid = new QGridLayout(&window);
    grid->addWidget(new QWidget, 0, 0);
    grid->addWidget(new QWidget, 0, 2);
    iQLayout::addHorizontalSpace(grid, 17);
    QCOMPARE(grid->rowCount(), 2);
    QCOMPARE(grid->rowMinimumHeight(1), 17);
    int row, column, rowSpan, columnSpan;
    grid->getItemPosition(grid->indexOf(grid->itemAtPosition(1, 0)->widget()), &row, &column, &rowSpan, &columnSpan);
    QCOMPARE(columnSpan, 3);

    window.show();
    QList<QLayoutItem*> items = {grid->itemAtPosition(0, 0), nullptr, grid->itemAtPosition(0, 2)};
    iQLayout::setItemsVisible(items, false);
    QVERIFY(!grid->itemAtPosition(0, 0)->widget()->isVisible());
    iQLayout::setItemsVisible(items, true);
    QVERIFY(grid->itemAtPosition(0, 2)->widget()->isVisible());

    QCOMPARE(iQFontMetrics::unitedTightBoundingRect(QFontMetrics(Fonts::standard), {}), QRect());
    const QRect united = iQFontMetrics::unitedTightBoundingRect(QFontMetrics(Fonts::standard), {"i", "WWWW"});
    QVERIFY(united.width() >= QFontMetrics(Fonts::standard).tightBoundingRect("WWWW").width());
}

QTEST_MAIN(TestPainting)
#include "tst_painting.moc"
