#include "DocumentTesting.h"

#include "DocumentCommands.h"
#include "LibraryCommands.h"
#include "ReportCommands.h"
#include "SelectionCommands.h"
#include "StructureCommands.h"

#include <QtTest>

#include <cmath>
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

        sway = SwayCaseRef(new SwayCase("Sway"));
        sway->setFactors({{loading, 0.5}});
        combination = CombinationRef(new Combination("Ultimate"));
        combination->setFactors({{loading, 1.4}, {sway, 1.0}});
        document->libraries()->loadCaseLibrary()->append(sway);
        document->libraries()->loadCaseLibrary()->append(combination);

        report = ReportRef(new Report);
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
    }

    NodeRef spare;
    SwayCaseRef sway;
    CombinationRef combination;
    ReportRef report;
    QList<Report::ReportItemRef> items;
    ViewPointRef viewPoint;
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
    const auto row = [](const char* name, const CommandFactory& make, bool changes = true) {
        QTest::newRow(name) << make << false << changes;
    };
    const auto reportRow = [](const char* name, const CommandFactory& make) {
        QTest::newRow(name) << make << true << true;
    };

    row("append objects", [](DocumentModel* d, Setting& s) -> QUndoCommand* {
        const NodeRef node = nodeAt(9, 0);
        const MemberRef member(new Member(s.nodes[3], node));
        return new CommandAppendObjects(d->structureModel(),
                                        {node, member, pairsLoad(LoadRef(new PointLoad(member)), {{0.5, 10}}, s.loading)});
    });
    row("remove objects", [](DocumentModel* d, Setting& s) -> QUndoCommand* {
        return new CommandRemoveObjects(d->structureModel(), {s.loads[0], s.members[0], s.nodes[0]});
    });
    row("consolidate nodes", [](DocumentModel* d, Setting& s) -> QUndoCommand* {
        return new CommandConsolidateNodes(d->structureModel(), s.nodes[0], s.nodes[2]);
    });
    row("consolidate members", [](DocumentModel* d, Setting& s) -> QUndoCommand* {
        return new CommandConsolidateMembers(d->structureModel(), s.members[2], s.members[1]);
    });
    row("consolidate loads", [](DocumentModel* d, Setting& s) -> QUndoCommand* {
        return new CommandConsolidateLoads(d->structureModel(), s.loads[0], s.loads[2]);
    }, false);
    row("explode members", [](DocumentModel* d, Setting& s) -> QUndoCommand* {
        const MemberRef part(new Member(nodeAt(3, 4), s.members[1]->nodeB()));
        return new CommandExplodeMembers(d->structureModel(), {{s.members[1], part}});
    });
    row("move nodes by", [](DocumentModel* d, Setting& s) -> QUndoCommand* {
        return new CommandMoveNodesBy(d->structureModel(), {{s.nodes[1], 1.0}, {s.nodes[2], 0.5}}, Vector3(0.1, 0.7, 0),
                                      true);
    });
    row("rotate nodes", [](DocumentModel* d, Setting& s) -> QUndoCommand* {
        return new CommandRotateNodesAroundRay(d->structureModel(), {{s.nodes[1], 1.0}, {s.nodes[2], 0.3}},
                                               Ray3(Vector3(0, 0, 0), Vector3(0, 1, 0)), 0.7);
    });
    row("flip nodes", [](DocumentModel* d, Setting& s) -> QUndoCommand* {
        return new CommandFlipNodesAlongRay(d->structureModel(), {s.nodes[2], s.nodes[3]},
                                            Ray3(Vector3(1, 0, 0), Vector3(1, 0, 0)));
    });
    row("set node positions", [](DocumentModel* d, Setting& s) -> QUndoCommand* {
        return new CommandSetNodePositions(d->structureModel(), {{s.nodes[3], Vector3(7, 0, 1)}});
    });
    // The spare node crosses the midpoint as the beam shrinks.
    row("member length past the midpoint", [](DocumentModel* d, Setting& s) -> QUndoCommand* {
        return new CommandSetMemberLength(d->structureModel(), s.members[1], {s.nodes[1], s.nodes[2], s.spare}, 0.2);
    });
    row("swap member ends", [](DocumentModel* d, Setting& s) -> QUndoCommand* {
        return new CommandSwapMemberEnds(d->structureModel(), {s.members[0], s.members[1]});
    });
    row("nodes to groups", [](DocumentModel* d, Setting& s) -> QUndoCommand* {
        return new CommandMoveNodesToGroups(d->structureModel(), {{s.nodes[0], s.group}, {s.nodes[1], s.group}});
    });
    row("members to groups", [](DocumentModel* d, Setting& s) -> QUndoCommand* {
        return new CommandMoveMembersToGroups(d->structureModel(), {{s.members[0], s.group}});
    });
    row("loads to load cases", [](DocumentModel* d, Setting& s) -> QUndoCommand* {
        return new CommandMoveLoadsToLoadCases(d->structureModel(), {{s.loads[1], LoadingRef(new Loading("Live"))}});
    });
    row("load axis", [](DocumentModel* d, Setting& s) -> QUndoCommand* {
        const LoadAxisRef axis(new LoadAxis(Axis(Vector3(1, 0, 0), NodeRef(), true, false)));
        return new CommandSetLoadAxis(d->structureModel(), {{s.loads[0], axis}, {s.loads[2], axis}});
    });
    row("load member", [](DocumentModel* d, Setting& s) -> QUndoCommand* {
        return new CommandSetLoadMember(d->structureModel(), {{s.loads[0], s.members[2]}});
    });
    row("member axis", [](DocumentModel* d, Setting& s) -> QUndoCommand* {
        const MemberAxisRef axis(new MemberAxis(Axis(Vector3(0, 0, 0), s.nodes[3], true, false)));
        return new CommandSetMemberAxis(d->structureModel(), {{s.members[0], axis}});
    });
    row("member pins", [](DocumentModel* d, Setting& s) -> QUndoCommand* {
        return new CommandSetMemberPins(d->structureModel(), {{s.members[1], qMakePair(Dof(15), Dof(63))}});
    });
    row("member section type", [](DocumentModel* d, Setting& s) -> QUndoCommand* {
        return new CommandSetMemberSectionType(d->structureModel(), {{s.members[2], SectionTypeRef()}});
    });
    row("node support", [](DocumentModel* d, Setting& s) -> QUndoCommand* {
        return new CommandSetNodeSupport(d->structureModel(), {{s.nodes[0], SupportRef(new Support("Fixed", 63))}});
    });
    row("all pairs", [](DocumentModel* d, Setting& s) -> QUndoCommand* {
        return new CommandSetLoadPositionedForceAtAllIndices(d->structureModel(), {{s.loads[2], {{0, -1}, {0.5, -2}}}});
    });
    row("trapezoid spans", [](DocumentModel* d, Setting& s) -> QUndoCommand* {
        return new CommandSetTrapezoidLoadsSpan(d->structureModel(), {{s.loads[2], TrapezoidLoad::Span(0.1, 0.4)}},
                                                false);
    });
    row("force at index", [](DocumentModel* d, Setting& s) -> QUndoCommand* {
        return new CommandSetLoadForceAtIndex(d->structureModel(), {{s.loads[2], 0.0}, {s.loads[0], 5.0}}, true, 1);
    });
    row("position past its neighbour", [](DocumentModel* d, Setting& s) -> QUndoCommand* {
        return new CommandSetLoadPositionAtIndex(d->structureModel(), {{s.loads[2], 0.9}}, false, 0);
    });

    row("select", [](DocumentModel* d, Setting& s) -> QUndoCommand* {
        return new CommandSelect(d->selectionModel(), {s.members[0], s.loads[2]}, {{s.loads[2], 2}});
    });
    row("deselect master and middle", [](DocumentModel* d, Setting& s) -> QUndoCommand* {
        return new CommandDeselect(d->selectionModel(), {s.nodes[2], s.members[1]});
    });
    row("clear all selection", [](DocumentModel* d, Setting&) -> QUndoCommand* {
        return new CommandClearAllSelection(d->selectionModel());
    });
    row("toggle a selected object", [](DocumentModel* d, Setting& s) -> QUndoCommand* {
        return new CommandToggleSelectObject(d->selectionModel(), s.members[1], -1);
    });
    row("toggle an unselected object", [](DocumentModel* d, Setting& s) -> QUndoCommand* {
        return new CommandToggleSelectObject(d->selectionModel(), s.members[2], -1);
    });
    row("move selected index", [](DocumentModel* d, Setting& s) -> QUndoCommand* {
        return new CommandMoveSelectedIndex(d->selectionModel(), s.nodes[0], -1);
    });
    row("swap selected indices", [](DocumentModel* d, Setting& s) -> QUndoCommand* {
        return new CommandSwapSelectedIndices(d->selectionModel(), s.nodes[0], s.loads[0]);
    });

    row("append group", [](DocumentModel* d, Setting&) -> QUndoCommand* {
        return new CommandAppendGroup(d->libraries()->groupLibrary(), GroupRef(new GeometryGroup("Bracing")));
    });
    row("remove group", [](DocumentModel* d, Setting& s) -> QUndoCommand* {
        return new CommandRemoveGroup(d->libraries()->groupLibrary(), s.group);
    });
    row("append load case", [](DocumentModel* d, Setting&) -> QUndoCommand* {
        return new CommandAppendLoadCase(d->libraries()->loadCaseLibrary(), LoadCaseRef(new Loading("Wind")));
    });
    row("remove load case", [](DocumentModel* d, Setting& s) -> QUndoCommand* {
        return new CommandRemoveLoadCase(d->libraries()->loadCaseLibrary(), s.sway);
    });
    row("append material", [](DocumentModel* d, Setting&) -> QUndoCommand* {
        return new CommandAppendMaterial(d->libraries()->materialLibrary(),
                                         MaterialRef(new Material({"Oak"}, 11e9, 0.7e9, 700, 5e-6)));
    });
    row("remove material", [](DocumentModel* d, Setting& s) -> QUndoCommand* {
        return new CommandRemoveMaterial(d->libraries()->materialLibrary(), s.material);
    });
    row("rename group", [](DocumentModel* d, Setting& s) -> QUndoCommand* {
        return new CommandRenameGroup(d->libraries()->groupLibrary(), s.group, "Portal frame");
    });
    row("rename load case", [](DocumentModel* d, Setting& s) -> QUndoCommand* {
        return new CommandRenameLoadCase(d->libraries()->loadCaseLibrary(), s.combination, "ULS");
    });
    row("rename material", [](DocumentModel* d, Setting& s) -> QUndoCommand* {
        return new CommandRenameMaterial(d->libraries()->materialLibrary(), s.material, {"S355", "Steel"});
    });
    row("group colour", [](DocumentModel* d, Setting& s) -> QUndoCommand* {
        return new CommandSetGeometryGroupColour(d->libraries()->groupLibrary(), s.group, QColor(Qt::red));
    });
    row("group analysis purpose", [](DocumentModel* d, Setting& s) -> QUndoCommand* {
        return new CommandSetGeometryGroupAnalysisPurpose(d->libraries()->groupLibrary(), s.group, false);
    });
    row("load case colour", [](DocumentModel* d, Setting& s) -> QUndoCommand* {
        return new CommandSetLoadCaseColour(d->libraries()->loadCaseLibrary(), s.loading, QColor(Qt::green));
    });
    row("material properties", [](DocumentModel* d, Setting& s) -> QUndoCommand* {
        return new CommandSetMaterialProperties(d->libraries()->materialLibrary(), s.material,
                                                Material({"Ignored"}, 200e9, 80e9, 7800, 11e-6));
    });
    row("super load case factors", [](DocumentModel* d, Setting& s) -> QUndoCommand* {
        return new CommandSetSuperLoadCaseFactors(d->libraries()->loadCaseLibrary(), s.combination,
                                                  {{s.loading, 1.35}});
    });
    row("sway components", [](DocumentModel* d, Setting& s) -> QUndoCommand* {
        return new CommandSetSwayCaseComponents(d->libraries()->loadCaseLibrary(), s.sway, SwayCase::X, SwayCase::Z);
    });
    row("combination second order", [](DocumentModel* d, Setting& s) -> QUndoCommand* {
        return new CommandSetCombinationSecondOrder(d->libraries()->loadCaseLibrary(), s.combination, true);
    });

    row("titles", [](DocumentModel* d, Setting&) -> QUndoCommand* {
        const TitlesRef edited(new Titles);
        edited->setTitle(0, 1, "Warehouse");
        edited->setNote("Checked");
        return new CommandSetTitles(d->titles(), edited);
    });
    row("store a view point", [](DocumentModel* d, Setting&) -> QUndoCommand* {
        return new CommandSetViewPointMemory(d->viewPointMemory(), 5, ViewPointRef(new ViewPoint));
    });
    row("clear a view point", [](DocumentModel* d, Setting&) -> QUndoCommand* {
        return new CommandSetViewPointMemory(d->viewPointMemory(), 2, ViewPointRef());
    });

    reportRow("append reports", [](DocumentModel* d, Setting&) -> QUndoCommand* {
        return new CommandAppendReports(d->reportModel(), {ReportRef(new Report)});
    });
    reportRow("remove reports", [](DocumentModel* d, Setting& s) -> QUndoCommand* {
        return new CommandRemoveReports(d->reportModel(), {s.report});
    });
    reportRow("insert item", [](DocumentModel* d, Setting& s) -> QUndoCommand* {
        return new CommandInsertItemIntoReport(d->reportModel(), s.report, s.report->rootBlock(),
                                               Report::ReportItemRef(new Report::ReportItem), s.items[1]);
    });
    reportRow("remove middle item", [](DocumentModel* d, Setting& s) -> QUndoCommand* {
        return new CommandRemoveItemFromReport(d->reportModel(), s.report, s.report->rootBlock(), s.items[1]);
    });
    reportRow("remove last item", [](DocumentModel* d, Setting& s) -> QUndoCommand* {
        return new CommandRemoveItemFromReport(d->reportModel(), s.report, s.report->rootBlock(), s.items[2]);
    });
    reportRow("insert load case", [](DocumentModel* d, Setting& s) -> QUndoCommand* {
        return new CommandInsertLoadCaseIntoReport(d->reportModel(), s.report, s.report->rootBlock(), s.combination,
                                                   s.loading);
    });
    reportRow("remove load case", [](DocumentModel* d, Setting& s) -> QUndoCommand* {
        return new CommandRemoveLoadCaseFromReport(d->reportModel(), s.report, s.report->rootBlock(), s.loading);
    });
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

void TestCommands::movesMergeOnlyWhenNodesAndFactorsAgree_data()
{
    QTest::addColumn<bool>("firstMerges");
    QTest::addColumn<bool>("secondMerges");
    QTest::addColumn<bool>("sameNodes");
    QTest::addColumn<double>("secondFactor");
    QTest::addColumn<int>("steps");
    QTest::newRow("same drag") << true << true << true << 1.0 << 1;
    QTest::newRow("other nodes") << true << true << false << 1.0 << 2;
    QTest::newRow("factor off by one bit") << true << true << true << std::nextafter(1.0, 2.0) << 2;
    QTest::newRow("NaN factor") << true << true << true << std::nan("") << 2;
    QTest::newRow("first without flag") << false << true << true << 1.0 << 2;
    QTest::newRow("second without flag") << true << false << true << 1.0 << 2;
}

void TestCommands::movesMergeOnlyWhenNodesAndFactorsAgree()
{
    QFETCH(bool, firstMerges);
    QFETCH(bool, secondMerges);
    QFETCH(bool, sameNodes);
    QFETCH(double, secondFactor);
    QFETCH(int, steps);
    const QSharedPointer<DocumentModel> document = newDocument();
    Frame frame(document.data());
    const NodeRef second = sameNodes ? frame.nodes[1] : frame.nodes[2];
    pushCommand(document.data(), new CommandMoveNodesBy(document->structureModel(), {{frame.nodes[1], 1.0}},
                                                        Vector3(1, 0, 0), firstMerges));
    pushCommand(document.data(), new CommandMoveNodesBy(document->structureModel(), {{second, secondFactor}},
                                                        Vector3(1, 0, 0), secondMerges));
    QCOMPARE(document->structureUndoStack()->count(), steps);
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
        pushCommand(document.data(), new CommandSetTrapezoidLoadsSpan(document->structureModel(), {{load, span}}, true));
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

    pushCommand(document.data(), new CommandSetMaterialProperties(document->libraries()->materialLibrary(),
                                                                  frame.material,
                                                                  Material({}, 190e9, 75e9, 7850, 12e-6)));
    QCOMPARE(frame.material->youngsModulus(), 190e9);
    QCOMPARE(frame.material->names(), QStringList{"Steel"});
    QCOMPARE(document->stiffnessSum(), stiffness + 1);
    QCOMPARE(document->loadingSum(), loading);

    document->structureUndoStack()->undo();
    QCOMPARE(frame.material->youngsModulus(), 210e9);
    QCOMPARE(document->stiffnessSum(), stiffness + 2);
}

QTEST_MAIN(TestCommands)
#include "tst_commands.moc"
