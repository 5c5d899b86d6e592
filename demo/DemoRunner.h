#pragma once

#include "Forth.h"

#include <QByteArray>
#include <QCursor>
#include <QEvent>
#include <QMap>
#include <QObject>
#include <QPoint>
#include <QPointF>
#include <QPointer>
#include <QSharedPointer>
#include <QStack>
#include <QStringList>
#include <QTimeLine>
#include <QTimer>
#include <QVariant>
#include <QWidget>

#include <memory>

class CurrentState;
class DocumentModel;
class Libraries;
class QButtonGroup;
class QLabel;
class QPushButton;
class QSlider;
class QTextBrowser;
class UnitSystem;
class ViewPoint;

// Plays one demonstration script inside one demonstration window. A
// single-shot step timer walks a state machine: each step pulls one host word
// from the interpreter and performs it, or advances a click, glide, drag,
// message or pop-up. Words the runner does not serve are offered to the views
// through RequestForthExecution. Every failure of a step ends the run with the
// error message; nothing escapes a step.
class DemoRunner : public QObject
{
    Q_OBJECT

public:
    enum States {
        CheckArrival = 0,
        ClickPress = 1,
        ClickRelease = 2,
        MessageShown = 3,
        PopUpShown = 4,
        Failed = 5,
        Ready = 6,
        PushTargetCentre = 7,
        Stopped = 8,
        NotStarted = 9,
        MessageRequested = 10,
        RestartRequested = 11,
        DragRelease = 12,
        FlyingToViewPoint = 13,
        Settle = 15,
        Dragging = 16,
        Gliding = 17
    };
    Q_ENUM(States)

    enum Speed { Slow = 0, Normal = 1, Fast = 2, SelfTest = 3 };

    struct StyleSheet
    {
        static QString MessageBox;
        static QString MessageBody;
        static QString PopUp;
    };

    struct CheckPoint
    {
        QByteArray document;
        int scriptPosition = 0;
        QPointer<QWidget> target;
        Forth interpreter;
    };

    explicit DemoRunner(QWidget* parent);
    ~DemoRunner() override;

    // The names every interpreter of the runner knows as host words.
    static QStringList hostWordNames();

    // The demonstration window's own objects; the document, its libraries and
    // the view point are handed again after every reset and restore.
    void setCurrentState(const QSharedPointer<CurrentState>& state);
    void setDocumentModel(const QSharedPointer<DocumentModel>& document);
    void setLibraries(const QSharedPointer<Libraries>& libraries);
    void setUnitSystem(const QSharedPointer<UnitSystem>& unitSystem);
    void setViewPoint(const QSharedPointer<ViewPoint>& viewPoint);

    void setScript(const QString& text);

    States state() const { return stateValue; }
    void setState(States state);
    int speed() const { return speedValue; }
    bool isSlow() const { return speedValue == Slow; }
    bool isFastForward() const { return speedValue > Normal; }
    bool isSelfTest() const { return speedValue > Fast; }

    Forth* interpreter() const { return forth.get(); }
    QWidget* target() const { return targetWidget; }
    QPoint expectedCursorPosition() const { return expectedCursor; }
    QWidget* controlPanel() const { return panel; }
    const QTimer* stepTimer() const { return &stepTimerValue; }
    const QTimeLine* glide() const { return &glideTimeLine; }
    QMap<QString, QMap<QString, double> > selfTestRecords() const { return selfTest; }
    // What made the self test fail, empty while it has not.
    QString selfTestFailure() const { return selfTestFailureText; }
    bool hasBackCheckPoint() const { return !backCheckPoint.isNull(); }

    void start();
    void pause();
    void finish();
    // False when the start checkpoint asked for could not be restored.
    bool reset(bool toStart);
    void displayMessage(const QString& text);
    void closeMessage();
    void displayPopUp(const QString& text);
    void monitorMouse(bool on);

    // The top left of the panel's frame: beside the described window, within
    // the available area, reaching as little as can be into the described
    // window, then covering as little as can be of the others, and near the
    // described window.
    static QPoint placeBeside(const QRect& described, const QList<QRect>& others, const QSize& frame,
                              const QRect& available);
    // The window a message speaks of: the one the run works in, or else the
    // demonstration window.
    QWidget* describedWindow() const;

    // Simulated mouse.
    QWidget* findTarget(const QString& path) const;
    void ensureWidgetAccessible(QWidget* widget, bool enable);
    void ensureTargetAccessible(bool enable);
    bool goToTarget();
    bool dragToTarget();
    void beginTimeLine(int distance);
    int distanceToTarget();
    bool isCursorOnTarget() const;
    void moveCursor(const QPoint& position);
    void pullMouseButtonsFromStack();
    void issueMouseButtonEvent(QEvent::Type type, QWidget* widget);

    // Script input and checkpoints.
    QString readToChar(const QChar& delimiter);
    void skipWhiteSpace();
    QSharedPointer<CheckPoint> makeCheckPoint();
    void saveCheckPoint();
    // False when the window could not rebuild the checkpoint's document;
    // the runner then keeps its place.
    bool restoreCheckPoint();
    bool restoreToCheckPoint(QSharedPointer<CheckPoint> checkpoint);
    void clearCheckPoint();
    void addValuesToBIST(QMap<QString, double>* values);

    // A message box that the demonstration window (or a window inside it)
    // raises. In the self test nobody would answer it, and it means that an
    // action of the script was refused: the run fails naming the box, and
    // true tells that the box is not to be shown.
    bool takeMessageBox(const QString& text);

public slots:
    void back();
    void countEventLoop();
    void getLineFromStream(QString* line);
    void getStringFromStream(QString* text, const QChar& delimiter);
    void getTokenFromStream(QString* token);
    void moveCursor(qreal t);
    void moveMouseToDefaultButton();
    void pauseIfMouseMoved(bool again = true);
    void resume();
    void resume2();
    void restart();
    void setSpeed(int speed);
    void setTarget(const QString& path);
    void stop();
    void execute();

protected:
    // Closing the panel from its title bar stops the run, as Cancel does.
    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    void EnablePreciseClicks(bool on);
    void Reset();
    // The window clears the flag when it cannot rebuild the document.
    void RestoreCheckPoint(const QByteArray& xml, bool* restored);
    void RequestForthExecution(const QString& word, QStack<QVariant>* stack, bool* handled);
    void SaveCheckPoint(QByteArray* xml);

private:
    enum Row { FinishedRow, PausedRow, MessageRow, StartRow, RowCount };

    // The middle pixel of the widget, rounded down, in global coordinates.
    static QPoint globalCentreOf(const QWidget* widget);
    void createControlPanel();
    void showRow(Row row);
    QWidget* demonstrationWindow() const;
    bool belongsToDemonstration(const QWidget* widget) const;
    void placePanel();
    // True while a box of the demonstration's own windows waits for an
    // answer; the run neither steps nor moves the pointer until then.
    bool holdForBox();
    void stopIfWindowClosed();
    void createForth();
    bool performStep(int* delay);
    bool performReady(int* delay);
    bool performMessageRequest(int* delay);
    void performHostWord(Forth::Word code, int* delay);
    bool performControlWord(int n, int* delay);
    bool performWidgetWord(int n);
    void handOff(Forth::Word code);
    void pullGlideEnd();
    void addSelfTestRecord();
    // While any runner lives, boxes go through a watch that offers them to
    // the runner of their window first.
    static void watchMessageBoxes(bool on);
    void noteHeadings(const QString& text, int mode);
    void failSelfTest(const QString& reason);
    // The failure, or else the given error, with where the run stood.
    QString selfTestFailureMessage(const QString& error) const;
    void compareGeometryRecord();
    void popViewPoint(double values[6]);
    QWidget* requireTarget() const;
    QSlider* targetSlider() const;
    CurrentState& requireCurrentState() const;
    ViewPoint& requireViewPoint() const;

    QString scriptText;
    int readPosition = 0;
    std::unique_ptr<Forth> forth;
    States stateValue = NotStarted;
    int speedValue = Normal;
    QSharedPointer<CheckPoint> backCheckPoint;
    QSharedPointer<CheckPoint> latestCheckPoint;
    QSharedPointer<CheckPoint> startCheckPoint;
    QTimer stepTimerValue;
    QTimer mouseWatchTimer;
    int eventLoopCount = 0;
    int stepCountdown = 0;
    int clickCounter = 0;
    int clickCount = 0;
    int mouseButton = 0;
    int mouseButtons = 0;
    int keyboardModifiers = 0;
    QPointF glideStart;
    QPointF glideEnd;
    QPoint expectedCursor;
    QTimeLine glideTimeLine;
    QPointer<QWidget> targetWidget;
    QCursor clickCursor;
    bool mouseWatchOn = false;
    int movementCount = 0;
    bool heldByBox = false;
    bool watchBeforeBox = false;
    // Why the run failed, where the interpreter could say; shown under the error message.
    QString failureReason;

    QPointer<QWidget> panel;
    QTextBrowser* messageBrowser = nullptr;
    QWidget* rows[RowCount] = {};
    QPushButton* backButton = nullptr;
    QButtonGroup* speedGroup = nullptr;
    QByteArray savedPanelGeometry;
    QPointer<QLabel> popUpLabel;
    QList<QPointer<QPushButton> > defaultButtons;

    QSharedPointer<DocumentModel> document;
    QSharedPointer<CurrentState> currentState;
    QSharedPointer<UnitSystem> unitSystem;
    QSharedPointer<ViewPoint> viewPoint;
    QSharedPointer<Libraries> libraries;
    QMap<QString, QMap<QString, double> > selfTest;
    // The headings of the last opening and chapter messages: where the self
    // test stands when it fails.
    QString scriptHeading;
    QString chapterHeading;
    QString selfTestFailureText;
};
