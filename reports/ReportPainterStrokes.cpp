#include "ReportPainter.h"

#include "ReportDrawing.h"

#include <QImage>
#include <QPainter>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// A quarter of a device pixel: what a curve may lose to its simplification,
// or a curve to the straight line drawn for it, without any change to the eye.
const double deviceTolerance = 0.25;

double squaredDistanceToSegment(const QPointF& p, const QPointF& a, const QPointF& b)
{
    const QPointF d = b - a, v = p - a;
    const double dd = QPointF::dotProduct(d, d);
    const double t = dd > 0.0 ? std::clamp(QPointF::dotProduct(v, d) / dd, 0.0, 1.0) : 0.0;
    const QPointF w = v - d * t;
    return QPointF::dotProduct(w, w);
}

double deviceScaleOf(const QPainter* painter)
{
    const QTransform t = painter->combinedTransform();
    return std::max(std::hypot(t.m11(), t.m12()), std::hypot(t.m21(), t.m22()));
}

// The raster engine fills the lines of a pen with flat or square caps
// directly, without building an outline for each; with round caps it takes
// several times as long. A square cap reaches beyond a round one only at its
// two corners, by 0.21 of the pen's width: for a pen of up to about five
// device pixels that is under a pixel.
bool squareLooksRound(const QPainter* painter)
{
    const QPen pen = painter->pen();
    return ReportDrawing::isRaster(painter) && pen.capStyle() == Qt::RoundCap
           && 0.21 * pen.widthF() * deviceScaleOf(painter) <= 1.0;
}

} // namespace

QPolygonF ReportPainter::simplifiedPolyline(const QPolygonF& polyline, double tolerance)
{
    if (polyline.size() < 3)
        return polyline;
    // Douglas and Peucker: a point is kept when it lies farther than the
    // tolerance from the chord between the points kept on either side of it,
    // so every dropped point lies within the tolerance of the result.
    const double limit = tolerance * tolerance;
    QVector<bool> kept(polyline.size(), false);
    kept.first() = kept.last() = true;
    QVector<std::pair<int, int>> spans{{0, polyline.size() - 1}};
    while (!spans.isEmpty()) {
        const auto [a, b] = spans.takeLast();
        int farthest = -1;
        double largest = limit;
        for (int i = a + 1; i < b; ++i) {
            const double d = squaredDistanceToSegment(polyline.at(i), polyline.at(a), polyline.at(b));
            if (d > largest) {
                largest = d;
                farthest = i;
            }
        }
        if (farthest < 0)
            continue;
        kept[farthest] = true;
        spans.append({a, farthest});
        spans.append({farthest, b});
    }
    QPolygonF result;
    for (int i = 0; i < polyline.size(); ++i)
        if (kept.at(i))
            result.append(polyline.at(i));
    return result;
}

double ReportPainter::deviceScale() const
{
    return deviceScaleOf(painter);
}

void ReportPainter::strokeLines(QPainter* target, const QVector<QLineF>& lines)
{
    if (lines.isEmpty())
        return;
    if (!squareLooksRound(target)) {
        target->drawLines(lines);
        return;
    }
    const QPen pen = target->pen();
    QPen squarePen(pen);
    squarePen.setCapStyle(Qt::SquareCap);
    target->setPen(squarePen);
    target->drawLines(lines);
    target->setPen(pen);
}

void ReportPainter::strokePolylines(const QVector<QPolygonF>& polylines) const
{
    const double scale = deviceScale();
    if (!(scale > 0.0))
        return;
    const double tolerance = deviceTolerance / scale;
    if (!squareLooksRound(painter)) {
        for (const QPolygonF& polyline : polylines)
            painter->drawPolyline(simplifiedPolyline(polyline, tolerance));
        return;
    }
    QVector<QLineF> lines;
    for (const QPolygonF& polyline : polylines) {
        const QPolygonF simple = simplifiedPolyline(polyline, tolerance);
        for (int i = 1; i < simple.size(); ++i)
            lines.append(QLineF(simple.at(i - 1), simple.at(i)));
    }
    strokeLines(painter, lines);
}

void ReportPainter::fillDots(const QVector<QPointF>& centres, double rx, double ry) const
{
    if (centres.isEmpty())
        return;
    const QTransform t = painter->combinedTransform();
    if (!ReportDrawing::isRaster(painter) || t.type() > QTransform::TxTranslate) {
        for (const QPointF& centre : centres)
            painter->drawEllipse(centre, rx, ry);
        return;
    }
    // On a raster device every dot is stamped from one small picture, at the
    // nearest whole pixel: a dot drawn on its own costs some twenty times as much.
    const double pen = painter->pen().style() == Qt::NoPen ? 0.0 : painter->pen().widthF();
    const int w = int(std::ceil(2.0 * rx + pen)) + 3, h = int(std::ceil(2.0 * ry + pen)) + 3;
    QImage dot(w, h, QImage::Format_ARGB32_Premultiplied);
    dot.fill(Qt::transparent);
    {
        QPainter stamp(&dot);
        stamp.setRenderHints(painter->renderHints());
        stamp.setPen(painter->pen());
        stamp.setBrush(painter->brush());
        stamp.drawEllipse(QPointF(w / 2.0, h / 2.0), rx, ry);
    }
    for (const QPointF& centre : centres) {
        const QPointF on = t.map(centre) - QPointF(w / 2.0, h / 2.0);
        painter->drawImage(QPointF(std::round(on.x()), std::round(on.y())) - QPointF(t.dx(), t.dy()), dot);
    }
}

bool ReportPainter::straightWithin(const ViewPoint& view, const Vector3& A, const Vector3& B, double offset) const
{
    // A point of the segment with eye coordinates (x, y, z) lies at depth
    // w = z + distance and is drawn at K·(x, -y)/w. Moving it by at most d
    // moves its picture by at most K·d·(1 + ρ/w)/(w - d), ρ = |(x, y)|: the
    // largest ρ and the smallest w of a segment are those of an end.
    const Vector3 a = view.transformWorldToEye(A), b = view.transformWorldToEye(B);
    const double w = std::min(a.z(), b.z()) + view.distance();
    const double rho = std::max(std::hypot(a.x(), a.y()), std::hypot(b.x(), b.y()));
    const double K = ReportDrawing::focalLength * resolution;
    if (!(offset >= 0.0) || !(w > offset))
        return false;
    return K * offset * (1.0 + rho / w) / (w - offset) * deviceScale() <= deviceTolerance;
}
