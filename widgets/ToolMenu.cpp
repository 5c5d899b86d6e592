#include "ToolMenu.h"

#include "PaintHelpers.h"
#include "VisualConstants.h"

#include <QGridLayout>
#include <QIcon>
#include <QToolBar>
#include <QToolButton>

namespace {

void setStyleSheets()
{
    ToolMenu::StyleSheet::AnySizeButton =
        QStringLiteral("QToolButton { background-color:none; padding:0px 0px 0px 0px; border:none; } "
                       "QToolButton:hover { border:2px solid #aaaaaa; border-radius:6px; }");
    ToolMenu::StyleSheet::FixedSizeButton =
        QStringLiteral("QToolButton { icon-size:44px; width:44px; height:44px; padding:0px 0px 0px 0px; "
                       "border:none; } QToolButton:hover { border:2px solid #aaaaaa; border-radius:8px; }");
}

const bool styleSheetsRegistered = (addVisualConstantsInitialiser(setStyleSheets), true);

} // namespace

QString ToolMenu::StyleSheet::AnySizeButton;
QString ToolMenu::StyleSheet::FixedSizeButton;

ToolMenu::ToolMenu(QToolBar* toolBar, const QPixmap& pixmap, QWidget* parent)
    : QWidget(parent, Qt::Popup), grid(new QGridLayout(this))
{
    hide();
    button = makeButton(QIcon(menuButtonPixmap(pixmap)), QString(), toolBar);
    toolBar->addWidget(button);
    connect(button, &QToolButton::clicked, this, &ToolMenu::open);
}

void ToolMenu::open()
{
    move(button->mapToGlobal(button->rect().bottomLeft()));
    show();
}

QToolButton* ToolMenu::addButton(const QIcon& icon, const QString& text, const QObject* receiver, const char* slot)
{
    QToolButton* added = makeFixedSizeButton(icon, text, this);
    if (receiver)
        connect(added, SIGNAL(clicked(bool)), receiver, slot);
    connect(added, &QToolButton::clicked, this, &QWidget::hide);
    grid->addWidget(added, findSpareCell(grid, column), column);
    return added;
}

void ToolMenu::addSpacer()
{
    auto* spacer = new QWidget(this);
    spacer->setFixedSize(44, 44);
    grid->addWidget(spacer, findSpareCell(grid, column), column);
}

int ToolMenu::findSpareCell(QGridLayout* grid, int column)
{
    for (int row = 0; row < grid->rowCount(); ++row)
        if (!grid->itemAtPosition(row, column))
            return row;
    return grid->rowCount();
}

QToolButton* ToolMenu::makeButton(const QIcon& icon, const QString& text, QWidget* parent)
{
    auto* made = new QToolButton(parent);
    made->setAutoRaise(true);
    made->setFocusPolicy(Qt::NoFocus);
    made->setStyleSheet(StyleSheet::AnySizeButton);
    made->setIcon(icon);
    made->setText(text);
    return made;
}

QToolButton* ToolMenu::makeFixedSizeButton(const QIcon& icon, const QString& text, QWidget* parent)
{
    QToolButton* made = makeButton(icon, text, parent);
    made->setStyleSheet(StyleSheet::FixedSizeButton);
    return made;
}

QPixmap ToolMenu::menuButtonPixmap(const QPixmap& pixmap)
{
    return blendPixmaps(pixmap, QPixmap(QStringLiteral(":/buttonMenuArrow.png")));
}
