#include "DemoRunner.h"

#include "CurrentState.h"
#include "DocumentModel.h"
#include "Libraries.h"
#include "PaintHelpers.h"
#include "UnitSystem.h"
#include "ViewPoint.h"
#include "VisualConstants.h"

#include <QApplication>
#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTextBrowser>
#include <QVBoxLayout>

QString DemoRunner::StyleSheet::MessageBox;
QString DemoRunner::StyleSheet::MessageBody;
QString DemoRunner::StyleSheet::PopUp;

namespace {

const char* const errorMessage = "The demonstration has encountered an error and stopped.";
const char* const pausedMessage = "The demonstration has been paused because the mouse was moved.";

void setStyleSheets()
{
    DemoRunner::StyleSheet::MessageBox = QStringLiteral("QTextBrowser { padding:0px; margin:0px; border:none; }");
    DemoRunner::StyleSheet::MessageBody = QStringLiteral(
        "<style type=\"text/css\" media=\"screen\">"
        "body { background-color:black; color:white; font-family:sans-serif; font-size:12pt; margin-top:32px; "
        "padding:16px 8px 32px 8px; border:2px solid white; border-radius:16px; } "
        "h1 { background-color:#cccccc; font-size:14pt; font-weight:bold; color:black; text-align:center; "
        "border:none; border-radius:8px; } "
        "h2 { font-size:12pt; font-weight:bold; } "
        "h3 { font-size:12pt; font-weight:bold; color:#aaccaa; }"
        "</style>");
    DemoRunner::StyleSheet::PopUp = QStringLiteral(
        "QLabel { padding:8px 8px 8px 12px; background-color:white; color:#a00000; border:2px solid black; "
        "border-top-left-radius:0px; border-top-right-radius:8px; border-bottom-right-radius:0px; "
        "border-bottom-left-radius:8px; }");
}

// Set at load like the program-wide constants, and again at start-up.
const bool styleSheetsRegistered = (setStyleSheets(), addVisualConstantsInitialiser(setStyleSheets), true);

} // namespace

DemoRunner::DemoRunner(QWidget* parent)
    : QObject(parent)
{
    Q_UNUSED(styleSheetsRegistered)
    createControlPanel();

    glideTimeLine.setDuration(750);
    glideTimeLine.setUpdateInterval(50);
    connect(&glideTimeLine, &QTimeLine::valueChanged, this, qOverload<qreal>(&DemoRunner::moveCursor));

    stepTimerValue.setSingleShot(true);
    connect(&stepTimerValue, &QTimer::timeout, this, &DemoRunner::execute);
    mouseWatchTimer.setSingleShot(true);
    connect(&mouseWatchTimer, &QTimer::timeout, this, [this] { pauseIfMouseMoved(); });

    clickCursor = QCursor(QPixmap(QStringLiteral(":/cursorClick.png")), 6, 6);
    watchMessageBoxes(true);
    if (QWidget* window = demonstrationWindow())
        window->installEventFilter(this);
}

DemoRunner::~DemoRunner()
{
    watchMessageBoxes(false);
    delete panel;
    if (stateValue == ClickRelease)
        QApplication::restoreOverrideCursor();
    if (popUpLabel && !popUpLabel->parent())
        delete popUpLabel;
}

void DemoRunner::createControlPanel()
{
    panel = new QWidget(qobject_cast<QWidget*>(parent()), Qt::Dialog | Qt::WindowStaysOnTopHint);
    panel->resize(480, 360);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(8);

    messageBrowser = new QTextBrowser(panel);
    messageBrowser->setFocusPolicy(Qt::NoFocus);
    messageBrowser->setStyleSheet(StyleSheet::MessageBox);
    layout->addWidget(messageBrowser, 1);

    auto makeRow = [this, layout](bool hidden) {
        auto* row = new QWidget(panel);
        auto* rowLayout = new QHBoxLayout(row);
        rowLayout->setContentsMargins(0, 0, 0, 0);
        rowLayout->setSpacing(8);
        row->setHidden(hidden);
        layout->addWidget(row, 0, Qt::AlignHCenter | Qt::AlignVCenter);
        return row;
    };
    auto addButton = [](QWidget* row, const QString& caption, int key) {
        auto* button = new QPushButton(caption, row);
        button->setFocusPolicy(Qt::NoFocus);
        if (key)
            button->setShortcut(QKeySequence(key));
        row->layout()->addWidget(button);
        return button;
    };
    auto connectButton = [this](QPushButton* button, void (DemoRunner::*slot)()) {
        connect(button, &QPushButton::clicked, this, slot);
    };

    rows[FinishedRow] = makeRow(true);
    connectButton(addButton(rows[FinishedRow], tr("Exit"), Qt::Key_Escape), &DemoRunner::stop);
    QPushButton* replay = addButton(rows[FinishedRow], tr("Replay"), Qt::Key_Return);
    connectButton(replay, &DemoRunner::restart);

    rows[PausedRow] = makeRow(true);
    connectButton(addButton(rows[PausedRow], tr("Exit"), Qt::Key_Escape), &DemoRunner::stop);
    connectButton(addButton(rows[PausedRow], tr("Resume"), Qt::Key_Return), &DemoRunner::resume);

    rows[MessageRow] = makeRow(true);
    backButton = addButton(rows[MessageRow], tr("Back"), 0);
    backButton->setEnabled(false);
    connectButton(backButton, &DemoRunner::back);
    connectButton(addButton(rows[MessageRow], tr("Stop"), Qt::Key_Escape), &DemoRunner::stop);
    QPushButton* continueButton = addButton(rows[MessageRow], tr("Continue"), Qt::Key_Return);
    connectButton(continueButton, &DemoRunner::resume);

    rows[StartRow] = makeRow(true);
    connectButton(addButton(rows[StartRow], tr("Cancel"), Qt::Key_Escape), &DemoRunner::stop);
    QPushButton* startButton = addButton(rows[StartRow], tr("Start"), Qt::Key_Return);
    connectButton(startButton, &DemoRunner::resume);

    layout->addSpacing(8);
    QWidget* speedRow = makeRow(false);
    speedGroup = new QButtonGroup(this);
    const QStringList speeds = {tr("Slow"), tr("Normal"), tr("Fast")};
    for (int id = 0; id < speeds.size(); ++id) {
        QPushButton* button = addButton(speedRow, speeds.at(id), 0);
        button->setCheckable(true);
        speedGroup->addButton(button, id);
    }
    connect(speedGroup, &QButtonGroup::idClicked, this, &DemoRunner::setSpeed);
    speedGroup->button(Normal)->click();

    defaultButtons = {replay, continueButton, startButton};
    panel->hide();
    panel->installEventFilter(this);
}

bool DemoRunner::eventFilter(QObject* watched, QEvent* event)
{
    // The runner itself only ever hides the panel; a close comes from its
    // title bar.
    if (watched == panel && event->type() == QEvent::Close)
        stop();
    // A demonstration window that closes takes its run, and its panel, with
    // it; whether it closes is known once the close event has been answered.
    if (watched == demonstrationWindow() && event->type() == QEvent::Hide && !event->spontaneous())
        QTimer::singleShot(0, this, &DemoRunner::stopIfWindowClosed);
    return QObject::eventFilter(watched, event);
}

void DemoRunner::showRow(Row row)
{
    for (QWidget* each : rows)
        each->hide();
    backButton->setEnabled(hasBackCheckPoint());
    rows[row]->show();
}

void DemoRunner::setCurrentState(const QSharedPointer<CurrentState>& state)
{
    currentState = state;
}

void DemoRunner::setDocumentModel(const QSharedPointer<DocumentModel>& documentModel)
{
    document = documentModel;
}

void DemoRunner::setLibraries(const QSharedPointer<Libraries>& documentLibraries)
{
    libraries = documentLibraries;
}

void DemoRunner::setUnitSystem(const QSharedPointer<UnitSystem>& units)
{
    unitSystem = units;
}

void DemoRunner::setViewPoint(const QSharedPointer<ViewPoint>& camera)
{
    viewPoint = camera;
}

void DemoRunner::setState(States state)
{
    if (stateValue == ClickRelease && state != ClickRelease)
        QApplication::restoreOverrideCursor();
    stateValue = state;
}

void DemoRunner::start()
{
    showRow(StartRow);
}

void DemoRunner::pause()
{
    showRow(MessageRow);
}

void DemoRunner::finish()
{
    showRow(FinishedRow);
}

void DemoRunner::execute()
{
    if (stateValue != Stopped && holdForBox()) {
        stepTimerValue.start(100);
        return;
    }
    if (eventLoopCount != 0) {
        if (stateValue != Stopped)
            stepTimerValue.start(40);
        return;
    }
    --stepCountdown;
    int delay = 0;
    bool restartTimer = true;
    try {
        restartTimer = performStep(&delay);
    } catch (const std::exception& failure) {
        // Of the interpreter's faults only a runaway run says why in words for the user.
        if (dynamic_cast<const Forth::ExceptionRunaway*>(&failure))
            failureReason = tr(failure.what());
        setState(Failed);
        delay = 0;
        restartTimer = true;
    }
    if (eventLoopCount != 0)
        QTimer::singleShot(1, this, &DemoRunner::countEventLoop);
    if (restartTimer && stateValue != Stopped)
        stepTimerValue.start(qBound(40, delay, 60000));
    else
        stepTimerValue.stop();
}

void DemoRunner::countEventLoop()
{
    if (eventLoopCount <= 0)
        return;
    if (eventLoopCount-- >= 2)
        QTimer::singleShot(1, this, &DemoRunner::countEventLoop);
}

bool DemoRunner::performStep(int* delay)
{
    switch (stateValue) {
    case CheckArrival:
        setState(isCursorOnTarget() ? Ready : Failed);
        return true;
    case ClickPress:
        ++clickCounter;
        if (clickCounter == 1)
            issueMouseButtonEvent(QEvent::MouseButtonPress, targetWidget);
        else if (clickCounter == 2)
            issueMouseButtonEvent(QEvent::MouseButtonDblClick, targetWidget);
        QApplication::setOverrideCursor(clickCursor);
        eventLoopCount = 4;
        setState(ClickRelease);
        *delay = (clickCount == 1 ? 20 : 10) * (isFastForward() ? 1 : 10);
        return true;
    case ClickRelease:
        issueMouseButtonEvent(QEvent::MouseButtonRelease, targetWidget);
        eventLoopCount = 4;
        setState(clickCounter >= clickCount ? Settle : ClickPress);
        *delay = isFastForward() ? 10 : 100;
        return true;
    case MessageShown:
        closeMessage();
        setState(Settle);
        return true;
    case PopUpShown:
        if (QGuiApplication::queryKeyboardModifiers() & Qt::ShiftModifier) {
            *delay = 200;
            return true;
        }
        if (popUpLabel)
            popUpLabel->hide();
        setState(Settle);
        return true;
    case Failed: {
        monitorMouse(false);
        setState(MessageShown);
        finish();
        // A runaway script's reason goes below the general message.
        const QString error = failureReason.isEmpty()
                                  ? tr(errorMessage)
                                  : QStringLiteral("<p>%1</p><p>%2</p>").arg(tr(errorMessage), failureReason.toHtmlEscaped());
        failureReason.clear();
        displayMessage(isSelfTest() ? selfTestFailureMessage(error) : error);
        return false;
    }
    case Ready:
        return performReady(delay);
    case PushTargetCentre: {
        if (!forth)
            throw Forth::ExceptionNotFound();
        QPoint centre;
        if (targetWidget && targetWidget->isVisible())
            centre = globalCentreOf(targetWidget);
        forth->pushD(centre.y());
        forth->pushD(centre.x());
        setState(Ready);
        return true;
    }
    case Stopped:
        monitorMouse(false);
        return false;
    case NotStarted:
        if (readPosition >= scriptText.length()) {
            stop();
            return false;
        }
        createForth();
        setState(Ready);
        startCheckPoint = makeCheckPoint();
        return true;
    case MessageRequested:
        return performMessageRequest(delay);
    case RestartRequested:
        if (!reset(true))
            throw Forth::ExceptionNotFound();
        readPosition = 0;
        eventLoopCount = 4;
        setState(NotStarted);
        return true;
    case DragRelease:
        if (!isCursorOnTarget()) {
            setState(Failed);
        } else if (stepCountdown <= 0) {
            issueMouseButtonEvent(QEvent::MouseButtonRelease, targetWidget);
            eventLoopCount = 4;
            setState(Settle);
        } else {
            issueMouseButtonEvent(QEvent::MouseMove, targetWidget);
        }
        return true;
    case FlyingToViewPoint:
        setState(Ready);
        return true;
    case Settle:
        eventLoopCount = 4;
        setState(Ready);
        return true;
    case Dragging:
        issueMouseButtonEvent(QEvent::MouseMove, targetWidget);
        if (glideTimeLine.state() != QTimeLine::Running) {
            moveCursor(qreal(1.0));
            setState(DragRelease);
            stepCountdown = 4;
        }
        return true;
    case Gliding:
        if (glideTimeLine.state() != QTimeLine::Running) {
            moveCursor(qreal(1.0));
            stepCountdown = 4;
            setState(CheckArrival);
        }
        return true;
    }
    finish();
    displayMessage(QString());
    setState(Stopped);
    return true;
}

bool DemoRunner::performMessageRequest(int* delay)
{
    if (!forth) {
        setState(Failed);
        return true;
    }
    const int mode = forth->pullD().toInt();
    const QString text = forth->pullD().toString();
    noteHeadings(text, mode);
    if (isSelfTest()) {
        setState(Ready);
        return true;
    }
    monitorMouse(false);
    const bool timed = mode > 0;
    if (mode == -2)
        finish();
    else if (mode == -1)
        start();
    else if (!timed)
        pause();
    else
        *delay = mode;
    displayMessage(text);
    setState(MessageShown);
    return timed;
}

void DemoRunner::displayMessage(const QString& text)
{
    emit EnablePreciseClicks(false);
    if (text.isEmpty())
        messageBrowser->clear();
    else
        messageBrowser->setHtml(QStringLiteral("<html>%1<body>%2</body></html>").arg(StyleSheet::MessageBody, text));
    if (!savedPanelGeometry.isEmpty())
        panel->restoreGeometry(savedPanelGeometry);
    // Beside what the message speaks of, wherever that window stands now.
    placePanel();
    panel->show();
    panel->raise();
    panel->activateWindow();
    QTimer::singleShot(100, this, &DemoRunner::moveMouseToDefaultButton);
}

void DemoRunner::closeMessage()
{
    if (!panel->isVisible())
        return;
    savedPanelGeometry = panel->saveGeometry();
    panel->hide();
    messageBrowser->clear();
    for (QWidget* row : rows)
        row->hide();
}

void DemoRunner::displayPopUp(const QString& text)
{
    if (!popUpLabel) {
        popUpLabel = new QLabel(qobject_cast<QWidget*>(parent()), Qt::ToolTip);
        popUpLabel->hide();
        popUpLabel->setStyleSheet(StyleSheet::PopUp);
        popUpLabel->setWordWrap(true);
        popUpLabel->setMaximumWidth(256);
        popUpLabel->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Preferred);
    }
    popUpLabel->setText(text.trimmed());
    QRect geometry(expectedCursor + QPoint(4, 4), popUpLabel->sizeHint());
    QScreen* screen = QGuiApplication::screenAt(geometry.topLeft());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen)
        iQRect::repositionWithinRect(&geometry, screen->availableGeometry());
    popUpLabel->setGeometry(geometry);
    popUpLabel->show();
}

void DemoRunner::monitorMouse(bool on)
{
    if (on == mouseWatchOn)
        return;
    mouseWatchOn = on;
    movementCount = 0;
    if (on)
        mouseWatchTimer.start(250);
    else
        mouseWatchTimer.stop();
}

void DemoRunner::pauseIfMouseMoved(bool again)
{
    if (!mouseWatchOn)
        return;
    if (stateValue != ClickPress && stateValue != ClickRelease && stateValue != Dragging) {
        if ((QCursor::pos() - expectedCursor).manhattanLength() >= 5) {
            if (movementCount > 1) {
                monitorMouse(false);
                stepTimerValue.stop();
                if (glideTimeLine.state() == QTimeLine::Running)
                    glideTimeLine.setPaused(true);
                if (popUpLabel)
                    popUpLabel->hide();
                showRow(PausedRow);
                displayMessage(tr(pausedMessage));
                return;
            }
            QCursor::setPos(expectedCursor);
            ++movementCount;
        } else {
            movementCount = 0;
        }
    }
    if (again)
        mouseWatchTimer.start(50);
}

void DemoRunner::resume()
{
    closeMessage();
    QWidget* shown = targetWidget ? targetWidget.data() : qobject_cast<QWidget*>(parent());
    if (shown) {
        shown->show();
        shown->raise();
    }
    QCoreApplication::processEvents();
    if (glideTimeLine.state() == QTimeLine::Paused)
        ensureTargetAccessible(false);
    QCursor::setPos(expectedCursor);
    QTimer::singleShot(250, this, &DemoRunner::resume2);
}

void DemoRunner::resume2()
{
    QCursor::setPos(expectedCursor);
    if (glideTimeLine.state() == QTimeLine::Paused && !goToTarget())
        glideTimeLine.stop();
    stepTimerValue.start(10);
    monitorMouse(true);
}

void DemoRunner::back()
{
    if (!restoreCheckPoint())
        setState(Failed);
    resume();
}

void DemoRunner::restart()
{
    setState(RestartRequested);
    resume();
}

void DemoRunner::stop()
{
    closeMessage();
    readPosition = 0;
    scriptText.clear();
    setState(Stopped);
    targetWidget = nullptr;
    glideTimeLine.stop();
    emit EnablePreciseClicks(false);
}

void DemoRunner::setSpeed(int speed)
{
    speedValue = speed;
    QAbstractButton* button = speedGroup->button(speed);
    if (button && !button->isChecked() && !button->isDown())
        button->click();
}

bool DemoRunner::reset(bool toStart)
{
    closeMessage();
    selfTestFailureText.clear();
    clearCheckPoint();
    eventLoopCount = 0;
    if (currentState)
        currentState->reset();
    if (unitSystem)
        unitSystem->setChosenSystem(0);
    if (QWidget* popUp = QApplication::activePopupWidget())
        popUp->close();
    emit Reset();
    if (!isSelfTest())
        setSpeed(Normal);
    return !toStart || restoreToCheckPoint(startCheckPoint);
}
