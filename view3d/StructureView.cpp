#include "StructureView.h"

#include "AnalysisDisposal.h"
#include "DocumentConnections.h"
#include "EditingActions.h"
#include "Group.h"
#include "LoadCase.h"

#include <QGLFramebufferObject>
#include <QGLPixelBuffer>
#include <QMutexLocker>
#include <QPaintEvent>
#include <QThread>

#include <cmath>
#include <memory>

namespace {

// DoubleBuffer, DepthBuffer, Rgba, AlphaChannel, SampleBuffers, DeprecatedFunctions.
const int viewFormatOptions = 0x60F;
// DepthBuffer, Rgba, AlphaChannel, DirectRendering, DeprecatedFunctions, and
// no double buffer, accumulation, stencil, stereo, overlay or multisampling.
const int captureFormatOptions = 0x371048E;
const int largestCaptureSide = 1024;
// Entries of a closed model's records freed between two events.
const int entriesPerSlice = 1024;

// The smallest power of two not below the side, the side capped first.
int captureBufferSide(int side)
{
    return int(std::lround(std::pow(2.0, std::ceil(std::log2(double(std::min(side, largestCaptureSide)))))));
}

QImage opaqueRGB32(const QImage& read)
{
    const QImage::Format f = read.format();
    if (f != QImage::Format_RGB32 && f != QImage::Format_ARGB32 && f != QImage::Format_ARGB32_Premultiplied)
        return read.convertToFormat(QImage::Format_RGB32, Qt::ColorOnly);
    QImage result(read.size(), QImage::Format_RGB32);
    for (int y = 0; y < read.height(); ++y) {
        const QRgb* from = reinterpret_cast<const QRgb*>(read.constScanLine(y));
        QRgb* to = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < read.width(); ++x)
            to[x] = from[x] | 0xFF000000u;
    }
    return result;
}

} // namespace

StructureView::StructureView(UnitSystemRef unitSystem, CurrentStateRef currentState, QWidget* parent)
    : QGLWidget(QGLFormat(QGL::FormatOptions(viewFormatOptions)), parent), currentState(currentState),
      shadowState(new iGL::ShadowState), unitSystem(unitSystem), captureQueue(new CaptureQueue)
{
    setAutoFillBackground(false);
    setMouseTracking(true);
    setCursor(cursorShape);
    handleOutline << QPoint(-20, -4) << QPoint(-4, -10) << QPoint(4, -10) << QPoint(20, -4) << QPoint(20, 4)
                  << QPoint(4, 10) << QPoint(-4, 10) << QPoint(-20, 4);
    handleArrowA << QPoint(-16, 0) << QPoint(-4, -6) << QPoint(-4, 6);
    handleArrowB << QPoint(16, 0) << QPoint(4, 6) << QPoint(4, -6);

    CurrentState* state = currentState.data();
    connect(state, &CurrentState::GroupHasChanged, this, &StructureView::scheduleRegenerateGeometry);
    connect(state, &CurrentState::InterrogatorObjectHasChanged, this,
            &StructureView::scheduleRegeneratePointsOfInterest);
    connect(state, &CurrentState::InterrogatorObjectHasChanged, this, &StructureView::checkCalculatorRequest);
    connect(state, &CurrentState::InterrogatorPositionHasChanged, this, [this] { update(); });
    connect(state, &CurrentState::LoadCaseHasChanged, this, &StructureView::scheduleRegenerateLoading);
    connect(state, &CurrentState::LoadCaseHasChanged, this, &StructureView::scheduleRegenerateResults);
    connect(state, &CurrentState::ModeHasChanged, this, &StructureView::scheduleRegenerateAll);
    connect(state, &CurrentState::ResultModeHasChanged, this, &StructureView::scheduleRegenerateResults);
    connect(state, &CurrentState::ModeHasChanged, this, &StructureView::updateScaleSlider);
    connect(state, &CurrentState::ResultModeHasChanged, this, &StructureView::updateScaleSlider);
    connect(state, &CurrentState::ScalesHaveChanged, this, &StructureView::updateScaleSlider);
    connect(state, &CurrentState::SelectionBoxHasChanged, this, [this] { update(); });
    connect(state, &CurrentState::RenderHintHasChanged, this, [this] { update(); });
    connect(unitSystem.data(), &UnitSystem::UnitSystemChanged, this, [this] { update(); });
}

StructureView::~StructureView()
{
    {
        QMutexLocker locker(&captureQueue->mutex);
        captureQueue->open = false;
        for (CaptureRequest* request : qAsConst(captureQueue->pending))
            request->done.release();
        captureQueue->pending.clear();
    }
    // The picking targets are freed in the context that made them.
    if (widgetGLInitialised || selectionFramebuffer || selectionPixelBuffer)
        makeCurrent();
}

// ---- Attachment

void StructureView::setDocumentModel(const DocumentModelRef& model)
{
    documentModel = model;
    if (!model)
        return;
    DocumentModel* document = model.data();
    connect(document, &DocumentModel::AnalysisOutputHasChanged, this, &StructureView::scheduleRegenerateResults);
    connect(document, &DocumentModel::AnalysisStatusHasChanged, this, [this] { update(); });
    connect(document, &DocumentModel::SelectionHasChanged, this, &StructureView::scheduleRegenerateSelection);
    connect(document, &DocumentModel::StructureHasChanged, this, &StructureView::scheduleRegenerateGeometry);
    connect(document, &DocumentModel::StructureHasChanged, this, &StructureView::scheduleRegenerateLoading);
    connect(document, &DocumentModel::StructureHasChanged, this, &StructureView::scheduleRegenerateSelection);
    connect(document, &DocumentModel::StructureHasChanged, this, &StructureView::checkCalculatorRequest);
    EditingActions* actions = EditingActions::of(document);
    connect(this, &StructureView::MoveSelectedNodesBy, actions,
            qOverload<const Vector4&, const CalculatorReference&, bool>(&EditingActions::actionMoveSelectedNodesBy));
    connect(this, &StructureView::ObjectClicked, actions, &EditingActions::actionClickOnObject);
    connect(this, &StructureView::LoadForceDraggedAtIndex, actions, &EditingActions::actionSetLoadForceAtIndexMerged);
    connect(this, &StructureView::LoadPositionDraggedAtIndex, actions,
            &EditingActions::actionSetLoadPositionAtIndexMerged);
    scheduleRegenerateAll();
}

void StructureView::clearDocumentModel()
{
    if (documentModel)
        disconnectFromDocument(this, documentModel.data());
    documentModel.clear();
    releaseRecords();
    update();
}

// The records hold an entry for each object of a model, which may have
// hundreds of thousands: those that hold the objects go a slice at a time
// between events, as the model does, so that a window closed on it stills no
// other. All are made anew for the next document.
void StructureView::releaseRecords()
{
    struct Entries
    {
        QList<MemberRef> members;
        QList<NodeRef> nodes;
        QMap<NodeRef, Vector3> deflectedNodePositions;
        QMap<MemberRef, QPair<int, int>> memberResultRanges;
        QVector<QPair<NodeRef, int>> resultNodeVertices;
        QVector<MemberRef> batchMembers;
        // Freed whole, with the rest: its keys are addresses, which hold nothing.
        QHash<const Node*, GLuint> vertexOf;
    };
    const auto entries = std::make_shared<Entries>();
    entries->members.swap(geometryVBO.members);
    entries->nodes.swap(geometryVBO.nodes);
    entries->vertexOf.swap(geometryVBO.vertexOf);
    entries->deflectedNodePositions.swap(deflectedNodePositions);
    entries->memberResultRanges.swap(memberResultRanges);
    entries->resultNodeVertices.swap(resultNodeVertices);
    entries->batchMembers.swap(batchMembers);
    AnalysisDisposal::releaseBetweenEvents([entries] {
        Entries& e = *entries;
        int budget = entriesPerSlice;
        return AnalysisDisposal::releaseSome(e.batchMembers, &budget)
               && AnalysisDisposal::releaseSome(e.resultNodeVertices, &budget)
               && AnalysisDisposal::releaseSome(e.memberResultRanges, &budget)
               && AnalysisDisposal::releaseSome(e.deflectedNodePositions, &budget)
               && AnalysisDisposal::releaseSome(e.nodes, &budget) && AnalysisDisposal::releaseSome(e.members, &budget);
    });
}

void StructureView::setViewPoint(const ViewPointRef& newViewPoint)
{
    viewPoint = newViewPoint;
    if (viewPoint)
        connect(viewPoint.data(), &ViewPoint::ViewPointHasChanged, this, &StructureView::updateForViewPoint);
    update();
}

void StructureView::clearViewPoint()
{
    if (viewPoint) {
        disconnect(viewPoint.data(), nullptr, this, nullptr);
        disconnect(this, nullptr, viewPoint.data(), nullptr);
    }
    viewPoint.clear();
    update();
}

// ---- Dirty flags

bool StructureView::isDirty(Record record) const
{
    const bool flags[] = {geometryDirty, loadingDirty,          resultsDirty,
                          resultScalingDirty, pointsOfInterestDirty, selectionDirty};
    return flags[record];
}

void StructureView::setDirty(bool* flag)
{
    *flag = true;
    update();
}

void StructureView::scheduleRegenerateAll()
{
    if (!documentModel)
        return;
    geometryDirty = loadingDirty = pointsOfInterestDirty = resultsDirty = resultScalingDirty = selectionDirty = true;
    update();
}

void StructureView::scheduleRegenerateGeometry()
{
    setDirty(&geometryDirty);
}

void StructureView::scheduleRegenerateLoading()
{
    setDirty(&loadingDirty);
}

void StructureView::scheduleRegeneratePointsOfInterest()
{
    setDirty(&pointsOfInterestDirty);
}

void StructureView::scheduleRescaleResults()
{
    resultScalingDirty = true;
    setDirty(&pointsOfInterestDirty);
}

void StructureView::scheduleRegenerateResults()
{
    pointsOfInterestDirty = resultsDirty = true;
    setDirty(&resultScalingDirty);
}

void StructureView::scheduleRegenerateSelection()
{
    setDirty(&selectionDirty);
}

void StructureView::updateForViewPoint()
{
    update();
}

void StructureView::updateScaleSlider()
{
    switch (currentState->mode()) {
    case CurrentState::Geometry:
        setDirty(&geometryDirty);
        setDirty(&selectionDirty);
        break;
    case CurrentState::Loading:
        setDirty(&loadingDirty);
        setDirty(&selectionDirty);
        break;
    case CurrentState::Results:
        resultScalingDirty = true;
        setDirty(&pointsOfInterestDirty);
        break;
    default:
        break;
    }
}

void StructureView::setInterrogatorPosition(const Vector4& value, const CalculatorReference&)
{
    double p = value[0];
    p = p < 1.0 ? p : 1.0;
    p = std::max(p, 0.0);
    if (p == currentState->interrogatorPosition())
        return;
    currentState->setInterrogatorPosition(p);
}

void StructureView::autoIsDrawingTriad()
{
    drawingTriad = dragMode == 2 || dragMode == 3;
    update();
}

// ---- Painting

void StructureView::paintEvent(QPaintEvent*)
{
    makeCurrent();
    if (!widgetGLInitialised) {
        glInit();
        widgetGLInitialised = true;
    }
    if (!render(this, size()) && doubleBuffer() && autoBufferSwap())
        swapBuffers();
}

QPointF StructureView::transformWorldToScreen(const Vector3& point) const
{
    const Vector3 c = viewFrame.worldToDevice(point);
    const double vx = viewportCache[0], vy = viewportCache[1], vw = viewportCache[2], vh = viewportCache[3];
    return QPointF(vx + (c.x() + 1.0) * vw / 2.0, frameSize().height() - (vy + (c.y() + 1.0) * vh / 2.0));
}

// ---- Captures

QImage StructureView::captureImage(int width, int height)
{
    return captureImage(width, height, CaptureSettings());
}

QImage StructureView::captureImage(int width, int height, const CaptureSettings& settings)
{
    if (QThread::currentThread() == thread())
        return captureImageWithinGUIThread(width, height, settings);

    const QSharedPointer<CaptureQueue> queue = captureQueue;
    CaptureRequest request{width, height, settings, QImage(), QSemaphore(0)};
    {
        QMutexLocker locker(&queue->mutex);
        if (!queue->open)
            return QImage();
        // Posted under the lock: a view that has not closed its queue is still whole.
        if (!QMetaObject::invokeMethod(this, "serviceCaptureRequests", Qt::QueuedConnection))
            return QImage();
        queue->pending.append(&request);
    }
    request.done.acquire();
    return request.image;
}

int StructureView::pendingCaptureCount() const
{
    QMutexLocker locker(&captureQueue->mutex);
    return captureQueue->pending.size();
}

void StructureView::serviceCaptureRequests()
{
    for (;;) {
        CaptureRequest* request;
        {
            QMutexLocker locker(&captureQueue->mutex);
            if (captureQueue->pending.isEmpty())
                return;
            request = captureQueue->pending.takeFirst();
        }
        request->image = captureImageWithinGUIThread(request->width, request->height, request->settings);
        request->done.release();
    }
}

QImage StructureView::captureImageWithinGUIThread(int width, int height, const CaptureSettings& settings)
{
    if (width < 1 || height < 1 || !QGLPixelBuffer::hasOpenGLPbuffers())
        return QImage();
    const QSize bufferSize(captureBufferSide(width), captureBufferSide(height));
    QGLFormat format{QGL::FormatOptions(captureFormatOptions)};
    format.setAlphaBufferSize(8);
    format.setRedBufferSize(8);
    format.setGreenBufferSize(8);
    format.setBlueBufferSize(8);
    QGLPixelBuffer buffer(bufferSize, format, this);
    if (!buffer.isValid() || buffer.size() != bufferSize)
        return QImage();

    if (settings.applyGroup)
        currentState->setGroup(settings.group);
    const ViewPointRef ownViewPoint = viewPoint;
    if (settings.viewPoint)
        viewPoint = settings.viewPoint;
    buffer.makeCurrent();
    initialiseGLState();
    if (!glReady)
        initializeGL();
    render(&buffer, bufferSize, settings.overlay);
    const QImage read = buffer.toImage();
    buffer.doneCurrent();
    viewPoint = ownViewPoint;

    const QImage result = opaqueRGB32(read);
    if (result.size() == QSize(width, height))
        return result;
    return result.scaled(width, height, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}
