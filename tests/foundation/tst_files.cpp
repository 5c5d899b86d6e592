#include "FileUtilities.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

class TestFiles : public QObject
{
    Q_OBJECT

private slots:
    void checksumOfKnownInput();
    void checksumDetectsAnyChangedByte();
    void scrambleRoundTrips();
    void unscrambleRejectsBadBlocks();
    void atomicWriteCreatesAndReplaces();
    void failedAtomicWriteKeepsTheOldFile();
    void atomicWriteOverADirectoryFails();
    void cFileOpensPathsOutsideLatin1();
};

static QByteArray randomBytes(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = char(QRandomGenerator::global()->bounded(256));
    return bytes;
}

static QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void TestFiles::checksumOfKnownInput()
{
    // SHA-1 over the text followed by its raw MD5 digest, worked out independently.
    QCOMPARE(computeChecksum("The quick brown fox jumps over the lazy dog").toHex(),
             QByteArray("529df836c0570137fa5e485eb360bc20a62e7127"));
    QCOMPARE(computeChecksum(QByteArray()).toHex(), QByteArray("992ac9e91d03048b56a035754a3a579004a0dfb5"));
}

void TestFiles::checksumDetectsAnyChangedByte()
{
    const QByteArray data = randomBytes(300);
    const QByteArray sum = computeChecksum(data);
    QCOMPARE(sum.size(), 20);
    for (int i = 0; i < data.size(); i += 37) {
        QByteArray changed = data;
        changed[i] = char(changed[i] ^ 0x01);
        QVERIFY(computeChecksum(changed) != sum);
    }
}

void TestFiles::scrambleRoundTrips()
{
    for (int size : {0, 1, 17, 4096}) {
        const QByteArray data = randomBytes(size);
        for (bool on : {false, true}) {
            const QByteArray block = scramble(data, on);
            QCOMPARE(block.size(), size + 1);
            QCOMPARE(block.at(0), on ? char(1) : char(0));
            bool ok = false;
            QCOMPARE(unscramble(block, &ok), data);
            QVERIFY(ok);
        }
    }
    // Scrambling hides readable text.
    const QByteArray xml("<Content><Document/></Content>");
    QVERIFY(!scramble(xml, true).contains("Content"));
    QCOMPARE(scramble(xml, false).mid(1), xml);
}

void TestFiles::unscrambleRejectsBadBlocks()
{
    bool ok = true;
    QVERIFY(unscramble(QByteArray(), &ok).isEmpty());
    QVERIFY(!ok);
    ok = true;
    QVERIFY(unscramble(QByteArray("\x07body", 5), &ok).isEmpty());
    QVERIFY(!ok);
}

void TestFiles::atomicWriteCreatesAndReplaces()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("model.varou"));
    QVERIFY(writeQByteArrayToFileAtomically("first", path));
    QCOMPARE(readAll(path), QByteArray("first"));
    const QByteArray big = randomBytes(1 << 20);
    QVERIFY(writeQByteArrayToFileAtomically(big, path));
    QCOMPARE(readAll(path), big);
    QVERIFY(!QFile::exists(path + ".tmp"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({"model.varou"}));
}

void TestFiles::failedAtomicWriteKeepsTheOldFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("model.varou"));
    QVERIFY(writeQByteArrayToFileAtomically("the old model", path));

    // The disk fills up halfway through the new contents.
    AtomicWriteTesting::failNextWriteAfter(5);
    QVERIFY(!writeQByteArrayToFileAtomically("a much longer new model", path));
    QCOMPARE(readAll(path), QByteArray("the old model"));
    QVERIFY(!QFile::exists(path + ".tmp"));

    // A folder that does not exist cannot take the file.
    QVERIFY(!writeQByteArrayToFileAtomically("x", dir.filePath(QStringLiteral("missing/model.varou"))));
    // The fault was for one write only.
    QVERIFY(writeQByteArrayToFileAtomically("new", path));
    QCOMPARE(readAll(path), QByteArray("new"));
}

void TestFiles::atomicWriteOverADirectoryFails()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("folder.varou"));
    QVERIFY(QDir().mkdir(path));
    QVERIFY(QFile::exists(path));
    QVERIFY(!writeQByteArrayToFileAtomically("data", path));
    QVERIFY(QFileInfo(path).isDir());
    QVERIFY(!QFile::exists(path + ".tmp"));
}

void TestFiles::cFileOpensPathsOutsideLatin1()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QString::fromUtf8("\u043c\u043e\u0434\u0435\u043b\u044c \u6881.varox"));
    QFile out(path);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write("N 1 2.5\n");
    out.close();

    iFile file(path, QStringLiteral("r"));
    QVERIFY(file.isOpen());
    char letter = 0;
    int number = 0;
    double value = 0;
    QCOMPARE(std::fscanf(file.file(), " %c %d %lf", &letter, &number, &value), 3);
    QCOMPARE(letter, 'N');
    QCOMPARE(number, 1);
    QCOMPARE(value, 2.5);

    iFile missing(dir.filePath(QStringLiteral("none.varox")), QStringLiteral("r"));
    QVERIFY(!missing.isOpen());
}

QTEST_GUILESS_MAIN(TestFiles)
#include "tst_files.moc"
