#pragma once

#include <QColor>
#include <QLabel>
#include <QList>
#include <QPixmap>
#include <QString>

// The clickable tile of the pickers, navigators and editor pages: rich text or
// a small pixmap in a rounded grey frame that lights up under the mouse.
class PickerCell : public QLabel
{
    Q_OBJECT

public:
    struct StyleSheet
    {
        // "border-edge" and "border-corner" stand for the cell's two fragments.
        static QString Template;
    };

    // The three small icons of cells, each loaded once into the pixmap cache.
    struct Pixmap
    {
        static QPixmap add();
        static QPixmap back();
        static QPixmap edit();
    };

    explicit PickerCell(QWidget* parent);
    PickerCell(const QString& text, QWidget* parent);
    PickerCell(const QPixmap& pixmap, QWidget* parent);

    void setActive(bool active);
    void setHighlighted(bool highlighted);
    void setActiveColour(const QColor& colour);
    void setHighlightColour(const QColor& colour);
    void setTextColour(const QColor& colour);
    void setBorderEdges(bool left, bool top, bool right, bool bottom);
    void setBorderCorners(bool topLeft, bool topRight, bool bottomLeft, bool bottomRight);

    bool isActive() const { return active; }
    bool isHighlighted() const { return highlighted; }
    bool isHovered() const { return hovered; }

    // Frames a vertical run of cells as one box sharing its inner lines.
    static void setGroupBorders(const QList<PickerCell*>& cells);
    // The rich-text layouts of cells. Captions, titles and notes are plain
    // text (entry names among them) and show as typed; a subtitle is rich text.
    static QString standardPushButton(const QString& caption);
    static QString standardType1(const QString& title, const QString& subtitle);
    static QString standardType2(const QString& title, const QString& note);

signals:
    void Clicked(PickerCell* cell);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void enterEvent(QEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void construct(Qt::Alignment alignment);
    void adjustStyleSheet();

    bool ready = false;
    bool active = true;
    QString borderEdge;
    QString borderCorner;
    bool highlighted = false;
    bool hovered = false;
    QColor activeColour;
    QColor highlightColour;
    QColor textColour;
};
