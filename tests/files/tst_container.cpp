#include "FileUtilities.h"
#include "NativeContainer.h"
#include "ReadingBudget.h"
#include "TestMain.h"

#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <sys/stat.h>
#include <zlib.h>

using NativeContainer::Status;
Q_DECLARE_METATYPE(NativeContainer::Status)

namespace {

const QByteArray sampleText = "<?xml version=\"1.0\"?>\n<Content><Document><Titles/></Document></Content>\n";

QByteArray lengthBytes(quint32 length)
{
    uchar bytes[4];
    qToBigEndian<quint32>(length, bytes);
    return QByteArray(reinterpret_cast<const char*>(bytes), 4);
}

// A container laid out by hand, so the tests do not trust the writer.
QByteArray container(const QByteArray& compressed, const QByteArray& checksumText)
{
    const QByteArray body = scramble(compressed, true);
    const QByteArray checksum = computeChecksum(compressed + checksumText);
    return QByteArray(2, '\0') + lengthBytes(quint32(body.size())) + body + lengthBytes(quint32(checksum.size()))
           + checksum;
}

// Qt's layout around a zlib stream of more zeros than a text may hold.
QByteArray compressedZeros(quint32 statedSize)
{
    z_stream stream = {};
    deflateInit(&stream, 1);
    const QByteArray chunk(1 << 20, '\0');
    QByteArray out = lengthBytes(statedSize);
    QByteArray buffer(1 << 16, Qt::Uninitialized);
    for (qint64 left = NativeContainer::maximumTextSize + 1; left > 0;) {
        const int take = int(qMin<qint64>(left, chunk.size()));
        left -= take;
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(chunk.constData()));
        stream.avail_in = uInt(take);
        do {
            stream.next_out = reinterpret_cast<Bytef*>(buffer.data());
            stream.avail_out = uInt(buffer.size());
            deflate(&stream, left > 0 ? Z_NO_FLUSH : Z_FINISH);
            out.append(buffer.constData(), buffer.size() - int(stream.avail_out));
        } while (stream.avail_out == 0);
    }
    deflateEnd(&stream);
    return out;
}

// A model text holding `count` more node elements than the reading budget allows.
QByteArray nodesPastTheBudget(int count)
{
    QByteArray text = "<Content><Document><Structure>";
    text += QByteArray("<Node/>").repeated(ReadingBudget::maximumObjects + count);
    return text + "</Structure></Document></Content>";
}

// A model text whose titles stand after blanks longer than any text a model holds.
QByteArray paddedText(int blanks)
{
    return "<Content>" + QByteArray(blanks, ' ') + "<Document><Titles/></Document></Content>";
}

const QByteArray writtenText = "3d8a5f10c6b27e94a1f0d3c85e62b4a9";
const QByteArray olderText = "7f2c9e41d8a06b35c4e19f7a2d60b8c3";

} // namespace

class TestContainer : public QObject
{
    Q_OBJECT

private slots:
    void packedLayoutAndBothChecksumTexts();
    void refusesDamage_data();
    void refusesDamage();
    void everyTruncationAndFlippedByteIsRefused();
    void filesWithAnyPath();
    void failedWriteKeepsTheOldFile();
    void budgetCountsWhatTheTextBuilds_data();
    void budgetCountsWhatTheTextBuilds();
};

void TestContainer::packedLayoutAndBothChecksumTexts()
{
    const QByteArray packed = NativeContainer::pack(sampleText);
    const QByteArray compressed = qCompress(sampleText, 9);
    QCOMPARE(packed, container(compressed, writtenText));
    QByteArray text;
    QCOMPARE(NativeContainer::unpack(packed, &text), Status::Ok);
    QCOMPARE(text, sampleText);
    for (const QByteArray& checksumText : {olderText, writtenText}) {
        QByteArray bytes = container(compressed, checksumText);
        bytes[0] = 0x7f; // the reserved value is not tested
        bytes[1] = 0x01;
        text.clear();
        QCOMPARE(NativeContainer::unpack(bytes, &text), Status::Ok);
        QCOMPARE(text, sampleText);
    }
}

void TestContainer::refusesDamage_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Status>("expected");

    const QByteArray good = NativeContainer::pack(sampleText);
    const QByteArray compressed = qCompress(sampleText, 9);
    QByteArray zeroed = compressed;
    zeroed.replace(4, zeroed.size() - 4, QByteArray(zeroed.size() - 4, 'x'));
    QByteArray huge = compressed;
    huge.replace(0, 4, lengthBytes(0x7FFFFFFFu));

    QTest::newRow("empty file") << QByteArray() << Status::Corrupt;
    QTest::newRow("one byte") << QByteArray(1, '\0') << Status::Corrupt;
    QTest::newRow("plain XML") << sampleText << Status::CannotLoad;
    QTest::newRow("wrong checksum text") << container(compressed, "0123456789abcdef0123456789abcdef")
                                         << Status::Corrupt;
    QTest::newRow("flag-only body") << QByteArray(2, '\0') + lengthBytes(1) + QByteArray(1, '\1') + lengthBytes(0)
                                    << Status::Corrupt;
    QTest::newRow("empty body") << QByteArray(2, '\0') + lengthBytes(0) + lengthBytes(0) << Status::Corrupt;
    QTest::newRow("null body") << QByteArray(2, '\0') + lengthBytes(0xFFFFFFFFu) << Status::Corrupt;
    QTest::newRow("huge body length") << good.left(2) + lengthBytes(0x7FFFFFF0u) + good.mid(6) << Status::Corrupt;
    QTest::newRow("huge checksum length") << good.left(good.size() - 24) + lengthBytes(0xFFFFFFF0u) + good.right(20)
                                          << Status::Corrupt;
    QTest::newRow("checksum valid, bytes do not decompress") << container(zeroed, writtenText) << Status::Corrupt;
    QTest::newRow("checksum valid, huge stated size") << container(huge, writtenText) << Status::Corrupt;
    QTest::newRow("checksum valid, empty text") << container(qCompress(QByteArray(), 9), writtenText)
                                                << Status::Corrupt;
    // A stream that expands past the bound, whatever size it states.
    QTest::newRow("bomb stating a small size") << container(compressedZeros(1000), writtenText) << Status::Corrupt;
    // Texts within the size bound that would build more than a model holds.
    QTest::newRow("objects past the budget") << NativeContainer::pack(nodesPastTheBudget(1)) << Status::Corrupt;
    QTest::newRow("padding past the budget") << NativeContainer::pack(paddedText(ReadingBudget::maximumTextRun + 1))
                                             << Status::Corrupt;
}

void TestContainer::refusesDamage()
{
    QFETCH(QByteArray, bytes);
    QFETCH(Status, expected);
    QByteArray text = "untouched";
    QCOMPARE(NativeContainer::unpack(bytes, &text), expected);
    QCOMPARE(text, QByteArray("untouched"));
    QVERIFY(!NativeContainer::messageFor(expected).isEmpty());
}

void TestContainer::everyTruncationAndFlippedByteIsRefused()
{
    const QByteArray good = NativeContainer::pack(sampleText);
    QByteArray text;
    for (int length = 0; length < good.size(); ++length)
        QVERIFY2(NativeContainer::unpack(good.left(length), &text) == Status::Corrupt,
                 qPrintable(QStringLiteral("length %1").arg(length)));
    for (int i = 2; i < good.size(); ++i) {
        QByteArray damaged = good;
        damaged[i] = char(damaged[i] ^ 0x10);
        QVERIFY2(NativeContainer::unpack(damaged, &text) != Status::Ok, qPrintable(QStringLiteral("byte %1").arg(i)));
    }
}

void TestContainer::filesWithAnyPath()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString path = folder.filePath(QStringLiteral("Träger – модель ✓.varou"));
    QVERIFY(NativeContainer::writeFile(path, sampleText));
    QByteArray text;
    QCOMPARE(NativeContainer::readFile(path, &text), Status::Ok);
    QCOMPARE(text, sampleText);
    QCOMPARE(NativeContainer::readFile(folder.filePath(QStringLiteral("absent.varou")), &text), Status::CannotLoad);

    // A pipe or device is never read; a file past the bound is refused unread.
    const QString pipe = folder.filePath(QStringLiteral("pipe.varou"));
    QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    QCOMPARE(NativeContainer::readFile(pipe, &text), Status::CannotLoad);
    QCOMPARE(NativeContainer::readFile(QStringLiteral("/dev/zero"), &text), Status::CannotLoad);
    QFile sparse(folder.filePath(QStringLiteral("sparse.varou")));
    QVERIFY(sparse.open(QIODevice::WriteOnly) && sparse.resize(NativeContainer::maximumTextSize + 1));
    QCOMPARE(NativeContainer::readFile(sparse.fileName(), &text), Status::Corrupt);
    QCOMPARE(text, sampleText);
}

void TestContainer::failedWriteKeepsTheOldFile()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString path = folder.filePath(QStringLiteral("model.varou"));
    QVERIFY(NativeContainer::writeFile(path, sampleText));
    AtomicWriteTesting::failNextWriteAfter(7);
    QVERIFY(!NativeContainer::writeFile(path, "<Content>something else</Content>"));
    QByteArray text;
    QCOMPARE(NativeContainer::readFile(path, &text), Status::Ok);
    QCOMPARE(text, sampleText);
}

void TestContainer::budgetCountsWhatTheTextBuilds_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("objects");
    QTest::addColumn<bool>("within");

    QTest::newRow("names in any case") << QByteArray("<Node ref=\"1\"/><node\n/><NODE>x</NODE>") << 3 << true;
    QTest::newRow("every kind") << QByteArray("<GeometryGroup><LoadCase><GravityCase><SwayCase><Combination><Member>"
                                              "<PointLoad><TorqueLoad><TrapezoidLoad><Support><SectionType>"
                                              "<CrossSection><Material><LoadAxis><MemberAxis><Report><Block><Item>"
                                              "<ViewPoint>")
                                << 19 << true;
    QTest::newRow("names that only begin like ours") << QByteArray("<NodeA>1</NodeA><Nodes/><node2/><Position/>")
                                                     << 0 << true;
    QTest::newRow("longest name and one longer") << QByteArray("<trapezoidload/><trapezoidloads/>") << 1 << true;
    QTest::newRow("markup in a comment counts") << QByteArray("<!-- <Node/> --><?node?>") << 1 << true;
    QTest::newRow("as many objects as allowed") << nodesPastTheBudget(0) << ReadingBudget::maximumObjects << true;
    QTest::newRow("one object more") << nodesPastTheBudget(1) << ReadingBudget::maximumObjects + 1 << false;
    QTest::newRow("longest run") << paddedText(ReadingBudget::maximumTextRun) << 0 << true;
    QTest::newRow("run one byte longer") << paddedText(ReadingBudget::maximumTextRun + 1) << 0 << false;
    QTest::newRow("'>' ends a run") << "<a>" + QByteArray(ReadingBudget::maximumTextRun, ' ') + ">"
                                           + QByteArray(ReadingBudget::maximumTextRun, ' ') + "</a>"
                                    << 0 << true;
    QTest::newRow("run inside a tag") << "<Node" + QByteArray(ReadingBudget::maximumTextRun + 1, ' ') + "/>" << 1
                                      << false;
}

// However the text is cut into pieces, as an inflating stream hands them
// over, the budget counts the same.
void TestContainer::budgetCountsWhatTheTextBuilds()
{
    QFETCH(QByteArray, text);
    QFETCH(int, objects);
    QFETCH(bool, within);
    for (const int piece : {1, 5, 4096, int(text.size())}) {
        if (piece < 4096 && text.size() > 100000)
            continue; // byte by byte only where it stays quick
        XmlTextBudget budget;
        for (int at = 0; at < text.size(); at += piece)
            budget.take(text.constData() + at, qMin(piece, text.size() - at));
        QCOMPARE(budget.isExceeded(), !within);
        QCOMPARE(budget.objectCount(), qint64(objects));
    }
}

VARO_APPLESS_TEST_MAIN(TestContainer)
#include "tst_container.moc"
