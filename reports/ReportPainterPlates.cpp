#include "ReportPainter.h"

#include "Load.h"
#include "Member.h"
#include "Node.h"
#include "PaintHelpers.h"
#include "ReportDrawing.h"
#include "SectionType.h"
#include "Support.h"
#include "UnitSystem.h"
#include "VisualConstants.h"

#include <QPainter>

#include <cmath>

namespace {

// Interior points of interest are lettered in turn; the last entry is always B.
const char poiLetters[] = "ACDEB";

bool isSamePosition(double a, double b)
{
    if (std::fabs(a) < ReportDrawing::tiny && std::fabs(b) < ReportDrawing::tiny)
        return true;
    return std::fabs(a - b) <= std::ldexp(1.0, -20) * std::max(std::fabs(a), std::fabs(b));
}

QList<QChar> lettersFor(const QList<double>& positions, bool markDisplacement, double displacementPosition)
{
    QList<QChar> letters;
    for (int i = 0; i < positions.size(); ++i) {
        const bool last = i == positions.size() - 1;
        QChar letter = last ? QLatin1Char('B') : QLatin1Char(poiLetters[std::min(i, 3)]);
        if (!last && markDisplacement && isSamePosition(positions.at(i), displacementPosition))
            letter = QLatin1Char('F');
        letters.append(letter);
    }
    return letters;
}

// One chart of the member result plate.
struct ChartBlock
{
    QString title;
    QString table;
    int rows;
    int deflection, firstForce, secondForce;
    const char* labels[3];
    const QList<double>* positions;
    const QList<QChar>* letters;
};

} // namespace

QList<double> ReportPainter::uniquePOI(QList<double> positions)
{
    if (positions.isEmpty())
        return positions;
    std::sort(positions.begin(), positions.end());
    QList<double> unique{positions.first()};
    for (int i = 1; i < positions.size(); ++i)
        if (!isSamePosition(positions.at(i), unique.last()))
            unique.append(positions.at(i));
    return unique;
}

void ReportPainter::paintMemberGraphicalResults(const MemberRef& member,
                                                const QSharedPointer<AnalysisResultCase>& resultCase,
                                                const QRect& rect)
{
    const SectionTypeRef sectionType = member->sectionType();
    if (!sectionType || !sectionType->crossSection())
        return;
    painter->save();
    const int x1 = rect.left(), y1 = rect.top(), x2 = rect.right(), y2 = rect.bottom();
    const int gx = plateInset.width(), gy = plateInset.height();
    const int W = x2 - x1 + 1;
    const int L = (2 * W) / 3;
    const int C = L - 5 * gx;
    const int c = C / 3;
    const int Ys = y2 - qRound(mmY(12.7));
    const int Yc = Ys - gy;
    const auto column = [&](int k) {
        const int left = x1 + k * (c + 2 * gx);
        return QRect(QPoint(left, y1), QPoint(left + c - 1, Yc));
    };

    iQPainter::setMetricPen(painter, Pens::printInternalDivider);
    painter->drawLine(x1 + L, y1, x1 + L, y2);
    painter->drawLine(x1, Ys, x1 + L, Ys);
    for (int k = 0; k < 2; ++k) {
        const int x = column(k).right() + gx;
        painter->drawLine(x, y1, x, Ys);
    }

    const int rightLeft = x1 + L + gx;
    const QRectF table = drawTable(QPointF((rightLeft + x2) / 2, y2), Qt::AlignHCenter | Qt::AlignBottom,
                                   memberInputTable(member));
    const QRect picture(QPoint(rightLeft, y1), QPoint(x2, qRound(table.y())));
    painter->save();
    painter->setClipRect(picture);
    paintMemberPlate(member, picture.center(), picture);
    painter->restore();

    const int n = std::max(C / 6, 128);
    const QVector<AnalysisResultCase::EnvelopeVector3> deflections =
        resultCase->deflectionEnvelopeForPositions(member, resultCase->positionsForDeflectionEnvelope(member, n));
    const QVector<AnalysisResultCase::EnvelopeVector6> forces =
        resultCase->forceEnvelopeForPositions(member, resultCase->positionsForForceEnvelope(member, n));

    const AnalysisResultCase::MaximaVector4 deflection = resultCase->maximumDeflectionOnMember(member);
    const AnalysisResultCase::MaximaVector6 force = resultCase->maximumForceOnMember(member);
    const AnalysisResultCase::MaximaScalar displacement = resultCase->maximumDisplacementOnMember(member);
    const QList<double> major = uniquePOI(
        {0.0, 1.0, deflection.positions[1], force.positions[1], force.positions[5]});
    const QList<double> minor = uniquePOI(
        {0.0, 1.0, deflection.positions[2], force.positions[2], force.positions[4]});
    const QList<double> longitudinal = uniquePOI(
        {0.0, 1.0, displacement.position, force.positions[0], force.positions[3]});
    const QList<QChar> majorLetters = lettersFor(major, false, 0.0);
    const QList<QChar> minorLetters = lettersFor(minor, false, 0.0);
    const QList<QChar> longitudinalLetters = lettersFor(longitudinal, true, displacement.position);

    const ChartBlock blocks[3] = {
        {QStringLiteral("Major (local)"), memberBlockTableYZ(resultCase, member, major, majorLetters, true), 3, 1, 1,
         5, {"d", "V", "M"}, &major, &majorLetters},
        {QStringLiteral("Minor (local)"), memberBlockTableYZ(resultCase, member, minor, minorLetters, false), 3, 2, 2,
         4, {"d", "V", "M"}, &minor, &minorLetters},
        {QStringLiteral("Longitudinal (local)"),
         memberBlockTableX(resultCase, member, longitudinal, longitudinalLetters), 2, 0, 0, 3, {"", "P", "T"},
         &longitudinal, &longitudinalLetters}};
    for (int k = 0; k < 3; ++k) {
        const ChartBlock& block = blocks[k];
        const QRect area = column(k);
        const int cx = (area.left() + area.right()) / 2;
        painter->setClipRect(area);
        const QRectF title = drawTable(QPointF(cx, y1), Qt::AlignHCenter | Qt::AlignTop,
                                       memberBlockTitle(block.title, QString()));
        const QRectF values = drawTable(QPointF(cx, Yc), Qt::AlignHCenter | Qt::AlignBottom, block.table);
        const int chartTop = qRound(title.y()) + qRound(title.height()) - 1;
        const int chartBottom = qRound(values.y());
        const QRectF chart(area.left(), chartTop, area.width(), chartBottom - chartTop + 1);
        const QRectF plot = paintChartBackground(member, *block.positions, *block.letters, block.rows, chart);
        // The longitudinal chart has no deflection curve.
        paintChartEnvelopes(k == 2 ? QVector<AnalysisResultCase::EnvelopeVector3>() : deflections, forces,
                            block.deflection, block.firstForce, block.secondForce, plot);
        paintChartLabels(QLatin1String(block.labels[0]), QLatin1String(block.labels[1]),
                         QLatin1String(block.labels[2]), plot);
    }
    painter->restore();

    addFooter(FooterLocalDeflection, QStringLiteral("d:Local deflection"));
    addFooter(FooterLocalShear, QStringLiteral("V:Local shear"));
    addFooter(FooterLocalBendingMoment, QStringLiteral("M:Local bending moment"));
    addFooter(FooterLocalAxialForce, QStringLiteral("P:Local axial force"));
    addFooter(FooterLocalTorsion, QStringLiteral("T:Local torsion"));
}

QRectF ReportPainter::paintChartBackground(const MemberRef& member, const QList<double>& positions,
                                           const QList<QChar>& letters, int rows, const QRectF& chart) const
{
    const QRectF plot(chart.x() + mmX(2.0), chart.y(), chart.width() - mmX(4.0),
                      chart.height() - letterLabelSize.height() - mmY(1.0));
    painter->save();
    painter->setClipRect(chart);
    iQPainter::setMetricPen(painter, Pens::printPOIGuide);
    for (int i = 0; i < positions.size(); ++i) {
        const double xp = plot.left() + positions.at(i) * plot.width();
        painter->drawLine(QPointF(xp, plot.top()), QPointF(xp, plot.bottom()));
        const QString letter = i < letters.size() ? QString(letters.at(i)) : QString();
        drawTable(QPointF(xp, chart.y() + chart.height()), Qt::AlignHCenter | Qt::AlignBottom,
                  QStringLiteral("<p class=\"number\">%1</p>").arg(letter));
    }
    iQPainter::setMetricPen(painter, Pens::printStructureGhost);
    painter->setBrush(Qt::NoBrush);
    for (int j = 0; j < rows; ++j) {
        const double yk = plot.bottom() - (2 * j + 1) * plot.height() / 6.0;
        painter->drawLine(QPointF(plot.left(), yk), QPointF(plot.right(), yk));
        if (member->pinAtA())
            painter->drawEllipse(QRectF(plot.left() - mmX(2.0), yk - mmY(1.0), mmX(2.0), mmY(2.0)));
        if (member->pinAtB())
            painter->drawEllipse(QRectF(plot.right(), yk - mmY(1.0), mmX(2.0), mmY(2.0)));
    }
    painter->restore();
    return plot;
}

void ReportPainter::paintChartEnvelopes(const QVector<AnalysisResultCase::EnvelopeVector3>& deflections,
                                        const QVector<AnalysisResultCase::EnvelopeVector6>& forces,
                                        int deflectionComponent, int firstForceComponent, int secondForceComponent,
                                        const QRectF& plot)
{
    const double x = plot.x(), y = plot.y(), w = plot.width(), h = plot.height();
    const double A = (h - 4 * plateInset.height()) / 3.0;
    const auto band = [&](double centreLine, const QVector<QPointF>& points, UnitSystem::Conversion conversion,
                          const QPen& pen, bool downwards) {
        double M = 0.0;
        for (const QPointF& p : points)
            M = std::max(M, std::fabs(p.y()));
        if (std::fabs(unitSystem->roundPreferred(unitSystem->convertSIToPreferred(M, conversion), conversion))
            < ReportDrawing::tiny)
            return;
        painter->save();
        painter->translate(x, centreLine);
        iQPainter::setMetricPen(painter, pen);
        painter->setBrush(Qt::NoBrush);
        plotEnvelope(points, A / ((downwards ? 2.0 : -2.0) * M));
        painter->restore();
    };
    const auto forcePoints = [&](int c) {
        QVector<QPointF> points{QPointF(0.0, 0.0)};
        for (const AnalysisResultCase::EnvelopeVector6& record : forces)
            points.append(QPointF(record.position * w, record.force[c]));
        points.append(QPointF(w, 0.0));
        return points;
    };

    if (deflectionComponent >= 0) {
        QVector<QPointF> points;
        for (const AnalysisResultCase::EnvelopeVector3& record : deflections)
            points.append(QPointF(record.position * w, record.deflection[deflectionComponent]));
        band(y + h - 5.0 * h / 6.0, points, UnitSystem::Distance, Pens::printEnvelopeDeflection, false);
    }
    if (firstForceComponent >= 0)
        band(y + h - 3.0 * h / 6.0, forcePoints(firstForceComponent),
             firstForceComponent == 0 ? UnitSystem::AxialForce : UnitSystem::ShearForce, Pens::printEnvelopeShearForce,
             false);
    // Mz is drawn with its positive values downwards.
    if (secondForceComponent >= 0)
        band(y + h - h / 6.0, forcePoints(secondForceComponent),
             secondForceComponent == 3 ? UnitSystem::TorsionMoment : UnitSystem::BendingMoment,
             Pens::printEnvelopeBendingMoment, secondForceComponent == 5);
}

void ReportPainter::plotEnvelope(const QVector<QPointF>& points, double scale) const
{
    QPolygonF line;
    line.reserve(points.size());
    for (const QPointF& p : points)
        line << QPointF(p.x(), p.y() * scale);
    painter->drawPolyline(line);
}

void ReportPainter::paintChartLabels(const QString& top, const QString& middle, const QString& bottom,
                                     const QRectF& plot) const
{
    const double x = plot.x() + plot.width() / 2.0, y = plot.y(), h = plot.height();
    const QPair<const QString*, double> labels[] = {
        {&top, y + h - 5.0 * h / 6.0}, {&middle, y + h - 3.0 * h / 6.0}, {&bottom, y + h - h / 6.0}};
    for (const auto& label : labels)
        if (!label.first->isEmpty())
            drawTable(QPointF(x, label.second), Qt::AlignCenter,
                      QStringLiteral("<p class=\"number\">%1</p>").arg(*label.first));
}

ViewPoint ReportPainter::centredOn(const Vector3& point, double distance, QPointF* shift) const
{
    ViewPoint view(viewPoint);
    view.setDistance(distance);
    *shift = -worldToScreen(view, point);
    return view;
}

void ReportPainter::paintMemberPlate(const MemberRef& member, const QPoint& centre, const QRect& rect) const
{
    const QSize fitting(rect.width() - qRound(2 * letterLabelSize.width()),
                        rect.height() - qRound(2 * letterLabelSize.height()));
    QPointF shift;
    const ViewPoint view = centredOn(ReportDrawing::pointOnMember(member, 0.5),
                                     distanceForCentredRadius(viewPoint, fitting, structureRadius()), &shift);
    painter->save();
    painter->translate(QPointF(centre) + shift);
    paintSkeleton(view);
    paintHighlight(view, member);
    painter->restore();
}

void ReportPainter::paintNodePlate(const NodeRef& node, const QPoint& centre, const QRect& rect) const
{
    QPointF shift;
    const ViewPoint view =
        centredOn(node->position(), distanceForCentredRadius(viewPoint, rect.size(), structureRadius()), &shift);
    painter->save();
    painter->translate(QPointF(centre) + shift);
    paintSkeleton(view);
    paintHighlight(view, node);
    painter->restore();
    if (const SupportRef support = node->support())
        drawTable(QPointF((rect.left() + rect.right()) / 2, rect.bottom()), Qt::AlignHCenter | Qt::AlignBottom,
                  QStringLiteral("<p class=\"overlay\">%1</p>").arg(support->name().toHtmlEscaped()));
}

void ReportPainter::paintLoadPlate(const LoadRef& load, const QPoint& centre, const QRect& rect) const
{
    const MemberRef member = load->member();
    if (!member)
        return;
    double F = 0.0;
    for (const Load::PositionedForce& pair : load->positionedForces())
        F = std::max(F, std::fabs(pair.second));
    const QSize fitting(rect.width() - qRound(2 * forceLabelSize.width()),
                        rect.height() - qRound(2 * forceLabelSize.height()));
    QPointF shift;
    const ViewPoint view = centredOn(ReportDrawing::pointOnMember(member, 0.5),
                                     1.2 * distanceForCentredRadius(viewPoint, fitting, structureRadius()), &shift);
    const double root = 64.0 * std::max(structureRadius() / 4.0 - 0.1, 0.0);
    // Zero forces have no scale that reaches a length: their arrows keep the shortest one.
    const double s = F > 0.0 ? root * root / F : 0.0;
    painter->save();
    painter->translate(QPointF(centre) + shift);
    paintSkeleton(view);
    paintHighlight(view, load, s);
    painter->restore();
}

void ReportPainter::paintMemberForceEnvelope(const ViewPoint& view,
                                             const QSharedPointer<AnalysisResultCase>& resultCase,
                                             const MemberRef& member, double scale, bool moments) const
{
    strokePolylines(memberForceCurves(view, resultCase, member, scale, moments));
}

QVector<QPolygonF> ReportPainter::memberForceCurves(const ViewPoint& view,
                                                   const QSharedPointer<AnalysisResultCase>& resultCase,
                                                   const MemberRef& member, double scale, bool moments) const
{
    if (!member->isCacheValid() || !member->sectionType())
        return {};
    const AnalysisResultCase::MaximaVector6 maxima = resultCase->maximumForceOnMember(member);
    const double m1 = moments ? std::fabs(maxima.maxima[5]) : std::fabs(maxima.maxima[1]);
    const double m2 = moments ? std::fabs(maxima.maxima[4]) : std::fabs(maxima.maxima[2]);
    const double smallest = 10.0;
    if (m1 < smallest && m2 < smallest)
        return {};
    const Vector3 A = positionOf(member->nodeA()), B = positionOf(member->nodeB());
    // Where neither curve strays from the member by more than a fraction of
    // a pixel, the member's own line is what they show (twice the stored
    // largest forces allow for their sampling).
    if (straightWithin(view, A, B, 2.0 * scale * std::max(m1, m2)))
        return {QPolygonF(QVector<QPointF>{worldToScreen(view, A), worldToScreen(view, B)})};
    const Matrix3x3 axes = member->transformationMatrix();
    const Vector3 ey = rowOf(axes, 1), ez = rowOf(axes, 2);
    QPolygonF first, second;
    first << worldToScreen(view, A);
    second << worldToScreen(view, A);
    for (const double t : resultCase->positionsForForceEnvelope(member, 32)) {
        const Vector6 f = resultCase->forceAtPositionOnMember(member, t);
        const Vector3 P = B * t + A * (1.0 - t);
        if (m1 >= smallest)
            first << worldToScreen(view, P + ey * (scale * (moments ? -f[5] : f[1])));
        if (m2 >= smallest)
            second << worldToScreen(view, P + ez * (scale * (moments ? f[4] : f[2])));
    }
    first << worldToScreen(view, B);
    second << worldToScreen(view, B);
    QVector<QPolygonF> curves;
    if (m1 >= smallest)
        curves.append(first);
    if (m2 >= smallest)
        curves.append(second);
    return curves;
}
