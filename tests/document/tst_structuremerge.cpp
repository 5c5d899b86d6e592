#include "DocumentTesting.h"
#include "TestMain.h"

#include <QRandomGenerator>
#include <QtTest>

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
        : a(nodeAt(0)), b(nodeAt(length)), middle(nodeAt(at)), member(VaroObject::make<Member>(a, b)), part(VaroObject::make<Member>(*member))
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
    void deconsolidationRestoresUnderTheLockWithoutStructureSignals();
    void memberMergeTurnsLoadsOfAnOppositeMember();
    void shortPieceLeavesLoadsWhole_data();
    void shortPieceLeavesLoadsWhole();
    void splitAndJoinKeepLoadsInPlaceAndTotals();
};

void TestStructureMerge::deconsolidationRestoresUnderTheLockWithoutStructureSignals()
{
    StructureModel model;
    const NodeRef k = nodeAt(0), d = nodeAt(0), x = nodeAt(5);
    const MemberRef member(VaroObject::make<Member>(d, x));
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
    const MemberRef kept(VaroObject::make<Member>(a, b)), opposite(VaroObject::make<Member>(b, a)), sameWay(VaroObject::make<Member>(a, b));
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
        const MemberRef member(VaroObject::make<Member>(na, nb));
        const MemberRef part(VaroObject::make<Member>(*member));
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

VARO_GUILESS_TEST_MAIN(TestStructureMerge)
#include "tst_structuremerge.moc"
