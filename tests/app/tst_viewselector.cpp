#include "AppTesting.h"
#include "CurrentState.h"
#include "DocumentModel.h"
#include "MainWindow.h"
#include "ModelMetaTypes.h"
#include "ModelResources.h"
#include "ViewPointMemory.h"
#include "ViewSelector.h"
#include "VisualConstants.h"
#include "TestMain.h"

#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QUndoStack>
#include <QtTest>

class TestViewSelector : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void storingFillsASlotAndUndoEmptiesIt();
    void recallFliesTheCameraAndCloses();
    void renderButtonOnlyInGeometryMode();
    void windowsOnOneDocumentShareTheViews();
    void previewsShowTheWholeModelFillingThem_data();
    void previewsShowTheWholeModelFillingThem();

private:
    // Opens the window's selector and finds its buttons.
    ViewSelector* open(MainWindow* mainWindow);
    QPushButton* slot(int index) const { return slotButtons.at(index); }

    QScopedPointer<QTemporaryDir> folder;
    QPointer<MainWindow> window;
    ViewSelector* selector = nullptr;
    QList<QPushButton*> slotButtons;
    QPushButton* render = nullptr;
    QPushButton* recall = nullptr;
    QPushButton* store = nullptr;
};

void TestViewSelector::initTestCase()
{
    registerModelMetaTypes();
    initialiseModelResources();
    initialiseVisualConstants();
}

void TestViewSelector::init()
{
    folder.reset(new QTemporaryDir);
    useTemporarySettings(folder->path());
    window = new MainWindow;
    QVERIFY(window->newFile());
    selector = open(window);
    QCOMPARE(slotButtons.size(), 8);
    for (QPushButton* button : slotButtons)
        QVERIFY(button->text() == QStringLiteral("Empty") && !button->isChecked());
    QVERIFY(!store->isEnabled() && !recall->isEnabled());
}

void TestViewSelector::cleanup()
{
    delete window.data();
}

ViewSelector* TestViewSelector::open(MainWindow* mainWindow)
{
    mainWindow->findChild<QToolButton*>(QStringLiteral("ButtonViewSelector"))->click();
    auto* shown = mainWindow->findChild<ViewSelector*>(QStringLiteral("ViewSelector"));
    // Built in order: the render button, the eight slotButtons, recall, store.
    const QList<QPushButton*> buttons = shown->findChildren<QPushButton*>();
    render = buttons.first();
    slotButtons = buttons.mid(1, 8);
    recall = buttons.at(9);
    store = buttons.at(10);
    return shown->isVisible() ? shown : nullptr;
}

void TestViewSelector::storingFillsASlotAndUndoEmptiesIt()
{
    const QSharedPointer<ViewPointMemory> memory = window->documentModel()->viewPointMemory();
    slot(2)->click();
    QVERIFY(store->isEnabled() && !recall->isEnabled());

    window->viewPoint()->setDistance(30);
    store->click();
    const ViewPointRef stored = memory->valueAt(2);
    QVERIFY(stored && stored != window->viewPoint());
    QCOMPARE(slot(2)->text(), QString());
    QVERIFY(slot(2)->isChecked() && recall->isEnabled());
    window->viewPoint()->setDistance(40);
    QCOMPARE(stored->distance(), 30.0);

    // Replaced, then undone twice: the old view, then the empty slot.
    store->click();
    QCOMPARE(memory->valueAt(2)->distance(), 40.0);
    window->documentModel()->structureUndoStack()->undo();
    QCOMPARE(memory->valueAt(2)->distance(), 30.0);
    window->documentModel()->structureUndoStack()->undo();
    QVERIFY(!memory->valueAt(2));
    QCOMPARE(slot(2)->text(), QStringLiteral("Empty"));
    QVERIFY(!recall->isEnabled());
}

void TestViewSelector::recallFliesTheCameraAndCloses()
{
    ViewPointRef target(new ViewPoint);
    target->setDistance(12);
    target->setAzimuth(0.5);
    window->documentModel()->viewPointMemory()->setValueAt(5, target);
    slot(5)->click();
    recall->click();
    QVERIFY(selector->isHidden());
    QTRY_COMPARE(window->viewPoint()->distance(), 12.0);
    QCOMPARE(window->viewPoint()->azimuth(), target->azimuth());

    QVERIFY(open(window));
    for (QPushButton* button : slotButtons)
        QVERIFY(!button->isChecked());
    QVERIFY(!store->isEnabled());
}

void TestViewSelector::renderButtonOnlyInGeometryMode()
{
    QVERIFY(render->isEnabled());
    window->currentState()->setMode(CurrentState::Loading);
    QTRY_VERIFY(!render->isEnabled());
    window->currentState()->setMode(CurrentState::Geometry);
    QTRY_VERIFY(render->isEnabled());
    const bool solid = window->currentState()->hasRenderHint(CurrentState::RenderSolid);
    render->click();
    QCOMPARE(window->currentState()->hasRenderHint(CurrentState::RenderSolid), !solid);
    QVERIFY(selector->isHidden());
}

void TestViewSelector::windowsOnOneDocumentShareTheViews()
{
    QScopedPointer<MainWindow> second(window->duplicateWindow());
    QCOMPARE(second->documentModel(), window->documentModel());
    QCOMPARE(second->unitSystem(), window->unitSystem());
    QVERIFY(second->currentState() != window->currentState());
    slot(0)->click();
    QPushButton* firstStore = store;
    QVERIFY(open(second.data()));
    firstStore->click();
    QCOMPARE(slot(0)->text(), QString());
}

void TestViewSelector::previewsShowTheWholeModelFillingThem_data()
{
    QTest::addColumn<double>("azimuth");
    QTest::addColumn<double>("elevation");
    QTest::addColumn<double>("distance");
    QTest::addColumn<double>("across");
    // The portal's own view, then views from far off and from close by, turned and off centre.
    QTest::newRow("front") << 0.0 << 0.0 << 30.0 << 0.0;
    QTest::newRow("far, from above") << 0.6 << 0.9 << 400.0 << 0.0;
    QTest::newRow("close, looking past it") << -0.4 << 0.3 << 3.0 << 12.0;
}

// Each picture is the model alone, seen from the stored direction and
// reaching close to the picture's edges, without the view's triad or notes.
void TestViewSelector::previewsShowTheWholeModelFillingThem()
{
    QFETCH(double, azimuth);
    QFETCH(double, elevation);
    QFETCH(double, distance);
    QFETCH(double, across);
    selector->close();
    QVERIFY(window->openFile(":/example/02.KU.Plane Portal.varok", true));
    const ViewPointRef stored(new ViewPoint);
    stored->setFocalPoint(Vector3(7.5 + across, 3.0, 0.0));
    stored->setAzimuth(azimuth);
    stored->setElevation(elevation);
    stored->setDistance(distance);
    window->documentModel()->viewPointMemory()->setValueAt(1, stored);
    window->viewPoint()->operator=(*stored);
    QVERIFY(open(window));

    const ViewPointRef framing =
        ViewSelector::framingWholeModel(*stored, window->documentModel()->structureModel()->nodes());
    QCOMPARE(framing->azimuth(), stored->azimuth());
    QCOMPARE(framing->elevation(), stored->elevation());

    // The drawn part of each picture: far from white, wide or tall, and centred.
    for (QPushButton* button : {slot(1), render}) {
        const QSize size = button->iconSize();
        const QImage picture = button->icon().pixmap(size).toImage();
        QVERIFY(!picture.isNull());
        QRect drawn;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                if (qGray(picture.pixel(x, y)) < 200)
                    drawn |= QRect(x, y, 1, 1);
        QVERIFY2(std::max(drawn.width(), drawn.height()) >= 0.8 * picture.width(),
                 qPrintable(QString("%1 x %2").arg(drawn.width()).arg(drawn.height())));
        QVERIFY(std::abs(drawn.center().x() - picture.width() / 2) <= picture.width() / 10);
        QVERIFY(std::abs(drawn.center().y() - picture.height() / 2) <= picture.height() / 10);
    }
}

VARO_TEST_MAIN(TestViewSelector)
#include "tst_viewselector.moc"
