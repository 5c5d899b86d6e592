#include "AppTesting.h"
#include "CurrentState.h"
#include "DocumentModel.h"
#include "MainWindow.h"
#include "ModelMetaTypes.h"
#include "ModelResources.h"
#include "SelectionModel.h"
#include "SupportPicker.h"
#include "UnitSystem.h"
#include "VisualConstants.h"
#include "TestMain.h"

#include <QGridLayout>
#include <QMenu>
#include <QScreen>
#include <QSlider>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>
#include <QUndoStack>
#include <QtTest>

namespace {

// Where a button sits: a tool bar (row -1) or a cell of a tool menu.
struct Button
{
    const char* name;
    const char* place;
    int row, column;
    const char* icon;
    const char* toolTip;
};

const Button buttons[] = {
    {"ButtonUndo", "Control", -1, 0, "undo", "Undo last action"},
    {"ButtonRedo", "Control", -1, 0, "redo", "Redo last action"},
    {"ActionSelectionClear", "Control", -1, 0, "actionSelectionClear", "Clear selection"},
    {"ButtonSelectionMenu", "Control", -1, 0, "", "Selection menu"},
    {"ActionSelectionCopy", "ToolMenuSelection", 0, 0, "actionSelectionCopy", "Copy selected items"},
    {"ActionSelectionAuto", "ToolMenuSelection", 1, 0, "actionSelectionAuto", "Automatically select dependent items"},
    {"ActionGroupMove", "ToolMenuSelection", 2, 0, "actionGroupMove",
     "Move current selection to visible group or loadcase"},
    {"ActionSelectionDelete", "ToolMenuSelection", 3, 0, "actionSelectionDelete", "Delete selected items"},
    {"ActionSelectionBoxDisplay", "ToolMenuSelection", 0, 1, "actionSelectionBoxDisplay",
     "Toggle display of selection box for selecting areas"},
    {"ActionSelectionBoxClear", "ToolMenuSelection", 1, 1, "actionSelectionBoxClear",
     "Clear all items within selection box"},
    {"ActionSelectionBoxSelect", "ToolMenuSelection", 2, 1, "actionSelectionBoxSelect",
     "Select all items within selection box"},
    {"TabGeometry", "Display", -1, 0, "tabGeometryOff", "Display geometry"},
    {"TabLoading", "Display", -1, 0, "tabLoadingOff", "Display loading"},
    {"TabResults", "Display", -1, 0, "tabResultsOff", "Display results"},
    {"TabUtilities", "Display", -1, 0, "tabUtility", "Open utility window"},
    {"ButtonNodeMenu", "Modelling", -1, 0, "", "Node menu"},
    {"ButtonMemberMenu", "Modelling", -1, 0, "", "Member menu"},
    {"ButtonLoadMenu", "Modelling", -1, 0, "", "Load menu"},
    {"ButtonResultMenu", "Modelling", -1, 0, "", "Result menu"},
    {"ActionAddNode", "ToolMenuNode", 0, 0, "actionAddNodes", "Add a node"},
    {"ActionNodeSupports", "ToolMenuNode", 1, 0, "actionNodeSupports", "Choose node supports"},
    {"ActionNodeRotate", "ToolMenuNode", 2, 0, "actionNodeRotate", "Rotate selected nodes around master member"},
    {"ActionNodeFlip", "ToolMenuNode", 3, 0, "actionNodeFlip",
     "Reflect selected nodes in major plane of master member"},
    {"ActionAddMembers", "ToolMenuMember", 0, 0, "actionAddMembers", "Add members"},
    {"ActionMemberAxes", "ToolMenuMember", 1, 0, "actionMemberAxes", "Choose member axes"},
    {"ActionSectionLibrary", "ToolMenuMember", 2, 0, "actionSectionTypes", "Choose section types"},
    {"ActionSplitMembers", "ToolMenuMember", 0, 1, "actionSplitMembers", "Split members"},
    {"ActionPolariseMembers", "ToolMenuMember", 1, 1, "actionPolariseMembers", "Polarise members"},
    {"ActionMemberPins", "ToolMenuMember", 2, 1, "actionMemberPins", "Set/remove member pins"},
    {"ActionAddPLoad", "ToolMenuLoad", 0, 0, "actionAddPLoad", "Add point load"},
    {"ActionAddMLoad", "ToolMenuLoad", 1, 0, "actionAddMLoad", "Add moment load"},
    {"ActionAddTLoad", "ToolMenuLoad", 2, 0, "actionAddTLoad", "Add distributed load"},
    {"ActionLoadAxis", "ToolMenuLoad", 3, 0, "actionLoadAxis", "Choose load axes"},
    {"ButtonReaction", "ToolMenuResult", 0, 0, "buttonReaction", "Display reactions"},
    {"ButtonDeflection", "ToolMenuResult", 1, 0, "buttonDeflection", "Display deflections"},
    {"ButtonBendingMoment", "ToolMenuResult", 2, 0, "buttonBendingMoment", "Display bending moments"},
    {"ButtonShearForce", "ToolMenuResult", 3, 0, "buttonShearForce", "Display shear forces"},
    {"ButtonLoadCase", "Cases", -1, 0, "", "Click to open the loadcase picker."},
    {"ButtonGroup", "Groups", -1, 0, "", "Click to open the group picker."},
    {"ButtonViewSelector", "View", -1, 0, "buttonViewSelector", "Open view selector"},
};

QImage imageOf(const QIcon& icon, const QString& resource, QIcon::State state = QIcon::Off)
{
    return icon.pixmap(QImage(resource).size(), QIcon::Normal, state).toImage().convertToFormat(QImage::Format_ARGB32);
}

QImage imageOf(const QString& resource)
{
    return QImage(resource).convertToFormat(QImage::Format_ARGB32);
}

QMenu* menuTitled(QWidget* window, const QString& title)
{
    for (QMenu* menu : window->findChildren<QMenu*>())
        if (menu->title() == title)
            return menu;
    return nullptr;
}

QStringList entryTexts(QMenu* menu, bool checkedOnly = false)
{
    QStringList texts;
    for (QAction* action : menu->actions())
        if (!checkedOnly || action->isChecked())
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

    void buttonsHaveTheirNamesIconsAndPlaces();
    void buttonsSendTheActionOfTheMode_data();
    void buttonsSendTheActionOfTheMode();
    void childWindowsStartHidden_data();
    void childWindowsStartHidden();
    void pickerClosesBeforeItsChoiceIsActedOn();
    void selectionBoxButtonsSelectAndClear();
    void modeTabsFollowTheCurrentState();
    void menusListTheirEntries();
    void unitSystemComesFromTheSettingsAndIsShared();
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

// Demonstration scripts find these widgets by name, so every name, place and
// picture is part of the program's interface. All are read from one window,
// which nothing here changes.
void TestConstruction::buttonsHaveTheirNamesIconsAndPlaces()
{
    // As built, before a document makes the state display enable and retitle them.
    const QScopedPointer<MainWindow> bare(new MainWindow);
    for (const Button& expected : buttons) {
        const auto named = [&expected](const QString& value) { return QString(expected.name) + ": " + value; };
        const QList<QAbstractButton*> found = bare->findChildren<QAbstractButton*>(expected.name);
        QVERIFY2(found.size() == 1, expected.name);
        QAbstractButton* button = found.first();
        QCOMPARE(named(button->toolTip()), named(expected.toolTip));
        QVERIFY2(button->focusPolicy() == Qt::NoFocus, expected.name);
        QVERIFY2(button->isEnabled(), expected.name);
        QWidget* parent = button->parentWidget();
        if (expected.row < 0) {
            QCOMPARE(named(qobject_cast<QToolBar*>(parent)->windowTitle()), named(expected.place));
        } else {
            QCOMPARE(named(parent->objectName()), named(expected.place));
            QVERIFY2(parent->isHidden(), expected.name);
            auto* grid = qobject_cast<QGridLayout*>(parent->layout());
            int row, column, rowSpan, columnSpan;
            grid->getItemPosition(grid->indexOf(button), &row, &column, &rowSpan, &columnSpan);
            QVERIFY2(QPoint(column, row) == QPoint(expected.column, expected.row), expected.name);
        }
        const QString icon = QStringLiteral(":/%1.png").arg(expected.icon);
        if (expected.icon[0])
            QVERIFY2(imageOf(button->icon(), icon) == imageOf(icon), expected.name);
        if (button->isCheckable()) {
            const QString on = QString(icon).replace(QLatin1String("Off."), QLatin1String("On."));
            QVERIFY2(imageOf(button->icon(), on, QIcon::On) == imageOf(on), expected.name);
        }
    }
}

void TestConstruction::buttonsSendTheActionOfTheMode_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QByteArray>("signal");
    QTest::newRow("add node") << "ActionAddNode" << 2 << QByteArray("ActionAddNode(GeometryGroupRef)");
    QTest::newRow("add point load") << "ActionAddPLoad" << 0 << QByteArray("ActionAddPointLoad(LoadingRef)");
    QTest::newRow("auto geometry") << "ActionSelectionAuto" << 0
                                   << QByteArray("ActionSelectNodesFromSelectedMembers()");
    QTest::newRow("delete loads") << "ActionSelectionDelete" << 1 << QByteArray("ActionDeleteSelectedLoads()");
    QTest::newRow("move in results") << "ActionGroupMove" << 2 << QByteArray();
    QTest::newRow("undo") << "ButtonUndo" << 0 << QByteArray("ActionUndo()");
}

void TestConstruction::buttonsSendTheActionOfTheMode()
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
    // Enabled whatever the mode and selection, to see where a click goes.
    for (QWidget* w = window->findChild<QToolButton*>(button); w != window.data(); w = w->parentWidget())
        w->setEnabled(true);
    window->findChild<QToolButton*>(button)->click();
    QList<QByteArray> fired;
    for (const auto& spy : spies)
        if (!spy->isEmpty())
            fired << spy->signal();
    QCOMPARE(fired, signal.isEmpty() ? QList<QByteArray>() : QList<QByteArray>{signal});
}

void TestConstruction::childWindowsStartHidden_data()
{
    QTest::addColumn<QString>("className");
    QTest::addColumn<int>("type");
    for (const char* name : {"GroupAccessor", "LoadAxisPicker", "LoadCaseAccessor", "MemberAxisPicker",
                             "MemberPinPicker", "SupportPicker", "SectionAccessor", "ViewSelector", "ReportView"})
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
    QCOMPARE(QString(child->metaObject()->className()), className);
    QCOMPARE(int(child->windowType()), type);
    QCOMPARE(child->isHidden(), type != Qt::Widget);
    QVERIFY(!child->testAttribute(Qt::WA_DeleteOnClose));
}

void TestConstruction::pickerClosesBeforeItsChoiceIsActedOn()
{
    auto* picker = window->findChild<SupportPicker*>("SupportPicker");
    window->show();
    window->findChild<QToolButton*>("ButtonNodeMenu")->click();
    QToolButton* supports = window->findChild<QToolButton*>("ActionNodeSupports");
    supports->setEnabled(true);
    supports->click();
    QVERIFY(picker->isVisible());
    QVERIFY(window->findChild<QWidget*>("ToolMenuNode")->isHidden());
    bool visibleWhenActed = true;
    connect(window, &MainWindow::ActionSetSupport, this, [&] { visibleWhenActed = picker->isVisible(); });
    emit picker->SupportChosen(SupportRef());
    QVERIFY(!visibleWhenActed);
}

void TestConstruction::selectionBoxButtonsSelectAndClear()
{
    QVERIFY(window->openFile(QStringLiteral(":/example/05.KU.Space Frame.varok"), true));
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    window->findChild<QToolButton*>("ActionSelectionBoxDisplay")->click();
    window->currentState()->resizeSelectionBox(QRectF(0, 0, 1, 1));
    const QSharedPointer<SelectionModel> selection = window->documentModel()->selectionModel();
    window->findChild<QToolButton*>("ActionSelectionBoxSelect")->click();
    const int selected = selection->selection().size();
    QVERIFY(selected > 0);
    window->findChild<QToolButton*>("ActionSelectionBoxClear")->click();
    QVERIFY(selection->selection().size() < selected);
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

void TestConstruction::menusListTheirEntries()
{
    QCOMPARE(entryTexts(menuTitled(window, "File")),
             QStringList({"New", "Open...", "-", "Duplicate window", "-", "Save", "Save As...", "-", "Reports...",
                          "-", "Unit system", "-", "Close"}));
    QCOMPARE(entryTexts(menuTitled(window, "Help")), QStringList({"Manual...", "About", "Examples", "Run demo"}));
    QCOMPARE(entryTexts(menuTitled(window, "Examples")),
             QStringList({"Beam", "Plane Portal", "Plane Grid 1", "Plane Grid 2", "Space Frame", "Space Portal",
                          "Concrete Frame", "Two-storey Frame", "Helical Stair 1", "Helical Stair 2"}));
    // The shipped start model has no edition field, so it is not listed.
    QCOMPARE(entryTexts(menuTitled(window, "Run demo")),
             QStringList({"(Guide) Tour", "(Guide) Reports", "Beam", "Space Frame", "Portal Frame", "Plane Grid",
                          "Plane Frame", "Partial Truss", "Helical Stair"}));
    QCOMPARE(MainWindow::editionEntries({"03.KU.Plane Grid 1.varok", "04.K.Other.varok", "05.ku.Low.varok",
                                         "01.UK.Model1.(Guide) Tour", "Model1.varok"}),
             QStringList({"03.KU.Plane Grid 1.varok", "01.UK.Model1.(Guide) Tour"}));

    QAction* save = menuTitled(window, "File")->actions().at(5);
    window->documentModel()->structureUndoStack()->push(new QUndoCommand(QStringLiteral("edit")));
    QVERIFY(save->isEnabled());
    window->documentModel()->structureUndoStack()->undo();
    QVERIFY(!save->isEnabled());
    QMetaObject::invokeMethod(window, "CanUndoChanged", Q_ARG(bool, false));
    QVERIFY(!window->findChild<QToolButton*>("ButtonUndo")->isEnabled());
    menuTitled(window, "File")->actions().at(8)->trigger();
    QVERIFY(window->findChild<QWidget*>("ReportView")->isVisible());
    auto* slider = window->findChild<QSlider*>("SliderScale");
    QCOMPARE(QPoint(slider->minimum(), slider->maximum()), QPoint(0, 256));
}

void TestConstruction::unitSystemComesFromTheSettingsAndIsShared()
{
    Application::_settings->setValue("UnitSystem", "Imperial (US)");
    Application::_settings->setValue("documentDirectory", folder->path());
    auto* own = new MainWindow;
    QCOMPARE(own->documentDirectory(), folder->path());
    QMenu* units = menuTitled(own, "Unit system");
    QCOMPARE(entryTexts(units, true), QStringList{"Imperial (US)"});

    QSignalSpy changes(own->unitSystem().data(), &UnitSystem::UnitSystemChanged);
    units->actions().at(1)->trigger();
    // The utility page's unit buttons echo the change once more, with the same index.
    QVERIFY(!changes.isEmpty());
    for (const QList<QVariant>& change : changes)
        QCOMPARE(change.first().toInt(), 1);
    QCOMPARE(entryTexts(units, true), QStringList{"Metric (EU)"});

    auto* shared = new MainWindow(own->unitSystem(), own->currentState());
    QCOMPARE(shared->unitSystem(), own->unitSystem());
    own->unitSystem()->setChosenSystem(0);
    QCOMPARE(entryTexts(menuTitled(shared, "Unit system"), true), QStringList{"Metric (UK)"});
}

// The version and address come from the network and must not become markup.
void TestConstruction::updateNoticeIsEscaped()
{
    window->indicateNewVersion(QStringLiteral("2.0<img src=x>"), QStringLiteral("https://a.example/\"><b>"));
    QCOMPARE(dialogs.texts(),
             QStringList{"<p>New version available: 2.0&lt;img src=x&gt;</p><p>Click <a href=\"https://a.example/"
                         "&quot;&gt;&lt;b&gt;\">here</a> to go to the download site.</p>"});
}

// The 3D view draws with OpenGL, so the pictures are taken from the screen,
// each window opened by its button.
void TestConstruction::screenshot()
{
    QVERIFY(window->openFile(QStringLiteral(":/example/05.KU.Space Frame.varok"), true));
    window->resize(1024, 640);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    for (const char* name : {"MainWindow", "Utilities", "ViewSelector"}) {
        QWidget* shown = window;
        if (name != QByteArray("MainWindow")) {
            window->findChild<QToolButton*>(name == QByteArray("Utilities") ? "TabUtilities" : "ButtonViewSelector")
                ->click();
            shown = window->findChild<QWidget*>(name);
            QVERIFY(QTest::qWaitForWindowExposed(shown));
        }
        QTest::qWait(300);
        const QPixmap picture = window->screen()->grabWindow(shown->winId());
        const QString file = QStringLiteral("%1.png").arg(name);
        QVERIFY(picture.save(folder->filePath(file)));
        keepForReview(picture, file);
        if (shown != window)
            shown->close();
    }
}

VARO_TEST_MAIN(TestConstruction)
#include "tst_construction.moc"
