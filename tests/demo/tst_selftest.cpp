#include "DemoRunTesting.h"
#include "DemoTesting.h"
#include "TestMain.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

// The self test, as a user starts it from a blank model, and every
// blank-model demonstration run to its end at its speed: each in a test of
// its own, so that they run side by side.
class TestSelfTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void aScriptThatGoesWrongFailsTheSelfTest_data();
    void aScriptThatGoesWrongFailsTheSelfTest();
    void theMenuStartsTheSelfTest();
    void everyBlankModelDemonstrationRunsToItsEnd_data();
    void everyBlankModelDemonstrationRunsToItsEnd();
    void cleanupTestCase();

private:
    RecordingDialogs dialogs;
    QTemporaryDir folder;
};

void TestSelfTest::initTestCase()
{
    startAsTheProgramDoes(&dialogs, folder.path());
}

void TestSelfTest::aScriptThatGoesWrongFailsTheSelfTest_data()
{
    QTest::addColumn<QString>("chapter");
    QTest::addColumn<QString>("ending");

    // A member between two nodes; the pin goes on the ends at the selected
    // nodes, and the record expects both ends pinned and no support.
    const QString member = QStringLiteral("AddNode AddNode 6 EditNodeX 1 SelectNode AddMembers ");
    const QString record = QStringLiteral("SYS:BIST/clear 2 0 0 1 2 9 0 3 0 6 s\" geometry\" SYS:BIST/add SYS:BIST ");
    QTest::newRow("pin refused") << member + "PinMembers " + record << "Both members and nodes must be selected.";
    QTest::newRow("one end pinned") << member + "1 SelectNode PinMembers " + record
                                    << "pinned member ends: 1 in the model, 2 expected";
    QTest::newRow("both ends pinned") << member + "1 SelectNode 2 SelectNode PinMembers " + record
                                      << "BIST Completed";
}

// A demonstration of the shipped layout, alone in the self test: a refused
// step, or a model that is not the one the record describes, ends the run
// with where it stood and why, and no box waits for an answer.
void TestSelfTest::aScriptThatGoesWrongFailsTheSelfTest()
{
    QFETCH(QString, chapter);
    QFETCH(QString, ending);
    QTemporaryDir scripts;
    QVERIFY(QDir(scripts.path()).mkdir(QStringLiteral("headers")));
    QVERIFY(QFile::copy(QStringLiteral(":/replay/headers/Generic"), scripts.path() + QStringLiteral("/headers/Generic")));
    const QString name = QStringLiteral("01.KU..Pins");
    QVERIFY(writeTestFiles(scripts.path(),
                           {{name, QStringLiteral("#INCLUDE headers/Generic\n"
                                                  "s\" <h1>Pins</h1>\" MessageStart\n"
                                                  "s\" <h2>1. A pinned member</h2>\" MessagePlain\n%1\n"
                                                  "s\" <h2>2. The end</h2>\" MessagePlain DemoFinished\n")
                                       .arg(chapter)
                                       .toUtf8()}}));

    QScopedPointer<MainWindow> window(new MainWindow);
    QVERIFY(window->newFile());
    dialogs.boxes.clear();
    QScopedPointer<MainWindow> demoWindow(
        window->runDemoInNewWindow(selfTestScript({name}, scripts.path()), QString()));
    QVERIFY(demoWindow);
    DemoWatcher watcher(demoWindow->findChild<DemoRunner*>());
    new StepHurry(watcher.runner);
    QTRY_VERIFY_WITH_TIMEOUT(watcher.button(QStringLiteral("Start")), 20000);
    watcher.button(QStringLiteral("Start"))->click();
    QVERIFY(runEventsUntil([&watcher] { return watcher.button(QStringLiteral("Replay")); }, 120000));
    const QString message = watcher.message().simplified();
    QVERIFY2(message.contains(ending), qPrintable(message));
    if (ending != QLatin1String("BIST Completed"))
        QVERIFY2(message.contains(QStringLiteral("BIST Failed Script: Pins Chapter: 1. A pinned member")),
                 qPrintable(message));
    QCOMPARE(dialogs.texts(), QStringList());
}

// The command starts every blank-model demonstration at the self test's
// speed in a demonstration window, after its header.
void TestSelfTest::theMenuStartsTheSelfTest()
{
    QScopedPointer<MainWindow> window(new MainWindow);
    QVERIFY(window->newFile());
    window->runBIST();
    QScopedPointer<MainWindow> demoWindow(newDemonstrationWindow(window.data()));
    QVERIFY(demoWindow);
    DemoWatcher watcher(demoWindow->findChild<DemoRunner*>());
    QTRY_VERIFY_WITH_TIMEOUT(watcher.button(QStringLiteral("Start")), 20000);
    watcher.button(QStringLiteral("Start"))->click();
    // The header sets the speed; the first demonstration begins after a reset.
    QTRY_VERIFY_WITH_TIMEOUT(watcher.resets > 0, 60000);
    QVERIFY(watcher.runner->isSelfTest());
    QCOMPARE(dialogs.texts(), QStringList());
}

void TestSelfTest::everyBlankModelDemonstrationRunsToItsEnd_data()
{
    QTest::addColumn<QString>("name");
    for (const QString& name : demoScriptNames())
        if (name.section(QLatin1Char('.'), 2, 2).isEmpty())
            QTest::newRow(qPrintable(name)) << name;
}

// Each as the self test runs it, between the self test's header and footer,
// without the pacing meant for a person watching.
void TestSelfTest::everyBlankModelDemonstrationRunsToItsEnd()
{
    QFETCH(QString, name);
    QScopedPointer<MainWindow> window(new MainWindow);
    QVERIFY(window->newFile());
    QScopedPointer<MainWindow> demoWindow(window->runDemoInNewWindow(selfTestScript({name}), QString()));
    QVERIFY(demoWindow);
    DemoWatcher watcher(demoWindow->findChild<DemoRunner*>());
    new StepHurry(watcher.runner);
    QTRY_VERIFY_WITH_TIMEOUT(watcher.button(QStringLiteral("Start")), 20000);
    watcher.button(QStringLiteral("Start"))->click();

    // The header is piece 0; the demonstration and the footer begin with a reset.
    const QStringList pieces{QStringLiteral("the header"), name, QStringLiteral("the footer")};
    QElapsedTimer clock;
    clock.start();
    int reported = 0;
    const auto finished = [&watcher] {
        return watcher.message().contains(QStringLiteral("BIST Completed")) ||
               watcher.message().contains(QStringLiteral("BIST Failed")) ||
               watcher.message().contains(demoErrorMessage) || watcher.message().contains(demoPausedMessage);
    };
    runEventsUntil(
        [&] {
            for (; reported < watcher.resets && reported + 1 < pieces.size(); ++reported)
                qInfo("%s began after %.1f s", qPrintable(pieces.at(reported + 1)), clock.elapsed() / 1000.0);
            return finished();
        },
        540000);
    if (!watcher.message().contains(QStringLiteral("BIST Completed")))
        QFAIL(qPrintable(QStringLiteral("%1 in %2 after the words: %3")
                             .arg(watcher.message().isEmpty()
                                      ? QStringLiteral("No end (runner in state %1)").arg(watcher.runner->state())
                                      : watcher.message(),
                                  pieces.value(watcher.resets), watcher.lastWords())));
    QVERIFY(watcher.message().contains(QStringLiteral("Successful.")));
    // A box would have failed the run; none may have reached the user either.
    QCOMPARE(dialogs.texts(), QStringList());
}

void TestSelfTest::cleanupTestCase()
{
    UserDialogs::install(nullptr);
}

VARO_TEST_MAIN(TestSelfTest)
#include "tst_selftest.moc"
