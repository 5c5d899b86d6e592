#include "EditorTesting.h"

#include "ButtonBar.h"
#include "CalculatorField.h"
#include "Combination.h"
#include "CombinationView.h"
#include "GravityCase.h"
#include "ProgrammaticButtonGroup.h"
#include "SwayCase.h"
#include "SwayCaseView.h"

#include <QAbstractButton>
#include <QLabel>
#include <QScrollArea>

// The combination and sway case pages: one factor per listed load case.
class TestFactors : public QObject
{
    Q_OBJECT

private slots:
    void listsTheCasesItMayCombine();
    void enteredFactorsAreRounded_data();
    void enteredFactorsAreRounded();
    void unlistedFactorsSurviveAnEdit();
    void secondOrderSurvivesOpeningAndLeaving();
    void swayComponents();
    void appliedFactorsNameOnlyCasesInTheModel_data();
    void appliedFactorsNameOnlyCasesInTheModel();
};

namespace {

// The load-case names of the rows, in order.
QStringList namesOf(FactorListPage& page)
{
    QStringList names;
    for (QLabel* label : page.findChild<QScrollArea*>()->findChildren<QLabel*>())
        if (!qobject_cast<CalculatorField*>(label))
            names << label->text();
    return names;
}

CalculatorField* firstField(FactorListPage& page)
{
    return page.findChild<QScrollArea*>()->findChild<CalculatorField*>();
}

void enter(CalculatorField* field, double value)
{
    field->calculationFinished(Vector4(value, value, value, 1.0), CalculatorReference());
}

} // namespace

void TestFactors::listsTheCasesItMayCombine()
{
    const QSharedPointer<LoadCaseLibrary> library(new LoadCaseLibrary);
    library->append(VaroObject::make<Loading>(QStringLiteral("L1")));
    library->append(VaroObject::make<Combination>(QStringLiteral("C1")));
    library->append(VaroObject::make<SwayCase>(QStringLiteral("S1")));
    library->append(VaroObject::make<GravityCase>(QStringLiteral("G1")));
    library->append(VaroObject::make<Loading>(QStringLiteral("L2")));
    const UnitSystemRef units(new UnitSystem);

    CombinationView combinationPage(units);
    combinationPage.setCombination(VaroObject::make<Combination>(QStringLiteral("C")));
    QVERIFY(namesOf(combinationPage).isEmpty());
    QVERIFY(combinationPage.nameField()->text().isEmpty());
    combinationPage.setLibrary(library);
    QCOMPARE(namesOf(combinationPage), QStringList({"L1", "L2", "G1", "S1"}));

    SwayCaseView swayPage(units);
    swayPage.setLibrary(library);
    swayPage.setSwayCase(VaroObject::make<SwayCase>(QStringLiteral("S")));
    QCOMPARE(namesOf(swayPage), QStringList({"L1", "L2", "G1"}));
}

void TestFactors::enteredFactorsAreRounded_data()
{
    QTest::addColumn<double>("entered");
    QTest::addColumn<double>("stored");
    QTest::addColumn<QString>("shown");
    QTest::newRow("two decimals") << 1.234 << 1.23 << "1.23";
    QTest::newRow("rounds to zero") << 0.004 << 0.0 << "0.00";
    QTest::newRow("zero removes") << 0.0 << 0.0 << "0.00";
    QTest::newRow("negative") << -0.5 << -0.5 << "-0.50";
}

void TestFactors::enteredFactorsAreRounded()
{
    Bench d;
    const CombinationRef combination(VaroObject::make<Combination>(QStringLiteral("C")));
    combination->addFactor(d.loading(), 1.5);
    d.doc->libraries()->loadCaseLibrary()->append(combination);
    CombinationView page(d.units);
    page.setLibrary(d.doc->libraries()->loadCaseLibrary());
    page.setCombination(combination);
    connect(&page, &CombinationView::CombinationChanged, d.actions, &EditingActions::actionApplyCombination);

    QFETCH(double, entered);
    enter(firstField(page), entered);
    QCoreApplication::processEvents();
    QTEST(firstField(page)->text(), "shown");
    page.writeBack();
    QFETCH(double, stored);
    const QMap<LoadCaseRef, double> factors{{d.loading(), stored}};
    QCOMPARE(combination->factors(), (stored != 0.0 ? factors : QMap<LoadCaseRef, double>()));
    QCOMPARE(d.stack()->count(), 1);
    QCOMPARE(d.stack()->undoText(), QStringLiteral("Apply combination"));
    d.stack()->undo();
    QCOMPARE(combination->factorForLoadCase(d.loading()), 1.5);
}

void TestFactors::unlistedFactorsSurviveAnEdit()
{
    Bench d;
    const QSharedPointer<LoadCaseLibrary> library = d.doc->libraries()->loadCaseLibrary();
    const CombinationRef other(VaroObject::make<Combination>(QStringLiteral("Other")));
    const LoadingRef gone(VaroObject::make<Loading>(QStringLiteral("Gone")));
    library->append(other);
    const CombinationRef combination(VaroObject::make<Combination>());
    const SwayCaseRef sway(VaroObject::make<SwayCase>());
    combination->setFactors({{other, 2.0}, {gone, 3.0}});
    sway->setFactors(combination->factors());
    CombinationView combinationPage(d.units);
    SwayCaseView swayPage(d.units);
    combinationPage.setLibrary(library);
    swayPage.setLibrary(library);
    combinationPage.setCombination(combination);
    swayPage.setSwayCase(sway);

    QMap<LoadCaseRef, double> combined, swayed;
    connect(&combinationPage, &CombinationView::CombinationChanged,
            [&](CombinationRef&, const CombinationRef& copy) { combined = copy->factors(); });
    connect(&swayPage, &SwayCaseView::SwayCaseChanged,
            [&](SwayCaseRef&, const SwayCaseRef& copy) { swayed = copy->factors(); });
    enter(firstField(combinationPage), 1.0);
    enter(firstField(swayPage), 1.0);
    combinationPage.writeBack();
    swayPage.writeBack();

    // A combination is never listed, yet keeps its factor; a case that left
    // the library goes.
    const QMap<LoadCaseRef, double> expected{{other, 2.0}, {d.loading(), 1.0}};
    QCOMPARE(combined, expected);
    QCOMPARE(swayed, expected);
}

void TestFactors::secondOrderSurvivesOpeningAndLeaving()
{
    Bench d;
    const CombinationRef combination(VaroObject::make<Combination>(QStringLiteral("C")));
    combination->addFactor(d.loading(), 1.5);
    combination->setSecondOrder(true);
    d.doc->libraries()->loadCaseLibrary()->append(combination);
    CombinationView page(d.units);
    page.setLibrary(d.doc->libraries()->loadCaseLibrary());
    connect(&page, &CombinationView::CombinationChanged, d.actions, &EditingActions::actionApplyCombination);
    Emissions changed(&page, &CombinationView::CombinationChanged);

    page.setCombination(combination);
    QTest::mouseClick(page.backButtonCell(), Qt::LeftButton);
    // Nothing was edited: no change, no undo step.
    QCOMPARE(changed.count(), 0);
    QCOMPARE(d.stack()->count(), 0);
    QVERIFY(combination->isSecondOrder());
    QCOMPARE(combination->factorForLoadCase(d.loading()), 1.5);

    page.setCombination(combination);
    enter(firstField(page), 2.0);
    page.writeBack();
    QVERIFY(combination->isSecondOrder());
    QCOMPARE(combination->factorForLoadCase(d.loading()), 2.0);
}

void TestFactors::swayComponents()
{
    Bench d;
    const SwayCaseRef sway(VaroObject::make<SwayCase>(QStringLiteral("S")));
    d.doc->libraries()->loadCaseLibrary()->append(sway);
    SwayCaseView page(d.units);
    page.setLibrary(d.doc->libraries()->loadCaseLibrary());
    const QList<ButtonBar*> bars = page.findChildren<ButtonBar*>();
    ButtonBar* const takeBar = bars[0];
    ButtonBar* const applyBar = bars[1];
    takeBar->group()->button(SwayCase::Z)->setChecked(true);
    page.setSwayCase(SwayCaseRef());
    QVERIFY(!takeBar->isEnabled());
    QCOMPARE(takeBar->group()->checkedId(), int(SwayCase::Y));
    QCOMPARE(applyBar->group()->checkedId(), int(SwayCase::X));

    page.setSwayCase(sway);
    connect(&page, &SwayCaseView::SwayCaseChanged, d.actions, &EditingActions::actionApplySwayCase);
    Emissions changed(&page, &SwayCaseView::SwayCaseChanged);
    takeBar->group()->button(SwayCase::Z)->click();
    page.writeBack();
    QCOMPARE(changed.count(), 1);
    QCOMPARE(sway->takeComponent(), SwayCase::Z);
    QCOMPARE(d.stack()->undoText(), QStringLiteral("Apply swaycase"));
}

void TestFactors::appliedFactorsNameOnlyCasesInTheModel_data()
{
    QTest::addColumn<bool>("sway");
    QTest::newRow("sway case") << true;
    QTest::newRow("combination") << false;
}

// However the apply is called, a factor of a case that has left the model is
// not stored, so no saved file brings the case back.
void TestFactors::appliedFactorsNameOnlyCasesInTheModel()
{
    QFETCH(bool, sway);
    Bench d;
    const QSharedPointer<LoadCaseLibrary> library = d.doc->libraries()->loadCaseLibrary();
    const LoadingRef gone(VaroObject::make<Loading>(QStringLiteral("Gone")));
    const QMap<LoadCaseRef, double> typed{{d.loading(), 1.5}, {gone, 2.0}};
    // The entry in the library, applied with a copy that holds both factors.
    const auto apply = [&](auto entry, auto action) -> SuperLoadCase* {
        library->append(entry);
        const decltype(entry) copy(new typename decltype(entry)::value_type(*entry));
        copy->setFactors(typed);
        (d.actions->*action)(entry, copy);
        return entry.data();
    };
    SuperLoadCase* target = sway ? apply(VaroObject::make<SwayCase>(), &EditingActions::actionApplySwayCase)
                                 : apply(VaroObject::make<Combination>(), &EditingActions::actionApplyCombination);
    QCOMPARE(target->factors(), (QMap<LoadCaseRef, double>{{d.loading(), 1.5}}));
    QVERIFY(!target->references().contains(gone));
    d.stack()->undo();
    QVERIFY(target->factors().isEmpty());
}

VARO_EDITOR_TEST_MAIN(TestFactors)
#include "tst_factors.moc"
