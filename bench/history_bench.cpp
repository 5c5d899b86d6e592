#include "AnalysisDisposal.h"
#include "AnalysisInstallation.h"
#include "Application.h"
#include "BenchDialogs.h"
#include "BenchSections.h"
#include "DocumentModel.h"
#include "EditingActions.h"
#include "MainWindow.h"
#include "Material.h"
#include "Member.h"
#include "ModelResources.h"
#include "Node.h"
#include "SectionType.h"
#include "Startup.h"
#include "StructureModel.h"
#include "Support.h"
#include "UnitSystem.h"
#include "ViewPoint.h"

#include <QTemporaryDir>
#include <QtTest>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>

// A window on a large grillage whose undo history holds whole-model edits is
// closed beside a blank window. Each row gives the longest stretch of the GUI
// thread's own processor time in one pass of its event loop, from the close
// until all the closed model held has gone: the longest the window that
// stays answers nothing. Run under Xvfb (QT_QPA_PLATFORM=xcb,
// LIBGL_ALWAYS_SOFTWARE=1).

namespace {

double guiThreadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// nx × nz bays of 2 m, beams both ways in the plane y = 0, pinned at its
// edge.
QSharedPointer<DocumentModel> grillage(int nx, int nz)
{
    QSharedPointer<DocumentModel> document(new DocumentModel(QSharedPointer<UnitSystem>(new UnitSystem)));
    const SectionTypeRef section(VaroObject::make<SectionType>(
        makeBenchIBeam(), MaterialRef(new Material({"Steel"}, 210e9, 81e9, 7850, 12e-6))));
    const SupportRef pinned(VaroObject::make<Support>("Pinned", 7));
    QList<VaroObjectRef> objects;
    QVector<NodeRef> nodes;
    for (int j = 0; j <= nz; ++j)
        for (int i = 0; i <= nx; ++i) {
            const NodeRef node(VaroObject::make<Node>());
            node->setPosition(Vector3(2.0 * i, 0.0, 2.0 * j));
            if (i == 0 || j == 0 || i == nx || j == nz)
                node->setSupport(pinned);
            nodes << node;
            objects << node;
        }
    const auto member = [&](int a, int b) {
        const MemberRef m(VaroObject::make<Member>(nodes[a], nodes[b]));
        m->setSectionType(section);
        objects << m;
    };
    for (int j = 0; j <= nz; ++j)
        for (int i = 0; i <= nx; ++i) {
            const int here = j * (nx + 1) + i;
            if (i < nx)
                member(here, here + 1);
            if (j < nz)
                member(here, here + nx + 1);
        }
    document->structureModel()->appendObjects(objects);
    return document;
}

void settle()
{
    for (int pass = 0; pass < 8; ++pass) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
}

} // namespace

// Rows: the edit (0 materials of all members, 1 moves of all nodes), how
// many of them the history holds.
static void BM_CloseAfterWholeModelEdits(benchmark::State& state)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        state.SkipWithError("needs an X display (run under Xvfb)");
        return;
    }
    const bool moves = state.range(0) == 1;
    const int edits = int(state.range(1));
    QTemporaryDir folder;
    SilentDialogs dialogs;
    UserDialogs::install(&dialogs);
    Application::_settings.reset(new QSettings(folder.path() + QStringLiteral("/settings.ini"), QSettings::IniFormat));
    initialiseModelResources();
    registerStartupMetaTypes();
    setApplicationIdentity();
    initialiseProgramWideValues();
    installAnalysis();

    for (auto _ : state) {
        state.PauseTiming();
        QPointer<MainWindow> blank = new MainWindow;
        blank->show();
        QPointer<MainWindow> window = new MainWindow;
        int steps = 0;
        {
            // Held by the window alone once this block ends.
            const QSharedPointer<DocumentModel> document = grillage(79, 399);
            window->clearCurrentDocumentModel(true);
            window->setDocumentModel(document);
            window->setViewPoint(ViewPointRef(new ViewPoint));
            document->lowerBusyCount();
            window->show();
            if (!QTest::qWaitForWindowExposed(window)) {
                state.SkipWithError("the window was not shown");
                state.ResumeTiming();
                break;
            }
            EditingActions* actions = EditingActions::of(document.data());
            QList<VaroObjectRef> chosen;
            if (moves)
                for (const NodeRef& node : document->structureModel()->nodes())
                    chosen << node;
            else
                for (const MemberRef& member : document->structureModel()->members())
                    chosen << member;
            actions->actionSelectObjects(chosen);
            chosen.clear();
            const MaterialRef materials[2] = {MaterialRef(new Material({"S355"}, 210e9, 81e9, 7850, 12e-6)),
                                              MaterialRef(new Material({"C30"}, 33e9, 14e9, 2500, 10e-6))};
            for (int i = 0; i < edits; ++i) {
                if (moves)
                    actions->actionMoveSelectedNodesBy(Vector4(0.0, 0.0, i % 2 == 0 ? 0.01 : -0.01, 1.0), {});
                else
                    actions->actionSetMemberProperties(CrossSectionRef(), materials[i % 2]);
                settle();
            }
            steps = document->structureUndoStack()->count();
        }
        state.ResumeTiming();

        double longest = 0.0;
        int passes = 0;
        const double start = guiThreadSeconds();
        window->close();
        longest = guiThreadSeconds() - start;
        QElapsedTimer waited;
        waited.start();
        while ((AnalysisDisposal::isPending() || window) && waited.elapsed() < 600000) {
            const double before = guiThreadSeconds();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            longest = std::max(longest, guiThreadSeconds() - before);
            ++passes;
        }
        state.SetIterationTime(longest);
        state.counters["steps"] = steps;
        state.counters["passes"] = passes;
        state.PauseTiming();
        delete blank;
        settle();
        state.ResumeTiming();
    }
    UserDialogs::install(nullptr);
}
BENCHMARK(BM_CloseAfterWholeModelEdits)
    ->Args({0, 20})
    ->Args({1, 20})
    ->Args({1, 256})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    Application application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
