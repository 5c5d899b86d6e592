#include "AppTesting.h"
#include "ButtonBar.h"
#include "ModelResources.h"
#include "PickerCell.h"
#include "ProgrammaticButtonGroup.h"
#include "PushConfirmButton.h"
#include "UnitSystem.h"
#include "UtilityView.h"
#include "VisualConstants.h"

#include <QAbstractButton>
#include <QtTest>

class TestUtilityView : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cellsEmitTheirCommands_data();
    void cellsEmitTheirCommands();
    void unitButtonsFollowTheSharedUnitSystem();
    void clearingNeedsConfirmation();
};

void TestUtilityView::initTestCase()
{
    initialiseModelResources();
    initialiseVisualConstants();
}

void TestUtilityView::cellsEmitTheirCommands_data()
{
    QTest::addColumn<QString>("toolTip");
    QTest::addColumn<QByteArray>("signal");
    QTest::newRow("Help") << "Opens in web-browser" << QByteArray(SIGNAL(OpenHelp()));
    QTest::newRow("Materials") << "Edit materials in library" << QByteArray(SIGNAL(OpenMaterials()));
    QTest::newRow("Titles") << "Edit titles" << QByteArray(SIGNAL(OpenTitles()));
    QTest::newRow("Reports") << "Print or export reports" << QByteArray(SIGNAL(ExportPDF()));
    QTest::newRow("Save") << "" << QByteArray(SIGNAL(SaveFile()));
    QTest::newRow("Load") << "" << QByteArray(SIGNAL(OpenFile()));
}

void TestUtilityView::cellsEmitTheirCommands()
{
    QFETCH(QString, toolTip);
    QFETCH(QByteArray, signal);
    UtilityView view(QSharedPointer<UnitSystem>(new UnitSystem));
    PickerCell* cell = nullptr;
    for (PickerCell* candidate : view.findChildren<PickerCell*>())
        if (candidate->text() == PickerCell::standardPushButton(QTest::currentDataTag()))
            cell = candidate;
    QVERIFY(cell);
    QCOMPARE(cell->toolTip(), toolTip);
    QCOMPARE(cell->objectName(), QString(cell->toolTip().startsWith("Print") ? "Report" : ""));
    QSignalSpy emitted(&view, signal.constData());
    emit cell->Clicked(cell);
    QCOMPARE(emitted.size(), 1);
}

void TestUtilityView::unitButtonsFollowTheSharedUnitSystem()
{
    QSharedPointer<UnitSystem> units(new UnitSystem);
    units->setChosenSystem(2);
    UtilityView view(units);
    UtilityView other(units);
    const auto checkedText = [](UtilityView& shown) {
        QAbstractButton* checked = shown.findChild<ButtonBar*>()->group()->checkedButton();
        return checked ? checked->text() : QString();
    };
    QCOMPARE(checkedText(view), QStringLiteral("US"));
    view.findChild<ButtonBar*>()->group()->button(1)->click();
    QCOMPARE(units->chosenSystem(), 1);
    QCOMPARE(checkedText(other), QStringLiteral("EU"));
}

void TestUtilityView::clearingNeedsConfirmation()
{
    UtilityView view(QSharedPointer<UnitSystem>(new UnitSystem));
    QSignalSpy wipes(&view, &UtilityView::WipeModel);
    auto* clear = view.findChild<PushConfirmButton*>();
    clear->requestConfirm();
    QVERIFY(wipes.isEmpty());
    emit clear->Confirmed();
    // Queued: the button finishes its press before the model goes.
    QVERIFY(wipes.isEmpty());
    QTRY_COMPARE(wipes.size(), 1);
}

QTEST_MAIN(TestUtilityView)
#include "tst_utilityview.moc"
