#pragma once

#include <QPixmap>
#include <QString>
#include <QWidget>

class QGridLayout;
class QIcon;
class QToolBar;
class QToolButton;

// The pop-up grid of tool buttons opened from a button of a tool bar. The
// owner names the opening button and advances column to start a new column.
class ToolMenu : public QWidget
{
    Q_OBJECT

public:
    struct StyleSheet
    {
        static QString AnySizeButton;
        static QString FixedSizeButton;
    };

    ToolMenu(QToolBar* toolBar, const QPixmap& pixmap, QWidget* parent);

    QToolButton* button;
    int column = 0;

    // Without a receiver the caller connects the button itself.
    QToolButton* addButton(const QIcon& icon, const QString& text, const QObject* receiver, const char* slot);
    void addSpacer();
    // The first empty row of the column: the row count when all are taken.
    static int findSpareCell(QGridLayout* grid, int column);

    static QToolButton* makeButton(const QIcon& icon, const QString& text, QWidget* parent);
    static QToolButton* makeFixedSizeButton(const QIcon& icon, const QString& text, QWidget* parent);
    // The tool-bar icon of a button that opens a menu.
    static QPixmap menuButtonPixmap(const QPixmap& pixmap);

public slots:
    void open();

private:
    QGridLayout* grid;
};
