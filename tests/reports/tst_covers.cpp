#include "ReportTesting.h"
#include "TestMain.h"

#include "DocumentXml.h"
#include "ModelResources.h"
#include "NativeContainer.h"

#include <QPageLayout>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>

// The two cover pages as a reader gets them in a PDF file: every word of
// the information block inside the plate, whatever the titles, and every
// label and total of the block readable.
class tst_Covers : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void blockInsidePlate_data();
    void blockInsidePlate();
};

namespace {

QSharedPointer<DocumentModel> example08()
{
    QSharedPointer<DocumentModel> document = newDocument();
    const QString path = QStringLiteral(":/example/08.KU.Two-storey Frame.varok");
    QByteArray text;
    ViewPoint view;
    CurrentState state;
    if (NativeContainer::readFile(path, &text) == NativeContainer::Status::Ok
        && DocumentXml::readContent(text, document.data(), &view, &state))
        document->incorporateDefaults();
    document->setFileName(path, QStringLiteral("08.KU.Two-storey Frame.varok"));
    return document;
}

LoadCaseRef loadCaseNamed(const QSharedPointer<DocumentModel>& document, const QString& name)
{
    for (const LoadCaseRef& loadCase : document->usedLoadCases())
        if (loadCase->name() == name)
            return loadCase;
    return LoadCaseRef();
}

} // namespace

void tst_Covers::initTestCase()
{
    initialiseVisualConstants();
    initialiseModelResources();
}

void tst_Covers::blockInsidePlate_data()
{
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<QString>("group");
    QTest::newRow("example 08") << QStringList() << QString();
    // Long rows of words, one word too long for any line, and a long group name.
    const QString words = QStringLiteral("Continuous universal columns carrying floor beams at four metres and "
                                         "roof beams at seven and a half metres above the fixed bases");
    QTest::newRow("long titles") << QStringList{QStringLiteral("Project of a rigid-jointed steel building frame"),
                                                words,
                                                QStringLiteral("Reference"),
                                                QStringLiteral("FrameOnGridLineCBaysOneToTwoStoreysGroundToRoof"
                                                               "RevisionSevenCheckedAndApproved"),
                                                words + QStringLiteral(", with a second sentence as long again"),
                                                words}
                                 << QStringLiteral("Main frame on grid line C between the party walls, "
                                                   "both storeys and the roof");
}

void tst_Covers::blockInsidePlate()
{
    QFETCH(QStringList, titles);
    QFETCH(QString, group);
    const QSharedPointer<DocumentModel> document = example08();
    const LoadCaseRef deadAndImposed = loadCaseNamed(document, QStringLiteral("Dead and imposed"));
    QVERIFY(deadAndImposed);
    for (int i = 0; i < titles.size(); ++i)
        document->titles()->setTitle(i / 2, i % 2, titles[i]);

    const ReportRef report(VaroObject::make<Report>());
    for (const QString& chapter : {Report::ChapterGroupCover, Report::ChapterLoadCaseCover})
        report->rootBlock()->insertItem(Report::ReportItemRef(new Report::ReportItem(chapter)), {});
    const QSharedPointer<CurrentState> state(new CurrentState);
    state->setLoadCase(deadAndImposed);
    const ReportLayoutRef layout(new ReportLayout(document, state, ViewPointRef(new ViewPoint), report));
    layout->layoutPages();
    QCOMPARE(layout->pages.size(), 2);
    if (!group.isEmpty())
        for (ReportLayout::Page& page : layout->pages)
            page[0].group = GroupRef(VaroObject::make<GeometryGroup>(group));

    // As the export prints: A4 at 600 dpi, each page painted into the printable area.
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("covers.pdf"));
    QPrinter printer(QPrinter::ScreenResolution);
    setUpPdfPrinter(&printer, path);
    printPages(&printer, layout, document->unitSystem());
    const QRect r = printer.pageLayout().paintRectPixels(600).normalized();
    const QRect page(0, 0, r.width(), r.height());

    // The plate: the page less a header band of 6.35 mm and a footer band of
    // 8.47 mm, inset by 1.27 mm, in points from the paper's corner.
    const auto mm = [](double mm) { return qRound(600 * mm / 25.4); };
    const QRect content(QPoint(0, mm(6.35)), QPoint(page.right(), page.bottom() - mm(8.47)));
    const QRect plate = layout->pages[0][0].deviceFrame(content).adjusted(mm(1.27), mm(1.27), -mm(1.27), -mm(1.27));
    const QPointF origin = printer.pageLayout().paintRect(QPageLayout::Point).topLeft();
    const QRectF platePoints(origin + QPointF(plate.topLeft()) * 72.0 / 600.0, QSizeF(plate.size()) * 72.0 / 600.0);

    const QList<QList<Word>> pages = wordsOfPages(path);
    QCOMPARE(pages.size(), 2);
    for (int n = 0; n < 2; ++n) {
        const QList<Word>& words = pages[n];
        QVERIFY(words.size() > 20);
        for (const Word& word : words) {
            // The header and footer bands hold the file name and the page number.
            if (word.box.bottom() < platePoints.top() || word.box.top() > platePoints.bottom())
                continue;
            QVERIFY2(platePoints.adjusted(-0.5, -0.5, 0.5, 0.5).contains(word.box),
                     qPrintable(QStringLiteral("page %1: \"%2\" at %3, %4 - %5, %6 outside the plate")
                                    .arg(n + 1)
                                    .arg(word.text)
                                    .arg(word.box.left())
                                    .arg(word.box.top())
                                    .arg(word.box.right())
                                    .arg(word.box.bottom())));
        }
    }

    const QString text =
        run(QStringLiteral("pdftotext"), {QStringLiteral("-raw"), path, QStringLiteral("-")}).simplified();
    for (const char* label : {"Node count", "Member count", "Mass", "Total", "Analysed", "Reported", "Point loads:",
                                 "Trapezoid loads:", "Gross force", "Net force", "Fx", "Fy", "Fz"})
        QVERIFY2(text.contains(QLatin1String(label)), label);
    // Dead and imposed: 24 kN/m on both floor beams and 12 kN/m on both roof
    // beams, each 6 m long: (24 + 24 + 12 + 12) × 6 = 432 kN downwards.
    QVERIFY(text.contains(QRegularExpression(QStringLiteral("Gross force 0\\.000 432\\.000 0\\.000 kN"))));
    QVERIFY(text.contains(QRegularExpression(QStringLiteral("Net force 0\\.000 -432\\.000 0\\.000 kN"))));
    if (titles.isEmpty())
        QVERIFY(text.contains(QStringLiteral("Two bays of 6 m, storeys of 4 m and 3.5 m:")));
    else
        QVERIFY(text.contains(QStringLiteral("RevisionSevenCheckedAndApproved")));
}

VARO_TEST_MAIN(tst_Covers)
#include "tst_covers.moc"
