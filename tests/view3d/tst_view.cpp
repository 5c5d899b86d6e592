#include "ViewTesting.h"

#include "AnalysisOutput.h"
#include "GeometryGroup.h"
#include "Load.h"
#include "Loading.h"
#include "PointLoad.h"
#include "SelectionModel.h"
#include "Support.h"
#include "TestMain.h"
#include "TorqueLoad.h"
#include "TrapezoidLoad.h"

#include <QDirIterator>
#include <QScopeGuard>
#include <QScreen>
#include <QTemporaryDir>
#include <QThread>
#include <QtConcurrent>

#include <atomic>

namespace {

const double tan15 = 0.2679491924311227;

// Pixels per metre in the plane of the focal point, 10 m from the eye.
double pixelsPerMetre(int height)
{
    return height / (2.0 * 10.0 * tan15);
}

QPoint pixelOf(const QImage& image, double x, double y)
{
    const double k = pixelsPerMetre(image.height());
    return QPoint(int(std::lround(image.width() / 2.0 + x * k)), int(std::lround(image.height() / 2.0 - y * k)));
}

int pixelsNear(const QImage& image, const QColor& colour, int tolerance = 24)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += nearColour(image.pixel(x, y), colour, tolerance) ? 1 : 0;
    return count;
}

// A fixed cantilever along x from (-1, 0) to (2, 0) with a tip load down y.
LoadRef buildCantilever(ViewBench& bench)
{
    const NodeRef a = bench.node(-1.0, 0.0), b = bench.node(2.0, 0.0);
    a->setSupport(VaroObject::make<Support>(QStringLiteral("Fixed"), Dof(63)));
    const MemberRef m = bench.member(a, b);
    const LoadCaseRef loading = bench.doc->loadCases().value(0);
    const LoadRef load = PointLoad::makeDefault(loading);
    load->setMember(m);
    load->setPositionedForces({Load::PositionedForce(1.0, -10000.0)});
    bench.structure()->appendObjects({load});
    bench.state->setLoadCase(loading);
    return load;
}

// A space frame of two members with a pin, two fixed supports and three
// loads of the first loading, its nodes moved X along x; the camera looks
// at its middle from above, turned.
struct SpaceScene
{
    NodeRef a, b, c;
    MemberRef ab, bc;
    LoadRef point, torque, trapezoid;

    SpaceScene(ViewBench& bench, double X)
    {
        // Built whole before the analysis looks at it.
        BusyCountGuard busy(bench.doc.data());
        a = bench.node(X - 1.0, 0.0);
        b = bench.node(X + 2.0, 0.0);
        c = bench.node(X + 2.0, -2.0, 1.0);
        for (const NodeRef& n : {a, c})
            n->setSupport(VaroObject::make<Support>(QStringLiteral("Fixed"), Dof(63)));
        ab = bench.member(a, b);
        bc = bench.member(b, c);
        bc->setPinAtB(true);
        const LoadCaseRef loading = bench.doc->loadCases().value(0);
        point = PointLoad::makeDefault(loading);
        point->setMember(ab);
        point->setPositionedForces({Load::PositionedForce(0.5, -10000.0)});
        torque = TorqueLoad::makeDefault(loading);
        torque->setMember(ab);
        torque->setPositionedForces({Load::PositionedForce(0.25, 5000.0)});
        trapezoid = TrapezoidLoad::makeDefault(loading);
        trapezoid->setMember(bc);
        trapezoid->setPositionedForces({Load::PositionedForce(0.2, -4000.0), Load::PositionedForce(0.8, -2000.0)});
        bench.structure()->appendObjects({point, torque, trapezoid});
        bench.state->setLoadCase(loading);
        bench.viewPoint->setFocalPoint(Vector3(X + 0.5, -1.0, 0.5));
        bench.viewPoint->setDistance(9.0);
        bench.viewPoint->setAzimuth(-M_PI / 8.0);
        bench.viewPoint->setElevation(M_PI / 5.0);
    }

    void moveBy(ViewBench& bench, double X)
    {
        BusyCountGuard busy(bench.doc.data());
        QMap<NodeRef, Vector3> positions;
        for (const NodeRef& n : {a, b, c})
            positions.insert(n, n->position() + Vector3(X, 0.0, 0.0));
        bench.structure()->setNodePositions(positions);
        bench.viewPoint->moveFocalPointBy(Vector3(X, 0.0, 0.0));
    }
};

// Waits for results other than the given ones and sizes the drawn results
// by the largest value of each kind, so that the edition's random load
// factor, drawn anew by each analysis, leaves the picture as it is.
QSharedPointer<AnalysisOutput> resultsOtherThan(ViewBench& bench, const QSharedPointer<AnalysisOutput>& old)
{
    // One read a look, kept: the analysis may drop its output between two.
    QSharedPointer<AnalysisOutput> output;
    if (!QTest::qWaitFor([&] { return (output = bench.doc->analysisOutput()) && output != old; }, 30000))
        return {};
    // A reaction arrow of √4096 / 64 + 0.1 m, a diagram 0.8 m and a deflection 0.5 m at the largest.
    bench.state->setScaleReactions(4096.0 * output->reactionScales[1]);
    bench.state->setScaleBendingMoments(0.8 * output->memberForceScales[5]);
    bench.state->setScaleDeflections(0.5 * output->globalDisplacementScales[1]);
    return output;
}

// The pixels of each frame that no pixel within one pixel of it in the
// other frame matches: an edge that software rasterisation moves by a pixel
// counts for nothing, a glyph drawn elsewhere or not at all for its area.
int unmatchedPixels(const QImage& a, const QImage& b)
{
    const auto unmatched = [](const QImage& p, const QImage& q) {
        int count = 0;
        for (int y = 1; y + 1 < p.height(); ++y)
            for (int x = 1; x + 1 < p.width(); ++x) {
                bool found = false;
                for (int dy = -1; dy <= 1 && !found; ++dy)
                    for (int dx = -1; dx <= 1 && !found; ++dx)
                        found = nearColour(p.pixel(x, y), QColor(q.pixel(x + dx, y + dy)), 24);
                count += found ? 0 : 1;
            }
        return count;
    };
    return a.size() != b.size() ? a.width() * a.height() : unmatched(a, b) + unmatched(b, a);
}

} // namespace

class TestView : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initialiseViewTesting(); }
    void worldToScreen_data();
    void worldToScreen();
    void screenRoundTrip_data() { addTurnedCameraRows(); }
    void screenRoundTrip();
    void capturedScene();
    void widgetShowsItsFrame();
    void pinSpheresAreLit();
    void captureSizes_data();
    void captureSizes();
    void captureFromWorker();
    void viewDestroyedWhileWorkerWaits();
    void everyPassLeavesTheSwitchesOff_data();
    void everyPassLeavesTheSwitchesOff();
    void framesLeaveValidCachesAlone_data() { everyPassLeavesTheSwitchesOff_data(); }
    void framesLeaveValidCachesAlone();
    void dirtyFlags();
    void geometryRecord();
    void selectionRecord();
    void selectionFollowsTheRenderOrigin();
    void selectedMemberTick();
    void resultsAndLoads();
    void farModelIsDrawnAsAtTheOrigin_data();
    void farModelIsDrawnAsAtTheOrigin();
    void cornerTriadShowsGroundFromLevelOrAbove_data();
    void cornerTriadShowsGroundFromLevelOrAbove();
    void memberlessLoadIsSkipped();
    void commonGlyphs();
    void aFailedComparisonKeepsItsEvidence_data();
    void aFailedComparisonKeepsItsEvidence();
    void interrogatorPosition_data();
    void interrogatorPosition();
    void reattachingConnectsOnce();
    void examplePictures();
};

void TestView::worldToScreen_data()
{
    QTest::addColumn<Vector3>("world");
    QTest::addColumn<QPointF>("screen");
    // 400 × 300: centre (200, 150); 300 / (2 · 10 · tan 15°) pixels per metre at depth 10.
    const double k = pixelsPerMetre(300);
    QTest::newRow("focal point") << Vector3(0, 0, 0) << QPointF(200, 150);
    QTest::newRow("x") << Vector3(1, 0, 0) << QPointF(200 + k, 150);
    QTest::newRow("y upwards") << Vector3(0, 2, 0) << QPointF(200, 150 - 2 * k);
    QTest::newRow("farther") << Vector3(1, 0, 5) << QPointF(200 + k * 10 / 15, 150);
    QTest::newRow("nearer") << Vector3(-1, -1, -5) << QPointF(200 - 2 * k, 150 + 2 * k);
}

void TestView::worldToScreen()
{
    QFETCH(Vector3, world);
    QFETCH(QPointF, screen);
    ViewBench bench;
    bench.frame();
    const QPointF p = bench.view->transformWorldToScreen(world);
    QVERIFY2(std::fabs(p.x() - screen.x()) < 1e-3 && std::fabs(p.y() - screen.y()) < 1e-3,
             qPrintable(QStringLiteral("(%1, %2)").arg(p.x()).arg(p.y())));
}

// Pixels of points at several depths under three pixels, in a view turned
// every way: the view projects them where a camera worked out by hand does,
// unprojects them back, and casts the ray under the pixel through them.
void TestView::screenRoundTrip()
{
    QFETCH(double, azimuth);
    QFETCH(double, elevation);
    ViewBench bench;
    bench.turn(azimuth, elevation);
    const HandCamera camera(*bench.viewPoint, bench.view->size());
    for (const QPoint& pixel : {QPoint(200, 150), QPoint(37, 251), QPoint(350, 20)}) {
        for (double D : {4.0, 10.0, 31.0}) {
            const Vector3 p = camera.under(pixel, D);
            const Vector3 s = bench.view->transformWorldTo3DScreen(p);
            const QPointF onScreen(s.x(), s.y());
            QVERIFY2(distanceBetween(onScreen, pixel) < 1e-6,
                     qPrintable(QStringLiteral("projected %1 px from its pixel").arg(distanceBetween(onScreen, pixel))));
            const double back = (bench.view->transformScreenToWorld(onScreen, s.z()) - p).length();
            QVERIFY2(back < 1e-6 * D, qPrintable(QStringLiteral("unprojected %1 m from where it was").arg(back)));
            const Ray3 ray = bench.view->calculateRayFromViewCoordinate(pixel);
            const Vector3 v = p - ray.origin;
            const double off = (v - ray.direction * v.dot(ray.direction)).length();
            QVERIFY2(off < 1e-6 * D, qPrintable(QStringLiteral("the ray under the pixel passes %1 m from the point there")
                                                    .arg(off)));
        }
    }
}

void TestView::capturedScene()
{
    ViewBench bench(false);
    const NodeRef a = bench.node(-2.0, 0.0), b = bench.node(2.0, 1.0), c = bench.node(0.0, -2.0);
    a->setSupport(VaroObject::make<Support>(QStringLiteral("Fixed"), Dof(63)));
    bench.actions()->actionSelectObjects({c});
    QTRY_COMPARE(bench.doc->selectionModel()->selectedNodes().size(), 1);
    const QImage image = bench.view->captureImage(512, 512);
    QCOMPARE(image.size(), QSize(512, 512));
    QVERIFY(nearColour(image.pixel(10, 10), Qt::white, 2));
    QVERIFY(nearColour(image.pixel(pixelOf(image, 2.0, 1.0)), Colours::nodePoint));
    QVERIFY(nearColour(image.pixel(pixelOf(image, 0.0, -2.0)), Colours::selected));
    // A support is a 12-pixel dot around its node's 8-pixel dot.
    QVERIFY(nearColour(image.pixel(pixelOf(image, -2.0, 0.0) + QPoint(5, 0)), Colours::support));
    QVERIFY(nearColour(image.pixel(pixelOf(image, 2.0, 1.0) + QPoint(5, 0)), Qt::white));

    // A capture that shows a group: its nodes in full, the others faded towards the white.
    const GeometryGroupRef group(VaroObject::make<GeometryGroup>());
    b->setGeometryGroup(group);
    bench.node(1.0, -1.0);
    StructureView::CaptureSettings settings;
    settings.applyGroup = true;
    settings.group = group;
    const QImage grouped = bench.view->captureImage(512, 512, settings);
    QCOMPARE(bench.state->group(), GroupRef(group));
    QVERIFY(nearColour(grouped.pixel(pixelOf(grouped, 2.0, 1.0)), Colours::nodePoint));
    const int faded = qGray(grouped.pixel(pixelOf(grouped, 1.0, -1.0)));
    QVERIFY2(faded > Colours::nodePoint.red() + 40 && faded < 215, qPrintable(QString::number(faded)));
}

void TestView::widgetShowsItsFrame()
{
    ViewBench bench;
    bench.node(1.0, 0.0);
    bench.frame();
    // What the window system holds, after the frame's buffer swap.
    const auto shown = [&] { return bench.view->screen()->grabWindow(bench.view->winId()).toImage(); };
    const QPoint p = bench.view->transformWorldToScreen(Vector3(1.0, 0.0, 0.0)).toPoint();
    QVERIFY(nearColour(shown().pixel(p), Colours::nodePoint));
    QVERIFY(nearColour(shown().pixel(20, 20), Qt::white, 2));
    // Without a camera the frame is plain white.
    bench.view->clearViewPoint();
    bench.frame();
    QVERIFY(nearColour(shown().pixel(p), Qt::white, 2));
}

void TestView::pinSpheresAreLit()
{
    ViewBench bench(false);
    const MemberRef m = bench.member(bench.node(-2.0, 0.0), bench.node(2.0, 0.0));
    m->setPinAtA(true);
    const QImage image = bench.view->captureImage(512, 512);
    // Radius and inset: 3 / 512 of the 10 m depth, about 5.6 pixels.
    const QRgb lit = image.pixel(pixelOf(image, -2.0, 0.0) + QPoint(5, -2));
    QVERIFY2(qRed(lit) > 120 && qGreen(lit) < 80 && qBlue(lit) < 80, qPrintable(QColor(lit).name()));
}

void TestView::captureSizes_data()
{
    QTest::addColumn<QSize>("request");
    QTest::addColumn<QSize>("result");
    QTest::newRow("power of two") << QSize(512, 512) << QSize(512, 512);
    QTest::newRow("1024 x 256 fitted") << QSize(1000, 200) << QSize(800, 200);
    QTest::newRow("capped at 1024") << QSize(2000, 1000) << QSize(1000, 1000);
    QTest::newRow("empty") << QSize(0, 100) << QSize();
}

void TestView::captureSizes()
{
    QFETCH(QSize, request);
    QFETCH(QSize, result);
    ViewBench bench(false);
    bench.node(0.0, 0.0);
    const QSize before = bench.view->size();
    const QImage image = bench.view->captureImage(request.width(), request.height());
    QCOMPARE(image.isNull() ? QSize() : image.size(), result);
    QCOMPARE(bench.view->size(), before);
    if (!image.isNull())
        QCOMPARE(image.format(), QImage::Format_RGB32);
}

void TestView::captureFromWorker()
{
    ViewBench bench;
    bench.node(0.0, 0.0);
    StructureView* view = bench.view.data();
    // The worker's own camera looks at (1, 0, 0), so the node lies a metre left of centre.
    StructureView::CaptureSettings settings;
    settings.viewPoint.reset(new ViewPoint(*bench.viewPoint));
    settings.viewPoint->setFocalPoint(Vector3(1.0, 0.0, 0.0));
    QFuture<QImage> future = QtConcurrent::run([view, settings] { return view->captureImage(256, 256, settings); });
    QTRY_VERIFY(future.isFinished());
    const QImage image = future.result();
    QCOMPARE(image.size(), QSize(256, 256));
    QVERIFY(nearColour(image.pixel(pixelOf(image, -1.0, 0.0)), Colours::nodePoint));
    QVERIFY(nearColour(image.pixel(128, 128), Qt::white, 2));
    QCOMPARE(bench.view->viewPointRef(), bench.viewPoint);
}

void TestView::viewDestroyedWhileWorkerWaits()
{
    ViewBench bench(false);
    StructureView* view = bench.view.data();
    QFuture<QImage> future = QtConcurrent::run([view] { return view->captureImage(256, 256); });
    for (int i = 0; i < 5000 && view->pendingCaptureCount() == 0; ++i)
        QThread::msleep(1);
    QCOMPARE(view->pendingCaptureCount(), 1);
    bench.view.reset();
    future.waitForFinished();
    QVERIFY(future.result().isNull());
}

void TestView::everyPassLeavesTheSwitchesOff_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("resultMode");
    QTest::addColumn<bool>("solid");
    QTest::newRow("geometry") << int(CurrentState::Geometry) << 0 << false;
    QTest::newRow("solid") << int(CurrentState::Geometry) << 0 << true;
    QTest::newRow("loading") << int(CurrentState::Loading) << 0 << false;
    QTest::newRow("reactions") << int(CurrentState::Results) << int(CurrentState::Reaction) << false;
    QTest::newRow("moments") << int(CurrentState::Results) << int(CurrentState::BendingMoment) << false;
    QTest::newRow("deflection") << int(CurrentState::Results) << int(CurrentState::Deflection) << false;
}

void TestView::everyPassLeavesTheSwitchesOff()
{
    QFETCH(int, mode);
    QFETCH(int, resultMode);
    QFETCH(bool, solid);
    ViewBench bench;
    buildCantilever(bench);
    const MemberRef propped = bench.member(bench.structure()->members().first()->nodeB(), bench.node(2.0, -2.0));
    propped->setPinAtA(true);
    propped->nodeB()->setSupport(VaroObject::make<Support>(QStringLiteral("Fixed"), Dof(63)));
    bench.state->setMode(mode);
    bench.state->setResultMode(resultMode);
    bench.state->enableRenderSolid(solid);
    QTRY_VERIFY2_WITH_TIMEOUT(bench.doc->analysisOutput(), qPrintable(bench.doc->analysisStatusMessage()), 5000);
    // The widget's context and the capture's each start and end every frame with all four off.
    for (int i = 0; i < 2; ++i) {
        bench.frame();
        QVERIFY(bench.view->shadow().allOff());
        QVERIFY(bench.view->shadow().savedStates.isEmpty());
        QVERIFY(!bench.view->captureImage(128, 128).isNull());
        QVERIFY(bench.view->shadow().allOff());
        QVERIFY(bench.view->shadow().savedStates.isEmpty());
    }
}

// A member that counts how often its cache is worked out.
class CountingMember : public Member
{
public:
    using Member::Member;
    void updateCache() override
    {
        ++workedOut;
        Member::updateCache();
    }
    std::atomic<int> workedOut{0};
};

// The analysis reads the members' caches in its own thread while frames are
// drawn, so a frame never works out again a cache that is valid: not for the
// pins, the solid members, the loads or the result diagrams. The pinned
// member slopes, so that its load bends it.
void TestView::framesLeaveValidCachesAlone()
{
    QFETCH(int, mode);
    QFETCH(int, resultMode);
    QFETCH(bool, solid);
    ViewBench bench(false);
    buildCantilever(bench);
    const QSharedPointer<CountingMember> propped(
        VaroObject::make<CountingMember>(bench.structure()->members().first()->nodeB(), bench.node(4.0, -2.0)));
    propped->setSectionType(bench.steel);
    propped->setPinAtA(true);
    propped->nodeB()->setSupport(VaroObject::make<Support>(QStringLiteral("Fixed"), Dof(63)));
    const LoadRef load = PointLoad::makeDefault(bench.state->loadCase());
    load->setMember(propped);
    load->setPositionedForces({Load::PositionedForce(0.5, -5000.0)});
    bench.structure()->appendObjects({propped, load});
    bench.state->setMode(mode);
    bench.state->setResultMode(resultMode);
    bench.state->enableRenderSolid(solid);
    QTRY_VERIFY2_WITH_TIMEOUT(bench.doc->analysisOutput(), qPrintable(bench.doc->analysisStatusMessage()), 20000);
    propped->updateCache();
    QVERIFY(propped->isCacheValid());
    const int before = propped->workedOut;
    for (int i = 0; i < 2; ++i)
        QVERIFY(!bench.view->captureImage(128, 128).isNull());
    QCOMPARE(propped->workedOut.load(), before);
}

void TestView::dirtyFlags()
{
    typedef StructureView::Record R;
    ViewBench bench(false);
    const NodeRef a = bench.node(0.0, 0.0);
    bench.frame();
    const auto dirtySet = [&] {
        QList<int> set;
        for (int r = StructureView::GeometryRecord; r <= StructureView::SelectionRecord; ++r)
            if (bench.view->isDirty(R(r)))
                set << r;
        return set;
    };
    QCOMPARE(dirtySet(), QList<int>());

    bench.actions()->actionSelectObjects({a});
    QTRY_VERIFY(bench.view->isDirty(StructureView::SelectionRecord));
    QCOMPARE(dirtySet(), QList<int>() << StructureView::SelectionRecord);
    bench.frame();
    QCOMPARE(dirtySet(), QList<int>());

    bench.actions()->actionMoveSelectedNodesBy(Vector4(1, 0, 0, 1), CalculatorReference());
    QTRY_VERIFY(bench.view->isDirty(StructureView::GeometryRecord));
    QCOMPARE(dirtySet(), QList<int>() << StructureView::GeometryRecord << StructureView::LoadingRecord
                                      << StructureView::SelectionRecord);
    bench.frame();

    bench.state->setMode(CurrentState::Results);
    bench.frame();
    bench.state->setScaleBendingMoments(0.5);
    QCOMPARE(dirtySet(), QList<int>() << StructureView::ResultScalingRecord << StructureView::PointsOfInterestRecord);
    bench.frame();
    bench.state->setResultMode(CurrentState::ShearForce);
    QCOMPARE(dirtySet(), QList<int>() << StructureView::ResultsRecord << StructureView::ResultScalingRecord
                                      << StructureView::PointsOfInterestRecord);
    bench.frame();
    bench.state->setLoadCase(bench.doc->loadCases().value(0));
    QCOMPARE(dirtySet(), QList<int>() << StructureView::LoadingRecord << StructureView::ResultsRecord
                                      << StructureView::ResultScalingRecord << StructureView::PointsOfInterestRecord);
    bench.frame();
    bench.state->setGroup(GroupRef(VaroObject::make<GeometryGroup>()));
    QCOMPARE(dirtySet(), QList<int>() << StructureView::GeometryRecord);
    bench.frame();
    QCOMPARE(dirtySet(), QList<int>());
}

void TestView::geometryRecord()
{
    ViewBench bench;
    const GeometryGroupRef red(VaroObject::make<GeometryGroup>(QStringLiteral("Red"))), grey(VaroObject::make<GeometryGroup>(QStringLiteral("Grey")));
    red->setColour(QColor(255, 0, 0));
    grey->setColour(QColor(128, 128, 128));
    grey->setAnalysisPurpose(false);
    const NodeRef n0 = bench.node(0, 0), n1 = bench.node(1, 0), n2 = bench.node(2, 0);
    n1->setGeometryGroup(red);
    n2->setGeometryGroup(grey);
    const MemberRef plain = bench.member(n0, n1), bare = bench.member(n0, n2), loop = bench.member(n2, n2);
    const MemberRef ignored = bench.member(n1, n2);
    bare->setSectionType(SectionTypeRef());
    ignored->setGeometryGroup(grey);
    bench.frame();
    const StructureView::GeometryVBO& g = bench.view->geometryRecord();
    // Ungrouped first, then by colour, larger ARGB first.
    QCOMPARE(g.nodes, QList<NodeRef>() << n0 << n1 << n2);
    QCOMPARE(g.members, QList<MemberRef>() << plain << bare << loop << ignored);
    // A member on one node is listed but never drawn.
    QCOMPARE(g.allMembers.indices, QVector<GLuint>() << 0 << 1 << 0 << 2 << 1 << 2);
    QCOMPARE(g.majorMembers.indices, QVector<GLuint>() << 0 << 1);
    QCOMPARE(g.invalidMembers.indices, QVector<GLuint>() << 0 << 2);
    QCOMPARE(g.ignoredMembers.indices, QVector<GLuint>() << 1 << 2);

    bench.state->setGroup(grey);
    bench.frame();
    // The current group first, each part in its sorted order.
    QCOMPARE(g.nodes, QList<NodeRef>() << n2 << n0 << n1);
    QCOMPARE(g.members, QList<MemberRef>() << ignored << plain << bare << loop);
    QCOMPARE(g.groupNodes.indices, QVector<GLuint>() << 0);
    QCOMPARE(g.otherNodes.indices, QVector<GLuint>() << 1 << 2);
    QCOMPARE(g.ignoredMembers.indices, QVector<GLuint>() << 2 << 0);
    QCOMPARE(g.otherMajorMembers.indices, QVector<GLuint>() << 1 << 2);
    QVERIFY(g.majorMembers.isEmpty());
    QCOMPARE(g.invalidMembers.indices, QVector<GLuint>() << 1 << 0);
}

void TestView::selectionRecord()
{
    ViewBench bench;
    const NodeRef a = bench.node(0, 0), b = bench.node(1, 0), c = bench.node(2, 0);
    const MemberRef ab = bench.member(a, b), bc = bench.member(b, c);
    bench.actions()->actionSelectObjects({b, ab, bc});
    QTRY_COMPARE(bench.doc->selectionModel()->selectedMembers().size(), 2);
    bench.frame();
    const StructureView::SelectionVBO& s = bench.view->selectionRecord();
    // b once, then the unselected ends as first met.
    QCOMPARE(s.vertices.vertices, QVector<QVector3D>() << QVector3D(1, 0, 0) << QVector3D(0, 0, 0) << QVector3D(2, 0, 0));
    QCOMPARE(s.nodes.indices, QVector<GLuint>() << 0);
    QCOMPARE(s.members.indices, QVector<GLuint>() << 1 << 0 << 0 << 2);
}

// A member selected far from where the view first drew: once the camera has
// gone there, the selection is drawn from the same origin as the structure.
void TestView::selectionFollowsTheRenderOrigin()
{
    ViewBench bench(false);
    bench.member(bench.node(0.0, 0.0), bench.node(1.0, 0.0));
    const NodeRef c = bench.node(1e6, 0.0), d = bench.node(1e6 + 1.0, 0.0);
    bench.actions()->actionSelectObjects({bench.member(c, d)});
    QTRY_COMPARE(bench.doc->selectionModel()->selectedMembers().size(), 1);
    bench.frame();
    bench.viewPoint->setFocalPoint(Vector3(1e6, 0.0, 0.0));
    bench.frame();
    const StructureView::GeometryVBO& g = bench.view->geometryRecord();
    const QVector<QVector3D> ends{g.nodeVertices.vertices.value(int(g.vertexOf.value(c.data()))),
                                  g.nodeVertices.vertices.value(int(g.vertexOf.value(d.data())))};
    QVERIFY2(bench.view->selectionRecord().vertices.vertices == ends,
             "the selection is drawn from the render origin before the camera moved");
}

// A selected member carries a tick from its middle along its local y axis,
// 3 / tan 15° = 11.2 pixels long at a scale of 1 whatever its depth: here 15 m
// from the eye, its middle at (1, 0, 5).
void TestView::selectedMemberTick()
{
    ViewBench bench(false);
    const MemberRef m = bench.member(bench.node(0.0, 0.0, 5.0), bench.node(2.0, 0.0, 5.0));
    bench.actions()->actionSelectObjects({m});
    QTRY_COMPARE(bench.doc->selectionModel()->selectedMembers().size(), 1);
    const QImage image = bench.view->captureImage(512, 512);
    const double atDepth = 512.0 / (2.0 * 15.0 * tan15);
    const QPointF middle(256.0 + 1.0 * atDepth, 256.0);
    const Vector3 y = m->vectorY();
    const QPointF up(y.x(), -y.y());
    const double L = 3.0 / tan15 * bench.state->scaleGI();
    const auto along = [&](double pixels) {
        const QPointF p = middle + up * pixels;
        return QPoint(int(std::floor(p.x())), int(std::floor(p.y())));
    };
    const QColor tick = Colours::selected.darker(200);
    // Beyond the 6-pixel line, on the stem, past its end and on the other side.
    QVERIFY(nearColour(image.pixel(along(0.6 * L)), tick));
    QVERIFY(nearColour(image.pixel(along(0.85 * L)), tick));
    QVERIFY(nearColour(image.pixel(along(L + 4.0)), Qt::white, 2));
    QVERIFY(nearColour(image.pixel(along(-0.6 * L)), Qt::white, 2));
}

void TestView::resultsAndLoads()
{
    ViewBench bench(false);
    buildCantilever(bench);
    bench.state->setMode(CurrentState::Loading);
    const QColor loadColour = bench.state->loadCase()->colour();
    QVERIFY(pixelsNear(bench.view->captureImage(512, 512), loadColour) > 20);
    bench.state->enableLightWeight(true);
    QCOMPARE(pixelsNear(bench.view->captureImage(512, 512), loadColour), 0);
    bench.state->enableLightWeight(false);

    bench.state->setMode(CurrentState::Results);
    QTRY_VERIFY_WITH_TIMEOUT(bench.doc->analysisOutput(), 20000);
    bench.state->setResultMode(CurrentState::Reaction);
    QImage image = bench.view->captureImage(512, 512);
    // The vertical reaction arrives at the support from below, along its own global axis.
    QVERIFY(nearColour(image.pixel(pixelOf(image, -1.0, -0.6)), Colours::reactionLinear));
    bench.state->setResultMode(CurrentState::BendingMoment);
    QVERIFY(pixelsNear(bench.view->captureImage(512, 512), Colours::bendingMoment) > 20);
    // Moments about z only, linear: A, the two ends of the member, B.
    const QMap<MemberRef, QPair<int, int>>& ranges = bench.view->resultRanges();
    QCOMPARE(ranges.size(), 1);
    const QVector<int>& outline = bench.view->resultOutlineList();
    const QVector<StructureView::ResultVertex>& vertices = bench.view->resultVertexList();
    QCOMPARE(ranges.first(), qMakePair(0, 3));
    QCOMPARE(vertices[outline[ranges.first().first]].vector, Vector3(-1.0, 0.0, 0.0));
    QCOMPARE(vertices[outline[ranges.first().second]].vector, Vector3(2.0, 0.0, 0.0));
    // At the support M = F·L = 10 kN × 3 m, times the edition's load factor of 1.3 to 1.795.
    const StructureView::ResultVertex& root = vertices[outline[1]];
    QCOMPARE(root.t, 0.0);
    QVERIFY(std::fabs(root.vector.x()) < 1e-6 && std::fabs(root.vector.z()) < 1e-6);
    QVERIFY2(std::fabs(root.vector.y()) >= 30000 * 1.3 - 1e-6 && std::fabs(root.vector.y()) <= 30000 * 1.795 + 1e-6,
             qPrintable(QString::number(root.vector.y())));
    QCOMPARE(vertices[outline[2]].t, 1.0);
    QVERIFY(vertices[outline[2]].vector.length() < 1e-6 * std::fabs(root.vector.y()));
}

void TestView::farModelIsDrawnAsAtTheOrigin_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("resultMode");
    QTest::addColumn<bool>("solid");
    QTest::addColumn<double>("X");
    // The analysis fails on one member, which the results mode marks.
    QTest::addColumn<bool>("failing");
    const int G = CurrentState::Geometry, R = CurrentState::Results;
    for (double X : {1e4, 1e9}) {
        const auto row = [X](const char* name) -> QTestData& {
            return QTest::newRow(qPrintable(QStringLiteral("%1, %2 m").arg(name).arg(X)));
        };
        row("wire frame") << G << 0 << false << X << false;
        row("solid") << G << 0 << true << X << false;
        row("loading") << int(CurrentState::Loading) << 0 << false << X << false;
        row("reactions") << R << int(CurrentState::Reaction) << false << X << false;
        row("deflection") << R << int(CurrentState::Deflection) << false << X << false;
        row("bending moments") << R << int(CurrentState::BendingMoment) << false << X << false;
        row("a failed member") << R << int(CurrentState::Deflection) << false << X << true;
    }
}

// One model drawn at the origin and again moved far away, with the camera
// moved as far: everything the mode draws is drawn the same, since no
// position reaches GL other than from the render origin.
void TestView::farModelIsDrawnAsAtTheOrigin()
{
    QFETCH(int, mode);
    QFETCH(int, resultMode);
    QFETCH(bool, solid);
    QFETCH(double, X);
    QFETCH(bool, failing);
    ViewBench bench(false);
    SpaceScene scene(bench, 0.0);
    if (failing) {
        BusyCountGuard busy(bench.doc.data());
        scene.ab->setSectionType(SectionTypeRef());
    }
    bench.state->setMode(mode);
    bench.state->setResultMode(resultMode);
    bench.state->enableRenderSolid(solid);
    // Geometry: a member with its tick and a node with its axes, or the
    // member with its axes; Loading: the member and the torque with its arc.
    const QList<VaroObjectRef> selected = mode == CurrentState::Loading ? QList<VaroObjectRef>{scene.ab, scene.torque}
                                          : solid ? QList<VaroObjectRef>{scene.ab}
                                                  : QList<VaroObjectRef>{scene.ab, scene.b};
    if (mode != CurrentState::Results) {
        bench.actions()->actionSelectObjects(selected);
        QTRY_COMPARE(bench.doc->selectionModel()->selection().size(), selected.size());
    }
    bench.state->setInterrogatorObject(scene.ab);
    QSharedPointer<AnalysisOutput> output;
    StructureView::CaptureSettings scenery;
    scenery.overlay = false;
    const auto capture = [&] {
        if (failing) {
            if (!QTest::qWaitFor([&] { return bench.doc->analysisStatusObject() == scene.ab; }, 30000))
                return QImage();
        } else if (mode == CurrentState::Results) {
            output = resultsOtherThan(bench, output);
            if (!output)
                return QImage();
        }
        return bench.view->captureImage(512, 512, scenery);
    };
    const QImage atOrigin = capture();
    QVERIFY2(!atOrigin.isNull(), qPrintable(bench.doc->analysisStatusMessage()));
    scene.moveBy(bench, X);
    const QImage moved = capture();
    QVERIFY2(!moved.isNull(), qPrintable(bench.doc->analysisStatusMessage()));

    struct Glyph
    {
        const char* name;
        QColor colour;
        int tolerance = 24;
    };
    QList<Glyph> glyphs;
    if (failing) {
        glyphs = {{"the failed member's mark", Colours::failed}};
    } else if (mode == CurrentState::Results) {
        if (resultMode == CurrentState::Reaction)
            glyphs = {{"reaction forces", Colours::reactionLinear}, {"reaction moments", Colours::reactionTorque}};
        else if (resultMode == CurrentState::Deflection)
            glyphs = {{"the deflected shape", Colours::deflection},
                      {"the interrogated member's deflection", Colours::interrogatedDeflection}};
        else
            glyphs = {{"moment diagrams", Colours::bendingMoment},
                      {"the interrogated member's diagram", Colours::interrogatedBendingMoment}};
        glyphs << Glyph{"the largest results", Colours::highlightWorstCaseResult};
        if (resultMode != CurrentState::Reaction)
            glyphs << Glyph{"points of interest", Colours::pointsOfInterest};
    } else {
        glyphs = {{"the selection", Colours::selected}, {"member ticks", Colours::selected.darker(200)}};
        if (mode == CurrentState::Loading)
            glyphs << Glyph{"loads", bench.state->loadCase()->colour()}
                   << Glyph{"the torque's arc", Colours::loadMagnitudeDecoration};
        else
            glyphs << Glyph{"the selection's axes", Colours::masterAxes};
        // Lit, each in shades from dark to bright: the members grey-blue, a sphere pure red.
        if (solid)
            glyphs << Glyph{"solid members", QColor(110, 120, 135), 70};
        else if (mode == CurrentState::Geometry)
            glyphs << Glyph{"supports", Colours::support} << Glyph{"pin spheres", QColor(146, 0, 0), 75};
    }
    QStringList otherwise;
    for (const Glyph& glyph : qAsConst(glyphs)) {
        const int before = pixelsNear(atOrigin, glyph.colour, glyph.tolerance);
        const int after = pixelsNear(moved, glyph.colour, glyph.tolerance);
        QVERIFY2(before >= 12, qPrintable(QStringLiteral("%1: only %2 pixels at the origin").arg(glyph.name).arg(before)));
        if (std::abs(after - before) > 4 + before / 10)
            otherwise << QStringLiteral("%1: %2 pixels at the origin, %3 far from it").arg(glyph.name).arg(before).arg(after);
    }
    VARO_VERIFY_FRAMES(otherwise.isEmpty(), atOrigin, moved, otherwise.join(QStringLiteral("; ")),
                       FrameEvidence::describe(bench.view.data()), QImage());
    const int differing = unmatchedPixels(atOrigin, moved);
    VARO_VERIFY_FRAMES(differing <= 16, atOrigin, moved,
                       QStringLiteral("%1 pixels differ from the frame at the origin").arg(differing),
                       FrameEvidence::describe(bench.view.data()), QImage());
}

void TestView::memberlessLoadIsSkipped()
{
    ViewBench bench(false);
    buildCantilever(bench);
    const LoadRef loose(VaroObject::make<PointLoad>(MemberRef()));
    loose->setLoadCase(bench.state->loadCase());
    bench.structure()->appendObjects({loose});
    bench.actions()->actionSelectObjects({loose});
    bench.state->setMode(CurrentState::Loading);
    QVERIFY(!bench.view->captureImage(128, 128).isNull());
}

void TestView::cornerTriadShowsGroundFromLevelOrAbove_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<double>("X");
    QTest::addColumn<double>("azimuth");
    QTest::addColumn<double>("elevation");
    QTest::addColumn<bool>("ground");
    const QString portal = QStringLiteral(":/example/02.KU.Plane Portal.varok");
    const double asSaved = std::numeric_limits<double>::quiet_NaN();
    QTest::newRow("new model") << QStringLiteral(":/templateDefault.varok") << 0.0 << asSaved << asSaved << true;
    QTest::newRow("example, front") << portal << 0.0 << asSaved << asSaved << true;
    QTest::newRow("example 1e9 m away, front") << portal << 1e9 << asSaved << asSaved << true;
    QTest::newRow("example, side") << portal << 0.0 << -M_PI / 2.0 << 0.0 << true;
    QTest::newRow("example 1e9 m away, side") << portal << 1e9 << -M_PI / 2.0 << 0.0 << true;
    QTest::newRow("example, from above") << portal << 0.0 << -M_PI / 8.0 << M_PI / 5.0 << true;
    QTest::newRow("example, just below") << portal << 0.0 << asSaved << -M_PI / 65536.0 << false;
    QTest::newRow("example, from below") << portal << 0.0 << -M_PI / 8.0 << -0.3 << false;
    QTest::newRow("example 1e9 m away, from below") << portal << 1e9 << asSaved << -0.3 << false;
}

// The corner triad fills its ground triangle with ground while the camera
// stands level with the ground plane or above it, and with sky below it,
// however far from the origin the model lies.
void TestView::cornerTriadShowsGroundFromLevelOrAbove()
{
    QFETCH(QString, path);
    QFETCH(double, X);
    QFETCH(double, azimuth);
    QFETCH(double, elevation);
    QFETCH(bool, ground);
    ViewBench bench;
    QVERIFY(bench.open(path));
    for (const NodeRef& node : bench.structure()->nodes())
        node->setPosition(node->position() + Vector3(X, 0.0, 0.0));
    bench.viewPoint->moveFocalPointBy(Vector3(X, 0.0, 0.0));
    bench.viewPoint->setAzimuth(azimuth);
    bench.viewPoint->setElevation(elevation);
    QCOMPARE(bench.viewPoint->elevation() >= 0.0, ground);
    bench.frame();
    const QImage frame = bench.view->grabFrameBuffer();
    keepForReview(frame, QStringLiteral("triad/%1.png").arg(QTest::currentDataTag()));
    const QImage triad = frame.copy(frame.width() - 110, frame.height() - 110, 92, 92);
    // Closer than the blend of a member line with white comes to the sky.
    const int groundPixels = pixelsNear(triad, Colours::ground, 12), skyPixels = pixelsNear(triad, Colours::sky, 12);
    const QString counts = QStringLiteral(": %1 pixels of ground, %2 of sky").arg(groundPixels).arg(skyPixels);
    if (ground)
        QVERIFY2(groundPixels >= 10 && skyPixels == 0, qPrintable("the triad shows sky from level or above" + counts));
    else
        QVERIFY2(skyPixels >= 10 && groundPixels == 0, qPrintable("the triad shows ground from below" + counts));
}

void TestView::commonGlyphs()
{
    ViewBench bench(false);
    for (int i = 0; i < 2; ++i) {
        bench.view->captureImage(16, 16);
        QCOMPARE(bench.view->commonRecord().glyphVertices.vertices.size(), 96);
        QCOMPARE(bench.view->commonRecord().torqueArc.indices.size(), 86);
    }
    // 86 arc entries: a sixth is 14, and the tip runs over the other 71.
    QCOMPARE(bench.view->torqueTipIndex(0.0), 14);
    QCOMPARE(bench.view->torqueTipIndex(1.0), 85);
    QCOMPARE(bench.view->torqueTipIndex(-1.0), 85);
    QCOMPARE(bench.view->torqueTipIndex(0.5), 50);
    // The arc runs from -45° in steps of 3.75°.
    QCOMPARE(bench.view->torqueAngles().first(), -M_PI / 4);
    QVERIFY(std::fabs(bench.view->torqueAngles().last() - 3 * M_PI / 2) < 1e-12);
}

void TestView::aFailedComparisonKeepsItsEvidence_data()
{
    QTest::addColumn<bool>("takenAgain");
    QTest::newRow("two frames") << false;
    QTest::newRow("and one taken again") << true;
}

// Two frames that differ in one pixel are kept with their differences,
// which mark that pixel alone, and with the states that drew them.
void TestView::aFailedComparisonKeepsItsEvidence()
{
    QFETCH(bool, takenAgain);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const bool wasSet = qEnvironmentVariableIsSet("VARO_FAILED_FRAMES");
    const QByteArray was = qgetenv("VARO_FAILED_FRAMES");
    const auto restore = qScopeGuard([&] {
        if (wasSet)
            qputenv("VARO_FAILED_FRAMES", was);
        else
            qunsetenv("VARO_FAILED_FRAMES");
    });
    qputenv("VARO_FAILED_FRAMES", QFile::encodeName(folder.path()));
    QImage expected(40, 30, QImage::Format_RGB32);
    expected.fill(qRgb(30, 60, 90));
    QImage actual = expected;
    const QPoint differing(17, 11);
    actual.setPixel(differing, qRgb(230, 60, 90));
    expected.setText(QStringLiteral("state"), QStringLiteral("drew the first"));
    actual.setText(QStringLiteral("state"), QStringLiteral("drew the second"));
    QImage again;
    if (takenAgain) {
        again = actual;
        again.setText(QStringLiteral("state"), QStringLiteral("drew the third"));
    }
    FrameEvidence::keep(QStringLiteral("one pixel apart"), expected, actual, QStringLiteral("state at the failure"),
                        again);

    const QDir kept(folder.path());
    const auto file = [&kept](const QString& suffix) {
        const QStringList found = kept.entryList({QLatin1Char('*') + suffix}, QDir::Files);
        return found.size() == 1 ? kept.filePath(found.first()) : QString();
    };
    QCOMPARE(kept.entryList(QDir::Files).size(), takenAgain ? 5 : 4);
    QCOMPARE(QImage(file(QStringLiteral(" expected.png"))).pixel(differing), expected.pixel(differing));
    QCOMPARE(QImage(file(QStringLiteral(" actual.png"))).pixel(differing), actual.pixel(differing));
    QCOMPARE(file(QStringLiteral(" again.png")).isEmpty(), !takenAgain);
    const QImage differences(file(QStringLiteral(" differences.png")));
    QCOMPARE(differences.size(), expected.size());
    for (int y = 0; y < differences.height(); ++y)
        for (int x = 0; x < differences.width(); ++x)
            QCOMPARE(differences.pixel(x, y) == qRgb(255, 0, 0), QPoint(x, y) == differing);
    QFile state(file(QStringLiteral(" state.txt")));
    QVERIFY(state.open(QIODevice::ReadOnly | QIODevice::Text));
    const QString notes = QString::fromUtf8(state.readAll());
    for (const char* told : {"one pixel apart", "drew the first", "drew the second", "state at the failure"})
        QVERIFY2(notes.contains(QLatin1String(told)), told);
    QCOMPARE(notes.contains(QStringLiteral("drew the third")), takenAgain);
}

void TestView::interrogatorPosition_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("stored");
    QTest::newRow("beyond B") << 1.7 << 1.0;
    QTest::newRow("before A") << -0.2 << 0.0;
    QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN() << 1.0;
    QTest::newRow("inside") << 0.25 << 0.25;
}

void TestView::interrogatorPosition()
{
    QFETCH(double, value);
    QFETCH(double, stored);
    ViewBench bench(false);
    QSignalSpy spy(bench.state.data(), &CurrentState::InterrogatorPositionHasChanged);
    for (int i = 0; i < 2; ++i)
        QVERIFY(QMetaObject::invokeMethod(bench.view.data(), "setInterrogatorPosition",
                                          Q_ARG(Vector4, Vector4(value, 0, 0, 1)),
                                          Q_ARG(CalculatorReference, CalculatorReference())));
    QCOMPARE(bench.state->interrogatorPosition(), stored);
    QCOMPARE(spy.count(), 1);
}

void TestView::reattachingConnectsOnce()
{
    ViewBench bench(false);
    const NodeRef a = bench.node(0, 0);
    bench.view->clearDocumentModel();
    bench.view->setDocumentModel(bench.doc);
    // A second connection would toggle the selection back off.
    emit bench.view->ObjectClicked(a);
    QCOMPARE(bench.doc->selectionModel()->selectedNodes(), QList<NodeRef>() << a);
    bench.view->clearDocumentModel();
    emit bench.view->ObjectClicked(a);
    QCOMPARE(bench.doc->selectionModel()->selectedNodes().size(), 1);
}

void TestView::examplePictures()
{
    const QString folder = qEnvironmentVariable("VARO_VIEW_PICTURES");
    if (folder.isEmpty())
        QSKIP("pictures are written only when VARO_VIEW_PICTURES names a folder");
    ViewBench bench;
    QDirIterator i(QStringLiteral(":/example"));
    QString path;
    while (i.hasNext() && !path.contains(QLatin1String("/05.")))
        path = i.next();
    QVERIFY(bench.open(path));
    const Vector4 centre = bench.doc->centroidOfNodes();
    bench.viewPoint->setFocalPoint(centre.xyz());
    bench.viewPoint->setDistance(4.0 * centre.w());
    if (!bench.state->loadCase())
        bench.state->setLoadCase(bench.doc->loadCases().value(0));
    bench.view->captureImage(1024, 512).save(folder + "/example05-geometry.png");
    bench.state->enableRenderSolid(true);
    bench.view->captureImage(1024, 512).save(folder + "/example05-solid.png");
    bench.state->enableRenderSolid(false);
    bench.state->setMode(CurrentState::Loading);
    bench.view->captureImage(1024, 512).save(folder + "/example05-loading.png");
    bench.state->setMode(CurrentState::Results);
    QTRY_VERIFY_WITH_TIMEOUT(bench.doc->analysisOutput(), 20000);
    for (int mode : {CurrentState::Reaction, CurrentState::Deflection, CurrentState::BendingMoment,
                     CurrentState::ShearForce}) {
        bench.state->setResultMode(mode);
        bench.view->captureImage(1024, 512).save(folder + QStringLiteral("/example05-results%1.png").arg(mode));
    }
}

VARO_TEST_MAIN(TestView)
#include "tst_view.moc"
