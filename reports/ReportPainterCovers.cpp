#include "ReportPainter.h"

#include "Combination.h"
#include "DocumentModel.h"
#include "GeometryGroup.h"
#include "Load.h"
#include "Member.h"
#include "Node.h"
#include "PaintHelpers.h"
#include "PointLoad.h"
#include "ReportDrawing.h"
#include "ReportPictures.h"
#include "SwayCase.h"
#include "Titles.h"
#include "TorqueLoad.h"
#include "TrapezoidLoad.h"
#include "UnitSystem.h"
#include "VisualConstants.h"

#include <QAbstractTextDocumentLayout>
#include <QImage>
#include <QPainter>
#include <QTextDocument>
#include <QTextOption>

#include <algorithm>
#include <cmath>

namespace {

const QString headingRow =
    QStringLiteral("<tr><td align=\"right\" class=\"headingL\">%1:</td><td class=\"headingR\">%2</td></tr>");
const QString coverStyleSheet = QStringLiteral(
    "th,td { padding:0 8px 0 8px; } td.headingL { font-size:12pt; font-weight:bold; text-align:right; } "
    "td.headingR { font-size:12pt; font-weight:bold; text-align:left; }");
const QString ruleRow = QStringLiteral("<tr><td colspan=\"2\"><hr></td></tr>");

// A node or member counts as analysed without a group or in a group with
// the analysis purpose.
template <class T>
bool isAnalysed(const QSharedPointer<T>& object)
{
    const GeometryGroupRef group = object->group();
    return !group || group->hasAnalysisPurpose();
}

double massOf(const MemberRef& member)
{
    return member->isCacheValid() ? member->mass() : 0.0;
}

Vector3 magnitudes(const Vector3& v)
{
    return Vector3(std::fabs(v.x()), std::fabs(v.y()), std::fabs(v.z()));
}

int signOf(double x)
{
    return (x > 0.0) - (x < 0.0);
}

// The geometry shared by both cover pages: three bands of height h, the
// upper divider at yB and the lower at yC.
struct CoverGeometry
{
    int L, T, R, B, W, h, yB, yC, rx, ry, m5, hw, gy;

    CoverGeometry(const QRect& rect, int gy, double dpiX, double dpiY)
        : L(rect.left()), T(rect.top()), R(rect.right()), B(rect.bottom()), W(rect.width()),
          h((rect.height() - 4 * gy) / 3), yB(0), yC(0), rx(qRound(dpiX * 12.7 / 25.4)), ry(qRound(dpiY * 12.7 / 25.4)),
          m5(qRound(dpiY * 5.0 / 25.4)), hw(W / 2 - rx), gy(gy)
    {
        yC = B - h - gy;
        yB = yC - h - 2 * gy;
    }
    QRect middleLeft() const { return QRect(QPoint(L, yB + gy), QPoint(L + hw - 1, yB + gy + h - 1)); }
    QRect middleRight() const { return QRect(QPoint(R - hw, yB + gy), QPoint(R - 1, yB + gy + h - 1)); }
    QRect bottomLeft() const { return QRect(QPoint(L, B - h), QPoint(L + hw - 1, B - 1)); }
    QRect bottomRight() const { return QRect(QPoint(R - hw, B - h), QPoint(R - 1, B - 1)); }
    QRect triad() const { return QRect(QPoint(L + W / 2 - rx, yC - ry), QPoint(L + W / 2 + rx, yC + ry)); }
    QRect lessLabel(const QRect& area) const { return area.adjusted(0, 0, 0, -m5); }
};

} // namespace

// Titles and names are the user's text, escaped so that they print as typed.
QString ReportPainter::titleRows(const QString& rowTemplate) const
{
    QString rows;
    if (const TitlesRef titles = layout->documentModel->titles())
        for (int i = 0; i < titles->lineCount(); ++i) {
            const QString first = titles->title(i, 0), second = titles->title(i, 1);
            if (!first.isEmpty() || !second.isEmpty())
                rows += rowTemplate.arg(first.toHtmlEscaped(), second.toHtmlEscaped());
        }
    if (rows.isEmpty())
        rows = rowTemplate.arg(QStringLiteral("Project name"), layout->documentModel->leafName(false).toHtmlEscaped());
    return rows;
}

int ReportPainter::paintAxesPicture(const QRect& rect, int yB) const
{
    // One picture for every cover of the report, and once in a PDF file.
    const QImage picture = layout->pictures->picture(
        QByteArrayLiteral("axes"), [] { return QImage(QStringLiteral(":/pdfAxes.png"), "PNG"); });
    // A damaged installation may lack the picture; its height would divide by zero.
    if (picture.isNull() || picture.height() <= 0)
        return 0;
    const int hp = yB - rect.top() - plateInset.height();
    // At most a third of the width, so that the titles keep two thirds of the band.
    const int wp = std::min((picture.width() * hp) / picture.height(), rect.width() / 3);
    const int height = (picture.height() * wp) / picture.width();
    painter->drawImage(QRect(rect.right() - wp, rect.top() + (hp - height) / 2, wp, height), picture);
    return wp;
}

void ReportPainter::paintCoverBlock(const QString& html, const QRect& area) const
{
    QTextDocument document;
    document.setUseDesignMetrics(true);
    document.setDocumentMargin(0);
    document.documentLayout()->setPaintDevice(painter->device());
    // Lines break between words only: a word longer than the area shrinks the block instead.
    QTextOption option = document.defaultTextOption();
    option.setWrapMode(QTextOption::WordWrap);
    document.setDefaultTextOption(option);
    document.setDefaultStyleSheet(coverStyleSheet);
    document.setHtml(QStringLiteral("<body>%1</body>").arg(html));

    QSizeF size = document.size();
    if (size.width() > area.width()) {
        document.setTextWidth(area.width());
        size = QSizeF(document.idealWidth(), document.size().height());
    }
    const double scale = std::min({1.0, area.width() / size.width(), area.height() / size.height()});
    painter->save();
    painter->translate(area.left() + (area.width() - size.width() * scale) / 2.0,
                       area.top() + (area.height() - size.height() * scale) / 2.0);
    painter->scale(scale, scale);
    document.drawContents(painter);
    painter->restore();
}

void ReportPainter::paintCoverDividers(const QRect& rect) const
{
    const CoverGeometry g(rect, plateInset.height(), painter->device()->logicalDpiX(),
                          painter->device()->logicalDpiY());
    const int mid = g.L + g.W / 2;
    iQPainter::setMetricPen(painter, Pens::printItemDivider);
    painter->setBrush(Qt::NoBrush);
    painter->drawLine(g.L, g.yB, g.L + g.W, g.yB);
    painter->drawEllipse(QPoint(mid, g.yC), g.rx, g.ry);
    painter->drawLine(g.L, g.yC, mid - g.rx, g.yC);
    painter->drawLine(mid + g.rx, g.yC, g.L + g.W, g.yC);
    painter->drawLine(mid, g.B, mid, g.yC + g.ry);
    painter->drawLine(mid, g.yC - g.ry, mid, g.yB);
}

void ReportPainter::paintGroupCoverPlate(const ReportLayout::Plate& plate, const QRect& rect) const
{
    painter->save();
    const CoverGeometry g(rect, plateInset.height(), painter->device()->logicalDpiX(),
                          painter->device()->logicalDpiY());
    const int wp = paintAxesPicture(rect, g.yB);
    const int hp = g.yB - g.T - g.gy;
    paintGroupCoverInformation(plate.group, plate.nodes, plate.members,
                               QRect(QPoint(g.L, g.T), QPoint(g.R - wp - plateInset.width() - 1, g.T + hp - 1)));
    paintOverviewNodes(plate.nodes, g.lessLabel(g.middleLeft()));
    paintOverviewMembers(plate.members, g.lessLabel(g.middleRight()));
    paintOverviewRendered(plate.group, g.bottomLeft());
    paintCoverDividers(rect);
    paintTriad(g.triad());
    painter->setFont(Fonts::printHighlight);
    painter->setPen(Qt::black);
    painter->drawText(g.middleLeft(), Qt::AlignHCenter | Qt::AlignBottom, QStringLiteral("Reported nodes"));
    painter->drawText(g.middleRight(), Qt::AlignHCenter | Qt::AlignBottom, QStringLiteral("Reported members"));
    painter->restore();
}

void ReportPainter::paintGroupCoverInformation(const GroupRef& group, const QList<NodeRef>& nodes,
                                               const QList<MemberRef>& members, const QRect& rect) const
{
    paintCoverBlock(groupCoverInformation(group, nodes, members), rect);
}

QString ReportPainter::groupCoverInformation(const GroupRef& group, const QList<NodeRef>& nodes,
                                             const QList<MemberRef>& members) const
{
    QString html = QStringLiteral("<table cellspacing=\"1\" cellpadding=\"0\">") + titleRows(headingRow);
    if (group)
        html += headingRow.arg(QStringLiteral("Group"), group->name().toHtmlEscaped());
    html += ruleRow;

    int analysedNodes = 0, analysedMembers = 0;
    double totalMass = 0.0, analysedMass = 0.0, reportedMass = 0.0;
    for (const NodeRef& node : qAsConst(layout->nodes))
        analysedNodes += isAnalysed(node) ? 1 : 0;
    for (const MemberRef& member : qAsConst(layout->members)) {
        const double mass = massOf(member);
        totalMass += mass;
        if (isAnalysed(member)) {
            ++analysedMembers;
            analysedMass += mass;
        }
    }
    for (const MemberRef& member : members)
        reportedMass += massOf(member);

    const QString countRow = QStringLiteral(
        "<tr><td align=\"right\">%1</td><td align=\"right\">%2</td><td align=\"right\">%3</td>"
        "<td align=\"right\">%4</td><td>%5</td></tr>");
    const auto mass = [&](double value) { return scaledNumber(value, 1.0, UnitSystem::Mass); };
    html += QStringLiteral("<tr><td colspan=\"2\"><table cellspacing=\"1\" cellpadding=\"0\">"
                           "<tr><th></th><th>Total</th><th>Analysed</th><th>Reported</th><th></th></tr>");
    html += countRow.arg(QStringLiteral("Node count"), QString::number(layout->nodes.size()),
                         QString::number(analysedNodes), QString::number(nodes.size()), QString());
    html += countRow.arg(QStringLiteral("Member count"), QString::number(layout->members.size()),
                         QString::number(analysedMembers), QString::number(members.size()), QString());
    html += countRow.arg(QStringLiteral("Mass"), mass(totalMass), mass(analysedMass), mass(reportedMass),
                         unitSystem->preferredUnits(UnitSystem::Mass));
    return html + QStringLiteral("</table></td></tr></table>");
}

void ReportPainter::paintLoadCaseCoverPlate(const ReportLayout::Plate& plate, const QRect& rect) const
{
    painter->save();
    const CoverGeometry g(rect, plateInset.height(), painter->device()->logicalDpiX(),
                          painter->device()->logicalDpiY());
    const QList<LoadRef> loads = layout->loadsByLoadCase.value(plate.loadCase);
    const int wp = paintAxesPicture(rect, g.yB);
    const int hp = g.yB - g.T - g.gy;
    paintLoadCaseCoverInformation(plate.loadCase, plate.group, loads,
                                  QRect(QPoint(g.L, g.T), QPoint(g.R - wp - plateInset.width() - 1, g.T + hp - 1)));
    paintCoverDividers(rect);
    paintOverviewNodes(plate.nodes, g.lessLabel(g.middleLeft()));
    paintOverviewMembers(plate.members, g.lessLabel(g.middleRight()));
    paintOverviewLoads(loads, g.lessLabel(g.bottomRight()));
    paintTriad(g.triad());
    painter->setFont(Fonts::printHighlight);
    painter->setPen(Qt::black);
    painter->drawText(g.middleLeft(), Qt::AlignHCenter | Qt::AlignBottom, QStringLiteral("Reported nodes"));
    painter->drawText(g.middleRight(), Qt::AlignHCenter | Qt::AlignBottom, QStringLiteral("Reported members"));
    painter->drawText(g.bottomRight(), Qt::AlignHCenter | Qt::AlignBottom, QStringLiteral("All loads in loadcase"));
    painter->restore();
}

void ReportPainter::paintLoadCaseCoverInformation(const LoadCaseRef& loadCase, const GroupRef& group,
                                                  const QList<LoadRef>& loads, const QRect& rect) const
{
    paintCoverBlock(loadCaseCoverInformation(loadCase, group, loads), rect);
}

QString ReportPainter::loadCaseCoverInformation(const LoadCaseRef& loadCase, const GroupRef& group,
                                                const QList<LoadRef>& loads) const
{
    QString html = QStringLiteral("<table cellspacing=\"1\" cellpadding=\"0\">") + titleRows(headingRow);
    if (group)
        html += headingRow.arg(QStringLiteral("Group"), group->name().toHtmlEscaped());
    if (loadCase) {
        QString kind = QStringLiteral("Loadcase");
        if (qobject_cast<Combination*>(loadCase.data()))
            kind = QStringLiteral("Combination");
        else if (qobject_cast<SwayCase*>(loadCase.data()))
            kind = QStringLiteral("Swaycase");
        html += headingRow.arg(kind, loadCase->name().toHtmlEscaped());
    }
    html += ruleRow;

    int points = 0, moments = 0, trapezoids = 0;
    Vector3 gross, net;
    for (const LoadRef& load : loads) {
        if (!load->isCacheValid())
            continue;
        const Vector3 v = load->globalVector();
        const QList<Load::PositionedForce> pairs = load->positionedForces();
        const double a = pairs.size() > 0 ? pairs.at(0).second : 0.0;
        if (qobject_cast<PointLoad*>(load.data())) {
            ++points;
            gross += magnitudes(v) * std::fabs(a);
            net += v * a;
        } else if (qobject_cast<TorqueLoad*>(load.data())) {
            ++moments;
        } else if (const auto* trapezoid = qobject_cast<TrapezoidLoad*>(load.data())) {
            ++trapezoids;
            const double l = trapezoid->spanAB() * ReportDrawing::memberLength(load->member());
            const double b = pairs.size() > 1 ? pairs.at(1).second : 0.0;
            net += v * ((a + b) * l / 2.0);
            const double sum = std::fabs(a) + std::fabs(b);
            // A load that changes sign counts the areas of its two triangles.
            const double g = signOf(a) != signOf(b) && sum >= ReportDrawing::tiny ? (a * a + b * b) / sum : sum;
            gross += magnitudes(v) * (g * l / 2.0);
        }
    }
    const QString countRow = QStringLiteral("<tr><td align=\"right\">%1 loads:</td><td>%2</td></tr>");
    html += countRow.arg(QStringLiteral("Point")).arg(points);
    html += countRow.arg(QStringLiteral("Moment")).arg(moments);
    html += countRow.arg(QStringLiteral("Trapezoid")).arg(trapezoids);
    html += ruleRow;
    html += QStringLiteral("<tr><td colspan=\"2\"><table cellspacing=\"1\" cellpadding=\"0\">"
                           "<tr><th align=\"right\">Total linear</th><th>Fx</th><th>Fy</th><th>Fz</th></tr>");
    const QString forceRow = QStringLiteral(
        "<tr><td align=\"right\">%1</td><td align=\"right\">%2</td><td align=\"right\">%3</td>"
        "<td align=\"right\">%4</td><td>%5</td></tr>");
    const QString units = unitSystem->preferredUnits(UnitSystem::LoadForce);
    const auto force = [&](double value) { return scaledNumber(value, 1.0, UnitSystem::LoadForce); };
    html += forceRow.arg(QStringLiteral("Gross force"), force(gross.x()), force(gross.y()), force(gross.z()), units);
    html += forceRow.arg(QStringLiteral("Net force"), force(net.x()), force(net.y()), force(net.z()), units);
    return html + QStringLiteral("</table></td></tr></table>");
}
