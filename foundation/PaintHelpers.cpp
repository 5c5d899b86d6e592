#include "PaintHelpers.h"

#include <QAbstractTextDocumentLayout>
#include <QGridLayout>
#include <QLayoutItem>
#include <QPainter>
#include <QPixmapCache>
#include <QTextDocument>
#include <QWidget>

#include <cmath>

unsigned iQColour::rgbForIndex(int index)
{
    unsigned rgb = 0;
    for (int k = 0; k < 8; ++k) {
        if (index & (1 << (3 * k)))
            rgb |= 1u << k;
        if (index & (1 << (3 * k + 1)))
            rgb |= 1u << (8 + k);
        if (index & (1 << (3 * k + 2)))
            rgb |= 1u << (16 + k);
    }
    return rgb;
}

int iQColour::indexForRgb(unsigned rgb)
{
    int index = 0;
    for (int k = 0; k < 8; ++k) {
        if (rgb & (1u << k))
            index |= 1 << (3 * k);
        if (rgb & (1u << (8 + k)))
            index |= 1 << (3 * k + 1);
        if (rgb & (1u << (16 + k)))
            index |= 1 << (3 * k + 2);
    }
    return index;
}

namespace {
const QChar ellipsis(0x2026);
// The most of a text a tool tip shows.
const int toolTipLetters = 300;
} // namespace

QString iQt::clippedForToolTip(const QString& text)
{
    if (text.size() <= toolTipLetters)
        return text;
    // A letter in two halves is kept whole or left out.
    return text.left(toolTipLetters - (text.at(toolTipLetters - 1).isHighSurrogate() ? 1 : 0)) + ellipsis;
}

QString iQt::cssColour(const QColor& colour)
{
    if (colour.alpha() != 255)
        return QStringLiteral("rgba(%1,%2,%3,%4)").arg(colour.red()).arg(colour.green()).arg(colour.blue()).arg(colour.alpha());
    return colour.name(QColor::HexRgb);
}

QPolygon iQt::paintTextAlongLine(QPainter* painter, QString text, QPointF point, QLineF line, QPoint offset, int bits)
{
    double angle = std::atan2(line.dy(), line.dx()) * 180.0 / M_PI;
    if (bits & Upright) {
        bool folded = false;
        if (angle > 90.0) {
            angle -= 180.0;
            folded = true;
        } else if (angle < -90.0) {
            angle += 180.0;
            folded = true;
        }
        // A turned frame flips its sides too: swap them back so the label
        // stays where it was meant to be on screen.
        const int side = bits & (BoxBelow | BoxAbove);
        if (folded && !(bits & KeepSide) && (side == BoxBelow || side == BoxAbove))
            bits ^= BoxBelow | BoxAbove;
    }

    const QFontMetrics metrics(painter->font(), painter->device());
    const QRect tight = metrics.tightBoundingRect(text);
    QRect box = tight.adjusted(-4, -4, 4, 4);
    box.moveLeft((bits & CentreAlong) ? offset.x() - box.width() / 2 : offset.x());
    if (bits & BoxBelow)
        box.moveBottom(-offset.y());
    else if (bits & BoxAbove)
        box.moveTop(offset.y());
    else
        box.moveTop(-box.height() / 2);

    painter->save();
    painter->translate(point);
    painter->rotate(angle);
    painter->drawText(QPointF(box.left() + 4 - tight.left(), box.top() + 4 - tight.top()), text);
    const QPolygon outline = painter->transform().map(QPolygonF(QRectF(box))).toPolygon();
    painter->restore();
    return outline;
}

QRect iQt::paintRichText(QPainter* painter, QString html, QString styleSheet, QColor background, int bits)
{
    Q_UNUSED(bits) // every placement other than top-left at the origin is unused
    QTextDocument document;
    document.documentLayout()->setPaintDevice(painter->device());
    document.setDefaultStyleSheet(styleSheet);
    document.setHtml(html);
    const QSizeF size = document.size();
    const QRect box(0, 0, int(std::ceil(size.width())), int(std::ceil(size.height())));

    painter->save();
    if (background.alpha() > 0)
        painter->fillRect(box, background);
    painter->setClipRect(box, Qt::IntersectClip);
    document.drawContents(painter, QRectF(box));
    painter->restore();
    return box;
}

void iQt::paintPseudo3DArrow(QPainter* painter, QLineF line, double headFraction, double headHalfWidth)
{
    const double length = line.length();
    if (length <= 0.0)
        return;
    const QPointF along = (line.p2() - line.p1()) / length;
    const QPointF across(-along.y(), along.x());
    const QPointF base = line.p2() - along * (length * headFraction);
    const QPointF left = base + across * headHalfWidth;
    const QPointF right = base - across * headHalfWidth;

    painter->save();
    painter->drawLine(line.p1(), base);
    const QColor colour = painter->pen().color();
    painter->setPen(Qt::NoPen);
    // Two halves in two shades give the head a faceted, solid look.
    painter->setBrush(colour);
    painter->drawPolygon(QPolygonF({line.p2(), left, base}));
    painter->setBrush(colour.lighter(160));
    painter->drawPolygon(QPolygonF({line.p2(), base, right}));
    painter->restore();
}

namespace {

void layOutRichText(QTextDocument& document, QPainter* painter, const QString& html, const QString& styleSheet)
{
    document.setUseDesignMetrics(true);
    document.setDocumentMargin(0);
    document.documentLayout()->setPaintDevice(painter->device());
    document.setDefaultStyleSheet(styleSheet);
    document.setHtml(QStringLiteral("<body>%1</body>").arg(html));
}

} // namespace

QRectF iQPainter::drawRichText(QPainter* painter, QPointF anchor, int alignment, const QString& html,
                               const QString& styleSheet)
{
    QTextDocument document;
    layOutRichText(document, painter, html, styleSheet);
    const QSizeF size = document.size();

    double left = anchor.x();
    if (alignment & Qt::AlignHCenter)
        left -= size.width() / 2.0;
    else if (alignment & Qt::AlignRight)
        left -= size.width();
    double top = anchor.y();
    if (alignment & Qt::AlignVCenter)
        top -= size.height() / 2.0;
    else if (alignment & Qt::AlignBottom)
        top -= size.height();

    painter->save();
    painter->translate(left, top);
    document.drawContents(painter);
    painter->restore();
    return QRectF(QPointF(left, top), size);
}

QSizeF iQPainter::richTextSize(QPainter* painter, const QString& html, const QString& styleSheet)
{
    QTextDocument document;
    layOutRichText(document, painter, html, styleSheet);
    return document.size();
}

void iQPainter::setMetricPen(QPainter* painter, const QPen& pen)
{
    QPen metric(pen);
    metric.setWidthF(pen.widthF() * painter->device()->logicalDpiX() / 25.4);
    painter->setPen(metric);
}

QRect iQFontMetrics::unitedTightBoundingRect(const QFontMetrics& metrics, const QStringList& strings)
{
    QRect united;
    for (const QString& s : strings)
        united = united.united(metrics.tightBoundingRect(s));
    return united;
}

QString iQFontMetrics::elidedToFit(const QFontMetrics& metrics, const QString& text, int width)
{
    // No letter shown is narrower than a pixel, so a text longer than the
    // width in pixels never fits; what shows comes from that many letters.
    const qint64 letters = qint64(std::max(0, width)) + 1;
    if (text.size() > letters) {
        // The ellipsis marks the cut even where letters of no width let the prefix fit.
        return metrics.elidedText(text.left(int(letters)) + ellipsis, Qt::ElideRight, width);
    }
    // Cut only what does not fit: elision in whole pixels may lose a fraction
    // and cut a text that fits.
    return metrics.horizontalAdvance(text) <= width ? text : metrics.elidedText(text, Qt::ElideRight, width);
}

void iQLayout::addHorizontalSpace(QGridLayout* grid, int pixels)
{
    const int row = grid->rowCount();
    grid->addWidget(new QWidget, row, 0, 1, qMax(1, grid->columnCount()));
    grid->setRowMinimumHeight(row, pixels);
}

void iQLayout::setItemsVisible(const QList<QLayoutItem*>& items, bool visible)
{
    for (QLayoutItem* item : items)
        if (item && item->widget())
            item->widget()->setVisible(visible);
}

void iQRect::repositionWithinRect(QRect* rect, const QRect& bound)
{
    if (rect->bottom() > bound.bottom())
        rect->moveBottom(bound.bottom());
    if (rect->right() > bound.right())
        rect->moveRight(bound.right());
    if (rect->left() < bound.left())
        rect->moveLeft(bound.left());
    if (rect->top() < bound.top())
        rect->moveTop(bound.top());
    if (rect->bottom() > bound.bottom())
        rect->setBottom(bound.bottom());
    if (rect->right() > bound.right())
        rect->setRight(bound.right());
}

QPixmap blendPixmaps(const QPixmap& base, const QPixmap& overlay)
{
    QPixmap blended(base);
    QPainter painter(&blended);
    painter.drawPixmap(0, 0, overlay);
    return blended;
}

iCachedPixmap::iCachedPixmap(const QString& path, int height)
    : path(path), height(height), key(path + QLatin1Char('@') + QString::number(height))
{
}

QPixmap iCachedPixmap::operator()() const
{
    QPixmap pixmap;
    if (QPixmapCache::find(key, &pixmap))
        return pixmap;
    pixmap.load(path);
    if (height > 0 && !pixmap.isNull())
        pixmap = pixmap.scaledToHeight(height, Qt::SmoothTransformation);
    QPixmapCache::insert(key, pixmap);
    return pixmap;
}
