// Opening large models: plane grids of N x N nodes 3 m apart, each row a
// beam along x of N - 1 members of one section, pinned at every node, with a
// point load in one load case at the middle of each row's first member. The
// program writes them itself, so their text is what a user's save holds:
// about 28, 36 and 174 MB for 300, 340 and 738 nodes a side.
//
// Each opening runs in a process of its own, as a user's does: the time is
// the whole process's, and the peak memory the largest any opening reached.
//
//   files_bench                  the benchmark (files written to a temporary folder)
//   files_bench --write FOLDER   writes grid300.varou, grid340.varou and grid738.varou
//   files_bench --open FILE      opens the file and ends (exit status 1 when it does not open)

#include "BenchSections.h"
#include "CurrentState.h"
#include "DocumentModel.h"
#include "DocumentXml.h"
#include "LoadCaseLibrary.h"
#include "Libraries.h"
#include "Loading.h"
#include "Material.h"
#include "Member.h"
#include "NativeContainer.h"
#include "Node.h"
#include "PointLoad.h"
#include "SectionType.h"
#include "StructureModel.h"
#include "Support.h"
#include "UnitSystem.h"
#include "ViewPoint.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>

namespace {

const int sides[] = {300, 340, 738};

QString gridFile(const QString& folder, int n)
{
    return QDir(folder).filePath(QStringLiteral("grid%1.varou").arg(n));
}

QByteArray gridText(int n)
{
    DocumentModel document(QSharedPointer<UnitSystem>(new UnitSystem));
    const MaterialRef steel(new Material({"Steel"}, 210e9, 81e9, 7850, 12e-6));
    const SectionTypeRef section(new SectionType(makeBenchIBeam(), steel));
    const SupportRef pinned(new Support("Pinned", Dof(Dof::X | Dof::Y | Dof::Z)));
    const LoadingRef imposed(new Loading("Imposed"));
    document.libraries()->loadCaseLibrary()->append(imposed);

    QList<VaroObjectRef> objects;
    QVector<NodeRef> nodes;
    nodes.reserve(n * n);
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            const NodeRef node(new Node);
            node->setPosition(Vector3(3.0 * i, 0.0, 3.0 * j));
            node->setSupport(pinned);
            nodes.append(node);
            objects << node;
        }
    const auto member = [&](int a, int b, bool loaded) {
        const MemberRef m(new Member(nodes[a], nodes[b]));
        m->setSectionType(section);
        objects << m;
        if (loaded) {
            const LoadRef load(new PointLoad(m));
            load->setLoadCase(imposed);
            load->setPositionedForces({{0.5, -10e3}});
            objects << load;
        }
    };
    for (int j = 0; j < n; ++j)
        for (int i = 0; i + 1 < n; ++i)
            member(j * n + i, j * n + i + 1, i == 0);
    document.structureModel()->appendObjects(objects);
    ViewPoint viewPoint;
    CurrentState state;
    return DocumentXml::writeContent(&document, &viewPoint, &state);
}

QMap<int, qint64> textSizes;

bool writeGrids(const QString& folder)
{
    for (const int n : sides) {
        const QByteArray text = gridText(n);
        textSizes.insert(n, text.size());
        std::printf("grid %d x %d: %.1f MB of text\n", n, n, text.size() / 1e6);
        if (!NativeContainer::writeFile(gridFile(folder, n), text))
            return false;
    }
    return true;
}

// Opens as the main window does, and ends at once.
int openFile(const QString& path)
{
    QByteArray text;
    if (NativeContainer::readFile(path, &text) != NativeContainer::Status::Ok)
        return 1;
    DocumentModel* document = new DocumentModel(QSharedPointer<UnitSystem>(new UnitSystem));
    ViewPoint viewPoint;
    CurrentState state;
    QString error;
    if (!DocumentXml::readContent(text, document, &viewPoint, &state, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    document->incorporateDefaults();
    std::fflush(nullptr);
    // What a window holds stays until the process ends.
    std::_Exit(0);
}

QString folder;

void BM_OpenGrid(benchmark::State& state)
{
    const QString path = gridFile(folder, int(state.range(0)));
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        const int status = QProcess::execute(QCoreApplication::applicationFilePath(),
                                             {QStringLiteral("--open"), path});
        state.SetIterationTime(timer.nsecsElapsed() / 1e9);
        if (status != 0)
            state.SkipWithError("the file did not open");
    }
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    state.counters["text_MB"] = textSizes.value(int(state.range(0))) / 1e6;
    state.counters["peak_MB"] = usage.ru_maxrss / 1024.0;
}
BENCHMARK(BM_OpenGrid)->Arg(300)->Arg(340)->Arg(738)->UseManualTime()->Iterations(3)->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() == 3 && arguments.at(1) == QLatin1String("--open"))
        return openFile(arguments.at(2));
    if (arguments.size() == 3 && arguments.at(1) == QLatin1String("--write"))
        return writeGrids(arguments.at(2)) ? 0 : 1;
    QTemporaryDir temporary;
    folder = temporary.path();
    if (!writeGrids(folder))
        return 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
