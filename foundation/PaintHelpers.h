#pragma once

#include <QColor>
#include <QFontMetrics>
#include <QLineF>
#include <QList>
#include <QPixmap>
#include <QPoint>
#include <QPolygon>
#include <QRect>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>

class QGridLayout;
class QLayoutItem;
class QPainter;
class QPen;

namespace iQColour {
// Deals the index bits over the channels (bit 3k to blue bit k, 3k+1 to green,
// 3k+2 to red), so that neighbouring indices give clearly different colours.
unsigned rgbForIndex(int index);
// The inverse, on the low 24 bits; alpha is ignored.
int indexForRgb(unsigned rgb);
}

namespace iQt {
// Style-sheet text of a colour.
QString cssColour(const QColor& colour);

enum TextAlongLineOption {
    BoxBelow = 0x01,     // on the line's negative-y side
    BoxAbove = 0x02,     // on the line's positive-y side
    CentreAlong = 0x04,
    KeepSide = 0x08,
    Upright = 0x80       // never upside down
};

// At most a few hundred characters of a text, then an ellipsis: a tool tip
// shows a name without laying out all of a long one.
QString clippedForToolTip(const QString& text);

// Paints text in the frame of a line and returns the label box in widget pixels.
QPolygon paintTextAlongLine(QPainter* painter, QString text, QPointF point, QLineF line, QPoint offset, int bits);

// Lays out and paints HTML with its top-left at the painter's origin; returns the box.
QRect paintRichText(QPainter* painter, QString html, QString styleSheet, QColor background, int bits);

// An arrow from line.p1() to line.p2() with a filled, two-toned head.
void paintPseudo3DArrow(QPainter* painter, QLineF line, double headFraction, double headHalfWidth);
}

namespace iQPainter {
QRectF drawRichText(QPainter* painter, QPointF anchor, int alignment, const QString& html, const QString& styleSheet);
QSizeF richTextSize(QPainter* painter, const QString& html, const QString& styleSheet);
// The pen's width is given in millimetres and becomes device pixels.
void setMetricPen(QPainter* painter, const QPen& pen);
}

namespace iQFontMetrics {
QRect unitedTightBoundingRect(const QFontMetrics& metrics, const QStringList& strings);
// The text whole when it fits the width, else cut at its end with an ellipsis.
// Only a prefix of a long text is measured, so a cut costs what is shown.
QString elidedToFit(const QFontMetrics& metrics, const QString& text, int width);
}

namespace iQLayout {
void addHorizontalSpace(QGridLayout* grid, int pixels);
void setItemsVisible(const QList<QLayoutItem*>& items, bool visible);
}

namespace iQRect {
// Moves the rectangle into the bound keeping its size where it fits, then cuts
// what still sticks out at the bottom and right.
void repositionWithinRect(QRect* rect, const QRect& bound);
}

QPixmap blendPixmaps(const QPixmap& base, const QPixmap& overlay);

// A resource image, scaled to a height and kept in the pixmap cache.
class iCachedPixmap
{
public:
    iCachedPixmap(const QString& path, int height);
    QPixmap operator()() const;

private:
    QString path;
    int height;
    QString key;
};
