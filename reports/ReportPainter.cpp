#include "ReportPainter.h"

#include "DocumentModel.h"
#include "GeometryGroup.h"
#include "LoadCase.h"
#include "Load.h"
#include "Member.h"
#include "Node.h"
#include "PaintHelpers.h"
#include "ReportDrawing.h"
#include "StructureView.h"
#include "VisualConstants.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QRegion>

#include <algorithm>
#include <cmath>

const QString ReportPainter::StyleSheet::Table = QStringLiteral(
    "body { white-space:pre; background-color:#ffffff; color:black; font-family:helvetica; font-size:6pt; "
    "border:none; margin:1px 3px 1px 3px; padding:0 0 0 0; } "
    "table,tr,td,p { margin:0 0 0 0; padding:0 0 0 0; border:none; } "
    "th { font-weight:bold; margin:0 0 0 0; padding:0 0 0 0; border:none;  } "
    "td.warn { font-size:4pt; font-weight:bold; color:#aa0000; } "
    "p { background-color:#ffffff; } "
    "p.number { font-size:8pt; margin:0 0 0 0; padding:0 0 0 0; } "
    "p.overlay { font-size:6pt; margin:0 0 0 0; padding:0 0 0 0; }");

namespace {

const int momentArcFirst = -12, momentArcLast = 72;

QSizeF largestRichTextSize(QPainter* painter, const QStringList& labels)
{
    QSizeF size(0.0, 0.0);
    for (const QString& label : labels) {
        const QSizeF s = iQPainter::richTextSize(painter, QStringLiteral("<p class=\"number\">%1</p>").arg(label),
                                                 ReportPainter::StyleSheet::Table);
        size = size.expandedTo(s);
    }
    return size;
}

QRect roundedRect(const QRectF& r)
{
    return QRect(qRound(r.x()), qRound(r.y()), qRound(r.width()), qRound(r.height()));
}

// The fields joined, the longest shortened first, until the join fits the width.
QString fittedJoin(QStringList fields, const QString& separator, const QFontMetricsF& metrics, qreal width)
{
    for (;;) {
        const qreal excess = metrics.horizontalAdvance(fields.join(separator)) - width;
        int longest = -1;
        qreal longestWidth = 0.0;
        for (int i = 0; i < fields.size(); ++i) {
            const qreal w = metrics.horizontalAdvance(fields.at(i));
            if (w > longestWidth) {
                longest = i;
                longestWidth = w;
            }
        }
        if (excess <= 0.0 || longest < 0)
            break;
        // Too narrow even for the ellipsis, a field is left out.
        const QString shorter = metrics.elidedText(fields.at(longest), Qt::ElideRight, longestWidth - excess);
        if (shorter == fields.at(longest))
            break;
        fields[longest] = shorter;
    }
    return metrics.elidedText(fields.join(separator), Qt::ElideRight, width);
}

} // namespace

ReportPainter::ReportPainter(const QSharedPointer<ReportLayout>& layout, const QSharedPointer<UnitSystem>& unitSystem,
                             const QSharedPointer<StructureView>& structureView)
    : layout(layout), structureView(structureView), unitSystem(unitSystem)
{
    for (int i = momentArcFirst; i <= momentArcLast; ++i) {
        const double a = i * M_PI / 48.0;
        momentArcPoints.append(Vector3(0.5 * std::cos(a), 0.5 * std::sin(a), 0.0));
    }
}

ReportPainter::~ReportPainter() = default;

double ReportPainter::mmX(double mm) const
{
    return mm * painter->device()->logicalDpiX() / 25.4;
}

double ReportPainter::mmY(double mm) const
{
    return mm * painter->device()->logicalDpiY() / 25.4;
}

QRectF ReportPainter::drawTable(const QPointF& anchor, int alignment, const QString& html) const
{
    return iQPainter::drawRichText(painter, anchor, alignment, html, StyleSheet::Table);
}

void ReportPainter::paintPage(int page, QPainter* target, QRect rect)
{
    if (!target || page < 1 || page > layout->pages.size()) {
        painter = nullptr;
        return;
    }
    painter = target;
    painter->save();

    footers.clear();
    headers.clear();
    footerTypes = 0;
    headerTypes = 0;
    pageNumber = page;

    const QPaintDevice* device = painter->device();
    const double dpiX = device->logicalDpiX(), dpiY = device->logicalDpiY();
    plateInset = QSize(qRound(dpiX * 1.27 / 25.4), qRound(dpiY * 1.27 / 25.4));
    resolution = std::hypot(dpiX, dpiY) * ReportDrawing::halfSqrt2;
    letterLabelSize = largestRichTextSize(painter, {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"),
                                                    QStringLiteral("D"), QStringLiteral("E"), QStringLiteral("F")});
    forceLabelSize = largestRichTextSize(painter, {QStringLiteral("FA"), QStringLiteral("FB")});

    const int H = qRound(dpiY * 6.35 / 25.4);
    const int F = qRound(dpiY * 8.47 / 25.4);
    const QRect headerBand(QPoint(rect.left(), rect.top()), QPoint(rect.right(), rect.top() + H));
    const QRect footerBand(QPoint(rect.left(), rect.bottom() - F), QPoint(rect.right(), rect.bottom()));
    const QRect content(QPoint(rect.left(), rect.top() + H), QPoint(rect.right(), rect.bottom() - F));

    for (const ReportLayout::Plate& plate : layout->pages.at(page - 1)) {
        structureCentreAndRadius =
            plate.group ? layout->groupSpheres.value(plate.group.data(), layout->reportSphere) : layout->reportSphere;
        if (layout->viewPoint)
            viewPoint = *layout->viewPoint;
        viewPoint.setFocalPoint(structureCentre());
        viewPoint.setDistance(structureRadius());

        const QRect frame = plate.deviceFrame(content);
        const double r = plate.area.x() + plate.area.width(), b = plate.area.y() + plate.area.height();
        if (r < 0.95 || b < 0.95) {
            iQPainter::setMetricPen(painter, Pens::printItemDivider);
            if (r < 0.95)
                painter->drawLine(frame.topRight(), frame.bottomRight());
            if (b < 0.95)
                painter->drawLine(frame.bottomLeft(), frame.bottomRight());
        }
        paintPlate(plate, frame.adjusted(plateInset.width(), plateInset.height(), -plateInset.width(),
                                         -plateInset.height()));
    }

    iQPainter::setMetricPen(painter, Pens::printHeader);
    painter->drawLine(rect.left(), rect.top() + H, rect.right(), rect.top() + H);
    painter->drawLine(rect.left(), rect.bottom() - F, rect.right(), rect.bottom() - F);
    paintHeader(headerBand);
    paintFooter(footerBand);
    painter->restore();
    painter = nullptr;
}

void ReportPainter::addHeader(HeaderFooterTypes type, const QString& text)
{
    if ((headerTypes & type) == type)
        return;
    headerTypes |= type;
    headers.append(text);
}

void ReportPainter::addFooter(HeaderFooterTypes type, const QString& text)
{
    if ((footerTypes & type) == type)
        return;
    footerTypes |= type;
    footers.append(text);
}

void ReportPainter::paintHeader(const QRect& band) const
{
    painter->save();
    iQPainter::setMetricPen(painter, Pens::printHeader);
    painter->setFont(Fonts::printHeader);
    const QString separator = QStringLiteral("    ");
    const QFontMetricsF metrics(painter->font(), painter->device());
    const qreal width = band.width(), gap = metrics.horizontalAdvance(separator);
    QString name = layout->documentModel->leafName(false);
    QString fields = headers.join(separator);
    const qreal nameWidth = metrics.horizontalAdvance(name), fieldsWidth = metrics.horizontalAdvance(fields);
    if (nameWidth + gap + fieldsWidth > width) {
        // The page's own fields come first, but the file's name keeps a third of the band;
        // it loses its middle, where names that differ seldom do.
        name = metrics.elidedText(name, Qt::ElideMiddle,
                                  std::max(std::min(nameWidth, width / 3.0), width - gap - fieldsWidth));
        fields = fittedJoin(headers, separator, metrics, width - gap - metrics.horizontalAdvance(name));
    }
    painter->drawText(band, Qt::AlignLeft | Qt::AlignTop, name);
    painter->drawText(band, Qt::AlignRight | Qt::AlignTop, fields);
    painter->restore();
}

void ReportPainter::paintFooter(const QRect& band) const
{
    painter->save();
    iQPainter::setMetricPen(painter, Pens::printHeader);
    QStringList lines;
    if (!footers.isEmpty())
        lines.append(footers.mid(0, 3).join(QStringLiteral("    ")));
    if (footers.size() > 3)
        lines.append(footers.mid(3).join(QStringLiteral("    ")));
    painter->setFont(Fonts::printFooter);
    painter->drawText(band, Qt::AlignLeft | Qt::AlignBottom, lines.join(QLatin1Char('\n')));
    painter->setFont(Fonts::printHeader);
    painter->drawText(band, Qt::AlignRight | Qt::AlignBottom, QString::number(pageNumber));
    painter->restore();
}

void ReportPainter::paintPlate(const ReportLayout::Plate& plate, const QRect& rect)
{
    painter->save();
    painter->setClipRect(rect);
    const int cx = (rect.left() + rect.right()) / 2;
    const QPoint centre = rect.center();
    const QString& code = plate.chapter;

    const auto addPlateHeaders = [&](bool withLoadCase) {
        if (withLoadCase && plate.loadCase)
            addHeader(HeaderLoadCase, plate.loadCase->name());
        if (plate.group)
            addHeader(HeaderGroup, plate.group->name());
    };
    // An overview's title sits at the bottom; the picture takes the area above it.
    const auto titledArea = [&](const QString& title) {
        const QRectF drawn = drawTable(QPointF(cx, rect.bottom()), Qt::AlignHCenter | Qt::AlignBottom,
                                       title);
        const QRect above(QPoint(rect.left(), rect.top()), QPoint(rect.right(), qRound(drawn.y())));
        painter->setClipRect(above);
        return above;
    };

    const LoadRef load = plate.object.objectCast<Load>();
    const MemberRef member = plate.object.objectCast<Member>();
    const NodeRef node = plate.object.objectCast<Node>();

    if (code == Report::ChapterGroupCover) {
        paintGroupCoverPlate(plate, rect);
    } else if (code == Report::ChapterLoadCaseCover) {
        paintLoadCaseCoverPlate(plate, rect);
    } else if (code == Report::ChapterLoadInput) {
        if (load && plate.loadCase) {
            addHeader(HeaderLoadingData, QStringLiteral("Loading data"));
            addPlateHeaders(true);
            const QRect forces = roundedRect(drawTable(QPointF(rect.left(), rect.bottom()),
                                                       Qt::AlignLeft | Qt::AlignBottom, loadForceInputTable(load)));
            const QRect positions = roundedRect(drawTable(
                QPointF(rect.right(), rect.bottom()), Qt::AlignRight | Qt::AlignBottom, loadPositionInputTable(load)));
            painter->setClipRegion(QRegion(rect).subtracted(forces).subtracted(positions));
            paintLoadPlate(load, centre, rect);
        }
    } else if (code == Report::ChapterMemberGraphicalResults) {
        if (member && plate.resultCase) {
            addHeader(HeaderMemberResults, QStringLiteral("Member results"));
            addPlateHeaders(true);
            paintMemberGraphicalResults(member, plate.resultCase, rect);
        }
    } else if (code == Report::ChapterMemberInput) {
        if (member) {
            addHeader(HeaderMemberData, QStringLiteral("Member data"));
            addPlateHeaders(false);
            const QRectF table =
                drawTable(QPointF(cx, rect.bottom()), Qt::AlignHCenter | Qt::AlignBottom, memberInputTable(member));
            const QRect above(QPoint(rect.left(), rect.top()), QPoint(rect.right(), qRound(table.y())));
            painter->setClipRect(above);
            paintMemberPlate(member, above.center(), above);
        }
    } else if (code == Report::ChapterNodeGraphicalResults) {
        if (node && plate.resultCase) {
            addHeader(HeaderNodeResults, QStringLiteral("Node results"));
            addPlateHeaders(true);
            const QRectF table = drawTable(QPointF(cx, rect.top()), Qt::AlignHCenter | Qt::AlignTop,
                                           nodeResultsTable(node, plate.resultCase));
            const int tableBottom = qRound(table.y()) + qRound(table.height()) - 1;
            painter->setClipRect(QRect(QPoint(rect.left(), tableBottom), QPoint(rect.right(), rect.bottom())));
            paintNodePlate(node, QPoint(cx, (tableBottom + rect.bottom()) / 2), rect);
        }
    } else if (code == Report::ChapterNodeInput) {
        if (node) {
            addHeader(HeaderNodeData, QStringLiteral("Node data"));
            addPlateHeaders(false);
            const QRect table = roundedRect(
                drawTable(QPointF(rect.left(), rect.top()), Qt::AlignLeft | Qt::AlignTop, nodeInputTable(node)));
            painter->setClipRegion(QRegion(rect).subtracted(table));
            paintNodePlate(node, QPoint(cx, rect.top() + (rect.height() * 3) / 5), rect);
        }
    } else if (code == Report::ChapterReactionsGraphical) {
        if (plate.resultCase && !plate.nodes.isEmpty()) {
            addPlateHeaders(true);
            paintOverviewReactions(plate.resultCase, plate.nodes, titledArea(QStringLiteral("Reactions")));
        }
    } else if (code == Report::ChapterDeflectionsGraphical || code == Report::ChapterShearForcesGraphical
               || code == Report::ChapterBendingMomentsGraphical) {
        if (plate.resultCase && !plate.members.isEmpty()) {
            addPlateHeaders(true);
            if (code == Report::ChapterDeflectionsGraphical)
                paintOverviewDeflections(plate.resultCase, plate.members, titledArea(QStringLiteral("Deflections")));
            else if (code == Report::ChapterShearForcesGraphical)
                paintOverviewShearForces(plate.resultCase, plate.members, titledArea(QStringLiteral("Shear Forces")));
            else
                paintOverviewBendingMoments(plate.resultCase, plate.members,
                                            titledArea(QStringLiteral("Bending Moments")));
        }
    }
    painter->restore();
}
