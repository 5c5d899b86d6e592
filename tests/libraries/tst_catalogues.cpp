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
    void builtInEntries();
    void builtInNamesStayUniqueInLowerCase();
    void towardsMasterNodeFollowsTheNode();
    void entriesGoToTheirBranch();
    void uniqueNamesSkipUsedNumbers();
    void anEntryEditGivesOneChanged();
};

void TestCatalogues::builtInEntries()
{
    // Gravity acts along global Y: a load read with that axis finds its entry.
    const LoadAxisLibrary loadAxes;
    const Axis gravity(Vector3(0, 1, 0), NodeRef(), true, false);
    QCOMPARE(loadAxes.findItem(loadAxes.root(), LoadAxis::isAxisEqualTo, gravity, false)->name(),
             QString("In global Y"));

    const MemberPinLibrary pins;
    QCOMPARE(pins.valuesOf(pins.root())[0]->dof().mask, 63);
    QCOMPARE(pins.valuesOf(pins.root())[1]->dof().mask, 15);

    // A picker highlights the first entry of an equal mask: equal masks would hide one.
    const SupportLibrary supports;
    QSet<int> masks;
    for (const SupportRef& support : supports.valuesOf(supports.root()))
        masks << support->dof().mask;
    QCOMPARE(masks.size(), 13);
    QCOMPARE(supports.findItem(supports.root(), Support::isDofEqualTo, Dof(0), false)->name(), QString("Unrestrained"));

    const MaterialLibrary library;
    QVERIFY(library.standardMaterial("concrete (25)"));
    // Standard materials pass the analysis with values of real ones.
    for (const MaterialRef& m : library.valuesOf(library.root()->subnode(0))) {
        QVERIFY2(m->isValid(), qPrintable(m->name()));
        // Poisson's ratio E/2G - 1 of a real isotropic material.
        const double nu = m->youngsModulus() / (2.0 * m->shearModulus()) - 1.0;
        QVERIFY2(nu > 0.15 && nu < 0.35, qPrintable(m->name()));
        QVERIFY2(m->density() > 2000.0 && m->density() < 9000.0, qPrintable(m->name()));
        QVERIFY2(m->cte() > 5e-6 && m->cte() < 30e-6, qPrintable(m->name()));
    }

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
    std::function<void(const TreeNodeRef&)> verifyLevels = [&verifyLevels](const TreeNodeRef& node) {
        QStringList names;
        for (const SectionLibrary::ItemRef& item : SectionLibrary::castItems(node->subnodes())) {
            names << item->name();
            verifyLevels(item);
        }
        QVERIFY2(unique(names), qPrintable(names.join(", ")));
    };
    verifyLevels(libraries.sectionLibrary()->root());
    // Sizes are made of the materials of the same libraries.
    const TreeNodeRef ub = libraries.sectionLibrary()->root()->subnode(0)->subnode(0);
    const MaterialRef material = SectionLibrary::subnodeItem(ub, 0)->value()->material();
    QVERIFY(libraries.materialLibrary()->findItemByValue(libraries.materialLibrary()->root(), material));

}

void TestCatalogues::towardsMasterNodeFollowsTheNode()
{
    MemberAxisLibrary library;
    QSignalSpy changed(&library, &TreeLibrary_base::Changed);
    const TreeNodeRef branch = library.root()->subnode(1);
    const MemberAxisRef before = MemberAxisLibrary::subnodeItem(branch, 0)->value();

    const NodeRef node(new Node);
    library.setNodeC(node);
    QCOMPARE(changed.count(), 1);
    const MemberAxisRef after = MemberAxisLibrary::subnodeItem(branch, 0)->value();
    QVERIFY(!before->axis().node()); // a member holding the old entry keeps its axis
    QCOMPARE(after->axis().node(), node);
    const Axis towards(Vector3(0, 0, 0), node, true, false);
    QCOMPARE(library.findItem(library.root(), MemberAxis::isAxisEqualTo, towards, true)->value(), after);

    library.setNodeC(node); // no change, no signal
    QCOMPARE(changed.count(), 1);
}

void TestCatalogues::entriesGoToTheirBranch()
{
    GroupLibrary library;
    const GeometryGroupRef a(new GeometryGroup("A")), b(new GeometryGroup("B"));
    QVERIFY(library.append(a) && library.append(b));
    QVERIFY(!library.append(GroupRef(new Group("plain"))));
    QVERIFY(library.remove(a));
    QVERIFY(!library.remove(a));
    QVERIFY(library.append(a)); // an undone removal goes to the end
    QCOMPARE(library.geometryGroups(), (QList<GeometryGroupRef>{b, a}));
    LoadCaseLibrary cases;
    const LoadCaseRef loading(new Loading("L")), gravity(new GravityCase("G")), sway(new SwayCase("S")),
        combination(new Combination("C"));
    for (const LoadCaseRef& loadCase : {combination, sway, gravity, loading})
        QVERIFY(cases.append(loadCase));
    QVERIFY(!cases.append(loading));
    QCOMPARE(cases.loadings(), QList<LoadCaseRef>{loading});
    QCOMPARE(cases.autoCases(), QList<LoadCaseRef>{gravity});
    QCOMPARE(cases.swayCases(), QList<LoadCaseRef>{sway});
    QCOMPARE(cases.combinations(), QList<LoadCaseRef>{combination});

}

void TestCatalogues::uniqueNamesSkipUsedNumbers()
{
    LoadCaseLibrary loadCases;
    for (const QString& name : QStringList{"Loading 1", "Loading 3"})
        loadCases.append(LoadCaseRef(new Loading(name)));
    QCOMPARE(loadCases.uniqueLoadingName(), QString("Loading 2"));
    QCOMPARE(loadCases.uniqueSwayCaseName(), QString("Sway 1"));

    GroupLibrary groups;
    groups.append(GeometryGroupRef(new GeometryGroup("Geometry 1")));
    QCOMPARE(groups.uniqueGeometryGroupName(), QString("Geometry 2"));

    MaterialLibrary materials;
    materials.appendCustom(MaterialRef(new Material({"material 1"}, 1, 1, 1, 1)));
    QCOMPARE(materials.uniqueMaterialName(), QString("Material 2"));
    QVERIFY(!materials.removeCustom(materials.standardMaterial("Steel S275"))); // built-ins stay
}

void TestCatalogues::anEntryEditGivesOneChanged()
{
    // A command edits the entry, then announces it through the holding item;
    // the document counts one change for it.
    Libraries libraries;
    const auto groups = libraries.groupLibrary();
    const auto materials = libraries.materialLibrary();
    const GeometryGroupRef group(new GeometryGroup("G"));
    const MaterialRef material(new Material({"M"}, 1, 1, 1, 1));
    QSignalSpy groupChanged(groups.data(), &TreeLibrary_base::Changed);
    QSignalSpy materialChanged(materials.data(), &TreeLibrary_base::Changed);
    groups->append(group);
    materials->appendCustom(material);
    QCOMPARE(groupChanged.count() + materialChanged.count(), 2);

    group->setName("G2");
    groups->findItemByValue(groups->root(), group)->propagateEmitValueChanged();
    QCOMPARE(groupChanged.count(), 2);
    material->setYoungsModulus(2.0);
    materials->findItemByValue(materials->root(), material)->propagateEmitValueChanged();
    QCOMPARE(materialChanged.count(), 2);
    // A standard material edited in place counts the same way.
    materials->findItemByValue(materials->root(), materials->standardMaterial("Steel S275"))->propagateEmitValueChanged();
    QCOMPARE(materialChanged.count(), 3);
    QCOMPARE(groupChanged.count(), 2);
}

QTEST_GUILESS_MAIN(TestCatalogues)
#include "tst_catalogues.moc"
