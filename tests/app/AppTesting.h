#pragma once

#include "Load.h"
#include "Member.h"
#include "Node.h"
#include "StructureModel.h"
#include "Support.h"
#include "UserDialogs.h"

#include <QDir>
#include <QFile>
#include <QList>
#include <QStringList>

// Records every box and dialog and answers them as told.
class RecordingDialogs : public UserDialogs
{
public:
    struct Box
    {
        QMessageBox::Icon icon;
        QString text;
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton defaultButton;
    };
    struct FileRequest
    {
        bool open;
        QString caption;
        QString startPath;
        QString filters;
        QString selectedFilter;
        bool confirmReplacing;
    };

    QList<Box> boxes;
    QList<FileRequest> fileRequests;
    QMessageBox::StandardButton answer = QMessageBox::Ok;
    QStringList fileAnswers;

    QMessageBox::StandardButton message(QWidget*, QMessageBox::Icon icon, const QString& text,
                                        QMessageBox::StandardButtons buttons,
                                        QMessageBox::StandardButton defaultButton) override
    {
        boxes.append({icon, text, buttons, defaultButton});
        return answer;
    }
    QString fileName(QWidget*, bool open, const QString& caption, const QString& startPath, const QString& filters,
                     QString* selectedFilter, bool confirmReplacing) override
    {
        fileRequests.append({open, caption, startPath, filters, *selectedFilter, confirmReplacing});
        return fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst();
    }
    QStringList texts() const
    {
        QStringList list;
        for (const Box& box : boxes)
            list << box.text;
        return list;
    }
};

#include "Application.h"

// Points the settings store at a file in the given folder, so that no test
// reads or writes the user's own settings. The store writes itself out when it
// goes, often after the test's folder went: its file then goes with it, and the
// folder too if nothing else is in it, so that no run leaves folders behind.
inline void useTemporarySettings(const QString& folder)
{
    const QString path = folder + QStringLiteral("/settings.ini");
    Application::_settings.reset(new QSettings(path, QSettings::IniFormat), [path, folder](QSettings* settings) {
        delete settings;
        QFile::remove(path);
        QDir().rmdir(folder);
    });
}

// Objects by their place in the structure's lists: "n0" node 0, "m1" member 1,
// "l2" load 2; any other name gives a new support, an object of no list.
inline QList<VaroObjectRef> objectsByPlace(const StructureModel& structure, const QStringList& names)
{
    QList<VaroObjectRef> list;
    for (const QString& name : names) {
        const int i = name.midRef(1).toInt();
        list << (name[0] == 'n'   ? VaroObjectRef(structure.nodes().value(i))
                 : name[0] == 'm' ? VaroObjectRef(structure.members().value(i))
                 : name[0] == 'l' ? VaroObjectRef(structure.loads().value(i))
                                  : VaroObjectRef(VaroObject::make<Support>()));
    }
    return list;
}
