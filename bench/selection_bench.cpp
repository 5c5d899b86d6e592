#include "DocumentModel.h"
#include "EditingActions.h"
#include "Member.h"
#include "Node.h"
#include "SelectionModel.h"
#include "StructureModel.h"
#include "UnitSystem.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <cmath>

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
            NodeRef node(new Node);
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

    void join(int a, int b) { members.append(MemberRef(new Member(nodes[a], nodes[b]))); }
};

// n × n nodes 1 m apart, each joined to its neighbours along both axes.
struct Grid : BenchDocument
{
    explicit Grid(int n)
    {
        for (int j = 0; j < n; ++j)
            for (int i = 0; i < n; ++i) {
                nodes.append(NodeRef(new Node));
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
                    nodes.append(NodeRef(new Node));
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

    // What a box around the lower three eighths of the storeys takes: the
    // nodes in it and the members with both ends in it.
    QList<VaroObjectRef> lowerPart() const
    {
        const double top = 3.5 * std::round((std::cbrt(nodes.size()) - 1) * 3.0 / 8.0) + 0.1;
        QList<VaroObjectRef> objects;
        for (const NodeRef& node : nodes)
            if (node->position().y() < top)
                objects.append(node);
        for (const MemberRef& member : members)
            if (member->nodeA()->position().y() < top && member->nodeB()->position().y() < top)
                objects.append(member);
        return objects;
    }
};

} // namespace

// One click that deselects a node of a grid with its members, the rest of
// the grid unselected: the consolidation must look only near that node.
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
        state.ResumeTiming();
    }
    state.counters["nodes"] = n * n;
    state.counters["members"] = grid.members.size();
}
BENCHMARK(BM_DeselectOneNodeOfFramedGrid)->Arg(200)->Unit(benchmark::kMillisecond);

// A box selection of the lower part of a frame (about 7,000 objects at 16),
// then Escape, which deselects them all and consolidates them.
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


int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
