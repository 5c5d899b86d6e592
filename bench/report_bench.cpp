#include "ReportBenchModels.h"

#include "FoundationMetaTypes.h"
#include "ModelMetaTypes.h"
#include "StructureView.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QMap>
#include <QPainter>
#include <QPrinter>
#include <QTemporaryDir>

#include <algorithm>
#include <vector>

#include <sys/resource.h>

// Lays out a report of all chapters for a regular building frame and for a
// shipped example and paints its pages at 300 dpi, timing each page by its
// kind: covers (group and load case), input (member, node and load data),
// results (member and node results) and overviews (reactions, deflections,
// shear forces, bending moments). A page should cost what it shows, so
// input and result pages of the 16 × 16 × 16 frame should take about as
// long as those of the 4 × 4 × 4 one (the ratio row); covers and overviews
// show every member and so cost more. The preview rows paint the pages as
// the report editor's preview does: 72 dpi, smoothed. The whole-PDF row
// writes every page of the report as the export does (A4, 600 dpi); the
// rendered row paints the example with a real 3D view, whose pictures are
// captured, and runs only on a display (Xvfb with LIBGL_ALWAYS_SOFTWARE=1).
// Per-page times are medians over up to 24 pages of each kind, spread over
// the report.

namespace {

enum PageKind { Covers, Input, Results, Overviews, PageKinds };
const char* const kindNames[PageKinds] = {"cover_ms", "input_ms", "results_ms", "overview_ms"};

PageKind kindOf(const ReportLayout::Page& page)
{
    const QString chapter = page.isEmpty() ? QString() : page.first().chapter;
    if (chapter == Report::ChapterGroupCover || chapter == Report::ChapterLoadCaseCover)
        return Covers;
    if (chapter == Report::ChapterMemberInput || chapter == Report::ChapterNodeInput
        || chapter == Report::ChapterLoadInput)
        return Input;
    if (chapter == Report::ChapterMemberGraphicalResults || chapter == Report::ChapterNodeGraphicalResults)
        return Results;
    return Overviews;
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

// A page image and how it is painted.
struct Target
{
    QSize size;
    int dpi;
    QPainter::RenderHints hints;

    QImage image() const
    {
        QImage result(size, QImage::Format_RGB32);
        result.setDotsPerMeterX(qRound(dpi / 0.0254));
        result.setDotsPerMeterY(qRound(dpi / 0.0254));
        return result;
    }
};

const Target a4At300dpi{QSize(2480, 3508), 300, {}};
const Target preview{QSize(504, 720), 72,
                     QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform
                         | QPainter::Qt4CompatiblePainting};

struct PageTimes
{
    double medianMs[PageKinds] = {};
    int pages = 0, plates = 0;
    double layoutMs = 0.0;
};

// Paints up to `perKind` pages of each kind, evenly spread, with one painter
// as a print job does, and keeps the median time of each kind.
PageTimes timePages(const QSharedPointer<DocumentModel>& document, const ViewPoint& view,
                    const Target& target = a4At300dpi, const QSharedPointer<StructureView>& structureView = {},
                    int perKind = 24)
{
    PageTimes result;
    QElapsedTimer timer;
    timer.start();
    const ReportLayoutRef layout = layOut(document, allChaptersReport(document), view);
    result.layoutMs = timer.nsecsElapsed() * 1e-6;
    result.pages = layout->pages.size();
    for (const ReportLayout::Page& page : layout->pages)
        result.plates += page.size();

    QVector<int> pagesOfKind[PageKinds];
    for (int i = 0; i < layout->pages.size(); ++i)
        pagesOfKind[kindOf(layout->pages.at(i))].append(i + 1);
    QImage image = target.image();
    ReportPainter painter(layout, document->unitSystem(), structureView);
    for (int kind = 0; kind < PageKinds; ++kind) {
        const QVector<int>& all = pagesOfKind[kind];
        const int count = std::min(perKind, all.size());
        std::vector<double> times;
        for (int i = 0; i < count; ++i) {
            const int page = all.at(int(qint64(i) * all.size() / count));
            image.fill(Qt::white);
            QPainter onto(&image);
            onto.setRenderHints(target.hints);
            timer.restart();
            painter.paintPage(page, &onto, image.rect());
            times.push_back(timer.nsecsElapsed() * 1e-6);
        }
        result.medianMs[kind] = median(times);
    }
    return result;
}

void report(benchmark::State& state, const PageTimes& times)
{
    state.counters["pages"] = times.pages;
    state.counters["plates"] = times.plates;
    state.counters["layout_ms"] = times.layoutMs;
    for (int kind = 0; kind < PageKinds; ++kind)
        state.counters[kindNames[kind]] = times.medianMs[kind];
}

// Frames are analysed once and shared by the rows.
QSharedPointer<DocumentModel> frame(int n)
{
    static QMap<int, QSharedPointer<DocumentModel>> frames;
    if (!frames.contains(n))
        frames.insert(n, analysed(buildingFrame(n)));
    return frames.value(n);
}

const PageTimes& frameTimes(int n, bool onPreview = false)
{
    static QMap<int, PageTimes> times[2];
    QMap<int, PageTimes>& kept = times[onPreview];
    if (!kept.contains(n))
        kept.insert(n, timePages(frame(n), obliqueView(), onPreview ? preview : a4At300dpi));
    return kept[n];
}

void BM_BuildingFrame(benchmark::State& state)
{
    for (auto _ : state)
        report(state, frameTimes(int(state.range(0))));
}
BENCHMARK(BM_BuildingFrame)->Arg(4)->Arg(8)->Arg(12)->Arg(16)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_BuildingFramePreview(benchmark::State& state)
{
    for (auto _ : state)
        report(state, frameTimes(int(state.range(0)), true));
}
BENCHMARK(BM_BuildingFramePreview)->Arg(4)->Arg(16)->Iterations(1)->Unit(benchmark::kMillisecond);

// Per-page time of the 16 × 16 × 16 frame over that of the 4 × 4 × 4 one, by
// kind, at 300 dpi and (preview_…) as the preview paints.
void BM_PerPageRatio16To4(benchmark::State& state)
{
    for (auto _ : state)
        for (const bool onPreview : {false, true}) {
            const PageTimes& small = frameTimes(4, onPreview);
            const PageTimes& large = frameTimes(16, onPreview);
            for (int kind = 0; kind < PageKinds; ++kind) {
                const QByteArray name = (onPreview ? QByteArray("preview_") : QByteArray())
                                        + QByteArray(kindNames[kind]).replace("_ms", "_ratio");
                state.counters[name.constData()] =
                    small.medianMs[kind] > 0.0 ? large.medianMs[kind] / small.medianMs[kind] : 0.0;
            }
        }
}
BENCHMARK(BM_PerPageRatio16To4)->Iterations(1)->Unit(benchmark::kMillisecond);

// Every page into one PDF file, as the export writes it. Run this row alone
// for its peak memory: the process's peak includes the rows before it.
void BM_WholePdf(benchmark::State& state)
{
    const QSharedPointer<DocumentModel> document = frame(int(state.range(0)));
    const ReportLayoutRef layout = layOut(document, allChaptersReport(document), obliqueView());
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("report.pdf"));
    double seconds = 0.0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        QPrinter printer(QPrinter::ScreenResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setColorMode(QPrinter::Color);
        printer.setResolution(600);
        const QRect r = printer.pageLayout().paintRectPixels(printer.resolution()).normalized();
        QPainter painter(&printer);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setRenderHint(QPainter::TextAntialiasing, false);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
        ReportPainter reportPainter(layout, document->unitSystem(), {});
        for (int page = 1; page <= layout->pages.size(); ++page) {
            if (page > 1)
                printer.newPage();
            reportPainter.paintPage(page, &painter, QRect(0, 0, r.width(), r.height()));
        }
        painter.end();
        seconds = timer.nsecsElapsed() * 1e-9;
    }
    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["pages"] = layout->pages.size();
    state.counters["seconds"] = seconds;
    state.counters["file_MB"] = QFileInfo(path).size() / 1e6;
    state.counters["ms_per_page"] = seconds * 1e3 / std::max(1, layout->pages.size());
    state.counters["peak_rss_MB"] = usage.ru_maxrss / 1024.0;
}
BENCHMARK(BM_WholePdf)->Arg(4)->Arg(12)->Iterations(1)->Unit(benchmark::kMillisecond);

QSharedPointer<DocumentModel> example(ViewPoint* view)
{
    return analysed(exampleModel(QStringLiteral(":/example/08.KU.Two-storey Frame.varok"), view));
}

void BM_Example(benchmark::State& state)
{
    ViewPoint view;
    const QSharedPointer<DocumentModel> document = example(&view);
    for (auto _ : state)
        report(state, timePages(document, view));
}
BENCHMARK(BM_Example)->Iterations(1)->Unit(benchmark::kMillisecond);

// The group cover's picture is rendered by the 3D view and captured.
void BM_ExampleRendered(benchmark::State& state)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        state.SkipWithError("needs a display");
        return;
    }
    ViewPoint view;
    const QSharedPointer<DocumentModel> document = example(&view);
    const QSharedPointer<StructureView> structureView(
        new StructureView(document->unitSystem(), CurrentStateRef(new CurrentState), nullptr));
    structureView->hide();
    structureView->setViewPoint(ViewPointRef(new ViewPoint(view)));
    structureView->setDocumentModel(document);
    for (auto _ : state) {
        report(state, timePages(document, view, a4At300dpi, structureView));
        // Page 1 is the group cover: its picture is captured, then painted again.
        const ReportLayoutRef layout = layOut(document, allChaptersReport(document), view);
        ReportPainter painter(layout, document->unitSystem(), structureView);
        QImage image = a4At300dpi.image();
        for (const char* counter : {"group_cover_first_ms", "group_cover_again_ms"}) {
            QPainter target(&image);
            QElapsedTimer timer;
            timer.start();
            painter.paintPage(1, &target, image.rect());
            state.counters[counter] = timer.nsecsElapsed() * 1e-6;
        }
    }
    structureView->clearDocumentModel();
}
BENCHMARK(BM_ExampleRendered)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    // Off screen unless there is a display for the rendered row.
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    registerFoundationMetaTypes();
    registerModelMetaTypes();
    initialiseReportBench();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
