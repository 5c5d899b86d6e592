#include "ReportTesting.h"

#include "../app/AppTesting.h"

#include "Application.h"
#include "EditingActions.h"
#include "ReportButton.h"
#include "ReportPreview.h"
#include "ReportView.h"
#include "TestMain.h"

#include <QDir>
#include <QFileInfo>
#include <QPrinter>
#include <QProgressDialog>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QToolButton>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

// The report editor: its tiles, editing reports by clicks through undoable
// report actions, the preview following the document, the words of the
// demonstrations, and printing to PDF.
class tst_ReportView : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init() { dialogs = RecordingDialogs(); }
    void tileLook_data();
    void tileLook();
    void tileNames_data();
    void tileNames();
    void clickEditing();
    void wasteBin();
    void previewFollowsDocument();
    void words();
    void printWithoutReport_data();
    void printWithoutReport();
    void pdfExport();
    void pdfSuffix_data();
    void pdfSuffix();
    void pdfCancelledOrUnwritable_data();
    void pdfCancelledOrUnwritable();
    void pdfPermissionsAndReplacement_data();
    void pdfPermissionsAndReplacement();
    void pdfLeavesAWriteProtectedFile();

private:
    RecordingDialogs dialogs;
};

namespace {

Report::ReportItemRef chapterItem(const QString& code)
{
    return Report::ReportItemRef(new Report::ReportItem(code));
}

QStringList chapters(const Report::ReportBlockRef& block)
{
    QStringList codes;
    for (const Report::ReportItemRef& item : block->items())
        codes << (item->block ? QStringLiteral("[block]") : item->chapter);
    return codes;
}

// A beam with a loaded "Dead" and "Live" case and one report of the given
// chapters, shown in an editor window.
struct Editor
{
    ReportDocument d;
    LoadingRef live{VaroObject::make<Loading>("Live")};
    ReportRef report{VaroObject::make<Report>()};
    QSharedPointer<CurrentState> state{new CurrentState};
    ViewPointRef camera{new ViewPoint};
    ReportView view{d.document->unitSystem(), state};

    explicit Editor(const QStringList& codes)
    {
        const QList<MemberRef> beam = d.beam(2);
        d.load<PointLoad>(beam[0], {{0.5, -1000.0}});
        d.document->libraries()->loadCaseLibrary()->append(live);
        d.document->structureModel()->appendObjects({pairsLoad(LoadRef(VaroObject::make<PointLoad>(beam[1])), {{0.5, -10.0}}, live)});
        state->setLoadCase(d.loading);
        for (const QString& code : codes)
            report->rootBlock()->insertItem(chapterItem(code), {});
        d.document->reportModel()->appendReports({report});
        view.setDocumentModel(d.document);
        view.setViewPoint(camera);
        view.show();
    }
    QWidget* pane(const char* name) const { return view.findChild<QWidget*>(name); }
    ReportButton* tile(const char* pane, const QString& name, int n = 0) const
    {
        return this->pane(pane)->findChildren<ReportButton*>(name).value(n);
    }
    ReportPreview* preview() const { return view.findChild<ReportPreview*>("Preview"); }
    QToolButton* button(const char* name) const { return view.findChild<QToolButton*>(name); }
    // Waits for the document's change to rebuild the tiles.
    template <class Edit>
    void changeAndWait(Edit edit)
    {
        QSignalSpy rebuilt(d.document.data(), &DocumentModel::ReportsHaveChanged);
        edit();
        QVERIFY(rebuilt.wait());
    }
    EditingActions* actions() const { return EditingActions::of(d.document.data()); }
    // A nested block of the load cases and chapters at the end of the report.
    void appendBlock(const QList<LoadCaseRef>& loadCases, const QStringList& codes)
    {
        const Report::ReportBlockRef block(new Report::ReportBlock);
        for (const LoadCaseRef& loadCase : loadCases)
            block->insertLoadCase(loadCase, {});
        for (const QString& code : codes)
            block->insertItem(chapterItem(code), {});
        changeAndWait([&] {
            actions()->actionInsertItemIntoReport(report, report->rootBlock(),
                                                  Report::ReportItemRef(new Report::ReportItem({}, block)));
        });
    }
    void clickInto(QWidget* area, const QPoint& at) { QTest::mouseClick(area, Qt::LeftButton, {}, at); }
    void checkAndClick(ReportButton* checked, QWidget* area, const QPoint& at)
    {
        checked->click();
        changeAndWait([&] { clickInto(area, at); });
    }
};

// The number at the foot of each page, in page order.
QStringList pageNumbers(const QString& text)
{
    QStringList numbers;
    QRegularExpressionMatchIterator found = QRegularExpression("(\\d+)\\s*\\f").globalMatch(text);
    while (found.hasNext())
        numbers << found.next().captured(1);
    return numbers;
}

} // namespace

void tst_ReportView::initTestCase()
{
    initialiseVisualConstants();
    installAnalysis();
    UserDialogs::install(&dialogs);
    Application::_printersHaveBeenEnumerated = true;
}

void tst_ReportView::tileLook_data()
{
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<QString>("text");
    QTest::newRow("load case") << QColor(176, 196, 222) << "#000000";
    QTest::newRow("navy") << QColor(0, 0, 128) << "#ffffff";
    QTest::newRow("grey at the limit") << QColor(128, 128, 128) << "#000000";
}

void tst_ReportView::tileLook()
{
    QFETCH(QColor, colour);
    QFETCH(QString, text);
    ReportButton a("A", colour, nullptr), b("B", colour, nullptr), c("C", colour, nullptr);
    QVERIFY(a.styleSheet().contains(QStringLiteral("color:%1;").arg(text)));
    ReportButton::setGroupBorders({&a, &b, &c});
    QCOMPARE(a.borderEdge, QStringLiteral("border-left:1px solid #aaaaaa; border-top:1px solid #aaaaaa; "
                                          "border-right:1px solid #aaaaaa; border-bottom:none;"));
    QCOMPARE(a.borderCorner, QStringLiteral("border-top-left-radius:8px; border-top-right-radius:8px; "
                                            "border-bottom-left-radius:0px; border-bottom-right-radius:0px;"));
    QCOMPARE(b.borderCorner, QStringLiteral("border-radius:0px;"));
    QCOMPARE(c.borderEdge, QStringLiteral("border:1px solid #aaaaaa;"));
    QVERIFY(c.styleSheet().contains(c.borderCorner));
    QCOMPARE(ReportButton::Pixmap::preview().size(), QSize(18, 18));
}

void tst_ReportView::tileNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("whole");
    QTest::newRow("short") << "Dead" << true;
    QTest::newRow("long") << "Dead and imposed loads on floors and roof" << false;
    QTest::newRow("ampersands") << "R&D & Co" << true;
    QTest::newRow("long, markup") << "R&amp;D <b>wind</b> & snow on the roof" << false;
}

// A load case tile of the report area, 128 pixels wide: the name whole, or
// elided at a letter's end, never cut off at the tile's edge, and then whole
// in the tool tip; an '&' is a letter like any other.
void tst_ReportView::tileNames()
{
    QFETCH(QString, name);
    QFETCH(bool, whole);
    QWidget area;
    area.setStyleSheet(QStringLiteral("QWidget { background-color:white; }"));
    auto* tile = new ReportButton(name, QColor(176, 196, 222), &area);
    tile->setGeometry(12, 0, 128, 32);
    area.resize(160, 40);
    area.show();
    QVERIFY(QTest::qWaitForWindowExposed(&area));
    QCOMPARE(tile->text(), name);
    const QString shown = tile->shownText();
    if (whole) {
        QCOMPARE(shown, name);
    } else {
        QVERIFY(shown.endsWith(QChar(0x2026)));
        QVERIFY(name.startsWith(shown.chopped(1).trimmed()));
    }
    QTextDocument tip;
    tip.setHtml(tile->toolTip());
    QCOMPARE(tip.toPlainText(), whole ? QString() : name);
    // The text's ink ends short of the tile's inner edge, and is as wide as the shown text.
    const QImage image = tile->grab().toImage();
    int left = image.width(), right = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 100) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    QVERIFY(right > 0);
    QVERIFY2(right < image.width() - 3, qPrintable(QString::number(right)));
    const int ink = right - left + 1, text = tile->fontMetrics().boundingRect(shown).width();
    QVERIFY2(std::abs(ink - text) <= 3, qPrintable(QStringLiteral("ink %1, text %2").arg(ink).arg(text)));
}

void tst_ReportView::clickEditing()
{
    Editor e({Report::ChapterNodeInput, Report::ChapterMemberInput});
    QCOMPARE(e.pane("ItemView")->findChildren<ReportButton*>().size(), 9); // seven chapters, two load cases
    QWidget* root = e.tile("FormatView", "Report")->parentWidget();
    const QPoint bottom(20, root->height() - 3);
    // No tile checked: nothing.
    e.clickInto(root, bottom);
    QCOMPARE(e.d.document->reportUndoStack()->count(), 0);

    e.checkAndClick(e.tile("ItemView", "Dead"), e.tile("FormatView", "Report")->parentWidget(), bottom);
    const Report::ReportBlockRef nested = e.report->rootBlock()->items().value(2)->block;
    QCOMPARE(nested->loadCases(), (QList<LoadCaseRef>{e.d.loading}));
    QWidget* inner = e.tile("FormatView", "Dead")->parentWidget();
    e.checkAndClick(e.tile("ItemView", "Live"), inner, QPoint(150, 10));
    // The same load case again adds nothing.
    e.tile("ItemView", "Live")->click();
    e.clickInto(e.tile("FormatView", "Dead")->parentWidget(), QPoint(150, 10));
    QCOMPARE(nested->loadCases(), (QList<LoadCaseRef>{e.d.loading, e.live}));
    // The nested area takes the click, not the root area around it.
    inner = e.tile("FormatView", "Dead")->parentWidget();
    e.checkAndClick(e.tile("ItemView", "MMGR"), inner, QPoint(20, inner->height() - 3));
    QCOMPARE(chapters(nested), QStringList{"MMGR"});
    // Between two tiles: before the lower one.
    const QRect upper = e.tile("FormatView", "NDIN")->geometry(), lower = e.tile("FormatView", "MMIN")->geometry();
    e.checkAndClick(e.tile("ItemView", "LDIN"), e.tile("FormatView", "NDIN")->parentWidget(),
                    QPoint(upper.center().x(), (upper.bottom() + lower.top()) / 2));
    QCOMPARE(chapters(e.report->rootBlock()), (QStringList{"NDIN", "LDIN", "MMIN", "[block]"}));
    QCOMPARE(e.d.document->reportUndoStack()->count(), 4);
    e.changeAndWait([&] { e.d.document->reportUndoStack()->undo(); });
    QCOMPARE(chapters(e.report->rootBlock()), (QStringList{"NDIN", "MMIN", "[block]"}));
}

void tst_ReportView::wasteBin()
{
    Editor e({Report::ChapterNodeInput});
    QToolButton* bin = e.button("ButtonDeleteReportItem");
    e.tile("FormatView", "Report")->click();
    QVERIFY(bin->isHidden());
    e.changeAndWait([&] { e.button("ButtonAddReport")->click(); });
    const ReportRef added = e.d.document->reportModel()->reports().value(1);
    e.tile("FormatView", "Report", 1)->click();
    QVERIFY(!bin->isHidden());
    // An entry arrives before the bin is used: the report is no longer empty.
    e.actions()->actionInsertItemIntoReport(added, added->rootBlock(), chapterItem("NDIN"));
    bin->click();
    QCOMPARE(e.d.document->reportModel()->reports().size(), 2);
    QTRY_VERIFY(bin->isHidden());
    e.changeAndWait([&] { e.d.document->reportUndoStack()->undo(); });
    e.tile("FormatView", "Report", 1)->click();
    e.changeAndWait([&] { bin->click(); });
    QCOMPARE(e.d.document->reportModel()->reports(), QList<ReportRef>{e.report});

    // The only entry of a nested block takes the block with it.
    e.appendBlock({e.live}, {});
    e.tile("FormatView", "Live")->click();
    e.changeAndWait([&] { bin->click(); });
    QCOMPARE(chapters(e.report->rootBlock()), QStringList{"NDIN"});
}

void tst_ReportView::previewFollowsDocument()
{
    Editor e({Report::ChapterNodeInput});
    e.tile("FormatView", "OpenPreview")->click();
    const ReportLayoutRef first = e.preview()->reportLayout();
    QVERIFY(first && first->report == e.report);
    QVERIFY(!e.button("ReportPrint")->isHidden());
    // A burst of camera changes lays the report out once, with the last camera.
    for (double distance : {20.0, 30.0, 40.0})
        e.camera->setDistance(distance);
    QTRY_VERIFY(e.preview()->reportLayout() != first);
    const ReportLayoutRef second = e.preview()->reportLayout();
    QCOMPARE(second->viewPoint->distance(), 40.0);
    QTest::qWait(300);
    QCOMPARE(e.preview()->reportLayout(), second);

    e.changeAndWait([&] { e.actions()->actionDeleteReport(e.report); });
    QVERIFY(!e.preview()->reportLayout());
    QVERIFY(e.button("ReportPrint")->isHidden());
    e.view.clearDocumentModel();
    QCOMPARE(e.pane("ItemView")->findChildren<ReportButton*>().size(), 7);
    QVERIFY(e.pane("FormatView")->findChildren<QWidget*>().isEmpty());
}

void tst_ReportView::words()
{
    Editor e({Report::ChapterNodeInput});
    e.d.document->reportModel()->appendReports({VaroObject::make<Report>()});
    e.appendBlock({e.d.loading, e.live}, {"MMGR"});
    QWidget* target = e.pane("FormatView");
    const auto ask = [&](const QString& word, QVariantList below) {
        QStack<QVariant> stack;
        for (const QVariant& cell : below)
            stack.push(cell);
        stack.push(QVariant::fromValue(target));
        bool handled = false;
        e.view.tryForthWord(word, &stack, &handled);
        return handled && stack.size() >= 2 && stack.top().value<QWidget*>() == target
                   ? stack.at(stack.size() - 2) : QVariant();
    };
    const auto widget = [&](const QString& word, int n) { return ask(word, {n}).value<QWidget*>(); };
    QCOMPARE(widget("SYS/REPORT:FORMATITEM", 1), e.tile("FormatView", "Report"));
    QCOMPARE(widget("SYS/REPORT:FORMATITEM", 2), e.tile("FormatView", "NDIN"));
    QCOMPARE(widget("SYS/REPORT:FORMATITEM", 4), e.tile("FormatView", "Live"));
    QCOMPARE(widget("SYS/REPORT:FORMATITEM", 5), e.tile("FormatView", "MMGR"));
    QCOMPARE(widget("SYS/REPORT:FORMATITEM", 6), e.tile("FormatView", "Report", 1));
    QCOMPARE(widget("SYS/REPORT:FORMATITEMBLOCK", 4), e.tile("FormatView", "Dead")->parentWidget());
    QCOMPARE(widget("SYS/REPORT:FORMATITEMBLOCK", 2), e.tile("FormatView", "Report")->parentWidget());
    QCOMPARE(widget("SYS/REPORT:PREVIEWBUTTONFORREPORT", 1), e.tile("FormatView", "OpenPreview"));
    QVERIFY(!ask("SYS/REPORT:PREVIEWBUTTONFORREPORT", {2}).isValid());
    QVERIFY(!ask("SYS/REPORT:FORMATITEM", {0}).isValid());
    QCOMPARE(ask("SYS/REPORT:CELLSIZE", {}).toDouble(), 40.0);
    // A target outside the view is left for other providers.
    QWidget elsewhere;
    target = &elsewhere;
    QVERIFY(!ask("SYS/REPORT:CELLSIZE", {}).isValid());
}

void tst_ReportView::printWithoutReport_data()
{
    QTest::addColumn<bool>("installed");
    QTest::addColumn<QString>("toolTip");
    QTest::addColumn<QString>("message");
    QTest::newRow("printers") << true << "Send to printer" << "There is no report to print";
    QTest::newRow("none") << false << "Export PDF file" << "There is no report to export";
}

// Results without analysis: the report lays out no page.
void tst_ReportView::printWithoutReport()
{
    QFETCH(bool, installed);
    QFETCH(QString, toolTip);
    QFETCH(QString, message);
    Application::_availablePrinters = installed ? QList<QPrinterInfo>{QPrinterInfo()} : QList<QPrinterInfo>();
    Editor e({Report::ChapterNodeGraphicalResults});
    e.tile("FormatView", "OpenPreview")->click();
    QCOMPARE(e.button("ReportPrint")->toolTip(), toolTip);
    e.button("ReportPrint")->click();
    QCOMPARE(dialogs.texts(), QStringList{message});
    Application::_availablePrinters.clear();
}

void tst_ReportView::pdfExport()
{
    Editor e({Report::ChapterNodeInput, Report::ChapterNodeGraphicalResults, Report::ChapterNodeInput});
    e.d.analyse();
    e.tile("FormatView", "OpenPreview")->click();
    QTemporaryDir folder;
    const QString path = folder.filePath("report.pdf");
    dialogs.fileAnswers = QStringList{path};
    bool busyDuringJob = false;
    QTimer::singleShot(0, [&] {
        busyDuringJob = !e.button("ReportPrint")->isEnabled();
        e.view.close();
        QMetaObject::invokeMethod(&e.view, "printReport");
    });
    e.button("ReportPrint")->click();
    QVERIFY(busyDuringJob);
    QVERIFY(e.view.isVisible());
    QCOMPARE(dialogs.fileRequests.size(), 1);
    QCOMPARE(dialogs.fileRequests[0].caption, QStringLiteral("PDF export"));
    // The model has no file yet: its name in a folder that is there.
    const QFileInfo offered(dialogs.fileRequests[0].startPath);
    QVERIFY2(offered.fileName() == "Untitled" && offered.dir().exists(), qPrintable(offered.filePath()));
    QVERIFY(dialogs.boxes.isEmpty());
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{"report.pdf"});

    const QString info = run("pdfinfo", {path});
    QVERIFY(info.contains(QRegularExpression("Pages:\\s+3\\n")));
    QVERIFY(info.contains(QRegularExpression("Page size:\\s+595(\\.\\d+)? x 84[12](\\.\\d+)? pts")));
    const QString text = run("pdftotext", {"-layout", path, "-"});
    QVERIFY(text.contains("NOT ACTUAL RESULTS"));
    QVERIFY(text.contains("Dead"));
    QCOMPARE(pageNumbers(text), (QStringList{"1", "2", "3"}));

    // Pages 2 to 99, the last first.
    QPrinter printer(QPrinter::ScreenResolution);
    printer.setOutputFileName(folder.filePath("range.pdf"));
    printer.setFromTo(2, 99);
    printer.setPageOrder(QPrinter::LastPageFirst);
    QVERIFY(e.view.print(&printer, e.preview()->reportLayout()));
    QCOMPARE(pageNumbers(run("pdftotext", {"-layout", printer.outputFileName(), "-"})), (QStringList{"3", "2"}));
}

void tst_ReportView::pdfSuffix_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("written");
    QTest::addColumn<int>("replace"); // the answer about a file already there, 0 for none there
    QTest::newRow("none") << "report" << "report.pdf" << 0;
    QTest::newRow("PDF") << "report.PDF" << "report.PDF" << 0;
    QTest::newRow("another") << "report.v2" << "report.v2.pdf" << 0;
    QTest::newRow("dot in the folder") << "issue.3/report" << "issue.3/report.pdf" << 0;
    QTest::newRow("none, over a file, no") << "report" << "report.pdf" << int(QMessageBox::No);
    QTest::newRow("none, over a file, yes") << "report" << "report.pdf" << int(QMessageBox::Yes);
    // The dialogue asks about a name it returns whole.
    QTest::newRow("PDF, over a file") << "report.pdf" << "report.pdf" << int(QMessageBox::No);
}

// The file dialogue returns the name as typed; the file written is a PDF file
// by its name, and replaces a file the added suffix names only on a yes.
void tst_ReportView::pdfSuffix()
{
    QFETCH(QString, answer);
    QFETCH(QString, written);
    QFETCH(int, replace);
    Editor e({Report::ChapterNodeInput});
    e.tile("FormatView", "OpenPreview")->click();
    QTemporaryDir folder;
    QVERIFY(QDir(folder.path()).mkpath(QFileInfo(answer).path()));
    QFile earlier(folder.filePath(written));
    QVERIFY(!replace || (earlier.open(QIODevice::WriteOnly) && earlier.write("earlier") == 7));
    earlier.close();
    dialogs.fileAnswers = QStringList{folder.filePath(answer)};
    dialogs.answer = QMessageBox::StandardButton(replace);
    e.button("ReportPrint")->click();
    const bool asked = replace && answer != written;
    QCOMPARE(dialogs.texts(), asked ? QStringList{"The file '" + earlier.fileName() + "' already exists.\nDo you "
                                                  "want to replace it?"}
                                    : QStringList());
    QDir where(folder.filePath(QFileInfo(answer).path()));
    QCOMPARE(where.entryList(QDir::Files), QStringList{QFileInfo(written).fileName()});
    QCOMPARE(run("pdfinfo", {folder.filePath(written)}).contains("Pages:"), !asked || replace == QMessageBox::Yes);
}

void tst_ReportView::pdfCancelledOrUnwritable_data()
{
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QStringList>("messages");
    const QString failed = QStringLiteral("The report could not be printed.");
    QTest::newRow("cancelled") << true << "." << QStringList();
    // Through the export, which says why, then straight onto a printer that cannot begin.
    QTest::newRow("unwritable") << false << "missing"
                                << QStringList{failed + "\nThe folder does not exist: %1", failed};
}

void tst_ReportView::pdfCancelledOrUnwritable()
{
    QFETCH(bool, cancel);
    QFETCH(QString, folder);
    QFETCH(QStringList, messages);
    Editor e({Report::ChapterNodeInput});
    e.tile("FormatView", "OpenPreview")->click();
    QTemporaryDir base;
    const QString path = QDir(base.path()).filePath(folder + "/report.pdf");
    dialogs.fileAnswers = QStringList{path};
    QFile previous(path);
    if (cancel) {
        // An earlier export stays as it was.
        QVERIFY(previous.open(QIODevice::WriteOnly) && previous.write("earlier") == 7);
        previous.close();
        QTimer::singleShot(0, [&] { e.view.findChild<QProgressDialog*>()->cancel(); });
    }
    e.button("ReportPrint")->click();
    if (!cancel) {
        QPrinter printer(QPrinter::ScreenResolution);
        printer.setOutputFileName(path);
        QTest::ignoreMessage(QtWarningMsg, "QPainter::begin(): Returned false");
        QVERIFY(!e.view.print(&printer, e.preview()->reportLayout()));
    }
    if (!messages.isEmpty())
        messages.first() = messages.first().arg(path);
    QCOMPARE(dialogs.texts(), messages);
    QCOMPARE(QDir(base.path()).entryList(QDir::Files), cancel ? QStringList{"report.pdf"} : QStringList());
    QCOMPARE(previous.open(QIODevice::ReadOnly) ? previous.readAll() : QByteArray(), cancel ? "earlier" : "");
}

void tst_ReportView::pdfPermissionsAndReplacement_data()
{
    QTest::addColumn<int>("umask");
    QTest::addColumn<int>("earlierMode"); // -1: no earlier file
    QTest::addColumn<qint64>("sizeLimit"); // -1: none
    QTest::addColumn<int>("mode");
    QTest::newRow("new, umask 022") << 022 << -1 << qint64(-1) << 0644;
    QTest::newRow("new, umask 077") << 077 << -1 << qint64(-1) << 0600;
    QTest::newRow("new, umask 027") << 027 << -1 << qint64(-1) << 0640;
    QTest::newRow("over 0644, umask 077") << 077 << 0644 << qint64(-1) << 0644;
    QTest::newRow("over 0640, umask 022") << 022 << 0640 << qint64(-1) << 0640;
    // The disk fills after 4 kB: the PDF writer carries on, the file lacks its end.
    QTest::newRow("write fails") << 022 << 0644 << qint64(4096) << 0644;
}

void tst_ReportView::pdfPermissionsAndReplacement()
{
    QFETCH(int, umask);
    QFETCH(int, earlierMode);
    QFETCH(qint64, sizeLimit);
    QFETCH(int, mode);
    Editor e({Report::ChapterNodeInput});
    e.tile("FormatView", "OpenPreview")->click();
    QTemporaryDir folder;
    const QString path = folder.filePath("report.pdf"), link = folder.filePath("earlier.pdf");
    dialogs.fileAnswers = QStringList{path};
    const QByteArray earlier = "earlier export";
    if (earlierMode >= 0) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(earlier) == earlier.size());
        file.close();
        QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode_t(earlierMode)), 0);
        // A second name of the earlier file: the export must leave that file itself alone.
        QCOMPARE(::link(QFile::encodeName(path).constData(), QFile::encodeName(link).constData()), 0);
    }
    const auto contents = [](const QString& p) {
        QFile file(p);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    // While the pages are painted the target still holds the earlier file.
    QByteArray duringJob;
    QTimer::singleShot(0, [&] { duringJob = contents(path); });

    const mode_t previousMask = ::umask(mode_t(umask));
    rlimit previousLimit = {};
    ::getrlimit(RLIMIT_FSIZE, &previousLimit);
    if (sizeLimit > 0) {
        rlimit limit = previousLimit;
        limit.rlim_cur = rlim_t(sizeLimit);
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    e.button("ReportPrint")->click();
    ::setrlimit(RLIMIT_FSIZE, &previousLimit);
    ::umask(previousMask);

    QCOMPARE(duringJob, earlierMode >= 0 ? earlier : QByteArray());
    struct stat written = {};
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &written), 0);
    QCOMPARE(int(written.st_mode & 07777), mode);
    if (sizeLimit > 0) {
        QCOMPARE(dialogs.texts(),
                 QStringList{"The report could not be printed.\nThe file is larger than the system allows: " + path});
        QCOMPARE(contents(path), earlier);
    } else {
        QVERIFY(dialogs.boxes.isEmpty());
        QVERIFY(contents(path).startsWith("%PDF-"));
        QVERIFY(contents(path).trimmed().endsWith("%%EOF"));
    }
    if (earlierMode >= 0)
        QCOMPARE(contents(link), earlier);
    // Nothing left beside it.
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).size(), earlierMode >= 0 ? 2 : 1);
}

// A file its owner made read-only is not replaced behind the dialog's general
// question, whoever runs the program.
void tst_ReportView::pdfLeavesAWriteProtectedFile()
{
    Editor e({Report::ChapterNodeInput});
    e.tile("FormatView", "OpenPreview")->click();
    QTemporaryDir folder;
    const QString path = folder.filePath("report.pdf");
    QFile earlier(path);
    QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write("earlier") == 7);
    earlier.close();
    QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));
    dialogs.fileAnswers = QStringList{path};
    e.button("ReportPrint")->click();
    QCOMPARE(dialogs.texts(), QStringList{"The report could not be printed.\nThe file is write-protected: " + path});
    QVERIFY(earlier.open(QIODevice::ReadOnly));
    QCOMPARE(earlier.readAll(), QByteArray("earlier"));
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"report.pdf"});
}

VARO_TEST_MAIN(tst_ReportView)
#include "tst_reportview.moc"
