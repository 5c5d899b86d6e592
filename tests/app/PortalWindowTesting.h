#pragma once

#include "AppTesting.h"
#include "DocumentModel.h"
#include "EditingActions.h"
#include "EditorPage.h"
#include "LoadCaseAccessor.h"
#include "MainWindow.h"
#include "ModelResources.h"
#include "StructureView.h"
#include "Startup.h"
#include "TitlesView.h"
#include "UtilityWindow.h"

#include <QLineEdit>
#include <QPointer>
#include <QToolButton>
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
        // Mapped, and so placed and sized as the window system answers.
        QVERIFY(QTest::qWaitForWindowExposed(window));
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

    // Press, release, double click and release at a point of the window's view.
    static void doubleClickView(MainWindow* in, const QPoint& p, Qt::MouseButton button)
    {
        auto* view = in->findChild<StructureView*>(QStringLiteral("StructureView"));
        for (const auto& step : {qMakePair(QEvent::MouseButtonPress, button), qMakePair(QEvent::MouseButtonRelease, Qt::NoButton),
                                 qMakePair(QEvent::MouseButtonDblClick, button),
                                 qMakePair(QEvent::MouseButtonRelease, Qt::NoButton)}) {
            QMouseEvent event(step.first, QPointF(p), view->mapToGlobal(p), button, step.second, Qt::NoModifier);
            QApplication::sendEvent(view, &event);
        }
    }

    // A double click on a read-out of the window's view, as a user opens the calculator.
    static void openReadOut(MainWindow* in, StructureView::ClickRegionEnum region)
    {
        auto* view = in->findChild<StructureView*>(QStringLiteral("StructureView"));
        // A result's read-out waits for the analysis, which a loaded machine delays.
        QTRY_VERIFY_WITH_TIMEOUT(!view->determineClickRegion(region).outline.isEmpty(), 30000);
        doubleClickView(in, view->determineClickRegion(region).outline.boundingRect().center(), Qt::LeftButton);
    }

    // A page opened in the window as a user would: the "titles" of its
    // utilities, else the page of the first load case.
    static EditorPage* openPage(MainWindow* in, const QString& page)
    {
        if (page == QLatin1String("titles")) {
            in->findChild<QToolButton*>("TabUtilities")->click();
            auto* utilities = in->findChild<UtilityWindow*>("Utilities");
            utilities->openTitlesView();
            return utilities->titlesView();
        }
        auto* accessor = in->findChild<LoadCaseAccessor*>();
        accessor->editLoadCase(in->documentModel()->loadCases().value(0));
        return qobject_cast<EditorPage*>(accessor->loadingView());
    }
    // The page's name field, or a line edit (the titles' come in rows of two).
    static QLineEdit* pageField(EditorPage* page, int index = 0)
    {
        return index == 0 && page->nameField() ? page->nameField() : page->findChildren<QLineEdit*>().value(index);
    }
    // What the model in a copy of the file holds: the file itself, which a
    // window shows, opens in no other.
    template <class Read>
    auto readCopy(const QString& path, Read read) -> decltype(read(QSharedPointer<DocumentModel>()))
    {
        const QString copy = folder->filePath(QStringLiteral("copy.varou"));
        QFile::remove(copy);
        MainWindow reader;
        if (!QFile::copy(path, copy) || !reader.openFile(copy))
            return {};
        return read(reader.documentModel());
    }

    RecordingDialogs dialogs;
    QScopedPointer<QTemporaryDir> folder;
    QPointer<MainWindow> window;
};
