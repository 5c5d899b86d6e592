#include "ReportPreview.h"

#include "ReportPainter.h"
#include "StructureView.h"
#include "UnitSystem.h"

#include <QCoreApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QtConcurrent>

#include <algorithm>
#include <cmath>

ReportPreview::ReportPreview(const QSharedPointer<UnitSystem>& unitSystem,
                             const QSharedPointer<StructureView>& structureView, QWidget* parent,
                             Qt::WindowFlags flags)
    : QAbstractScrollArea(parent), cache(new Cache), structureView(structureView), unitSystem(unitSystem)
{
    setWindowFlags(flags);
    auto* port = new QWidget;
    port->setStyleSheet(QStringLiteral("QWidget { background-color:#444444; border:none; }"));
    setViewport(port);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    horizontalScrollBar()->setRange(0, 0);
    verticalScrollBar()->setRange(0, 0);
    setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    connect(&renderWatcher, &QFutureWatcher<void>::finished, this, &ReportPreview::renderFinished);
}

ReportPreview::~ReportPreview()
{
    if (!renderWatcher.isRunning())
        return;
    // The render outlives the preview; the keeper holds what it reads until it ends.
    auto* keeper = new QFutureWatcher<void>;
    connect(keeper, &QFutureWatcher<void>::finished, keeper, [keeper, job = running] { keeper->deleteLater(); });
    // At quit no event loop is left to serve a 3D capture the render may wait for.
    connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, keeper, [keeper] {
        while (keeper->isRunning())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    });
    keeper->setFuture(renderWatcher.future());
}

void ReportPreview::renderFinished()
{
    running = RenderJob();
    viewport()->update();
}

void ReportPreview::setPageSize(const QSize& page, int resolution)
{
    dpi = resolution;
    pageSize = page;
    cell = page + QSize(24, 24);
    imageSize = page + QSize(16, 16);
    placeholder = QImage(imageSize, QImage::Format_RGB32);
    placeholder.fill(Qt::white);
    {
        QPainter painter(&placeholder);
        painter.fillRect(placeholder.rect(), QBrush(QColor(224, 224, 224), Qt::DiagCrossPattern));
    }
    horizontalScrollBar()->setSingleStep(dpi / 4);
    verticalScrollBar()->setSingleStep(dpi / 4);
    verticalScrollBar()->setPageStep(cell.height());
    horizontalScrollBar()->setPageStep(cell.width());
    clearCache();
    updateScrollBars();
}

QSize ReportPreview::sizeHint() const
{
    return QSize(cell.width() + verticalScrollBar()->sizeHint().width() + 2 * frameWidth(), cell.height());
}

void ReportPreview::setReportLayout(ReportLayoutRef newLayout)
{
    if (layout) {
        disconnect(layout.data(), nullptr, this, nullptr);
        disconnect(this, nullptr, layout.data(), nullptr);
    }
    layout = newLayout;
    if (layout)
        connect(layout.data(), &ReportLayout::PagesLaidOut, this, &ReportPreview::regenerate);
}

void ReportPreview::clearReportLayout()
{
    setReportLayout(ReportLayoutRef());
}

void ReportPreview::regenerate()
{
    clearCache();
    updateScrollBars();
}

void ReportPreview::clearCache()
{
    QWriteLocker locker(&cache->lock);
    ++cache->generation;
    cache->pages.clear();
}

QList<int> ReportPreview::cachedPages() const
{
    QReadLocker locker(&cache->lock);
    return cache->pages.keys();
}

QImage ReportPreview::pageImage(int page, const QRect& rect)
{
    quint64 generation;
    {
        QReadLocker locker(&cache->lock);
        const auto found = cache->pages.constFind(page);
        if (found != cache->pages.constEnd())
            return *found;
        generation = cache->generation;
    }
    if (renderWatcher.isRunning())
        return placeholder;
    {
        QWriteLocker locker(&cache->lock);
        if (cache->pages.size() > 7)
            for (auto it = cache->pages.begin(); it != cache->pages.end();)
                it = it.key() < page - 3 || it.key() > page + 3 ? cache->pages.erase(it) : it + 1;
    }
    if (!layout)
        return placeholder;
    running = RenderJob{cache, generation, layout, unitSystem, structureView, page, rect, dpi};
    // Moved out of the task, so that the task keeps no reference once it ran.
    renderWatcher.setFuture(QtConcurrent::run(QThreadPool::globalInstance(),
                                              [job = running]() mutable { createPageImage(std::move(job)); }));
    return placeholder;
}

void ReportPreview::createPageImage(RenderJob job)
{
    QImage image(job.rect.size(), QImage::Format_RGB32);
    const int dotsPerMetre = int(std::lrint(job.dpi * 1000 / 25.4));
    image.setDotsPerMeterX(dotsPerMetre);
    image.setDotsPerMeterY(dotsPerMetre);
    {
        QPainter painter(&image);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform
                               | QPainter::Qt4CompatiblePainting);
        painter.fillRect(job.rect, Qt::white);
        ReportPainter reportPainter(job.layout, job.unitSystem, job.structureView);
        reportPainter.paintPage(job.page, &painter, job.rect.adjusted(8, 8, -8, -8));
    }
    {
        QWriteLocker locker(&job.cache->lock);
        if (job.cache->generation == job.generation)
            job.cache->pages.insert(job.page, image);
    }
}

void ReportPreview::updateScrollBars()
{
    const int n = layout ? layout->pages.size() : 0;
    const int contentHeight = n > 0 ? n * cell.height() : 0;
    const int contentWidth = n > 0 ? cell.width() : 0;
    verticalScrollBar()->setRange(0, std::max(0, contentHeight - viewport()->height()));
    horizontalScrollBar()->setRange(0, std::max(0, contentWidth - viewport()->width()));
    viewport()->update();
}

void ReportPreview::paintEvent(QPaintEvent* event)
{
    if (!layout)
        return;
    const int v = verticalScrollBar()->value(), h = horizontalScrollBar()->value();
    const int first = std::max(0, (event->rect().top() + v) / cell.height());
    const int last = std::max(0, (event->rect().bottom() + v) / cell.height());
    const int x = (cell.width() - imageSize.width()) / 2 - h;
    const int yOffset = (cell.height() - imageSize.height()) / 2 - v;
    const int pageCount = layout->pages.size();
    QPainter painter(viewport());
    for (int i = first; i <= last && i < pageCount; ++i)
        painter.drawImage(QPoint(x, i * cell.height() + yOffset),
                          pageImage(i + 1, QRect(QPoint(0, 0), imageSize)));
}

void ReportPreview::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}
