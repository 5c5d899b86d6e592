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
#include "Titles.h"
#include "TitlesView.h"
#include "UnitSystem.h"
#include "UtilityView.h"
#include "UtilityWindow.h"
#include "VisualConstants.h"
#include "TestMain.h"

#include <QLineEdit>
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

void TestUtilityView::cellsEmitTheirCommands()
{
    const QList<std::tuple<QString, QString, const char*>> cells = {
        {"Help", "Opens in web-browser", SIGNAL(OpenHelp())},
        {"Materials", "Edit materials in library", SIGNAL(OpenMaterials())},
        {"Titles", "Edit titles", SIGNAL(OpenTitles())},
        {"Reports", "Print or export reports", SIGNAL(ExportPDF())},
        {"Save", "", SIGNAL(SaveFile())},
        {"Load", "", SIGNAL(OpenFile())}};
    UtilityView view(QSharedPointer<UnitSystem>(new UnitSystem));
    const QList<PickerCell*> found = view.findChildren<PickerCell*>();
    QCOMPARE(found.size(), cells.size());
    for (const auto& [caption, toolTip, signal] : cells) {
        const auto cell = std::find_if(found.begin(), found.end(), [&](PickerCell* candidate) {
            return candidate->text() == PickerCell::standardPushButton(caption);
        });
        QVERIFY(cell != found.end());
        QCOMPARE((*cell)->toolTip(), toolTip);
        QCOMPARE((*cell)->objectName(), QString(caption == "Reports" ? "Report" : ""));
        QSignalSpy emitted(&view, signal);
        emit (*cell)->Clicked(*cell);
        QVERIFY2(emitted.size() == 1, signal);
    }
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
    // What the page shows is handed on when its window closes, and when the
    // tab leaves it for the root page.
    QLineEdit* field = utilities->titlesView()->findChild<QLineEdit*>();
    field->setText(QStringLiteral("Closed"));
    utilities->close();
    QCOMPARE(utilities->pages()->currentWidget(), utilities->titlesView());
    QCOMPARE(window->documentModel()->titles()->title(0, 0), QStringLiteral("Closed"));
    QVERIFY(Application::_settings->contains(QStringLiteral("UtilityWindow")));
    field->setText(QStringLiteral("Left"));
    window->findChild<QToolButton*>("TabUtilities")->click();
    QCOMPARE(utilities->pages()->currentWidget(), utilities->utilityView());
    QCOMPARE(window->documentModel()->titles()->title(0, 0), QStringLiteral("Left"));
}

VARO_TEST_MAIN(TestUtilityView)
#include "tst_utilityview.moc"
