#include "ClickableGraphicsTextItem.h"

#include <QGraphicsSceneMouseEvent>

ClickableGraphicsTextItem::ClickableGraphicsTextItem(QGraphicsItem* parent) : QGraphicsSimpleTextItem(parent) {}

ClickableGraphicsTextItem::ClickableGraphicsTextItem(const QString& text, QGraphicsItem* parent)
    : QGraphicsSimpleTextItem(text, parent)
{
}

void ClickableGraphicsTextItem::mousePressEvent(QGraphicsSceneMouseEvent* event)
{
    event->accept();
}

void ClickableGraphicsTextItem::mouseDoubleClickEvent(QGraphicsSceneMouseEvent* event)
{
    event->accept();
    emit DoubleClicked();
}
