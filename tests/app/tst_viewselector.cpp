#include "AppTesting.h"
#include "CurrentState.h"
#include "DocumentModel.h"
#include "MainWindow.h"
#include "ModelMetaTypes.h"
#include "ModelResources.h"
#include "ViewPointMemory.h"
#include "ViewSelector.h"
#include "VisualConstants.h"

#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QUndoStack>
#include <QtTest>

namespace {

QList<QPushButton*> buttonsOf(ViewSelector* selector)
{
    return selector->findChildren<QPushButton*>();
}

// The memory buttons are the checkable ones, in slot order.
QList<QPushButton*> memoryButtons(ViewSelector* selector)
{
    QList<QPushButton*> memory;
    for (QPushButton* button : buttonsOf(selector))
        if (button->isCheckable())
            memory << button;
    return memory;
}

QPushButton* buttonWithIcon(ViewSelector* selector, const QString& resource)
{
    const QImage wanted = QImage(resource).convertToFormat(QImage::Format_ARGB32);
    for (QPushButton* button : buttonsOf(selector))
        if (!button->icon().isNull()
            && button->icon().pixmap(wanted.size()).toImage().convertToFormat(QImage::Format_ARGB32) == wanted)
            return button;
    return nullptr;
}

} // namespace

class TestViewSelector : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void newDocumentShowsEmptySlots();
    void storingFillsASlotAndUndoEmptiesIt();
    void recallFliesTheCameraAndCloses();
    void renderButtonOnlyInGeometryMode();
    void windowsOnOneDocumentShareTheViews();

private:
    ViewSelector* open(MainWindow* window);

    RecordingDialogs dialogs;
    QScopedPointer<QTemporaryDir> folder;
    QPointer<MainWindow> window;
    ViewSelector* selector = nullptr;
    QPushButton* store = nullptr;
    QPushButton* recall = nullptr;
};

void TestViewSelector::initTestCase()
{
    registerModelMetaTypes();
    initialiseModelResources();
    initialiseVisualConstants();
}

void TestViewSelector::init()
{
    UserDialogs::install(&dialogs);
    folder.reset(new QTemporaryDir);
    useTemporarySettings(folder->path());
    window = new MainWindow;
    QVERIFY(window->newFile());
    selector = open(window);
    store = buttonWithIcon(selector, QStringLiteral(":/buttonAdd2.png"));
    recall = buttonWithIcon(selector, QStringLiteral(":/buttonForward.png"));
    QVERIFY(store && recall);
}

void TestViewSelector::cleanup()
{
    delete window.data();
    UserDialogs::install(nullptr);
}

ViewSelector* TestViewSelector::open(MainWindow* mainWindow)
{
    mainWindow->findChild<QToolButton*>(QStringLiteral("ButtonViewSelector"))->click();
    auto* shown = mainWindow->findChild<ViewSelector*>(QStringLiteral("ViewSelector"));
    return shown->isVisible() ? shown : nullptr;
}

void TestViewSelector::newDocumentShowsEmptySlots()
{
    QCOMPARE(memoryButtons(selector).size(), 8);
    for (QPushButton* button : memoryButtons(selector)) {
        QCOMPARE(button->text(), QStringLiteral("Empty"));
        QVERIFY(!button->isChecked());
    }
    QVERIFY(!store->isEnabled());
    QVERIFY(!recall->isEnabled());
}

void TestViewSelector::storingFillsASlotAndUndoEmptiesIt()
{
    const QSharedPointer<ViewPointMemory> memory = window->documentModel()->viewPointMemory();
    QPushButton* slot = memoryButtons(selector).at(2);
    slot->click();
    QVERIFY(store->isEnabled());
    QVERIFY(!recall->isEnabled());

    window->viewPoint()->setDistance(30);
    store->click();
    const ViewPointRef stored = memory->valueAt(2);
    QVERIFY(stored && stored != window->viewPoint());
    QCOMPARE(stored->distance(), 30.0);
    QCOMPARE(slot->text(), QString());
    QVERIFY(slot->isChecked());
    QVERIFY(recall->isEnabled());
    // A later camera move leaves the stored view alone.
    window->viewPoint()->setDistance(40);
    QCOMPARE(stored->distance(), 30.0);

    // Replacing, then undoing twice: the old view, then the empty slot.
    store->click();
    QCOMPARE(memory->valueAt(2)->distance(), 40.0);
    window->documentModel()->structureUndoStack()->undo();
    QCOMPARE(memory->valueAt(2)->distance(), 30.0);
    window->documentModel()->structureUndoStack()->undo();
    QVERIFY(!memory->valueAt(2));
    QCOMPARE(slot->text(), QStringLiteral("Empty"));
    QVERIFY(!recall->isEnabled());
}

void TestViewSelector::recallFliesTheCameraAndCloses()
{
    ViewPointRef target(new ViewPoint);
    target->setDistance(12);
    target->setAzimuth(0.5);
    window->documentModel()->viewPointMemory()->setValueAt(5, target);
    memoryButtons(selector).at(5)->click();
    recall->click();
    QVERIFY(selector->isHidden());
    QTRY_COMPARE(window->viewPoint()->distance(), 12.0);
    QCOMPARE(window->viewPoint()->azimuth(), target->azimuth());
    QCOMPARE(target->distance(), 12.0);

    // Reopened, no slot is chosen.
    QVERIFY(open(window));
    for (QPushButton* button : memoryButtons(selector))
        QVERIFY(!button->isChecked());
    QVERIFY(!store->isEnabled());
}

void TestViewSelector::renderButtonOnlyInGeometryMode()
{
    QPushButton* render = nullptr;
    for (QPushButton* button : buttonsOf(selector))
        if (!button->isCheckable() && button != store && button != recall)
            render = button;
    QVERIFY(render->isEnabled());
    window->currentState()->setMode(CurrentState::Loading);
    QTRY_VERIFY(!render->isEnabled());

    const bool solid = window->currentState()->hasRenderHint(CurrentState::RenderSolid);
    window->currentState()->setMode(CurrentState::Geometry);
    QTRY_VERIFY(render->isEnabled());
    render->click();
    QCOMPARE(window->currentState()->hasRenderHint(CurrentState::RenderSolid), !solid);
    QVERIFY(selector->isHidden());
}

void TestViewSelector::windowsOnOneDocumentShareTheViews()
{
    QPointer<MainWindow> second = window->duplicateWindow();
    QVERIFY(second);
    QCOMPARE(second->documentModel(), window->documentModel());
    QCOMPARE(second->unitSystem(), window->unitSystem());
    QVERIFY(second->currentState() != window->currentState());
    ViewSelector* other = open(second);
    QVERIFY(other);
    memoryButtons(selector).at(0)->click();
    store->click();
    QCOMPARE(memoryButtons(other).at(0)->text(), QString());
    delete second.data();
}

QTEST_MAIN(TestViewSelector)
#include "tst_viewselector.moc"
