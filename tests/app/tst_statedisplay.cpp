#include "AnalysisInstallation.h"
#include "TestMain.h"
#include "CurrentState.h"
#include "DocumentModel.h"
#include "EditingActions.h"
#include "GeometryGroup.h"
#include "GroupAccessor.h"
#include "Libraries.h"
#include "Load.h"
#include "LoadAxisPicker.h"
#include "LoadCaseAccessor.h"
#include "LoadCaseLibrary.h"
#include "Loading.h"
#include "MainWindow.h"
#include "Member.h"
#include "MemberAxisPicker.h"
#include "ModelResources.h"
#include "NameButton.h"
#include "Node.h"
#include "PaintHelpers.h"
#include "PortalWindowTesting.h"
#include "SectionAccessor.h"
#include "SectionCountryPicker.h"
#include "SectionLibrary.h"
#include "SectionType.h"
#include "SelectionModel.h"
#include "Startup.h"
#include "StructureModel.h"
#include "TorqueLoad.h"
#include "WindowTesting.h"

#include <QAbstractButton>
#include <QAction>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>
#include <QUndoStack>
#include <QtTest>

// What a window shows of its document's state and of the selection: at once
// when it takes a document, and as the libraries and the model change.
class TestStateDisplay : public QObject, public PortalWindowFixture
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void windowTakingADocumentShowsItsState_data();
    void windowTakingADocumentShowsItsState();
    void groupFallsBackToNoneWhenRemoved();
    void loadCaseFallsBackToTheFirstLoading();
    void buttonsShowNamesAsTyped_data();
    void buttonsShowNamesAsTyped();
    void longNamesLeaveTheWindowAsNarrow();
    void memberPickersHighlightWhatTheSelectionShares_data();
    void memberPickersHighlightWhatTheSelectionShares();
    void loadAxisPickerHighlightsOnlyAnAgreedAxis_data();
    void loadAxisPickerHighlightsOnlyAnAgreedAxis();
    void interrogatorIsClearedWithItsObject_data();
    void interrogatorIsClearedWithItsObject();

private:
    EditingActions* actions() const { return EditingActions::of(window->documentModel().data()); }
    // New current group and load case of these names, where a name is given.
    void setLongNames(const QString& group, const QString& loadCase);
    // Compares what the window shows with its document and current state.
    static void verifyShowsItsDocument(MainWindow* shown);
};

namespace {

// What a button shows of its text: "&&" as "&", and a lone "&" only as the
// mark under the letter after it.
QString shownText(const QAbstractButton* button)
{
    return button->text().replace(QRegularExpression(QStringLiteral("&(.)")), QStringLiteral("\\1"));
}

} // namespace

void TestStateDisplay::initTestCase()
{
    initialiseProgram();
}

void TestStateDisplay::init()
{
    openPortalWindow();
}

// A test may have taken the analysis away.
void TestStateDisplay::cleanup()
{
    closePortalWindows();
    installAnalysis();
}

void TestStateDisplay::verifyShowsItsDocument(MainWindow* shown)
{
    QVERIFY(shown);
    const QSharedPointer<DocumentModel> document = shown->documentModel();
    const int mode = shown->currentState()->mode();

    const QPixmap tab(":/tabResultsOff.png");
    QImage expected = tab.toImage();
    if (document->analysisOperatingState() == AnalysisLink::OffLine)
        expected = blendPixmaps(tab, QPixmap(":/badgeOffLine.png")).toImage();
    QCOMPARE(shown->findChild<QToolButton*>("TabResults")->icon().pixmap(tab.size()).toImage(), expected);

    QAction* save = nullptr;
    for (QAction* action : shown->findChildren<QAction*>())
        if (action->text() == "Save")
            save = action;
    QCOMPARE(save->isEnabled(), document->isModified());
    // A disabled tool bar disables its buttons too, so the button's own flag.
    QCOMPARE(!shown->findChild<QToolButton*>("ButtonUndo")->testAttribute(Qt::WA_ForceDisabled),
             document->structureUndoStack()->canUndo());

    QMap<QString, QToolBar*> bars;
    for (QToolBar* bar : shown->findChildren<QToolBar*>())
        bars.insert(bar->windowTitle(), bar);
    QCOMPARE(bars["Cases"]->isHidden(), mode == CurrentState::Geometry);
    QCOMPARE(bars["Groups"]->isHidden(), mode != CurrentState::Geometry);
    QCOMPARE(bars["Control"]->isEnabled(), mode != CurrentState::Results);
    QCOMPARE(shown->findChild<QToolButton*>("ButtonResultMenu")->isEnabled(), mode == CurrentState::Results);
    QCOMPARE(shown->findChild<QToolButton*>("ButtonNodeMenu")->isEnabled(), mode == CurrentState::Geometry);
    const LoadCaseRef loadCase = shown->currentState()->loadCase();
    QVERIFY(loadCase);
    QCOMPARE(shown->findChild<NameButton*>("ButtonLoadCase")->name(), loadCase->name());
}

void TestStateDisplay::windowTakingADocumentShowsItsState_data()
{
    QTest::addColumn<QString>("way");
    for (const char* way : {"duplicate", "example", "open", "checkpoint"})
        QTest::newRow(way) << QString(way);
}

// Every document made in this test has no analysis: its state is off line
// from the start and is never announced as a change.
void TestStateDisplay::windowTakingADocumentShowsItsState()
{
    QFETCH(QString, way);
    DocumentModel::setAnalysisFactory(DocumentModel::AnalysisFactory());
    QVERIFY(window->openFile(":/example/02.KU.Plane Portal.varok", true));
    window->currentState()->setMode(CurrentState::Results);
    select({"n1"});
    QVERIFY(window->documentModel()->isModified());
    QVERIFY(window->saveFileAs(folder->filePath("results.varou")));
    select({"m0"});

    MainWindow* shown = nullptr;
    if (way == "duplicate") {
        shown = window->duplicateWindow();
    } else if (way == "example") {
        window->openExample(":/example/01.KU.Beam.varok");
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (widget != window && qobject_cast<MainWindow*>(widget))
                shown = qobject_cast<MainWindow*>(widget);
    } else if (way == "open") {
        // A copy: the file itself, which the first window shows, opens in no other.
        QVERIFY(QFile::copy(folder->filePath("results.varou"), folder->filePath("copy.varou")));
        shown = new MainWindow;
        shown->show();
        QVERIFY(shown->openFile(folder->filePath("copy.varou")));
    } else {
        QByteArray xml;
        window->saveDemoCheckPoint(&xml);
        shown = new MainWindow;
        shown->show();
        bool restored = true;
        shown->restoreDemoCheckPoint(xml, &restored);
        QVERIFY(restored);
    }
    // Before the event loop runs again.
    verifyShowsItsDocument(shown);
    if (way != "example")
        QCOMPARE(shown->currentState()->mode(), int(CurrentState::Results));
}

void TestStateDisplay::groupFallsBackToNoneWhenRemoved()
{
    const GeometryGroupRef extra(VaroObject::make<GeometryGroup>("Extra"));
    actions()->actionAddGroup(extra);
    window->currentState()->setGroup(extra);
    auto* button = window->findChild<NameButton*>("ButtonGroup");
    QCOMPARE(button->name(), QStringLiteral("Extra"));

    window->documentModel()->structureUndoStack()->undo();
    QTRY_VERIFY(!window->currentState()->group());
    QCOMPARE(button->name(), QStringLiteral("(no group)"));
}

void TestStateDisplay::buttonsShowNamesAsTyped_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("name");
    const QString longName = QStringLiteral("Wind & snow on the long side, ").repeated(6).left(165);
    for (const char* button : {"ButtonLoadCase", "ButtonGroup"})
        for (const QString& name : {QStringLiteral("Wind &amp; snow"), QStringLiteral("A & B"), longName})
            QTest::addRow("%s, %s", button, qPrintable(name.left(15))) << QString(button) << name;
}

// A name shows as typed, '&' and all, and makes no shortcut; one too long
// for the button ends in "…", shows whole in the tool tip and leaves the
// window as narrow as it could be before.
void TestStateDisplay::buttonsShowNamesAsTyped()
{
    QFETCH(QString, button);
    QFETCH(QString, name);
    const bool cases = button == QLatin1String("ButtonLoadCase");
    window->currentState()->setMode(cases ? CurrentState::Loading : CurrentState::Geometry);
    auto* shown = window->findChild<QAbstractButton*>(button);
    QTRY_VERIFY(shown->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    const int narrowest = window->minimumSizeHint().width();
    setLongNames(cases ? QString() : name, cases ? name : QString());
    QVERIFY(shown->shortcut().isEmpty());
    // Once the tool bar has given the button its width.
    if (name.size() < 20)
        QTRY_COMPARE(shownText(shown), name);
    else
        QTRY_VERIFY2(shownText(shown).endsWith(QChar(0x2026)) && name.startsWith(shownText(shown).chopped(1)) &&
                         shown->toolTip().contains(name.toHtmlEscaped()),
                     qPrintable(shownText(shown)));
    QCOMPARE(window->minimumSizeHint().width(), narrowest);
}

// Narrowed with long names, the window stays as narrow when the Loading tab
// is clicked, and on its screen in Results mode.
void TestStateDisplay::longNamesLeaveTheWindowAsNarrow()
{
    const QString name(165, QLatin1Char('W'));
    setLongNames(name, name);
    QToolBar* cases = nullptr;
    for (QToolBar* bar : window->findChildren<QToolBar*>())
        cases = bar->windowTitle() == QLatin1String("Cases") ? bar : cases;
    QTRY_VERIFY(!cases->isVisible());
    QVERIFY(resizeWindow(window, QSize(window->minimumSizeHint().width(), window->height())));
    QCOMPARE(window->width(), window->minimumSizeHint().width());
    const int narrow = window->width();
    window->findChild<QAbstractButton*>("TabLoading")->click();
    QTRY_VERIFY(cases->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    // A window that grew would be wider at once, and stay so once the window system answers.
    QCOMPARE(window->width(), narrow);
    // For a person to look at; the 3D view draws only on the screen.
    if (QTest::qWaitForWindowExposed(window)) {
        const QRect f = window->frameGeometry();
        keepForReview(window->screen()->grabWindow(0, f.x(), f.y(), f.width(), f.height()),
                      QStringLiteral("long-names.png"));
    }
    window->currentState()->setMode(CurrentState::Results);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QVERIFY(window->frameGeometry().width() <= window->screen()->availableGeometry().width());
}

void TestStateDisplay::setLongNames(const QString& group, const QString& loadCase)
{
    if (!group.isEmpty()) {
        const GeometryGroupRef made(VaroObject::make<GeometryGroup>(group));
        actions()->actionAddGroup(made);
        window->currentState()->setGroup(made);
    }
    if (!loadCase.isEmpty()) {
        const LoadingRef made(VaroObject::make<Loading>(loadCase));
        actions()->actionAddLoadCase(made);
        window->currentState()->setLoadCase(made);
    }
}

void TestStateDisplay::loadCaseFallsBackToTheFirstLoading()
{
    const QSharedPointer<DocumentModel> document = window->documentModel();
    const LoadCaseRef first = document->libraries()->loadCaseLibrary()->loadings().value(0);
    auto* button = window->findChild<NameButton*>("ButtonLoadCase");
    const LoadingRef spare(VaroObject::make<Loading>("Spare"));
    actions()->actionAddLoadCase(spare);
    window->currentState()->setLoadCase(spare);
    QCOMPARE(button->name(), QStringLiteral("Spare"));
    actions()->actionRemoveLoadCase(spare);
    QTRY_COMPARE(window->currentState()->loadCase(), LoadCaseRef(first));
    QCOMPARE(button->name(), first->name());

    // A model whose only loading goes leaves no current load case.
    const QSharedPointer<DocumentModel> lone(new DocumentModel(window->unitSystem()));
    const LoadingRef only(VaroObject::make<Loading>("Only"));
    lone->libraries()->loadCaseLibrary()->append(only);
    QVERIFY(window->clearCurrentDocumentModel(true));
    window->setDocumentModel(lone);
    lone->lowerBusyCount();
    QCOMPARE(window->currentState()->loadCase(), LoadCaseRef(only));
    actions()->actionRemoveLoadCase(only);
    QVERIFY(lone->libraries()->loadCaseLibrary()->loadings().isEmpty());
    QTRY_VERIFY(!window->currentState()->loadCase());
    QCOMPARE(button->name(), QStringLiteral("(no loadcase)"));
}

void TestStateDisplay::memberPickersHighlightWhatTheSelectionShares_data()
{
    QTest::addColumn<QStringList>("selection");
    QTest::addColumn<bool>("otherAxis");
    QTest::addColumn<bool>("otherMaterial");
    QTest::addColumn<bool>("axisShown");
    QTest::addColumn<bool>("sectionShown");
    QTest::newRow("one member") << QStringList{"m0"} << false << false << true << true;
    QTest::newRow("two alike") << QStringList{"m0", "m3"} << false << false << true << true;
    QTest::newRow("axes differ") << QStringList{"m0", "m3"} << true << false << false << true;
    QTest::newRow("materials differ") << QStringList{"m0", "m3"} << false << true << true << false;
    QTest::newRow("both differ, other first") << QStringList{"m3", "m0"} << true << true << false << false;
    QTest::newRow("with a node and a load") << QStringList{"n2", "m0", "l0", "m3"} << false << false << true << true;
}

// Member 3 gets another axis or another material than member 0 where the row says so.
void TestStateDisplay::memberPickersHighlightWhatTheSelectionShares()
{
    QFETCH(QStringList, selection);
    QFETCH(bool, otherAxis);
    QFETCH(bool, otherMaterial);
    QFETCH(bool, axisShown);
    QFETCH(bool, sectionShown);
    const QSharedPointer<Libraries> libraries = window->documentModel()->libraries();
    const QList<MemberAxisRef> axes =
        libraries->memberAxisLibrary()->valuesOf(libraries->memberAxisLibrary()->root()->subnode(0));
    // The first standard size of the library.
    SectionTypeRef size;
    QList<TreeNodeRef> nodes{libraries->sectionLibrary()->root()};
    while (!size && !nodes.isEmpty()) {
        const TreeNodeRef node = nodes.takeFirst();
        const SectionLibrary::ItemRef item = node.dynamicCast<SectionLibrary::Item>();
        if (item && item->value() && item->value()->crossSection() && item->value()->material())
            size = item->value();
        nodes << node->subnodes();
    }
    QVERIFY(size);
    const MaterialRef steel = size->material();
    const MaterialRef otherSteel(new Material(steel->names(), steel->youngsModulus(), steel->shearModulus(),
                                              steel->density(), steel->cte()));

    select({"m0", "m3"});
    actions()->actionSetMemberAxis(axes[0]);
    actions()->actionSetMemberProperties(size->crossSection(), size->material());
    select({"m3"});
    if (otherAxis)
        actions()->actionSetMemberAxis(axes[1]);
    if (otherMaterial)
        actions()->actionSetMemberProperties(CrossSectionRef(), otherSteel);

    auto* axisPicker = window->findChild<MemberAxisPicker*>("MemberAxisPicker");
    auto* accessor = window->findChild<SectionAccessor*>("SectionAccessor");
    axisPicker->show();
    accessor->show();
    window->currentState()->setMode(CurrentState::Geometry);
    select(selection);
    QVERIFY(axisPicker->isVisible());
    const MemberAxisRef highlighted =
        axisPicker->currentLibraryItem() ? axisPicker->currentLibraryItem()->value() : MemberAxisRef();
    QCOMPARE(highlighted, axisShown ? axes[otherAxis && selection[0] == "m3" ? 1 : 0] : MemberAxisRef());
    QCOMPARE(bool(accessor->countryPicker()->currentLibraryItem()), sectionShown);

    // Without a member the axis picker closes and the browser stays open on nothing.
    select({"n2"});
    QVERIFY(axisPicker->isHidden());
    QVERIFY(accessor->isVisible());
    QVERIFY(!accessor->countryPicker()->currentLibraryItem());
}

void TestStateDisplay::loadAxisPickerHighlightsOnlyAnAgreedAxis_data()
{
    QTest::addColumn<QStringList>("selection");
    QTest::addColumn<QString>("highlighted");
    QTest::addColumn<bool>("torqueAxes");
    // Loads 0 and 1 act along global Y, 2 and 3 along global X; load 4 is the torque load the test adds.
    QTest::newRow("one load") << QStringList{"l2"} << "In global X" << false;
    QTest::newRow("two on one axis") << QStringList{"l0", "l1"} << "In global Y" << false;
    QTest::newRow("two axes") << QStringList{"l0", "l2"} << "" << false;
    QTest::newRow("force then torque") << QStringList{"l0", "l4"} << "" << true;
    QTest::newRow("torque then force") << QStringList{"l4", "l0"} << "" << false;
    QTest::newRow("torque alone") << QStringList{"l4"} << "Around global Y" << true;
    QTest::newRow("loads among geometry") << QStringList{"m1", "l0", "n1", "l1"} << "In global Y" << false;
}

void TestStateDisplay::loadAxisPickerHighlightsOnlyAnAgreedAxis()
{
    QFETCH(QStringList, selection);
    QFETCH(QString, highlighted);
    QFETCH(bool, torqueAxes);
    const QSharedPointer<DocumentModel> document = window->documentModel();
    const int loads = document->structureModel()->loads().size();
    select({"m1"});
    actions()->actionAddTorqueLoad(document->libraries()->loadCaseLibrary()->loadings().value(0).objectCast<Loading>());
    QCOMPARE(document->structureModel()->loads().size(), loads + 1);
    QVERIFY(qobject_cast<TorqueLoad*>(document->structureModel()->loads().value(4).data()));

    auto* picker = window->findChild<LoadAxisPicker*>("LoadAxisPicker");
    window->currentState()->setMode(CurrentState::Loading);
    picker->show();
    select(selection);
    QVERIFY(picker->isVisible());
    QCOMPARE(picker->displaysTorqueAxes(), torqueAxes);
    const LoadAxisRef shown = picker->currentLibraryItem() ? picker->currentLibraryItem()->value() : LoadAxisRef();
    if (highlighted.isEmpty()) {
        QVERIFY(!shown);
    } else {
        QVERIFY(shown);
        QCOMPARE(shown->name(), highlighted);
    }

    select({"m1"});
    QVERIFY(picker->isHidden());
}

void TestStateDisplay::interrogatorIsClearedWithItsObject_data()
{
    QTest::addColumn<QString>("interrogated");
    QTest::addColumn<QStringList>("removed");
    QTest::addColumn<bool>("cleared");
    // Geometry goes once the loads on it have gone.
    QTest::newRow("its member") << "m1" << QStringList{"l0", "m1"} << true;
    QTest::newRow("its node") << "n0" << QStringList{"l2", "m0", "n0"} << true;
    QTest::newRow("its load") << "l2" << QStringList{"l2"} << true;
    QTest::newRow("another member") << "m0" << QStringList{"l1", "m2"} << false;
    QTest::newRow("another load") << "l0" << QStringList{"l3"} << false;
    QTest::newRow("nothing interrogated") << "" << QStringList{"l3"} << false;
}

void TestStateDisplay::interrogatorIsClearedWithItsObject()
{
    QFETCH(QString, interrogated);
    QFETCH(QStringList, removed);
    QFETCH(bool, cleared);
    const VaroObjectRef object = interrogated.isEmpty() ? VaroObjectRef() : objects({interrogated})[0];
    window->currentState()->setInterrogatorObject(object);
    QSignalSpy changes(window->currentState().data(), &CurrentState::InterrogatorObjectHasChanged);
    const QList<VaroObjectRef> gone = objects(removed);
    const QStringList loads = removed.filter(QRegularExpression("^l"));
    select(loads);
    actions()->actionDeleteSelectedLoads();
    if (loads.size() < removed.size()) {
        actions()->actionSelectObjects(gone.mid(loads.size()));
        actions()->actionDeleteSelectedGeometry();
    }
    for (const VaroObjectRef& object : gone)
        QVERIFY(!window->documentModel()->structureModel()->contains(object));
    QTRY_COMPARE(changes.count(), cleared ? 1 : 0);
    QCOMPARE(window->currentState()->interrogatorObject(), cleared ? VaroObjectRef() : object);
}

VARO_TEST_MAIN(TestStateDisplay)
#include "tst_statedisplay.moc"
