#include "AnalysisResultCase.h"

#include "AnalysisLoadCase.h"
#include "AnalysisPointLoad.h"
#include "AnalysisSource.h"
#include "AnalysisTrapezoidLoad.h"
#include "Combination.h"
#include "MemberAxes.h"
#include "Member.h"
#include "Node.h"

#include <algorithm>
#include <cmath>

AnalysisResultCase::AnalysisResultCase(const QSharedPointer<AnalysisLoadCase>& analysisLoadCase)
    : loadCase(analysisLoadCase->loadCase),
      memberPointLoads(analysisLoadCase->memberPointLoads),
      memberTrapezoidLoads(analysisLoadCase->memberTrapezoidLoads)
{
    for (const QSharedPointer<AnalysisSourcePointLoad>& p : analysisLoadCase->pointLoads)
        if (p->analysisLoad && p->analysisLoad->isOnMember())
            pointLoads.append(p->analysisLoad.staticCast<AnalysisPointLoad>());
    for (const QSharedPointer<AnalysisSourceTrapezoidLoad>& q : analysisLoadCase->trapezoidLoads)
        trapezoidLoads.append(q->analysisLoad);
}

bool AnalysisResultCase::contains(const VaroObjectRef& object) const
{
    if (const NodeRef node = qSharedPointerObjectCast<Node>(object))
        return sourceNodes.contains(node);
    if (const MemberRef member = qSharedPointerObjectCast<Member>(object))
        return sourceMembers.contains(member);
    return false;
}

bool AnalysisResultCase::isSecondOrder() const
{
    const auto* combination = qobject_cast<const Combination*>(loadCase.data());
    return combination && combination->isSecondOrder();
}

namespace {

// What the queries along one member look up in the maps, looked up once
// while the member's statistics are derived, which query it hundreds of
// times. Held per thread, as members are derived side by side, and only for
// the duration of one derivation, while the maps stay as they are.
struct MemberFocus
{
    const AnalysisResultCase* resultCase = nullptr;
    const Member* member = nullptr;
    QSharedPointer<AnalysisSourceMember> source;
    const Vector12* endForces = nullptr;
    Vector6 displacementA, displacementB;
    QMultiMap<MemberRef, QSharedPointer<AnalysisSourcePointLoad>>::const_iterator pointLoads, pointLoadsEnd;
    QMultiMap<MemberRef, QSharedPointer<AnalysisSourceTrapezoidLoad>>::const_iterator trapezoidLoads,
        trapezoidLoadsEnd;
};

thread_local const MemberFocus* focus = nullptr;

const MemberFocus* focusOn(const AnalysisResultCase* resultCase, const Member* member)
{
    return focus && focus->resultCase == resultCase && focus->member == member ? focus : nullptr;
}

// The member's end forces; none when it has none.
const Vector12* endForcesOf(const AnalysisResultCase& c, const MemberRef& member)
{
    if (const MemberFocus* f = focusOn(&c, member.data()))
        return f->endForces;
    const auto e = c.memberEndForces.constFind(member);
    return e != c.memberEndForces.cend() ? &*e : nullptr;
}

class FocusGuard
{
public:
    FocusGuard(const AnalysisResultCase& c, const MemberRef& member) : previous(focus)
    {
        f.resultCase = &c;
        f.member = member.data();
        f.source = c.sourceMembers.value(member);
        f.endForces = endForcesOf(c, member);
        if (f.source) {
            f.displacementA = c.nodeDisplacements.value(f.source->nodeA->node, Vector6::zeroed());
            f.displacementB = c.nodeDisplacements.value(f.source->nodeB->node, Vector6::zeroed());
        }
        f.pointLoads = c.memberPointLoads.constFind(member);
        f.pointLoadsEnd = c.memberPointLoads.cend();
        f.trapezoidLoads = c.memberTrapezoidLoads.constFind(member);
        f.trapezoidLoadsEnd = c.memberTrapezoidLoads.cend();
        focus = &f;
    }
    ~FocusGuard() { focus = previous; }

private:
    MemberFocus f;
    const MemberFocus* previous;
};

} // namespace

QSharedPointer<AnalysisSourceMember> AnalysisResultCase::sourceMemberOf(const MemberRef& member) const
{
    if (const MemberFocus* f = focusOn(this, member.data()))
        return f->source;
    return sourceMembers.value(member);
}

namespace {

// Calls visit(load) for the member's point loads that act in its span and
// visitTrapezoid(load) for its trapezoid loads.
template <class PointVisit, class TrapezoidVisit>
void forMemberLoads(const AnalysisResultCase& c, const MemberRef& member, PointVisit visit,
                    TrapezoidVisit visitTrapezoid)
{
    const MemberFocus* f = focusOn(&c, member.data());
    for (auto it = f ? f->pointLoads : c.memberPointLoads.constFind(member);
         it != c.memberPointLoads.cend() && it.key() == member; ++it)
        if ((*it)->analysisLoad && (*it)->analysisLoad->isOnMember())
            visit(static_cast<const AnalysisPointLoad&>(*(*it)->analysisLoad));
    for (auto it = f ? f->trapezoidLoads : c.memberTrapezoidLoads.constFind(member);
         it != c.memberTrapezoidLoads.cend() && it.key() == member; ++it)
        if ((*it)->analysisLoad)
            visitTrapezoid(*(*it)->analysisLoad);
}

} // namespace

void AnalysisResultCase::accumulateDeflectionFromEndForces(const QSharedPointer<AnalysisSourceMember>& member,
                                                           double t, Vector3* deflection) const
{
    const Vector12* e = endForcesOf(*this, member->member);
    const Vector12 f = e ? *e : Vector12(Vector12::zeroed());
    const AnalysisSection& s = *member->section;
    const double L = member->length;
    const double x = t * L, r = L - x;
    // A simply supported span under its two end moments.
    const double f1 = 3.0 * x * x - x * x * x / L - 2.0 * L * x;
    const double f2 = 3.0 * r * r - r * r * r / L - 2.0 * L * r;
    (*deflection)[1] += (f[11] * f2 - f[5] * f1) / (6.0 * s.E * s.Iz);
    (*deflection)[2] += (f[4] * f1 - f[10] * f2) / (6.0 * s.E * s.Iy);
}

Vector3 AnalysisResultCase::deflectionAtPositionOnMember(const MemberRef& member, double t) const
{
    Vector3 d;
    const QSharedPointer<AnalysisSourceMember> sm = sourceMemberOf(member);
    if (!sm)
        return d;
    accumulateDeflectionFromEndForces(sm, t, &d);
    const AnalysisSection& s = *sm->section;
    forMemberLoads(
        *this, member,
        [&](const AnalysisPointLoad& p) { p.accumulateDeflectionAtPoint(sm->length, s.E, s.Iz, s.Iy, t, &d); },
        [&](const AnalysisTrapezoidLoad& q) { q.accumulateDeflectionAtPoint(sm->length, s.E, s.Iz, s.Iy, t, &d); });
    return d;
}

Vector3 AnalysisResultCase::globalDisplacementAtPositionOnMember(const MemberRef& member, double t) const
{
    const QSharedPointer<AnalysisSourceMember> sm = sourceMemberOf(member);
    if (!sm)
        return Vector3();
    const Vector3 g = localToGlobal(sm->axes, deflectionAtPositionOnMember(member, t));
    const MemberFocus* f = focusOn(this, member.data());
    const Vector6 d1 = f ? f->displacementA : nodeDisplacements.value(sm->nodeA->node, Vector6::zeroed());
    const Vector6 d2 = f ? f->displacementB : nodeDisplacements.value(sm->nodeB->node, Vector6::zeroed());
    return Vector3(d1[0], d1[1], d1[2]) * (1.0 - t) + Vector3(d2[0], d2[1], d2[2]) * t + g;
}

Vector6 AnalysisResultCase::forceAtPositionOnMember(const MemberRef& member, double t) const
{
    Vector6 f = Vector6::zeroed();
    const QSharedPointer<AnalysisSourceMember> sm = sourceMemberOf(member);
    if (!sm)
        return f;
    const double L = sm->length, x = t * L;
    if (const Vector12* found = endForcesOf(*this, member)) {
        const Vector12& F = *found;
        f[0] = ((L - x) * F[0] - x * F[6]) / L;
        f[1] = (F[5] + F[11]) / L;
        f[2] = -(F[4] + F[10]) / L;
        f[3] = (x * F[9] - (L - x) * F[3]) / L;
        f[4] = ((L - x) * F[4] - x * F[10]) / L;
        f[5] = (x * F[11] - (L - x) * F[5]) / L;
    }
    forMemberLoads(
        *this, member, [&](const AnalysisPointLoad& p) { p.accumulateForceAtPoint(L, t, &f); },
        [&](const AnalysisTrapezoidLoad& q) { q.accumulateForceAtPoint(L, t, &f); });
    return f;
}

double AnalysisResultCase::stressGivenForcesOnMember(const QSharedPointer<AnalysisSourceMember>& member,
                                                     const Vector6& forces)
{
    const AnalysisSection& s = *member->section;
    const double sigma = std::fabs(forces[0]) / s.area + std::fabs(forces[4]) / s.Zy + std::fabs(forces[5]) / s.Zz;
    return forces[0] < 0.0 ? -sigma : sigma;
}

double AnalysisResultCase::stressAtPositionOnMember(const MemberRef& member, double t) const
{
    const QSharedPointer<AnalysisSourceMember> sm = sourceMemberOf(member);
    return sm ? stressGivenForcesOnMember(sm, forceAtPositionOnMember(member, t)) : 0.0;
}

AnalysisResultCase::MaximaVector4 AnalysisResultCase::maximumDeflectionOnMember(const MemberRef& member) const
{
    return memberStats.value(member).deflection;
}

AnalysisResultCase::MaximaVector6 AnalysisResultCase::maximumForceOnMember(const MemberRef& member) const
{
    return memberStats.value(member).force;
}

AnalysisResultCase::MaximaScalar AnalysisResultCase::maximumStressOnMember(const MemberRef& member) const
{
    return memberStats.value(member).stress;
}

AnalysisResultCase::MaximaScalar AnalysisResultCase::maximumDisplacementOnMember(const MemberRef& member) const
{
    return memberStats.value(member).displacement;
}

double AnalysisResultCase::positionToleranceOf(const MemberRef& member) const
{
    const QSharedPointer<AnalysisSourceMember> sm = sourceMemberOf(member);
    const double L = sm ? sm->length : 0.0;
    return 1.0 / ((std::floor(L) + 1.0) * 1024.0);
}

namespace {

void raise(double value, double t, double* maximum, double* position)
{
    if (value > *maximum) {
        *maximum = value;
        *position = t;
    }
}

} // namespace

void AnalysisResultCase::accumulateMaxima(const MemberRef& member, double position, MaximaVector4* deflection,
                                          MaximaScalar* displacement, MaximaVector6* force, MaximaScalar* stress) const
{
    const double t = position;
    if (deflection) {
        const Vector3 v = deflectionAtPositionOnMember(member, t);
        for (int k = 0; k < 3; ++k)
            raise(std::fabs(v[k]), t, &deflection->maxima[k], &deflection->positions[k]);
        raise(v.length(), t, &deflection->maxima[3], &deflection->positions[3]);
    }
    if (displacement)
        raise(globalDisplacementAtPositionOnMember(member, t).length(), t, &displacement->maximum,
              &displacement->position);
    if (force || stress) {
        const Vector6 f = forceAtPositionOnMember(member, t);
        if (force)
            for (int k = 0; k < 6; ++k)
                raise(std::fabs(f[k]), t, &force->maxima[k], &force->positions[k]);
        if (stress) {
            const QSharedPointer<AnalysisSourceMember> sm = sourceMemberOf(member);
            if (sm)
                raise(std::fabs(stressGivenForcesOnMember(sm, f)), t, &stress->maximum, &stress->position);
        }
    }
}

QPair<double, double> AnalysisResultCase::binaryRangeFinder(double lo, double hi, double step, const Quantity& f,
                                                            const MemberRef& member, int component) const
{
    if (hi <= lo + step)
        return qMakePair(0.0, 0.0);
    double v = 0.0;
    do {
        const double mid = (lo + hi) * 0.5;
        v = std::fabs(f(*this, member, mid, component));
        const double w = std::fabs(f(*this, member, mid + step, component));
        if (w > v)
            lo = mid;
        else if (w < v)
            hi = mid;
        else
            return qMakePair(mid, v);
    } while (lo + step < hi);
    return qMakePair((lo + hi) * 0.5, v);
}

namespace {

double deflectionComponent(const AnalysisResultCase& c, const MemberRef& m, double t, int k)
{
    const Vector3 v = c.deflectionAtPositionOnMember(m, t);
    return k < 3 ? v[k] : v.length();
}

double displacementMagnitude(const AnalysisResultCase& c, const MemberRef& m, double t, int)
{
    return c.globalDisplacementAtPositionOnMember(m, t).length();
}

double forceComponent(const AnalysisResultCase& c, const MemberRef& m, double t, int k)
{
    return c.forceAtPositionOnMember(m, t)[k];
}

double stressValue(const AnalysisResultCase& c, const MemberRef& m, double t, int)
{
    return c.stressAtPositionOnMember(m, t);
}

} // namespace

void AnalysisResultCase::deriveMemberStats(const MemberRef& member)
{
    memberStats.insert(member, memberStatsOf(member));
}

MemberStats AnalysisResultCase::memberStatsOf(const MemberRef& member) const
{
    const FocusGuard focused(*this, member);
    MemberStats stats;
    QVector<double> positions;
    QVector<QPair<double, double>> spans;
    forMemberLoads(
        *this, member, [&](const AnalysisPointLoad& p) { positions.append(p.position); },
        [&](const AnalysisTrapezoidLoad& q) {
            positions << q.start << q.end;
            spans.append(qMakePair(q.start, q.end));
        });

    std::sort(positions.begin(), positions.end());
    double last = 0.0;
    for (double p : positions)
        if (p != 1.0 && p != last)
            stats.points.append(last = p);

    std::sort(spans.begin(), spans.end());
    for (const QPair<double, double>& span : spans) {
        if (!stats.segments.isEmpty() && span.first <= stats.segments.last().second)
            stats.segments.last().second = std::max(stats.segments.last().second, span.second);
        else
            stats.segments.append(span);
    }
    for (double p : stats.points)
        for (int i = 0; i < stats.segments.size(); ++i) {
            const QPair<double, double> s = stats.segments[i];
            if (s.first < p && p < s.second) {
                stats.segments[i].second = p;
                stats.segments.insert(i + 1, qMakePair(p, s.second));
                break;
            }
        }

    const double d = positionToleranceOf(member);
    accumulateMaxima(member, 0.0, &stats.deflection, &stats.displacement, &stats.force, &stats.stress);
    accumulateMaxima(member, 1.0, &stats.deflection, &stats.displacement, &stats.force, &stats.stress);
    for (double p : stats.points) {
        accumulateMaxima(member, std::max(0.0, p - d), &stats.deflection, &stats.displacement, &stats.force,
                         &stats.stress);
        accumulateMaxima(member, std::min(1.0, p + d), &stats.deflection, &stats.displacement, &stats.force,
                         &stats.stress);
    }

    const auto search = [&](double lo, double hi, const Quantity& f, int k, double* maximum, double* position) {
        if (hi <= lo + d)
            return;
        const QPair<double, double> found = binaryRangeFinder(lo, hi, d, f, member, k);
        raise(found.second, found.first, maximum, position);
    };
    const auto searchDeflections = [&](double lo, double hi) {
        for (int k = 0; k < 4; ++k)
            search(lo, hi, deflectionComponent, k, &stats.deflection.maxima[k], &stats.deflection.positions[k]);
    };
    double prev = 0.0;
    for (const QPair<double, double>& s : stats.segments) {
        for (int k = 0; k < 4; ++k) {
            search(prev + d, s.first - d, deflectionComponent, k, &stats.deflection.maxima[k],
                   &stats.deflection.positions[k]);
            search(s.first, s.second, deflectionComponent, k, &stats.deflection.maxima[k],
                   &stats.deflection.positions[k]);
        }
        search(prev + d, s.first - d, displacementMagnitude, 0, &stats.displacement.maximum,
               &stats.displacement.position);
        search(s.first, s.second, displacementMagnitude, 0, &stats.displacement.maximum, &stats.displacement.position);
        for (int k = 0; k < 6; ++k)
            search(s.first, s.second, forceComponent, k, &stats.force.maxima[k], &stats.force.positions[k]);
        search(prev + d, s.first - d, stressValue, 0, &stats.stress.maximum, &stats.stress.position);
        search(s.first, s.second, stressValue, 0, &stats.stress.maximum, &stats.stress.position);
        prev = s.second;
    }
    searchDeflections(prev + d, 1.0 - d);
    search(prev + d, 1.0 - d, displacementMagnitude, 0, &stats.displacement.maximum, &stats.displacement.position);
    return stats;
}

namespace {

// A worst case: it needs a value above its threshold and above every one
// seen before it. It points at the key in the map, which stays put.
template <class Ref>
struct Candidate
{
    double value;
    const Ref* object = nullptr;
    void offer(double v, const Ref& o)
    {
        if (v > value) {
            value = v;
            object = &o;
        }
    }
};

} // namespace

void AnalysisResultCase::deriveWorstCases()
{
    Candidate<MemberRef> force[6], stress{0.0}, deflection{1e-06};
    Candidate<NodeRef> reaction[6], displacement[3];
    for (int k = 0; k < 6; ++k) {
        force[k] = Candidate<MemberRef>{1.0};
        reaction[k] = Candidate<NodeRef>{1.0};
    }
    for (int k = 0; k < 3; ++k)
        displacement[k] = Candidate<NodeRef>{1e-06};

    const MemberStats none;
    for (auto it = sourceMembers.cbegin(); it != sourceMembers.cend(); ++it) {
        const auto found = memberStats.constFind(it.key());
        const MemberStats& stats = found != memberStats.cend() ? *found : none;
        for (int k = 0; k < 6; ++k)
            force[k].offer(stats.force.maxima[k], it.key());
        stress.offer(stats.stress.maximum, it.key());
        deflection.offer(stats.deflection.maxima[3], it.key());
    }
    for (auto it = sourceNodes.cbegin(); it != sourceNodes.cend(); ++it) {
        const auto reacted = nodeReactions.constFind(it.key());
        const Vector6 r = reacted != nodeReactions.cend() ? *reacted : Vector6(Vector6::zeroed());
        const Vector6 u = nodeDisplacements.value(it.key(), Vector6::zeroed());
        for (int k = 0; k < 6; ++k)
            reaction[k].offer(std::fabs(r[k]), it.key());
        for (int k = 0; k < 3; ++k)
            displacement[k].offer(std::fabs(u[k]), it.key());
    }

    const auto addMember = [](QSet<MemberRef>* set, const Candidate<MemberRef>& c) {
        if (c.object)
            set->insert(*c.object);
    };
    const auto addNode = [](QSet<NodeRef>* set, const Candidate<NodeRef>& c) {
        if (c.object)
            set->insert(*c.object);
    };
    for (int k = 0; k < 3; ++k) {
        addMember(&worstForceMembers, force[k]);
        addMember(&worstMomentMembers, force[k + 3]);
        addNode(&worstDisplacementNodes, displacement[k]);
    }
    for (int k = 0; k < 6; ++k)
        addNode(&worstReactionNodes, reaction[k]);
    addMember(&worstStressMembers, stress);
    addMember(&worstDeflectionMembers, deflection);
}

QVector<double> AnalysisResultCase::uniqueSortedPositions(const QVector<double>& sorted, double tolerance)
{
    QVector<double> unique;
    if (sorted.isEmpty())
        return unique;
    unique.reserve(sorted.size());
    double last = sorted.first();
    unique.append(last);
    for (double p : sorted)
        if (last + tolerance <= p)
            unique.append(last = p);
    return unique;
}

namespace {

QVector<double> sortedUnique(QVector<double> positions, double d)
{
    std::sort(positions.begin(), positions.end());
    return AnalysisResultCase::uniqueSortedPositions(positions, d);
}

} // namespace

QVector<double> AnalysisResultCase::positionsForDeflectionEnvelope(const MemberRef& member, int n) const
{
    const auto stats = memberStats.find(member);
    if (stats == memberStats.end())
        return {};
    const double d = positionToleranceOf(member);
    QVector<double> positions;
    positions.reserve(2 * stats->points.size() + std::max(0, n) + 1);
    for (double p : stats->points)
        positions << std::max(0.0, p - d) << std::min(1.0, p + d);
    for (int k = 0; k <= n && n > 0; ++k)
        positions.append(double(k) / n);
    return sortedUnique(positions, d);
}

QVector<double> AnalysisResultCase::positionsForForceEnvelope(const MemberRef& member, int n) const
{
    const auto stats = memberStats.find(member);
    if (stats == memberStats.end())
        return {};
    const double d = positionToleranceOf(member);
    QVector<double> positions;
    for (double p : stats->points)
        positions << std::max(0.0, p - d) << std::min(1.0, p + d);
    for (const QPair<double, double>& segment : stats->segments) {
        const double lo = segment.first + d, hi = segment.second - d;
        if (hi - lo <= 2.0 * d)
            continue;
        positions.append(lo);
        // A grid only where there is a step to take.
        if (n > 0) {
            const double s = 1.0 / n;
            for (double k = std::ceil(lo / s); k <= std::floor(hi / s); k += 1.0)
                positions.append(k * s);
        }
        positions.append(hi);
    }
    positions << 0.0 << 1.0;
    return sortedUnique(positions, d);
}

QVector<double> AnalysisResultCase::pointsOfInterestForDeflectionEnvelope(const MemberRef& member) const
{
    const auto stats = memberStats.find(member);
    if (stats == memberStats.end())
        return {};
    QVector<double> positions;
    for (int k = 1; k <= 3; ++k)
        if (stats->deflection.maxima[k] >= 0x1p-17)
            positions.append(stats->deflection.positions[k]);
    return sortedUnique(positions, positionToleranceOf(member));
}

QVector<double> AnalysisResultCase::pointsOfInterestForForceEnvelope(const MemberRef& member, int component) const
{
    const auto stats = memberStats.find(member);
    if (stats == memberStats.end())
        return {};
    const double d = positionToleranceOf(member);
    const auto F = [&](double p) { return forceAtPositionOnMember(member, p)[component]; };
    const double jump = 10.0, hysteresis = 5.0;

    QVector<double> candidates;
    for (double p : stats->points) {
        const double lo = std::max(0.0, p - d), hi = std::min(1.0, p + d);
        if (std::fabs(F(lo) - F(hi)) >= jump)
            candidates << lo << hi;
    }
    for (const QPair<double, double>& segment : stats->segments) {
        const double lo = segment.first + d, hi = segment.second - d;
        if (!(hi - lo > 2.0 * d))
            continue;
        const double start = std::ceil(lo / d) * d, last = std::floor(hi / d) * d;
        if (start + d > last)
            continue;
        bool holding = false;
        double r = std::fabs(F(start));
        double upper = r + hysteresis, lower = r - hysteresis, rise = start;
        for (int i = 1; start + i * d <= last; ++i) {
            const double x = start + i * d;
            const double v = std::fabs(F(x));
            if (v > upper) {
                rise = x;
                upper = v + hysteresis;
                lower = v - hysteresis;
                holding = true;
            } else if (holding && v < lower) {
                candidates.append((rise + x) / 2.0);
                holding = false;
            } else if (!holding) {
                upper = v + hysteresis;
                lower = v - hysteresis;
            }
        }
    }
    candidates << stats->force.positions[component] << 0.0 << 1.0;
    QVector<double> kept;
    for (double p : candidates)
        if (std::fabs(F(p)) >= jump)
            kept.append(p);
    return sortedUnique(kept, d);
}

QVector<AnalysisResultCase::EnvelopeVector3>
AnalysisResultCase::deflectionEnvelopeForPositions(const MemberRef& member, const QVector<double>& positions) const
{
    QVector<EnvelopeVector3> envelope;
    envelope.reserve(positions.size());
    for (double p : positions)
        envelope.append(EnvelopeVector3{p, deflectionAtPositionOnMember(member, p)});
    return envelope;
}

QVector<AnalysisResultCase::EnvelopeVector6>
AnalysisResultCase::forceEnvelopeForPositions(const MemberRef& member, const QVector<double>& positions) const
{
    QVector<EnvelopeVector6> envelope;
    envelope.reserve(positions.size());
    for (double p : positions)
        envelope.append(EnvelopeVector6{p, forceAtPositionOnMember(member, p)});
    return envelope;
}
