#pragma once

#include <QGraphicsSimpleTextItem>
#include <QObject>

// A text of a graphics scene that reports double clicks, such as a dimension
// the user may edit.
class ClickableGraphicsTextItem : public QObject, public QGraphicsSimpleTextItem
{
    Q_OBJECT

public:
    explicit ClickableGraphicsTextItem(QGraphicsItem* parent = nullptr);
    ClickableGraphicsTextItem(const QString& text, QGraphicsItem* parent = nullptr);

signals:
    void DoubleClicked();

protected:
    // Accepting the press is what lets the item receive the double click.
    void mousePressEvent(QGraphicsSceneMouseEvent* event) override;
    void mouseDoubleClickEvent(QGraphicsSceneMouseEvent* event) override;
};
