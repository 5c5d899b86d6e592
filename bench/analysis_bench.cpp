#include "AnalysisDocument.h"
#include "AnalysisInstallation.h"
#include "BenchSections.h"
#include "AnalysisModel.h"
#include "AnalysisOutput.h"
#include "Axis.h"
#include "Combination.h"
#include "CrossSection.h"
#include "DocumentModel.h"
#include "GravityCase.h"
#include "Libraries.h"
#include "LoadAxis.h"
#include "LoadCaseExpansion.h"
#include "LoadCaseLibrary.h"
#include "Loading.h"
#include "Material.h"
#include "Member.h"
#include "Node.h"
#include "PointLoad.h"
#include "SectionType.h"
#include "StructureModel.h"
#include "Support.h"
#include "TrapezoidLoad.h"
#include "UnitSystem.h"
#include "AnalysisMember.h"
#include "BandedSystem.h"
#include "NodeNumbering.h"

#include <benchmark/benchmark.h>

#include <QElapsedTimer>
#include <QFile>
#include <QThreadPool>

#include <cmath>
#include <functional>
#include <vector>

// Assembly, elimination and solution of the banded stiffness matrix of
// regular building frames: nx × ny bays of 6 m, nz storeys of 3.5 m, fixed
// base, every member one steel section.

namespace {

const double E = 2.1e11, G = 8.1e10, A = 1.49e-2, Iz = 2.517e-4, Iy = 8.563e-5, J = 1.85e-6;

struct BuildingFrame
{
    int nodeCount = 0;
    std::vector<bool> fixed;
    QVector<MemberEnds> members;
    std::vector<Matrix3x3> axes;
    std::vector<double> lengths;

    QVector<int> numbers;
    int F = 0, H = 0;
    std::vector<int> rowMapping;

    BuildingFrame(int nx, int ny, int nz)
    {
        const auto id = [=](int i, int j, int k) { return (k * (ny + 1) + j) * (nx + 1) + i; };
        nodeCount = (nx + 1) * (ny + 1) * (nz + 1);
        fixed.assign(size_t(nodeCount), false);
        for (int j = 0; j <= ny; ++j)
            for (int i = 0; i <= nx; ++i)
                fixed[size_t(id(i, j, 0))] = true;
        for (int k = 0; k < nz; ++k)
            for (int j = 0; j <= ny; ++j)
                for (int i = 0; i <= nx; ++i) {
                    add(id(i, j, k), id(i, j, k + 1), 3.5, {0, 0, 1}, {1, 0, 0});
                    if (i < nx)
                        add(id(i, j, k + 1), id(i + 1, j, k + 1), 6.0, {1, 0, 0}, {0, 0, 1});
                    if (j < ny)
                        add(id(i, j, k + 1), id(i, j + 1, k + 1), 6.0, {0, 1, 0}, {0, 0, 1});
                }
    }

    void add(int a, int b, double L, const Vector3& x, const Vector3& y)
    {
        const Vector3 z = x.cross(y);
        Matrix3x3 r;
        for (int c = 0; c < 3; ++c) {
            r[0][c] = x[c];
            r[1][c] = y[c];
            r[2][c] = z[c];
        }
        members.append(MemberEnds(a, b));
        axes.push_back(r);
        lengths.push_back(L);
    }

    void number()
    {
        numbers = reverseCuthillMcKeeNumbers(nodeCount, members);
        H = halfBandWidthOf(numbers, members);
        std::vector<int> byNumber(static_cast<size_t>(nodeCount));
        for (int n = 0; n < nodeCount; ++n)
            byNumber[size_t(numbers[n])] = n;
        int R = 0;
        for (bool f : fixed)
            R += f ? 6 : 0;
        F = 6 * nodeCount - R;
        rowMapping.assign(size_t(6 * nodeCount), 0);
        int nextFree = 0, nextFixed = F;
        for (int number = 0; number < nodeCount; ++number)
            for (int d = 0; d < 6; ++d)
                rowMapping[size_t(6 * number + d)] = fixed[size_t(byNumber[size_t(number)])] ? nextFixed++ : nextFree++;
    }

    void assemble(BandedSystem* system) const
    {
        system->reset(F, H);
        for (int m = 0; m < members.size(); ++m) {
            Matrix12x12 k, T;
            AnalysisMember::makeLocalStiffnessMatrix(lengths[size_t(m)], E, G, A, Iz, Iy, J, 63, 63, &k);
            AnalysisMember::expandTransformationMatrix(axes[size_t(m)], &T);
            const Matrix12x12 K = transposeTimes(T, Matrix12x12(k * T));
            int rows[12];
            for (int d = 0; d < 6; ++d) {
                rows[d] = rowMapping[size_t(6 * numbers[members[m].first] + d)];
                rows[6 + d] = rowMapping[size_t(6 * numbers[members[m].second] + d)];
            }
            system->assemble(K, rows);
        }
    }
};

void setFrameCounters(benchmark::State& state, const BuildingFrame& frame)
{
    state.counters["nodes"] = frame.nodeCount;
    state.counters["members"] = frame.members.size();
    state.counters["F"] = frame.F;
    state.counters["H"] = frame.H;
}

void BM_Numbering(benchmark::State& state)
{
    BuildingFrame frame(int(state.range(0)), int(state.range(1)), int(state.range(2)));
    for (auto _ : state)
        frame.number();
    setFrameCounters(state, frame);
}

void BM_Assembly(benchmark::State& state)
{
    BuildingFrame frame(int(state.range(0)), int(state.range(1)), int(state.range(2)));
    frame.number();
    BandedSystem system;
    for (auto _ : state)
        frame.assemble(&system);
    setFrameCounters(state, frame);
}

// The rate counts the F·H²/2 multiply-adds of a full band; "envelope" the
// ones performed, as entries outside the assembled profile are skipped. Both
// are per second of wall time, on as many threads as the fourth argument.
void BM_Elimination(benchmark::State& state)
{
    BuildingFrame frame(int(state.range(0)), int(state.range(1)), int(state.range(2)));
    QThreadPool* pool = QThreadPool::globalInstance();
    const int threads = pool->maxThreadCount();
    pool->setMaxThreadCount(int(state.range(3)));
    frame.number();
    BandedSystem assembled;
    frame.assemble(&assembled);
    double performed = 0.0;
    for (auto _ : state) {
        state.PauseTiming();
        BandedSystem system = assembled;
        state.ResumeTiming();
        const BandedSystem::Outcome outcome = system.eliminate();
        if (outcome.status != BandedSystem::Completed)
            state.SkipWithError("elimination failed");
        performed = system.eliminationMultiplyAdds();
    }
    setFrameCounters(state, frame);
    const double band = double(frame.F) * frame.H * frame.H / 2.0;
    state.counters["band madd/s"] = benchmark::Counter(band, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["envelope madd/s"] = benchmark::Counter(performed, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["band MB"] = double(frame.F) * frame.H * 8.0 / 1e6;
    state.counters["threads"] = double(state.range(3));
    state.SetLabel(assembled.eliminationKernel()->name);
    pool->setMaxThreadCount(threads);
}

// One load vector: gravity and a lateral push at every free node.
void BM_Solve(benchmark::State& state)
{
    BuildingFrame frame(int(state.range(0)), int(state.range(1)), int(state.range(2)));
    frame.number();
    BandedSystem system;
    frame.assemble(&system);
    system.eliminate();
    std::vector<double> P(size_t(frame.F), 0.0);
    for (int r = 0; r + 6 <= frame.F; r += 6) {
        P[size_t(r)] = 1e3;
        P[size_t(r + 2)] = -1e4;
    }
    std::vector<double> x;
    for (auto _ : state) {
        x = P;
        system.solve(x.data());
        benchmark::DoNotOptimize(x.data());
    }
    setFrameCounters(state, frame);
}

void frames(benchmark::internal::Benchmark* b)
{
    b->Args({8, 8, 6})->Args({10, 10, 10})->Args({12, 12, 12})->Unit(benchmark::kMillisecond);
}

} // namespace

BENCHMARK(BM_Numbering)->Apply(frames);
BENCHMARK(BM_Assembly)->Apply(frames);
BENCHMARK(BM_Elimination)
    ->Args({8, 8, 6, 8})
    ->Args({10, 10, 10, 8})
    ->Args({12, 12, 12, 1})
    ->Args({12, 12, 12, 8})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);
BENCHMARK(BM_Solve)->Apply(frames);


// A document of model objects held in lists, whose counters a benchmark
// moves to ask for a new analysis.
class ListDocument : public AnalysisDocument
{
public:
    QList<MemberRef> members;
    QList<LoadRef> loads;
    LoadCaseRef loading{VaroObject::make<Loading>(QStringLiteral("Loading 1"))};
    QAtomicInt topology{1}, stiffness, loadingCounter;
    const SectionTypeRef sectionType{steelType()};

    static SectionTypeRef steelType()
    {
        const CrossSectionRef section = makeBenchIBeam();
        section->setArea(A);
        section->setIy(Iz);
        section->setIz(Iy);
        section->setJ(J);
        return SectionTypeRef(
            VaroObject::make<SectionType>(section, MaterialRef(new Material({QStringLiteral("Steel")}, E, G, 7850, 1.2e-5))));
    }

    int busyCount() const override { return 0; }
    int topologySum() const override { return topology.loadAcquire(); }
    int stiffnessSum() const override { return stiffness.loadAcquire(); }
    int loadingSum() const override { return loadingCounter.loadAcquire(); }
    void readMembers(const std::function<void(const QList<MemberRef>&)>& read) const override { read(members); }
    QList<LoadCaseRef> loadCases() const override { return {loading}; }
    bool loadsInLoadCases(const QList<LoadCaseRef>& loadCases, QList<QList<LoadRef>>* expanded,
                          const std::function<bool()>& carryOn) const override
    {
        return expandLoadCases(loadCases, members, loads, expanded, carryOn);
    }
};

// The whole analysis through the thread, from the snapshot of a document to
// the published output, of the same frames held as model objects standing
// with Y up, as the program's gravity and member axes assume: gravity node
// loads on every upper node and lateral loads along X.
class FrameDocument : public ListDocument
{
public:
    FrameDocument(int nx, int ny, int nz)
    {
        const SupportRef fixed(VaroObject::make<Support>(QString(), 63));
        const LoadAxisRef down(VaroObject::make<LoadAxis>(Axis(Vector3(0, -1, 0), NodeRef(), true, false)));
        const LoadAxisRef lateral(VaroObject::make<LoadAxis>(Axis(Vector3(1, 0, 0), NodeRef(), true, false)));

        QVector<NodeRef> nodes;
        for (int k = 0; k <= nz; ++k)
            for (int j = 0; j <= ny; ++j)
                for (int i = 0; i <= nx; ++i) {
                    NodeRef n(VaroObject::make<Node>());
                    n->setPosition(Vector3(6.0 * i, 3.5 * k, 6.0 * j));
                    if (k == 0)
                        n->setSupport(fixed);
                    nodes.append(n);
                }
        const auto id = [=](int i, int j, int k) { return (k * (ny + 1) + j) * (nx + 1) + i; };
        const auto add = [&](int a, int b) {
            MemberRef m(VaroObject::make<Member>(nodes[a], nodes[b]));
            m->setSectionType(sectionType);
            members.append(m);
            return m;
        };
        const auto nodeLoad = [&](const MemberRef& m, const LoadAxisRef& axis, double force) {
            QSharedPointer<PointLoad> load(VaroObject::make<PointLoad>(m));
            load->setAxis(axis);
            load->setLoadCase(loading);
            load->setPositionedForces({{1.0, force}});
            loads.append(load);
        };
        for (int k = 0; k < nz; ++k)
            for (int j = 0; j <= ny; ++j)
                for (int i = 0; i <= nx; ++i) {
                    const MemberRef column = add(id(i, j, k), id(i, j, k + 1));
                    nodeLoad(column, down, 50e3);
                    if (i == 0)
                        nodeLoad(column, lateral, 10e3);
                    if (i < nx)
                        add(id(i, j, k + 1), id(i + 1, j, k + 1));
                    if (j < ny)
                        add(id(i, j, k + 1), id(i, j + 1, k + 1));
                }
    }
};

// Peak resident memory of the process so far, MB.
double peakMegabytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0.0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0.0;
}

// Waits until the thread has published the solver's run with the given count.
void waitForSolverRun(const AnalysisModel& model, int runs)
{
    while (model.phaseTimes().solverRuns < runs || !model.output())
        QThread::msleep(1);
}

// Times each iteration's whole analysis after a change of topology, the
// model already started on the document; the last run's phase times.
AnalysisModel::PhaseTimes timeAnalyses(benchmark::State& state, ListDocument& document, AnalysisModel& model,
                                       int* runs)
{
    waitForSolverRun(model, *runs = 1);
    AnalysisModel::PhaseTimes times;
    for (auto _ : state) {
        document.topology.ref();
        waitForSolverRun(model, ++*runs);
        times = model.phaseTimes();
        state.SetIterationTime(times.topology + times.stiffness + times.solver);
    }
    return times;
}

void BM_WholeAnalysis(benchmark::State& state)
{
    FrameDocument document(int(state.range(0)), int(state.range(1)), int(state.range(2)));
    AnalysisModel model(&document);
    model.start();
    int runs = 0;
    const AnalysisModel::PhaseTimes times = timeAnalyses(state, document, model, &runs);
    // Only the loads change: the factorised stiffness is reused.
    const int stiffnessRuns = model.phaseTimes().stiffnessRuns;
    document.loadingCounter.ref();
    waitForSolverRun(model, ++runs);
    const AnalysisModel::PhaseTimes reloaded = model.phaseTimes();

    const double H = model.halfBandWidth();
    state.counters["halfBand"] = H;
    state.counters["topology_s"] = times.topology;
    state.counters["stiffness_s"] = times.stiffness;
    state.counters["solver_s"] = times.solver;
    state.counters["compile_s"] = times.compilation;
    // A lower bound of the elimination's rate: the stiffness phase also
    // covers geometry and assembly.
    state.counters["madds_per_s"] = model.eliminationMultiplyAdds() / times.stiffness;
    state.counters["loadOnly_s"] = reloaded.solver;
    state.counters["loadOnlyRestiffened"] = reloaded.stiffnessRuns - stiffnessRuns;
    state.counters["peak_MB"] = peakMegabytes();
    model.stop();
    model.wait();
}

BENCHMARK(BM_WholeAnalysis)
    ->Args({8, 8, 6})
    ->Args({10, 10, 10})
    ->Args({12, 12, 12})
    ->Args({16, 16, 16})
    ->Args({20, 20, 20})
    ->UseManualTime()
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond);

// The whole analysis of a continuous beam of 4 m spans along X, on supports
// at every node, each span under 20 point loads of alternating sign along
// its local y, and, when asked, a distributed load over most of it: the
// search for the largest values along members dominates.
class LoadedBeamDocument : public ListDocument
{
public:
    LoadedBeamDocument(int spans, int pointLoads, bool distributed)
    {
        const LoadAxisRef y(VaroObject::make<LoadAxis>(Axis(Vector3(0, 1, 0), NodeRef(), true, false)));
        const SupportRef first(VaroObject::make<Support>(QString(), Dof::All & ~(Dof::Ry | Dof::Rz)));
        const SupportRef roller(VaroObject::make<Support>(QString(), Dof::Y | Dof::Z));
        NodeRef previous(VaroObject::make<Node>());
        previous->setSupport(first);
        for (int i = 1; i <= spans; ++i) {
            const NodeRef next(VaroObject::make<Node>());
            next->setPosition(Vector3(4.0 * i, 0, 0));
            next->setSupport(roller);
            const MemberRef m(VaroObject::make<Member>(previous, next));
            m->setSectionType(sectionType);
            members.append(m);
            previous = next;
            const auto add = [&](LoadRef load, const QList<Load::PositionedForce>& pairs) {
                load->setAxis(y);
                load->setLoadCase(loading);
                load->setPositionedForces(pairs);
                loads.append(load);
            };
            for (int k = 0; k < pointLoads; ++k)
                add(LoadRef(VaroObject::make<PointLoad>(m)),
                    {{(k + 0.5 + 0.3 * std::sin(i + k)) / pointLoads, (k % 2 ? 8e3 : -10e3) * (1.0 + 0.2 * std::cos(i))}});
            if (distributed)
                add(LoadRef(VaroObject::make<TrapezoidLoad>(m)), {{0.15, -6e3}, {0.85, -2e3}});
        }
    }
};

// Members, point loads on each, and 1 for a distributed load on each as well.
void BM_LoadedMembers(benchmark::State& state)
{
    LoadedBeamDocument document(int(state.range(0)), int(state.range(1)), state.range(2) != 0);
    AnalysisModel model(&document);
    model.start();
    int runs = 0;
    const AnalysisModel::PhaseTimes times = timeAnalyses(state, document, model, &runs);
    state.counters["solver_s"] = times.solver;
    state.counters["compile_s"] = times.compilation;
    model.stop();
    model.wait();
}

BENCHMARK(BM_LoadedMembers)
    ->Args({2000, 20, 0})
    ->Args({2000, 20, 1})
    ->UseManualTime()
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond);

// The whole analysis of a cantilever under one tip load whose loading is the
// first link of a chain of combinations, each the one before it times 2 or
// 0.5 by turns: every link has the loading's one load.
void BM_LinkedCombinations(benchmark::State& state)
{
    installAnalysis();
    const int links = int(state.range(0));
    AnalysisModel::PhaseTimes times;
    for (auto _ : state) {
        DocumentModel document(QSharedPointer<UnitSystem>::create());
        const QSharedPointer<StructureModel> structure = document.structureModel();
        const NodeRef base(VaroObject::make<Node>()), tip(VaroObject::make<Node>());
        tip->setPosition(Vector3(4, 0, 0));
        base->setSupport(VaroObject::make<Support>(QString(), 63));
        const MemberRef member(VaroObject::make<Member>(base, tip));
        const CrossSectionRef section = makeBenchIBeam();
        member->setSectionType(
            VaroObject::make<SectionType>(section, MaterialRef(new Material({QStringLiteral("Steel")}, E, G, 7850, 1.2e-5))));
        const LoadingRef loading(VaroObject::make<Loading>(QStringLiteral("Loading 1")));
        QSharedPointer<PointLoad> load(VaroObject::make<PointLoad>(member));
        load->setAxis(VaroObject::make<LoadAxis>(Axis(Vector3(0, -1, 0), NodeRef(), true, false)));
        load->setLoadCase(loading);
        load->setPositionedForces({{1.0, 10e3}});
        structure->appendObjects({base, tip, member, load});
        QList<LoadCaseRef> cases{loading};
        LoadCaseRef last = loading;
        for (int i = 0; i < links; ++i) {
            const CombinationRef next(VaroObject::make<Combination>(QString::number(i)));
            next->addFactor(last, i % 2 ? 0.5 : 2.0);
            cases.append(next);
            last = next;
        }
        document.libraries()->loadCaseLibrary()->appendAll(cases);
        const QSharedPointer<AnalysisModel> model = qSharedPointerObjectCast<AnalysisModel>(document.analysisModel());
        document.lowerBusyCount();
        waitForSolverRun(*model, 1);
        times = model->phaseTimes();
        state.SetIterationTime(times.topology + times.stiffness + times.solver);
    }
    state.counters["solver_s"] = times.solver;
    state.counters["compile_s"] = times.compilation;
    state.counters["peak_MB"] = peakMegabytes();
}

BENCHMARK(BM_LinkedCombinations)
    ->Arg(1000)
    ->Arg(3000)
    ->Arg(10000)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// A storey of (n + 1)² columns 3.5 m high, fixed at their bases, under a
// grid of beams 6 m apart, as one builds it in the program: a loading of
// 50 kN down on every column top, a gravity case and a combination of the
// two, so that the analysis generates a self weight for every member and a
// copy of every load. Its analysis runs from construction on.
struct Storey
{
    DocumentModel document{QSharedPointer<UnitSystem>::create()};
    const QSharedPointer<StructureModel> structure = document.structureModel();
    QVector<NodeRef> roof, feet;
    QSharedPointer<AnalysisModel> model;
    int runs = 1;

    // installAnalysis() first.
    explicit Storey(int n)
    {
        const SectionTypeRef section = ListDocument::steelType();
        const SupportRef fixed(VaroObject::make<Support>(QString(), 63));
        const LoadAxisRef down(VaroObject::make<LoadAxis>(Axis(Vector3(0, -1, 0), NodeRef(), true, false)));
        const LoadingRef loading(VaroObject::make<Loading>(QStringLiteral("Loading 1")));
        const GravityCaseRef gravity(VaroObject::make<GravityCase>(QStringLiteral("Gravity")));
        const CombinationRef combination(VaroObject::make<Combination>(QStringLiteral("ULS")));
        combination->setFactors({{gravity, 1.35}, {loading, 1.5}});

        QList<VaroObjectRef> objects;
        const auto member = [&](const NodeRef& a, const NodeRef& b) {
            const MemberRef m(VaroObject::make<Member>(a, b));
            m->setSectionType(section);
            objects << m;
            return m;
        };
        for (int j = 0; j <= n; ++j)
            for (int i = 0; i <= n; ++i) {
                const NodeRef base(VaroObject::make<Node>()), top(VaroObject::make<Node>());
                base->setPosition(Vector3(6.0 * i, 0, 6.0 * j));
                base->setSupport(fixed);
                top->setPosition(Vector3(6.0 * i, 3.5, 6.0 * j));
                objects << base << top;
                feet << base;
                roof << top;
                QSharedPointer<PointLoad> load(VaroObject::make<PointLoad>(member(base, top)));
                load->setAxis(down);
                load->setLoadCase(loading);
                load->setPositionedForces({{1.0, 50e3}});
                objects << load;
            }
        for (int j = 0; j <= n; ++j)
            for (int i = 0; i <= n; ++i) {
                if (i < n)
                    member(roof[j * (n + 1) + i], roof[j * (n + 1) + i + 1]);
                if (j < n)
                    member(roof[j * (n + 1) + i], roof[(j + 1) * (n + 1) + i]);
            }
        structure->appendObjects(objects);
        document.libraries()->loadCaseLibrary()->appendAll({loading, gravity, combination});
        model = qSharedPointerObjectCast<AnalysisModel>(document.analysisModel());
        document.lowerBusyCount();
        waitForSolverRun(*model, runs);
    }

    // Seconds from an edit made in one write to its published results.
    double timeToResults(const std::function<void()>& edit)
    {
        QElapsedTimer timer;
        timer.start();
        {
            DocumentWriteGuard writing(&document);
            edit();
        }
        waitForSolverRun(*model, ++runs);
        return timer.nsecsElapsed() * 1e-9;
    }
};

// Each iteration moves the roof by 1 mm in one edit, every roof node or
// only one, and times it to the published results.
void BM_MovedRoof(benchmark::State& state)
{
    installAnalysis();
    Storey storey(int(state.range(0)));
    const bool wholeRoof = state.range(1) != 0;
    QMap<NodeRef, double> moved;
    for (const NodeRef& node : wholeRoof ? storey.roof : storey.roof.mid(storey.roof.size() / 2, 1))
        moved.insert(node, 1.0);
    for (auto _ : state)
        state.SetIterationTime(
            storey.timeToResults([&] { storey.structure->moveNodesBy(moved, Vector3(0, 0.001, 0)); }));
    state.counters["members"] = storey.structure->members().size();
    state.counters["moved"] = moved.size();
}

BENCHMARK(BM_MovedRoof)
    ->ArgNames({"n", "wholeRoof"})
    ->Args({50, 0})
    ->Args({50, 1})
    ->Args({100, 0})
    ->Args({100, 1})
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

// The same storey's column feet pinned, each freeing its three rotations:
// the stiffness system grows. Each iteration pins one foot more, from the
// middle of the grid on, or every foot, and times it to the published
// results.
void BM_PinnedFeet(benchmark::State& state)
{
    installAnalysis();
    Storey storey(int(state.range(0)));
    const bool everyFoot = state.range(1) != 0;
    const SupportRef pinned(VaroObject::make<Support>(QString(), Dof::X | Dof::Y | Dof::Z));
    int next = storey.feet.size() / 2;
    for (auto _ : state) {
        QMap<NodeRef, SupportRef> supports;
        for (const NodeRef& foot : everyFoot ? storey.feet : storey.feet.mid(next++, 1))
            supports.insert(foot, pinned);
        state.SetIterationTime(storey.timeToResults([&] { storey.structure->changeNodeSupport(supports); }));
    }
    state.counters["members"] = storey.structure->members().size();
    state.counters["pinned"] = everyFoot ? storey.feet.size() : next - storey.feet.size() / 2;
}

void pinnedFeet(benchmark::internal::Benchmark* b)
{
    b->ArgNames({"n", "everyFoot"})->UseManualTime()->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_PinnedFeet)->Apply(pinnedFeet)->Args({50, 0})->Args({100, 0})->Iterations(3);
// Once: a second time would find every foot pinned already.
BENCHMARK(BM_PinnedFeet)->Apply(pinnedFeet)->Args({50, 1})->Args({100, 1})->Iterations(1);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::AddCustomContext("elimination kernel", bestEliminationKernel()->name);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
