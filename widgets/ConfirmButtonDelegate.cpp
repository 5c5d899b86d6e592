#include "ConfirmButtonDelegate.h"

#include <QPushButton>

ConfirmButtonDelegate::ConfirmButtonDelegate(QPushButton* button) : QObject(button), button(button)
{
    timer.setSingleShot(true);
    connect(button, &QPushButton::clicked, this, &ConfirmButtonDelegate::buttonClicked);
    connect(&timer, &QTimer::timeout, this, &ConfirmButtonDelegate::reset);
}

void ConfirmButtonDelegate::buttonClicked(bool checked)
{
    if (checked) {
        timer.start(WaitMilliseconds);
        return;
    }
    timer.stop();
    button->setChecked(false);
    emit Confirmed();
}

void ConfirmButtonDelegate::reset()
{
    timer.stop();
    button->setChecked(false);
}
