#include "AppTesting.h"
#include "DocumentModel.h"
#include "Libraries.h"
#include "MainWindow.h"
#include "Material.h"
#include "MaterialLibrary.h"
#include "MaterialView.h"
#include "Member.h"
#include "ModelMetaTypes.h"
#include "SectionType.h"
#include "StructureModel.h"
#include "TitlesView.h"
#include "UtilityWindow.h"
#include "ButtonBar.h"
#include "ModelResources.h"
#include "PickerCell.h"
#include "ProgrammaticButtonGroup.h"
#include "PushConfirmButton.h"
#include "UnitSystem.h"
#include "UtilityView.h"
#include "VisualConstants.h"

#include <QAbstractButton>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QToolButton>
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
    void materialInUseCannotBeRemoved();
    void titlesNeedADocument();
    void utilityTabOpensTheRootAndClosingKeepsThePage();
};

void TestUtilityView::initTestCase()
{
    registerModelMetaTypes();
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

void TestUtilityView::materialInUseCannotBeRemoved()
{
    QTemporaryDir folder;
    useTemporarySettings(folder.path());
    QScopedPointer<MainWindow> window(new MainWindow);
    QVERIFY(window->openFile(QStringLiteral(":/example/01.KU.Beam.varok"), true));
    auto* utilities = window->findChild<UtilityWindow*>("Utilities");
    const MaterialRef used = window->documentModel()->structureModel()->members().first()->sectionType()->material();
    QWidget* remove = utilities->materialView()->removeButtonWidget();

    utilities->editMaterial(used);
    QCOMPARE(utilities->pages()->currentWidget(), utilities->materialView());
    QVERIFY(remove->isHidden() && !remove->isEnabledTo(utilities->materialView()));
    utilities->editMaterial(MaterialRef(new Material({QStringLiteral("Unused")}, 1e9, 4e8, 1000, 1e-5)));
    // A material outside the custom library is read-only; its page still offers the button.
    QVERIFY(!remove->isHidden() && remove->isEnabledTo(utilities->materialView()));
}

void TestUtilityView::titlesNeedADocument()
{
    UtilityWindow utilities(QSharedPointer<UnitSystem>(new UnitSystem), nullptr, Qt::Tool);
    utilities.openTitlesView();
    QCOMPARE(utilities.pages()->currentWidget(), utilities.titlesView());
    QVERIFY(!utilities.titlesView()->isEnabled());
}

void TestUtilityView::utilityTabOpensTheRootAndClosingKeepsThePage()
{
    QTemporaryDir folder;
    useTemporarySettings(folder.path());
    QScopedPointer<MainWindow> window(new MainWindow);
    QVERIFY(window->newFile());
    auto* utilities = window->findChild<UtilityWindow*>("Utilities");
    window->findChild<QToolButton*>("TabUtilities")->click();
    QVERIFY(utilities->isVisible());
    utilities->openTitlesView();
    QVERIFY(utilities->titlesView()->isEnabled());
    utilities->close();
    QCOMPARE(utilities->pages()->currentWidget(), utilities->titlesView());
    QVERIFY(Application::_settings->contains(QStringLiteral("UtilityWindow")));
    window->findChild<QToolButton*>("TabUtilities")->click();
    QCOMPARE(utilities->pages()->currentWidget(), utilities->utilityView());
}

QTEST_MAIN(TestUtilityView)
#include "tst_utilityview.moc"
