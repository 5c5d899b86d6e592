#include "DocumentModel.h"
#include "EditingActions.h"
#include "Node.h"
#include "SelectionModel.h"
#include "StructureModel.h"
#include "UnitSystem.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

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

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
