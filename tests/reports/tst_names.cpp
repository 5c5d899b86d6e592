#include "ReportTesting.h"
#include "TestMain.h"

#include "GeometryGroup.h"
#include "Titles.h"

#include <QPageLayout>
#include <QTemporaryDir>

#include <algorithm>

// Names and titles as the user typed them, read back from the PDF file:
// never taken for markup, and the page header's fields never on top of
// each other, however long the file's name.
class tst_Names : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initialiseVisualConstants(); }
    void printedAsTyped_data();
    void printedAsTyped();
    void headerFieldsApart_data();
    void headerFieldsApart();
};

namespace {

struct Printed
{
    QList<QList<Word>> pages;
    double headerBottom, footerTop, left, right; // points from the paper's corner

    // The words of the header band or of the body, left to right in the header.
    QList<Word> words(int page, bool header) const
    {
        QList<Word> words;
        for (const Word& w : pages[page])
            if (header ? w.box.bottom() < headerBottom : w.box.top() > headerBottom && w.box.bottom() < footerTop)
                words << w;
        if (header)
            std::sort(words.begin(), words.end(),
                      [](const Word& a, const Word& b) { return a.box.left() < b.box.left(); });
        return words;
    }
    QString text(int page, bool header) const
    {
        QStringList texts;
        for (const Word& w : words(page, header))
            texts << w.text;
        return texts.join(QLatin1Char(' '));
    }
};

// The report's chapters printed as the export prints them, every plate in the group.
Printed print(ReportDocument& d, const QStringList& chapters, const QString& group, int dpi)
{
    const ReportLayoutRef layout = d.layout(chapters);
    const GroupRef geometry(VaroObject::make<GeometryGroup>(group));
    for (ReportLayout::Page& page : layout->pages)
        for (ReportLayout::Plate& plate : page) {
            plate.group = geometry;
            if (plate.chapter == Report::ChapterLoadCaseCover)
                plate.loadCase = d.loading;
        }
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("report.pdf"));
    QPrinter printer(QPrinter::ScreenResolution);
    setUpPdfPrinter(&printer, path, dpi);
    printPages(&printer, layout, d.document->unitSystem());
    const QRectF page = printer.pageLayout().paintRect(QPageLayout::Point);
    return {wordsOfPages(path), page.top() + 6.35 * 72.0 / 25.4, page.bottom() - 8.47 * 72.0 / 25.4, page.left(),
            page.right()};
}

} // namespace

void tst_Names::printedAsTyped_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("titles");
    for (const bool titles : {true, false}) {
        const char* kind = titles ? "titles" : "file name";
        QTest::addRow("entity, %s", kind) << QStringLiteral("R&amp;D") << titles;
        QTest::addRow("bold tags, %s", kind) << QStringLiteral("<b>x</b>") << titles;
        QTest::addRow("less than, %s", kind) << QStringLiteral("a < b") << titles;
        QTest::addRow("ampersand, %s", kind) << QStringLiteral("Tom & Jerry") << titles;
    }
}

// Every name on the covers, the member and node tables and the page header,
// each marked with the word of its place.
void tst_Names::printedAsTyped()
{
    QFETCH(QString, name);
    QFETCH(bool, titles);
    ReportDocument d;
    const QList<MemberRef> beam = d.beam(1);
    for (const NodeRef& node : {beam[0]->nodeA(), beam[0]->nodeB()})
        node->setSupport(VaroObject::make<Support>(QStringLiteral("Pin ") + name, Dof::All));
    d.section->material()->setNames({QStringLiteral("Steel ") + name});
    d.section->crossSection()->setNames({QStringLiteral("Section ") + name});
    d.loading->setName(QStringLiteral("Case ") + name);
    d.document->setFileName(QStringLiteral("/models/beam.varou"), QStringLiteral("File %1.varou").arg(name));
    if (titles) {
        d.document->titles()->setTitle(0, 0, QStringLiteral("Client ") + name);
        d.document->titles()->setTitle(0, 1, QStringLiteral("Job ") + name);
    }
    const Printed printed =
        print(d, {Report::ChapterGroupCover, Report::ChapterLoadCaseCover, Report::ChapterMemberInput,
                  Report::ChapterNodeInput},
              QStringLiteral("Group ") + name, 600);
    QVERIFY(printed.pages.size() >= 3);

    QString tables;
    for (int page = 2; page < printed.pages.size(); ++page)
        tables += printed.text(page, false) + QLatin1Char(' ');
    // A reader of the file takes the covers' label column first, then the names.
    const QStringList heading = titles ? QStringList{QStringLiteral("Client ") + name + QLatin1Char(':'),
                                                     QStringLiteral("Job ") + name}
                                       : QStringList{QStringLiteral("File ") + name};
    const QList<QPair<QString, QStringList>> expected = {
        {printed.text(0, false), heading + QStringList{QStringLiteral("Group ") + name}},
        {printed.text(1, false),
         heading + QStringList{QStringLiteral("Group ") + name, QStringLiteral("Case ") + name}},
        {tables, {QStringLiteral("Steel ") + name, QStringLiteral("Section ") + name, QStringLiteral("Pin ") + name}},
        {printed.text(2, true), {QStringLiteral("File ") + name, QStringLiteral("Group ") + name}}};
    for (const auto& place : expected)
        for (const QString& text : place.second)
            QVERIFY2(place.first.contains(text),
                     qPrintable(QStringLiteral("\"%1\" not in \"%2\"").arg(text, place.first)));
}

void tst_Names::headerFieldsApart_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("caseName");
    QTest::addColumn<int>("dpi");
    const QString longCase = QStringLiteral("Dead, imposed and wind from the north-west on the roof and both floors");
    for (const int dpi : {600, 72}) {
        for (const int length : {60, 90, 105, 240})
            QTest::addRow("%d characters, %d dpi", length, dpi) << length << QStringLiteral("Dead") << dpi;
        QTest::addRow("long case, 120 characters, %d dpi", dpi) << 120 << longCase << dpi;
    }
}

// The file's name at the left, the page's fields at the right: no two words
// on top of each other, all inside the band, both ends still readable.
void tst_Names::headerFieldsApart()
{
    QFETCH(int, length);
    QFETCH(QString, caseName);
    QFETCH(int, dpi);
    const QString words = QStringLiteral("Continuous beam over two spans of the north bridge approach ");
    const QString name = words.repeated(length / words.size() + 1).left(length).trimmed();
    ReportDocument d;
    const QList<MemberRef> beam = d.beam(2);
    d.load<PointLoad>(beam[0], {{0.5, -1000.0}});
    d.loading->setName(caseName);
    d.document->setFileName(QStringLiteral("/models/beam.varou"), name + QStringLiteral(".varou"));
    const Printed printed = print(d, {Report::ChapterLoadInput, Report::ChapterMemberInput},
                                  QStringLiteral("Approach spans"), dpi);
    QVERIFY(!printed.pages.isEmpty());

    for (int page = 0; page < printed.pages.size(); ++page) {
        const QList<Word> header = printed.words(page, true);
        QVERIFY(header.size() >= 3);
        QVERIFY(header.first().box.left() > printed.left - 0.5 && header.last().box.right() < printed.right + 0.5);
        for (int i = 1; i < header.size(); ++i)
            QVERIFY2(header[i - 1].box.right() < header[i].box.left(),
                     qPrintable(QStringLiteral("\"%1\" overlaps \"%2\"").arg(header[i - 1].text, header[i].text)));
        const QString text = printed.text(page, true);
        QVERIFY2(text.startsWith(QStringLiteral("Continuous beam")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("Loading data")) || text.contains(QStringLiteral("Member data")),
                 qPrintable(text));
    }
}

VARO_TEST_MAIN(tst_Names)
#include "tst_names.moc"
