#include "AnalysisModel.h"

#include "AnalysisDisposal.h"
#include "AnalysisDocument.h"
#include "AnalysisFaults.h"
#include "AnalysisLoadCase.h"
#include "AnalysisMember.h"
#include "AnalysisOutput.h"
#include "AnalysisPointLoad.h"
#include "AnalysisResultCase.h"
#include "AnalysisTrapezoidLoad.h"
#include "Member.h"
#include "MemberAxes.h"
#include "Node.h"
#include "PoolWork.h"
#include "StopChecks.h"
#include "VaroObject.h"

#include <QElapsedTimer>
#include <QMutexLocker>
#include <QReadLocker>
#include <QScopeGuard>
#include <QThreadPool>
#include <QWriteLocker>

#include <algorithm>

std::function<void(AnalysisModel::Phase)> AnalysisModel::_atStopCheck;

AnalysisModel::AnalysisModel(const AnalysisDocument* document, QObject* parent) : QThread(parent), document(document)
{
    if (!document)
        throw ExceptionCannotAllocate();
}

AnalysisModel::AnalysisModel(const QSharedPointer<const AnalysisDocument>& document, QObject* parent)
    : QThread(parent), sharedDocument(document), document(document.data())
{
    if (!document)
        throw ExceptionCannotAllocate();
}

void AnalysisModel::stop()
{
    {
        QMutexLocker locker(&flagMutex);
        stopRequested = true;
        keepRunning = false;
    }
    wakeUp.wakeAll();
}

AnalysisModel::OperatingState AnalysisModel::operatingState() const
{
    QReadLocker locker(&stateLock);
    return state;
}

QSharedPointer<AnalysisOutput> AnalysisModel::output() const
{
    QReadLocker locker(&stateLock);
    return outputValue;
}

QString AnalysisModel::statusMessage() const
{
    QReadLocker locker(&stateLock);
    return message;
}

AnalysisModel::Published AnalysisModel::published() const
{
    QReadLocker locker(&stateLock);
    return {state, message, outputValue};
}

VaroObjectRef AnalysisModel::statusObject() const
{
    QReadLocker locker(&stateLock);
    return object;
}

AnalysisModel::PhaseTimes AnalysisModel::phaseTimes() const
{
    QReadLocker locker(&stateLock);
    return times;
}

void AnalysisModel::setOperatingState(OperatingState newState)
{
    QWriteLocker locker(&stateLock);
    state = newState;
    emit OperatingStateChanged();
}

void AnalysisModel::setOutput(const QSharedPointer<AnalysisOutput>& output)
{
    QWriteLocker locker(&stateLock);
    outputValue = output;
    emit OutputChanged();
}

void AnalysisModel::clearOutput()
{
    {
        QWriteLocker locker(&stateLock);
        if (!outputValue)
            return;
        outputValue.reset();
        emit OutputChanged();
    }
    setOperatingState(NoResults);
}

void AnalysisModel::setStatus(const QString& newMessage, const VaroObjectRef& newObject)
{
    QWriteLocker locker(&stateLock);
    const bool changed = newMessage != message;
    message = newMessage;
    object = newObject;
    if (changed)
        emit StatusChanged();
}

bool AnalysisModel::keepRunningNow() const
{
    QMutexLocker locker(&flagMutex);
    return keepRunning;
}

bool AnalysisModel::busy() const
{
    return document->busyCount() != 0;
}

void AnalysisModel::waitFor(unsigned long ms)
{
    wakeUp.wait(&waitMutex, ms);
}

bool AnalysisModel::isTopologyValid() const
{
    return document->topologySum() == topologyStamp && keepRunningNow();
}

bool AnalysisModel::isStiffnessValid() const
{
    return topologyValid && document->stiffnessSum() == stiffnessStamp && document->topologySum() == topologyStamp
           && keepRunningNow();
}

bool AnalysisModel::isLoadingValid() const
{
    return stiffnessValid && document->loadingSum() == loadingStamp && document->stiffnessSum() == stiffnessStamp
           && document->topologySum() == topologyStamp && keepRunningNow();
}

bool AnalysisModel::isLoadingWanted() const
{
    // The pool's threads ask too; the hook hears only this thread.
    if (_atStopCheck && QThread::currentThread() == this)
        _atStopCheck(Solution);
    return isLoadingValid();
}

void AnalysisModel::run()
{
    // The loads this thread generates live here, and go here while it runs.
    VaroObject::Keeping keeping;
    setOperatingState(NoResults);
    QMutexLocker waitLocker(&waitMutex);
    try {
        {
            QMutexLocker locker(&flagMutex);
            keepRunning = !stopRequested;
        }
        if (keepRunningNow()) {
            waitFor(100);
            Phase phase = Watch;
            while (keepRunningNow()) {
                try {
                    switch (phase) {
                    case Watch:
                        destroyHandedBack(&keeping);
                        if (document->topologySum() != topologyStamp) {
                            stiffnessValid = topologyValid = false;
                            topologyStamp = document->topologySum();
                            phase = Topology;
                            clearOutput();
                            waitFor(50);
                        } else if (!topologyValid || document->stiffnessSum() != stiffnessStamp) {
                            stiffnessValid = false;
                            stiffnessStamp = document->stiffnessSum();
                            phase = Stiffness;
                            clearOutput();
                            waitFor(50);
                        } else if (isLoadingValid()) {
                            waitFor(50);
                        } else {
                            loadingStamp = document->loadingSum();
                            phase = Solution;
                            clearOutput();
                            waitFor(50);
                        }
                        break;
                    case Topology:
                        if (busy()) {
                            waitFor(100);
                        } else if (!isTopologyValid()) {
                            phase = Watch;
                        } else {
                            setStatus(QStringLiteral("Analysis in progress"), VaroObjectRef());
                            topologyValid = performTopology();
                            phase = topologyValid ? Stiffness : Watch;
                        }
                        break;
                    case Stiffness:
                        if (busy()) {
                            waitFor(100);
                        } else if (!isStiffnessValid()) {
                            phase = Watch;
                        } else {
                            setStatus(QStringLiteral("Analysis in progress"), VaroObjectRef());
                            stiffnessValid = performStiffness();
                            phase = stiffnessValid ? Solution : Watch;
                        }
                        break;
                    case Solution:
                        if (busy()) {
                            waitFor(100);
                        } else if (!isLoadingValid()) {
                            phase = Watch;
                        } else {
                            setStatus(QStringLiteral("Analysis in progress"), VaroObjectRef());
                            phase = performSolver() ? Publish : Watch;
                        }
                        break;
                    case Publish: {
                        setStatus(QString(), VaroObjectRef());
                        setOperatingState(ResultsAvailable);
                        QWriteLocker locker(&stateLock);
                        emit OutputChanged();
                        phase = Watch;
                        break;
                    }
                    }
                } catch (const ExceptionAnalysisFault& fault) {
                    if (phase != Topology && phase != Stiffness && phase != Solution)
                        throw;
                    clearOutput();
                    setStatus(fault.message, fault.object);
                    phase = Watch;
                }
            }
        }
    } catch (...) {
    }
    waitLocker.unlock();
    // Dropping the output first: clearOutput falls back to NoResults, and an
    // ended analysis must stay OffLine.
    clearOutput();
    setOperatingState(OffLine);
    setStatus(QStringLiteral("Analysis unavailable"), VaroObjectRef());
    releaseHoldings();
    const AnalysisDisposal::Freeing freeing;
    keeping.close([] { return AnalysisDisposal::isEnding(); });
}

void AnalysisModel::destroyHandedBack(VaroObject::Keeping* keeping)
{
    const AnalysisDisposal::Freeing freeing;
    // A slice at every look, however the model stands, and the rest while
    // its results stand.
    bool done = false;
    do {
        int budget = AnalysisDisposal::objectsPerSlice;
        done = keeping->destroySome(&budget);
    } while (!done && isLoadingValid());
}

void AnalysisModel::releaseHoldings()
{
    const AnalysisDisposal::Freeing freeing;
    stiffness.release() && AnalysisDisposal::releaseEach(loadVectors)
        && AnalysisDisposal::releaseEach(displacementVectors) && input.release() && source.release();
}

namespace {

// New records with the same values, made with the thread pool's help.
template <class T>
QList<QSharedPointer<T>> copiesOf(const QList<QSharedPointer<T>>& records)
{
    QVector<QSharedPointer<T>> copies(records.size());
    shareWithPool(records.size(), [&](int i) { copies[i] = QSharedPointer<T>::create(*records[i]); });
    return copies.toList();
}

// A window may drop an output last: its result cases go on the disposal
// thread, one at a time.
void disposeOf(AnalysisOutput* output)
{
    AnalysisDisposal::release([output] {
        if (!AnalysisDisposal::releaseEach(output->resultCases))
            return false;
        delete output;
        return true;
    });
}

// Runs the steps in order while valid() holds before and after each; a step
// returning false ends the run.
template <class Valid>
bool runSteps(Valid valid, std::initializer_list<std::function<bool()>> steps)
{
    if (!valid())
        return false;
    for (const auto& step : steps)
        if (!step() || !valid())
            return false;
    return true;
}

} // namespace

bool AnalysisModel::performTopology()
{
    QElapsedTimer timer;
    timer.start();
    const std::function<bool()> carryOn = [this] { return isTopologyValid(); };
    const bool done = runSteps(carryOn,
                               {[&] { return source.initialiseTopology(document, carryOn); },
                                [&] { return input.initialiseTopology(source, carryOn); },
                                [this] { return input.assignNodeNumbers(); },
                                [this] { return input.determineHalfBandwidth(); }});
    QWriteLocker locker(&stateLock);
    times.topology = timer.nsecsElapsed() * 1e-9;
    times.topologyRuns += done;
    return done;
}

bool AnalysisModel::performStiffness()
{
    QElapsedTimer timer;
    timer.start();
    const std::function<bool()> carryOn = [this] { return isStiffnessValid(); };
    const bool done = runSteps(carryOn,
                               {[&] { return source.initialiseGeometry(document, carryOn); },
                                [&] { return input.initialiseGeometry(source, carryOn); },
                                [this] { return input.buildIndexes(); }, [this] { return buildStiffnessMatrix(); },
                                [this] { return eliminate(); }});
    QWriteLocker locker(&stateLock);
    times.stiffness = timer.nsecsElapsed() * 1e-9;
    times.stiffnessRuns += done;
    return done;
}

bool AnalysisModel::performSolver()
{
    QElapsedTimer timer;
    timer.start();
    const std::function<bool()> carryOn = [this] { return isLoadingWanted(); };
    const bool done = runSteps([this] { return isLoadingValid(); },
                               {[&] { return source.initialiseLoading(document, carryOn); },
                                [&] { return source.initialiseLoadCases(carryOn); },
                                [&] { return input.initialiseLoading(source, carryOn); },
                                [this] { return buildLoadCases(); }, [this] { return solveForDisplacements(); },
                                [this] {
                                    compileFirstOrderResults();
                                    return true;
                                }});
    QWriteLocker locker(&stateLock);
    times.solver = timer.nsecsElapsed() * 1e-9;
    times.solverRuns += done;
    return done;
}

bool AnalysisModel::buildStiffnessMatrix()
{
    const int H = input.halfBandWidth();
    F = input.numberOfFreedoms();
    R = input.numberOfFixities();
    rows = input.rowMapping();

    QList<QSharedPointer<AnalysisMember>> members = input.members();
    std::sort(members.begin(), members.end(), AnalysisMember::flexibilityLessThan);
    const auto rowsOf = [this](const AnalysisMember& m, int idx[12]) {
        for (int d = 0; d < 6; ++d) {
            idx[d] = rows[6 * m.nodeA->number + d];
            idx[6 + d] = rows[6 * m.nodeB->number + d];
        }
    };
    // The members fix which entries the system will read: only those are
    // zeroed, and pages of the band that nothing reads stay untouched.
    std::vector<int> reach(size_t(F), 0);
    for (const QSharedPointer<AnalysisMember>& m : members) {
        int idx[12];
        rowsOf(*m, idx);
        BandedSystem::widenReach(reach, idx);
    }
    stiffness.reset(F, H, reach);

    int count = 0;
    for (const QSharedPointer<AnalysisMember>& m : members) {
        Matrix12x12 k, T;
        computeMemberLocalStiffnessMatrix(m, &k);
        AnalysisMember::expandTransformationMatrix(m->axes, &T);
        const Matrix12x12 K = transposeTimes(T, k) * T;
        int idx[12];
        rowsOf(*m, idx);
        stiffness.assemble(K, idx);
        if (++count % 128 == 0 && !isStiffnessValid())
            return false;
    }
    const int row = stiffness.firstVanishingDiagonal();
    if (row >= 0)
        throw ExceptionAnalysisFault(QStringLiteral("Ill-conditioning on node"), nodeOfRow(row));
    return true;
}

bool AnalysisModel::eliminate()
{
    const BandedSystem::Outcome outcome = stiffness.eliminate([this] {
        if (_atStopCheck)
            _atStopCheck(Stiffness);
        return isStiffnessValid();
    });
    if (outcome.status == BandedSystem::Singular)
        throw ExceptionAnalysisFault(QStringLiteral("Ill-conditioning involving node"), nodeOfRow(outcome.row));
    return outcome.status == BandedSystem::Completed;
}

NodeRef AnalysisModel::nodeOfRow(int row) const
{
    const int q = int(rows.indexOf(row));
    const QList<QSharedPointer<AnalysisNode>> nodes = input.nodes();
    for (const QSharedPointer<AnalysisNode>& node : nodes)
        if (node->number == q / 6)
            return source.sourceOf(node->isBridge() ? node->bridgeFraction < 0.5 ? node->bridgeNodeA : node->bridgeNodeB
                                                    : node);
    return NodeRef();
}

void AnalysisModel::computeMemberLocalStiffnessMatrix(const QSharedPointer<AnalysisMember>& m, Matrix12x12* k) const
{
    try {
        m->localStiffnessMatrix(k);
    } catch (const ExceptionAnalysisFault& fault) {
        throw ExceptionAnalysisFault(fault.message, source.sourceOf(m));
    }
}

bool AnalysisModel::buildLoadCases()
{
    if (!AnalysisDisposal::releaseEach(loadVectors) || !AnalysisDisposal::releaseEach(displacementVectors))
        return false;
    const QList<QSharedPointer<AnalysisLoadCase>> loadCases = source.loadCases();
    for (const QSharedPointer<AnalysisLoadCase>& loadCase : loadCases) {
        if (!isLoadingWanted())
            return false;
        buildLoadCase(loadCase);
    }
    return true;
}

bool AnalysisModel::buildLoadCase(const QSharedPointer<AnalysisLoadCase>& loadCase)
{
    QVector<double> P(F + R, 0.0);
    Vector6 e1, e2;
    for (const QSharedPointer<AnalysisSourcePointLoad>& p : loadCase->pointLoads) {
        if (p->analysisLoad->isOnNode()) {
            const auto& load = static_cast<const AnalysisNodeLoad&>(*p->analysisLoad);
            for (int d = 0; d < 6; ++d)
                P[rows[6 * load.node->number + d]] += load.force[d];
        } else {
            const auto& load = static_cast<const AnalysisPointLoad&>(*p->analysisLoad);
            load.localEndForces(load.member->length, &e1, &e2);
            addLocalEndForcesToGlobalP(load.member, e1, e2, &P);
        }
    }
    for (const QSharedPointer<AnalysisSourceTrapezoidLoad>& q : loadCase->trapezoidLoads) {
        q->analysisLoad->localEndForces(q->member->length, &e1, &e2);
        addLocalEndForcesToGlobalP(q->member, e1, e2, &P);
    }
    loadVectors.insert(loadCase, P);
    displacementVectors.insert(loadCase, QVector<double>(F + R, 0.0));
    return true;
}

void AnalysisModel::addLocalEndForcesToGlobalP(const QSharedPointer<AnalysisSourceMember>& member, const Vector6& end1,
                                               const Vector6& end2, QVector<double>* p) const
{
    const Vector6 g1 = toGlobal(member->axes, end1), g2 = toGlobal(member->axes, end2);
    for (int d = 0; d < 6; ++d) {
        (*p)[rows[6 * member->innerNodeA->number + d]] += g1[d];
        (*p)[rows[6 * member->innerNodeB->number + d]] += g2[d];
    }
}

bool AnalysisModel::solveForDisplacements()
{
    const QList<QSharedPointer<AnalysisLoadCase>> loadCases = source.loadCases();
    for (const QSharedPointer<AnalysisLoadCase>& loadCase : loadCases)
        if (!isLoadingWanted() || !solveLoadCase(loadCase))
            return false;
    return true;
}

bool AnalysisModel::solveLoadCase(const QSharedPointer<AnalysisLoadCase>& loadCase)
{
    QVector<double> x = loadVectors.value(loadCase);
    x.resize(F + R);
    const BandedSystem::Outcome outcome = stiffness.solve(x.data(), [this] { return isLoadingValid(); });
    if (outcome.status == BandedSystem::Abandoned)
        return false;
    // The elimination tests every pivot, so only an overflow gets here.
    if (outcome.status == BandedSystem::Singular)
        throw ExceptionAnalysisFault(QStringLiteral("Ill-conditioning involving node"), nodeOfRow(outcome.row));
    std::fill(x.begin() + F, x.end(), 0.0);
    displacementVectors.insert(loadCase, x);
    return true;
}

Vector6 AnalysisModel::displacementOf(const AnalysisNode& node, const QVector<double>& displacements) const
{
    Vector6 d;
    for (int k = 0; k < 6; ++k)
        d[k] = displacements[rows[6 * node.number + k]];
    return d;
}

Vector12 AnalysisModel::localEndDisplacements(const Matrix3x3& axes, const AnalysisNode& end1,
                                              const AnalysisNode& end2, const QVector<double>& displacements) const
{
    const Vector6 u1 = toLocal(axes, displacementOf(end1, displacements));
    const Vector6 u2 = toLocal(axes, displacementOf(end2, displacements));
    Vector12 u;
    for (int d = 0; d < 6; ++d) {
        u[d] = u1[d];
        u[6 + d] = u2[d];
    }
    return u;
}

void AnalysisModel::computeLocalEndForcesDueToEndDisplacement(const QSharedPointer<AnalysisMember>& member,
                                                              const QVector<double>& displacements,
                                                              Vector12* endForces) const
{
    const Vector12 u = localEndDisplacements(member->axes, *member->nodeA, *member->nodeB, displacements);
    Matrix12x12 k;
    computeMemberLocalStiffnessMatrix(member, &k);
    *endForces = k * u;
}

void AnalysisModel::compileFirstOrderResults()
{
    QElapsedTimer timer;
    timer.start();
    QSharedPointer<AnalysisOutput> output(new AnalysisOutput, &disposeOf);

    // The output gets records of its own: the next stiffness phase rewrites
    // the source's records in place while a view may still read this output.
    const QList<QSharedPointer<AnalysisSourceNode>> nodes = copiesOf(source.nodes());
    const QList<QSharedPointer<AnalysisSourceMember>> members = copiesOf(source.members());

    // One task per first-order load case, this thread taking its share: a
    // task waits in turn for its members' ranges, so no thread may wait for
    // a task that is only queued, whatever the size of the pool and however
    // much of it other work holds.
    QList<QSharedPointer<AnalysisLoadCase>> firstOrder;
    QVector<QSharedPointer<AnalysisResultCase>> resultCases;
    // A case an entry, millions maybe: they go elsewhere a piece at a time.
    const auto letGo = qScopeGuard([&] {
        AnalysisDisposal::releaseElsewhere(std::move(resultCases));
        AnalysisDisposal::releaseElsewhere(std::move(firstOrder));
    });
    StopChecks checks([this] { return isLoadingWanted(); });
    const QList<QSharedPointer<AnalysisLoadCase>> loadCases = source.loadCases();
    // Reserved untouched, the lists are filled a step at a time: neither a
    // growth that copies them nor a slot for every case filled at once comes
    // between two checks.
    firstOrder.reserve(loadCases.size());
    resultCases.reserve(loadCases.size());
    for (const QSharedPointer<AnalysisLoadCase>& loadCase : loadCases) {
        if (checks.stopped())
            return;
        if (!loadCase->isSecondOrder()) {
            firstOrder.append(loadCase);
            resultCases.append(nullptr);
        }
    }
    shareWithPool(firstOrder.size(), [&](int i) {
        resultCases[i] = compileResultsForFirstOrderLoadCase(firstOrder[i], nodes, members);
    });
    for (const QSharedPointer<AnalysisResultCase>& resultCase : qAsConst(resultCases)) {
        if (checks.stopped())
            return;
        if (resultCase)
            output->resultCases.insert(resultCase->loadCase, resultCase);
    }
    if (!output->calculateAndSetResultScales([this] { return isLoadingWanted(); }))
        return;
    {
        QWriteLocker locker(&stateLock);
        times.compilation = timer.nsecsElapsed() * 1e-9;
    }
    if (isLoadingValid())
        setOutput(output);
}

QSharedPointer<AnalysisResultCase>
AnalysisModel::compileResultsForFirstOrderLoadCase(const QSharedPointer<AnalysisLoadCase>& loadCase,
                                                   const QList<QSharedPointer<AnalysisSourceNode>>& nodes,
                                                   const QList<QSharedPointer<AnalysisSourceMember>>& members) const
{
    if (!isLoadingWanted() || !displacementVectors.contains(loadCase) || !loadVectors.contains(loadCase))
        return QSharedPointer<AnalysisResultCase>();
    const QVector<double> displacements = displacementVectors.value(loadCase);
    QVector<double> residual = loadVectors.value(loadCase);
    QSharedPointer<AnalysisResultCase> result(new AnalysisResultCase(loadCase));

    for (const QSharedPointer<AnalysisSourceNode>& sn : nodes) {
        result->nodeDisplacements.insert(sn->node, displacementOf(*sn->analysisNode, displacements));
        result->sourceNodes.insert(sn->node, sn);
    }

    // The members in ranges shared with the thread pool: end forces of the
    // main pieces, the pieces' share of the support reactions, then the
    // statistics; the maps are filled between the two on this thread.
    const int n = members.size();
    const int ranges = std::min(n, 4 * QThreadPool::globalInstance()->maxThreadCount());
    const auto rangeOf = [n, ranges](int range) { return std::make_pair(n * range / ranges, n * (range + 1) / ranges); };

    QVector<Vector12> endForces(n);
    QVector<QVector<QPair<int, double>>> reactionShares(ranges);
    // Each range asks whether the pass is still wanted, so that a stop or
    // an edit ends the work on a large model soon.
    shareWithPool(ranges, [&](int range) {
        if (!isLoadingValid())
            return;
        for (int i = rangeOf(range).first; i < rangeOf(range).second; ++i) {
            // End forces of the main piece from its end displacements alone;
            // a release lies in the stub beyond the bridge node.
            const AnalysisSourceMember& sm = *members[i];
            const Vector12 u = localEndDisplacements(sm.axes, *sm.innerNodeA, *sm.innerNodeB, displacements);
            const AnalysisSection& s = *sm.section;
            Matrix12x12 k;
            AnalysisMember::makeLocalStiffnessMatrix(sm.length, s.E, s.G, s.area, s.Iz, s.Iy, s.J, 63, 63, &k);
            endForces[i] = k * u;

            // K·d of every piece at the restrained rows, which the residual
            // P − K·d turns into reactions.
            for (const QSharedPointer<AnalysisMember>& m : sm.analysisMembers) {
                Vector12 f;
                computeLocalEndForcesDueToEndDisplacement(m, displacements, &f);
                Vector6 f1, f2;
                for (int d = 0; d < 6; ++d) {
                    f1[d] = f[d];
                    f2[d] = f[6 + d];
                }
                const Vector6 g1 = toGlobal(m->axes, f1), g2 = toGlobal(m->axes, f2);
                for (int d = 0; d < 6; ++d) {
                    const int rowA = rows[6 * m->nodeA->number + d], rowB = rows[6 * m->nodeB->number + d];
                    if (rowA >= F)
                        reactionShares[range].append(qMakePair(rowA, g1[d]));
                    if (rowB >= F)
                        reactionShares[range].append(qMakePair(rowB, g2[d]));
                }
            }
        }
    });
    if (!isLoadingValid())
        return QSharedPointer<AnalysisResultCase>();
    for (int i = 0; i < n; ++i) {
        result->memberEndForces.insert(members[i]->member, endForces[i]);
        result->sourceMembers.insert(members[i]->member, members[i]);
    }
    for (const QVector<QPair<int, double>>& shares : qAsConst(reactionShares))
        for (const QPair<int, double>& share : shares)
            residual[share.first] -= share.second;
    for (const QSharedPointer<AnalysisSourceNode>& sn : nodes) {
        const AnalysisNode& node = *sn->analysisNode;
        if (node.restraints == 0)
            continue;
        Vector6 reaction;
        for (int k = 0; k < 6; ++k) {
            const int row = rows[6 * node.number + k];
            reaction[k] = row >= F ? -residual[row] : 0.0;
        }
        result->nodeReactions.insert(sn->node, reaction);
    }

    QVector<MemberStats> stats(n);
    shareWithPool(ranges, [&](int range) {
        if (!isLoadingValid())
            return;
        for (int i = rangeOf(range).first; i < rangeOf(range).second; ++i)
            stats[i] = result->memberStatsOf(members[i]->member);
    });
    if (!isLoadingValid())
        return QSharedPointer<AnalysisResultCase>();
    for (int i = 0; i < n; ++i)
        result->memberStats.insert(members[i]->member, stats[i]);
    result->deriveWorstCases();
    return result;
}
