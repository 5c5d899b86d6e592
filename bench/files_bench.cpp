// Opening large models: plane grids of N x N nodes 3 m apart, each row a
// beam along x of N - 1 members of one section, pinned at every node, with a
// point load in one load case at the middle of each row's first member. The
// program writes them itself, so their text is what a user's save holds:
// about 28, 36, 115 and 174 MB for 300, 340, 600 and 738 nodes a side.
//
// Each opening runs in a process of its own, as a user's does: the time is
// the whole process's, and the peak memory the largest any opening reached,
// as the process reports it before it ends. The files are written by a
// process of their own too, so that the benchmark stays small to start them.
//
//   files_bench                  the benchmark (files written to a temporary folder)
//   files_bench --write FOLDER   writes grid300.varou, grid340.varou, grid600.varou and grid738.varou
//   files_bench --open FILE      opens the file, prints its peak memory in kB and ends
//                                (exit status 1 when the file does not open)

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
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace {

const int sides[] = {300, 340, 600, 738};

QString gridFile(const QString& folder, int n)
{
    return QDir(folder).filePath(QStringLiteral("grid%1.varou").arg(n));
}

QByteArray gridText(int n)
{
    DocumentModel document(QSharedPointer<UnitSystem>(new UnitSystem));
    const MaterialRef steel(new Material({"Steel"}, 210e9, 81e9, 7850, 12e-6));
    const SectionTypeRef section(VaroObject::make<SectionType>(makeBenchIBeam(), steel));
    const SupportRef pinned(VaroObject::make<Support>("Pinned", Dof(Dof::X | Dof::Y | Dof::Z)));
    const LoadingRef imposed(VaroObject::make<Loading>("Imposed"));
    document.libraries()->loadCaseLibrary()->append(imposed);

    QList<VaroObjectRef> objects;
    QVector<NodeRef> nodes;
    nodes.reserve(n * n);
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            const NodeRef node(VaroObject::make<Node>());
            node->setPosition(Vector3(3.0 * i, 0.0, 3.0 * j));
            node->setSupport(pinned);
            nodes.append(node);
            objects << node;
        }
    const auto member = [&](int a, int b, bool loaded) {
        const MemberRef m(VaroObject::make<Member>(nodes[a], nodes[b]));
        m->setSectionType(section);
        objects << m;
        if (loaded) {
            const LoadRef load(VaroObject::make<PointLoad>(m));
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

bool writeGrids(const QString& folder)
{
    for (const int n : sides) {
        const QByteArray text = gridText(n);
        std::printf("grid %d x %d: %lld bytes of text\n", n, n, qint64(text.size()));
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
    if (!DocumentXml::openContent(text, document, &viewPoint, &state, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    // The peak of this program alone, not of the one that started it.
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly))
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("VmHWM:"))
                std::printf("peak %lld\n", line.mid(6).trimmed().split(' ').first().toLongLong());
    std::fflush(nullptr);
    // What a window holds stays until the process ends.
    std::_Exit(0);
}

QString folder;
QMap<int, qint64> textSizes;

// Runs this program with the arguments; its output, or empty when it failed.
QByteArray runSelf(const QStringList& arguments)
{
    QProcess process;
    process.start(QCoreApplication::applicationFilePath(), arguments);
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return QByteArray();
    return process.readAllStandardOutput();
}

void BM_OpenGrid(benchmark::State& state)
{
    const QString path = gridFile(folder, int(state.range(0)));
    qint64 peak = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        const QByteArray output = runSelf({QStringLiteral("--open"), path});
        state.SetIterationTime(timer.nsecsElapsed() / 1e9);
        if (!output.startsWith("peak ")) {
            state.SkipWithError("the file did not open");
            break;
        }
        peak = qMax(peak, output.mid(5).trimmed().toLongLong());
    }
    state.counters["text_MB"] = textSizes.value(int(state.range(0))) / 1e6;
    state.counters["peak_MB"] = peak / 1024.0;
}
BENCHMARK(BM_OpenGrid)
    ->Arg(300)
    ->Arg(340)
    ->Arg(600)
    ->Arg(738)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kSecond);

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
    const QByteArray written = runSelf({QStringLiteral("--write"), folder});
    for (const QByteArray& line : written.split('\n')) {
        int n = 0;
        long long bytes = 0;
        if (std::sscanf(line.constData(), "grid %d x %*d: %lld", &n, &bytes) == 2)
            textSizes.insert(n, bytes);
    }
    if (textSizes.size() != int(sizeof sides / sizeof sides[0]))
        return 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
