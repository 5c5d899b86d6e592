#include "DemoRunTesting.h"
#include "TestMain.h"

#include <QTemporaryDir>

// The guides on the shipped model, played at fast speed as a user who
// presses "Continue" at every message.
class TestGuides : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void guideRunsToItsEnd_data();
    void guideRunsToItsEnd();
    void cleanupTestCase();

private:
    RecordingDialogs dialogs;
    QTemporaryDir folder;
};

void TestGuides::initTestCase()
{
    startAsTheProgramDoes(&dialogs, folder.path());
}

void TestGuides::guideRunsToItsEnd_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("tour") << QStringLiteral("01.KU.Model1.(Guide) Tour");
    QTest::newRow("reports") << QStringLiteral("02.KU.Model1.(Guide) Reports");
}

void TestGuides::guideRunsToItsEnd()
{
    QFETCH(QString, name);
    Application::_settings->setValue(QStringLiteral("RunCount"), 1);
    QScopedPointer<MainWindow> window(new MainWindow);
    QVERIFY(window->newFile());
    QVERIFY(window->demonstrationNames().contains(name));
    window->runDemo(name);
    QScopedPointer<MainWindow> demoWindow(newDemonstrationWindow(window.data()));
    QVERIFY(demoWindow);
    DemoWatcher watcher(demoWindow->findChild<DemoRunner*>());
    watcher.runner->setSpeed(DemoRunner::Fast);

    int messages = 0;
    QPushButton* next = nullptr;
    while (!watcher.button(QStringLiteral("Replay"))) {
        QTRY_VERIFY_WITH_TIMEOUT((next = watcher.button(QStringLiteral("Continue"))) ||
                                     (next = watcher.button(QStringLiteral("Start"))) ||
                                     watcher.button(QStringLiteral("Replay")) ||
                                     watcher.message().contains(demoPausedMessage),
                                 120000);
        if (watcher.message().contains(demoPausedMessage) || !next)
            break;
        ++messages;
        next->click();
        next = nullptr;
    }
    if (!watcher.button(QStringLiteral("Replay")) || watcher.message().contains(demoErrorMessage))
        QFAIL(qPrintable(QStringLiteral("%1 after %2 messages, after the words: %3")
                             .arg(watcher.message(), QString::number(messages), watcher.lastWords())));
    QVERIFY(messages > 1);
    // Boxes do not stop a run; they are listed for whoever reads the log.
    for (const QString& text : dialogs.texts())
        qInfo("box: %s", qPrintable(text));
}

void TestGuides::cleanupTestCase()
{
    UserDialogs::install(nullptr);
}

VARO_TEST_MAIN(TestGuides)
#include "tst_guides.moc"
