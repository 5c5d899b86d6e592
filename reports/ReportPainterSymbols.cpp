#include "ReportPainter.h"

#include "Load.h"
#include "Graphics.h"
#include "Member.h"
#include "Node.h"
#include "PaintHelpers.h"
#include "PointLoad.h"
#include "ReportDrawing.h"
#include "TorqueLoad.h"
#include "TrapezoidLoad.h"
#include "VisualConstants.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

using namespace ReportDrawing;

namespace {

// 7π/4: the torque whose arc sweeps the full 315 degrees.
const double fullArcTorque = 5.497787143782138;

double lengthOf(const QPointF& v)
{
    return std::hypot(v.x(), v.y());
}

double manhattan(const QPointF& v)
{
    return std::fabs(v.x()) + std::fabs(v.y());
}

QBrush translucent(const QColor& colour)
{
    QColor c(colour);
    c.setAlpha(128);
    return QBrush(c);
}

const QString numberLabel = QStringLiteral("<p class=\"number\">%1</p>");

} // namespace

QList<QLineF> ReportPainter::paintPointForce(const ViewPoint& view, double force, const Vector3& position,
                                             const Vector3& direction, double scale) const
{
    const double L = -Graphics::givenForceGiveLength(force, scale);
    const QPointF S = worldToScreen(view, position);
    const QPointF T = worldToScreen(view, position + direction * L);
    painter->save();
    QPainterPath path;
    path.moveTo(T);
    path.lineTo(S);
    // Seen end-on the shaft has no length and so no direction for a head.
    if (S != T)
        addArrowhead(&path, S, unitOf(S - T));
    painter->setBrush(translucent(painter->pen().color()));
    painter->drawPath(path);
    painter->restore();
    return {QLineF(S, T)};
}

QList<QLineF> ReportPainter::paintTorqueForce(const ViewPoint& view, double torque, const Vector3& position,
                                              const Matrix3x3& axes, double scale) const
{
    double f = std::sqrt(std::fabs(torque * scale)) / 64.0 / fullArcTorque;
    f = std::isnan(f) ? 1.0 : std::min(1.0, f);
    const int N = momentArcPoints.size(), N0 = N / 6;
    const int count = int(std::lrint((N - 1 - N0) * f)) + N0;
    if (count <= 0)
        return {};
    const double s = std::signbit(torque) ? -1.0 : 1.0;
    const Vector3 row1 = rowOf(axes, 0), row2 = rowOf(axes, 1), row3 = rowOf(axes, 2);
    const QPointF C = worldToScreen(view, position);

    painter->save();
    QPolygonF arc;
    for (int i = 0; i <= count; ++i) {
        const Vector3& a = momentArcPoints.at(i);
        arc << worldToScreen(view, position + row1 * a.x() + row2 * (s * a.y()) + row3 * a.z());
    }
    painter->setBrush(Qt::NoBrush);
    strokePolylines({arc});

    const double w = Pens::printHighlightThick.widthF();
    QPainterPath path;
    path.addEllipse(C, mmX(w), mmY(w));
    if (arc.last() != arc.at(arc.size() - 2))
        addArrowhead(&path, arc.last(), unitOf(arc.last() - arc.at(arc.size() - 2)));
    painter->setBrush(translucent(painter->pen().color()));
    painter->drawPath(path);
    painter->restore();
    return {QLineF(C, arc.first())};
}

QList<QLineF> ReportPainter::paintLoadEnvelope(const ViewPoint& view, const LoadRef& load, double scale) const
{
    const MemberRef member = load->member();
    if (!member || !member->isCacheValid())
        return {};
    const Vector3 D = load->globalVector();
    const QList<Load::PositionedForce> pairs = load->positionedForces();
    const auto forceAt = [&](int i) { return i < pairs.size() ? pairs.at(i).second : 0.0; };
    const auto positionAt = [&](int i, double none) { return i < pairs.size() ? pairs.at(i).first : none; };

    if (qobject_cast<PointLoad*>(load.data())) {
        iQPainter::setMetricPen(painter, Pens::printEnvelopeShearForce);
        return paintPointForce(view, forceAt(0), pointOnMember(member, positionAt(0, 0.5)), D, scale);
    }
    if (qobject_cast<TorqueLoad*>(load.data())) {
        iQPainter::setMetricPen(painter, Pens::printEnvelopeBendingMoment);
        return paintTorqueForce(view, forceAt(0), pointOnMember(member, positionAt(0, 0.5)),
                                member->rotatedTransformationMatrix(D), scale);
    }
    if (!qobject_cast<TrapezoidLoad*>(load.data()))
        return {};

    painter->save();
    iQPainter::setMetricPen(painter, Pens::printEnvelopeShearForce);
    painter->setBrush(translucent(Pens::printEnvelopeShearForce.color()));
    const Vector3 A = pointOnMember(member, positionAt(0, 0.0)), B = pointOnMember(member, positionAt(1, 1.0));
    const QPointF SA = worldToScreen(view, A), SB = worldToScreen(view, B);
    const QPointF TA = worldToScreen(view, A + D * -Graphics::givenForceGiveLength(forceAt(0), scale));
    const QPointF TB = worldToScreen(view, B + D * -Graphics::givenForceGiveLength(forceAt(1), scale));
    QPainterPath path;
    path.moveTo(SA);
    path.lineTo(TA);
    path.lineTo(TB);
    path.lineTo(SB);
    path.closeSubpath();
    if (SA != TA)
        addArrowhead(&path, SA, unitOf(SA - TA));
    if (SB != TB)
        addArrowhead(&path, SB, unitOf(SB - TB));
    painter->drawPath(path);
    painter->restore();
    return {QLineF(SA, TA), QLineF(SB, TB)};
}

void ReportPainter::paintHighlight(const ViewPoint& view, const LoadRef& load, double scale) const
{
    const MemberRef member = load->member();
    if (!member)
        return;
    painter->save();
    iQPainter::setMetricPen(painter, Pens::printHighlightThick);
    painter->setBrush(Qt::NoBrush);
    const QPointF SA = worldToScreen(view, positionOf(member->nodeA()));
    const QPointF SB = worldToScreen(view, positionOf(member->nodeB()));
    const QList<QLineF> lines = paintLoadEnvelope(view, load, scale);
    if (lines.isEmpty()) {
        painter->restore();
        return;
    }
    const QLineF line1 = lines.first(), line2 = lines.size() > 1 ? lines.at(1) : lines.first();
    iQPainter::setMetricPen(painter, Pens::printHighlightThin);

    // Just beyond the tail; a shaft seen end-on puts its label on the tip.
    const double e = std::hypot(forceLabelSize.width(), forceLabelSize.height());
    const auto forceLabel = [&](const QLineF& line, const char* text) {
        const QPointF v = line.p2() - line.p1();
        const double len = lengthOf(v);
        const QPointF at = len > 0.0 ? line.p1() + v / len * (len + e / 2.0) : line.p1();
        drawTable(at, Qt::AlignCenter, numberLabel.arg(QLatin1String(text)));
    };
    forceLabel(line1, "FA");
    if (lines.size() > 1)
        forceLabel(line2, "FB");

    const double m = std::hypot(mmX(6.35), mmY(6.35)) * halfSqrt2;
    QPointF n = unitOf(QPointF(SB.y() - SA.y(), -(SB.x() - SA.x()))) * m;
    const QPointF away = (line1.p2() - line1.p1()) + (line2.p2() - line2.p1());
    if (QPointF::dotProduct(n, away) >= 0.0)
        n = -n;
    painter->drawLine(SA, SA + n);
    painter->drawLine(SB, SB + n);
    painter->drawLine(SA + n, SB + n);

    const QPointF tipA = line1.p1(), tipB = line2.p1();
    const double dA = manhattan(tipA - SA), dB = manhattan(tipB - SB);
    if (dA > 2.0)
        painter->drawLine(tipA, tipA + n);
    if (dB > 2.0)
        painter->drawLine(tipB, tipB + n);
    const double h = std::hypot(letterLabelSize.width(), letterLabelSize.height()) / 2.0;
    if (dA > h)
        drawTable((SA + tipA) / 2.0 + n, Qt::AlignCenter, numberLabel.arg(QLatin1Char('A')));
    if (manhattan(tipB - tipA) > h)
        drawTable((tipA + tipB) / 2.0 + n, Qt::AlignCenter, numberLabel.arg(QLatin1Char('L')));
    if (dB > h)
        drawTable((SB + tipB) / 2.0 + n, Qt::AlignCenter, numberLabel.arg(QLatin1Char('B')));
    painter->restore();
}

void ReportPainter::paintHighlight(const ViewPoint& view, const MemberRef& member) const
{
    painter->save();
    iQPainter::setMetricPen(painter, Pens::printHighlightThick);
    painter->setBrush(Qt::NoBrush);
    const Vector3 A = positionOf(member->nodeA()), B = positionOf(member->nodeB());
    const QPointF SA = worldToScreen(view, A), SB = worldToScreen(view, B);
    if (lengthOf(SB - SA) > 1.0) {
        const QPointF o = unitOf(SB - SA) * (std::hypot(letterLabelSize.width(), letterLabelSize.height()) / 2.0);
        drawTable(SA - o, Qt::AlignCenter, numberLabel.arg(QLatin1Char('A')));
        drawTable(SB + o, Qt::AlignCenter, numberLabel.arg(QLatin1Char('B')));
    }
    painter->drawLine(SA, SB);

    if (member->axis() && member->isCacheValid()) {
        const Matrix3x3 axes = member->transformationMatrix();
        const Vector3 M = (A + B) * 0.5;
        const QPointF Sm = (SA + SB) / 2.0;
        const double g = std::hypot(mmX(1.0), mmY(1.0)) * 0.7;
        const QPointF stemEnd = Sm + unitOf(worldToScreen(view, M + rowOf(axes, 1)) - Sm) * (3.0 * g);
        const QPointF z = unitOf(worldToScreen(view, M + rowOf(axes, 2)) - Sm) * g;
        iQPainter::setMetricPen(painter, Pens::printHighlightThin);
        painter->drawLine(Sm, stemEnd);
        painter->drawLine(stemEnd - z, stemEnd + 2.0 * z);
    }
    painter->restore();
}

void ReportPainter::paintHighlight(const ViewPoint& view, const NodeRef& node) const
{
    painter->save();
    const int number = layout->nodeNumbers.value(node, 0);
    const QPointF r(mmX(2.0), mmY(2.0));
    iQPainter::setMetricPen(painter, Pens::printHighlightThick);
    painter->setBrush(Qt::NoBrush);
    const QPointF C = worldToScreen(view, node->position());
    painter->drawEllipse(C, r.x(), r.y());
    drawTable(QPointF(C.x() + qRound(r.x()), C.y() + qRound(r.y())), Qt::AlignLeft | Qt::AlignTop,
              numberLabel.arg(number));
    painter->restore();
}
