#pragma once

// Helpers shared by the report tests: a document built object by object,
// analysed on demand, reports of given chapters laid out for it, their pages
// printed, and the tools that read the printed files.

#include "DocumentTesting.h"

#include "AnalysisInstallation.h"
#include "AnalysisOutput.h"
#include "AnalysisResultCase.h"
#include "CrossSection.h"
#include "CurrentState.h"
#include "ReportLayout.h"
#include "ReportPainter.h"
#include "ViewPoint.h"
#include "VisualConstants.h"

#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

class ReportDocument
{
public:
    QSharedPointer<DocumentModel> document = newDocument();
    LoadingRef loading{VaroObject::make<Loading>("Dead")};
    SectionTypeRef section;

    ReportDocument()
    {
        const CrossSectionRef shape(new CrossSection);
        shape->setNames({"UB 203x133x25"});
        shape->setShape(CrossSection::IBeam);
        shape->setOverallDepth(0.2);
        shape->setTopFlangeWidth(0.1);
        shape->setWebThickness(0.006);
        shape->setTopFlangeThickness(0.009);
        shape->compute();
        section = VaroObject::make<SectionType>(shape, MaterialRef(new Material({"Steel"}, 210e9, 81e9, 7850, 12e-6)));
        document->libraries()->loadCaseLibrary()->append(loading);
    }

    NodeRef node(double x, double y = 0.0, double z = 0.0, int restraints = 0)
    {
        const NodeRef n = nodeAt(x, y, z);
        if (restraints)
            n->setSupport(VaroObject::make<Support>("Pin", restraints));
        document->structureModel()->appendObjects({n});
        return n;
    }
    MemberRef member(const NodeRef& a, const NodeRef& b)
    {
        const MemberRef m(VaroObject::make<Member>(a, b));
        m->setSectionType(section);
        document->structureModel()->appendObjects({m});
        return m;
    }
    template <class T>
    LoadRef load(const MemberRef& m, const QList<Load::PositionedForce>& pairs)
    {
        const LoadRef l = pairsLoad(LoadRef(new T(m)), pairs, loading);
        document->structureModel()->appendObjects({l});
        return l;
    }
    // A beam along x on n members of length 1, pinned at both ends.
    QList<MemberRef> beam(int n)
    {
        QList<MemberRef> members;
        NodeRef previous = node(0.0, 0.0, 0.0, Dof::All & ~Dof::Rz);
        for (int i = 1; i <= n; ++i) {
            const NodeRef next = node(i, 0.0, 0.0, i == n ? Dof::Y | Dof::Z | Dof::Rx : 0);
            members << member(previous, next);
            previous = next;
        }
        return members;
    }

    // Needs installAnalysis() before the document was made.
    QSharedPointer<AnalysisResultCase> analyse()
    {
        document->lowerBusyCount();
        const auto results = [&] {
            const QSharedPointer<AnalysisOutput> output = document->analysisOutput();
            return output ? output->resultCases.value(loading) : QSharedPointer<AnalysisResultCase>();
        };
        if (!QTest::qWaitFor([&] { return bool(results()); }, 20000))
            return {};
        return results();
    }

    // A report of the chapters at its top level, for the loading.
    ReportLayoutRef layout(const QStringList& chapters)
    {
        const ReportRef report(VaroObject::make<Report>());
        for (const QString& chapter : chapters)
            report->rootBlock()->insertItem(Report::ReportItemRef(new Report::ReportItem(chapter)),
                                            Report::ReportItemRef());
        const QSharedPointer<CurrentState> state(new CurrentState);
        state->setLoadCase(loading);
        const ReportLayoutRef result(
            new ReportLayout(document, state, ViewPointRef(new ViewPoint), report));
        result->layoutPages();
        return result;
    }
};

// Every page of the layout, each painted into the printer's printable area as the export paints it.
inline void printPages(QPrinter* printer, const ReportLayoutRef& layout, const QSharedPointer<UnitSystem>& unitSystem)
{
    const QRect r = printer->pageLayout().paintRectPixels(printer->resolution());
    QPainter target(printer);
    ReportPainter painter(layout, unitSystem, {});
    for (int page = 1; page <= layout->pages.size(); ++page) {
        if (page > 1)
            printer->newPage();
        painter.paintPage(page, &target, QRect(0, 0, r.width(), r.height()));
    }
}

// A printer set up as the export sets it up: PDF, A4, at the given resolution.
inline void setUpPdfPrinter(QPrinter* printer, const QString& path, int dpi = 600)
{
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(path);
    printer->setPageSize(QPageSize(QPageSize::A4));
    printer->setResolution(dpi);
}

// What the program writes on its standard output, once it has finished.
inline QString run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished();
    return QString::fromUtf8(process.readAllStandardOutput());
}

struct Word
{
    QString text;
    QRectF box;
};

// Words and their boxes in points, from pdftotext's HTML.
inline QList<Word> wordsOf(const QString& html)
{
    QList<Word> words;
    const QRegularExpression word(QStringLiteral(
        "<word xMin=\"([-\\d.]+)\" yMin=\"([-\\d.]+)\" xMax=\"([-\\d.]+)\" yMax=\"([-\\d.]+)\">([^<]*)</word>"));
    QRegularExpressionMatchIterator found = word.globalMatch(html);
    while (found.hasNext()) {
        const QRegularExpressionMatch m = found.next();
        QString text = m.captured(5);
        text.replace(QLatin1String("&lt;"), QLatin1String("<"))
            .replace(QLatin1String("&gt;"), QLatin1String(">"))
            .replace(QLatin1String("&quot;"), QLatin1String("\""))
            .replace(QLatin1String("&amp;"), QLatin1String("&"));
        words.append({text, QRectF(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                                   QPointF(m.captured(3).toDouble(), m.captured(4).toDouble()))});
    }
    return words;
}

// The words of each page of a PDF file.
inline QList<QList<Word>> wordsOfPages(const QString& path)
{
    QList<QList<Word>> pages;
    const QString html = run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), path, QStringLiteral("-")});
    for (const QString& page : html.split(QStringLiteral("<page "), Qt::SkipEmptyParts).mid(1))
        pages.append(wordsOf(page));
    return pages;
}
