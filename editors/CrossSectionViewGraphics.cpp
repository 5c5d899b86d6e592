// The dimensioned drawing of the cross-section page. Scene coordinates are
// pixels, y down, with the origin at the centre of the drawing area.

#include "CrossSectionView.h"

#include "ClickableGraphicsTextItem.h"
#include "CrossSection.h"
#include "PaintHelpers.h"

#include <QFontMetrics>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QPolygonF>

#include <algorithm>
#include <cmath>

namespace {

// The dimensions in the order they are drawn.
enum Dimension {
    OverallDepth,
    WebThickness,
    TopFlangeWidth,
    TopFlangeThickness,
    TopFlangeOffset,
    BottomFlangeWidth,
    BottomFlangeThickness,
    BottomFlangeOffset,
    DimensionCount
};

typedef void (CrossSectionView::*EditSlot)();
const EditSlot editSlots[DimensionCount] = {
    &CrossSectionView::editOverallDepth,       &CrossSectionView::editWebThickness,
    &CrossSectionView::editTopFlangeWidth,     &CrossSectionView::editTopFlangeThickness,
    &CrossSectionView::editTopFlangeOffset,    &CrossSectionView::editBottomFlangeWidth,
    &CrossSectionView::editBottomFlangeThickness, &CrossSectionView::editBottomFlangeOffset};

double dimensionValue(const CrossSection& c, int dimension)
{
    switch (dimension) {
    case OverallDepth: return c.overallDepth();
    case WebThickness: return c.webThickness();
    case TopFlangeWidth: return c.topFlangeWidth();
    case TopFlangeThickness: return c.topFlangeThickness();
    case TopFlangeOffset: return c.topFlangeOffset();
    case BottomFlangeWidth: return c.bottomFlangeWidth();
    case BottomFlangeThickness: return c.bottomFlangeThickness();
    default: return c.bottomFlangeOffset();
    }
}

// A dimension is drawn only between two distinct points; those a shape does
// not set stay at the origin.
bool isDrawn(const QLineF& line)
{
    return !(qFuzzyCompare(line.x1(), line.x2()) && qFuzzyCompare(line.y1(), line.y2()));
}

QPointF unitDirection(const QLineF& line)
{
    return (line.p2() - line.p1()) / line.length();
}

// Points away from the section for every line the shapes set.
QPointF unitNormal(const QLineF& line)
{
    const QPointF d = unitDirection(line);
    return QPointF(d.y(), -d.x());
}

void addArrowhead(QPainterPath* path, const QPointF& tip, const QPointF& base, const QPointF& n)
{
    path->addPolygon(QPolygonF({tip, base + 2 * n, base - 2 * n, tip}));
    path->closeSubpath();
}

// The outline of the section and the lines of its dimensions, in pixels.
struct Drawing
{
    QPainterPath outline;
    QLineF lines[DimensionCount];
};

Drawing drawingOf(const CrossSection& c, double s)
{
    const double p = 2 / s;
    const double tw = std::max(c.webThickness(), p) * s;
    const double hw = tw / 2;
    const double T = std::max(c.topFlangeThickness(), p) * s;
    const double W = std::max(c.topFlangeWidth(), 5 * p) * s;
    const double D = std::max(c.overallDepth(), 20 * p) * s;
    const double Wo = std::max(c.overallWidth(), 20 * p) * s;
    const double Ot = std::max(hw, c.topFlangeOffset() * s);
    const double Ob = std::max(hw, c.bottomFlangeOffset() * s);
    const double xw = std::max(Ot, Ob) - Wo / 2;
    const double xL = xw - Ot;
    const double Tb = std::max(c.bottomFlangeThickness(), p) * s;
    const double Wb = std::max(c.bottomFlangeWidth(), 5 * p) * s;
    const double xBL = xw - Ob;
    const double xBR = xBL + Wb;
    const bool hollow = c.shape() & CrossSection::Hollow;

    Drawing d;
    const auto polygon = [&d](const QVector<QPointF>& points) {
        d.outline.addPolygon(QPolygonF(points));
        d.outline.closeSubpath();
    };
    const auto depthAt = [&](double x0) { return QLineF(x0, D / 2, x0, -D / 2); };
    const auto topWidth = [&](double xa, double xb) { return QLineF(xa, -D / 2, xb, -D / 2); };
    QLineF* const l = d.lines;

    switch (c.shape() & CrossSection::KindMask) {
    case CrossSection::Angle:
    case CrossSection::Channel:
        if ((c.shape() & CrossSection::KindMask) == CrossSection::Angle)
            polygon({{-W / 2, D / 2}, {W / 2, D / 2}, {W / 2, D / 2 - T}, {-W / 2 + tw, D / 2 - T},
                     {-W / 2 + tw, -D / 2}, {-W / 2, -D / 2}});
        else
            polygon({{-W / 2, D / 2}, {W / 2, D / 2}, {W / 2, D / 2 - T}, {-W / 2 + tw, D / 2 - T},
                     {-W / 2 + tw, -D / 2 + T}, {W / 2, -D / 2 + T}, {W / 2, -D / 2}, {-W / 2, -D / 2}});
        l[OverallDepth] = depthAt(-W / 2);
        l[WebThickness] = QLineF(-W / 2, 0, -W / 2 + tw, 0);
        l[TopFlangeWidth] = topWidth(-W / 2, W / 2);
        l[TopFlangeThickness] = QLineF(W / 2, D / 2 - T, W / 2, D / 2);
        break;
    case CrossSection::IBeam:
    case CrossSection::Zed:
        if ((c.shape() & CrossSection::KindMask) == CrossSection::IBeam)
            polygon({{-W / 2, D / 2}, {W / 2, D / 2}, {W / 2, D / 2 - T}, {hw, D / 2 - T}, {hw, -D / 2 + T},
                     {W / 2, -D / 2 + T}, {W / 2, -D / 2}, {-W / 2, -D / 2}, {-W / 2, -D / 2 + T},
                     {-hw, -D / 2 + T}, {-hw, D / 2 - T}, {-W / 2, D / 2 - T}});
        else
            polygon({{-hw, D / 2}, {W / 2, D / 2}, {W / 2, D / 2 - T}, {hw, D / 2 - T}, {hw, -D / 2},
                     {-W / 2, -D / 2}, {-W / 2, -D / 2 + T}, {-hw, -D / 2 + T}});
        l[OverallDepth] = depthAt(-W / 2);
        l[WebThickness] = QLineF(-hw, 0, hw, 0);
        l[TopFlangeWidth] = topWidth(-W / 2, W / 2);
        l[TopFlangeThickness] = QLineF(W / 2, D / 2 - T, W / 2, D / 2);
        break;
    case CrossSection::Oval:
        d.outline.addEllipse(QRectF(-W / 2, -D / 2, W, D));
        if (hollow) {
            d.outline.addEllipse(QRectF(-W / 2 + tw, -D / 2 + tw, W - 2 * tw, D - 2 * tw));
            l[WebThickness] = QLineF(W / 2 - tw, 0, W / 2, 0);
        }
        l[OverallDepth] = depthAt(-W / 2);
        l[TopFlangeWidth] = topWidth(-W / 2, W / 2);
        break;
    case CrossSection::Rectangle:
        polygon({{-W / 2, D / 2}, {W / 2, D / 2}, {W / 2, -D / 2}, {-W / 2, -D / 2}});
        if (hollow) {
            polygon({{-W / 2 + tw, D / 2 - T}, {W / 2 - tw, D / 2 - T}, {W / 2 - tw, -D / 2 + T},
                     {-W / 2 + tw, -D / 2 + T}});
            l[WebThickness] = QLineF(W / 2 - tw, 0, W / 2, 0);
            l[TopFlangeThickness] = QLineF(0, D / 2 - T, 0, D / 2);
        }
        l[OverallDepth] = depthAt(-W / 2);
        l[TopFlangeWidth] = topWidth(-W / 2, W / 2);
        break;
    case CrossSection::Tee:
        polygon({{-hw, D / 2}, {hw, D / 2}, {hw, -D / 2 + T}, {W / 2, -D / 2 + T}, {W / 2, -D / 2}, {-W / 2, -D / 2},
                 {-W / 2, -D / 2 + T}, {-hw, -D / 2 + T}});
        l[OverallDepth] = depthAt(-W / 2);
        l[WebThickness] = QLineF(-hw, 0, hw, 0);
        l[TopFlangeWidth] = topWidth(-W / 2, W / 2);
        l[TopFlangeThickness] = QLineF(W / 2, -D / 2, W / 2, -D / 2 + T);
        break;
    case CrossSection::BiPlate:
        polygon({{xL, -D / 2}, {xL, -D / 2 + T}, {xw - hw, -D / 2 + T}, {xw - hw, D / 2}, {xw + hw, D / 2},
                 {xw + hw, -D / 2 + T}, {xL + W, -D / 2 + T}, {xL + W, -D / 2}});
        l[OverallDepth] = depthAt(xL);
        l[WebThickness] = QLineF(xw - hw, T / 2, xw + hw, T / 2);
        l[TopFlangeWidth] = topWidth(xL, xL + W);
        l[TopFlangeThickness] = QLineF(xL + W, -D / 2, xL + W, -D / 2 + T);
        l[TopFlangeOffset] = QLineF(xL, -D / 2, xw, -D / 2);
        break;
    case CrossSection::TriPlate: {
        polygon({{xL, -D / 2}, {xL, -D / 2 + T}, {xw - hw, -D / 2 + T}, {xw - hw, D / 2 - Tb}, {xBL, D / 2 - Tb},
                 {xBL, D / 2}, {xBR, D / 2}, {xBR, D / 2 - Tb}, {xw + hw, D / 2 - Tb}, {xw + hw, -D / 2 + T},
                 {xL + W, -D / 2 + T}, {xL + W, -D / 2}});
        const double yWeb = ((-D / 2 + T) + (D / 2 - Tb)) / 2;
        l[OverallDepth] = depthAt(std::min(xL, xBL));
        l[WebThickness] = QLineF(xw - hw, yWeb, xw + hw, yWeb);
        l[TopFlangeWidth] = topWidth(xL, xL + W);
        l[TopFlangeThickness] = QLineF(xL + W, -D / 2, xL + W, -D / 2 + T);
        l[TopFlangeOffset] = QLineF(xL, -D / 2, xw, -D / 2);
        l[BottomFlangeWidth] = QLineF(xBR, D / 2, xBL, D / 2);
        l[BottomFlangeThickness] = QLineF(xBR, D / 2 - Tb, xBR, D / 2);
        l[BottomFlangeOffset] = QLineF(xw, D / 2, xBL, D / 2);
        break;
    }
    default:
        break;
    }
    return d;
}

} // namespace

QPainterPath CrossSectionView::pathForLinearDimension(const QLineF& line, double gap, double offset) const
{
    QPainterPath path;
    const QPointF d = unitDirection(line);
    const QPointF n = unitNormal(line);
    const QPointF P1 = line.p1(), P2 = line.p2();
    if (offset > 0) {
        path.moveTo(P1 + gap * n);
        path.lineTo(P1 + (gap + offset) * n);
        path.moveTo(P2 + gap * n);
        path.lineTo(P2 + (gap + offset) * n);
    }
    const QPointF A = P1 + offset * n;
    const QPointF B = P2 + offset * n;
    if (line.length() >= 24) {
        addArrowhead(&path, A, A + 8 * d, n);
        path.moveTo(A + 8 * d);
        path.lineTo(B - 8 * d);
        addArrowhead(&path, B, B - 8 * d, n);
    } else {
        // No room between the arrows: they point in from outside.
        addArrowhead(&path, A, A - 8 * d, n);
        path.moveTo(A - 8 * d);
        path.lineTo(A - 12 * d);
        addArrowhead(&path, B, B + 8 * d, n);
        path.moveTo(B + 8 * d);
        path.lineTo(B + 12 * d);
    }
    return path;
}

QPointF CrossSectionView::pointForLinearDimensionText(const QLineF& line, double offset) const
{
    return line.center() + (offset + 4) * unitNormal(line);
}

void CrossSectionView::regenerateGraphics()
{
    scene->clear();
    if (!section)
        return;
    QStringList texts;
    for (int i = 0; i < DimensionCount; ++i)
        texts << unitSystem->preferredStringFromSI(dimensionValue(*section, i), UnitSystem::LengthSmall, false);
    const QFontMetrics dimensionMetrics(Font::DimensionText, view);
    const QRect labelBox =
        iQFontMetrics::unitedTightBoundingRect(dimensionMetrics, texts + QStringList{QStringLiteral("9999.9")});
    const QFontMetrics annotationMetrics(Font::Annotation, view);
    const QRect axisBox = iQFontMetrics::unitedTightBoundingRect(
        annotationMetrics,
        {unitSystem->preferredUnits(UnitSystem::MajorAxisName), unitSystem->preferredUnits(UnitSystem::MinorAxisName)});
    const double a = std::max(axisBox.width(), axisBox.height()) + 8;

    const QRectF frame = scene->sceneRect();
    double Rw = frame.width() - (2 * labelBox.width() + 52) - 2 * a;
    double Rh = frame.height() - (2 * labelBox.height() + 52) - 2 * a;
    if (section->isRotated())
        std::swap(Rw, Rh);
    const double s = std::min(Rw / std::max(section->overallWidth(), 0.1), Rh / std::max(section->overallDepth(), 0.1));
    // Without room the scale would mirror the section: only the frame shows.
    if (s > 0) {
        drawSection(s, texts);
        if (section->isRotated())
            for (QGraphicsItem* item : scene->items()) {
                item->setTransformOriginPoint(item->mapFromScene(QPointF(0, 0)));
                item->setRotation(90);
            }
    }
    drawFrame(frame, axisBox);
}

void CrossSectionView::drawSection(double s, const QStringList& texts)
{
    const Drawing drawing = drawingOf(*section, s);
    scene->addPath(drawing.outline, Qt::NoPen, Brush::CrossSection);

    const QFontMetrics metrics(Font::DimensionText, view);
    const bool rectangle = (section->shape() & CrossSection::KindMask) == CrossSection::Rectangle;
    const double depthX = drawing.lines[OverallDepth].x1();
    for (int i = 0; i < DimensionCount; ++i) {
        const QLineF& line = drawing.lines[i];
        if (!isDrawn(line))
            continue;
        const bool alternative = i == TopFlangeOffset || i == BottomFlangeOffset;
        auto* text = new ClickableGraphicsTextItem(texts[i]);
        text->setFont(Font::DimensionText);
        text->setBrush(alternative ? Brush::AltDimensionText : Brush::DimensionText);
        scene->addItem(text);
        connect(text, &ClickableGraphicsTextItem::DoubleClicked, this, editSlots[i]);
        const QRect tight = metrics.tightBoundingRect(texts[i]);
        const double w = tight.width(), h = tight.height();
        // The centre of the glyphs, whose baseline lies at the ascent.
        const QPointF centreOffset = QRectF(tight).translated(0, metrics.ascent()).center();
        const QPointF P1 = line.p1(), P2 = line.p2();

        QPainterPath path;
        switch (i) {
        case OverallDepth:
            path = pathForLinearDimension(line, 3, 16);
            text->setPos(pointForLinearDimensionText(line, h / 2 + 16) - centreOffset);
            text->setTransform(QTransform()
                                   .translate(centreOffset.x(), centreOffset.y())
                                   .rotate(-90)
                                   .translate(-centreOffset.x(), -centreOffset.y()));
            break;
        case WebThickness:
            path = pathForLinearDimension(line, 0, 0);
            text->setPos(P2.x() + 16, P2.y() - h / 2);
            break;
        case TopFlangeWidth:
        case BottomFlangeWidth: {
            const Dimension flangeOffset = i == TopFlangeWidth ? TopFlangeOffset : BottomFlangeOffset;
            const double offset = isDrawn(drawing.lines[flangeOffset]) ? 20 : 16;
            path = pathForLinearDimension(line, 3, offset);
            text->setPos(pointForLinearDimensionText(line, offset + h / 2) - centreOffset);
            break;
        }
        case TopFlangeThickness:
        case BottomFlangeThickness:
            if (rectangle) {
                path = pathForLinearDimension(line, 0, 0);
                text->setPos(P2.x() + 8, P2.y());
            } else {
                path = pathForLinearDimension(line, 3, 16);
                // The text lies level beside a thickness line that stands
                // upright, often no taller than the text: it goes past the
                // ends of the extension lines (3 + 16 pixels out), by half
                // its width, not its height.
                const QPointF n = unitNormal(line);
                const double extent = std::fabs(n.x()) * w / 2 + std::fabs(n.y()) * h / 2;
                text->setPos(pointForLinearDimensionText(line, extent + 19) - centreOffset);
            }
            break;
        // Left of the depth dimension, whose extension lines reach 19 pixels
        // out from the section's left end: 5 more keep the text off them.
        case TopFlangeOffset:
            path = pathForLinearDimension(line, 3, 8);
            text->setPos(depthX - 24 - w, P1.y() - 8 - h / 2);
            break;
        default:
            path = pathForLinearDimension(line, 3, 8);
            text->setPos(depthX - 24 - w, P2.y() + 8 - h / 2);
            break;
        }
        if (alternative)
            scene->addPath(path, Pen::AltDimensionLine, Brush::AltDimensionLine);
        else
            scene->addPath(path, Pen::DimensionLine, Brush::DimensionLine);
    }
}

void CrossSectionView::drawFrame(const QRectF& frame, const QRectF& axisBox)
{
    const double left = frame.left(), right = frame.right(), top = frame.top(), bottom = frame.bottom();
    const double Aw = axisBox.width(), Ah = axisBox.height();
    QPainterPath axes;
    for (const QPointF& end : {QPointF(left + Aw + 8, 0), QPointF(right - Aw - 8, 0), QPointF(0, top + Ah + 8),
                               QPointF(0, bottom - Ah - 8)}) {
        axes.moveTo(end);
        axes.lineTo(0, 0);
    }
    scene->addPath(axes, Pen::Axes, Qt::NoBrush)->setZValue(-1);

    QPainterPath diad;
    diad.addPolygon(QPolygonF({{-32, 0}, {-24, 2}, {-24, -2}, {-32, 0}}));
    diad.addPolygon(QPolygonF({{0, -32}, {-2, -24}, {2, -24}, {0, -32}}));
    diad.moveTo(-24, 0);
    diad.lineTo(0, 0);
    diad.lineTo(0, -24);
    scene->addPath(diad.translated(right - 6, bottom - 6), Pen::Diad, Qt::NoBrush)->setZValue(-1);

    const auto annotation = [this](const QString& text, const QFont& font) {
        QGraphicsSimpleTextItem* item = scene->addSimpleText(text, font);
        item->setBrush(Brush::AnnotationText);
        return item;
    };
    const QString major = unitSystem->preferredUnits(UnitSystem::MajorAxisName);
    const QString minor = unitSystem->preferredUnits(UnitSystem::MinorAxisName);
    for (bool atStart : {true, false}) {
        QGraphicsSimpleTextItem* item = annotation(major, Font::Annotation);
        const QRectF box = item->boundingRect();
        item->setPos(atStart ? left + 2 : right - 2 - box.width(), -box.height() / 2);
        item = annotation(minor, Font::Annotation);
        item->setPos(-item->boundingRect().width() / 2,
                     atStart ? top + 2 : bottom - 2 - item->boundingRect().height());
    }
    QGraphicsSimpleTextItem* caption =
        annotation(tr("Dimensions in %1").arg(unitSystem->preferredUnits(UnitSystem::LengthSmall)),
                   Font::DimensionText);
    caption->setPos(right - 2 - caption->boundingRect().width(), top + 2);
    QGraphicsSimpleTextItem* majorCaption = annotation(QStringLiteral("MAJOR"), Font::Annotation);
    majorCaption->setPos(right - 2, bottom - 2 - majorCaption->boundingRect().width() - 40);
    majorCaption->setRotation(90);
}
