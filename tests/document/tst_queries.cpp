#include "DocumentTesting.h"

#include "CloseTesting.h"
#include "CpuTimeTesting.h"
#include "CrossSection.h"
#include "LoadCaseLibrary.h"
#include "TestMain.h"

#include <QRegularExpression>
#include <QScopeGuard>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <cmath>
#include <functional>
#include <thread>

namespace {

typedef std::function<void(DocumentModel*)> Query;

MemberRef memberBetween(const NodeRef& a, const NodeRef& b, bool withSection = true)
{
    const MemberRef member(VaroObject::make<Member>(a, b));
    if (withSection)
        member->setSectionType(VaroObject::make<SectionType>(CrossSectionRef(), MaterialRef()));
    return member;
}

// A member given a section type whose material is a separate copy, as a
// file reader makes them.
MemberRef memberWithMaterial(const Material& material)
{
    const MemberRef member = memberBetween(nodeAt(0), nodeAt(1));
    member->sectionType()->setMaterial(MaterialRef(new Material(material)));
    return member;
}

QList<MaterialRef> customMaterials(const DocumentModel& document)
{
    const QSharedPointer<MaterialLibrary> library = document.libraries()->materialLibrary();
    return library->valuesOf(library->root()->subnode(1));
}

} // namespace

Q_DECLARE_METATYPE(Query)

class TestQueries : public QObject
{
    Q_OBJECT

private slots:
    void aGroupIsUsedByItsMembersOrNodes();
    void loadCasesAreUsedWhenTheyYieldLoads_data();
    void loadCasesAreUsedWhenTheyYieldLoads();
    void loadCasesNamedElsewhereAreReferenced_data();
    void loadCasesNamedElsewhereAreReferenced();
    void loadsInLoadCaseExpandEveryKind();
    void longChainsExpandAllOrNothing_data();
    void longChainsExpandAllOrNothing();
    void sharedCombinationsExpandWhereverNamed_data();
    void sharedCombinationsExpandWhereverNamed();
    void expandingEveryCaseLetsWritersIn_data();
    void expandingEveryCaseLetsWritersIn();
    void sharedChainsExpandInLinearTime_data();
    void sharedChainsExpandInLinearTime();
    void queriesWaitForAWriter_data();
    void queriesWaitForAWriter();
    void theNearestObjectIsTheFirstOfEquals();
    void materialsJoinTheLibraryOnce();
    void materialsAreMatchedInLinearTime_data();
    void materialsAreMatchedInLinearTime();
    void defaultLoadCasesAreAddedWhenMissing_data();
    void defaultLoadCasesAreAddedWhenMissing();
};

void TestQueries::aGroupIsUsedByItsMembersOrNodes()
{
    const QSharedPointer<DocumentModel> document = newDocument();
    Frame frame(document.data());
    const GeometryGroupRef nodesOnly(VaroObject::make<GeometryGroup>("Nodes"));
    const GeometryGroupRef unused(VaroObject::make<GeometryGroup>("Unused"));
    for (const GeometryGroupRef& group : {nodesOnly, unused})
        document->libraries()->groupLibrary()->append(group);
    frame.members[1]->setGeometryGroup(frame.group);
    frame.nodes[3]->setGeometryGroup(nodesOnly);

    QVERIFY(document->isGroupUsed(frame.group));
    QVERIFY(document->isGroupUsed(nodesOnly));
    QVERIFY(!document->isGroupUsed(unused));
    QVERIFY(!document->isGroupUsed(VaroObject::make<Group>("Plain")));
    QCOMPARE(document->usedGroups(), (QList<GeometryGroupRef>{frame.group, nodesOnly}));
}

void TestQueries::loadCasesAreUsedWhenTheyYieldLoads_data()
{
    QTest::addColumn<bool>("sectionlessMember");
    QTest::addColumn<bool>("noMembers");
    QTest::addColumn<QString>("combination");
    QTest::addColumn<bool>("used");
    // The combination is made of: L the loaded loading, E an empty loading,
    // G the gravity case, S a sway case on G, C itself, D a second
    // combination that contains this one.
    QTest::newRow("loaded loading") << false << false << "L" << true;
    QTest::newRow("empty combination") << false << false << "" << false;
    QTest::newRow("a component without loads") << false << false << "L E" << false;
    QTest::newRow("gravity") << false << false << "G" << true;
    QTest::newRow("gravity with a member lacking a section") << true << false << "G" << false;
    QTest::newRow("gravity without members") << false << true << "G" << true;
    QTest::newRow("sway of gravity") << false << false << "S" << true;
    QTest::newRow("itself") << false << false << "L C" << false;
    QTest::newRow("itself through another") << false << false << "L D" << false;
}

void TestQueries::loadCasesAreUsedWhenTheyYieldLoads()
{
    QFETCH(bool, sectionlessMember);
    QFETCH(bool, noMembers);
    QFETCH(QString, combination);
    QFETCH(bool, used);
    const QSharedPointer<DocumentModel> document = newDocument();
    const QSharedPointer<StructureModel> structure = document->structureModel();
    const LoadingRef loaded(VaroObject::make<Loading>("L"));
    const LoadingRef empty(VaroObject::make<Loading>("E"));
    const GravityCaseRef gravity(VaroObject::make<GravityCase>("G"));
    const SwayCaseRef sway(VaroObject::make<SwayCase>("S"));
    const CombinationRef tested(VaroObject::make<Combination>("C"));
    const CombinationRef outer(VaroObject::make<Combination>("D"));
    sway->setFactors({{gravity, 0.05}});
    outer->setFactors({{tested, 1.0}});
    for (const LoadCaseRef& loadCase : QList<LoadCaseRef>{loaded, empty, gravity, sway, tested, outer})
        document->libraries()->loadCaseLibrary()->append(loadCase);
    if (!noMembers) {
        const MemberRef member = memberBetween(nodeAt(0), nodeAt(3), !sectionlessMember);
        structure->appendObjects({member, pairsLoad(LoadRef(VaroObject::make<PointLoad>(member)), {{0.5, 10}}, loaded)});
    }

    const QMap<QString, LoadCaseRef> byName{{"L", loaded}, {"E", empty},  {"G", gravity},
                                            {"S", sway},   {"C", tested}, {"D", outer}};
    QMap<LoadCaseRef, double> factors;
    for (const QString& name : combination.split(' ', Qt::SkipEmptyParts))
        factors.insert(byName.value(name), 1.5);
    tested->setFactors(factors);

    QCOMPARE(document->isLoadCaseUsed(tested), used);
    QCOMPARE(document->usedLoadCases().contains(tested), used);
    QVERIFY(!document->isLoadCaseUsed(empty));
}

void TestQueries::loadCasesNamedElsewhereAreReferenced_data()
{
    QTest::addColumn<QString>("tested");
    QTest::addColumn<bool>("referenced");
    // L carries a load; E is empty but named by the combination C; F is
    // empty and free; S, a sway case of G, is named by C; D names nothing.
    QTest::newRow("loaded loading") << "L" << true;
    QTest::newRow("empty loading in a combination") << "E" << true;
    QTest::newRow("free loading") << "F" << false;
    QTest::newRow("gravity in a sway case") << "G" << true;
    QTest::newRow("sway case in a combination") << "S" << true;
    QTest::newRow("combination in a combination") << "C" << true;
    QTest::newRow("outermost combination") << "D" << false;
}

void TestQueries::loadCasesNamedElsewhereAreReferenced()
{
    QFETCH(QString, tested);
    const QSharedPointer<DocumentModel> document = newDocument();
    Frame frame(document.data()); // its loading carries the loads
    const QMap<QString, LoadCaseRef> byName{{"L", frame.loading},
                                            {"E", VaroObject::make<Loading>("E")},
                                            {"F", VaroObject::make<Loading>("F")},
                                            {"G", VaroObject::make<GravityCase>("G")},
                                            {"S", VaroObject::make<SwayCase>("S")},
                                            {"C", VaroObject::make<Combination>("C")},
                                            {"D", VaroObject::make<Combination>("D")}};
    for (const LoadCaseRef& loadCase : byName)
        document->libraries()->loadCaseLibrary()->append(loadCase);
    byName["S"].staticCast<SuperLoadCase>()->setFactors({{byName["G"], 0.05}});
    byName["C"].staticCast<SuperLoadCase>()->setFactors({{byName["E"], 1.0}, {byName["S"], 1.0}});
    byName["D"].staticCast<SuperLoadCase>()->setFactors({{byName["C"], 1.0}});
    QTEST(document->isLoadCaseReferenced(byName[tested]), "referenced");
}

void TestQueries::loadsInLoadCaseExpandEveryKind()
{
    const QSharedPointer<DocumentModel> document = newDocument();
    Frame frame(document.data()); // its loading "Dead" holds three loads
    CrossSectionRef section(new CrossSection);
    section->setArea(0.01);
    for (const MemberRef& member : frame.members)
        member->setSectionType(VaroObject::make<SectionType>(section, frame.material));
    const LoadingRef empty(VaroObject::make<Loading>("Empty"));
    const GravityCaseRef gravity(VaroObject::make<GravityCase>("Gravity"));
    const SwayCaseRef sway(VaroObject::make<SwayCase>("Sway"));
    sway->setTakeComponent(SwayCase::Y);
    sway->setApplyComponent(SwayCase::X);
    sway->setFactors({{gravity, 0.05}});
    const CombinationRef doubled(VaroObject::make<Combination>("Doubled")), partial(VaroObject::make<Combination>("Partial"));
    doubled->setFactors({{sway, 2.0}});
    partial->setFactors({{frame.loading, 1.5}, {empty, 1.2}});
    const QSharedPointer<LoadCaseLibrary> library = document->libraries()->loadCaseLibrary();
    for (const LoadCaseRef& loadCase : QList<LoadCaseRef>{doubled, partial, sway, gravity, empty})
        library->append(loadCase);
    QCOMPARE(document->loadCases(),
             (QList<LoadCaseRef>{frame.loading, empty, gravity, sway, doubled, partial}));

    QCOMPARE(document->loadsInLoadCase(frame.loading), frame.loads);
    QVERIFY(document->loadsInLoadCase(empty).isEmpty());
    // All or nothing: one empty component empties the combination.
    QVERIFY(document->loadsInLoadCase(partial).isEmpty());
    QVERIFY(document->loadsInLoadCase(LoadCaseRef()).isEmpty());
    // A load is in its loading and in a combination naming it, not deeper.
    const CombinationRef outer(VaroObject::make<Combination>("Outer"));
    outer->setFactors({{partial, 1.0}});
    QVERIFY(DocumentModel::isLoadInLoadCase(frame.loads[0], frame.loading));
    QVERIFY(DocumentModel::isLoadInLoadCase(frame.loads[0], partial));
    QVERIFY(!DocumentModel::isLoadInLoadCase(frame.loads[0], outer));
    QVERIFY(!DocumentModel::isLoadInLoadCase(frame.loads[0], empty));

    // Self-weight w = Aρg against the gravity axis, taken sideways by the
    // sway case and scaled again by the combination.
    const double w = 0.01 * 7850 * 9.81;
    const struct
    {
        LoadCaseRef loadCase;
        double force;
        Vector3 axis;
    } expected[] = {{gravity, -w, Vector3(0, 1, 0)}, {sway, -0.05 * w, Vector3(1, 0, 0)},
                    {doubled, -0.1 * w, Vector3(1, 0, 0)}};
    for (const auto& e : expected) {
        const QList<LoadRef> loads = document->loadsInLoadCase(e.loadCase);
        QCOMPARE(loads.size(), frame.members.size());
        for (int i = 0; i < loads.size(); ++i) {
            QVERIFY(loads[i].objectCast<TrapezoidLoad>());
            QCOMPARE(loads[i]->member(), frame.members[i]);
            QCOMPARE(loads[i]->loadCase(), e.loadCase);
            QCOMPARE(loads[i]->axis()->axis().vector(), e.axis);
            QVERIFY(!document->structureModel()->contains(loads[i]));
            const QList<Load::PositionedForce> pairs = loads[i]->positionedForces();
            QCOMPARE(pairs.size(), 2);
            QCOMPARE(pairs[0].first, 0.0);
            QCOMPARE(pairs[1].first, 1.0);
            for (const Load::PositionedForce& pair : pairs)
                QVERIFY(std::fabs(pair.second - e.force) <= 1e-9 * w);
        }
    }
}

void TestQueries::longChainsExpandAllOrNothing_data()
{
    QTest::addColumn<QString>("chain");
    QTest::addColumn<bool>("used");
    QTest::newRow("over a loaded loading") << "loaded" << true;
    QTest::newRow("over an empty loading") << "empty" << false;
    QTest::newRow("closed on itself") << "closed" << false;
}

// 200,000 combinations, each with a factor for the one before it, the first
// -1.25 on a loading and then 2 and 0.5 by turns: each load of the loading
// comes out once, scaled by -1.25 * 2 = -2.5.
void TestQueries::longChainsExpandAllOrNothing()
{
    QFETCH(QString, chain);
    QFETCH(bool, used);
    const QSharedPointer<DocumentModel> document = newDocument();
    Frame frame(document.data());
    const LoadingRef empty(VaroObject::make<Loading>("Empty"));
    const CombinationRef first(VaroObject::make<Combination>("0"));
    first->addFactor(chain == "empty" ? empty : frame.loading, -1.25);
    CombinationRef last = first;
    for (int i = 1; i < 200000; ++i) {
        const CombinationRef next(VaroObject::make<Combination>(QString::number(i)));
        next->addFactor(last, i % 2 ? 2.0 : 0.5);
        last = next;
    }
    if (chain == "closed")
        first->addFactor(last, 1.0);

    QCOMPARE(document->isLoadCaseUsed(last), used);
    const QList<LoadRef> loads = document->loadsInLoadCase(last);
    QCOMPARE(loads.size(), used ? frame.loads.size() : 0);
    for (int i = 0; i < loads.size(); ++i) {
        QCOMPARE(loads[i]->loadCase(), LoadCaseRef(last));
        QCOMPARE(loads[i]->member(), frame.loads[i]->member());
        const QList<Load::PositionedForce> pairs = loads[i]->positionedForces();
        const QList<Load::PositionedForce> own = frame.loads[i]->positionedForces();
        QCOMPARE(pairs.size(), own.size());
        for (int j = 0; j < pairs.size(); ++j) {
            QCOMPARE(pairs[j].first, own[j].first);
            QVERIFY(std::fabs(pairs[j].second + 2.5 * own[j].second) <= 1e-9 * std::fabs(own[j].second));
        }
    }
    // Broken again, so that the chain is released.
    if (chain == "closed")
        first->setFactors({});
}

void TestQueries::sharedCombinationsExpandWhereverNamed_data()
{
    // Load cases as "name=terms", a term a factor and a name; a name after
    // "~" makes a sway case (take Y, apply X) rather than a combination. L is
    // the frame's loading, G the gravity case.
    QTest::addColumn<QString>("recipe");
    QTest::addColumn<QString>("tested");
    QTest::addColumn<QString>("base"); // what the tested case is made of
    QTest::addColumn<double>("factor"); // on each load of the base, summed over its copies
    QTest::addColumn<int>("copies"); // of each load of the base
    QTest::addColumn<Vector3>("along");
    const QString shared = QStringLiteral("X=2L Y=X+L Z=X+Y");
    const Vector3 down(0, -1, 0), up(0, 1, 0), across(1, 0, 0);
    QTest::newRow("X = 2L") << shared << "X" << "L" << 2.0 << 1 << down;
    QTest::newRow("Y = X + L") << shared << "Y" << "L" << 3.0 << 2 << down;
    QTest::newRow("Z = X + Y") << shared << "Z" << "L" << 5.0 << 3 << down;
    QTest::newRow("over the gravity case") << "X=2G Y=X+G Z=X+Y" << "Z" << "G" << 5.0 << 3 << up;
    // The self-weight along +Y taken sideways, 0.05 of it.
    QTest::newRow("over a sway case of gravity") << "~S=0.05G X=2S Y=X+S Z=X+Y" << "Z" << "G" << 0.25 << 3 << across;
    // The loading's loads along −Y taken as Y: −1 times.
    QTest::newRow("a sway case over them") << shared + " ~S=0.5Z" << "S" << "L" << -2.5 << 3 << across;
    QTest::newRow("named by two, one of them twice") << "X=2G A=X B=1.5X C=A+2B" << "C" << "G" << 8.0 << 2 << up;
    // Each link the two before it: Fibonacci's numbers.
    QTest::newRow("every link shared") << "A=L B=L C=A+B D=B+C E=C+D F=D+E H=E+F" << "H" << "L" << 13.0 << 13 << down;
    // E is a loading without loads: all or nothing, wherever it is named.
    QTest::newRow("an empty case shared") << "X=2L+E Y=X+L Z=L+Y" << "Z" << "L" << 0.0 << 0 << down;
}

// A combination named by several others expands wherever it is named, as
// one expansion of a case and as the expansion of all the cases in one go.
void TestQueries::sharedCombinationsExpandWhereverNamed()
{
    QFETCH(QString, recipe);
    QFETCH(QString, tested);
    QFETCH(QString, base);
    QFETCH(double, factor);
    QFETCH(int, copies);
    QFETCH(Vector3, along);
    const QSharedPointer<DocumentModel> document = newDocument();
    Frame frame(document.data());
    CrossSectionRef section(new CrossSection);
    section->setArea(0.01);
    for (const MemberRef& member : frame.members)
        member->setSectionType(VaroObject::make<SectionType>(section, frame.material));
    const GravityCaseRef gravity(VaroObject::make<GravityCase>("G"));
    const LoadingRef empty(VaroObject::make<Loading>("E"));
    QMap<QString, LoadCaseRef> byName{{"L", frame.loading}, {"G", gravity}, {"E", empty}};
    QList<LoadCaseRef> made{gravity, empty};
    const QRegularExpression term(QStringLiteral("^([-0-9.]*)(\\w+)$"));
    for (const QString& definition : recipe.split(' ')) {
        const QString name = definition.section('=', 0, 0);
        const SuperLoadCaseRef superCase = name.startsWith('~') ? SuperLoadCaseRef(VaroObject::make<SwayCase>(name.mid(1)))
                                                                : SuperLoadCaseRef(VaroObject::make<Combination>(name));
        for (const QString& part : definition.section('=', 1).split('+')) {
            const QRegularExpressionMatch match = term.match(part);
            QVERIFY2(match.hasMatch() && byName.contains(match.captured(2)), qPrintable(part));
            superCase->addFactor(byName[match.captured(2)], match.captured(1).isEmpty() ? 1.0 : match.captured(1).toDouble());
        }
        byName.insert(superCase->name(), superCase);
        made << superCase;
    }
    document->libraries()->loadCaseLibrary()->appendAll(made);

    // Each load of the base, as its own case has it: the frame's loads, or
    // the self-weight w = Aρg on every member against the gravity axis.
    QList<LoadRef> baseLoads = frame.loads;
    if (base == "G") {
        baseLoads.clear();
        const double w = 0.01 * 7850 * 9.81;
        for (const MemberRef& member : frame.members)
            baseLoads << pairsLoad(LoadRef(VaroObject::make<TrapezoidLoad>(member)), {{0.0, -w}, {1.0, -w}}, gravity);
    }
    const auto keyOf = [](const LoadRef& load) {
        return QString("%1 %2 %3")
            .arg(quintptr(load->member().data()))
            .arg(load->metaObject()->className())
            .arg(load->positionedForces().value(0).first);
    };
    const LoadCaseRef testedCase = byName[tested];
    const auto check = [&](const QList<LoadRef>& loads) {
        QCOMPARE(loads.size(), copies * baseLoads.size());
        QMap<QString, QList<LoadRef>> copiesOf;
        for (const LoadRef& load : loads) {
            QCOMPARE(load->loadCase(), testedCase);
            QCOMPARE(load->axis()->axis().vector(), along);
            QVERIFY(!document->structureModel()->contains(load));
            copiesOf[keyOf(load)] << load;
        }
        for (const LoadRef& own : baseLoads) {
            const QList<LoadRef> found = copiesOf.value(keyOf(own));
            QCOMPARE(found.size(), copies);
            const QList<Load::PositionedForce> pairs = own->positionedForces();
            for (int j = 0; j < pairs.size(); ++j) {
                double sum = 0.0;
                for (const LoadRef& copy : found) {
                    QCOMPARE(copy->positionedForces().value(j).first, pairs[j].first);
                    sum += copy->positionedForces().value(j).second;
                }
                VERIFY_CLOSE(sum, factor * pairs[j].second, 1e-9, 0.0);
            }
        }
    };
    check(document->loadsInLoadCase(testedCase));
    if (QTest::currentTestFailed())
        return;
    const QList<LoadCaseRef> all = document->loadCases();
    QList<QList<LoadRef>> expanded;
    QVERIFY(document->analysisDocument()->loadsInLoadCases(all, &expanded, {}));
    QCOMPARE(expanded.size(), all.size());
    check(expanded.value(all.indexOf(testedCase)));
}

void TestQueries::expandingEveryCaseLetsWritersIn_data()
{
    QTest::addColumn<QString>("meanwhile");
    QTest::addColumn<bool>("expanded");
    QTest::newRow("a writer that changes nothing") << "writer" << true;
    QTest::newRow("a writer that changes a load") << "edit" << false;
    QTest::newRow("the file name set") << "name" << true;
    QTest::newRow("a stop") << "stop" << false;
}

// Expanding every case in one go holds the document's read lock long. It
// asks as it goes whether to carry on, and lets in a writer that comes
// meanwhile; it goes on after it only while the model is as it was.
void TestQueries::expandingEveryCaseLetsWritersIn()
{
    QFETCH(QString, meanwhile);
    const QSharedPointer<DocumentModel> document = newDocument();
    document->lowerBusyCount();
    Frame frame(document.data());
    // Each link of the chain copies the loading's three loads.
    const int links = 3000;
    QList<LoadCaseRef> chain;
    LoadCaseRef last = frame.loading;
    for (int i = 0; i < links; ++i) {
        const CombinationRef next(VaroObject::make<Combination>(QString::number(i)));
        next->addFactor(last, 1.0);
        chain << next;
        last = next;
    }
    document->libraries()->loadCaseLibrary()->appendAll(chain);

    std::thread writer;
    std::atomic<bool> written{false};
    int asked = 0;
    const auto carryOn = [&] {
        if (++asked > 1 || meanwhile == "stop")
            return meanwhile != "stop";
        writer = std::thread([&] {
            if (meanwhile == "name") {
                document->setFileName(QStringLiteral("/models/frame.varou"), QStringLiteral("frame.varou"));
            } else {
                DocumentWriteGuard guard(document.data());
                if (meanwhile == "edit")
                    document->structureModel()->changeLoadForceAtIndex({{frame.loads[0], -2000.0}}, 0);
            }
            written = true;
        });
        // Counted as pending before it waits for the lock; a writer never
        // counted is given up on, and then waits for the whole expansion.
        for (int spins = 0; document->busyCount() == 0 && spins < 2000000; ++spins)
            QThread::yieldCurrentThread();
        return true;
    };
    const QList<LoadCaseRef> all = document->loadCases();
    QList<QList<LoadRef>> expanded;
    const bool done = document->analysisDocument()->loadsInLoadCases(all, &expanded, carryOn);
    const bool writtenMeanwhile = written;
    const bool writerStarted = writer.joinable();
    if (writerStarted)
        writer.join();
    QTEST(done, "expanded");
    if (meanwhile == "stop") {
        QCOMPARE(asked, 1);
        return;
    }
    QVERIFY2(writerStarted, "the expansion never asked whether to carry on");
    QVERIFY2(writtenMeanwhile, "the writer waited for the whole expansion");
    if (done) {
        // Asked once in some thousand loads copied or cases looked at.
        QVERIFY2(asked >= 3 * links / 1024, qPrintable(QString::number(asked)));
        QCOMPARE(expanded.size(), all.size());
        QCOMPARE(expanded.last().size(), frame.loads.size());
    }
}

void TestQueries::queriesWaitForAWriter_data()
{
    QTest::addColumn<Query>("query");
    // One of each lock path: a plain list, a usage walk, a group walk.
    QTest::newRow("load cases") << Query([](DocumentModel* d) { d->loadCases(); });
    QTest::newRow("loads in load case") << Query([](DocumentModel* d) { d->loadsInLoadCase(LoadCaseRef()); });
    QTest::newRow("load case used") << Query([](DocumentModel* d) { d->isLoadCaseUsed(LoadCaseRef()); });
    QTest::newRow("members in group") << Query([](DocumentModel* d) { d->membersInGroup(GroupRef()); });
}

void TestQueries::queriesWaitForAWriter()
{
    QFETCH(Query, query);
    const QSharedPointer<DocumentModel> document = newDocument();
    document->documentLock()->lockForWrite();
    QScopedPointer<QThread> reader(QThread::create([&] { query(document.data()); }));
    reader->start();
    // A failed check waits for the reader before it goes.
    const auto joined = qScopeGuard([&reader] { reader->wait(); });
    const bool finishedUnderTheWriter = reader->wait(50);
    document->documentLock()->unlock();
    QVERIFY(reader->wait(5000));
    QVERIFY(!finishedUnderTheWriter);
}

void TestQueries::theNearestObjectIsTheFirstOfEquals()
{
    const QSharedPointer<DocumentModel> document = newDocument();
    QVERIFY(!document->nearestNode(Vector3()));
    QVERIFY(!document->nearestMember(Vector3()));

    const NodeRef left = nodeAt(-1), right = nodeAt(1), top = nodeAt(0, 5);
    const MemberRef low = memberBetween(left, right), high = memberBetween(top, nodeAt(1, 5));
    document->structureModel()->appendObjects({left, right, top, low, high});
    QCOMPARE(document->nearestNode(Vector3(0, 0, 0)), left);
    QCOMPARE(document->nearestNode(Vector3(0.1, 0, 0)), right);
    QCOMPARE(document->nearestMember(Vector3(0.5, 2, 0)), low);
    QCOMPARE(document->nearestMember(Vector3(0.5, 3, 0)), high);
}

void TestQueries::materialsJoinTheLibraryOnce()
{
    const QSharedPointer<DocumentModel> document = newDocument();
    const QSharedPointer<MaterialLibrary> library = document->libraries()->materialLibrary();
    const MaterialRef standard = library->valuesOf(library->root()->subnode(0)).first();
    const QList<MaterialRef> customBefore = customMaterials(*document);

    Material stiffer(*standard);
    stiffer.setYoungsModulus(standard->youngsModulus() * 1.5);
    const Material foreign({"Bamboo"}, 18e9, 7e9, 700, 1e-5);
    const MemberRef same = memberWithMaterial(*standard);
    const MemberRef held = memberBetween(nodeAt(0), nodeAt(2));
    held->sectionType()->setMaterial(standard);
    const QList<MemberRef> members{same,
                                   held,
                                   memberWithMaterial(stiffer),
                                   memberWithMaterial(stiffer),
                                   memberWithMaterial(foreign),
                                   memberWithMaterial(foreign),
                                   // Within the tolerance, and without a shear modulus: the same material.
                                   memberWithMaterial(Material({"Bamboo"}, 18e9 * (1 + 3e-7), 7e9, 700, 1e-5)),
                                   memberWithMaterial(Material({"Bamboo"}, 18e9, 0, 700, 1e-5))};
    const MaterialRef firstStiffer = members[2]->sectionType()->material();
    const MaterialRef firstForeign = members[4]->sectionType()->material();

    QList<VaroObjectRef> objects{nodeAt(5), memberBetween(nodeAt(0), nodeAt(1), false)};
    for (const MemberRef& member : members)
        objects << member;
    document->consolidateWithLibraries(objects);

    QCOMPARE(same->sectionType()->material(), standard);
    QCOMPARE(held->sectionType()->material(), standard);
    QCOMPARE(members[3]->sectionType()->material(), firstStiffer);
    for (int i = 5; i < members.size(); ++i)
        QCOMPARE(members[i]->sectionType()->material(), firstForeign);
    QCOMPARE(customMaterials(*document), customBefore + (QList<MaterialRef>{firstStiffer, firstForeign}));
}

void TestQueries::sharedChainsExpandInLinearTime_data()
{
    QTest::addColumn<bool>("loaded");
    QTest::newRow("over a loaded loading") << true;
    QTest::newRow("over an empty loading") << false;
}

// Half the cases a chain of combinations, each on the one before it, and half
// combinations that each name the chain's last link. Every case is expanded
// once in a pass, kept for all that name it, an empty one too: sixteen times
// the cases cost about sixteen times the work, not 256 times, as they would
// if each of the second half expanded the chain again.
void TestQueries::sharedChainsExpandInLinearTime()
{
    QFETCH(bool, loaded);
    bool right = true;
    const auto spentOn = [&](int cases) {
        const QSharedPointer<DocumentModel> document = newDocument();
        document->lowerBusyCount();
        Frame frame(document.data());
        const LoadingRef empty(VaroObject::make<Loading>("Empty"));
        QList<LoadCaseRef> added{empty};
        LoadCaseRef last = loaded ? LoadCaseRef(frame.loading) : LoadCaseRef(empty);
        for (int i = 0; i < cases / 2; ++i) {
            const CombinationRef next(VaroObject::make<Combination>(QString::number(i)));
            next->addFactor(last, 1.0);
            added << next;
            last = next;
        }
        for (int i = 0; i < cases / 2; ++i) {
            const CombinationRef sharing(VaroObject::make<Combination>(QStringLiteral("x%1").arg(i)));
            sharing->addFactor(last, 2.0);
            added << sharing;
        }
        document->libraries()->loadCaseLibrary()->appendAll(added);
        const QList<LoadCaseRef> all = document->loadCases();
        QList<QList<LoadRef>> expanded;
        const double before = threadCpuSeconds();
        right = document->analysisDocument()->loadsInLoadCases(all, &expanded, {}) && right;
        const double spent = threadCpuSeconds() - before;
        const QList<LoadRef> shared = expanded.value(all.size() - 1);
        right = right && shared.size() == (loaded ? frame.loads.size() : 0)
                && (!loaded || shared[0]->positionedForces().value(0).second
                                   == 2 * frame.loads[0]->positionedForces().value(0).second);
        return spent;
    };
    const int small = 1000, large = 16 * small;
    const double growth = cpuTimeGrowth(small, large, spentOn);
    QVERIFY(right);
    QVERIFY2(growth < middleGrowth(small, large, Work::Linear, Work::Quadratic), qPrintable(QString::number(growth)));
}

void TestQueries::materialsAreMatchedInLinearTime_data()
{
    QTest::addColumn<bool>("shearless");
    QTest::addColumn<double>("spread");
    // CTEs between 2^-128 and 2^-127, no two within the tolerance: each its own material.
    QTest::newRow("tiny CTEs") << false << 0.0;
    // Half differ only in G; the other half, without G, lie just past the tolerance in E and take the
    // first of them, found past all of the first half.
    QTest::newRow("without shear modulus") << true << 0.0;
    // As above, the first half's E also apart by a few units in the last place.
    QTest::newRow("without shear modulus, E a little apart") << true << 1e-15;
}

void TestQueries::materialsAreMatchedInLinearTime()
{
    QFETCH(bool, shearless);
    QFETCH(double, spread);
    const auto materialAt = [shearless, spread](int k, int count) {
        if (!shearless)
            return Material({"Ash"}, 1e10, 4e9, 600, std::ldexp(1 + k / 65536.0, -128));
        if (k < count / 2)
            return Material({"Ash"}, 1e10 * (1 + k * spread), 4e9 * (1 + k * 1e-5), 600, 1e-5);
        return Material({"Ash"}, 1e10 * (1 + 1.2e-6) * (1 + k * 1e-13), 0, 600, 1e-5);
    };
    bool matched = true;
    const auto spentOn = [&](int count) {
        const QSharedPointer<DocumentModel> document = newDocument();
        const int customBefore = customMaterials(*document).size();
        QList<VaroObjectRef> members;
        for (int k = 0; k < count; ++k)
            members << memberWithMaterial(materialAt(k, count));
        const double before = threadCpuSeconds();
        document->consolidateWithLibraries(members);
        const double spent = threadCpuSeconds() - before;
        const auto materialOf = [&](int k) { return members[k].objectCast<Member>()->sectionType()->material(); };
        matched = matched && customMaterials(*document).size() == customBefore + (shearless ? count / 2 + 1 : count)
                  && (!shearless || materialOf(count - 1) == materialOf(count / 2));
        return spent;
    };
    // Sixteen times the materials: some 16 to 22 times the work through the
    // hashes, 256 times where each is matched against all before it.
    const int small = 1000, large = 16 * small;
    const double growth = cpuTimeGrowth(small, large, spentOn);
    QVERIFY(matched);
    QVERIFY2(growth < middleGrowth(small, large, Work::Linear, Work::Quadratic), qPrintable(QString::number(growth)));
}

void TestQueries::defaultLoadCasesAreAddedWhenMissing_data()
{
    QTest::addColumn<int>("loadings");
    QTest::addColumn<double>("acceleration");
    QTest::addColumn<Vector3>("direction");
    QTest::addColumn<int>("addedLoadings");
    QTest::addColumn<int>("addedGravity");
    QTest::newRow("complete") << 2 << 9.81 << Vector3(0, 1, 0) << 0 << 0;
    QTest::newRow("no loading") << 0 << 9.81 << Vector3(0, 1, 0) << 1 << 0;
    QTest::newRow("within tolerance") << 1 << 9.81000001 << Vector3(0, 1, 0) << 0 << 0;
    QTest::newRow("other acceleration") << 1 << 10.0 << Vector3(0, 1, 0) << 0 << 1;
    QTest::newRow("along X") << 1 << 9.81 << Vector3(1, 0, 0) << 0 << 1;
}

void TestQueries::defaultLoadCasesAreAddedWhenMissing()
{
    QFETCH(int, loadings);
    QFETCH(double, acceleration);
    QFETCH(Vector3, direction);
    QFETCH(int, addedLoadings);
    QFETCH(int, addedGravity);
    const QSharedPointer<DocumentModel> document = newDocument();
    const QSharedPointer<LoadCaseLibrary> library = document->libraries()->loadCaseLibrary();
    for (int i = 0; i < loadings; ++i)
        library->append(VaroObject::make<Loading>(QString("Loading %1").arg(i + 2)));
    const GravityCaseRef gravity(VaroObject::make<GravityCase>("Self weight"));
    gravity->setAcceleration(acceleration);
    gravity->setAxis(Axis(direction, NodeRef(), true, false));
    library->append(gravity);

    document->incorporateDefaults();
    QCOMPARE(library->loadings().size(), loadings + addedLoadings);
    if (addedLoadings)
        QCOMPARE(library->loadings().last()->name(), QString("Loading 1"));
    QCOMPARE(library->autoCases().size(), 1 + addedGravity);
    if (addedGravity) {
        const GravityCaseRef added = library->autoCases().last().objectCast<GravityCase>();
        QCOMPARE(added->name(), QString("Gravity"));
        QCOMPARE(added->acceleration(), 9.81);
        QCOMPARE(added->axis(), Axis(Vector3(0, 1, 0), NodeRef(), true, false));
    }
}

VARO_TEST_MAIN(TestQueries)
#include "tst_queries.moc"
