#include "ColourPicker.h"

#include <QMouseEvent>
#include <QPainter>

ColourPicker::ColourPicker(QWidget* parent, Qt::WindowFlags flags) : QWidget(parent, flags), current(Qt::white)
{
    setMinimumSize(64, 64);
    setFocusPolicy(Qt::NoFocus);
}

QSize ColourPicker::sizeHint() const
{
    return QSize(192, 192);
}

QColor ColourPicker::colourOfSwatch(int column, int row)
{
    const int blue = ((row & 4) >> 1) | ((column & 4) >> 2);
    return QColor((column % 4) * 85, (row % 4) * 85, blue * 85, 255);
}

QColor ColourPicker::colourOfSwatchAt(const QPoint& point) const
{
    const QSize size = swatchSize();
    if (size.width() <= 0 || size.height() <= 0)
        return colourOfSwatch(0, 0);
    return colourOfSwatch(qBound(0, point.x() / size.width(), 7), qBound(0, point.y() / size.height(), 7));
}

QSize ColourPicker::swatchSize() const
{
    return QSize((width() - 16) / 8, (height() - 16) / 8);
}

QRect ColourPicker::swatchArea() const
{
    const QSize size = swatchSize();
    return QRect((width() - 8 * size.width()) / 2, (height() - 8 * size.height()) / 2, 8 * size.width(),
                 8 * size.height());
}

QRect ColourPicker::rectOfSwatch(const QColor& colour) const
{
    const int blue = colour.blue() / 85;
    const int column = colour.red() / 85 + 4 * (blue & 1);
    const int row = colour.green() / 85 + 2 * (blue & 2);
    const QSize size = swatchSize();
    return QRect(column * size.width(), row * size.height(), size.width(), size.height());
}

void ColourPicker::setColour(const QColor& colour)
{
    if (colour == current)
        return;
    current = colour;
    update();
}

void ColourPicker::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    const QColor picked = colourOfSwatchAt(event->pos() - swatchArea().topLeft());
    if (picked != current)
        emit ColourChanged(picked);
}

void ColourPicker::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.fillRect(rect().adjusted(6, 6, -6, -6), Qt::black);

    const QRect area = swatchArea();
    const int w = swatchSize().width();
    const int h = swatchSize().height();
    painter.setClipRect(area);
    painter.translate(area.topLeft());
    // The diagonals show through a translucent current colour.
    painter.setPen(Qt::white);
    for (int i = -7; i <= 7; ++i)
        for (int j = -7; j <= 7; ++j) {
            painter.drawLine(i * w, j * h, (i + 8) * w, (j + 8) * h);
            painter.drawLine((i + 8) * w, j * h, i * w, (j + 8) * h);
        }
    for (int column = 0; column < 8; ++column)
        for (int row = 0; row < 8; ++row) {
            QColor colour = colourOfSwatch(column, row);
            colour.setAlpha(current.alpha());
            painter.fillRect(column * w, row * h, w, h, colour);
        }

    if (!current.isValid())
        return;
    const QPoint centre = rectOfSwatch(current).center();
    const int r = qMin(w, h) / 2;
    const QRect mark(centre - QPoint(r + 6, r + 6), centre + QPoint(r + 5, r + 5));
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::black, 4));
    painter.drawEllipse(mark);
    painter.setPen(QPen(Qt::white, 2));
    painter.drawEllipse(mark);
}
