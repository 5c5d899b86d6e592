#include "FileLimitTesting.h"
#include "FileUtilities.h"
#include "NativeContainer.h"
#include "BudgetTesting.h"
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
    for (qint64 left = FileLimits::current().modelTextSize + 1; left > 0;) {
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

    // Every text here meets the limits of a file a hundred times smaller;
    // tst_filelimits builds one at each real limit.
    const ScaledFileLimits scaled;

private slots:
    void packedLayoutAndBothChecksumTexts();
    void refusesDamage_data();
    void refusesDamage();
    void everyTruncationAndFlippedByteIsRefused();
    void filesWithAnyPath();
    void failedWriteKeepsTheOldFile();
    void whatCannotBeReadIsNotWritten_data();
    void whatCannotBeReadIsNotWritten();
    void budgetCountsWhatTheTextBuilds_data();
    void budgetCountsWhatTheTextBuilds();
    void budgetOfManyElements_data();
    void budgetOfManyElements();
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
    QTest::newRow("objects past the budget") << NativeContainer::pack(textCosting(FileLimits::current().cost + 1))
                                             << Status::TooLarge;
    QTest::newRow("padding past the budget") << NativeContainer::pack(paddedText(int(FileLimits::current().textRun) + 1))
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
    QVERIFY(sparse.open(QIODevice::WriteOnly) && sparse.resize(FileLimits::current().modelTextSize + 1));
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

void TestContainer::whatCannotBeReadIsNotWritten_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("reason");
    const QLocale locale;
    QTest::newRow("as much as may be read") << textCosting(FileLimits::current().cost) << QString();
    // What is too large is said as the objects a user knows: how many there
    // are, and how many fit beside the rest (three elements of two units, bare
    // nodes of ten, bare load cases of seventeen).
    const auto tooLarge = [&locale](qint64 count, const char* objects, qint64 fitting) {
        return QString("The model is too large to save: it has %1 %2, more than the %3 that a model file may hold "
                       "beside its other objects.")
            .arg(locale.toString(count), QLatin1String(objects), locale.toString(fitting));
    };
    // Nodes with a value each, thirteen units, so that their text stays short
    // enough to be saved.
    const qint64 nodes = FileLimits::current().cost / 13 + 1;
    QTest::newRow("over the budget")
        << "<Content><Document><Structure>" + QByteArray("<Node><x/></Node>").repeated(int(nodes))
               + "</Structure></Document></Content>"
        << tooLarge(nodes, "nodes", (FileLimits::current().cost - 3 * 2) / 13);
    const qint64 loadCases = FileLimits::current().cost / 17 + inProportion(50000);
    QTest::newRow("few nodes, many load cases")
        << "<Content><Document>" + QByteArray("<LoadCase/>").repeated(int(loadCases)) + "<Structure>"
               + QByteArray("<Node/>").repeated(5) + "</Structure></Document></Content>"
        << tooLarge(loadCases, "load cases", (FileLimits::current().cost - 3 * 2 - 5 * 10) / 17);
    QTest::newRow("longer than a model text")
        << "<Content>" + QByteArray(int(FileLimits::current().modelTextSize), ' ') + "</Content>"
        << QString("The model is too large to save: its text of %1 MB is over the %2 MB that a model file may hold.")
               .arg(locale.toString((FileLimits::current().modelTextSize >> 20) + 1),
                    locale.toString(FileLimits::current().modelTextSize >> 20));
}

// A model is saved only when it opens again; else the file on disk stays as it was.
void TestContainer::whatCannotBeReadIsNotWritten()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, reason);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("model.varou"));
    QVERIFY(NativeContainer::writeFile(path, sampleText));
    QString why = "x";
    QCOMPARE(NativeContainer::writeFile(path, text, &why), reason.isEmpty());
    QCOMPARE(why, reason);
    QByteArray read;
    QCOMPARE(NativeContainer::readFile(path, &read), Status::Ok);
    QCOMPARE(read, reason.isEmpty() ? text : sampleText);
}

void TestContainer::budgetCountsWhatTheTextBuilds_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<qint64>("cost");
    QTest::addColumn<bool>("within");
    const auto row = [](const char* name, const QByteArray& text, qint64 cost, bool within = true) {
        QTest::newRow(name) << text << cost << within;
    };

    // Every element costs two, a value inside an object three, an object what
    // its memory is worth where the reader makes one.
    row("names in any case", "<Content><Document><Structure><Node ref=\"1\"/><node\n/><NODE>x</NODE></Structure>", 36);
    row("every object in its place",
        "<Content><Document>"
        "<GeometryGroup ref=\"1\"><Name>G</Name></GeometryGroup><LoadCase ref=\"2\"/><GravityCase ref=\"3\"/>"
        "<SwayCase ref=\"4\"/><Combination ref=\"5\"><Factor ref=\"2\">1</Factor></Combination>"
        "<ViewPointMemory><index>1</index><ViewPoint><distance>9</distance></ViewPoint></ViewPointMemory>"
        "<Structure><Support ref=\"6\"/><SectionType ref=\"7\"><CrossSection/><Material/></SectionType>"
        "<LoadAxis ref=\"8\"/><MemberAxis ref=\"9\"/><Node ref=\"10\"><Support>6</Support></Node><Node ref=\"11\"/>"
        "<Member ref=\"12\"><NodeA>10</NodeA><NodeB>11</NodeB><SectionType>7</SectionType><Axis>9</Axis></Member>"
        "<PointLoad ref=\"13\"><Member>12</Member><LoadAxis>8</LoadAxis><LoadCase>2</LoadCase>"
        "<Pair position=\"0.5\">1</Pair></PointLoad><TorqueLoad ref=\"14\"><Member>12</Member></TorqueLoad>"
        "<TrapezoidLoad ref=\"15\"><Member>12</Member><Pair position=\"0\">1</Pair><Pair position=\"1\">2</Pair>"
        "</TrapezoidLoad></Structure>"
        "<Selection><ref count=\"2\">10</ref></Selection>"
        "<Reports><Report ref=\"16\"><Block><Item chapter=\"a\"><Block><LoadCase>2</LoadCase></Block></Item></Block>"
        "</Report></Reports></Document>"
        "<ViewPoint><distance>9</distance></ViewPoint><CurrentState><loadCase>2</loadCase></CurrentState></Content>",
        4 + 20 + 3 * 17 + 20 + 2 + 3 + 30 + 2 + 10 + 30 + 10 + 10 + 13 + 10 + 30 + 27 + 18 + 24 + 8 + 21 + 5 + 5);
    // A reference names an object that stands elsewhere: it costs what any element does.
    row("references are no objects",
        "<Content><Document><Structure><Node ref=\"1\"/><Member ref=\"2\"><NodeA>1</NodeA><NodeB>1</NodeB>"
        "<SectionType>1</SectionType><Axis>1</Axis><Group>1</Group></Member></Structure>",
        6 + 10 + 18 + 5 * 3);
    row("unknown and empty elements", "<a/><b></b><NodeA>1</NodeA><Nodes/><node2/>", 5 * 2);
    row("object names outside their lists",
        "<Content><Node/><Document><Member/><Report/><ViewPoint/></Document><Member/></Content>", 7 * 2);
    row("unknown elements keep their list", "<Content><Document><Structure><Group><Node/></Group></Structure>", 18);
    row("namespace prefixes", "<Content><Document><Structure><x:Node/><y1:node></y1:node></Structure>", 26);
    row("names outside ASCII", "<Content><Document><Structure><Nod\xc3\xa9/><\xe2\x84\xaaNode/></Structure>", 5 * 2);
    row("markup in comments, data, instructions and values",
        "<Content><Document><Structure><!-- <Node> --><![CDATA[<Node>]]><?pi <Node>?>"
        "<Node a=\"/>\" b='>'/></Structure>",
        16);
    row("end tags close their element", "<Content><Document><Structure><Node></Node></Structure><Member/>", 18);
    row("longest names and longer ones",
        "<Content><Document><Structure><trapezoidload/><trapezoidloads/><viewpointmemory/></Structure>", 25);
    row("document type", "<!DOCTYPE Content><Content/>", 0, false);
    row("as much as allowed", textCosting(FileLimits::current().cost), FileLimits::current().cost);
    row("one element more", textCosting(FileLimits::current().cost + 1), FileLimits::current().cost + 1, false);
    const int depth = ReadingBudget::maximumDepth;
    row("nesting as deep as allowed", QByteArray("<a>").repeated(depth) + QByteArray("</a>").repeated(depth),
        depth * 2);
    row("one level deeper", QByteArray("<a>").repeated(depth + 1) + QByteArray("</a>").repeated(depth + 1),
        (depth + 1) * 2, false);
    row("longest run", paddedText(int(FileLimits::current().textRun)),
        3 * 2 + (int(FileLimits::current().textRun) - 64) / 6);
    row("run one byte longer", paddedText(int(FileLimits::current().textRun) + 1), 2, false);
    row("'>' ends a run",
        "<a>" + QByteArray(int(FileLimits::current().textRun), ' ') + ">" + QByteArray(int(FileLimits::current().textRun), ' ')
            + "</a>",
        2 + (2 * int(FileLimits::current().textRun) + 1 - 64) / 6);
    // Wherever the pieces are cut, a '>' read before the run grew long ends it.
    const int threeQuarters = int(FileLimits::current().textRun) / 4 * 3;
    row("'>' ends a run before it is long",
        "<a>" + QByteArray(threeQuarters, 'n') + ">" + QByteArray(threeQuarters, 'n') + "</a>",
        2 + (2 * threeQuarters + 1 - 64) / 6);
    row("run inside a tag", "<Node" + QByteArray(int(FileLimits::current().textRun) + 1, ' ') + "/>", 0, false);
    // Two attributes come with an element, each further one costs a unit;
    // more than any model has are damage.
    row("attributes past two", "<a b=\"1\" c='2' d=\"3\" e=''/><f g=\"\" h=\"\"/>", 2 + 2 + 2);
    QByteArray attributes;
    for (int i = 0; i <= ReadingBudget::maximumAttributes; ++i)
        attributes += " a" + QByteArray::number(i) + "=\"\"";
    row("one attribute too many", "<a" + attributes + "/>", 2 + 63 + (1 + attributes.size() + 1 - 64) / 6, false);
    // Past 64 characters in a stretch, every six weigh a unit, in a tag, a
    // value or a text between tags.
    row("long texts",
        "<a>" + QByteArray(64, 'x') + "</a><b c=\"" + QByteArray(100, 'y') + "\"/><d>" + QByteArray(1064, 'z')
            + "</d>",
        3 * 2 + (107 - 64 + 1064 - 64) / 6);
}

// However the text is cut into pieces, as an inflating stream hands them
// over, the budget counts the same.
void TestContainer::budgetCountsWhatTheTextBuilds()
{
    QFETCH(QByteArray, text);
    QFETCH(qint64, cost);
    QFETCH(bool, within);
    for (const int piece : {1, 5, 4096, int(text.size())}) {
        if (piece < 4096 && text.size() > 100000)
            continue; // byte by byte only where it stays quick
        XmlTextBudget budget;
        for (int at = 0; at < text.size(); at += piece)
            budget.take(text.constData() + at, qMin(piece, text.size() - at));
        QCOMPARE(budget.isExceeded(), !within);
        QCOMPARE(budget.cost(), cost);
        QCOMPARE(budget.describeExcess().isEmpty(), within);
    }
}

void TestContainer::budgetOfManyElements_data()
{
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<QByteArray>("element");
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("within");
    const QByteArray document = "<Content><Document>";
    const QByteArray structure = document + "<Structure><Node ref=\"1\"/><Node ref=\"2\"/>"
                                 "<Member ref=\"3\"><NodeA>1</NodeA><NodeB>2</NodeB></Member>";
    // What the program saves must open again, references and all.
    QTest::newRow("point loads on one member (1.4 million)")
        << structure
        << QByteArray("<PointLoad ref=\"9\"><Member>3</Member><LoadAxis>4</LoadAxis><LoadCase>5</LoadCase>"
                      "<Pair position=\"0.5\">-1</Pair></PointLoad>")
        << int(inProportion(1400000)) << true;
    // Files that earlier versions saved and opened again. Each count is the
    // one at the real limits, in proportion to those in force.
    QTest::newRow("named, coloured load cases (1.75 million)")
        << document << QByteArray("<LoadCase ref=\"7\"><Name>Case 7</Name><Colour>#ffff0000</Colour></LoadCase>")
        << int(inProportion(1750000)) << true;
    QTest::newRow("geometry groups (1.6 million)")
        << document
        << QByteArray("<GeometryGroup ref=\"7\"><Name>Group 7</Name><Colour>#ff00ff00</Colour><Purpose>1</Purpose>"
                      "</GeometryGroup>")
        << int(inProportion(1600000)) << true;
    // Small files that would cost seconds or gigabytes to read.
    QTest::newRow("empty unknown elements (60 million)") << document << QByteArray("<a/>")
                                                         << int(inProportion(60000000)) << false;
    // Reading an element takes about as long as two units of a node: 40
    // million of them would take as long as 80 million units' worth of nodes.
    QTest::newRow("empty unknown elements (39,990,000)") << document << QByteArray("<a/>")
                                                          << int(inProportion(39990000)) << false;
    // Saved, each written with its reference and position: 4.4 million x 64
    // bytes at least, more than the 256 MB a model file may hold, within its
    // cost.
    QTest::newRow("bare nodes (4.4 million)") << document + "<Structure>" << QByteArray("<Node/>")
                                               << int(inProportion(4400000)) << false;
    QTest::newRow("stored view points (3,999,990)")
        << document + "<ViewPointMemory>" << QByteArray("<index>7</index><ViewPoint/>") << int(inProportion(3999990))
        << false;
}

// Texts far larger than a test should hold, handed over a piece at a time.
void TestContainer::budgetOfManyElements()
{
    QFETCH(QByteArray, head);
    QFETCH(QByteArray, element);
    QFETCH(int, count);
    QFETCH(bool, within);
    XmlTextBudget budget;
    budget.take(head);
    const int perPiece = 1000;
    const QByteArray piece = element.repeated(perPiece);
    for (int left = count; left > 0 && !budget.isExceeded(); left -= perPiece)
        budget.take(left >= perPiece ? piece : element.repeated(left));
    QCOMPARE(budget.isExceeded(), !within);
}

VARO_APPLESS_TEST_MAIN(TestContainer)
#include "tst_container.moc"
