#include "DemoRunTesting.h"
#include "TestMain.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

// The self test, as a user starts it from a blank model: every blank-model
// demonstration runs to its end in one demonstration window.
class TestSelfTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void everyBlankModelDemonstrationRunsToItsEnd();
    void cleanupTestCase();

private:
    RecordingDialogs dialogs;
    QTemporaryDir folder;
};

void TestSelfTest::initTestCase()
{
    startAsTheProgramDoes(&dialogs, folder.path());
    Application::_settings->setValue(QStringLiteral("RunCount"), 1);
}

void TestSelfTest::everyBlankModelDemonstrationRunsToItsEnd()
{
    QScopedPointer<MainWindow> window(new MainWindow);
    QVERIFY(window->newFile());
    window->runBIST();
    QScopedPointer<MainWindow> demoWindow(newDemonstrationWindow(window.data()));
    QVERIFY(demoWindow);
    DemoWatcher watcher(demoWindow->findChild<DemoRunner*>());
    QTRY_VERIFY_WITH_TIMEOUT(watcher.button(QStringLiteral("Start")), 20000);
    watcher.button(QStringLiteral("Start"))->click();

    // The header is piece 0; each demonstration begins with a reset.
    QStringList pieces{QStringLiteral("the header")};
    for (const QString& name : window->demonstrationNames())
        if (name.section(QLatin1Char('.'), 2, 2).isEmpty())
            pieces << name;
    pieces << QStringLiteral("the footer");
    QElapsedTimer clock;
    clock.start();
    int reported = 0;
    const auto finished = [&watcher] {
        return watcher.message().contains(QStringLiteral("BIST Completed")) ||
               watcher.message().contains(demoErrorMessage) || watcher.message().contains(demoPausedMessage);
    };
    while (!finished() && clock.elapsed() < 570000) {
        QTest::qWait(100);
        for (; reported < watcher.resets && reported + 1 < pieces.size(); ++reported)
            qInfo("%s began after %.1f s", qPrintable(pieces.at(reported + 1)), clock.elapsed() / 1000.0);
    }
    if (!watcher.message().contains(QStringLiteral("BIST Completed")))
        QFAIL(qPrintable(QStringLiteral("%1 in %2 after the words: %3")
                             .arg(watcher.message().isEmpty()
                                      ? QStringLiteral("No end (runner in state %1)").arg(watcher.runner->state())
                                      : watcher.message(),
                                  pieces.value(watcher.resets), watcher.lastWords())));
    QVERIFY(watcher.message().contains(QStringLiteral("Successful.")));
    // Boxes do not stop a run; they are listed for whoever reads the log.
    for (const QString& text : dialogs.texts())
        qInfo("box: %s", qPrintable(text));
}

void TestSelfTest::cleanupTestCase()
{
    UserDialogs::install(nullptr);
}

int main(int argc, char** argv)
{
    // The whole self test is one test function, longer than QtTest's default limit.
    qputenv("QTEST_FUNCTION_TIMEOUT", "600000");
    QApplication application(argc, argv);
    application.setAttribute(Qt::AA_Use96Dpi, true);
    QTEST_SET_MAIN_SOURCE_PATH
    return runTestCountingWarnings<TestSelfTest>(argc, argv);
}
#include "tst_selftest.moc"
