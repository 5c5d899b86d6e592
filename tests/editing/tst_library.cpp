#include "ActionDocument.h"

#include "Combination.h"
#include "GeometryGroup.h"
#include "GroupLibrary.h"
#include "Material.h"
#include "MaterialLibrary.h"
#include "PointLoad.h"
#include "Titles.h"
#include "TreeLibrary.h"
#include "TreeNode.h"

#include <QtTest>

class TestLibrary : public QObject
{
    Q_OBJECT

private slots:
    void usedGroupIsKept();
    void usedLoadCaseIsKept();
    void nullEntriesAreIgnored();
    void addingAHeldEntryAgainRecordsNothing();
    void applyingTheSameObjectChangesNothing();
    void applyingAGroupIsOneStep();
    void applyingACombinationKeepsItsSecondOrderFlag();
    void removedMaterialComesBackLast();
    void titlesFromTheEditedCopy();
};

void TestLibrary::usedGroupIsKept()
{
    ActionDocument d;
    const QSharedPointer<GroupLibrary> groups = d.document->libraries()->groupLibrary();
    const GeometryGroupRef used(new GeometryGroup(QStringLiteral("Used")));
    const GeometryGroupRef other(new GeometryGroup(QStringLiteral("Other")));
    groups->append(used);
    groups->append(other);
    const NodeRef node = d.addNode(0, 0, 0);
    node->setGeometryGroup(used);

    d.actions->actionRemoveGroup(used);
    QVERIFY(groups->geometryGroups().contains(used));
    QCOMPARE(d.undoStack()->count(), 0);
    QVERIFY(!d.document->isModified());

    node->setGeometryGroup(other);
    d.actions->actionRemoveGroup(used);
    QVERIFY(!groups->geometryGroups().contains(used));
    QCOMPARE(d.undoStack()->undoText(), QStringLiteral("Remove group"));
    d.actions->actionUndo();
    QCOMPARE(groups->geometryGroups().last(), used);
}

void TestLibrary::usedLoadCaseIsKept()
{
    ActionDocument d;
    const QSharedPointer<LoadCaseLibrary> cases = d.document->libraries()->loadCaseLibrary();
    const LoadingRef loading = d.loading();
    const CombinationRef combination(new Combination(QStringLiteral("C")));
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
    load->setMember(d.addBeam(1).first());
    d.document->structureModel()->appendObjects({load});
    d.actions->actionRemoveLoadCase(loading);
    QVERIFY(cases->loadings().contains(loading));
    QCOMPARE(d.undoStack()->count(), 1);
    QVERIFY(d.warnings.isEmpty());
}

void TestLibrary::nullEntriesAreIgnored()
{
    ActionDocument d;
    d.actions->actionAddGroup(GroupRef());
    d.actions->actionAddLoadCase(LoadCaseRef());
    d.actions->actionAddMaterial(MaterialRef());
    d.actions->actionRemoveGroup(GroupRef());
    d.actions->actionRemoveLoadCase(LoadCaseRef());
    d.actions->actionRemoveMaterial(MaterialRef());
    GeometryGroupRef none;
    d.actions->actionApplyGeometryGroup(none, GeometryGroupRef(new GeometryGroup));
    d.actions->actionSetMaterialProperties(MaterialRef(), Material());
    QCOMPARE(d.undoStack()->count(), 0);
}

void TestLibrary::addingAHeldEntryAgainRecordsNothing()
{
    // Undoing a second addition of the same entry would take the first away.
    ActionDocument d;
    const LoadingRef loading = d.loading();
    const MaterialRef material(new Material(QStringList{QStringLiteral("Timber C24")}, 1.1e10, 4e9, 420, 5e-6));
    d.actions->actionAddMaterial(material);
    QCOMPARE(d.undoStack()->count(), 1);
    d.actions->actionAddMaterial(material);
    d.actions->actionAddLoadCase(loading);
    QCOMPARE(d.undoStack()->count(), 1);
    d.actions->actionUndo();
    QVERIFY(d.document->libraries()->loadCaseLibrary()->loadings().contains(loading));
    QVERIFY(!d.document->libraries()->materialLibrary()->findItemByValue(
        d.document->libraries()->materialLibrary()->root(), material));
}

void TestLibrary::applyingTheSameObjectChangesNothing()
{
    ActionDocument d;
    LoadingRef loading = d.loading();
    d.actions->actionApplyLoading(loading, loading);
    QCOMPARE(d.undoStack()->count(), 0);
}

void TestLibrary::applyingAGroupIsOneStep()
{
    ActionDocument d;
    GeometryGroupRef group(new GeometryGroup(QStringLiteral("Frame")));
    d.actions->actionAddGroup(group);
    QCOMPARE(d.undoStack()->undoText(), QStringLiteral("Add group"));
    const GeometryGroupRef copy(new GeometryGroup(*group));
    copy->setName(QStringLiteral("Bracing"));
    copy->setAnalysisPurpose(false);
    copy->setColour(Qt::red);

    d.actions->actionApplyGeometryGroup(group, copy);
    QCOMPARE(group->name(), QStringLiteral("Bracing"));
    QVERIFY(!group->hasAnalysisPurpose());
    QCOMPARE(group->colour(), QColor(Qt::red));
    QCOMPARE(d.undoStack()->count(), 2);
    QCOMPARE(d.undoStack()->command(1)->childCount(), 3);
    QCOMPARE(d.undoStack()->undoText(), QStringLiteral("Apply group"));

    d.actions->actionUndo();
    QCOMPARE(group->name(), QStringLiteral("Frame"));
    QVERIFY(group->hasAnalysisPurpose());
    QCOMPARE(group->colour(), QColor("steelblue"));
}

void TestLibrary::applyingACombinationKeepsItsSecondOrderFlag()
{
    ActionDocument d;
    CombinationRef combination(new Combination(QStringLiteral("C")));
    combination->setSecondOrder(true);
    d.actions->actionAddLoadCase(combination);
    const CombinationRef copy(new Combination(QStringLiteral("D")));
    copy->addFactor(d.loading(), 1.35);

    d.actions->actionApplyCombination(combination, copy);
    QCOMPARE(combination->name(), QStringLiteral("D"));
    QVERIFY(combination->isSecondOrder());
    QCOMPARE(combination->factors().value(d.loading()), 1.35);
    d.actions->actionUndo();
    QVERIFY(combination->factors().isEmpty());
    QVERIFY(combination->isSecondOrder());
}

void TestLibrary::removedMaterialComesBackLast()
{
    ActionDocument d;
    const QSharedPointer<MaterialLibrary> library = d.document->libraries()->materialLibrary();
    const MaterialRef first(new Material({QStringLiteral("First")}, 1, 1, 1, 1));
    const MaterialRef second(new Material({QStringLiteral("Second")}, 2, 2, 2, 2));
    d.actions->actionAddMaterial(first);
    d.actions->actionAddMaterial(second);
    d.actions->actionRemoveMaterial(first);
    d.actions->actionUndo();
    const TreeNodeRef custom = library->root()->subnode(1);
    QCOMPARE(custom->subnodeCount(), 2);
    QCOMPARE(custom->subnode(1).dynamicCast<TreeLibrary<MaterialRef>::Item>()->value(), first);

    MaterialRef target = second;
    const MaterialRef copy(new Material({QStringLiteral("Steel")}, 210e9, 81e9, 7850, 12e-6));
    d.actions->actionApplyMaterial(target, copy);
    QCOMPARE(second->names(), QStringList{QStringLiteral("Steel")});
    QCOMPARE(second->youngsModulus(), 210e9);
    d.actions->actionUndo();
    QCOMPARE(second->names(), QStringList{QStringLiteral("Second")});
    QCOMPARE(second->youngsModulus(), 2.0);
}

void TestLibrary::titlesFromTheEditedCopy()
{
    ActionDocument d;
    TitlesRef titles = d.document->titles();
    const TitlesRef copy(new Titles(*titles, nullptr));
    copy->setNote(QStringLiteral("Checked"));
    d.actions->actionApplyTitles(titles, copy);
    QCOMPARE(titles->note(), QStringLiteral("Checked"));
    QCOMPARE(d.undoStack()->undoText(), QStringLiteral("Set titles"));
    d.actions->actionUndo();
    QVERIFY(titles->note().isEmpty());
}

QTEST_MAIN(TestLibrary)
#include "tst_library.moc"
