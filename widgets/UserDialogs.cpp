#include "UserDialogs.h"

#include <QCoreApplication>
#include <QFileDialog>

namespace {

UserDialogs* installed = nullptr;

} // namespace

QMessageBox::StandardButton UserDialogs::message(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                                                 QMessageBox::StandardButtons buttons,
                                                 QMessageBox::StandardButton defaultButton)
{
    QMessageBox box(icon, QCoreApplication::applicationName(), text, buttons, parent);
    box.setDefaultButton(defaultButton);
    return QMessageBox::StandardButton(box.exec());
}

QString UserDialogs::fileName(QWidget* parent, bool open, const QString& caption, const QString& startPath,
                              const QString& filters, QString* selectedFilter)
{
    return open ? QFileDialog::getOpenFileName(parent, caption, startPath, filters, selectedFilter)
                : QFileDialog::getSaveFileName(parent, caption, startPath, filters, selectedFilter);
}

UserDialogs& UserDialogs::current()
{
    static UserDialogs platform;
    return installed ? *installed : platform;
}

void UserDialogs::install(UserDialogs* dialogs)
{
    installed = dialogs;
}

void UserDialogs::information(QWidget* parent, const QString& text)
{
    current().message(parent, QMessageBox::Information, text, QMessageBox::Ok, QMessageBox::Ok);
}

void UserDialogs::warning(QWidget* parent, const QString& text)
{
    current().message(parent, QMessageBox::Warning, text, QMessageBox::Ok, QMessageBox::Ok);
}
