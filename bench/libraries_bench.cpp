#include "Libraries.h"
#include "SectionLibrary.h"
#include "StandardSections.h"

#include <QCoreApplication>
#include <QFile>

#include <benchmark/benchmark.h>

// Reading the section resource happens once per process, at the first
// document; every later document only builds its own trees.
static void BM_ParseSectionResource(benchmark::State& state)
{
    StandardSections::root(); // registers the resource
    QFile file(QStringLiteral(":/sectionLibrary.dat"));
    file.open(QIODevice::ReadOnly);
    const QByteArray data = file.readAll();
    for (auto _ : state) {
        StandardSection root;
        benchmark::DoNotOptimize(StandardSections::parse(data, &root));
    }
}
BENCHMARK(BM_ParseSectionResource)->Unit(benchmark::kMillisecond);

// Everything a new document does to get its catalogues.
static void BM_BuildLibraries(benchmark::State& state)
{
    StandardSections::root();
    for (auto _ : state) {
        Libraries libraries;
        benchmark::DoNotOptimize(libraries.sectionLibrary().data());
    }
}
BENCHMARK(BM_BuildLibraries)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
