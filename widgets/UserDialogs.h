#pragma once

#include <QMessageBox>
#include <QString>

class QWidget;

// Every message box and file dialog of the program goes through the one
// installed instance, so that a test can record what the user would see and
// answer it without a modal loop.
class UserDialogs
{
public:
    virtual ~UserDialogs() = default;

    // A box titled with the application name; returns the button pressed.
    virtual QMessageBox::StandardButton message(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                                                QMessageBox::StandardButtons buttons,
                                                QMessageBox::StandardButton defaultButton);
    // The platform's open or save dialog; empty when cancelled. A caller
    // that completes or checks the name first asks about replacing itself.
    virtual QString fileName(QWidget* parent, bool open, const QString& caption, const QString& startPath,
                             const QString& filters, QString* selectedFilter, bool confirmReplacing = true);

    // The box that message() runs. Without a default button Return answers
    // nothing, so that no answer is given by a key pressed out of habit.
    static QMessageBox* createMessageBox(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                                         QMessageBox::StandardButtons buttons,
                                         QMessageBox::StandardButton defaultButton);

    static UserDialogs& current();
    // Null puts the platform's dialogs back; the caller keeps ownership.
    static void install(UserDialogs* dialogs);

    static void information(QWidget* parent, const QString& text);
    static void warning(QWidget* parent, const QString& text);
    // A Yes or No question with No the default; true on Yes.
    static bool confirm(QWidget* parent, const QString& question);
    // Whether the file at the path, which exists, is to be replaced.
    static bool confirmReplacing(QWidget* parent, const QString& path);
};
