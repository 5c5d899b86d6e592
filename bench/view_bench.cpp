#include "AnalysisInstallation.h"
#include "BenchSections.h"
#include "CrossSection.h"
#include "CurrentState.h"
#include "DocumentModel.h"
#include "FoundationMetaTypes.h"
#include "LoadAxis.h"
#include "Material.h"
#include "Member.h"
#include "ModelMetaTypes.h"
#include "Node.h"
#include "PointLoad.h"
#include "SectionType.h"
#include "StructureModel.h"
#include "StructureView.h"
#include "Support.h"
#include "UnitSystem.h"
#include "VisualConstants.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>

// Rebuilding the display records and drawing one 1280 × 800 frame of the
// 12 × 12 × 12 building frame (2,197 nodes, 5,772 members), in line and
// solid-member mode, with and without results. Run under Xvfb with Mesa's
// software renderer (LIBGL_ALWAYS_SOFTWARE=1, QT_QPA_PLATFORM=xcb).

namespace {

struct Scene
{
    UnitSystemRef units{new UnitSystem};
    DocumentModelRef doc;
    ViewPointRef viewPoint{new ViewPoint};
    CurrentStateRef state{new CurrentState};
    StructureView* view = nullptr;

    Scene()
    {
        doc.reset(new DocumentModel(units));
        doc->incorporateDefaults();
        build(12, 12, 12);
        doc->lowerBusyCount();
        view = new StructureView(units, state, nullptr);
        view->setDocumentModel(doc);
        view->setViewPoint(viewPoint);
        const Vector4 centre = doc->centroidOfNodes();
        viewPoint->setFocalPoint(centre.xyz());
        viewPoint->setAzimuth(0.6);
        viewPoint->setElevation(0.4);
        viewPoint->setDistance(3.0 * centre.w());
        state->setLoadCase(doc->loadCases().value(0));
        view->resize(1280, 800);
        view->show();
        QElapsedTimer waited;
        waited.start();
        while (!doc->analysisOutput() && waited.elapsed() < 600000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QCoreApplication::processEvents();
    }

    void build(int nx, int ny, int nz)
    {
        const CrossSectionRef section = makeBenchIBeam();
        const SectionTypeRef steel(VaroObject::make<SectionType>(
            section, MaterialRef(new Material({QStringLiteral("Steel")}, 2.1e11, 8.1e10, 7850, 1.2e-5))));
        const SupportRef fixed(VaroObject::make<Support>(QStringLiteral("Fixed"), Dof(63)));
        const LoadCaseRef loading = doc->loadCases().value(0);
        QList<VaroObjectRef> objects;
        QVector<NodeRef> nodes;
        for (int k = 0; k <= nz; ++k)
            for (int j = 0; j <= ny; ++j)
                for (int i = 0; i <= nx; ++i) {
                    const NodeRef n(VaroObject::make<Node>());
                    n->setPosition(Vector3(6.0 * i, 6.0 * j, 3.5 * k));
                    if (k == 0)
                        n->setSupport(fixed);
                    nodes << n;
                    objects << n;
                }
        const auto id = [=](int i, int j, int k) { return (k * (ny + 1) + j) * (nx + 1) + i; };
        const auto add = [&](int a, int b) {
            const MemberRef m(VaroObject::make<Member>(nodes[a], nodes[b]));
            m->setSectionType(steel);
            objects << m;
            return m;
        };
        for (int k = 0; k < nz; ++k)
            for (int j = 0; j <= ny; ++j)
                for (int i = 0; i <= nx; ++i) {
                    add(id(i, j, k), id(i, j, k + 1));
                    if (i < nx) {
                        const LoadRef load = PointLoad::makeDefault(loading);
                        load->setMember(add(id(i, j, k + 1), id(i + 1, j, k + 1)));
                        load->setPositionedForces({{0.5, -20e3}});
                        objects << load;
                    }
                    if (j < ny)
                        add(id(i, j, k + 1), id(i, j + 1, k + 1));
                }
        doc->structureModel()->appendObjects(objects);
    }

    void configure(bool solid, bool results)
    {
        state->setMode(results ? CurrentState::Results : CurrentState::Geometry);
        state->setResultMode(CurrentState::BendingMoment);
        state->enableRenderSolid(solid);
        QCoreApplication::processEvents();
        view->repaint();
    }
};

Scene* scene = nullptr;

void setCounters(benchmark::State& state)
{
    state.counters["nodes"] = scene->doc->structureModel()->nodes().size();
    state.counters["members"] = scene->doc->structureModel()->members().size();
}

// Arguments: solid (0/1), results (0/1).
void BM_Frame(benchmark::State& state)
{
    scene->configure(state.range(0) != 0, state.range(1) != 0);
    for (auto _ : state) {
        scene->view->repaint();
        glFinish();
    }
    setCounters(state);
}

// Every record rebuilt, then the same frame: the rebuild costs the difference.
void BM_RecordsAndFrame(benchmark::State& state)
{
    scene->configure(state.range(0) != 0, state.range(1) != 0);
    for (auto _ : state) {
        scene->view->scheduleRegenerateGeometry();
        scene->view->scheduleRegenerateLoading();
        scene->view->scheduleRegenerateResults();
        scene->view->scheduleRegenerateSelection();
        scene->view->repaint();
        glFinish();
    }
    setCounters(state);
}

void modes(benchmark::internal::Benchmark* b)
{
    b->ArgNames({"solid", "results"})->Args({0, 0})->Args({1, 0})->Args({0, 1})->Args({1, 1});
    b->Unit(benchmark::kMillisecond)->UseRealTime();
}

} // namespace

BENCHMARK(BM_Frame)->Apply(modes);
BENCHMARK(BM_RecordsAndFrame)->Apply(modes);

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    registerFoundationMetaTypes();
    registerModelMetaTypes();
    initialiseVisualConstants();
    installAnalysis();
    benchmark::Initialize(&argc, argv);
    Scene built;
    scene = &built;
    benchmark::RunSpecifiedBenchmarks();
    delete built.view;
    return 0;
}
