#include "Calculator.h"
#include "CurrentState.h"
#include "FrameEvidence.h"
#include "Node.h"
#include "PortalWindowTesting.h"
#include "StructureModel.h"
#include "StructureView.h"
#include "TestMain.h"
#include "VisualConstants.h"
#include "view3d/ViewTesting.h"

#include <QSignalSpy>
#include <QToolButton>
#include <QWheelEvent>

#include <cmath>

// A slip of the keyboard that sends a node of the portal far away: the view
// fitted to the whole model shows it, and once the slip is undone a fit
// brings the portal back, in the window, after saving, and in a new window.
class TestFarView : public QObject, public PortalWindowFixture
{
    Q_OBJECT

private slots:
    void initTestCase() { initialiseProgram(); }
    void init() { openPortalWindow(); }
    void cleanup() { closePortalWindows(); }

    void fitShowsTheModelAndUndoBringsItBack_data();
    void fitShowsTheModelAndUndoBringsItBack();
    void aModelFarFromTheOriginIsDrawnAsAtIt_data();
    void aModelFarFromTheOriginIsDrawnAsAtIt();

private:
    static StructureView* viewOf(MainWindow* in)
    {
        return in->findChild<StructureView*>(QStringLiteral("StructureView"));
    }
    // The right double click in the middle of the view: the whole model,
    // once the flight has landed; null when it never lands.
    static QImage fitted(MainWindow* in);
    // The camera and what the window shows, for a failure's evidence.
    static QString stateOf(MainWindow* in);
    static QString stateNow(MainWindow* in) { return FrameEvidence::describe(viewOf(in)) + '\n' + stateOf(in); }
};

namespace {

// Pixels of member lines, outside the corner triad.
int memberPixels(const QImage& frame)
{
    const QRect triad(frame.width() - 128, frame.height() - 128, 128, 128);
    int count = 0;
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x)
            if (!triad.contains(x, y)
                && (nearColour(frame.pixel(x, y), Colours::memberMajor, 24)
                    || nearColour(frame.pixel(x, y), Colours::memberMinor, 24)))
                ++count;
    return count;
}

// The corner triad's square: the same camera angles draw the same triad.
QImage cornerTriad(const QImage& frame)
{
    return frame.copy(frame.width() - 110, frame.height() - 110, 92, 92);
}

// The share of pixels in which two frames differ.
double differingShare(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return 1.0;
    int count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (!nearColour(a.pixel(x, y), QColor(b.pixel(x, y)), 24))
                ++count;
    return double(count) / (a.width() * a.height());
}

} // namespace

QImage TestFarView::fitted(MainWindow* in)
{
    StructureView* view = viewOf(in);
    if (!QTest::qWaitForWindowExposed(in))
        return QImage();
    // The fit works from the frame on screen.
    view->repaint();
    doubleClickView(in, view->rect().center(), Qt::RightButton);
    ViewPoint* viewPoint = in->viewPoint().data();
    if (!QTest::qWaitFor([&] { return viewPoint->timeLine()->state() == QTimeLine::NotRunning; }, 10000))
        return QImage();
    view->repaint();
    return FrameEvidence::withState(view->grabFrameBuffer(), view, stateOf(in));
}

QString TestFarView::stateOf(MainWindow* in)
{
    const ViewPoint* viewPoint = in->viewPoint().data();
    const Vector3 focal = viewPoint->focalPoint();
    return QStringLiteral("camera: focal point (%1, %2, %3), distance %4, azimuth %5, elevation %6; mode %7, "
                          "analysis state %8: %9")
        .arg(focal.x(), 0, 'g', 17)
        .arg(focal.y(), 0, 'g', 17)
        .arg(focal.z(), 0, 'g', 17)
        .arg(viewPoint->distance(), 0, 'g', 17)
        .arg(viewPoint->azimuth(), 0, 'g', 17)
        .arg(viewPoint->elevation(), 0, 'g', 17)
        .arg(in->currentState()->mode())
        .arg(int(in->documentModel()->analysisOperatingState()))
        .arg(in->documentModel()->analysisStatusMessage());
}

void TestFarView::fitShowsTheModelAndUndoBringsItBack_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<double>("E");
    QTest::addColumn<bool>("shown");
    // The calculator takes ten digits; longer values are typed as products.
    const auto million = [](int factors) {
        return QStringLiteral("1000000") + QStringLiteral("*1000000").repeated(factors - 1);
    };
    QTest::newRow("5 km") << "5000" << 5e3 << true;
    QTest::newRow("100 km") << "100000" << 1e5 << true;
    QTest::newRow("1e8 m") << "100000000" << 1e8 << true;
    QTest::newRow("1e12 m") << million(2) << 1e12 << true;
    QTest::newRow("1e30 m") << million(5) << 1e30 << false;
    QTest::newRow("1e300 m") << million(50) << 1e300 << false;
}

void TestFarView::fitShowsTheModelAndUndoBringsItBack()
{
    QFETCH(QString, typed);
    QFETCH(double, E);
    QFETCH(bool, shown);
    window->currentState()->setMode(CurrentState::Geometry);
    // The node farthest along x, selected as before the slip.
    NodeRef node;
    for (const NodeRef& n : window->documentModel()->structureModel()->nodes())
        if (!node || n->position().x() > node->position().x())
            node = n;
    const Vector3 place = node->position();
    EditingActions::of(window->documentModel().data())->actionSelectObjects({node});
    const QImage before = fitted(window);
    QVERIFY(!before.isNull());
    keepForReview(before, QStringLiteral("farview/%1-before.png").arg(QTest::currentDataTag()));
    const int portal = memberPixels(before);
    QVERIFY2(portal > 200, qPrintable(QString::number(portal)));

    // The slip: x typed with a few zeros too many.
    openReadOut(window, StructureView::NODEX);
    auto* calculator = window->findChild<Calculator*>(QStringLiteral("Calculator"));
    QVERIFY(calculator->isVisible());
    QTest::keyPress(calculator, Qt::Key_Delete);
    QTest::keyClicks(calculator, typed);
    // A product pending: the first press of the key works it out, the second applies it.
    if (typed.contains(QLatin1Char('*')))
        QTest::keyClick(calculator, Qt::Key_Return);
    calculator->keyDone();
    QVERIFY(calculator->isHidden());
    QVERIFY2(std::fabs(node->position().x() - E) <= 1e-12 * E, qPrintable(QString::number(node->position().x())));

    const QImage slipped = fitted(window);
    QVERIFY(!slipped.isNull());
    keepForReview(slipped, QStringLiteral("farview/%1-slipped.png").arg(QTest::currentDataTag()));
    if (shown) {
        const int far = memberPixels(slipped);
        QVERIFY2(far > 100, qPrintable(QString::number(far)));
    }
    VARO_VERIFY_FRAMES(differingShare(cornerTriad(slipped), cornerTriad(before)) < 0.02, before, slipped,
                       QStringLiteral("the corner triad is not as before"), stateNow(window), fitted(window));
    if (shown) {
        // Picked and zoomed as any other: a click on the far node finds it,
        // and a notch of the wheel there moves 1/24 of the way in.
        StructureView* view = viewOf(window);
        QSignalSpy clicked(view, &StructureView::ObjectClicked);
        const QPoint at = view->transformWorldToScreen(node->position()).toPoint();
        QVERIFY(view->rect().contains(at));
        QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, at);
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(clicked.at(0).at(0).value<VaroObjectRef>(), VaroObjectRef(node));
        const double distance = window->viewPoint()->distance();
        QWheelEvent notch(QPointF(at), QPointF(view->mapToGlobal(at)), QPoint(), QPoint(0, 120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view, &notch);
        QCOMPARE(window->viewPoint()->distance(), ViewPoint::quantiseDistance(distance * (1.0 - 1.0 / 24.0)));
        const Vector3 focal = window->viewPoint()->focalPoint();
        QVERIFY(std::isfinite(focal.x()) && std::isfinite(focal.y()) && std::isfinite(focal.z()));
    }

    // Undone, the view stays where the slip left it until a fit. The click
    // above changed the selection, which Undo takes back first.
    for (int i = 0; i < 3 && node->position().x() != place.x(); ++i)
        window->findChild<QToolButton*>(QStringLiteral("ButtonUndo"))->click();
    QCOMPARE(node->position().x(), place.x());
    const QString path = folder->filePath(QStringLiteral("after-the-slip.varou"));
    QVERIFY(window->saveFileAs(path));
    const QImage undone = fitted(window);
    VARO_VERIFY_FRAMES(differingShare(undone, before) < 0.01, before, undone,
                       QStringLiteral("the portal is not drawn as before the slip"), stateNow(window), fitted(window));

    // The saved view, opened in a window of its own and fitted: a copy, since
    // a file is shown by one model only.
    const QString copy = folder->filePath(QStringLiteral("copy.varou"));
    QVERIFY(QFile::copy(path, copy));
    MainWindow* reopened = new MainWindow;
    QVERIFY(reopened->openFile(copy));
    reopened->resize(window->size());
    reopened->show();
    QVERIFY(QTest::qWaitForWindowExposed(reopened));
    const int again = memberPixels(fitted(reopened));
    QVERIFY2(again > portal / 2, qPrintable(QString::number(again)));
}

void TestFarView::aModelFarFromTheOriginIsDrawnAsAtIt_data()
{
    QTest::addColumn<double>("X");
    QTest::newRow("10 km") << 1e4;
    QTest::newRow("1e7 m") << 1e7;
    QTest::newRow("1e9 m") << 1e9;
    QTest::newRow("1e11 m") << 1e11;
}

// The whole portal moved along x and fitted: the same picture as at the
// origin, since single precision is never asked to hold where it stands.
void TestFarView::aModelFarFromTheOriginIsDrawnAsAtIt()
{
    QFETCH(double, X);
    window->currentState()->setMode(CurrentState::Geometry);
    EditingActions* actions = EditingActions::of(window->documentModel().data());
    actions->actionClearAllSelection();
    const QImage atOrigin = fitted(window);
    QVERIFY(!atOrigin.isNull());
    QVERIFY(memberPixels(atOrigin) > 200);

    QList<VaroObjectRef> nodes;
    for (const NodeRef& node : window->documentModel()->structureModel()->nodes())
        nodes << node;
    actions->actionSelectObjects(nodes);
    actions->actionMoveSelectedNodesBy(Vector4(X, 0, 0, 1), {});
    actions->actionClearAllSelection();
    QCOMPARE(window->documentModel()->centroidOfNodes().x(), 7.5 + X);
    const QImage moved = fitted(window);
    QVERIFY(!moved.isNull());
    keepForReview(moved, QStringLiteral("farview/moved %1.png").arg(QTest::currentDataTag()));
    VARO_VERIFY_FRAMES(differingShare(moved, atOrigin) < 0.002, atOrigin, moved,
                       QStringLiteral("the portal is drawn otherwise than at the origin"), stateNow(window), fitted(window));
}

VARO_TEST_MAIN(TestFarView)
#include "tst_farview.moc"
