#pragma once

#include "app/AppTesting.h"
#include "DemoRunner.h"
#include "DemoScripts.h"
#include "MainWindow.h"
#include "ModelResources.h"
#include "Startup.h"

#include <QApplication>
#include <QEventLoop>
#include <QPushButton>
#include <QTextBrowser>
#include <QTimeLine>
#include <QtTest>

#include <functional>

// Follows a demonstration window's runner as a user would watch it: the
// panel's text and buttons, and the last words the script read, so that a
// failure names where it happened.
class DemoWatcher : public QObject
{
public:
    explicit DemoWatcher(DemoRunner* watched) : runner(watched)
    {
        // Every start and every reset makes a new interpreter, then a checkpoint.
        connect(watched, &DemoRunner::SaveCheckPoint, this, [this] { follow(runner->interpreter()); });
        connect(watched, &DemoRunner::Reset, this, [this] { ++resets; });
        // After every receiver: a word nobody took is marked.
        connect(watched, &DemoRunner::RequestForthExecution, this,
                [this](const QString& word, QStack<QVariant>*, bool* handled) {
                    remember(QStringLiteral("[%1%2]").arg(word, *handled ? QString() : QStringLiteral(" unknown")));
                });
    }

    QString message() const { return runner->controlPanel()->findChild<QTextBrowser*>()->toPlainText(); }

    // The visible panel button with this text, or null.
    QPushButton* button(const QString& text) const
    {
        if (!runner->controlPanel()->isVisible())
            return nullptr;
        for (QPushButton* candidate : runner->controlPanel()->findChildren<QPushButton*>())
            if (candidate->text() == text && candidate->isVisible())
                return candidate;
        return nullptr;
    }

    QString lastWords() const { return words.join(QLatin1Char(' ')); }

    DemoRunner* const runner;
    int resets = 0;

private:
    void follow(Forth* forth)
    {
        if (!forth || forth == followed)
            return;
        followed = forth;
        // After the runner's own slot, which fills the token.
        connect(forth, &Forth::RequestTokenFromInput, this, [this](QString* token) {
            if (token)
                remember(*token);
        });
    }

    void remember(const QString& word)
    {
        words << word;
        if (words.size() > 24)
            words.removeFirst();
    }

    Forth* followed = nullptr;
    QStringList words;
};

// Plays a runner's next step as soon as the event loop has handled what the
// last one posted, where the runner armed its step timer only to pace a
// person watching: at its 40 ms least, for a step that asked for no time of
// its own, or for the lead-in to a message. What a step asks time for (a
// flight of the view, a transition, a pause at a watching speed) and a glide
// still take their time, and a step held for a box stays held. The step
// timer stays the one that plays every step, so no step starts inside
// another. A test that looks at the run between steps does so in afterStep.
class StepHurry : public QObject
{
public:
    static constexpr int leastStepInterval = 40;
    std::function<void()> afterStep;

    explicit StepHurry(DemoRunner* hurried) : QObject(hurried), runner(hurried)
    {
        // After the runner's own slot, which plays the step and arms the next.
        connect(runner->stepTimer(), &QTimer::timeout, this, [this] {
            if (afterStep)
                afterStep();
            hurry();
        });
        connect(runner->glide(), &QTimeLine::finished, this, &StepHurry::hurry);
    }

private:
    void hurry()
    {
        const QTimer* timer = runner->stepTimer();
        const bool paced =
            timer->interval() <= leastStepInterval || runner->state() == DemoRunner::MessageRequested;
        if (timer->isActive() && paced && runner->glide()->state() != QTimeLine::Running &&
            !QApplication::activeModalWidget())
            const_cast<QTimer*>(timer)->start(1);
    }

    DemoRunner* const runner;
};

// Runs the event loop until the condition holds, looking every 10 ms, or
// until the time is up; whether it holds. Unlike QTest's waits, which sleep
// 10 ms between passes, the loop serves the runner's millisecond timers when
// they are due.
inline bool runEventsUntil(const std::function<bool()>& condition, int milliseconds)
{
    if (condition())
        return true;
    QEventLoop loop;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, &loop, [&] {
        if (condition())
            loop.quit();
    });
    look.start(10);
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
    return condition();
}

// As the program starts for a user who has run it before, short of the
// update check and the first window; boxes are recorded and settings kept in
// the folder.
inline void startAsTheProgramDoes(RecordingDialogs* dialogs, const QString& folder)
{
    initialiseModelResources();
    initialiseDemoResources();
    registerStartupMetaTypes();
    setApplicationIdentity();
    initialiseProgramWideValues();
    qputenv("VARO_UPDATE_HOST", QByteArray());
    UserDialogs::install(dialogs);
    useTemporarySettings(folder);
    Application::_settings->setValue(QStringLiteral("RunCount"), 1);
}

// The demonstration window the last command opened beside the given one.
inline MainWindow* newDemonstrationWindow(const MainWindow* opener)
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* window = qobject_cast<MainWindow*>(widget);
        if (window && window != opener && window->findChild<DemoRunner*>())
            return window;
    }
    return nullptr;
}

const QString demoErrorMessage = QStringLiteral("The demonstration has encountered an error and stopped.");
const QString demoPausedMessage = QStringLiteral("The demonstration has been paused because the mouse was moved.");
