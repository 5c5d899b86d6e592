#include "CrossSection.h"
#include "MaterialLibrary.h"
#include "SectionDataFormat.h"
#include "SectionLibrary.h"
#include "StandardSections.h"

#include <QFile>
#include <QTextStream>
#include <QtTest>

#include <cmath>
#include <limits>

namespace {

typedef SectionLibrary::ItemRef ItemRef;

QList<ItemRef> itemsUnder(const TreeNodeRef& node)
{
    return SectionLibrary::castItems(node->subnodes());
}

ItemRef childNamed(const TreeNodeRef& node, int nameIndex, const QString& name)
{
    for (const ItemRef& item : itemsUnder(node))
        if (item->value()->crossSection()->names().value(nameIndex) == name)
            return item;
    return ItemRef();
}

ItemRef sizeItem(const SectionLibrary& library, const QString& country, const QString& category,
                 const QString& size)
{
    const ItemRef c = childNamed(library.root(), 0, country);
    const ItemRef k = c ? childNamed(c, 1, category) : ItemRef();
    return k ? childNamed(k, 2, size) : ItemRef();
}

bool close(double a, double b, double tolerance)
{
    return std::abs(a - b) <= tolerance * std::max(std::abs(a), std::abs(b));
}

QByteArray streamOf(const std::function<void(QDataStream&)>& write, quint32 magic = SectionData::magic)
{
    QByteArray raw;
    QDataStream out(&raw, QIODevice::WriteOnly);
    out.setVersion(SectionData::streamVersion);
    out << magic << SectionData::formatVersion;
    write(out);
    return qCompress(raw);
}

void writeRecord(QDataStream& out, const QStringList& names, const std::function<void(CrossSection&)>& spoil = {})
{
    CrossSection section;
    section.setNames(names);
    section.setShape(CrossSection::IBeam);
    SectionData::setStandardDimensions(&section, 0.2, 0.1, 0.005, 0.008);
    if (spoil)
        spoil(section);
    SectionData::writeRecord(out, section, QString());
}

// A root with one country, one category and one size; `spoil` may damage the size.
QByteArray smallTree(const std::function<void(CrossSection&)>& spoil = {}, int sizeChildren = 0)
{
    return streamOf([&](QDataStream& out) {
        writeRecord(out, {});
        out << qint32(1);
        writeRecord(out, {"C"});
        out << qint32(1);
        writeRecord(out, {"C", "K"});
        out << qint32(1);
        writeRecord(out, {"C", "K", "S"}, spoil);
        out << qint32(sizeChildren);
    });
}

} // namespace

class TestSections : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void countriesAndCategoriesInTableOrder();
    void demonstrationSizesHaveTableDimensions_data();
    void demonstrationSizesHaveTableDimensions();
    void everyTableRowIsAComputedSizeInOrder();
    void sizesCarryTheirCountrysSteel();
    void customCountryHoldsOneTemplatePerShape();
    void librariesShareSizesNotMaterials();
    void damagedDataGivesNoCountries_data();
    void damagedDataGivesNoCountries();

private:
    QSharedPointer<MaterialLibrary> materials;
    QSharedPointer<SectionLibrary> library;
};

void TestSections::initTestCase()
{
    materials.reset(new MaterialLibrary);
    library.reset(new SectionLibrary(materials));
}

void TestSections::countriesAndCategoriesInTableOrder()
{
    QStringList countries;
    for (const ItemRef& country : itemsUnder(library->root())) {
        QCOMPARE(country->value()->crossSection()->names(), QStringList{country->name()});
        countries << country->name();
    }
    QCOMPARE(countries, (QStringList{"British", "European", "American", "Custom"}));
    QCOMPARE(library->customCountryItem(), SectionLibrary::subnodeItem(library->root(), 3));

    QStringList british;
    for (const ItemRef& category : itemsUnder(library->root()->subnode(0))) {
        QCOMPARE(category->value()->crossSection()->names(), (QStringList{"British", category->name()}));
        british << category->name();
    }
    QCOMPARE(british, (QStringList{"UB", "UC", "PFC", "RHS", "SHS", "CHS", "EA", "UA"}));
    QStringList european;
    for (const ItemRef& category : itemsUnder(library->root()->subnode(1)))
        european << category->name();
    // Categories in the order they first appear, although the table interleaves them.
    QCOMPARE(european, (QStringList{"IPE", "HE", "HEM", "HEB", "HEA", "HEAA", "HEC", "UPN"}));
}

void TestSections::demonstrationSizesHaveTableDimensions_data()
{
    QTest::addColumn<QString>("category");
    QTest::addColumn<QString>("size");
    QTest::addColumn<int>("shape");
    QTest::addColumn<double>("depth"); // mm, as published
    QTest::addColumn<double>("width");
    QTest::addColumn<double>("web");
    QTest::addColumn<double>("flange");

    const int I = CrossSection::IBeam, R = CrossSection::Rectangle | CrossSection::Hollow,
              O = CrossSection::Oval | CrossSection::Hollow;
    QTest::newRow("UB 127") << "UB" << "127 x 76 x 13" << I << 127.0 << 76.0 << 4.0 << 7.6;
    QTest::newRow("UB 406") << "UB" << "406 x 178 x 54" << I << 402.6 << 177.7 << 7.7 << 10.9;
    QTest::newRow("UB 533") << "UB" << "533 x 210 x 82" << I << 528.3 << 208.8 << 9.6 << 13.2;
    QTest::newRow("RHS 80") << "RHS" << "80 x 40 x 4.0" << R << 80.0 << 40.0 << 4.0 << 4.0;
    QTest::newRow("RHS 90") << "RHS" << "90 x 50 x 3.0" << R << 90.0 << 50.0 << 3.0 << 3.0;
    QTest::newRow("RHS 100") << "RHS" << "100 x 60 x 5.0" << R << 100.0 << 60.0 << 5.0 << 5.0;
    QTest::newRow("RHS 200") << "RHS" << "200 x 100 x 5.0" << R << 200.0 << 100.0 << 5.0 << 5.0;
    QTest::newRow("RHS 250") << "RHS" << "250 x 150 x 6.3" << R << 250.0 << 150.0 << 6.3 << 6.3;
    QTest::newRow("SHS 60") << "SHS" << "60 x 60 x 3.0" << R << 60.0 << 60.0 << 3.0 << 3.0;
    QTest::newRow("SHS 80") << "SHS" << "80 x 80 x 5.0" << R << 80.0 << 80.0 << 5.0 << 5.0;
    QTest::newRow("SHS 100") << "SHS" << "100 x 100 x 4.0" << R << 100.0 << 100.0 << 4.0 << 4.0;
    QTest::newRow("CHS 88.9") << "CHS" << "88.9 x 3.2" << O << 88.9 << 88.9 << 3.2 << 3.2;
    QTest::newRow("CHS 139.7") << "CHS" << "139.7 x 5.0" << O << 139.7 << 139.7 << 5.0 << 5.0;
    QTest::newRow("CHS 323.9") << "CHS" << "323.9 x 6.3" << O << 323.9 << 323.9 << 6.3 << 6.3;
}

void TestSections::demonstrationSizesHaveTableDimensions()
{
    QFETCH(QString, category);
    QFETCH(QString, size);
    QFETCH(int, shape);
    QFETCH(double, depth);
    QFETCH(double, width);
    QFETCH(double, web);
    QFETCH(double, flange);

    // Scripts address the entries in lower case.
    const ItemRef item = sizeItem(*library, "British", category, size);
    QVERIFY(item);
    QVERIFY(SectionType::isSizeNameEqualTo(item->value(), size.toLower()));
    QCOMPARE(item->subnodeCount(), 0);
    const CrossSectionRef section = item->value()->crossSection();
    QCOMPARE(section->names(), (QStringList{"British", category, size}));
    QCOMPARE(section->shape(), shape);
    QVERIFY(close(section->overallDepth(), depth / 1000.0, 1e-12));
    QVERIFY(close(section->topFlangeWidth(), width / 1000.0, 1e-12));
    QVERIFY(close(section->webThickness(), web / 1000.0, 1e-12));
    QVERIFY(close(section->topFlangeThickness(), flange / 1000.0, 1e-12));
    QVERIFY(!section->isRotated());
}

void TestSections::everyTableRowIsAComputedSizeInOrder()
{
    const QMap<QString, int> shapes{{"IBeam", CrossSection::IBeam},
                                    {"Channel", CrossSection::Channel},
                                    {"Angle", CrossSection::Angle},
                                    {"Rectangle Hollow", CrossSection::Rectangle | CrossSection::Hollow},
                                    {"Oval Hollow", CrossSection::Oval | CrossSection::Hollow}};
    const QMap<QString, QString> tables{{"British", "british"}, {"European", "european"}, {"American", "american"}};
    for (auto table = tables.cbegin(); table != tables.cend(); ++table) {
        QFile file(QStringLiteral(VARO_SECTION_TABLES "/%1.csv").arg(table.value()));
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
        QTextStream in(&file);
        in.readLine();
        QMap<QString, int> nextIndex; // per category: the row order is the size order
        int rows = 0;
        while (!in.atEnd()) {
            const QStringList f = in.readLine().split(',');
            QCOMPARE(f[0], table.key());
            const ItemRef country = childNamed(library->root(), 0, f[0]);
            QVERIFY(country);
            const ItemRef category = childNamed(country, 1, f[1]);
            QVERIFY2(category, qPrintable(f[1]));
            const ItemRef size = SectionLibrary::subnodeItem(category, nextIndex[f[0] + f[1]]++);
            QVERIFY2(size, qPrintable(f[2]));
            const CrossSectionRef section = size->value()->crossSection();
            QCOMPARE(section->names().value(2), f[2]);
            QCOMPARE(section->shape(), shapes.value(f[3]));
            QCOMPARE(category->value()->crossSection()->shape(), section->shape());
            QVERIFY(close(section->overallDepth(), f[4].toDouble() / 1000.0, 1e-12));
            QVERIFY(close(section->topFlangeWidth(), f[5].toDouble() / 1000.0, 1e-12));
            QVERIFY(close(section->webThickness(), f[6].toDouble() / 1000.0, 1e-12));
            QVERIFY(close(section->topFlangeThickness(), f[7].toDouble() / 1000.0, 1e-12));

            // The published properties include root fillets, tapered flanges
            // and corner radii that the plate model leaves out; round tubes
            // have none of these.
            QVERIFY2(section->isValid(), qPrintable(f[2]));
            const bool round = f[3] == "Oval Hollow";
            const double A = f[10].toDouble() * 1e-4, Iy = f[11].toDouble() * 1e-8, Iz = f[12].toDouble() * 1e-8;
            QVERIFY2(close(section->area(), A, round ? 0.025 : 0.15), qPrintable(f[2]));
            QVERIFY2(close(section->Iy(), Iy, round ? 0.025 : 0.3), qPrintable(f[2]));
            QVERIFY2(close(section->Iz(), Iz, round ? 0.025 : 0.3), qPrintable(f[2]));
            ++rows;
        }
        int sizes = 0;
        for (auto it = nextIndex.cbegin(); it != nextIndex.cend(); ++it)
            sizes += it.value();
        QCOMPARE(sizes, rows);
        int held = 0;
        for (const ItemRef& category : itemsUnder(childNamed(library->root(), 0, table.key())))
            held += category->subnodeCount();
        QCOMPARE(held, rows);
    }
}

void TestSections::sizesCarryTheirCountrysSteel()
{
    const QMap<QString, QString> steel{{"British", "Steel S275"}, {"European", "Steel S235"}, {"American", "Steel A992"}};
    for (const ItemRef& country : itemsUnder(library->root())) {
        if (country == library->customCountryItem())
            continue;
        const MaterialRef expected = materials->standardMaterial(steel.value(country->name()));
        QVERIFY2(expected, qPrintable(country->name()));
        for (const ItemRef& category : itemsUnder(country))
            for (const ItemRef& size : itemsUnder(category))
                QCOMPARE(size->value()->material(), expected); // the library's own object
    }
}

void TestSections::customCountryHoldsOneTemplatePerShape()
{
    const ItemRef custom = library->customCountryItem();
    QCOMPARE(custom->value()->crossSection()->names(), QStringList{"Custom"});
    QSet<int> shapes;
    for (const ItemRef& shapeItem : itemsUnder(custom)) {
        const CrossSectionRef section = shapeItem->value()->crossSection();
        QCOMPARE(shapeItem->subnodeCount(), 0);
        QCOMPARE(section->names(), (QStringList{"Custom", CrossSection::nameOfShape(section->shape())}));
        QVERIFY(section->overallDepth() > 0.0 && section->topFlangeWidth() > 0.0);
        QVERIFY2(section->isValid() && section->area() > 0.0, qPrintable(section->names().value(1)));
        QVERIFY(shapeItem->value()->material());
        shapes << section->shape();
    }
    const QSet<int> expected{CrossSection::Angle, CrossSection::Channel, CrossSection::IBeam, CrossSection::Oval,
                             CrossSection::Oval | CrossSection::Hollow, CrossSection::Rectangle,
                             CrossSection::Rectangle | CrossSection::Hollow, CrossSection::Tee, CrossSection::Zed,
                             CrossSection::BiPlate, CrossSection::TriPlate};
    QCOMPARE(shapes, expected);
    QCOMPARE(custom->subnodeCount(), expected.size());
}

void TestSections::librariesShareSizesNotMaterials()
{
    const QSharedPointer<MaterialLibrary> otherMaterials(new MaterialLibrary);
    const SectionLibrary other(otherMaterials);
    const ItemRef mine = sizeItem(*library, "British", "UB", "406 x 178 x 54");
    const ItemRef theirs = sizeItem(other, "British", "UB", "406 x 178 x 54");
    QVERIFY(mine && theirs);
    QVERIFY(mine != theirs);
    QCOMPARE(mine->value()->crossSection(), theirs->value()->crossSection());
    QVERIFY(mine->value() != theirs->value());
    QCOMPARE(theirs->value()->material(), otherMaterials->standardMaterial("Steel S275"));
    QVERIFY(library->customCountryItem()->subnode(0) != other.customCountryItem()->subnode(0));

    const SectionLibrary bare{QSharedPointer<MaterialLibrary>()};
    QVERIFY(!sizeItem(bare, "British", "UB", "406 x 178 x 54")->value()->material());
}

void TestSections::damagedDataGivesNoCountries_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<bool>("valid");

    const double nan = std::numeric_limits<double>::quiet_NaN();
    QTest::newRow("sound") << smallTree() << true;
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("not compressed") << QByteArray("no section data here") << false;
    QTest::newRow("wrong magic")
        << streamOf([](QDataStream& out) { writeRecord(out, {}), out << qint32(0); }, 0x12345678) << false;
    QByteArray truncated = qUncompress(smallTree());
    truncated.chop(5);
    QTest::newRow("truncated") << qCompress(truncated) << false;
    QTest::newRow("trailing bytes") << qCompress(qUncompress(smallTree()) + "x") << false;
    QTest::newRow("negative dimension")
        << smallTree([](CrossSection& s) { s.setWebThickness(-0.001); }) << false;
    QTest::newRow("not a number")
        << smallTree([nan](CrossSection& s) { s.setOverallDepth(nan); }) << false;
    QTest::newRow("names of wrong level")
        << smallTree([](CrossSection& s) { s.setNames({"C", "K"}); }) << false;
    QTest::newRow("size with children") << smallTree({}, 1) << false;
    QTest::newRow("absurd child count")
        << streamOf([](QDataStream& out) { writeRecord(out, {}), out << qint32(-1); }) << false;
}

void TestSections::damagedDataGivesNoCountries()
{
    QFETCH(QByteArray, data);
    QFETCH(bool, valid);
    StandardSection root;
    root.children.resize(2); // whatever was there goes
    QCOMPARE(StandardSections::parse(data, &root), valid);
    QCOMPARE(root.children.size(), valid ? 1 : 0);
    if (valid)
        QCOMPARE(root.children[0].children[0].children[0].crossSection->names(), (QStringList{"C", "K", "S"}));
}

QTEST_GUILESS_MAIN(TestSections)
#include "tst_sections.moc"
