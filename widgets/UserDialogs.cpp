#include "UserDialogs.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QPushButton>
#include <QScopedPointer>

namespace {

UserDialogs* installed = nullptr;

// The button box makes its first accepting button the default when it is
// shown, and a focused button takes the default over; both are undone here.
class BoxWithoutDefault : public QMessageBox
{
public:
    using QMessageBox::QMessageBox;

protected:
    void showEvent(QShowEvent* event) override
    {
        QMessageBox::showEvent(event);
        for (QPushButton* button : findChildren<QPushButton*>()) {
            button->setAutoDefault(false);
            button->setDefault(false);
        }
    }
};

} // namespace

QMessageBox* UserDialogs::createMessageBox(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                                           QMessageBox::StandardButtons buttons,
                                           QMessageBox::StandardButton defaultButton)
{
    const QString title = QCoreApplication::applicationName();
    if (defaultButton == QMessageBox::NoButton)
        return new BoxWithoutDefault(icon, title, text, buttons, parent);
    auto* box = new QMessageBox(icon, title, text, buttons, parent);
    box->setDefaultButton(defaultButton);
    return box;
}

QMessageBox::StandardButton UserDialogs::message(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                                                 QMessageBox::StandardButtons buttons,
                                                 QMessageBox::StandardButton defaultButton)
{
    const QScopedPointer<QMessageBox> box(createMessageBox(parent, icon, text, buttons, defaultButton));
    return QMessageBox::StandardButton(box->exec());
}

QString UserDialogs::fileName(QWidget* parent, bool open, const QString& caption, const QString& startPath,
                              const QString& filters, QString* selectedFilter, bool confirmReplacing)
{
    const QFileDialog::Options options(confirmReplacing ? QFileDialog::Options() : QFileDialog::DontConfirmOverwrite);
    return open ? QFileDialog::getOpenFileName(parent, caption, startPath, filters, selectedFilter)
                : QFileDialog::getSaveFileName(parent, caption, startPath, filters, selectedFilter, options);
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

bool UserDialogs::confirm(QWidget* parent, const QString& question)
{
    return current().message(parent, QMessageBox::Warning, question, QMessageBox::Yes | QMessageBox::No,
                             QMessageBox::No) == QMessageBox::Yes;
}

bool UserDialogs::confirmReplacing(QWidget* parent, const QString& path)
{
    return confirm(parent, QCoreApplication::translate("UserDialogs",
                                                       "The file '%1' already exists.\nDo you want to replace it?")
                               .arg(path));
}
