#include "GroupAccessor.h"
#include "LoadCaseAccessor.h"
#include "MaterialPicker.h"
#include "SectionAccessor.h"
#include "SectionCategoryPicker.h"
#include "SectionCountryPicker.h"
#include "SectionSizePicker.h"
#include "WidgetTesting.h"

#include "DocumentTesting.h"

#include "ModelMetaTypes.h"
#include "SectionLibrary.h"

#include <QSignalSpy>

// Stands in for every editor page, answering the calls an accessor makes.
class FakePage : public QWidget
{
    Q_OBJECT

public:
    using QWidget::QWidget;

    VaroObjectRef object;
    QObject* library = nullptr;
    bool removeable = false;
    bool editable = false;
    int writeBacks = 0;
    CrossSectionRef section;
    QList<MaterialRef> materials;

public slots:
    void setLibrary(const QSharedPointer<GroupLibrary>& groups) { library = groups.data(); }
    void setLibrary(const QSharedPointer<LoadCaseLibrary>& cases) { library = cases.data(); }
    void setGeometryGroup(const GeometryGroupRef& group) { object = group; }
    void setLoading(const LoadingRef& loading) { object = loading; }
    void setSwayCase(const SwayCaseRef& sway) { object = sway; }
    void setCombination(const CombinationRef& combination) { object = combination; }
    void setRemoveable(bool value) { removeable = value; }
    void writeBack()
    {
        ++writeBacks;
        emit GoBack();
    }
    void setSection(const CrossSectionRef& shown, const MaterialRef& material, const MaterialRef& defaultMaterial)
    {
        section = shown;
        materials = {material, defaultMaterial};
    }
    void setCustomMaterial(const MaterialRef& material) { materials = {material}; }
    void setEditable(bool value) { editable = value; }

signals:
    void GoBack();
    void OpenCalculator(double value, UnitSystem::Conversion conversion, const Matrix4x4& matrix,
                        const CalculatorReference& ref, QObject* receiver, const char* slot);
    void CalculatorRequestLapsed(const CalculatorReference& reference);
    void OpenMaterialPicker(const MaterialRef& material);
    void SectionChosen(const CrossSectionRef& section, const MaterialRef& material);
};

namespace {

void installFakePages()
{
    EditorPageFactory::install(
        [](EditorPageFactory::Page, const UnitSystemRef&, QWidget* parent) { return new FakePage(parent); });
}

void click(QWidget* picker, const QString& name)
{
    QTRY_VERIFY(picker->findChild<PickerCell*>(name));
    QTest::mouseClick(picker->findChild<PickerCell*>(name), Qt::LeftButton);
}

// Whether a size cell closes its panel.
bool closesPanel(const QWidget* sizes, const QString& name)
{
    const QString sheet = sizes->findChild<PickerCell*>(name)->styleSheet();
    return sheet.contains("border-bottom:") || sheet.contains("border:1px");
}

} // namespace

class TestAccessors : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void loadCasePagesOfferRemovalExactlyWhenAllowed_data();
    void loadCasePagesOfferRemovalExactlyWhenAllowed();
    void editsAreWrittenBackOnTheWayOut_data();
    void editsAreWrittenBackOnTheWayOut();
    void accessorsDoWithoutPages();
    void browserFindsLibrarySizes();
    void customShapesAreEditedInTheView();
    void materialOnlyChangesTheMaterial();

private:
    QSharedPointer<SectionAccessor> browser();
};

void TestAccessors::initTestCase()
{
    registerModelMetaTypes();
    installFakePages();
}

void TestAccessors::loadCasePagesOfferRemovalExactlyWhenAllowed_data()
{
    QTest::addColumn<QString>("edited");
    QTest::addColumn<bool>("withDocument");
    QTest::addColumn<QString>("page");
    QTest::addColumn<bool>("removeable");
    QTest::newRow("loading with loads") << "Dead" << true << "LoadCaseView" << false;
    QTest::newRow("empty loading in a combination") << "E" << true << "LoadCaseView" << false;
    QTest::newRow("free loading") << "F" << true << "LoadCaseView" << true;
    QTest::newRow("without document") << "F" << false << "LoadCaseView" << false;
    QTest::newRow("sway case in a combination") << "S" << true << "SwayCaseView" << false;
    QTest::newRow("free combination") << "C" << true << "CombinationView" << true;
    QTest::newRow("gravity case") << "G" << true << "Picker" << false;
    QTest::newRow("used group") << "Frame" << true << "GeometryGroupView" << false;
    QTest::newRow("free group") << "Free" << true << "GeometryGroupView" << true;
    QTest::newRow("plain group") << "Plain" << true << "Picker" << false;
}

void TestAccessors::loadCasePagesOfferRemovalExactlyWhenAllowed()
{
    QFETCH(QString, edited);
    QFETCH(bool, withDocument);
    QFETCH(bool, removeable);
    const QSharedPointer<DocumentModel> document = newDocument();
    Frame frame(document.data());
    frame.nodes[0]->setGeometryGroup(frame.group);
    const QSharedPointer<Libraries> libraries = document->libraries();
    QMap<QString, VaroObjectRef> byName{{"Dead", frame.loading},
                                        {"E", VaroObject::make<Loading>("E")},
                                        {"F", VaroObject::make<Loading>("F")},
                                        {"G", VaroObject::make<GravityCase>("G")},
                                        {"S", VaroObject::make<SwayCase>("S")},
                                        {"C", VaroObject::make<Combination>("C")},
                                        {"Frame", frame.group},
                                        {"Free", VaroObject::make<GeometryGroup>("Free")},
                                        {"Plain", VaroObject::make<Group>("Plain")}};
    byName["C"].staticCast<SuperLoadCase>()->setFactors({{byName["E"].staticCast<LoadCase>(), 1.0},
                                                         {byName["S"].staticCast<LoadCase>(), 1.0}});
    libraries->loadCaseLibrary()->append(byName["C"].staticCast<LoadCase>());

    LoadCaseAccessor cases{UnitSystemRef()};
    GroupAccessor groups{UnitSystemRef()};
    cases.setLibrary(libraries->loadCaseLibrary());
    groups.setLibrary(libraries->groupLibrary());
    if (withDocument) {
        cases.setDocumentModel(document);
        groups.setDocumentModel(document);
    }
    const bool isGroup = byName[edited].objectCast<Group>();
    QStackedWidget* accessor = isGroup ? static_cast<QStackedWidget*>(&groups) : &cases;
    if (isGroup)
        groups.editGroup(byName[edited].staticCast<Group>());
    else
        cases.editLoadCase(byName[edited].staticCast<LoadCase>());
    QTEST(accessor->currentWidget()->objectName(), "page");
    if (auto* shown = qobject_cast<FakePage*>(accessor->currentWidget())) {
        QCOMPARE(shown->object, byName[edited]);
        QCOMPARE(shown->removeable, removeable);
        QCOMPARE(shown->library, isGroup ? static_cast<QObject*>(libraries->groupLibrary().data())
                                         : libraries->loadCaseLibrary().data());
    }
}

void TestAccessors::editsAreWrittenBackOnTheWayOut_data()
{
    QTest::addColumn<QString>("way");
    QTest::newRow("back cell") << "back";
    QTest::newRow("closing the window") << "close";
    QTest::newRow("the owner going to the root") << "root";
    QTest::newRow("editing another case") << "edit";
}

void TestAccessors::editsAreWrittenBackOnTheWayOut()
{
    QFETCH(QString, way);
    LoadCaseAccessor accessor{UnitSystemRef()};
    accessor.show();
    const LoadingRef first(VaroObject::make<Loading>("First"));
    const CombinationRef second(VaroObject::make<Combination>("Second"));
    accessor.editLoadCase(first);
    auto* page = qobject_cast<FakePage*>(accessor.loadingView());
    QCOMPARE(accessor.currentWidget(), page);
    if (way == "back")
        page->writeBack();
    else if (way == "close")
        accessor.close();
    else if (way == "root")
        accessor.goToRoot();
    else
        accessor.editLoadCase(second);
    QCOMPARE(page->writeBacks, 1);
    QCOMPARE(accessor.currentWidget()->objectName(), way == "edit" ? "CombinationView" : "Picker");
    // The picker is shown again without a second write-back.
    accessor.goToRoot();
    QCOMPARE(page->writeBacks, 1);
    QVERIFY(!accessor.testAttribute(Qt::WA_DeleteOnClose));
}

void TestAccessors::accessorsDoWithoutPages()
{
    EditorPageFactory::install(EditorPageFactory::Maker());
    LoadCaseAccessor cases{UnitSystemRef()};
    GroupAccessor groups{UnitSystemRef()};
    SectionAccessor sections{UnitSystemRef(new UnitSystem)};
    installFakePages();
    cases.editLoadCase(VaroObject::make<Loading>("L"));
    groups.editGroup(VaroObject::make<GeometryGroup>("G"));
    QCOMPARE(cases.count() + groups.count(), 2);
    QVERIFY(!cases.loadingView() && !groups.geometryGroupView() && !sections.crossSectionView());
    QSignalSpy chosen(&sections, &SectionAccessor::SectionChosen);
    const MaterialRef steel(new Material({"Steel"}, 1, 1, 1, 1));
    sections.materialChosen(steel);
    QCOMPARE(chosen.count(), 1);
}

QSharedPointer<SectionAccessor> TestAccessors::browser()
{
    static const QSharedPointer<MaterialLibrary> materials(new MaterialLibrary);
    static const QSharedPointer<SectionLibrary> sections(new SectionLibrary(materials));
    QSharedPointer<SectionAccessor> accessor(new SectionAccessor(UnitSystemRef(new UnitSystem)));
    accessor->setLibraries(sections, materials);
    accessor->resize(900, 500);
    accessor->show();
    // Laid out at the size the window system answers with.
    if (!QTest::qWaitForWindowExposed(accessor.data()))
        qWarning("the browser was never exposed");
    return accessor;
}

void TestAccessors::browserFindsLibrarySizes()
{
    const QSharedPointer<SectionAccessor> accessor = browser();
    auto* view = qobject_cast<FakePage*>(accessor->crossSectionView());
    QVERIFY(view->isHidden() && accessor->categoryPicker()->isHidden());
    click(accessor->countryPicker(), "british");
    click(accessor->categoryPicker(), "ub");
    QVERIFY(!accessor->sizePicker()->isHidden());
    click(accessor->sizePicker(), "127 x 76 x 13");
    QVERIFY(!view->isHidden() && !view->editable);
    QCOMPARE(view->section->names(), QStringList({"British", "UB", "127 x 76 x 13"}));
    QCOMPARE(view->materials[0]->name(), QStringLiteral("Steel S275"));

    // Consecutive sizes share a panel while the leading half of their numbers agree.
    QVERIFY(closesPanel(accessor->sizePicker(), "914 x 305 x 576"));
    QVERIFY(!closesPanel(accessor->sizePicker(), "914 x 419 x 343"));
    QVERIFY(!closesPanel(accessor->sizePicker(), "254 x 102 x 22"));

    // Opening on a member's section and material, with names in other capitals.
    const CrossSectionRef section(new CrossSection(*view->section));
    section->setNames({"BRITISH", "ub", "127 X 76 X 13"});
    const MaterialRef concrete(new Material({"Concrete"}, 1, 1, 1, 1));
    accessor->setSelection(section, concrete);
    QCOMPARE(accessor->countryPicker()->currentLibraryItem()->name(), QStringLiteral("British"));
    QCOMPARE(accessor->categoryPicker()->currentLibraryItem()->name(), QStringLiteral("UB"));
    QCOMPARE(accessor->sizePicker()->currentLibraryItem()->name(), QStringLiteral("127 x 76 x 13"));
    QCOMPARE(view->materials[0], concrete);

    accessor->setSelection();
    QVERIFY(!accessor->countryPicker()->currentLibraryItem());
    QVERIFY(view->isHidden() && accessor->categoryPicker()->isHidden() && accessor->sizePicker()->isHidden());
}

void TestAccessors::customShapesAreEditedInTheView()
{
    const QSharedPointer<SectionAccessor> accessor = browser();
    auto* view = qobject_cast<FakePage*>(accessor->crossSectionView());
    const CrossSectionRef mine(new CrossSection);
    mine->setShape(CrossSection::Tee);
    mine->setNames({"", "My tee"});
    const MaterialRef concrete(new Material({"Concrete"}, 1, 1, 1, 1));
    accessor->setSelection(mine, concrete);
    QCOMPARE(accessor->categoryPicker()->currentLibraryItem()->value()->crossSection()->shape(),
             CrossSection::Shape(CrossSection::Tee));
    QVERIFY(accessor->sizePicker()->isHidden() && !view->isHidden() && view->editable);
    QCOMPARE(view->section, mine);

    // Another shape shows the library's template of it; the tee again the member's own.
    const QString channel = CrossSection::nameOfShape(CrossSection::Channel).toLower();
    click(accessor->categoryPicker(), channel);
    QCOMPARE(view->section->shape(), CrossSection::Shape(CrossSection::Channel));
    QCOMPARE(view->materials, QList<MaterialRef>({concrete, concrete}));
    click(accessor->categoryPicker(), CrossSection::nameOfShape(CrossSection::Tee).toLower());
    QCOMPARE(view->section, mine);
}

void TestAccessors::materialOnlyChangesTheMaterial()
{
    const QSharedPointer<SectionAccessor> accessor = browser();
    auto* view = qobject_cast<FakePage*>(accessor->crossSectionView());
    QSignalSpy chosen(accessor.data(), &SectionAccessor::SectionChosen);
    click(accessor->countryPicker(), "material only");
    QVERIFY(!accessor->materialPicker()->isHidden() && accessor->categoryPicker()->isHidden());
    click(accessor->materialPicker(), "steel s275");
    QCOMPARE(chosen.count(), 1);
    QVERIFY(!chosen[0][0].value<CrossSectionRef>());
    QCOMPARE(chosen[0][1].value<MaterialRef>()->name(), QStringLiteral("Steel S275"));
    QVERIFY(accessor->materialPicker()->isHidden());

    // With a section shown the view takes the material and the choice waits for it.
    click(accessor->countryPicker(), "british");
    click(accessor->categoryPicker(), "ub");
    click(accessor->sizePicker(), "127 x 76 x 13");
    emit view->OpenMaterialPicker(MaterialRef());
    click(accessor->materialPicker(), "steel s235");
    QCOMPARE(chosen.count(), 1);
    QCOMPARE(view->materials.value(0)->name(), QStringLiteral("Steel S235"));
    emit view->SectionChosen(view->section, view->materials[0]);
    QCOMPARE(chosen.count(), 2);
}

VARO_WIDGET_TEST_MAIN(TestAccessors)

#include "tst_accessors.moc"
