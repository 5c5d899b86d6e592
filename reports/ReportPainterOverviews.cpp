#include "ReportPainter.h"

#include "Load.h"
#include "Graphics.h"
#include "Member.h"
#include "Node.h"
#include "PaintHelpers.h"
#include "ReportDrawing.h"
#include "Support.h"
#include "VisualConstants.h"

#include <QPainter>

#include <cmath>

namespace {

// The overviews leave a margin: the structure fills 1/1.2 of the plate.
const double overviewFactor = 1.2;
// Reactions smaller than this (N or N·m) are not drawn.
const double smallestReaction = 10.0;

Vector3 translationOf(const QMap<NodeRef, Vector6>& map, const NodeRef& node)
{
    const Vector6 v = map.value(node, Vector6::zeroed());
    return Vector3(v[0], v[1], v[2]);
}

} // namespace

void ReportPainter::paintOverviewLoads(const QList<LoadRef>& loads, const QRect& rect) const
{
    double M = 1.0;
    for (const LoadRef& load : loads)
        for (const Load::PositionedForce& pair : load->positionedForces())
            M = std::max(M, std::fabs(pair.second));
    const double scale = Graphics::givenLengthGiveForce(structureRadius() / 6.0, 1.0) / M;
    const ViewPoint view = beginOverview(rect, overviewFactor);
    for (const LoadRef& load : loads)
        paintLoadEnvelope(view, load, scale);
    painter->restore();
}

void ReportPainter::paintOverviewDeflections(const QSharedPointer<AnalysisResultCase>& resultCase,
                                             const QList<MemberRef>& members, const QRect& rect) const
{
    double M = 1.0;
    for (const MemberRef& member : members)
        M = std::max(M, resultCase->maximumDisplacementOnMember(member).maximum);
    const double scale = structureRadius() / 6.0 / M;
    const ViewPoint view = beginOverview(rect, overviewFactor);
    iQPainter::setMetricPen(painter, Pens::printEnvelopeDeflection);
    painter->setBrush(Qt::NoBrush);
    QVector<QPolygonF> curves;
    curves.reserve(members.size());
    for (const MemberRef& member : members) {
        const QPolygonF curve = deflectedShape(view, resultCase, member, scale);
        if (!curve.isEmpty())
            curves.append(curve);
    }
    strokePolylines(curves);
    painter->restore();
}

QPolygonF ReportPainter::deflectedShape(const ViewPoint& view, const QSharedPointer<AnalysisResultCase>& resultCase,
                                        const MemberRef& member, double scale) const
{
    if (!member->isCacheValid() || !member->sectionType())
        return {};
    // A member without results has no positions to draw the shape through.
    const auto stats = resultCase->memberStats.constFind(member);
    if (stats == resultCase->memberStats.constEnd())
        return {};
    const Vector3 A = positionOf(member->nodeA()), B = positionOf(member->nodeB());
    const Vector3 dA = translationOf(resultCase->nodeDisplacements, member->nodeA());
    const Vector3 dB = translationOf(resultCase->nodeDisplacements, member->nodeB());
    const Vector3 A1 = A + dA * scale, B1 = B + dB * scale;
    // The curve strays from the displaced chord by the scaled local
    // deflection; twice the stored largest one allows for its sampling.
    // Where that stays within a fraction of a pixel the chord is the curve.
    if (straightWithin(view, A1, B1, 2.0 * scale * stats->deflection.maxima[3]))
        return QPolygonF(QVector<QPointF>{worldToScreen(view, A1), worldToScreen(view, B1)});

    Vector3 chord = (B + dB) - (A + dA);
    if (chord.lengthSquared() >= ReportDrawing::tiny)
        chord = chord.normalised();
    Matrix3x3 T = Matrix3x3::zeroed();
    if (!member->computeTransformGivenLongitudinalVector(chord, &T))
        T = Matrix3x3::zeroed();
    QPolygonF line;
    for (const double t : resultCase->positionsForDeflectionEnvelope(member, 32)) {
        const Vector3 d = resultCase->deflectionAtPositionOnMember(member, t);
        line << worldToScreen(view, A1 * (1.0 - t) + B1 * t + localToGlobal(T, d) * scale);
    }
    return line;
}

void ReportPainter::paintOverviewReactions(const QSharedPointer<AnalysisResultCase>& resultCase,
                                           const QList<NodeRef>& nodes, const QRect& rect) const
{
    QList<NodeRef> supported;
    for (const NodeRef& node : nodes)
        if (node->support() && int(node->support()->dof()) != 0)
            supported.append(node);
    // By magnitude: a largest reaction that is negative must not leave the
    // scale to a smaller positive one.
    double M = 1.0;
    for (const NodeRef& node : qAsConst(supported)) {
        const Vector6 r = resultCase->nodeReactions.value(node, Vector6::zeroed());
        for (int i = 0; i < 6; ++i)
            M = std::max(M, std::fabs(r[i]));
    }
    const double scale = Graphics::givenLengthGiveForce(structureRadius() / 5.0, 1.0) / M;

    Matrix3x3 aboutX = Matrix3x3::zeroed(), aboutY = Matrix3x3::zeroed();
    aboutX[0][2] = -1.0, aboutX[1][1] = 1.0, aboutX[2][0] = 1.0;
    aboutY[0][2] = -1.0, aboutY[1][0] = -1.0, aboutY[2][1] = 1.0;
    const Matrix3x3 momentAxes[3] = {aboutX, aboutY, Matrix3x3::identity()};
    const Vector3 forceAxes[3] = {Vector3(1, 0, 0), Vector3(0, 1, 0), Vector3(0, 0, 1)};

    const ViewPoint view = beginOverview(rect, overviewFactor);
    for (const NodeRef& node : qAsConst(supported)) {
        const Vector3 P = node->position();
        const Vector6 r = resultCase->nodeReactions.value(node, Vector6::zeroed());
        iQPainter::setMetricPen(painter, Pens::printEnvelopeShearForce);
        for (int i = 0; i < 3; ++i)
            if (std::fabs(r[i]) >= smallestReaction)
                paintPointForce(view, r[i], P, forceAxes[i], scale);
        iQPainter::setMetricPen(painter, Pens::printEnvelopeBendingMoment);
        for (int i = 0; i < 3; ++i)
            if (std::fabs(r[3 + i]) >= smallestReaction)
                paintTorqueForce(view, r[3 + i], P, momentAxes[i], scale);
    }
    painter->restore();
}

void ReportPainter::paintOverviewShearForces(const QSharedPointer<AnalysisResultCase>& resultCase,
                                             const QList<MemberRef>& members, const QRect& rect) const
{
    paintOverviewMemberForces(resultCase, members, rect, false);
}

void ReportPainter::paintOverviewBendingMoments(const QSharedPointer<AnalysisResultCase>& resultCase,
                                                const QList<MemberRef>& members, const QRect& rect) const
{
    paintOverviewMemberForces(resultCase, members, rect, true);
}

void ReportPainter::paintOverviewMemberForces(const QSharedPointer<AnalysisResultCase>& resultCase,
                                              const QList<MemberRef>& members, const QRect& rect, bool moments) const
{
    // Shear in local y and z, or moments about local y and z.
    const int first = moments ? 4 : 1;
    double M = 1.0;
    for (const MemberRef& member : members) {
        const Vector6 maxima = resultCase->maximumForceOnMember(member).maxima;
        M = std::max({M, std::fabs(maxima[first]), std::fabs(maxima[first + 1])});
    }
    const double scale = structureRadius() / 6.0 / M;
    const ViewPoint view = beginOverview(rect, overviewFactor);
    iQPainter::setMetricPen(painter, moments ? Pens::printEnvelopeBendingMoment : Pens::printEnvelopeShearForce);
    painter->setBrush(Qt::NoBrush);
    QVector<QPolygonF> curves;
    curves.reserve(members.size());
    for (const MemberRef& member : members)
        curves += memberForceCurves(view, resultCase, member, scale, moments);
    strokePolylines(curves);
    painter->restore();
}
