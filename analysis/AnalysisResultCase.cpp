#include "AnalysisResultCase.h"

#include "AnalysisLoadCase.h"
#include "AnalysisPointLoad.h"
#include "AnalysisSource.h"
#include "AnalysisTrapezoidLoad.h"
#include "Combination.h"
#include "MemberAxes.h"
#include "Member.h"
#include "Node.h"
#include "Polynomial.h"

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

// By reference: the queries along a member ask for it at every position.
const QSharedPointer<AnalysisSourceMember>& AnalysisResultCase::sourceMemberOf(const MemberRef& member) const
{
    static const QSharedPointer<AnalysisSourceMember> none;
    if (const MemberFocus* f = focusOn(this, member.data()))
        return f->source;
    const auto found = sourceMembers.constFind(member);
    return found != sourceMembers.cend() ? *found : none;
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
    const QSharedPointer<AnalysisSourceMember>& sm = sourceMemberOf(member);
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
    return globalDisplacementGivenDeflection(member, t, deflectionAtPositionOnMember(member, t));
}

Vector3 AnalysisResultCase::globalDisplacementGivenDeflection(const MemberRef& member, double t,
                                                              const Vector3& deflection) const
{
    const QSharedPointer<AnalysisSourceMember>& sm = sourceMemberOf(member);
    if (!sm)
        return Vector3();
    const Vector3 g = localToGlobal(sm->axes, deflection);
    const MemberFocus* f = focusOn(this, member.data());
    const Vector6 d1 = f ? f->displacementA : nodeDisplacements.value(sm->nodeA->node, Vector6::zeroed());
    const Vector6 d2 = f ? f->displacementB : nodeDisplacements.value(sm->nodeB->node, Vector6::zeroed());
    return Vector3(d1[0], d1[1], d1[2]) * (1.0 - t) + Vector3(d2[0], d2[1], d2[2]) * t + g;
}

Vector6 AnalysisResultCase::forceAtPositionOnMember(const MemberRef& member, double t) const
{
    Vector6 f = Vector6::zeroed();
    const QSharedPointer<AnalysisSourceMember>& sm = sourceMemberOf(member);
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
    const QSharedPointer<AnalysisSourceMember>& sm = sourceMemberOf(member);
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
    const QSharedPointer<AnalysisSourceMember>& sm = sourceMemberOf(member);
    const double L = sm ? sm->length : 0.0;
    return 1.0 / ((std::floor(L) + 1.0) * 1024.0);
}

namespace {

// The magnitudes of the deflections' statistics, given the local deflection
// and the displacement.
void deflectionMagnitudes(const Vector3& v, const Vector3& displacement, double* magnitudes)
{
    for (int k = 0; k < 3; ++k)
        magnitudes[AnalysisResultCase::DeflectionX + k] = std::fabs(v[k]);
    magnitudes[AnalysisResultCase::DeflectionMagnitude] = v.length();
    magnitudes[AnalysisResultCase::DisplacementMagnitude] = displacement.length();
}

// The magnitudes of the forces' statistics, given the forces.
void forceMagnitudes(const QSharedPointer<AnalysisSourceMember>& sm, const Vector6& f, double* magnitudes)
{
    for (int k = 0; k < 6; ++k)
        magnitudes[AnalysisResultCase::Force0 + k] = std::fabs(f[k]);
    magnitudes[AnalysisResultCase::Stress] = sm ? std::fabs(AnalysisResultCase::stressGivenForcesOnMember(sm, f)) : 0.0;
}

} // namespace

void AnalysisResultCase::statisticsAtPosition(const MemberRef& member, double t, int groups,
                                              double* magnitudes) const
{
    if (groups & (Deflections | Displacements)) {
        const Vector3 v = deflectionAtPositionOnMember(member, t);
        deflectionMagnitudes(v, groups & Displacements ? globalDisplacementGivenDeflection(member, t, v) : Vector3(),
                             magnitudes);
    }
    if (groups & Forces)
        forceMagnitudes(sourceMemberOf(member), forceAtPositionOnMember(member, t), magnitudes);
}

namespace {

// Each group and the statistics it gives, from and to.
const struct
{
    int group, from, to;
} statisticGroups[] = {
    {AnalysisResultCase::Deflections, AnalysisResultCase::DeflectionX, AnalysisResultCase::DisplacementMagnitude},
    {AnalysisResultCase::Displacements, AnalysisResultCase::DisplacementMagnitude, AnalysisResultCase::Force0},
    {AnalysisResultCase::Forces, AnalysisResultCase::Force0, AnalysisResultCase::NumberOfStatistics}};

int groupOf(int statistic)
{
    for (const auto& g : statisticGroups)
        if (statistic < g.to)
            return g.group;
    return 0;
}

// Where each statistic of a member keeps its largest magnitude and the
// position of it; a statistic without a record is not followed.
class StatisticRecords
{
public:
    StatisticRecords(AnalysisResultCase::MaximaVector4* deflection, AnalysisResultCase::MaximaScalar* displacement,
                     AnalysisResultCase::MaximaVector6* force, AnalysisResultCase::MaximaScalar* stress)
    {
        for (int k = 0; k < 4; ++k)
            keep(AnalysisResultCase::DeflectionX + k, deflection ? &deflection->maxima[k] : nullptr,
                 deflection ? &deflection->positions[k] : nullptr);
        keep(AnalysisResultCase::DisplacementMagnitude, displacement ? &displacement->maximum : nullptr,
             displacement ? &displacement->position : nullptr);
        for (int k = 0; k < 6; ++k)
            keep(AnalysisResultCase::Force0 + k, force ? &force->maxima[k] : nullptr,
                 force ? &force->positions[k] : nullptr);
        keep(AnalysisResultCase::Stress, stress ? &stress->maximum : nullptr, stress ? &stress->position : nullptr);
    }
    // The groups that some record asks for.
    int groups() const
    {
        int asked = 0;
        for (int q = 0; q < AnalysisResultCase::NumberOfStatistics; ++q)
            if (maximum[q])
                asked |= groupOf(q);
        return asked;
    }
    // Of values equal within rounding the first along the member stays,
    // whichever was offered first: a value is taken when it is greater by
    // more than rounding, or when it is equal within it and earlier.
    void offer(const double* magnitudes, double t, int asked)
    {
        for (const auto& g : statisticGroups)
            if (asked & g.group)
                for (int q = g.from; q < g.to; ++q) {
                    if (!maximum[q])
                        continue;
                    const double kept = *maximum[q], rounding = 0x1p-40 * kept;
                    if (magnitudes[q] > kept + rounding || (t < *position[q] && magnitudes[q] >= kept - rounding)) {
                        *maximum[q] = magnitudes[q];
                        *position[q] = t;
                    }
                }
    }

private:
    void keep(int statistic, double* m, double* p)
    {
        maximum[statistic] = m;
        position[statistic] = p;
    }
    double* maximum[AnalysisResultCase::NumberOfStatistics];
    double* position[AnalysisResultCase::NumberOfStatistics];
};

} // namespace

void AnalysisResultCase::accumulateMaxima(const MemberRef& member, double position, MaximaVector4* deflection,
                                          MaximaScalar* displacement, MaximaVector6* force, MaximaScalar* stress) const
{
    StatisticRecords records(deflection, displacement, force, stress);
    double magnitudes[NumberOfStatistics];
    statisticsAtPosition(member, position, records.groups(), magnitudes);
    records.offer(magnitudes, position, records.groups());
}

namespace {

// The position just before t, where a load at t has not yet acted.
double justBefore(double t)
{
    return t - t * 0x1p-50;
}

// What a piece's curves are worked out from at one position: the local
// deflection, the displacement and the forces.
struct PieceSample
{
    Vector3 deflection, displacement;
    Vector6 force;
};

// The samples at one place where the loading changes (a member's end or a
// load's position), which the pieces on either side share, and those a
// step d either side of it, inside those pieces.
struct Break
{
    double t;
    PieceSample at;  // the deflections, and the forces after a load there
    Vector6 forceBefore;  // the forces before it
    PieceSample before, after;  // at t - d and t + d
};

// The polynomial of degree n through f[k] at u[k], by divided differences;
// the leading coefficients that rounding leaves of a zero are dropped.
Polynomial through(const double* u, const double* f, int n)
{
    double a[6];
    std::copy(f, f + n + 1, a);
    for (int j = 1; j <= n; ++j)
        for (int k = n; k >= j; --k)
            a[k] = (a[k] - a[k - 1]) / (u[k] - u[k - j]);
    // Newton's form, a0 + (u - u0)(a1 + (u - u1)(a2 + …)), in powers of u.
    Polynomial p;
    p.degree = n;
    for (int i = 0; i <= n; ++i)
        p.c[i] = 0.0;
    for (int k = n; k >= 0; --k) {
        for (int i = n; i > 0; --i)
            p.c[i] = p.c[i - 1] - u[k] * p.c[i];
        p.c[0] = a[k] - u[k] * p.c[0];
    }
    double largest = 0.0;
    for (int i = 0; i <= n; ++i)
        largest = std::max(largest, std::fabs(p.c[i]));
    while (p.degree >= 0 && std::fabs(p.c[p.degree]) <= 0x1p-45 * largest)
        --p.degree;
    return p;
}

// Finds the largest magnitude of every statistic over the pieces of one
// member between the places where its loading changes. Along a piece each
// component of the deflection and the displacement is a cubic, or a quintic
// under a distributed load, and each force at most a cubic: each is fitted
// through samples at the piece's ends and inside it, and every peak of a
// component or of a magnitude lies at a zero of the derivative of its
// square, where that falls through zero. Each zero is closed to the
// rounding of the arithmetic and the statistics are worked out there.
class PieceSearch
{
public:
    PieceSearch(const AnalysisResultCase& c, const MemberRef& member, double d, StatisticRecords* records)
        : c(c), member(member), source(c.sourceMembers.value(member)), d(d), records(records)
    {
    }

    // Works out and offers the statistics of the groups at t.
    void sample(double t, int groups, PieceSample* s)
    {
        double magnitudes[AnalysisResultCase::NumberOfStatistics];
        if (groups & (AnalysisResultCase::Deflections | AnalysisResultCase::Displacements)) {
            s->deflection = c.deflectionAtPositionOnMember(member, t);
            s->displacement = c.globalDisplacementGivenDeflection(member, t, s->deflection);
            deflectionMagnitudes(s->deflection, s->displacement, magnitudes);
        }
        if (groups & AnalysisResultCase::Forces) {
            s->force = c.forceAtPositionOnMember(member, t);
            forceMagnitudes(source, s->force, magnitudes);
        }
        records->offer(magnitudes, t, groups);
    }

    // The piece from one break to the next. The forces follow a loaded
    // piece only: elsewhere they are straight lines, and the stress a sum
    // of their magnitudes, largest at an end, where the breaks' samples
    // take them.
    void search(const Break& from, const Break& to, bool loaded)
    {
        const double a = from.t, b = to.t;
        if (!source || !(b > a))
            return;
        const int n = loaded ? highDegree : lowDegree;
        const int groups = AnalysisResultCase::Deflections | AnalysisResultCase::Displacements
                           | (loaded ? AnalysisResultCase::Forces : 0);
        // The nodes, u over [-1, 1] running from a to b: the ends, the
        // samples a step d inside them when the piece is long enough for
        // them to stand apart and short enough for them to fit well, and
        // the rest spread between as Chebyshev–Lobatto nodes.
        double u[highDegree + 1];
        PieceSample s[highDegree + 1];
        const bool inside = b - a > 16.0 * d && b - a <= 1024.0 * d;
        const bool afterFrom = inside && a > 0.0, beforeTo = inside && b < 1.0;
        int k = 0;
        const auto node = [&](double at, const PieceSample& sample) {
            u[k] = at;
            s[k++] = sample;
        };
        PieceSample end = to.at;
        end.force = to.forceBefore;
        node(-1.0, from.at);
        if (afterFrom)
            node(2.0 * d / (b - a) - 1.0, from.after);
        const int spread = n + 1 - k - (beforeTo ? 2 : 1);
        for (int j = spread; j >= 1; --j) {
            u[k] = std::cos(j * M_PI / (spread + 1));
            sample(a + (b - a) * 0.5 * (1.0 + u[k]), groups, &s[k]);
            ++k;
        }
        if (beforeTo)
            node(1.0 - 2.0 * d / (b - a), to.before);
        node(1.0, end);

        double deflectionPeaks[6 * Polynomial::maxDegree], forcePeaks[10 * Polynomial::maxDegree];
        int deflectionCount = 0, forceCount = 0;
        const auto fit = [&](const auto& value) {
            double f[highDegree + 1];
            for (int j = 0; j <= n; ++j)
                f[j] = value(s[j]);
            return through(u, f, n);
        };
        double zeros[Polynomial::maxDegree];
        bool rising[Polynomial::maxDegree];
        // The peaks of |p|: its maxima where it is positive, its minima where negative.
        const auto peaksOf = [&](const Polynomial& p, double* peaks, int* found) {
            const int m = p.derivative().signChanges(-1.0, 1.0, zeros, rising);
            for (int i = 0; i < m; ++i)
                if ((p(zeros[i]) > 0.0) != rising[i])
                    peaks[(*found)++] = zeros[i];
        };
        // The peaks of the length of a vector: where the derivative of the sum
        // of the squares falls through zero. A component that rounding alone
        // leaves beside the others adds nothing to the length; a vector along
        // one axis has the peaks of that component.
        const auto peaksOfLength = [&](const Polynomial* parts, double* peaks, int* found) {
            double largest[3], largestOfAll = 0.0;
            for (int i = 0; i < 3; ++i) {
                largest[i] = 0.0;
                for (int j = 0; j <= parts[i].degree; ++j)
                    largest[i] = std::max(largest[i], std::fabs(parts[i].c[j]));
                largestOfAll = std::max(largestOfAll, largest[i]);
            }
            Polynomial h;
            int along = -1;
            for (int i = 0; i < 3; ++i)
                if (largest[i] > 0x1p-40 * largestOfAll) {
                    along = h.degree < 0 ? i : -1;
                    h.addProduct(parts[i], parts[i].derivative());
                }
            if (along >= 0)
                return peaksOf(parts[along], peaks, found);
            const int m = h.signChanges(-1.0, 1.0, zeros, rising);
            for (int i = 0; i < m; ++i)
                if (!rising[i])
                    peaks[(*found)++] = zeros[i];
        };
        Polynomial v[3], g[3];
        for (int i = 0; i < 3; ++i) {
            v[i] = fit([i](const PieceSample& p) { return p.deflection[i]; });
            g[i] = fit([i](const PieceSample& p) { return p.displacement[i]; });
            peaksOf(v[i], deflectionPeaks, &deflectionCount);
        }
        peaksOfLength(v, deflectionPeaks, &deflectionCount);
        peaksOfLength(g, deflectionPeaks, &deflectionCount);
        if (loaded) {
            Polynomial F[6];
            for (int i = 0; i < 6; ++i) {
                F[i] = fit([i](const PieceSample& p) { return p.force[i]; });
                peaksOf(F[i], forcePeaks, &forceCount);
            }
            // The stress, |N| / A + |My| / Zy + |Mz| / Zz, is the largest of
            // the four sums of ±N / A ± My / Zy ± Mz / Zz, each a cubic.
            const AnalysisSection& section = *source->section;
            for (int signs = 0; signs < 4; ++signs) {
                Polynomial sum;
                sum.addScaled(F[0], 1.0 / section.area);
                sum.addScaled(F[4], (signs & 1 ? -1.0 : 1.0) / section.Zy);
                sum.addScaled(F[5], (signs & 2 ? -1.0 : 1.0) / section.Zz);
                // Its peaks and its troughs, the peaks of the opposite signs.
                const int m = sum.derivative().signChanges(-1.0, 1.0, zeros, rising);
                for (int i = 0; i < m; ++i)
                    forcePeaks[forceCount++] = zeros[i];
            }
        }
        offerAt(a, b, deflectionPeaks, deflectionCount,
                AnalysisResultCase::Deflections | AnalysisResultCase::Displacements);
        offerAt(a, b, forcePeaks, forceCount, AnalysisResultCase::Forces);
    }

private:
    static const int lowDegree = 3, highDegree = 5;

    // The statistics of the groups at each peak, the peaks given as u along
    // the piece from a to b; peaks that rounding alone parts are one.
    void offerAt(double a, double b, double* peaks, int count, int groups)
    {
        for (int i = 0; i < count; ++i)
            peaks[i] = a + (b - a) * 0.5 * (1.0 + peaks[i]);
        std::sort(peaks, peaks + count);
        double last = -1.0;
        for (int i = 0; i < count; ++i)
            if (peaks[i] - last > 0x1p-40) {
                PieceSample s;
                sample(last = peaks[i], groups, &s);
            }
    }

    const AnalysisResultCase& c;
    const MemberRef& member;
    const QSharedPointer<AnalysisSourceMember> source;
    const double d;
    StatisticRecords* records;
};

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

    // The places where the loading changes: the ends and each load's
    // position. Each is sampled, and a step d either side of it; under a
    // load also just before it: a moment peaks there, and a shear or a
    // moment that the load makes jump is largest on one side or the other.
    const double d = positionToleranceOf(member);
    StatisticRecords records(&stats.deflection, &stats.displacement, &stats.force, &stats.stress);
    PieceSearch along(*this, member, d, &records);
    QVector<Break> breaks(stats.points.size() + 2);
    breaks.first().t = 0.0;
    breaks.last().t = 1.0;
    for (int i = 0; i < stats.points.size(); ++i)
        breaks[i + 1].t = stats.points[i];
    for (int i : {0, breaks.size() - 1}) {
        along.sample(breaks[i].t, AllStatistics, &breaks[i].at);
        breaks[i].forceBefore = breaks[i].at.force;
    }
    for (int i = 1; i + 1 < breaks.size(); ++i) {
        along.sample(std::max(0.0, breaks[i].t - d), AllStatistics, &breaks[i].before);
        along.sample(std::min(1.0, breaks[i].t + d), AllStatistics, &breaks[i].after);
    }
    for (int i = 1; i + 1 < breaks.size(); ++i) {
        PieceSample before;
        along.sample(breaks[i].t, AllStatistics, &breaks[i].at);
        along.sample(justBefore(breaks[i].t), Forces, &before);
        breaks[i].forceBefore = before.force;
    }

    // The pieces between, each searched on its own.
    for (int i = 1; i < breaks.size(); ++i) {
        const double middle = 0.5 * (breaks[i - 1].t + breaks[i].t);
        bool loaded = false;
        for (const QPair<double, double>& s : stats.segments)
            loaded = loaded || (s.first < middle && middle < s.second);
        along.search(breaks[i - 1], breaks[i], loaded);
    }
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
