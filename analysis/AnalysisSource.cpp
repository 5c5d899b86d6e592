#include "AnalysisSource.h"

#include "AnalysisDisposal.h"
#include "AnalysisDocument.h"
#include "AnalysisFaults.h"
#include "AnalysisLoadCase.h"
#include "AnalysisMember.h"
#include "AnalysisTolerances.h"
#include "Combination.h"
#include "CrossSection.h"
#include "GeometryGroup.h"
#include "Load.h"
#include "Material.h"
#include "Member.h"
#include "Node.h"
#include "PointLoad.h"
#include "Support.h"
#include "SectionType.h"
#include "MemberAxis.h"
#include "StopChecks.h"
#include "TorqueLoad.h"
#include "TrapezoidLoad.h"

#include <QHash>
#include <QMap>
#include <QReadLocker>
#include <QScopeGuard>
#include <QThread>
#include <QWriteLocker>
#include <QtGlobal>

#include <algorithm>
#include <random>

AnalysisSection::AnalysisSection(const CrossSection& crossSection, const Material& material)
    : area(crossSection.area()),
      E(material.youngsModulus()),
      G(material.shearModulus()),
      Iz(crossSection.isRotated() ? crossSection.Iz() : crossSection.Iy()),
      Iy(crossSection.isRotated() ? crossSection.Iy() : crossSection.Iz()),
      J(crossSection.J()),
      massPerLength(crossSection.area() * material.density()),
      Zz(crossSection.isRotated() ? crossSection.Welz() : crossSection.Wely()),
      Zy(crossSection.isRotated() ? crossSection.Wely() : crossSection.Welz())
{
}

Vector3 AnalysisNode::bridgePosition() const
{
    const double f = bridgeFraction;
    return bridgeNodeA->position * (1.0 - f) + bridgeNodeB->position * f;
}

namespace {

// Loads or cases read under the document's lock before a writer waiting for
// it is let in.
const int stepsPerSlice = 4096;
// How long a reader that let writers in rests between two looks at them.
const unsigned long writerPollInterval = 5; // ms

// Divides by the length unless it is all but zero.
Vector3 normalisedIfPossible(const Vector3& v)
{
    const double l2 = v.lengthSquared();
    return l2 >= 0x1p-128 ? v / std::sqrt(l2) : v;
}

// The next number of the calling thread's own sequence, which nothing
// seeds: what qrand drew, a minimal-standard generator per thread from the
// default seed 1, so each analysis thread draws the same numbers in turn.
int drawUnseeded()
{
    thread_local std::minstd_rand generator;
    return int(generator());
}

} // namespace

void AnalysisSourceMember::computeGeometry(const Vector3& v)
{
    const Vector3 d = nodeB->analysisNode->position - nodeA->analysisNode->position;
    const double L = d.length();
    const Vector3 x = d / L;
    const Vector3 z = normalisedIfPossible(x.cross(v));
    const Vector3 y = normalisedIfPossible(z.cross(x));
    length = L;
    for (int c = 0; c < 3; ++c) {
        axes[0][c] = x[c];
        axes[1][c] = y[c];
        axes[2][c] = z[c];
    }
}

void AnalysisSourceMember::expandTransformationMatrix(const Matrix3x3& r, Matrix6x6* t) const
{
    AnalysisMember::expandTransformationMatrix(r, t);
}

bool AnalysisSource::initialiseTopology(const AnalysisDocument* document, const std::function<bool()>& carryOn)
{
    QWriteLocker locker(&lock);
    if (!AnalysisDisposal::releaseEach(trapezoidLoadList) || !AnalysisDisposal::releaseEach(pointLoadList)
        || !AnalysisDisposal::releaseEach(memberList) || !AnalysisDisposal::releaseEach(nodeList))
        return false;
    StopChecks checks(carryOn);
    bool stopped = false;

    // Member fields are read under the structure's lock, so the GUI cannot
    // change an end or a pin while they are copied.
    struct Taking
    {
        MemberRef member;
        NodeRef a, b;
        bool pinA, pinB;
    };
    QVector<Taking> taking;
    QVector<NodeRef> nodes;
    QHash<Node*, QSharedPointer<AnalysisSourceNode>> byNode;
    // A member or a node an entry: they go elsewhere, however the step ends.
    const auto letGo = qScopeGuard([&] {
        AnalysisDisposal::releaseElsewhere(std::move(taking));
        AnalysisDisposal::releaseElsewhere(std::move(nodes));
        AnalysisDisposal::releaseElsewhere(std::move(byNode));
    });
    document->readMembers([&](const QList<MemberRef>& members) {
        for (const MemberRef& member : members) {
            if (checks.stopped()) {
                stopped = true;
                return;
            }
            if (!GeometryGroup::isAnalysed(member->group()))
                continue;
            // Moved into the list: no copy is left whose release the
            // compiler would have to follow.
            Taking t{member, member->nodeA(), member->nodeB(), member->pinAtA(), member->pinAtB()};
            if (!t.a || !t.b)
                throw ExceptionAnalysisFault(QStringLiteral("Bad member connectivity"), member);
            taking.append(std::move(t));
        }
    });
    if (stopped)
        return false;
    if (taking.isEmpty())
        throw ExceptionAnalysisFault(QStringLiteral("Insufficient members"));

    // Nodes in the order the structure's members first reach them, so that
    // the same model is numbered the same way in every run.
    for (const Taking& t : qAsConst(taking)) {
        if (checks.stopped())
            return false;
        for (const NodeRef& node : {t.a, t.b})
            if (!byNode.contains(node.data())) {
                byNode.insert(node.data(), QSharedPointer<AnalysisSourceNode>());
                nodes.append(node);
            }
    }
    if (nodes.size() < 2)
        throw ExceptionAnalysisFault(QStringLiteral("Insufficient nodes"));

    for (const Taking& t : qAsConst(taking))
        if (t.a == t.b)
            throw ExceptionAnalysisFault(QStringLiteral("Bad member connectivity"), t.member);

    for (const NodeRef& node : qAsConst(nodes)) {
        if (checks.stopped())
            return false;
        QSharedPointer<AnalysisSourceNode> sourceNode(new AnalysisSourceNode);
        sourceNode->analysisNode.reset(new AnalysisNode);
        sourceNode->node = node;
        nodeList.append(sourceNode);
        byNode.insert(node.data(), sourceNode);
    }
    for (const Taking& t : qAsConst(taking)) {
        if (checks.stopped())
            return false;
        QSharedPointer<AnalysisSourceMember> sourceMember(new AnalysisSourceMember);
        sourceMember->nodeA = byNode.value(t.a.data());
        sourceMember->nodeB = byNode.value(t.b.data());
        sourceMember->releaseA = t.pinA ? Dof::Pinned : Dof::All;
        sourceMember->releaseB = t.pinB ? Dof::Pinned : Dof::All;
        sourceMember->member = t.member;
        memberList.append(sourceMember);
    }
    return true;
}

bool AnalysisSource::initialiseGeometry(const AnalysisDocument* document, const std::function<bool()>& carryOn)
{
    QWriteLocker locker(&lock);
    StopChecks checks(carryOn);
    bool stopped = false;
    document->readMembers([&](const QList<MemberRef>&) {
        for (const QSharedPointer<AnalysisSourceNode>& sourceNode : qAsConst(nodeList)) {
            if ((stopped = checks.stopped()))
                return;
            const SupportRef support = sourceNode->node->support();
            sourceNode->position = sourceNode->node->position();
            sourceNode->restraints = support ? int(support->dof()) : 0;
        }
        for (const QSharedPointer<AnalysisSourceMember>& sm : qAsConst(memberList)) {
            if ((stopped = checks.stopped()))
                return;
            const Member& M = *sm->member;
            const MemberAxisRef memberAxis = M.axis();
            sm->orientationValid = !memberAxis || memberAxis->axis().node()
                                   || areClose(memberAxis->axis().vector().lengthSquared(), 1.0);
            sm->vectorY = M.vectorY();
            const SectionTypeRef sectionType = M.sectionType();
            const CrossSectionRef crossSection = sectionType ? sectionType->crossSection() : CrossSectionRef();
            const MaterialRef material = sectionType ? sectionType->material() : MaterialRef();
            sm->section.reset();
            if (crossSection && material && crossSection->isValid() && material->isValid())
                sm->section.reset(new AnalysisSection(*crossSection, *material));
        }
    });
    return !stopped;
}

double AnalysisSource::loadFactorFor(int r)
{
    return double(r % 100) / 200.0 + 1.3;
}

bool AnalysisSource::initialiseLoading(const AnalysisDocument* document, const std::function<bool()>& carryOn)
{
    QWriteLocker locker(&lock);
    if (!AnalysisDisposal::releaseEach(trapezoidLoadList) || !AnalysisDisposal::releaseEach(pointLoadList))
        return false;
    secondOrderCases.clear();

    // Asked once in so many cases or loads: a pass over millions ends soon after a stop.
    StopChecks checks(carryOn);

    // Everything the pass needs of a load, read while no edit can write it.
    struct Taken
    {
        LoadRef load;
        bool valid;
        MemberRef member;
        LoadCaseRef loadCase;
        Vector3 g;
        QList<Load::PositionedForce> P;
    };
    // What the pass holds of its cases and loads, millions maybe, goes
    // elsewhere a piece at a time however the pass ends.
    QList<LoadCaseRef> loadCases;
    QList<QList<LoadRef>> expanded;
    QList<LoadRef> gathered;
    QVector<Taken> taken;
    QHash<Member*, QSharedPointer<AnalysisSourceMember>> analysed;
    const auto letGo = qScopeGuard([&] {
        AnalysisDisposal::releaseElsewhere(std::move(expanded));
        AnalysisDisposal::releaseElsewhere(std::move(taken));
        AnalysisDisposal::releaseElsewhere(std::move(gathered));
        AnalysisDisposal::releaseElsewhere(std::move(loadCases));
        AnalysisDisposal::releaseElsewhere(std::move(analysed));
    });

    if (!document->gatherLoadCases(&loadCases, carryOn) || !document->loadsInLoadCases(loadCases, &expanded, carryOn))
        return false;
    // Counted first, so that the joined list is made at once rather than
    // copied whole as it grows.
    int total = 0;
    for (const QList<LoadRef>& loads : qAsConst(expanded)) {
        if (checks.stopped())
            return false;
        total += loads.size();
    }
    gathered.reserve(total);
    for (const QList<LoadRef>& loads : qAsConst(expanded)) {
        if (checks.stopped(1 + loads.size()))
            return false;
        gathered += loads;
    }
    if (gathered.isEmpty())
        throw ExceptionAnalysisFault(QStringLiteral("Insufficient loads"));

    taken.reserve(gathered.size());
    // Read under the document's lock a slice at a time: a writer waiting
    // for the lock, an edit or a save, has it between two slices rather
    // than wait for millions of loads. One that changed what the pass has
    // read makes carryOn answer false. A pass without carryOn reads on.
    int nextLoad = 0, nextCase = 0;
    bool stopped = false;
    while (!stopped && (nextLoad < gathered.size() || nextCase < loadCases.size())) {
        document->readMembers([&](const QList<MemberRef>&) {
            for (int end = std::min(nextLoad + stepsPerSlice, gathered.size()); nextLoad < end; ++nextLoad) {
                if ((stopped = checks.stopped()))
                    return;
                // A load this pass generated listens to no member: made
                // with its cache invalid, it is worked out here, and a
                // change of its member since makes carryOn answer false.
                const LoadRef& l = gathered.at(nextLoad);
                const bool valid = l->bringCacheUpToDate();
                taken.append(Taken{l, valid, l->member(), l->loadCase(), l->globalVector(),
                                   l->positionedForces()});
            }
            if (nextLoad < gathered.size())
                return;
            for (int end = std::min(nextCase + stepsPerSlice, loadCases.size()); nextCase < end; ++nextCase) {
                if ((stopped = checks.stopped()))
                    return;
                const auto* combination = qobject_cast<const Combination*>(loadCases.at(nextCase).data());
                if (combination && combination->isSecondOrder())
                    secondOrderCases.insert(combination);
            }
        });
        // Without carryOn there is no one to ask while writers have the lock.
        while (carryOn && !stopped && document->busyCount() != 0) {
            stopped = !carryOn();
            QThread::msleep(writerPollInterval);
        }
        stopped = stopped || (carryOn && !carryOn());
    }
    if (stopped)
        return false;

    for (const QSharedPointer<AnalysisSourceMember>& sourceMember : qAsConst(memberList)) {
        if (checks.stopped())
            return false;
        analysed.insert(sourceMember->member.data(), sourceMember);
    }

    // The teaching edition scales every load of a pass by one random factor.
    const double f = loadFactorFor(drawUnseeded());

    // Room made at once, untouched: a list grown as it fills would copy
    // itself whole between two checks.
    pointLoadList.reserve(taken.size());
    trapezoidLoadList.reserve(taken.size());
    for (const Taken& t : qAsConst(taken)) {
        if (checks.stopped())
            return false;
        const LoadRef& l = t.load;
        if (!t.valid)
            throw ExceptionAnalysisFault(QStringLiteral("Invalid load"), l);
        const QSharedPointer<AnalysisSourceMember> sourceMember = analysed.value(t.member.data());
        if (!t.member || !sourceMember)
            throw ExceptionAnalysisFault(QStringLiteral("Bad member reference by load"), l);
        const QList<Load::PositionedForce>& P = t.P;
        const bool isTrapezoid = qobject_cast<TrapezoidLoad*>(l.data()) != nullptr;
        if (P.size() != (isTrapezoid ? 2 : 1))
            throw ExceptionAnalysisFault(QStringLiteral("Bad load definition"), l);
        if (std::none_of(P.begin(), P.end(), [](const Load::PositionedForce& p) { return std::fabs(p.second) >= 1.0; }))
            continue;

        if (isTrapezoid) {
            if (P[1].first - P[0].first < 0x1p-16)
                throw ExceptionAnalysisFault(QStringLiteral("Trapezoidal load span too short"), l);
            QSharedPointer<AnalysisSourceTrapezoidLoad> q(new AnalysisSourceTrapezoidLoad);
            q->member = sourceMember;
            q->positionA = P[0].first;
            q->positionB = P[1].first;
            q->forceA = t.g * (P[0].second * f);
            q->forceB = t.g * (P[1].second * f);
            q->load = l;
            q->loadCase = t.loadCase;
            trapezoidLoadList.append(q);
            continue;
        }
        const bool isPoint = qobject_cast<PointLoad*>(l.data()) != nullptr;
        if (!isPoint && !qobject_cast<TorqueLoad*>(l.data()))
            continue;
        QSharedPointer<AnalysisSourcePointLoad> p(new AnalysisSourcePointLoad);
        p->member = sourceMember;
        p->position = P[0].first;
        const int offset = isPoint ? 0 : 3;
        for (int i = 0; i < 3; ++i)
            p->force[offset + i] = t.g[i] * P[0].second * f;
        p->load = l;
        p->loadCase = t.loadCase;
        pointLoadList.append(p);
    }
    if (pointLoadList.isEmpty() && trapezoidLoadList.isEmpty())
        throw ExceptionAnalysisFault(QStringLiteral("Insufficient loads"));
    return true;
}

bool AnalysisSource::initialiseLoadCases(const std::function<bool()>& carryOn)
{
    QWriteLocker locker(&lock);
    if (!AnalysisDisposal::releaseEach(loadCaseList))
        return false;
    StopChecks checks(carryOn);
    QMap<LoadCaseRef, QSharedPointer<AnalysisLoadCase>> byCase;
    // A case a map entry: millions, maybe.
    const auto letGo = qScopeGuard([&byCase] { AnalysisDisposal::releaseElsewhere(std::move(byCase)); });
    const auto caseOf = [&](const LoadCaseRef& loadCase) {
        QSharedPointer<AnalysisLoadCase>& entry = byCase[loadCase];
        if (!entry) {
            entry.reset(new AnalysisLoadCase);
            entry->loadCase = loadCase;
            entry->secondOrder = secondOrderCases.contains(loadCase.data());
        }
        return entry;
    };
    for (const QSharedPointer<AnalysisSourcePointLoad>& p : qAsConst(pointLoadList)) {
        if (checks.stopped())
            return false;
        const QSharedPointer<AnalysisLoadCase> loadCase = caseOf(p->loadCase);
        loadCase->pointLoads.append(p);
        if (!isNearZero(p->position) && !isNearZero(p->position - 1.0))
            loadCase->memberPointLoads.insert(p->member->member, p);
    }
    for (const QSharedPointer<AnalysisSourceTrapezoidLoad>& q : qAsConst(trapezoidLoadList)) {
        if (checks.stopped())
            return false;
        const QSharedPointer<AnalysisLoadCase> loadCase = caseOf(q->loadCase);
        loadCase->trapezoidLoads.append(q);
        loadCase->memberTrapezoidLoads.insert(q->member->member, q);
    }
    loadCaseList.reserve(byCase.size());
    for (auto i = byCase.cbegin(); i != byCase.cend(); ++i) {
        if (checks.stopped())
            return false;
        loadCaseList.append(i.value());
    }
    if (loadCaseList.isEmpty())
        throw ExceptionAnalysisFault(QStringLiteral("No non-empty load-cases"));
    return true;
}

QList<QSharedPointer<AnalysisSourceNode>> AnalysisSource::nodes() const
{
    QReadLocker locker(&lock);
    return nodeList;
}

QList<QSharedPointer<AnalysisSourceMember>> AnalysisSource::members() const
{
    QReadLocker locker(&lock);
    return memberList;
}

QList<QSharedPointer<AnalysisSourcePointLoad>> AnalysisSource::pointLoads() const
{
    QReadLocker locker(&lock);
    return pointLoadList;
}

QList<QSharedPointer<AnalysisSourceTrapezoidLoad>> AnalysisSource::trapezoidLoads() const
{
    QReadLocker locker(&lock);
    return trapezoidLoadList;
}

QList<QSharedPointer<AnalysisLoadCase>> AnalysisSource::loadCases() const
{
    QReadLocker locker(&lock);
    return loadCaseList;
}

NodeRef AnalysisSource::sourceOf(const QSharedPointer<AnalysisNode>& node) const
{
    QReadLocker locker(&lock);
    for (const QSharedPointer<AnalysisSourceNode>& sourceNode : nodeList)
        if (sourceNode->analysisNode == node)
            return sourceNode->node;
    return NodeRef();
}

MemberRef AnalysisSource::sourceOf(const QSharedPointer<AnalysisMember>& member) const
{
    QReadLocker locker(&lock);
    for (const QSharedPointer<AnalysisSourceMember>& sourceMember : memberList)
        if (sourceMember->analysisMembers.contains(member))
            return sourceMember->member;
    return MemberRef();
}

bool AnalysisSource::release()
{
    QWriteLocker locker(&lock);
    secondOrderCases.clear();
    return AnalysisDisposal::releaseEach(loadCaseList) && AnalysisDisposal::releaseEach(pointLoadList)
           && AnalysisDisposal::releaseEach(trapezoidLoadList) && AnalysisDisposal::releaseEach(memberList)
           && AnalysisDisposal::releaseEach(nodeList);
}
