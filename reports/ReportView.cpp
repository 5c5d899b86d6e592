#include "ReportView.h"

#include "Application.h"
#include "CurrentState.h"
#include "DocumentConnections.h"
#include "DocumentModel.h"
#include "Group.h"
#include "LoadCase.h"
#include "ReportButton.h"
#include "ReportModel.h"
#include "ReportPreview.h"
#include "StructureView.h"
#include "ToolMenu.h"
#include "UnitSystem.h"
#include "ViewPoint.h"
#include "VisualConstants.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QPrinter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalMapper>
#include <QStandardPaths>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

void setVisualConstants()
{
    ReportView::Colour::ButtonInput = QColor(143, 188, 143);
    ReportView::Colour::ButtonLoadCase = QColor(176, 196, 222);
    ReportView::Colour::ButtonReport = QColor(255, 255, 255);
    ReportView::Colour::ButtonResults = QColor(205, 92, 92);
    ReportView::StyleSheet::TitleBar = QStringLiteral(
        "QFrame { min-height:40px; background-color:#dddddd; color:black; border-bottom:1px solid black; }");
    ReportView::StyleSheet::TitleBarLabel =
        QStringLiteral("QLabel { background-color:none; color:black; border:none; padding:0px; margin:0px; }");
    ReportView::StyleSheet::Subtitle = QStringLiteral(
        "QLabel { font-size:10px; background-color:white; color:black; padding:0px 12px 0px 0px; }");
    ReportView::StyleSheet::WasteBinButton = QStringLiteral(
        "QToolButton { background-color:white; icon-size:44px; width:48px; height:48px; padding:2px 2px 2px 2px; "
        "border:none; } QToolButton:hover { border:2px solid #aaaaaa; border-radius:8px; }");
    ReportView::StyleSheet::ReportArea = QStringLiteral(
        "QWidget { background-color:#dddddd; border:2px solid black; border-radius:12px; padding:0px; "
        "margin-top:%1px; margin-bottom:0px; margin-left:0px; margin-right:0px; }");
    ReportView::StyleSheet::LoadCaseArea = QStringLiteral(
        "QWidget { background-color:rgb(240,248,255); border:2px solid black; border-radius:12px; padding:0px; "
        "margin-top:%1px; margin-bottom:0px; margin-left:0px; margin-right:0px; }");
}

const bool visualConstantsRegistered = (addVisualConstantsInitialiser(setVisualConstants), true);

QScrollArea* makePaneScrollArea()
{
    auto* area = new QScrollArea;
    area->setStyleSheet(QStringLiteral("QScrollArea { background-color:white; border:none; }"));
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    return area;
}

// A button at the right end of a pane's title bar, keeping its own size.
QToolButton* makeTitleBarButton(const QString& path, const QString& name)
{
    const QPixmap pixmap = QPixmap(path).scaledToHeight(32, Qt::SmoothTransformation);
    QToolButton* button = ToolMenu::makeButton(QIcon(pixmap), QString(), nullptr);
    button->setIconSize(pixmap.size());
    button->setObjectName(name);
    button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    return button;
}

} // namespace

QColor ReportView::Colour::ButtonInput;
QColor ReportView::Colour::ButtonLoadCase;
QColor ReportView::Colour::ButtonReport;
QColor ReportView::Colour::ButtonResults;
QString ReportView::StyleSheet::TitleBar;
QString ReportView::StyleSheet::TitleBarLabel;
QString ReportView::StyleSheet::Subtitle;
QString ReportView::StyleSheet::WasteBinButton;
QString ReportView::StyleSheet::ReportArea;
QString ReportView::StyleSheet::LoadCaseArea;

ReportView::ReportView(const QSharedPointer<UnitSystem>& unitSystem, const QSharedPointer<CurrentState>& currentState,
                       QWidget* parent, Qt::WindowFlags flags)
    : QSplitter(Qt::Horizontal, parent), currentState(currentState), unitSystem(unitSystem)
{
    setWindowFlags(flags);
    setWindowTitle(tr("%1 Reports").arg(QCoreApplication::applicationName()));
    const QSharedPointer<CurrentState> renderState(new CurrentState);
    renderState->enableRenderSolid(true);
    renderState->enableLightWeight(false);
    renderState->removeSelectionBox();
    renderState->setMode(CurrentState::Geometry);
    structureView.reset(new StructureView(unitSystem, renderState, nullptr));
    structureView->hide();
    structureView->setViewPoint(ViewPointRef(new ViewPoint));

    tileGroup = new QButtonGroup(this);
    defaultButton = new QPushButton(this);
    defaultButton->hide();
    defaultButton->setFlat(true);
    defaultButton->setCheckable(true);
    tileGroup->addButton(defaultButton);
    previewMapper = new QSignalMapper(this);

    createItemPane();
    createLayoutPane();
    createPreviewPane();
    setStretchFactor(0, 0);
    setStretchFactor(1, 0);
    setStretchFactor(2, 1);
    setChildrenCollapsible(false);

    if (isVisible()) {
        populateItemView();
        populateReportView();
        defaultButton->click();
    }

    connect(tileGroup, QOverload<QAbstractButton*>::of(&QButtonGroup::buttonClicked), this,
            &ReportView::updateWasteBin);
    if (currentState) {
        connect(currentState.data(), &CurrentState::LoadCaseHasChanged, this, &ReportView::delayedUpdatePreview);
        connect(currentState.data(), &CurrentState::GroupHasChanged, this, &ReportView::delayedUpdatePreview);
    }
    connect(previewMapper, &QSignalMapper::mappedWidget, this,
            QOverload<QWidget*>::of(&ReportView::setPreviewReport));
    if (unitSystem)
        connect(unitSystem.data(), &UnitSystem::UnitSystemChanged, this, &ReportView::delayedUpdatePreview);
    if (auto* application = qobject_cast<Application*>(QCoreApplication::instance()))
        connect(application, &Application::PrintersEnumerated, this, &ReportView::updatePrinters,
                Qt::QueuedConnection);
    if (Application::_printersHaveBeenEnumerated)
        updatePrinters();
}

ReportView::~ReportView() = default;

QSize ReportView::sizeHint() const
{
    return QSize(672, 384);
}

QLabel* ReportView::makeTitle(const QString& text) const
{
    auto* label = new QLabel(text);
    label->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    label->setAlignment(Qt::AlignCenter);
    label->setStyleSheet(StyleSheet::TitleBarLabel);
    return label;
}

QLabel* ReportView::makeSubtitle(const QString& text) const
{
    auto* label = new QLabel(text);
    label->setStyleSheet(StyleSheet::Subtitle);
    return label;
}

QWidget* ReportView::makeTitleBar(const QMargins& margins) const
{
    auto* bar = new QFrame;
    bar->setStyleSheet(StyleSheet::TitleBar);
    bar->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    auto* layout = new QHBoxLayout(bar);
    layout->setContentsMargins(margins);
    layout->setSpacing(4);
    return bar;
}

void ReportView::createItemPane()
{
    auto* pane = new QWidget;
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    QWidget* bar = makeTitleBar(QMargins(0, 0, 0, 0));
    bar->layout()->addWidget(makeTitle(tr("Items available")));
    layout->addWidget(bar);
    itemScrollArea = makePaneScrollArea();
    layout->addWidget(itemScrollArea, 1);
    pane->setMinimumWidth(128);
    addWidget(pane);
}

void ReportView::createLayoutPane()
{
    auto* pane = new QWidget;
    auto* grid = new QGridLayout(pane);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    QWidget* bar = makeTitleBar(QMargins(4, 0, 8, 0));
    bar->layout()->addWidget(makeTitle(tr("Layout")));
    QToolButton* addButton = makeTitleBarButton(QStringLiteral(":/buttonAdd2.png"), QStringLiteral("ButtonAddReport"));
    addButton->setToolTip(tr("Add new report"));
    connect(addButton, &QToolButton::clicked, this, &ReportView::addReport);
    bar->layout()->addWidget(addButton);
    grid->addWidget(bar, 0, 0, 1, 2);

    layoutScrollArea = makePaneScrollArea();
    grid->addWidget(layoutScrollArea, 1, 0, 2, 2);
    wasteBinButton = ToolMenu::makeButton(QIcon(QStringLiteral(":/actionSelectionDelete.png")), QString(), nullptr);
    wasteBinButton->hide();
    wasteBinButton->setObjectName(QStringLiteral("ButtonDeleteReportItem"));
    wasteBinButton->setStyleSheet(StyleSheet::WasteBinButton);
    connect(wasteBinButton, &QToolButton::clicked, this, &ReportView::deleteItem);
    grid->addWidget(wasteBinButton, 2, 1, Qt::AlignRight | Qt::AlignBottom);
    grid->setRowStretch(0, 0);
    grid->setRowStretch(1, 1);
    grid->setRowStretch(2, 0);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 0);
    pane->setMinimumWidth(192);
    addWidget(pane);
}

void ReportView::createPreviewPane()
{
    auto* pane = new QWidget;
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    QWidget* bar = makeTitleBar(QMargins(4, 0, 16, 0));
    bar->layout()->addWidget(makeTitle(tr("Preview")));
    printButton = makeTitleBarButton(QStringLiteral(":/buttonPrint.png"), QStringLiteral("ReportPrint"));
    printButton->hide();
    printButton->setEnabled(false);
    connect(printButton, &QToolButton::clicked, this, &ReportView::printReport);
    bar->layout()->addWidget(printButton);
    layout->addWidget(bar);

    preview = new ReportPreview(unitSystem, structureView);
    preview->setObjectName(QStringLiteral("Preview"));
    preview->setStyleSheet(QStringLiteral("QScrollArea { background-color:#444444; border:none; }"));
    preview->setPageSize(QSize(504, 720), 72);
    layout->addWidget(preview, 1);
    pane->setMinimumWidth(256);
    addWidget(pane);
}

void ReportView::populateItemView()
{
    auto* palette = new QWidget;
    palette->setStyleSheet(QStringLiteral("QWidget { background-color:white; border:none; }"));
    auto* grid = new QGridLayout(palette);
    grid->setContentsMargins(4, 4, 4, 4);
    grid->setSpacing(4);
    const auto section = [&](const QString& text, int row) {
        QLabel* label = makeSubtitle(text);
        label->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter | Qt::AlignBottom);
        grid->addWidget(label, row, 0, 1, 3);
    };
    const auto chapters = [&](const QStringList& codes, int row) {
        for (int column = 0; column < codes.size(); ++column)
            if (ReportButton* tile = makeChapterButton(codes[column], nullptr))
                grid->addWidget(tile, row, column, Qt::AlignCenter);
    };
    section(tr("Geometry & Loading"), 0);
    chapters({Report::ChapterGroupCover, Report::ChapterNodeInput, Report::ChapterMemberInput}, 1);
    chapters({Report::ChapterLoadInput}, 2);
    section(tr("Results"), 3);
    chapters({Report::ChapterNodeGraphicalResults, Report::ChapterMemberGraphicalResults,
              Report::ChapterLoadCaseCover},
             4);
    if (documentModel) {
        section(tr("Loadcases"), 5);
        int row = 6;
        for (const LoadCaseRef& loadCase : documentModel->usedLoadCases())
            grid->addWidget(makeLoadCaseButton(loadCase, nullptr), row++, 0, 1, 3);
    }
    palette->setObjectName(QStringLiteral("ItemView"));
    palette->setFocusPolicy(Qt::NoFocus);
    palette->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setPaneWidget(itemScrollArea, palette, false);
}

void ReportView::setPaneWidget(QScrollArea* area, QWidget* widget, bool resizable)
{
    const int scrolled = area->verticalScrollBar()->value();
    area->setWidget(widget);
    area->setWidgetResizable(resizable);
    area->verticalScrollBar()->setValue(scrolled);
}

ReportButton* ReportView::makeChapterButton(const QString& code, QWidget* parent)
{
    struct Look
    {
        const QString& code;
        QPixmap (*picture)();
        const QColor& colour;
    };
    const Look looks[] = {
        {Report::ChapterGroupCover, ReportButton::Pixmap::loadCaseCover, Colour::ButtonInput},
        {Report::ChapterLoadInput, ReportButton::Pixmap::loadInput, Colour::ButtonInput},
        {Report::ChapterNodeInput, ReportButton::Pixmap::nodeInput, Colour::ButtonInput},
        {Report::ChapterMemberInput, ReportButton::Pixmap::memberInput, Colour::ButtonInput},
        {Report::ChapterLoadCaseCover, ReportButton::Pixmap::loadCaseCover, Colour::ButtonResults},
        {Report::ChapterMemberGraphicalResults, ReportButton::Pixmap::memberResults, Colour::ButtonResults},
        {Report::ChapterNodeGraphicalResults, ReportButton::Pixmap::nodeResults, Colour::ButtonResults},
    };
    for (const Look& look : looks)
        if (look.code == code) {
            auto* tile = new ReportButton(look.picture(), look.colour, parent);
            tile->setObjectName(code);
            tile->chapter = code;
            tileGroup->addButton(tile);
            return tile;
        }
    return nullptr;
}

ReportButton* ReportView::makeLoadCaseButton(const LoadCaseRef& loadCase, QWidget* parent)
{
    auto* tile = new ReportButton(loadCase->name(), Colour::ButtonLoadCase, parent);
    tile->setObjectName(loadCase->name());
    tile->loadCase = loadCase;
    tile->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    tileGroup->addButton(tile);
    return tile;
}

void ReportView::deselectAllButtons()
{
    defaultButton->click();
}

void ReportView::repopulate()
{
    const ReportLayoutRef shown = preview->reportLayout();
    if (shown && documentModel && !documentModel->reportModel()->reports().contains(shown->report))
        clearPreviewReport();
    if (!isVisible())
        return;
    populateItemView();
    populateReportView();
    defaultButton->click();
}

void ReportView::setPreviewReport(ReportRef report)
{
    // A report the document no longer holds is not previewed.
    const bool held = report && documentModel && documentModel->reportModel()->reports().contains(report);
    if (held && viewPoint) {
        const QSharedPointer<CurrentState> state(currentState ? new CurrentState(*currentState, nullptr)
                                                              : new CurrentState);
        const QSharedPointer<ViewPoint> camera(new ViewPoint(*viewPoint));
        const ReportLayoutRef layout(new ReportLayout(documentModel, state, camera, report));
        preview->setReportLayout(layout);
        layout->layoutPages();
        printButton->show();
    } else {
        preview->setReportLayout(ReportLayoutRef());
        preview->regenerate();
        printButton->hide();
    }
}

void ReportView::setPreviewReport(QWidget* tile)
{
    auto* button = qobject_cast<ReportButton*>(tile);
    setPreviewReport(button ? button->report : ReportRef());
}

void ReportView::clearPreviewReport()
{
    setPreviewReport(ReportRef());
}

void ReportView::delayedUpdatePreview()
{
    if (!isVisible())
        return;
    if (!previewArmed) {
        previewClean = previewArmed = true;
        QTimer::singleShot(200, this, &ReportView::updatePreview);
    } else {
        previewClean = false;
    }
}

void ReportView::updatePreview()
{
    const bool clean = previewClean;
    previewClean = previewArmed = false;
    if (!isVisible())
        return;
    if (clean) {
        const ReportLayoutRef layout = preview->reportLayout();
        if (layout && layout->report)
            setPreviewReport(layout->report);
    } else {
        previewClean = previewArmed = true;
        QTimer::singleShot(200, this, &ReportView::updatePreview);
    }
}

void ReportView::setDocumentModel(QSharedPointer<DocumentModel> document)
{
    clearPreviewReport();
    disconnectFromDocument(this, documentModel.data());
    documentModel = document;
    if (documentModel)
        structureView->setDocumentModel(documentModel);
    else
        structureView->clearDocumentModel();
    if (isVisible()) {
        populateItemView();
        populateReportView();
        defaultButton->click();
    }
    if (!documentModel)
        return;
    DocumentModel* d = documentModel.data();
    connect(d, &DocumentModel::ReportsHaveChanged, this, &ReportView::repopulate);
    connect(d, &DocumentModel::ReportsHaveChanged, this, &ReportView::delayedUpdatePreview);
    connect(d, &DocumentModel::StructureHasChanged, this, &ReportView::repopulate);
    connect(d, &DocumentModel::StructureHasChanged, this, &ReportView::delayedUpdatePreview);
    connect(d, &DocumentModel::SelectionHasChanged, this, &ReportView::delayedUpdatePreview);
    connect(d, &DocumentModel::TitlesHaveChanged, this, &ReportView::delayedUpdatePreview);
}

void ReportView::clearDocumentModel()
{
    setDocumentModel(QSharedPointer<DocumentModel>());
    structureView->clearDocumentModel();
}

void ReportView::setViewPoint(QSharedPointer<ViewPoint> camera)
{
    if (viewPoint) {
        disconnect(viewPoint.data(), nullptr, this, nullptr);
        disconnect(this, nullptr, viewPoint.data(), nullptr);
    }
    viewPoint = camera;
    if (viewPoint)
        connect(viewPoint.data(), &ViewPoint::ViewPointHasChanged, this, &ReportView::delayedUpdatePreview);
}

void ReportView::clearViewPoint()
{
    setViewPoint(QSharedPointer<ViewPoint>());
}

// Tiles first, so that a window opening without stored geometry is sized to them.
void ReportView::showEvent(QShowEvent* event)
{
    if (isVisible()) {
        populateItemView();
        populateReportView();
        defaultButton->click();
    }
    if (isWindow())
        Application::restoreWidgetGeometry(this, QString());
    QSplitter::showEvent(event);
}

void ReportView::closeEvent(QCloseEvent* event)
{
    // The job paints from this window's layout and printers.
    if (printing) {
        event->ignore();
        return;
    }
    if (isWindow())
        Application::saveWidgetGeometry(this, QString());
    setPreviewReport(ReportRef());
    event->accept();
}
