// Forces, positions, spans and axes of the selected loads, from the
// calculator or from dragging a handle. Each is one command without a macro;
// the commands of one drag merge into one undo step.

#include "DocumentModel.h"
#include "EditingActions.h"
#include "StructureCommands.h"

#include "Load.h"
#include "SelectionModel.h"
#include "StructureModel.h"
#include "TrapezoidLoad.h"


#include <algorithm>
#include <cmath>

namespace {

LoadRef masterLoadOf(const CalculatorReference& reference)
{
    return reference.value(QStringLiteral("masterLoad")).value<LoadRef>();
}

// The warning that refuses a change at the index, empty when there is none.
// The index is checked on every load, not on the master alone, so that no
// load is addressed past its last pair.
QString refusalAtIndex(const QList<LoadRef>& loads, const LoadRef& master, int index)
{
    if (loads.isEmpty())
        return EditingActions::tr("No loads are selected");
    const auto lacksPair = [index](const LoadRef& load) { return index >= load->positionedForces().size(); };
    if (index < 0 || lacksPair(master) || std::any_of(loads.begin(), loads.end(), lacksPair))
        return EditingActions::tr("Master selected load has insufficient loading points");
    return QString();
}

// A NaN stands for the replacement, as the span rule asks.
double orIfNaN(double value, double replacement)
{
    return std::isnan(value) ? replacement : value;
}

} // namespace

QList<LoadRef> EditingActions::loadsToChangeAtIndex(const CalculatorReference& reference, int* index)
{
    const LoadRef master = masterLoadOf(reference);
    if (!master || master->positionedForces().isEmpty())
        return {};
    *index = reference.value(QStringLiteral("index")).toInt();
    const QList<LoadRef> loads = aimedAt(selection()->selectedLoadsOfSameKind(master), reference);
    const QString refusal = refusalAtIndex(loads, master, *index);
    if (!refusal.isEmpty()) {
        warn(refusal);
        return {};
    }
    return loads;
}

void EditingActions::subActionSetLoadForceAtIndex(const Vector4& value, const CalculatorReference& reference,
                                                 bool merge)
{
    int index = 0;
    const QList<LoadRef> loads = loadsToChangeAtIndex(reference, &index);
    QMap<LoadRef, double> forces;
    for (const LoadRef& load : loads)
        forces.insert(load, value.x());
    if (!forces.isEmpty())
        push(new CommandSetLoadForceAtIndex(structure(), forces, merge, index));
}

void EditingActions::subActionSetLoadPositionAtIndex(const Vector4& value, const CalculatorReference& reference,
                                                    bool merge)
{
    int index = 0;
    const QList<LoadRef> loads = loadsToChangeAtIndex(reference, &index);
    // The move is tried on a copy of each load, so that its whole new list is
    // known and undo can put back the old one pair for pair.
    QMap<LoadRef, QList<Load::PositionedForce>> pairs;
    for (const LoadRef& load : loads) {
        const LoadRef trial = load->clone();
        trial->setPositionAtIndex(value.x(), index);
        pairs.insert(load, trial->positionedForces());
    }
    if (!pairs.isEmpty())
        push(new CommandSetLoadPairsMerged(structure(), pairs, merge, index));
}

void EditingActions::actionSetLoadForceAtIndex(const Vector4& value, const CalculatorReference& reference)
{
    DocumentWriteGuard guard(document());
    subActionSetLoadForceAtIndex(value, reference, false);
}

void EditingActions::actionSetLoadForceAtIndexMerged(const Vector4& value, const CalculatorReference& reference)
{
    DocumentWriteGuard guard(document());
    subActionSetLoadForceAtIndex(value, reference, true);
}

void EditingActions::actionSetLoadPositionAtIndex(const Vector4& value, const CalculatorReference& reference)
{
    DocumentWriteGuard guard(document());
    subActionSetLoadPositionAtIndex(value, reference, false);
}

void EditingActions::actionSetLoadPositionAtIndexMerged(const Vector4& value, const CalculatorReference& reference)
{
    DocumentWriteGuard guard(document());
    subActionSetLoadPositionAtIndex(value, reference, true);
}

void EditingActions::actionAdjustLoadSpanFromIndex(const Vector4& value, const CalculatorReference& reference)
{
    DocumentWriteGuard guard(document());
    // Written so that a NaN length fails too.
    const double L = value.y() - value.x();
    if (!(L >= 1.52587890625e-05)) {
        warn(tr("Requested load span is too short"));
        return;
    }
    const LoadRef master = masterLoadOf(reference);
    if (!master || master->positionedForces().isEmpty())
        return;

    // value.x() and value.y() are the new ends relative to each load's own
    // midpoint; the span keeps length L where [0, 1] allows.
    QMap<LoadRef, TrapezoidLoad::Span> spans;
    for (const QSharedPointer<TrapezoidLoad>& load : aimedAt(selection()->selectedTrapezoidLoads(), reference)) {
        const TrapezoidLoad::Span present = load->span();
        const double c = (present.first + present.second) * 0.5;
        const double end = std::min(1.0, orIfNaN(std::max(0.0, orIfNaN(c + value.x(), 0.0)) + L, 1.0));
        const double start = orIfNaN(std::max(0.0, end - L), 0.0);
        spans.insert(load, TrapezoidLoad::Span(start, end));
    }
    if (spans.isEmpty()) {
        warn(tr("No loads are selected"));
        return;
    }
    push(new CommandSetTrapezoidLoadsSpan(structure(), spans, false));
}

void EditingActions::actionSetLoadAxis(const LoadAxisRef& axis)
{
    DocumentWriteGuard guard(document());
    QMap<LoadRef, LoadAxisRef> axes;
    for (const LoadRef& load : selection()->selectedLoads())
        axes.insert(load, axis);
    if (axes.isEmpty()) {
        warn(tr("No loads are selected."));
        return;
    }
    push(new CommandSetLoadAxis(structure(), axes));
}
