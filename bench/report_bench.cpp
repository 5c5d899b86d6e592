#include "ReportBenchModels.h"

#include <benchmark/benchmark.h>

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

// Lays out and paints every page of a report of all chapters, at 300 dpi,
// for a regular building frame and for a shipped example. Layout should
// grow linearly with the number of plates; painting is reported per page.

namespace {

QImage a4At300dpi()
{
    QImage image(2480, 3508, QImage::Format_RGB32);
    image.setDotsPerMeterX(11811);
    image.setDotsPerMeterY(11811);
    return image;
}

void layoutAndPaint(benchmark::State& state, const QSharedPointer<DocumentModel>& document, const ViewPoint& view)
{
    const ReportRef report = allChaptersReport(document);
    QImage image = a4At300dpi();
    double layoutSeconds = 0.0, paintSeconds = 0.0;
    int pages = 0, plates = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        const ReportLayoutRef layout = layOut(document, report, view);
        layoutSeconds += timer.nsecsElapsed() * 1e-9;
        pages = layout->pages.size();
        plates = 0;
        for (const ReportLayout::Page& page : layout->pages)
            plates += page.size();

        timer.restart();
        ReportPainter painter(layout, document->unitSystem(), {});
        for (int page = 1; page <= pages; ++page) {
            image.fill(Qt::white);
            QPainter target(&image);
            painter.paintPage(page, &target, image.rect());
        }
        paintSeconds += timer.nsecsElapsed() * 1e-9;
    }
    const double runs = double(state.iterations());
    state.counters["pages"] = pages;
    state.counters["plates"] = plates;
    state.counters["layout_ms"] = layoutSeconds * 1e3 / runs;
    state.counters["layout_us_per_plate"] = layoutSeconds * 1e6 / runs / std::max(1, plates);
    state.counters["paint_ms_per_page"] = paintSeconds * 1e3 / runs / std::max(1, pages);
}

void BM_BuildingFrame(benchmark::State& state)
{
    layoutAndPaint(state, analysed(buildingFrame(int(state.range(0)))), obliqueView());
}
BENCHMARK(BM_BuildingFrame)->Arg(4)->Arg(8)->Arg(12)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_Example(benchmark::State& state)
{
    ViewPoint view;
    const QSharedPointer<DocumentModel> document =
        analysed(exampleModel(QStringLiteral(":/example/08.KU.Two-storey Frame.varok"), &view));
    layoutAndPaint(state, document, view);
}
BENCHMARK(BM_Example)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    initialiseReportBench();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
