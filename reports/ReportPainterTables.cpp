#include "ReportPainter.h"

#include "AnalysisOutput.h"
#include "CrossSection.h"
#include "DocumentModel.h"
#include "Load.h"
#include "Material.h"
#include "Member.h"
#include "Node.h"
#include "PointLoad.h"
#include "ReportDrawing.h"
#include "SectionType.h"
#include "Support.h"
#include "TorqueLoad.h"
#include "TrapezoidLoad.h"
#include "UnitSystem.h"

#include <cmath>

namespace {

const QString tableBegin = QStringLiteral("<table cellspacing=\"1\" cellpadding=\"0\">");
const QString tableEnd = QStringLiteral("</table>");
const QString threeCellRow = QStringLiteral(
    "<tr><td align=\"right\">%1</td><td align=\"right\"> %2</td><td align=\"left\"> %3</td></tr>");
const QString fourValueRow = QStringLiteral(
    "<tr><td align=\"right\">%1</td><td align=\"right\"> %2,</td><td align=\"right\"> %3,</td>"
    "<td align=\"right\"> %4</td><td align=\"left\"> %5</td></tr>");

double forceAt(const QList<Load::PositionedForce>& pairs, int index)
{
    return index < pairs.size() ? pairs.at(index).second : 0.0;
}

QString labelAt(const QList<QChar>& labels, int index)
{
    return index < labels.size() ? QString(labels.at(index)) : QString();
}

QString blankRows(int written, int columns)
{
    QString rows;
    for (int i = written; i < 5; ++i)
        rows += QStringLiteral("<tr><td colspan=\"%1\">&nbsp;</td></tr>").arg(columns);
    return rows;
}

} // namespace

const AnalysisOutput& ReportPainter::outputScales() const
{
    // Without results every scale is 0, so every number prints as 0.
    static const AnalysisOutput none = [] {
        AnalysisOutput output;
        output.memberForceScales = output.globalDisplacementScales = output.reactionScales = AnalysisOutput::filled(0.0);
        output.localDeflectionScales = Vector3();
        return output;
    }();
    return layout->analysisOutput ? *layout->analysisOutput : none;
}

QString ReportPainter::scaledNumber(double value, double scale, int conversion) const
{
    return unitSystem->preferredStringFromSI(value * scale, UnitSystem::Conversion(conversion), false);
}

QString ReportPainter::nodeInputTable(const NodeRef& node)
{
    const QString units = unitSystem->preferredUnits(UnitSystem::Length);
    const Vector3 p = node->position();
    const QString row = QStringLiteral(
        "<tr><td align=\"right\">%1</td><td align=\"right\"> %2</td><td align=\"left\"> %5</td></tr>");
    QString html = tableBegin;
    const char* labels[] = {"X:", "Y:", "Z:"};
    for (int i = 0; i < 3; ++i)
        html += row.arg(QLatin1String(labels[i])).arg(scaledNumber(p[i], 1.0, UnitSystem::Length), units);
    html += tableEnd;
    addFooter(FooterInitialPosition, QStringLiteral("X,Y,Z:Initial position"));
    return html;
}

QString ReportPainter::memberInputTable(const MemberRef& member)
{
    const QString lengthUnits = unitSystem->preferredUnits(UnitSystem::Length);
    const QString heading1 = QStringLiteral("<b>Member # %1</b>").arg(layout->memberNumbers.value(member, 0));
    const QString heading2 = QStringLiteral("(Nodes %1 - %2)")
                                 .arg(layout->nodeNumbers.value(member->nodeA(), 0))
                                 .arg(layout->nodeNumbers.value(member->nodeB(), 0));

    const SectionTypeRef sectionType = member->sectionType();
    const CrossSectionRef section = sectionType ? sectionType->crossSection() : CrossSectionRef();
    const MaterialRef material = sectionType ? sectionType->material() : MaterialRef();
    QString sectionText;
    if (sectionType)
        sectionText = QStringLiteral("%1 (%2)").arg(
            section ? section->genericSizeName().toHtmlEscaped() : QString(),
            section ? section->names().value(0).toHtmlEscaped() : QString());
    const QString lengthText = QStringLiteral("L = %1 %2")
                                   .arg(scaledNumber(ReportDrawing::memberLength(member), 1.0, UnitSystem::Length), lengthUnits);
    QString materialText;
    if (material)
        materialText = QStringLiteral("%1 : E = %2, G = %3 %4")
                           .arg(material->names().value(0).toHtmlEscaped(),
                                scaledNumber(material->youngsModulus(), 1.0, UnitSystem::YoungsModulus),
                                scaledNumber(material->shearModulus(), 1.0, UnitSystem::ShearModulus),
                                unitSystem->preferredUnits(UnitSystem::YoungsModulus));

    const QString endRow = QStringLiteral(
        "<tr><td align=\"right\">%1 (</td><td align=\"right\"> %2,</td><td align=\"right\"> %3,</td>"
        "<td align=\"right\"> %4</td><td align=\"left\"> ) %5</td></tr>");
    QString ends = tableBegin;
    for (const NodeRef& node : {member->nodeA(), member->nodeB()}) {
        const Vector3 p = positionOf(node);
        ends += endRow.arg(node == member->nodeA() ? QStringLiteral("A") : QStringLiteral("B"),
                           scaledNumber(p.x(), 1.0, UnitSystem::Length), scaledNumber(p.y(), 1.0, UnitSystem::Length),
                           scaledNumber(p.z(), 1.0, UnitSystem::Length), lengthUnits);
    }
    ends += tableEnd;

    return QStringLiteral("<table cellspacing=\"1\" cellpadding=\"0\"><tr><td align=\"center\">%1 &nbsp; %2</td></tr>"
                          "<tr><td align=\"center\">%3 : %4<br>%5</td></tr><tr><td align=\"center\">%6</td></tr>"
                          "</table>")
        .arg(heading1, heading2, sectionText, lengthText, materialText, ends);
}

QString ReportPainter::loadForceInputTable(const LoadRef& load)
{
    const QList<Load::PositionedForce> pairs = load->positionedForces();
    const auto row = [&](const char* symbol, double value, UnitSystem::Conversion conversion) {
        return threeCellRow.arg(QLatin1String(symbol))
            .arg(scaledNumber(value, 1.0, conversion), unitSystem->preferredUnits(conversion));
    };
    QString html = tableBegin;
    if (qobject_cast<PointLoad*>(load.data())) {
        html += row("F", forceAt(pairs, 0), UnitSystem::LoadForce);
        addFooter(FooterForce, QStringLiteral("F:Force"));
    } else if (qobject_cast<TorqueLoad*>(load.data())) {
        html += row("T", forceAt(pairs, 0), UnitSystem::LoadTorque);
        addFooter(FooterTorque, QStringLiteral("T:Torque"));
    } else if (qobject_cast<TrapezoidLoad*>(load.data())) {
        html += row("FA", forceAt(pairs, 0), UnitSystem::LoadForcePerLength);
        html += row("FB", forceAt(pairs, 1), UnitSystem::LoadForcePerLength);
        addFooter(FooterForce, QStringLiteral("F:Force"));
    }
    return html + tableEnd;
}

QString ReportPainter::loadPositionInputTable(const LoadRef& load)
{
    addFooter(FooterLoadPosition, QStringLiteral("A,B:Load position"));
    const QList<Load::PositionedForce> pairs = load->positionedForces();
    const double L = ReportDrawing::memberLength(load->member());
    double a = 0.0, b = 0.0, s = 0.0;
    if (qobject_cast<PointLoad*>(load.data()) || qobject_cast<TorqueLoad*>(load.data())) {
        a = pairs.isEmpty() ? 0.5 : pairs.first().first;
        b = 1.0 - a;
    } else if (const auto* trapezoid = qobject_cast<TrapezoidLoad*>(load.data())) {
        a = pairs.isEmpty() ? 0.0 : pairs.first().first;
        b = 1.0 - (pairs.size() < 2 ? 1.0 : pairs.at(1).first);
        s = trapezoid->spanAB();
    }
    const QString units = unitSystem->preferredUnits(UnitSystem::Length);
    const auto row = [&](const char* symbol, double fraction) {
        return threeCellRow.arg(QLatin1String(symbol)).arg(scaledNumber(fraction * L, 1.0, UnitSystem::Length), units);
    };
    QString html = tableBegin;
    if (std::fabs(a) >= ReportDrawing::tiny)
        html += row("A", a);
    if (std::fabs(s) >= ReportDrawing::tiny) {
        html += row("L", s);
        addFooter(FooterLoadSpan, QStringLiteral("L:Load span"));
    }
    if (std::fabs(b) >= ReportDrawing::tiny)
        html += row("B", b);
    return html + tableEnd;
}

QString ReportPainter::memberBlockTitle(const QString& title, const QString& second) const
{
    Q_UNUSED(second)
    return QStringLiteral("<table cellspacing=\"1\" cellpadding=\"0\"><tr><th align=\"center\"><b>%1</b></th></tr>"
                          "</table>")
        .arg(title);
}

QString ReportPainter::memberBlockTableX(const QSharedPointer<AnalysisResultCase>& resultCase, const MemberRef& member,
                                         const QList<double>& positions, const QList<QChar>& labels) const
{
    const Vector6 scale = DocumentModel::scaleForMemberForces(outputScales().memberForceScales, unitSystem);
    QString html = QStringLiteral(
        "<table cellspacing=\"1\" cellpadding=\"0\"><tr><td colspan=\"3\" align=\"center\" class=\"warn\">"
        "NOT ACTUAL RESULTS</td></tr><tr><th></th><th> P</th><th> T</th></tr>");
    const QString row = QStringLiteral(
        "<tr><td align=\"right\">%1 </td><td align=\"right\"> %2,</td><td align=\"right\"> %3</td></tr>");
    for (int i = 0; i < positions.size(); ++i) {
        const Vector6 f = resultCase->forceAtPositionOnMember(member, positions.at(i));
        html += row.arg(labelAt(labels, i), scaledNumber(f[0], scale[0], UnitSystem::AxialForce),
                        scaledNumber(f[3], scale[3], UnitSystem::TorsionMoment));
    }
    return html + blankRows(positions.size(), 3) + tableEnd;
}

QString ReportPainter::memberBlockTableYZ(const QSharedPointer<AnalysisResultCase>& resultCase,
                                          const MemberRef& member, const QList<double>& positions,
                                          const QList<QChar>& labels, bool major) const
{
    const AnalysisOutput& output = outputScales();
    const Vector6 forceScale = DocumentModel::scaleForMemberForces(output.memberForceScales, unitSystem);
    const Vector3 deflectionScale = DocumentModel::scaleForLocalDeflections(output.localDeflectionScales, unitSystem);
    // Major: local y deflection, Vy, Mz; minor: local z deflection, Vz, My.
    const int d = major ? 1 : 2, V = major ? 1 : 2, M = major ? 5 : 4;
    QString html = QStringLiteral(
        "<table cellspacing=\"1\" cellpadding=\"0\"><tr><td colspan=\"4\" align=\"center\" class=\"warn\">"
        "NOT ACTUAL RESULTS</td></tr><tr><th></th><th> d</th><th> V</th><th> M</th></tr>");
    const QString row = QStringLiteral("<tr><td align=\"right\">%1 </td><td align=\"right\"> %2,</td>"
                                       "<td align=\"right\"> %3,</td><td align=\"right\"> %4</td></tr>");
    for (int i = 0; i < positions.size(); ++i) {
        const double t = positions.at(i);
        const Vector3 deflection = resultCase->deflectionAtPositionOnMember(member, t);
        const Vector6 f = resultCase->forceAtPositionOnMember(member, t);
        html += row.arg(labelAt(labels, i), scaledNumber(deflection[d], deflectionScale[d], UnitSystem::Distance),
                        scaledNumber(f[V], forceScale[V], UnitSystem::ShearForce),
                        scaledNumber(f[M], forceScale[M], UnitSystem::BendingMoment));
    }
    return html + blankRows(positions.size(), 4) + tableEnd;
}

QString ReportPainter::nodeResultsTable(const NodeRef& node, const QSharedPointer<AnalysisResultCase>& resultCase)
{
    const AnalysisOutput& output = outputScales();
    const auto row = [&](const char* label, const Vector3& v, const double* scale, UnitSystem::Conversion conversion,
                         const QString& units) {
        return fourValueRow.arg(QLatin1String(label))
            .arg(scaledNumber(v.x(), scale[0], conversion), scaledNumber(v.y(), scale[1], conversion),
                 scaledNumber(v.z(), scale[2], conversion), units);
    };
    const double unscaled[3] = {1.0, 1.0, 1.0};
    QString html = tableBegin;
    html += row("@:", node->position(), unscaled, UnitSystem::Length, unitSystem->preferredUnits(UnitSystem::Length));
    addFooter(FooterResultPosition, QStringLiteral("@:Initial position"));

    const auto halves = [](const Vector6& v, int first) { return Vector3(v[first], v[first + 1], v[first + 2]); };
    const Vector6 displacement = resultCase->nodeDisplacements.value(node, Vector6::zeroed());
    const Vector6 displacementScale =
        DocumentModel::scaleForGlobalDisplacements(output.globalDisplacementScales, unitSystem);
    html += row("Dt:", halves(displacement, 0), displacementScale.data(), UnitSystem::Distance, QString());
    html += row("Dr:", halves(displacement, 3), displacementScale.data() + 3, UnitSystem::Rotation, QString());
    addFooter(FooterDisplacements, QStringLiteral("D:Global displacements"));

    const SupportRef support = node->support();
    if (support && int(support->dof()) != 0) {
        const Vector6 reaction = resultCase->nodeReactions.value(node, Vector6::zeroed());
        const Vector6 reactionScale = DocumentModel::scaleForReactions(output.reactionScales, unitSystem);
        html += row("Rf:", halves(reaction, 0), reactionScale.data(), UnitSystem::ReactionForce, QString());
        html += row("Rm:", halves(reaction, 3), reactionScale.data() + 3, UnitSystem::ReactionTorque, QString());
        addFooter(FooterReactions, QStringLiteral("R:Reactions"));
    }
    html += QStringLiteral("<tr><td colspan=\"5\" align=\"center\" class=\"warn\">NOT ACTUAL RESULTS</td></tr>");
    return html + tableEnd;
}
