#include "ViewTesting.h"

#include "Load.h"
#include "Loading.h"
#include "PointLoad.h"
#include "SelectionModel.h"
#include "TrapezoidLoad.h"
#include "TestMain.h"
#include "WindowTesting.h"

#include <QUndoStack>

namespace {

const double tan15 = 0.2679491924311227;

// 400 × 300 at distance 10: pixels per metre in the plane z = 0, whose
// centre (200, 150) is the focal point at the origin.
const double k = 300.0 / (2.0 * 10.0 * tan15);

Vector3 worldAt(double x, double y)
{
    return Vector3((x - 200.0) / k, (150.0 - y) / k, 0.0);
}

void send(QWidget* view, QEvent::Type type, const QPoint& p, Qt::MouseButtons held,
          Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(p), view->mapToGlobal(p), button, held, modifiers);
    QApplication::sendEvent(view, &event);
}

// A press, moves with the left button held, and a release.
void drag(QWidget* view, const QList<QPoint>& path, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    send(view, QEvent::MouseButtonPress, path.first(), Qt::LeftButton, modifiers);
    for (int i = 1; i < path.size(); ++i)
        send(view, QEvent::MouseMove, path[i], Qt::LeftButton, modifiers);
    send(view, QEvent::MouseButtonRelease, path.last(), Qt::NoButton, modifiers);
}

// Node a at pixel (210.25, 140.25), node b 112 pixels right of it, the member
// between them and a point load of -10 kN along y at its middle (266.25, 140.25),
// whose arrow stands 1.6625 m (0.1 + √10000 / 64) above the member.
struct Scene : ViewBench
{
    NodeRef a, b;
    MemberRef m;
    LoadRef load;
    LoadCaseRef loading;

    Scene()
    {
        const Vector3 pa = worldAt(210.25, 140.25), pb = worldAt(322.25, 140.25);
        a = node(pa.x(), pa.y());
        b = node(pb.x(), pb.y());
        m = member(a, b);
        loading = doc->loadCases().value(0);
        load = PointLoad::makeDefault(loading);
        load->setMember(m);
        structure()->appendObjects({load});
        state->setLoadCase(loading);
    }
    void select(const QList<VaroObjectRef>& objects, int mode)
    {
        state->setMode(mode);
        actions()->actionSelectObjects(objects);
        QTRY_COMPARE(doc->selectionModel()->selection().size(), objects.size());
        frame();
    }
    int undoCount() const { return doc->structureUndoStack()->count(); }
    QList<int> regionIds() const
    {
        QList<int> ids;
        for (const StructureView::ClickRegion& region : view->clickRegionList())
            ids << region.id;
        return ids;
    }
};

} // namespace

class TestInteraction : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initialiseViewTesting(); }
    void clickPicksTheObjectUnderThePointer_data();
    void clickPicksTheObjectUnderThePointer();
    void clickPicksATrapezoidAtItsHotspot();
    void boxSelectsHiddenObjects();
    void boxTakesWhatReachesIntoIt_data();
    void boxTakesWhatReachesIntoIt();
    void boxPassesEndWhenAPassRemovesNothing();
    void overlayRegions();
    void dragsAreOneUndoStepEach_data();
    void dragsAreOneUndoStepEach();
    void doubleClickOpensTheCalculator_data();
    void doubleClickOpensTheCalculator();
    void wheelAndRotation();
    void wheelZoomsTowardsThePointUnderTheMouse_data() { addTurnedCameraRows(); }
    void wheelZoomsTowardsThePointUnderTheMouse();
    void pickAtCloseRangeFarOut();
    void fitLeavesTheMarginOnTheTighterSide_data();
    void fitLeavesTheMarginOnTheTighterSide();
    void words_data();
    void words();
    void wordsLeaveForeignStacksAlone();
};

void TestInteraction::clickPicksTheObjectUnderThePointer_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("precise");
    QTest::addColumn<QPoint>("pointer");
    QTest::addColumn<QString>("expected");
    const int G = CurrentState::Geometry, L = CurrentState::Loading;
    QTest::newRow("on the node") << G << false << QPoint(210, 140) << "Node";
    QTest::newRow("5 px along the member: node (25 <= 128)") << G << false << QPoint(215, 140) << "Node";
    QTest::newRow("precise, 5 px: member (25 > 8)") << G << true << QPoint(215, 140) << "Member";
    QTest::newRow("precise, 2 px: node (4 <= 8)") << G << true << QPoint(212, 140) << "Node";
    QTest::newRow("precise, 2 px above: node") << G << true << QPoint(210, 138) << "Node";
    QTest::newRow("12 px below the node: both 144 away") << G << false << QPoint(210, 152) << "Member";
    QTest::newRow("middle of the member") << G << false << QPoint(266, 140) << "Member";
    QTest::newRow("empty space") << G << false << QPoint(210, 250) << "";
    QTest::newRow("loading: no nodes") << L << false << QPoint(212, 140) << "Member";
    QTest::newRow("loading: the arrow, 40 px off the member") << L << false << QPoint(266, 100) << "PointLoad";
    // In Results mode a click chooses what to interrogate instead.
    QTest::newRow("results, reactions: nodes only") << int(CurrentState::Results) << false << QPoint(215, 140)
                                                    << "Node";
}

void TestInteraction::clickPicksTheObjectUnderThePointer()
{
    QFETCH(int, mode);
    QFETCH(bool, precise);
    QFETCH(QPoint, pointer);
    QFETCH(QString, expected);
    Scene scene;
    scene.state->setMode(mode);
    scene.view->enablePreciseClicks(precise);
    scene.frame();
    QSignalSpy clicked(scene.view.data(), &StructureView::ObjectClicked);
    drag(scene.view.data(), {pointer});
    if (mode == CurrentState::Results) {
        QCOMPARE(clicked.count(), 0);
        QCOMPARE(QString::fromLatin1(scene.state->interrogatorObject()->metaObject()->className()), expected);
        return;
    }
    if (expected.isEmpty()) {
        QCOMPARE(clicked.count(), 0);
        return;
    }
    QCOMPARE(clicked.count(), 1);
    const VaroObjectRef object = clicked.first().first().value<VaroObjectRef>();
    QCOMPARE(QString::fromLatin1(object->metaObject()->className()), expected);
}

// A -1 kN/m diagram over the member's first half: its hotspot stands
// (0.1 + √1000 / 64) / 2 = 0.297 m, about 17 pixels, above the member at
// (238, 124), so the member lies 276 squared pixels away (> 128).
void TestInteraction::clickPicksATrapezoidAtItsHotspot()
{
    Scene scene;
    const LoadRef trapezoid = TrapezoidLoad::makeDefault(scene.loading);
    trapezoid->setMember(scene.m);
    trapezoid->setPositionedForces({Load::PositionedForce(0.0, -1000.0), Load::PositionedForce(0.5, -1000.0)});
    scene.structure()->appendObjects({trapezoid});
    scene.state->setMode(CurrentState::Loading);
    scene.frame();
    const QPoint hotspot = scene.view->mapFromGlobal(scene.view->hotspotOfLoad(trapezoid));
    QVERIFY((hotspot - QPoint(238, 124)).manhattanLength() <= 1);
    QSignalSpy clicked(scene.view.data(), &StructureView::ObjectClicked);
    drag(scene.view.data(), {hotspot});
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(clicked.first().first().value<VaroObjectRef>(), VaroObjectRef(trapezoid));
}

void TestInteraction::boxSelectsHiddenObjects()
{
    ViewBench bench;
    // Three nodes on the line of sight through the centre, one member in the
    // box and one outside it (the box spans pixels 100..300 × 75..225).
    const NodeRef n1 = bench.node(0, 0, 0), n2 = bench.node(0, 0, 2), n3 = bench.node(0, 0, 4);
    const NodeRef n4 = bench.node(-1, -1);
    const MemberRef inside = bench.member(n4, n1);
    const MemberRef outside = bench.member(bench.node(3, 2), bench.node(3.5, 2));
    bench.state->toggleDisplayOfSelectionBox();
    bench.frame();
    const QSharedPointer<SelectionModel> selection = bench.doc->selectionModel();
    const int before = bench.doc->structureUndoStack()->count();
    bench.view->selectBySelectionBox(true);
    const QSet<VaroObjectRef> boxed = {n1, n2, n3, n4, inside};
    const QList<VaroObjectRef> selected = selection->selection();
    QCOMPARE(QSet<VaroObjectRef>(selected.begin(), selected.end()), boxed);
    QCOMPARE(bench.doc->structureUndoStack()->count(), before + 1);

    // With the member selected last as master, only members leave first.
    bench.actions()->actionClearAllSelection();
    bench.actions()->actionSelectObjects({n1, n2, n3, n4, inside});
    bench.view->clearBySelectionBox();
    QCOMPARE(selection->selectedMembers().size(), 0);
    QCOMPARE(selection->selectedNodes().size(), 4);
    bench.view->clearBySelectionBox();
    QVERIFY(selection->selection().isEmpty());

    // With a member as master only members count; it is selected already, so
    // nothing reaches the document.
    bench.actions()->actionSelectObjects({inside});
    const int afterMaster = bench.doc->structureUndoStack()->count();
    bench.view->selectBySelectionBox();
    QCOMPARE(selection->selection(), QList<VaroObjectRef>{inside});
    QCOMPARE(bench.doc->structureUndoStack()->count(), afterMaster);

    // Dragging the bottom-right corner handle by (40, 30) px grows the box.
    drag(bench.view.data(), {{300, 225}, {305, 225}, {310, 225}, {340, 255}});
    const QRectF grown = bench.state->selectionBox();
    QVERIFY(std::fabs(grown.width() - 0.6) < 1e-9 && std::fabs(grown.height() - 0.6) < 1e-9);
    QCOMPARE(grown.topLeft(), QPointF(0.25, 0.25));
    bench.state->resizeSelectionBox(QRectF(0.25, 0.25, 0.5, 0.5));

    bench.actions()->actionDeselectObjects({inside});
    bench.state->setMode(CurrentState::Results);
    bench.view->selectBySelectionBox();
    QVERIFY(selection->selection().isEmpty());
    bench.state->setMode(CurrentState::Geometry);
    bench.state->resizeSelectionBox(QRectF(0.25, 0.25, 0.0, 0.5));
    bench.view->selectBySelectionBox();
    QVERIFY(selection->selection().isEmpty());
    Q_UNUSED(outside);
}

void TestInteraction::boxTakesWhatReachesIntoIt_data()
{
    QTest::addColumn<Vector3>("a");
    QTest::addColumn<Vector3>("b");
    QTest::addColumn<bool>("member");
    QTest::addColumn<bool>("taken");
    // The box covers pixel columns 100..299 and rows 75..224; a node covers
    // the pixel it lies in.
    const Vector3 none;
    QTest::newRow("node 2 px inside the left edge") << worldAt(102.5, 150) << none << false << true;
    QTest::newRow("node 2 px outside the left edge") << worldAt(97.5, 150) << none << false << false;
    QTest::newRow("node 2 px inside the right edge") << worldAt(297.5, 150) << none << false << true;
    QTest::newRow("node 2 px outside the right edge") << worldAt(302.5, 150) << none << false << false;
    QTest::newRow("node 2 px inside the top edge") << worldAt(200, 77.5) << none << false << true;
    QTest::newRow("node 2 px outside the top edge") << worldAt(200, 72.5) << none << false << false;
    QTest::newRow("node 2 px inside the bottom edge") << worldAt(200, 222.5) << none << false << true;
    QTest::newRow("node 2 px outside the bottom edge") << worldAt(200, 227.5) << none << false << false;
    QTest::newRow("member across it, both ends outside")
        << worldAt(50, 120) << worldAt(350, 180) << true << true;
    QTest::newRow("member past its corner") << worldAt(60, 100) << worldAt(120, 40) << true << false;
    // The eye is at z = -10. From (-3, 0, 0) to (2, 0, -12) the member
    // crosses x = 0 at z = -7.2, in front of the eye: through the middle of
    // the box.
    QTest::newRow("member from the side to behind the eye, across it")
        << Vector3(-3, 0, 0) << Vector3(2, 0, -12) << true << true;
    QTest::newRow("member from the side to behind the eye, beside it")
        << Vector3(-3, 0, 0) << Vector3(-1, 0, -12) << true << false;
}

// Only what leaves a pixel in the box is taken, however far its ends lie.
void TestInteraction::boxTakesWhatReachesIntoIt()
{
    QFETCH(Vector3, a);
    QFETCH(Vector3, b);
    QFETCH(bool, member);
    QFETCH(bool, taken);
    ViewBench bench;
    VaroObjectRef object = bench.node(a.x(), a.y(), a.z());
    if (member)
        object = bench.member(object.staticCast<Node>(), bench.node(b.x(), b.y(), b.z()));
    bench.state->toggleDisplayOfSelectionBox();
    bench.frame();
    bench.view->selectBySelectionBox(true);
    QCOMPARE(bench.doc->selectionModel()->selection(), taken ? QList<VaroObjectRef>{object} : QList<VaroObjectRef>());
}

void TestInteraction::boxPassesEndWhenAPassRemovesNothing()
{
    const VaroObjectRef a(VaroObject::make<Node>()), b(VaroObject::make<Node>());
    int passes = 0;
    // The first pass finds a and a stray colour; later passes only the stray.
    const QList<VaroObjectRef> found = StructureView::collectFromPasses(
        {a, b}, [&](const QSet<VaroObjectRef>& remaining, QMap<int, VaroObjectRef>* map) {
            ++passes;
            int i = 0;
            for (const VaroObjectRef& object : remaining)
                map->insert(i++, object);
            return passes == 1 ? QSet<int>{map->key(a), 4095} : QSet<int>{4095};
        });
    QCOMPARE(found, QList<VaroObjectRef>{a});
    QCOMPARE(passes, 2);
}

void TestInteraction::overlayRegions()
{
    Scene scene;
    scene.select({scene.a}, CurrentState::Geometry);
    QCOMPARE(scene.regionIds(), (QList<int>{1, 2, 3, 22}));
    // A 16-pixel square about the rounded screen point (210, 140).
    QCOMPARE(scene.view->clickRegionList().last().outline.boundingRect(), QRect(202, 132, 16, 16));

    scene.actions()->actionClearAllSelection();
    scene.select({scene.m}, CurrentState::Geometry);
    QCOMPARE(scene.regionIds(), (QList<int>{4, 23, 23}));
    scene.b->setPosition(scene.a->position() + Vector3(0.0005, 0, 0));
    scene.frame();
    QCOMPARE(scene.regionIds(), (QList<int>{4}));
    scene.b->setPosition(worldAt(322.25, 140.25));

    // A point load has spans 11 and 13, a trapezoid 11, 12 and 13.
    scene.actions()->actionClearAllSelection();
    scene.select({scene.load}, CurrentState::Loading);
    QCOMPARE(scene.regionIds(), (QList<int>{6, 5, 11, 9, 13}));
    // Hovering over a position bar offers a sideways move.
    send(scene.view.data(), QEvent::MouseMove, QPoint(266, 220), Qt::NoButton);
    QCOMPARE(scene.view->cursor().shape(), Qt::SizeHorCursor);
    const LoadRef trapezoid = TrapezoidLoad::makeDefault(scene.loading);
    trapezoid->setMember(scene.m);
    trapezoid->setPositionedForces({Load::PositionedForce(0.25, -5000.0), Load::PositionedForce(0.75, -5000.0)});
    scene.structure()->appendObjects({trapezoid});
    scene.actions()->actionClearAllSelection();
    scene.select({trapezoid}, CurrentState::Loading);
    QCOMPARE(scene.regionIds(), (QList<int>{6, 5, 11, 9, 8, 7, 12, 10, 13}));

    // The box's translucent yellow (alpha 32) over white, and no box in Results mode.
    scene.state->toggleDisplayOfSelectionBox();
    scene.frame();
    QVERIFY(nearColour(scene.view->grabFrameBuffer().pixel(120, 210), QColor(255, 255, 223), 12));
    QVERIFY(scene.regionIds().contains(17) && scene.regionIds().contains(18));
    scene.state->setMode(CurrentState::Results);
    scene.frame();
    QVERIFY(!scene.regionIds().contains(17) && !scene.regionIds().contains(18));
}

void TestInteraction::dragsAreOneUndoStepEach_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QList<QPoint>>("path");
    QTest::addColumn<bool>("shift");
    QTest::addColumn<Vector3>("move");
    QTest::addColumn<double>("force");
    QTest::addColumn<double>("position");
    const double F = -10000.0;
    // The drag starts at the third point; the node then follows the motion
    // since then along the screen axis that the motion favours.
    QTest::newRow("node along x") << int(CurrentState::Geometry)
                                  << QList<QPoint>{{210, 140}, {215, 140}, {222, 141}, {262, 141}} << true
                                  << Vector3(40 / k, 0, 0) << F << 0.5;
    QTest::newRow("node along y") << int(CurrentState::Geometry)
                                  << QList<QPoint>{{210, 140}, {210, 135}, {211, 130}, {211, 100}} << true
                                  << Vector3(0, 30 / k, 0) << F << 0.5;
    QTest::newRow("node handle needs Shift") << int(CurrentState::Geometry)
                                             << QList<QPoint>{{210, 140}, {215, 140}, {222, 141}, {262, 141}}
                                             << false << Vector3() << F << 0.5;
    // The magnitude handle sits 20 px beyond the arrow's tail, 93.07 px above
    // the member. Lifting it 28 px more makes the arrow 121.07 px = 2.1627 m
    // long: (64 · 2.0627)² = 17428 N, kept to two figures.
    QTest::newRow("force") << int(CurrentState::Loading)
                           << QList<QPoint>{{266, 27}, {266, 22}, {266, 17}, {266, -11}} << false << Vector3()
                           << -17000.0 << 0.5;
    // The same for a distributed load in US units: 17428 N/m is 1.1942
    // kip/ft, kept to two figures of the unit it is shown in.
    QTest::newRow("intensity in kip/ft") << -int(CurrentState::Loading)
                                         << QList<QPoint>{{266, 27}, {266, 22}, {266, 17}, {266, -11}} << false
                                         << Vector3() << -1.2 * 4448.2216152605 / 0.3048 << 0.5;
    // The position bar stands 80 px below the member; 84 of its 112 px.
    QTest::newRow("position") << int(CurrentState::Loading)
                              << QList<QPoint>{{266, 220}, {271, 220}, {276, 220}, {290, 221}, {304, 220}} << false
                              << Vector3() << F << 0.75;
}

void TestInteraction::dragsAreOneUndoStepEach()
{
    QFETCH(int, mode);
    QFETCH(QList<QPoint>, path);
    QFETCH(bool, shift);
    QFETCH(Vector3, move);
    QFETCH(double, force);
    QFETCH(double, position);
    Scene scene;
    // A negative mode: the load is distributed, from the middle on, in US units.
    if (mode < 0) {
        mode = -mode;
        scene.units->setChosenSystem(QStringLiteral("Imperial (US)"));
        scene.load = TrapezoidLoad::makeDefault(scene.loading);
        scene.load->setMember(scene.m);
        scene.load->setPositionedForces({{0.5, -10000.0}, {1.0, -10000.0}});
        scene.structure()->appendObjects({scene.load});
    }
    const Vector3 start = scene.a->position();
    scene.select({mode == CurrentState::Geometry ? VaroObjectRef(scene.a) : VaroObjectRef(scene.load)}, mode);
    const int before = scene.undoCount();
    drag(scene.view.data(), path, shift ? Qt::ShiftModifier : Qt::NoModifier);
    const Vector3 moved = scene.a->position() - start;
    QVERIFY2((moved - move).length() < 1e-4, qPrintable(QStringLiteral("%1 %2").arg(moved.x()).arg(moved.y())));
    QCOMPARE(scene.load->positionedForces().first().second, force);
    QVERIFY(std::fabs(scene.load->positionedForces().first().first - position) < 1e-5);
    const bool changed = move.lengthSquared() > 0.0 || force != -10000.0 || position != 0.5;
    QCOMPARE(scene.undoCount(), before + (changed ? 1 : 0));
    QCOMPARE(scene.view->gestureState(), 0);
}

void TestInteraction::doubleClickOpensTheCalculator_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("object");
    QTest::addColumn<int>("region");
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("conversion");
    QTest::addColumn<QList<double>>("matrix");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("slot");
    const double y = (150.0 - 140.25) / k, length = 112.0 / k;
    const QString move = "1actionMoveSelectedNodesBy(const Vector4&, const CalculatorReference&)";
    QTest::newRow("node y") << int(CurrentState::Geometry) << 0 << 2 << y << int(UnitSystem::Length)
                            << QList<double>{0, 0, 0, 0, 0, 1, 0, -y} << "masterNode" << move;
    QTest::newRow("member length") << int(CurrentState::Geometry) << 1 << 4 << length << int(UnitSystem::Length)
                                   << QList<double>{1, 0, 0, 0} << "masterMember"
                                   << "1actionSetMemberLength(const Vector4&, const CalculatorReference&)";
    QTest::newRow("force of a point load") << int(CurrentState::Loading) << 2 << 5 << 10000.0
                                           << int(UnitSystem::Force) << QList<double>{-1, 0, 0, 0} << "masterLoad"
                                           << "1actionSetLoadForceAtIndex(const Vector4&, const CalculatorReference&)";
    QTest::newRow("span to end B") << int(CurrentState::Loading) << 2 << 13 << length / 2 << int(UnitSystem::Length)
                                   << QList<double>{-1 / length, 0, 0, 1} << "masterLoad"
                                   << "1actionSetLoadPositionAtIndex(const Vector4&, const CalculatorReference&)";
}

void TestInteraction::doubleClickOpensTheCalculator()
{
    QFETCH(int, mode);
    QFETCH(int, object);
    QFETCH(int, region);
    QFETCH(double, value);
    QFETCH(int, conversion);
    QFETCH(QList<double>, matrix);
    QFETCH(QString, key);
    QFETCH(QString, slot);
    Scene scene;
    const VaroObjectRef objects[3] = {scene.a, scene.m, scene.load};
    scene.select({objects[object]}, mode);
    const QPoint p = scene.view->determineClickRegion(StructureView::ClickRegionEnum(region)).outline.boundingRect().center();
    int calls = 0;
    connect(scene.view.data(),
            qOverload<double, UnitSystem::Conversion, const Matrix4x4&, const CalculatorReference&, const char*>(
                &StructureView::OpenCalculator),
            this, [&](double v, UnitSystem::Conversion c, const Matrix4x4& M, const CalculatorReference& ref,
                      const char* s) {
                ++calls;
                QVERIFY(std::fabs(v - value) < 1e-6 * std::max(1.0, value));
                QCOMPARE(int(c), conversion);
                for (int i = 0; i < 16; ++i)
                    QVERIFY(std::fabs(M.data()[i] - matrix.value(i)) < 1e-9);
                const QVariant master = ref.value(key);
                QCOMPARE(master.value<NodeRef>() ? VaroObjectRef(master.value<NodeRef>())
                         : master.value<MemberRef>() ? VaroObjectRef(master.value<MemberRef>())
                                                     : VaroObjectRef(master.value<LoadRef>()),
                         objects[object]);
                QCOMPARE(ref.value("cancelOnDeselect").value<VaroObjectRef>(), objects[object]);
                QCOMPARE(QString::fromLatin1(s), slot);
                // The main window connects the calculator to this slot by name.
                QVERIFY(EditingActions::staticMetaObject.indexOfSlot(
                            QMetaObject::normalizedSignature(s + 1).constData()) >= 0);
            });
    send(scene.view.data(), QEvent::MouseButtonPress, p, Qt::LeftButton);
    send(scene.view.data(), QEvent::MouseButtonRelease, p, Qt::NoButton);
    send(scene.view.data(), QEvent::MouseButtonDblClick, p, Qt::LeftButton);
    send(scene.view.data(), QEvent::MouseButtonRelease, p, Qt::NoButton);
    QCOMPARE(calls, 1);
}

void TestInteraction::wheelAndRotation()
{
    ViewBench bench;
    bench.node(1, 1);
    bench.frame();
    StructureView* view = bench.view.data();
    // One notch moves 1/24 of the way to the point under the mouse.
    QWheelEvent wheel(QPointF(200, 150), view->mapToGlobal(QPoint(200, 150)), QPoint(), QPoint(0, 120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view, &wheel);
    QVERIFY(std::fabs(bench.viewPoint->distance() - 10.0 * 23.0 / 24.0) < 1e-4);
    // The ray starts on the near plane, 0.1 m before the eye's 10 m: the
    // focal point moves 1/24 of that 0.1 m along the line of sight.
    const Vector3 focal = bench.viewPoint->focalPoint();
    QVERIFY(std::fabs(focal.x()) < 1e-4 && std::fabs(focal.y()) < 1e-4);
    QVERIFY(std::fabs(std::fabs(focal.z()) - 0.1 / 24.0) < 1e-4);

    bench.frame();
    const double distance = bench.viewPoint->distance();
    const double azimuth = bench.viewPoint->azimuth(), elevation = bench.viewPoint->elevation();
    send(view, QEvent::MouseButtonPress, QPoint(100, 100), Qt::LeftButton);
    send(view, QEvent::MouseMove, QPoint(105, 100), Qt::LeftButton);
    QCOMPARE(view->gestureState(), 2);
    QVERIFY(view->isDrawingTriad());
    send(view, QEvent::MouseMove, QPoint(164, 132), Qt::LeftButton);
    // The wheel does nothing while a rotation runs.
    QApplication::sendEvent(view, &wheel);
    QCOMPARE(bench.viewPoint->distance(), distance);
    send(view, QEvent::MouseButtonRelease, QPoint(164, 132), Qt::NoButton);
    QVERIFY(std::fabs(bench.viewPoint->azimuth() - (azimuth - 1.0)) < 1e-4);
    QVERIFY(std::fabs(bench.viewPoint->elevation() - (elevation + 0.5)) < 1e-4);
    QTRY_VERIFY(!view->isDrawingTriad());

    // Control with the left button is the right-hand gesture: a double click
    // in the centre cell flies to the standard view of the whole structure.
    send(view, QEvent::MouseButtonPress, QPoint(200, 150), Qt::LeftButton, Qt::ControlModifier);
    send(view, QEvent::MouseButtonRelease, QPoint(200, 150), Qt::NoButton, Qt::ControlModifier);
    send(view, QEvent::MouseButtonDblClick, QPoint(200, 150), Qt::LeftButton, Qt::ControlModifier);
    send(view, QEvent::MouseButtonRelease, QPoint(200, 150), Qt::NoButton, Qt::ControlModifier);
    QTRY_VERIFY(std::fabs(bench.viewPoint->azimuth() + M_PI / 8.0) < 1e-4
                && std::fabs(bench.viewPoint->elevation() - M_PI / 5.0) < 1e-4);
    QVERIFY((bench.viewPoint->focalPoint() - Vector3(1, 1, 0)).length() < 1e-4);
}

// A notch of the wheel moves the eye 1/24 of the way towards the point
// under the mouse at the focal distance, along the line of sight through
// the mouse: every point on that line stays under the mouse, in a view
// turned any way. A wheel tilted sideways, its larger turn, zooms the same.
void TestInteraction::wheelZoomsTowardsThePointUnderTheMouse()
{
    QFETCH(double, azimuth);
    QFETCH(double, elevation);
    for (const QPoint& notch : {QPoint(0, 120), QPoint(120, -30)}) {
        ViewBench bench;
        bench.turn(azimuth, elevation);
        const QPoint mouse(310, 60);
        const Vector3 p = HandCamera(*bench.viewPoint, bench.view->size()).under(mouse, 12.0);
        QWheelEvent wheel(QPointF(mouse), bench.view->mapToGlobal(mouse), QPoint(), notch, Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(bench.view.data(), &wheel);
        QVERIFY(std::fabs(bench.viewPoint->distance() - 10.0 * 23.0 / 24.0) < 1e-4);
        const QPointF after = HandCamera(*bench.viewPoint, bench.view->size()).pixelOf(p);
        QVERIFY2(distanceBetween(after, mouse) < 0.05,
                 qPrintable(QStringLiteral("the wheel zooms towards another point: the one under the mouse moves to (%1, %2)")
                                .arg(after.x())
                                .arg(after.y())));
    }
}

// Close to a node 5e6 m out, where single precision steps by half a metre,
// after a pan of a few centimetres that leaves the render origin where the
// first frame put it: a click picks the node where a camera worked out by
// hand sees it, and the view places it there too.
void TestInteraction::pickAtCloseRangeFarOut()
{
    ViewBench bench;
    const Vector3 far(5e6, 0.0, 0.0);
    const NodeRef node = bench.node(far.x() + 0.4375, 0.125);
    bench.viewPoint->setDistance(2.0);
    bench.viewPoint->setFocalPoint(far);
    bench.frame();
    bench.viewPoint->setFocalPoint(far + Vector3(0.1875, 0.0625, 0.0));
    bench.frame();
    const QPointF seen = HandCamera(*bench.viewPoint, bench.view->size()).pixelOf(node->position());
    const QPointF placed = bench.view->transformWorldToScreen(node->position());
    QVERIFY2(distanceBetween(placed, seen) < 0.1,
             qPrintable(QStringLiteral("the view places the node %1 px from where it is").arg(distanceBetween(placed, seen))));
    QSignalSpy clicked(bench.view.data(), &StructureView::ObjectClicked);
    drag(bench.view.data(), {seen.toPoint()});
    QVERIFY2(clicked.count() == 1 && clicked.first().first().value<VaroObjectRef>() == VaroObjectRef(node),
             "a click on the node does not pick it: it is drawn elsewhere");
}

void TestInteraction::fitLeavesTheMarginOnTheTighterSide_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("wider than tall") << QSize(400, 300);
    QTest::newRow("taller than wide") << QSize(300, 400);
}

// The distance that fits a sphere leaves 32 pixels between the sphere's
// widest points in the plane of the focal point and the nearer edges of
// the view, and more at the others.
void TestInteraction::fitLeavesTheMarginOnTheTighterSide()
{
    QFETCH(QSize, size);
    ViewBench bench;
    QVERIFY(resizeWindow(bench.view.data(), size));
    bench.frame();
    QCOMPARE(bench.view->size(), size);
    const double r = 2.0;
    bench.viewPoint->setDistance(bench.view->distanceForRadius(r));
    const HandCamera camera(*bench.viewPoint, size);
    const double side = size.width() - camera.pixelOf(Vector3(r, 0.0, 0.0)).x();
    const double top = camera.pixelOf(Vector3(0.0, r, 0.0)).y();
    QVERIFY2(side >= 31.5 && top >= 31.5,
             qPrintable(QStringLiteral("the sphere reaches %1 px from the side and %2 px from the top").arg(side).arg(top)));
    QVERIFY2(std::fabs(std::min(side, top) - 32.0) < 0.5,
             qPrintable(QStringLiteral("the sphere stays %1 px from the view's edges").arg(std::min(side, top))));
}

void TestInteraction::words_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("word");
    QTest::addColumn<QVariant>("argument");
    QTest::addColumn<bool>("handled");
    // Pushed values under the view; a QPoint stands for its global y then x.
    QTest::addColumn<QVariantList>("pushed");
    const int G = CurrentState::Geometry;
    const QVariantList none;
    const Vector3 a = worldAt(210.25, 140.25);
    // The fitting distance: the radius over half the view's inner height
    // (300 - 64 px) on the far plane, times the depth of the frustum.
    const auto fit = [](double r) { return r / (236.0 / 300.0 * 5000.0 * tan15) * (5000.0 - 0.1); };
    QTest::newRow("nearest node, z missing") << G << "SYS:NEARESTNODE" << QVariant(QVariantList{0.2, 0.2}) << true
                                             << QVariantList{1};
    QTest::newRow("nearest member") << G << "SYS:NEARESTMEMBER" << QVariant(QVariantList{1, 1, 1}) << true
                                    << QVariantList{1};
    QTest::newRow("hotspot of node:1") << G << "SYS:OBJECTHOTSPOT" << QVariant("node:1") << true
                                       << QVariantList{QPoint(210, 140)};
    QTest::newRow("hotspot of the member") << G << "SYS:OBJECTHOTSPOT" << QVariant("MEMBER:1") << true
                                           << QVariantList{QPoint(266, 140)};
    QTest::newRow("hotspot of the load: middle of the arrow")
        << G << "SYS:OBJECTHOTSPOT" << QVariant("LOAD:1") << true
        << QVariantList{QPoint(266, qRound(140.25 - 1.6625 / 2 * k))};
    QTest::newRow("NODE:0") << G << "SYS:OBJECTHOTSPOT" << QVariant("NODE:0") << false << none;
    QTest::newRow("NODE:x") << G << "SYS:OBJECTHOTSPOT" << QVariant("NODE:x") << false << none;
    QTest::newRow("NODE") << G << "SYS:OBJECTHOTSPOT" << QVariant("NODE") << false << none;
    QTest::newRow("world position of NODE:1") << G << "SYS:OBJECTWORLDPOSITION" << QVariant("NODE:1") << true
                                              << QVariantList{a.z(), a.y(), a.x()};
    QTest::newRow("world position of LOAD:1") << G << "SYS:OBJECTWORLDPOSITION" << QVariant("LOAD:1") << false
                                              << none;
    QTest::newRow("nearest load") << int(CurrentState::Loading) << "SYS:NEARESTLOAD" << QVariant(QVariantList{1, 1})
                                  << true << QVariantList{1};
    QTest::newRow("box corner, lower case") << G << "SYS:REGIONCENTRE" << QVariant("selectionboxtopleft") << true
                                            << QVariantList{QPoint(100, 75)};
    QTest::newRow("box not painted in results") << int(CurrentState::Results) << "SYS:REGIONCENTRE"
                                                << QVariant("SELECTIONBOXTOPLEFT") << false << none;
    QTest::newRow("unknown region") << G << "SYS:REGIONCENTRE" << QVariant("NODEQ") << false << none;
    // The sphere about the two nodes 112 px apart.
    const Vector3 c = (a + worldAt(322.25, 140.25)) * 0.5;
    const double R = 56.0 / k;
    QTest::newRow("view parameters, radius 0") << G << "SYS:VIEWPARAMETERS" << QVariant(0.0) << true
                                               << QVariantList{c.z(), c.y(), c.x(), fit(R), R};
    QTest::newRow("view parameters, radius 5") << G << "SYS:VIEWPARAMETERS" << QVariant(5.0) << true
                                               << QVariantList{c.z(), c.y(), c.x(), fit(5.0), R};
}

void TestInteraction::words()
{
    QFETCH(int, mode);
    QFETCH(QString, word);
    QFETCH(QVariant, argument);
    QFETCH(bool, handled);
    QFETCH(QVariantList, pushed);
    Scene scene;
    scene.state->setMode(mode);
    scene.state->toggleDisplayOfSelectionBox();
    scene.frame();
    const QVariant widget = QVariant::fromValue<QWidget*>(scene.view.data());
    QStack<QVariant> stack;
    stack << QVariant("beneath") << argument << widget;
    bool done = false;
    scene.view->tryForthWord(word, &stack, &done);
    QCOMPARE(done, handled);
    QVariantList expected{QVariant("beneath")};
    for (const QVariant& value : pushed) {
        if (value.type() == QVariant::Point) {
            const QPoint global = scene.view->mapToGlobal(value.toPoint());
            expected << global.y() << global.x();
        } else {
            expected << value;
        }
    }
    expected << widget;
    QCOMPARE(stack.size(), expected.size());
    for (int i = 0; i < stack.size(); ++i) {
        if (stack[i].type() == QVariant::Double)
            QVERIFY2(std::fabs(stack[i].toDouble() - expected[i].toDouble())
                         <= 1e-4 * std::max(1.0, std::fabs(expected[i].toDouble())),
                     qPrintable(QString::number(i)));
        else
            QCOMPARE(stack[i], expected[i]);
    }
}

void TestInteraction::wordsLeaveForeignStacksAlone()
{
    Scene scene;
    scene.select({scene.a}, CurrentState::Geometry);
    QWidget* dead = new QWidget;
    const QVariant guarded = QVariant::fromValue(QPointer<QWidget>(dead));
    delete dead;
    const QVariant view = QVariant::fromValue<QWidget*>(scene.view.data());
    const QList<QVariantList> stacks = {{QVariant("NODE:1"), QVariant(3)},
                                        {QVariant("NODE:1"), guarded},
                                        {QVariant("NODE:1"), QVariant::fromValue<QWidget*>(nullptr)},
                                        {view}};
    for (const QVariantList& cells : stacks) {
        QStack<QVariant> stack;
        for (const QVariant& cell : cells)
            stack.push(cell);
        bool done = false;
        scene.view->tryForthWord("SYS:OBJECTHOTSPOT", &stack, &done);
        QVERIFY(!done);
        QCOMPARE(stack.size(), cells.size());
    }
    // Handled already: nothing changes. Without a document: left unhandled.
    QStack<QVariant> stack;
    stack << QVariant("NODEY") << view;
    bool done = true;
    scene.view->tryForthWord("SYS:REGIONCENTRE", &stack, &done);
    QCOMPARE(stack.size(), 2);
    done = false;
    scene.view->tryForthWord("SYS:REGIONCENTRE", &stack, &done);
    QVERIFY(done);
    // The y value's click box: its tight text box grown by 8 px, centred at the top.
    const QString text = scene.units->preferredStringFromSI(scene.a->position().y(), UnitSystem::Length, false);
    QRect box = QFontMetrics(Fonts::standard, scene.view.data()).tightBoundingRect(text).adjusted(-4, -4, 4, 4);
    box.moveTopLeft(QPoint((400 - box.width()) / 2, 4));
    const QPoint centre = scene.view->mapToGlobal(box.adjusted(-4, -4, 4, 4).center());
    QCOMPARE(stack.mid(0, 2), (QVector<QVariant>{centre.y(), centre.x()}));

    // No current load case: no loads, and the answer 0.
    scene.state->setLoadCase(LoadCaseRef());
    stack.clear();
    stack << QVariant(QVariantList{0, 0}) << view;
    done = false;
    scene.view->tryForthWord("SYS:NEARESTLOAD", &stack, &done);
    QVERIFY(done);
    QCOMPARE(stack.first(), QVariant(0));

    scene.view->clearDocumentModel();
    stack.clear();
    stack << QVariant("NODE:1") << view;
    done = false;
    scene.view->tryForthWord("SYS:OBJECTHOTSPOT", &stack, &done);
    QVERIFY(!done);
    QCOMPARE(stack.size(), 2);
}

VARO_TEST_MAIN(TestInteraction)
#include "tst_interaction.moc"
