#pragma once

#include "AppTesting.h"
#include "DocumentModel.h"
#include "EditingActions.h"
#include "MainWindow.h"
#include "ModelResources.h"
#include "Startup.h"

#include <QPointer>
#include <QScopedPointer>
#include <QTemporaryDir>
#include <QtTest>

// A shown window on the plane portal example, its boxes recorded and its
// settings in a folder of its own: five nodes, the two at the feet on one
// support, four members, loads 0 and 1 down in the first loading, loads 2
// and 3 across in the second. A test class takes it as a second base and
// calls its steps from initTestCase, init and cleanup.
class PortalWindowFixture
{
protected:
    // What start-up prepares before the first window, once a run.
    static void initialiseProgram()
    {
        initialiseModelResources();
        registerStartupMetaTypes();
        setApplicationIdentity();
        initialiseProgramWideValues();
    }

    void openPortalWindow()
    {
        dialogs = RecordingDialogs();
        UserDialogs::install(&dialogs);
        folder.reset(new QTemporaryDir);
        useTemporarySettings(folder->path());
        window = new MainWindow;
        QVERIFY(window->openFile(":/example/02.KU.Plane Portal.varok", true));
        window->show();
    }

    void closePortalWindows()
    {
        closeRemainingMainWindows();
        UserDialogs::install(nullptr);
    }

    // By place in the structure's lists: "n0" node 0, "m1" member 1, "l2" load 2.
    QList<VaroObjectRef> objects(const QStringList& names) const
    {
        return objectsByPlace(*window->documentModel()->structureModel(), names);
    }

    // Makes these the selection and updates the window at once.
    void select(const QStringList& names)
    {
        EditingActions* actions = EditingActions::of(window->documentModel().data());
        actions->actionClearAllSelection();
        actions->actionSelectObjects(objects(names));
        window->updateGUIForCurrentStateAndSelection();
    }

    RecordingDialogs dialogs;
    QScopedPointer<QTemporaryDir> folder;
    QPointer<MainWindow> window;
};
