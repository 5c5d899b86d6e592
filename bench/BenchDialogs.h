#pragma once

#include "UserDialogs.h"

// Answers every question with Discard and chooses no file, so that a
// benchmark that closes windows waits on no one.
class SilentDialogs : public UserDialogs
{
public:
    QMessageBox::StandardButton message(QWidget*, QMessageBox::Icon, const QString&, QMessageBox::StandardButtons,
                                        QMessageBox::StandardButton) override
    {
        return QMessageBox::Discard;
    }
    QString fileName(QWidget*, bool, const QString&, const QString&, const QString&, QString*, bool) override
    {
        return QString();
    }
};
