#pragma once

#include "ReportLayout.h"

#include <QAbstractScrollArea>
#include <QFutureWatcher>
#include <QImage>
#include <QList>
#include <QMap>
#include <QReadWriteLock>
#include <QSharedPointer>
#include <QSize>

class StructureView;
class UnitSystem;

// The scrolling view of the pages of one laid-out report, one below the
// other. Pages are painted into images on the global thread pool, one at a
// time, and kept in a small cache; until its image exists a page shows a
// hatched placeholder.
//
// The GUI thread never waits for a render: a render may itself need the GUI
// thread (a 3D picture is captured there). Every clearing of the cache starts
// a new generation instead, and an image of an older generation is dropped
// when it arrives. What a render reads is also held here until it ends, so
// that the layout and the 3D view are always let go in the GUI thread.
class ReportPreview : public QAbstractScrollArea
{
    Q_OBJECT

public:
    // The view renders the pages' 3D pictures; without one they are left out.
    ReportPreview(const QSharedPointer<UnitSystem>& unitSystem, const QSharedPointer<StructureView>& structureView,
                  QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());
    ~ReportPreview() override;

    // Page numbers count from 1. A cached image, or the placeholder while
    // the page is rendered.
    QImage pageImage(int page, const QRect& rect);
    void updateScrollBars();

    // A page's width beside the vertical scroll bar: the size the preview
    // follows, so that a window opening on it shows a page whole across.
    QSize sizeHint() const override;

    ReportLayoutRef reportLayout() const { return layout; }
    QImage placeholderImage() const { return placeholder; }
    QList<int> cachedPages() const;

public slots:
    void regenerate();
    void clearReportLayout();
    void setPageSize(const QSize& page, int dpi);
    void setReportLayout(ReportLayoutRef layout);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Shared with the render tasks, so that a task still running when the
    // preview goes has somewhere to put its image.
    struct Cache
    {
        QReadWriteLock lock;
        QMap<int, QImage> pages;
        quint64 generation = 0;
    };
    struct RenderJob
    {
        QSharedPointer<Cache> cache;
        quint64 generation;
        ReportLayoutRef layout;
        QSharedPointer<UnitSystem> unitSystem;
        QSharedPointer<StructureView> structureView;
        int page;
        QRect rect;
        int dpi;
    };
    static void createPageImage(RenderJob job);
    void clearCache();
    void renderFinished();

    QImage placeholder;
    int dpi = 72;
    QFutureWatcher<void> renderWatcher;
    RenderJob running;
    QSharedPointer<Cache> cache;
    QSize imageSize{1, 1};
    QSize pageSize{1, 1};
    QSize cell{1, 1};
    ReportLayoutRef layout;
    QSharedPointer<StructureView> structureView;
    QSharedPointer<UnitSystem> unitSystem;
};
