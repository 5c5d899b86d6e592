#include "AppTesting.h"
#include "EditorTesting.h"

#include "Calculator.h"
#include "CalculatorField.h"
#include "CrossSection.h"
#include "CrossSectionView.h"
#include "Combination.h"
#include "CombinationView.h"
#include "EditorPages.h"
#include "GeometryGroup.h"
#include "GeometryGroupView.h"
#include "GroupAccessor.h"
#include "GuiWatchdog.h"
#include "GroupLibrary.h"
#include "LoadCaseAccessor.h"
#include "LoadingView.h"
#include "Material.h"
#include "MaterialLibrary.h"
#include "MaterialView.h"
#include "SingleEmitter.h"
#include "SwayCase.h"
#include "SwayCaseView.h"
#include "Titles.h"
#include "TitlesView.h"
#include "UnitLabels.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSlider>
#include <QTemporaryDir>
#include <QToolButton>

// The pages that edit one library entry each, and what they share.
class TestPages : public QObject
{
    Q_OBJECT

private slots:
    void leavingWithoutAnEditOnlyGoesBack();
    void loadingEditIsOneUndoStepAndRemovalForgetsIt();
    void libraryChangesRepopulateOnce();
    void groupOpacityAndColour();
    void materialPage();
    void materialEditThatSpoilsItIsRefused_data();
    void materialEditThatSpoilsItIsRefused();
    void newMaterialIsFilledInOneByOne();
    void unitChangeShowsTheSameValues_data();
    void unitChangeShowsTheSameValues();
    void openingWithoutAnEditRecordsNothing_data();
    void openingWithoutAnEditRecordsNothing();
    void titlesPage();
    void pageOnARemovedEntryHandsOnNothing();
    void windowGeometryIsKeptByClassName();
    void accessorsHostThePages();
};

void TestPages::leavingWithoutAnEditOnlyGoesBack()
{
    Bench d;
    LoadingView loadingPage;
    SwayCaseView swayPage(d.units);
    CombinationView combinationPage(d.units);
    GeometryGroupView groupPage;
    loadingPage.setLoading(d.loading());
    swayPage.setSwayCase(VaroObject::make<SwayCase>());
    combinationPage.setCombination(VaroObject::make<Combination>());
    groupPage.setGeometryGroup(VaroObject::make<GeometryGroup>());

    const Emissions changes[] = {{&loadingPage, &LoadingView::LoadingChanged},
                                 {&swayPage, &SwayCaseView::SwayCaseChanged},
                                 {&combinationPage, &CombinationView::CombinationChanged},
                                 {&groupPage, &GeometryGroupView::GroupChanged}};
    for (EditorPage* page : {static_cast<EditorPage*>(&loadingPage), static_cast<EditorPage*>(&swayPage),
                             static_cast<EditorPage*>(&combinationPage), static_cast<EditorPage*>(&groupPage)}) {
        QSignalSpy back(page, &EditorPage::GoBack);
        // A name of blanks only is no name.
        typeName(*page, QStringLiteral("   "));
        QTest::mouseClick(page->backButtonCell(), Qt::LeftButton);
        QCOMPARE(back.count(), 1);
    }
    for (const Emissions& changed : changes)
        QCOMPARE(changed.count(), 0);
}

void TestPages::loadingEditIsOneUndoStepAndRemovalForgetsIt()
{
    Bench d;
    const LoadingRef loading = d.loading();
    const QString oldName = loading->name();
    LoadingView page;
    // By name, as a host that cannot include the page reaches it.
    QVERIFY(QMetaObject::invokeMethod(&page, "setLibrary",
                                      Q_ARG(QSharedPointer<LoadCaseLibrary>, d.doc->libraries()->loadCaseLibrary())));
    QVERIFY(QMetaObject::invokeMethod(&page, "setLoading", Q_ARG(LoadingRef, loading)));
    connect(&page, &LoadingView::LoadingChanged, d.actions, &EditingActions::actionApplyLoading);
    Emissions changed(&page, &LoadingView::LoadingChanged);

    // Typed and never left: the back cell still reads the field.
    typeName(page, QStringLiteral("  Wind   load  "));
    page.setColour(QColor(255, 0, 0, 100));
    QTest::mouseClick(page.backButtonCell(), Qt::LeftButton);

    QCOMPARE(loading->name(), QStringLiteral("Wind load"));
    QCOMPARE(loading->colour(), QColor(255, 0, 0));
    QCOMPARE(d.stack()->count(), 1);
    QCOMPARE(d.stack()->undoText(), QStringLiteral("Apply loading"));
    d.stack()->undo();
    QCOMPARE(loading->name(), oldName);


    // After a removal only the way back is left.
    page.setRemoveable(false);
    QVERIFY(!page.removeButtonWidget()->isVisibleTo(&page));
    page.setRemoveable(true);
    QSignalSpy removed(&page, &LoadingView::LoadCaseRemoved);
    QSignalSpy back(&page, &EditorPage::GoBack);
    page.removeButtonWidget()->click();
    QCOMPARE(removed.first().first().value<LoadCaseRef>(), LoadCaseRef(loading));
    typeName(page, QStringLiteral("Other"));
    page.writeBack();
    QCOMPARE(changed.count(), 1);
    QCOMPARE(back.count(), 2);
}

void TestPages::libraryChangesRepopulateOnce()
{
    const QSharedPointer<GroupLibrary> first(new GroupLibrary), second(new GroupLibrary);
    GeometryGroupView page;
    QSignalSpy repopulations(page.findChild<SingleEmitter*>(), &SingleEmitter::triggered);
    page.setLibrary(first);
    page.setLibrary(second);
    // Only the library it was last given, and ten changes cost one pass.
    for (int i = 0; i < 10; ++i)
        emit (i == 0 ? first : second)->Changed();
    QCoreApplication::processEvents();
    QCOMPARE(repopulations.count(), 1);
    emit first->Changed();
    QCoreApplication::processEvents();
    QCOMPARE(repopulations.count(), 1);
}

void TestPages::groupOpacityAndColour()
{
    Bench d;
    const GeometryGroupRef group(VaroObject::make<GeometryGroup>(QStringLiteral("G")));
    group->setColour(QColor(170, 85, 0));
    d.doc->libraries()->groupLibrary()->append(group);
    GeometryGroupView page;
    QSlider* const slider = page.findChild<QSlider*>();
    QVERIFY(!slider->isEnabled());
    QCOMPARE(slider->value(), 100);
    page.setGeometryGroup(group);
    connect(&page, &GeometryGroupView::GroupChanged, d.actions, &EditingActions::actionApplyGeometryGroup);

    // Analysis off and on again is no change.
    page.findChild<QCheckBox*>()->click();
    page.findChild<QCheckBox*>()->click();
    page.writeBack();
    QCOMPARE(d.stack()->count(), 0);

    slider->setValue(50);
    page.setColour(QColor(0, 85, 170));
    page.writeBack();
    QCOMPARE(group->colour(), QColor(0, 85, 170, 128));
    QCOMPARE(d.stack()->count(), 1);
    QCOMPARE(d.stack()->undoText(), QStringLiteral("Apply group"));
}

void TestPages::materialPage()
{
    Bench d;
    const QSharedPointer<MaterialLibrary> library = d.doc->libraries()->materialLibrary();
    const MaterialRef custom(new Material({QStringLiteral("Timber")}, 10e9, 0.6e9, 500.0, 5e-6));
    library->appendCustom(custom);
    const MaterialRef standard = library->valuesOf(MaterialLibrary::subnodeItem(library->root(), 0)).first();
    MaterialView page(d.units);
    page.setLibrary(library);
    connect(&page, &MaterialView::MaterialChanged, d.actions, &EditingActions::actionApplyMaterial);
    Emissions changed(&page, &MaterialView::MaterialChanged);

    page.setMaterial(standard);
    QVERIFY(!page.isEnabled());
    page.widgetClosing(&page);
    QCOMPARE(changed.count(), 0);

    page.setMaterial(custom);
    QVERIFY(page.isEnabled());
    // E through the calculator, which answers in SI; every property edit clears the CTE.
    const QList<CalculatorField*> fields = page.findChildren<CalculatorField*>();
    fields.first()->calculationFinished(Vector4(12e9, 12e9, 12e9, 1.0), CalculatorReference());
    page.widgetClosing(fields.first());
    QCOMPARE(changed.count(), 0);
    page.widgetClosing(&page);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(*custom, Material({}, 12e9, 0.6e9, 500.0, 0.0));
    QCOMPARE(d.stack()->undoText(), QStringLiteral("Apply material"));

    page.setMaterial(custom);
    page.nameField()->clear();
    page.writeBack();
    QCOMPARE(changed.count(), 2);
    QCOMPARE(custom->names(), QStringList{QString()});
}

void TestPages::materialEditThatSpoilsItIsRefused_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("rule");
    // E 205 GPa, G 80 GPa, 7850 kg/m³: a valid steel.
    QTest::newRow("E above three G") << 0 << 250e9 << "3G ≥ E";
    QTest::newRow("G below a third of E") << 1 << 60e9 << "3G ≥ E";
    QTest::newRow("no E") << 0 << 0.0 << "Young's modulus E must be at least 300000 Pa";
    QTest::newRow("no density") << 2 << 0.0 << "density must be at least 0.01 kg/m³";
}

void TestPages::materialEditThatSpoilsItIsRefused()
{
    QFETCH(int, field);
    QFETCH(double, value);
    QFETCH(QString, rule);
    Bench d;
    RecordingDialogs dialogs;
    UserDialogs::install(&dialogs);
    const QSharedPointer<MaterialLibrary> library = d.doc->libraries()->materialLibrary();
    const Material steel({QStringLiteral("Steel A")}, 205e9, 80e9, 7850.0, 0.0);
    const MaterialRef custom(new Material(steel));
    library->appendCustom(custom);
    MaterialView page(d.units);
    page.setLibrary(library);
    page.setMaterial(custom);
    Emissions changed(&page, &MaterialView::MaterialChanged);
    // Rows E, G, density.
    const QList<CalculatorField*> fields = page.findChildren<CalculatorField*>();
    const double shown = fields[field]->valueAsSI();

    fields[field]->calculationFinished(Vector4(value, value, value, 1.0), CalculatorReference());
    QCOMPARE(dialogs.texts().size(), 1);
    QVERIFY2(dialogs.texts().first().startsWith(QStringLiteral("The material \"Steel A\" keeps its properties")),
             qPrintable(dialogs.texts().first()));
    QVERIFY2(dialogs.texts().first().contains(rule), qPrintable(dialogs.texts().first()));
    // The field shows the material's own value again, and leaving changes nothing.
    QCOMPARE(fields[field]->valueAsSI(), shown);
    page.widgetClosing(&page);
    QCOMPARE(changed.count(), 0);
    QCOMPARE(*custom, steel);
    UserDialogs::install(nullptr);
}

void TestPages::newMaterialIsFilledInOneByOne()
{
    Bench d;
    RecordingDialogs dialogs;
    UserDialogs::install(&dialogs);
    const QSharedPointer<MaterialLibrary> library = d.doc->libraries()->materialLibrary();
    const MaterialRef fresh(new Material({QStringLiteral("New")}, 0.0, 0.0, 0.0, 0.0));
    library->appendCustom(fresh);
    MaterialView page(d.units);
    page.setLibrary(library);
    page.setMaterial(fresh);
    connect(&page, &MaterialView::MaterialChanged, d.actions, &EditingActions::actionApplyMaterial);
    const QList<CalculatorField*> fields = page.findChildren<CalculatorField*>();
    // E first leaves 3G < E for a moment; the material was no valid one yet.
    const double values[] = {70e9, 26e9, 2700.0};
    for (int i = 0; i < 3; ++i)
        fields[i]->calculationFinished(Vector4(values[i], values[i], values[i], 1.0), CalculatorReference());
    page.widgetClosing(&page);
    QVERIFY(dialogs.boxes.isEmpty());
    QCOMPARE(*fresh, Material({}, 70e9, 26e9, 2700.0, 0.0));
    QVERIFY(fresh->isValid());
    UserDialogs::install(nullptr);
}

void TestPages::unitChangeShowsTheSameValues_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::newRow("metric to imperial") << 0 << 2;
    QTest::newRow("imperial to metric") << 2 << 0;
    QTest::newRow("imperial to continental") << 2 << 1;
}

// The material page and the section page with a calculator open on the
// density while the unit system changes.
void TestPages::unitChangeShowsTheSameValues()
{
    QFETCH(int, from);
    QFETCH(int, to);
    Bench d;
    d.units->setChosenSystem(from);
    const QSharedPointer<MaterialLibrary> library = d.doc->libraries()->materialLibrary();
    const MaterialRef steel(new Material({QStringLiteral("Steel")}, 210e9, 81e9, 7850.0, 0.0));
    library->appendCustom(steel);
    MaterialView page(d.units);
    page.setLibrary(library);
    page.setMaterial(steel);
    connect(&page, &MaterialView::MaterialChanged, d.actions, &EditingActions::actionApplyMaterial);
    // A solid 300 x 150 mm rectangle.
    const CrossSectionRef rectangle(new CrossSection);
    rectangle->setShape(CrossSection::Rectangle);
    rectangle->setOverallDepth(0.3);
    rectangle->setTopFlangeWidth(0.15);
    rectangle->compute();
    CrossSectionView section(d.units);
    section.setSection(rectangle, steel, steel);
    // The main window's routing of a request.
    Calculator calculator(d.units, nullptr);
    connect(&page, &MaterialView::OpenCalculator,
            [&](double v, UnitSystem::Conversion c, const Matrix4x4& M, const CalculatorReference& r, QObject* to,
                const char* slot) {
                calculator.open(v, c, M, r);
                connect(&calculator, SIGNAL(CalculationFinished(Vector4, CalculatorReference)), to, slot);
            });
    page.show();
    const QList<CalculatorField*> fields = page.findChildren<CalculatorField*>(); // E, G, density
    const double inch = 0.0254, foot = 0.3048, pound = 0.45359237, ksi = 4448.2216152605 / (inch * inch);
    const double poundsPerCubicFoot = pound / (foot * foot * foot);
    QTest::mouseClick(fields[2], Qt::LeftButton);
    QVERIFY(calculator.isVisible());
    const double opened = fields[2]->text().toDouble() * (from == 2 ? poundsPerCubicFoot : 1.0);

    d.units->setChosenSystem(to);
    const bool imperial = to == 2;
    // Shown text, SI value, SI per unit shown, half the unit's last decimal.
    struct Check
    {
        QString text;
        double si, unit, tolerance;
    };
    const Check checks[] = {
        {fields[0]->text(), 210e9, imperial ? ksi : 1e9, imperial ? 0.5 : 0.05},
        {fields[1]->text(), 81e9, imperial ? ksi : 1e9, imperial ? 0.5 : 0.05},
        {fields[2]->text(), 7850.0, imperial ? poundsPerCubicFoot : 1.0, imperial ? 0.005 : 0.05},
        {calculator.readoutText(), opened, imperial ? poundsPerCubicFoot : 1.0, 1e-9 * opened},
        {section.findChild<NumericUnitsLabel*>("areaLabel")->text(), 0.045, imperial ? inch * inch : 1e-4,
         imperial ? 0.0005 : 0.005},
        {section.findChild<NumericUnitsLabel*>("massLabel")->text(), 7850.0 * 0.045, imperial ? pound / foot : 1.0,
         imperial ? 0.005 : 0.05}};
    for (const Check& check : checks)
        QVERIFY2(std::fabs(check.text.toDouble() - check.si / check.unit) <= check.tolerance * 1.000001,
                 qPrintable(QStringLiteral("%1 for %2").arg(check.text).arg(check.si / check.unit)));

    // A density typed in the new unit; the page applies its fields as they read.
    pressKeys(calculator, "c500=");
    QVERIFY(calculator.isHidden());
    page.widgetClosing(&page);
    const double units[] = {checks[0].unit, checks[1].unit, checks[2].unit};
    const double applied[] = {steel->youngsModulus(), steel->shearModulus(), steel->density()};
    for (int i = 0; i < 3; ++i)
        QVERIFY2(std::fabs(applied[i] - fields[i]->text().toDouble() * units[i]) <= 1e-12 * applied[i],
                 qPrintable(fields[i]->text()));
    QCOMPARE(fields[2]->text().toDouble(), 500.0);
}

void TestPages::openingWithoutAnEditRecordsNothing_data()
{
    QTest::addColumn<int>("kind");
    QTest::newRow("second-order combination") << 0;
    QTest::newRow("group opacity between two percents") << 1;
    QTest::newRow("titles of fewer than four lines") << 2;
    QTest::newRow("material of more figures than shown") << 3;
    QTest::newRow("sway case") << 4;
}

void TestPages::openingWithoutAnEditRecordsNothing()
{
    QFETCH(int, kind);
    Bench d;
    const auto libraries = d.doc->libraries();
    QScopedPointer<EditorPage> page;
    switch (kind) {
    case 0: {
        const CombinationRef combination(VaroObject::make<Combination>(QStringLiteral("C")));
        combination->addFactor(d.loading(), 1.5);
        combination->setSecondOrder(true);
        libraries->loadCaseLibrary()->append(combination);
        auto* view = new CombinationView(d.units);
        view->setLibrary(libraries->loadCaseLibrary());
        view->setCombination(combination);
        connect(view, &CombinationView::CombinationChanged, d.actions, &EditingActions::actionApplyCombination);
        page.reset(view);
        break;
    }
    case 1: {
        // An alpha of 100 is 39.2 %: the slider shows 39.
        const GeometryGroupRef group(VaroObject::make<GeometryGroup>(QStringLiteral("G")));
        group->setColour(QColor(170, 85, 0, 100));
        libraries->groupLibrary()->append(group);
        auto* view = new GeometryGroupView;
        view->setLibrary(libraries->groupLibrary());
        view->setGeometryGroup(group);
        QCOMPARE(view->findChild<QSlider*>()->value(), 39);
        connect(view, &GeometryGroupView::GroupChanged, d.actions, &EditingActions::actionApplyGeometryGroup);
        page.reset(view);
        break;
    }
    case 2: {
        d.doc->titles()->setTitle(0, 0, QStringLiteral("Bridge"));
        auto* view = new TitlesView;
        view->setTitles(d.doc->titles());
        connect(view, &TitlesView::TitlesChanged, d.actions, &EditingActions::actionApplyTitles);
        page.reset(view);
        break;
    }
    case 3: {
        const MaterialRef custom(
            new Material({QStringLiteral("Alloy")}, 71.123456789e9, 26.987654321e9, 2712.3456, 0.0));
        libraries->materialLibrary()->appendCustom(custom);
        auto* view = new MaterialView(d.units);
        view->setLibrary(libraries->materialLibrary());
        view->setMaterial(custom);
        connect(view, &MaterialView::MaterialChanged, d.actions, &EditingActions::actionApplyMaterial);
        page.reset(view);
        break;
    }
    default: {
        const SwayCaseRef sway(VaroObject::make<SwayCase>(QStringLiteral("S")));
        sway->addFactor(d.loading(), 0.015);
        libraries->loadCaseLibrary()->append(sway);
        auto* view = new SwayCaseView(d.units);
        view->setLibrary(libraries->loadCaseLibrary());
        view->setSwayCase(sway);
        connect(view, &SwayCaseView::SwayCaseChanged, d.actions, &EditingActions::actionApplySwayCase);
        page.reset(view);
    }
    }
    page->show();
    QVERIFY(QTest::qWaitForWindowExposed(page.data()));
    page->writeBack();
    QCOMPARE(d.stack()->count(), 0);

    // An edit handed on, undone and redone: the page shows each state and
    // has no edit left to hand on.
    QLineEdit* name = page->nameField() ? page->nameField() : page->findChild<QLineEdit*>();
    const QString original = name->text();
    name->selectAll();
    QTest::keyClicks(name, QStringLiteral("Edited"));
    page->writeBack();
    for (const bool undo : {true, false}) {
        undo ? d.stack()->undo() : d.stack()->redo();
        QTRY_COMPARE(name->text(), undo ? original : QStringLiteral("Edited"));
        page->writeBack();
        QCOMPARE(d.stack()->count(), 1);
        QCOMPARE(d.stack()->canRedo(), undo);
    }
}

void TestPages::titlesPage()
{
    Bench d;
    const TitlesRef titles = d.doc->titles();
    for (int i = 0; i < 4; ++i)
        titles->setTitle(i, 0, QStringLiteral("Line %1").arg(i));
    TitlesView page;
    connect(&page, &TitlesView::TitlesChanged, d.actions, &EditingActions::actionApplyTitles);
    Emissions changed(&page, &TitlesView::TitlesChanged);
    page.setTitles(titles);
    QList<QLineEdit*> fields = page.findChildren<QLineEdit*>();

    fields[1]->setText(QStringLiteral("  Bridge "));
    page.findChild<QPlainTextEdit*>()->setPlainText(QStringLiteral("Note"));
    page.widgetClosing(&page);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(titles->title(0, 1), QStringLiteral("  Bridge "));
    QCOMPARE(titles->note(), QStringLiteral("Note"));
    QCOMPARE(d.stack()->undoText(), QStringLiteral("Set titles"));

    // Fewer than four lines gain no empty ones, which would be a change.
    const TitlesRef short_(new Titles);
    short_->setTitle(0, 0, QStringLiteral("Only"));
    page.setTitles(short_);
    page.writeBack();
    QCOMPARE(changed.count(), 1);
    // Text typed into a line past them adds the lines up to it.
    fields[5]->setText(QStringLiteral("Third"));
    page.writeBack();
    QCOMPARE(changed.count(), 2);

    page.setEnabled(false);
    page.writeBack();
    QCOMPARE(changed.count(), 2);
}

// Its entry's creation undone under the document's lock, the page in its
// groups window lets the entry go once the undo is over: the window shows its
// list, which asks the document what is used, and the page hands on nothing
// after, so Redo stays.
void TestPages::pageOnARemovedEntryHandsOnNothing()
{
    installEditorPages();
    Bench d;
    GroupAccessor accessor(d.units);
    accessor.setLibrary(d.doc->libraries()->groupLibrary());
    accessor.setDocumentModel(d.doc);
    auto* page = qobject_cast<GeometryGroupView*>(accessor.geometryGroupView());
    QVERIFY(page);
    connect(page, &GeometryGroupView::GroupChanged, d.actions, &EditingActions::actionApplyGeometryGroup);
    connect(page, &GeometryGroupView::GroupRemoved, d.actions, &EditingActions::actionRemoveGroup);
    accessor.show();
    // One group stays for the list to ask about.
    d.actions->actionAddGroup(VaroObject::make<GeometryGroup>(QStringLiteral("Kept")));
    const GeometryGroupRef group(VaroObject::make<GeometryGroup>(QStringLiteral("G")));
    d.actions->actionAddGroup(group);
    accessor.editGroup(group);
    typeName(*page, QStringLiteral("Typed"));
    QSignalSpy back(page, &EditorPage::GoBack);
    {
        GuiWatchdog watchdog("undo with the page open");
        d.actions->actionUndo();
        QTRY_COMPARE(accessor.currentIndex(), 0);
    }
    QCOMPARE(back.count(), 1);
    page->writeBack();
    QCOMPARE(d.stack()->index(), 1);
    QVERIFY(d.stack()->canRedo());

    // Removed with its own button, the page goes back once.
    d.actions->actionRedo();
    accessor.editGroup(group);
    back.clear();
    page->removeButtonWidget()->click();
    QCOMPARE(back.count(), 1);
    QCOMPARE(accessor.currentIndex(), 0);
    EditorPageFactory::install(EditorPageFactory::Maker());
}

void TestPages::windowGeometryIsKeptByClassName()
{
    QTemporaryDir dir;
    Application::_settings.reset(new QSettings(dir.filePath("settings.ini"), QSettings::IniFormat));

    QWidget host;
    auto* embedded = new LoadingView(&host);
    host.show();
    embedded->close();
    QVERIFY(Application::_settings->allKeys().isEmpty());

    {
        LoadingView window;
        window.setGeometry(40, 50, 333, 222);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.close();
    }
    QVERIFY(Application::_settings->contains(QStringLiteral("LoadingView")));
    LoadingView again;
    again.show();
    QVERIFY(QTest::qWaitForWindowExposed(&again));
    QCOMPARE(again.size(), QSize(333, 222));
    Application::_settings.reset();
}

// The accessors live below this library and reach the pages by name only: a
// misspelt contract would leave an edit unapplied without a compile error.
void TestPages::accessorsHostThePages()
{
    installEditorPages();
    Bench d;
    const LoadingRef loading = d.loading();
    LoadCaseAccessor accessor(d.units);
    accessor.setLibrary(d.doc->libraries()->loadCaseLibrary());
    accessor.setDocumentModel(d.doc);
    auto* page = qobject_cast<LoadingView*>(accessor.loadingView());
    QVERIFY(page);
    QVERIFY(qobject_cast<CombinationView*>(accessor.combinationView()));
    QVERIFY(qobject_cast<SwayCaseView*>(accessor.swayCaseView()));
    connect(page, &LoadingView::LoadingChanged, d.actions, &EditingActions::actionApplyLoading);

    QtMessageHandler previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtWarningMsg && text.contains(QLatin1String("for its accessor")))
            QFAIL(qPrintable(text));
    });
    accessor.editLoadCase(loading);
    QCOMPARE(accessor.currentWidget(), page);
    QCOMPARE(page->nameField()->text(), loading->name());
    typeName(*page, QStringLiteral("Snow"));
    accessor.goToRoot();
    qInstallMessageHandler(previous);
    QCOMPARE(loading->name(), QStringLiteral("Snow"));
    QCOMPARE(d.stack()->count(), 1);
    EditorPageFactory::install(EditorPageFactory::Maker());
}

VARO_EDITOR_TEST_MAIN(TestPages)
#include "tst_pages.moc"
