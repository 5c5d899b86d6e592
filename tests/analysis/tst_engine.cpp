#include "AnalysisTesting.h"
#include "CloseTesting.h"
#include "CpuTimeTesting.h"
#include "AnalysisDisposal.h"
#include "AnalysisDocument.h"
#include "AnalysisFaults.h"
#include "AnalysisInstallation.h"
#include "AnalysisLoadCase.h"
#include "AnalysisModel.h"
#include "AnalysisOutput.h"
#include "AnalysisResultCase.h"
#include "AnalysisSource.h"
#include "Axis.h"
#include "Combination.h"
#include "DocumentModel.h"
#include "EditingActions.h"
#include "GravityCase.h"
#include "CrossSection.h"
#include "GeometryGroup.h"
#include "GroupLibrary.h"
#include "LoadAxis.h"
#include "LoadCaseExpansion.h"
#include "LoadCaseLibrary.h"
#include "Libraries.h"
#include "Loading.h"
#include "Material.h"
#include "Member.h"
#include "Node.h"
#include "PointLoad.h"
#include "Polynomial.h"
#include "SectionType.h"
#include "StopChecks.h"
#include "StructureModel.h"
#include "SwayCase.h"
#include "Support.h"
#include "TorqueLoad.h"
#include "TrapezoidLoad.h"
#include "UnitSystem.h"
#include "PoolTesting.h"
#include "TestMain.h"

#include <QDeadlineTimer>

#include <limits>
#include <QPointer>
#include <QtCore/private/qobject_p.h>
#include <QtCore/private/qthread_p.h>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QUndoStack>
#include <QtTest>

#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

// The whole engine, from a document through the analysis thread to the
// published output, against closed-form beam results. Every pass scales the
// loads by a random factor, read back as reaction / applied load.

namespace {

const double E = 2.1e11, G = 8.1e10, A = 5.38e-3, Iy = 8.36e-5, Iz = 6.04e-6, J = 2.0e-7, L = 4.0;
const double exact = 1e-9;
// A stub is 10000 times stiffer than its member, not rigid.
const double stubTolerance = 1e-3;

SectionTypeRef steelSection(double shear = G)
{
    const CrossSectionRef section(new CrossSection);
    section->setShape(CrossSection::IBeam);
    section->setOverallDepth(0.2);
    section->setTopFlangeWidth(0.1);
    section->setWebThickness(0.006);
    section->setTopFlangeThickness(0.009);
    section->compute();
    section->setArea(A);
    section->setIy(Iy);
    section->setIz(Iz);
    section->setJ(J);
    section->setWely(Iy / 0.1);
    section->setWelz(Iz / 0.05);
    const MaterialRef steel(new Material({QStringLiteral("Steel")}, E, shear, 7850, 1.2e-5));
    return VaroObject::make<SectionType>(section, steel);
}

// A document built through its structure operations while it is still
// busy, so that its analysis starts only once the model is complete.
class TestDocument
{
public:
    QSharedPointer<DocumentModel> model{new DocumentModel(QSharedPointer<UnitSystem>(new UnitSystem))};
    QSharedPointer<StructureModel> structure = model->structureModel();
    SectionTypeRef section = steelSection();
    LoadingRef loadingCase{VaroObject::make<Loading>(QStringLiteral("Loading 1"))};

    TestDocument() { addLoadCase(loadingCase); }

    void addLoadCase(const LoadCaseRef& loadCase) { model->libraries()->loadCaseLibrary()->append(loadCase); }
    NodeRef node(const Vector3& p, int restraints = 0)
    {
        NodeRef n(VaroObject::make<Node>());
        n->setPosition(p);
        if (restraints)
            n->setSupport(VaroObject::make<Support>(QString(), restraints));
        structure->appendNode(n);
        return n;
    }
    MemberRef member(const NodeRef& a, const NodeRef& b, bool pinA = false, bool pinB = false)
    {
        MemberRef m(VaroObject::make<Member>(a, b));
        m->setSectionType(section);
        m->setPinAtA(pinA);
        m->setPinAtB(pinB);
        structure->appendMember(m);
        return m;
    }
    template <class T>
    LoadRef load(const MemberRef& m, const Vector3& direction, const QList<Load::PositionedForce>& pairs,
                 const LoadCaseRef& loadCase = LoadCaseRef())
    {
        LoadRef l(new T(m));
        l->setAxis(VaroObject::make<LoadAxis>(Axis(direction, NodeRef(), true, false)));
        l->setLoadCase(loadCase ? loadCase : LoadCaseRef(loadingCase));
        l->setPositionedForces(pairs);
        structure->appendLoad(l);
        return l;
    }
};

// Lets the analysis of a finished document start and reads what it publishes.
struct Run
{
    TestDocument& document;
    const QSharedPointer<AnalysisModel> model;

    explicit Run(TestDocument& document)
        : document(document), model(qSharedPointerObjectCast<AnalysisModel>(document.model->analysisModel()))
    {
        document.model->lowerBusyCount();
    }
    bool settled() const { return hasSettled(*model); }
    QSharedPointer<AnalysisResultCase> results(const LoadCaseRef& loadCase)
    {
        const QSharedPointer<AnalysisOutput> output = document.model->analysisOutput();
        return output ? output->resultCases.value(loadCase) : QSharedPointer<AnalysisResultCase>();
    }
};

#define ANALYSE(run) QTRY_VERIFY_WITH_TIMEOUT((run).settled(), 10000)

// A cantilever along X under a tip load P down, its loading the first link
// of a chain of combinations, each the one before it times 2 or 0.5 by
// turns: the last of n links is the loading times 2 when n is odd, else 1.
struct LinkedCantilever
{
    static constexpr double P = 1000.0;
    TestDocument document;
    NodeRef base = document.node(Vector3(0, 0, 0), 63), tip = document.node(Vector3(L, 0, 0));
    MemberRef member = document.member(base, tip);
    LoadRef load = document.load<PointLoad>(member, Vector3(0, 1, 0), {{1.0, -P}});
    LoadCaseRef last;

    explicit LinkedCantilever(int links)
    {
        QList<LoadCaseRef> chain;
        last = document.loadingCase;
        for (int i = 0; i < links; ++i) {
            const CombinationRef next(VaroObject::make<Combination>(QString::number(i)));
            next->addFactor(last, i % 2 ? 0.5 : 2.0);
            chain << next;
            last = next;
        }
        document.model->libraries()->loadCaseLibrary()->appendAll(chain);
    }
};

// A point load that counts itself and its copies, which the expansion of
// load cases makes; the copies can be held as they are freed.
class CountedLoad : public PointLoad
{
public:
    explicit CountedLoad(const MemberRef& member) : PointLoad(member) { ++_alive; }
    ~CountedLoad() override
    {
        if (_whenFreed)
            _whenFreed();
        --_alive;
    }
    LoadRef clone() const override
    {
        const LoadRef copy(VaroObject::make<CountedLoad>(member()));
        copy->importFrom(*this);
        return copy;
    }

    static std::atomic<int> _alive;
    // Set only while no copy can be freed.
    static std::function<void()> _whenFreed;
};

std::atomic<int> CountedLoad::_alive{0};
std::function<void()> CountedLoad::_whenFreed;

// Holds the first thread that passes while it is shut, until it is opened.
class Gate
{
public:
    void pass()
    {
        QMutexLocker locker(&mutex);
        if (opened || holding)
            return;
        holding = true;
        while (!opened)
            wake.wait(&mutex);
    }
    bool isHolding()
    {
        QMutexLocker locker(&mutex);
        return holding && !opened;
    }
    // Holds every caller, not only the first, until opened.
    void holdEach()
    {
        QMutexLocker locker(&mutex);
        holding = true;
        while (!opened)
            wake.wait(&mutex);
    }
    void open()
    {
        QMutexLocker locker(&mutex);
        opened = true;
        wake.wakeAll();
    }

private:
    QMutex mutex;
    QWaitCondition wake;
    bool holding = false, opened = false;
};

// The events posted to the objects of one thread, as they wait there: a
// thread that runs no event loop never takes them.
class PostedEvents
{
public:
    // Of the thread that the object lives in, whose thread object must
    // outlive this.
    explicit PostedEvents(QObject* livingThere) : data(QObjectPrivate::get(livingThere)->threadData.loadAcquire()) {}

    int waiting() const
    {
        QMutexLocker locker(&data->postEventList.mutex);
        return int(std::count_if(data->postEventList.cbegin(), data->postEventList.cend(),
                                 [](const QPostEvent& posted) { return posted.event != nullptr; }));
    }

private:
    QThreadData* const data;
};

// The loads of a published output that the analysis generated: those of
// another thread than the document's.
QList<LoadRef> generatedLoadsOf(const AnalysisOutput& output)
{
    QList<LoadRef> loads;
    for (const QSharedPointer<AnalysisResultCase>& resultCase : output.resultCases) {
        for (const auto& record : resultCase->memberPointLoads)
            loads << record->load;
        for (const auto& record : resultCase->memberTrapezoidLoads)
            loads << record->load;
    }
    loads.erase(std::remove_if(loads.begin(), loads.end(),
                               [](const LoadRef& load) { return load->thread() == qApp->thread(); }),
                loads.end());
    return loads;
}

} // namespace

class tst_Engine : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { installAnalysis(); }
    void theDocumentRelaysItsAnalysisAndRerunsWhatChanged();
    void aDocumentEndsItsRunningAnalysis();
    void aDocumentGoesWhileItsAnalysisExpands();
    void cantileverTipLoads_data();
    void cantileverTipLoads();
    void fixedBeams_data();
    void fixedBeams();
    void proppedCantileverWithRelease();
    void supportsChangedToAndFroKeepTheirClosedForms();
    void largestValuesAlongMembersAreTheLargest_data();
    void largestValuesAlongMembersAreTheLargest();
    void largestValuesAlongRandomSpansAreTheLargest_data();
    void largestValuesAlongRandomSpansAreTheLargest();
    void zerosOfAPieceAreClosedToTheirTolerance_data();
    void zerosOfAPieceAreClosedToTheirTolerance();
    void zerosAreClosedToRounding_data();
    void zerosAreClosedToRounding();
    void portalFrameEquilibrium();
    void faults_data();
    void faults();
    void editsAndUndoWhileAnalysing();
    void nodesAreTakenInTheStructuresOrder();
    void loadsStaySoundWhileTheDrawingWorksMembersOut_data();
    void loadsStaySoundWhileTheDrawingWorksMembersOut();
    void resultsArriveWhateverThePool_data();
    void resultsArriveWhateverThePool();
    void sharedCombinationsScaleTheirResults();
    void eachAnalysisDrawsItsFactorsAsUnseeded();
    void linkedCombinationsAnalyseInLinearTime();
    void noStretchOfALoadingPassGrowsWithItsCases();
    void aWriterIsLetInWhileTheLoadsAreRead();
    void generatedLoadsListenToNothingAndGoInTheirThread_data();
    void generatedLoadsListenToNothingAndGoInTheirThread();
    // The program's end for good: the last test.
    void aFinishedExpansionLeavesItsTablesToBeFreedElsewhere();
    void aStoppedExpansionGoesAPieceAtATime_data();
    void aStoppedExpansionGoesAPieceAtATime();
};

void tst_Engine::theDocumentRelaysItsAnalysisAndRerunsWhatChanged()
{
    TestDocument document;
    const DocumentModel& model = *document.model;
    QCOMPARE(model.analysisOperatingState(), AnalysisModel::NoResults);
    QCOMPARE(model.analysisStatusMessage(), QStringLiteral("Not analysed"));
    QVERIFY(!model.analysisOutput());

    const NodeRef a = document.node(Vector3(0, 0, 0), 63), b = document.node(Vector3(L, 0, 0));
    const MemberRef m = document.member(a, b);
    const LoadRef load = document.load<PointLoad>(m, Vector3(0, 1, 0), {{1.0, -1000.0}});
    QSignalSpy state(&model, &DocumentModel::AnalysisOperatingStateHasChanged);
    QSignalSpy output(&model, &DocumentModel::AnalysisOutputHasChanged);
    QSignalSpy status(&model, &DocumentModel::AnalysisStatusHasChanged);
    QSignalSpy crashed(&model, &DocumentModel::AnalysisHasCrashed);
    Run run(document);
    ANALYSE(run);
    QTRY_VERIFY(!state.isEmpty() && !output.isEmpty() && !status.isEmpty());
    QCOMPARE(model.analysisOperatingState(), AnalysisModel::ResultsAvailable);
    QVERIFY(model.analysisStatusMessage().isEmpty());
    QVERIFY(model.analysisOutput());
    QCOMPARE(crashed.count(), 0);

    // Each edit reruns only the phases it makes stale.
    const QSharedPointer<AnalysisOutput> first = run.model->output();
    QVERIFY(first);
    // A pass publishes its output before it counts itself.
    const auto waitForRuns = [&](int solverRuns) {
        QTRY_COMPARE_WITH_TIMEOUT(run.model->phaseTimes().solverRuns, solverRuns, 10000);
        QVERIFY(run.model->output());
    };
    QCOMPARE(run.model->phaseTimes().topologyRuns, 1);
    QCOMPARE(run.model->phaseTimes().stiffnessRuns, 1);

    const auto edit = [&](const std::function<void(StructureModel&)>& change) {
        DocumentWriteGuard guard(document.model.data());
        change(*document.structure);
    };
    edit([&](StructureModel& s) { s.changeLoadForceAtIndex({{load, -2000.0}}, 0); });
    waitForRuns(2);
    QCOMPARE(run.model->phaseTimes().stiffnessRuns, 1);
    QCOMPARE(run.model->phaseTimes().topologyRuns, 1);

    // Moving the tip changes the stiffness; the output held from before keeps its own geometry.
    edit([&](StructureModel& s) { s.setNodePositions({{b, Vector3(2 * L, 0, 0)}}); });
    waitForRuns(3);
    QCOMPARE(run.model->phaseTimes().stiffnessRuns, 2);
    QCOMPARE(run.model->phaseTimes().topologyRuns, 1);
    VERIFY_CLOSE(first->resultCases.first()->sourceMembers.value(m)->length, L, exact, 1.0);
    VERIFY_CLOSE(run.model->output()->resultCases.first()->sourceMembers.value(m)->length, 2 * L, exact, 1.0);

    // A new group makes everything stale.
    edit([&](StructureModel&) { document.model->libraries()->groupLibrary()->append(VaroObject::make<GeometryGroup>()); });
    waitForRuns(4);
    QCOMPARE(run.model->phaseTimes().topologyRuns, 2);

    // An analysis that ends while its document lives is reported once, and
    // its results are gone for good.
    run.model->stop();
    QVERIFY(crashed.wait());
    QCoreApplication::processEvents();
    QCOMPARE(crashed.count(), 1);
    QCOMPARE(model.analysisOperatingState(), AnalysisModel::OffLine);
    QCOMPARE(model.analysisStatusMessage(), QStringLiteral("Analysis unavailable"));
    QVERIFY(!model.analysisOutput());
}

void tst_Engine::aDocumentEndsItsRunningAnalysis()
{
    // A frame large enough to keep the analysis computing for a while.
    TestDocument document;
    const int n = 8;
    QVector<NodeRef> nodes;
    for (int k = 0; k <= n; ++k)
        for (int j = 0; j <= n; ++j)
            for (int i = 0; i <= n; ++i)
                nodes.append(document.node(Vector3(6.0 * i, 3.5 * k, 6.0 * j), k == 0 ? 63 : 0));
    const auto at = [&](int i, int j, int k) { return nodes[(k * (n + 1) + j) * (n + 1) + i]; };
    for (int k = 1; k <= n; ++k)
        for (int j = 0; j <= n; ++j)
            for (int i = 0; i <= n; ++i) {
                const MemberRef column = document.member(at(i, j, k - 1), at(i, j, k));
                document.load<PointLoad>(column, Vector3(0, 1, 0), {{1.0, -50e3}});
                if (i < n)
                    document.member(at(i, j, k), at(i + 1, j, k));
                if (j < n)
                    document.member(at(i, j, k), at(i, j + 1, k));
            }
    QSharedPointer<QObject> analysis = document.model->analysisModel();
    QSignalSpy crashed(document.model.data(), &DocumentModel::AnalysisHasCrashed);
    Run run(document);
    // Read once: the status leaves this as the analysis ends.
    QVERIFY(QTest::qWaitFor(
        [&] { return document.model->analysisStatusMessage() == QLatin1String("Analysis in progress"); }, 10000));

    // Asked to end, the analysis finishes by itself; the document does not wait for it.
    document.model.reset();
    QTRY_VERIFY(qobject_cast<QThread*>(analysis.data())->isFinished());
    QCoreApplication::processEvents();
    QCOMPARE(crashed.count(), 0);
}

// A document that goes while its analysis expands thousands of load cases,
// held back there by a writer that never finishes, returns at once; the
// analysis, still reading what the document shared with it, sees that it is
// to end, finishes by itself, and is let go.
void tst_Engine::aDocumentGoesWhileItsAnalysisExpands()
{
    LinkedCantilever model(20000);
    const QPointer<AnalysisModel> analysis =
        qobject_cast<AnalysisModel*>(model.document.model->analysisModel().data());
    model.document.model->lowerBusyCount();
    // After the stiffness, the analysis reads the document for the loads
    // alone; it holds the lock for long stretches then, which a look that
    // waits for nothing finds.
    const auto readingTheLoads = [&] {
        TrackedReadWriteLock* lock = model.document.model->documentLock();
        const int stiffnessRuns = analysis->phaseTimes().stiffnessRuns;
        if (stiffnessRuns != 1 || !lock->tryLockForWrite())
            return stiffnessRuns == 1;
        lock->unlock();
        return false;
    };
    const QDeadlineTimer deadline(10000);
    while (!readingTheLoads() && !deadline.hasExpired())
        QThread::yieldCurrentThread();
    QVERIFY(!deadline.hasExpired());
    model.document.model->raiseBusyCount();
    // Returning at once is stated as work, which a loaded machine does not stretch.
    const double cpuBefore = processCpuSeconds();
    model.document.model.reset();
    const double closing = processCpuSeconds() - cpuBefore;
    QVERIFY2(closing < 2.5, qPrintable(QStringLiteral("%1 s of CPU time").arg(closing)));
    QTRY_VERIFY_WITH_TIMEOUT(!analysis, 10000);
}

void tst_Engine::cantileverTipLoads_data()
{
    QTest::addColumn<bool>("torque");
    QTest::addColumn<Vector3>("direction");
    QTest::addColumn<int>("freedom"); // of the tip displacement
    QTest::addColumn<double>("flexibility"); // displacement per unit load
    QTest::addColumn<int>("rotation"); // freedom of the tip rotation, −1 none
    QTest::addColumn<double>("rotationPerLoad");
    QTest::addColumn<int>("moment"); // reaction couple at the support, −1 none
    QTest::addColumn<double>("momentPerLoad");

    // Local y is global Y and local z global Z for a member along X.
    QTest::newRow("transverse Y: PL³/3EIz, PL²/2EIz, PL") << false << Vector3(0, 1, 0) << 1
                                                          << L * L * L / (3 * E * Iy) << 5 << L * L / (2 * E * Iy)
                                                          << 5 << -L;
    QTest::newRow("transverse Z: PL³/3EIy, PL²/2EIy, PL") << false << Vector3(0, 0, 1) << 2
                                                          << L * L * L / (3 * E * Iz) << 4 << -L * L / (2 * E * Iz)
                                                          << 4 << L;
    QTest::newRow("axial: PL/EA") << false << Vector3(1, 0, 0) << 0 << L / (E * A) << -1 << 0.0 << -1 << 0.0;
    QTest::newRow("torsion: TL/GJ") << true << Vector3(1, 0, 0) << 3 << L / (G * J) << -1 << 0.0 << -1 << 0.0;
}

void tst_Engine::cantileverTipLoads()
{
    QFETCH(bool, torque);
    QFETCH(Vector3, direction);
    QFETCH(int, freedom);
    QFETCH(double, flexibility);
    QFETCH(int, rotation);
    QFETCH(double, rotationPerLoad);
    QFETCH(int, moment);
    QFETCH(double, momentPerLoad);

    TestDocument document;
    const NodeRef base = document.node(Vector3(0, 0, 0), 63), tip = document.node(Vector3(L, 0, 0));
    const MemberRef m = document.member(base, tip);
    const double P = 1000.0;
    if (torque)
        document.load<TorqueLoad>(m, direction, {{1.0, P}});
    else
        document.load<PointLoad>(m, direction, {{1.0, P}});
    // Combinations of the loading: a first-order one scales its results, a
    // second-order one has none.
    CombinationRef firstOrder(VaroObject::make<Combination>()), secondOrder(VaroObject::make<Combination>());
    secondOrder->setSecondOrder(true);
    for (const CombinationRef& c : {firstOrder, secondOrder}) {
        c->setFactors({{document.loadingCase, 1.5}});
        document.addLoadCase(c);
    }
    Run run(document);
    ANALYSE(run);
    const auto results = run.results(document.loadingCase);
    QVERIFY(results);
    QVERIFY(!run.results(secondOrder));
    const auto combined = run.results(firstOrder);
    QVERIFY(combined);

    const Vector6 reaction = results->nodeReactions.value(base);
    VERIFY_CLOSE(combined->nodeReactions.value(base)[freedom], 1.5 * reaction[freedom], exact, 1.0);
    const double applied = -reaction[freedom]; // the factored load
    const double f = applied / P;
    QVERIFY(f >= 1.3 && f <= 1.795);
    const Vector6 u = results->nodeDisplacements.value(tip);
    VERIFY_CLOSE(u[freedom], applied * flexibility, exact, 1.0);
    if (rotation >= 0)
        VERIFY_CLOSE(u[rotation], applied * rotationPerLoad, exact, 1.0);
    if (moment >= 0)
        VERIFY_CLOSE(reaction[moment], applied * momentPerLoad, exact, 1.0);
    // The displaced tip of the member is its node's.
    const Vector3 atTip = results->globalDisplacementAtPositionOnMember(m, 1.0);
    VERIFY_CLOSE(atTip[freedom < 3 ? freedom : 0], freedom < 3 ? u[freedom] : 0.0, exact, 1.0);
}

void tst_Engine::fixedBeams_data()
{
    QTest::addColumn<bool>("point");
    QTest::addColumn<int>("restraintB"); // the far support; the near one is fixed or pinned alike
    QTest::addColumn<double>("endMoment"); // per unit load intensity (w or P)
    QTest::addColumn<double>("midMoment");
    QTest::addColumn<double>("midDeflection"); // per unit load, times EIz

    QTest::newRow("uniform, fixed–fixed: wL²/12, wL²/24, wL⁴/384EI")
        << false << 63 << L * L / 12 << L * L / 24 << std::pow(L, 4) / 384;
    QTest::newRow("central point, fixed–fixed: PL/8, PL/8, PL³/192EI")
        << true << 63 << L / 8 << L / 8 << std::pow(L, 3) / 192;
    QTest::newRow("central point, simply supported: 0, PL/4, PL³/48EI")
        << true << (Dof::Y | Dof::Z) << 0.0 << L / 4 << std::pow(L, 3) / 48;
}

void tst_Engine::fixedBeams()
{
    QFETCH(bool, point);
    QFETCH(int, restraintB);
    QFETCH(double, endMoment);
    QFETCH(double, midMoment);
    QFETCH(double, midDeflection);

    TestDocument document;
    const int restraintA = restraintB == 63 ? 63 : int(Dof::Pinned);
    const NodeRef a = document.node(Vector3(0, 0, 0), restraintA), b = document.node(Vector3(L, 0, 0), restraintB);
    const MemberRef m = document.member(a, b);
    const double w = -2000.0; // along local y: downwards
    if (point)
        document.load<PointLoad>(m, Vector3(0, 1, 0), {{0.5, w}});
    else
        document.load<TrapezoidLoad>(m, Vector3(0, 1, 0), {{0.0, w}, {1.0, w}});
    Run run(document);
    ANALYSE(run);
    const auto results = run.results(document.loadingCase);
    QVERIFY(results);

    const double total = results->nodeReactions.value(a)[1] + results->nodeReactions.value(b)[1];
    const double q = -total / (point ? 1.0 : L); // factored load or intensity
    QVERIFY(std::fabs(q / w) >= 1.3 && std::fabs(q / w) <= 1.795);
    // Sagging positive: a downward load hogs the fixed ends.
    VERIFY_CLOSE(results->forceAtPositionOnMember(m, 0.0)[5], q * endMoment, exact, 1.0);
    VERIFY_CLOSE(results->forceAtPositionOnMember(m, 1.0)[5], q * endMoment, exact, 1.0);
    VERIFY_CLOSE(results->forceAtPositionOnMember(m, 0.5)[5], -q * midMoment, exact, 1.0);
    VERIFY_CLOSE(results->deflectionAtPositionOnMember(m, 0.5)[1], q * midDeflection / (E * Iy), 1e-7, 1.0);
    const MemberStats stats = results->memberStats.value(m);
    // Under a point load, the moment at the load.
    VERIFY_CLOSE(stats.force.maxima[5], std::fabs(q) * std::max(endMoment, midMoment), exact, 1.0);
}

// Six equal beams of eight members over 2L side by side, L apart, fixed at
// both ends, each under a point load P at its middle node, and joined at
// their inner nodes by cross members, which carry nothing as the beams
// deflect alike: a band wider than a block of the elimination. Their far
// ends pinned, fixed again and pinned once more, the stiffness system grows,
// shrinks and grows again in the memory of the one before. Each time every
// beam's far reaction and middle deflection are those of a beam fixed at
// both ends, P/2 and Pℓ³/192EI, or propped, 5P/16 and 7Pℓ³/768EI.
void tst_Engine::supportsChangedToAndFroKeepTheirClosedForms()
{
    TestDocument document;
    const double span = 2 * L;
    const int beams = 6;
    QVector<QVector<NodeRef>> nodes(beams);
    for (int j = 0; j < beams; ++j) {
        for (int i = 0; i <= 8; ++i) {
            nodes[j] << document.node(Vector3(span * i / 8, 0, L * j), i % 8 == 0 ? 63 : 0);
            const MemberRef m = i > 0 ? document.member(nodes[j][i - 1], nodes[j][i]) : MemberRef();
            if (i == 4)
                document.load<PointLoad>(m, Vector3(0, 1, 0), {{1.0, -1000.0}});
            if (j > 0 && i % 8 != 0)
                document.member(nodes[j - 1][i], nodes[j][i]);
        }
    }
    Run run(document);
    ANALYSE(run);
    const SupportRef fixed(VaroObject::make<Support>(QString(), 63));
    const SupportRef pinned(VaroObject::make<Support>(QString(), Dof::X | Dof::Y | Dof::Z));
    const auto check = [&](bool propped) {
        const auto results = run.results(document.loadingCase);
        QVERIFY(results);
        for (const QVector<NodeRef>& beam : nodes) {
            // The factored load, negative downwards.
            const double P = -(results->nodeReactions.value(beam[0])[1] + results->nodeReactions.value(beam[8])[1]);
            VERIFY_CLOSE(results->nodeReactions.value(beam[8])[1], -P * (propped ? 5.0 / 16 : 0.5), exact, 1.0);
            VERIFY_CLOSE(results->nodeDisplacements.value(beam[4])[1],
                         P * span * span * span * (propped ? 7.0 / 768 : 1.0 / 192) / (E * Iy), exact, 1.0);
        }
    };
    check(false);
    int runs = run.model->phaseTimes().solverRuns;
    for (const SupportRef& support : {pinned, fixed, pinned}) {
        QMap<NodeRef, SupportRef> ends;
        for (const QVector<NodeRef>& beam : nodes)
            ends.insert(beam[8], support);
        {
            DocumentWriteGuard guard(document.model.data());
            document.structure->changeNodeSupport(ends);
        }
        ++runs;
        QTRY_COMPARE_WITH_TIMEOUT(run.model->phaseTimes().solverRuns, runs, 10000);
        QVERIFY(run.model->output());
        check(support == pinned);
        if (QTest::currentTestFailed())
            return;
    }
}

void tst_Engine::proppedCantileverWithRelease()
{
    // Fixed at both nodes, the member pinned at its far end: a propped
    // cantilever under a uniform load, M = wL²/8 at the fixed end.
    TestDocument document;
    const NodeRef a = document.node(Vector3(0, 0, 0), 63), b = document.node(Vector3(L, 0, 0), 63);
    const MemberRef m = document.member(a, b, false, true);
    const double w = -3000.0;
    document.load<TrapezoidLoad>(m, Vector3(0, 1, 0), {{0.0, w}, {1.0, w}});
    // A triangular load on a second member along Z: fixed-end forces 3wL/20, 7wL/20.
    const NodeRef c = document.node(Vector3(0, 0, L), 63);
    const MemberRef triangle = document.member(a, c);
    document.load<TrapezoidLoad>(triangle, Vector3(0, 1, 0), {{0.0, 0.0}, {1.0, w}});
    Run run(document);
    ANALYSE(run);
    const auto results = run.results(document.loadingCase);
    QVERIFY(results);

    double total = 0.0;
    for (const NodeRef& n : {a, b, c})
        total += results->nodeReactions.value(n)[1];
    const double q = -total / (1.5 * L);
    QVERIFY(std::fabs(q / w) >= 1.3 && std::fabs(q / w) <= 1.795);
    VERIFY_CLOSE(results->nodeReactions.value(b)[1], -q * 3 * L / 8, stubTolerance, 1.0);
    VERIFY_CLOSE(results->forceAtPositionOnMember(m, 0.0)[5], q * L * L / 8, stubTolerance, 1.0);
    QVERIFY(std::fabs(results->forceAtPositionOnMember(m, 1.0)[5]) <= stubTolerance * std::fabs(q) * L * L);
    VERIFY_CLOSE(results->nodeReactions.value(c)[1], -q * 7 * L / 20, exact, 1.0);
}

namespace {

// The statistics' magnitudes at t through the public queries: the local
// deflection's components and magnitude, the displacement's magnitude, the
// six forces and the stress, the last two from the first two.
QVector<double> magnitudesAt(const AnalysisResultCase& c, const MemberRef& m, double t)
{
    const Vector3 v = c.deflectionAtPositionOnMember(m, t);
    const Vector6 f = c.forceAtPositionOnMember(m, t);
    QVector<double> g{std::fabs(v[0]), std::fabs(v[1]), std::fabs(v[2]), v.length(),
                      c.globalDisplacementGivenDeflection(m, t, v).length()};
    for (int k = 0; k < 6; ++k)
        g.append(std::fabs(f[k]));
    g.append(std::fabs(AnalysisResultCase::stressGivenForcesOnMember(c.sourceMembers.value(m), f)));
    return g;
}

// The magnitude of statistic q alone at t, through the same queries.
double magnitudeAt(const AnalysisResultCase& c, const MemberRef& m, int q, double t)
{
    if (q < 4) {
        const Vector3 v = c.deflectionAtPositionOnMember(m, t);
        return q < 3 ? std::fabs(v[q]) : v.length();
    }
    if (q == 4)
        return c.globalDisplacementAtPositionOnMember(m, t).length();
    return std::fabs(q < 11 ? c.forceAtPositionOnMember(m, t)[q - 5] : c.stressAtPositionOnMember(m, t));
}

// The recorded largest magnitudes and their positions, in the same order.
QVector<QPair<double, double>> recorded(const MemberStats& s)
{
    QVector<QPair<double, double>> r;
    for (int k = 0; k < 4; ++k)
        r.append({s.deflection.positions[k], s.deflection.maxima[k]});
    r.append({s.displacement.position, s.displacement.maximum});
    for (int k = 0; k < 6; ++k)
        r.append({s.force.positions[k], s.force.maxima[k]});
    r.append({s.stress.position, s.stress.maximum});
    return r;
}

const char* const statisticNames[] = {"deflection x", "deflection y", "deflection z", "deflection", "displacement",
                                      "N", "Vy", "Vz", "T", "My", "Mz", "stress"};

// A beam along x over the spans, on supports that hold y and z at every node.
QList<MemberRef> continuousBeam(TestDocument& document, const QVector<double>& spans, double z = 0.0)
{
    QList<MemberRef> members;
    double x = 0.0;
    NodeRef previous = document.node(Vector3(x, 0, z), Dof::All & ~(Dof::Ry | Dof::Rz));
    for (double span : spans) {
        x += span;
        const NodeRef next = document.node(Vector3(x, 0, z), Dof::Y | Dof::Z);
        members.append(document.member(previous, next));
        previous = next;
    }
    return members;
}

// A UB 305 x 165 x 40 in steel, its figures from the British tables.
SectionTypeRef universalBeam305()
{
    const double depth = 0.3034, width = 0.165, Imajor = 8500e-8, Iminor = 764e-8;
    const CrossSectionRef section(new CrossSection);
    section->setShape(CrossSection::IBeam);
    section->setOverallDepth(depth);
    section->setTopFlangeWidth(width);
    section->setWebThickness(0.006);
    section->setTopFlangeThickness(0.0102);
    section->compute();
    section->setArea(51.3e-4);
    section->setIy(Imajor);
    section->setIz(Iminor);
    section->setJ(14.7e-8);
    section->setWely(Imajor / (depth / 2));
    section->setWelz(Iminor / (width / 2));
    const MaterialRef steel(new Material({QStringLiteral("Steel")}, E, G, 7850, 1.2e-5));
    return VaroObject::make<SectionType>(section, steel);
}

// The largest magnitude of statistic q over [lo, hi], by a golden-section
// search from a bracket that holds one peak, and where it lies.
double peakWithin(const AnalysisResultCase& c, const MemberRef& m, int q, double lo, double hi, double* at)
{
    const double golden = 0.3819660112501051;
    const auto g = [&](double t) { return magnitudeAt(c, m, q, t); };
    double best = g(lo), x1 = lo + golden * (hi - lo), x2 = hi - golden * (hi - lo);
    *at = lo;
    double f1 = g(x1), f2 = g(x2);
    const double fhi = g(hi);
    if (fhi > best) {
        best = fhi;
        *at = hi;
    }
    for (int i = 0; i < 40; ++i) {
        if (f1 < f2) {
            lo = x1;
            x1 = x2;
            f1 = f2;
            x2 = hi - golden * (hi - lo);
            f2 = g(x2);
        } else {
            hi = x2;
            x2 = x1;
            f2 = f1;
            x1 = lo + golden * (hi - lo);
            f1 = g(x1);
        }
    }
    for (const auto& x : {std::make_pair(x1, f1), std::make_pair(x2, f2)})
        if (x.second > best) {
            best = x.second;
            *at = x.first;
        }
    return best;
}

// The peak of statistic q nearest above the samples at, which are sorted:
// the highest sample, refined between its neighbours.
double refinedPeak(const AnalysisResultCase& c, const MemberRef& m, int q, const QVector<double>& at, double* where)
{
    int top = 0;
    QVector<double> g;
    for (double t : at) {
        g.append(magnitudeAt(c, m, q, t));
        if (g.last() > g[top])
            top = g.size() - 1;
    }
    *where = at[top];
    double at2 = at[top];
    const double refined = peakWithin(c, m, q, at[std::max(0, top - 1)], at[std::min(at.size() - 1, top + 1)], &at2);
    if (refined > g[top])
        *where = at2;
    return std::max(refined, g[top]);
}

} // namespace

namespace {

// A load k·d long on a member of the given length, d its step along it,
// though never shorter than a load may be.
double shortLoadLength(double length, double k)
{
    const double d = 1.0 / ((std::floor(length) + 1.0) * 1024.0);
    return std::max(k * d, 0x1.1p-16);
}

} // namespace

void tst_Engine::largestValuesAlongMembersAreTheLargest_data()
{
    QTest::addColumn<QString>("shape");
    QTest::newRow("three equal spans, all loaded") << "three spans";
    QTest::newRow("point loads on short members") << "short members";
    QTest::newRow("random continuous beams") << "random";
    QTest::newRow("sway frame") << "sway frame";
    QTest::newRow("combs of 10 to 30 point loads of alternating sign, fixed at both ends") << "combs";
    QTest::newRow("point moments alone") << "moments";
    QTest::newRow("point moments among point loads") << "moments and loads";
    QTest::newRow("loaded only near one end") << "near one end";
    QTest::newRow("end moments only") << "end moments";
    QTest::newRow("6.88 m fixed-roller beam, four point loads and three point moments") << "6.88 m beam";
    QTest::newRow("distributed loads 0.3 to 0.99 d long, alone, on a uniform load and beside a point load")
        << "short loads";
    QTest::newRow("sign-changing trapezoids 1.05 to 10 d long") << "sign-changing trapezoids";
    QTest::newRow("self-balanced short loads, their bump the largest moment") << "self-balanced";
    QTest::newRow("tied peaks of symmetric short loads, and of fixed beams loaded down and up") << "tied";
    QTest::newRow("flat peaks, tuned and within 1e-9") << "flat";
    QTest::newRow("2 m simple span, 0.6 mm long load from 30 kN/mm down to 10 kN/mm up") << "worked by hand";
    QTest::newRow("cantilever fixed at B, its shear and a moment level from a load near A to B") << "fixed at B";
    QTest::newRow("two equal moments apart, the later at B or under a load") << "equal apart";
}

// The same of many random spans, apart for the time they take.
void tst_Engine::largestValuesAlongRandomSpansAreTheLargest_data()
{
    QTest::addColumn<QString>("shape");
    QTest::newRow("1,000 random single spans") << "random single spans";
    QTest::newRow("1,000 random single spans with one or two loads 0.2 to 30 d long") << "random short loads";
}

void tst_Engine::largestValuesAlongRandomSpansAreTheLargest()
{
    largestValuesAlongMembersAreTheLargest();
}

// Each largest value along a member, against a dense scan of the same
// queries over the member and at each load's position from either side, and
// against the value at its own position.
void tst_Engine::largestValuesAlongMembersAreTheLargest()
{
    QFETCH(QString, shape);
    TestDocument document;
    const Vector3 Y(0, 1, 0), Z(0, 0, 1), X(1, 0, 0);
    // A member whose statistic q peaks equally at two places, its value and
    // the first and a later place, all worked by hand.
    struct Tie
    {
        MemberRef m;
        int q;
        double value, first, later;
    };
    QVector<Tie> ties;
    double down = 0.0; // the load they carry, down, before the case's factor
    // A single span of the given length along x, one of four supports by
    // turns, or the one asked for.
    MemberRef handWorked;
    const auto span = [&](double length, int index, int kind = -1) {
        const int supports[][2] = {{63, 63}, {63, Dof::Y | Dof::Z}, {Dof::Pinned, Dof::Y | Dof::Z}, {63, 0}};
        const int* s = supports[kind >= 0 ? kind : index % 4];
        return document.member(document.node(Vector3(0, 0, 2.0 * index), s[0]),
                               document.node(Vector3(length, 0, 2.0 * index), s[1]));
    };
    const double foot = 0.3048, kipPerFoot = 4448.2216152605 / foot;
    QList<MemberRef> threeSpans;
    if (shape == "three spans") {
        threeSpans = continuousBeam(document, {20 * foot, 20 * foot, 20 * foot});
        for (const MemberRef& m : threeSpans)
            document.load<TrapezoidLoad>(m, Y, {{0.0, -kipPerFoot}, {1.0, -kipPerFoot}});
    } else if (shape == "short members") {
        const auto span = [&](double z, int restraintsA, int restraintsB) {
            return document.member(document.node(Vector3(0, 0, z), restraintsA),
                                   document.node(Vector3(0.5, 0, z), restraintsB));
        };
        const MemberRef m = span(0.0, 63, 63);
        document.load<TrapezoidLoad>(m, Y, {{0.1, -20e3}, {0.6, -5e3}});
        document.load<PointLoad>(m, Y, {{0.3, -40e3}});
        document.load<PointLoad>(m, Z, {{0.8, 25e3}});
        document.load<PointLoad>(m, X, {{0.45, 10e3}});
        document.load<TorqueLoad>(m, Z, {{0.65, 3e3}});
        // The moment peaks under the load.
        document.load<PointLoad>(span(1.0, Dof::Pinned, Dof::Y | Dof::Z), Y, {{0.5, -30e3}});
        // The shear is largest just before a load that lifts it back, and
        // the moment just after a couple.
        const MemberRef lifted = span(2.0, Dof::Pinned, Dof::Y | Dof::Z);
        document.load<TrapezoidLoad>(lifted, Y, {{0.0, -20e3}, {1.0, -20e3}});
        document.load<PointLoad>(lifted, Y, {{0.8, 6e3}});
        document.load<TorqueLoad>(span(4.0, Dof::Pinned, Dof::Y | Dof::Z), Z, {{0.3, 3e3}});
        // The deflection peaks beside a load's position, off the grid.
        const MemberRef beside = span(3.0, Dof::Pinned, Dof::Y | Dof::Z);
        document.load<TrapezoidLoad>(beside, Y, {{0.0, -20e3}, {1.0, -20e3}});
        document.load<PointLoad>(beside, X, {{0.504, 1e3}});
    } else if (shape == "random") {
        QRandomGenerator random(20261209);
        const auto between = [&](double lo, double hi) { return lo + (hi - lo) * random.generateDouble(); };
        for (int beam = 0; beam < 3; ++beam) {
            QVector<double> spans;
            for (int i = 2 + random.bounded(4); i > 0; --i)
                spans.append(between(1.0, 12.0));
            for (const MemberRef& m : continuousBeam(document, spans, 5.0 * beam)) {
                if (random.bounded(3) > 0)
                    document.load<TrapezoidLoad>(m, Y, {{0.0, -between(1e3, 20e3)}, {1.0, -between(1e3, 20e3)}});
                if (random.bounded(2)) {
                    const double a = between(0.0, 0.9);
                    document.load<TrapezoidLoad>(m, random.bounded(2) ? Y : Z,
                                                 {{a, between(-15e3, 15e3)},
                                                  {between(a + 0.05, 1.0), between(-15e3, 15e3)}});
                }
                for (int i = random.bounded(4); i > 0; --i)
                    document.load<PointLoad>(m, random.bounded(3) ? Y : Z,
                                             {{between(0.05, 0.95), between(-50e3, 50e3)}});
            }
        }
    } else if (shape == "combs") {
        // Equal and unequal teeth, one span per comb.
        int z = 0;
        for (int n : {10, 12, 17, 24, 30})
            for (double span : {9.0, 4.5}) {
                const MemberRef m = document.member(document.node(Vector3(0, 0, z), 63),
                                                    document.node(Vector3(span, 0, z), 63));
                z += 2;
                for (int i = 0; i < n; ++i)
                    document.load<PointLoad>(m, n % 2 ? Z : Y,
                                             {{(i + 0.5) / n, (i % 2 ? 1.0 : -1.0) * (n > 20 ? 10e3 + 500.0 * i : 10e3)}});
            }
    } else if (shape == "moments" || shape == "moments and loads") {
        QRandomGenerator random(shape == "moments" ? 5 : 6);
        const auto between = [&](double lo, double hi) { return lo + (hi - lo) * random.generateDouble(); };
        const int supports[][2] = {{63, 63}, {63, Dof::Y | Dof::Z}, {Dof::Pinned, Dof::Y | Dof::Z}, {63, 0}};
        for (int beam = 0; beam < 12; ++beam) {
            const int* s = supports[beam % 4];
            const MemberRef m = document.member(document.node(Vector3(0, 0, 2.0 * beam), s[0]),
                                                document.node(Vector3(between(2.0, 10.0), 0, 2.0 * beam), s[1]));
            for (int i = 1 + random.bounded(4); i > 0; --i)
                document.load<TorqueLoad>(m, random.bounded(3) ? Z : Y, {{between(0.05, 0.95), between(-20e3, 20e3)}});
            for (int i = shape == "moments" ? 0 : 1 + random.bounded(4); i > 0; --i)
                document.load<PointLoad>(m, random.bounded(3) ? Y : Z, {{between(0.05, 0.95), between(-30e3, 30e3)}});
        }
    } else if (shape == "near one end") {
        // The peak of each lies in the stretch that carries no load.
        int z = 0;
        for (double from : {0.6, 0.85, 0.95})
            for (int restraintA : {int(Dof::Pinned), 63}) {
                const MemberRef m = document.member(document.node(Vector3(0, 0, z), restraintA),
                                                    document.node(Vector3(7.0, 0, z), Dof::Y | Dof::Z));
                z += 2;
                document.load<TrapezoidLoad>(m, Y, {{from, -20e3}, {1.0, -20e3}});
            }
    } else if (shape == "end moments") {
        // The middle of three spans carries no load; a propped cantilever
        // bends under a couple at its propped end only.
        const QList<MemberRef> spans = continuousBeam(document, {5.0, 7.0, 3.0});
        document.load<TrapezoidLoad>(spans[0], Y, {{0.0, -20e3}, {1.0, -20e3}});
        document.load<PointLoad>(spans[2], Z, {{0.4, 30e3}});
        const MemberRef propped = document.member(document.node(Vector3(0, 0, 4), 63),
                                                  document.node(Vector3(6.0, 0, 4), Dof::Y | Dof::Z));
        document.load<TorqueLoad>(propped, Z, {{1.0, 15e3}});
        // Simple spans under a couple at each end, of every ratio.
        QRandomGenerator random(2808);
        for (int beam = 0; beam < 40; ++beam) {
            const MemberRef m = document.member(
                document.node(Vector3(0, 0, 6.0 + 2.0 * beam), Dof::Pinned),
                document.node(Vector3(1.0 + 11.0 * random.generateDouble(), 0, 6.0 + 2.0 * beam), Dof::Y | Dof::Z));
            for (double end : {0.0, 1.0})
                document.load<TorqueLoad>(m, beam % 3 ? Z : Y, {{end, 40e3 * (random.generateDouble() - 0.5)}});
        }
    } else if (shape == "6.88 m beam") {
        const MemberRef m = document.member(document.node(Vector3(0, 0, 0), 63),
                                            document.node(Vector3(6.88, 0, 0), Dof::Y | Dof::Z));
        m->setSectionType(universalBeam305());
        for (const auto& p : {qMakePair(0.9553, 17103.0), qMakePair(0.7277, -5590.0), qMakePair(0.4443, 3537.0),
                              qMakePair(0.9716, -3039.0)})
            document.load<PointLoad>(m, Y, {{p.first, p.second}});
        for (const auto& p : {qMakePair(0.7414, 17200.0), qMakePair(0.6386, -17451.0), qMakePair(0.5513, 15798.0)})
            document.load<TorqueLoad>(m, Z, {{p.first, p.second}});
    } else if (shape == "random single spans" || shape == "random short loads") {
        const bool withShortLoads = shape == "random short loads";
        QRandomGenerator random(withShortLoads ? 790112 : 750309);
        const auto between = [&](double lo, double hi) { return lo + (hi - lo) * random.generateDouble(); };
        const int supports[][2] = {{63, 63}, {63, Dof::Y | Dof::Z}, {Dof::Pinned, Dof::Y | Dof::Z}, {63, 0}};
        for (int beam = 0; beam < 1000; ++beam) {
            const int* s = supports[random.bounded(4)];
            const double length = between(1.0, 12.0);
            const MemberRef m = document.member(document.node(Vector3(0, 0, 2.0 * beam), s[0]),
                                                document.node(Vector3(length, 0, 2.0 * beam), s[1]));
            const Vector3 axes[] = {Y, Y, Z, X};
            // k·d long, k from 0.2 to 30 evenly in its logarithm, of 3 to 30 kN.
            for (int i = withShortLoads ? 1 + random.bounded(2) : 0; i > 0; --i) {
                const double c = shortLoadLength(length, 0.2 * std::pow(150.0, random.generateDouble()));
                const double a = between(0.0, 1.0 - c), w = between(3e3, 30e3) / (c * length);
                document.load<TrapezoidLoad>(m, axes[random.bounded(3)],
                                             {{a, w * between(-1.0, 1.0)}, {a + c, w * between(-1.0, 1.0)}});
            }
            for (int i = 2 + random.bounded(5); i > 0; --i) {
                const Vector3 axis = axes[random.bounded(4)];
                const int kind = random.bounded(3);
                if (kind == 0) {
                    document.load<PointLoad>(m, axis, {{between(0.02, 0.98), between(-50e3, 50e3)}});
                } else if (kind == 1) {
                    document.load<TorqueLoad>(m, axis, {{between(0.02, 0.98), between(-30e3, 30e3)}});
                } else {
                    const double a = between(0.0, 0.9);
                    document.load<TrapezoidLoad>(m, axis,
                                                 {{a, between(-15e3, 15e3)}, {between(a + 0.02, 1.0), between(-15e3, 15e3)}});
                }
            }
        }
    } else if (shape == "short loads" || shape == "sign-changing trapezoids" || shape == "self-balanced") {
        QRandomGenerator random(shape == "short loads" ? 7903 : shape == "self-balanced" ? 7904 : 7905);
        const auto between = [&](double lo, double hi) { return lo + (hi - lo) * random.generateDouble(); };
        const QVector<double> lengths = shape == "short loads" ? QVector<double>{0.3, 0.75, 2.0, 5.5, 13.0, 40.0}
                                                               : QVector<double>{0.5, 2.0, 9.0, 25.0};
        const QVector<double> ks = shape == "short loads" ? QVector<double>{0.3, 0.55, 0.99}
                                   : shape == "self-balanced" ? QVector<double>{2.0, 4.0, 8.0}
                                                              : QVector<double>{1.05, 1.6, 2.5, 4.0, 6.5, 10.0};
        int beam = 0;
        for (double length : lengths)
            for (double k : ks)
                for (int variant = 0; variant < (shape == "short loads" ? 6 : 2); ++variant) {
                    const MemberRef m = span(length, beam++);
                    const double c = shortLoadLength(length, k), a = between(0.05, 0.9), w = 2e4 / (c * length);
                    if (shape == "self-balanced") {
                        // Held up at its ends by half its load each: no force or
                        // moment reaches the rest of the member, which carries
                        // nothing else, or a small load across.
                        document.load<TrapezoidLoad>(m, Y, {{a, -w}, {a + c, -w}});
                        document.load<PointLoad>(m, Y, {{a, 1e4}});
                        document.load<PointLoad>(m, Y, {{a + c, 1e4}});
                        if (variant)
                            document.load<TrapezoidLoad>(m, Z, {{0.0, -50.0}, {1.0, -50.0}});
                        continue;
                    }
                    // Uniform, or changing sign (at an uneven place on trapezoids);
                    // alone, on a uniform load, or beside a point load.
                    const bool changing = shape == "sign-changing trapezoids" || variant % 2;
                    document.load<TrapezoidLoad>(
                        m, Y, {{a, -w}, {a + c, changing ? (shape == "short loads" ? w : between(0.3, 3.0) * w) : -w}});
                    if (shape == "short loads" ? variant / 2 == 1 : variant == 1)
                        document.load<TrapezoidLoad>(m, Y, {{0.0, -5e3}, {1.0, -5e3}});
                    else if (variant / 2 == 2)
                        document.load<PointLoad>(m, Y, {{a + 1.5 * c, 1e4}});
                }
    } else if (shape == "worked by hand") {
        handWorked = span(2.0, 0, 2);
        document.load<TrapezoidLoad>(handWorked, Y, {{0.5, -3e7}, {0.5003, 1e7}});
    } else if (shape == "fixed at B") {
        // Free at A: past the load the shear is P and the couple's moment C,
        // level to B.
        const double P = 20e3, C = 15e3;
        const MemberRef m =
            document.member(document.node(Vector3(0, 0, 0), 0), document.node(Vector3(5.0, 0, 0), 63));
        document.load<PointLoad>(m, Y, {{0.1, -P}});
        document.load<TorqueLoad>(m, Y, {{0.1, C}});
        ties << Tie{m, 6, P, 0.1, 1.0} << Tie{m, 9, C, 0.1, 1.0};
        down = P;
    } else if (shape == "equal apart") {
        // Pinned at A and fixed at B, P at a: R_A = P b²(3L - b) / 2L³ and
        // M_B = P a b (L + a) / 2L², equal under the load when a = (√2 - 1)L,
        // both P L (3 - 2√2).
        const double P = 20e3, L = 6.0, alpha = std::sqrt(2.0) - 1.0;
        MemberRef m =
            document.member(document.node(Vector3(0, 0, 0), Dof::Pinned), document.node(Vector3(L, 0, 0), 63));
        document.load<PointLoad>(m, Y, {{alpha, -P}});
        ties << Tie{m, 10, P * L * (3.0 - 2.0 * std::sqrt(2.0)), alpha, 1.0};
        // A simple span, w down over its first half and p w L up at 3/4:
        // R_A = (3/8 - p/4) w L, the sagging peak R_A² / 2w at R_A / w, the
        // hogging one R_B L / 4 at 3/4; equal when 4p² - 36p + 13 = 0, at
        // p = 9/2 - √17, both w L² (13 - 3√17) / 16 at (√17 - 3) L / 4.
        const double w = 10e3, l = 4.0, root17 = std::sqrt(17.0), p = 4.5 - root17;
        m = document.member(document.node(Vector3(0, 0, 2), Dof::Pinned),
                            document.node(Vector3(l, 0, 2), Dof::Y | Dof::Z));
        document.load<TrapezoidLoad>(m, Y, {{0.0, -w}, {0.5, -w}});
        document.load<PointLoad>(m, Y, {{0.75, p * w * l}});
        ties << Tie{m, 10, w * l * l * (13.0 - 3.0 * root17) / 16.0, (root17 - 3.0) / 4.0, 0.75};
        down = P + (0.5 - p) * w * l;
    } else if (shape == "tied") {
        // Two equal short loads set symmetrically on a span held up by a
        // uniform load: the moment peaks equally under each.
        int beam = 0;
        for (double length : {0.6, 2.5, 7.0})
            for (double k : {0.5, 3.0, 20.0}) {
                const MemberRef m = span(length, beam++, 2);
                const double c = shortLoadLength(length, k), a = beam % 2 ? 0.2 : 0.3, w = 2e4 / (c * length);
                document.load<TrapezoidLoad>(m, Y, {{a, -w}, {a + c, -w}});
                document.load<TrapezoidLoad>(m, Y, {{1.0 - a - c, -w}, {1.0 - a, -w}});
                document.load<TrapezoidLoad>(m, Y, {{0.0, 2e4 / length}, {1.0, 2e4 / length}});
            }
        // Fixed at both ends, down on one half and up on the other: the
        // deflection and the moment peak equally either side of the middle.
        for (double length : {0.9, 4.3}) {
            const MemberRef m = span(length, beam++, 0);
            document.load<TrapezoidLoad>(m, Y, {{0.0, -2e4}, {0.5, -2e4}});
            document.load<TrapezoidLoad>(m, Y, {{0.5, 2e4}, {1.0, 2e4}});
        }
    } else if (shape == "flat") {
        int beam = 0;
        for (double length : {1.0, 6.0})
            for (double tuning : {1.0, 1.0 + 1e-9, 1.0 - 1e-9}) {
                const double w = 1e4;
                // A uniform load held up at its quarters by wL/2 each: the
                // moment is nil at the middle with the shear, so the
                // deflection's slope has a zero of third order there.
                MemberRef m = span(length, beam++, 2);
                document.load<TrapezoidLoad>(m, Y, {{0.0, -w}, {1.0, -w}});
                for (double at : {0.25, 0.75})
                    document.load<PointLoad>(m, Y, {{at, tuning * w * length / 2}});
                // The same held up at its middle by wL/2: the slope has a
                // double zero under the load.
                m = span(length, beam++, 2);
                document.load<TrapezoidLoad>(m, Y, {{0.0, -w}, {1.0, -w}});
                document.load<PointLoad>(m, Y, {{0.5, tuning * w * length / 2}});
                // A load falling through zero at 0.4, and a point load at 0.85
                // that makes the shear nil there too: the moment's slope has a
                // double zero at 0.4 (wL(r² - r + 1/3) / 2(1 - p) up).
                m = span(length, beam++, 2);
                document.load<TrapezoidLoad>(m, Y, {{0.0, 0.4 * w}, {1.0, -0.6 * w}});
                document.load<PointLoad>(m, Y, {{0.85, tuning * w * length * (0.16 - 0.4 + 1.0 / 3.0) / 0.3}});
            }
    } else {
        const double H = 4.0, B = 7.0;
        const NodeRef a = document.node(Vector3(0, 0, 0), 63), b = document.node(Vector3(0, H, 0));
        const NodeRef c = document.node(Vector3(B, H, 0)), e = document.node(Vector3(B, 0, 0), 63);
        const MemberRef left = document.member(a, b), beam = document.member(b, c);
        document.member(c, e);
        document.load<TrapezoidLoad>(beam, Y, {{0.0, -12e3}, {1.0, -12e3}});
        document.load<PointLoad>(left, X, {{0.6, 30e3}});
    }
    Run run(document);
    ANALYSE(run);
    const auto results = run.results(document.loadingCase);
    QVERIFY(results);

    // The scan: an even grid, each load's position and the point just
    // before it, and a finer grid across and beside each load too short for
    // the grid; each sample that stands highest, or nearly, is refined
    // between its neighbours. A thousand beams take a coarser grid.
    const bool thousand = shape.startsWith("random s");
    const int steps = thousand ? 200 : document.structure->members().size() > 20 ? 2000 : 4000;
    QMap<MemberRef, QVector<double>> scanAt;
    for (const MemberRef& m : document.structure->members()) {
        QVector<double>& at = scanAt[m];
        for (int i = 0; i <= steps; ++i)
            at.append(double(i) / steps);
    }
    for (const LoadRef& load : document.structure->loads()) {
        const QList<Load::PositionedForce> pairs = load->positionedForces();
        for (const Load::PositionedForce& pair : pairs)
            scanAt[load->member()] << pair.first << std::max(0.0, pair.first - 1e-9);
        const double c = pairs.last().first - pairs.first().first;
        if (pairs.size() == 2 && c < 16.0 / steps)
            for (int i = -16; i <= 48; ++i)
                scanAt[load->member()] << std::min(1.0, std::max(0.0, pairs.first().first + c * i / 32.0));
    }
    QMap<MemberRef, QVector<double>> largest;
    QMap<MemberRef, QVector<QVector<double>>> scanned;
    QMap<MemberRef, QVector<QVector<QPair<double, double>>>> refined;
    QVector<double> floor(int(std::size(statisticNames)), 0.0);
    for (auto it = scanAt.begin(); it != scanAt.end(); ++it) {
        std::sort(it->begin(), it->end());
        it->erase(std::unique(it->begin(), it->end()), it->end());
        QVector<QVector<double>>& g = scanned[it.key()];
        QVector<QVector<QPair<double, double>>>& tops = refined[it.key()];
        QVector<double> most(int(std::size(statisticNames)), 0.0);
        tops.resize(most.size());
        for (double t : *it) {
            g.append(magnitudesAt(*results, it.key(), t));
            for (int q = 0; q < most.size(); ++q)
                most[q] = std::max(most[q], g.last()[q]);
        }
        for (int q = 0; q < most.size(); ++q) {
            // The four highest samples that stand above a neighbour, within
            // 1e-4 of the highest; on a plateau only its ends.
            QVector<QPair<double, int>> peaks;
            for (int i = 0; i < it->size(); ++i) {
                const double before = g[std::max(0, i - 1)][q], after = g[std::min(it->size() - 1, i + 1)][q];
                const double above = 1e-12 * g[i][q];
                if (g[i][q] > 0.0 && g[i][q] >= (1.0 - 1e-4) * most[q] && g[i][q] >= before && g[i][q] >= after
                    && (g[i][q] - before > above || g[i][q] - after > above))
                    peaks.append({-g[i][q], i});
            }
            std::sort(peaks.begin(), peaks.end());
            for (int k = 0; k < std::min(4, peaks.size()); ++k) {
                const int i = peaks[k].second;
                double at;
                const double top = peakWithin(*results, it.key(), q, (*it)[std::max(0, i - 1)],
                                              (*it)[std::min(it->size() - 1, i + 1)], &at);
                tops[q].append({at, top});
                most[q] = std::max(most[q], top);
            }
        }
        largest[it.key()] = most;
        // What rounding leaves of a value that is zero.
        for (int q = 0; q < most.size(); ++q)
            floor[q] = std::max(floor[q], 1e-9 * most[q]);
    }
    // First every value against the scan, then every value against its
    // position, and that position against the peak refined beside it.
    for (bool atPosition : {false, true})
        for (const MemberRef& m : document.structure->members()) {
            const QVector<QPair<double, double>> r = recorded(results->memberStats.value(m));
            const double d = results->positionToleranceOf(m);
            for (int q = 0; q < r.size(); ++q) {
                const double scan = largest[m][q], value = r[q].second, t = r[q].first;
                const QString what = QStringLiteral("member %1, %2: recorded %3 at %4, scanned %5")
                                         .arg(document.structure->members().indexOf(m))
                                         .arg(statisticNames[q])
                                         .arg(value, 0, 'g', 10)
                                         .arg(t, 0, 'g', 10)
                                         .arg(scan, 0, 'g', 10);
                if (!atPosition)
                    QVERIFY2(std::fabs(value - scan) <= 1e-5 * scan + floor[q], qPrintable(what));
                else
                    QVERIFY2(t >= 0.0 && t <= 1.0
                                 && std::fabs(magnitudesAt(*results, m, t)[q] - value) <= 1e-9 * value + floor[q],
                             qPrintable("at its position, " + what));
                if (!atPosition || value <= floor[q])
                    continue;
                // The peak within 2 d either side, where a load there is
                // sampled on both sides; a plateau has its peak everywhere.
                QVector<double> near;
                for (int i = -16; i <= 16; ++i)
                    near.append(std::min(1.0, std::max(0.0, t + i * d / 8.0)));
                for (double p : scanAt[m])
                    if (std::fabs(p - t) < 2.0 * d)
                        near.append(p);
                std::sort(near.begin(), near.end());
                double peak;
                const double top = refinedPeak(*results, m, q, near, &peak);
                QVERIFY2(top - value <= 1e-12 * value + floor[q] || std::fabs(peak - t) <= d,
                         qPrintable(QStringLiteral("the peak beside it at %1, %2").arg(peak, 0, 'g', 10).arg(what)));
                // Of peaks equal within rounding, the first along the member:
                // none as high stands more than d before it, past a dip.
                for (const QPair<double, double>& before : refined[m][q]) {
                    if (!(before.first < t - d && before.second >= (1.0 - 5e-13) * value))
                        continue;
                    double lowest = value;
                    for (int i = 0; i < scanAt[m].size(); ++i)
                        if (scanAt[m][i] > before.first && scanAt[m][i] < t)
                            lowest = std::min(lowest, scanned[m][i][q]);
                    QVERIFY2(lowest >= (1.0 - 1e-6) * value,
                             qPrintable(QStringLiteral("an equal peak before it at %1, %2")
                                            .arg(before.first, 0, 'g', 10)
                                            .arg(what)));
                }
            }
        }
    if (shape == "worked by hand") {
        // q(s) = 3e7 - 4e7 s / c down over c = 0.6 mm from x = 1 m: 6 kN
        // at c / 6 into it. The shear is largest where q is nil, at 3c / 4;
        // the moment where the shear is, R_A = 3e7 s - 2e7 s² / c.
        const double c = 6e-4, RA = 6000.0 * (1.0 - c / 6.0) / 2.0;
        const double f = (results->nodeReactions.value(handWorked->nodeA())[1]
                          + results->nodeReactions.value(handWorked->nodeB())[1])
                         / 6000.0;
        const double s = (3e7 - std::sqrt(9e14 - 8e7 * RA / c)) / (4e7 / c);
        const MemberStats stats = results->memberStats.value(handWorked);
        VERIFY_CLOSE(stats.force.maxima[1], f * (1.125e7 * c - RA), 1e-9, 1.0);
        VERIFY_CLOSE(stats.force.positions[1], (1.0 + 0.75 * c) / 2.0, 1e-9, 1.0);
        VERIFY_CLOSE(stats.force.maxima[5], f * (RA * (1.0 + s) - 1.5e7 * s * s + 2e7 / (3.0 * c) * s * s * s), 1e-9, 1.0);
        VERIFY_CLOSE(stats.force.positions[5], (1.0 + s) / 2.0, 1e-9, 1.0);
    }
    // Of equal values the first along the member, whichever the search
    // offers first; the later one is equal within rounding. The case
    // multiplies every load by the factor that the reactions show.
    double held = 0.0;
    for (const NodeRef& n : document.structure->nodes())
        held += results->nodeReactions.value(n)[1];
    for (const Tie& tie : ties) {
        const QPair<double, double> r = recorded(results->memberStats.value(tie.m))[tie.q];
        VERIFY_CLOSE(r.second, held / down * tie.value, 1e-9, 1.0);
        VERIFY_CLOSE(r.first, tie.first, 1e-9, 1.0);
        VERIFY_CLOSE(magnitudesAt(*results, tie.m, tie.later)[tie.q], r.second, 2e-10, 1.0);
    }
    if (shape == "three spans") {
        // The middle span sags by wL⁴/1920EI at its middle, under hogging
        // moments of wL²/10 over the supports.
        double reaction = 0.0;
        for (const NodeRef& n : document.structure->nodes())
            reaction += results->nodeReactions.value(n)[1];
        const double w = reaction / (60 * foot), span = 20 * foot;
        const MemberStats middle = results->memberStats.value(threeSpans[1]);
        VERIFY_CLOSE(middle.deflection.maxima[1], w * std::pow(span, 4) / (1920 * E * Iy), 1e-7, 1.0);
        QVERIFY(std::fabs(middle.deflection.positions[1] - 0.5) <= results->positionToleranceOf(threeSpans[1]));

    }
}

namespace {

// The polynomial of the given roots, each factor (u - r) multiplied in.
Polynomial withRoots(const QVector<double>& roots, double offset = 0.0)
{
    Polynomial p;
    p.degree = 0;
    p.c[0] = 1.0;
    for (double r : roots) {
        Polynomial linear, product;
        linear.degree = 1;
        linear.c[0] = -r;
        linear.c[1] = 1.0;
        product.addProduct(p, linear);
        p = product;
    }
    p.c[0] += offset;
    return p;
}

} // namespace

// A peak's position is a zero of a polynomial's slope, and beside a zero of
// high order (a flat peak) Newton's steps shrink long before they arrive.
void tst_Engine::zerosOfAPieceAreClosedToTheirTolerance_data()
{
    QTest::addColumn<QVector<double>>("factors"); // roots, repeated by their order
    QTest::addColumn<QVector<double>>("changes"); // where the sign changes
    QTest::addColumn<double>("tol");
    // Tolerances wider than rounding's reach beside a zero of order m,
    // about (1e-15)^(1/m).
    QTest::newRow("fifth order") << QVector<double>(5, 0.3) << QVector<double>{0.3} << 1e-2;
    QTest::newRow("seventh order near an end") << QVector<double>(7, -0.93) << QVector<double>{-0.93} << 3e-2;
    QTest::newRow("simple, double and third order")
        << QVector<double>{-0.6, 0.1, 0.1, 0.75, 0.75, 0.75} << QVector<double>{-0.6, 0.75} << 1e-3;
}

void tst_Engine::zerosOfAPieceAreClosedToTheirTolerance()
{
    QFETCH(QVector<double>, factors);
    QFETCH(QVector<double>, changes);
    QFETCH(double, tol);
    const Polynomial p = withRoots(factors);
    double zeros[Polynomial::maxDegree];
    bool rising[Polynomial::maxDegree];
    QCOMPARE(p.signChanges(-1.0, 1.0, zeros, rising), changes.size());
    for (int i = 0; i < changes.size(); ++i)
        QVERIFY2(std::fabs(zeros[i] - changes[i]) <= tol,
                 qPrintable(QString("zero at %1 found at %2").arg(changes[i]).arg(zeros[i], 0, 'g', 12)));
}

// Each zero of a slope is closed to the rounding of u, however flat the
// polynomial beside it, and in a bounded number of evaluations: a search
// that stops halving a stalled bracket, or stepping past a Newton step too
// short to move u, runs on to its limit.
void tst_Engine::zerosAreClosedToRounding_data()
{
    QTest::addColumn<QVector<double>>("roots"); // repeated by their order
    QTest::addColumn<double>("offset");         // added to the constant term
    QTest::addColumn<QVector<double>>("zeros");
    QTest::addColumn<QVector<int>>("passes");
    QTest::addColumn<int>("evaluations");
    const int up = Polynomial::Rising, down = Polynomial::Falling, touch = Polynomial::Touching;
    QTest::newRow("simple") << QVector<double>{-0.7, 0.2, 0.55} << 0.0 << QVector<double>{-0.7, 0.2, 0.55}
                            << QVector<int>{up, down, up} << 70;
    QTest::newRow("double") << QVector<double>{-0.6, 0.3, 0.3} << 0.0 << QVector<double>{-0.6, 0.3}
                            << QVector<int>{up, touch} << 45;
    QTest::newRow("ninth order") << QVector<double>(9, 0.3) << 0.0 << QVector<double>{0.3} << QVector<int>{up} << 40;
    QTest::newRow("eighth order beside a simple zero")
        << (QVector<double>(8, -0.4) << 0.85) << 0.0 << QVector<double>{-0.4, 0.85} << QVector<int>{touch, up} << 160;
    // u⁹ - 2⁻⁹⁰: a simple zero at 2⁻¹⁰ at the foot of a flat stretch, from
    // which Newton's steps shrink by 8/9 at a time.
    QTest::newRow("simple at the foot of a flat stretch")
        << QVector<double>(9, 0.0) << -0x1p-90 << QVector<double>{0x1p-10} << QVector<int>{up} << 68;
    // Three within 1e-9, where the arithmetic tells them apart.
    const double a = 0x1p-30;
    QTest::newRow("three within 1e-9 about zero") << QVector<double>{-a, 0.0, a, 0.5} << 0.0
                                                  << QVector<double>{-a, 0.0, a, 0.5}
                                                  << QVector<int>{down, up, down, up} << 300;
    QTest::newRow("three within 1e-9 beside zero") << QVector<double>{a, 2 * a, 3 * a, -0.5} << 0.0
                                                   << QVector<double>{-0.5, a, 2 * a, 3 * a}
                                                   << QVector<int>{down, up, down, up} << 300;
}

void tst_Engine::zerosAreClosedToRounding()
{
    QFETCH(QVector<double>, roots);
    QFETCH(double, offset);
    QFETCH(QVector<double>, zeros);
    QFETCH(QVector<int>, passes);
    QFETCH(int, evaluations);
    const Polynomial p = withRoots(roots, offset);
    double at[Polynomial::maxDegree];
    Polynomial::Passage passage[Polynomial::maxDegree];
    int count = 0;
    QCOMPARE(p.zeros(-1.0, 1.0, at, passage, &count), zeros.size());
    for (int i = 0; i < zeros.size(); ++i) {
        const QString what = QStringLiteral("zero at %1 found at %2").arg(zeros[i], 0, 'g', 17).arg(at[i], 0, 'g', 17);
        QVERIFY2(std::fabs(at[i] - zeros[i]) <= 8 * 0x1p-52 * std::fabs(zeros[i]), qPrintable(what));
        QCOMPARE(int(passage[i]), passes[i]);
    }
    QVERIFY2(count <= evaluations, qPrintable(QStringLiteral("%1 evaluations").arg(count)));
}

void tst_Engine::portalFrameEquilibrium()
{
    TestDocument document;
    const double H = 3.5, B = 6.0;
    NodeRef top[4];
    QList<NodeRef> bases;
    const double corners[4][2] = {{0, 0}, {B, 0}, {B, B}, {0, B}};
    for (int i = 0; i < 4; ++i) {
        bases.append(document.node(Vector3(corners[i][0], 0, corners[i][1]), 63));
        top[i] = document.node(Vector3(corners[i][0], H, corners[i][1]));
        document.member(bases[i], top[i]);
    }
    QList<MemberRef> beams;
    for (int i = 0; i < 4; ++i)
        beams.append(document.member(top[i], top[(i + 1) % 4], i == 2, false));
    // Loads along Y fix the factor; the rest test force and moment balance.
    document.load<PointLoad>(beams[0], Vector3(0, 1, 0), {{0.3, -20e3}});
    document.load<TrapezoidLoad>(beams[1], Vector3(0, 1, 0), {{0.0, -5e3}, {1.0, -1e3}});
    document.load<PointLoad>(beams[2], Vector3(1, 0, 0), {{1.0, 8e3}});
    document.load<PointLoad>(beams[3], Vector3(0, 0, 1), {{0.6, -4e3}});
    document.load<TorqueLoad>(beams[0], Vector3(0, 1, 0), {{0.5, 2e3}});
    Run run(document);
    ANALYSE(run);
    const auto results = run.results(document.loadingCase);
    QVERIFY(results);

    // Applied resultants about the origin, unfactored.
    Vector3 force, moment;
    const auto at = [&](const MemberRef& m, double t) {
        return m->nodeA()->position() * (1 - t) + m->nodeB()->position() * t;
    };
    const auto addForce = [&](const Vector3& p, const Vector3& F) {
        force += F;
        moment += p.cross(F);
    };
    addForce(at(beams[0], 0.3), Vector3(0, -20e3, 0));
    // Trapezoid: 5 kN/m falling to 1 kN/m over B, resultant at (2·1 + 5)/(3·6) of B from the start... by parts.
    addForce(at(beams[1], 0.5), Vector3(0, -1e3 * B, 0));
    addForce(at(beams[1], 1.0 / 3.0), Vector3(0, -4e3 * B / 2, 0));
    addForce(at(beams[2], 1.0), Vector3(8e3, 0, 0));
    addForce(at(beams[3], 0.6), Vector3(0, 0, -4e3));
    moment += Vector3(0, 2e3, 0);

    Vector3 reactionForce, reactionMoment;
    for (const NodeRef& n : bases) {
        const Vector6 r = results->nodeReactions.value(n);
        const Vector3 F(r[0], r[1], r[2]);
        reactionForce += F;
        reactionMoment += n->position().cross(F) + Vector3(r[3], r[4], r[5]);
    }
    const double f = -reactionForce[1] / force[1];
    QVERIFY(f >= 1.3 && f <= 1.795);
    const double scale = 1e-9 * 60e3 * B;
    for (int k = 0; k < 3; ++k) {
        QVERIFY(std::fabs(reactionForce[k] + f * force[k]) <= scale);
        QVERIFY(std::fabs(reactionMoment[k] + f * moment[k]) <= scale * B);
    }
}

void tst_Engine::faults_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message");
    QTest::newRow("no analysed member") << "group" << "Insufficient members";
    QTest::newRow("member on one node") << "loop" << "Bad member connectivity";
    QTest::newRow("Poisson's ratio above one half") << "material" << "Section properties are invalid";
    QTest::newRow("two fixities") << "fixities" << "Insufficient fixities";
    QTest::newRow("load below 1 N") << "small" << "Insufficient loads";
    QTest::newRow("node held only by a pin") << "pinned tip" << "Ill-conditioning on node";
    QTest::newRow("mechanism") << "mechanism" << "Ill-conditioning involving node";
    QTest::newRow("inclined pin-hinge-pin") << "inclined hinge" << "Ill-conditioning involving node";
}

void tst_Engine::faults()
{
    QFETCH(QString, kind);
    QFETCH(QString, message);

    TestDocument document;
    // Held in its x–y plane, pinned at both ends and hinged between, along
    // a direction that no global axis follows.
    const int plane = Dof::Z | Dof::Rx | Dof::Ry;
    const Vector3 u = kind == "inclined hinge" ? Vector3(0.6, 0.8, 0) : Vector3(1, 0, 0);
    const NodeRef a = document.node(Vector3(0, 0, 0), kind == "fixities"         ? (Dof::X | Dof::Y)
                                                      : kind == "mechanism"      ? 7
                                                      : kind == "inclined hinge" ? (plane | Dof::X | Dof::Y)
                                                                                 : 63);
    const NodeRef b = document.node(u * L, kind == "inclined hinge" ? plane | Dof::Rz : 0);
    const MemberRef m = document.member(a, b, false, kind == "pinned tip" || kind == "inclined hinge");
    VaroObjectRef object;
    if (kind == "inclined hinge") {
        document.member(b, document.node(u * (2 * L), plane | Dof::X | Dof::Y), true, false);
    } else if (kind == "group") {
        GeometryGroupRef hidden(VaroObject::make<GeometryGroup>());
        hidden->setAnalysisPurpose(false);
        m->setGeometryGroup(hidden);
    } else if (kind == "loop") {
        const MemberRef loop = document.member(b, b);
        object = loop;
    } else if (kind == "material") {
        m->setSectionType(steelSection(E / 3.5));
        object = m;
    } else if (kind == "pinned tip") {
        object = b;
    }
    document.load<PointLoad>(m, Vector3(0, 1, 0), {{0.5, kind == "small" ? 0.5 : -1000.0}});
    Run run(document);
    ANALYSE(run);
    const DocumentModel& model = *document.model;
    QCOMPARE(model.analysisStatusMessage(), message);
    if (kind.endsWith("hinge"))
        QVERIFY(qobject_cast<Node*>(model.analysisStatusObject().data()));
    else if (kind == "mechanism")
        QVERIFY(model.analysisStatusObject() == a || model.analysisStatusObject() == b);
    else
        QCOMPARE(model.analysisStatusObject(), object);
    QVERIFY(!model.analysisOutput());
    QCOMPARE(model.analysisOperatingState(), AnalysisModel::NoResults);
}

// Moves, supports, sections, load values and undo arrive at random moments
// while the analysis runs; after undoing them all, what it publishes is the
// cantilever's closed form: tip deflection over the applied load L³/3EI.
void tst_Engine::editsAndUndoWhileAnalysing()
{
    TestDocument document;
    const int n = 40;
    QList<NodeRef> nodes{document.node(Vector3(0, 0, 0), 63)};
    QList<VaroObjectRef> chosen;
    for (int i = 1; i <= n; ++i) {
        nodes << document.node(Vector3(L * i / n, 0, 0));
        chosen << nodes[i] << document.member(nodes[i - 1], nodes[i]);
    }
    const LoadRef load = document.load<PointLoad>(qSharedPointerObjectCast<Member>(chosen.last()), Vector3(0, 1, 0),
                                                  {{1.0, -1000.0}});
    chosen << load;
    Run run(document);
    EditingActions* actions = EditingActions::of(document.model.data());
    actions->actionSelectObjects(chosen);
    const QSharedPointer<QUndoStack> history = document.model->structureUndoStack();
    const int start = history->index();

    const SectionTypeRef other = steelSection(0.9 * G);
    const CalculatorReference atLoad{{"masterLoad", QVariant::fromValue(load)}, {"index", 0}};
    QRandomGenerator random(14);
    // A fixed number of edits: a busy machine makes them no fewer.
    for (int edit = 0; edit < 150; ++edit) {
        switch (random.bounded(5)) {
        case 0: actions->actionMoveSelectedNodesBy(Vector4(0, 0.01, 0.02, 1), CalculatorReference()); break;
        case 1: actions->actionSetSupport(VaroObject::make<Support>(QString(), 7)); break;
        case 2: actions->actionSetMemberProperties(other->crossSection(), other->material()); break;
        case 3: actions->actionSetLoadForceAtIndex(Vector4(-2000, 0, 0, 1), atLoad); break;
        default:
            if (history->index() > start)
                actions->actionUndo();
        }
        QTest::qWait(int(random.bounded(20)));
    }
    while (history->index() > start)
        actions->actionUndo();

    const auto closedForm = [&] {
        const auto results = run.results(document.loadingCase);
        if (!results)
            return false;
        const double applied = -results->nodeReactions.value(nodes[0])[1];
        return closeTo(results->nodeDisplacements.value(nodes[n])[1], applied * L * L * L / (3 * E * Iy), exact, 1.0);
    };
    QTRY_VERIFY_WITH_TIMEOUT(closedForm(), 10000);
}

// Whatever their addresses, the nodes are taken in the order the members
// first reach them, so that a model is numbered alike in every run.
void tst_Engine::nodesAreTakenInTheStructuresOrder()
{
    TestDocument document;
    QList<NodeRef> nodes;
    for (int i = 0; i < 6; ++i)
        nodes << document.node(Vector3(i, i * i, 0));
    document.member(nodes[3], nodes[1]);
    document.member(nodes[0], nodes[5]);
    document.member(nodes[1], nodes[0]);
    document.member(nodes[2], nodes[4]);
    AnalysisSource source;
    source.initialiseTopology(document.model->analysisDocument().data());
    QList<NodeRef> taken;
    for (const QSharedPointer<AnalysisSourceNode>& sourceNode : source.nodes())
        taken << sourceNode->node;
    QCOMPARE(taken, (QList<NodeRef>{nodes[3], nodes[1], nodes[0], nodes[5], nodes[2], nodes[4]}));
}

void tst_Engine::loadsStaySoundWhileTheDrawingWorksMembersOut_data()
{
    QTest::addColumn<bool>("loadsToo"); // the drawing works the loads out as well
    QTest::newRow("members") << false;
    QTest::newRow("members and loads") << true;
}

// Each paint works the caches of the members out again in the GUI thread,
// and the loads' as it draws them, while the analysis takes the loads in its
// own: a sound load is never taken for an invalid one. Where only the
// members are worked out, the loads' caches are cleared before each pass, as
// a move of the member clears them, so that every pass asks the member again.
void tst_Engine::loadsStaySoundWhileTheDrawingWorksMembersOut()
{
    QFETCH(bool, loadsToo);
    const int loadCount = 200, passes = 1000;
    TestDocument document;
    const MemberRef member = document.member(document.node(Vector3(0, 0, 0), 63), document.node(Vector3(L, 1, 2)));
    QList<LoadRef> loads;
    for (int i = 0; i < loadCount; ++i)
        loads << document.load<PointLoad>(member, Vector3(0, 1, 0), {{(i + 0.5) / loadCount, -1000.0}});
    const AnalysisDocument* analysed = document.model->analysisDocument().data();
    AnalysisSource source;
    QVERIFY(source.initialiseTopology(analysed));
    member->updateCache();
    QVERIFY(member->isCacheValid());

    std::atomic<bool> done{false};
    // Several windows may draw at once, each working the loads out.
    std::vector<std::thread> drawing;
    for (int window = 0; window < (loadsToo ? 3 : 1); ++window)
        drawing.emplace_back([&] {
            while (!done.load()) {
                member->updateCache();
                if (loadsToo)
                    for (const LoadRef& load : qAsConst(loads))
                        load->updateCache();
            }
        });
    QString fault;
    for (int pass = 0; pass < passes && fault.isEmpty(); ++pass) {
        // Where the drawing works the loads out, they stay valid throughout.
        if (!loadsToo)
            for (const LoadRef& load : qAsConst(loads))
                load->invalidateCache();
        try {
            source.initialiseLoading(analysed);
        } catch (const ExceptionAnalysisFault& f) {
            fault = f.message;
        }
    }
    done = true;
    for (std::thread& window : drawing)
        window.join();
    QCOMPARE(fault, QString());
    QCOMPARE(source.pointLoads().size(), loadCount);
}

void tst_Engine::resultsArriveWhateverThePool_data()
{
    QTest::addColumn<int>("threads");
    QTest::addColumn<int>("loadCases");
    QTest::addColumn<int>("edits"); // load changes after the first results
    QTest::addColumn<int>("held"); // pool threads kept busy by other work meanwhile

    QTest::newRow("three load cases, two threads") << 2 << 3 << 0 << 0;
    QTest::newRow("nine load cases, four threads") << 4 << 9 << 1 << 0;
    QTest::newRow("one load case, one thread, edited") << 1 << 1 << 3 << 0;
    QTest::newRow("four load cases, two threads, one held") << 2 << 4 << 1 << 1;
    QTest::newRow("two load cases, one thread, held") << 1 << 2 << 1 << 1;
}

// However few threads the pool has, and however many of them other work
// holds, the results of every first-order load case arrive, after every
// edit too: tip deflection over applied load L³/3EI, case k loaded k times
// the first.
void tst_Engine::resultsArriveWhateverThePool()
{
    QFETCH(int, threads);
    QFETCH(int, loadCases);
    QFETCH(int, edits);
    QFETCH(int, held);

    const PoolSetting pool(threads, held);

    TestDocument document;
    const NodeRef base = document.node(Vector3(0, 0, 0), 63), tip = document.node(Vector3(L, 0, 0));
    const MemberRef m = document.member(base, tip);
    QList<LoadCaseRef> cases{document.loadingCase};
    for (int k = 1; k < loadCases; ++k) {
        cases << VaroObject::make<Loading>(QStringLiteral("Loading %1").arg(k + 1));
        document.addLoadCase(cases.last());
    }
    QList<LoadRef> loads;
    for (int k = 0; k < loadCases; ++k)
        loads << document.load<PointLoad>(m, Vector3(0, 1, 0), {{1.0, -1000.0 * (k + 1)}}, cases[k]);
    Run run(document);

    // Downward loads: the first case first · 1000 N, case k (k + 1) · 1000 N,
    // all scaled by the pass's factor; the support pushes back as much.
    const auto closedForm = [&](int solverRuns, double first) {
        if (run.model->phaseTimes().solverRuns != solverRuns || !run.model->output())
            return false;
        const auto results = run.results(cases[0]);
        if (!results)
            return false;
        const double factor = results->nodeReactions.value(base)[1] / (first * 1000.0);
        if (factor < 1.3 || factor > 1.795)
            return false;
        for (int k = 0; k < loadCases; ++k) {
            const auto caseResults = run.results(cases[k]);
            if (!caseResults)
                return false;
            const double load = -factor * 1000.0 * (k == 0 ? first : k + 1);
            if (!closeTo(caseResults->nodeReactions.value(base)[1], -load, exact, 1.0)
                || !closeTo(caseResults->nodeDisplacements.value(tip)[1], load * L * L * L / (3 * E * Iy), exact,
                            1.0))
                return false;
        }
        return true;
    };
    // The count alone is waited for; the pass's output is in place before it counts.
    QTRY_COMPARE_WITH_TIMEOUT(run.model->phaseTimes().solverRuns, 1, 10000);
    QVERIFY(closedForm(1, 1.0));
    for (int e = 1; e <= edits; ++e) {
        const double first = 1.0 + e / 8.0;
        {
            DocumentWriteGuard writing(document.model.data());
            document.structure->changeLoadForceAtIndex({{loads[0], -1000.0 * first}}, 0);
        }
        QTRY_COMPARE_WITH_TIMEOUT(run.model->phaseTimes().solverRuns, 1 + e, 10000);
        QVERIFY(closedForm(1 + e, first));
    }
}

// A combination named by several others expands wherever it is named: with
// X = 2·L, Y = X + L and Z = X + Y the reactions are 2, 3 and 5 times the
// loading's, and a combination of a sway case of the gravity case and of X
// has the sum of their reactions. The pass's load factor is common to all.
void tst_Engine::sharedCombinationsScaleTheirResults()
{
    LinkedCantilever model(0);
    TestDocument& document = model.document;
    const auto combination = [&](const QMap<LoadCaseRef, double>& factors) {
        const CombinationRef c(VaroObject::make<Combination>());
        c->setFactors(factors);
        document.addLoadCase(c);
        return LoadCaseRef(c);
    };
    const LoadCaseRef loading = document.loadingCase;
    const LoadCaseRef X = combination({{loading, 2.0}});
    const LoadCaseRef Y = combination({{X, 1.0}, {loading, 1.0}});
    const LoadCaseRef Z = combination({{X, 1.0}, {Y, 1.0}});
    const GravityCaseRef gravity(VaroObject::make<GravityCase>(QStringLiteral("Gravity")));
    const SwayCaseRef sway(VaroObject::make<SwayCase>(QStringLiteral("Sway")));
    sway->setFactors({{gravity, 0.05}});
    document.addLoadCase(gravity);
    document.addLoadCase(sway);
    const LoadCaseRef W = combination({{sway, 1.0}, {X, 1.0}});
    Run run(document);
    ANALYSE(run);

    const auto reaction = [&](const LoadCaseRef& loadCase) {
        const auto results = run.results(loadCase);
        return results ? results->nodeReactions.value(model.base) : Vector6();
    };
    const Vector6 R = reaction(loading);
    const double f = R[1] / LinkedCantilever::P;
    QVERIFY2(f >= 1.3 && f <= 1.795, qPrintable(QString::number(f)));
    // The weight w·L taken along −X by the sway case: the support pushes back along +X.
    const double weight = A * 7850 * 9.81 * L;
    VERIFY_CLOSE(reaction(sway)[0], 0.05 * f * weight, exact, 1.0);
    const struct
    {
        LoadCaseRef loadCase;
        double times;
    } scaled[] = {{X, 2}, {Y, 3}, {Z, 5}};
    for (const auto& c : scaled)
        for (int k = 0; k < 6; ++k)
            VERIFY_CLOSE(reaction(c.loadCase)[k], c.times * R[k], exact, std::fabs(R[1]));
    for (int k = 0; k < 6; ++k)
        VERIFY_CLOSE(reaction(W)[k], reaction(sway)[k] + 2 * R[k], exact, std::fabs(R[1]));
}

// Each analysis thread draws its load factors from a sequence of its own
// that nothing seeds, the minimal-standard generator from 1: 48271 and then
// 48271² mod (2³¹ − 1) = 2330089441 − 2147483647 = 182605794. A document's
// first pass carries 1.3 + 71/200 and its next 1.3 + 94/200, and the next
// document starts over.
void tst_Engine::eachAnalysisDrawsItsFactorsAsUnseeded()
{
    for (int document = 0; document < 2; ++document) {
        LinkedCantilever model(0);
        Run run(model.document);
        const auto factorOfPass = [&](int pass, double P) {
            const auto results = run.results(model.document.loadingCase);
            return run.model->phaseTimes().solverRuns == pass && results
                           ? results->nodeReactions.value(model.base)[1] / P
                           : 0.0;
        };
        QTRY_COMPARE_WITH_TIMEOUT(run.model->phaseTimes().solverRuns, 1, 10000);
        VERIFY_CLOSE(factorOfPass(1, LinkedCantilever::P), 1.3 + 71 / 200.0, exact, 1.0);
        {
            DocumentWriteGuard writing(model.document.model.data());
            model.document.structure->changeLoadForceAtIndex({{model.load, -2.0 * LinkedCantilever::P}}, 0);
        }
        QTRY_COMPARE_WITH_TIMEOUT(run.model->phaseTimes().solverRuns, 2, 10000);
        VERIFY_CLOSE(factorOfPass(2, 2.0 * LinkedCantilever::P), 1.3 + 94 / 200.0, exact, 1.0);
    }
}

// Each link of a chain of combinations is expanded once in a pass: ten times
// the links take about ten times the steps of the whole analysis, not a
// hundred, and the last link has the loading's results times its factor.
// Steps, not processor time: a busy machine changes no count.
void tst_Engine::linkedCombinationsAnalyseInLinearTime()
{
    const int small = 1000, large = 10000;
    const double bound = middleGrowth(small, large, Work::Linear, Work::Quadratic);
    bool scaled = true;
    // The steps of the whole analysis; one past `most` ends the wait, as a
    // pass that has already gone past the bound need not be waited for.
    const auto stepsOf = [&](int links, double most) {
        LinkedCantilever model(links);
        StopChecks::_testTally = 0;
        StopChecks::_testCounting = true;
        Run run(model.document);
        scaled = QTest::qWaitFor([&] { return run.settled() || StopChecks::_testTally > most; }, 600000) && scaled;
        StopChecks::_testCounting = false;
        const double steps = double(StopChecks::_testTally);
        if (steps > most)
            return steps;
        const auto first = run.results(model.document.loadingCase), last = run.results(model.last);
        scaled = scaled && first && last
                 && closeTo(last->nodeReactions.value(model.base)[1],
                            (links % 2 ? 2.0 : 1.0) * first->nodeReactions.value(model.base)[1], exact);
        return steps;
    };
    const double smallSteps = stepsOf(small, std::numeric_limits<double>::max());
    const double growth = stepsOf(large, bound * smallSteps) / smallSteps;
    QVERIFY2(growth < bound, qPrintable(QString::number(growth)));
    QVERIFY(scaled);
}

// A loading pass over a cantilever under four tip loads and many
// combinations of its loading, each check of the pass one step of
// work after the last: no stretch of the analysis's thread without a check,
// up to the published output, grows with the number of cases, so that a
// stop, or the program's end, is heard within one short step however many
// there are. Processor time of that thread, 128 times the cases.
void tst_Engine::noStretchOfALoadingPassGrowsWithItsCases()
{
#if defined(__SANITIZE_ADDRESS__)
    // The sanitizer's quarantine of freed blocks is emptied now and then in
    // one go, a stretch of its own in whichever thread frees; its marking of
    // a block as it is taken costs the block's whole size at once, where the
    // program reserves room untouched.
    const QString sanitizing = qEnvironmentVariable("ASAN_OPTIONS");
    if (!sanitizing.contains(QLatin1String("quarantine_size_mb=0")) || !sanitizing.contains(QLatin1String("poison_heap=0")))
        QSKIP("Runs in a test of its own, without the quarantine of freed blocks or the heap's marking");
#elif defined(__SANITIZE_THREAD__)
    QSKIP("The thread sanitizer's own work stands in the way of the stretches measured");
#endif
    StopChecks::_testStepsBetweenChecks = 1;
    // The analysis's thread does the pool's share too: helpers contending
    // with it for the allocator's locks, on a busy machine, would stretch
    // its steps by their waits.
    const PoolSetting alone(0, 0);
    bool published = true;
    // The processor time between each check and the next, in order.
    const auto stretchesOf = [&published](int cases) {
        TestDocument document;
        const NodeRef base = document.node(Vector3(0, 0, 0), 63), tip = document.node(Vector3(L, 0, 0));
        const MemberRef m = document.member(base, tip);
        for (int i = 0; i < 4; ++i)
            document.load<PointLoad>(m, Vector3(0, 1, 0), {{1.0, -1000.0}});
        QList<LoadCaseRef> combinations;
        for (int i = 0; i < cases; ++i) {
            const CombinationRef c(VaroObject::make<Combination>(QString::number(i)));
            c->addFactor(document.loadingCase, 1.5);
            combinations << c;
        }
        document.model->libraries()->loadCaseLibrary()->appendAll(combinations);
        struct Stretches
        {
            QThread* thread = nullptr;
            double last = -1.0;
            std::vector<double> each;
            bool ended = false;
            void mark()
            {
                if (ended || QThread::currentThread() != thread)
                    return;
                if (last >= 0.0)
                    each.push_back(threadCpuSeconds() - last);
                // Read after the mark's own work, which is not the analysis's.
                last = threadCpuSeconds();
            }
        };
        const auto stretches = std::make_shared<Stretches>();
        // Room for every check: a growing list would copy itself between two.
        stretches->each.reserve(size_t(64) * cases + 65536);
        const QSharedPointer<AnalysisModel> analysis =
            qSharedPointerObjectCast<AnalysisModel>(document.model->analysisModel());
        stretches->thread = analysis.data();
        AnalysisModel::_atStopCheck = [stretches](AnalysisModel::Phase) { stretches->mark(); };
        connect(
            analysis.data(), &AnalysisModel::OutputChanged, analysis.data(),
            [stretches] {
                stretches->mark();
                stretches->ended = stretches->ended || QThread::currentThread() == stretches->thread;
            },
            Qt::DirectConnection);
        // The disposal thread's freeing meanwhile would contend for the allocator.
        const auto disposal = std::make_shared<Gate>();
        AnalysisDisposal::release([disposal] {
            disposal->pass();
            return true;
        });
        Run run(document);
        published = QTest::qWaitFor([&] { return run.settled(); }, 120000) && published
                    && run.results(combinations.last()) && stretches->ended;
        disposal->open();
        AnalysisModel::_atStopCheck = nullptr;
        return stretches->each;
    };
    // Check by check, the least of three runs: a stretch that grows with the
    // cases is there in every run, at the same check; a stall that the
    // machine's other work brings, a descheduling that leaves the caches
    // cold, comes at one check in one run and not at the same in the others.
    const auto longestStretch = [&](int cases) {
        std::vector<double> least = stretchesOf(cases);
        for (int run = 1; run < 3; ++run) {
            const std::vector<double> each = stretchesOf(cases);
            published = published && each.size() == least.size();
            for (size_t i = 0; i < std::min(least.size(), each.size()); ++i)
                least[i] = std::min(least[i], each[i]);
        }
        return least.empty() ? 0.0 : *std::max_element(least.begin(), least.end());
    };
    // A loop over the cases without a check stretches as the cases do, 128
    // times; the bound is two and a half times below that. What else grows
    // with the cases between two checks is memory, a hash that grows or the
    // huge page that a large block's first touch fills, far less than a
    // case's work per case: some 5 to 15 times.
    const int small = 250, large = 32000;
    const double bound = double(large) / small / 2.5;
    const double growth = longestStretch(large) / std::max(longestStretch(small), 1e-9);
    StopChecks::_testStepsBetweenChecks = 0;
    QVERIFY(published);
    QVERIFY2(growth < bound, qPrintable(QString::number(growth)));
}

// A document as the analysis reads it, with a writer that comes to wait for
// its lock in the middle of a read; the read lets the writer in once it
// has given the lock up.
class WrittenDocument : public AnalysisDocument
{
public:
    explicit WrittenDocument(const AnalysisDocument* inner) : inner(inner) {}

    int busyCount() const override { return inner->busyCount() + int(waiting); }
    int topologySum() const override { return inner->topologySum(); }
    int stiffnessSum() const override { return inner->stiffnessSum(); }
    int loadingSum() const override { return inner->loadingSum(); }
    void readMembers(const std::function<void(const QList<MemberRef>&)>& read) const override
    {
        reading = true;
        inner->readMembers(read);
        reading = false;
        if (waiting) {
            waiting = false;
            stepsWaited = steps - stepsWhenWaiting;
        }
    }
    QList<LoadCaseRef> loadCases() const override { return inner->loadCases(); }
    bool loadsInLoadCases(const QList<LoadCaseRef>& loadCases, QList<QList<LoadRef>>* loads,
                          const std::function<bool()>& carryOn) const override
    {
        return inner->loadsInLoadCases(loadCases, loads, carryOn);
    }
    // Asked at every step: the writer comes a hundred steps into a read.
    bool carryOn() const
    {
        ++steps;
        if (reading && ++stepsInReads == 100) {
            waiting = true;
            stepsWhenWaiting = steps;
        }
        return true;
    }

    const AnalysisDocument* const inner;
    mutable bool reading = false, waiting = false;
    mutable int steps = 0, stepsInReads = 0, stepsWhenWaiting = 0, stepsWaited = -1;
};

// The loads of 20000 combinations are read under the document's lock a slice
// at a time: a writer that comes to wait for the lock, a save or an edit,
// gets it within one slice of 4096 loads rather than after all of them.
void tst_Engine::aWriterIsLetInWhileTheLoadsAreRead()
{
    LinkedCantilever model(0);
    QList<LoadCaseRef> combinations;
    for (int i = 0; i < 20000; ++i) {
        const CombinationRef c(VaroObject::make<Combination>(QString::number(i)));
        c->addFactor(model.document.loadingCase, 1.5);
        combinations << c;
    }
    model.document.model->libraries()->loadCaseLibrary()->appendAll(combinations);
    // Read here alone, not by the document's own analysis too.
    qSharedPointerObjectCast<AnalysisModel>(model.document.model->analysisModel())->stop();
    model.document.model->lowerBusyCount();
    const WrittenDocument document(model.document.model->analysisDocument().data());
    AnalysisSource source;
    QVERIFY(source.initialiseTopology(&document));
    StopChecks::_testStepsBetweenChecks = 1;
    const bool read = source.initialiseLoading(&document, [&document] { return document.carryOn(); });
    StopChecks::_testStepsBetweenChecks = 0;
    QVERIFY(read);
    QCOMPARE(source.pointLoads().size(), 20001);
    QVERIFY2(document.stepsWaited >= 0 && document.stepsWaited <= 4096 + 2,
             qPrintable(QStringLiteral("the writer waited %1 steps").arg(document.stepsWaited)));
}

void tst_Engine::generatedLoadsListenToNothingAndGoInTheirThread_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("members");
    for (const char* kind : {"self weight", "sway", "combination"})
        for (int members : {1, 24})
            QTest::addRow("%s, %d members", kind, members) << QString(kind) << members;
}

// Cantilevers side by side, each with a point, a torque and a trapezoid
// load, analysed with the loads the analysis generates for one kind of case:
// a gravity case's self weight, a sway case's loads taken along X, or a
// combination's copies. Moving every node, twice, posts no event to the
// analysis's thread, which runs no event loop and would hold every such
// event until its load goes; and the generated loads that another thread
// lets go of last go in the analysis's thread, while it runs. The moved
// model still carries its loads: the reactions balance them.
void tst_Engine::generatedLoadsListenToNothingAndGoInTheirThread()
{
    QFETCH(QString, kind);
    QFETCH(int, members);
    TestDocument document;
    QMap<NodeRef, double> everyNode;
    NodeRef base;
    for (int i = 0; i < members; ++i) {
        const NodeRef a = document.node(Vector3(0, 0, i), 63), b = document.node(Vector3(L, 0, i));
        const MemberRef m = document.member(a, b);
        document.load<PointLoad>(m, Vector3(0, 1, 0), {{0.5, -1000.0}});
        document.load<TorqueLoad>(m, Vector3(1, 0, 0), {{0.25, 500.0}});
        document.load<TrapezoidLoad>(m, Vector3(0, 1, 0), {{0.2, -300.0}, {0.8, -600.0}});
        everyNode.insert(a, 1.0);
        everyNode.insert(b, 1.0);
        base = base ? base : a;
    }
    QSharedPointer<SuperLoadCase> super;
    LoadCaseRef generated;
    if (kind == "self weight") {
        generated = VaroObject::make<GravityCase>(QStringLiteral("Gravity"));
    } else {
        super = kind == "sway" ? QSharedPointer<SuperLoadCase>(VaroObject::make<SwayCase>(QStringLiteral("Sway")))
                               : QSharedPointer<SuperLoadCase>(VaroObject::make<Combination>(QStringLiteral("ULS")));
        super->setFactors({{document.loadingCase, 0.5}});
        generated = super;
    }
    document.addLoadCase(generated);
    Run run(document);
    QThread* const analysis = run.model.data();
    QTRY_COMPARE_WITH_TIMEOUT(document.model->analysisOperatingState(), AnalysisLink::ResultsAvailable, 20000);

    struct Freed
    {
        std::atomic<int> inItsThread{0}, elsewhere{0};
    };
    // Shared with the loads, which may outlive a failed test.
    const auto freed = std::make_shared<Freed>();
    QSharedPointer<AnalysisOutput> output = document.model->analysisOutput();
    int watched = 0;
    // The sway case takes no torque about X.
    const int expected = kind == "self weight" ? members : kind == "sway" ? 2 * members : 3 * members;
    QList<LoadRef> generatedLoads = generatedLoadsOf(*output);
    QVERIFY(!generatedLoads.isEmpty());
    const PostedEvents posted(generatedLoads.first().data());
    for (const LoadRef& load : generatedLoads) {
        QCOMPARE(load->thread(), analysis);
        connect(
            load.data(), &QObject::destroyed, load.data(),
            [freed, analysis] { ++(QThread::currentThread() == analysis ? freed->inItsThread : freed->elsewhere); },
            Qt::DirectConnection);
        ++watched;
    }
    generatedLoads.clear();
    QCOMPARE(watched, expected);
    QCOMPARE(posted.waiting(), 0);

    const auto republished = [&] {
        const AnalysisModel::Published now = run.model->published();
        return now.output && now.output != output && now.state == AnalysisLink::ResultsAvailable;
    };
    for (int move = 1; move <= 2; ++move) {
        {
            DocumentWriteGuard writing(document.model.data());
            document.structure->moveNodesBy(everyNode, Vector3(0.0, 0.001, 0.0));
        }
        QCOMPARE(posted.waiting(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(republished(), 20000);
        output = document.model->analysisOutput();
    }
    QCOMPARE(posted.waiting(), 0);
    // The loading's reaction at the first base balances its loads, whose
    // factor the pass draws: Fy = f·(1000 + (300 + 600)/2·0.6·L).
    const auto loading = run.results(document.loadingCase);
    QVERIFY(loading);
    const double applied = 1000.0 + 450.0 * 0.6 * L, f = loading->nodeReactions.value(base)[1] / applied;
    QVERIFY2(f >= 1.3 && f <= 1.795, qPrintable(QString::number(f)));
    // Half the loads, along X for the sway case.
    if (super)
        VERIFY_CLOSE(run.results(generated)->nodeReactions.value(base)[kind == "sway" ? 0 : 1], 0.5 * f * applied,
                     exact, applied);

    // The first pass's loads go once the outputs that hold them have gone.
    output.reset();
    QTRY_COMPARE_WITH_TIMEOUT(freed->inItsThread + freed->elsewhere, watched, 20000);
    QCOMPARE(freed->elsewhere.load(), 0);
}

// The top of a chain of 200 combinations of 16 loads each is expanded while
// the disposal thread is held: the copies of every link below the top, which
// the expansion's tables alone hold, are still there once it has returned,
// and go once the disposal goes on.
void tst_Engine::aFinishedExpansionLeavesItsTablesToBeFreedElsewhere()
{
    if (AnalysisDisposal::isEnding())
        QSKIP("The program has begun its end in this run already");
    const int loads = 16, links = 200;
    const auto disposal = std::make_shared<Gate>();
    const auto open = qScopeGuard([disposal] { disposal->open(); });
    AnalysisDisposal::release([disposal] {
        disposal->pass();
        return true;
    });
    QTRY_VERIFY(disposal->isHolding());
    const int before = CountedLoad::_alive;
    {
        const NodeRef base(VaroObject::make<Node>()), tip(VaroObject::make<Node>());
        tip->setPosition(Vector3(L, 0, 0));
        const QList<MemberRef> members{VaroObject::make<Member>(base, tip)};
        const LoadingRef loading(VaroObject::make<Loading>(QStringLiteral("Loading 1")));
        QList<LoadRef> own;
        for (int i = 0; i < loads; ++i) {
            own << LoadRef(VaroObject::make<CountedLoad>(members[0]));
            own.last()->setLoadCase(loading);
        }
        LoadCaseRef top = loading;
        for (int i = 0; i < links; ++i) {
            const CombinationRef next(VaroObject::make<Combination>(QString::number(i)));
            next->addFactor(top, 1.0);
            top = next;
        }
        QList<QList<LoadRef>> expanded;
        QVERIFY(expandLoadCases({top}, members, own, &expanded));
        QCOMPARE(expanded.size(), 1);
        QCOMPARE(expanded[0].size(), loads);
        QCOMPARE(CountedLoad::_alive - before, loads * (1 + links));
    }
    disposal->open();
    QTRY_COMPARE_WITH_TIMEOUT(CountedLoad::_alive.load(), before, 20000);
}

void tst_Engine::aStoppedExpansionGoesAPieceAtATime_data()
{
    QTest::addColumn<bool>("ending");
    QTest::addColumn<bool>("topFirst"); // the chain listed from its top, whose expansion alone holds the copies
    QTest::newRow("its document gone") << false << false;
    QTest::newRow("the program ending") << true << false;
    QTest::newRow("the program ending, the top listed first") << true << true;
}

// A document goes while its analysis expands 2000 linked combinations of 16
// loads each, held once it has made 20000 copies. The copies go a piece at a
// time, and each thread that frees them is held at the first: all go while
// the program runs on; once the program ends, its end waits for one piece at
// most and leaves the rest to the process's end. Listed from its
// top, the chain is expanded below the top before any case is done, and the
// copies are held by the expansion's tables alone.
void tst_Engine::aStoppedExpansionGoesAPieceAtATime()
{
    QFETCH(bool, ending);
    QFETCH(bool, topFirst);
    // A program ends once: each such row runs in a program of its own too.
    if (ending && AnalysisDisposal::isEnding())
        QSKIP("The program has begun its end in this run already");
    const int loads = 16, links = 2000, held = 20000;
    const auto expansion = std::make_shared<Gate>();
    const auto freeing = std::make_shared<Gate>();
    std::atomic<int> own{0};
    AnalysisModel::_atStopCheck = [expansion, &own](AnalysisModel::Phase phase) {
        if (phase == AnalysisModel::Solution && CountedLoad::_alive >= own + held)
            expansion->pass();
    };
    QPointer<AnalysisModel> analysis;
    {
        TestDocument document;
        const NodeRef base = document.node(Vector3(0, 0, 0), 63), tip = document.node(Vector3(L, 0, 0));
        const MemberRef member = document.member(base, tip);
        for (int i = 0; i < loads; ++i)
            document.load<CountedLoad>(member, Vector3(0, 1, 0), {{(i + 1.0) / loads, -1000.0}});
        own = CountedLoad::_alive.load();
        QList<LoadCaseRef> chain;
        LoadCaseRef last = document.loadingCase;
        for (int i = 0; i < links; ++i) {
            const CombinationRef next(VaroObject::make<Combination>(QString::number(i)));
            next->addFactor(last, 1.0);
            chain.insert(topFirst ? 0 : chain.size(), next);
            last = next;
        }
        document.model->libraries()->loadCaseLibrary()->appendAll(chain);
        analysis = qobject_cast<AnalysisModel*>(document.model->analysisModel().data());
        Run run(document);
        QTRY_VERIFY_WITH_TIMEOUT(expansion->isHolding(), 60000);
        document.model.reset();
    }
    const int made = CountedLoad::_alive - own;
    QVERIFY2(made >= held && made < loads * links, qPrintable(QString::number(made)));
    if (!ending) {
        expansion->open();
        QTRY_VERIFY_WITH_TIMEOUT(!analysis, 20000);
        QTRY_COMPARE_WITH_TIMEOUT(CountedLoad::_alive.load(), 0, 20000);
        AnalysisModel::_atStopCheck = nullptr;
        return;
    }
    QThread* const gui = QThread::currentThread();
    CountedLoad::_whenFreed = [freeing, gui] {
        if (QThread::currentThread() != gui)
            freeing->holdEach();
    };
    expansion->open();
    QTRY_VERIFY_WITH_TIMEOUT(freeing->isHolding(), 20000);
    const int before = CountedLoad::_alive;
    std::atomic<bool> ended{false};
    std::thread end([&ended] {
        AnalysisDisposal::waitForThreads();
        ended = true;
    });
    // A failed check lets the freeing on and joins the end before leaving.
    const auto joined = qScopeGuard([&] {
        freeing->open();
        end.join();
    });
    QTRY_VERIFY(AnalysisDisposal::isEnding());
    freeing->open();
    QTRY_VERIFY_WITH_TIMEOUT(ended, 20000);
    const int freed = before - CountedLoad::_alive;
    QVERIFY2(freed <= loads, qPrintable(QStringLiteral("%1 freed after the end began").arg(freed)));
}

VARO_TEST_MAIN(tst_Engine)
#include "tst_engine.moc"
