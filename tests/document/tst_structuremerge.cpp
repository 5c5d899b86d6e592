#include "StructureTesting.h"

#include "GeometryGroup.h"
#include "LoadAxis.h"
#include "Loading.h"
#include "MemberAxis.h"
#include "SectionType.h"
#include "Support.h"

#include <QRandomGenerator>
#include <QtTest>

#include <cmath>

namespace {

const double shortest = std::ldexp(1.0, -10);

QString pointer(const QSharedPointer<VaroObject>& object)
{
    return object ? VaroObject::xmlIdOf(object.data()) : QStringLiteral("-");
}

QString exact(double value)
{
    return QString::number(value, 'g', 17);
}

// Every field of every object of the structure, in list order, with numbers
// written exactly: two equal fingerprints mean the same model.
QString fingerprint(const StructureModel& model)
{
    QStringList lines;
    for (const NodeRef& node : model.nodes()) {
        const Vector3 p = node->position();
        lines << QStringLiteral("node %1 %2 %3 %4 %5 %6")
                     .arg(pointer(node), exact(p.x()), exact(p.y()), exact(p.z()), pointer(node->support()),
                          pointer(node->group()));
    }
    for (const MemberRef& member : model.members())
        lines << QStringLiteral("member %1 %2 %3 %4 %5 %6 %7 %8")
                     .arg(pointer(member), pointer(member->nodeA()), pointer(member->nodeB()), pointer(member->axis()),
                          pointer(member->sectionType()), pointer(member->group()))
                     .arg(member->pinAtA())
                     .arg(member->pinAtB());
    for (const LoadRef& load : model.loads()) {
        QString line = QStringLiteral("%1 %2 %3 %4 %5")
                           .arg(QLatin1String(load->metaObject()->className()), pointer(load), pointer(load->member()),
                                pointer(load->axis()), pointer(load->loadCase()));
        for (const Load::PositionedForce& pair : load->positionedForces())
            line += QStringLiteral(" (%1, %2)").arg(exact(pair.first), exact(pair.second));
        lines << line;
    }
    return lines.join(QLatin1Char('\n'));
}

Vector3 pointOn(const Member& member, double fraction)
{
    const Vector3 a = member.nodeA()->position();
    return a + (member.nodeB()->position() - a) * fraction;
}

// The distributed load intensity of the trapezoid loads at a global point
// of the line, summed over the given members' loads.
double intensityAt(const QList<LoadRef>& loads, const Vector3& point)
{
    double sum = 0.0;
    for (const LoadRef& load : loads) {
        const TrapezoidLoad* trapezoid = qobject_cast<const TrapezoidLoad*>(load.data());
        if (!trapezoid)
            continue;
        const Member& member = *load->member();
        const Vector3 a = member.nodeA()->position();
        const Vector3 d = member.nodeB()->position() - a;
        const double t = (point - a).dot(d) / d.lengthSquared();
        if (t >= 0.0 && t <= 1.0)
            sum += trapezoid->forceAtPositionOnMember(t);
    }
    return sum;
}

// Total force of the loads: point forces summed, distributed loads
// integrated over their spans (N).
double total(const QList<LoadRef>& loads)
{
    double sum = 0.0;
    for (const LoadRef& load : loads) {
        const QList<Load::PositionedForce> pairs = load->positionedForces();
        if (qobject_cast<const TrapezoidLoad*>(load.data()))
            sum += load->member()->length() * (pairs[1].first - pairs[0].first) * (pairs[0].second + pairs[1].second)
                   / 2.0;
        else if (qobject_cast<const PointLoad*>(load.data()))
            sum += pairs[0].second;
    }
    return sum;
}

// A straight member from (0,0,0) to (length,0,0) with its part, cut at the
// given distance from A, as the split action makes them.
struct Split
{
    Split(double length, double at)
        : a(nodeAt(0)), b(nodeAt(length)), middle(nodeAt(at)), member(new Member(a, b)), part(new Member(*member))
    {
        part->setNodeA(middle);
        part->setPinAtA(false);
    }

    void addTo(StructureModel* model, const QList<LoadRef>& loads)
    {
        QList<VaroObjectRef> objects = {a, b, middle, member, part};
        for (const LoadRef& load : loads)
            objects << load;
        model->appendObjects(objects);
    }

    NodeRef a, b, middle;
    MemberRef member, part;
};

} // namespace

class TestStructureMerge : public QObject
{
    Q_OBJECT

private slots:
    void nodeMergeMovesEndsAndAxes();
    void deconsolidationRestoresUnderTheLockWithoutStructureSignals();
    void memberMergeTurnsLoadsOfAnOppositeMember();
    void loadMergeChangesNothing();
    void mergesUndoneInReverseRestoreTheExactModel();
    void splitMovesAndDividesLoads();
    void compressRestoresLoadsAndMember();
    void splitNearTheFarEnd();
    void shortPieceLeavesLoadsWhole_data();
    void shortPieceLeavesLoadsWhole();
    void splitAndJoinKeepLoadsInPlaceAndTotals();
};

void TestStructureMerge::nodeMergeMovesEndsAndAxes()
{
    StructureModel model;
    SignalWatch watch(&model, true);
    const NodeRef k = nodeAt(0), d = nodeAt(0.001), x = nodeAt(5), y = nodeAt(0, 5);
    const MemberRef p(new Member(d, x)), q(new Member(y, d)), r(new Member(x, y)), s(new Member(x, k));
    const MemberAxisRef towardsD(new MemberAxis(Axis(Vector3(), d, true, false), QStringLiteral("to d")));
    r->setAxis(towardsD);
    model.appendObjects({k, d, x, y, p, q, r, s});
    const Counters before(model);

    const StructureModel::SnapshotRecord record = model.consolidateNodes(k, d);
    QCOMPARE(p->nodeA(), k);
    QCOMPARE(p->nodeB(), x);
    QCOMPARE(q->nodeA(), y);
    QCOMPARE(q->nodeB(), k);
    QCOMPARE(r->nodeA(), x);
    QVERIFY(r->axis() != towardsD);
    QCOMPARE(r->axis()->axis().node(), k);
    QCOMPARE(r->axis()->axis().vector(), Vector3());
    QVERIFY(r->axis()->axis().isGlobal());
    QVERIFY(!r->axis()->axis().isOrthogonal());
    QVERIFY(r->axis()->name().isEmpty());

    QCOMPARE(record.size(), 3);
    QVERIFY(!record.contains(s));
    const MemberRef copyP = qSharedPointerObjectCast<Member>(record.value(p));
    const MemberRef copyR = qSharedPointerObjectCast<Member>(record.value(r));
    QVERIFY(copyP && copyP != p);
    QCOMPARE(copyP->nodeA(), d);
    QCOMPARE(copyR->axis(), towardsD);
    QVERIFY(!model.contains(copyP));
    QVERIFY(model.contains(d)); // the dropped node stays; the caller removes it

    QCOMPARE(model.topologyCounter(), before.topology + 1);
    QCOMPARE(model.stiffnessCounter(), before.stiffness);
    QCOMPARE(watch.will, 2);
    QCOMPARE(watch.lockedHas, 2);

    model.deconsolidateObjects(record);
    QCOMPARE(p->nodeA(), d);
    QCOMPARE(q->nodeB(), d);
    QCOMPARE(r->axis(), towardsD);
    QCOMPARE(model.topologyCounter(), before.topology + 2);
}

void TestStructureMerge::deconsolidationRestoresUnderTheLockWithoutStructureSignals()
{
    StructureModel model;
    const NodeRef k = nodeAt(0), d = nodeAt(0), x = nodeAt(5);
    const MemberRef member(new Member(d, x));
    const LoadRef load = pointLoad(member, 0.2, -1.0);
    model.appendObjects({k, d, x, member, load});
    const StructureModel::SnapshotRecord record = model.consolidateNodes(k, d);

    SignalWatch watch(&model);
    LockProbe probe(&model);
    int restores = 0, lockedRestores = 0;
    QObject::connect(member.data(), &Member::OrientationHasChanged, [&] {
        ++restores;
        if (probe.readerIsKeptOut())
            ++lockedRestores;
    });
    const Counters before(model);
    model.deconsolidateObjects(record);
    QCOMPARE(member->nodeA(), d);
    QVERIFY(restores >= 1);
    QCOMPARE(lockedRestores, restores);
    QCOMPARE(watch.will, 0);
    QCOMPARE(watch.has, 0);
    QCOMPARE(model.topologyCounter(), before.topology + 1);
    QCOMPARE(model.loadingCounter(), before.loading);
}

void TestStructureMerge::memberMergeTurnsLoadsOfAnOppositeMember()
{
    StructureModel model;
    const NodeRef a = nodeAt(0), b = nodeAt(4);
    const MemberRef kept(new Member(a, b)), opposite(new Member(b, a)), sameWay(new Member(a, b));
    const LoadRef onOpposite = pointLoad(opposite, 0.2, -10.0);
    const LoadRef onSameWay = pointLoad(sameWay, 0.2, -10.0);
    const LoadRef onKept = pointLoad(kept, 0.6, -1.0);
    model.appendObjects({a, b, kept, opposite, sameWay, onOpposite, onSameWay, onKept});
    const Vector3 where = pointOn(*opposite, 0.2);
    const Counters before(model);

    const auto first = model.consolidateMembers(kept, opposite);
    QCOMPARE(onOpposite->member(), kept);
    QVERIFY(nearPairs(onOpposite->positionedForces(), {{0.8, -10.0}}));
    QVERIFY((pointOn(*kept, onOpposite->positionedForces().at(0).first) - where).length() < 1e-12);
    QCOMPARE(first.size(), 1);
    const LoadRef snapshot = qSharedPointerObjectCast<Load>(first.value(onOpposite));
    QVERIFY(qobject_cast<PointLoad*>(snapshot.data()));
    QCOMPARE(snapshot->member(), opposite);
    QCOMPARE(snapshot->positionedForces(), QList<Load::PositionedForce>({{0.2, -10.0}}));

    const auto second = model.consolidateMembers(kept, sameWay);
    QCOMPARE(onSameWay->member(), kept);
    QCOMPARE(onSameWay->positionedForces(), QList<Load::PositionedForce>({{0.2, -10.0}}));
    QCOMPARE(onKept->positionedForces(), QList<Load::PositionedForce>({{0.6, -1.0}}));
    QCOMPARE(model.topologyCounter(), before.topology + 2);

    model.deconsolidateObjects(second);
    model.deconsolidateObjects(first);
    QCOMPARE(onOpposite->member(), opposite);
    QCOMPARE(onOpposite->positionedForces(), QList<Load::PositionedForce>({{0.2, -10.0}}));
    QCOMPARE(onSameWay->member(), sameWay);
}

void TestStructureMerge::loadMergeChangesNothing()
{
    StructureModel model;
    SignalWatch watch(&model);
    const MemberRef member(new Member(nodeAt(0), nodeAt(1)));
    const LoadRef kept = pointLoad(member, 0.5, 1.0), dropped = pointLoad(member, 0.5, 1.0);
    model.appendObjects({kept, dropped});
    const Counters before(model);
    const QString state = fingerprint(model);

    QVERIFY(model.consolidateLoads(kept, dropped).isEmpty());
    QCOMPARE(fingerprint(model), state);
    QCOMPARE(model.loadingCounter(), before.loading);
    QCOMPARE(model.topologyCounter(), before.topology);
    QCOMPARE(watch.will, 1); // the append only

    model.deconsolidateObjects(StructureModel::SnapshotRecord());
    QCOMPARE(model.topologyCounter(), before.topology + 1);
    QCOMPARE(model.loadingCounter(), before.loading);
    QCOMPARE(watch.will, 1);
    QCOMPARE(watch.has, 1);
}

void TestStructureMerge::mergesUndoneInReverseRestoreTheExactModel()
{
    // A small frame with a doubled node and a doubled member carrying loads:
    // the merges, undone in reverse order, restore every field.
    StructureModel model;
    const NodeRef n1 = nodeAt(0), n2 = nodeAt(3, 0.1), n2twin = nodeAt(3, 0.1), n3 = nodeAt(3, 4, 1);
    n1->setSupport(SupportRef(new Support(QStringLiteral("Fixed"), Dof(63))));
    const GeometryGroupRef group(new GeometryGroup(QStringLiteral("Frame")));
    n3->setGeometryGroup(group);
    const MemberRef m1(new Member(n1, n2)), m1twin(new Member(n2twin, n1)), m2(new Member(n2twin, n3));
    const MemberRef m3(new Member(n3, n1));
    m2->setAxis(MemberAxisRef(new MemberAxis(Axis(Vector3(), n2twin, true, false))));
    m2->setPinAtA(true);
    m1twin->setGeometryGroup(group);
    const LoadCaseRef loading(new Loading);
    const LoadRef l1 = trapezoidLoad(m1twin, 0.1, -2.0, 0.7, -5.0);
    const LoadRef l2 = pointLoad(m1twin, 0.3, -7.0);
    const LoadRef l3 = torqueLoad(m2, 0.5, 3.0);
    l1->setLoadCase(loading);
    l2->setAxis(LoadAxisRef(new LoadAxis(Axis(Vector3(0, 0, 1), NodeRef(), false, false))));
    model.appendObjects({n1, n2, n2twin, n3, m1, m1twin, m2, m3, l1, l2, l3});
    const QString state = fingerprint(model);

    const auto nodesMerged = model.consolidateNodes(n2, n2twin);
    QCOMPARE(m1twin->nodeA(), n2);
    QCOMPARE(m2->nodeA(), n2);
    QCOMPARE(m2->axis()->axis().node(), n2);
    const auto membersMerged = model.consolidateMembers(m1, m1twin);
    QCOMPARE(l1->member(), m1);
    QVERIFY(nearPairs(l1->positionedForces(), {{0.3, -5.0}, {0.9, -2.0}}));
    QVERIFY(fingerprint(model) != state);

    model.deconsolidateObjects(membersMerged);
    model.deconsolidateObjects(nodesMerged);
    QCOMPARE(fingerprint(model), state);
}

void TestStructureMerge::splitMovesAndDividesLoads()
{
    StructureModel model;
    Split split(10.0, 4.0);
    split.member->setPinAtB(true);
    split.part->setPinAtB(true);
    const LoadRef p1 = pointLoad(split.member, 0.3, -1.0), p2 = pointLoad(split.member, 0.4, -2.0),
                  p3 = pointLoad(split.member, 0.7, -3.0);
    const LoadRef beyond = trapezoidLoad(split.member, 0.5, -1.0, 0.9, -2.0);
    const LoadRef before = trapezoidLoad(split.member, 0.1, -3.0, 0.3, -4.0);
    const LoadRef across = trapezoidLoad(split.member, 0.2, 1.0, 0.8, 4.0);
    const LoadRef elsewhere = pointLoad(MemberRef(new Member(split.a, split.middle)), 0.3, -1.0);
    split.addTo(&model, {p1, p2, p3, beyond, before, across, elsewhere});
    SignalWatch watch(&model, true);
    const Counters counters(model);

    const StructureModel::SplitMemberRecord record = model.explodeMembers({{split.member, split.part}});
    QCOMPARE(split.member->nodeB(), split.middle);
    QVERIFY(!split.member->pinAtB());
    QVERIFY(split.part->pinAtB());

    QCOMPARE(p1->member(), split.member);
    QVERIFY(nearPairs(p1->positionedForces(), {{0.75, -1.0}}));
    QCOMPARE(p2->member(), split.member);
    QVERIFY(nearPairs(p2->positionedForces(), {{1.0, -2.0}}));
    QCOMPARE(p3->member(), split.part);
    QVERIFY(nearPairs(p3->positionedForces(), {{0.5, -3.0}}));
    QCOMPARE(beyond->member(), split.part);
    QVERIFY(nearPairs(beyond->positionedForces(), {{1.0 / 6.0, -1.0}, {5.0 / 6.0, -2.0}}));
    QCOMPARE(before->member(), split.member);
    QVERIFY(nearPairs(before->positionedForces(), {{0.25, -3.0}, {0.75, -4.0}}));
    QCOMPARE(across->member(), split.member);
    QVERIFY(nearPairs(across->positionedForces(), {{0.5, 1.0}, {1.0, 2.0}}));
    QCOMPARE(elsewhere->positionedForces(), QList<Load::PositionedForce>({{0.3, -1.0}}));

    QCOMPARE(record.loadParts.size(), 1);
    const LoadRef piece = record.loadParts.value(across);
    QVERIFY(qobject_cast<TrapezoidLoad*>(piece.data()));
    QCOMPARE(piece->member(), split.part);
    QVERIFY(nearPairs(piece->positionedForces(), {{0.0, 2.0}, {2.0 / 3.0, 4.0}}));
    QCOMPARE(record.addedLoads, QList<VaroObjectRef>({piece}));
    QVERIFY(record.splitNodes.isEmpty());
    QCOMPARE(record.memberParts.size(), 1);
    QCOMPARE(record.memberParts.value(split.member), split.part);
    QCOMPARE(model.loads().last(), piece);
    QCOMPARE(model.loads().size(), 8);

    QCOMPARE(model.topologyCounter(), counters.topology + 1);
    QCOMPARE(model.loadingCounter(), counters.loading);
    QCOMPARE(watch.will, 1);
    QCOMPARE(watch.lockedWill, 1);
    QCOMPARE(watch.lockedHas, 1);
}

void TestStructureMerge::compressRestoresLoadsAndMember()
{
    StructureModel model;
    Split split(10.0, 4.0);
    split.member->setPinAtB(true);
    split.part->setPinAtB(true);
    const LoadRef p1 = pointLoad(split.member, 0.3, -1.0), p2 = pointLoad(split.member, 0.4, -2.0),
                  p3 = pointLoad(split.member, 0.7, -3.0);
    const LoadRef t1 = trapezoidLoad(split.member, 0.5, -1.0, 0.9, -2.0);
    const LoadRef t2 = trapezoidLoad(split.member, 0.1, -3.0, 0.3, -4.0);
    const LoadRef t3 = trapezoidLoad(split.member, 0.2, 1.0, 0.8, 4.0);
    const LoadRef torque = torqueLoad(split.member, 0.9, 5.0);
    split.addTo(&model, {p1, p2, p3, t1, t2, t3, torque});
    const QList<LoadRef> loadsBefore = model.loads();

    const StructureModel::SplitMemberRecord record = model.explodeMembers({{split.member, split.part}});
    QCOMPARE(torque->member(), split.part);
    const Counters counters(model);
    model.compressMembers(record);

    QCOMPARE(model.loads(), loadsBefore);
    QCOMPARE(split.member->nodeB(), split.b);
    QVERIFY(split.member->pinAtB());
    for (const LoadRef& load : loadsBefore)
        QCOMPARE(load->member(), split.member);
    QVERIFY(nearPairs(p1->positionedForces(), {{0.3, -1.0}}));
    QVERIFY(nearPairs(p2->positionedForces(), {{0.4, -2.0}}));
    QVERIFY(nearPairs(p3->positionedForces(), {{0.7, -3.0}}));
    QVERIFY(nearPairs(t1->positionedForces(), {{0.5, -1.0}, {0.9, -2.0}}));
    QVERIFY(nearPairs(t2->positionedForces(), {{0.1, -3.0}, {0.3, -4.0}}));
    QVERIFY(nearPairs(t3->positionedForces(), {{0.2, 1.0}, {0.8, 4.0}}));
    QVERIFY(nearPairs(torque->positionedForces(), {{0.9, 5.0}}));
    QCOMPARE(model.topologyCounter(), counters.topology + 1);
}

void TestStructureMerge::splitNearTheFarEnd()
{
    StructureModel model;
    Split split(2.0, 1.0); // r = 0.5
    const LoadRef load = trapezoidLoad(split.member, 0.7, -1.0, 0.8, -3.0);
    split.addTo(&model, {load});
    const auto record = model.explodeMembers({{split.member, split.part}});
    QCOMPARE(load->member(), split.part);
    QVERIFY(nearPairs(load->positionedForces(), {{0.4, -1.0}, {0.6, -3.0}}));
    QVERIFY(record.loadParts.isEmpty());
    model.compressMembers(record);
    QCOMPARE(load->member(), split.member);
    QVERIFY(nearPairs(load->positionedForces(), {{0.7, -1.0}, {0.8, -3.0}}));
}

void TestStructureMerge::shortPieceLeavesLoadsWhole_data()
{
    QTest::addColumn<double>("cutAt");
    // The cut member, or the part, no longer than 2^-10; the other one long.
    QTest::newRow("short cut member") << shortest / 2;
    QTest::newRow("cut member of 2^-10") << shortest;
    QTest::newRow("short part") << 4.0 - shortest / 2;
    QTest::newRow("cut at the far end") << 4.0;
}

void TestStructureMerge::shortPieceLeavesLoadsWhole()
{
    QFETCH(double, cutAt);

    StructureModel model;
    Split split(4.0, cutAt);
    const LoadRef point = pointLoad(split.member, 0.6, -2.0);
    const LoadRef start = pointLoad(split.member, 0.0, -1.0);
    const LoadRef trapezoid = trapezoidLoad(split.member, 0.1, -1.0, 0.9, -3.0);
    split.addTo(&model, {point, start, trapezoid});
    const QString state = fingerprint(model);

    const auto record = model.explodeMembers({{split.member, split.part}});
    QCOMPARE(split.member->nodeB(), split.middle);
    QCOMPARE(model.loads().size(), 3);
    QVERIFY(record.loadParts.isEmpty());
    QVERIFY(record.addedLoads.isEmpty());
    for (const LoadRef& load : model.loads()) {
        QCOMPARE(load->member(), split.member);
        for (const Load::PositionedForce& pair : load->positionedForces()) {
            QVERIFY(std::isfinite(pair.first));
            QVERIFY(pair.first >= 0.0 && pair.first <= 1.0);
        }
    }
    QCOMPARE(point->positionedForces(), QList<Load::PositionedForce>({{0.6, -2.0}}));
    QCOMPARE(trapezoid->positionedForces(), QList<Load::PositionedForce>({{0.1, -1.0}, {0.9, -3.0}}));

    model.compressMembers(record);
    QCOMPARE(fingerprint(model), state);
}

void TestStructureMerge::splitAndJoinKeepLoadsInPlaceAndTotals()
{
    // Random loads on an oblique member cut at a random point: every point
    // force stays at its point in space, the distributed intensity at every
    // point of the line is unchanged, the totals are kept, and the join
    // brings every pair back.
    QRandomGenerator random(20261206);
    for (int round = 0; round < 200; ++round) {
        StructureModel model;
        const Vector3 a(random.bounded(10.0) - 5, random.bounded(10.0) - 5, random.bounded(10.0) - 5);
        const Vector3 along(random.bounded(2.0) - 1, random.bounded(2.0) - 1, random.bounded(2.0) - 1);
        if (along.length() < 0.1)
            continue;
        const double length = 0.1 + random.bounded(20.0);
        const Vector3 b = a + along.normalised() * length;
        const double r = 0.02 + random.bounded(0.96);
        const NodeRef na = nodeAt(a.x(), a.y(), a.z()), nb = nodeAt(b.x(), b.y(), b.z());
        const Vector3 m = a + (b - a) * r;
        const NodeRef middle = nodeAt(m.x(), m.y(), m.z());
        const MemberRef member(new Member(na, nb));
        const MemberRef part(new Member(*member));
        part->setNodeA(middle);

        QList<LoadRef> loads;
        QList<Vector3> pointPlaces;
        for (int i = 0; i < 6; ++i) {
            const double p = random.bounded(1.0), q = random.bounded(1.0);
            const double f = random.bounded(20.0) - 10, g = random.bounded(20.0) - 10;
            if (i % 2 == 0) {
                loads << trapezoidLoad(member, std::min(p, q), f, std::max(p, q), g);
            } else {
                loads << pointLoad(member, p, f);
                pointPlaces << a + (b - a) * p;
            }
        }
        QList<VaroObjectRef> objects = {na, nb, middle, member, part};
        for (const LoadRef& load : loads)
            objects << load;
        model.appendObjects(objects);
        QList<QList<Load::PositionedForce> > pairsBefore;
        for (const LoadRef& load : loads)
            pairsBefore << load->positionedForces();
        const double totalBefore = total(loads);
        QList<double> intensityBefore;
        for (int k = 0; k <= 50; ++k)
            intensityBefore << intensityAt(loads, a + (b - a) * (k / 50.0));

        const auto record = model.explodeMembers({{member, part}});
        const QList<LoadRef> after = model.loads();
        QCOMPARE(after.size(), loads.size() + record.addedLoads.size());
        QVERIFY(std::fabs(total(after) - totalBefore) <= 1e-9 * std::max(1.0, std::fabs(totalBefore)));
        for (int k = 0; k <= 50; ++k) {
            const double fraction = k / 50.0;
            if (std::fabs(fraction - r) < 1e-9)
                continue; // at the cut both pieces count their end
            const double intensity = intensityAt(after, a + (b - a) * fraction);
            QVERIFY2(std::fabs(intensity - intensityBefore[k]) <= 1e-9 * std::max(1.0, std::fabs(intensityBefore[k])),
                     qPrintable(QStringLiteral("round %1 at %2").arg(round).arg(fraction)));
        }
        int pointIndex = 0;
        for (const LoadRef& load : loads) {
            if (!qobject_cast<PointLoad*>(load.data()))
                continue;
            const Vector3 place = pointOn(*load->member(), load->positionedForces().at(0).first);
            QVERIFY((place - pointPlaces[pointIndex++]).length() < 1e-9);
        }

        model.compressMembers(record);
        QCOMPARE(model.loads(), loads);
        QCOMPARE(member->nodeB(), nb);
        for (int i = 0; i < loads.size(); ++i) {
            QCOMPARE(loads[i]->member(), member);
            const QList<Load::PositionedForce> pairs = loads[i]->positionedForces();
            QCOMPARE(pairs.size(), pairsBefore[i].size());
            for (int j = 0; j < pairs.size(); ++j) {
                QVERIFY(std::fabs(pairs[j].first - pairsBefore[i][j].first) < 1e-12);
                QVERIFY(std::fabs(pairs[j].second - pairsBefore[i][j].second) < 1e-9);
            }
        }
    }
}

QTEST_GUILESS_MAIN(TestStructureMerge)
#include "tst_structuremerge.moc"
