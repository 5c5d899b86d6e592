#include "ViewSelector.h"

#include "Application.h"
#include "CurrentState.h"
#include "DocumentConnections.h"
#include "DocumentModel.h"
#include "EditingActions.h"
#include "Node.h"
#include "SingleEmitter.h"
#include "StructureModel.h"
#include "StructureView.h"
#include "UnitSystem.h"
#include "ViewPointMemory.h"
#include "VisualConstants.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>

#include <algorithm>
#include <cmath>

namespace {

void setStyleSheets()
{
    ViewSelector::StyleSheet::RenderButton = QStringLiteral(
        "QPushButton { width:72px; height:72px; icon-size:64px; background-color:white; border:8px solid black; "
        "border-radius:12px; } QPushButton:checked { border:8px solid #ffdd00; } QPushButton:disabled { "
        "border:8px solid #888888; } ");
    ViewSelector::StyleSheet::MemoryButton = QStringLiteral(
        "QPushButton { width:56px; height:56px; icon-size:48px; background-color:white; border:8px solid black; "
        "border-radius:12px; color:black; font-size:12px; } QPushButton:checked { border:8px solid #ffdd00; }");
    ViewSelector::StyleSheet::ActionButton =
        QStringLiteral("QPushButton { icon-size:44px; width:44px; height:44px; padding:0px 0px 0px 0px; "
                       "border:none; } QPushButton:hover { border:2px solid #aaaaaa; border-radius:8px; }");
}

const bool styleSheetsRegistered = (addVisualConstantsInitialiser(setStyleSheets), true);

QPushButton* makeButton(const QString& styleSheet, QWidget* parent)
{
    auto* button = new QPushButton(parent);
    button->setStyleSheet(styleSheet);
    button->setFlat(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    return button;
}

QPushButton* makeActionButton(const QString& icon, QWidget* parent)
{
    QPushButton* button = makeButton(ViewSelector::StyleSheet::ActionButton, parent);
    button->setIcon(QIcon(icon));
    button->setEnabled(false);
    return button;
}

void disconnectBothWays(QObject* one, QObject* other)
{
    QObject::disconnect(one, nullptr, other, nullptr);
    QObject::disconnect(other, nullptr, one, nullptr);
}

// The share of a picture's half-height that the model may take, leaving a margin.
const double pictureFill = 0.9;

QIcon iconOf(const QImage& image, int size)
{
    if (image.isNull())
        return QIcon();
    return QIcon(QPixmap::fromImage(image.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

// The model alone, seen in the direction of the view and filling the picture.
StructureView::CaptureSettings pictureOf(const ViewPoint& view, const QList<NodeRef>& nodes)
{
    StructureView::CaptureSettings settings;
    settings.viewPoint = ViewSelector::framingWholeModel(view, nodes);
    settings.overlay = false;
    return settings;
}

} // namespace

QString ViewSelector::StyleSheet::RenderButton;
QString ViewSelector::StyleSheet::MemoryButton;
QString ViewSelector::StyleSheet::ActionButton;

ViewSelector::ViewSelector(const QSharedPointer<UnitSystem>& unitSystem,
                           const QSharedPointer<CurrentState>& currentState, QWidget* parent, Qt::WindowFlags flags)
    : QWidget(parent, flags), currentState(currentState), unitSystem(unitSystem)
{
    setWindowTitle(tr("%1 View Selector").arg(QCoreApplication::applicationName()));
    memoryButtons = new QButtonGroup(this);
    memoryButtons->setExclusive(true);
    renderButton = makeButton(StyleSheet::RenderButton, this);

    auto* row = new QWidget(this);
    auto* rowLayout = new QHBoxLayout(row);
    rowLayout->setContentsMargins(0, 0, 0, 0);
    rowLayout->setSpacing(8);
    for (int slot = 0; slot < slotCount; ++slot) {
        QPushButton* button = makeButton(StyleSheet::MemoryButton, row);
        button->setCheckable(true);
        rowLayout->addWidget(button);
        memoryButtons->addButton(button, slot);
    }
    row->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

    recallButton = makeActionButton(QStringLiteral(":/buttonForward.png"), this);
    storeButton = makeActionButton(QStringLiteral(":/buttonAdd2.png"), this);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(8, 8, 8, 8);
    grid->setSpacing(8);
    grid->addWidget(renderButton, 0, 0);
    grid->addWidget(row, 1, 0, 1, 2);
    grid->addWidget(storeButton, 2, 0, Qt::AlignLeft);
    grid->addWidget(recallButton, 2, 1, Qt::AlignRight);
    grid->setColumnStretch(0, 0);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(3, 1);

    renderEmitter = new SingleEmitter(this);
    connect(renderEmitter, &SingleEmitter::triggered, this, &ViewSelector::generateRenderButton);
    connect(memoryButtons, qOverload<QAbstractButton*>(&QButtonGroup::buttonClicked), this,
            &ViewSelector::enableMemoryActs);
    connect(recallButton, &QPushButton::clicked, this, &ViewSelector::recallMemoryBySelectedButton);
    connect(renderButton, &QPushButton::clicked, this, &ViewSelector::SolidRenderingToggled);
    connect(storeButton, &QPushButton::clicked, this, &ViewSelector::saveMemoryBySelectedButton);
}

ViewSelector::~ViewSelector() = default;

// ---- Document and camera

void ViewSelector::setDocumentModel(const QSharedPointer<DocumentModel>& document)
{
    if (documentModel)
        disconnectFromDocument(this, documentModel.data());
    if (memory)
        disconnectBothWays(this, memory.data());
    documentModel = document;
    memory = document ? document->viewPointMemory() : QSharedPointer<ViewPointMemory>();
    if (document && isVisible())
        connectDocumentModel();
    repopulate();
}

void ViewSelector::setViewPoint(const QSharedPointer<ViewPoint>& newViewPoint)
{
    if (viewPoint) {
        disconnectBothWays(this, viewPoint.data());
        disconnectBothWays(renderEmitter, viewPoint.data());
    }
    viewPoint = newViewPoint;
    if (isVisible())
        connectViewPoint();
    repopulate();
}

// Unique, so that a show after a document change does not connect twice.
void ViewSelector::connectDocumentModel()
{
    if (documentModel)
        connect(this, &ViewSelector::StoreViewPointInMemory, EditingActions::of(documentModel.data()),
                &EditingActions::actionSetViewPointMemory, Qt::UniqueConnection);
    if (memory)
        connect(memory.data(), &ViewPointMemory::Changed, this, &ViewSelector::repopulate, Qt::UniqueConnection);
}

void ViewSelector::connectViewPoint()
{
    if (viewPoint)
        connect(viewPoint.data(), &ViewPoint::ViewPointHasChanged, renderEmitter, &SingleEmitter::trigger,
                Qt::UniqueConnection);
}

// ---- Pictures

ViewPointRef ViewSelector::framingWholeModel(const ViewPoint& view, const QList<NodeRef>& nodes)
{
    ViewPointRef framing(new ViewPoint(view));
    if (nodes.isEmpty())
        return framing;
    // Eye axes: x to the right, y up, z away from the eye.
    Vector3 low = view.transformWorldToEye(nodes.first()->position()), high = low;
    for (const NodeRef& node : nodes) {
        const Vector3 e = view.transformWorldToEye(node->position());
        low = Vector3(std::min(low.x(), e.x()), std::min(low.y(), e.y()), 0.0);
        high = Vector3(std::max(high.x(), e.x()), std::max(high.y(), e.y()), 0.0);
    }
    framing->setFocalPoint(view.transformEyeToWorld((low + high) * 0.5));
    // Near points need the eye further back than far ones: depth = eye z + distance.
    double distance = 1.0;
    for (const NodeRef& node : nodes) {
        const Vector3 e = framing->transformWorldToEye(node->position());
        distance = std::max(distance, std::max(std::fabs(e.x()), std::fabs(e.y()))
                                          / (pictureFill * StructureView::halfFieldTangent) - e.z());
    }
    framing->setDistance(distance);
    return framing;
}

void ViewSelector::repopulate()
{
    if (!isVisible())
        return;
    generateRenderButton();
    QScopedPointer<StructureView> thumbnails;
    if (memory && documentModel) {
        QSharedPointer<CurrentState> thumbnailState(new CurrentState);
        thumbnailState->enableLightWeight(true);
        thumbnails.reset(new StructureView(unitSystem, thumbnailState, nullptr));
        thumbnails->setDocumentModel(documentModel);
    }
    const QList<NodeRef> nodes = documentModel ? documentModel->structureModel()->nodes() : QList<NodeRef>();
    for (int slot = 0; slot < slotCount; ++slot) {
        QAbstractButton* button = memoryButtons->button(slot);
        const ViewPointRef stored = thumbnails ? memory->valueAt(slot) : ViewPointRef();
        if (stored) {
            thumbnails->clearViewPoint();
            thumbnails->setViewPoint(stored);
            // Taken near the size shown: scaled down further, thin lines fade.
            button->setIcon(iconOf(thumbnails->captureImage(48, 48, pictureOf(*stored, nodes)), 48));
            button->setText(QString());
        } else {
            button->setIcon(QIcon());
            button->setText(tr("Empty"));
        }
    }
    enableMemoryActs();
}

void ViewSelector::generateRenderButton()
{
    if (!isVisible())
        return;
    if (documentModel && viewPoint && currentState->mode() == CurrentState::Geometry) {
        QSharedPointer<CurrentState> other(new CurrentState);
        other->enableRenderSolid(!currentState->hasRenderHint(CurrentState::RenderSolid));
        other->enableLightWeight(true);
        StructureView preview(unitSystem, other, nullptr);
        preview.setDocumentModel(documentModel);
        preview.setViewPoint(viewPoint);
        const StructureView::CaptureSettings picture =
            pictureOf(*viewPoint, documentModel->structureModel()->nodes());
        renderButton->setIcon(iconOf(preview.captureImage(64, 64, picture), 64));
        renderButton->setEnabled(true);
    } else {
        renderButton->setIcon(QIcon());
        renderButton->setEnabled(false);
    }
}

// ---- Memory slots

void ViewSelector::enableMemoryActs()
{
    const int slot = memoryButtons->checkedId();
    storeButton->setEnabled(slot >= 0);
    recallButton->setEnabled(slot >= 0 && memory && memory->valueAt(slot));
}

void ViewSelector::saveMemoryBySelectedButton()
{
    const int slot = memoryButtons->checkedId();
    if (viewPoint && slot >= 0)
        emit StoreViewPointInMemory(slot, ViewPointRef(new ViewPoint(*viewPoint)));
}

void ViewSelector::recallMemoryBySelectedButton()
{
    const int slot = memoryButtons->checkedId();
    const ViewPointRef stored = memory && slot >= 0 ? memory->valueAt(slot) : ViewPointRef();
    if (stored)
        emit ViewPointRecalled(ViewPointRef(new ViewPoint(*stored)));
}

// ---- Showing and closing

void ViewSelector::showEvent(QShowEvent* event)
{
    if (isWindow())
        Application::restoreWidgetGeometry(this, QString());
    connectDocumentModel();
    connectViewPoint();
    connect(currentState.data(), &CurrentState::ModeHasChanged, renderEmitter, &SingleEmitter::trigger,
            Qt::UniqueConnection);
    repopulate();
    QWidget::showEvent(event);
}

void ViewSelector::closeEvent(QCloseEvent* event)
{
    if (isWindow())
        Application::saveWidgetGeometry(this, QString());
    event->accept();
    if (QAbstractButton* checked = memoryButtons->checkedButton()) {
        memoryButtons->setExclusive(false);
        checked->setChecked(false);
        memoryButtons->setExclusive(true);
    }
    if (documentModel)
        disconnectFromDocument(this, documentModel.data());
    if (memory)
        disconnectBothWays(this, memory.data());
    if (viewPoint) {
        disconnectBothWays(this, viewPoint.data());
        disconnectBothWays(renderEmitter, viewPoint.data());
    }
    // A hidden selector draws nothing, so it need not follow the mode either.
    disconnect(currentState.data(), nullptr, renderEmitter, nullptr);
}
