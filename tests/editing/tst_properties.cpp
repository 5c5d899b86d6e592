#include "EditingTesting.h"

#include "CrossSection.h"
#include "Material.h"
#include "MemberAxis.h"
#include "MemberPin.h"
#include "SectionType.h"
#include "Support.h"
#include "TestMain.h"

#include <QtTest>

class TestProperties : public QObject
{
    Q_OBJECT

private slots:
    void pinsOnlyAtSelectedEnds_data();
    void pinsOnlyAtSelectedEnds();
    void pinRefusals();
    void sectionTypeSharedByAllMembers();
    void materialAloneKeepsEachCrossSection();
    void sectionRefusals();
    void supportAndAxisAlwaysRecordAStep();
};

void TestProperties::pinsOnlyAtSelectedEnds_data()
{
    QTest::addColumn<int>("mask");
    QTest::addColumn<bool>("bothEnds");
    QTest::addColumn<bool>("pinA");
    QTest::addColumn<bool>("pinB");
    QTest::newRow("pinned at B") << 15 << false << false << true;
    QTest::newRow("pinned at both") << 15 << true << true << true;
    QTest::newRow("rigid keeps A") << 63 << false << true << false;
    QTest::newRow("custom mask is rigid") << 7 << true << false << false;
}

void TestProperties::pinsOnlyAtSelectedEnds()
{
    QFETCH(int, mask);
    QFETCH(bool, bothEnds);
    Bench d;
    const MemberRef m = d.beam(1).first();
    // Start from the other condition, so that every change is seen.
    m->setPinAtA(mask != 15);
    m->setPinAtB(mask != 15);
    d.select(QList<MemberRef>{m});
    d.select(QList<NodeRef>{m->nodeB()});
    if (bothEnds)
        d.select(QList<NodeRef>{m->nodeA()});

    d.actions->actionSetMemberPins(VaroObject::make<MemberPin>(QStringLiteral("Pin"), Dof(mask)));
    QTEST(m->pinAtA(), "pinA");
    QTEST(m->pinAtB(), "pinB");
    QCOMPARE(d.stack()->count(), 1);
}

void TestProperties::pinRefusals()
{
    Bench d;
    const QList<MemberRef> m = d.beam(2);
    const NodeRef far = d.node(5, 5, 5);
    const MemberRef loop = d.member(far, far);
    const MemberPinRef pinned(VaroObject::make<MemberPin>(QStringLiteral("Pinned"), Dof(15)));
    d.select(QList<MemberRef>{m[0], loop});
    d.actions->actionSetMemberPins(pinned);
    QCOMPARE(d.lastWarning(), QStringLiteral("Both members and nodes must be selected."));
    // Nodes that touch no selected member count as none; a member from a
    // node to itself never takes a pin.
    d.select(QList<NodeRef>{m[1]->nodeB(), far});
    d.actions->actionSetMemberPins(pinned);
    QCOMPARE(d.warnings.size(), 2);
    QCOMPARE(d.stack()->count(), 0);
    QVERIFY(!loop->pinAtA() && !loop->pinAtB());
}

void TestProperties::sectionTypeSharedByAllMembers()
{
    Bench d;
    const QList<MemberRef> m = d.beam(3);
    const SectionTypeRef old(VaroObject::make<SectionType>(CrossSectionRef(new CrossSection), MaterialRef(new Material)));
    m[1]->setSectionType(old);
    d.select(m);
    const CrossSectionRef section(new CrossSection);
    const MaterialRef material(new Material);

    d.actions->actionSetMemberProperties(section, material);
    const SectionTypeRef made = m[0]->sectionType();
    QVERIFY(made && made != old);
    QCOMPARE(made->crossSection(), section);
    QCOMPARE(made->material(), material);
    for (const MemberRef& member : m)
        QCOMPARE(member->sectionType(), made);

    d.actions->actionUndo();
    QCOMPARE(m[1]->sectionType(), old);
    QVERIFY(!m[0]->sectionType());
}

void TestProperties::materialAloneKeepsEachCrossSection()
{
    Bench d;
    const QList<MemberRef> m = d.beam(3);
    const CrossSectionRef s0(new CrossSection), s1(new CrossSection);
    const SectionTypeRef shared(VaroObject::make<SectionType>(s0, MaterialRef(new Material)));
    m[0]->setSectionType(shared);
    m[1]->setSectionType(VaroObject::make<SectionType>(s1, MaterialRef(new Material)));
    m[2]->setSectionType(shared);
    d.select(QList<MemberRef>{m[0], m[1]});
    const MaterialRef steel(new Material);

    d.actions->actionSetMemberProperties(CrossSectionRef(), steel);
    QCOMPARE(m[0]->sectionType()->crossSection(), s0);
    QCOMPARE(m[1]->sectionType()->crossSection(), s1);
    QCOMPARE(m[0]->sectionType()->material(), steel);
    QVERIFY(m[0]->sectionType() != m[1]->sectionType());
    // The shared section type is not changed in place.
    QCOMPARE(m[2]->sectionType(), shared);
    QVERIFY(shared->material() != steel);
}

void TestProperties::sectionRefusals()
{
    Bench d;
    const QList<MemberRef> m = d.beam(1);
    d.actions->actionSetMemberProperties(CrossSectionRef(new CrossSection), MaterialRef());
    QCOMPARE(d.lastWarning(), QStringLiteral("No members are selected."));
    d.select(m);
    d.actions->actionSetMemberProperties(CrossSectionRef(), MaterialRef());
    QCOMPARE(d.lastWarning(), QStringLiteral("Neither a cross-section nor a material is chosen."));
    QCOMPARE(d.stack()->count(), 0);
}

void TestProperties::supportAndAxisAlwaysRecordAStep()
{
    Bench d;
    const MemberRef m = d.beam(1).first();
    d.actions->actionSetSupport(VaroObject::make<Support>());
    QCOMPARE(d.lastWarning(), QStringLiteral("No nodes are selected."));
    d.actions->actionSetMemberAxis(VaroObject::make<MemberAxis>());
    QCOMPARE(d.lastWarning(), QStringLiteral("No members are selected."));

    d.select(QList<NodeRef>{m->nodeA()});
    d.select(QList<MemberRef>{m});
    const SupportRef fixed(VaroObject::make<Support>());
    d.actions->actionSetSupport(fixed);
    d.actions->actionSetSupport(fixed);
    d.actions->actionSetMemberAxis(MemberAxisRef());
    QCOMPARE(m->nodeA()->support(), fixed);
    QCOMPARE(d.stack()->count(), 3);
    d.actions->actionUndo();
    d.actions->actionUndo();
    d.actions->actionUndo();
    QVERIFY(!m->nodeA()->support());
}

VARO_TEST_MAIN(TestProperties)
#include "tst_properties.moc"
