#include "DocumentXmlTesting.h"
#include "Member.h"
#include "ModelMetaTypes.h"
#include "ModelResources.h"
#include "NativeContainer.h"
#include "SectionType.h"
#include "CrossSection.h"
#include "Material.h"
#include "Node.h"
#include "Support.h"
#include "TestMain.h"

#include <QDirIterator>
#include <QtTest>

class TestModels : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void builtInModels_data();
    void builtInModels();
    void everyExampleIsShipped();
};

void TestModels::initTestCase()
{
    registerModelMetaTypes();
    initialiseModelResources();
}

void TestModels::builtInModels_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("template") << QStringLiteral(":/templateDefault.varok");
    for (const QString& folder : {QStringLiteral(":/example"), QStringLiteral(":/replay")})
        for (QDirIterator i(folder); i.hasNext();) {
            const QString path = i.next();
            QTest::newRow(qPrintable(path)) << path;
        }
}

// Each model opens, reads without a broken reference, writes back to the
// same text, and gives every member a usable section on supported nodes.
void TestModels::builtInModels()
{
    QFETCH(QString, path);
    QByteArray text;
    QCOMPARE(NativeContainer::readFile(path, &text), NativeContainer::Status::Ok);

    Parts parts;
    QVERIFY(read(QString::fromUtf8(text), parts));
    const QString first = write(parts);
    Parts again;
    QVERIFY(read(first, again));
    QCOMPARE(withNumberedIds(write(again)), withNumberedIds(first));

    if (path.contains(QLatin1String("template"))) {
        QVERIFY(parts.structure.everything().isEmpty());
        return;
    }
    QVERIFY(!parts.structure.members().isEmpty());
    QVERIFY(!parts.structure.loads().isEmpty());
    bool supported = false;
    for (const NodeRef& node : parts.structure.nodes())
        supported = supported || (node->support() && node->support()->dof().mask != 0);
    QVERIFY(supported);
    for (const MemberRef& member : parts.structure.members()) {
        QVERIFY(member->sectionType());
        QVERIFY(member->sectionType()->crossSection()->isValid());
        const MaterialRef material = member->sectionType()->material();
        QVERIFY(material && material->youngsModulus() > 0 && 3 * material->shearModulus() >= material->youngsModulus());
    }
}

// The menus list these names.
void TestModels::everyExampleIsShipped()
{
    const QStringList titles{"Beam", "Plane Portal", "Plane Grid 1", "Plane Grid 2", "Space Frame",
                             "Space Portal", "Concrete Frame", "Two-storey Frame", "Helical Stair 1", "Helical Stair 2"};
    for (int i = 0; i < titles.size(); ++i) {
        const QString path = QStringLiteral(":/example/%1.KU.%2.varok").arg(i + 1, 2, 10, QLatin1Char('0')).arg(titles[i]);
        QVERIFY2(QFile::exists(path), qPrintable(path));
    }
    QCOMPARE(QDir(QStringLiteral(":/example")).count(), uint(titles.size()));
    QVERIFY(QFile::exists(QStringLiteral(":/replay/Model1.varok")));
}

VARO_TEST_MAIN(TestModels)
#include "tst_models.moc"
