#include "StructureView.h"

#include "Graphics.h"
#include "Load.h"
#include "LoadCase.h"
#include "Member.h"
#include "Node.h"
#include "PaintHelpers.h"
#include "PointLoad.h"
#include "ScreenPoints.h"
#include "SuperLoadCase.h"
#include "TorqueLoad.h"
#include "TrapezoidLoad.h"
#include "VisualConstants.h"

#include <QPainter>
#include <QTransform>

#include <cmath>

namespace {

QPointF unitOf(const QLineF& line)
{
    const double length = line.length();
    return length > 0.0 ? (line.p2() - line.p1()) / length : QPointF();
}

// The side a handle stands on: left of the line's direction when flipped.
QPointF sideNormal(const QPointF& u, bool flip)
{
    return flip ? QPointF(-u.y(), u.x()) : QPointF(u.y(), -u.x());
}

QTransform handleFrame(const QPointF& origin, const QLineF& along)
{
    QTransform frame;
    frame.translate(origin.x(), origin.y());
    frame.rotate(-along.angle());
    return frame;
}

Vector3 pointAlong(const MemberRef& member, double t)
{
    return positionOf(member->nodeA()) * (1.0 - t) + positionOf(member->nodeB()) * t;
}

// Whether the camera stands level with the ground plane or above it, so that
// the triad's Y end is no farther than its centre. At elevation 0 (and -π,
// level and upside down) the two depths are equal, which rounding would
// split either way; the elevation itself says it exactly.
bool seesGround(double elevation)
{
    return !(elevation < 0.0 && elevation > -M_PI);
}

} // namespace

// ---- Screen geometry

Vector3 StructureView::transformWorldTo3DScreen(const Vector3& point) const
{
    const QPointF s = transformWorldToScreen(point);
    return Vector3(s.x(), s.y(), (viewFrame.worldToDevice(point).z() + 1.0) / 2.0);
}

Vector3 StructureView::transformScreenToWorld(const QPointF& point, double depth) const
{
    const double vx = viewportCache[0], vy = viewportCache[1], vw = viewportCache[2], vh = viewportCache[3];
    return viewFrame.deviceToWorld(Vector3(2.0 * (point.x() - vx) / vw - 1.0,
                                           2.0 * (frameSize().height() - point.y() - vy) / vh - 1.0, 2.0 * depth - 1.0));
}

QRect StructureView::selectionBoxArea() const
{
    const QRectF box = currentState->selectionBox();
    const int W = width(), H = height();
    return QRect(QPoint(int(std::lrint(W * box.x())), int(std::lrint(H * box.y()))),
                 QPoint(int(std::lrint(W * (box.x() + box.width()))), int(std::lrint(H * (box.y() + box.height())))));
}

QPoint StructureView::hotspotOfLoad(const QSharedPointer<Load>& load) const
{
    if (!load || !load->member())
        return QPoint(0, 0);
    double f = 1.0;
    if (const auto combined = currentState->loadCase().objectCast<SuperLoadCase>())
        f = combined->factorForLoadCase(load->loadCase());
    const double s = currentState->scaleLD();
    load->bringCacheUpToDate();
    load->member()->bringCacheUpToDate();
    const Vector3 d = load->globalVector();
    const QList<Load::PositionedForce> pairs = load->positionedForces();
    const auto position = [&](int i, double fallback) { return i < pairs.size() ? pairs[i].first : fallback; };
    const auto force = [&](int i) { return i < pairs.size() ? pairs[i].second : 0.0; };
    Vector3 hotspot;
    if (qobject_cast<PointLoad*>(load.data())) {
        const double L = Graphics::givenForceGiveLength(force(0), s * f);
        hotspot = pointAlong(load->member(), position(0, 0.5)) - d * (L / 2.0);
    } else if (qobject_cast<TrapezoidLoad*>(load.data())) {
        const double t = (position(0, 0.0) + position(1, 1.0)) / 2.0;
        const double L = Graphics::givenForceGiveLength((force(0) + force(1)) / 2.0, s * f);
        hotspot = pointAlong(load->member(), t) - d * (L / 2.0);
    } else if (qobject_cast<TorqueLoad*>(load.data())) {
        hotspot = pointAlong(load->member(), position(0, 0.5));
    }
    const QPointF screen = transformWorldToScreen(hotspot);
    return mapToGlobal(roundScreenPoint(screen.x(), screen.y()));
}

// ---- Handles and dimensions

void StructureView::paintPositionBar(QPainter* painter, const QLineF& memberLine, const QPointF& base, bool flip,
                                     ClickRegionEnum id)
{
    const QPointF n = sideNormal(unitOf(memberLine), flip);
    painter->drawLine(base + 4.0 * n, base + 86.0 * n);
    const QTransform frame = handleFrame(base + 80.0 * n, memberLine);
    painter->drawPolygon(frame.map(handleArrowA));
    painter->drawPolygon(frame.map(handleArrowB));
    ClickRegion region;
    region.id = id;
    region.outline = frame.map(handleOutline);
    region.anchor = base;
    region.line = memberLine;
    clickRegions.append(region);
}

void StructureView::paintPositionBar(QPainter* painter, const QLineF& memberLine, const QPointF& base, bool flip,
                                     int index)
{
    const ClickRegionEnum id = index == 0 ? LOADPOSITIONAHANDLE : index == 1 ? LOADPOSITIONBHANDLE : NONE;
    paintPositionBar(painter, memberLine, base, flip, id);
}

void StructureView::paintSpanDimension(QPainter* painter, const QLineF& memberLine, const QPointF& from,
                                       const QPointF& to, double valueSI, bool flip, ClickRegionEnum id)
{
    if (QLineF(from, to).length() <= 4.0)
        return;
    const QPointF n = sideNormal(unitOf(memberLine), flip);
    const QLineF dimension(from + 64.0 * n, to + 64.0 * n);
    painter->drawLine(dimension);
    painter->drawLine(from + 4.0 * n, from + 68.0 * n);
    painter->drawLine(to + 4.0 * n, to + 68.0 * n);
    const QString text = QStringLiteral("%1 %2").arg(unitSystem->preferredStringFromSI(valueSI, UnitSystem::Length, false),
                                                     unitSystem->preferredUnits(UnitSystem::Length));
    ClickRegion region;
    region.id = id;
    region.outline = iQt::paintTextAlongLine(painter, text, dimension.center(), dimension, QPoint(), flip ? 133 : 134);
    clickRegions.append(region);
}

void StructureView::paintSpanDimension(QPainter* painter, const QLineF& memberLine, const QPointF& from,
                                       const QPointF& to, double valueSI, bool flip, int index, int count)
{
    ClickRegionEnum id = NONE;
    if (index == 0)
        id = LOADSPANAVALUE;
    else if (index == 1)
        id = count < 2 ? LOADSPANBVALUE : LOADSPANABVALUE;
    else if (index == 2)
        id = LOADSPANBVALUE;
    paintSpanDimension(painter, memberLine, from, to, valueSI, flip, id);
}

void StructureView::paintLoadMagnitudeBar(QPainter* painter, const QLineF& bar, const QString& text, int index,
                                          const Ray3& ray, int textFlags)
{
    if (bar.length() <= 0.1)
        return;
    const ClickRegionEnum valueId = index == 0 ? LOADMAGNITUDEAVALUE : index == 1 ? LOADMAGNITUDEBVALUE : NONE;
    const ClickRegionEnum handleId = index == 0 ? LOADMAGNITUDEAHANDLE : index == 1 ? LOADMAGNITUDEBHANDLE : NONE;
    const QTransform frame = handleFrame(bar.p2() + 20.0 * unitOf(bar), bar);
    painter->drawPolygon(frame.map(handleArrowA));
    painter->drawPolygon(frame.map(handleArrowB));
    ClickRegion handle;
    handle.id = handleId;
    handle.outline = frame.map(handleOutline);
    handle.anchor = bar.p2();
    handle.line = bar;
    handle.vectors[0] = ray.origin;
    handle.vectors[1] = ray.direction;
    clickRegions.append(handle);
    ClickRegion value;
    value.id = valueId;
    value.outline = iQt::paintTextAlongLine(painter, text, bar.center(), bar, QPoint(0, 2), textFlags | 201);
    clickRegions.append(value);
}

void StructureView::paintDecorationsForLoad(QPainter* painter, const QSharedPointer<Load>& load)
{
    const QList<Load::PositionedForce> pairs = load->positionedForces();
    const MemberRef member = load->member();
    if (pairs.isEmpty() || !member)
        return;
    member->bringCacheUpToDate();
    const double length = member->length();
    if (!(length > 0.0009765625))
        return;
    painter->save();
    load->bringCacheUpToDate();
    const QPointF SA = transformWorldToScreen(positionOf(member->nodeA()));
    const QPointF SB = transformWorldToScreen(positionOf(member->nodeB()));
    const QLineF memberLine(SA, SB);
    const double s = currentState->scaleLD();
    const Vector3 d = load->globalVector();
    const bool torque = qobject_cast<TorqueLoad*>(load.data()) != nullptr;
    UnitSystem::Conversion conversion = UnitSystem::LoadForce;
    bool known = true;
    if (torque)
        conversion = UnitSystem::LoadTorque;
    else if (qobject_cast<TrapezoidLoad*>(load.data()))
        conversion = UnitSystem::LoadForcePerLength;
    else if (!qobject_cast<PointLoad*>(load.data()))
        known = false;
    const QPointF sideOfMember = QPointF(SB.y() - SA.y(), -(SB.x() - SA.x()));
    const QPointF across = sideOfMember / std::max(1e-300, std::hypot(sideOfMember.x(), sideOfMember.y()));
    QPointF previous = SA;
    double previousT = 0.0;
    bool flip = false;
    for (int i = 0; i < pairs.size(); ++i) {
        const double t = pairs[i].first, F = pairs[i].second;
        const Vector3 P = pointAlong(member, t);
        const QPointF S = transformWorldToScreen(P);
        Vector3 T;
        if (torque) {
            const Matrix3x3 axes = member->rotatedTransformationMatrix(d);
            const double L = std::copysign(std::sqrt(std::fabs(s * F)) / 64.0 + 0.5, s * F);
            T = P - Vector3(axes[1][0], axes[1][1], axes[1][2]) * L;
        } else {
            T = P - d * std::copysign(std::sqrt(std::fabs(s * F)) / 64.0 + 0.1, s * F);
        }
        const QString text = known ? QStringLiteral("%1 %2").arg(
                                         unitSystem->preferredStringFromSI(std::fabs(F), conversion, false),
                                         unitSystem->preferredUnits(conversion))
                                   : QString();
        int sideFlag = 0x20;
        if (i == 0)
            sideFlag = SB.x() >= SA.x() ? 0x10 : 0x20;
        else if (i == 1)
            sideFlag = SA.x() > SB.x() ? 0x10 : 0x20;
        const QLineF bar(S, transformWorldToScreen(T));
        painter->setPen(Pens::loadMagnitudeDecoration);
        const Vector3 arrow = (T - P) * std::copysign(1.0, F);
        const double arrowLength = arrow.length();
        paintLoadMagnitudeBar(painter, bar, text, i, Ray3(P, arrowLength > 0.0 ? arrow / arrowLength : arrow),
                              sideFlag);
        const QPointF u = unitOf(bar);
        flip = u.x() * across.x() + u.y() * across.y() >= 0.0;
        painter->setPen(Pens::dimensionBar);
        paintSpanDimension(painter, memberLine, previous, S, (t - previousT) * length, flip, i, pairs.size());
        painter->setPen(Pens::positionBar);
        paintPositionBar(painter, memberLine, S, flip, i);
        previous = S;
        previousT = t;
    }
    painter->setPen(Pens::dimensionBar);
    paintSpanDimension(painter, memberLine, previous, SB, (1.0 - previousT) * length, flip, LOADSPANBVALUE);
    painter->restore();
}

QPointF StructureView::paintInterrogator(QPainter* painter, const QLineF& memberLine, const QPointF& point,
                                         const QVector2D& side)
{
    const QPointF u = unitOf(memberLine);
    const QPointF n = side.toPointF();
    const QPointF E = point + 48.0 * n;
    painter->drawLine(point + 4.0 * n, E);
    const QPoint reach = (16.0 * u).toPoint();
    painter->drawLine(E - reach, E + reach);
    return E;
}

// ---- Triad

void StructureView::paintTriad(QPainter* painter, const QPoint& centre, int size, bool large) const
{
    const Vector3 O = transformScreenToWorld(centre, 0.5);
    const Vector3 O2 = transformScreenToWorld(centre + QPoint(size, 0), 0.5);
    const double R = (O2 - O).length();
    if (!(R > 0.0))
        return;
    const double k = large ? 0.5 : 0.75;
    const Vector3 axes[3] = {Vector3(1, 0, 0), Vector3(0, 1, 0), Vector3(0, 0, 1)};
    QPoint ends[3];
    for (int a = 0; a < 3; ++a) {
        const QPointF p = transformWorldToScreen(O + axes[a] * R);
        ends[a] = QPointF((1.0 - k) * centre.x() + k * p.x(), (1.0 - k) * centre.y() + k * p.y()).toPoint();
    }
    const QPen pen = large ? Pens::triadLarge : Pens::triadSmall;
    const double head = size / 12;
    const auto arrow = [&](int a) { iQt::paintPseudo3DArrow(painter, QLineF(centre, ends[a]), 0.2, head); };
    QPolygon ground;
    ground << centre << ends[0] << ends[2];

    painter->save();
    QPen halo = pen;
    halo.setWidthF(pen.widthF() + 4.0);
    halo.setColor(Qt::white);
    painter->setPen(halo);
    painter->setBrush(Qt::white);
    for (int a = 0; a < 3; ++a)
        arrow(a);
    painter->setPen(QPen(QBrush(Qt::white), 4.0, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
    painter->setBrush(Qt::NoBrush);
    painter->drawPolyline(ground);
    const auto fillGround = [&](const QColor& colour) {
        painter->setPen(Qt::NoPen);
        painter->setBrush(colour);
        painter->drawPolygon(ground);
    };
    const auto penArrow = [&](int a) {
        painter->setPen(pen);
        painter->setBrush(Qt::white);
        arrow(a);
    };
    if (seesGround(viewPoint->elevation())) {
        fillGround(Colours::ground);
        penArrow(1);
    } else {
        penArrow(1);
        fillGround(Colours::sky);
    }
    penArrow(0);
    penArrow(2);

    painter->setPen(Colours::triadText);
    painter->setFont(large ? Fonts::triadLarge : Fonts::triadSmall);
    const QFontMetrics metrics = painter->fontMetrics();
    const char* labels[3] = {"X", "Y", "Z"};
    const double m = large ? 16.0 : 8.0;
    for (int a = 0; a < 3; ++a) {
        const QLineF line(centre, ends[a]);
        if (!(line.length() > 8.0))
            continue;
        const QPointF at = centre + (line.p2() - line.p1()) / line.length() * (line.length() + m);
        QRect box = metrics.tightBoundingRect(QLatin1String(labels[a])).adjusted(-4, -4, 4, 4);
        box.moveCenter(at.toPoint());
        painter->drawText(box, 0x244, QLatin1String(labels[a]));
    }
    painter->restore();
}
