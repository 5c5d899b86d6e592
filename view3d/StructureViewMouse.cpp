#include "StructureView.h"

#include "Load.h"
#include "Member.h"
#include "Node.h"
#include "PointLoad.h"
#include "ScreenPoints.h"
#include "SelectionModel.h"
#include "StructureModel.h"
#include "TorqueLoad.h"
#include "TrapezoidLoad.h"

#include <QMouseEvent>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace {

const double shortestMember = 0.0009765625;
const double smallestDirection = 2.938735877055719e-39;

QPoint eventPosition(const QMouseEvent* event)
{
    return roundScreenPoint(event->localPos().x(), event->localPos().y());
}

// NaN gives 1.
double clampFraction(double f)
{
    return f >= 0.0 ? (f <= 1.0 ? f : 1.0) : (f < 0.0 ? 0.0 : 1.0);
}

// The fraction along the line of the point's foot, in single precision.
double fractionAlong(const QPointF& point, const QLineF& line)
{
    const QVector2D L1(line.p1()), L2(line.p2());
    return QVector2D::dotProduct(QVector2D(point) - L1, L2 - L1) / (L2 - L1).lengthSquared();
}

Qt::CursorShape cursorForRegion(int id)
{
    switch (id) {
    case StructureView::NONE:
        return Qt::ArrowCursor;
    case StructureView::LOADMAGNITUDEAHANDLE:
    case StructureView::LOADMAGNITUDEBHANDLE:
        return Qt::SizeVerCursor;
    case StructureView::LOADPOSITIONAHANDLE:
    case StructureView::LOADPOSITIONBHANDLE:
    case StructureView::RESULTPOSITIONHANDLE:
        return Qt::SizeHorCursor;
    case StructureView::SELECTIONBOXTOPLEFT:
    case StructureView::SELECTIONBOXBOTTOMRIGHT:
    case StructureView::NODEMOVEHANDLE:
    case StructureView::MEMBERENDMOVEHANDLE:
        return Qt::SizeAllCursor;
    default:
        return Qt::PointingHandCursor;
    }
}

double signOf(double F)
{
    return std::signbit(F) ? -1.0 : 1.0;
}

} // namespace

Ray3 StructureView::calculateRayFromViewCoordinate(const QPoint& p) const
{
    const double x0 = viewportCache[0], y0 = viewportCache[1], vw = viewportCache[2], vh = viewportCache[3];
    const double H = frameSize().height();
    const double x = 2.0 * (p.x() - x0) / vw - 1.0, y = 2.0 * ((H - p.y()) - y0) / vh - 1.0;
    const Vector3 near = viewFrame.deviceToWorld(Vector3(x, y, -1.0));
    Vector3 direction = viewFrame.deviceToWorld(Vector3(x, y, 1.0)) - near;
    if (direction.lengthSquared() >= smallestDirection)
        direction = direction.normalised();
    return Ray3(near, direction);
}

void StructureView::scrollInOut(const QPoint& point, double amount)
{
    if (viewPoint)
        viewPoint->moveAlongRay(calculateRayFromViewCoordinate(point), amount);
}

// ---- Press

void StructureView::mousePressEvent(QMouseEvent* event)
{
    if (!viewPoint) {
        event->ignore();
        return;
    }
    event->accept();
    const QPoint p = eventPosition(event);
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    const Qt::MouseButtons buttons = event->buttons();
    altAtPress = modifiers & Qt::AltModifier;
    controlAtPress = modifiers & Qt::ControlModifier;
    shiftAtPress = modifiers & Qt::ShiftModifier;
    const bool left = buttons & Qt::LeftButton;
    leftGesture = left && !altAtPress && !controlAtPress;
    middleGesture = (buttons & Qt::MiddleButton) || (altAtPress && left);
    rightGesture = (buttons & Qt::RightButton) || (controlAtPress && left);
    pressPosition = p;
    if (dragMode != DragIdle) {
        dragMode = DragIdle;
    } else {
        const int id = determineClickRegion(p).id;
        // Node handles (above 20) lie over the nodes themselves and need Shift.
        dragMode = leftGesture && id != NONE && (id <= 20 || shiftAtPress) ? DragPressedOnRegion : DragPressed;
    }
    lastMousePosition = p;
}

// ---- Move

void StructureView::mouseMoveEvent(QMouseEvent* event)
{
    if (!viewPoint) {
        event->ignore();
        return;
    }
    event->accept();
    const QPoint p = eventPosition(event);
    if (event->buttons() == Qt::NoButton) {
        const Qt::CursorShape shape = cursorForRegion(determineClickRegion(p).id);
        if (shape != cursorShape) {
            cursorShape = shape;
            setCursor(shape);
        }
        return;
    }
    const QPoint delta = p - lastMousePosition;
    const QPoint D = p - pressPosition;
    const int manhattan = std::abs(D.x()) + std::abs(D.y());
    // The state the move began in decides what it measures from next time.
    const int state = dragMode;
    switch (dragMode) {
    case DragPressed:
        if (manhattan > 4) {
            if (leftGesture) {
                dragMode = DragRotate;
                drawingTriad = true;
            } else if (middleGesture) {
                dragMode = DragZoom;
            } else if (rightGesture) {
                dragMode = DragPan;
                drawingTriad = true;
            }
        }
        break;
    case DragRotate:
        viewPoint->addToAzimuth(-delta.x() / 64.0);
        viewPoint->addToElevation(delta.y() / 64.0);
        break;
    case DragPan: {
        const double d = viewPoint->distance();
        const Ray3 last = calculateRayFromViewCoordinate(lastMousePosition), now = calculateRayFromViewCoordinate(p);
        viewPoint->setFocalPoint(viewPoint->focalPoint() + (last.pointAt(d) - now.pointAt(d)));
        break;
    }
    case DragZoom:
        scrollInOut(pressPosition, delta.y() * -0.03125);
        break;
    case DragPressedOnRegion:
        dragMode = DragMovedOnRegion;
        break;
    case DragMovedOnRegion:
        if (manhattan > 4)
            startRegionDrag(p, manhattan, D);
        break;
    case DragLoadMagnitudeA:
    case DragLoadMagnitudeB:
        dragLoadMagnitude(p);
        break;
    case DragLoadPositionA:
    case DragLoadPositionB: {
        const double f = clampFraction(fractionAlong(p + dragOffset, dragLine));
        CalculatorReference reference;
        reference.insert(QStringLiteral("masterLoad"), QVariant::fromValue(dragObject.objectCast<Load>()));
        reference.insert(QStringLiteral("index"), dragMode == DragLoadPositionA ? 0 : 1);
        emit LoadPositionDraggedAtIndex(Vector4(f, 0.0, 0.0, 0.0), reference);
        break;
    }
    case DragInterrogator:
        currentState->setInterrogatorPosition(clampFraction(fractionAlong(p + dragOffset, dragLine)));
        break;
    case DragNode:
        if (const NodeRef node = dragObject.objectCast<Node>()) {
            const double t = fractionAlong(p + dragOffset, dragLine);
            const Vector3 target = dragOrigin + dragAxis * t;
            const Vector3 offset = target - node->position();
            CalculatorReference reference;
            reference.insert(QStringLiteral("masterNode"), QVariant::fromValue(node));
            emit MoveSelectedNodesBy(Vector4(offset.x(), offset.y(), offset.z(), 1.0), reference, true);
        }
        break;
    case DragBoxTopLeft:
    case DragBoxBottomRight:
        dragSelectionBoxCorner(delta);
        break;
    default:
        break;
    }
    if (state == DragRotate || state == DragPan || state == DragZoom || state == DragBoxTopLeft
        || state == DragBoxBottomRight)
        lastMousePosition = p;
}

void StructureView::startRegionDrag(const QPoint& p, int manhattan, const QPoint& D)
{
    const ClickRegion region = determineClickRegion(pressPosition);
    const int id = region.id;
    if (id == NONE || !documentModel)
        return;
    const QSharedPointer<SelectionModel> selection = documentModel->selectionModel();
    const LoadRef load = selection->lastSelectedLoad();
    const MemberRef member = selection->lastSelectedMember();
    const NodeRef node = selection->lastSelectedNode();
    if (id == LOADMAGNITUDEAHANDLE || id == LOADMAGNITUDEBHANDLE || id == LOADPOSITIONAHANDLE
        || id == LOADPOSITIONBHANDLE || id == RESULTPOSITIONHANDLE) {
        dragLine = region.line;
        dragOffset = region.anchor - p;
        dragOrigin = region.vectors[0];
        dragAxis = region.vectors[1];
    } else if (id == NODEMOVEHANDLE || id == MEMBERENDMOVEHANDLE) {
        if (manhattan <= 8)
            return;
        const QVector2D motion(D);
        int best = -1;
        double bestScore = 0.0;
        for (int a = 0; a < 3; ++a) {
            const Vector3 tip = region.vectors[2 * a] + region.vectors[2 * a + 1];
            // Widget pixels, as the anchor and the motion are.
            const QLineF axis(region.anchor, transformWorldToScreen(tip));
            const double length = axis.length();
            double score = 0.0;
            if (std::isnormal(length))
                score = std::fabs(QVector2D::dotProduct(QVector2D(axis.p2() - axis.p1()) / float(length), motion));
            if (score > bestScore) {
                bestScore = score;
                best = a;
            }
        }
        if (best < 0 || bestScore <= 1.0)
            return;
        const Vector3 P = region.vectors[2 * best], A = region.vectors[2 * best + 1];
        if (A.lengthSquared() == 0.0)
            return;
        dragOffset = region.anchor - p;
        dragLine = QLineF(transformWorldToScreen(P), transformWorldToScreen(P + A));
        dragOrigin = P;
        dragAxis = A;
        if (!(dragLine.length() > 2.0))
            return;
    }
    switch (id) {
    case LOADMAGNITUDEAHANDLE:
        if (load) {
            dragObject = load;
            dragMode = DragLoadMagnitudeA;
        }
        break;
    case LOADMAGNITUDEBHANDLE:
        if (load.objectCast<TrapezoidLoad>()) {
            dragObject = load;
            dragMode = DragLoadMagnitudeB;
        }
        break;
    case LOADPOSITIONAHANDLE:
    case LOADPOSITIONBHANDLE:
        if (load) {
            dragObject = load;
            dragMode = id == LOADPOSITIONAHANDLE ? DragLoadPositionA : DragLoadPositionB;
        }
        break;
    case RESULTPOSITIONHANDLE:
        dragMode = DragInterrogator;
        break;
    case SELECTIONBOXTOPLEFT:
        dragMode = DragBoxTopLeft;
        break;
    case SELECTIONBOXBOTTOMRIGHT:
        dragMode = DragBoxBottomRight;
        break;
    case NODEMOVEHANDLE:
        if (node) {
            dragObject = node;
            dragMode = DragNode;
        }
        break;
    case MEMBERENDMOVEHANDLE:
        if (member) {
            const NodeRef a = member->nodeA(), b = member->nodeB();
            const double dA = (positionOf(a) - dragOrigin).lengthSquared();
            const double dB = (positionOf(b) - dragOrigin).lengthSquared();
            dragObject = dA < dB ? a : b;
            dragMode = DragNode;
        }
        break;
    default:
        break;
    }
}

void StructureView::dragLoadMagnitude(const QPoint& p)
{
    const LoadRef load = dragObject.objectCast<Load>();
    if (!load)
        return;
    const double s = currentState->scaleLD();
    const QVector2D L1(dragLine.p1());
    const QVector2D u = QVector2D(dragLine.p2() - dragLine.p1()).normalized();
    const double sigma = std::signbit(QVector2D::dotProduct(QVector2D(p) - L1, u)) ? -1.0 : 1.0;
    const QPointF q = QPointF(p) + sigma * dragOffset;
    const double b = QVector2D::dotProduct(QVector2D(q) - L1, u);
    const Ray3 ray = calculateRayFromViewCoordinate(q.toPoint());
    const Vector3 P = dragOrigin, A = dragAxis, w = P - ray.origin;
    const double c = A.dot(ray.direction);
    Vector3 X = P;
    if (std::fabs(1.0 - c * c) >= smallestDirection)
        X = P + A * ((c * w.dot(ray.direction) - w.dot(A)) / (1.0 - c * c));
    const double v = std::signbit(b) == std::signbit(sigma) ? (X - P).dot(A) : -0.001 * sigma;
    const bool torque = qobject_cast<TorqueLoad*>(load.data()) != nullptr;
    const double k = torque ? 0.5 : 0.1;
    double m = std::fabs(v) - k;
    m = m > 0.0 ? m : 0.0;
    double force = signOf(v) * (64.0 * m) * (64.0 * m) / s;
    // Two figures of the unit the value is shown in.
    const UnitSystem::Conversion shown = torque ? UnitSystem::LoadTorque
                                         : qobject_cast<TrapezoidLoad*>(load.data()) ? UnitSystem::LoadForcePerLength
                                                                                     : UnitSystem::LoadForce;
    force = unitSystem->roundSIAsPreferredWithSigFigs(force, shown, 2);
    CalculatorReference reference;
    reference.insert(QStringLiteral("masterLoad"), QVariant::fromValue(load));
    reference.insert(QStringLiteral("index"), dragMode == DragLoadMagnitudeA ? 0 : 1);
    emit LoadForceDraggedAtIndex(Vector4(force, 0.0, 0.0, 0.0), reference);
}

void StructureView::dragSelectionBoxCorner(const QPoint& delta)
{
    const QRectF box = currentState->selectionBox();
    const double W = width(), H = height();
    const bool topLeft = dragMode == DragBoxTopLeft;
    double cx = (topLeft ? box.x() : box.x() + box.width()) + delta.x() / W;
    double cy = (topLeft ? box.y() : box.y() + box.height()) + delta.y() / H;
    cx = std::min(1.0, std::max(0.0, cx));
    cy = std::min(1.0, std::max(0.0, cy));
    const QRectF moved = topLeft ? QRectF(cx, cy, box.x() + box.width() - cx, box.y() + box.height() - cy)
                                 : QRectF(box.x(), box.y(), cx - box.x(), cy - box.y());
    currentState->resizeSelectionBox(moved.normalized());
}

// ---- Release

void StructureView::mouseReleaseEvent(QMouseEvent* event)
{
    if (!viewPoint) {
        event->ignore();
        return;
    }
    event->accept();
    const QPoint p = eventPosition(event);
    if (dragMode == DragPressed && leftGesture && !shiftAtPress) {
        const VaroObjectRef object = nearestObjectInMap(getSelectionAtViewCoordinate(p, 64));
        if (currentState->mode() == CurrentState::Results) {
            const int i = nearestPointOfInterest(calculateRayFromViewCoordinate(p));
            if (i >= 0)
                currentState->setInterrogatorPosition(
                    i < pointsOfInterest.size() ? clampFraction(pointsOfInterest[i].position) : 0.5);
            else
                currentState->setInterrogatorObject(object);
        } else if (object) {
            emit ObjectClicked(object);
        }
    } else if (dragMode == DragRotate || dragMode == DragPan) {
        dragMode = DragIdle;
        QTimer::singleShot(500, this, &StructureView::autoIsDrawingTriad);
    } else if (dragMode >= DragLoadMagnitudeA && dragMode <= DragLoadPositionB) {
        dragObject.clear();
    }
    dragMode = DragIdle;
    lastMousePosition = p;
}

// ---- Double click

void StructureView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (!viewPoint) {
        event->ignore();
        return;
    }
    event->accept();
    const QPoint p = eventPosition(event);
    if (dragMode != DragIdle)
        dragMode = DragIdle;
    else if (rightGesture)
        flyToPreset(p);
    else if (leftGesture)
        openCalculatorOnRegion(p);
    dragMode = DragIdle;
    lastMousePosition = p;
}

void StructureView::flyToPreset(const QPoint& p)
{
    const int w = width() / 3, h = height() / 3;
    const Vector3 focal = viewPoint->focalPoint();
    const double azimuth = viewPoint->azimuth(), elevation = viewPoint->elevation(), distance = viewPoint->distance();
    const auto sphere = [this](Vector3* centre, double* fitted) {
        const Vector4 c = documentModel ? documentModel->centroidOfNodes() : Vector4(0.0, 0.0, 0.0, 1.0);
        *centre = c.xyz();
        *fitted = distanceForRadius(c.w());
    };
    Vector3 centre;
    double fitted = 0.0;
    if (QRect(w, 0, w, h).contains(p)) {
        viewPoint->flyTo(0.0, M_PI / 2.0, distance, focal);
    } else if (QRect(0, h, w, h).contains(p)) {
        viewPoint->flyTo(-M_PI / 2.0, 0.0, distance, focal);
    } else if (QRect(w, h, w, h).contains(p)) {
        sphere(&centre, &fitted);
        viewPoint->flyTo(-M_PI / 8.0, M_PI / 5.0, fitted, centre);
    } else if (QRect(2 * w, h, w, h).contains(p)) {
        viewPoint->flyTo(0.0, 0.0, distance, focal);
    } else if (QRect(w, 2 * h, w, h).contains(p)) {
        sphere(&centre, &fitted);
        viewPoint->flyTo(azimuth, elevation, fitted, centre);
    }
}

void StructureView::openCalculatorOnRegion(const QPoint& p)
{
    const int id = determineClickRegion(p).id;
    if (id == NONE || !documentModel)
        return;
    const VaroObjectRef object = readOutObject(id);
    ReadOutRequest request = readOutRequest(id, object);
    if (!request.slot)
        return;
    calculatorRegion = id;
    calculatorObject = object;
    if (id == RESULTSPANAVALUE || id == RESULTSPANBVALUE) {
        calculatorRequest = request;
        emit OpenCalculator(request.value, request.conversion, request.matrix, request.reference, this, request.slot);
        return;
    }
    request.reference.insert(QStringLiteral("selection"),
                             QVariant::fromValue(documentModel->selectionModel()->selection()));
    calculatorRequest = request;
    emit OpenCalculator(request.value, request.conversion, request.matrix, request.reference, request.slot);
}

VaroObjectRef StructureView::readOutObject(int id) const
{
    const QSharedPointer<SelectionModel> selection = documentModel->selectionModel();
    switch (id) {
    case NODEX:
    case NODEY:
    case NODEZ:
        return selection->lastSelectedNode();
    case MEMBERLENGTH:
        return selection->lastSelectedMember();
    case RESULTSPANAVALUE:
    case RESULTSPANBVALUE:
        return currentState->interrogatorObject();
    case LOADMAGNITUDEAVALUE:
    case LOADMAGNITUDEBVALUE:
        return selection->lastSelectedLoad();
    case LOADSPANAVALUE:
    case LOADSPANABVALUE:
    case LOADSPANBVALUE: {
        // A span is only given for the master itself.
        const LoadRef load = selection->lastSelectedLoad();
        return load && selection->master() == load ? load : LoadRef();
    }
    default:
        return VaroObjectRef();
    }
}

StructureView::ReadOutRequest StructureView::readOutRequest(int id, const VaroObjectRef& object) const
{
    ReadOutRequest request;
    Matrix4x4& M = request.matrix;
    CalculatorReference& reference = request.reference;
    reference.insert(QStringLiteral("region"), id);
    const auto masterOf = [&](const char* key, const QVariant& value) {
        reference.insert(QLatin1String(key), value);
        reference.insert(QStringLiteral("cancelOnDeselect"), QVariant::fromValue(object));
    };
    switch (id) {
    case NODEX:
    case NODEY:
    case NODEZ: {
        const NodeRef node = object.objectCast<Node>();
        if (!node)
            return request;
        const int axis = id - NODEX;
        request.value = node->position()[axis];
        M[axis][axis] = 1.0;
        M[axis][3] = -request.value;
        masterOf("masterNode", QVariant::fromValue(node));
        request.slot = "1actionMoveSelectedNodesBy(const Vector4&, const CalculatorReference&)";
        return request;
    }
    case MEMBERLENGTH: {
        const MemberRef member = object.objectCast<Member>();
        if (!member)
            return request;
        member->bringCacheUpToDate();
        if (!(member->length() > shortestMember))
            return request;
        request.value = member->length();
        M[0][0] = 1.0;
        masterOf("masterMember", QVariant::fromValue(member));
        request.slot = "1actionSetMemberLength(const Vector4&, const CalculatorReference&)";
        return request;
    }
    case RESULTSPANAVALUE:
    case RESULTSPANBVALUE: {
        const MemberRef member = object.objectCast<Member>();
        if (!member || currentState->interrogatorObject() != object)
            return request;
        member->bringCacheUpToDate();
        const double l = member->length(), f = currentState->interrogatorPosition();
        request.value = id == RESULTSPANAVALUE ? l * f : l * (1.0 - f);
        M[0][0] = (id == RESULTSPANAVALUE ? 1.0 : -1.0) / l;
        M[0][3] = id == RESULTSPANAVALUE ? 0.0 : 1.0;
        reference.insert(QStringLiteral("masterMember"), QVariant::fromValue(member));
        request.slot = "1setInterrogatorPosition(const Vector4&, const CalculatorReference&)";
        return request;
    }
    default:
        break;
    }

    const LoadRef load = object.objectCast<Load>();
    if (!load)
        return request;
    const QList<Load::PositionedForce> pairs = load->positionedForces();
    const double F0 = pairs.value(0).second, F1 = pairs.value(1).second;
    const double p0 = pairs.value(0).first, p1 = pairs.value(1).first;
    const bool trapezoid = qobject_cast<TrapezoidLoad*>(load.data()) != nullptr;
    masterOf("masterLoad", QVariant::fromValue(load));
    if (id == LOADMAGNITUDEAVALUE || id == LOADMAGNITUDEBVALUE) {
        const bool first = id == LOADMAGNITUDEAVALUE;
        const double F = first ? F0 : F1;
        request.conversion = qobject_cast<PointLoad*>(load.data()) ? UnitSystem::Force
                             : trapezoid                          ? UnitSystem::ForcePerUnitLength
                                                                  : UnitSystem::Torque;
        request.value = std::fabs(F);
        M[0][0] = signOf(F);
        reference.insert(QStringLiteral("index"), first ? 0 : 1);
        request.slot = "1actionSetLoadForceAtIndex(const Vector4&, const CalculatorReference&)";
        return request;
    }
    const MemberRef member = load->member();
    if ((id != LOADSPANAVALUE && id != LOADSPANABVALUE && id != LOADSPANBVALUE) || !member)
        return request;
    member->bringCacheUpToDate();
    const double l = member->length();
    if (!(l > shortestMember))
        return request;
    if (id == LOADSPANAVALUE) {
        request.value = l * p0;
        M[0][0] = 1.0 / l;
        reference.insert(QStringLiteral("index"), 0);
        request.slot = "1actionSetLoadPositionAtIndex(const Vector4&, const CalculatorReference&)";
    } else if (id == LOADSPANABVALUE) {
        request.value = l * (p1 - p0);
        M[0][0] = -0.5 / l;
        M[1][0] = 0.5 / l;
        reference.insert(QStringLiteral("index"), 0);
        request.slot = "1actionAdjustLoadSpanFromIndex(const Vector4&, const CalculatorReference&)";
    } else {
        request.value = l * (1.0 - (trapezoid ? p1 : p0));
        M[0][0] = -1.0 / l;
        M[0][3] = 1.0;
        reference.insert(QStringLiteral("index"), trapezoid ? 1 : 0);
        request.slot = "1actionSetLoadPositionAtIndex(const Vector4&, const CalculatorReference&)";
    }
    return request;
}

// The answer is worked out by the matrix the read-out gave when it opened,
// from the object's values of that moment: once they change, or the object
// goes, that answer would be another value than the one typed.
void StructureView::checkCalculatorRequest()
{
    if (!calculatorRequest.slot)
        return;
    const ReadOutRequest now = documentModel && documentModel->structureModel()->contains(calculatorObject)
                                   ? readOutRequest(calculatorRegion, calculatorObject)
                                   : ReadOutRequest();
    if (now.slot && std::equal(now.matrix.data(), now.matrix.data() + 16, calculatorRequest.matrix.data()))
        return;
    const CalculatorReference lapsed = calculatorRequest.reference;
    calculatorRequest = ReadOutRequest();
    calculatorObject.clear();
    emit CalculatorRequestLapsed(lapsed);
}

// ---- Wheel

void StructureView::wheelEvent(QWheelEvent* event)
{
    if (dragMode != DragIdle) {
        event->ignore();
        return;
    }
    // The larger of the two turns, as one axis's wheel: a tilt zooms like a roll.
    const QPoint turn = event->angleDelta();
    const int delta = qAbs(turn.x()) > qAbs(turn.y()) ? turn.x() : turn.y();
    if (viewPoint)
        scrollInOut(roundScreenPoint(event->position().x(), event->position().y()), delta / 2880.0);
    event->accept();
}
