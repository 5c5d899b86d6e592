#include "AnalysisInstallation.h"
#include "AppTesting.h"
#include "Calculator.h"
#include "CurrentState.h"
#include "DocumentModel.h"
#include "EditingActions.h"
#include "MainWindow.h"
#include "ModelResources.h"
#include "PaintHelpers.h"
#include "Member.h"
#include "Node.h"
#include "PointLoad.h"
#include "SelectionModel.h"
#include "Startup.h"
#include "StructureModel.h"
#include "Support.h"
#include "SupportPicker.h"
#include "UnitSystem.h"

#include <QDesktopServices>
#include <QScreen>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>
#include <QUndoStack>
#include <QtTest>

namespace {

const QString portal = QStringLiteral(":/example/02.KU.Plane Portal.varok");

// The objects by their place in the structure's lists: "n0" node 0, "m1" member 1, "l2" load 2.
QList<VaroObjectRef> objectsNamed(const DocumentModel& document, const QStringList& names)
{
    const QSharedPointer<StructureModel> structure = document.structureModel();
    QList<VaroObjectRef> objects;
    for (const QString& name : names) {
        const int i = name.midRef(1).toInt();
        if (name.startsWith('n'))
            objects << structure->nodes().value(i);
        else if (name.startsWith('m'))
            objects << structure->members().value(i);
        else
            objects << structure->loads().value(i);
    }
    return objects;
}

// Files link their objects by addresses; these become numbers in order of appearance.
QString withNumberedRefs(const QByteArray& xml)
{
    const QString text = QString::fromUtf8(xml);
    QMap<QString, int> numbers;
    QString result;
    int last = 0;
    QRegularExpressionMatchIterator i = QRegularExpression(QStringLiteral("\\d{9,}")).globalMatch(text);
    while (i.hasNext()) {
        const QRegularExpressionMatch match = i.next();
        if (!numbers.contains(match.captured()))
            numbers.insert(match.captured(), numbers.size());
        result += text.midRef(last, match.capturedStart() - last) + QString::number(numbers.value(match.captured()));
        last = match.capturedEnd();
    }
    return result + text.midRef(last);
}

} // namespace

class UrlRecorder : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls << url; }
};

class TestWiring : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void documentInTwoWindowsAsksOnlyInTheLast();
    void saveInThePromptWritesTheModel();
    void deletedWindowLetsItsDocumentGo();
    void titleFollowsTheFileName();
    void escapeClearsTheSelectionOnce();
    void resultsTabShowsTheAnalysisState();
    void commandsFollowModeAndSelection_data();
    void commandsFollowModeAndSelection();
    void pickersHighlightWhatTheSelectionShares();
    void copyAndRotateAskTheCalculator();
    void deselectingCancelsTheCalculator();
    void enumerateObjectsInHTML_data();
    void enumerateObjectsInHTML();
    void documentMessagesAreShown();
    void examplesAndHelp();
    void loadAddedThroughTheToolMenuIsAnalysedAndSaved();

private:
    void select(const QStringList& names);

    RecordingDialogs dialogs;
    QScopedPointer<QTemporaryDir> folder;
    QPointer<MainWindow> window;
};

void TestWiring::initTestCase()
{
    initialiseModelResources();
    registerStartupMetaTypes();
    setApplicationIdentity();
    initialiseProgramWideValues();
}

void TestWiring::init()
{
    dialogs = RecordingDialogs();
    UserDialogs::install(&dialogs);
    folder.reset(new QTemporaryDir);
    useTemporarySettings(folder->path());
    window = new MainWindow;
    QVERIFY(window->openFile(portal, true));
    window->show();
}

void TestWiring::cleanup()
{
    closeRemainingMainWindows();
    UserDialogs::install(nullptr);
}

void TestWiring::select(const QStringList& names)
{
    EditingActions* actions = EditingActions::of(window->documentModel().data());
    actions->actionClearAllSelection();
    actions->actionSelectObjects(objectsNamed(*window->documentModel(), names));
    window->updateGUIForCurrentStateAndSelection();
}

void TestWiring::documentInTwoWindowsAsksOnlyInTheLast()
{
    const QSharedPointer<DocumentModel> document = window->documentModel();
    QPointer<MainWindow> second = window->duplicateWindow();
    QCOMPARE(second->documentModel(), document);
    QCOMPARE(second->unitSystem(), window->unitSystem());
    QCOMPARE(MainWindow::openDocumentCount(document.data()), 2);
    select({"n1"});

    QVERIFY(second->close());
    QVERIFY(dialogs.boxes.isEmpty());
    Application::_settings->remove("UnitSystem");
    QCOMPARE(MainWindow::openDocumentCount(document.data()), 1);
    QCOMPARE(window->documentModel(), document);

    dialogs.answer = QMessageBox::Cancel;
    QVERIFY(!window->close());
    QCOMPARE(dialogs.texts(), QStringList("This model has been modified.\nDo you want to save your changes?"));
    QCOMPARE(dialogs.boxes[0].buttons, QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
    QCOMPARE(dialogs.boxes[0].defaultButton, QMessageBox::NoButton);
    QCOMPARE(window->documentModel(), document);
    QVERIFY(!Application::_settings->contains("UnitSystem"));

    dialogs.answer = QMessageBox::Discard;
    window->unitSystem()->setChosenSystem(2);
    QVERIFY(window->close());
    QCOMPARE(MainWindow::openDocumentCount(document.data()), 0);
    QCOMPARE(Application::_settings->value("UnitSystem").toString(), QStringLiteral("Imperial (US)"));
    QTRY_VERIFY(!window);
    QVERIFY(Application::_settings->contains("documentDirectory"));
}

void TestWiring::saveInThePromptWritesTheModel()
{
    select({"n0"});
    dialogs.answer = QMessageBox::Save;
    const QString path = folder->filePath("saved.varou");
    dialogs.fileAnswers << path;
    QVERIFY(window->close());
    QVERIFY(QFileInfo::exists(path));
}

// The program deletes the windows still open when its event loop ends.
void TestWiring::deletedWindowLetsItsDocumentGo()
{
    const QWeakPointer<DocumentModel> document = window->documentModel();
    select({"n0"});
    delete window.data();
    QVERIFY(dialogs.boxes.isEmpty());
    QCOMPARE(MainWindow::openDocumentCount(document.data()), 0);
    QVERIFY(!document);
}

void TestWiring::titleFollowsTheFileName()
{
    const QString path = folder->filePath("frame.varou");
    QMetaObject::invokeMethod(window, "setFileName", Q_ARG(QString, path));
    QCOMPARE(window->windowTitle(), QStringLiteral("frame.varou [*] - VARO Ulmar"));
    QCOMPARE(window->documentDirectory(), folder->path());
    QMetaObject::invokeMethod(window, "setFileName", Q_ARG(QString, QString()));
    QCOMPARE(window->windowTitle(), QStringLiteral("Untitled [*] - VARO Ulmar"));
    QCOMPARE(window->documentDirectory(), folder->path());
}

void TestWiring::escapeClearsTheSelectionOnce()
{
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
    const QSize size = QPixmap(":/tabResultsOff.png").size();
    QCOMPARE(window->findChild<QToolButton*>("TabResults")->icon().pixmap(size).toImage(),
             blendPixmaps(QPixmap(":/tabResultsOff.png"), QPixmap(":/badgeOffLine.png")).toImage());
}

void TestWiring::commandsFollowModeAndSelection_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QStringList>("selection");
    QTest::addColumn<bool>("box");
    QTest::addColumn<QStringList>("enabled");
    const QStringList geometry = {"ButtonSelectionMenu", "ButtonNodeMenu", "ButtonMemberMenu"};
    const QStringList member = {"ActionMemberAxes", "ActionMemberPins", "ActionSplitMembers", "ActionPolariseMembers",
                                "ActionAddPLoad",   "ActionAddMLoad",   "ActionAddTLoad"};
    const QStringList kept = {"ActionSelectionDelete", "ActionGroupMove", "ActionSelectionClear"};
    QTest::newRow("geometry, nothing") << 0 << QStringList() << false << geometry;
    QTest::newRow("geometry, a node")
        << 0 << QStringList{"n1"} << false << geometry + kept + QStringList{"ActionNodeSupports", "ActionSelectionCopy"};
    QTest::newRow("geometry, two nodes and a member")
        << 0 << QStringList{"n0", "n1", "m0"} << false
        << geometry + kept + member
               + QStringList{"ActionNodeSupports", "ActionSelectionCopy", "ActionNodeFlip", "ActionNodeRotate",
                             "ActionAddMembers", "ActionSelectionAuto"};
    QTest::newRow("loading, a member") << 1 << QStringList{"m0"} << false
                                       << QStringList{"ButtonSelectionMenu", "ButtonLoadMenu", "ActionSelectionClear"}
                                              + member;
    QTest::newRow("loading, a load")
        << 1 << QStringList{"l0"} << false
        << QStringList{"ButtonSelectionMenu", "ButtonLoadMenu", "ActionLoadAxis", "ActionSelectionAuto"} + kept;
    QTest::newRow("results, a node and a member, box shown")
        << 2 << QStringList{"n1", "m0"} << true
        << QStringList{"ButtonResultMenu",        "ActionNodeSupports",       "ActionNodeFlip", "ActionNodeRotate",
                       "ActionSelectionBoxClear", "ActionSelectionBoxSelect", "ActionSelectionClear"}
               + member;
}

void TestWiring::commandsFollowModeAndSelection()
{
    QFETCH(int, mode);
    QFETCH(QStringList, selection);
    QFETCH(bool, box);
    QFETCH(QStringList, enabled);
    window->currentState()->setMode(mode);
    if (box)
        window->currentState()->toggleDisplayOfSelectionBox();
    select(selection);
    const QStringList decided = {
        "ButtonSelectionMenu",  "ButtonNodeMenu",   "ButtonMemberMenu",   "ButtonLoadMenu",     "ButtonResultMenu",
        "ActionLoadAxis",       "ActionMemberAxes", "ActionMemberPins",   "ActionSplitMembers", "ActionPolariseMembers",
        "ActionAddPLoad",       "ActionAddMLoad",   "ActionAddTLoad",     "ActionNodeSupports", "ActionNodeFlip",
        "ActionNodeRotate",     "ActionAddMembers", "ActionSelectionCopy", "ActionSelectionAuto",
        "ActionSelectionBoxClear", "ActionSelectionBoxSelect", "ActionSelectionDelete", "ActionGroupMove",
        "ActionSelectionClear"};
    QStringList found;
    for (const QString& name : decided)
        if (!window->findChild<QToolButton*>(name)->testAttribute(Qt::WA_ForceDisabled))
            found << name;
    enabled.sort();
    found.sort();
    QCOMPARE(found.join(' '), enabled.join(' '));

    const auto toolBar = [this](const char* title) {
        for (QToolBar* bar : window->findChildren<QToolBar*>())
            if (bar->windowTitle() == QLatin1String(title))
                return bar;
        return static_cast<QToolBar*>(nullptr);
    };
    QCOMPARE(toolBar("Control")->isEnabled(), mode != CurrentState::Results);
    QTRY_COMPARE(toolBar("Cases")->isVisible(), mode != CurrentState::Geometry);
    QTRY_COMPARE(toolBar("Groups")->isVisible(), mode == CurrentState::Geometry);
}

// Nodes 0 and 4 of the portal rest on one support, node 1 on none.
void TestWiring::pickersHighlightWhatTheSelectionShares()
{
    auto* picker = window->findChild<SupportPicker*>("SupportPicker");
    picker->show();
    select({"n0", "n4"});
    window->updateNodePickers();
    QVERIFY(picker->currentLibraryItem());
    QCOMPARE(picker->currentLibraryItem()->value()->name(), QStringLiteral("Fixed, free to rotate about Z"));
    select({"n1", "n4"});
    window->updateNodePickers();
    QVERIFY(!picker->currentLibraryItem());
    select({});
    window->updateNodePickers();
    QVERIFY(picker->isHidden());
}

void TestWiring::copyAndRotateAskTheCalculator()
{
    auto* calculator = window->findChild<Calculator*>("Calculator");
    const QSharedPointer<DocumentModel> document = window->documentModel();
    QScopedPointer<MainWindow> empty(new MainWindow);
    empty->actionCopySelection();
    QVERIFY(empty->findChild<Calculator*>("Calculator")->isHidden());

    // Under the test no window is active, which leaves the calculator disabled.
    // A request cuts every earlier connection, a spy's too, so the spy comes after.
    const auto enter = [calculator](const char* digits) {
        QSignalSpy answers(calculator, &Calculator::CalculationFinished);
        calculator->setEnabled(true);
        QTest::keyClick(calculator, Qt::Key_Delete);
        QTest::keyClicks(calculator, digits);
        QTest::keyClick(calculator, Qt::Key_Return);
        return answers.isEmpty() ? Vector4(-1, -1, -1, -1) : answers.first().at(0).value<Vector4>();
    };
    select({"n1"});
    const int nodes = document->structureModel()->nodes().size();
    window->actionCopySelection();
    QVERIFY(calculator->isVisible());
    const Vector4 copies = enter("3");
    QCOMPARE(QVector<double>({copies.x(), copies.y(), copies.z(), copies.w()}), QVector<double>({3, 0, 0, 0}));
    QCOMPARE(document->structureUndoStack()->text(document->structureUndoStack()->index() - 1), QString("Copy selection"));

    // The rotation, asked for second, is the only one to hear the answer.
    select({"n2", "m0"});
    const NodeRef turned = document->structureModel()->nodes().value(2);
    const Vector3 before = turned->position();
    window->actionCopySelection();
    window->actionRotate();
    const Vector4 angle = enter("90");
    QVERIFY(qAbs(angle.x() - M_PI / 2) < 1e-12);
    QCOMPARE(QVector<double>({angle.y(), angle.z(), angle.w()}), QVector<double>({0, 0, 0}));
    QCOMPARE(document->structureModel()->nodes().size(), nodes);
    QVERIFY(!(turned->position() == before));
}

void TestWiring::deselectingCancelsTheCalculator()
{
    auto* calculator = window->findChild<Calculator*>("Calculator");
    const QList<VaroObjectRef> member = objectsNamed(*window->documentModel(), {"m0"});
    select({"m0"});
    CalculatorReference reference;
    reference.insert("cancelOnDeselect", QVariant::fromValue(member.first()));
    window->openCalculator(2.0, UnitSystem::Unitless, Matrix4x4::zeroed(), reference, calculator, SLOT(hide()));
    select({"m0", "n1"});
    QVERIFY(calculator->isVisible());
    select({"n1"});
    QVERIFY(calculator->isHidden());
    QVERIFY(calculator->currentReference().isEmpty());
}

void TestWiring::enumerateObjectsInHTML_data()
{
    QTest::addColumn<QStringList>("objects");
    QTest::addColumn<QString>("html");
    QTest::newRow("node and members") << QStringList{"m0", "n1", "m1", "m2"}
                                      << "<ul><li>1 node</li><li>3 members</li></ul>";
    QTest::newRow("loads and another") << QStringList{"l0", "s", "l1"} << "<ul><li>2 loads</li><li>1 other item</li></ul>";
    QTest::newRow("none") << QStringList() << QString();
}

void TestWiring::enumerateObjectsInHTML()
{
    QFETCH(QStringList, objects);
    QFETCH(QString, html);
    QList<VaroObjectRef> list;
    for (const QString& name : objects)
        list << (name == "s" ? VaroObjectRef(new Support) : objectsNamed(*window->documentModel(), {name}).first());
    QCOMPARE(MainWindow::enumerateObjectsInHTML(list), html);
}

void TestWiring::documentMessagesAreShown()
{
    const QSharedPointer<DocumentModel> document = window->documentModel();
    const QList<VaroObjectRef> nodes = objectsNamed(*document, {"n1", "n2"});
    QSignalSpy selects(window.data(), &MainWindow::ActionSelectObjects);
    dialogs.answer = QMessageBox::No;
    emit document->AutoSelectionNeeded(nodes);
    dialogs.answer = QMessageBox::Yes;
    emit document->AutoSelectionNeeded(nodes);
    QCOMPARE(selects.count(), 1);
    QCOMPARE(dialogs.boxes[1].text, "<p>Additional items need to be selected before the operation can be performed:</p>"
                                    "<ul><li>2 nodes</li></ul><p>Do you wish for them to be automatically added to "
                                    "the selection?</p>");
    QCOMPARE(dialogs.boxes[1].buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(dialogs.boxes[1].defaultButton, QMessageBox::No);

    dialogs.boxes.clear();
    emit document->WarningMessage("refused");
    QVERIFY(dialogs.boxes.isEmpty());
    QTRY_COMPARE(dialogs.texts(), QStringList("refused"));
    emit document->AnalysisHasCrashed();
    QCOMPARE(dialogs.boxes.last().icon, QMessageBox::Critical);
    QVERIFY(dialogs.boxes.last().text.startsWith("The analysis process has terminated unexpectedly."));
}

void TestWiring::examplesAndHelp()
{
    UrlRecorder browser;
    QDesktopServices::setUrlHandler("file", &browser, "open");
    window->openHelp();
    QDesktopServices::unsetUrlHandler("file");
    QCOMPARE(browser.urls.size(), 1);
    QCOMPARE(browser.urls[0].toLocalFile(), QDir(QCoreApplication::applicationDirPath()).absoluteFilePath("help/Help_Homepage.html"));

    QString about;
    QTimer::singleShot(0, this, [&about] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            about = box->text();
            box->accept();
        }
    });
    window->openAbout();
    QVERIFY(about.contains("<hr><p>No updates available for download.</p>"));
    QVERIFY(!about.contains("Update available"));

    const int windows = QApplication::topLevelWidgets().size();
    window->openExample(":/example/missing.varok");
    QCOMPARE(dialogs.texts().last(),
             "The example file cannot be loaded because the installation appears to be corrupt.");
    window->openExample(QString());
    MainWindow* example = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* other = qobject_cast<MainWindow*>(widget))
            example = other != window ? other : example;
    QVERIFY(example && example->isVisible());
    QCOMPARE(example->windowTitle(), QStringLiteral("Untitled [*] - VARO Ulmar"));
    QVERIFY(example->unitSystem() != window->unitSystem());
    QVERIFY(QApplication::topLevelWidgets().size() > windows);
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

    auto* tab = window->findChild<QToolButton*>("TabResults");
    QTRY_COMPARE_WITH_TIMEOUT(document->analysisOperatingState(), AnalysisLink::ResultsAvailable, 20000);
    QTRY_COMPARE(tab->icon().pixmap(QSize(44, 44)).toImage(), QIcon(":/tabResultsOff.png").pixmap(QSize(44, 44)).toImage());
    // For a person to look at: the 3D view draws only on the screen.
    QTest::qWait(200);
    const QRect frame = window->frameGeometry();
    QGuiApplication::primaryScreen()
        ->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height())
        .save(QDir::temp().filePath("varo-wiring.png"));

    const QString path = folder->filePath("portal.varou");
    QVERIFY(window->saveFileAs(path));
    QVERIFY(!window->isWindowModified());
    auto* reopened = new MainWindow;
    QVERIFY(reopened->openFile(path));
    QCOMPARE(reopened->documentModel()->structureModel()->loads().size(), loads + 1);
    QCOMPARE(withNumberedRefs(reopened->writeXMLDocumentFile()), withNumberedRefs(window->writeXMLDocumentFile()));
}

QTEST_MAIN(TestWiring)
#include "tst_wiring.moc"
