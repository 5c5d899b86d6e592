#include "ReportPainter.h"

#include "Member.h"
#include "Node.h"
#include "PaintHelpers.h"
#include "ReportDrawing.h"
#include "ReportPictures.h"
#include "StructureView.h"
#include "VisualConstants.h"

#include <QDataStream>
#include <QImage>
#include <QPaintDevice>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

using namespace ReportDrawing;

namespace {

const double referenceDepth = 10.0;

bool fuzzyEqualCoordinate(double u, double v)
{
    return std::fabs(u - v) * 1e12 <= std::min(std::fabs(u), std::fabs(v));
}

} // namespace

QPointF ReportPainter::worldToScreen(const ViewPoint& view, const Vector3& point) const
{
    const Vector3 eye = view.transformWorldToEye(point);
    const double D = eye.z() + view.distance();
    const double k = focalLength * resolution / D;
    return QPointF(eye.x() * k, -eye.y() * k);
}

Vector3 ReportPainter::screenToWorld(const ViewPoint& view, const QPointF& point, double depth) const
{
    const double k = depth / (focalLength * resolution);
    return view.transformEyeToWorld(Vector3(point.x() * k, -point.y() * k, depth - view.distance()));
}

double ReportPainter::distanceForCentredRadius(const ViewPoint& view, const QSize& size, double radius) const
{
    const Vector3 E = screenToWorld(view, QPointF(0.0, 0.0), 0.0);
    const Vector3 C = screenToWorld(view, QPointF(0.0, 0.0), referenceDepth);
    const double w = size.width() / 2.0, h = size.height() / 2.0;
    const double Lw = (screenToWorld(view, QPointF(w, 0.0), referenceDepth)
                       - screenToWorld(view, QPointF(-w, 0.0), referenceDepth)).length();
    const double Lh = (screenToWorld(view, QPointF(0.0, h), referenceDepth)
                       - screenToWorld(view, QPointF(0.0, -h), referenceDepth)).length();
    const double L = std::isnan(Lw) ? Lh : std::min(Lw, Lh);
    return radius * (C - E).length() / (0.5 * L);
}

void ReportPainter::addArrowhead(QPainterPath* path, const QPointF& tip, const QPointF& direction) const
{
    const double t = std::hypot(mmX(2.0), mmY(2.0)) * halfSqrt2;
    const QPointF v = direction * t;
    const QPointF n(-v.y(), v.x());
    path->moveTo(tip);
    path->lineTo(tip - v + 0.3 * n);
    path->lineTo(tip - v - 0.3 * n);
    path->closeSubpath();
}

ViewPoint ReportPainter::beginOverview(const QRect& rect, double factor) const
{
    const QSize fitting(rect.width() - 2 * plateInset.width(), rect.height() - 2 * plateInset.height());
    ViewPoint view(viewPoint);
    view.setDistance(distanceForCentredRadius(viewPoint, fitting, structureRadius()) * factor);
    painter->save();
    painter->setClipRect(rect);
    painter->translate((rect.left() + rect.right()) / 2, (rect.top() + rect.bottom()) / 2);
    paintSkeleton(view);
    return view;
}

QByteArray ReportPainter::pictureKey(const char* kind, const ViewPoint& view) const
{
    QByteArray key;
    QDataStream stream(&key, QIODevice::WriteOnly);
    const Vector3 f = view.focalPoint();
    stream << kind << f.x() << f.y() << f.z() << view.azimuth() << view.elevation() << view.distance() << resolution
           << painter->device()->logicalDpiX() << painter->device()->logicalDpiY()
           << painter->testRenderHint(QPainter::Antialiasing);
    return key;
}

QVector<QLineF> ReportPainter::memberLines(const ViewPoint& view, const QList<MemberRef>& members) const
{
    QVector<QLineF> lines;
    lines.reserve(members.size());
    for (const MemberRef& member : members) {
        const Node* a = member->nodeA().data();
        const Node* b = member->nodeB().data();
        if (a && b && a != b)
            lines.append(QLineF(worldToScreen(view, a->position()), worldToScreen(view, b->position())));
    }
    return lines;
}

QImage ReportPainter::skeletonPicture(const ViewPoint& view) const
{
    const QVector<QLineF> lines = memberLines(view, layout->members);
    // A plate shows its sphere, of radius r on the page, and what lies near
    // it; a structure far larger than the sphere (a small group of a large
    // one) is kept to four times r around it, so that the picture stays about
    // a plate's size whatever lies beyond.
    const double r = focalLength * resolution * structureRadius() / view.distance();
    const double reach = std::max(4.0 * r, resolution);
    return linesPicture(lines, Pens::printStructureGhost, QRectF(-reach, -reach, 2 * reach, 2 * reach));
}

QImage ReportPainter::linesPicture(const QVector<QLineF>& lines, const QPen& pen, const QRectF& limit) const
{
    if (lines.isEmpty())
        return QImage();
    QRectF bounds;
    for (const QLineF& line : lines)
        bounds |= QRectF(line.p1(), line.p2()).normalized();
    // Room for the pen.
    const double margin = std::ceil(mmX(pen.widthF())) + 2.0;
    bounds = bounds.adjusted(-margin, -margin, margin, margin).intersected(limit);
    const QRect area(QPoint(int(std::floor(bounds.left())), int(std::floor(bounds.top()))),
                     QPoint(int(std::ceil(bounds.right())), int(std::ceil(bounds.bottom()))));
    if (area.isEmpty())
        return QImage();

    const QPaintDevice* device = painter->device();
    QImage picture(area.size(), QImage::Format_ARGB32_Premultiplied);
    picture.setDotsPerMeterX(qRound(device->logicalDpiX() / 0.0254));
    picture.setDotsPerMeterY(qRound(device->logicalDpiY() / 0.0254));
    picture.fill(Qt::transparent);
    QPainter target(&picture);
    target.setRenderHint(QPainter::Antialiasing, painter->testRenderHint(QPainter::Antialiasing));
    target.translate(-area.left(), -area.top());
    iQPainter::setMetricPen(&target, pen);
    target.setBrush(Qt::NoBrush);
    strokeLines(&target, lines);
    target.end();
    picture.setOffset(area.topLeft());
    return picture;
}

void ReportPainter::drawPicture(const QImage& picture) const
{
    if (picture.isNull())
        return;
    QPointF at = picture.offset();
    // On whole device pixels, so that the picture is copied as it was drawn, not resampled.
    const QTransform transform = painter->transform();
    if (transform.type() <= QTransform::TxTranslate)
        at = QPointF(std::round(transform.dx() + at.x()) - transform.dx(),
                     std::round(transform.dy() + at.y()) - transform.dy());
    painter->save();
    // Kept exact in a PDF file: no lossy compression of the thin lines.
    painter->setRenderHint(QPainter::LosslessImageRendering);
    painter->drawImage(at, picture);
    painter->restore();
}

void ReportPainter::paintSkeleton(const ViewPoint& view) const
{
    // Stroked once per camera and report, however many plates show it.
    drawPicture(layout->pictures->picture(pictureKey("skeleton", view), [&] { return skeletonPicture(view); }));
}

void ReportPainter::paintOverviewNodes(const QList<NodeRef>& nodes, const QRect& rect) const
{
    const ViewPoint view = beginOverview(rect, 1.0);
    painter->setPen(Qt::NoPen);
    painter->setBrush(QBrush(Pens::printHighlightThick.color()));
    const double w = Pens::printHighlightThick.widthF();
    QVector<QPointF> centres;
    centres.reserve(nodes.size());
    for (const NodeRef& node : nodes)
        centres.append(worldToScreen(view, node->position()));
    fillDots(centres, mmX(w), mmY(w));
    painter->restore();
}

void ReportPainter::paintOverviewMembers(const QList<MemberRef>& members, const QRect& rect) const
{
    const ViewPoint view = beginOverview(rect, 1.0);
    if (isRaster(painter)) {
        // Every cover of a report shows the same members: on a raster device
        // they are drawn once, into a picture the size of the plate.
        const QRectF plate =
            QRectF(rect).translated(-(rect.left() + rect.right()) / 2, -(rect.top() + rect.bottom()) / 2);
        QByteArray key = pictureKey("members", view);
        key += QByteArray::number(qHashRange(members.begin(), members.end())) + ' '
               + QByteArray::number(members.size()) + ' ' + QByteArray::number(rect.width()) + ' '
               + QByteArray::number(rect.height());
        drawPicture(layout->pictures->picture(
            key, [&] { return linesPicture(memberLines(view, members), Pens::printHighlightThick, plate); }));
    } else {
        iQPainter::setMetricPen(painter, Pens::printHighlightThick);
        strokeLines(painter, memberLines(view, members));
    }
    painter->restore();
}

void ReportPainter::paintOverviewRendered(const GroupRef& group, const QRect& rect) const
{
    if (!structureView)
        return;
    const QSize fitting(rect.width() - 2 * plateInset.width(), rect.height() - 2 * plateInset.height());
    StructureView::CaptureSettings settings;
    settings.viewPoint = ViewPointRef(new ViewPoint(viewPoint));
    settings.viewPoint->setDistance(distanceForCentredRadius(viewPoint, fitting, structureRadius()) / 2.4);
    settings.applyGroup = true;
    settings.group = group;
    // Each group's picture is rendered once for the report.
    const QByteArray key = pictureKey("captured", *settings.viewPoint) + QByteArray::number(quintptr(group.data()));
    paintRenderedImage(layout->pictures->picture(key, [&] { return structureView->captureImage(1024, 1024, settings); }),
                       rect);
}

void ReportPainter::paintRenderedImage(const QImage& image, const QRect& rect) const
{
    // A view without off-screen buffers gives an empty image: nothing to scale.
    if (image.isNull() || image.width() <= 0 || image.height() <= 0)
        return;
    painter->save();
    painter->setClipRect(rect);
    painter->translate(rect.topLeft());
    const double scale = std::min(double(rect.width()) / image.width(), double(rect.height()) / image.height());
    const int width = int(std::lrint(image.width() * scale)), height = int(std::lrint(image.height() * scale));
    painter->drawImage(QRect((rect.width() - width) / 2, (rect.height() - height) / 2, width, height), image,
                       QRect(0, 0, image.width(), image.height()));
    painter->restore();
}

void ReportPainter::paintTriad(const QRect& rect) const
{
    const double g = std::hypot(letterLabelSize.width(), letterLabelSize.height());
    const int m = std::min(rect.width() - plateInset.width(), rect.height() - plateInset.height());
    const double a = m / 2 - g;
    ViewPoint view(viewPoint);
    view.setDistance(distanceForCentredRadius(viewPoint, rect.size(), structureRadius()));

    const Vector3 centre = structureCentre();
    QLineF lines[3] = {QLineF(QPointF(), worldToScreen(view, centre + Vector3(1, 0, 0))),
                       QLineF(QPointF(), worldToScreen(view, centre + Vector3(0, 1, 0))),
                       QLineF(QPointF(), worldToScreen(view, centre + Vector3(0, 0, 1)))};
    const double longest = std::max({lines[0].length(), lines[1].length(), lines[2].length()});
    QPointF directions[3];
    for (int i = 0; i < 3; ++i) {
        QLineF& line = lines[i];
        if (!(fuzzyEqualCoordinate(line.x1(), line.x2()) && fuzzyEqualCoordinate(line.y1(), line.y2())))
            line.setLength(line.length() * a / longest);
        directions[i] = unitOf(line.p2() - line.p1());
    }

    painter->save();
    painter->setClipRect(rect);
    painter->translate((rect.left() + rect.right()) / 2, (rect.top() + rect.bottom()) / 2);
    painter->setFont(Fonts::printHighlight);
    painter->setPen(Qt::black);
    const char* labels[] = {"X", "Y", "Z"};
    for (int i = 0; i < 3; ++i) {
        const QPointF at = lines[i].p2() + directions[i] * (g / 2.0);
        painter->drawText(QRectF(at, QSizeF(0.0, 0.0)), Qt::AlignCenter | Qt::TextDontClip, QLatin1String(labels[i]));
    }
    iQPainter::setMetricPen(painter, Pens::printHighlightThick);
    for (const QLineF& line : lines)
        painter->drawLine(line);
    QPainterPath heads;
    for (int i = 0; i < 3; ++i)
        addArrowhead(&heads, lines[i].p2(), directions[i]);
    painter->setBrush(QBrush(painter->pen().color()));
    painter->drawPath(heads);
    painter->restore();
}
