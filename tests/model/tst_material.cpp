#include "Material.h"

#include <QtTest>

#include <cmath>

class TestMaterial : public QObject
{
    Q_OBJECT

private slots:
    void validity_data();
    void validity();
    void comparisons_data();
    void comparisons();
    void namesStayWithTheMaterial();
};

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
    QTest::newRow("all zero, as a new material") << 0.0 << 0.0 << 0.0 << false;
}

void TestMaterial::validity()
{
    QFETCH(double, E);
    QFETCH(double, G);
    QFETCH(double, density);
    QFETCH(bool, valid);
    QCOMPARE(Material(QStringList(), E, G, density, 0).isValid(), valid);
}

void TestMaterial::comparisons_data()
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
void TestMaterial::comparisons()
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

void TestMaterial::namesStayWithTheMaterial()
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

QTEST_MAIN(TestMaterial)
#include "tst_material.moc"
