#include "MainWindow.h"

#include "Application.h"
#include "Calculator.h"
#include "CurrentState.h"
#include "DemoScripts.h"
#include "DocumentModel.h"
#include "EditorPage.h"
#include "GroupAccessor.h"
#include "LoadAxisPicker.h"
#include "LoadCaseAccessor.h"
#include "MaterialView.h"
#include "MemberAxisPicker.h"
#include "MemberPinPicker.h"
#include "ProgrammaticActionGroup.h"
#include "ReportView.h"
#include "SectionAccessor.h"
#include "StructureView.h"
#include "SupportPicker.h"
#include "UnitSystem.h"
#include "UtilityView.h"
#include "UtilityWindow.h"
#include "ViewSelector.h"

#include <QAction>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QSignalMapper>
#include <QSlider>
#include <QStandardPaths>

namespace {

// The request that names its receiver; its signals share the parameter list.
const auto openCalculatorFor = qOverload<double, UnitSystem::Conversion, const Matrix4x4&, const CalculatorReference&,
                                         QObject*, const char*>(&MainWindow::openCalculator);

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
    setCentralWidget(structureView);
    relayMapper = new QSignalMapper(this);
    createMenus();
    createToolBars();
    connectStateDisplay();
    connectChildWindows();
}

void MainWindow::readSettings()
{
    directory = settingText(QStringLiteral("documentDirectory"));
    if (directory.isEmpty())
        directory = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    // Only a window that makes its own unit system reads the setting.
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

void MainWindow::createPickersAndAccessors()
{
    const auto makeHidden = [](QWidget* window, const QString& name) {
        window->setObjectName(name);
        window->hide();
    };
    // Each closes on its choice before the choice is acted on.
    groupAccessor = new GroupAccessor(units, this, Qt::Tool);
    makeHidden(groupAccessor, QStringLiteral("GroupAccessor"));
    connect(groupAccessor->groupPicker(), &GroupPicker::GroupChosen, groupAccessor, &QWidget::close);
    loadAxisPicker = new LoadAxisPicker(this, Qt::Tool);
    makeHidden(loadAxisPicker, QStringLiteral("LoadAxisPicker"));
    connect(loadAxisPicker, &LoadAxisPicker::LoadAxisChosen, loadAxisPicker, &QWidget::close);
    loadCaseAccessor = new LoadCaseAccessor(units, this, Qt::Tool);
    makeHidden(loadCaseAccessor, QStringLiteral("LoadCaseAccessor"));
    connect(loadCaseAccessor->loadCasePicker(), &LoadCasePicker::LoadCaseChosen, loadCaseAccessor, &QWidget::close);
    memberAxisPicker = new MemberAxisPicker(this, Qt::Tool);
    makeHidden(memberAxisPicker, QStringLiteral("MemberAxisPicker"));
    connect(memberAxisPicker, &MemberAxisPicker::MemberAxisChosen, memberAxisPicker, &QWidget::close);
    memberPinPicker = new MemberPinPicker(this, Qt::Tool);
    makeHidden(memberPinPicker, QStringLiteral("MemberPinPicker"));
    connect(memberPinPicker, &MemberPinPicker::MemberPinChosen, memberPinPicker, &QWidget::close);
    supportPicker = new SupportPicker(this, Qt::Tool);
    makeHidden(supportPicker, QStringLiteral("SupportPicker"));
    connect(supportPicker, &SupportPicker::SupportChosen, supportPicker, &QWidget::close);
    sectionAccessor = new SectionAccessor(units, this, Qt::Tool);
    makeHidden(sectionAccessor, QStringLiteral("SectionAccessor"));
    connect(sectionAccessor, &SectionAccessor::SectionChosen, sectionAccessor, &QWidget::close);
}

void MainWindow::createCentralView()
{
    structureView = new StructureView(units, state, this);
    structureView->setObjectName(QStringLiteral("StructureView"));
    connect(structureView, qOverload<double, UnitSystem::Conversion, const Matrix4x4&, const CalculatorReference&,
                                     const char*>(&StructureView::OpenCalculator),
            this, qOverload<double, UnitSystem::Conversion, const Matrix4x4&, const CalculatorReference&,
                            const char*>(&MainWindow::openCalculator));
    connect(structureView, qOverload<double, UnitSystem::Conversion, const Matrix4x4&, const CalculatorReference&,
                                     QObject*, const char*>(&StructureView::OpenCalculator),
            this, openCalculatorFor);
    connect(structureView, &StructureView::CalculatorRequestLapsed, this, &MainWindow::cancelCalculatorRequest);
}

void MainWindow::createUtilityWindow()
{
    utilityWindow = new UtilityWindow(units, this, Qt::Tool);
    utilityWindow->setObjectName(QStringLiteral("Utilities"));
    utilityWindow->hide();
}

void MainWindow::createViewSelector()
{
    viewSelector = new ViewSelector(units, state, this, Qt::Tool);
    viewSelector->setObjectName(QStringLiteral("ViewSelector"));
    viewSelector->hide();
}

void MainWindow::createReportView()
{
    reportView = new ReportView(units, state, this, Qt::Tool);
    reportView->setObjectName(QStringLiteral("ReportView"));
    reportView->hide();
}

// ---- Menus

void MainWindow::createMenus()
{
    QMenu* file = menuBar()->addMenu(tr("File"));
    // Edits still on an open page count: Save is offered for them.
    connect(file, &QMenu::aboutToShow, this, &MainWindow::applyEditorPages);
    connect(file->addAction(tr("New")), &QAction::triggered, this, &MainWindow::newFile);
    connect(file->addAction(tr("Open...")), &QAction::triggered, this, [this] { openFile(); });
    file->addSeparator();
    connect(file->addAction(tr("Duplicate window")), &QAction::triggered, this, &MainWindow::duplicateWindow);
    file->addSeparator();
    QAction* save = file->addAction(tr("Save"));
    save->setEnabled(false);
    connect(save, &QAction::triggered, this, &MainWindow::saveFile);
    connect(this, &MainWindow::ModifiedStateHasChanged, save, &QAction::setEnabled);
    connect(file->addAction(tr("Save As...")), &QAction::triggered, this, [this] { saveFileAs(); });
    file->addSeparator();
    connect(file->addAction(tr("Reports...")), &QAction::triggered, reportView, &QWidget::show);
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

// Each entry reaches runDemo with its script's name.
void MainWindow::createDemonstrationsMenu(QMenu* help)
{
    const QStringList names = demoScriptNames();
    if (names.isEmpty())
        return;
    demoMapper = new QSignalMapper(this);
    QMenu* menu = help->addMenu(tr("Run demo"));
    menu->setToolTipsVisible(true);
    for (const QString& name : names) {
        demoNames << name;
        QAction* entry = menu->addAction(name.section(QLatin1Char('.'), 3, -1));
        entry->setToolTip(demonstrationToolTip);
        connect(entry, &QAction::triggered, demoMapper, qOverload<>(&QSignalMapper::map));
        demoMapper->setMapping(entry, name);
    }
    connect(demoMapper, &QSignalMapper::mappedString, this, &MainWindow::runDemo);
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

void MainWindow::connectChildWindows()
{
    connect(groupAccessor->groupPicker(), &GroupPicker::GroupChosen, state.data(), &CurrentState::setGroup);
    connect(loadAxisPicker, &LoadAxisPicker::LoadAxisChosen, this, &MainWindow::ActionSetLoadAxis);
    connect(loadCaseAccessor->loadCasePicker(), &LoadCasePicker::LoadCaseChosen, state.data(),
            &CurrentState::setLoadCase);
    for (QWidget* widget : {loadCaseAccessor->swayCaseView(), loadCaseAccessor->combinationView(),
                            static_cast<QWidget*>(utilityWindow->materialView())})
        if (auto* page = qobject_cast<EditorPage*>(widget)) {
            connect(page, &EditorPage::OpenCalculator, this, openCalculatorFor);
            connect(page, &EditorPage::CalculatorRequestLapsed, this, &MainWindow::cancelCalculatorRequest);
        }
    connect(memberAxisPicker, &MemberAxisPicker::MemberAxisChosen, this, &MainWindow::ActionSetMemberAxis);
    connect(memberPinPicker, &MemberPinPicker::MemberPinChosen, this, &MainWindow::ActionSetMemberPin);
    connect(sectionAccessor, &SectionAccessor::SectionChosen, this, &MainWindow::ActionSetMemberProperties);
    connect(sectionAccessor, &SectionAccessor::OpenCalculator, this, openCalculatorFor);
    connect(sectionAccessor, &SectionAccessor::CalculatorRequestLapsed, this, &MainWindow::cancelCalculatorRequest);
    connect(relayMapper, &QSignalMapper::mappedInt, this, &MainWindow::signalRelay);
    connect(supportPicker, &SupportPicker::SupportChosen, this, &MainWindow::ActionSetSupport);
    UtilityView* utilities = utilityWindow->utilityView();
    connect(utilities, &UtilityView::ExportPDF, reportView,
            [this] { Application::showWidgetBeside(reportView, utilityWindow); });
    connect(utilities, &UtilityView::OpenFile, this, [this] { openFile(); });
    connect(utilities, &UtilityView::OpenHelp, this, &MainWindow::openHelp);
    connect(utilities, &UtilityView::SaveFile, this, [this] { saveFileAs(); });
    connect(utilities, &UtilityView::WipeModel, this, &MainWindow::newFile);
}
