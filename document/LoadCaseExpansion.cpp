#include "LoadCaseExpansion.h"

#include "AnalysisDisposal.h"
#include "Combination.h"
#include "CrossSection.h"
#include "GeometryGroup.h"
#include "GravityCase.h"
#include "Load.h"
#include "LoadAxis.h"
#include "Loading.h"
#include "Material.h"
#include "Member.h"
#include "SectionType.h"
#include "StopChecks.h"
#include "SwayCase.h"
#include "TrapezoidLoad.h"

#include <QHash>

#include <vector>

#include <cmath>

namespace {

// Steps of work (a load copied or weighed, a load or a component looked at)
// between two questions whether to carry on.
const int stepsBetweenChecks = 1024;

// Super load cases are all or nothing, so one empty case or near-zero factor
// anywhere below empties the whole expansion, and so does a case met again
// within itself. The cases below are therefore ordered first, each before any
// case that holds it, without a call a level, and then expanded in that
// order. Each case is expanded once, however many cases name it. For one
// case, each expansion is kept only until the last case that holds it has
// copied it, so that a chain costs the loads of two of its links at a time;
// for many, every expansion is kept, since each is asked for.
class Expansion
{
public:
    Expansion(const QList<MemberRef>& members, const QList<LoadRef>& loads, bool keepAll,
              const std::function<bool()>& carryOn)
        : members(members), loads(loads), keepAll(keepAll), checks(carryOn, stepsBetweenChecks)
    {
    }
    QList<LoadRef> expand(const LoadCaseRef& loadCase);
    // Room made at once for so many cases' expansions: a table grown as it
    // fills would rehash them all between two checks.
    void reserve(int cases) { expanded.reserve(cases); }
    bool isAbandoned() const { return abandoned; }
    // An expansion of many cases may have made millions of loads and
    // entries: its tables go with the given lists, a piece at a time on the
    // disposal thread, so that neither the next pass nor the program's end
    // waits for them, whether it was abandoned or done.
    void letGo(QList<QList<LoadRef>> lists);

private:
    static SuperLoadCaseRef superCaseOf(const LoadCaseRef& loadCase);
    // Counts a step; false once carryOn has answered false.
    bool step();
    // Every super load case below the given one that is not expanded yet,
    // each after its components; false where the expansion is empty before
    // any load is made.
    bool order(const SuperLoadCaseRef& top);
    QList<LoadRef> own(const LoadCaseRef& loadCase);
    QList<LoadRef> selfWeight(const GravityCase& gravity, const LoadCaseRef& loadCase);
    // The expansion of a component for one case that holds it, given up when
    // the last such case has taken it unless every expansion is kept.
    QList<LoadRef> take(const LoadCaseRef& component);
    // Copies of every component's loads, each scaled by scale(load, factor).
    template <class Scale>
    QList<LoadRef> factored(const SuperLoadCaseRef& superCase, const LoadAxisRef& axis, Scale scale);

    const QList<MemberRef>& members;
    const QList<LoadRef>& loads;
    const bool keepAll;
    StopChecks checks;
    bool abandoned = false;
    // The loads of each loading, in the structure's order, gathered in one
    // pass over the loads when a loading is first asked for.
    QHash<const LoadCase*, QList<LoadRef>> loadsOfLoading;
    bool gathered = false;
    QList<SuperLoadCaseRef> ordered;
    QHash<const LoadCase*, int> holders; // of each component, the cases still to take it
    QHash<const LoadCase*, QList<LoadRef>> expanded;
    // What a case had made when the expansion was abandoned.
    QList<QList<LoadRef>> partial;
};

SuperLoadCaseRef Expansion::superCaseOf(const LoadCaseRef& loadCase)
{
    if (qobject_cast<SwayCase*>(loadCase.data()) || qobject_cast<Combination*>(loadCase.data()))
        return loadCase.staticCast<SuperLoadCase>();
    return SuperLoadCaseRef();
}

void Expansion::letGo(QList<QList<LoadRef>> lists)
{
    lists += partial;
    partial.clear();
    // The lists first: what they share with the hashes goes with the hashes.
    AnalysisDisposal::releaseElsewhere(std::move(lists));
    AnalysisDisposal::releaseElsewhere(std::move(expanded));
    AnalysisDisposal::releaseElsewhere(std::move(loadsOfLoading));
    AnalysisDisposal::releaseElsewhere(std::move(holders));
    AnalysisDisposal::releaseElsewhere(std::move(ordered));
}

bool Expansion::step()
{
    abandoned = checks.stopped();
    return !abandoned;
}

QList<LoadRef> Expansion::expand(const LoadCaseRef& loadCase)
{
    const auto done = expanded.constFind(loadCase.data());
    if (done != expanded.constEnd())
        return done.value();
    const SuperLoadCaseRef top = superCaseOf(loadCase);
    if (!top) {
        const QList<LoadRef> result = own(loadCase);
        if (keepAll && !abandoned)
            expanded.insert(loadCase.data(), result);
        return result;
    }
    ordered.clear();
    if (!order(top))
        return {};
    for (const SuperLoadCaseRef& superCase : qAsConst(ordered)) {
        QList<LoadRef> result;
        if (const SwayCaseRef sway = qSharedPointerObjectCast<SwayCase>(superCase)) {
            const Vector3 t = sway->takeVector();
            const LoadAxisRef axis(VaroObject::make<LoadAxis>(Axis(sway->applyVector(), NodeRef(), true, false)));
            result = factored(superCase, axis, [&](Load& load, double k) {
                load.bringCacheUpToDate();
                return load.globalVector().dot(t) * k;
            });
        } else {
            result = factored(superCase, LoadAxisRef(), [](Load&, double k) { return k; });
        }
        if (abandoned)
            return {};
        // Kept all, an empty case stays to empty those that hold it.
        if (result.isEmpty() && !keepAll)
            return {};
        expanded.insert(superCase.data(), result);
    }
    return expanded.value(top.data());
}

bool Expansion::order(const SuperLoadCaseRef& top)
{
    struct Open
    {
        SuperLoadCaseRef superCase;
        QList<LoadCaseRef> components;
        int next;
    };
    enum State { Opened = 1, Ordered };
    QHash<const LoadCase*, State> states;
    std::vector<Open> stack;
    // Every case still open holds the one that failed: kept all, each is known empty.
    const auto fail = [&] {
        if (keepAll && !abandoned)
            for (const Open& open : stack)
                expanded.insert(open.superCase.data(), QList<LoadRef>());
        return false;
    };
    stack.push_back({top, top->factors().keys(), 0});
    states.insert(top.data(), Opened);
    while (!stack.empty()) {
        if (!step())
            return false;
        Open& open = stack.back();
        if (open.components.isEmpty())
            return fail();
        if (open.next == open.components.size()) {
            states.insert(open.superCase.data(), Ordered);
            ordered.append(open.superCase);
            stack.pop_back();
            continue;
        }
        const LoadCaseRef component = open.components.at(open.next++);
        if (!component || isNearZero(open.superCase->factorForLoadCase(component)))
            return fail();
        ++holders[component.data()];
        const SuperLoadCaseRef below = superCaseOf(component);
        if (!below)
            continue;
        const auto done = expanded.constFind(below.data());
        if (done != expanded.constEnd()) {
            if (done.value().isEmpty())
                return fail();
            continue;
        }
        const State state = states.value(below.data(), State(0));
        if (state == Opened)
            return fail();
        if (state == Ordered)
            continue;
        states.insert(below.data(), Opened);
        stack.push_back({below, below->factors().keys(), 0});
    }
    return true;
}

QList<LoadRef> Expansion::own(const LoadCaseRef& loadCase)
{
    if (qobject_cast<Loading*>(loadCase.data())) {
        if (!gathered) {
            for (const LoadRef& load : loads) {
                if (!step())
                    return {};
                loadsOfLoading[load->loadCase().data()].append(load);
            }
            gathered = true;
        }
        return loadsOfLoading.value(loadCase.data());
    }
    if (auto* gravity = qobject_cast<GravityCase*>(loadCase.data()))
        return selfWeight(*gravity, loadCase);
    return {};
}

QList<LoadRef> Expansion::selfWeight(const GravityCase& gravity, const LoadCaseRef& loadCase)
{
    QList<LoadRef> weights;
    for (const MemberRef& member : members) {
        if (!step()) {
            partial.append(weights);
            return {};
        }
        if (!GeometryGroup::isAnalysed(member->group()))
            continue;
        const SectionTypeRef section = member->sectionType();
        // A section lacking a cross-section or material weighs nothing the
        // analysis could use; like a missing section it empties the case.
        if (!section || !section->crossSection() || !section->material())
            return {};
        const double w = section->crossSection()->area() * section->material()->density() * gravity.acceleration();
        QSharedPointer<TrapezoidLoad> load(VaroObject::make<TrapezoidLoad>(member));
        load->setLoadCase(loadCase);
        load->setAxis(VaroObject::make<LoadAxis>(gravity.axis()));
        load->invalidateCache();
        load->setPositionAndForceAtIndex(Load::PositionedForce(0.0, -w), 0);
        load->setPositionAndForceAtIndex(Load::PositionedForce(1.0, -w), 1);
        weights.append(load);
    }
    return weights;
}

QList<LoadRef> Expansion::take(const LoadCaseRef& component)
{
    const LoadCase* key = component.data();
    auto found = expanded.find(key);
    if (found == expanded.end())
        found = expanded.insert(key, own(component));
    const QList<LoadRef> loads = found.value();
    if (!keepAll && --holders[key] == 0)
        expanded.erase(found);
    return loads;
}

template <class Scale>
QList<LoadRef> Expansion::factored(const SuperLoadCaseRef& superCase, const LoadAxisRef& axis, Scale scale)
{
    QList<LoadRef> result;
    for (const LoadCaseRef& component : superCase->factors().keys()) {
        const double k = superCase->factorForLoadCase(component);
        const QList<LoadRef> componentLoads = take(component);
        if (componentLoads.isEmpty())
            return {};
        for (const LoadRef& load : componentLoads) {
            if (!step()) {
                partial.append(result);
                return {};
            }
            const double s = scale(*load, k);
            if (isNearZero(s))
                continue;
            const LoadRef copy = load->clone();
            copy->setLoadCase(superCase);
            QList<Load::PositionedForce> pairs = copy->positionedForces();
            for (int i = 0; i < pairs.size(); ++i)
                copy->setPositionAndForceAtIndex(Load::PositionedForce(pairs[i].first, pairs[i].second * s), i);
            if (axis)
                copy->setAxis(axis);
            copy->invalidateCache();
            result.append(copy);
        }
    }
    return result;
}

} // namespace

QList<LoadRef> expandLoadCase(const LoadCaseRef& loadCase, const QList<MemberRef>& members,
                              const QList<LoadRef>& loads)
{
    Expansion expansion(members, loads, false, {});
    return expansion.expand(loadCase);
}

bool expandLoadCases(const QList<LoadCaseRef>& loadCases, const QList<MemberRef>& members,
                     const QList<LoadRef>& loads, QList<QList<LoadRef>>* expanded,
                     const std::function<bool()>& carryOn)
{
    Expansion expansion(members, loads, true, carryOn);
    expansion.reserve(loadCases.size());
    QList<QList<LoadRef>> lists;
    lists.reserve(loadCases.size());
    for (const LoadCaseRef& loadCase : loadCases) {
        lists.append(expansion.expand(loadCase));
        if (expansion.isAbandoned()) {
            expansion.letGo(std::move(lists));
            return false;
        }
    }
    *expanded = lists;
    expansion.letGo({});
    return true;
}
