#include "AnalysisDisposal.h"
#include "AnalysisInstallation.h"
#include "AnalysisModel.h"
#include "AnalysisOutput.h"
#include "AnalysisLoadCase.h"
#include "AnalysisResultCase.h"
#include "Calculator.h"
#include "Combination.h"
#include "CpuTimeTesting.h"
#include "CurrentState.h"
#include "DocumentModel.h"
#include "DocumentXml.h"
#include "EditingActions.h"
#include "EditorPage.h"
#include "Libraries.h"
#include "Load.h"
#include "LoadAxis.h"
#include "LoadCaseLibrary.h"
#include "MaterialLibrary.h"
#include "Loading.h"
#include "LoadCaseAccessor.h"
#include "MainWindow.h"
#include "Member.h"
#include "MemberPin.h"
#include "MemberPinPicker.h"
#include "ModelResources.h"
#include "NativeContainer.h"
#include "Node.h"
#include "PaintHelpers.h"
#include "PickerCell.h"
#include "PointLoad.h"
#include "PortalWindowTesting.h"
#include "Report.h"
#include "ReportLayout.h"
#include "ReportView.h"
#include "SelectionModel.h"
#include "Startup.h"
#include "StructureModel.h"
#include "Support.h"
#include "SupportPicker.h"
#include "Titles.h"
#include "TreeNode.h"
#include "TitlesView.h"
#include "UnitSystem.h"
#include "UtilityWindow.h"
#include "TestMain.h"
#include "reports/ReportTesting.h"

#include <QAbstractEventDispatcher>
#include <QDesktopServices>
#include <QLineEdit>
#include <QMenuBar>
#include <QPrinter>
#include <QScreen>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>
#include <QUndoStack>
#include <QtTest>

#include <atomic>

class UrlRecorder : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls << url; }
};

namespace {

// A report of one chapter on what the window shows, laid out.
ReportLayoutRef oneChapterReport(MainWindow* window, const QString& chapter)
{
    const ReportRef report(VaroObject::make<Report>());
    report->rootBlock()->insertItem(Report::ReportItemRef(new Report::ReportItem(chapter)), {});
    const ReportLayoutRef layout(
        new ReportLayout(window->documentModel(), window->currentState(), window->viewPoint(), report));
    layout->layoutPages();
    return layout;
}

// Holds an analysis at its first stop check in one phase until the test
// opens it. A close that waited for the analysis would never come back, so
// the gate gives up after a while and says so.
class PhaseGate
{
public:
    void arm(AnalysisModel::Phase held)
    {
        QMutexLocker locker(&mutex);
        phase = held;
        reached = opened = gaveUp = false;
        checksAfter = 0;
        holder = nullptr;
    }
    void open()
    {
        QMutexLocker locker(&mutex);
        opened = true;
        wake.wakeAll();
    }
    bool isHolding() const
    {
        QMutexLocker locker(&mutex);
        return reached && !opened && !gaveUp;
    }
    int checksAfterOpening() const
    {
        QMutexLocker locker(&mutex);
        return checksAfter;
    }
    // The analysis held: its own thread.
    QThread* held() const
    {
        QMutexLocker locker(&mutex);
        return holder;
    }
    void check(AnalysisModel::Phase at)
    {
        QMutexLocker locker(&mutex);
        if (at != phase)
            return;
        if (reached) {
            ++checksAfter;
            return;
        }
        reached = true;
        holder = QThread::currentThread();
        while (!opened && !gaveUp)
            gaveUp = !wake.wait(&mutex, 30000);
    }

private:
    mutable QMutex mutex;
    QWaitCondition wake;
    AnalysisModel::Phase phase = AnalysisModel::Watch;
    bool reached = false, opened = false, gaveUp = false;
    int checksAfter = 0;
    QThread* holder = nullptr;
};

PhaseGate& phaseGate()
{
    static PhaseGate gate;
    return gate;
}

// The user guide as the program finds it, white space simplified.
QString guideText()
{
    QFile file(QStringLiteral(VARO_PROGRAM_FOLDER "/help/Help_Homepage.html"));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).simplified() : QString();
}

// The list item of the guide that holds the text, searched from the index on.
QString guideItemWith(const QString& guide, const QString& text, int from = 0)
{
    const int at = guide.indexOf(text, from);
    if (at < 0)
        return QString();
    const int start = guide.lastIndexOf("<li>", at);
    return guide.mid(start, guide.indexOf("</li>", at) - start);
}

} // namespace

class TestWiring : public QObject, public PortalWindowFixture
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void closingAsksOnlyInTheLastWindow();
    void editsOnOpenPagesAreSavedOrAskedAbout_data();
    void editsOnOpenPagesAreSavedOrAskedAbout();
    void closingWaitsForTheReportExport();
    void returnAnswersOnlyAQuestionWithADefault_data();
    void returnAnswersOnlyAQuestionWithADefault();
    void remainingWindowsLetTheirDocumentGo();
    void titleAndEscape();
    void resultsTabShowsTheAnalysisState();
    void commandsFollowModeAndSelection_data();
    void commandsFollowModeAndSelection();
    void supportPickerHighlightsASharedRestraint();
    void memberPinPickerHighlightsThePinOfTheSelectedEnds();
    void calculatorRequests();
    void enumerateObjectsInHTML();
    void documentMessagesAreShown();
    void examplesAndHelp();
    void guideTellsWhatPinningNeeds();
    void guideTellsHowImperialReactionsRead();
    void loadAddedThroughTheToolMenuIsAnalysedAndSaved();
    void loadsTypedReadBackAsTyped_data();
    void loadsTypedReadBackAsTyped();
    void whatAnAnalysisLeavesIsFreedOffTheGuiThread_data();
    void whatAnAnalysisLeavesIsFreedOffTheGuiThread();
    void aClosedModelGoesASliceBetweenEvents_data();
    void aClosedModelGoesASliceBetweenEvents();
    void aModelObjectGoesInTheGuiThreadWhoeverHoldsItLast_data();
    void aModelObjectGoesInTheGuiThreadWhoeverHoldsItLast();
    void closingWhileAPhaseIsHeld_data();
    void closingWhileAPhaseIsHeld();
    void closingOneOfTwoWindowsWhileAPhaseIsHeld_data();
    void closingOneOfTwoWindowsWhileAPhaseIsHeld();
    void closingOrQuittingDuringALongAnalysis_data();
    void closingOrQuittingDuringALongAnalysis();

private:
    // A shown window on a new file of linked combinations (see
    // writeLinkedCombinations), opened once the portal's analysis has done
    // and the gate is armed for the phase; null when it did not open.
    MainWindow* openForTheGate(const QString& name, AnalysisModel::Phase phase, int links, int pieces);
};

void TestWiring::initTestCase()
{
    initialiseProgram();
    // Set before any analysis runs; shut only while a test arms it.
    AnalysisModel::_atStopCheck = [](AnalysisModel::Phase phase) { phaseGate().check(phase); };
}

void TestWiring::init()
{
    openPortalWindow();
}

void TestWiring::cleanup()
{
    closePortalWindows();
}

void TestWiring::closingAsksOnlyInTheLastWindow()
{
    const QSharedPointer<DocumentModel> document = window->documentModel();
    QPointer<MainWindow> second = window->duplicateWindow();
    QCOMPARE(second->documentModel(), document);
    QCOMPARE(second->unitSystem(), window->unitSystem());
    QCOMPARE(MainWindow::openDocumentCount(document.data()), 2);
    select({"n1"});
    QVERIFY(second->close());
    QVERIFY(dialogs.boxes.isEmpty());
    QCOMPARE(MainWindow::openDocumentCount(document.data()), 1);
    Application::_settings->remove("UnitSystem");

    dialogs.answer = QMessageBox::Cancel;
    QVERIFY(!window->close());
    QCOMPARE(dialogs.texts(), QStringList("This model has been modified.\nDo you want to save your changes?"));
    QCOMPARE(dialogs.boxes[0].buttons, QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
    QCOMPARE(dialogs.boxes[0].defaultButton, QMessageBox::NoButton);
    QCOMPARE(window->documentModel(), document);
    QVERIFY(!Application::_settings->contains("UnitSystem"));

    dialogs.answer = QMessageBox::Save;
    dialogs.fileAnswers << folder->filePath("saved.varou");
    window->unitSystem()->setChosenSystem(2);
    QVERIFY(window->close());
    QVERIFY(QFileInfo::exists(folder->filePath("saved.varou")));
    QCOMPARE(MainWindow::openDocumentCount(document.data()), 0);
    QCOMPARE(Application::_settings->value("UnitSystem").toString(), QStringLiteral("Imperial (US)"));
    QTRY_VERIFY(!window);
    QCOMPARE(Application::_settings->value("documentDirectory").toString(), folder->path());
}

void TestWiring::editsOnOpenPagesAreSavedOrAskedAbout_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("page");
    QTest::addColumn<bool>("inSecondWindow");
    QTest::newRow("Save As, titles") << "save as" << "titles" << false;
    QTest::newRow("Save, loading of a second window") << "save" << "loading" << true;
    QTest::newRow("close, titles") << "close" << "titles" << false;
    QTest::newRow("close, loading of a second window") << "close" << "loading" << true;
    QTest::newRow("New, loading") << "new" << "loading" << false;
    QTest::newRow("Open, titles") << "open" << "titles" << false;
    QTest::newRow("File menu, titles") << "menu" << "titles" << false;
    QTest::newRow("undo after Save As, titles") << "undo" << "titles" << false;
    QTest::newRow("undo after Save As, loading") << "undo" << "loading" << false;
    QTest::newRow("mode switch, loading") << "mode" << "loading" << false;
}

// Typed into a page that was never left, the text reaches the file or the
// save question, as one step that undo takes back, and the page stays.
void TestWiring::editsOnOpenPagesAreSavedOrAskedAbout()
{
    QFETCH(QString, command);
    QFETCH(QString, page);
    QFETCH(bool, inSecondWindow);
    const QSharedPointer<DocumentModel> document = window->documentModel();
    const auto edited = [&page](const QSharedPointer<DocumentModel>& model) {
        return page == "titles" ? model->titles()->title(0, 0) : model->loadCases().value(0)->name();
    };
    MainWindow* editing = inSecondWindow ? window->duplicateWindow() : window.data();
    QLineEdit* field = pageField(openPage(editing, page));
    const QString before = edited(document);
    const int steps = document->structureUndoStack()->index();
    field->selectAll();
    QTest::keyClicks(field, "Typed");
    QVERIFY(!window->isWindowModified());

    const QString saved = folder->filePath("typed.varou");
    dialogs.answer = QMessageBox::Cancel;
    dialogs.fileAnswers << saved;
    if (command.startsWith("save")) {
        QVERIFY(command == "save" ? window->saveFile() : window->saveFileAs(saved));
        QVERIFY(!window->isWindowModified());
        QCOMPARE(readCopy(saved, edited), QStringLiteral("Typed"));
    } else if (command == "menu") {
        QMenu* file = window->menuBar()->actions().value(0)->menu();
        QAction* save = file->actions().value(5);
        QVERIFY(save->text() == "Save" && !save->isEnabled());
        file->popup(QPoint());
        QVERIFY(save->isEnabled());
        file->hide();
    } else if (command == "mode") {
        // The mode hides the library windows, pages and all.
        const bool geometry = window->currentState()->mode() == CurrentState::Geometry;
        window->findChild<QToolButton*>(geometry ? "TabLoading" : "TabGeometry")->click();
        QVERIFY(window->isWindowModified());
    } else if (command == "undo") {
        // Undone with the page open: the page shows it, and neither the File
        // menu nor Save hands the page on, so the undo is saved and Redo kept.
        QVERIFY(window->saveFileAs(saved));
        document->structureUndoStack()->undo();
        QTRY_COMPARE(field->text(), before);
        window->menuBar()->actions().value(0)->menu()->popup(QPoint());
        window->menuBar()->actions().value(0)->menu()->hide();
        QVERIFY(window->saveFile());
        QCOMPARE(readCopy(saved, edited), before);
        document->structureUndoStack()->redo();
    } else {
        // Not the last window: closing it hands its page on and asks nothing,
        // and the window keeps no page on the model it let go.
        if (inSecondWindow) {
            QVERIFY(editing->close() && dialogs.boxes.isEmpty());
            QVERIFY(!field->isVisibleTo(editing));
            field = nullptr;
        }
        QVERIFY(command == "close" ? !window->close()
                : command == "new" ? !window->newFile()
                                   : !window->openFile(":/example/02.KU.Plane Portal.varok"));
        QCOMPARE(dialogs.texts(), QStringList("This model has been modified.\nDo you want to save your changes?"));
    }
    QVERIFY(!field || field->isVisibleTo(field->window()));
    QCOMPARE(edited(document), QStringLiteral("Typed"));
    QCOMPARE(document->structureUndoStack()->index(), steps + 1);
    document->structureUndoStack()->undo();
    QCOMPARE(edited(document), before);
}

// A close that comes while the report is exported, from a program rather
// than the user, whom the export's progress box keeps from the window, waits
// for the export.
void TestWiring::closingWaitsForTheReportExport()
{
    const ReportLayoutRef layout = oneChapterReport(window, Report::ChapterNodeInput);
    QPrinter printer(QPrinter::ScreenResolution);
    printer.setOutputFileName(folder->filePath("report.pdf"));
    bool closed = true;
    QTimer::singleShot(0, window, [&] { closed = window->close(); });
    QVERIFY(window->findChild<ReportView*>("ReportView")->print(&printer, layout));
    QVERIFY(!closed);
    QVERIFY(window->close());
}

void TestWiring::returnAnswersOnlyAQuestionWithADefault_data()
{
    QTest::addColumn<int>("defaultButton");
    QTest::addColumn<int>("pressed");
    // The save question has no default, so that no key pressed out of habit saves or discards.
    QTest::newRow("save question") << int(QMessageBox::NoButton) << int(QMessageBox::NoButton);
    QTest::newRow("a default of Discard") << int(QMessageBox::Discard) << int(QMessageBox::Discard);
}

// The platform's box, shown without its modal loop, with the key sent where the user's would go.
void TestWiring::returnAnswersOnlyAQuestionWithADefault()
{
    QFETCH(int, defaultButton);
    QFETCH(int, pressed);
    UserDialogs::install(nullptr);
    const QScopedPointer<QMessageBox> box(UserDialogs::createMessageBox(
        window, QMessageBox::Warning, "This model has been modified.\nDo you want to save your changes?",
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::StandardButton(defaultButton)));
    box->show();
    box->activateWindow();
    QVERIFY(QTest::qWaitForWindowExposed(box.data()));
    const auto keyToBox = [&box](Qt::Key key) {
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus && box->isAncestorOf(focus) ? focus : box.data(), key);
    };
    keyToBox(Qt::Key_Return);
    QCOMPARE(box->standardButton(box->clickedButton()), QMessageBox::StandardButton(pressed));
    if (pressed == QMessageBox::NoButton) {
        QVERIFY(box->isVisible());
        keyToBox(Qt::Key_Escape);
        QCOMPARE(box->standardButton(box->clickedButton()), QMessageBox::Cancel);
    }
}

// The program deletes the windows still open when its event loop ends.
void TestWiring::remainingWindowsLetTheirDocumentGo()
{
    const QWeakPointer<DocumentModel> document = window->documentModel();
    select({"n0"});
    window->duplicateWindow();
    closeRemainingMainWindows();
    QVERIFY(dialogs.boxes.isEmpty());
    QCOMPARE(MainWindow::openDocumentCount(document.toStrongRef().data()), 0);
    QVERIFY(!document);
}

void TestWiring::titleAndEscape()
{
    QMetaObject::invokeMethod(window, "setFileName", Q_ARG(QString, folder->filePath("frame.varou")));
    QCOMPARE(window->windowTitle(), QStringLiteral("frame.varou [*] - VARO Ulmar"));
    QCOMPARE(window->duplicateWindow()->windowTitle(), window->windowTitle());
    QMetaObject::invokeMethod(window, "setFileName", Q_ARG(QString, QString()));
    QCOMPARE(window->windowTitle(), QStringLiteral("Untitled [*] - VARO Ulmar"));
    QCOMPARE(window->documentDirectory(), folder->path());

    select({"n0", "m1"});
    QSignalSpy clears(window.data(), &MainWindow::ActionClearSelection);
    QTest::keyClick(window.data(), Qt::Key_Escape);
    QCOMPARE(clears.count(), 1);
    QVERIFY(window->documentModel()->selectionModel()->selection().isEmpty());
}

void TestWiring::resultsTabShowsTheAnalysisState()
{
    DocumentModel::setAnalysisFactory(DocumentModel::AnalysisFactory());
    const QSharedPointer<DocumentModel> offLine(new DocumentModel(window->unitSystem()));
    installAnalysis();
    QVERIFY(window->clearCurrentDocumentModel(false));
    window->setDocumentModel(offLine);
    offLine->lowerBusyCount();
    window->setBadgeTabResults();
    const QPixmap tab(":/tabResultsOff.png");
    QCOMPARE(window->findChild<QToolButton*>("TabResults")->icon().pixmap(tab.size()).toImage(),
             blendPixmaps(tab, QPixmap(":/badgeOffLine.png")).toImage());
}

void TestWiring::commandsFollowModeAndSelection_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QStringList>("selection");
    QTest::addColumn<QString>("enabled");
    const QString geometry = "ButtonSelectionMenu ButtonNodeMenu ButtonMemberMenu ";
    const QString member = "ActionMemberAxes ActionMemberPins ActionSplitMembers ActionPolariseMembers "
                           "ActionAddPLoad ActionAddMLoad ActionAddTLoad ";
    const QString kept = "ActionSelectionDelete ActionGroupMove ActionSelectionClear ";
    QTest::newRow("geometry, nothing") << 0 << QStringList() << geometry;
    QTest::newRow("geometry, a node")
        << 0 << QStringList{"n1"} << geometry + kept + "ActionNodeSupports ActionSelectionCopy";
    QTest::newRow("geometry, two nodes and a member")
        << 0 << QStringList{"n0", "n1", "m0"}
        << geometry + kept + member
               + "ActionNodeSupports ActionSelectionCopy ActionNodeFlip ActionNodeRotate ActionAddMembers "
                 "ActionSelectionAuto";
    QTest::newRow("loading, a member") << 1 << QStringList{"m0"}
                                       << "ButtonSelectionMenu ButtonLoadMenu ActionSelectionClear " + member;
    QTest::newRow("loading, a load")
        << 1 << QStringList{"l0"} << "ButtonSelectionMenu ButtonLoadMenu ActionLoadAxis ActionSelectionAuto " + kept;
    // The box is shown in this row only.
    QTest::newRow("results, a node and a member")
        << 2 << QStringList{"n1", "m0"}
        << "ButtonResultMenu ActionNodeSupports ActionNodeFlip ActionNodeRotate ActionSelectionBoxClear "
           "ActionSelectionBoxSelect ActionSelectionClear "
               + member;
}

void TestWiring::commandsFollowModeAndSelection()
{
    QFETCH(int, mode);
    QFETCH(QStringList, selection);
    QFETCH(QString, enabled);
    window->currentState()->setMode(mode);
    if (mode == CurrentState::Results)
        window->currentState()->toggleDisplayOfSelectionBox();
    select(selection);
    // Every button the decision covers; a disabled tool bar disables its buttons too, so each one's own flag.
    const QRegularExpression decided("^(Action|Button\\w+Menu$)(?!AddNode|SelectionBoxDisplay|SectionLibrary)");
    QStringList found;
    for (QToolButton* button : window->findChildren<QToolButton*>(decided))
        if (!button->testAttribute(Qt::WA_ForceDisabled))
            found << button->objectName();
    QStringList expected = enabled.split(' ', Qt::SkipEmptyParts);
    expected.sort();
    found.sort();
    QCOMPARE(found.join(' '), expected.join(' '));

    QMap<QString, QToolBar*> bars;
    for (QToolBar* bar : window->findChildren<QToolBar*>())
        bars.insert(bar->windowTitle(), bar);
    QCOMPARE(bars["Control"]->isEnabled(), mode != CurrentState::Results);
    QTRY_COMPARE(bars["Cases"]->isVisible(), mode != CurrentState::Geometry);
    QTRY_COMPARE(bars["Groups"]->isVisible(), mode == CurrentState::Geometry);
}

void TestWiring::supportPickerHighlightsASharedRestraint()
{
    auto* picker = window->findChild<SupportPicker*>("SupportPicker");
    picker->show();
    select({"n0", "n4"});
    window->updateNodePickers();
    QCOMPARE(picker->currentLibraryItem()->value()->name(), QStringLiteral("Fixed, free to rotate about Z"));
    select({"n1", "n4"});
    window->updateNodePickers();
    QVERIFY(!picker->currentLibraryItem());
    select({});
    window->updateNodePickers();
    QVERIFY(picker->isHidden());
}

void TestWiring::memberPinPickerHighlightsThePinOfTheSelectedEnds()
{
    auto* picker = window->findChild<MemberPinPicker*>("MemberPinPicker");
    picker->show();
    const MemberRef member = window->documentModel()->structureModel()->members().first();
    EditingActions* actions = EditingActions::of(window->documentModel().data());
    const auto selectMemberAnd = [&](const QList<VaroObjectRef>& nodes) {
        actions->actionClearAllSelection();
        actions->actionSelectObjects(QList<VaroObjectRef>{member} + nodes);
        window->updateMemberPickers();
        return picker->currentLibraryItem() ? picker->currentLibraryItem()->value()->name() : QString();
    };
    member->setEndConditions(qMakePair(Dof(Dof::Pinned), Dof(Dof::All)));
    QCOMPARE(selectMemberAnd({member->nodeA()}), QStringLiteral("Pinned"));
    QCOMPARE(selectMemberAnd({member->nodeB()}), QStringLiteral("Rigid"));
    // Without a node every end counts, and these two differ.
    QCOMPARE(selectMemberAnd({}), QString());
}

void TestWiring::calculatorRequests()
{
    auto* calculator = window->findChild<Calculator*>("Calculator");
    // No window is active under the test, which leaves the calculator disabled;
    // and a request cuts every earlier connection, a spy's too.
    const auto enter = [calculator](const char* digits) {
        QSignalSpy answers(calculator, &Calculator::CalculationFinished);
        calculator->setEnabled(true);
        QTest::keyClick(calculator, Qt::Key_Delete);
        QTest::keyClicks(calculator, digits);
        QTest::keyClick(calculator, Qt::Key_Return);
        const Vector4 v = answers.isEmpty() ? Vector4(-1, -1, -1, -1) : answers[0][0].value<Vector4>();
        return QVector<double>{v.x(), v.y(), v.z(), v.w()};
    };
    const QSharedPointer<DocumentModel> document = window->documentModel();
    select({"n1"});
    window->actionCopySelection();
    QCOMPARE(enter("3"), QVector<double>({3, 0, 0, 0}));
    QCOMPARE(document->structureUndoStack()->text(document->structureUndoStack()->index() - 1),
             QStringLiteral("Copy selection"));

    // Only the rotation, asked for second, hears the answer.
    select({"n2", "m0"});
    const int nodes = document->structureModel()->nodes().size();
    const Vector3 before = document->structureModel()->nodes()[2]->position();
    window->actionCopySelection();
    window->actionRotate();
    const QVector<double> angle = enter("90");
    QVERIFY(qAbs(angle[0] - M_PI / 2) < 1e-12);
    QCOMPARE(angle.mid(1), QVector<double>({0, 0, 0}));
    QVERIFY(document->structureModel()->nodes().size() == nodes && !(document->structureModel()->nodes()[2]->position() == before));

    CalculatorReference reference;
    reference.insert("cancelOnDeselect", QVariant::fromValue(objects({"m0"})[0]));
    window->openCalculator(2.0, UnitSystem::Unitless, Matrix4x4::zeroed(), reference, calculator, SLOT(hide()));
    select({"m0", "n1"});
    QVERIFY(calculator->isVisible());
    select({"n1"});
    QVERIFY(calculator->isHidden());
    QVERIFY(calculator->currentReference().isEmpty());
}

void TestWiring::enumerateObjectsInHTML()
{
    QCOMPARE(MainWindow::enumerateObjectsInHTML(objects({"m0", "n1", "m1", "m2"})),
             "<ul><li>1 node</li><li>3 members</li></ul>");
    QCOMPARE(MainWindow::enumerateObjectsInHTML(objects({"l0", "s", "l1"})), "<ul><li>2 loads</li><li>1 other item</li></ul>");
    QCOMPARE(MainWindow::enumerateObjectsInHTML({}), QString());
}

void TestWiring::documentMessagesAreShown()
{
    const QSharedPointer<DocumentModel> document = window->documentModel();
    QSignalSpy selects(window.data(), &MainWindow::ActionSelectObjects);
    dialogs.answer = QMessageBox::No;
    emit document->AutoSelectionNeeded(objects({"n1", "n2"}));
    dialogs.answer = QMessageBox::Yes;
    emit document->AutoSelectionNeeded(objects({"n1", "n2"}));
    QCOMPARE(selects.count(), 1);
    QCOMPARE(dialogs.boxes[1].text, "<p>Additional items need to be selected before the operation can be performed:</p>"
                                    "<ul><li>2 nodes</li></ul><p>Do you wish for them to be automatically added to "
                                    "the selection?</p>");
    QCOMPARE(dialogs.boxes[1].defaultButton, QMessageBox::No);

    // A warning waits until the refusing action has returned.
    dialogs.boxes.clear();
    emit document->WarningMessage("refused");
    QVERIFY(dialogs.boxes.isEmpty());
    QTRY_COMPARE(dialogs.texts(), QStringList("refused"));
}

void TestWiring::examplesAndHelp()
{
    UrlRecorder browser;
    QDesktopServices::setUrlHandler("file", &browser, "open");
    window->openHelp();
    QDesktopServices::unsetUrlHandler("file");
    const QString page = QCoreApplication::applicationDirPath() + "/help/Help_Homepage.html";
    QCOMPARE(browser.urls, QList<QUrl>({QUrl::fromLocalFile(page)}));
    QVERIFY(dialogs.boxes.isEmpty());
    // A handler without its method fails to open the page, as a missing browser does.
    QDesktopServices::setUrlHandler("file", &browser, "missing");
    QTest::ignoreMessage(QtWarningMsg, "QMetaObject::invokeMethod: No such method UrlRecorder::missing(QUrl)");
    window->openHelp();
    QDesktopServices::unsetUrlHandler("file");
    QCOMPARE(dialogs.texts(), QStringList("A web-browser either cannot be automatically launched or it will start "
                                          "shortly if it is in the process of a self-update.\n\nThe help is the page\n"
                                          + QDir::toNativeSeparators(page) + "\nwhich any web-browser can open."));
    dialogs.boxes.clear();

    window->openExample(":/example/missing.varok");
    QCOMPARE(dialogs.texts().last(), "The example file cannot be loaded because the installation appears to be corrupt.");
    QCOMPARE(QApplication::topLevelWidgets().count(window.data()), 1);
    window->openExample(QString());
    MainWindow* example = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget != window && qobject_cast<MainWindow*>(widget))
            example = qobject_cast<MainWindow*>(widget);
    QVERIFY(example && example->isVisible());
    QCOMPARE(example->windowTitle(), QStringLiteral("Untitled [*] - VARO Ulmar"));
    QVERIFY(example->unitSystem() != window->unitSystem());
}

// The guide's step on pins names the command as its button does, quotes the
// refusal the command gives, and tells of a selection the command takes.
void TestWiring::guideTellsWhatPinningNeeds()
{
    auto* command = window->findChild<QToolButton*>("ActionMemberPins");
    QVERIFY(command);
    const QString step = guideItemWith(guideText(), '"' + command->toolTip() + '"');
    QVERIFY2(!step.isEmpty(), qPrintable(command->toolTip()));

    // What the pin library's "Pinned" frees and keeps, in the guide's words.
    MemberPinRef pinned;
    const QSharedPointer<MemberPinLibrary> pins = window->documentModel()->libraries()->memberPinLibrary();
    for (const MemberPinRef& pin : pins->valuesOf(pins->root()))
        if (pin->name() == "Pinned")
            pinned = pin;
    QVERIFY(pinned);
    const Dof dof = pinned->dof();
    const QList<QPair<QString, bool>> told{
        {'"' + pinned->name() + "\" frees both bending axes", !dof.isSet(Dof::Ry) && !dof.isSet(Dof::Rz)},
        {"keeps torsion", dof.isSet(Dof::Rx)},
        {"still carries the axial force, both shear forces and the twisting moment",
         dof.isSet(Dof::X) && dof.isSet(Dof::Y) && dof.isSet(Dof::Z) && dof.isSet(Dof::Rx)},
    };
    for (const auto& fact : told)
        QVERIFY2(step.contains(fact.first) && fact.second, qPrintable(fact.first));

    const MemberRef member = window->documentModel()->structureModel()->members().first();
    member->setEndConditions(qMakePair(Dof(Dof::All), Dof(Dof::All)));
    EditingActions* actions = EditingActions::of(window->documentModel().data());
    const auto pin = [&](const QList<VaroObjectRef>& selection) {
        actions->actionClearAllSelection();
        actions->actionSelectObjects(selection);
        window->updateGUIForCurrentStateAndSelection();
        window->findChild<QToolButton*>("ButtonMemberMenu")->click();
        command->click();
        auto* picker = window->findChild<MemberPinPicker*>("MemberPinPicker");
        PickerCell* pinned = picker->findChild<PickerCell*>("pinned");
        QVERIFY(picker->isVisible() && pinned);
        QTest::mouseClick(pinned, Qt::LeftButton);
    };
    // The member alone is refused, in the words the guide quotes.
    pin({member});
    QTRY_COMPARE(dialogs.boxes.size(), 1);
    QVERIFY2(step.contains('"' + dialogs.boxes[0].text + '"'), qPrintable(step));
    QVERIFY(!member->pinAtA() && !member->pinAtB());
    // With the node at one end, that end alone is pinned.
    pin({member, member->nodeB()});
    QVERIFY(!member->pinAtA() && member->pinAtB());
    QCOMPARE(int(member->endConditions().second), int(dof));

    // The guide's case of a pin that nothing else holds: either end of the
    // Beam example's member pinned stops its analysis, as the guide says of
    // the rotations its supports leave free.
    const QString stops = QStringLiteral("Ill-conditioning on node");
    QVERIFY2(step.contains("the analysis stops with \"" + stops + '"') && step.contains("The Beam example"),
             qPrintable(step));
    for (const bool atA : {true, false}) {
        auto* beam = new MainWindow;
        QVERIFY(beam->openFile(":/example/01.KU.Beam.varok", true));
        const QSharedPointer<DocumentModel> document = beam->documentModel();
        QTRY_COMPARE_WITH_TIMEOUT(document->analysisOperatingState(), AnalysisLink::ResultsAvailable, 30000);
        QCOMPARE(document->structureModel()->members().size(), 1);
        const MemberRef only = document->structureModel()->members().first();
        const NodeRef end = atA ? only->nodeA() : only->nodeB();
        QVERIFY(end->support());
        const Dof held = end->support()->dof();
        const bool told = atA ? step.contains("leaves the rotation about Z free at its left end") && !held.isSet(Dof::Rz)
                              : step.contains("leaves every rotation free at its right end") && !held.isSet(Dof::Rx)
                                    && !held.isSet(Dof::Ry) && !held.isSet(Dof::Rz);
        QVERIFY2(told, qPrintable(end->support()->name()));
        EditingActions* beamActions = EditingActions::of(document.data());
        beamActions->actionClearAllSelection();
        beamActions->actionSelectObjects({only, end});
        beamActions->actionSetMemberPins(pinned);
        QVERIFY(atA ? only->pinAtA() && !only->pinAtB() : only->pinAtB() && !only->pinAtA());
        QTRY_COMPARE_WITH_TIMEOUT(document->analysisStatusMessage(), stops, 30000);
    }
}

// Forces and moments of reactions share one largest value, which the guide
// says reads as 10 kip in Imperial (US) whichever it is: a largest moment
// then reads 10 kip at an arm of 1 m in kip-ft.
void TestWiring::guideTellsHowImperialReactionsRead()
{
    const QString system = QStringLiteral("Imperial (US)");
    const int imperial = UnitSystem::availableSystems().indexOf(system);
    QVERIFY(imperial >= 0);
    const UnitSystem::Record& force = UnitSystem::record(imperial, UnitSystem::ReactionForce);
    const UnitSystem::Record& moment = UnitSystem::record(imperial, UnitSystem::ReactionTorque);
    const double reference = 10.0 * force.factor; // newtons, or newton metres
    const auto reading = [](double value, const UnitSystem::Record& unit) {
        return QString::number(value / unit.factor, 'f', unit.decimals);
    };

    const QString guide = guideText();
    const QString item = guideItemWith(guide, QString::fromUtf8(moment.units), guide.indexOf("id=\"readouts\""));
    for (const QString& fact : {system + " the reference is 10 " + force.units + " for forces and moments alike",
                                QString::number(qRound(reference)) + ", the newtons in 10 " + force.units,
                                "reads " + reading(reference, moment) + " " + moment.units})
        QVERIFY2(item.contains(fact), qPrintable(fact + "\n" + item));

    // The read-outs, each reaction times the scale of the largest R, 1 / R:
    // R itself and a third of it, as a force and as a moment.
    const UnitSystemRef units(new UnitSystem);
    units->setChosenSystem(imperial);
    const double R = 3000.0;
    const Vector6 k = DocumentModel::scaleForReactions(AnalysisOutput::filled(1.0 / R), units);
    for (const double share : {1.0, 1.0 / 3.0}) {
        QCOMPARE(units->preferredStringFromSI(share * R * k[0], UnitSystem::ReactionForce, false),
                 reading(share * reference, force));
        QCOMPARE(units->preferredStringFromSI(share * R * k[5], UnitSystem::ReactionTorque, false),
                 reading(share * reference, moment));
    }
}

void TestWiring::loadAddedThroughTheToolMenuIsAnalysedAndSaved()
{
    const QSharedPointer<DocumentModel> document = window->documentModel();
    const int loads = document->structureModel()->loads().size();
    window->findChild<QToolButton*>("TabLoading")->click();
    select({"m1"});
    window->findChild<QToolButton*>("ButtonLoadMenu")->click();
    window->findChild<QToolButton*>("ActionAddPLoad")->click();
    QCOMPARE(document->structureModel()->loads().size(), loads + 1);
    QVERIFY(window->isWindowModified());
    QTRY_COMPARE_WITH_TIMEOUT(document->analysisOperatingState(), AnalysisLink::ResultsAvailable, 20000);
    const QPixmap tab(":/tabResultsOff.png");
    QTRY_COMPARE(window->findChild<QToolButton*>("TabResults")->icon().pixmap(tab.size()).toImage(), tab.toImage());

    // For a person to look at; the 3D view draws only on the screen.
    const QRect f = window->frameGeometry();
    keepForReview(QGuiApplication::primaryScreen()->grabWindow(0, f.x(), f.y(), f.width(), f.height()),
                  QStringLiteral("wiring.png"));

    QVERIFY(window->saveFileAs(folder->filePath("portal.varou")));
    QVERIFY(!window->isWindowModified());
    // A copy: the file itself, which the window shows, opens in no other.
    QVERIFY(QFile::copy(folder->filePath("portal.varou"), folder->filePath("copy.varou")));
    auto* reopened = new MainWindow;
    QVERIFY(reopened->openFile(folder->filePath("copy.varou")));
    // Files link their objects by addresses.
    const QRegularExpression address("\\d{9,}");
    QCOMPARE(QString(reopened->writeXMLDocumentFile()).replace(address, "#"),
             QString(window->writeXMLDocumentFile()).replace(address, "#"));
}

// In US units a point load typed as 20 kip and a moment typed as 16 kip-ft
// show as typed, in the view once the selection has moved on and the
// consolidation has rounded them, and in a printed report.
void TestWiring::loadsTypedReadBackAsTyped_data()
{
    QTest::addColumn<QString>("system");
    // A point load, a moment and a distributed load: as typed, then as shown and printed.
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<QStringList>("units");
    QTest::newRow("Imperial (US)") << "Imperial (US)" << QStringList{"20", "16", "1.5"}
                                   << QStringList{"kip", "kip-ft", "kip/ft"};
    QTest::newRow("Metric (UK)") << "Metric (UK)" << QStringList{"23.456", "9.876", "4.567"}
                                 << QStringList{"kN", "kN.m", "kN/m"};
}

// Each load typed through the calculator reads back to the places it was
// typed in, beside its arrow and in a printed report, once the selection
// has moved on and the loads have been rounded as they are typed.
void TestWiring::loadsTypedReadBackAsTyped()
{
    QFETCH(QString, system);
    QFETCH(QStringList, typed);
    QFETCH(QStringList, units);
    const QSharedPointer<UnitSystem> unitSystem = window->unitSystem();
    unitSystem->setChosenSystem(system);
    window->findChild<QToolButton*>("TabLoading")->click();
    auto* calculator = window->findChild<Calculator*>(QStringLiteral("Calculator"));
    QList<LoadRef> typedLoads;
    const QList<const char*> commands{"ActionAddPLoad", "ActionAddMLoad", "ActionAddTLoad"};
    for (int i = 0; i < commands.size(); ++i) {
        select({"m1"});
        window->findChild<QToolButton*>("ButtonLoadMenu")->click();
        window->findChild<QToolButton*>(commands[i])->click();
        const LoadRef load = window->documentModel()->structureModel()->loads().last();
        typedLoads.append(load);
        EditingActions::of(window->documentModel().data())->actionSelectObjects({load});
        window->updateGUIForCurrentStateAndSelection();
        openReadOut(window, StructureView::LOADMAGNITUDEAVALUE);
        QVERIFY(calculator->isVisible());
        QTest::keyPress(calculator, Qt::Key_Delete);
        QTest::keyClicks(calculator, typed[i]);
        QTest::keyClick(calculator, Qt::Key_Return);
        QVERIFY(calculator->isHidden());
    }
    select({"n0"});
    // What the view writes beside each arrow.
    const QList<UnitSystem::Conversion> shownAs{UnitSystem::LoadForce, UnitSystem::LoadTorque,
                                                UnitSystem::LoadForcePerLength};
    QStringList expected;
    for (int i = 0; i < typed.size(); ++i) {
        const QString places = QString::number(typed[i].toDouble(), 'f', 3);
        const double force = std::fabs(typedLoads[i]->positionedForces().value(0).second);
        QCOMPARE(unitSystem->preferredStringFromSI(force, shownAs[i], false), places);
        QCOMPARE(unitSystem->preferredUnits(shownAs[i]), units[i]);
        expected << places + ' ' + units[i];
    }

    const ReportLayoutRef layout = oneChapterReport(window, Report::ChapterLoadInput);
    QPrinter printer(QPrinter::ScreenResolution);
    printer.setOutputFileName(folder->filePath("loads.pdf"));
    QVERIFY(window->findChild<ReportView*>("ReportView")->print(&printer, layout));
    const QString printed = run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), printer.outputFileName(), "-"});
    for (const QString& value : qAsConst(expected))
        QVERIFY2(printed.contains(QRegularExpression(QStringLiteral("(^|[\\s-])%1(\\s|$)").arg(QRegularExpression::escape(value)))),
                 qPrintable(value));
}

namespace {

// A cantilever of the given section under a tip load whose loading is the
// first link of a chain of combinations, each the one before it, as
// limit-state combinations often are; written as a model file.
bool writeLinkedCombinations(const QString& path, int links, const SectionTypeRef& section, int pieces = 1)
{
    DocumentModel document(QSharedPointer<UnitSystem>::create());
    const NodeRef base(VaroObject::make<Node>());
    base->setSupport(VaroObject::make<Support>(QString(), 63));
    QList<VaroObjectRef> objects{base};
    NodeRef tip = base;
    MemberRef member;
    for (int i = 1; i <= pieces; ++i) {
        const NodeRef next(VaroObject::make<Node>());
        next->setPosition(Vector3(4.0 * i / pieces, 0, 0));
        member = VaroObject::make<Member>(tip, next);
        member->setSectionType(section);
        objects << next << member;
        tip = next;
    }
    const LoadingRef loading(VaroObject::make<Loading>("Imposed"));
    const LoadRef load(VaroObject::make<PointLoad>(member));
    load->setAxis(VaroObject::make<LoadAxis>(Axis(Vector3(0, -1, 0), NodeRef(), true, false)));
    load->setLoadCase(loading);
    load->setPositionedForces({{1.0, 10e3}});
    document.structureModel()->appendObjects(objects << load);
    QList<LoadCaseRef> cases{loading};
    for (int i = 0; i < links; ++i) {
        cases << VaroObject::make<Combination>(QString("ULS %1").arg(i + 1));
        cases.last().staticCast<Combination>()->addFactor(cases[i], 1.0);
    }
    document.libraries()->loadCaseLibrary()->appendAll(cases);
    return NativeContainer::writeFile(path, DocumentXml::writeContent(&document, nullptr, nullptr));
}

} // namespace

void TestWiring::whatAnAnalysisLeavesIsFreedOffTheGuiThread_data()
{
    QTest::addColumn<bool>("replacing");
    QTest::addColumn<bool>("ended"); // the analysis, before its window closed
    QTest::newRow("the analysis of a closed window") << false << false;
    QTest::newRow("the ended analysis of a closed window") << false << true;
    QTest::newRow("an output that an edit replaced") << true << false;
}

// A window neither stands still for freeing what an analysis built nor frees
// it: the analysis of a closed window goes in another thread, and so do the
// result cases of an output that the window held last.
void TestWiring::whatAnAnalysisLeavesIsFreedOffTheGuiThread()
{
    QFETCH(bool, replacing);
    QFETCH(bool, ended);
    installAnalysis();
    QObject recorder;
    std::atomic<QThread*> freedIn{nullptr}, modelFreedIn{nullptr};
    const auto record = [&freedIn] { freedIn = QThread::currentThread(); };
    if (replacing) {
        const QSharedPointer<DocumentModel> document = window->documentModel();
        QTRY_VERIFY_WITH_TIMEOUT(document->analysisOutput(), 20000);
        QSharedPointer<AnalysisOutput> shown = document->analysisOutput();
        // Goes with the output's own result cases.
        const QSharedPointer<AnalysisLoadCase> loadCase(new AnalysisLoadCase);
        shown->resultCases.insert(LoadCaseRef(VaroObject::make<Loading>("Sentinel")),
                                  QSharedPointer<AnalysisResultCase>(new AnalysisResultCase(loadCase),
                                                                     [record](AnalysisResultCase* resultCase) {
                                                                         record();
                                                                         delete resultCase;
                                                                     }));
        window->findChild<QToolButton*>("TabLoading")->click();
        select({"m1"});
        window->findChild<QToolButton*>("ButtonLoadMenu")->click();
        window->findChild<QToolButton*>("ActionAddPLoad")->click();
        QTRY_VERIFY_WITH_TIMEOUT(document->analysisOutput() != shown, 20000);
        shown.reset();
    } else {
        const QString path = folder->filePath("closed.varou");
        QVERIFY(writeLinkedCombinations(path, 10, window->documentModel()->structureModel()->members()[0]->sectionType()));
        QPointer<MainWindow> closed = new MainWindow;
        QVERIFY(closed->openFile(path));
        closed->show();
        const QSharedPointer<DocumentModel> document = closed->documentModel();
        QTRY_COMPARE_WITH_TIMEOUT(document->analysisOperatingState(), AnalysisLink::ResultsAvailable, 20000);
        auto* analysis = qobject_cast<AnalysisModel*>(document->analysisModel().data());
        connect(analysis, &QObject::destroyed, &recorder, record, Qt::DirectConnection);
        // The model's objects, which live in the GUI thread, go there.
        connect(
            document->structureModel().data(), &QObject::destroyed, &recorder,
            [&modelFreedIn] { modelFreedIn = QThread::currentThread(); }, Qt::DirectConnection);
        if (ended) {
            analysis->stop();
            QVERIFY(analysis->wait(20000));
        }
        QVERIFY(closed->close());
    }
    QTRY_VERIFY_WITH_TIMEOUT(freedIn != nullptr, 20000);
    QVERIFY(freedIn != QThread::currentThread());
    if (!replacing)
        QTRY_COMPARE(modelFreedIn.load(), QThread::currentThread());
}

namespace {

// A continuous beam of the given number of members 1 m long, fixed at every
// tenth node, each member under a point load at its middle.
void buildLoadedBeam(DocumentModel* document, int members, const SectionTypeRef& section)
{
    const SupportRef fixed(VaroObject::make<Support>(QString(), 63));
    const LoadAxisRef down(VaroObject::make<LoadAxis>(Axis(Vector3(0, -1, 0), NodeRef(), true, false)));
    const LoadingRef loading(VaroObject::make<Loading>("Imposed"));
    QList<VaroObjectRef> objects;
    NodeRef previous;
    for (int i = 0; i <= members; ++i) {
        const NodeRef node(VaroObject::make<Node>());
        node->setPosition(Vector3(i, 0, 0));
        if (i % 10 == 0)
            node->setSupport(fixed);
        objects << node;
        if (previous) {
            const MemberRef member(VaroObject::make<Member>(previous, node));
            member->setSectionType(section);
            const LoadRef load(VaroObject::make<PointLoad>(member));
            load->setAxis(down);
            load->setLoadCase(loading);
            load->setPositionedForces({{0.5, 10e3}});
            objects << member << load;
        }
        previous = node;
    }
    document->structureModel()->appendObjects(objects);
    document->libraries()->loadCaseLibrary()->append(loading);
}

// Counts the objects it is told of as they are freed: in the GUI thread, the
// most in one pass of its event loop, and in any other thread. A pass, not
// an event: each deferred delete is an event of its own, and one pass may
// take thousands of them.
class FreedObjects : public QObject
{
public:
    void watch(const QList<VaroObjectRef>& objects)
    {
        for (const VaroObjectRef& object : objects)
            connect(object.data(), &QObject::destroyed, this, [this] { freed(); }, Qt::DirectConnection);
    }
    // The library entries under this node, of which the most taken out of
    // their tree in one pass is counted. Counted from the node, since
    // looking at every entry at every pass makes a loaded machine's many
    // passes cost minutes.
    void watchEntriesOf(const TreeNodeRef& node) { parents.append({node.toWeakRef(), node->subnodeCount()}); }
    // Each pass of the GUI thread's event loop begins with the one signal or
    // the other, whether it waits for events or not.
    void startCountingPasses()
    {
        QAbstractEventDispatcher* const dispatcher = QAbstractEventDispatcher::instance(thread());
        for (const auto signal : {&QAbstractEventDispatcher::awake, &QAbstractEventDispatcher::aboutToBlock})
            passes << connect(dispatcher, signal, this, [this] { nextPass(); }, Qt::DirectConnection);
    }
    void stopCountingPasses()
    {
        for (const QMetaObject::Connection& pass : qAsConst(passes))
            disconnect(pass);
        passes.clear();
    }

    int inGuiThread = 0;
    int mostInOnePass = 0;
    int mostEntriesInOnePass = 0;
    std::atomic<int> elsewhere{0};

private:
    struct Parent
    {
        QWeakPointer<TreeNode> node;
        int count;
    };
    QList<Parent> parents;
    QList<QMetaObject::Connection> passes;

    void nextPass()
    {
        sincePass = 0;
        int detached = 0;
        for (Parent& parent : parents) {
            const TreeNodeRef node = parent.node.toStrongRef();
            const int count = node ? node->subnodeCount() : 0;
            detached += parent.count - count;
            parent.count = count;
        }
        mostEntriesInOnePass = std::max(mostEntriesInOnePass, detached);
    }
    void freed()
    {
        if (QThread::currentThread() != thread()) {
            ++elsewhere;
            return;
        }
        ++inGuiThread;
        mostInOnePass = std::max(mostInOnePass, ++sincePass);
    }

    int sincePass = 0;
};

} // namespace

void TestWiring::aClosedModelGoesASliceBetweenEvents_data()
{
    QTest::addColumn<bool>("analysed");
    QTest::addColumn<bool>("replaced"); // by another model in its window, which stays
    QTest::addColumn<QString>("holder"); // of the objects, when not the structure
    QTest::newRow("closed after its analysis") << true << false << QString();
    QTest::newRow("closed without analysis") << false << false << QString();
    QTest::newRow("replaced after its analysis") << true << true << QString();
    QTest::newRow("held by the undo history alone") << false << false << "history";
    QTest::newRow("held by a library entry") << false << false << "library";
}

// A window on a beam of 20000 loaded members is closed beside one holding
// unsaved work, or opens another model; or the beam was deleted in one step,
// so that only the undo history holds it; or the window holds 60000
// combinations under one library entry. The model's objects live in the GUI
// thread and go there, but only a few hundred of them, or of an entry's
// subentries, in one pass of its event loop, so that every window answers
// meanwhile, its own view's records of them too; and once they have gone,
// the memory they took goes back to the system.
void TestWiring::aClosedModelGoesASliceBetweenEvents()
{
    QFETCH(bool, analysed);
    QFETCH(bool, replaced);
    QFETCH(QString, holder);
    const int combinations = 60000;
    select({"n1"});
    QVERIFY(window->isWindowModified());
    const QString path = folder->filePath("beam.varou");
    // Kept to the end, so that nothing but the closed window's model goes meanwhile.
    DocumentModel::setAnalysisFactory(DocumentModel::AnalysisFactory());
    {
        DocumentModel source(QSharedPointer<UnitSystem>::create());
        const SectionTypeRef section = window->documentModel()->structureModel()->members()[0]->sectionType();
        if (holder == "library") {
            buildLoadedBeam(&source, 10, section);
            const LoadCaseRef loading = source.libraries()->loadCaseLibrary()->loadings().constFirst();
            QList<LoadCaseRef> cases;
            for (int i = 0; i < combinations; ++i) {
                const CombinationRef combination(VaroObject::make<Combination>(QString("ULS %1").arg(i + 1)));
                combination->addFactor(loading, 1.5);
                cases << combination;
            }
            source.libraries()->loadCaseLibrary()->appendAll(cases);
        } else {
            buildLoadedBeam(&source, 20000, section);
        }
        QVERIFY(NativeContainer::writeFile(path, DocumentXml::writeContent(&source, nullptr, nullptr)));
    }
    if (analysed)
        installAnalysis();

    QPointer<MainWindow> closed = new MainWindow;
    QVERIFY(closed->openFile(path));
    closed->show();
    // The windows of the tests to come analyse their models.
    installAnalysis();
    FreedObjects freed;
    int objects = 0;
    {
        const QSharedPointer<DocumentModel> document = closed->documentModel();
        if (analysed)
            QTRY_COMPARE_WITH_TIMEOUT(document->analysisOperatingState(), AnalysisLink::ResultsAvailable, 120000);
        QList<VaroObjectRef> everything = document->structureModel()->everything();
        if (holder == "history") {
            EditingActions* actions = EditingActions::of(document.data());
            actions->actionSelectObjects(everything);
            actions->actionDeleteSelectedGeometry();
            QVERIFY(document->structureModel()->everything().isEmpty());
            // As consolidating does: the undo history is then their only holder.
            document->selectionModel()->getAndClearDeselectionHistory();
        } else if (holder == "library") {
            const QSharedPointer<LoadCaseLibrary> library = document->libraries()->loadCaseLibrary();
            for (const LoadCaseRef& combination : library->combinations())
                everything << combination;
            const TreeNodeRef root = library->root();
            for (int i = 0; i < root->subnodeCount(); ++i)
                freed.watchEntriesOf(root->subnode(i));
        }
        objects = everything.size();
        freed.watch(everything);
    }
    QCOMPARE(objects, holder == "library" ? 31 + combinations : 60001);
    freed.startCountingPasses();
    const int trims = AnalysisDisposal::trims();
    dialogs.answer = QMessageBox::Discard;
    if (replaced)
        QVERIFY(closed->openFile(":/example/02.KU.Plane Portal.varok"));
    else
        QVERIFY(closed->close());
    dialogs.answer = QMessageBox::Ok;
    QTRY_COMPARE_WITH_TIMEOUT(freed.inGuiThread, objects, 60000);
    freed.stopCountingPasses();
    QCOMPARE(freed.elsewhere.load(), 0);
    QVERIFY2(freed.mostInOnePass <= 4096, qPrintable(QStringLiteral("%1 in one pass").arg(freed.mostInOnePass)));
    QVERIFY2(freed.mostEntriesInOnePass <= 4096,
             qPrintable(QStringLiteral("%1 entries in one pass").arg(freed.mostEntriesInOnePass)));
    QTRY_VERIFY_WITH_TIMEOUT(AnalysisDisposal::trims() > trims, 20000);
    QVERIFY(window->isVisible() && window->isWindowModified());
    QVERIFY(!replaced || closed->isVisible());
}

void TestWiring::aModelObjectGoesInTheGuiThreadWhoeverHoldsItLast_data()
{
    QTest::addColumn<QString>("deleted");
    QTest::addColumn<bool>("closing"); // the window, or else clearing its undo history
    QTest::newRow("loads, window closed") << "loads" << true;
    QTest::newRow("members, window closed") << "members" << true;
    QTest::newRow("everything, window closed") << "everything" << true;
    QTest::newRow("loads, history cleared") << "loads" << false;
}

// Part of a model is deleted while its analysis, held in its elimination,
// still holds what it read of it; then the window is closed, or its undo
// history cleared, so that the analysis is left the last holder of the
// deleted objects, more of them than one slice between events takes. Each
// still goes in the GUI thread, where it lives (a sanitizer build stops the
// program otherwise), and the other window keeps its unsaved work.
void TestWiring::aModelObjectGoesInTheGuiThreadWhoeverHoldsItLast()
{
    QFETCH(QString, deleted);
    QFETCH(bool, closing);
    installAnalysis();
    select({"n1"});
    const QString path = folder->filePath("deleted.varou");
    {
        DocumentModel source(QSharedPointer<UnitSystem>::create());
        buildLoadedBeam(&source, 1200, window->documentModel()->structureModel()->members()[0]->sectionType());
        QVERIFY(NativeContainer::writeFile(path, DocumentXml::writeContent(&source, nullptr, nullptr)));
    }
    QPointer<MainWindow> editing = new MainWindow;
    QVERIFY(editing->openFile(path));
    editing->show();
    FreedObjects freed;
    int objects = 0;
    PhaseGate& gate = phaseGate();
    {
        const QSharedPointer<DocumentModel> document = editing->documentModel();
        QTRY_COMPARE_WITH_TIMEOUT(document->analysisOperatingState(), AnalysisLink::ResultsAvailable, 60000);
        // A change of stiffness sends the analysis back to its elimination,
        // holding the records of its last pass.
        gate.arm(AnalysisModel::Stiffness);
        emit document->libraries()->materialLibrary()->Changed();
        QTRY_VERIFY_WITH_TIMEOUT(gate.isHolding(), 60000);

        const StructureModel& structure = *document->structureModel();
        QList<VaroObjectRef> chosen;
        // Every other load or member leaves a model that still analyses.
        const int step = deleted == "everything" ? 1 : 2;
        for (int i = 0; i < structure.loads().size(); i += step)
            chosen << structure.loads()[i];
        if (deleted != "loads")
            for (int i = 0; i < structure.members().size(); i += step)
                chosen << structure.members()[i];
        if (deleted == "everything")
            for (const NodeRef& node : structure.nodes())
                chosen << node;
        // A member goes with the loads on it.
        EditingActions* actions = EditingActions::of(document.data());
        actions->actionSelectObjects(chosen);
        if (deleted == "loads")
            actions->actionDeleteSelectedLoads();
        else
            actions->actionDeleteSelectedGeometry();
        QList<VaroObjectRef> gone;
        for (const VaroObjectRef& object : qAsConst(chosen))
            if (!structure.contains(object))
                gone << object;
        QCOMPARE(gone.size(), chosen.size());
        objects = gone.size();
        freed.watch(gone);
        if (!closing) {
            document->structureUndoStack()->clear();
            document->selectionModel()->getAndClearDeselectionHistory();
        }
    }
    freed.startCountingPasses();
    dialogs.answer = QMessageBox::Discard;
    if (closing)
        QVERIFY(editing->close());
    QVERIFY(gate.isHolding());
    QCOMPARE(freed.inGuiThread, 0);
    gate.open();
    QTRY_COMPARE_WITH_TIMEOUT(freed.inGuiThread + freed.elsewhere, objects, 60000);
    freed.stopCountingPasses();
    gate.arm(AnalysisModel::Watch);
    QCOMPARE(freed.elsewhere.load(), 0);
    QVERIFY(window->isVisible() && window->isWindowModified());
    if (editing)
        QVERIFY(editing->close());
    dialogs.answer = QMessageBox::Ok;
}

MainWindow* TestWiring::openForTheGate(const QString& name, AnalysisModel::Phase phase, int links, int pieces)
{
    const QString path = folder->filePath(name);
    if (!writeLinkedCombinations(path, links, window->documentModel()->structureModel()->members()[0]->sectionType(),
                                 pieces))
        return nullptr;
    // Only the new window's analysis is at work when the gate shuts.
    if (!QTest::qWaitFor([this] {
            return window->documentModel()->analysisOperatingState() == AnalysisLink::ResultsAvailable;
        }, 20000))
        return nullptr;
    phaseGate().arm(phase);
    QPointer<MainWindow> opened = new MainWindow;
    if (!opened->openFile(path)) {
        delete opened.data();
        return nullptr;
    }
    opened->show();
    return opened;
}

void TestWiring::closingWhileAPhaseIsHeld_data()
{
    QTest::addColumn<int>("phase");
    QTest::addColumn<int>("links");
    QTest::addColumn<int>("pieces"); // of the cantilever, each six rows of the elimination
    QTest::newRow("loading pass") << int(AnalysisModel::Solution) << 2000 << 1;
    QTest::newRow("elimination") << int(AnalysisModel::Stiffness) << 1 << 64;
}

// An analysis held inside a phase until the test lets it go: closing its
// window comes back while it is held, the other window keeps its unsaved
// work, and once let go the analysis ends at its next stop check.
void TestWiring::closingWhileAPhaseIsHeld()
{
    QFETCH(int, phase);
    QFETCH(int, links);
    QFETCH(int, pieces);
    installAnalysis();
    select({"n1"});
    QVERIFY(window->isWindowModified());
    QPointer<MainWindow> analysing = openForTheGate("held.varou", AnalysisModel::Phase(phase), links, pieces);
    QVERIFY(analysing);
    PhaseGate& gate = phaseGate();
    const QPointer<QObject> analysis = analysing->documentModel()->analysisModel().data();
    QTRY_VERIFY_WITH_TIMEOUT(gate.isHolding(), 60000);
    QCOMPARE(gate.held(), analysis.data());
    QVERIFY(analysing->close());
    QVERIFY(gate.isHolding());
    QVERIFY(window->isVisible() && window->isWindowModified());
    gate.open();
    QTRY_VERIFY_WITH_TIMEOUT(!analysis, 20000);
    QVERIFY2(gate.checksAfterOpening() <= 1, qPrintable(QString::number(gate.checksAfterOpening())));
    gate.arm(AnalysisModel::Watch);
    QTRY_VERIFY(!analysing);
    QVERIFY(window && window->isVisible() && window->isWindowModified());
    QVERIFY(window->documentModel()->isModified());
}

void TestWiring::closingOneOfTwoWindowsWhileAPhaseIsHeld_data()
{
    QTest::addColumn<int>("phase");
    QTest::addColumn<int>("links");
    QTest::addColumn<int>("pieces"); // of the cantilever, each six rows of the elimination
    QTest::addColumn<bool>("closingTheFirst"); // the window that opened the file, else its duplicate
    QTest::newRow("loading pass, the duplicate closed") << int(AnalysisModel::Solution) << 2000 << 1 << false;
    QTest::newRow("elimination, the first closed") << int(AnalysisModel::Stiffness) << 1 << 64 << true;
}

// A model shown in two windows is being analysed, the analysis held inside a
// phase, where it holds the document's read lock. Closing either window
// comes back while it is held and asks nothing; the other keeps the model,
// its unsaved work and its analysis, which goes on to its results once let
// go. The other window then closes too, asking as the last one, and the
// analysis ends.
void TestWiring::closingOneOfTwoWindowsWhileAPhaseIsHeld()
{
    QFETCH(int, phase);
    QFETCH(int, links);
    QFETCH(int, pieces);
    QFETCH(bool, closingTheFirst);
    installAnalysis();
    QPointer<MainWindow> first = openForTheGate("shared.varou", AnalysisModel::Phase(phase), links, pieces);
    QVERIFY(first);
    PhaseGate& gate = phaseGate();
    QPointer<MainWindow> second = first->duplicateWindow();
    QVERIFY(second);
    QSharedPointer<DocumentModel> document = first->documentModel();
    // Unsaved work that takes no lock, which the held analysis would keep.
    document->reportUndoStack()->push(new QUndoCommand(QStringLiteral("Unsaved")));
    const QPointer<QObject> analysis = document->analysisModel().data();
    QTRY_VERIFY_WITH_TIMEOUT(gate.isHolding(), 60000);
    QCOMPARE(gate.held(), analysis.data());

    QPointer<MainWindow> closing = closingTheFirst ? first : second;
    QPointer<MainWindow> staying = closingTheFirst ? second : first;
    QVERIFY(closing->close());
    QVERIFY(gate.isHolding());
    QVERIFY(dialogs.boxes.isEmpty());
    QTRY_VERIFY(!closing);
    QVERIFY(staying->isVisible() && staying->isWindowModified());
    QCOMPARE(staying->documentModel(), document);
    QCOMPARE(MainWindow::openDocumentCount(document.data()), 1);
    gate.open();
    QTRY_COMPARE_WITH_TIMEOUT(document->analysisOperatingState(), AnalysisLink::ResultsAvailable, 60000);
    gate.arm(AnalysisModel::Watch);

    document.reset();
    dialogs.answer = QMessageBox::Discard;
    QVERIFY(staying->close());
    dialogs.answer = QMessageBox::Ok;
    QCOMPARE(dialogs.texts(), QStringList("This model has been modified.\nDo you want to save your changes?"));
    QTRY_VERIFY(!staying);
    QTRY_VERIFY_WITH_TIMEOUT(!analysis, 20000);
    QVERIFY(window && window->isVisible());
}

void TestWiring::closingOrQuittingDuringALongAnalysis_data()
{
    QTest::addColumn<bool>("quitting");
    QTest::newRow("closing its window") << false;
    QTest::newRow("quitting") << true;
}

// A window analysing thousands of combinations, each built on the one
// before it, is closed two seconds into the analysis, or the program quits
// as it does once its event loop has ended: either returns at once, the
// analysis finishes by itself, and the program goes on, the other window
// with its unsaved work when only the first was closed.
void TestWiring::closingOrQuittingDuringALongAnalysis()
{
    QFETCH(bool, quitting);
    installAnalysis();
    select({"n1"});
    QVERIFY(window->isWindowModified());
    const QString path = folder->filePath("combinations.varou");
    QVERIFY(writeLinkedCombinations(path, 4000, window->documentModel()->structureModel()->members()[0]->sectionType()));
    QPointer<MainWindow> analysing = new MainWindow;
    QVERIFY(analysing->openFile(path));
    analysing->show();
    const QPointer<QObject> analysis = analysing->documentModel()->analysisModel().data();
    QTest::qWait(2000);

    // Closing returns at once: the work of the whole process meanwhile, the
    // analysis's threads included, is a fraction of what one core does in
    // the seconds that a close waiting for the analysis would block.
    const double cpuBefore = processCpuSeconds();
    if (quitting) {
        closeRemainingMainWindows();
        // What the application waits for as it ends.
        AnalysisDisposal::waitForThreads();
        QVERIFY(!analysing && !window);
        // Nothing of it runs once the application has waited; what it still
        // holds is left to the process's end.
        QVERIFY(!analysis || qobject_cast<QThread*>(analysis.data())->isFinished());
    } else {
        QVERIFY(analysing->close());
    }
    const double spent = processCpuSeconds() - cpuBefore;
    QVERIFY2(spent < 2.5, qPrintable(QStringLiteral("%1 s of CPU time").arg(spent)));
    QVERIFY(dialogs.boxes.isEmpty());
    if (quitting)
        return;
    QTRY_VERIFY_WITH_TIMEOUT(!analysis, 10000);
    QTRY_VERIFY(!analysing);
    QVERIFY(window && window->isVisible() && window->isWindowModified());
    QVERIFY(window->documentModel()->isModified());
}

VARO_TEST_MAIN(TestWiring)
#include "tst_wiring.moc"
