// The reports as framed areas of tiles, and editing them by clicks.

#include "ReportView.h"

#include "DocumentModel.h"
#include "EditingActions.h"
#include "ReportButton.h"
#include "ReportModel.h"

#include <QButtonGroup>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalMapper>
#include <QToolButton>
#include <QVBoxLayout>

void ReportView::populateReportView()
{
    reportOfBlock.clear();
    blockOfArea.clear();
    itemOfArea.clear();
    reportAreas.clear();
    auto* pane = new QWidget;
    pane->setStyleSheet(QStringLiteral("QWidget { background-color:white; border:none; }"));
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(8, 8, 8, 16);
    layout->setSpacing(8);
    if (documentModel)
        for (const ReportRef& report : documentModel->reportModel()->reports())
            layout->addWidget(makeReportArea(report, report->rootBlock()));
    pane->setObjectName(QStringLiteral("FormatView"));
    pane->setFocusPolicy(Qt::NoFocus);
    pane->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setPaneWidget(layoutScrollArea, pane, true);
}

QWidget* ReportView::makeReportArea(const ReportRef& report, const Report::ReportBlockRef& block)
{
    auto* area = new QWidget;
    area->setMinimumSize(160, 64);
    auto* layout = new QVBoxLayout(area);
    int y = 0;
    QString sheet;
    if (block->loadCaseMarker()) {
        sheet = StyleSheet::LoadCaseArea;
        QList<ReportButton*> column;
        for (const LoadCaseRef& loadCase : block->loadCases()) {
            ReportButton* tile = makeLoadCaseButton(loadCase, area);
            tile->report = report;
            tile->setGeometry(12, y, 128, 32);
            y += 32;
            column << tile;
        }
        ReportButton::setGroupBorders(column);
    } else {
        sheet = StyleSheet::ReportArea;
        auto* reportTile = new ReportButton(tr("Report"), Colour::ButtonReport, area);
        reportTile->setObjectName(QStringLiteral("Report"));
        reportTile->report = report;
        reportTile->setGeometry(12, 0, 64, 32);
        tileGroup->addButton(reportTile);
        y = 32;
        if (!block->isEmpty()) {
            reportTile->setBorderEdges(true, true, false, true);
            reportTile->setBorderCorners(true, false, true, false);
            auto* previewTile = new ReportButton(ReportButton::Pixmap::preview(), Colour::ButtonReport, area);
            previewTile->setObjectName(QStringLiteral("OpenPreview"));
            previewTile->setCheckable(false);
            previewTile->setToolTip(tr("Preview report"));
            previewTile->report = report;
            previewTile->setGeometry(76, 0, 32, 32);
            previewTile->setBorderCorners(false, true, false, true);
            previewMapper->setMapping(previewTile, previewTile);
            connect(previewTile, &QPushButton::clicked, previewMapper, QOverload<>::of(&QSignalMapper::map));
        }
    }
    const int m = std::max(y - 20, 0);
    area->setStyleSheet(sheet.arg(m));
    layout->setContentsMargins(8, m + 32, 8, 16);
    layout->setSpacing(8);

    for (const Report::ReportItemRef& item : block->items()) {
        if (!item->chapter.isEmpty()) {
            // A chapter the palette does not offer shows no tile.
            if (ReportButton* tile = makeChapterButton(item->chapter, nullptr)) {
                tile->item = item;
                tile->report = report;
                layout->addWidget(tile);
            }
        } else if (item->block && item->block->loadCaseMarker()) {
            QWidget* nested = makeReportArea(report, item->block);
            layout->addWidget(nested, 1);
            itemOfArea.insert(nested, item);
        }
    }
    area->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    blockOfArea.insert(area, block);
    reportOfBlock.insert(block, report);
    reportAreas.append(area);
    return area;
}

void ReportView::mousePressEvent(QMouseEvent* event)
{
    auto* tile = qobject_cast<ReportButton*>(tileGroup->checkedButton());
    QWidget* pane = layoutScrollArea->widget();
    const QPoint global = event->globalPos();
    if (tile && pane && documentModel && !reportAreas.isEmpty() && pane->rect().contains(pane->mapFromGlobal(global)))
        // Nested areas come first: the innermost area under the click takes it.
        for (QWidget* area : qAsConst(reportAreas)) {
            const QPoint click = area->mapFromGlobal(global);
            const Report::ReportBlockRef block = blockOfArea.value(area);
            const ReportRef report = reportOfBlock.value(block);
            if (area->rect().contains(click) && block && report) {
                insertByClick(tile, report, block, area, click);
                break;
            }
        }
    defaultButton->click();
}

void ReportView::insertByClick(const ReportButton* tile, const ReportRef& report, const Report::ReportBlockRef& block,
                               QWidget* area, const QPoint& click)
{
    EditingActions* actions = EditingActions::of(documentModel.data());
    if (tile->chapter.isEmpty()) {
        if (!tile->loadCase)
            return;
        if (block->loadCaseMarker()) {
            if (!block->loadCases().contains(tile->loadCase))
                actions->actionInsertLoadCaseIntoReport(report, block, tile->loadCase, LoadCaseRef());
        } else {
            const Report::ReportBlockRef nested(new Report::ReportBlock);
            nested->insertLoadCase(tile->loadCase, LoadCaseRef());
            actions->actionInsertItemIntoReport(report, block,
                                                Report::ReportItemRef(new Report::ReportItem(QString(), nested)),
                                                Report::ReportItemRef());
        }
        return;
    }
    // In front of the nearest tile or nested block whose centre lies below the click.
    int bestY = area->height() - 1;
    Report::ReportItemRef before;
    for (QObject* child : area->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (!widget)
            continue;
        const int centre = widget->geometry().center().y();
        if (centre >= bestY || click.y() >= centre)
            continue;
        if (auto* button = qobject_cast<ReportButton*>(widget)) {
            before = button->item;
            bestY = centre;
        } else if (itemOfArea.contains(widget)) {
            before = itemOfArea.value(widget);
            bestY = centre;
        }
    }
    actions->actionInsertItemIntoReport(report, block, Report::ReportItemRef(new Report::ReportItem(tile->chapter)),
                                        before);
}

void ReportView::deleteItem()
{
    auto* tile = qobject_cast<ReportButton*>(tileGroup->checkedButton());
    if (!tile || !documentModel)
        return;
    const Report::ReportItemRef item = tile->item;
    const LoadCaseRef loadCase = tile->loadCase;
    const ReportRef report = tile->report;
    const Report::ReportBlockRef block = blockOfArea.value(tile->parentWidget());
    if (!report || !block)
        return;
    EditingActions* actions = EditingActions::of(documentModel.data());
    if (!item && !loadCase) {
        // The report may have gained entries since the waste bin was shown.
        if (report->rootBlock()->isEmpty())
            actions->actionDeleteReport(report);
        return;
    }
    if (block->hasOnlyOneEntry() && block != report->rootBlock()) {
        const Report::ReportItemRef outerItem = report->parentOf(block);
        const Report::ReportBlockRef outerBlock =
            outerItem ? report->parentOf(outerItem, report->rootBlock()) : Report::ReportBlockRef();
        if (outerItem && outerBlock) {
            actions->actionRemoveItemFromReport(report, outerBlock, outerItem);
            return;
        }
    }
    if (item)
        actions->actionRemoveItemFromReport(report, block, item);
    else
        actions->actionRemoveLoadCaseFromReport(report, block, loadCase);
}

void ReportView::updateWasteBin()
{
    auto* tile = qobject_cast<ReportButton*>(tileGroup->checkedButton());
    bool show = false;
    if (tile && layoutScrollArea->isAncestorOf(tile)) {
        const bool emptyReport = !tile->item && !tile->loadCase && tile->chapter.isEmpty() && tile->report
                                 && tile->report->rootBlock()->isEmpty();
        show = tile->loadCase || !tile->chapter.isEmpty() || emptyReport;
    }
    wasteBinButton->setVisible(show);
}

void ReportView::addReport()
{
    if (documentModel)
        EditingActions::of(documentModel.data())->actionAddReport();
}
