#include "AppTesting.h"
#include "ButtonBar.h"
#include "DocumentModel.h"
#include "MainWindow.h"
#include "Material.h"
#include "MaterialView.h"
#include "Member.h"
#include "ModelMetaTypes.h"
#include "ModelResources.h"
#include "PickerCell.h"
#include "ProgrammaticButtonGroup.h"
#include "SectionType.h"
#include "StructureModel.h"
#include "TitlesView.h"
#include "UnitSystem.h"
#include "UtilityView.h"
#include "UtilityWindow.h"
#include "VisualConstants.h"

#include <QStackedWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

class TestUtilityView : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cellsEmitTheirCommands_data();
    void cellsEmitTheirCommands();
    void unitButtonsFollowTheSharedUnitSystem();
    void materialInUseCannotBeRemoved();
    void utilityTabOpensTheRootAndClosingKeepsThePage();

private:
    QScopedPointer<QTemporaryDir> folder;
};

void TestUtilityView::initTestCase()
{
    registerModelMetaTypes();
    initialiseModelResources();
    initialiseVisualConstants();
}

void TestUtilityView::init()
{
    folder.reset(new QTemporaryDir);
    useTemporarySettings(folder->path());
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
    QCOMPARE(cell->toolTip(), toolTip);
    QCOMPARE(cell->objectName(), QString(toolTip.startsWith("Print") ? "Report" : ""));
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
    QCOMPARE(view.findChild<ButtonBar*>()->group()->checkedButton()->text(), QStringLiteral("US"));
    view.findChild<ButtonBar*>()->group()->button(1)->click();
    QCOMPARE(units->chosenSystem(), 1);
    QCOMPARE(other.findChild<ButtonBar*>()->group()->checkedButton()->text(), QStringLiteral("EU"));
}

void TestUtilityView::materialInUseCannotBeRemoved()
{
    QScopedPointer<MainWindow> window(new MainWindow);
    QVERIFY(window->openFile(QStringLiteral(":/example/01.KU.Beam.varok"), true));
    auto* utilities = window->findChild<UtilityWindow*>("Utilities");
    const MaterialRef used = window->documentModel()->structureModel()->members().first()->sectionType()->material();
    QWidget* remove = utilities->materialView()->removeButtonWidget();

    utilities->editMaterial(used);
    QCOMPARE(utilities->pages()->currentWidget(), utilities->materialView());
    QVERIFY(remove->isHidden() && !remove->isEnabledTo(utilities->materialView()));
    // A material outside the custom library is read-only; its page still offers the button.
    utilities->editMaterial(MaterialRef(new Material({QStringLiteral("Unused")}, 1e9, 4e8, 1000, 1e-5)));
    QVERIFY(!remove->isHidden() && remove->isEnabledTo(utilities->materialView()));

    UtilityWindow alone(QSharedPointer<UnitSystem>(new UnitSystem), nullptr, Qt::Tool);
    alone.openTitlesView();
    QVERIFY(!alone.titlesView()->isEnabled());
}

void TestUtilityView::utilityTabOpensTheRootAndClosingKeepsThePage()
{
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
