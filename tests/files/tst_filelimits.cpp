#include "BudgetTesting.h"
#include "CurrentState.h"
#include "DocumentModel.h"
#include "DocumentXml.h"
#include "FileLimits.h"
#include "NativeContainer.h"
#include "ReadingBudget.h"
#include "StructureModel.h"
#include "TestMain.h"
#include "UnitSystem.h"
#include "ViewPoint.h"

#include <QTemporaryDir>
#include <QtTest>

using NativeContainer::Status;

// Each limit of a model file met at its real size, once: a text that meets
// it is saved and read again, one that passes it by the least is refused,
// with a message that names it. Every other check at a limit runs at limits
// a hundred times smaller (tst_container, tst_documentxml, tst_writtenforms).
class TestFileLimits : public QObject
{
    Q_OBJECT

private slots:
    void init() { QCOMPARE(FileLimits::current(), FileLimits()); }
    void cost();
    void modelTextSize();
    void textRun();
};

namespace {

// Writes `text` over a small model, and says why it was not written; the
// file then holds the text, or still the small model.
QString written(const QByteArray& text)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("model.varou"));
    const QByteArray small = "<Content><Document/></Content>";
    if (!NativeContainer::writeFile(path, small))
        return QStringLiteral("the small model was not written");
    QString why;
    const bool done = NativeContainer::writeFile(path, text, &why);
    QByteArray read;
    if (NativeContainer::readFile(path, &read) != Status::Ok)
        return QStringLiteral("the file does not read");
    if (read != (done ? text : small))
        return QStringLiteral("the file holds another text");
    return done ? QString() : why;
}

// A text opened as a window opens one, and why it was refused.
QString opened(const QByteArray& text)
{
    DocumentModel document(QSharedPointer<UnitSystem>(new UnitSystem));
    ViewPoint viewPoint;
    CurrentState state;
    QString error;
    bool tooLarge = false;
    if (DocumentXml::openContent(text, &document, &viewPoint, &state, &error, nullptr, &tooLarge))
        return QString();
    return (tooLarge ? QStringLiteral("too large: ") : QString()) + error;
}

} // namespace

// Bare nodes with a value each cost 13 units, beside the 6 of the three
// elements around them: 3,461,538 of them cost 45,000,000 exactly.
void TestFileLimits::cost()
{
    const qint64 nodes = 3461538;
    const QByteArray head = "<Content><Document><Structure>";
    const QByteArray end = "</Structure></Document></Content>";
    const QByteArray node = "<Node><x/></Node>";
    QByteArray text = head + node.repeated(int(nodes)) + end;
    QCOMPARE(costOf(text), FileLimits::current().cost);
    QCOMPARE(written(text), QString());

    text.insert(head.size(), node);
    const QString why = QStringLiteral("it has 3,461,539 nodes, more than the 3,461,538 that a model file may hold "
                                       "beside its other objects");
    QCOMPARE(written(text), QStringLiteral("The model is too large to save: %1.").arg(why));
    QByteArray read = "untouched";
    QString tooLarge;
    QCOMPARE(NativeContainer::unpack(NativeContainer::pack(text), &read, &tooLarge), Status::TooLarge);
    QCOMPARE(read, QByteArray("untouched"));
    QCOMPARE(tooLarge, ReadingBudget::tooLargeToOpen(why));
    QCOMPARE(opened(text), "too large: " + ReadingBudget::tooLargeToOpen(why));
}

// A text of blanks between unknown elements, in stretches of a megabyte:
// at a unit for every six bytes it costs just under the limit of cost, and
// nothing of it is written again but itself.
void TestFileLimits::modelTextSize()
{
    const qint64 limit = FileLimits::current().modelTextSize;
    const QByteArray head = "<Content><Document>";
    const QByteArray end = "</Document></Content>";
    const QByteArray stretch = "<a>" + QByteArray((1 << 20) - 7, ' ') + "</a>";
    QByteArray text = head;
    text.reserve(int(limit) + 1);
    while (text.size() + stretch.size() + end.size() <= limit)
        text += stretch;
    text += "<a>" + QByteArray(int(limit - text.size() - end.size() - 7), ' ') + "</a>" + end;
    QCOMPARE(text.size(), int(limit));
    QVERIFY(costOf(text) < FileLimits::current().cost);
    QCOMPARE(written(text), QString());

    text.insert(head.size() + 3, ' ');
    QCOMPARE(written(text), QStringLiteral("The model is too large to save: its text of 257 MB is over the 256 MB that "
                                           "a model file may hold."));
    // A container that states so long a text is refused before it is inflated.
    QByteArray read = "untouched";
    QCOMPARE(NativeContainer::unpack(NativeContainer::pack(text), &read), Status::Corrupt);
    QCOMPARE(read, QByteArray("untouched"));
}

// The longest run of a text, 4 MB without '<' or '>', in the file and in
// what a title is written as: each quotation mark of a note as "&quot;".
void TestFileLimits::textRun()
{
    const int limit = int(FileLimits::current().textRun);
    const auto padded = [](int blanks) {
        return "<Content>" + QByteArray(blanks, ' ') + "<Document><Titles/></Document></Content>";
    };
    QCOMPARE(written(padded(limit)), QString());
    QCOMPARE(opened(padded(limit)), QString());
    const QString why = QStringLiteral("it holds a text of more than 4 MB without a break");
    QCOMPARE(written(padded(limit + 1)), QStringLiteral("The model is too large to save: %1.").arg(why));
    QByteArray read = "untouched";
    QCOMPARE(NativeContainer::unpack(NativeContainer::pack(padded(limit + 1)), &read), Status::Corrupt);
    QCOMPARE(read, QByteArray("untouched"));
    QCOMPARE(opened(padded(limit + 1)), QStringLiteral("The text cannot be read: %1.").arg(why));

    // 699,050 marks and 4 letters are 4,194,304 bytes written.
    const auto note = [](int letters) {
        return "<Content><Document><Titles><Note>" + QByteArray(699050, '"') + QByteArray(letters, 'n')
               + "</Note></Titles></Document></Content>";
    };
    QCOMPARE(opened(note(4)), QString());
    QCOMPARE(opened(note(5)), "too large: " + ReadingBudget::tooLargeToOpen(why));
}

VARO_TEST_MAIN(TestFileLimits)
#include "tst_filelimits.moc"
