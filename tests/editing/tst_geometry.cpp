#include "EditingTesting.h"

#include "GeometryGroup.h"
#include "TestMain.h"

#include <QRandomGenerator>
#include <QtTest>

#include <cmath>
#include <functional>

Q_DECLARE_METATYPE(std::function<void(Bench&)>)

typedef std::function<void(Bench&)> Step;

static bool near(const Vector3& a, const Vector3& b)
{
    return (a - b).length() < 1e-9;
}

// The geometry and selection actions: what each refuses, what it makes, and
// that one undo takes it back.
class TestGeometry : public QObject
{
    Q_OBJECT

private slots:
    void refusals_data();
    void refusals();
    void nonFiniteInputChangesNothing_data();
    void nonFiniteInputChangesNothing();
    void addMembersChainsSelectedNodes();
    void copiesWithLoadsSpreadByMove();
    void dragStepsMergeIntoOneEntry();
    void rotateAndReflectAboutMasterMember();
    void setMemberLength_data();
    void setMemberLength();
    void polariseKeepsReleasesAtTheirNodes();
    void splitMembersAtMidpoints();
    void deleteAsksForDependentsAfterReturning();
    void clickRuleAndSelectSkipsSelected();
    void randomActionsUndoToTheStart();
};

void TestGeometry::refusals_data()
{
    QTest::addColumn<Step>("step");
    QTest::addColumn<QString>("warning");
    const Vector4 one(1.0, 0.0, 0.0, 0.0);
    const auto nodeOnly = [](Bench& b) { b.select({b.node(1.0)}); };
    const auto loadOnly = [](Bench& b) { b.select({b.pointLoad(b.member(b.node(0.0), b.node(1.0)), 0.5, 1.0)}); };

    QTest::newRow("copy") << Step([=](Bench& b) { loadOnly(b), b.actions->actionCopySelection(one, {}); })
                          << "No nodes or members selected";
    QTest::newRow("copy too many")
        << Step([=](Bench& b) { nodeOnly(b), b.actions->actionCopySelection(Vector4(1001, 0, 0, 0), {}); })
        << "No more than 1000 copies can be made at once";
    QTest::newRow("move") << Step([=](Bench& b) { b.actions->actionMoveSelectedNodesBy(one, {}); })
                          << "No nodes are selected.";
    QTest::newRow("rotate") << Step([=](Bench& b) { b.actions->actionRotateSelectedNodes(one, {}); })
                            << "No nodes have been selected.";
    QTest::newRow("rotate without member")
        << Step([=](Bench& b) { nodeOnly(b), b.actions->actionRotateSelectedNodes(one, {}); })
        << "A master member needs to be selected.";
    QTest::newRow("rotate about short member") << Step([=](Bench& b) {
        b.select({b.node(0.0), b.member(b.node(0.0), b.node(0.0005))});
        b.actions->actionRotateSelectedNodes(one, {});
    }) << "Master member has invalid axis.";
    QTest::newRow("reflect") << Step([=](Bench& b) { b.actions->actionFlipSelectedNodes(); })
                             << "No nodes have been selected.";
    QTest::newRow("reflect without member")
        << Step([=](Bench& b) { nodeOnly(b), b.actions->actionFlipSelectedNodes(); })
        << "A master member needs to be selected.";
    QTest::newRow("reflect about short member") << Step([=](Bench& b) {
        b.select({b.node(0.0), b.member(b.node(0.0), b.node(0.0005))});
        b.actions->actionFlipSelectedNodes();
    }) << "Master member has invalid axis. The member's longitudinal and major axes are required to describe the "
          "plane in which to reflect the structure.";
    QTest::newRow("length") << Step([=](Bench& b) { b.actions->actionSetMemberLength(Vector4(-1, 0, 0, 0), {}); })
                            << "Specified length is too short.";
    QTest::newRow("polarise") << Step([=](Bench& b) { b.actions->actionPolariseMembers(); })
                              << "A master node is required.";
    QTest::newRow("polarise without members")
        << Step([=](Bench& b) { nodeOnly(b), b.actions->actionPolariseMembers(); }) << "No members are selected.";
    QTest::newRow("split") << Step([=](Bench& b) { nodeOnly(b), b.actions->actionSplitMembers(); })
                           << "No members are selected.";
    QTest::newRow("delete") << Step([=](Bench& b) { loadOnly(b), b.actions->actionDeleteSelectedGeometry(); })
                            << "No geometry selected (any other items will not be deleted by this action)";
    QTest::newRow("group not in library") << Step([=](Bench& b) {
        nodeOnly(b), b.actions->actionMoveSelectedGeometryToGroup(VaroObject::make<GeometryGroup>("stray"));
    }) << "Current group is invalid";
    QTest::newRow("nothing to move")
        << Step([=](Bench& b) { loadOnly(b), b.actions->actionMoveSelectedGeometryToGroup(GeometryGroupRef()); })
        << "Nothing to move";
    QTest::newRow("members of loads") << Step([=](Bench& b) { b.actions->actionSelectMembersFromSelectedLoads(); })
                                      << "No loads are selected.";
    QTest::newRow("nodes of members") << Step([=](Bench& b) { b.actions->actionSelectNodesFromSelectedMembers(); })
                                      << "No members are selected.";
}

void TestGeometry::refusals()
{
    QFETCH(Step, step);
    Bench b;
    QSignalSpy warnings(b.doc.data(), &DocumentModel::WarningMessage);
    QSignalSpy canUndo(b.stack(), &QUndoStack::canUndoChanged);
    step(b);
    QCOMPARE(warnings.size(), 1);
    QTEST(warnings.first().first().toString(), "warning");
    QCOMPARE(b.stack()->count(), 0);
    QCOMPARE(canUndo.size(), 0);
    QCOMPARE(b.doc->busyCount(), 0);
}

void TestGeometry::nonFiniteInputChangesNothing_data()
{
    QTest::addColumn<Step>("step");
    const double nan = std::nan("");
    const double inf = HUGE_VAL;
    QTest::newRow("move") << Step([=](Bench& b) { b.actions->actionMoveSelectedNodesBy(Vector4(1, nan, 0, 1), {}); });
    QTest::newRow("drag") << Step(
        [=](Bench& b) { b.actions->actionMoveSelectedNodesBy(Vector4(inf, 0, 0, 1), {}, true); });
    QTest::newRow("rotate") << Step([=](Bench& b) { b.actions->actionRotateSelectedNodes(Vector4(nan, 0, 0, 0), {}); });
    QTest::newRow("length") << Step([=](Bench& b) {
        b.actions->actionSetMemberLength(Vector4(inf, 0, 0, 0),
                                         {{"masterMember", QVariant::fromValue(b.structure()->members().first())}});
    });
    QTest::newRow("copy") << Step([=](Bench& b) { b.actions->actionCopySelection(Vector4(nan, 0, 0, 0), {}); });
}

void TestGeometry::nonFiniteInputChangesNothing()
{
    QFETCH(Step, step);
    Bench b;
    const NodeRef a = b.node(0.0);
    const MemberRef m = b.member(a, b.node(2.0));
    b.select({a, m});
    const QString before = b.snapshot();
    QSignalSpy warnings(b.doc.data(), &DocumentModel::WarningMessage);
    step(b);
    QCOMPARE(b.snapshot(), before);
    QCOMPARE(b.stack()->count(), 0);
    QCOMPARE(warnings.size(), 0);
}

void TestGeometry::addMembersChainsSelectedNodes()
{
    Bench b;
    const NodeRef p = b.node(0.0), q = b.node(1.0), r = b.node(2.0);
    const MemberRef pattern = b.member(b.node(5.0), b.node(6.0));
    pattern->setPinAtB(true);
    b.select({r, pattern, p, q});
    const GeometryGroupRef group(VaroObject::make<GeometryGroup>("g"));
    const QString before = b.snapshot();
    b.actions->actionAddMembers(group);
    const QList<MemberRef> members = b.structure()->members();
    QCOMPARE(members.size(), 3);
    QCOMPARE(qMakePair(members.at(1)->nodeA(), members.at(1)->nodeB()), qMakePair(r, p));
    QCOMPARE(qMakePair(members.at(2)->nodeA(), members.at(2)->nodeB()), qMakePair(p, q));
    QVERIFY(members.at(2)->pinAtB());
    QCOMPARE(members.at(2)->group(), group);
    QCOMPARE(b.selection()->selection(), (QList<VaroObjectRef>{pattern, members.at(1), members.at(2)}));
    QCOMPARE(b.stack()->undoText(), QString("Add members"));
    b.stack()->undo();
    QCOMPARE(b.snapshot(), before);
}

void TestGeometry::copiesWithLoadsSpreadByMove()
{
    Bench b;
    const NodeRef a = b.node(0.0), c = b.node(0.0, 0.0, 3.0);
    const MemberRef m = b.member(a, c);
    const LoadRef load = b.pointLoad(m, 0.5, 1000.0);
    b.select({m});
    const QString before = b.snapshot();
    b.actions->actionCopySelection(Vector4(3.4, 0, 0, 0), {});
    QCOMPARE(b.structure()->members().size(), 4);
    QCOMPARE(b.structure()->loads().size(), 4);
    QCOMPARE(b.structure()->nodes().size(), 8);
    QVERIFY(!b.selection()->isObjectSelected(m));
    QVERIFY(qSharedPointerDynamicCast<Member>(b.selection()->master()));
    QCOMPARE(b.stack()->count(), 1);

    b.actions->actionMoveSelectedNodesBy(Vector4(2.0, 0, 0, 1), {});
    for (const NodeRef& node : b.structure()->nodes()) {
        const double k = node->position().x() / 2.0;
        QVERIFY(k == 0.0 || k == 1.0 || k == 2.0 || k == 3.0);
    }
    QCOMPARE(b.structure()->loads().last()->member()->nodeA()->position(), Vector3(6.0, 0.0, 0.0));
    QCOMPARE(load->member(), m);
    undoAll(b.stack());
    QCOMPARE(b.snapshot(), before);
}

void TestGeometry::dragStepsMergeIntoOneEntry()
{
    Bench b;
    const NodeRef selected = b.node(0.0), dragged = b.node(1.0);
    b.select({selected});
    const QString before = b.snapshot();
    const CalculatorReference handle{{"masterNode", QVariant::fromValue(dragged)}};
    b.actions->actionMoveSelectedNodesBy(Vector4(1, 0, 0, 1), handle, true);
    b.actions->actionMoveSelectedNodesBy(Vector4(0, 2, 0, 1), handle, true);
    b.actions->actionMoveSelectedNodesBy(Vector4(0, 0, 3, 1), handle, true);
    QCOMPARE(b.stack()->count(), 1);
    QCOMPARE(dragged->position(), Vector3(2.0, 2.0, 3.0));
    b.actions->actionMoveSelectedNodesBy(Vector4(1, 0, 0, 1), handle);
    b.actions->actionMoveSelectedNodesBy(Vector4(1, 0, 0, 1), handle, true);
    QCOMPARE(b.stack()->count(), 3);
    undoAll(b.stack());
    QCOMPARE(b.snapshot(), before);
}

void TestGeometry::rotateAndReflectAboutMasterMember()
{
    Bench b;
    const MemberRef axis = b.member(b.node(0.0), b.node(0.0, 0.0, 2.0));
    const NodeRef once = b.node(1.0), twice = b.node(1.0, 0.0, 1.0), onAxis = b.node(0.0, 0.0, 5.0);
    b.select({once, twice, onAxis, axis});
    b.selection()->deselectObjects({twice});
    b.selection()->selectObjects({twice}, {{twice, 2}});
    b.actions->actionRotateSelectedNodes(Vector4(M_PI / 2.0, 0, 0, 0), {});
    QVERIFY(near(once->position(), Vector3(0.0, 1.0, 0.0)));
    QVERIFY(near(twice->position(), Vector3(-1.0, 0.0, 1.0)));
    QCOMPARE(onAxis->position(), Vector3(0.0, 0.0, 5.0));
    b.stack()->undo();
    QCOMPARE(once->position(), Vector3(1.0, 0.0, 0.0));

    // The mirror holds the member and its major axis; copy counts do not scale it.
    b.actions->actionFlipSelectedNodes();
    const Vector3 normal = Vector3(axis->transformationMatrix()[2][0], axis->transformationMatrix()[2][1],
                                   axis->transformationMatrix()[2][2]);
    QVERIFY(std::abs(once->position().dot(normal) + normal.x()) < 1e-9);
    QCOMPARE(onAxis->position(), Vector3(0.0, 0.0, 5.0));
}

void TestGeometry::setMemberLength_data()
{
    QTest::addColumn<int>("selectedEnds"); // 0 none, 1 A, 2 B
    QTest::addColumn<Vector3>("a");
    QTest::addColumn<Vector3>("b");
    QTest::newRow("neither end") << 0 << Vector3(-0.5, 0, 0) << Vector3(4.5, 0, 0);
    QTest::newRow("end A") << 1 << Vector3(-1, 0, 0) << Vector3(4, 0, 0);
    QTest::newRow("end B") << 2 << Vector3(0, 0, 0) << Vector3(5, 0, 0);
}

void TestGeometry::setMemberLength()
{
    QFETCH(int, selectedEnds);
    Bench bench;
    const MemberRef m = bench.member(bench.node(0.0), bench.node(4.0));
    if (selectedEnds)
        bench.select({selectedEnds == 1 ? m->nodeA() : m->nodeB()});
    bench.actions->actionSetMemberLength(Vector4(5, 5, 5, 1), {{"masterMember", QVariant::fromValue(m)}});
    QTEST(m->nodeA()->position(), "a");
    QTEST(m->nodeB()->position(), "b");
    bench.stack()->undo();
    QCOMPARE(m->length(), 4.0);
}

void TestGeometry::polariseKeepsReleasesAtTheirNodes()
{
    Bench b;
    const NodeRef p = b.node(0.0), q = b.node(2.0), r = b.node(4.0);
    const MemberRef forward = b.member(p, q);
    const MemberRef backward = b.member(r, q);
    backward->setPinAtA(true); // released at r
    const LoadRef load = b.pointLoad(backward, 0.25, 1000.0);
    b.select({forward, backward, p});
    b.actions->actionPolariseMembers();
    QCOMPARE(backward->nodeA(), q);
    QVERIFY(!backward->pinAtA());
    QVERIFY(backward->pinAtB());
    QCOMPARE(load->positionedForces().first().first, 0.75);
    QCOMPARE(forward->nodeA(), p);
    QCOMPARE(b.stack()->count(), 1);
    b.actions->actionPolariseMembers();
    QCOMPARE(b.stack()->count(), 1);
    b.stack()->undo();
    QCOMPARE(backward->nodeA(), r);
    QVERIFY(backward->pinAtA());
}

void TestGeometry::splitMembersAtMidpoints()
{
    Bench b;
    const double shortest = 0.001 * 9.1875;
    const MemberRef m = b.member(b.node(0.0), b.node(4.0));
    const MemberRef tooShort = b.member(b.node(10.0), b.node(10.0 + shortest));
    const LoadRef load = b.pointLoad(m, 0.5, 1000.0);
    b.select({m, tooShort});
    const QString before = b.snapshot();
    b.actions->actionSplitMembers();
    QCOMPARE(b.structure()->members().size(), 3);
    QCOMPARE(m->nodeB()->position(), Vector3(2.0, 0.0, 0.0));
    QCOMPARE(load->member(), m);
    QCOMPARE(load->positionedForces().first().first, 1.0);
    QCOMPARE(b.selection()->selection().size(), 4);
    QCOMPARE(b.selection()->master(), VaroObjectRef(b.structure()->members().last()));
    b.stack()->undo();
    QCOMPARE(b.snapshot(), before);
}

void TestGeometry::deleteAsksForDependentsAfterReturning()
{
    Bench b;
    const NodeRef n = b.node(0.0);
    const MemberRef m = b.member(n, b.node(1.0));
    const LoadRef load = b.pointLoad(m, 0.5, 1.0);
    b.select({n});
    QList<QList<VaroObjectRef>> asked;
    connect(b.doc.data(), &DocumentModel::AutoSelectionNeeded,
            [&](const QList<VaroObjectRef>& objects) { asked.append(objects); });
    b.actions->actionDeleteSelectedGeometry();
    QCOMPARE(asked.size(), 0);
    QCOMPARE(b.doc->busyCount(), 0);
    QTRY_COMPARE(asked.size(), 1);
    const QList<VaroObjectRef> needed = asked.first();
    QCOMPARE(needed.size(), 2);
    QVERIFY(needed.contains(m) && needed.contains(load));
    QCOMPARE(b.stack()->count(), 0);

    // The answer selects what is missing once; asking again adds nothing twice.
    b.actions->actionSelectObjects(needed);
    b.actions->actionSelectObjects(needed);
    QCOMPARE(b.selection()->selection().size(), 3);

    // Then the deletion goes ahead, the selected load with its member.
    const auto before = b.snapshot();
    const int steps = b.stack()->count();
    b.actions->actionDeleteSelectedGeometry();
    QCoreApplication::processEvents();
    QCOMPARE(asked.size(), 1);
    QCOMPARE(b.stack()->count(), steps + 1);
    QCOMPARE(b.stack()->undoText(), QStringLiteral("Delete selection"));
    for (const VaroObjectRef& gone : {VaroObjectRef(n), VaroObjectRef(m), VaroObjectRef(load)})
        QVERIFY(!b.structure()->contains(gone));
    QVERIFY(b.selection()->selection().isEmpty());
    b.stack()->undo();
    QCOMPARE(b.snapshot(), before);
    QCOMPARE(b.selection()->selection().size(), 3);
}

void TestGeometry::clickRuleAndSelectSkipsSelected()
{
    Bench b;
    const NodeRef p = b.node(0.0), q = b.node(1.0);
    b.actions->actionClickOnObject(p);
    b.actions->actionClickOnObject(q);
    b.actions->actionClickOnObject(p); // selected, not the master: becomes the master
    QCOMPARE(b.selection()->selection(), (QList<VaroObjectRef>{q, p}));
    b.actions->actionClickOnObject(p); // the master: deselected
    QCOMPARE(b.selection()->selection(), QList<VaroObjectRef>{q});
    b.stack()->undo();
    b.stack()->undo();
    QCOMPARE(b.selection()->selection(), (QList<VaroObjectRef>{p, q}));
    b.actions->actionClickOnObject(VaroObjectRef());
    QCOMPARE(b.stack()->index(), 2);
}

void TestGeometry::randomActionsUndoToTheStart()
{
    Bench b;
    const NodeRef a = b.node(0.0), c = b.node(3.0), d = b.node(3.0, 2.0);
    const MemberRef ac = b.member(a, c);
    b.member(c, d);
    b.pointLoad(ac, 0.3, 1000.0);
    const QString start = b.snapshot();
    QRandomGenerator random(7);
    const auto pick = [&]() -> VaroObjectRef {
        const QList<VaroObjectRef> all = b.structure()->everything();
        return all.at(random.bounded(all.size()));
    };
    for (int i = 0; i < 200; ++i) {
        switch (random.bounded(10)) {
        case 0: b.actions->actionClickOnObject(pick()); break;
        case 1: b.actions->actionClearAllSelection(); break;
        case 2: b.actions->actionAddNode(GeometryGroupRef()); break;
        case 3: b.actions->actionAddMembers(GeometryGroupRef()); break;
        case 4: b.actions->actionCopySelection(Vector4(random.bounded(3), 0, 0, 0), {}); break;
        case 5: b.actions->actionMoveSelectedNodesBy(Vector4(random.bounded(3) - 1.0, 0.5, 0, 1), {}); break;
        case 6: b.actions->actionRotateSelectedNodes(Vector4(0.3, 0, 0, 0), {}); break;
        case 7: b.actions->actionSplitMembers(); break;
        case 8: b.actions->actionPolariseMembers(); break;
        case 9: b.actions->actionSelectNodesFromSelectedMembers(); break;
        }
    }
    QVERIFY(b.structure()->nodes().size() > 3);
    undoAll(b.stack());
    QCOMPARE(b.snapshot(), start);
}

VARO_TEST_MAIN(TestGeometry)
#include "tst_geometry.moc"
