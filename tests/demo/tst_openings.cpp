#include "DemoRunTesting.h"
#include "TestMain.h"

#include <QScrollBar>
#include <QTemporaryDir>

// The first thing a student sees of every demonstration: its opening message,
// whole on the panel, and the panel's own close button.
class TestOpenings : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void openingFitsThePanel_data();
    void openingFitsThePanel();
    void cleanupTestCase();

private:
    RecordingDialogs dialogs;
    QTemporaryDir folder;
};

void TestOpenings::initTestCase()
{
    startAsTheProgramDoes(&dialogs, folder.path());
}

void TestOpenings::openingFitsThePanel_data()
{
    QTest::addColumn<QString>("name");
    for (const QString& name : demoScriptNames())
        QTest::newRow(qPrintable(name)) << name;
}

// Without scrolling, down to the hint that moving the mouse pauses the run;
// closing the panel from its title bar then stops the run as Cancel does.
void TestOpenings::openingFitsThePanel()
{
    QFETCH(QString, name);
    QScopedPointer<MainWindow> window(new MainWindow);
    QVERIFY(window->newFile());
    window->runDemo(name);
    QScopedPointer<MainWindow> demoWindow(newDemonstrationWindow(window.data()));
    QVERIFY(demoWindow);
    DemoWatcher watcher(demoWindow->findChild<DemoRunner*>());
    QTRY_VERIFY_WITH_TIMEOUT(watcher.button(QStringLiteral("Start")), 20000);

    auto* browser = watcher.runner->controlPanel()->findChild<QTextBrowser*>();
    QCOMPARE(watcher.runner->controlPanel()->size(), QSize(480, 360));
    QVERIFY(watcher.message().simplified().contains(QStringLiteral("moving the mouse pauses"), Qt::CaseInsensitive));
    QVERIFY2(browser->verticalScrollBar()->maximum() == 0,
             qPrintable(QStringLiteral("%1 pixels below the panel").arg(browser->verticalScrollBar()->maximum())));

    qInfo("%d pixels to spare", browser->viewport()->height() - int(browser->document()->size().height()));

    watcher.runner->controlPanel()->close();
    QCOMPARE(watcher.runner->state(), DemoRunner::Stopped);
    watcher.runner->resume();
    QTest::qWait(500);
    QCOMPARE(watcher.runner->state(), DemoRunner::Stopped);
    QVERIFY(!watcher.runner->controlPanel()->isVisible());
    QVERIFY(demoWindow->isVisible());
    QCOMPARE(dialogs.texts(), QStringList());
}

void TestOpenings::cleanupTestCase()
{
    UserDialogs::install(nullptr);
}

VARO_TEST_MAIN(TestOpenings)
#include "tst_openings.moc"
