#include "ButtonBar.h"
#include "Calculator.h"
#include "CalculatorField.h"
#include "CurrentState.h"
#include "FactorListPage.h"
#include "GeometryGroup.h"
#include "GroupAccessor.h"
#include "GuiWatchdog.h"
#include "Libraries.h"
#include "LoadCase.h"
#include "LoadCasePicker.h"
#include "Material.h"
#include "MaterialPicker.h"
#include "MaterialView.h"
#include "PickerCell.h"
#include "PortalWindowTesting.h"
#include "SectionAccessor.h"
#include "SectionCategoryPicker.h"
#include "SectionCountryPicker.h"
#include "SelectionModel.h"
#include "StructureView.h"
#include "SuperLoadCase.h"
#include "TestMain.h"
#include "Titles.h"
#include "UtilityView.h"
#include "WindowTesting.h"

#include <QAbstractButton>
#include <QAction>
#include <QGridLayout>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QToolButton>
#include <QUndoStack>

#include <cmath>
#include <functional>

#include <unistd.h>

// Records in which window each box was asked.
class WindowRecordingDialogs : public RecordingDialogs
{
public:
    QList<QWidget*> parents;
    // Given in turn before `answer`.
    QList<QMessageBox::StandardButton> answers;

    QMessageBox::StandardButton message(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                                        QMessageBox::StandardButtons buttons,
                                        QMessageBox::StandardButton defaultButton) override
    {
        parents << parent;
        const QMessageBox::StandardButton given = RecordingDialogs::message(parent, icon, text, buttons, defaultButton);
        return answers.isEmpty() ? given : answers.takeFirst();
    }
};

// Two windows on the portal: the unit system they share and the question a
// deletion asks.
class TestTwoWindows : public QObject, public PortalWindowFixture
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void calculatorAnswerFollowsTheUnitChange_data();
    void calculatorAnswerFollowsTheUnitChange();
    void deleteAsksOnceInTheWindowOfTheCommand_data();
    void deleteAsksOnceInTheWindowOfTheCommand();
    void aFileIsShownByOneModelOnly();
    void aFileByAnyNameIsOneFile();
    void aChangedFileIsReadAgainInItsWindow();
    void pickerOpensBesideItsOwnWindow();
    void editsOfBothWindowsAreSaved_data();
    void editsOfBothWindowsAreSaved();
    void pagesLetGoOfAnEntryThatLeaves_data();
    void pagesLetGoOfAnEntryThatLeaves();
    void factorsOfACaseThatLeavesAreNotHandedOn_data();
    void factorsOfACaseThatLeavesAreNotHandedOn();
    void typedValueLandsOnItsTarget_data();
    void typedValueLandsOnItsTarget();

private:
    // The unit system chosen as a user would: "menu" of the window, its
    // "utilities" window, or the "other" window's menu.
    void chooseUnits(const QString& source, int system);
    // A new "loading", "sway case", "combination", "group" or "material",
    // added from the window's picker as its Add cell does.
    static QVariant addEntry(MainWindow* in, const QString& kind);
    int entryCount(const QString& kind) const;
    // The entry's page shown in the window's library window.
    static EditorPage* openEntryPage(MainWindow* in, const QVariant& entry);
    static void clickButton(MainWindow* in, const char* name);
    // The field of the named case's row, none when the page lists no such row.
    static CalculatorField* factorField(EditorPage* page, const QString& caseName);
    // A double click on the read-out as the window's view receives it.

    WindowRecordingDialogs asked;
    QPointer<MainWindow> other;
};

void TestTwoWindows::initTestCase()
{
    initialiseProgram();
}

void TestTwoWindows::init()
{
    openPortalWindow();
    asked = WindowRecordingDialogs();
    UserDialogs::install(&asked);
    other = window->duplicateWindow();
    QVERIFY(other);
}

void TestTwoWindows::cleanup()
{
    closePortalWindows();
}

void TestTwoWindows::chooseUnits(const QString& source, int system)
{
    const QString name = UnitSystem::availableSystems()[system];
    if (source == QLatin1String("utilities")) {
        const ButtonBar* bar = window->findChild<UtilityView*>()->findChild<ButtonBar*>();
        for (QAbstractButton* button : bar->findChildren<QAbstractButton*>())
            if (button->toolTip() == name)
                button->click();
    } else {
        for (QAction* action : (source == QLatin1String("menu") ? window : other)->findChildren<QAction*>())
            if (action->text() == name)
                action->trigger();
    }
    QCOMPARE(window->unitSystem()->chosenSystem(), system);
}

void TestTwoWindows::calculatorAnswerFollowsTheUnitChange_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::newRow("menu, metric to imperial") << "menu" << 0 << 2;
    QTest::newRow("utilities, imperial to metric") << "utilities" << 2 << 0;
    QTest::newRow("other window, metric to imperial") << "other" << 0 << 2;
    QTest::newRow("other window, imperial to metric") << "other" << 2 << 1;
}

// A node's x opened in the calculator from the view, the unit system changed,
// then Done: the node stays where it was.
void TestTwoWindows::calculatorAnswerFollowsTheUnitChange()
{
    QFETCH(QString, source);
    QFETCH(int, from);
    QFETCH(int, to);
    window->unitSystem()->setChosenSystem(from);
    window->currentState()->setMode(CurrentState::Geometry);
    // The node farthest along x.
    NodeRef node;
    for (const NodeRef& n : window->documentModel()->structureModel()->nodes())
        if (!node || std::fabs(n->position().x()) > std::fabs(node->position().x()))
            node = n;
    const Vector3 place = node->position();
    QVERIFY(std::fabs(place.x()) > 1.0);
    EditingActions::of(window->documentModel().data())->actionSelectObjects({node});
    openReadOut(window, StructureView::NODEX);
    auto* calculator = window->findChild<Calculator*>(QStringLiteral("Calculator"));
    QVERIFY(calculator->isVisible());
    const double inch = 0.0254;
    const double opened = calculator->readoutText().toDouble() * (from == 2 ? inch : 1.0);
    QVERIFY(std::fabs(opened - place.x()) <= 1e-9 * std::fabs(place.x()));

    chooseUnits(source, to);
    const double shown = calculator->readoutText().toDouble() * (to == 2 ? inch : 1.0);
    QVERIFY2(std::fabs(shown - place.x()) <= 1e-9 * std::fabs(place.x()), qPrintable(calculator->readoutText()));
    calculator->keyDone();
    QVERIFY(calculator->isHidden());
    QVERIFY2(std::fabs(node->position().x() - shown) <= 1e-9 * std::fabs(shown),
             qPrintable(QString::number(node->position().x(), 'g', 17)));
    QCOMPARE(node->position().y(), place.y());
    QCOMPARE(node->position().z(), place.z());
}

void TestTwoWindows::deleteAsksOnceInTheWindowOfTheCommand_data()
{
    QTest::addColumn<bool>("inOther");
    QTest::addColumn<int>("answer");
    QTest::newRow("first window, yes") << false << int(QMessageBox::Yes);
    QTest::newRow("other window, yes") << true << int(QMessageBox::Yes);
    QTest::newRow("other window, no") << true << int(QMessageBox::No);
}

// A member carrying loads, deleted in Geometry mode, where loads cannot be
// picked: one question, in the window of the command; yes deletes the member
// with its loads in one step.
void TestTwoWindows::deleteAsksOnceInTheWindowOfTheCommand()
{
    QFETCH(bool, inOther);
    QFETCH(int, answer);
    MainWindow* commanding = inOther ? other.data() : window.data();
    const QSharedPointer<DocumentModel> document = window->documentModel();
    StructureModel* structure = document->structureModel().data();
    MemberRef member;
    QList<LoadRef> carried;
    for (const LoadRef& load : structure->loads())
        if (!member || load->member() == member) {
            member = load->member();
            carried << load;
        }
    QVERIFY(!carried.isEmpty());
    const int members = structure->members().size(), loads = structure->loads().size();
    commanding->currentState()->setMode(CurrentState::Geometry);
    EditingActions* actions = EditingActions::of(document.data());
    actions->actionClearAllSelection();
    actions->actionSelectObjects({member});
    commanding->updateGUIForCurrentStateAndSelection();
    const int steps = document->structureUndoStack()->count();

    asked.answer = QMessageBox::StandardButton(answer);
    commanding->findChild<QToolButton*>(QStringLiteral("ButtonSelectionMenu"))->click();
    commanding->findChild<QToolButton*>(QStringLiteral("ActionSelectionDelete"))->click();
    QTRY_VERIFY(!asked.boxes.isEmpty());
    QCoreApplication::processEvents();
    QCOMPARE(asked.parents, QList<QWidget*>{commanding});
    QCOMPARE(asked.texts().first(),
             QStringLiteral("<p>These items depend on the selected geometry and would be deleted with it:</p>"
                            "<ul><li>%1 load%2</li></ul><p>Do you wish to delete them together with the "
                            "selection?</p>")
                 .arg(carried.size())
                 .arg(carried.size() == 1 ? "" : "s"));

    if (answer == QMessageBox::No) {
        QCOMPARE(structure->members().size(), members);
        QCOMPARE(document->structureUndoStack()->count(), steps);
        return;
    }
    QVERIFY(!structure->contains(member));
    for (const LoadRef& load : carried)
        QVERIFY(!structure->contains(load));
    QCOMPARE(structure->members().size(), members - 1);
    QCOMPARE(structure->loads().size(), loads - carried.size());
    QVERIFY(document->selectionModel()->selection().isEmpty());
    QCOMPARE(document->structureUndoStack()->undoText(), QStringLiteral("Delete selection"));
    // No question follows the deletion.
    QCoreApplication::processEvents();
    QCOMPARE(asked.boxes.size(), 1);

    actions->actionUndo();
    QVERIFY(structure->contains(member));
    for (const LoadRef& load : carried)
        QVERIFY(structure->contains(load));
}

// Opening a file that a window shows brings that window forward; saving
// another model over it is refused, naming the file.
void TestTwoWindows::aFileIsShownByOneModelOnly()
{
    const QString path = folder->filePath("portal.varou");
    QVERIFY(window->saveFileAs(path));
    auto* third = new MainWindow;
    QVERIFY(third->newFile());
    third->show();
    QVERIFY(QTest::qWaitForWindowExposed(third));
    // A loaded X server may drop a focus request that crosses another, so
    // the test asks again until the third window has the focus.
    QTRY_VERIFY_WITH_TIMEOUT((third->activateWindow(), QApplication::activeWindow() == third), 30000);
    QVERIFY(!third->openFile(path));
    // One of the requests above may still land after the program's own; as
    // a user would, the test then opens the file again, and the window that
    // shows it comes forward again.
    QTRY_VERIFY_WITH_TIMEOUT(QApplication::activeWindow() == window || QApplication::activeWindow() == other
                                 || (third->openFile(path), false),
                             30000);
    QVERIFY(!third->saveFileAs(path));
    QCOMPARE(asked.texts(),
             QStringList{"The file '" + path + "' is open in another window. The model has not been saved."});
    QVERIFY(third->documentModel()->path().isEmpty());
    // The windows on the model itself save to it.
    QVERIFY(other->saveFileAs(path));
}

// A hard link gives one file two names, as a disk that ignores letter case
// does: the file is not read into a second model, and writing it is refused
// before any replace question, naming the file as the window shows it.
void TestTwoWindows::aFileByAnyNameIsOneFile()
{
    const QString path = folder->filePath("portal.varou"), linked = folder->filePath("linked.varou");
    QVERIFY(window->saveFileAs(path));
    QVERIFY(::link(QFile::encodeName(path).constData(), QFile::encodeName(linked).constData()) == 0);
    auto* third = new MainWindow;
    QVERIFY(third->newFile());
    QVERIFY(!third->openFile(linked));
    asked.fileAnswers = QStringList{linked};
    QVERIFY(!third->saveFileAs(QString()));
    QCOMPARE(asked.texts(),
             QStringList{"The file '" + path + "' is open in another window. The model has not been saved."});
}

// Replaced by another program, the file is offered again in the window that
// shows it, then that window asks its save question, and both windows on the
// model show what was read.
void TestTwoWindows::aChangedFileIsReadAgainInItsWindow()
{
    const QString path = folder->filePath("portal.varou");
    QVERIFY(window->saveFileAs(path));
    auto* third = new MainWindow;
    QVERIFY(third->newFile());
    const QString written = folder->filePath("written.varou");
    QVERIFY(third->saveFileAs(written) && QFile::remove(path) && QFile::rename(written, path));
    window->documentModel()->structureUndoStack()->push(new QUndoCommand(QStringLiteral("edit")));
    asked.answers = {QMessageBox::Yes, QMessageBox::Discard};
    QVERIFY(!third->openFile(path));
    QCOMPARE(asked.texts(), QStringList({"The file '" + path + "' has been changed by another program since this "
                                                                "window read it.\nDo you want to read it again?",
                                         "This model has been modified.\nDo you want to save your changes?"}));
    QVERIFY(asked.parents[0] != third && asked.parents[1] == asked.parents[0]);
    QCOMPARE(window->documentModel()->structureModel()->nodes().size(),
             third->documentModel()->structureModel()->nodes().size());
    QVERIFY(other->documentModel() == window->documentModel() && !window->isWindowModified());
}

// The load-case picker of each window opens beside that window's button,
// the second one too, after the first has been closed where it opened.
void TestTwoWindows::pickerOpensBesideItsOwnWindow()
{
    const QRect room = window->screen()->availableGeometry();
    QVERIFY(moveWindow(window, room.topLeft()));
    QVERIFY(moveWindow(other, room.topLeft() + QPoint(0, room.height() / 2)));
    for (MainWindow* each : {window.data(), other.data()}) {
        each->currentState()->setMode(CurrentState::Loading);
        auto* button = each->findChild<QAbstractButton*>(QStringLiteral("ButtonLoadCase"));
        QTRY_VERIFY(button->isVisible());
        button->click();
        auto* picker = each->findChild<QWidget*>(QStringLiteral("LoadCaseAccessor"));
        QVERIFY(QTest::qWaitForWindowExposed(picker));
        const QRect at(button->mapToGlobal(QPoint(0, 0)), button->size());
        QVERIFY(picker->frameGeometry().adjusted(-8, -8, 8, 8).intersects(at));
        QVERIFY(!picker->frameGeometry().contains(at.center()));
        picker->close();
    }
}

void TestTwoWindows::editsOfBothWindowsAreSaved_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<bool>("sameField");
    QTest::newRow("titles, two lines") << "titles" << false;
    QTest::newRow("loading, name and colour") << "loading" << false;
    QTest::newRow("titles, one line") << "titles" << true;
}

// The same page open in both windows, an edit in each and Save given in the
// first: both edits are saved, each its own step; where both edited one field,
// the saving window's text is saved and the other page shows it.
void TestTwoWindows::editsOfBothWindowsAreSaved()
{
    QFETCH(QString, page);
    QFETCH(bool, sameField);
    const QSharedPointer<DocumentModel> document = window->documentModel();
    const auto edits = [&page](const QSharedPointer<DocumentModel>& model) {
        const TitlesRef titles = model->titles();
        const LoadCaseRef loading = model->loadCases().value(0);
        return page == "titles" ? QStringList{titles->title(0, 0), titles->title(1, 0)}
                                : QStringList{loading->name(), loading->colour().name()};
    };
    const QStringList expected{"Mine", sameField ? edits(document).value(1) : page == "titles" ? "Theirs" : "#0000ff"};
    const int steps = document->structureUndoStack()->index();
    EditorPage* mine = openPage(window, page);
    EditorPage* theirs = openPage(other, page);
    const auto type = [](QLineEdit* field, const char* text) {
        field->selectAll();
        QTest::keyClicks(field, text);
    };
    type(pageField(mine), "Mine");
    if (sameField || page == "titles")
        type(pageField(theirs, sameField ? 0 : 2), "Theirs");
    else
        QVERIFY(QMetaObject::invokeMethod(theirs, "setColour", Q_ARG(QColor, QColor(Qt::blue))));

    const QString saved = folder->filePath("both.varou");
    QVERIFY(window->saveFileAs(saved));
    QCOMPARE(document->structureUndoStack()->index(), steps + 2);
    QCOMPARE(edits(document), expected);
    QCOMPARE(readCopy(saved, edits), expected);
    QTRY_COMPARE(pageField(theirs)->text(), QStringLiteral("Mine"));

    // Undone and redone with the other window's buttons, both pages open:
    // they follow, and hand nothing on.
    {
        GuiWatchdog watchdog("undo and redo with both pages open");
        clickButton(other, "ButtonUndo");
        clickButton(other, "ButtonRedo");
        QCoreApplication::processEvents();
    }
    QVERIFY(window->saveFile());
    QCOMPARE(document->structureUndoStack()->count(), steps + 2);
    QCOMPARE(readCopy(saved, edits), expected);
    QCOMPARE(pageField(mine)->text(), QStringLiteral("Mine"));
}

QVariant TestTwoWindows::addEntry(MainWindow* in, const QString& kind)
{
    if (kind == "group") {
        GroupPicker* picker = in->findChild<GroupAccessor*>()->groupPicker();
        QSignalSpy added(picker, &GroupPicker::AddGroup);
        picker->addNewGeometryGroup();
        return added.value(0).value(0);
    }
    if (kind == "material") {
        MaterialPicker* picker = in->findChild<UtilityWindow*>("Utilities")->materialPicker();
        QSignalSpy added(picker, &MaterialPicker::AddMaterial);
        picker->addNewMaterial();
        return added.value(0).value(0);
    }
    LoadCasePicker* picker = in->findChild<LoadCaseAccessor*>()->loadCasePicker();
    QSignalSpy added(picker, &LoadCasePicker::AddLoadCase);
    kind == "loading" ? picker->addNewLoading() : kind == "sway case" ? picker->addNewSwayCase() : picker->addNewCombination();
    return added.value(0).value(0);
}

int TestTwoWindows::entryCount(const QString& kind) const
{
    const QSharedPointer<DocumentModel> document = window->documentModel();
    if (kind == "group")
        return document->groups().size();
    if (kind == "material") {
        const QSharedPointer<MaterialLibrary> materials = document->libraries()->materialLibrary();
        return materials->valuesOf(materials->root()->subnodes().value(1)).size();
    }
    return document->loadCases().size();
}

EditorPage* TestTwoWindows::openEntryPage(MainWindow* in, const QVariant& entry)
{
    if (entry.userType() == qMetaTypeId<MaterialRef>()) {
        auto* utilities = in->findChild<UtilityWindow*>("Utilities");
        utilities->show();
        utilities->openMaterialPicker();
        utilities->editMaterial(entry.value<MaterialRef>());
        return utilities->materialView();
    }
    LibraryAccessor* accessor = nullptr;
    if (entry.userType() == qMetaTypeId<GroupRef>()) {
        accessor = in->findChild<GroupAccessor*>();
        static_cast<GroupAccessor*>(accessor)->editGroup(entry.value<GroupRef>());
    } else {
        accessor = in->findChild<LoadCaseAccessor*>();
        static_cast<LoadCaseAccessor*>(accessor)->editLoadCase(entry.value<LoadCaseRef>());
    }
    accessor->show();
    return qobject_cast<EditorPage*>(accessor->currentWidget());
}

void TestTwoWindows::clickButton(MainWindow* in, const char* name)
{
    auto* button = in->findChild<QToolButton*>(name);
    QVERIFY2(button && button->isEnabled(), name);
    button->click();
}

void TestTwoWindows::pagesLetGoOfAnEntryThatLeaves_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("removal");
    for (const char* kind : {"loading", "sway case", "combination", "group", "material"})
        for (const char* removal : {"undo", "trash", "other trash", "other undo"})
            QTest::addRow("%s, %s", kind, removal) << kind << removal;
}

// A new entry's page open in both windows, an edit typed in the first, then
// the entry removed by Undo of its creation or by either window's trash
// button: removed and restored with the real buttons while the edit holds the
// document's lock, the program goes on, both pages let the entry go and their
// windows show the list, and nothing is handed on. Then it comes back, its
// pages open again, and goes again.
void TestTwoWindows::pagesLetGoOfAnEntryThatLeaves()
{
    QFETCH(QString, kind);
    QFETCH(QString, removal);
    QUndoStack* steps = window->documentModel()->structureUndoStack().data();
    const int entries = entryCount(kind);
    const QVariant entry = addEntry(window, kind);
    QVERIFY(entry.isValid());
    QCOMPARE(entryCount(kind), entries + 1);
    const int created = steps->index();
    QList<EditorPage*> pages{openEntryPage(window, entry), openEntryPage(other, entry)};
    QVERIFY(pages[0] && pages[1]);
    pages[0]->nameField()->selectAll();
    QTest::keyClicks(pages[0]->nameField(), "Typed");
    const auto listsShown = [&pages] {
        for (EditorPage* page : pages) {
            auto* stack = qobject_cast<QStackedWidget*>(page->parentWidget());
            if (!stack || !qobject_cast<LibraryPicker_base*>(stack->currentWidget()))
                return false;
        }
        return true;
    };

    const bool undone = removal.endsWith("undo");
    {
        GuiWatchdog watchdog("removal with both pages open");
        if (undone)
            clickButton(removal == "undo" ? window : other, "ButtonUndo");
        else
            pages[removal == "trash" ? 0 : 1]->removeButtonWidget()->click();
        QTRY_VERIFY(listsShown());
    }
    QCOMPARE(entryCount(kind), entries);
    QCOMPARE(steps->index(), created + (undone ? -1 : 1));
    QCOMPARE(steps->count(), created + (undone ? 0 : 1));

    const char* restore = undone ? "ButtonRedo" : "ButtonUndo";
    {
        GuiWatchdog watchdog("restored, removed again and restored");
        clickButton(other, restore);
        QCOMPARE(entryCount(kind), entries + 1);
        pages = {openEntryPage(window, entry), openEntryPage(other, entry)};
        clickButton(window, undone ? "ButtonUndo" : "ButtonRedo");
        QTRY_VERIFY(listsShown());
        QCOMPARE(entryCount(kind), entries);
        clickButton(other, restore);
    }
    QCOMPARE(entryCount(kind), entries + 1);
    QCOMPARE(steps->count(), created + (undone ? 0 : 1));
}

CalculatorField* TestTwoWindows::factorField(EditorPage* page, const QString& caseName)
{
    QWidget* rows = page->findChild<QScrollArea*>()->widget();
    auto* grid = rows ? qobject_cast<QGridLayout*>(rows->layout()) : nullptr;
    for (int row = 0; grid && row < grid->rowCount(); ++row) {
        QLayoutItem* name = grid->itemAtPosition(row, 0);
        QLayoutItem* field = grid->itemAtPosition(row, 1);
        if (name && field && qobject_cast<QLabel*>(name->widget())->text() == caseName)
            return qobject_cast<CalculatorField*>(field->widget());
    }
    return nullptr;
}

void TestTwoWindows::factorsOfACaseThatLeavesAreNotHandedOn_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("removal");
    QTest::addColumn<QString>("leaving");
    for (const char* kind : {"sway case", "combination"})
        for (const char* removal : {"undo", "undo, calculator open", "other trash"})
            for (const char* leaving : {"back", "file menu", "mode"})
                QTest::addRow("%s, %s, %s", kind, removal, leaving) << kind << removal << leaving;
}

// A factor typed with the calculator for a new case, then the case removed
// before the page hands it on: leaving the page, the File menu or a mode
// switch adds no step and keeps Redo, no factor names a case that has left,
// and the saved file opens with the load cases the window shows. When the
// case comes back, the page shows the factor the model holds for it: none.
void TestTwoWindows::factorsOfACaseThatLeavesAreNotHandedOn()
{
    QFETCH(QString, kind);
    QFETCH(QString, removal);
    QFETCH(QString, leaving);
    const QSharedPointer<DocumentModel> document = window->documentModel();
    QUndoStack* steps = document->structureUndoStack().data();
    const QVariant entry = addEntry(window, kind);
    const QVariant added = addEntry(window, kind == "sway case" ? "loading" : "sway case");
    const QString name = added.value<LoadCaseRef>()->name();
    EditorPage* page = openEntryPage(window, entry);
    QVERIFY(qobject_cast<FactorListPage*>(page) && factorField(page, name));
    EditorPage* otherPage = removal == "other trash" ? openEntryPage(other, added) : nullptr;

    auto* calculator = window->findChild<Calculator*>(QStringLiteral("Calculator"));
    const auto typeFactor = [&](const char* keys) {
        QTest::mouseClick(factorField(page, name), Qt::LeftButton);
        QVERIFY(calculator->isVisible());
        QTest::keyClicks(calculator, keys);
    };
    typeFactor("1.5");
    QTest::keyPress(calculator, Qt::Key_Return);
    QTRY_COMPARE(factorField(page, name)->text(), QStringLiteral("1.50"));
    if (removal == "undo, calculator open")
        typeFactor("2");
    const int count = steps->count();
    {
        GuiWatchdog watchdog("the case removed with its factor typed");
        if (otherPage)
            otherPage->removeButtonWidget()->click();
        else
            clickButton(window, "ButtonUndo");
        QTRY_VERIFY(!factorField(page, name));
        // Answered after its row has gone, the calculator hands on nothing.
        if (calculator->isVisible())
            QTest::keyPress(calculator, Qt::Key_Return);
        QVERIFY(calculator->isHidden());
    }
    const int index = steps->index();
    QCOMPARE(steps->count(), otherPage ? count + 1 : count);

    if (leaving == "back") {
        QTest::mouseClick(page->backButtonCell(), Qt::LeftButton);
    } else if (leaving == "file menu") {
        QMenu* file = window->menuBar()->actions().value(0)->menu();
        file->popup(QPoint());
        file->hide();
    } else {
        const bool geometry = window->currentState()->mode() == CurrentState::Geometry;
        window->findChild<QToolButton*>(geometry ? "TabLoading" : "TabGeometry")->click();
    }
    QCOMPARE(steps->index(), index);
    QCOMPARE(steps->count(), otherPage ? count + 1 : count);
    QCOMPARE(steps->canRedo(), !otherPage);

    QStringList shown;
    for (const LoadCaseRef& loadCase : document->loadCases()) {
        shown << loadCase->name();
        if (auto* combined = qobject_cast<SuperLoadCase*>(loadCase.data()))
            for (const LoadCaseRef& factored : combined->factors().keys())
                QVERIFY2(document->loadCases().contains(factored), qPrintable(factored->name()));
    }
    QVERIFY(!shown.contains(name));
    const QString saved = folder->filePath("factors.varou");
    QVERIFY(window->saveFileAs(saved));
    const auto names = [](const QSharedPointer<DocumentModel>& model) {
        QStringList list;
        for (const LoadCaseRef& loadCase : model->loadCases())
            list << loadCase->name();
        list.sort();
        return list;
    };
    shown.sort();
    QCOMPARE(readCopy(saved, names), shown);

    // Back again, the case has no factor, as any new case.
    clickButton(otherPage ? other : window, otherPage ? "ButtonUndo" : "ButtonRedo");
    shown << name;
    shown.sort();
    QCOMPARE(names(document), shown);
    if (leaving != "back")
        QTRY_COMPARE(factorField(page, name) ? factorField(page, name)->text() : QString(), QStringLiteral("0.00"));
    QVERIFY(qobject_cast<SuperLoadCase*>(entry.value<LoadCaseRef>().data())->factors().isEmpty());
}

void TestTwoWindows::typedValueLandsOnItsTarget_data()
{
    QTest::addColumn<QString>("opener");
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("lands");
    const struct
    {
        const char *opener, *change;
        bool lands;
    } rows[] = {
        {"combination", "other adds a case", true},
        {"combination", "other renames the combination", true},
        {"combination", "other trashes another case", true},
        {"combination", "other trashes the case", false},
        {"combination", "undo of another case", true},
        {"combination", "mode switch", true},
        {"combination", "file menu", true},
        {"sway case", "other adds a case", true},
        {"sway case", "file menu", true},
        {"material", "other renames the material", true},
        {"material", "other trashes the material", false},
        {"section", "other undoes the selection", false},
        {"section", "mode switch", false},
        {"node x", "other moves the node", false},
        {"node x", "other selects n1", true},
        {"member length", "other selects n0", true},
        {"load force", "other selects l1", true},
        {"load position", "other lengthens the member", false},
        {"interrogator", "other lengthens the member", false},
        {"copy", "other selects m3", true},
        {"rotate", "other selects n4", true},
    };
    for (const auto& row : rows)
        QTest::addRow("%s, %s", row.opener, row.change) << row.opener << row.change << row.lands;
}

// A value typed into the calculator, something changed around its target,
// then Done: the value lands as typed on the target as it is then, and on
// nothing that another window selected meanwhile; or, where the target has
// left, can no longer be shown or would take another value, the calculator
// has closed before Done. The factors go on a new case's page, Wind's row.
void TestTwoWindows::typedValueLandsOnItsTarget()
{
    QFETCH(QString, opener);
    QFETCH(QString, change);
    QFETCH(bool, lands);
    const QSharedPointer<DocumentModel> document = window->documentModel();
    StructureModel* structure = document->structureModel().data();
    EditingActions* actions = EditingActions::of(document.data());
    auto* calculator = window->findChild<Calculator*>(QStringLiteral("Calculator"));
    const MemberRef rafter = structure->members().value(1);
    const auto length = [](const MemberRef& member) { return member->updateCache(), member->length(); };
    const bool factors = opener == "combination" || opener == "sway case";
    window->currentState()->setMode(factors || opener.startsWith("load") ? CurrentState::Loading
                                    : opener == "interrogator"          ? CurrentState::Results
                                                                        : CurrentState::Geometry);
    window->currentState()->setResultMode(CurrentState::BendingMoment);
    // What the window's first mode hides from the event loop goes before a
    // library window opens.
    QCoreApplication::processEvents();

    // Typed, then how it landed in the same units; what must stay as it is.
    QString typed = "2";
    std::function<double()> landed;
    const QString bystander = change.startsWith("other selects") ? change.section(' ', 2) : QString();
    const auto snapshot = [&] {
        const VaroObjectRef object = bystander.isEmpty() ? VaroObjectRef() : objects({bystander}).value(0);
        if (const NodeRef node = object.objectCast<Node>())
            return QVariantList{node->position().x(), node->position().y(), node->position().z()};
        if (const LoadRef load = object.objectCast<Load>())
            return QVariantList{load->positionedForces().value(0).second};
        return QVariantList(); // a member copied too would count in the copies
    };
    QVariant entry, trashed;
    EditorPage* page = nullptr;
    LoadCaseRef factored;
    if (factors) {
        entry = addEntry(window, opener);
        const LoadCaseRef spare = addEntry(window, "loading").value<LoadCaseRef>();
        factored = change == "other trashes the case" ? spare : document->loadCases().value(1);
        page = openEntryPage(window, entry);
        if (change == "mode switch" || change == "file menu")
            QTest::keyClicks(page->nameField(), " pending");
        QTest::mouseClick(factorField(page, factored->name()), Qt::LeftButton);
        typed = "2.5";
        landed = [&] {
            page->applyEdits();
            return qobject_cast<SuperLoadCase*>(entry.value<LoadCaseRef>().data())->factorForLoadCase(factored);
        };
        trashed = QVariant::fromValue(spare);
    } else if (opener == "material") {
        entry = trashed = addEntry(window, "material");
        page = openEntryPage(window, entry);
        QTest::mouseClick(page->findChildren<CalculatorField*>().value(0), Qt::LeftButton); // E
        typed = "205";
        landed = [&] { return page->applyEdits(), entry.value<MaterialRef>()->youngsModulus() / 1e9; };
    } else if (opener == "section") {
        select({"m0"});
        auto* accessor = window->findChild<SectionAccessor*>(QStringLiteral("SectionAccessor"));
        accessor->show();
        window->updateMemberPickers();
        // On the cell the picker shows once it has filled itself anew.
        const auto clickCell = [](QWidget* picker, const char* name) {
            QCoreApplication::processEvents();
            QTRY_VERIFY(picker->findChild<PickerCell*>(name));
            QTest::mouseClick(picker->findChild<PickerCell*>(name), Qt::LeftButton);
        };
        clickCell(accessor->countryPicker(), "custom");
        clickCell(accessor->categoryPicker(), "rectangle");
        QVERIFY(QMetaObject::invokeMethod(accessor->crossSectionView(), "editOverallDepth"));
    } else if (opener == "copy" || opener == "rotate") {
        select(opener == "copy" ? QStringList{"m0"} : QStringList{"n3", "m0"});
        clickButton(window, opener == "copy" ? "ButtonSelectionMenu" : "ButtonNodeMenu");
        clickButton(window, opener == "copy" ? "ActionSelectionCopy" : "ActionNodeRotate");
        typed = opener == "copy" ? "2" : "90";
        const NodeRef turned = structure->nodes().value(3);
        landed = [&, turned] {
            const Vector3 p = turned->position();
            return opener == "copy" ? structure->members().size() - 4.0
                                    : std::atan2(std::fabs(p.z()), p.x()) * 180.0 / M_PI;
        };
    } else if (opener == "interrogator") {
        window->currentState()->setInterrogatorObject(rafter);
        window->currentState()->setInterrogatorPosition(0.5);
        openReadOut(window, StructureView::RESULTSPANAVALUE);
        landed = [&] { return window->currentState()->interrogatorPosition() * length(rafter); };
    } else {
        const struct
        {
            const char* object;
            StructureView::ClickRegionEnum region;
            const char* typed;
        } readOut = opener == "node x"          ? decltype(readOut){"n2", StructureView::NODEX, "5"}
                    : opener == "member length" ? decltype(readOut){"m1", StructureView::MEMBERLENGTH, "8"}
                    : opener == "load force"    ? decltype(readOut){"l0", StructureView::LOADMAGNITUDEAVALUE, "5"}
                                                : decltype(readOut){"l0", StructureView::LOADSPANABVALUE, "2"};
        select({readOut.object});
        openReadOut(window, readOut.region);
        typed = readOut.typed;
        const VaroObjectRef object = objects({readOut.object}).value(0);
        landed = [&, object] {
            if (const NodeRef node = object.objectCast<Node>())
                return node->position().x();
            if (const MemberRef member = object.objectCast<Member>())
                return length(member);
            const QList<Load::PositionedForce> pairs = object.objectCast<Load>()->positionedForces();
            return opener == "load force" ? -pairs[0].second / 1000.0
                                          : (pairs[1].first - pairs[0].first) * length(rafter);
        };
    }
    QVERIFY(calculator->isVisible());
    QTest::keyPress(calculator, Qt::Key_Delete);
    QTest::keyClicks(calculator, typed);
    const QVariantList before = snapshot();

    const QPointer<CalculatorField> row = factors ? factorField(page, factored->name()) : nullptr;
    if (change == "other adds a case") {
        addEntry(other, "loading");
    } else if (change.startsWith("other renames")) {
        EditorPage* theirs = openEntryPage(other, entry);
        QTest::keyClicks(theirs->nameField(), " theirs");
        theirs->applyEdits();
        QTRY_VERIFY(page->nameField()->text().endsWith(" theirs"));
    } else if (change.startsWith("other trashes")) {
        openEntryPage(other, trashed)->removeButtonWidget()->click();
    } else if (change == "undo of another case" || change == "other undoes the selection") {
        clickButton(change == "undo of another case" ? window : other, "ButtonUndo");
    } else if (change == "mode switch") {
        clickButton(window, factors ? "TabResults" : "TabLoading");
    } else if (change == "file menu") {
        QMenu* file = window->menuBar()->actions().value(0)->menu();
        file->popup(QPoint());
        file->hide();
    } else if (change == "other moves the node") {
        actions->actionMoveSelectedNodesBy(Vector4(6.0 - 7.5, 0, 0, 0), CalculatorReference());
    } else if (change == "other lengthens the member") {
        actions->actionSetMemberLength(Vector4(10, 0, 0, 0), {{"masterMember", QVariant::fromValue(rafter)}});
    } else {
        actions->actionSelectObjects(objects({bystander}));
    }
    // The factor rows have been made anew.
    if (factors && lands)
        QTRY_VERIFY(!row);
    if (!lands) {
        QTRY_VERIFY(calculator->isHidden());
        return;
    }
    QVERIFY(calculator->isVisible());
    QTest::keyPress(calculator, Qt::Key_Return);
    QVERIFY(calculator->isHidden());
    QVERIFY2(std::fabs(landed() - typed.toDouble()) <= 1e-9 * typed.toDouble(), qPrintable(QString::number(landed())));
    QCOMPARE(snapshot(), before);
}

VARO_TEST_MAIN(TestTwoWindows)
#include "tst_twowindows.moc"
