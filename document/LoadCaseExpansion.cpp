#include "LoadCaseExpansion.h"

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
#include "SwayCase.h"
#include "TrapezoidLoad.h"

#include <QSet>

#include <cmath>

namespace {

struct Expansion
{
    const QList<MemberRef>& members;
    const QList<LoadRef>& loads;
    QSet<LoadCase*> path; // super load cases being expanded, against cycles

    QList<LoadRef> expand(const LoadCaseRef& loadCase);
    QList<LoadRef> selfWeight(const GravityCase& gravity, const LoadCaseRef& loadCase) const;
    // Copies of every component's loads, each scaled by scale(load, factor);
    // empty when any component is empty or has a near-zero factor.
    template <class Scale>
    QList<LoadRef> factored(const SuperLoadCaseRef& superCase, const LoadAxisRef& axis, Scale scale);
};

QList<LoadRef> Expansion::expand(const LoadCaseRef& loadCase)
{
    if (!loadCase)
        return {};
    if (qobject_cast<Loading*>(loadCase.data())) {
        QList<LoadRef> own;
        for (const LoadRef& load : loads)
            if (load->loadCase() == loadCase)
                own.append(load);
        return own;
    }
    if (auto* gravity = qobject_cast<GravityCase*>(loadCase.data()))
        return selfWeight(*gravity, loadCase);
    if (const SwayCaseRef sway = qSharedPointerObjectCast<SwayCase>(loadCase)) {
        const Vector3 t = sway->takeVector();
        const LoadAxisRef axis(new LoadAxis(Axis(sway->applyVector(), NodeRef(), true, false)));
        return factored(sway, axis, [&](Load& load, double k) {
            if (!load.isCacheValid())
                load.updateCache();
            return load.globalVector().dot(t) * k;
        });
    }
    if (const CombinationRef combination = qSharedPointerObjectCast<Combination>(loadCase))
        return factored(combination, LoadAxisRef(), [](Load&, double k) { return k; });
    return {};
}

QList<LoadRef> Expansion::selfWeight(const GravityCase& gravity, const LoadCaseRef& loadCase) const
{
    QList<LoadRef> weights;
    for (const MemberRef& member : members) {
        if (!GeometryGroup::isAnalysed(member->group()))
            continue;
        const SectionTypeRef section = member->sectionType();
        // A section lacking a cross-section or material weighs nothing the
        // analysis could use; like a missing section it empties the case.
        if (!section || !section->crossSection() || !section->material())
            return {};
        const double w = section->crossSection()->area() * section->material()->density() * gravity.acceleration();
        QSharedPointer<TrapezoidLoad> load(new TrapezoidLoad(member));
        load->setLoadCase(loadCase);
        load->setAxis(LoadAxisRef(new LoadAxis(gravity.axis())));
        load->invalidateCache();
        load->setPositionAndForceAtIndex(Load::PositionedForce(0.0, -w), 0);
        load->setPositionAndForceAtIndex(Load::PositionedForce(1.0, -w), 1);
        weights.append(load);
    }
    return weights;
}

template <class Scale>
QList<LoadRef> Expansion::factored(const SuperLoadCaseRef& superCase, const LoadAxisRef& axis, Scale scale)
{
    if (path.contains(superCase.data()))
        return {};
    path.insert(superCase.data());
    QList<LoadRef> result;
    const QList<LoadCaseRef> components = superCase->factors().keys();
    for (const LoadCaseRef& component : components) {
        const double k = superCase->factorForLoadCase(component);
        const QList<LoadRef> componentLoads = isNearZero(k) ? QList<LoadRef>() : expand(component);
        if (componentLoads.isEmpty()) {
            result.clear();
            break;
        }
        for (const LoadRef& load : componentLoads) {
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
    path.remove(superCase.data());
    return result;
}

} // namespace

QList<LoadRef> expandLoadCase(const LoadCaseRef& loadCase, const QList<MemberRef>& members,
                              const QList<LoadRef>& loads)
{
    Expansion expansion{members, loads, {}};
    return expansion.expand(loadCase);
}
