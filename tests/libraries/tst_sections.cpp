#include "CrossSection.h"
#include "MaterialLibrary.h"
#include "SectionDataFormat.h"
#include "SectionLibrary.h"
#include "StandardSections.h"

#include <QFile>
#include <QTextStream>
#include <QtTest>

#include <cmath>

namespace {

typedef SectionLibrary::ItemRef ItemRef;

QList<ItemRef> itemsUnder(const TreeNodeRef& node)
{
    return SectionLibrary::castItems(node->subnodes());
}

ItemRef childNamed(const TreeNodeRef& node, int nameIndex, const QString& name)
{
    if (!node)
        return ItemRef();
    for (const ItemRef& item : itemsUnder(node))
        if (item->value()->crossSection()->names().value(nameIndex) == name)
            return item;
    return ItemRef();
}

ItemRef sizeItem(const SectionLibrary& library, const QString& country, const QString& category,
                 const QString& size)
{
    return childNamed(childNamed(childNamed(library.root(), 0, country), 1, category), 2, size);
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
    void demonstrationSizesHaveTableDimensions();
    void everyTableRowIsAComputedSizeInOrder();
    void customCountryHoldsOneTemplatePerShape();
    void librariesShareSizesNotMaterials();
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
    auto namesUnder = [](const TreeNodeRef& node) {
        QStringList names;
        for (const ItemRef& item : itemsUnder(node))
            names << item->name();
        return names;
    };
    QCOMPARE(namesUnder(library->root()), (QStringList{"British", "European", "American", "Custom"}));
    QCOMPARE(library->customCountryItem(), SectionLibrary::subnodeItem(library->root(), 3));
    // Categories in the order they first appear, although the table interleaves them.
    QCOMPARE(namesUnder(library->root()->subnode(1)),
             (QStringList{"IPE", "HE", "HEM", "HEB", "HEA", "HEAA", "HEC", "UPN"}));
}

void TestSections::demonstrationSizesHaveTableDimensions()
{
    struct Size
    {
        const char* category;
        const char* size;
        double depth, width, web, flange; // mm, as published
    };
    const Size sizes[] = {
        {"UB", "127 x 76 x 13", 127.0, 76.0, 4.0, 7.6},      {"UB", "406 x 178 x 54", 402.6, 177.7, 7.7, 10.9},
        {"UB", "533 x 210 x 82", 528.3, 208.8, 9.6, 13.2},   {"RHS", "80 x 40 x 4.0", 80.0, 40.0, 4.0, 4.0},
        {"RHS", "90 x 50 x 3.0", 90.0, 50.0, 3.0, 3.0},      {"RHS", "100 x 60 x 5.0", 100.0, 60.0, 5.0, 5.0},
        {"RHS", "200 x 100 x 5.0", 200.0, 100.0, 5.0, 5.0},  {"RHS", "250 x 150 x 6.3", 250.0, 150.0, 6.3, 6.3},
        {"SHS", "60 x 60 x 3.0", 60.0, 60.0, 3.0, 3.0},      {"SHS", "80 x 80 x 5.0", 80.0, 80.0, 5.0, 5.0},
        {"SHS", "100 x 100 x 4.0", 100.0, 100.0, 4.0, 4.0},  {"CHS", "88.9 x 3.2", 88.9, 88.9, 3.2, 3.2},
        {"CHS", "139.7 x 5.0", 139.7, 139.7, 5.0, 5.0},      {"CHS", "323.9 x 6.3", 323.9, 323.9, 6.3, 6.3},
    };
    const QMap<QString, int> shapes{{"UB", CrossSection::IBeam},
                                    {"RHS", CrossSection::Rectangle | CrossSection::Hollow},
                                    {"SHS", CrossSection::Rectangle | CrossSection::Hollow},
                                    {"CHS", CrossSection::Oval | CrossSection::Hollow}};
    for (const Size& s : sizes) {
        const ItemRef item = sizeItem(*library, "British", s.category, s.size);
        QVERIFY2(item, s.size);
        // Scripts address the entries in lower case.
        QVERIFY(SectionType::isSizeNameEqualTo(item->value(), QString(s.size).toLower()));
        const CrossSectionRef section = item->value()->crossSection();
        QCOMPARE(section->shape(), shapes.value(s.category));
        QVERIFY2(close(section->overallDepth(), s.depth / 1000.0, 1e-12), s.size);
        QVERIFY2(close(section->topFlangeWidth(), s.width / 1000.0, 1e-12), s.size);
        QVERIFY2(close(section->webThickness(), s.web / 1000.0, 1e-12), s.size);
        QVERIFY2(close(section->topFlangeThickness(), s.flange / 1000.0, 1e-12), s.size);
        QVERIFY(!section->isRotated());
    }
}

void TestSections::everyTableRowIsAComputedSizeInOrder()
{
    // Each size is made of its country's steel, the library's own object.
    const QMap<QString, QString> steel{{"British", "Steel S275"}, {"European", "Steel S235"}, {"American", "Steel A992"}};
    for (auto table = steel.cbegin(); table != steel.cend(); ++table) {
        const MaterialRef material = materials->standardMaterial(table.value());
        QVERIFY(material);
        QFile file(QStringLiteral(VARO_SECTION_TABLES "/%1.csv").arg(table.key().toLower()));
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
        QTextStream in(&file);
        in.readLine();
        QMap<QString, int> nextIndex; // per category: the row order is the size order
        int rows = 0;
        while (!in.atEnd()) {
            const QStringList f = in.readLine().split(',');
            QCOMPARE(f[0], table.key());
            const ItemRef category = childNamed(childNamed(library->root(), 0, f[0]), 1, f[1]);
            QVERIFY2(category, qPrintable(f[1]));
            const ItemRef size = SectionLibrary::subnodeItem(category, nextIndex[f[0] + f[1]]++);
            QVERIFY2(size, qPrintable(f[2]));
            const CrossSectionRef section = size->value()->crossSection();
            QCOMPARE(section->names().value(2), f[2]);
            QCOMPARE(section->shape(), CrossSection::shapeFromName(f[3]));
            QCOMPARE(size->value()->material(), material);
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
        int held = 0;
        for (const ItemRef& category : itemsUnder(childNamed(library->root(), 0, table.key())))
            held += category->subnodeCount();
        QCOMPARE(held, rows);
    }
}

void TestSections::customCountryHoldsOneTemplatePerShape()
{
    QSet<int> shapes;
    for (const ItemRef& shapeItem : itemsUnder(library->customCountryItem())) {
        const CrossSectionRef section = shapeItem->value()->crossSection();
        QCOMPARE(section->names(), (QStringList{"Custom", CrossSection::nameOfShape(section->shape())}));
        QVERIFY2(section->isValid() && section->area() > 0.0, qPrintable(section->names().value(1)));
        QVERIFY(shapeItem->value()->material());
        shapes << section->shape();
    }
    QCOMPARE(shapes, (QSet<int>{CrossSection::Angle, CrossSection::Channel, CrossSection::IBeam, CrossSection::Oval,
                                CrossSection::Oval | CrossSection::Hollow, CrossSection::Rectangle,
                                CrossSection::Rectangle | CrossSection::Hollow, CrossSection::Tee, CrossSection::Zed,
                                CrossSection::BiPlate, CrossSection::TriPlate}));
    QCOMPARE(library->customCountryItem()->subnodeCount(), shapes.size());
}

void TestSections::librariesShareSizesNotMaterials()
{
    const QSharedPointer<MaterialLibrary> otherMaterials(new MaterialLibrary);
    const SectionLibrary other(otherMaterials);
    const ItemRef mine = sizeItem(*library, "British", "UB", "406 x 178 x 54");
    const ItemRef theirs = sizeItem(other, "British", "UB", "406 x 178 x 54");
    QCOMPARE(mine->value()->crossSection(), theirs->value()->crossSection());
    QVERIFY(mine->value() != theirs->value());
    QCOMPARE(theirs->value()->material(), otherMaterials->standardMaterial("Steel S275"));
}

void TestSections::damagedDataGivesNoCountries()
{
    QByteArray truncated = qUncompress(smallTree());
    truncated.chop(5);
    const QList<QPair<const char*, QByteArray>> damaged{
        {"empty", QByteArray()},
        {"wrong magic", streamOf([](QDataStream& out) { writeRecord(out, {}), out << qint32(0); }, 0x12345678)},
        {"truncated", qCompress(truncated)},
        {"trailing bytes", qCompress(qUncompress(smallTree()) + "x")},
        {"negative dimension", smallTree([](CrossSection& s) { s.setWebThickness(-0.001); })},
        {"not a number", smallTree([](CrossSection& s) { s.setOverallDepth(std::nan("")); })},
        {"names of wrong level", smallTree([](CrossSection& s) { s.setNames({"C", "K"}); })},
        {"size with children", smallTree({}, 1)},
        {"absurd child count", streamOf([](QDataStream& out) { writeRecord(out, {}), out << qint32(-1); })},
    };
    for (const auto& data : damaged) {
        StandardSection root;
        root.children.resize(2); // whatever was there goes
        QVERIFY2(!StandardSections::parse(data.second, &root), data.first);
        QVERIFY2(root.children.isEmpty(), data.first);
    }
    StandardSection root;
    QVERIFY(StandardSections::parse(smallTree(), &root));
    QCOMPARE(root.children[0].children[0].children[0].crossSection->names(), (QStringList{"C", "K", "S"}));
}

QTEST_GUILESS_MAIN(TestSections)
#include "tst_sections.moc"
