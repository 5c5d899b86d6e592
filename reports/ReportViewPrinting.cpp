// Printing on an installed printer and export as a PDF file.

#include "ReportView.h"

#include "Application.h"
#include "DocumentModel.h"
#include "FileUtilities.h"
#include "ReportPainter.h"
#include "ReportPreview.h"
#include "UserDialogs.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QScopeGuard>
#include <QToolButton>

namespace {

void setUpPrinter(QPrinter* printer, QPrinter::OutputFormat format)
{
    printer->setCollateCopies(false);
    printer->setColorMode(QPrinter::Color);
    printer->setCreator(QStringLiteral("Kelvory %1 %2")
                            .arg(QCoreApplication::applicationName(), QCoreApplication::applicationVersion()));
    printer->setDocName(QString());
    printer->setFromTo(0, 0);
    printer->setFullPage(false);
    printer->setCopyCount(1);
    printer->setPageOrientation(QPageLayout::Portrait);
    printer->setOutputFileName(QString());
    printer->setOutputFormat(format);
    printer->setPageOrder(QPrinter::FirstPageFirst);
    printer->setPageSize(QPageSize(QPageSize::A4));
    printer->setPrintRange(QPrinter::AllPages);
    printer->setResolution(600);
}

bool hasPages(const ReportLayoutRef& layout)
{
    return layout && !layout->pages.isEmpty();
}

// The PDF writer does not report failed writes (a full disk, say); a file
// cut short lacks the end-of-file mark that closes every PDF file.
bool isWholePdf(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() < 16 || !file.read(5).startsWith("%PDF-"))
        return false;
    file.seek(file.size() - 16);
    return file.read(16).contains("%%EOF");
}

} // namespace

void ReportView::updatePrinters()
{
    printersInstalled = !Application::_availablePrinters.isEmpty();
    if (!printer && !pdfPrinter) {
        printer.reset(new QPrinter(Application::_defaultPrinter, QPrinter::ScreenResolution));
        setUpPrinter(printer.data(), QPrinter::NativeFormat);
        printDialog = new QPrintDialog(printer.data(), this);
        printDialog->setOptions(QAbstractPrintDialog::PrintPageRange | QAbstractPrintDialog::PrintShowPageSize);
        printDialog->setPrintRange(QAbstractPrintDialog::AllPages);
        pdfPrinter.reset(new QPrinter(Application::_defaultPrinter, QPrinter::ScreenResolution));
        setUpPrinter(pdfPrinter.data(), QPrinter::PdfFormat);
    }
    if (!printButton)
        return;
    printButton->setEnabled(printer && !printing);
    if (!printer)
        printButton->setToolTip(tr("No printers available"));
    else
        printButton->setToolTip(printersInstalled ? tr("Send to printer") : tr("Export PDF file"));
}

void ReportView::printReport()
{
    if (printing)
        return;
    if (printDialog && printer && printersInstalled) {
        if (!openPrintDialogue())
            UserDialogs::information(this, tr("There is no report to print"));
    } else if (printer) {
        exportPDF();
    } else {
        UserDialogs::information(this, tr("There is no valid printer available"));
    }
}

void ReportView::exportPDF()
{
    if (!pdfPrinter)
        UserDialogs::information(this, tr("There is no valid PDF printer available"));
    else if (!openPDFExportDialogue())
        UserDialogs::information(this, tr("There is no report to export"));
}

bool ReportView::openPrintDialogue()
{
    const ReportLayoutRef layout = preview->reportLayout();
    if (!hasPages(layout))
        return false;
    printDialog->setMinMax(1, layout->pages.size());
    if (printDialog->exec() == QDialog::Accepted)
        print(printer.data(), layout);
    return true;
}

bool ReportView::openPDFExportDialogue()
{
    const ReportLayoutRef layout = preview->reportLayout();
    if (!hasPages(layout))
        return false;
    QString filter;
    // The first export is offered the model's name.
    const QString start = pdfFileName.isEmpty()
                              ? Application::suggestedPath(QString(), documentModel ? documentModel->path() : QString())
                              : pdfFileName;
    QString target = UserDialogs::current().fileName(this, false, tr("PDF export"), start, tr("PDF (*.pdf)"), &filter);
    if (target.isEmpty())
        return true;
    // The platform's dialogue returns a name as typed, and has asked only
    // about that name; nothing is written over a file the suffix names unasked.
    if (QFileInfo(target).suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) != 0) {
        target += QStringLiteral(".pdf");
        if (QFileInfo::exists(target) && !UserDialogs::confirmReplacing(this, target))
            return true;
    }
    pdfFileName = target;

    // Written beside the target and renamed over it only when every page
    // was painted and the file is whole: a cancel or a failure leaves an
    // earlier file as it was.
    bool started = false, painted = false;
    QString reason;
    const bool written = writeFileAtomically(
        target,
        [&](const QString& partial) {
            started = true;
            pdfPrinter->setOutputFileName(partial);
            painted = print(pdfPrinter.data(), layout);
            pdfPrinter->setOutputFileName(QString());
            return painted && isWholePdf(partial);
        },
        &reason);
    // A cancelled job says nothing, and one that could not begin has said so.
    if (!written && (!started || painted))
        UserDialogs::information(this, withReason(tr("The report could not be printed."), reason));
    return true;
}

bool ReportView::print(QPrinter* target, ReportLayoutRef layout)
{
    if (!target || printing)
        return false;
    const QRect r = target->pageLayout().paintRectPixels(target->resolution()).normalized();
    if (r.width() < 73 || r.height() < 73 || !hasPages(layout))
        return false;
    const int n = layout->pages.size();
    const int first = qBound(1, target->fromPage(), n);
    const int last = qBound(1, target->toPage() > 0 ? target->toPage() : n, n);
    if (last < first)
        return false;

    // The job processes events between pages: the window stays open and
    // nothing starts a second job until it ends.
    printing = true;
    printButton->setEnabled(false);
    const auto finish = qScopeGuard([this] {
        printing = false;
        updatePrinters();
    });

    QProgressDialog progress(tr("Printing %1 - %2").arg(first).arg(last), tr("Cancel"), 0, last - first + 1, this);
    progress.setWindowModality(Qt::WindowModal);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    progress.setMinimumDuration(0);
    progress.show();

    QPainter painter;
    if (!painter.begin(target)) {
        UserDialogs::information(this, tr("The report could not be printed."));
        return false;
    }
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    ReportPainter reportPainter(layout, unitSystem, structureView);
    const QRect page(0, 0, r.width(), r.height());
    const bool lastFirst = target->pageOrder() == QPrinter::LastPageFirst;
    int p = lastFirst ? last : first;
    for (int i = 0;; ++i) {
        progress.setValue(i);
        if (progress.wasCanceled())
            break;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        reportPainter.paintPage(p, &painter, page);
        if (lastFirst ? p <= first : p >= last)
            break;
        p += lastFirst ? -1 : 1;
        target->newPage();
    }
    painter.end();

    if (progress.wasCanceled()) {
        progress.setLabelText(tr("Cancelling..."));
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        target->abort();
        return false;
    }
    progress.setLabelText(tr("Finished"));
    progress.setCancelButtonText(QString());
    progress.setValue(progress.maximum());
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    Application::msleep(500);
    return true;
}
