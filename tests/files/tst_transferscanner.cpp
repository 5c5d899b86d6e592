#include "TransferReader.h"
#include "TransferScanner.h"
#include "TestMain.h"

#include <QtTest>

#include <clocale>

// The lexical layer of transfer texts: string lists, integers and numbers.
class TestTransferScanner : public QObject
{
    Q_OBJECT

private slots:
    void stringLists_data();
    void stringLists();
    void damagedTextIsMarked();
    void integersOutsideThirtyTwoBits_data();
    void integersOutsideThirtyTwoBits();
    void numbersIgnoreTheUserLocale();
    void endOfFileMarkFollowsCInput();
};

void TestTransferScanner::stringLists_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QByteArray>("rest"); // what the next read would see

    const QString longText(254, QLatin1Char('a'));
    QTest::newRow("two names") << QByteArray("2 \"One\" \"Two\" x") << QStringList{"One", "Two"} << QByteArray(" x");
    QTest::newRow("over three lines") << QByteArray("2\n\"One\"\n\"Two\"\nx") << QStringList{"One", "Two"} << QByteArray("\nx");
    QTest::newRow("empty item") << QByteArray("1 \"\" x") << QStringList{""} << QByteArray(" x");
    QTest::newRow("empty item at end") << QByteArray("1 \"\"") << QStringList{""} << QByteArray();
    QTest::newRow("three quotes") << QByteArray("1 \"\"\" x") << QStringList() << QByteArray(" x");
    QTest::newRow("empty item then text") << QByteArray("1 \"\"x") << QStringList() << QByteArray();
    QTest::newRow("count 0") << QByteArray("0 \"A\"") << QStringList() << QByteArray(" \"A\"");
    QTest::newRow("count 8") << QByteArray("8 \"A\"") << QStringList() << QByteArray(" \"A\"");
    QTest::newRow("no count") << QByteArray("\"A\"") << QStringList() << QByteArray("\"A\"");
    QTest::newRow("bare word") << QByteArray("2 \"A\" B x") << QStringList() << QByteArray(" x");
    QTest::newRow("blank and tab kept") << QByteArray("1 \"a b\tc\"") << QStringList{"a b\tc"} << QByteArray();
    QTest::newRow("non-ASCII") << QByteArray("1 \"Stütze Ø\"") << QStringList{QString::fromUtf8("Stütze Ø")} << QByteArray();
    QTest::newRow("254 bytes") << "1 \"" + longText.toLatin1() + "\" x" << QStringList{longText} << QByteArray(" x");
    QTest::newRow("255 bytes cut") << "1 \"" + longText.toLatin1() + "bc\" x" << QStringList{longText}
                                   << QByteArray("bc\" x");
    QTest::newRow("unterminated") << QByteArray("2 \"A\" \"B") << QStringList{"A", "B"} << QByteArray();
    QTest::newRow("text missing") << QByteArray("2 \"A\"") << QStringList() << QByteArray();
}

void TestTransferScanner::stringLists()
{
    QFETCH(QByteArray, text);
    TransferScanner in(text);
    bool bad = false;
    QTEST(TransferReader::readStringList(in, &bad), "expected");
    QVERIFY(!bad);
    QTEST(text.mid(in.position()), "rest");
}

void TestTransferScanner::damagedTextIsMarked()
{
    for (const QByteArray& text : {QByteArray("1 \"\xff\xfe\""), QByteArray("1 \"ab\xc3\"")}) {
        TransferScanner in(text);
        bool bad = false;
        QVERIFY(TransferReader::readStringList(in, &bad).isEmpty());
        QVERIFY(bad);
    }
}

void TestTransferScanner::integersOutsideThirtyTwoBits_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("read");
    QTest::addColumn<int>("value");
    QTest::newRow("largest") << QByteArray(" 2147483647") << true << 2147483647;
    QTest::newRow("smallest") << QByteArray("-2147483648") << true << int(-2147483647 - 1);
    QTest::newRow("one above") << QByteArray("2147483648") << false << 0;
    QTest::newRow("one below") << QByteArray("-2147483649") << false << 0;
    QTest::newRow("huge") << QByteArray(400, '9') << false << 0;
    QTest::newRow("leading zeros") << QByteArray("+00000000000000000000012") << true << 12;
    QTest::newRow("sign alone") << QByteArray("- 1") << false << 0;
}

void TestTransferScanner::integersOutsideThirtyTwoBits()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, read);
    TransferScanner in(text);
    int v = 0;
    QCOMPARE(in.scanInt(&v), read);
    if (read)
        QTEST(v, "value");
}

void TestTransferScanner::numbersIgnoreTheUserLocale()
{
    const QByteArray before = std::setlocale(LC_NUMERIC, nullptr);
    const bool switched = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") || std::setlocale(LC_NUMERIC, "fr_FR.UTF-8");
    TransferScanner in(" 0.5 -1.25e3 inf 1e99 0x1p3");
    float a = 0, b = 0, c = 0, d = 0, e = 0;
    const bool ok = in.scanFloat(&a) && in.scanFloat(&b) && in.scanFloat(&c) && in.scanFloat(&d) && in.scanFloat(&e);
    std::setlocale(LC_NUMERIC, before.constData());
    QVERIFY(ok);
    QCOMPARE(a, 0.5f);
    QCOMPARE(b, -1250.0f);
    QVERIFY(std::isinf(c) && std::isinf(d));
    QCOMPARE(e, 8.0f);
    if (!switched)
        qInfo("no comma-decimal locale installed; read in the C locale only");
}

void TestTransferScanner::endOfFileMarkFollowsCInput()
{
    TransferScanner atEnd("1 2.5");
    int n;
    float f;
    QVERIFY(atEnd.scanInt(&n) && !atEnd.endOfFile());
    QVERIFY(atEnd.scanFloat(&f) && atEnd.endOfFile());

    TransferScanner lineEnd("2.5\n");
    QVERIFY(lineEnd.scanFloat(&f) && !lineEnd.endOfFile());
}

VARO_GUILESS_TEST_MAIN(TestTransferScanner)
#include "tst_transferscanner.moc"
