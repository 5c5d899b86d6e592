#include "MainWindow.h"

#include "Application.h"
#include "CurrentState.h"
#include "DemoRunner.h"
#include "DemoScripts.h"
#include "DocumentModel.h"
#include "Forth.h"
#include "GroupAccessor.h"
#include "LoadAxisPicker.h"
#include "LoadCaseAccessor.h"
#include "MemberAxisPicker.h"
#include "MemberPinPicker.h"
#include "ReportView.h"
#include "StructureView.h"
#include "SupportPicker.h"
#include "UnitSystem.h"
#include "UserDialogs.h"
#include "ViewPoint.h"

#include <QApplication>
#include <QDesktopWidget>
#include <QGuiApplication>
#include <QTimer>

namespace {

const QString replayFolder = QStringLiteral(":/replay");
const QSize demonstrationSize(640, 400);
const QSize smallestDemonstrationScreen(800, 480);

QString modelOf(const QString& name)
{
    return name.section(QLatin1Char('.'), 2, 2);
}

} // namespace

void MainWindow::runDemo(const QString& name)
{
    if (QGuiApplication::keyboardModifiers() & (Qt::ShiftModifier | Qt::ControlModifier)) {
        runBIST();
        return;
    }
    runDemoInNewWindow(Forth::loadScript(replayFolder, name), modelOf(name));
}

void MainWindow::runBIST()
{
    runDemoInNewWindow(selfTestScript(demoNames, replayFolder), QString());
}

MainWindow* MainWindow::runDemoInNewWindow(const QString& script, const QString& model)
{
    if (script.isEmpty())
        return nullptr;
    const QRect screen = QApplication::desktop()->screenGeometry(this);
    if (screen.width() < smallestDemonstrationScreen.width() ||
        screen.height() < smallestDemonstrationScreen.height()) {
        UserDialogs::warning(this, tr("The demonstration cannot be performed because the screen is too small."));
        return nullptr;
    }
    // A demonstration must see the program as a first-time user does.
    if (Application::_settings)
        Application::_settings->clear();

    auto* window = new MainWindow;
    if (!model.isEmpty()) {
        if (!window->openFile(QStringLiteral("%1/%2.varok").arg(replayFolder, model), false)) {
            delete window;
            UserDialogs::warning(
                this, tr("The demonstration cannot be performed because the installation appears to be corrupt."));
            return nullptr;
        }
        window->setFileName(QString());
    } else {
        window->newFile();
    }

    // Centred by its frame, which it will have as this window has it.
    window->setMinimumSize(demonstrationSize);
    window->resize(demonstrationSize);
    Application::placeFrame(window, [screen](const QMargins& margins) {
        QRect frame(QPoint(0, 0), demonstrationSize.grownBy(margins));
        frame.moveCenter(screen.center());
        return frame;
    }, this);
    window->show();
    window->performDemo(script);
    return window;
}

void MainWindow::performDemo(const QString& script)
{
    // The scripts' values are written in this system.
    units->setChosenSystem(0);
    emit units->UnitSystemChanged(0);

    demoRunner = new DemoRunner(this);
    connect(demoRunner, &DemoRunner::Reset, this, &MainWindow::resetForDemo);
    connect(demoRunner, &DemoRunner::RestoreCheckPoint, this, &MainWindow::restoreDemoCheckPoint);
    connect(demoRunner, &DemoRunner::SaveCheckPoint, this, &MainWindow::saveDemoCheckPoint);
    connect(demoRunner, &DemoRunner::EnablePreciseClicks, structureView, &StructureView::enablePreciseClicks);
    // The first receiver that knows a word handles it, so this order decides.
    connect(demoRunner, &DemoRunner::RequestForthExecution, structureView, &StructureView::tryForthWord);
    const QList<LibraryPicker_base*> pickers{loadAxisPicker, groupAccessor->groupPicker(),
                                             loadCaseAccessor->loadCasePicker(), memberAxisPicker,
                                             memberPinPicker};
    for (LibraryPicker_base* picker : pickers)
        connect(demoRunner, &DemoRunner::RequestForthExecution, picker, &LibraryPicker_base::tryForthWord);
    if (reportView)
        connect(demoRunner, &DemoRunner::RequestForthExecution, reportView, &ReportView::tryForthWord);
    connect(demoRunner, &DemoRunner::RequestForthExecution, supportPicker, &LibraryPicker_base::tryForthWord);

    demoRunner->setCurrentState(state);
    giveDocumentToDemoRunner();
    demoRunner->setUnitSystem(units);
    demoRunner->setScript(script);
    QTimer::singleShot(1, demoRunner, &DemoRunner::execute);
}

void MainWindow::giveDocumentToDemoRunner()
{
    demoRunner->setDocumentModel(document);
    demoRunner->setLibraries(document ? document->libraries() : QSharedPointer<Libraries>());
    demoRunner->setViewPoint(view);
}

void MainWindow::resetForDemo()
{
    clearCurrentDocumentModel(true);
    // The template is built in; should it still fail, the run stops with its
    // error rather than go on without a document. The step that reset the
    // runner sets its next state after this returns, so the failure follows.
    if (!newFile()) {
        QTimer::singleShot(0, demoRunner, [runner = demoRunner] { runner->setState(DemoRunner::Failed); });
    }
    giveDocumentToDemoRunner();
}

void MainWindow::saveDemoCheckPoint(QByteArray* xml)
{
    if (xml)
        *xml = writeXMLDocumentFile();
}

void MainWindow::restoreDemoCheckPoint(const QByteArray& xml, bool* restored)
{
    QSharedPointer<DocumentModel> newDocument(new DocumentModel(units));
    QSharedPointer<ViewPoint> newViewPoint(new ViewPoint);
    QSharedPointer<CurrentState> newCurrentState(new CurrentState);
    if (!readXMLDocumentFile(xml, newDocument, newViewPoint, newCurrentState) || !clearCurrentDocumentModel(true)) {
        if (restored)
            *restored = false;
        return;
    }
    *state = *newCurrentState;
    // Reading gave it the defaults.
    setDocumentModel(newDocument);
    setViewPoint(newViewPoint);
    setFileName(QString());
    if (demoRunner)
        giveDocumentToDemoRunner();
    newDocument->lowerBusyCount();
}
