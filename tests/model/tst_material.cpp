#include "Material.h"

#include <QtTest>

#include <cmath>

class TestMaterial : public QObject
{
    Q_OBJECT

private slots:
    void constructorTakesPropertiesInItsOwnOrder();
    void validity_data();
    void validity();
    void equalityIgnoresNames_data();
    void equalityIgnoresNames();
    void canReplace_data();
    void canReplace();
    void setPropertiesOnlyKeepsNames();
    void genericName();
    void travelsInVariants();
};

void TestMaterial::constructorTakesPropertiesInItsOwnOrder()
{
    const Material steel({QStringLiteral("Steel"), QStringLiteral("S355")}, 2.1e11, 8.1e10, 7850, 1.2e-5);
    QCOMPARE(steel.youngsModulus(), 2.1e11);
    QCOMPARE(steel.shearModulus(), 8.1e10);
    QCOMPARE(steel.density(), 7850.0);
    QCOMPARE(steel.cte(), 1.2e-5);
    QCOMPARE(steel.name(), QStringLiteral("Steel"));

    const Material blank;
    QVERIFY(blank.names().isEmpty());
    QCOMPARE(blank.youngsModulus() + blank.shearModulus() + blank.density() + blank.cte(), 0.0);
    QVERIFY(!blank.isValid());
}

void TestMaterial::validity_data()
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
    QTest::newRow("NaN G") << 2.1e11 << nan << 7850.0 << false;
    QTest::newRow("NaN density") << 2.1e11 << 8.1e10 << nan << false;
}

void TestMaterial::validity()
{
    QFETCH(double, E);
    QFETCH(double, G);
    QFETCH(double, density);
    QFETCH(bool, valid);
    QCOMPARE(Material(QStringList(), E, G, density, 0).isValid(), valid);
}

void TestMaterial::equalityIgnoresNames_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<double>("factor");
    QTest::addColumn<bool>("equal");
    const double rel = std::ldexp(1.0, -20);
    for (int field = 0; field < 4; ++field) {
        QTest::newRow(qPrintable(QStringLiteral("field %1 within 2^-20").arg(field))) << field << 1 + 0.5 * rel << true;
        QTest::newRow(qPrintable(QStringLiteral("field %1 beyond 2^-20").arg(field))) << field << 1 + 4 * rel << false;
    }
}

void TestMaterial::equalityIgnoresNames()
{
    QFETCH(int, field);
    QFETCH(double, factor);
    QFETCH(bool, equal);
    double values[4] = {2.1e11, 8.1e10, 7850, 1.2e-5};
    const Material a({QStringLiteral("Steel")}, values[0], values[1], values[2], values[3]);
    values[field] *= factor;
    const Material b({QStringLiteral("Another name")}, values[0], values[1], values[2], values[3]);
    QCOMPARE(a == b, equal);
    QCOMPARE(a != b, !equal);
}

void TestMaterial::canReplace_data()
{
    QTest::addColumn<double>("otherE");
    QTest::addColumn<double>("otherG");
    QTest::addColumn<double>("otherCTE");
    QTest::addColumn<bool>("replaces");
    QTest::newRow("same") << 2.1e11 << 8.1e10 << 1.2e-5 << true;
    QTest::newRow("other leaves G at zero") << 2.1e11 << 0.0 << 1.2e-5 << true;
    QTest::newRow("other G differs") << 2.1e11 << 8.0e10 << 1.2e-5 << false;
    QTest::newRow("E differs") << 2.0e11 << 8.1e10 << 1.2e-5 << false;
    QTest::newRow("CTE differs") << 2.1e11 << 8.1e10 << 1.1e-5 << false;
}

void TestMaterial::canReplace()
{
    QFETCH(double, otherE);
    QFETCH(double, otherG);
    QFETCH(double, otherCTE);
    QFETCH(bool, replaces);
    const Material library({QStringLiteral("Steel")}, 2.1e11, 8.1e10, 7850, 1.2e-5);
    const Material other({QStringLiteral("Steel")}, otherE, otherG, 7850, otherCTE);
    QCOMPARE(library.canReplace(other), replaces);
}

void TestMaterial::setPropertiesOnlyKeepsNames()
{
    Material target({QStringLiteral("Mine")}, 1e9, 4e8, 500, 1e-6);
    const Material source({QStringLiteral("Theirs")}, 2.1e11, 8.1e10, 7850, 1.2e-5);
    target.setPropertiesOnly(source);
    QCOMPARE(target.names(), QStringList{QStringLiteral("Mine")});
    QCOMPARE(target.youngsModulus(), 2.1e11);
    QCOMPARE(target.shearModulus(), 8.1e10);
    QCOMPARE(target.density(), 7850.0);
    QCOMPARE(target.cte(), 1.2e-5);
}

void TestMaterial::genericName()
{
    const MaterialRef steel(new Material({QStringLiteral("Steel"), QStringLiteral("S275")}, 2.1e11, 8.1e10, 7850, 0));
    QVERIFY(Material::isGenericNameEqualTo(steel, QStringLiteral("STEEL")));
    QVERIFY(!Material::isGenericNameEqualTo(steel, QStringLiteral("S275")));
    QVERIFY(!Material::isGenericNameEqualTo(MaterialRef(), QString()));
    QVERIFY(Material::isGenericNameEqualTo(MaterialRef(new Material), QString()));
}

void TestMaterial::travelsInVariants()
{
    const Material steel({QStringLiteral("Steel")}, 2.1e11, 8.1e10, 7850, 1.2e-5);
    const QVariant value = QVariant::fromValue(steel);
    QVERIFY(value.value<Material>() == steel);
    const MaterialRef ref(new Material(steel));
    QCOMPARE(QVariant::fromValue(ref).value<MaterialRef>(), ref);
}

QTEST_MAIN(TestMaterial)
#include "tst_material.moc"
