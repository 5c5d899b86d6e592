#include "AppTesting.h"
#include "DemoRunner.h"
#include "DocumentModel.h"
#include "MainWindow.h"
#include "ModelMetaTypes.h"
#include "ModelResources.h"
#include "UnitSystem.h"
#include "XmlTesting.h"
#include "TestMain.h"

#include <QDesktopWidget>
#include <QPointer>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QtTest>

// The built-in model resource, taken away to stand for a broken installation.
inline void removeModelResources()
{
    Q_CLEANUP_RESOURCE(models);
}

class TestDemonstrations : public QObject
{
    Q_OBJECT

    RecordingDialogs dialogs;
    QScopedPointer<MainWindow> window;
    QPointer<MainWindow> demoWindow;
    QScopedPointer<QTemporaryDir> folder;

private slots:
    void initTestCase()
    {
        registerModelMetaTypes();
        initialiseModelResources();
        QApplication::setApplicationName(QStringLiteral("VARO Ulmar"));
    }

    void init()
    {
        dialogs = RecordingDialogs();
        UserDialogs::install(&dialogs);
        folder.reset(new QTemporaryDir);
        useTemporarySettings(folder->path());
        Application::_settings->setValue(QStringLiteral("RunCount"), 1);
        window.reset(new MainWindow);
        QVERIFY(window->newFile());
    }

    void cleanup()
    {
        delete demoWindow;
        window.reset();
        UserDialogs::install(nullptr);
        initialiseModelResources();
    }

    void demonstrationWindowIsCentredWithItsModel()
    {
        window->unitSystem()->setChosenSystem(2);
        demoWindow = window->runDemoInNewWindow(QStringLiteral("1 DROP"), QStringLiteral("Model1"));
        QVERIFY(demoWindow);
        QVERIFY(Application::_settings->allKeys().isEmpty());
        // Centred by its frame, whatever frame a window manager gives it.
        QVERIFY(QTest::qWaitForWindowExposed(demoWindow));
        QCOMPARE(demoWindow->geometry().size(), QSize(640, 400));
        QTRY_COMPARE(demoWindow->frameGeometry().center(),
                     QApplication::desktop()->screenGeometry(window.data()).center());
        QVERIFY(demoWindow->windowTitle().startsWith(QStringLiteral("Untitled")));
        int members = 0;
        demoWindow->documentModel()->readMembers([&members](const QList<MemberRef>& list) { members = list.size(); });
        QVERIFY(members > 0);
        QCOMPARE(demoWindow->unitSystem()->chosenSystem(), 0);
        QCOMPARE(window->unitSystem()->chosenSystem(), 2);
        QTRY_COMPARE(demoWindow->findChild<DemoRunner*>()->state(), DemoRunner::Stopped);
        QVERIFY(dialogs.boxes.isEmpty());
    }

    void refusedDemonstrationsOpenNoWindow_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("settingsCleared");
        QTest::newRow("empty script") << QString() << QStringLiteral("Model1") << QString() << false;
        QTest::newRow("missing model")
            << QStringLiteral("1 DROP") << QStringLiteral("NoSuchModel")
            << QStringLiteral("The demonstration cannot be performed because the installation appears to be corrupt.")
            << true;
    }

    void refusedDemonstrationsOpenNoWindow()
    {
        QFETCH(QString, script);
        QFETCH(QString, model);
        const int windows = QApplication::topLevelWidgets().count();
        QVERIFY(!window->runDemoInNewWindow(script, model));
        QTEST(dialogs.texts().value(dialogs.boxes.size() - 1), "message");
        QTEST(!Application::_settings->contains(QStringLiteral("RunCount")), "settingsCleared");
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(QApplication::topLevelWidgets().count(), windows);
    }

    // Run by its own CTest entry on a screen of 1024 by 400 pixels.
    void smallScreenIsRefused()
    {
        const QRect screen = QApplication::desktop()->screenGeometry(window.data());
        if (screen.width() >= 800 && screen.height() >= 480)
            QSKIP("needs a screen below 800 by 480 pixels");
        QVERIFY(!window->runDemoInNewWindow(QStringLiteral("1 DROP"), QString()));
        QCOMPARE(dialogs.texts(),
                 QStringList({"The demonstration cannot be performed because the screen is too small."}));
        QCOMPARE(Application::_settings->value(QStringLiteral("RunCount")).toInt(), 1);
    }

    void checkpointRestoresTheSavedModel()
    {
        QVERIFY(window->openFile(QStringLiteral(":/replay/Model1.varok")));
        QByteArray saved;
        window->saveDemoCheckPoint(&saved);
        window->saveDemoCheckPoint(nullptr);
        QVERIFY(window->newFile());
        const QSharedPointer<DocumentModel> blank = window->documentModel();
        bool restored = true;
        window->restoreDemoCheckPoint("<Content><Nodes>", &restored);
        QVERIFY(!restored);
        QCOMPARE(window->documentModel(), blank);
        restored = true;
        window->restoreDemoCheckPoint(saved, &restored);
        QVERIFY(restored);
        QCOMPARE(withNumberedIds(QString::fromUtf8(window->writeXMLDocumentFile())),
                 withNumberedIds(QString::fromUtf8(saved)));
        QVERIFY(window->windowTitle().startsWith(QStringLiteral("Untitled")));
        QCOMPARE(window->documentModel()->busyCount(), 0);
    }

    void missingTemplateStopsTheRunWithTheError()
    {
        demoWindow = window->runDemoInNewWindow(QStringLiteral("SYS:Reset"), QString());
        QVERIFY(demoWindow);
        removeModelResources();
        QWidget* panel = demoWindow->findChild<DemoRunner*>()->controlPanel();
        QTRY_VERIFY(panel->findChild<QTextBrowser*>()->toPlainText().contains(QStringLiteral("encountered an error")));
        QVERIFY(!demoWindow->documentModel());
    }
};

VARO_TEST_MAIN(TestDemonstrations)
#include "tst_demonstrations.moc"
