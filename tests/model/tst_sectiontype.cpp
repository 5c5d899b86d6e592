#include "SectionType.h"
#include "TestMain.h"

#include <QtTest>

#include <cfloat>
#include <cmath>
#include <tuple>

namespace
{

SectionTypeRef universalBeam()
{
    const CrossSectionRef section(new CrossSection);
    section->setShape(CrossSection::IBeam);
    section->setNames({QStringLiteral("British"), QStringLiteral("UB"), QStringLiteral("127 x 76 x 13")});
    section->setOverallDepth(0.127);
    section->setTopFlangeWidth(0.076);
    section->setWebThickness(0.004);
    section->setTopFlangeThickness(0.0076);
    section->compute();
    // Stated values a computation would not give, so that losing them shows.
    section->setArea(0.1);
    section->setJ(1.0 / 3.0);
    section->setWply(std::nextafter(1.0, 2.0));
    section->setWplz(1e-300);
    section->setRotated(true);
    const MaterialRef steel(new Material({QStringLiteral("Steel"), QString(), QStringLiteral("S355 & <grade>")},
                                         2.1e11, 8.1e10, 7850, 1.2e-5));
    return VaroObject::make<SectionType>(section, steel);
}

QString written(const SectionType& sectionType)
{
    QString text;
    QXmlStreamWriter writer(&text);
    writer.setAutoFormatting(true);
    sectionType.writeXML(writer, QStringLiteral("42"));
    return text;
}

// Reads the first element of the text into a new section type; the reader's
// error (empty when none) goes to *error.
SectionTypeRef read(const QString& text, QString* error = nullptr)
{
    QXmlStreamReader reader(text);
    reader.readNextStartElement();
    SectionTypeRef sectionType(VaroObject::make<SectionType>());
    sectionType->readXML(reader, nullptr);
    if (error)
        *error = reader.errorString();
    return sectionType;
}

} // namespace

class TestSectionType : public QObject
{
    Q_OBJECT

private slots:
    void materialValidity_data();
    void materialValidity();
    void materialComparisons_data();
    void materialComparisons();
    void materialNamesStayWithTheMaterial();
    void nameAndShapeMatching();
    void setMaterialSignalsAndStamps();
    void xmlRoundTripIsExact();
    void xmlReadingIsLenientAboutLayout();
    void xmlRefusesBadNumbers();
};

void TestSectionType::nameAndShapeMatching()
{
    const CrossSectionRef shortNames(new CrossSection);
    shortNames->setNames({QStringLiteral("British")});
    // Country, category and size; whether all three match.
    const QList<std::tuple<SectionTypeRef, QStringList, bool>> cases{
        {universalBeam(), {"BRITISH", "ub", "127 X 76 X 13"}, true},
        {universalBeam(), {"European", "UC", "127 x 76"}, false},
        {VaroObject::make<SectionType>(shortNames, MaterialRef()), {"british", "", ""}, true}, // missing read empty
        {SectionTypeRef(), {"", "", ""}, false},
    };
    for (const auto& c : cases) {
        const SectionTypeRef sectionType = std::get<0>(c);
        const QStringList names = std::get<1>(c);
        QCOMPARE(SectionType::isCountryNameEqualTo(sectionType, names[0]), std::get<2>(c));
        QCOMPARE(SectionType::isCategoryNameEqualTo(sectionType, names[1]), std::get<2>(c));
        QCOMPARE(SectionType::isSizeNameEqualTo(sectionType, names[2]), std::get<2>(c));
        const bool hasSection = sectionType && sectionType->crossSection();
        const int shape = hasSection ? sectionType->crossSection()->shape() : 0;
        QCOMPARE(SectionType::isShapeEqualTo(sectionType, shape), hasSection);
        QVERIFY(!SectionType::isShapeEqualTo(sectionType, shape | CrossSection::Hollow));
    }
}

void TestSectionType::setMaterialSignalsAndStamps()
{
    const SectionTypeRef sectionType = universalBeam();
    const MaterialRef old = sectionType->material();
    const MaterialRef timber(new Material({QStringLiteral("Timber")}, 1.1e10, 6.9e8, 500, 4e-6));

    // Each signal records which material the section type held when it came.
    QStringList events;
    auto holding = [&] { return sectionType->material() == old ? QStringLiteral("old") : QStringLiteral("new"); };
    connect(sectionType.data(), &SectionType::SectionTypeWillChange, this, [&] { events << "will:" + holding(); });
    connect(sectionType.data(), &SectionType::SectionTypeHasChanged, this, [&] { events << "has:" + holding(); });

    const quint32 before = sectionType->timeStamp();
    VaroObject::newTimeStamp();
    sectionType->setMaterial(timber);
    QCOMPARE(events, (QStringList{QStringLiteral("will:old"), QStringLiteral("has:new")}));
    QCOMPARE(sectionType->material(), timber);
    QVERIFY(sectionType->timeStamp() != before);
}

void TestSectionType::xmlRoundTripIsExact()
{
    const SectionTypeRef original = universalBeam();
    const QString first = written(*original);
    const SectionTypeRef copy = read(first);
    QCOMPARE(written(*copy), first);

    // Values a short decimal form would lose on both writes alike.
    const CrossSection& b = *copy->crossSection();
    QCOMPARE(b.isRotated(), true);
    QCOMPARE(b.J(), 1.0 / 3.0);
    QCOMPARE(b.Wply(), std::nextafter(1.0, 2.0));
    QCOMPARE(b.Wplz(), 1e-300);
    QCOMPARE(b.Iy(), original->crossSection()->Iy());
    QCOMPARE(copy->material()->names(), original->material()->names());
    QCOMPARE(copy->material()->cte(), 1.2e-5);

    // A section type without parts writes and reads back without them.
    const SectionType empty;
    const SectionTypeRef emptyCopy = read(written(empty));
    QVERIFY(!emptyCopy->crossSection());
    QVERIFY(!emptyCopy->material());
}

void TestSectionType::xmlReadingIsLenientAboutLayout()
{
    QString error;
    const SectionTypeRef sectionType = read(QStringLiteral(
        "<sectiontype ref=\"7\"><Future><CrossSection><Shape>9</Shape></CrossSection></Future>"
        "<CROSSSECTION><shape>22</shape><Colour>red</Colour><names><name>A</name><Other/><NAME>B</NAME></names>"
        "<rotated>TRUE</rotated></CROSSSECTION><material><e>2e11</e></material></sectiontype><Next/>"), &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    const CrossSectionRef section = sectionType->crossSection();
    QVERIFY(section);
    QCOMPARE(section->shape(), int(CrossSection::Rectangle | CrossSection::Hollow));
    QCOMPARE(section->names(), (QStringList{QStringLiteral("A"), QStringLiteral("B")}));
    QVERIFY(section->isRotated());
    // Missing children keep their defaults.
    QCOMPARE(section->area(), 0.0);
    QCOMPARE(sectionType->material()->youngsModulus(), 2e11);
}

void TestSectionType::xmlRefusesBadNumbers()
{
    const char* texts[] = {
        "<SectionType ref=\"1\"><CrossSection><Area>12 cm2</Area></CrossSection></SectionType>",
        "<SectionType ref=\"1\"><CrossSection><Shape>IBeam</Shape></CrossSection></SectionType>",
        "<SectionType ref=\"1\"><Material><Density>dense</Density></Material></SectionType>",
    };
    for (const char* text : texts) {
        QString error;
        read(QString::fromLatin1(text), &error);
        QVERIFY2(!error.isEmpty(), text);
    }

    // No section holds a value that is not finite: such text is damage, not a number.
    for (const char* odd : {"nan", "-inf"}) {
        const SectionTypeRef sectionType = universalBeam();
        sectionType->crossSection()->setIz(0.25);
        QString error;
        read(written(*sectionType).replace(QLatin1String("<Iz>0.25<"), QStringLiteral("<Iz>%1<").arg(odd)), &error);
        QVERIFY(error.contains(QLatin1String("finite")));
    }
    // Nor does the writer write one: such a value is written as the nearest finite number.
    const SectionTypeRef infinite = universalBeam();
    infinite->crossSection()->setIz(-HUGE_VAL);
    QString error;
    QCOMPARE(read(written(*infinite), &error)->crossSection()->Iz(), -DBL_MAX);
    QVERIFY2(error.isEmpty(), qPrintable(error));
}

void TestSectionType::materialValidity_data()
{
    QTest::addColumn<double>("E");
    QTest::addColumn<double>("G");
    QTest::addColumn<double>("density");
    QTest::addColumn<bool>("valid");

    const double nan = std::nan("");
    QTest::newRow("steel") << 2.1e11 << 8.1e10 << 7850.0 << true;
    QTest::newRow("density at 0.01") << 2.1e11 << 8.1e10 << 0.01 << true;
    QTest::newRow("density below 0.01") << 2.1e11 << 8.1e10 << 0.005 << false;
    QTest::newRow("E at 300000") << 300000.0 << 100000.0 << 7850.0 << true;
    QTest::newRow("E below 300000") << 200000.0 << 100000.0 << 7850.0 << false;
    QTest::newRow("E equal to 3G") << 3.0e11 << 1.0e11 << 7850.0 << true;
    QTest::newRow("3G below E") << 2.0e11 << 6.0e10 << 7850.0 << false;
    QTest::newRow("NaN E") << nan << 8.1e10 << 7850.0 << false;
    QTest::newRow("all zero, as a new material") << 0.0 << 0.0 << 0.0 << false;
}

void TestSectionType::materialValidity()
{
    QFETCH(double, E);
    QFETCH(double, G);
    QFETCH(double, density);
    QFETCH(bool, valid);
    QCOMPARE(Material(QStringList(), E, G, density, 0).isValid(), valid);
}

void TestSectionType::materialComparisons_data()
{
    // The other material's E, G, density and CTE, as factors on the first's.
    QTest::addColumn<QVector<double>>("factors");
    QTest::addColumn<bool>("equal");
    QTest::addColumn<bool>("replaces");

    const double within = 1 + std::ldexp(1.0, -21), beyond = 1 + std::ldexp(1.0, -18);
    QTest::newRow("same") << QVector<double>{1, 1, 1, 1} << true << true;
    QTest::newRow("all within 2^-20") << QVector<double>{within, within, within, within} << true << true;
    QTest::newRow("E beyond") << QVector<double>{beyond, 1, 1, 1} << false << false;
    QTest::newRow("CTE beyond") << QVector<double>{1, 1, 1, beyond} << false << false;
    QTest::newRow("other leaves G at zero") << QVector<double>{1, 0, 1, 1} << false << true;
}

// Equality and replacement compare the numbers only; names play no part.
void TestSectionType::materialComparisons()
{
    QFETCH(QVector<double>, factors);
    QFETCH(bool, equal);
    QFETCH(bool, replaces);
    const Material library({QStringLiteral("Steel")}, 2.1e11, 8.1e10, 7850, 1.2e-5);
    const Material other({QStringLiteral("Another")}, 2.1e11 * factors[0], 8.1e10 * factors[1], 7850 * factors[2],
                         1.2e-5 * factors[3]);
    QCOMPARE(library == other, equal);
    QCOMPARE(library != other, !equal);
    QCOMPARE(library.canReplace(other), replaces);
}

void TestSectionType::materialNamesStayWithTheMaterial()
{
    Material mine({QStringLiteral("Mine")}, 1e9, 4e8, 500, 1e-6);
    const Material theirs({QStringLiteral("Theirs")}, 2.1e11, 8.1e10, 7850, 1.2e-5);
    mine.setPropertiesOnly(theirs);
    QCOMPARE(mine.names(), QStringList{QStringLiteral("Mine")});
    QCOMPARE((QVector<double>{mine.youngsModulus(), mine.shearModulus(), mine.density(), mine.cte()}),
             (QVector<double>{2.1e11, 8.1e10, 7850, 1.2e-5}));

    const MaterialRef steel(new Material({QStringLiteral("Steel"), QStringLiteral("S275")}, 2.1e11, 8.1e10, 7850, 0));
    QVERIFY(Material::isGenericNameEqualTo(steel, QStringLiteral("STEEL")));
    QVERIFY(!Material::isGenericNameEqualTo(steel, QStringLiteral("S275")));
    QVERIFY(Material::isGenericNameEqualTo(MaterialRef(new Material), QString()));
}

VARO_TEST_MAIN(TestSectionType)
#include "tst_sectiontype.moc"
