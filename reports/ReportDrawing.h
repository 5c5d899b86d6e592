#pragma once

#include "Member.h"
#include "Node.h"

#include <QPaintEngine>
#include <QPainter>
#include <QPointF>

#include <cmath>

// Small helpers shared by the report's painting files.
namespace ReportDrawing {

// Below this a magnitude counts as zero: 2^-128.
constexpr double tiny = 2.938735877055719e-39;
constexpr double halfSqrt2 = 0.7071067811865476;
// The focal length of every report picture, in inches.
constexpr double focalLength = 15.0;

// In single precision, as the arrows' directions are; zero for a zero vector.
inline QPointF unitOf(const QPointF& v)
{
    const float x = float(v.x()), y = float(v.y());
    const float length = std::hypot(x, y);
    return length > 0.0f ? QPointF(x / length, y / length) : QPointF();
}

// Painting only reads caches: the layout made them valid, and one that could
// not be made valid is not refreshed from a painting thread.
inline double memberLength(const MemberRef& member)
{
    if (!member)
        return 0.0;
    if (member->isCacheValid())
        return member->length();
    return (positionOf(member->nodeB()) - positionOf(member->nodeA())).length();
}

// A missing end node counts as the origin.
inline Vector3 pointOnMember(const MemberRef& member, double p)
{
    return positionOf(member->nodeA()) * (1.0 - p) + positionOf(member->nodeB()) * p;
}

// A device painted pixel by pixel, as an image is; a printer or a PDF file
// is painted with vector graphics.
inline bool isRaster(const QPainter* painter)
{
    return painter->paintEngine() && painter->paintEngine()->type() == QPaintEngine::Raster;
}

} // namespace ReportDrawing
