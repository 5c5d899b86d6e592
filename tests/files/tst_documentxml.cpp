#include "BudgetTesting.h"
#include "Combination.h"
#include "CpuTimeTesting.h"
#include "CrossSection.h"
#include "CurrentState.h"
#include "DisposalTesting.h"
#include "DocumentModel.h"
#include "DocumentXmlTesting.h"
#include "FileLimitTesting.h"
#include "GeometryGroup.h"
#include "Libraries.h"
#include "LoadCaseLibrary.h"
#include "LoadAxis.h"
#include "Member.h"
#include "Material.h"
#include "MaterialLibrary.h"
#include "MemberAxis.h"
#include "SectionType.h"
#include "ModelMetaTypes.h"
#include "ModelResources.h"
#include "NativeContainer.h"
#include "Node.h"
#include "PointLoad.h"
#include "ReadingBudget.h"
#include "Report.h"
#include "StructureModel.h"
#include "Support.h"
#include "UnitSystem.h"
#include "ViewPoint.h"
#include "TestMain.h"

#include <QDir>
#include <QRandomGenerator>
#include <QtTest>

namespace {

// Two nodes on one support, the second in a group the library lacks, one
// member with a point load, a selection with a count and a deleted object.
void fill(Parts& parts)
{
    const LoadingRef loading(VaroObject::make<Loading>(QStringLiteral("Dead")));
    parts.loadings << loading;
    const SupportRef support(VaroObject::make<Support>(QStringLiteral("Fixed"), Dof(63)));
    const GeometryGroupRef group(VaroObject::make<GeometryGroup>(QStringLiteral("Columns")));
    const NodeRef a(VaroObject::make<Node>()), b(VaroObject::make<Node>());
    a->setSupport(support);
    b->setSupport(support);
    b->setPosition(Vector3(4.0, 0.0, 0.0));
    b->setGeometryGroup(group);
    const MemberRef member(VaroObject::make<Member>());
    member->setNodeA(a);
    member->setNodeB(b);
    const QSharedPointer<PointLoad> load = PointLoad::makeDefault(loading);
    load->setMember(member);
    parts.structure.appendObjects({a, b, member, load});
    const NodeRef deleted(VaroObject::make<Node>());
    parts.selection.selectObjects({a, deleted, member}, {{member, 3}, {deleted, 2}});
    parts.memory.setValueAt(5, ViewPointRef(new ViewPoint));
}

// A new document, view point and current state read from one text.
struct ReadContent
{
    QSharedPointer<UnitSystem> units{new UnitSystem};
    DocumentModel document{units};
    ViewPoint viewPoint;
    CurrentState state;
    QString error;
    bool ok = false;

    // Empty, for a test to watch the document before it reads.
    ReadContent() = default;
    explicit ReadContent(const QByteArray& text) { read(text); }
    bool read(const QByteArray& text)
    {
        return ok = DocumentXml::readContent(text, &document, &viewPoint, &state, &error);
    }
};

} // namespace

class TestDocumentXml : public QObject
{
    Q_OBJECT

private slots:
    // What a row closed goes before the next row opens its model.
    void cleanup() { letClosedModelsGo(); }
    void initTestCase() { registerModelMetaTypes(); }
    void roundTrip();
    void refusesBrokenReferences_data();
    void refusesBrokenReferences();
    void viewPointSlots();
    void wholeContent_data();
    void wholeContent();
    void largeSelectionReadsInLinearTime();
    void manyLibraryEntriesReadInLinearTime();
    void libraryEntriesJoinTheirLibrariesOnce();
    void longReportBlockReadsInLinearTime();
    void manyMaterialsReadInLinearTime();
    void objectsPastTheBudgetAreNeverBuilt();
    void textWithoutDocumentIsRefusedUnread();
    void deepNestingIsRefused_data();
    void deepNestingIsRefused();
    void manyAttributesAreRefusedAtOnce_data();
    void manyAttributesAreRefusedAtOnce();
    void savedTextIsForeseenAtOpening();
    void sharedSectionLibraryReadsAlike();
    void everySavedModelOpensAgain_data();
    void everySavedModelOpensAgain();
    void damagedNumbersRefuseTheFile_data();
    void damagedNumbersRefuseTheFile();
    void extremeNumbersSaveAndOpenAgain_data();
    void extremeNumbersSaveAndOpenAgain();
    void onlyUtf8IsRead_data();
    void onlyUtf8IsRead();
    void budgetCountsAllThatIsBuilt();
    void savedTextIsBoundedAtOpening_data();
    void savedTextIsBoundedAtOpening();
    void savedTextOfAModelSavedIsBoundedClosely();
    void longChainsOfReferencesSaveAndOpenAgain_data();
    void longChainsOfReferencesSaveAndOpenAgain();
};

void TestDocumentXml::roundTrip()
{
    Parts original;
    fill(original);
    const QString first = write(original);
    QCOMPARE(first.count(QStringLiteral("<Support ")), 1);
    QVERIFY(!first.contains(QStringLiteral("<Reports")));

    Parts copy;
    QVERIFY(read(first, copy));
    QCOMPARE(withNumberedIds(write(copy)), withNumberedIds(first));

    const QList<NodeRef> nodes = copy.structure.nodes();
    QCOMPARE(nodes.size(), 2);
    QVERIFY(nodes[0]->support() && nodes[0]->support() == nodes[1]->support());
    // The group reaches the library although only the structure wrote it.
    QCOMPARE(copy.groups.geometryGroups().size(), 1);
    QCOMPARE(nodes[1]->group(), copy.groups.geometryGroups().first());
    QCOMPARE(copy.structure.loads().first()->member(), copy.structure.members().first());
    QCOMPARE(copy.structure.loads().first()->loadCase(), LoadCaseRef(copy.loadings.first()));

    // The deleted node is left out; the member keeps its count.
    const QList<VaroObjectRef> selected = copy.selection.selection();
    QCOMPARE(selected.size(), 2);
    QCOMPARE(selected[0], VaroObjectRef(nodes[0]));
    QCOMPARE(copy.selection.copyCounts().value(selected[1], 1), 3);
    QCOMPARE(copy.selection.copyCounts().value(selected[0], 1), 1);
    QCOMPARE(copy.reports.reports().size(), 0);
}

void TestDocumentXml::refusesBrokenReferences_data()
{
    QTest::addColumn<QString>("structure");
    QTest::newRow("undefined node") << "<Node ref=\"1\"/><Member ref=\"2\"><NodeA>1</NodeA><NodeB>9</NodeB></Member>";
    QTest::newRow("one node") << "<Node ref=\"1\"/><Member ref=\"2\"><NodeA>1</NodeA></Member>";
    QTest::newRow("load without member") << "<PointLoad ref=\"3\"><Pair position=\"0.5\" force=\"1000\"/></PointLoad>";
    QTest::newRow("support used before it is defined")
        << "<Node ref=\"1\"><Support>4</Support></Node><Support ref=\"4\"><Name>Pin</Name><Dof>7</Dof></Support>";
}

void TestDocumentXml::refusesBrokenReferences()
{
    QFETCH(QString, structure);
    Parts parts;
    QVERIFY(!read(QStringLiteral("<Document><Structure>%1</Structure></Document>").arg(structure), parts));
}

void TestDocumentXml::viewPointSlots()
{
    // "index" 5 then two view points keeps the second; one before any index goes to 0.
    const QString text = QStringLiteral("<Document><ViewPointMemory>"
                                        "<ViewPoint><distance>7</distance></ViewPoint>"
                                        "<index>5</index><ViewPoint><distance>8</distance></ViewPoint>"
                                        "<ViewPoint><distance>9</distance></ViewPoint>"
                                        "</ViewPointMemory></Document>");
    Parts parts;
    QVERIFY(read(text, parts));
    QCOMPARE(parts.memory.values().keys(), QList<int>({0, 5}));
    QVERIFY(parts.memory.valueAt(5)->distance() > parts.memory.valueAt(0)->distance());

    // A stored view that is not finite refuses the document.
    Parts damaged;
    QVERIFY(!read(QString(text).replace("<distance>8</distance>", "<distance>nan</distance>"), damaged));
}

void TestDocumentXml::wholeContent_data()
{
    // Padding past the longest run, at limits a hundred times smaller.
    const ScaledFileLimits scaled;
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<bool>("cut");
    QTest::addColumn<bool>("ok");
    QTest::newRow("as written") << "" << "" << false << true;
    QTest::newRow("other root name") << "Content>" << "Model>" << false << true;
    QTest::newRow("document in capitals") << "Document>" << "DOCUMENT>" << false << true;
    QTest::newRow("current state in lower case") << "CurrentState" << "currentstate" << false << true;
    QTest::newRow("structure in lower case") << "Structure>" << "structure>" << false << true;
    QTest::newRow("node in capitals") << "Node" << "NODE" << false << true;
    QTest::newRow("ends inside the document") << "</Document>" << "" << true << false;
    QTest::newRow("ends before the root closes") << "</Content>" << "" << true << false;
    QTest::newRow("no document element") << "Document>" << "Documents>" << false << false;
    QTest::newRow("view point not finite") << "<distance>42</distance>" << "<distance>inf</distance>" << false << false;
    QTest::newRow("current state not finite") << "<scaleLD>" << "<scaleLD>nan</scaleLD><scaleLD>" << false << false;
    // No model declares a document type, whose entities could build what the budget never saw.
    QTest::newRow("document type") << "<Content>" << "<!DOCTYPE Content [<!ENTITY n \"<Node/>\">]><Content>" << false
                                   << false;
    QTest::newRow("padding past the budget")
        << "<Titles" << QString(int(FileLimits::current().textRun) + 1, QLatin1Char(' ')) + "<Titles" << false << false;
    QTest::newRow("padding within the budget")
        << "<Titles" << QString(int(FileLimits::current().textRun) - 100, QLatin1Char(' ')) + "<Titles" << false << true;
}

// The document, the window's view point and its current state come back
// together, with the state still pointing into the document read.
void TestDocumentXml::wholeContent()
{
    const ScaledFileLimits scaled;
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(bool, cut);
    QFETCH(bool, ok);
    const QSharedPointer<UnitSystem> units(new UnitSystem);
    DocumentModel document(units);
    document.incorporateDefaults();
    const NodeRef node(VaroObject::make<Node>());
    document.structureModel()->appendObjects({node});
    document.selectionModel()->selectObjects({node}, {});
    ViewPoint viewPoint;
    viewPoint.setDistance(42.0);
    CurrentState state;
    const LoadCaseRef loadCase = document.loadCases().last();
    state.setLoadCase(loadCase);
    const QByteArray first = DocumentXml::writeContent(&document, &viewPoint, &state);
    QVERIFY(first.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"));
    QVERIFY(first.contains("\n\t<Document>\n\t\t<Titles"));

    QString text = QString::fromUtf8(first);
    if (cut)
        text.truncate(text.indexOf(from));
    else if (!from.isEmpty())
        text.replace(from, to);
    DocumentModel copy(units);
    ViewPoint copiedViewPoint;
    CurrentState copiedState;
    QCOMPARE(DocumentXml::readContent(text.toUtf8(), &copy, &copiedViewPoint, &copiedState), ok);
    QCOMPARE(copy.busyCount(), 1);
    if (!ok)
        return;
    const QByteArray second = DocumentXml::writeContent(&copy, &copiedViewPoint, &copiedState);
    QCOMPARE(withNumberedIds(QString::fromUtf8(second)), withNumberedIds(QString::fromUtf8(first)));
    QCOMPARE(copiedViewPoint.distance(), 42.0);
    QVERIFY(copiedState.loadCase() && copy.loadCases().contains(copiedState.loadCase()));
    QCOMPARE(copiedState.loadCase()->name(), loadCase->name());
    QCOMPARE(copy.selectionModel()->selection(), QList<VaroObjectRef>{copy.structureModel()->nodes().first()});
}

void TestDocumentXml::largeSelectionReadsInLinearTime()
{
    int selected = 0;
    const auto spentOn = [&selected](int count) {
        DocumentXml::IdMap idMap;
        QString text = QStringLiteral("<Selection>");
        for (int i = 0; i < count; ++i) {
            idMap.insert(QString::number(i), VaroObject::make<Node>());
            text += QStringLiteral("<ref>%1</ref>").arg(i);
        }
        text += QStringLiteral("<ref>7</ref></Selection>");
        SelectionModel selection;
        QXmlStreamReader reader(text);
        reader.readNextStartElement();
        const double start = threadCpuSeconds();
        DocumentXml::readSelection(reader, selection, &idMap);
        const double spent = threadCpuSeconds() - start;
        selected = selection.selection().size();
        return spent;
    };
    // Sixteen times the objects: about 16 times the work, not 256.
    const int small = 2500, large = 16 * small;
    const double growth = cpuTimeGrowth(small, large, spentOn);
    QVERIFY2(growth < middleGrowth(small, large, Work::Linear, Work::Quadratic), qPrintable(QString::number(growth)));
    // An object named twice is selected once.
    QCOMPARE(selected, large);
}

// A file of many load cases and groups (a few hundred kilobytes) opens in
// moments, not minutes: each entry joins its library without a search
// through all that came before it.
void TestDocumentXml::manyLibraryEntriesReadInLinearTime()
{
    const auto textOf = [](int count) {
        QByteArray text = "<Content><Document><GeometryGroup ref=\"f\"><Name>first</Name></GeometryGroup>";
        for (int i = 1; i <= count; ++i)
            text += "<LoadCase ref=\"l" + QByteArray::number(i) + "\"/><GeometryGroup ref=\"g" + QByteArray::number(i)
                    + "\"/>";
        text += "<Structure><GeometryGroup ref=\"s\"><Name>last</Name></GeometryGroup></Structure>"
                "<SwayCase ref=\"w\"/></Document></Content>";
        return text;
    };
    // Sixteen times the entries: about 16 times the work, not 256. The
    // document is made before the clock starts, as its own libraries would
    // outweigh the reading of a few hundred entries.
    const int small = 200, large = 16 * small;
    const double growth = cpuTimeGrowth(small, large, [&textOf](int count) {
        const QByteArray text = textOf(count);
        ReadContent read;
        const double start = threadCpuSeconds();
        read.read(text);
        return threadCpuSeconds() - start;
    });
    QVERIFY2(growth < middleGrowth(small, large, Work::Linear, Work::Quadratic), qPrintable(QString::number(growth)));

    const int count = 20000;
    const ReadContent read(textOf(count));
    QVERIFY(read.ok);
    const QSharedPointer<Libraries> libraries = read.document.libraries();
    QCOMPARE(libraries->loadCaseLibrary()->loadings().size(), count);
    QCOMPARE(libraries->loadCaseLibrary()->swayCases().size(), 1);
    // In the order they stand in the file, the structure's own group among them.
    const QList<GeometryGroupRef> groups = libraries->groupLibrary()->geometryGroups();
    QCOMPARE(groups.size(), count + 2);
    QCOMPARE(groups.first()->name(), QStringLiteral("first"));
    QCOMPARE(groups.last()->name(), QStringLiteral("last"));
}

// Each join looks through the whole library, so the entries of a file join
// once, whatever stands between them.
void TestDocumentXml::libraryEntriesJoinTheirLibrariesOnce()
{
    QByteArray text = "<Content><Document>";
    for (int i = 1; i <= 1000; ++i)
        text += "<LoadCase ref=\"" + QByteArray::number(i) + "\"/><Other/><Structure><GeometryGroup/></Structure>";
    ReadContent content;
    const QSharedPointer<Libraries> libraries = content.document.libraries();
    QSignalSpy loadCasesJoined(libraries->loadCaseLibrary().data(), &TreeLibrary_base::Changed);
    QSignalSpy groupsJoined(libraries->groupLibrary().data(), &TreeLibrary_base::Changed);
    QVERIFY(content.read(text + "</Document></Content>"));
    QCOMPARE(loadCasesJoined.count(), 1);
    QCOMPARE(groupsJoined.count(), 1);
    QCOMPARE(libraries->loadCaseLibrary()->loadings().size(), 1000);
    QCOMPARE(libraries->groupLibrary()->geometryGroups().size(), 1000);
}

// A report block naming a hundred thousand load cases (a few megabytes)
// opens in moments: each name is checked against those before it without a
// search through them all. The bound is on the processor time of this thread
// alone, far above what the reading takes on a loaded machine.
void TestDocumentXml::longReportBlockReadsInLinearTime()
{
    const int count = 100000;
    QByteArray loadCases, names;
    for (int i = 1; i <= count; ++i) {
        loadCases += "<LoadCase ref=\"" + QByteArray::number(i) + "\"/>";
        names += "<LoadCase>" + QByteArray::number(i) + "</LoadCase>";
    }
    // Every name twice: a load case named again is listed once.
    const QByteArray text = "<Content><Document>" + loadCases + "<Reports><Report ref=\"r\"><Block>" + names + names
                            + "</Block></Report></Reports></Document></Content>";
    const double before = threadCpuSeconds();
    const ReadContent read(text);
    const double spent = threadCpuSeconds() - before;
    QVERIFY2(spent < 30, qPrintable(QStringLiteral("%1 s").arg(spent)));
    QVERIFY(read.ok);
    const QList<LoadCaseRef> listed = read.document.reportModel()->reports().first()->rootBlock()->loadCases();
    QCOMPARE(listed.size(), count);
    QCOMPARE(listed.last(), read.document.loadCases().at(count - 1));
}

// Twenty thousand materials of different values (a megabyte) open in
// moments: each is matched through hashes, not against all read before it,
// and they join the library together. Section types that shared a material
// when saved share it again.
void TestDocumentXml::manyMaterialsReadInLinearTime()
{
    const int count = 20000;
    QByteArray text = "<Content><Document><Structure><Node ref=\"a\"/><Node ref=\"b\"><Position>1,0,0</Position>"
                      "</Node>";
    for (int i = 0; i <= count + 1; ++i) {
        // The last but one has the values of the first, the last values
        // within the tolerance of the first: both share the first's material.
        const double value = i == count + 1 ? 2e11 * (1 + 5e-7) : 2e11 + (i % count) * 1e7;
        const QByteArray n = QByteArray::number(i), E = QByteArray::number(value, 'g', 17);
        text += "<SectionType ref=\"s" + n + "\"><Material><E>" + E + "</E></Material></SectionType><Member ref=\"m"
                + n + "\"><NodeA>a</NodeA><NodeB>b</NodeB><SectionType>s" + n + "</SectionType></Member>";
    }
    ReadContent content;
    const QSharedPointer<MaterialLibrary> library = content.document.libraries()->materialLibrary();
    const int customBefore = library->valuesOf(library->root()->subnode(1)).size();
    QSignalSpy joined(library.data(), &TreeLibrary_base::Changed);
    const double before = threadCpuSeconds();
    QVERIFY(content.read(text + "</Structure></Document></Content>"));
    const double spent = threadCpuSeconds() - before;
    QVERIFY2(spent < 30, qPrintable(QStringLiteral("%1 s").arg(spent)));
    QCOMPARE(joined.count(), 1);
    QCOMPARE(library->valuesOf(library->root()->subnode(1)).size(), customBefore + count);
    const QList<MemberRef> members = content.document.structureModel()->members();
    QCOMPARE(members[count]->sectionType()->material(), members.first()->sectionType()->material());
    QCOMPARE(members.last()->sectionType()->material(), members.first()->sectionType()->material());
}

// The text is refused before its first object exists, not after it filled memory.
void TestDocumentXml::objectsPastTheBudgetAreNeverBuilt()
{
    const ScaledFileLimits scaled;
    const ReadContent read(textCosting(FileLimits::current().cost + 1));
    const QString& error = read.error;
    const DocumentModel& document = read.document;
    QVERIFY(!read.ok);
    QVERIFY(!error.isEmpty());
    QVERIFY(document.structureModel()->nodes().isEmpty());
}

// However long a text without a model is, it is refused before it is
// parsed: the window's view point in it is never read.
void TestDocumentXml::textWithoutDocumentIsRefusedUnread()
{
    const ReadContent read("<Content>" + QByteArray("<Documents/>").repeated(1000)
                           + "<ViewPoint><distance>42</distance></ViewPoint></Content>");
    QVERIFY(!read.ok);
    QCOMPARE(read.error, QStringLiteral("The text holds no document."));
    QCOMPARE(read.viewPoint.distance(), ViewPoint().distance());
}

void TestDocumentXml::deepNestingIsRefused_data()
{
    QTest::addColumn<int>("levels");
    QTest::addColumn<bool>("ok");
    // Each level is a block and an item: four elements lead to the first block.
    QTest::newRow("as deep as allowed") << (ReadingBudget::maximumDepth - 4) / 2 << true;
    QTest::newRow("one level deeper") << (ReadingBudget::maximumDepth - 4) / 2 + 1 << false;
    // A report's blocks are read by recursion, which must not run out of stack.
    QTest::newRow("twenty thousand levels") << 20000 << false;
}

// A small file nests its elements no deeper than a model would.
void TestDocumentXml::deepNestingIsRefused()
{
    QFETCH(int, levels);
    QFETCH(bool, ok);
    const QByteArray text = "<Content><Document><Reports><Report ref=\"1\">"
                            + QByteArray("<Block><Item chapter=\"c\">").repeated(levels) + "<Block/>"
                            + QByteArray("</Item></Block>").repeated(levels) + "</Report></Reports></Document></Content>";
    const ReadContent read(text);
    QCOMPARE(read.ok, ok);
    QCOMPARE(read.document.reportModel()->reports().size(), ok ? 1 : 0);
}

void TestDocumentXml::manyAttributesAreRefusedAtOnce_data()
{
    QTest::addColumn<int>("attributes");
    QTest::addColumn<bool>("ok");
    QTest::newRow("as many as allowed") << ReadingBudget::maximumAttributes << true;
    // The XML reader would compare each with every one before it.
    QTest::newRow("100,000") << 100000 << false;
}

// An element with more attributes than any model has is damage, and said so
// before the reader looks at them.
void TestDocumentXml::manyAttributesAreRefusedAtOnce()
{
    QFETCH(int, attributes);
    QFETCH(bool, ok);
    QByteArray element = "<x";
    for (int i = 0; i < attributes; ++i)
        element += " a" + QByteArray::number(i) + "=\"\"";
    const QByteArray text = "<Content><Document>" + element + "/></Document></Content>";
    const double before = threadCpuSeconds();
    const ReadContent read(text);
    const double spent = threadCpuSeconds() - before;
    QVERIFY2(spent < 1, qPrintable(QStringLiteral("%1 s").arg(spent)));
    QCOMPARE(read.ok, ok);
    if (!ok)
        QCOMPARE(read.error, QStringLiteral("The text cannot be read: an element has more than 64 attributes, which "
                                            "no model file has."));
}

// What the text of a model will be once saved is known when it opens,
// however its indentation was left out: each element on a line of its own,
// one tab deeper than its parent.
void TestDocumentXml::savedTextIsForeseenAtOpening()
{
    const int levels = 100;
    const QByteArray compact = "<Content><Document><Reports><Report ref=\"1\">"
                               + QByteArray("<Block><Item chapter=\"c\">").repeated(levels) + "<Block/>"
                               + QByteArray("</Item></Block>").repeated(levels)
                               + "</Report></Reports></Document></Content>";
    const ReadContent read(compact);
    QVERIFY(read.ok);
    const QByteArray saved = DocumentXml::writeContent(&read.document, nullptr, nullptr);
    const auto savedSizeOf = [](const QByteArray& text) {
        XmlTextBudget budget;
        budget.take(text);
        return budget.savedSize();
    };
    QCOMPARE(savedSizeOf(saved), savedSizeOf(QByteArray(saved).replace('\n', "").replace('\t', "")));
    // Only the declaration and the comment before the model go unforeseen.
    QVERIFY(savedSizeOf(saved) <= saved.size());
    QVERIFY(savedSizeOf(saved) > saved.size() - 10);

    // Objects the file leaves bare are foreseen with what the writer adds,
    // and never as more.
    const QByteArray bare =
        "<Content><Document><LoadCase ref=\"c\"/><GravityCase ref=\"g\"/><Combination ref=\"k\"/>"
        "<GeometryGroup ref=\"q\"/><Structure><Node ref=\"a\"/><Node ref=\"b\"/><Member ref=\"m\"><NodeA>a</NodeA>"
        "<NodeB>b</NodeB></Member><PointLoad ref=\"p\"><Member>m</Member></PointLoad><TrapezoidLoad ref=\"t\">"
        "<Member>m</Member></TrapezoidLoad></Structure><Reports><Report ref=\"r\"/></Reports></Document></Content>";
    const ReadContent bareRead(bare);
    QVERIFY(bareRead.ok);
    const QByteArray bareSaved = DocumentXml::writeContent(&bareRead.document, nullptr, nullptr);
    QVERIFY(savedSizeOf(bareSaved) <= bareSaved.size());
    // Each object's reference, position, pins, name and colour and the rest:
    // more than twice what the file holds.
    QVERIFY2(savedSizeOf(bare) > 2 * bare.size(), qPrintable(QString::number(savedSizeOf(bare))));
    QVERIFY(savedSizeOf(bare) <= bareSaved.size());
}

// Documents that only read may share one section library (as the fuzzing of
// the readers does): what they read is what a document of its own reads.
void TestDocumentXml::sharedSectionLibraryReadsAlike()
{
    initialiseModelResources();
    const QSharedPointer<UnitSystem> units(new UnitSystem);
    const QSharedPointer<SectionLibrary> shared = Libraries().sectionLibrary();
    for (const QString& name : QDir(QStringLiteral(":/example")).entryList()) {
        QByteArray text;
        QCOMPARE(NativeContainer::readFile(QStringLiteral(":/example/") + name, &text), NativeContainer::Status::Ok);
        QStringList written;
        for (const QSharedPointer<SectionLibrary>& sections : {QSharedPointer<SectionLibrary>(), shared, shared}) {
            DocumentModel document(units, sections);
            ViewPoint viewPoint;
            CurrentState state;
            QVERIFY2(DocumentXml::readContent(text, &document, &viewPoint, &state), qPrintable(name));
            QCOMPARE(document.libraries()->sectionLibrary() == shared, bool(sections));
            written << withNumberedIds(QString::fromUtf8(DocumentXml::writeContent(&document, &viewPoint, &state)));
        }
        QCOMPARE(written.at(1), written.at(0));
        QCOMPARE(written.at(2), written.at(0));
    }
}

void TestDocumentXml::everySavedModelOpensAgain_data()
{
    QTest::addColumn<QString>("model");
    QTest::newRow("member from a node to itself") << "self";
    QTest::newRow("load case only a report lists") << "report";
    QTest::newRow("node only a member axis points at") << "member axis";
    QTest::newRow("node only a load axis points at") << "load axis";
}

void TestDocumentXml::everySavedModelOpensAgain()
{
    QFETCH(QString, model);
    Parts original;
    fill(original);
    const NodeRef a = original.structure.nodes().first();
    const MemberRef member = original.structure.members().first();
    const NodeRef away(VaroObject::make<Node>());
    away->setPosition(Vector3(0.0, 3.0, 0.0));
    if (model == "self") {
        original.structure.appendObjects({VaroObject::make<Member>(a, a)});
    } else if (model == "report") {
        const ReportRef report(VaroObject::make<Report>());
        original.reports.appendReports({report});
        original.reports.insertLoadCaseIntoReport(report, report->rootBlock(), VaroObject::make<Loading>("Gone"),
                                                  LoadCaseRef());
    } else if (model == "member axis") {
        member->setAxis(VaroObject::make<MemberAxis>(Axis(Vector3(), away, true, false)));
    } else {
        original.structure.loads().first()->setAxis(VaroObject::make<LoadAxis>(Axis(Vector3(), away, true, false)));
    }
    const QString first = write(original);

    Parts copy;
    QVERIFY(read(first, copy));
    QCOMPARE(withNumberedIds(write(copy)), withNumberedIds(first));
    QCOMPARE(copy.structure.nodes().size(), original.structure.nodes().size());
    QCOMPARE(copy.structure.members().size(), original.structure.members().size());
}

namespace {

// One number or flag of every kind a model file holds, each written once.
const char* const everyNumberKind =
    "<Content><Document>"
    "<LoadCase ref=\"1\"><Name>Dead</Name></LoadCase>"
    "<GravityCase ref=\"2\"><Name>G</Name><Acceleration>9.81</Acceleration>"
    "<Axis><Vector>0,-1,0</Vector></Axis></GravityCase>"
    "<Combination ref=\"3\"><Name>C</Name><Factor ref=\"1\">1.35</Factor></Combination>"
    "<ViewPointMemory><index>1</index><ViewPoint><focalPoint>1,2,3</focalPoint><distance>40</distance></ViewPoint>"
    "</ViewPointMemory>"
    "<Structure><Support ref=\"14\"><Name>Pin</Name><Dof>7</Dof></Support>"
    "<Node ref=\"4\"><Position>0,0,0</Position></Node><Node ref=\"5\"><Position>4,0.5,0</Position></Node>"
    "<SectionType ref=\"6\"><CrossSection><Shape>1</Shape><OverallDepth>0.3</OverallDepth><Area>0.01</Area>"
    "</CrossSection><Material><E>2.1e11</E><G>8.1e10</G><Density>7850</Density><CTE>1.2e-05</CTE></Material>"
    "</SectionType>"
    "<MemberAxis ref=\"7\"><Axis><Vector>0,0,1</Vector></Axis></MemberAxis>"
    "<Member ref=\"8\"><NodeA>4</NodeA><NodeB>5</NodeB><Axis>7</Axis><SectionType>6</SectionType>"
    "<PinA>true</PinA></Member>"
    "<LoadAxis ref=\"9\"><Axis><Vector>0,1,0</Vector></Axis></LoadAxis>"
    "<PointLoad ref=\"10\"><Member>8</Member><LoadAxis>9</LoadAxis><LoadCase>1</LoadCase>"
    "<Pair position=\"0.25\">-1000</Pair></PointLoad>"
    "</Structure><Selection><ref count=\"2\">4</ref></Selection></Document>"
    "<ViewPoint><azimuth>0.75</azimuth></ViewPoint><CurrentState><scaleLD>2</scaleLD></CurrentState>"
    "</Content>";

} // namespace

void TestDocumentXml::damagedNumbersRefuseTheFile_data()
{
    QTest::addColumn<QString>("number"); // as it stands in the text
    QTest::addColumn<QString>("damaged");
    QTest::newRow("intact") << QString() << QString();
    QTest::newRow("node position") << "4,0.5,0" << "4,nan,0";
    QTest::newRow("node position too large") << "4,0.5,0" << "4,1e309,0";
    QTest::newRow("member axis vector") << "0,0,1" << "0,0,inf";
    QTest::newRow("load axis vector") << "0,1,0" << "-inf,1,0";
    QTest::newRow("gravity axis vector") << "0,-1,0" << "0,nan,0";
    QTest::newRow("gravity acceleration") << "9.81" << "inf";
    QTest::newRow("section dimension") << "0.3" << "nan";
    QTest::newRow("section property") << "0.01" << "-inf";
    QTest::newRow("material value") << "2.1e11" << "inf";
    QTest::newRow("material value too large") << "7850" << "7850e400";
    QTest::newRow("load value") << "-1000" << "nan";
    QTest::newRow("load position") << "0.25" << "inf";
    QTest::newRow("load factor") << "1.35" << "1e999";
    QTest::newRow("stored view point") << "40" << "nan";
    QTest::newRow("window view point") << "0.75" << "-1e400";
    QTest::newRow("current state") << "<scaleLD>2" << "<scaleLD>inf";
    // Text that is empty or no number at all, where the program always writes a number.
    QTest::newRow("node position, part empty") << "4,0.5,0" << ",0.5,0";
    QTest::newRow("member axis vector, empty") << "0,0,1" << "";
    QTest::newRow("load axis vector, part empty") << "0,1,0" << "0,1,";
    QTest::newRow("gravity axis vector, part empty") << "0,-1,0" << "0,,0";
    QTest::newRow("gravity acceleration, empty") << "9.81" << "";
    QTest::newRow("section dimension, empty") << "0.3" << "";
    QTest::newRow("section property, blank") << "0.01" << " ";
    QTest::newRow("material value, empty") << "2.1e11" << "";
    QTest::newRow("load value, empty") << "-1000" << "";
    QTest::newRow("load factor, empty") << "1.35" << "";
    QTest::newRow("stored view point, cut exponent") << "40" << "1e";
    QTest::newRow("stored focal point, hexadecimal") << "1,2,3" << "0x1p9999,2,3";
    QTest::newRow("window view point, spelt out") << "0.75" << "infinity";
    QTest::newRow("current state, empty") << "<scaleLD>2" << "<scaleLD>";
    QTest::newRow("support freedoms, empty") << "<Dof>7" << "<Dof>";
    QTest::newRow("section shape, empty") << "<Shape>1" << "<Shape>";
    QTest::newRow("member pin, empty") << "<PinA>true" << "<PinA>";
    QTest::newRow("selection count, empty") << "count=\"2\"" << "count=\"\"";
    QTest::newRow("stored view slot, no number") << "<index>1" << "<index>first";
}

// A number that is empty, no number, not finite, or too large for a double,
// in any field refuses the whole file, as the transfer reader does.
void TestDocumentXml::damagedNumbersRefuseTheFile()
{
    QFETCH(QString, number);
    QFETCH(QString, damaged);
    QString text = QString::fromLatin1(everyNumberKind);
    if (!number.isEmpty()) {
        QCOMPARE(text.count(number), 1);
        text.replace(number, damaged);
    }
    const ReadContent read(text.toUtf8());
    QCOMPARE(read.ok, number.isEmpty());
    if (number.isEmpty()) {
        QCOMPARE(read.document.structureModel()->loads().size(), 1);
        QCOMPARE(read.document.viewPointMemory()->values().size(), 1);
    } else {
        QVERIFY2(read.error.contains(QLatin1String("number")) || read.error.contains(QLatin1String("true or false")),
                 qPrintable(read.error));
    }
}

namespace {

// Every floating field a model text holds, each written as "{name}"; "[E]" stands for "<E>{E}</E>".
QString everyFloatingField()
{
    return QString::fromLatin1(
               "<Content><Document><LoadCase ref=\"1\"/><GravityCase ref=\"2\">[Acceleration]"
               "<Axis><Vector>{gravity axis}</Vector></Axis></GravityCase>"
               "<Combination ref=\"3\"><Factor ref=\"1\">{combination factor}</Factor></Combination>"
               "<SwayCase ref=\"4\"><Factor ref=\"1\">{sway factor}</Factor></SwayCase>"
               "<ViewPointMemory><index>1</index><ViewPoint><focalPoint>{stored focal point}</focalPoint>"
               "<azimuth>{stored azimuth}</azimuth><elevation>{stored elevation}</elevation>"
               "<distance>{stored distance}</distance></ViewPoint></ViewPointMemory>"
               "<Structure><Node ref=\"5\"/><Node ref=\"6\"><Position>{position}</Position></Node>"
               "<SectionType ref=\"7\"><CrossSection>[BottomFlangeOffset][BottomFlangeThickness][BottomFlangeWidth]"
               "[OverallDepth][TopFlangeOffset][TopFlangeThickness][TopFlangeWidth][WebThickness][Area][J][Iy][Wely]"
               "[Wply][Iz][Welz][Wplz]</CrossSection><Material>[CTE][Density][E][G]</Material></SectionType>"
               "<MemberAxis ref=\"8\"><Axis><Vector>{member axis}</Vector></Axis></MemberAxis>"
               "<Member ref=\"9\"><NodeA>5</NodeA><NodeB>6</NodeB><Axis>8</Axis><SectionType>7</SectionType></Member>"
               "<LoadAxis ref=\"10\"><Axis><Vector>{load axis}</Vector></Axis></LoadAxis>"
               "<PointLoad ref=\"11\"><Member>9</Member><LoadAxis>10</LoadAxis><LoadCase>1</LoadCase>"
               "<Pair position=\"{load position}\">{load value}</Pair></PointLoad></Structure></Document>"
               "<ViewPoint><focalPoint>{focal point}</focalPoint>[azimuth][elevation][distance]</ViewPoint>"
               "<CurrentState><interrogatorObject>9</interrogatorObject>[interrogatorPosition]"
               "[scaleBM][scaleDf][scaleGI][scaleLD][scaleRe][scaleSF]</CurrentState></Content>")
        .replace(QRegularExpression(QStringLiteral("\\[(\\w+)\\]")), QStringLiteral("<\\1>{\\1}</\\1>"));
}

// The text with `value` in the field named, each of a vector's parts, and 0.5 in every other.
QByteArray withFloatingField(const QString& field, const QString& value)
{
    QString text = everyFloatingField();
    const QRegularExpression names(QStringLiteral("\\{([^}]+)\\}"));
    for (QRegularExpressionMatch name = names.match(text); name.hasMatch(); name = names.match(text)) {
        const bool vector = name.captured(1).contains(QLatin1String("axis"))
                            || name.captured(1).contains(QLatin1String("point"))
                            || name.captured(1) == QLatin1String("position");
        const QString part = name.captured(1) == field ? value : QStringLiteral("0.5");
        text.replace(name.capturedStart(), name.capturedLength(),
                     vector ? QStringList{part, part, part}.join(QLatin1Char(',')) : part);
    }
    return text.toUtf8();
}

} // namespace

void TestDocumentXml::extremeNumbersSaveAndOpenAgain_data()
{
    QTest::addColumn<QString>("field");
    const QRegularExpression names(QStringLiteral("\\{([^}]+)\\}"));
    for (QRegularExpressionMatchIterator name = names.globalMatch(everyFloatingField()); name.hasNext();) {
        const QString field = name.next().captured(1);
        QTest::newRow(qPrintable(field)) << field;
    }
}

// Whatever finite number a field reads, the model saves, its text within
// the bound foreseen at opening, and opens again to the same model: no
// rounding takes a number past the largest double, and none that is
// written does.
void TestDocumentXml::extremeNumbersSaveAndOpenAgain()
{
    QFETCH(QString, field);
    const auto savedText = [](const ReadContent& read) {
        const QByteArray text = DocumentXml::writeContent(&read.document, &read.viewPoint, &read.state);
        return withNumberedIds(QString::fromUtf8(text));
    };
    // The field is read: at 0.5 and at 2 it makes two models.
    QVERIFY(savedText(ReadContent(withFloatingField(field, QStringLiteral("0.5"))))
            != savedText(ReadContent(withFloatingField(field, QStringLiteral("2")))));
    for (const char* value : {"1.7976931348623157e308", "-1.7976931348623157e308", "2.2250738585072014e-308",
                              "-2.2250738585072014e-308", "4.9406564584124654e-324", "-4.9406564584124654e-324"}) {
        const QByteArray text = withFloatingField(field, QLatin1String(value));
        const ReadContent read(text);
        QVERIFY2(read.ok, qPrintable(read.error));
        const QByteArray saved = DocumentXml::writeContent(&read.document, &read.viewPoint, &read.state);
        XmlTextBudget budget;
        budget.boundSavedText();
        budget.take(text);
        QVERIFY(DocumentXml::longestSavedText(budget, read.document, &read.viewPoint, &read.state) >= saved.size());
        const ReadContent again(saved);
        QVERIFY2(again.ok, qPrintable(value + (": " + again.error)));
        QCOMPARE(savedText(again), withNumberedIds(QString::fromUtf8(saved)));
    }
}

void TestDocumentXml::onlyUtf8IsRead_data()
{
    const QString text = QString::fromLatin1(everyNumberKind);
    const QString declared = QStringLiteral("<?xml version=\"1.0\" encoding=\"%1\"?>") + text;
    const auto utf16 = [](const QString& s, bool mark) {
        QByteArray bytes(reinterpret_cast<const char*>(s.utf16()), s.size() * 2);
        return mark ? "\xFF\xFE" + bytes : bytes;
    };
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("ok");
    QTest::newRow("UTF-8") << declared.arg("UTF-8").toUtf8() << true;
    QTest::newRow("UTF-8 with a byte-order mark") << "\xEF\xBB\xBF" + declared.arg("utf-8").toUtf8() << true;
    QTest::newRow("no declaration") << text.toUtf8() << true;
    // The budget reads bytes as UTF-8: in another encoding the reader would build what it never counted.
    QTest::newRow("declared Latin-1") << declared.arg("ISO-8859-1").toLatin1() << false;
    QTest::newRow("UTF-16 with a byte-order mark") << utf16(declared.arg("UTF-16"), true) << false;
    QTest::newRow("UTF-16 without one") << utf16(text, false) << false;
}

void TestDocumentXml::onlyUtf8IsRead()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, ok);
    const ReadContent read(bytes);
    QCOMPARE(read.ok, ok);
    QCOMPARE(read.document.structureModel()->nodes().size(), ok ? 2 : 0);
}

namespace {

// A random tree of the element names the readers know, and some they do not,
// in a document.
QByteArray randomElements(QRandomGenerator& random, int depth)
{
    static const QList<QByteArray> all = {
        "Document", "Structure",     "DetachedNodes", "Selection", "Reports", "ViewPointMemory", "Report", "Block",
        "Other",    "Node",          "Item",          "ViewPoint", "index",   "LoadCase",        "Support", "Titles",
        "Other",    "GeometryGroup", "CurrentState",  "Node"};
    const QList<QByteArray> names = depth == 0 ? QList<QByteArray>{"Document"} : all;
    QByteArray text;
    for (int n = 1 + random.bounded(4); n > 0; --n) {
        const QByteArray name = names.at(random.bounded(names.size()));
        text += depth < 5 && random.bounded(3) ? "<" + name + ">" + randomElements(random, depth + 1) + "</" + name + ">"
                                               : "<" + name + "/>";
    }
    return text;
}

int itemsBelow(const Report::ReportBlockRef& block)
{
    int count = 0;
    for (const Report::ReportItemRef& item : block ? block->items() : QList<Report::ReportItemRef>())
        count += 1 + itemsBelow(item->block);
    return count;
}

} // namespace

// Wherever the readers build an object, the budget counts at least what the
// same object costs where the program writes it.
void TestDocumentXml::budgetCountsAllThatIsBuilt()
{
    QRandomGenerator random(38);
    int objects = 0;
    for (int round = 0; round < 400; ++round) {
        const QByteArray text = "<Content>" + randomElements(random, 0) + "</Content>";
        const ReadContent read(text);
        const DocumentModel& document = read.document;
        QByteArray built = "<Content><Document><Structure>"
                           + QByteArray("<Node/>").repeated(document.structureModel()->nodes().size())
                           + "</Structure><ViewPointMemory>"
                           + QByteArray("<ViewPoint/>").repeated(document.viewPointMemory()->values().size())
                           + "</ViewPointMemory>"
                           + QByteArray("<LoadCase/>").repeated(document.loadCases().size())
                           + QByteArray("<GeometryGroup/>")
                                 .repeated(document.libraries()->groupLibrary()->geometryGroups().size())
                           + "<Reports>";
        for (const ReportRef& report : document.reportModel()->reports())
            built += "<Report><Block>" + QByteArray("<Item/>").repeated(itemsBelow(report->rootBlock()))
                     + "</Block></Report>";
        built += "</Reports></Document></Content>";
        objects += document.structureModel()->nodes().size() + document.reportModel()->reports().size();
        QVERIFY2(costOf(text) >= costOf(built) - costOf("<Content><Document><Structure/><ViewPointMemory/>"
                                                        "<Reports/></Document></Content>"),
                 text.constData());
    }
    QVERIFY(objects > 100);
}

void TestDocumentXml::savedTextIsBoundedAtOpening_data()
{
    // Objects the unit builds for each i ('$' stands for it), after the frame
    // and before the end of the structure; then what follows the structure.
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QByteArray>("unit");
    QTest::addColumn<QByteArray>("after");
    QTest::addColumn<int>("count");
    // A library material of a long name that each section type read takes instead of its own.
    QTest::addColumn<bool>("fromLibrary");
    const QByteArray start = "<Content><Document><Structure>";
    const QByteArray end = "</Structure></Document></Content>";
    // A number per node that the writer gives seventeen figures or an
    // exponent, or that reads back just as it stands.
    QByteArray numbers;
    for (const char* number : {".1", "1e2", "-0.3", "9999999999999999", "1e16", "123456789012345678", "0.00001",
                               "0.0001", "1.5", "-0", "5.", "007", "1e-320", "0.30000000000000004", "0.000123",
                               "99999999999999999", "12345678901234567.5", "9007199254740993", "+2", "0.1e1"})
        numbers += "<Node ref=\"$" + QByteArray(number) + "\"><Position>" + number + ",0,0</Position></Node>";
    QTest::newRow("numbers and flags read short") << start
        << numbers + "<Member ref=\"m$\"><NodeA>$.1</NodeA><NodeB>$1.5</NodeB><PinA>1</PinA><PinB>0</PinB></Member>"
                     "<PointLoad ref=\"p$\"><Member>m$</Member><Pair position=\".3\">1e-5</Pair></PointLoad>"
        << end << 300 << false;
    // Seventeen figures or an exponent where a short number is no double
    // (0.1), a whole number rounds up to one figure more, or takes an exponent.
    for (const char* number : {"0.1", "9999999999999999", "123456789012345678"})
        QTest::newRow(number) << start + "<Node ref=\"a\"/><Member ref=\"m\"><NodeA>a</NodeA><NodeB>a</NodeB></Member>"
                              << "<PointLoad ref=\"$\"><Member>m</Member>"
                                     + ("<Pair position=\"0.125\">" + QByteArray(number) + "</Pair>").repeated(50)
                                     + "</PointLoad>"
                              << end << 40 << false;
    QTest::newRow("references read short")
        << QByteArray("<Content><Document><GeometryGroup ref=\"g\"><Name/><Colour>red</Colour><Purpose>1</Purpose>"
           "</GeometryGroup><Structure><Support ref=\"s\"><Name/><Dof>-1</Dof></Support><MemberAxis ref=\"x\"/>"
           "<SectionType ref=\"t\"/>")
        << QByteArray("<Node ref=\"$\"><Position>0,0,0</Position><Support>s</Support><Group>g</Group></Node>"
                      "<Member ref=\"m$\"><NodeA>$</NodeA><NodeB>$</NodeB><Axis>x</Axis><SectionType>t</SectionType>"
                      "<Group>g</Group><PinA>true</PinA><PinB>true</PinB></Member>")
        << QByteArray("</Structure><Selection><ref count=\"2\">1</ref></Selection></Document></Content>") << 2000
        << false;
    QTest::newRow("objects the writer fills")
        << QByteArray("<Content><Document><ViewPointMemory><index>1</index><ViewPoint/></ViewPointMemory><Structure>")
        << QByteArray("<Node ref=\"$\"/><Member ref=\"m$\"><NodeA>$</NodeA><NodeB>$</NodeB></Member><Support/>"
                      "<SectionType><CrossSection/><Material/></SectionType><MemberAxis/><LoadAxis/><GravityCase/>"
                      "<SwayCase/><Combination/><LoadCase/><GeometryGroup/><PointLoad><Member>m$</Member></PointLoad>")
        << "</Structure><Reports><Report/><Report><Block><Item/></Block></Report></Reports>" + end.mid(12) << 300
        << false;
    // Each quotation mark written as six characters, a carriage return as
    // an escape that marks the name, a blank name as it is.
    const QByteArray group = "<GeometryGroup ref=\"$%1\"><Name>%2</Name><Colour>#ff000000</Colour>"
                             "<Purpose>12345</Purpose></GeometryGroup>";
    const auto groups = [&group](const QList<QByteArray>& names) {
        QByteArray text;
        for (int i = 0; i < names.size(); ++i)
            text += QByteArray(group).replace("%1", QByteArray::number(i)).replace("%2", names.at(i));
        return text;
    };
    QTest::newRow("characters written as entities")
        << QByteArray("<Content><Document>") << groups({QByteArray(20, '"') + "&#13;", QByteArray(30, ' ')})
        << QByteArray("</Document></Content>") << 2000 << false;
    QTest::newRow("character data and escaped names")
        << QByteArray("<Content><Document>") << groups({"\"&gt;\\<![CDATA[&<\"]]>", "\\\\\\u0022"}).replace(
               "<Name>\\\\", "<Name escaped=\"true\">\\\\")
        << QByteArray("<Reports><Report><Block><Item chapter='\"&#9;\"'/></Block></Report></Reports></Document>"
                      "</Content>")
        << 2000 << false;
    // A number whose pieces read back as written, but not the whole.
    QTest::newRow("values broken by instructions")
        << start << QByteArray("<Node ref=\"$\"><Position>0.<?x?>1,0.<?x?>1,0.<?x?>1</Position></Node>") << end
        << 2000 << false;
    // Each line one tab deeper when written.
    QTest::newRow("document as the root")
        << QByteArray("<Document><Structure><Node ref=\"a\"/><Member ref=\"m\"><NodeA>a</NodeA><NodeB>a</NodeB>"
                      "</Member><PointLoad ref=\"p\"><Member>m</Member>")
        << QByteArray("<Pair position=\"0.125\">12345</Pair>") << QByteArray("</PointLoad></Structure></Document>")
        << 2000 << false;
    QTest::newRow("nodes without a position") << start << QByteArray("<Node ref=\"$\"/>") << end << 2000 << false;
    // Written with every field and an end tag on a line of its own.
    for (const QByteArray& kind : {QByteArray("Combination"), QByteArray("LoadCase"), QByteArray("GeometryGroup")})
        QTest::newRow(qPrintable("bare " + kind)) << QByteArray("<Content><Document>")
                                                   << "<" + kind + " ref=\"$\"/>" << QByteArray("</Document></Content>")
                                                   << 300 << false;
    QTest::newRow("bare reports") << start + "</Structure><Reports>" << QByteArray("<Report ref=\"$\"/>")
                                  << QByteArray("</Reports></Document></Content>") << 300 << false;
    // Blank, a selected object's id reads as that of an object without one.
    QTest::newRow("a selected object without an id")
        << QByteArray("<Content><Document>")
        << QByteArray("<GeometryGroup><Name>nnnnnnnnn</Name><Colour>#ff000000</Colour><Purpose>12345</Purpose>"
                      "</GeometryGroup><Selection><ref> </ref></Selection>")
        << QByteArray("</Document></Content>") << 1 << false;
    QTest::newRow("report items without a chapter")
        << start + "</Structure><Reports><Report><Block><Item/>" << QByteArray("<Item/>")
        << QByteArray("</Block></Report></Reports></Document></Content>") << 2000 << false;
    QTest::newRow("factors, selected objects and report load cases")
        << QByteArray("<Content><Document><LoadCase ref=\"l\"/>")
        << QByteArray("<Combination ref=\"$\"><Factor ref=\"l\">0.1234567</Factor></Combination>")
        << QByteArray("<Reports><Report><Block><LoadCase>l</LoadCase></Block></Report></Reports>"
                      "<Selection><ref count=\"3\">l</ref></Selection></Document></Content>")
        << 2000 << false;
    QTest::newRow("materials taken from the library")
        << start + "<Node ref=\"a\"/>"
        << QByteArray("<SectionType ref=\"$\"><Material><Names><Name>S</Name></Names><CTE>3e-06</CTE>"
                      "<Density>1234</Density><E>1.23e11</E><G>4.5e10</G></Material></SectionType>"
                      "<Member ref=\"m$\"><NodeA>a</NodeA><NodeB>a</NodeB><SectionType>$</SectionType></Member>")
        << end << 300 << true;
    // Commas that references hide, in every kind of vector: the reader
    // splits the text it decodes into three numbers.
    const QByteArray hidden = "-1e-5&#44;-1e-5&#x2c;-1e-5";
    const QByteArray axis = "<Name/><Axis><Vector>-1e-5&#x2C;-1e-5&#0044;-1e-5</Vector><Global>true</Global>"
                            "<Orthogonal>false</Orthogonal></Axis>";
    const QByteArray member = "<Node ref=\"a\"/><Member ref=\"m\"><NodeA>a</NodeA><NodeB>a</NodeB></Member>";
    QTest::newRow("hidden commas, node positions")
        << start << "<Node ref=\"$\"><Position>" + hidden + "</Position></Node>" << end << 2000 << false;
    QTest::newRow("hidden commas, member axes")
        << start + "<Node ref=\"a\"/>"
        << "<MemberAxis ref=\"$\">" + axis + "</MemberAxis><Member ref=\"m$\"><NodeA>a</NodeA><NodeB>a</NodeB>"
               "<Axis>$</Axis><PinA>false</PinA><PinB>false</PinB></Member>"
        << end << 2000 << false;
    QTest::newRow("hidden commas, load axes")
        << start + member
        << "<LoadAxis ref=\"$\">" + axis + "</LoadAxis><PointLoad ref=\"p$\"><Member>m</Member><LoadAxis>$</LoadAxis>"
               "</PointLoad>"
        << end << 2000 << false;
    QTest::newRow("hidden commas, gravity axes")
        << QByteArray("<Content><Document>") << "<GravityCase ref=\"$\"><Axis><Vector>" + hidden + "</Vector></Axis>"
                                                "</GravityCase>"
        << QByteArray("</Document></Content>") << 2000 << false;
    QByteArray views = "<Content><Document><ViewPointMemory>";
    for (int i = 0; i < 100; ++i)
        views += "<index>" + QByteArray::number(i) + "</index><ViewPoint><focalPoint>" + hidden
                 + "</focalPoint></ViewPoint>";
    QTest::newRow("hidden commas, stored and window views")
        << views + "</ViewPointMemory>" << QByteArray()
        << "</Document><ViewPoint><focalPoint>" + hidden + "</focalPoint></ViewPoint></Content>" << 1 << false;
}

// However a text reads, the longest its model is foreseen to be saved as is
// never less than the text the writer makes of it: else a model that opens
// could not be saved. Without the frame and the document's own parts, which
// are the same for any number of objects, the objects' own bound holds too.
void TestDocumentXml::savedTextIsBoundedAtOpening()
{
    QFETCH(QByteArray, frame);
    QFETCH(QByteArray, unit);
    QFETCH(QByteArray, after);
    QFETCH(int, count);
    QFETCH(bool, fromLibrary);
    const auto textOf = [&](int objects) {
        QByteArray text = frame;
        for (int i = 0; i < objects; ++i)
            text += QByteArray(unit).replace('$', '_' + QByteArray::number(i, 36));
        return text + after;
    };
    qint64 mostOfNone = 0;
    qint64 writtenOfNone = 0;
    for (const int objects : {0, count}) {
        const QByteArray text = textOf(objects);
        ReadContent read;
        if (fromLibrary)
            read.document.libraries()->materialLibrary()->appendCustom(
                MaterialRef(new Material({QString(200, QLatin1Char('M'))}, 1.23e11, 4.5e10, 1234, 3e-6)));
        QVERIFY2(read.read(text), qPrintable(read.error));
        XmlTextBudget budget;
        budget.boundSavedText();
        budget.take(text);
        const qint64 written = DocumentXml::writeContent(&read.document, &read.viewPoint, &read.state).size();
        const qint64 most = DocumentXml::longestSavedText(budget, read.document, &read.viewPoint, &read.state);
        QVERIFY2(most >= written, qPrintable(QStringLiteral("%1 < %2").arg(most).arg(written)));
        if (objects == 0) {
            mostOfNone = budget.savedMost();
            writtenOfNone = written;
        } else if (!fromLibrary) {
            QVERIFY(budget.savedMost() - mostOfNone >= written - writtenOfNone);
        }
    }
}

// A model the program saved, a grid of beams on supports with loads, is
// foreseen within a fifth of its text: far from the limit, a model is never
// written again at opening to be counted.
void TestDocumentXml::savedTextOfAModelSavedIsBoundedClosely()
{
    ReadContent model;
    const SupportRef pinned(VaroObject::make<Support>(QStringLiteral("Pinned"), Dof(7)));
    const LoadingRef loading(VaroObject::make<Loading>(QStringLiteral("Imposed")));
    model.document.libraries()->loadCaseLibrary()->append(loading);
    const SectionTypeRef section(VaroObject::make<SectionType>(CrossSectionRef(new CrossSection), MaterialRef(new Material)));
    QList<VaroObjectRef> objects;
    const int n = 40;
    NodeRef previous;
    for (int i = 0; i < n * n; ++i) {
        const NodeRef node(VaroObject::make<Node>());
        node->setPosition(Vector3(2.5 * (i % n), 0.0, 0.3 * (i / n)));
        node->setSupport(pinned);
        objects << node;
        if (i % n != 0) {
            const MemberRef member(VaroObject::make<Member>(previous, node));
            member->setSectionType(section);
            objects << member;
            const QSharedPointer<PointLoad> load = PointLoad::makeDefault(loading);
            load->setMember(member);
            objects << load;
        }
        previous = node;
    }
    model.document.structureModel()->appendObjects(objects);
    const QByteArray text = DocumentXml::writeContent(&model.document, &model.viewPoint, &model.state);
    const ReadContent read(text);
    QVERIFY2(read.ok, qPrintable(read.error));
    XmlTextBudget budget;
    budget.boundSavedText();
    budget.take(text);
    const qint64 most = DocumentXml::longestSavedText(budget, read.document, &read.viewPoint, &read.state);
    QVERIFY(most >= text.size());
    QVERIFY2(most < text.size() * 6 / 5, qPrintable(QStringLiteral("%1 of %2").arg(most).arg(text.size())));
}

void TestDocumentXml::longChainsOfReferencesSaveAndOpenAgain_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after");
    QTest::newRow("in the structure, named by a point load")
        << QByteArray("<Content><Document><Structure><Node ref=\"a\"/><Member ref=\"m\"><NodeA>a</NodeA>"
                      "<NodeB>a</NodeB></Member>")
        << QByteArray("<PointLoad ref=\"p\"><Member>m</Member><LoadCase>$</LoadCase></PointLoad></Structure>"
                      "</Document></Content>");
    QTest::newRow("in the reports, named by a report")
        << QByteArray("<Content><Document><Reports>")
        << QByteArray("<Report ref=\"r\"><Block><LoadCase>$</LoadCase></Block></Report></Reports></Document>"
                      "</Content>");
}

// 200,000 combinations, each with a factor for the one before it, that only
// the last object names: every combination is written before the one that
// names it, and the same chain is read again.
void TestDocumentXml::longChainsOfReferencesSaveAndOpenAgain()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    const int links = 200000;
    const auto factorOf = [](int i) { return 0.5 * (i % 4 + 1); };
    QByteArray text = before + "<Combination ref=\"k0\"><Name>0</Name></Combination>";
    for (int i = 1; i < links; ++i)
        text += "<Combination ref=\"k" + QByteArray::number(i) + "\"><Name>" + QByteArray::number(i)
                + "</Name><Factor ref=\"k" + QByteArray::number(i - 1) + "\">" + QByteArray::number(factorOf(i))
                + "</Factor></Combination>";
    text += QByteArray(after).replace('$', "k" + QByteArray::number(links - 1));

    for (int round = 0; round < 2; ++round) {
        const ReadContent read(text);
        QVERIFY2(read.ok, qPrintable(read.error));
        const QList<LoadRef> loads = read.document.structureModel()->loads();
        const QList<ReportRef> reports = read.document.reportModel()->reports();
        LoadCaseRef link = loads.isEmpty() ? reports.value(0)->references().value(0).objectCast<LoadCase>()
                                           : loads.first()->loadCase();
        for (int i = links - 1; i > 0; --i) {
            QVERIFY(link);
            QCOMPARE(link->name(), QString::number(i));
            const QMap<LoadCaseRef, double> factors = link.objectCast<Combination>()->factors();
            QCOMPARE(factors.size(), 1);
            QCOMPARE(factors.first(), factorOf(i));
            link = factors.firstKey();
        }
        QCOMPARE(link->name(), QStringLiteral("0"));
        QVERIFY(link.objectCast<Combination>()->factors().isEmpty());
        if (round == 0) {
            text = DocumentXml::writeContent(&read.document, &read.viewPoint, &read.state);
            QVERIFY(!text.isEmpty());
        }
    }
}

VARO_TEST_MAIN(TestDocumentXml)
#include "tst_documentxml.moc"
