#include "EditingTesting.h"

#include "Combination.h"
#include "GeometryGroup.h"
#include "GroupLibrary.h"
#include "Material.h"
#include "MaterialLibrary.h"
#include "ReportModel.h"
#include "ViewPointMemory.h"
#include "TestMain.h"

#include <QtTest>

// Library entries, then reports and view points and their undo stacks.
class TestLibrary : public QObject
{
    Q_OBJECT

private slots:
    void usedGroupIsKept();
    void usedLoadCaseIsKept();
    void nullEntriesAndSelfAppliedOnesAreIgnored();
    void addingAHeldEntryAgainRecordsNothing();
    void applyingAGroupIsOneStep();
    void applyingACombinationKeepsItsSecondOrderFlag();
    void reportEditsStayOnTheirOwnStack();
    void removedItemsReturnToTheirPlace();
};

void TestLibrary::usedGroupIsKept()
{
    Bench d;
    const QSharedPointer<GroupLibrary> groups = d.doc->libraries()->groupLibrary();
    const GeometryGroupRef used(VaroObject::make<GeometryGroup>(QStringLiteral("Used")));
    const GeometryGroupRef other(VaroObject::make<GeometryGroup>(QStringLiteral("Other")));
    groups->append(used);
    groups->append(other);
    const NodeRef node = d.node(0, 0, 0);
    node->setGeometryGroup(used);

    d.actions->actionRemoveGroup(used);
    QVERIFY(groups->geometryGroups().contains(used));
    QCOMPARE(d.stack()->count(), 0);
    QVERIFY(!d.doc->isModified());

    // Undone, the group returns to its place in the library.
    node->setGeometryGroup(other);
    const QList<GeometryGroupRef> before = groups->geometryGroups();
    d.actions->actionRemoveGroup(used);
    QVERIFY(!groups->geometryGroups().contains(used));
    QCOMPARE(d.stack()->undoText(), QStringLiteral("Remove group"));
    d.actions->actionUndo();
    QCOMPARE(groups->geometryGroups(), before);
}

void TestLibrary::usedLoadCaseIsKept()
{
    Bench d;
    const QSharedPointer<LoadCaseLibrary> cases = d.doc->libraries()->loadCaseLibrary();
    const LoadingRef loading = d.loading();
    const CombinationRef combination(VaroObject::make<Combination>(QStringLiteral("C")));
    combination->addFactor(loading, 1.5);
    cases->append(combination);

    d.actions->actionRemoveLoadCase(loading);
    QVERIFY(cases->loadings().contains(loading));

    d.actions->actionRemoveLoadCase(combination);
    QVERIFY(!cases->combinations().contains(combination));
    d.actions->actionUndo();

    // Now a load uses it instead.
    combination->setFactors({});
    const QSharedPointer<PointLoad> load = PointLoad::makeDefault(loading);
    load->setMember(d.beam(1).first());
    d.doc->structureModel()->appendObjects({load});
    d.actions->actionRemoveLoadCase(loading);
    QVERIFY(cases->loadings().contains(loading));
    QCOMPARE(d.stack()->count(), 1);
    QVERIFY(d.warnings.isEmpty());

    // A report that lists a case keeps it too.
    d.doc->structureModel()->removeObjects({load});
    d.actions->actionAddReport();
    const ReportRef report = d.doc->reportModel()->reports().first();
    d.actions->actionInsertLoadCaseIntoReport(report, report->rootBlock(), loading);
    d.actions->actionRemoveLoadCase(loading);
    QVERIFY(cases->loadings().contains(loading));
    QCOMPARE(d.stack()->count(), 1);
}

void TestLibrary::nullEntriesAndSelfAppliedOnesAreIgnored()
{
    Bench d;
    LoadingRef loading = d.loading();
    d.actions->actionApplyLoading(loading, loading);
    d.actions->actionAddGroup(GroupRef());
    d.actions->actionAddLoadCase(LoadCaseRef());
    d.actions->actionAddMaterial(MaterialRef());
    d.actions->actionRemoveGroup(GroupRef());
    d.actions->actionRemoveLoadCase(LoadCaseRef());
    d.actions->actionRemoveMaterial(MaterialRef());
    GeometryGroupRef none;
    d.actions->actionApplyGeometryGroup(none, VaroObject::make<GeometryGroup>());
    d.actions->actionSetMaterialProperties(MaterialRef(), Material());
    QCOMPARE(d.stack()->count(), 0);
}

void TestLibrary::addingAHeldEntryAgainRecordsNothing()
{
    // Undoing a second addition of the same entry would take the first away.
    Bench d;
    const LoadingRef loading = d.loading();
    const MaterialRef material(new Material(QStringList{QStringLiteral("Timber C24")}, 1.1e10, 4e9, 420, 5e-6));
    d.actions->actionAddMaterial(material);
    QCOMPARE(d.stack()->count(), 1);
    d.actions->actionAddMaterial(material);
    d.actions->actionAddLoadCase(loading);
    QCOMPARE(d.stack()->count(), 1);
    d.actions->actionUndo();
    QVERIFY(d.doc->libraries()->loadCaseLibrary()->loadings().contains(loading));
    QVERIFY(!d.doc->libraries()->materialLibrary()->findItemByValue(
        d.doc->libraries()->materialLibrary()->root(), material));
}

void TestLibrary::applyingAGroupIsOneStep()
{
    Bench d;
    GeometryGroupRef group(VaroObject::make<GeometryGroup>(QStringLiteral("Frame")));
    d.actions->actionAddGroup(group);
    QCOMPARE(d.stack()->undoText(), QStringLiteral("Add group"));
    const GeometryGroupRef copy(VaroObject::make<GeometryGroup>(*group));
    copy->setName(QStringLiteral("Bracing"));
    copy->setAnalysisPurpose(false);
    copy->setColour(Qt::red);

    d.actions->actionApplyGeometryGroup(group, copy);
    QCOMPARE(group->name(), QStringLiteral("Bracing"));
    QVERIFY(!group->hasAnalysisPurpose());
    QCOMPARE(group->colour(), QColor(Qt::red));
    QCOMPARE(d.stack()->count(), 2);
    QCOMPARE(d.stack()->command(1)->childCount(), 3);
    QCOMPARE(d.stack()->undoText(), QStringLiteral("Apply group"));

    d.actions->actionUndo();
    QCOMPARE(group->name(), QStringLiteral("Frame"));
    QVERIFY(group->hasAnalysisPurpose());
    QCOMPARE(group->colour(), QColor("steelblue"));
}

void TestLibrary::applyingACombinationKeepsItsSecondOrderFlag()
{
    Bench d;
    CombinationRef combination(VaroObject::make<Combination>(QStringLiteral("C")));
    combination->setSecondOrder(true);
    d.actions->actionAddLoadCase(combination);
    const CombinationRef copy(VaroObject::make<Combination>(QStringLiteral("D")));
    copy->addFactor(d.loading(), 1.35);

    d.actions->actionApplyCombination(combination, copy);
    QCOMPARE(combination->name(), QStringLiteral("D"));
    QVERIFY(combination->isSecondOrder());
    QCOMPARE(combination->factors().value(d.loading()), 1.35);
    d.actions->actionUndo();
    QVERIFY(combination->factors().isEmpty());
    QVERIFY(combination->isSecondOrder());
}

void TestLibrary::reportEditsStayOnTheirOwnStack()
{
    Bench d;
    d.actions->actionSetViewPointMemory(1, ViewPointRef(new ViewPoint));
    d.actions->actionAddReport();
    QCOMPARE(d.doc->reportModel()->reports().size(), 1);
    QCOMPARE(d.doc->reportUndoStack()->count(), 1);
    QCOMPARE(d.stack()->count(), 1);

    d.actions->actionUndo();
    QCOMPARE(d.doc->reportModel()->reports().size(), 1);
    QVERIFY(!d.doc->viewPointMemory()->valueAt(1));
    QVERIFY(d.doc->isModified());

    d.actions->actionDeleteReport(d.doc->reportModel()->reports().first());
    QVERIFY(d.doc->reportModel()->reports().isEmpty());
}

void TestLibrary::removedItemsReturnToTheirPlace()
{
    const int removed = 1; // the middle one
    Bench d;
    d.actions->actionAddReport();
    const ReportRef report = d.doc->reportModel()->reports().first();
    const Report::ReportBlockRef block = report->rootBlock();
    QList<Report::ReportItemRef> items;
    for (const QString& chapter : {Report::ChapterNodeInput, Report::ChapterMemberInput, Report::ChapterLoadInput}) {
        items.append(Report::ReportItemRef(new Report::ReportItem(chapter)));
        d.actions->actionInsertItemIntoReport(report, block, items.last());
    }
    // Inserting one again changes nothing; a null neighbour appends.
    d.actions->actionInsertItemIntoReport(report, block, items[0], items[2]);
    QCOMPARE(block->items(), items);

    d.actions->actionRemoveItemFromReport(report, block, items[removed]);
    QCOMPARE(block->items().size(), 2);
    d.doc->reportUndoStack()->undo();
    QCOMPARE(block->items(), items);

    const LoadCaseRef loading = d.loading();
    d.actions->actionInsertLoadCaseIntoReport(report, block, loading);
    QCOMPARE(block->loadCases(), QList<LoadCaseRef>{loading});
    d.actions->actionRemoveLoadCaseFromReport(report, block, loading);
    QVERIFY(block->loadCases().isEmpty());
    QCOMPARE(d.stack()->count(), 0);
}

VARO_TEST_MAIN(TestLibrary)
#include "tst_library.moc"
