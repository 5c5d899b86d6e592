#include "Application.h"
#include "BenchDialogs.h"
#include "CurrentState.h"
#include "DocumentModel.h"
#include "EditingActions.h"
#include "MainWindow.h"
#include "Member.h"
#include "Node.h"
#include "ReportBenchModels.h"
#include "SelectionModel.h"
#include "Startup.h"
#include "StructureModel.h"
#include "StructureView.h"
#include "UnitSystem.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <limits>

// The rows BM_Program… drive a real main window on a 16 × 16 × 16 building
// frame with mouse and key events; run them under Xvfb with Mesa's software
// renderer (LIBGL_ALWAYS_SOFTWARE=1, QT_QPA_PLATFORM=xcb).

// A click that deselects one node of a grid of n × n nodes, all selected: the
// click, the selection's change and the consolidation of the one deselected
// node. Its cost should follow what changes, not the size of the model.
static void BM_DeselectOneNode(benchmark::State& state)
{
    const int n = int(state.range(0));
    DocumentModel document(QSharedPointer<UnitSystem>(new UnitSystem));
    const QSharedPointer<StructureModel> structure = document.structureModel();
    QList<NodeRef> nodes;
    QList<VaroObjectRef> selected;
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            NodeRef node(VaroObject::make<Node>());
            node->setPosition(Vector3(i, 0, j));
            nodes.append(node);
            selected.append(node);
        }
    structure->appendObjects(selected);
    // The clicked node is the master, so that a click deselects it.
    const NodeRef clicked = nodes[n * n / 2 + n / 2];
    selected.removeOne(clicked);
    selected.append(clicked);
    document.selectionModel()->selectObjects(selected, QMap<VaroObjectRef, int>());
    document.lowerBusyCount();
    EditingActions* actions = EditingActions::of(&document);

    for (auto _ : state) {
        actions->actionClickOnObject(clicked);
        state.PauseTiming();
        actions->actionClickOnObject(clicked);
        state.ResumeTiming();
    }
    state.counters["nodes"] = n * n;
}
BENCHMARK(BM_DeselectOneNode)->Arg(50)->Arg(200)->Unit(benchmark::kMillisecond);

namespace {

// What a box around the lower three eighths of the storeys of a frame takes:
// the nodes in it and the members with both ends in it.
QList<VaroObjectRef> lowerPartOf(const StructureModel& structure)
{
    const QList<NodeRef> nodes = structure.nodes();
    const double top = 3.5 * std::round((std::cbrt(nodes.size()) - 1) * 3.0 / 8.0) + 0.1;
    QList<VaroObjectRef> objects;
    for (const NodeRef& node : nodes)
        if (node->position().y() < top)
            objects.append(node);
    for (const MemberRef& member : structure.members())
        if (member->nodeA()->position().y() < top && member->nodeB()->position().y() < top)
            objects.append(member);
    return objects;
}

// A document of nodes and members, nothing selected, ready for actions.
struct BenchDocument
{
    DocumentModel document{QSharedPointer<UnitSystem>(new UnitSystem)};
    QVector<NodeRef> nodes;
    QList<MemberRef> members;
    EditingActions* actions = nullptr;

    void finish()
    {
        QList<VaroObjectRef> objects;
        for (const NodeRef& node : qAsConst(nodes))
            objects.append(node);
        for (const MemberRef& member : qAsConst(members))
            objects.append(member);
        document.structureModel()->appendObjects(objects);
        document.lowerBusyCount();
        actions = EditingActions::of(&document);
    }

    void join(int a, int b) { members.append(VaroObject::make<Member>(nodes[a], nodes[b])); }
};

// n × n nodes 1 m apart, each joined to its neighbours along both axes.
struct Grid : BenchDocument
{
    explicit Grid(int n)
    {
        for (int j = 0; j < n; ++j)
            for (int i = 0; i < n; ++i) {
                nodes.append(VaroObject::make<Node>());
                nodes.last()->setPosition(Vector3(i, 0, j));
                if (i > 0)
                    join(j * n + i - 1, j * n + i);
                if (j > 0)
                    join((j - 1) * n + i, j * n + i);
            }
        finish();
    }
};

// A building frame of n × n bays and n storeys, columns and beams.
struct Frame : BenchDocument
{
    explicit Frame(int n)
    {
        const auto id = [n](int i, int j, int k) { return (k * (n + 1) + j) * (n + 1) + i; };
        for (int k = 0; k <= n; ++k)
            for (int j = 0; j <= n; ++j)
                for (int i = 0; i <= n; ++i) {
                    nodes.append(VaroObject::make<Node>());
                    nodes.last()->setPosition(Vector3(6.0 * i, 3.5 * k, 6.0 * j));
                }
        for (int k = 0; k < n; ++k)
            for (int j = 0; j <= n; ++j)
                for (int i = 0; i <= n; ++i) {
                    join(id(i, j, k), id(i, j, k + 1));
                    if (i < n)
                        join(id(i, j, k + 1), id(i + 1, j, k + 1));
                    if (j < n)
                        join(id(i, j, k + 1), id(i, j + 1, k + 1));
                }
        finish();
    }

    QList<VaroObjectRef> lowerPart() const { return lowerPartOf(*document.structureModel()); }
};

} // namespace

// One click that deselects a node of a grid with its members, the rest of
// the grid unselected: the consolidation must look only near that node. The
// node changes while selected (set where it stands), as an edited one does;
// else it would need no consolidation at all.
static void BM_DeselectOneNodeOfFramedGrid(benchmark::State& state)
{
    const int n = int(state.range(0));
    Grid grid(n);
    const NodeRef clicked = grid.nodes[n * n / 2 + n / 2];
    // The first consolidation of a document walks all of it.
    grid.actions->actionClickOnObject(clicked);
    grid.actions->actionClickOnObject(clicked);
    grid.actions->actionClickOnObject(clicked);
    for (auto _ : state) {
        grid.actions->actionClickOnObject(clicked);
        state.PauseTiming();
        grid.actions->actionClickOnObject(clicked);
        clicked->setPosition(clicked->position());
        state.ResumeTiming();
    }
    state.counters["nodes"] = n * n;
    state.counters["members"] = grid.members.size();
}
BENCHMARK(BM_DeselectOneNodeOfFramedGrid)->Arg(200)->Unit(benchmark::kMillisecond);

// A box selection of the lower part of a frame (about 7,000 objects at 16),
// then Escape, which deselects them all: unchanged while selected, they
// come back to a structure consolidated around them.
static void BM_BoxSelection(benchmark::State& state)
{
    Frame frame(int(state.range(0)));
    const QList<VaroObjectRef> box = frame.lowerPart();
    for (auto _ : state) {
        frame.actions->actionSelectObjects(box);
        state.PauseTiming();
        frame.actions->actionClearAllSelection();
        state.ResumeTiming();
    }
    state.counters["objects"] = box.size();
}
BENCHMARK(BM_BoxSelection)->Arg(16)->Unit(benchmark::kMillisecond);

static void BM_EscapeAfterBoxSelection(benchmark::State& state)
{
    Frame frame(int(state.range(0)));
    const QList<VaroObjectRef> box = frame.lowerPart();
    frame.actions->actionSelectObjects(box);
    frame.actions->actionClearAllSelection();
    for (auto _ : state) {
        state.PauseTiming();
        frame.actions->actionSelectObjects(box);
        state.ResumeTiming();
        frame.actions->actionClearAllSelection();
    }
    state.counters["objects"] = box.size();
}
BENCHMARK(BM_EscapeAfterBoxSelection)->Arg(16)->Unit(benchmark::kMillisecond);

// Box selection and Escape on the frame of the window rows, which has
// sections, supports and a load on every beam; changed tells whether every
// node in the box changes while selected (set where it stood, which stamps
// it), so that Escape consolidates them all with what lies around them.
static void BM_EscapeAfterBoxSelectionOfLoadedFrame(benchmark::State& state, bool changed)
{
    const QSharedPointer<DocumentModel> document = buildingFrame(int(state.range(0)));
    document->lowerBusyCount();
    EditingActions* actions = EditingActions::of(document.data());
    const QList<VaroObjectRef> box = lowerPartOf(*document->structureModel());
    actions->actionSelectObjects(box);
    actions->actionClearAllSelection();
    for (auto _ : state) {
        state.PauseTiming();
        actions->actionSelectObjects(box);
        for (const VaroObjectRef& object : box)
            if (const NodeRef node = object.objectCast<Node>(); node && changed)
                node->setPosition(node->position());
        state.ResumeTiming();
        actions->actionClearAllSelection();
    }
    state.counters["objects"] = box.size();
}

BENCHMARK_CAPTURE(BM_EscapeAfterBoxSelectionOfLoadedFrame, unchanged, false)->Arg(16)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_EscapeAfterBoxSelectionOfLoadedFrame, changed, true)->Arg(16)->Unit(benchmark::kMillisecond);

namespace {

// Counts every event the application delivers, so that a run of the event
// loop can tell when the window has nothing left to do.
class DeliveryCounter : public QObject
{
public:
    int count = 0;
    bool eventFilter(QObject*, QEvent*) override
    {
        ++count;
        return false;
    }
};

// A main window of ordinary size on the 16 × 16 × 16 frame, analysed, seen
// obliquely from above, close enough that a member's middle lies well away
// from its nodes on the screen.
struct ProgramWindow
{
    QTemporaryDir folder;
    SilentDialogs dialogs;
    DeliveryCounter deliveries;
    QPointer<MainWindow> window;
    StructureView* view = nullptr;
    QSharedPointer<DocumentModel> document;
    QPoint memberPoint;
    MemberRef clickedMember;

    ProgramWindow()
    {
        UserDialogs::install(&dialogs);
        Application::_settings.reset(
            new QSettings(folder.path() + QStringLiteral("/settings.ini"), QSettings::IniFormat));
        initialiseModelResources();
        registerStartupMetaTypes();
        setApplicationIdentity();
        initialiseProgramWideValues();
        installAnalysis();
        qApp->installEventFilter(&deliveries);
        window = new MainWindow;
        document = buildingFrame(16);
        window->clearCurrentDocumentModel(true);
        window->setDocumentModel(document);
        window->setViewPoint(ViewPointRef(new ViewPoint));
        document->lowerBusyCount();
        view = window->findChild<StructureView*>();
        window->resize(1280, 800);
        window->show();
        if (!QTest::qWaitForWindowExposed(window))
            qFatal("The main window is not shown");
        QElapsedTimer waited;
        waited.start();
        while (document->analysisOperatingState() != AnalysisLink::ResultsAvailable && waited.elapsed() < 600000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        const Vector4 centre = document->centroidOfNodes();
        const ViewPointRef camera = window->viewPoint();
        camera->setFocalPoint(centre.xyz());
        camera->setAzimuth(0.6);
        camera->setElevation(0.4);
        settle();
        camera->setDistance(0.6 * view->distanceForRadius(centre.w()));
        settle();
        chooseMember();
    }

    ~ProgramWindow()
    {
        qApp->removeEventFilter(&deliveries);
        closeRemainingMainWindows();
        UserDialogs::install(nullptr);
    }

    // Runs the event loop until a few rounds in a row deliver nothing; the
    // result is the time at the end of the last round that delivered
    // anything, in seconds from the clock's start.
    double settle(const QElapsedTimer* clock = nullptr)
    {
        double last = clock ? clock->nsecsElapsed() * 1e-9 : 0.0;
        for (int idle = 0; idle < 4;) {
            const int before = deliveries.count;
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            if (deliveries.count != before) {
                idle = 0;
                if (clock)
                    last = clock->nsecsElapsed() * 1e-9;
            } else {
                ++idle;
                QThread::usleep(500);
            }
        }
        return last;
    }

    // Seconds from the input until the window has done all it does about
    // it: the selection applied, consolidated and drawn.
    template <class Input>
    double timed(const Input& input)
    {
        settle();
        QElapsedTimer clock;
        clock.start();
        input();
        return settle(&clock);
    }

    // The middle of the member nearest the camera that lies 16 pixels or
    // more from every node on the screen, so that a click there picks it.
    void chooseMember()
    {
        const QRect inside = view->rect().adjusted(40, 40, -40, -40);
        QVector<QPointF> nodes;
        for (const NodeRef& node : document->structureModel()->nodes())
            nodes << view->transformWorldToScreen(node->position());
        double nearest = std::numeric_limits<double>::max();
        for (const MemberRef& member : document->structureModel()->members()) {
            const Vector3 mid = (member->nodeA()->position() + member->nodeB()->position()) * 0.5;
            const Vector3 screen = view->transformWorldTo3DScreen(mid);
            const QPointF p(screen.x(), screen.y());
            if (!inside.contains(p.toPoint()) || screen.z() >= nearest)
                continue;
            const bool clear = std::none_of(nodes.begin(), nodes.end(),
                                            [&](const QPointF& n) { return QLineF(n, p).length() < 16.0; });
            if (clear) {
                nearest = screen.z();
                memberPoint = p.toPoint();
                clickedMember = member;
            }
        }
    }

    QList<VaroObjectRef> selection() const { return document->selectionModel()->selection(); }

    void click() { QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, memberPoint); }
    void escape() { QTest::keyClick(window.data(), Qt::Key_Escape); }
    void selectByBox() { window->findChild<QToolButton*>(QStringLiteral("ActionSelectionBoxSelect"))->click(); }

    // The box over the lower storeys: about 7,000 nodes and members.
    void showBox(bool shown)
    {
        const QSharedPointer<CurrentState> state = window->currentState();
        state->resizeSelectionBox(QRectF(0.05, 0.55, 0.9, 0.4));
        if (state->isSelectionBoxVisible() != shown)
            state->toggleDisplayOfSelectionBox();
        settle();
    }
};

// Built by the first row that needs it, so that the other rows run without
// it, and only where there is a display to show it on.
ProgramWindow* program = nullptr;

ProgramWindow* programWindow(benchmark::State& state)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        state.SkipWithError("needs an X display (run under Xvfb)");
        return nullptr;
    }
    if (!program)
        program = new ProgramWindow;
    return program;
}

void programRows(benchmark::internal::Benchmark* b)
{
    b->Iterations(1)->Repetitions(15)->UseManualTime()->Unit(benchmark::kMillisecond);
    b->ComputeStatistics("min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); });
    b->ReportAggregatesOnly(true);
}

} // namespace

// A click on a member with nothing selected, or a box selection, and
// Escape after it: one of the two timed.
static void BM_Program(benchmark::State& state, bool box, bool timeEscape)
{
    ProgramWindow* w = programWindow(state);
    if (!w)
        return;
    w->showBox(box);
    const auto select = [w, box] { box ? w->selectByBox() : w->click(); };
    int selected = 0;
    for (auto _ : state) {
        if (timeEscape) {
            select();
            w->settle();
        } else {
            state.SetIterationTime(w->timed(select));
        }
        selected = w->selection().size();
        if (!box && w->selection() != QList<VaroObjectRef>{w->clickedMember})
            state.SkipWithError("the click did not select the member alone");
        if (timeEscape) {
            state.SetIterationTime(w->timed([w] { w->escape(); }));
        } else {
            w->escape();
            w->settle();
        }
        if (!w->selection().isEmpty())
            state.SkipWithError("Escape left a selection");
    }
    state.counters["objects"] = selected;
    w->showBox(false);
}

BENCHMARK_CAPTURE(BM_Program, ClickOnMember, false, false)->Apply(programRows);
BENCHMARK_CAPTURE(BM_Program, EscapeAfterClick, false, true)->Apply(programRows);
BENCHMARK_CAPTURE(BM_Program, BoxSelection, true, false)->Apply(programRows);
BENCHMARK_CAPTURE(BM_Program, EscapeAfterBoxSelection, true, true)->Apply(programRows);

int main(int argc, char** argv)
{
    // The document rows run anywhere; the window rows need a display.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    Application application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    delete program;
    return 0;
}
