#include "FileNameCodec.h"
#include "FileUtilities.h"
#include "TestMain.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <QTextCodec>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

class TestFiles : public QObject
{
    Q_OBJECT

private slots:
    void checksumOfKnownInput();
    void scrambleRoundTripsAndRefusesBadBlocks();
    void atomicWrite();
    void failedAtomicWriteKeepsTheOldFile_data();
    void failedAtomicWriteKeepsTheOldFile();
    void atomicWriteKeepsWhatSurroundsTheFile();
    void failedAtomicWriteSaysWhy_data();
    void failedAtomicWriteSaysWhy();
    void cFileOpensPathsOutsideLatin1();
    void everyFileNameComesBackByte_data();
    void everyFileNameComesBackByte();
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

void TestFiles::scrambleRoundTripsAndRefusesBadBlocks()
{
    for (int size : {0, 17, 4096}) {
        const QByteArray data = randomBytes(size);
        for (bool on : {false, true}) {
            const QByteArray block = scramble(data, on);
            QCOMPARE(block.at(0), on ? char(1) : char(0));
            bool ok = false;
            QCOMPARE(unscramble(block, &ok), data);
            QVERIFY(ok);
        }
    }
    const QByteArray xml("<Content><Document/></Content>");
    QVERIFY(!scramble(xml, true).contains("Content"));

    bool ok = true;
    QVERIFY(unscramble(QByteArray(), &ok).isEmpty());
    QVERIFY(!ok);
    ok = true;
    QVERIFY(unscramble(QByteArray("\x07body", 5), &ok).isEmpty());
    QVERIFY(!ok);
}

void TestFiles::atomicWrite()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("model.varou"));
    const QByteArray big = randomBytes(1 << 20);
    QVERIFY(writeQByteArrayToFileAtomically(big, path));
    QCOMPARE(readAll(path), big);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({"model.varou"}));

    // A folder in the way stays a folder, and leaves no temporary file.
    const QString folder = dir.filePath(QStringLiteral("folder.varou"));
    QVERIFY(QDir().mkdir(folder));
    QVERIFY(!writeQByteArrayToFileAtomically("data", folder));
    QVERIFY(QFileInfo(folder).isDir());
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"model.varou"}));
    QVERIFY(!writeQByteArrayToFileAtomically("x", dir.filePath(QStringLiteral("missing/model.varou"))));
}

void TestFiles::failedAtomicWriteKeepsTheOldFile_data()
{
    QTest::addColumn<bool>("unnamed");
    QTest::addColumn<bool>("sizeLimit"); // else the disk fills up halfway through the new contents
    QTest::newRow("unnamed temporary file") << true << false;
    QTest::newRow("named temporary file") << false << false;
    QTest::newRow("file-size limit") << true << true;
}

void TestFiles::failedAtomicWriteKeepsTheOldFile()
{
    QFETCH(bool, unnamed);
    QFETCH(bool, sizeLimit);
    AtomicWriteTesting::useUnnamedTemporaryFiles(unnamed);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("model.varou"));
    QVERIFY(writeQByteArrayToFileAtomically("the old model", path));

    struct rlimit limit = {};
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &limit), 0);
    const rlim_t soft = limit.rlim_cur;
    limit.rlim_cur = sizeLimit ? 4096 : soft;
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    if (!sizeLimit)
        AtomicWriteTesting::failNextWriteAfter(5);
    const bool written =
        writeQByteArrayToFileAtomically(sizeLimit ? randomBytes(20000) : "a much longer new model", path);
    limit.rlim_cur = soft;
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    QVERIFY(!written);
    QCOMPARE(readAll(path), QByteArray("the old model"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"model.varou"}));
    // The fault was for one write only.
    QVERIFY(writeQByteArrayToFileAtomically("new", path));
    QCOMPARE(readAll(path), QByteArray("new"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"model.varou"}));
    AtomicWriteTesting::useUnnamedTemporaryFiles(true);
}

void TestFiles::atomicWriteKeepsWhatSurroundsTheFile()
{
    QTemporaryDir dir;
    const QString real = dir.filePath(QStringLiteral("real.varou"));
    const QString link = dir.filePath(QStringLiteral("link.varou"));
    const QString victim = dir.filePath(QStringLiteral("victim"));
    QVERIFY(writeQByteArrayToFileAtomically("old", real));
    QVERIFY(writeQByteArrayToFileAtomically("untouched", victim));
    QVERIFY(QFile::link(real, link));
    // A file of the old fixed temporary name, pointing elsewhere.
    QVERIFY(QFile::link(victim, link + ".tmp"));
    QVERIFY(QFile::setPermissions(real, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    struct stat before = {};
    QCOMPARE(::stat(QFile::encodeName(real).constData(), &before), 0);

    QVERIFY(writeQByteArrayToFileAtomically("new", link));
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(readAll(real), QByteArray("new"));
    QCOMPARE(readAll(victim), QByteArray("untouched"));
    struct stat after = {};
    QCOMPARE(::stat(QFile::encodeName(real).constData(), &after), 0);
    QCOMPARE(after.st_mode & 07777, mode_t(0600));
    QCOMPARE(after.st_gid, before.st_gid);
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList({"link.varou", "link.varou.tmp", "real.varou", "victim"}));
}

void TestFiles::failedAtomicWriteSaysWhy_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("reason"); // %1 for the path
    QTest::newRow("disk full") << "full" << "model.varou" << "The disk is full: %1";
    QTest::newRow("folder missing") << "" << "gone/model.varou" << "The folder does not exist: %1";
    QTest::newRow("a folder in the way") << "" << "folder" << "It is a folder: %1";
    QTest::newRow("write-protected") << "" << "protected.varou" << "The file is write-protected: %1";
    // Writers by name tell only that they failed; what stopped them is found at the file's end.
    QTest::newRow("writer stopped by the file-size limit") << "limit" << "report.pdf"
                                                            << "The file is larger than the system allows: %1";
    QTest::newRow("writer failed on its own") << "writer" << "report.pdf" << "The file was not written whole: %1";
}

void TestFiles::failedAtomicWriteSaysWhy()
{
    QFETCH(QString, kind);
    QFETCH(QString, name);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder")));
    QVERIFY(writeQByteArrayToFileAtomically("protected", dir.filePath(QStringLiteral("protected.varou"))));
    // Read-only for everyone: its owner, and root too, must leave it alone.
    QVERIFY(QFile::setPermissions(dir.filePath(QStringLiteral("protected.varou")),
                                  QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));
    const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);

    QString why;
    bool written = false;
    if (kind == "limit" || kind == "writer") {
        struct rlimit limit = {};
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &limit), 0);
        const rlim_t soft = limit.rlim_cur;
        limit.rlim_cur = kind == "limit" ? 4096 : soft;
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limit), 0);
        written = writeFileAtomically(
            path,
            [&](const QString& partial) {
                QFile file(partial);
                return file.open(QIODevice::WriteOnly) && file.write(randomBytes(20000)) == 20000 && kind != "writer";
            },
            &why);
        limit.rlim_cur = soft;
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    } else {
        if (kind == "full")
            AtomicWriteTesting::failNextWriteAfter(5);
        written = writeQByteArrayToFileAtomically("a new model", path, &why);
    }
    QVERIFY(!written);
    QCOMPARE(why, reason.arg(path));
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), before);
    QCOMPARE(readAll(dir.filePath(QStringLiteral("protected.varou"))), QByteArray("protected"));
}

void TestFiles::cFileOpensPathsOutsideLatin1()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QString::fromUtf8("\u043c\u043e\u0434\u0435\u043b\u044c \u6881.varox"));
    {
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly) && out.write("N 1 2.5\n") > 0);
    }

    iFile file(path, QStringLiteral("r"));
    QVERIFY(file.isOpen());
    char letter = 0;
    double value = 0;
    QCOMPARE(std::fscanf(file.file(), " %c %*d %lf", &letter, &value), 2);
    QCOMPARE(letter, 'N');
    QCOMPARE(value, 2.5);
    QVERIFY(!iFile(dir.filePath(QStringLiteral("none.varox")), QStringLiteral("r")).isOpen());
}

void TestFiles::everyFileNameComesBackByte_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<bool>("utf8");
    QTest::newRow("ASCII") << QByteArray("model.varou") << true;
    QTest::newRow("Cyrillic") << QByteArray("\xd0\xbc\xd0\xbe\xd0\xb4.varou") << true;
    QTest::newRow("four bytes") << QByteArray("\xf0\x9f\x98\x80.varou") << true;
    QTest::newRow("Latin-1") << QByteArray("caf\xe9.varou") << false;
    QTest::newRow("lone continuations") << QByteArray("\x80\xbf.varou") << false;
    QTest::newRow("overlong slash") << QByteArray("a\xc0\xaf" "b") << false;
    QTest::newRow("encoded surrogate") << QByteArray("\xed\xa0\x80x") << false;
    QTest::newRow("above the last character") << QByteArray("\xf4\x90\x80\x80") << false;
    QTest::newRow("cut short") << QByteArray("ab\xe2\x82") << false;
}

// Names are bytes: whatever a folder holds must come back as the same bytes
// after it was text, or the file cannot be opened by the name it is shown by.
void TestFiles::everyFileNameComesBackByte()
{
    QFETCH(QByteArray, name);
    QFETCH(bool, utf8);
    FileNameCodec::installForLocale();
    const QString text = QFile::decodeName(name);
    QCOMPARE(QFile::encodeName(text), name);
    QCOMPARE(text == QString::fromUtf8(name), utf8);
    QCOMPARE(text.contains(QChar::ReplacementCharacter), false);

    // Handed over in pieces, one byte or one character at a time, the bytes still come back.
    QScopedPointer<QTextDecoder> decoder(QTextCodec::codecForLocale()->makeDecoder());
    QString pieces;
    for (char byte : name)
        pieces += decoder->toUnicode(&byte, 1);
    QScopedPointer<QTextEncoder> encoder(QTextCodec::codecForLocale()->makeEncoder());
    QByteArray encoded;
    for (const QChar c : text)
        encoded += encoder->fromUnicode(&c, 1);
    QCOMPARE(encoded, name);
    QCOMPARE(QFile::encodeName(pieces), name);

    // Made outside Qt, listed and opened through it.
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.path()) + '/' + name;
    const int descriptor = ::open(path.constData(), O_CREAT | O_WRONLY, 0600);
    QVERIFY(descriptor >= 0);
    QCOMPARE(::write(descriptor, "N", 1), ssize_t(1));
    ::close(descriptor);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{text});
    QCOMPARE(readAll(dir.filePath(text)), QByteArray("N"));
    QVERIFY(iFile(dir.filePath(text), QStringLiteral("r")).isOpen());
}

VARO_GUILESS_TEST_MAIN(TestFiles)
#include "tst_files.moc"
