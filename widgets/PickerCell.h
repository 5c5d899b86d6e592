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

    // The standard layouts that show an entry's name as their title.
    enum TitleLayout
    {
        Type1, // the title over a rich-text subtitle
        Type2, // the title with a plain note at its right
    };

    explicit PickerCell(QWidget* parent);
    PickerCell(const QString& text, QWidget* parent);
    PickerCell(const QPixmap& pixmap, QWidget* parent);
    // A cell in a standard layout whose title is cut short with "…" to the
    // width the cell has, and then shows whole in its tool tip. It asks for
    // no more width than a few dozen letters of title take and can be made
    // as narrow as a few, so that no name can widen its picker or push what
    // is beside it out of view.
    PickerCell(TitleLayout layout, const QString& title, const QString& second, QWidget* parent);

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
    // Whether a titled cell shows its title whole.
    bool showsWholeTitle() const { return shownTitle == title; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

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
    void resizeEvent(QResizeEvent* event) override;

private:
    void construct(Qt::Alignment alignment);
    void adjustStyleSheet();
    // The text of a titled cell with the title cut to the width given.
    QString titledText(int titleWidth, QString* shown = nullptr) const;
    // How much wider a titled cell is than its text.
    int widthAroundText() const;
    void showTitle();

    bool titled = false;
    TitleLayout titleLayout = Type1;
    QString title;
    QString second;
    QString shownTitle;

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
