#include "ButtonBar.h"

#include "ProgrammaticButtonGroup.h"

#include <QHBoxLayout>
#include <QPushButton>

ButtonBar::ButtonBar(const QStringList& labels, const QStringList& toolTips, QWidget* parent)
    : QWidget(parent), buttonGroup(new ProgrammaticButtonGroup(this))
{
    setFocusPolicy(Qt::NoFocus);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    buttonGroup->setExclusive(true);

    const int n = labels.size();
    for (int i = 0; i < n; ++i) {
        auto* button = new QPushButton(labels[i], this);
        button->setFlat(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setCheckable(true);
        button->setToolTip(toolTips.value(i));
        button->setStyleSheet(
            QStringLiteral(
                "QPushButton { background-color:qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 gainsboro, "
                "stop: 1 darkgray); color:gray; font-weight:bold; border:1px solid black; "
                "border-top-left-radius:%1px; border-bottom-left-radius:%1px; border-top-right-radius:%2px; "
                "border-bottom-right-radius:%2px; padding:6px 16px 6px 16px; } QPushButton:checked { "
                "background-color:qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 dodgerblue, stop: 1 "
                "skyblue); color:white }")
                .arg(i == 0 ? 6 : 0)
                .arg(i == n - 1 ? 6 : 0));
        layout->addWidget(button);
        buttonGroup->addButton(button, i);
    }
    connect(buttonGroup, &QButtonGroup::idClicked, this, &ButtonBar::buttonClicked);
}

void ButtonBar::setCurrentIndex(int index)
{
    buttonGroup->setCurrentIndex(index);
}
