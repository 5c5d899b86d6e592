#include "GroupPicker.h"
#include "LoadAxisPicker.h"
#include "LoadCasePicker.h"
#include "MaterialPicker.h"
#include "MemberPinPicker.h"
#include "NavigationStack.h"
#include "SupportPicker.h"
#include "WidgetTesting.h"

#include "DocumentTesting.h"

#include "GroupLibrary.h"
#include "LoadCaseLibrary.h"
#include "Member.h"
#include "MemberPinLibrary.h"
#include "Node.h"
#include "ModelMetaTypes.h"
#include "PointLoad.h"
#include "SupportLibrary.h"
#include "TorqueLoad.h"

#include <QPointer>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTextDocumentFragment>

namespace {

// The texts of the picker's cells in layout order, one line each.
QStringList cellTexts(const QWidget& picker)
{
    QStringList texts;
    for (const PickerCell* cell : picker.findChildren<PickerCell*>())
        if (!cell->text().isEmpty() && !cell->isHidden())
            texts << QTextDocumentFragment::fromHtml(cell->text()).toPlainText().simplified();
    return texts;
}

PickerCell* cell(const QWidget& picker, const QString& name)
{
    return picker.findChild<PickerCell*>(name);
}

// The names of the highlighted cells.
QString litCells(const QWidget& picker)
{
    QStringList names;
    for (const PickerCell* c : picker.findChildren<PickerCell*>())
        if (c->isHighlighted())
            names << c->objectName();
    return names.join(", ");
}

template <class Picker>
struct Counting : Picker
{
    using Picker::Picker;
    void repopulate() override
    {
        ++count;
        Picker::repopulate();
    }
    int count = 0;
};

} // namespace

class TestPickers : public QObject
{
    Q_OBJECT

private slots:
    void changesRebuildOncePerPass();
    void aCellChoosesTheLibrarysOwnEntry();
    void demonstrationsFindCellsAndClicksSurviveRebuilds();
    void groupsAndLoadCasesNoteWhatIsUnused();
    void materialsShowModuliAndImpossibleOnesInRed_data();
    void materialsShowModuliAndImpossibleOnesInRed();
    void navigationStackGoesBackOnePageAtATime();
    void namesShowAsTyped_data();
    void namesShowAsTyped();
    void pinOfTheSelectedEnds_data();
    void pinOfTheSelectedEnds();
    void axisOfTheSelectedLoads_data();
    void axisOfTheSelectedLoads();
};

void TestPickers::changesRebuildOncePerPass()
{
    QSharedPointer<LoadAxisLibrary> library(new LoadAxisLibrary);
    Counting<LoadAxisPicker> picker;
    picker.setLibrary(library);
    picker.show();
    picker.count = 0;
    for (int i = 0; i < 10; ++i)
        emit library->Changed();
    picker.setDisplayTorqueAxes(true);
    QTRY_COMPARE(picker.count, 1);
    QCOMPARE(cellTexts(picker).first(), QStringLiteral("Around global X"));

    picker.hide();
    picker.setDisplayTorqueAxes(false);
    QCoreApplication::processEvents();
    QCOMPARE(cellTexts(picker).first(), QStringLiteral("Around global X"));
    picker.show();
    QCOMPARE(cellTexts(picker).first(), QStringLiteral("In global X"));
    picker.setLibrary(QSharedPointer<LoadAxisLibrary>());
    QVERIFY(cellTexts(picker).isEmpty());
}

void TestPickers::aCellChoosesTheLibrarysOwnEntry()
{
    QSharedPointer<SupportLibrary> library(new SupportLibrary);
    SupportPicker picker;
    picker.setLibrary(library);
    picker.resize(256, 120);
    picker.show();
    QVERIFY(QTest::qWaitForWindowExposed(&picker));
    QSignalSpy chosen(&picker, &SupportPicker::SupportChosen);
    QTest::mouseClick(cell(picker, "fully fixed"), Qt::LeftButton);
    QCOMPARE(chosen.count(), 1);
    QCOMPARE(chosen[0][0].value<SupportRef>(), library->valuesOf(library->root()).first());

    // An equal mask lights the library's entry, which survives a rebuild at
    // the scroll position the user left.
    const SupportRef last = library->valuesOf(library->root()).last();
    picker.setSelection(VaroObject::make<Support>("Copy", last->dof()));
    PickerCell* lit = cell(picker, last->name().toLower());
    QVERIFY(lit->isHighlighted());
    const int scrolled = picker.verticalScrollBar()->value();
    QVERIFY(scrolled > 0);
    emit library->Changed();
    QTRY_VERIFY(cell(picker, last->name().toLower()) != lit);
    QVERIFY(cell(picker, last->name().toLower())->isHighlighted());
    QCOMPARE(picker.verticalScrollBar()->value(), scrolled);
    picker.setSelection();
    for (const PickerCell* c : picker.findChildren<PickerCell*>())
        QVERIFY(!c->isHighlighted());
    // Free freedoms are struck through.
    QCOMPARE(cell(picker, "fully fixed")->text().count("<s "), 0);
    QCOMPARE(cell(picker, "restrained in x")->text().count("<s "), 5);
    QCOMPARE(cell(picker, "unrestrained")->text().count("<s "), 6);
}

void TestPickers::demonstrationsFindCellsAndClicksSurviveRebuilds()
{
    QSharedPointer<MemberPinLibrary> library(new MemberPinLibrary);
    MemberPinPicker picker;
    QWidget outside;
    picker.setLibrary(library);
    picker.show();
    const QVariant self = QVariant::fromValue<QWidget*>(&picker);
    const QPoint centre = cell(picker, "pinned")->mapToGlobal(cell(picker, "pinned")->rect().center());
    QStack<QVariant> stack;
    bool handled = false;
    stack << 7 << "  PINNED " << self;
    picker.tryForthWord("SYS:CELLHOTSPOT", &stack, &handled);
    QVERIFY(handled);
    QCOMPARE(stack, (QStack<QVariant>() << 7 << centre.y() << centre.x() << self));
    for (const QVariant& target : {self, QVariant::fromValue<QWidget*>(&outside)}) {
        handled = false;
        stack.clear();
        stack << "hinged" << target;
        picker.tryForthWord("SYS:CELLHOTSPOT", &stack, &handled);
        QVERIFY(!handled);
        QCOMPARE(stack, (QStack<QVariant>() << "hinged" << target));
    }

    // A choice that rebuilds the picker at once leaves the clicked cell
    // alive until its click is over.
    connect(&picker, &MemberPinPicker::MemberPinChosen, [&] { picker.setLibrary(library); });
    QPointer<PickerCell> clicked = cell(picker, "pinned");
    QTest::mouseClick(clicked, Qt::LeftButton);
    QVERIFY(clicked);
    QVERIFY(cell(picker, "pinned") != clicked);
    QTRY_VERIFY(!clicked);
}

void TestPickers::groupsAndLoadCasesNoteWhatIsUnused()
{
    const QSharedPointer<DocumentModel> document = newDocument();
    Frame frame(document.data());
    const QSharedPointer<Libraries> libraries = document->libraries();
    const GravityCaseRef gravity(VaroObject::make<GravityCase>("Gravity"));
    const SwayCaseRef sway(VaroObject::make<SwayCase>("Sway"));
    for (const LoadCaseRef& loadCase : QList<LoadCaseRef>{VaroObject::make<Loading>("Wind"), gravity, sway})
        libraries->loadCaseLibrary()->append(loadCase);
    frame.members[0]->setSectionType(SectionTypeRef()); // gravity then yields nothing

    LoadCasePicker cases;
    cases.setLibrary(libraries->loadCaseLibrary());
    cases.show();
    QCOMPARE(cellTexts(cases), QStringList({"Dead", "Wind", "Add loadcase", "Gravity", "Sway", "Add swaycase",
                                            "Add combination"}));
    cases.setDocumentModel(document);
    QCOMPARE(cellTexts(cases), QStringList({"Dead", "Wind (empty)", "Add loadcase", "Gravity (omitted)",
                                            "Sway (unused)", "Add swaycase", "Add combination"}));
    // Edit buttons beside loadings, sway cases and combinations only.
    QCOMPARE(cases.findChildren<PickerCell*>().size(), 7 + 3 + 3);

    GroupPicker groups;
    groups.setLibrary(libraries->groupLibrary());
    groups.setDocumentModel(document);
    groups.show();
    QCOMPARE(cellTexts(groups), QStringList({"Unspecified", "Frame (empty)", "Add geometry group"}));
    // Unspecified, Frame, its edit button, the caption, the plus sign; only
    // the plus sign adds, and the new group shows once the library has it.
    QSignalSpy added(&groups, &GroupPicker::AddGroup);
    QSignalSpy edited(&groups, &GroupPicker::EditGroup);
    const QList<PickerCell*> cells = groups.findChildren<PickerCell*>();
    for (int i = 2; i <= 4; ++i)
        QTest::mouseClick(cells[i], Qt::LeftButton);
    QCOMPARE(added.count(), 1);
    QCOMPARE(added[0][0].value<GroupRef>().objectCast<GeometryGroup>()->name(), QStringLiteral("Geometry 1"));
    QCOMPARE(edited[0][0].value<GroupRef>(), GroupRef(frame.group));
    QCOMPARE(groups.findChildren<PickerCell*>().size(), 5);

    QSignalSpy chosen(&groups, &GroupPicker::GroupChosen);
    groups.setSelection(VaroObject::make<GeometryGroup>("Elsewhere"));
    PickerCell* unspecified = groups.findChildren<PickerCell*>().first();
    QVERIFY(unspecified->isHighlighted());
    QTest::mouseClick(unspecified, Qt::LeftButton);
    QCOMPARE(chosen.count(), 1);
    QVERIFY(!chosen[0][0].value<GroupRef>());

    frame.nodes[0]->setGeometryGroup(frame.group);
    emit document->StructureHasChanged();
    QCOMPARE(cellTexts(groups)[1], QStringLiteral("Frame"));
    groups.setSelection(frame.group);
    QVERIFY(cell(groups, "frame")->isHighlighted());
    QVERIFY(!groups.findChildren<PickerCell*>().first()->isHighlighted());
}

void TestPickers::materialsShowModuliAndImpossibleOnesInRed_data()
{
    QTest::addColumn<double>("density");
    QTest::addColumn<double>("E");
    QTest::addColumn<double>("G");
    QTest::addColumn<bool>("red");
    QTest::newRow("steel") << 7850.0 << 210e9 << 81e9 << false;
    QTest::newRow("Poisson's ratio above one half") << 7850.0 << 210e9 << 69e9 << true;
    QTest::newRow("weightless") << 0.0 << 210e9 << 81e9 << true;
    QTest::newRow("too soft") << 7850.0 << 2.9e5 << 1e5 << true;
}

void TestPickers::materialsShowModuliAndImpossibleOnesInRed()
{
    QFETCH(double, density);
    QFETCH(double, E);
    QFETCH(double, G);
    QSharedPointer<MaterialLibrary> library(new MaterialLibrary);
    const MaterialRef material(new Material({"Tested"}, E, G, density, 0.0));
    library->appendCustom(material);
    UnitSystemRef units(new UnitSystem);
    MaterialPicker picker(units);
    picker.setLibrary(library);
    picker.show();
    QTEST(cell(picker, "tested")->styleSheet().contains(" color:#aa0000;"), "red");
    // Read-only: no edit buttons and no add button.
    const auto shownCells = [&picker] {
        int shown = 0;
        for (const PickerCell* c : picker.findChildren<PickerCell*>())
            shown += !c->isHidden();
        return shown;
    };
    QCOMPARE(shownCells(), 10);
    QVERIFY(!cellTexts(picker).contains("Add material"));
    QVERIFY(cellTexts(picker).first().endsWith("kN/mm2"));
    units->setChosenSystem(1);
    QTRY_VERIFY(cellTexts(picker).first().endsWith("GPa"));

    picker.setSelection(MaterialRef(new Material({"TESTED"}, 0, 0, 0, 0)));
    QVERIFY(cell(picker, "tested")->isHighlighted());
    picker.setEditable(true);
    QCOMPARE(shownCells(), 10 + 10 + 2);
    QCOMPARE(cellTexts(picker).last(), QStringLiteral("Add material"));
}

void TestPickers::namesShowAsTyped_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("markup") << "<b>Roof</b>";
    QTest::newRow("comparison") << "a<b and c>d";
    QTest::newRow("entity") << "Wind &amp; snow";
    QTest::newRow("placeholder") << "Case %2";
    QTest::newRow("long") << QStringLiteral("Wind & snow on the long side, ").repeated(6).left(165);
}

void TestPickers::namesShowAsTyped()
{
    QFETCH(QString, name);
    QSharedPointer<GroupLibrary> groups(new GroupLibrary);
    groups->append(VaroObject::make<GeometryGroup>(name));
    QSharedPointer<LoadCaseLibrary> cases(new LoadCaseLibrary);
    cases->append(VaroObject::make<Loading>(name));
    QSharedPointer<MaterialLibrary> materials(new MaterialLibrary);
    materials->appendCustom(MaterialRef(new Material({name}, 210e9, 81e9, 7850.0, 0.0)));
    GroupPicker groupPicker;
    groupPicker.setLibrary(groups);
    LoadCasePicker casePicker;
    casePicker.setLibrary(cases);
    MaterialPicker materialPicker(UnitSystemRef(new UnitSystem));
    materialPicker.setLibrary(materials);
    for (QScrollArea* picker : {static_cast<QScrollArea*>(&groupPicker), static_cast<QScrollArea*>(&casePicker)}) {
        picker->show();
        if (name.size() < 100) {
            QVERIFY2(cellTexts(*picker).contains(name), qPrintable(cellTexts(*picker).join(" | ")));
            continue;
        }
        // Cut short, whole in the tool tip, so that the arrow to its page stays in view.
        QVERIFY(QTest::qWaitForWindowExposed(picker));
        QTRY_COMPARE(QTextDocumentFragment::fromHtml(cell(*picker, name.toLower().simplified())->toolTip()).toPlainText(), name);
        for (PickerCell* arrow : picker->findChildren<PickerCell*>())
            if (arrow->text().isEmpty())
                QVERIFY(picker->viewport()->rect().contains(QRect(arrow->mapTo(picker->viewport(), {}), arrow->size())));
        keepForReview(picker->grab(), picker->metaObject()->className() + QStringLiteral("-long.png"));
    }
    if (name.size() >= 100)
        return;
    materialPicker.show();
    const QString materialCell = cellTexts(materialPicker).last();
    QVERIFY2(materialCell.startsWith(name + QLatin1String(" E:")), qPrintable(materialCell));
}

void TestPickers::pinOfTheSelectedEnds_data()
{
    // Member 0 runs from node 0 to node 1, member 1 from node 1 to node 2.
    QTest::addColumn<QString>("pins"); // the end conditions A B of each member, P pinned, R rigid
    QTest::addColumn<QList<int>>("members");
    QTest::addColumn<QList<int>>("nodes");
    QTest::addColumn<QString>("highlighted");
    QTest::newRow("pinned end at the selected node") << "PRRR" << QList<int>{0} << QList<int>{0} << "pinned";
    QTest::newRow("rigid end at the selected node") << "PRRR" << QList<int>{0} << QList<int>{1} << "rigid";
    QTest::newRow("no node: both ends agree") << "PPRR" << QList<int>{0} << QList<int>{} << "pinned";
    QTest::newRow("no node: ends differ") << "PRRR" << QList<int>{0} << QList<int>{} << "";
    QTest::newRow("two members meet pinned") << "RPPR" << QList<int>{0, 1} << QList<int>{1} << "pinned";
    QTest::newRow("two members meet differently") << "RPRR" << QList<int>{0, 1} << QList<int>{1} << "";
    QTest::newRow("node away from the member") << "PPPP" << QList<int>{0} << QList<int>{2} << "";
    QTest::newRow("no member") << "PPPP" << QList<int>{} << QList<int>{0} << "";
}

void TestPickers::pinOfTheSelectedEnds()
{
    QFETCH(QString, pins);
    QFETCH(QList<int>, members);
    QFETCH(QList<int>, nodes);
    const QList<NodeRef> all{VaroObject::make<Node>(), VaroObject::make<Node>(), VaroObject::make<Node>()};
    const QList<MemberRef> beam{VaroObject::make<Member>(all[0], all[1]), VaroObject::make<Member>(all[1], all[2])};
    for (int i = 0; i < 2; ++i)
        beam[i]->setEndConditions(qMakePair(Dof(pins[2 * i] == 'P' ? Dof::Pinned : Dof::All),
                                            Dof(pins[2 * i + 1] == 'P' ? Dof::Pinned : Dof::All)));
    QList<MemberRef> selectedMembers;
    for (int i : members)
        selectedMembers << beam[i];
    QList<NodeRef> selectedNodes;
    for (int i : nodes)
        selectedNodes << all[i];

    MemberPinPicker picker;
    picker.setLibrary(QSharedPointer<MemberPinLibrary>(new MemberPinLibrary));
    picker.show();
    picker.setSelection(MemberPinPicker::pinOfSelection(selectedMembers, selectedNodes));
    QTEST(litCells(picker), "highlighted");
}

void TestPickers::axisOfTheSelectedLoads_data()
{
    // Each load as its kind, P a point load or T a moment load, with a copy of
    // the library axis named after the colon; the kind alone is a new load of
    // it, on its default axis. The master is the last.
    QTest::addColumn<QStringList>("loads");
    QTest::addColumn<bool>("torqueAxes");
    QTest::addColumn<QString>("highlighted");
    QTest::newRow("new moment load") << QStringList{"T"} << true << "around global y";
    QTest::newRow("new point load") << QStringList{"P"} << false << "in global y";
    QTest::newRow("torsion, not local X") << QStringList{"T:Torsion"} << true << "torsion";
    QTest::newRow("moments on two axes") << QStringList{"T", "T:Around global X"} << true << "";
    QTest::newRow("a point load among moments") << QStringList{"P", "T"} << true << "";
    QTest::newRow("a moment among point loads") << QStringList{"T", "P"} << false << "";
    QTest::newRow("no loads") << QStringList{} << false << "";
}

void TestPickers::axisOfTheSelectedLoads()
{
    QFETCH(QStringList, loads);
    QFETCH(bool, torqueAxes);
    QSharedPointer<LoadAxisLibrary> library(new LoadAxisLibrary);
    QList<LoadRef> selected;
    for (const QString& load : loads) {
        const QStringList kindAndAxis = load.split(':');
        selected << (kindAndAxis[0] == "T" ? LoadRef(TorqueLoad::makeDefault(LoadCaseRef()))
                                           : LoadRef(PointLoad::makeDefault(LoadCaseRef())));
        for (const LoadAxisRef& axis : library->valuesOf(library->root()))
            if (kindAndAxis.size() > 1 && axis->name() == kindAndAxis[1])
                selected.last()->setAxis(VaroObject::make<LoadAxis>(axis->axis()));
    }

    LoadAxisPicker picker;
    picker.setLibrary(library);
    picker.show();
    picker.setSelectedLoads(selected.value(selected.size() - 1), selected);
    QCOMPARE(picker.displaysTorqueAxes(), torqueAxes);
    QTRY_COMPARE(cellTexts(picker).value(0), QString(torqueAxes ? "Around global X" : "In global X"));
    QTEST(litCells(picker), "highlighted");
}

void TestPickers::navigationStackGoesBackOnePageAtATime()
{
    NavigationStack stack;
    QList<QWidget*> pages;
    for (int i = 0; i < 3; ++i) {
        pages << new QWidget;
        stack.pages()->addWidget(pages.last());
    }
    stack.show();
    QWidget* bar = stack.findChild<QWidget*>("navigatorWidget");
    QList<const QWidget*> leaving;
    connect(&stack, &NavigationStack::LeavingWidget, [&](const QWidget* page) { leaving << page; });
    stack.setCurrentWidget(pages[2]);
    QVERIFY(bar->isVisible());
    stack.setCurrentWidget(pages[2]);
    stack.setCurrentWidget(new QWidget(&stack));
    stack.goBack();
    QCOMPARE(stack.pages()->currentIndex(), 2);
    QCOMPARE(leaving.count(), 0);
    stack.goBack();
    QCOMPARE(stack.pages()->currentIndex(), 0);
    QCOMPARE(leaving.count(), 1);
    QCOMPARE(leaving.first(), pages[2]);
    QVERIFY(!bar->isVisible());
    stack.goBack();
    QCOMPARE(leaving.count(), 1);
}

VARO_WIDGET_TEST_MAIN_REGISTERING(TestPickers, registerModelMetaTypes())

#include "tst_pickers.moc"
