#include "DemoRunner.h"

#include "DocumentModel.h"
#include "Member.h"
#include "Node.h"
#include "StructureModel.h"
#include "Support.h"
#include "UserDialogs.h"

#include <QRegularExpression>
#include <QTextDocument>

#include <cmath>

namespace {

// Boxes pass on to the dialogs that were in place when the first runner came;
// a box raised inside a window that plays a demonstration is offered to its
// runner first.
class BoxWatch : public UserDialogs
{
public:
    UserDialogs* previous = nullptr;
    int runners = 0;

    QMessageBox::StandardButton message(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                                        QMessageBox::StandardButtons buttons,
                                        QMessageBox::StandardButton defaultButton) override
    {
        for (QObject* object = parent; object; object = object->parent()) {
            auto* runner = object->findChild<DemoRunner*>(QString(), Qt::FindDirectChildrenOnly);
            if (runner) {
                if (runner->takeMessageBox(text))
                    return defaultButton;
                break;
            }
        }
        return previous->message(parent, icon, text, buttons, defaultButton);
    }

    QString fileName(QWidget* parent, bool open, const QString& caption, const QString& startPath,
                     const QString& filters, QString* selectedFilter, bool confirmReplacing) override
    {
        return previous->fileName(parent, open, caption, startPath, filters, selectedFilter, confirmReplacing);
    }
};

BoxWatch boxWatch;

// The text of the first element of this kind ("h1", "h2"), without its
// inner tags; empty when there is none.
QString headingOf(const QString& html, const QString& element)
{
    const QRegularExpression pattern(QStringLiteral("<%1[^>]*>(.*?)</%1>").arg(element),
                                     QRegularExpression::CaseInsensitiveOption |
                                         QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch match = pattern.match(html);
    if (!match.hasMatch())
        return QString();
    return match.captured(1).remove(QRegularExpression(QStringLiteral("<[^>]*>"))).simplified();
}

// What the geometry record holds, measured on a model.
struct GeometryFigures
{
    double nodes = 0.0;
    double members = 0.0;
    double loads = 0.0;
    double supportedNodes = 0.0;
    double pinnedEnds = 0.0;
    double largestCoordinate = 0.0;
    double meanX = 0.0;
    double meanY = 0.0;
    double varianceX = 0.0;
};

GeometryFigures measure(const StructureModel& structure)
{
    GeometryFigures figures;
    const QList<NodeRef> nodes = structure.nodes();
    const QList<MemberRef> members = structure.members();
    figures.nodes = nodes.size();
    figures.members = members.size();
    figures.loads = structure.loads().size();
    double sumX = 0.0, sumY = 0.0, sumXX = 0.0;
    for (const NodeRef& node : nodes) {
        if (!Support::isDofEqualTo(node->support(), Dof()))
            ++figures.supportedNodes;
        const Vector3 p = node->position();
        for (int k = 0; k < 3; ++k)
            figures.largestCoordinate = std::max(figures.largestCoordinate, std::fabs(p[k]));
        sumX += p.x();
        sumY += p.y();
        sumXX += p.x() * p.x();
    }
    for (const MemberRef& member : members)
        figures.pinnedEnds += int(member->pinAtA()) + int(member->pinAtB());
    if (!nodes.isEmpty()) {
        const double n = nodes.size();
        figures.meanX = sumX / n;
        figures.meanY = sumY / n;
        // The population variance, as the scripts work it out by hand.
        figures.varianceX = std::max(0.0, sumXX / n - figures.meanX * figures.meanX);
    }
    return figures;
}

} // namespace

void DemoRunner::watchMessageBoxes(bool on)
{
    if (on) {
        if (boxWatch.runners++ == 0) {
            boxWatch.previous = &UserDialogs::current();
            UserDialogs::install(&boxWatch);
        }
        return;
    }
    if (--boxWatch.runners == 0 && &UserDialogs::current() == &boxWatch)
        UserDialogs::install(boxWatch.previous);
}

bool DemoRunner::takeMessageBox(const QString& text)
{
    if (!isSelfTest() || stateValue == Stopped)
        return false;
    failSelfTest(text);
    return true;
}

void DemoRunner::noteHeadings(const QString& text, int mode)
{
    if (mode == -1) {
        scriptHeading = headingOf(text, QStringLiteral("h1"));
        if (scriptHeading.isEmpty())
            scriptHeading = headingOf(text, QStringLiteral("h2"));
        chapterHeading.clear();
        return;
    }
    const QString chapter = headingOf(text, QStringLiteral("h2"));
    if (!chapter.isEmpty())
        chapterHeading = chapter;
}

// Only the first reason counts: what follows a failure is its consequence.
void DemoRunner::failSelfTest(const QString& reason)
{
    if (!selfTestFailureText.isEmpty())
        return;
    selfTestFailureText = reason;
    setState(Failed);
    // Also cuts short a wait the step had asked for.
    stepTimerValue.start(40);
}

QString DemoRunner::selfTestFailureMessage(const QString& error) const
{
    // Box texts come plain or as HTML.
    const QString reason = selfTestFailureText.isEmpty() ? error : selfTestFailureText;
    return tr("<h2>BIST Failed</h2><p>Script: %1<br>Chapter: %2</p>%3")
        .arg(scriptHeading.toHtmlEscaped(),
             chapterHeading.isEmpty() ? tr("(its opening)") : chapterHeading.toHtmlEscaped(),
             Qt::mightBeRichText(reason) ? reason : QStringLiteral("<p>%1</p>").arg(reason.toHtmlEscaped()));
}

// The geometry record holds one statistics group, then the counts; the
// records of the load cases hold results, which the edition's random load
// factor scales, so they are kept but compared with nothing.
void DemoRunner::addSelfTestRecord()
{
    const QString name = forth->pullD().toString().toLower();
    if (name == QLatin1String("geometry")) {
        QMap<QString, double> values;
        addValuesToBIST(&values);
        for (const char* count : {"nodeCount", "memberCount", "loadCount", "supportCount", "pinnedEndCount"})
            values.insert(QLatin1String(count), forth->pullD().toDouble());
        selfTest.insert(name, values);
        return;
    }
    QMap<QString, double> groups[3];
    for (auto& values : groups)
        addValuesToBIST(&values);
    selfTest.insert(name + QLatin1String(":displacements"), groups[0]);
    selfTest.insert(name + QLatin1String(":reactions"), groups[1]);
    selfTest.insert(name + QLatin1String(":memberforces"), groups[2]);
}

void DemoRunner::compareGeometryRecord()
{
    if (!selfTest.contains(QStringLiteral("geometry")) || !document)
        return;
    const QMap<QString, double> expected = selfTest.value(QStringLiteral("geometry"));
    const GeometryFigures model = measure(*document->structureModel());
    const struct
    {
        const char* key;
        const char* what;
        double measured;
        bool exact;
    } checks[] = {
        {"nodeCount", "nodes", model.nodes, true},
        {"memberCount", "members", model.members, true},
        {"loadCount", "loads", model.loads, true},
        {"supportCount", "supported nodes", model.supportedNodes, true},
        {"pinnedEndCount", "pinned member ends", model.pinnedEnds, true},
        {"maxima", "largest coordinate", model.largestCoordinate, false},
        {"mean1", "mean x", model.meanX, false},
        {"mean2", "mean y", model.meanY, false},
        {"variance", "variance of x", model.varianceX, false},
    };
    QStringList differences;
    for (const auto& check : checks) {
        const double wanted = expected.value(QLatin1String(check.key));
        // The scripts write the statistics with two or three digits.
        const double tolerance = check.exact ? 0.0 : 0.01 + 0.005 * std::fabs(wanted);
        if (std::fabs(check.measured - wanted) > tolerance || std::isnan(check.measured))
            differences << tr("%1: %2 in the model, %3 expected")
                               .arg(tr(check.what), QString::number(check.measured, 'g', 6),
                                    QString::number(wanted, 'g', 6));
    }
    if (!differences.isEmpty())
        failSelfTest(tr("<p>The model is not the one the script describes:</p><ul><li>%1</li></ul>")
                         .arg(differences.join(QStringLiteral("</li><li>"))));
}
