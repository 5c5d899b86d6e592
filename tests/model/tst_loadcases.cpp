#include "Combination.h"
#include "Loading.h"
#include "SwayCase.h"
#include "TestMain.h"

#include <QPointer>
#include <QtTest>

#include <cfloat>
#include <cmath>

class TestLoadCases : public QObject
{
    Q_OBJECT

private slots:
    void factorsAreHeldToTwoDecimals_data();
    void factorsAreHeldToTwoDecimals();
    void equality();
    void editorCopies();
    void aLongChainIsReleased();
};

void TestLoadCases::factorsAreHeldToTwoDecimals_data()
{
    QTest::addColumn<double>("factor");
    QTest::addColumn<double>("stored"); // 0: not in the map

    QTest::newRow("half up") << 0.125 << 0.13;
    QTest::newRow("negative half away from zero") << -0.125 << -0.13;
    QTest::newRow("single-precision 0.005 is below the half") << double(0.005f) << 0.0;
    QTest::newRow("nan") << std::nan("") << 0.0;
    QTest::newRow("infinity") << HUGE_VAL << 0.0;
    // Hundredths cannot change these: they stay as they are.
    QTest::newRow("largest finite") << DBL_MAX << DBL_MAX;
    QTest::newRow("largest negative") << -DBL_MAX << -DBL_MAX;
}

void TestLoadCases::factorsAreHeldToTwoDecimals()
{
    QFETCH(double, factor);
    QFETCH(double, stored);
    const LoadingRef dead(VaroObject::make<Loading>());
    Combination combination;
    combination.addFactor(dead, factor);
    QCOMPARE(combination.factors().contains(dead), stored != 0.0);
    QCOMPARE(combination.factorForLoadCase(dead), stored);

    // Listing the case again replaces its factor, and a zero removes it.
    combination.addFactor(dead, 2.0);
    combination.addFactor(dead, factor);
    QCOMPARE(combination.factorForLoadCase(dead), stored);
    combination.addFactor(dead, 0.004);
    QVERIFY(combination.factors().isEmpty());
}

void TestLoadCases::equality()
{
    const LoadingRef dead(VaroObject::make<Loading>()), live(VaroObject::make<Loading>());
    Combination a(QStringLiteral("ULS")), b(QStringLiteral("ULS"));
    a.setFactors({{dead, 1.4}, {live, 1.6}});
    b.setFactors({{live, 1.6}, {dead, 1.4}});
    QVERIFY(a == b);
    b.setSecondOrder(true); // not part of the comparison
    QVERIFY(a == b);
    b.addFactor(live, 1.5);
    QVERIFY(a != b);
    b.addFactor(live, 1.6);
    b.setColour(Qt::black);
    QVERIFY(a != b);

    // Setting the factors replaces the map, rounded, without the zeros.
    const LoadingRef wind(VaroObject::make<Loading>());
    SwayCase sway;
    sway.addFactor(wind, 1.0);
    sway.setFactors({{dead, 1.355}, {live, 0.001}});
    QCOMPARE(sway.factors().keys(), QList<LoadCaseRef>({dead}));
    QCOMPARE(sway.factorForLoadCase(dead), 1.36);
    QCOMPARE(sway.references(), QList<VaroObjectRef>({dead}));
}

void TestLoadCases::editorCopies()
{
    const LoadingRef dead(VaroObject::make<Loading>(QStringLiteral("Dead")));
    SwayCase sway(QStringLiteral("Sway"));
    sway.addFactor(dead, 0.5);
    sway.setTakeComponent(SwayCase::Z);
    sway.setApplyComponent(SwayCase::LoadComponent(7));
    const SwayCase swayCopy(sway);
    QVERIFY(swayCopy == sway);
    QCOMPARE(swayCopy.takeVector(), Vector3(0, 0, 1));
    QCOMPARE(swayCopy.applyVector(), Vector3(0, 0, 1)); // any other value acts as Z
    QCOMPARE(swayCopy.timeStamp(), sway.timeStamp());

    // The combination page works on a first-order copy, whatever the target.
    Combination combination(QStringLiteral("ULS"));
    combination.addFactor(dead, 1.35);
    combination.setSecondOrder(true);
    const Combination page(combination);
    QVERIFY(page == combination);
    QVERIFY(!page.isSecondOrder());
}

// Each combination holds the only reference to the one before it: releasing
// the last lets go of the whole chain.
void TestLoadCases::aLongChainIsReleased()
{
    CombinationRef last(VaroObject::make<Combination>("0"));
    QPointer<Loading> bottom;
    {
        const LoadingRef loading(VaroObject::make<Loading>("L"));
        last->addFactor(loading, 1.0);
        bottom = loading.data();
    }
    const QPointer<Combination> first = last.data();
    for (int i = 1; i < 200000; ++i) {
        const CombinationRef next(VaroObject::make<Combination>(QString::number(i)));
        next->addFactor(last, 1.0);
        last = next;
    }
    QVERIFY(first && bottom);
    last.reset();
    QVERIFY(!first && !bottom);
}

VARO_GUILESS_TEST_MAIN(TestLoadCases)
#include "tst_loadcases.moc"
