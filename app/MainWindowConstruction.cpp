#include "MainWindow.h"

#include "Application.h"
#include "Calculator.h"
#include "CurrentState.h"
#include "DocumentModel.h"
#include "ProgrammaticActionGroup.h"
#include "UnitSystem.h"
#include "UtilityView.h"
#include "ViewSelector.h"

#include <QAction>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QSignalMapper>
#include <QSlider>
#include <QStandardPaths>

namespace {

const QString editionLetter = QStringLiteral("U");
const QString demonstrationToolTip = QStringLiteral("Runs a demo in a new window");

QString settingText(const QString& key)
{
    return Application::_settings ? Application::_settings->value(key).toString() : QString();
}

} // namespace

MainWindow::MainWindow(const QSharedPointer<UnitSystem>& unitSystem,
                       const QSharedPointer<CurrentState>& currentState, QWidget* parent, Qt::WindowFlags flags)
    : QMainWindow(parent, flags),
      state(currentState ? new CurrentState(*currentState, nullptr) : new CurrentState),
      units(unitSystem)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setFocusPolicy(Qt::ClickFocus);
    setObjectName(QStringLiteral("MainWindow"));
    readSettings();
    createCalculator();
    createPickersAndAccessors();
    createCentralView();
    createUtilityWindow();
    createViewSelector();
    createReportView();
    setFileName(QString());
    relayMapper = new QSignalMapper(this);
    createMenus();
    createToolBars();
    connectStateDisplay();
    connectChildWindows();
}

MainWindow::~MainWindow()
{
    clearCurrentDocumentModel(true);
}

void MainWindow::readSettings()
{
    directory = settingText(QStringLiteral("documentDirectory"));
    if (directory.isEmpty())
        directory = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    // A shared unit system keeps the choice its first window made.
    if (!units) {
        units.reset(new UnitSystem);
        units->setChosenSystem(settingText(QStringLiteral("UnitSystem")));
    }
}

void MainWindow::createCalculator()
{
    calculator = new Calculator(units, this, Qt::Dialog);
    calculator->setObjectName(QStringLiteral("Calculator"));
    calculator->hide();
}

// The group, load-axis, load-case, member-axis, member-pin, support and
// section windows are made here, hidden tool windows named after their
// classes, each closing itself when its choice is made.
void MainWindow::createPickersAndAccessors()
{
}

// The 3D view takes this place, named "StructureView".
void MainWindow::createCentralView()
{
    auto* placeholder = new QWidget(this);
    placeholder->setObjectName(QStringLiteral("StructureView"));
    setCentralWidget(placeholder);
}

// Until the utility window with its material and titles pages exists, its
// root page stands alone as the window "Utilities".
void MainWindow::createUtilityWindow()
{
    utilityView = new UtilityView(units, this, Qt::Tool);
    utilityView->setObjectName(QStringLiteral("Utilities"));
    utilityView->hide();
}

void MainWindow::createViewSelector()
{
    viewSelector = new ViewSelector(units, state, this, Qt::Tool);
    viewSelector->setObjectName(QStringLiteral("ViewSelector"));
    viewSelector->hide();
}

// The report editor, a hidden tool window named "ReportView", is made here.
void MainWindow::createReportView()
{
}

QWidget* MainWindow::childWindow(const QString& name) const
{
    return findChild<QWidget*>(name, Qt::FindDirectChildrenOnly);
}

// ---- Menus

void MainWindow::createMenus()
{
    QMenu* file = menuBar()->addMenu(tr("File"));
    connect(file->addAction(tr("New")), &QAction::triggered, this, &MainWindow::newFile);
    connect(file->addAction(tr("Open...")), &QAction::triggered, this, [this] { openFile(); });
    file->addSeparator();
    connect(file->addAction(tr("Duplicate window")), &QAction::triggered, this, &MainWindow::duplicateWindow);
    file->addSeparator();
    saveAction = file->addAction(tr("Save"));
    saveAction->setEnabled(false);
    connect(saveAction, &QAction::triggered, this, &MainWindow::saveFile);
    connect(this, &MainWindow::ModifiedStateHasChanged, saveAction, &QAction::setEnabled);
    connect(file->addAction(tr("Save As...")), &QAction::triggered, this, [this] { saveFileAs(); });
    file->addSeparator();
    QAction* reports = file->addAction(tr("Reports..."));
    if (QWidget* reportWindow = childWindow(QStringLiteral("ReportView")))
        connect(reports, &QAction::triggered, reportWindow, &QWidget::show);
    file->addSeparator();
    file->addMenu(createUnitSystemMenu());
    file->addSeparator();
    connect(file->addAction(tr("Close")), &QAction::triggered, this, &QWidget::close);

    QMenu* help = menuBar()->addMenu(tr("Help"));
    help->setToolTipsVisible(true);
    QAction* manual = help->addAction(tr("Manual..."));
    manual->setToolTip(tr("Opens the on-line help in your system's default web-browser"));
    connect(manual, &QAction::triggered, this, &MainWindow::openHelp);
    QAction* about = help->addAction(tr("About"));
    about->setToolTip(tr("Show information about %1").arg(QCoreApplication::applicationName()));
    connect(about, &QAction::triggered, this, &MainWindow::openAbout);
    createExamplesMenu(help);
    createDemonstrationsMenu(help);
}

QMenu* MainWindow::createUnitSystemMenu()
{
    auto* menu = new QMenu(tr("Unit system"), this);
    auto* group = new ProgrammaticActionGroup(this);
    const QStringList names = UnitSystem::availableSystems();
    const QString chosen = names.value(units->chosenSystem());
    for (const QString& name : names) {
        auto* action = new QAction(name, this);
        action->setCheckable(true);
        action->setChecked(name == chosen);
        group->addAction(action);
        menu->addAction(action);
    }
    group->setCurrentIndex(units->chosenSystem());
    connect(group, &ProgrammaticActionGroup::checked, units.data(), qOverload<int>(&UnitSystem::setChosenSystem));
    connect(units.data(), &UnitSystem::UnitSystemChanged, group, &ProgrammaticActionGroup::setCurrentIndex);
    return menu;
}

QStringList MainWindow::editionEntries(const QStringList& fileNames)
{
    QStringList entries;
    for (const QString& name : fileNames)
        if (name.section(QLatin1Char('.'), 1, 1).contains(editionLetter))
            entries << name;
    return entries;
}

void MainWindow::createExamplesMenu(QMenu* help)
{
    const QString folder = QStringLiteral(":/example");
    const QStringList files = QDir(folder).entryList(QDir::Files, QDir::Name);
    if (files.isEmpty())
        return;
    auto* mapper = new QSignalMapper(this);
    QMenu* menu = help->addMenu(tr("Examples"));
    menu->setToolTipsVisible(true);
    for (const QString& name : editionEntries(files)) {
        QAction* entry = menu->addAction(name.section(QLatin1Char('.'), 2, 2));
        entry->setToolTip(demonstrationToolTip);
        connect(entry, &QAction::triggered, mapper, qOverload<>(&QSignalMapper::map));
        mapper->setMapping(entry, folder + QLatin1Char('/') + name);
    }
    connect(mapper, &QSignalMapper::mappedString, this, &MainWindow::openExample, Qt::QueuedConnection);
}

// The demonstration hooks connect demoMapper to the window's runner.
void MainWindow::createDemonstrationsMenu(QMenu* help)
{
    const QStringList files = QDir(QStringLiteral(":/replay")).entryList(QDir::Files, QDir::Name);
    if (files.isEmpty())
        return;
    demoMapper = new QSignalMapper(this);
    QMenu* menu = help->addMenu(tr("Run demo"));
    menu->setToolTipsVisible(true);
    for (const QString& name : editionEntries(files)) {
        demoNames << name;
        QAction* entry = menu->addAction(name.section(QLatin1Char('.'), 3, -1));
        entry->setToolTip(demonstrationToolTip);
        connect(entry, &QAction::triggered, demoMapper, qOverload<>(&QSignalMapper::map));
        demoMapper->setMapping(entry, name);
    }
}

// ---- The connections made last

void MainWindow::connectStateDisplay()
{
    if (auto* application = qobject_cast<Application*>(QCoreApplication::instance()))
        connect(application, &Application::UpdateAvailable, this, &MainWindow::indicateNewVersion);
    connect(scaleSlider, &QSlider::valueChanged, this, &MainWindow::updateScaleSliderForPosition);
    connect(state.data(), &CurrentState::ModeHasChanged, this, &MainWindow::updateScaleSliderForScale);
    connect(state.data(), &CurrentState::ModeHasChanged, this, &MainWindow::applyScaleSliderTooltip);
    connect(state.data(), &CurrentState::ResultModeHasChanged, this, &MainWindow::updateScaleSliderForScale);
    connect(state.data(), &CurrentState::ScalesHaveChanged, this, &MainWindow::updateScaleSliderForScale);
}

// The choices of the pickers and accessors and the value requests of the
// editor pages are connected here as those windows are made.
void MainWindow::connectChildWindows()
{
    connect(relayMapper, &QSignalMapper::mappedInt, this, &MainWindow::signalRelay);
    if (QWidget* reportWindow = childWindow(QStringLiteral("ReportView")))
        connect(utilityView, &UtilityView::ExportPDF, reportWindow, &QWidget::show);
    connect(utilityView, &UtilityView::OpenFile, this, [this] { openFile(); });
    connect(utilityView, &UtilityView::OpenHelp, this, &MainWindow::openHelp);
    connect(utilityView, &UtilityView::SaveFile, this, [this] { saveFileAs(); });
    connect(utilityView, &UtilityView::WipeModel, this, &MainWindow::newFile);
}
