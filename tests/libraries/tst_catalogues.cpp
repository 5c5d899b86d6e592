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
#include "StopChecks.h"
#include "SupportLibrary.h"
#include "SwayCase.h"
#include "TestMain.h"

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
    void entriesGoToTheirBranchUnderFreeNames();
    void aMaterialEditGivesOneChanged();
};

void TestCatalogues::builtInEntries()
{
    // Gravity acts along global Y: a load read with that axis finds its entry.
    const LoadAxisLibrary loadAxes;
    const Axis gravity(Vector3(0, 1, 0), NodeRef(), true, false);
    QCOMPARE(loadAxes.findItem(loadAxes.root(), LoadAxis::isAxisEqualTo, gravity, false)->name(),
             QString("In global Y"));

    const MemberPinLibrary pins;
    QCOMPARE(pins.valuesOf(pins.root()).value(1)->dof().mask, 15);

    // A picker highlights the first entry of an equal mask: equal masks would hide one.
    const SupportLibrary supports;
    QSet<int> masks;
    for (const SupportRef& support : supports.valuesOf(supports.root()))
        masks << support->dof().mask;
    QCOMPARE(masks.size(), 13);
    QCOMPARE(supports.findItem(supports.root(), Support::isDofEqualTo, Dof(0), false)->name(), QString("Unrestrained"));

    const MaterialLibrary library;
    QVERIFY(library.standardMaterial("concrete (25)"));
    // Standard materials pass the analysis with values of real ones: Poisson's ratio E/2G - 1, density and expansion of a real isotropic material.
    for (const MaterialRef& m : library.valuesOf(library.root()->subnode(0))) {
        const double nu = m->youngsModulus() / (2.0 * m->shearModulus()) - 1.0;
        QVERIFY2(m->isValid() && nu > 0.15 && nu < 0.35 && m->density() > 2000.0 && m->density() < 9000.0
                     && m->cte() > 5e-6 && m->cte() < 30e-6,
                 qPrintable(m->name()));
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
}

void TestCatalogues::towardsMasterNodeFollowsTheNode()
{
    MemberAxisLibrary library;
    QSignalSpy changed(&library, &TreeLibrary_base::Changed);
    const TreeNodeRef branch = library.root()->subnode(1);
    const MemberAxisRef before = MemberAxisLibrary::subnodeItem(branch, 0)->value();

    const NodeRef node(VaroObject::make<Node>());
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

void TestCatalogues::entriesGoToTheirBranchUnderFreeNames()
{
    GroupLibrary library;
    const GeometryGroupRef a(VaroObject::make<GeometryGroup>("A")), b(VaroObject::make<GeometryGroup>("B"));
    QVERIFY(library.append(a) && library.append(b));
    QVERIFY(!library.append(VaroObject::make<Group>("plain")));
    QVERIFY(library.remove(a));
    QVERIFY(!library.remove(a));
    QVERIFY(library.append(a)); // an undone removal goes to the end
    QCOMPARE(library.geometryGroups(), (QList<GeometryGroupRef>{b, a}));

    LoadCaseLibrary cases;
    const LoadCaseRef loading(VaroObject::make<Loading>("Loading 1")), gravity(VaroObject::make<GravityCase>("G")), sway(VaroObject::make<SwayCase>("S")),
        combination(VaroObject::make<Combination>("C"));
    for (const LoadCaseRef& loadCase : {combination, sway, gravity, loading})
        QVERIFY(cases.append(loadCase));
    QVERIFY(!cases.append(loading));
    QCOMPARE(cases.loadings(), QList<LoadCaseRef>{loading});
    QCOMPARE(cases.autoCases(), QList<LoadCaseRef>{gravity});
    QCOMPARE(cases.swayCases(), QList<LoadCaseRef>{sway});
    QCOMPARE(cases.combinations(), QList<LoadCaseRef>{combination});
    const LoadCaseRef loading3(VaroObject::make<Loading>("Loading 3"));
    cases.append(loading3);
    QCOMPARE(cases.uniqueLoadingName(), QString("Loading 2"));

    // Gathered in the branches' order; a stop ends the gathering with what came before it.
    QList<LoadCaseRef> all, part;
    StopChecks never({});
    QVERIFY(cases.gatherAll(&all, &never));
    QCOMPARE(all, (QList<LoadCaseRef>{loading, loading3, gravity, sway, combination}));
    int asked = 0;
    StopChecks stopping([&asked] { return ++asked < 3; }, 1);
    QVERIFY(!cases.gatherAll(&part, &stopping));
    QCOMPARE(part, (QList<LoadCaseRef>{loading, loading3}));
}

void TestCatalogues::aMaterialEditGivesOneChanged()
{
    // A command edits the entry, then announces it through the holding item;
    // the document counts one change for it, custom or standard alike.
    MaterialLibrary materials;
    const MaterialRef material(new Material({"material 1"}, 1, 1, 1, 1));
    QSignalSpy changed(&materials, &TreeLibrary_base::Changed);
    materials.appendCustom(material);
    material->setYoungsModulus(2.0);
    materials.findItemByValue(materials.root(), material)->propagateEmitValueChanged();
    QCOMPARE(changed.count(), 2);
    materials.findItemByValue(materials.root(), materials.standardMaterial("Steel S275"))->propagateEmitValueChanged();
    QCOMPARE(changed.count(), 3);

    QCOMPARE(materials.uniqueMaterialName(), QString("Material 2"));
    QVERIFY(!materials.removeCustom(materials.standardMaterial("Steel S275"))); // built-ins stay
}

VARO_GUILESS_TEST_MAIN(TestCatalogues)
#include "tst_catalogues.moc"
