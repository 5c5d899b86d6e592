#include "AppTesting.h"
#include "Calculator.h"
#include "CurrentState.h"
#include "DocumentModel.h"
#include "MainWindow.h"
#include "ModelMetaTypes.h"
#include "ModelResources.h"
#include "StructureModel.h"
#include "SupportPicker.h"
#include "ToolMenu.h"
#include "UnitSystem.h"
#include "VisualConstants.h"

#include <QGridLayout>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QTemporaryDir>
#include <QUndoStack>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

namespace {

QImage imageOf(const QIcon& icon, const QString& resource, QIcon::State state = QIcon::Off)
{
    const QImage expected(resource);
    return icon.pixmap(expected.size(), QIcon::Normal, state).toImage().convertToFormat(QImage::Format_ARGB32);
}

QMenu* menuTitled(QWidget* window, const QString& title)
{
    for (QMenu* menu : window->findChildren<QMenu*>())
        if (menu->title() == title)
            return menu;
    return nullptr;
}

QStringList entryTexts(QMenu* menu)
{
    QStringList texts;
    for (QAction* action : menu->actions())
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return texts;
}

} // namespace

class TestConstruction : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void buttonsHaveTheirNamesIconsAndPlaces_data();
    void buttonsHaveTheirNamesIconsAndPlaces();
    void relayedButtonsSendTheActionOfTheMode_data();
    void relayedButtonsSendTheActionOfTheMode();
    void childWindowsStartHidden_data();
    void childWindowsStartHidden();
    void pickerClosesBeforeItsChoiceIsActedOn();
    void modeTabsFollowTheCurrentState();
    void scaleSliderMapsDecades();
    void menusListTheirEntries();
    void unitSystemComesFromTheSettingsAndIsShared();
    void editionLetterChoosesTheResources_data();
    void editionLetterChoosesTheResources();
    void examplesOpenInWindowsOfTheirOwn();
    void updateNoticeIsEscaped();
    void screenshot();

private:
    RecordingDialogs dialogs;
    QScopedPointer<QTemporaryDir> folder;
    QPointer<MainWindow> window;
};

void TestConstruction::initTestCase()
{
    registerModelMetaTypes();
    initialiseModelResources();
    initialiseVisualConstants();
    QApplication::setApplicationName(QStringLiteral("VARO Ulmar"));
}

void TestConstruction::init()
{
    dialogs = RecordingDialogs();
    UserDialogs::install(&dialogs);
    folder.reset(new QTemporaryDir);
    useTemporarySettings(folder->path());
    window = new MainWindow;
    QVERIFY(window->newFile());
}

void TestConstruction::cleanup()
{
    QList<QPointer<MainWindow>> windows;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* mainWindow = qobject_cast<MainWindow*>(widget))
            windows << mainWindow;
    for (const QPointer<MainWindow>& mainWindow : windows)
        delete mainWindow.data();
    UserDialogs::install(nullptr);
}

void TestConstruction::buttonsHaveTheirNamesIconsAndPlaces_data()
{
    QTest::addColumn<QString>("place");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("icon");
    QTest::addColumn<QString>("toolTip");
    const auto row = [](const char* name, const char* place, int row, int column, const char* icon,
                        const char* toolTip) {
        QTest::newRow(name) << place << row << column << (icon[0] ? QStringLiteral(":/%1.png").arg(icon) : QString())
                            << toolTip;
    };
    // Tool-bar widgets have no grid cell: row -1.
    row("ButtonUndo", "Control", -1, 0, "undo", "Undo last action");
    row("ButtonRedo", "Control", -1, 0, "redo", "Redo last action");
    row("ActionSelectionClear", "Control", -1, 0, "actionSelectionClear", "Clear selection");
    row("ButtonSelectionMenu", "Control", -1, 0, "", "Selection menu");
    row("ActionSelectionCopy", "ToolMenuSelection", 0, 0, "actionSelectionCopy", "Copy selected items");
    row("ActionSelectionAuto", "ToolMenuSelection", 1, 0, "actionSelectionAuto",
        "Automatically select dependent items");
    row("ActionGroupMove", "ToolMenuSelection", 2, 0, "actionGroupMove",
        "Move current selection to visible group or loadcase");
    row("ActionSelectionDelete", "ToolMenuSelection", 3, 0, "actionSelectionDelete", "Delete selected items");
    row("ActionSelectionBoxDisplay", "ToolMenuSelection", 0, 1, "actionSelectionBoxDisplay",
        "Toggle display of selection box for selecting areas");
    row("ActionSelectionBoxClear", "ToolMenuSelection", 1, 1, "actionSelectionBoxClear",
        "Clear all items within selection box");
    row("ActionSelectionBoxSelect", "ToolMenuSelection", 2, 1, "actionSelectionBoxSelect",
        "Select all items within selection box");
    row("TabGeometry", "Display", -1, 0, "tabGeometryOff", "Display geometry");
    row("TabLoading", "Display", -1, 0, "tabLoadingOff", "Display loading");
    row("TabResults", "Display", -1, 0, "tabResultsOff", "Display results");
    row("TabUtilities", "Display", -1, 0, "tabUtility", "Open utility window");
    row("ButtonNodeMenu", "Modelling", -1, 0, "", "Node menu");
    row("ButtonMemberMenu", "Modelling", -1, 0, "", "Member menu");
    row("ButtonLoadMenu", "Modelling", -1, 0, "", "Load menu");
    row("ButtonResultMenu", "Modelling", -1, 0, "", "Result menu");
    row("ActionAddNode", "ToolMenuNode", 0, 0, "actionAddNodes", "Add a node");
    row("ActionNodeSupports", "ToolMenuNode", 1, 0, "actionNodeSupports", "Choose node supports");
    row("ActionNodeRotate", "ToolMenuNode", 2, 0, "actionNodeRotate", "Rotate selected nodes around master member");
    row("ActionNodeFlip", "ToolMenuNode", 3, 0, "actionNodeFlip",
        "Reflect selected nodes in major plane of master member");
    row("ActionAddMembers", "ToolMenuMember", 0, 0, "actionAddMembers", "Add members");
    row("ActionMemberAxes", "ToolMenuMember", 1, 0, "actionMemberAxes", "Choose member axes");
    row("ActionSectionLibrary", "ToolMenuMember", 2, 0, "actionSectionTypes", "Choose section types");
    row("ActionSplitMembers", "ToolMenuMember", 0, 1, "actionSplitMembers", "Split members");
    row("ActionPolariseMembers", "ToolMenuMember", 1, 1, "actionPolariseMembers", "Polarise members");
    row("ActionMemberPins", "ToolMenuMember", 2, 1, "actionMemberPins", "Set/remove member pins");
    row("ActionAddPLoad", "ToolMenuLoad", 0, 0, "actionAddPLoad", "Add point load");
    row("ActionAddMLoad", "ToolMenuLoad", 1, 0, "actionAddMLoad", "Add moment load");
    row("ActionAddTLoad", "ToolMenuLoad", 2, 0, "actionAddTLoad", "Add distributed load");
    row("ActionLoadAxis", "ToolMenuLoad", 3, 0, "actionLoadAxis", "Choose load axes");
    row("ButtonReaction", "ToolMenuResult", 0, 0, "buttonReaction", "Display reactions");
    row("ButtonDeflection", "ToolMenuResult", 1, 0, "buttonDeflection", "Display deflections");
    row("ButtonBendingMoment", "ToolMenuResult", 2, 0, "buttonBendingMoment", "Display bending moments");
    row("ButtonShearForce", "ToolMenuResult", 3, 0, "buttonShearForce", "Display shear forces");
    row("ButtonLoadCase", "Cases", -1, 0, "", "Click to open the loadcase picker.");
    row("ButtonGroup", "Groups", -1, 0, "", "Click to open the group picker.");
    row("ButtonViewSelector", "View", -1, 0, "buttonViewSelector", "Open view selector");
}

// Demonstration scripts find these widgets by name, so every name, place and
// picture is part of the program's interface.
void TestConstruction::buttonsHaveTheirNamesIconsAndPlaces()
{
    QFETCH(QString, place);
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QString, icon);
    QFETCH(QString, toolTip);
    const QList<QAbstractButton*> found = window->findChildren<QAbstractButton*>(QTest::currentDataTag());
    QCOMPARE(found.size(), 1);
    QAbstractButton* button = found.first();
    QCOMPARE(button->toolTip(), toolTip);
    QCOMPARE(button->focusPolicy(), Qt::NoFocus);
    QVERIFY(button->isEnabled());
    QWidget* parent = button->parentWidget();
    if (row < 0) {
        QCOMPARE(qobject_cast<QToolBar*>(parent)->windowTitle(), place);
    } else {
        QCOMPARE(parent->objectName(), place);
        QCOMPARE(qobject_cast<ToolMenu*>(parent)->isHidden(), true);
        auto* grid = qobject_cast<QGridLayout*>(parent->layout());
        int r, c, rowSpan, columnSpan;
        grid->getItemPosition(grid->indexOf(button), &r, &c, &rowSpan, &columnSpan);
        QCOMPARE(QPoint(c, r), QPoint(column, row));
    }
    if (!icon.isEmpty())
        QCOMPARE(imageOf(button->icon(), icon), QImage(icon).convertToFormat(QImage::Format_ARGB32));
    if (icon.startsWith(QLatin1String(":/tab")) && button->isCheckable()) {
        const QString on = QString(icon).replace(QLatin1String("Off."), QLatin1String("On."));
        QCOMPARE(imageOf(button->icon(), on, QIcon::On), QImage(on).convertToFormat(QImage::Format_ARGB32));
    }
}

void TestConstruction::relayedButtonsSendTheActionOfTheMode_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QByteArray>("signal");
    QTest::newRow("add node") << "ActionAddNode" << 2 << QByteArray(SIGNAL(ActionAddNode(GeometryGroupRef)));
    QTest::newRow("add point load") << "ActionAddPLoad" << 0 << QByteArray(SIGNAL(ActionAddPointLoad(LoadingRef)));
    QTest::newRow("add members") << "ActionAddMembers" << 1 << QByteArray(SIGNAL(ActionAddMembers(GeometryGroupRef)));
    QTest::newRow("auto geometry") << "ActionSelectionAuto" << 0
                                   << QByteArray(SIGNAL(ActionSelectNodesFromSelectedMembers()));
    QTest::newRow("auto loading") << "ActionSelectionAuto" << 1
                                  << QByteArray(SIGNAL(ActionSelectMembersFromSelectedLoads()));
    QTest::newRow("delete loads") << "ActionSelectionDelete" << 1 << QByteArray(SIGNAL(ActionDeleteSelectedLoads()));
    QTest::newRow("move geometry") << "ActionGroupMove" << 0
                                   << QByteArray(SIGNAL(ActionMoveSelectedGeometryToGroup(GeometryGroupRef)));
    QTest::newRow("delete in results") << "ActionSelectionDelete" << 2 << QByteArray();
    QTest::newRow("move in results") << "ActionGroupMove" << 2 << QByteArray();
    QTest::newRow("split") << "ActionSplitMembers" << 0 << QByteArray(SIGNAL(ActionSplitMembers()));
    QTest::newRow("flip") << "ActionNodeFlip" << 0 << QByteArray(SIGNAL(ActionFlipSelectedNodes()));
    QTest::newRow("clear") << "ActionSelectionClear" << 2 << QByteArray(SIGNAL(ActionClearSelection()));
    QTest::newRow("undo") << "ButtonUndo" << 0 << QByteArray(SIGNAL(ActionUndo()));
}

void TestConstruction::relayedButtonsSendTheActionOfTheMode()
{
    QFETCH(QString, button);
    QFETCH(int, mode);
    QFETCH(QByteArray, signal);
    window->currentState()->setMode(mode);
    QList<QSharedPointer<QSignalSpy>> spies;
    for (int i = QMainWindow::staticMetaObject.methodCount(); i < window->metaObject()->methodCount(); ++i) {
        const QMetaMethod method = window->metaObject()->method(i);
        if (method.methodType() == QMetaMethod::Signal && method.name().startsWith("Action"))
            spies << QSharedPointer<QSignalSpy>(new QSignalSpy(window, ('2' + method.methodSignature()).constData()));
    }
    window->findChild<QToolButton*>(button)->click();
    QList<QByteArray> fired;
    for (const auto& spy : spies)
        if (!spy->isEmpty())
            fired << spy->signal();
    QCOMPARE(fired, signal.isEmpty() ? QList<QByteArray>() : QList<QByteArray>{signal.mid(1)});
}

void TestConstruction::childWindowsStartHidden_data()
{
    QTest::addColumn<QString>("className");
    QTest::addColumn<int>("type");
    for (const char* name : {"GroupAccessor", "LoadAxisPicker", "LoadCaseAccessor", "MemberAxisPicker",
                             "MemberPinPicker", "SupportPicker", "SectionAccessor", "ViewSelector"})
        QTest::newRow(name) << name << int(Qt::Tool);
    QTest::newRow("Utilities") << "UtilityWindow" << int(Qt::Tool);
    QTest::newRow("Calculator") << "Calculator" << int(Qt::Dialog);
    QTest::newRow("StructureView") << "StructureView" << int(Qt::Widget);
}

void TestConstruction::childWindowsStartHidden()
{
    QFETCH(QString, className);
    QFETCH(int, type);
    QWidget* child = window->findChild<QWidget*>(QTest::currentDataTag(), Qt::FindDirectChildrenOnly);
    QVERIFY(child);
    QCOMPARE(QString(child->metaObject()->className()), className);
    QCOMPARE(int(child->windowType()), type);
    QCOMPARE(child->isHidden(), type != Qt::Widget);
    QVERIFY(!child->testAttribute(Qt::WA_DeleteOnClose));
}

void TestConstruction::pickerClosesBeforeItsChoiceIsActedOn()
{
    QToolButton* supports = window->findChild<QToolButton*>("ActionNodeSupports");
    auto* picker = window->findChild<SupportPicker*>("SupportPicker");
    window->show();
    window->findChild<QToolButton*>("ButtonNodeMenu")->click();
    supports->click();
    QVERIFY(picker->isVisible());
    QVERIFY(window->findChild<QWidget*>("ToolMenuNode")->isHidden());
    bool visibleWhenActed = true;
    connect(window, &MainWindow::ActionSetSupport, this, [&] { visibleWhenActed = picker->isVisible(); });
    emit picker->SupportChosen(SupportRef());
    QVERIFY(!visibleWhenActed);
}

// The tab of the state's mode is checked without the state hearing of it; a
// click reaches the state, and a change of the state checks its tab.
void TestConstruction::modeTabsFollowTheCurrentState()
{
    QSharedPointer<CurrentState> results(new CurrentState);
    results->setMode(CurrentState::Results);
    auto* other = new MainWindow(window->unitSystem(), results);
    QSignalSpy modes(other->currentState().data(), &CurrentState::ModeHasChanged);
    QVERIFY(other->findChild<QToolButton*>("TabResults")->isChecked());
    QVERIFY(other->currentState() != results);

    other->findChild<QToolButton*>("TabLoading")->click();
    QCOMPARE(other->currentState()->mode(), int(CurrentState::Loading));
    other->currentState()->setMode(CurrentState::Geometry);
    QVERIFY(other->findChild<QToolButton*>("TabGeometry")->isChecked());
    QCOMPARE(modes.size(), 2);
}

void TestConstruction::scaleSliderMapsDecades()
{
    auto* slider = window->findChild<QSlider*>("SliderScale");
    const QSharedPointer<CurrentState> state = window->currentState();
    QCOMPARE(QPoint(slider->minimum(), slider->maximum()), QPoint(0, 256));
    QCOMPARE(slider->value(), 192);
    QCOMPARE(slider->toolTip(), QStringLiteral("Drag to change the depicted size of supports and member pins."));
    state->setMode(CurrentState::Results);
    QCOMPARE(slider->value(), 192);
    QCOMPARE(state->scaleRe(), 1.0);
    state->setResultMode(CurrentState::Deflection);
    QCOMPARE(slider->value(), 138);
    QVERIFY(qAbs(state->scaleDf() - 1000 * std::pow(10.0, 138 / 32.0 - 6)) < 1e-9);
    state->setResultMode(CurrentState::BendingMoment);
    QCOMPARE(slider->value(), 64);
    QCOMPARE(state->scaleBM(), 0.0001);
    QCOMPARE(slider->toolTip(), QStringLiteral("Drag to change the depicted scaling of result diagrams."));
    slider->setValue(256);
    QCOMPARE(state->scaleBM(), 100.0);
    slider->setValue(0);
    QVERIFY(qAbs(state->scaleBM() - 1e-6) < 1e-18);
    state->setScaleBendingMoments(-1.0);
    QCOMPARE(slider->value(), 256);
}

void TestConstruction::menusListTheirEntries()
{
    QCOMPARE(entryTexts(menuTitled(window, "File")),
             QStringList({"New", "Open...", "-", "Duplicate window", "-", "Save", "Save As...", "-", "Reports...",
                          "-", "Unit system", "-", "Close"}));
    QCOMPARE(entryTexts(menuTitled(window, "Help")), QStringList({"Manual...", "About", "Examples", "Run demo"}));
    QCOMPARE(entryTexts(menuTitled(window, "Examples")),
             QStringList({"Beam", "Plane Portal", "Plane Grid 1", "Plane Grid 2", "Space Frame", "Space Portal",
                          "Concrete Frame", "Two-storey Frame", "Helical Stair 1", "Helical Stair 2"}));
    QVERIFY(entryTexts(menuTitled(window, "Run demo")).isEmpty());
    QVERIFY(window->demonstrationNames().isEmpty());

    QAction* save = menuTitled(window, "File")->actions().at(5);
    window->documentModel()->structureUndoStack()->push(new QUndoCommand(QStringLiteral("edit")));
    QVERIFY(save->isEnabled());
    window->documentModel()->structureUndoStack()->undo();
    QVERIFY(!save->isEnabled());

    auto* undo = window->findChild<QToolButton*>("ButtonUndo");
    QMetaObject::invokeMethod(window, "CanUndoChanged", Q_ARG(bool, false));
    QVERIFY(!undo->isEnabled());

    auto* calculator = window->findChild<Calculator*>("Calculator");
    QVERIFY(calculator->isHidden());
    QCOMPARE(calculator->windowType(), Qt::Dialog);
}

void TestConstruction::unitSystemComesFromTheSettingsAndIsShared()
{
    Application::_settings->setValue("UnitSystem", "Imperial (US)");
    Application::_settings->setValue("documentDirectory", folder->path());
    QPointer<MainWindow> own = new MainWindow;
    QCOMPARE(own->unitSystem()->chosenSystem(), 2);
    QCOMPARE(own->documentDirectory(), folder->path());
    QMenu* units = menuTitled(own, "Unit system");
    const auto checked = [units] {
        QStringList names;
        for (QAction* action : units->actions())
            if (action->isChecked())
                names << action->text();
        return names;
    };
    QCOMPARE(checked(), QStringList{"Imperial (US)"});

    QSignalSpy changes(own->unitSystem().data(), &UnitSystem::UnitSystemChanged);
    units->actions().at(1)->trigger();
    // The utility page's unit buttons echo the change once more, with the same index.
    QVERIFY(!changes.isEmpty());
    for (const QList<QVariant>& change : changes)
        QCOMPARE(change.first().toInt(), 1);
    QCOMPARE(checked(), QStringList{"Metric (EU)"});

    // A window given the unit system shares it: a choice in one menu shows in both.
    auto* shared = new MainWindow(own->unitSystem(), own->currentState());
    QCOMPARE(shared->unitSystem(), own->unitSystem());
    own->unitSystem()->setChosenSystem(0);
    QCOMPARE(menuTitled(shared, "Unit system")->actions().at(0)->isChecked(), true);
}

void TestConstruction::editionLetterChoosesTheResources_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("listed");
    QTest::newRow("edition field")
        << QStringList({"03.KU.Plane Grid 1.varok", "04.K.Other.varok", "05.ku.Lower.varok", "06.UK.Order.varok"})
        << QStringList({"03.KU.Plane Grid 1.varok", "06.UK.Order.varok"});
    QTest::newRow("demonstrations") << QStringList({"01.KU.Model1.(Guide) Tour", "Model1.varok", "03.KU..Beam"})
                                    << QStringList({"01.KU.Model1.(Guide) Tour", "03.KU..Beam"});
}

void TestConstruction::editionLetterChoosesTheResources()
{
    QFETCH(QStringList, files);
    QFETCH(QStringList, listed);
    QCOMPARE(MainWindow::editionEntries(files), listed);
}

void TestConstruction::examplesOpenInWindowsOfTheirOwn()
{
    QMenu* examples = menuTitled(window, "Examples");
    examples->actions().at(2)->trigger();
    MainWindow* opened = nullptr;
    QTRY_VERIFY((opened = [this] {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (qobject_cast<MainWindow*>(widget) && widget != window && widget->isVisible())
                return qobject_cast<MainWindow*>(widget);
        return static_cast<MainWindow*>(nullptr);
    }()));
    QCOMPARE(opened->windowTitle(), QStringLiteral("Untitled [*] - VARO Ulmar"));
    QVERIFY(opened->documentModel()->structureModel()->nodes().size() > 0);
    QVERIFY(opened->unitSystem() != window->unitSystem());
    QVERIFY(dialogs.boxes.isEmpty());
}

// The version and address come from the network and must not become markup.
void TestConstruction::updateNoticeIsEscaped()
{
    window->indicateNewVersion(QStringLiteral("2.0<img src=x>"), QStringLiteral("https://a.example/\"><b>"));
    QCOMPARE(dialogs.texts(),
             QStringList{"<p>New version available: 2.0&lt;img src=x&gt;</p><p>Click <a href=\"https://a.example/"
                         "&quot;&gt;&lt;b&gt;\">here</a> to go to the download site.</p>"});
}

// The 3D view draws with OpenGL, so the picture is taken from the screen.
void TestConstruction::screenshot()
{
    QVERIFY(window->openFile(QStringLiteral(":/example/05.KU.Space Frame.varok"), true));
    window->resize(1024, 640);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QTest::qWait(300);
    const QPixmap picture = window->screen()->grabWindow(window->winId());
    const QString path = folder->filePath(QStringLiteral("mainwindow.png"));
    QVERIFY(picture.save(path));
    qInfo("Main window: %s", qPrintable(path));
    if (!qEnvironmentVariableIsEmpty("VARO_SCREENSHOT"))
        picture.save(qEnvironmentVariable("VARO_SCREENSHOT"));
    folder->setAutoRemove(false);
}

QTEST_MAIN(TestConstruction)
#include "tst_construction.moc"
