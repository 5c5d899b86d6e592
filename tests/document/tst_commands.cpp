#include "DocumentTesting.h"

#include "DocumentCommands.h"
#include "LibraryCommands.h"
#include "ReportCommands.h"
#include "SelectionCommands.h"
#include "StructureCommands.h"
#include "TestMain.h"

#include <QtTest>

#include <functional>

namespace {

// The frame with a selection, further load cases, a report, a stored view
// and a spare node lying on the beam, so that every command finds something
// to change.
struct Setting : Frame
{
    explicit Setting(DocumentModel* document) : Frame(document)
    {
        spare = nodeAt(2.9, 4);
        document->structureModel()->appendObjects({spare});

        sway = VaroObject::make<SwayCase>("Sway");
        sway->setFactors({{loading, 0.5}});
        combination = VaroObject::make<Combination>("Ultimate");
        combination->setFactors({{loading, 1.4}, {sway, 1.0}});
        document->libraries()->loadCaseLibrary()->append(sway);
        document->libraries()->loadCaseLibrary()->append(combination);

        report = VaroObject::make<Report>();
        items = {Report::ReportItemRef(new Report::ReportItem(Report::ChapterNodeInput)),
                 Report::ReportItemRef(new Report::ReportItem(Report::ChapterMemberInput)),
                 Report::ReportItemRef(new Report::ReportItem(Report::ChapterLoadInput))};
        for (const Report::ReportItemRef& item : items)
            report->rootBlock()->insertItem(item, Report::ReportItemRef());
        report->rootBlock()->insertLoadCase(loading, LoadCaseRef());
        document->reportModel()->appendReports({report});

        viewPoint = ViewPointRef(new ViewPoint);
        document->viewPointMemory()->setValueAt(2, viewPoint);
        document->titles()->setTitle(0, 0, "Portal");

        document->selectionModel()->selectObjects({nodes[0], members[1], loads[0], nodes[2]}, {{members[1], 3}});

        fresh.node = nodeAt(9, 0);
        fresh.member = VaroObject::make<Member>(nodes[3], fresh.node);
        fresh.load = pairsLoad(LoadRef(VaroObject::make<PointLoad>(fresh.member)), {{0.5, 10}}, loading);
        fresh.part = VaroObject::make<Member>(nodeAt(3, 4), nodes[2]);
        fresh.loadAxis = VaroObject::make<LoadAxis>(Axis(Vector3(1, 0, 0), NodeRef(), true, false));
        fresh.memberAxis = VaroObject::make<MemberAxis>(Axis(Vector3(), nodes[3], true, false));
        fresh.titles = TitlesRef(new Titles);
        fresh.titles->setTitle(0, 1, "Warehouse");
        fresh.titles->setNote("Checked");
    }

    NodeRef spare;
    SwayCaseRef sway;
    CombinationRef combination;
    ReportRef report;
    QList<Report::ReportItemRef> items;
    ViewPointRef viewPoint;
    // Objects that the commands bring in.
    struct
    {
        NodeRef node;
        MemberRef member;
        LoadRef load;
        MemberRef part;
        LoadAxisRef loadAxis;
        MemberAxisRef memberAxis;
        TitlesRef titles;
    } fresh;
};

typedef std::function<QUndoCommand*(DocumentModel*, Setting&)> CommandFactory;

double forceAt(const LoadRef& load, int index)
{
    return load->positionedForces().value(index).second;
}

} // namespace

Q_DECLARE_METATYPE(CommandFactory)

class TestCommands : public QObject
{
    Q_OBJECT

private slots:
    void redoUndoRedoRestoresTheDocument_data();
    void redoUndoRedoRestoresTheDocument();
    void dragsOfTheSameNodesBecomeOneStep();
    void undoRestoresExactValuesAndPlaces();
    void movesMergeOnlyWhenNodesAndFactorsAgree_data();
    void movesMergeOnlyWhenNodesAndFactorsAgree();
    void loadDragsMergeAtTheirOwnIndexOnly();
    void spanDragsKeepTheFirstOldAndTheLastNewSpan();
    void aMaterialChangeMakesTheStiffnessStale();
};

void TestCommands::redoUndoRedoRestoresTheDocument_data()
{
    QTest::addColumn<CommandFactory>("make");
    QTest::addColumn<bool>("onReportStack");
    QTest::addColumn<bool>("changes");
#define ROW(name, stack, changes, command)                                                                             \
    QTest::newRow(name) << CommandFactory([](DocumentModel* d, Setting& s) -> QUndoCommand* { return command; })       \
                        << stack << changes
#define STRUCTURE_ROW(name, command) ROW(name, false, true, command)
#define REPORT_ROW(name, command) ROW(name, true, true, command)
    STRUCTURE_ROW("append objects",
                  new CommandAppendObjects(d->structureModel(), {s.fresh.node, s.fresh.member, s.fresh.load}));
    STRUCTURE_ROW("remove objects",
                  new CommandRemoveObjects(d->structureModel(), {s.loads[0], s.members[0], s.nodes[0]}));
    STRUCTURE_ROW("consolidate nodes", new CommandConsolidateNodes(d->structureModel(), s.nodes[0], s.nodes[2]));
    STRUCTURE_ROW("consolidate members",
                  new CommandConsolidateMembers(d->structureModel(), s.members[2], s.members[1]));
    ROW("consolidate loads", false, false, new CommandConsolidateLoads(d->structureModel(), s.loads[0], s.loads[2]));
    STRUCTURE_ROW("explode members", new CommandExplodeMembers(d->structureModel(), {{s.members[1], s.fresh.part}}));
    STRUCTURE_ROW("move nodes by", new CommandMoveNodesBy(d->structureModel(), {{s.nodes[1], 1.0}, {s.nodes[2], 0.5}},
                                                          Vector3(0.1, 0.7, 0), true));
    STRUCTURE_ROW("rotate nodes",
                  new CommandRotateNodesAroundRay(d->structureModel(), {{s.nodes[1], 1.0}, {s.nodes[2], 0.3}},
                                                  Ray3(Vector3(0, 0, 0), Vector3(0, 1, 0)), 0.7));
    STRUCTURE_ROW("flip nodes", new CommandFlipNodesAlongRay(d->structureModel(), {s.nodes[2], s.nodes[3]},
                                                             Ray3(Vector3(1, 0, 0), Vector3(1, 0, 0))));
    STRUCTURE_ROW("set node positions",
                  new CommandSetNodePositions(d->structureModel(), {{s.nodes[3], Vector3(7, 0, 1)}}));
    STRUCTURE_ROW(
        "member length past the midpoint",
        new CommandSetMemberLength(d->structureModel(), s.members[1], {s.nodes[1], s.nodes[2], s.spare}, 0.2));
    STRUCTURE_ROW("swap member ends", new CommandSwapMemberEnds(d->structureModel(), {s.members[0], s.members[1]}));
    STRUCTURE_ROW("nodes to groups",
                  new CommandMoveNodesToGroups(d->structureModel(), {{s.nodes[0], s.group}, {s.nodes[1], s.group}}));
    STRUCTURE_ROW("members to groups", new CommandMoveMembersToGroups(d->structureModel(), {{s.members[0], s.group}}));
    STRUCTURE_ROW("loads to load cases", new CommandMoveLoadsToLoadCases(
                                             d->structureModel(), {{s.loads[1], VaroObject::make<Loading>("Live")}}));
    STRUCTURE_ROW("load axis", new CommandSetLoadAxis(d->structureModel(), {{s.loads[0], s.fresh.loadAxis},
                                                                            {s.loads[2], s.fresh.loadAxis}}));
    STRUCTURE_ROW("load member", new CommandSetLoadMember(d->structureModel(), {{s.loads[0], s.members[2]}}));
    STRUCTURE_ROW("member axis", new CommandSetMemberAxis(d->structureModel(), {{s.members[0], s.fresh.memberAxis}}));
    STRUCTURE_ROW("member pins",
                  new CommandSetMemberPins(d->structureModel(), {{s.members[1], qMakePair(Dof(15), Dof(63))}}));
    STRUCTURE_ROW("member section type",
                  new CommandSetMemberSectionType(d->structureModel(), {{s.members[2], SectionTypeRef()}}));
    STRUCTURE_ROW("node support",
                  new CommandSetNodeSupport(d->structureModel(), {{s.nodes[0], VaroObject::make<Support>("Fixed", 63)}}));
    STRUCTURE_ROW("all pairs", new CommandSetLoadPositionedForceAtAllIndices(d->structureModel(),
                                                                             {{s.loads[2], {{0, -1}, {0.5, -2}}}}));
    STRUCTURE_ROW("trapezoid spans", new CommandSetTrapezoidLoadsSpan(
                                         d->structureModel(), {{s.loads[2], TrapezoidLoad::Span(0.1, 0.4)}}, false));
    STRUCTURE_ROW("force at index",
                  new CommandSetLoadForceAtIndex(d->structureModel(), {{s.loads[2], 0.0}, {s.loads[0], 5.0}}, true, 1));
    STRUCTURE_ROW("position past its neighbour",
                  new CommandSetLoadPositionAtIndex(d->structureModel(), {{s.loads[2], 0.9}}, false, 0));
    STRUCTURE_ROW("select", new CommandSelect(d->selectionModel(), {s.members[0], s.loads[2]}, {{s.loads[2], 2}}));
    STRUCTURE_ROW("deselect master and middle", new CommandDeselect(d->selectionModel(), {s.nodes[2], s.members[1]}));
    STRUCTURE_ROW("clear all selection", new CommandClearAllSelection(d->selectionModel()));
    STRUCTURE_ROW("toggle a selected object", new CommandToggleSelectObject(d->selectionModel(), s.members[1], -1));
    STRUCTURE_ROW("toggle an unselected object", new CommandToggleSelectObject(d->selectionModel(), s.members[2], -1));
    STRUCTURE_ROW("move selected index", new CommandMoveSelectedIndex(d->selectionModel(), s.nodes[0], -1));
    STRUCTURE_ROW("swap selected indices", new CommandSwapSelectedIndices(d->selectionModel(), s.nodes[0], s.loads[0]));
    STRUCTURE_ROW("append group",
                  new CommandAppendGroup(d->libraries()->groupLibrary(), GroupRef(VaroObject::make<GeometryGroup>("Bracing"))));
    STRUCTURE_ROW("remove group", new CommandRemoveGroup(d->libraries()->groupLibrary(), s.group));
    STRUCTURE_ROW("append load case",
                  new CommandAppendLoadCase(d->libraries()->loadCaseLibrary(), LoadCaseRef(VaroObject::make<Loading>("Wind"))));
    STRUCTURE_ROW("remove load case", new CommandRemoveLoadCase(d->libraries()->loadCaseLibrary(), s.sway));
    STRUCTURE_ROW("append material",
                  new CommandAppendMaterial(d->libraries()->materialLibrary(),
                                            MaterialRef(new Material({"Oak"}, 11e9, 0.7e9, 700, 5e-6))));
    STRUCTURE_ROW("remove material", new CommandRemoveMaterial(d->libraries()->materialLibrary(), s.material));
    STRUCTURE_ROW("rename group", new CommandRenameGroup(d->libraries()->groupLibrary(), s.group, "Portal frame"));
    STRUCTURE_ROW("rename load case",
                  new CommandRenameLoadCase(d->libraries()->loadCaseLibrary(), s.combination, "ULS"));
    STRUCTURE_ROW("rename material",
                  new CommandRenameMaterial(d->libraries()->materialLibrary(), s.material, {"S355", "Steel"}));
    STRUCTURE_ROW("group colour",
                  new CommandSetGeometryGroupColour(d->libraries()->groupLibrary(), s.group, QColor(Qt::red)));
    STRUCTURE_ROW("group analysis purpose",
                  new CommandSetGeometryGroupAnalysisPurpose(d->libraries()->groupLibrary(), s.group, false));
    STRUCTURE_ROW("load case colour",
                  new CommandSetLoadCaseColour(d->libraries()->loadCaseLibrary(), s.loading, QColor(Qt::green)));
    STRUCTURE_ROW("material properties",
                  new CommandSetMaterialProperties(d->libraries()->materialLibrary(), s.material,
                                                   Material({"Ignored"}, 200e9, 80e9, 7800, 11e-6)));
    STRUCTURE_ROW("super load case factors", new CommandSetSuperLoadCaseFactors(d->libraries()->loadCaseLibrary(),
                                                                                s.combination, {{s.loading, 1.35}}));
    STRUCTURE_ROW("sway components", new CommandSetSwayCaseComponents(d->libraries()->loadCaseLibrary(), s.sway,
                                                                      SwayCase::X, SwayCase::Z));
    STRUCTURE_ROW("combination second order",
                  new CommandSetCombinationSecondOrder(d->libraries()->loadCaseLibrary(), s.combination, true));
    STRUCTURE_ROW("titles", new CommandSetTitles(d->titles(), s.fresh.titles));
    STRUCTURE_ROW("store a view point",
                  new CommandSetViewPointMemory(d->viewPointMemory(), 5, ViewPointRef(new ViewPoint)));
    STRUCTURE_ROW("clear a view point", new CommandSetViewPointMemory(d->viewPointMemory(), 2, ViewPointRef()));
    REPORT_ROW("append reports", new CommandAppendReports(d->reportModel(), {VaroObject::make<Report>()}));
    REPORT_ROW("remove reports", new CommandRemoveReports(d->reportModel(), {s.report}));
    REPORT_ROW("insert item",
               new CommandInsertItemIntoReport(d->reportModel(), s.report, s.report->rootBlock(),
                                               Report::ReportItemRef(new Report::ReportItem), s.items[1]));
    REPORT_ROW("remove middle item",
               new CommandRemoveItemFromReport(d->reportModel(), s.report, s.report->rootBlock(), s.items[1]));
    REPORT_ROW("remove last item",
               new CommandRemoveItemFromReport(d->reportModel(), s.report, s.report->rootBlock(), s.items[2]));
    REPORT_ROW("insert load case", new CommandInsertLoadCaseIntoReport(
                                       d->reportModel(), s.report, s.report->rootBlock(), s.combination, s.loading));
    REPORT_ROW("remove load case",
               new CommandRemoveLoadCaseFromReport(d->reportModel(), s.report, s.report->rootBlock(), s.loading));
#undef REPORT_ROW
#undef STRUCTURE_ROW
#undef ROW
}

void TestCommands::redoUndoRedoRestoresTheDocument()
{
    QFETCH(CommandFactory, make);
    QFETCH(bool, onReportStack);
    QFETCH(bool, changes);
    const QSharedPointer<DocumentModel> document = newDocument();
    Setting setting(document.data());
    QUndoStack* stack = (onReportStack ? document->reportUndoStack() : document->structureUndoStack()).data();

    const DocumentSnapshot before(*document);
    {
        DocumentWriteGuard guard(document.data());
        stack->push(make(document.data(), setting));
    }
    const DocumentSnapshot after(*document);
    QCOMPARE(after.differenceFrom(before).isEmpty(), !changes);

    for (int round = 0; round < 2; ++round) {
        stack->undo();
        const QString undone = DocumentSnapshot(*document).differenceFrom(before);
        QVERIFY2(undone.isEmpty(), qPrintable(undone));
        stack->redo();
        const QString redone = DocumentSnapshot(*document).differenceFrom(after);
        QVERIFY2(redone.isEmpty(), qPrintable(redone));
    }
}

void TestCommands::dragsOfTheSameNodesBecomeOneStep()
{
    const QSharedPointer<DocumentModel> document = newDocument();
    Frame frame(document.data());
    const QMap<NodeRef, double> factors{{frame.nodes[1], 1.0}, {frame.nodes[2], 1.0}};
    for (const Vector3& step : {Vector3(1, 0, 0), Vector3(0, 2, 0), Vector3(0, 0, 3)})
        pushCommand(document.data(), new CommandMoveNodesBy(document->structureModel(), factors, step, true));
    QCOMPARE(document->structureUndoStack()->count(), 1);
    QCOMPARE(frame.nodes[2]->position(), Vector3(7, 6, 3));

    document->structureUndoStack()->undo();
    QCOMPARE(frame.nodes[1]->position(), Vector3(0, 4, 0));
    QCOMPARE(frame.nodes[2]->position(), Vector3(6, 4, 0));
}

// Undo gives back the very values and places, not values recomputed from
// the change: 0.1 + 0.2 - 0.2 and 1 - (1 - 0.1) both miss 0.1 in the last bit.
void TestCommands::undoRestoresExactValuesAndPlaces()
{
    const QSharedPointer<DocumentModel> document = newDocument();
    Frame frame(document.data());
    QUndoStack* stack = document->structureUndoStack().data();
    frame.nodes[1]->setPosition(Vector3(0.1, 4, 0));
    frame.loads[1]->setPositionedForces({{0.1, 200}});
    const QList<NodeRef> nodes = document->structureModel()->nodes();
    const QList<LoadRef> loads = document->structureModel()->loads();

    pushCommand(document.data(), new CommandMoveNodesBy(document->structureModel(), {{frame.nodes[1], 1.0}},
                                                        Vector3(0.2, 0, 0), false));
    pushCommand(document.data(), new CommandSwapMemberEnds(document->structureModel(), {frame.members[0]}));
    pushCommand(document.data(), new CommandRemoveObjects(document->structureModel(), {frame.loads[1], frame.nodes[1]}));
    stack->undo();
    stack->undo();
    stack->undo();
    QCOMPARE(frame.nodes[1]->position().x(), 0.1);
    QCOMPARE(frame.loads[1]->positionedForces().first().first, 0.1);
    QCOMPARE(document->structureModel()->nodes(), nodes);
    QCOMPARE(document->structureModel()->loads(), loads);
}

void TestCommands::movesMergeOnlyWhenNodesAndFactorsAgree_data()
{
    QTest::addColumn<bool>("firstMerges");
    QTest::addColumn<bool>("secondMerges");
    QTest::addColumn<bool>("sameNodes");
    QTest::addColumn<double>("secondFactor");
    QTest::addColumn<int>("steps");
    QTest::newRow("other nodes") << true << true << false << 1.0 << 2;
    QTest::newRow("factor off by one bit") << true << true << true << std::nextafter(1.0, 2.0) << 2;
    QTest::newRow("NaN factor") << true << true << true << std::nan("") << 2;
    QTest::newRow("first without flag") << false << true << true << 1.0 << 2;
}

void TestCommands::movesMergeOnlyWhenNodesAndFactorsAgree()
{
    QFETCH(bool, firstMerges);
    QFETCH(bool, secondMerges);
    QFETCH(bool, sameNodes);
    QFETCH(double, secondFactor);
    const QSharedPointer<DocumentModel> document = newDocument();
    Frame frame(document.data());
    const NodeRef second = sameNodes ? frame.nodes[1] : frame.nodes[2];
    pushCommand(document.data(), new CommandMoveNodesBy(document->structureModel(), {{frame.nodes[1], 1.0}},
                                                        Vector3(1, 0, 0), firstMerges));
    pushCommand(document.data(), new CommandMoveNodesBy(document->structureModel(), {{second, secondFactor}},
                                                        Vector3(1, 0, 0), secondMerges));
    QTEST(document->structureUndoStack()->count(), "steps");
}

void TestCommands::loadDragsMergeAtTheirOwnIndexOnly()
{
    const QSharedPointer<DocumentModel> document = newDocument();
    Frame frame(document.data());
    const LoadRef first = frame.loads[0];
    const LoadRef second = frame.loads[1];
    const QSharedPointer<StructureModel> structure = document->structureModel();

    pushCommand(document.data(), new CommandSetLoadForceAtIndex(structure, {{first, -1500}}, true, 0));
    pushCommand(document.data(), new CommandSetLoadForceAtIndex(structure, {{first, -2000}, {second, 300}}, true, 0));
    QCOMPARE(document->structureUndoStack()->count(), 1);
    QCOMPARE(forceAt(first, 0), -2000.0);
    QCOMPARE(forceAt(second, 0), 300.0);

    // Another handle of the same load is a step of its own.
    pushCommand(document.data(), new CommandSetLoadForceAtIndex(structure, {{frame.loads[2], -800.0}}, true, 1));
    QCOMPARE(document->structureUndoStack()->count(), 2);

    document->structureUndoStack()->undo();
    document->structureUndoStack()->undo();
    QCOMPARE(forceAt(first, 0), -1000.0);
    QCOMPARE(forceAt(second, 0), 200.0);
    QCOMPARE(forceAt(frame.loads[2], 1), -700.0);
}

void TestCommands::spanDragsKeepTheFirstOldAndTheLastNewSpan()
{
    const QSharedPointer<DocumentModel> document = newDocument();
    Frame frame(document.data());
    const QSharedPointer<TrapezoidLoad> load = frame.loads[2].objectCast<TrapezoidLoad>();
    for (const TrapezoidLoad::Span& span : {TrapezoidLoad::Span(0.3, 0.6), TrapezoidLoad::Span(0.4, 0.5)})
        pushCommand(document.data(),
                    new CommandSetTrapezoidLoadsSpan(document->structureModel(), {{load, span}}, true));
    QCOMPARE(document->structureUndoStack()->count(), 1);
    QCOMPARE(load->span(), TrapezoidLoad::Span(0.4, 0.5));
    document->structureUndoStack()->undo();
    QCOMPARE(load->span(), TrapezoidLoad::Span(0.2, 0.8));
}

void TestCommands::aMaterialChangeMakesTheStiffnessStale()
{
    const QSharedPointer<DocumentModel> document = newDocument();
    Frame frame(document.data());
    const int stiffness = document->stiffnessSum();
    const int loading = document->loadingSum();

    pushCommand(document.data(),
                new CommandSetMaterialProperties(document->libraries()->materialLibrary(), frame.material,
                                                 Material({}, 190e9, 75e9, 7850, 12e-6)));
    QCOMPARE(frame.material->youngsModulus(), 190e9);
    QCOMPARE(frame.material->names(), QStringList{"Steel"});
    QCOMPARE(document->stiffnessSum(), stiffness + 1);
    QCOMPARE(document->loadingSum(), loading);

    document->structureUndoStack()->undo();
    QCOMPARE(frame.material->youngsModulus(), 210e9);
    QCOMPARE(document->stiffnessSum(), stiffness + 2);
}

VARO_TEST_MAIN(TestCommands)
#include "tst_commands.moc"
