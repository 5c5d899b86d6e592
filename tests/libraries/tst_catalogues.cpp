#include "Combination.h"
#include "GeometryGroup.h"
#include "GravityCase.h"
#include "GroupLibrary.h"
#include "Libraries.h"
#include "LoadAxisLibrary.h"
#include "LoadCaseLibrary.h"
#include "Loading.h"
#include "MaterialLibrary.h"
#include "MemberAxisLibrary.h"
#include "MemberPinLibrary.h"
#include "Node.h"
#include "SectionLibrary.h"
#include "SupportLibrary.h"
#include "SwayCase.h"

#include <QSignalSpy>
#include <QtTest>

namespace {

// The item names of a subtree in depth-first order, branches included.
template <class L>
QStringList itemNames(const TreeNodeRef& node)
{
    QStringList names;
    for (const TreeNodeRef& subnode : node->subnodes()) {
        if (const typename L::ItemRef item = subnode.template dynamicCast<typename L::Item>())
            names << item->name();
        names << itemNames<L>(subnode);
    }
    return names;
}

template <class L>
QStringList entryNames(const L& library, const TreeNodeRef& node)
{
    QStringList names;
    for (const auto& entry : library.valuesOf(node))
        names << entry->name();
    return names;
}

bool unique(const QStringList& names)
{
    QSet<QString> lowered;
    for (const QString& name : names)
        lowered << name.toLower();
    return lowered.size() == names.size();
}

} // namespace

class TestCatalogues : public QObject
{
    Q_OBJECT

private slots:
    void builtInEntriesInOrder();
    void builtInNamesStayUniqueInLowerCase();
    void standardMaterialsPassTheAnalysis();
    void towardsMasterNodeFollowsTheNode();
    void groupsGoToTheGeometryBranch();
    void loadCasesGoToTheBranchOfTheirClass();
    void uniqueNamesSkipUsedNumbers();
    void anEntryEditGivesOneChanged();
    void librariesShareTheirMaterials();
};

void TestCatalogues::builtInEntriesInOrder()
{
    const LoadAxisLibrary loadAxes;
    QCOMPARE(entryNames(loadAxes, loadAxes.root()),
             (QStringList{"In global X", "In global Y", "In global Z", "In local X (longitudinal)",
                          "In local Y (major axis)", "In local Z (minor axis)", "Around global X",
                          "Around global Y", "Around global Z", "Bending of major axis", "Bending of minor axis",
                          "Torsion"}));
    // Gravity acts along global Y: a load read with that axis finds its entry.
    const Axis gravity(Vector3(0, 1, 0), NodeRef(), true, false);
    QCOMPARE(loadAxes.findItem(loadAxes.root(), LoadAxis::isAxisEqualTo, gravity, false)->name(),
             QString("In global Y"));

    const MemberAxisLibrary memberAxes;
    QCOMPARE(memberAxes.root()->subnodeCount(), 2);
    QCOMPARE(entryNames(memberAxes, memberAxes.root()->subnode(0)),
             (QStringList{"Along X", "Along Y", "Along Z", "In X-Y plane", "In X-Z plane", "In Y-Z plane"}));
    QCOMPARE(MemberAxisLibrary::subnodeItem(memberAxes.root()->subnode(1), 0)->name(),
             QString("Towards master node"));
    QVERIFY(!MemberAxisLibrary::subnodeItem(memberAxes.root(), 1)->value());

    const MemberPinLibrary pins;
    QCOMPARE(entryNames(pins, pins.root()), (QStringList{"Rigid", "Pinned"}));
    QCOMPARE(pins.valuesOf(pins.root())[0]->dof().mask, 63);
    QCOMPARE(pins.valuesOf(pins.root())[1]->dof().mask, 15);

    const SupportLibrary supports;
    const QStringList supportNames = entryNames(supports, supports.root());
    QCOMPARE(supportNames.size(), 13);
    for (const QString& name :
         QStringList{"Fully Fixed", "Fully Pinned", "Moment-resisting roller in X", "Restrained in Z", "Unrestrained"})
        QVERIFY2(supportNames.contains(name), qPrintable(name));
    // A picker highlights the first entry of an equal mask: equal masks would hide one.
    QSet<int> masks;
    for (const SupportRef& support : supports.valuesOf(supports.root()))
        masks << support->dof().mask;
    QCOMPARE(masks.size(), 13);
    QCOMPARE(supports.findItem(supports.root(), Support::isDofEqualTo, Dof(0), false)->name(), QString("Unrestrained"));

    const MaterialLibrary materials;
    QCOMPARE(materials.root()->subnodeCount(), 2);
    QVERIFY(!MaterialLibrary::subnodeItem(materials.root(), 0)->value());
    QVERIFY(!MaterialLibrary::subnodeItem(materials.root(), 1)->value());
    QCOMPARE(materials.valuesOf(materials.root()->subnode(0)).size(), 9);
    QCOMPARE(materials.root()->subnode(1)->subnodeCount(), 0);
    QVERIFY(materials.standardMaterial("concrete (25)"));
}

void TestCatalogues::builtInNamesStayUniqueInLowerCase()
{
    // Scripts and picker cells address entries by their lower-cased names.
    const Libraries libraries;
    const QList<QStringList> lists{
        itemNames<LoadAxisLibrary>(libraries.loadAxisLibrary()->root()),
        itemNames<MemberAxisLibrary>(libraries.memberAxisLibrary()->root()),
        itemNames<MemberPinLibrary>(libraries.memberPinLibrary()->root()),
        itemNames<SupportLibrary>(libraries.supportLibrary()->root()),
        itemNames<MaterialLibrary>(libraries.materialLibrary()->root()),
    };
    for (const QStringList& names : lists)
        QVERIFY2(unique(names), qPrintable(names.join(", ")));

    // Section names are chosen level by level: country, category, size.
    const auto section = libraries.sectionLibrary();
    QStringList countries;
    for (const SectionLibrary::ItemRef& country : SectionLibrary::castItems(section->root()->subnodes())) {
        QStringList categories;
        for (const SectionLibrary::ItemRef& category : SectionLibrary::castItems(country->subnodes())) {
            categories << category->name();
            QStringList sizes;
            for (const SectionLibrary::ItemRef& size : SectionLibrary::castItems(category->subnodes()))
                sizes << size->name();
            QVERIFY2(unique(sizes), qPrintable(category->name()));
        }
        QVERIFY2(unique(categories), qPrintable(country->name()));
        countries << country->name();
    }
    QVERIFY(unique(countries));
}

void TestCatalogues::standardMaterialsPassTheAnalysis()
{
    const MaterialLibrary library;
    for (const MaterialRef& m : library.valuesOf(library.root()->subnode(0))) {
        QVERIFY2(m->isValid(), qPrintable(m->name()));
        // Poisson's ratio E/2G - 1 of a real isotropic material.
        const double nu = m->youngsModulus() / (2.0 * m->shearModulus()) - 1.0;
        QVERIFY2(nu > 0.15 && nu < 0.35, qPrintable(m->name()));
        QVERIFY2(m->density() > 2000.0 && m->density() < 9000.0, qPrintable(m->name()));
        QVERIFY2(m->cte() > 5e-6 && m->cte() < 30e-6, qPrintable(m->name()));
    }
}

void TestCatalogues::towardsMasterNodeFollowsTheNode()
{
    MemberAxisLibrary library;
    QSignalSpy changed(&library, &TreeLibrary_base::Changed);
    const TreeNodeRef branch = library.root()->subnode(1);
    const MemberAxisRef before = MemberAxisLibrary::subnodeItem(branch, 0)->value();
    QVERIFY(!before->axis().node());

    const NodeRef node(new Node);
    library.setNodeC(node);
    QCOMPARE(changed.count(), 1);
    const MemberAxisRef after = MemberAxisLibrary::subnodeItem(branch, 0)->value();
    QVERIFY(after != before);  // a member holding the old entry keeps its axis
    QVERIFY(!before->axis().node());
    QCOMPARE(after->axis().node(), node);
    QCOMPARE(after->name(), QString("Towards master node"));
    const Axis towards(Vector3(0, 0, 0), node, true, false);
    QCOMPARE(library.findItem(library.root(), MemberAxis::isAxisEqualTo, towards, true)->value(), after);

    library.setNodeC(node); // no change, no signal
    QCOMPARE(changed.count(), 1);
    library.setNodeC(NodeRef());
    QCOMPARE(changed.count(), 2);
    QVERIFY(!MemberAxisLibrary::subnodeItem(branch, 0)->value()->axis().node());
}

void TestCatalogues::groupsGoToTheGeometryBranch()
{
    GroupLibrary library;
    const GeometryGroupRef a(new GeometryGroup("A")), b(new GeometryGroup("B"));
    QVERIFY(library.append(a));
    QVERIFY(library.append(b));
    QVERIFY(!library.append(GroupRef(new Group("plain"))));
    QVERIFY(!library.append(GroupRef()));
    QVERIFY(!library.remove(GroupRef()));
    QCOMPARE(library.geometryGroups(), (QList<GeometryGroupRef>{a, b}));
    QCOMPARE(library.root()->subnode(0)->subnodeCount(), 2);

    QVERIFY(library.remove(a));
    QVERIFY(!library.remove(a));
    QVERIFY(library.append(a)); // an undone removal goes to the end
    QCOMPARE(library.geometryGroups(), (QList<GeometryGroupRef>{b, a}));
}

void TestCatalogues::loadCasesGoToTheBranchOfTheirClass()
{
    LoadCaseLibrary library;
    const LoadCaseRef loading(new Loading("L")), gravity(new GravityCase("G")), sway(new SwayCase("S")),
        combination(new Combination("C"));
    for (const LoadCaseRef& loadCase : {combination, sway, gravity, loading})
        QVERIFY(library.append(loadCase));
    QVERIFY(!library.append(loading));
    QVERIFY(!library.append(LoadCaseRef()));
    QCOMPARE(library.loadings(), QList<LoadCaseRef>{loading});
    QCOMPARE(library.autoCases(), QList<LoadCaseRef>{gravity});
    QCOMPARE(library.swayCases(), QList<LoadCaseRef>{sway});
    QCOMPARE(library.combinations(), QList<LoadCaseRef>{combination});
    for (int i = 0; i < 4; ++i)
        QCOMPARE(library.root()->subnode(i)->subnodeCount(), 1);

    QVERIFY(library.remove(sway));
    QVERIFY(library.swayCases().isEmpty());
    QCOMPARE(library.findItemByValue(library.root(), gravity)->parentNode(), library.root()->subnode(1).data());
}

void TestCatalogues::uniqueNamesSkipUsedNumbers()
{
    LoadCaseLibrary loadCases;
    for (const QString& name : QStringList{"Loading 1", "Loading 3"})
        loadCases.append(LoadCaseRef(new Loading(name)));
    loadCases.append(LoadCaseRef(new SwayCase("Sway 1")));
    QCOMPARE(loadCases.uniqueLoadingName(), QString("Loading 2"));
    QCOMPARE(loadCases.uniqueSwayCaseName(), QString("Sway 2"));
    QCOMPARE(loadCases.uniqueCombinationName(), QString("Combination 1"));

    GroupLibrary groups;
    groups.append(GeometryGroupRef(new GeometryGroup("Geometry 1")));
    groups.append(GeometryGroupRef(new GeometryGroup("Geometry 2")));
    QCOMPARE(groups.uniqueGeometryGroupName(), QString("Geometry 3"));

    MaterialLibrary materials;
    QCOMPARE(materials.uniqueMaterialName(), QString("Material 1"));
    materials.appendCustom(MaterialRef(new Material({"material 1"}, 1, 1, 1, 1)));
    QCOMPARE(materials.uniqueMaterialName(), QString("Material 2"));
    QVERIFY(!materials.appendCustom(MaterialRef()));
    QVERIFY(!materials.removeCustom(materials.standardMaterial("Steel S275"))); // built-ins stay
}

void TestCatalogues::anEntryEditGivesOneChanged()
{
    // A command edits the entry, then announces it through the holding item;
    // the document counts one change for it.
    Libraries libraries;
    const GeometryGroupRef group(new GeometryGroup("G"));
    const LoadCaseRef loading(new Loading("L"));
    const MaterialRef material(new Material({"M"}, 1, 1, 1, 1));

    QSignalSpy groupChanged(libraries.groupLibrary().data(), &TreeLibrary_base::Changed);
    QSignalSpy loadCaseChanged(libraries.loadCaseLibrary().data(), &TreeLibrary_base::Changed);
    QSignalSpy materialChanged(libraries.materialLibrary().data(), &TreeLibrary_base::Changed);
    libraries.groupLibrary()->append(group);
    libraries.loadCaseLibrary()->append(loading);
    libraries.materialLibrary()->appendCustom(material);
    QCOMPARE(groupChanged.count() + loadCaseChanged.count() + materialChanged.count(), 3);

    group->setName("G2");
    libraries.groupLibrary()->findItemByValue(libraries.groupLibrary()->root(), group)->propagateEmitValueChanged();
    QCOMPARE(groupChanged.count(), 2);

    const auto materials = libraries.materialLibrary();
    material->setYoungsModulus(2.0);
    materials->findItemByValue(MaterialLibrary::subnodeItem(materials->root(), 1), material)->propagateEmitValueChanged();
    QCOMPARE(materialChanged.count(), 2);

    // A standard material edited in place counts the same way.
    const MaterialRef steel = materials->standardMaterial("Steel S275");
    materials->findItemByValue(materials->root(), steel)->propagateEmitValueChanged();
    QCOMPARE(materialChanged.count(), 3);

    libraries.loadCaseLibrary()->remove(loading);
    QCOMPARE(loadCaseChanged.count(), 2);
    QCOMPARE(groupChanged.count(), 2);
}

void TestCatalogues::librariesShareTheirMaterials()
{
    const Libraries libraries;
    const TreeNodeRef ub = libraries.sectionLibrary()->root()->subnode(0)->subnode(0);
    const MaterialRef material = SectionLibrary::subnodeItem(ub, 0)->value()->material();
    QVERIFY(libraries.materialLibrary()->findItemByValue(libraries.materialLibrary()->root(), material));
}

QTEST_GUILESS_MAIN(TestCatalogues)
#include "tst_catalogues.moc"
