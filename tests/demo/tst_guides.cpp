#include "AnalysisOutput.h"
#include "AnalysisResultCase.h"
#include "CurrentState.h"
#include "DemoRunTesting.h"
#include "DocumentModel.h"
#include "Member.h"
#include "Node.h"
#include "SelectionModel.h"
#include "StructureModel.h"
#include "TestMain.h"

#include <QTemporaryDir>
#include <functional>

namespace {

// Shows every box as the program does, and answers it after a second, noting
// whether the run stood still meanwhile.
class AnsweringDialogs : public UserDialogs
{
public:
    QMessageBox::StandardButton answer = QMessageBox::Cancel;
    DemoWatcher* watcher = nullptr;
    QStringList texts;
    QList<bool> heldWhileOpen;

    QMessageBox::StandardButton message(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                                        QMessageBox::StandardButtons buttons,
                                        QMessageBox::StandardButton defaultButton) override
    {
        texts << text;
        QScopedPointer<QMessageBox> box(createMessageBox(parent, icon, text, buttons, defaultButton));
        QMessageBox* shown = box.data();
        QTimer::singleShot(0, shown, [this, shown] {
            const QString words = watcher->lastWords();
            const QPoint cursor = watcher->runner->expectedCursorPosition();
            QTest::qWait(1000);
            heldWhileOpen << (watcher->lastWords() == words && watcher->runner->expectedCursorPosition() == cursor);
            shown->done(answer);
        });
        return QMessageBox::StandardButton(box->exec());
    }
};

// Starts the demonstration as its menu entry does, beside a new window of the
// user's; the demonstration window, or null.
MainWindow* startDemonstration(QScopedPointer<MainWindow>* window, const QString& name)
{
    window->reset(new MainWindow);
    if (!(*window)->newFile() || !(*window)->demonstrationNames().contains(name))
        return nullptr;
    (*window)->runDemo(name);
    return newDemonstrationWindow(window->data());
}

} // namespace

// The guides on the shipped model, played at fast speed as a user who
// presses "Continue" at every message.
class TestGuides : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void guideRunsToItsEnd_data();
    void guideRunsToItsEnd();
    void tourDeselectsAllInsideTheBox();
    void closingTheWindowWhileItPlaysHoldsTheRun();
    void planeFrameSaysWhereItsMomentsAre();
    void cleanupTestCase();

private:
    RecordingDialogs dialogs;
    QTemporaryDir folder;

    // Opens the demonstration beside a window of the user's and calls back at
    // every message, before pressing its button; the first message is 1.
    void play(const QString& name, const std::function<void(MainWindow*, int)>& atMessage = {});
};

void TestGuides::initTestCase()
{
    startAsTheProgramDoes(&dialogs, folder.path());
}

void TestGuides::play(const QString& name, const std::function<void(MainWindow*, int)>& atMessage)
{
    Application::_settings->setValue(QStringLiteral("RunCount"), 1);
    QScopedPointer<MainWindow> window;
    QScopedPointer<MainWindow> demoWindow(startDemonstration(&window, name));
    QVERIFY(demoWindow);
    DemoWatcher watcher(demoWindow->findChild<DemoRunner*>());
    watcher.runner->setSpeed(DemoRunner::Fast);
    new StepHurry(watcher.runner);

    int messages = 0;
    QPushButton* next = nullptr;
    while (!watcher.button(QStringLiteral("Replay"))) {
        QVERIFY2(runEventsUntil(
                     [&] {
                         return (next = watcher.button(QStringLiteral("Continue"))) ||
                                (next = watcher.button(QStringLiteral("Start"))) ||
                                watcher.button(QStringLiteral("Replay")) ||
                                watcher.message().contains(demoPausedMessage);
                     },
                     120000),
                 qPrintable(QStringLiteral("no message after %1, after the words: %2")
                                .arg(messages)
                                .arg(watcher.lastWords())));
        if (watcher.message().contains(demoPausedMessage) || !next)
            break;
        ++messages;
        if (atMessage)
            atMessage(demoWindow.data(), messages);
        next->click();
        next = nullptr;
    }
    if (!watcher.button(QStringLiteral("Replay")) || watcher.message().contains(demoErrorMessage))
        QFAIL(qPrintable(QStringLiteral("%1 after %2 messages, after the words: %3")
                             .arg(watcher.message(), QString::number(messages), watcher.lastWords())));
    QVERIFY(messages > 1);
}

void TestGuides::guideRunsToItsEnd_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("tour") << QStringLiteral("01.KU.Model1.(Guide) Tour");
    QTest::newRow("reports") << QStringLiteral("02.KU.Model1.(Guide) Reports");
}

// Every message beside, not over, the window it speaks of: the report
// window where the preview is spoken of.
void TestGuides::guideRunsToItsEnd()
{
    QFETCH(QString, name);
    dialogs.boxes.clear();
    QStringList covered;
    QStringList previewsSpokenOf;
    play(name, [&](MainWindow* demo, int message) {
        DemoRunner* runner = demo->findChild<DemoRunner*>();
        QWidget* described = runner->describedWindow();
        // Framed, where a window manager frames windows, and placed by that frame.
        QVERIFY(QTest::qWaitForWindowExposed(runner->controlPanel()));
        if (runner->controlPanel()->frameGeometry().intersects(described->frameGeometry()))
            covered << QStringLiteral("message %1 over %2").arg(message).arg(described->objectName());
        if (runner->controlPanel()->findChild<QTextBrowser*>()->toPlainText().contains(QStringLiteral("The preview")))
            previewsSpokenOf << described->objectName();
    });
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(covered, QStringList());
    if (name.contains(QStringLiteral("Reports")))
        QCOMPARE(previewsSpokenOf, QStringList({"ReportView", "ReportView"}));
    // Boxes do not stop a run; they are listed for whoever reads the log.
    for (const QString& text : dialogs.texts())
        qInfo("box: %s", qPrintable(text));
}

// The box selects what lies inside it; the deselection that follows leaves
// nothing selected there, whichever kind the master is. The chapter starts
// from an empty selection, so nothing may stay selected at all.
void TestGuides::tourDeselectsAllInsideTheBox()
{
    QString chapter;
    bool boxSelected = false;
    QString leftSelected = QStringLiteral("the loading view never came");
    play(QStringLiteral("01.KU.Model1.(Guide) Tour"), [&](MainWindow* demo, int) {
        const QSharedPointer<SelectionModel> selection = demo->documentModel()->selectionModel();
        const QString text = demo->findChild<DemoRunner*>()->controlPanel()->findChild<QTextBrowser*>()->toPlainText();
        if (text.contains(QStringLiteral("6. The selection box")))
            chapter = QStringLiteral("box");
        else if (text.contains(QStringLiteral("7. The loading view"))) {
            leftSelected = QStringLiteral("%1 nodes and %2 members")
                               .arg(selection->selectedNodes().size())
                               .arg(selection->selectedMembers().size());
            chapter.clear();
        } else if (chapter == QLatin1String("box") && demo->currentState()->isSelectionBoxVisible() &&
                   !selection->selectedNodes().isEmpty() && !selection->selectedMembers().isEmpty()) {
            boxSelected = true;
        }
    });
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(leftSelected, QStringLiteral("0 nodes and 0 members"));
    QVERIFY(boxSelected);
}

// The save question comes up; while it waits the run neither reads on nor
// moves the pointer. Cancel keeps the window and the run goes on; Discard
// closes the window and ends the run.
void TestGuides::closingTheWindowWhileItPlaysHoldsTheRun()
{
    AnsweringDialogs boxes;
    UserDialogs::install(&boxes);
    QScopedPointer<MainWindow> window;
    QPointer<MainWindow> demoWindow(startDemonstration(&window, QStringLiteral("01.KU.Model1.(Guide) Tour")));
    QVERIFY(demoWindow);
    DemoWatcher watcher(demoWindow->findChild<DemoRunner*>());
    boxes.watcher = &watcher;
    watcher.runner->setSpeed(DemoRunner::Fast);

    // Playing, on a model the run has changed.
    QElapsedTimer clock;
    clock.start();
    while (!demoWindow->isWindowModified() || watcher.runner->controlPanel()->isVisible()) {
        QVERIFY(clock.elapsed() < 60000);
        for (const char* caption : {"Start", "Continue"})
            if (QPushButton* button = watcher.button(QLatin1String(caption)))
                button->click();
        QTest::qWait(50);
    }

    boxes.answer = QMessageBox::Cancel;
    demoWindow->close();
    QCOMPARE(boxes.texts.size(), 1);
    QVERIFY2(boxes.texts.first().contains(QStringLiteral("save")), qPrintable(boxes.texts.first()));
    QCOMPARE(boxes.heldWhileOpen, QList<bool>{true});
    QVERIFY(demoWindow && demoWindow->isVisible());
    const QString words = watcher.lastWords();
    QTRY_VERIFY_WITH_TIMEOUT(watcher.lastWords() != words, 10000);

    boxes.answer = QMessageBox::Discard;
    demoWindow->close();
    QCOMPARE(boxes.heldWhileOpen, (QList<bool>{true, true}));
    QTRY_VERIFY(demoWindow.isNull());
    UserDialogs::install(&dialogs);
}

// What the Plane Frame says of its moments, read off the results of the model
// it has built: roof load and a wind from the right. The load factor of the
// edition scales every result alike, and the reactions show it. The run goes
// at the self test's speed, and shows that one message at fast speed, so
// that the model holds still while it is read; then it goes on to its end.
void TestGuides::planeFrameSaysWhereItsMomentsAre()
{
    const QString said = QStringLiteral("The largest of all is at the foot of the left-hand column");
    Application::_settings->setValue(QStringLiteral("RunCount"), 1);
    QScopedPointer<MainWindow> window;
    QScopedPointer<MainWindow> demo(startDemonstration(&window, QStringLiteral("07.KU..Plane Frame")));
    QVERIFY(demo);
    DemoWatcher watcher(demo->findChild<DemoRunner*>());
    DemoRunner* runner = watcher.runner;
    runner->setSpeed(DemoRunner::SelfTest);
    auto* hurry = new StepHurry(runner);
    hurry->afterStep = [runner, &said] {
        // The message word leaves its text, as the script wraps it, under its mode until the message step.
        const Forth* forth = runner->interpreter();
        if (runner->state() == DemoRunner::MessageRequested && forth && forth->depthD() >= 2 &&
            forth->readD(1).toString().simplified().contains(said))
            runner->setSpeed(DemoRunner::Fast);
    };
    const auto ended = [&watcher] {
        return watcher.button(QStringLiteral("Continue")) || watcher.button(QStringLiteral("Replay")) ||
               watcher.runner->state() == DemoRunner::Stopped;
    };
    QVERIFY(runEventsUntil(ended, 300000));
    QVERIFY2(watcher.button(QStringLiteral("Continue")) && watcher.message().contains(said),
             qPrintable(QStringLiteral("%1 after the words: %2").arg(watcher.message(), watcher.lastWords())));

    QMap<QString, double> moments;
    {
        const QSharedPointer<DocumentModel> document = demo->documentModel();
        QTRY_VERIFY(document->analysisOutput());
        const auto results = document->analysisOutput()->resultCases.value(demo->currentState()->loadCase());
        QVERIFY(results);
        Vector3 reacted(0, 0, 0);
        for (const Vector6& reaction : results->nodeReactions)
            reacted += Vector3(reaction[0], reaction[1], reaction[2]);
        double roof = 0.0;
        for (const MemberRef& member : document->structureModel()->members()) {
            const Vector3 a = member->nodeA()->position(), b = member->nodeB()->position();
            if (a.x() != b.x()) {
                roof += 8000.0 * member->length();
                // What a rafter carries beyond the larger moment at its ends.
                const double ends = std::max(std::fabs(results->forceAtPositionOnMember(member, 0.0)[5]),
                                             std::fabs(results->forceAtPositionOnMember(member, 1.0)[5]));
                moments["rafters"] = std::max(moments["rafters"],
                                              results->maximumForceOnMember(member).maxima[5] / ends - 1.0);
                continue;
            }
            const QString side = a.x() == 0.0 ? QStringLiteral("left") : QStringLiteral("right");
            for (double t : {0.0, 1.0}) {
                const bool foot = (t == 0.0 ? a : b).y() == 0.0;
                moments[side + (foot ? " foot" : " eaves")] = std::fabs(results->forceAtPositionOnMember(member, t)[5]);
            }
        }
        // Balance: the 8 kN/m down both rafters and 20 kN of wind towards -X, times one factor.
        const double factor = reacted.y() / roof;
        QVERIFY(factor >= 1.3 - 1e-6 && factor <= 1.795 + 1e-6);
        QVERIFY(std::fabs(reacted.x() - 20000.0 * factor) < 1e-6 * reacted.y());
    }
    runner->setSpeed(DemoRunner::SelfTest);
    hurry->afterStep = nullptr;
    watcher.button(QStringLiteral("Continue"))->click();
    QVERIFY(runEventsUntil(
        [&watcher] {
            return watcher.runner->state() == DemoRunner::Stopped || watcher.button(QStringLiteral("Replay"));
        },
        300000));
    // At the self test's speed only a failure shows a message.
    QVERIFY2(watcher.message().isEmpty(), qPrintable(watcher.message()));
    QCOMPARE(moments.keys(), QStringList({"left eaves", "left foot", "rafters", "right eaves", "right foot"}));
    // The largest moments at the ends of the columns: no rafter carries more
    // than it does at the eaves. The leeward side more than the other, its
    // foot most.
    QVERIFY(moments["rafters"] < 1e-9);
    for (const char* end : {"left eaves", "right eaves", "right foot"})
        QVERIFY2(moments["left foot"] > moments[end], end);
    QVERIFY(moments["left eaves"] > moments["right eaves"]);
}

void TestGuides::cleanupTestCase()
{
    UserDialogs::install(nullptr);
}

VARO_TEST_MAIN(TestGuides)
#include "tst_guides.moc"
