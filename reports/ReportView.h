#pragma once

#include "ModelRefs.h"
#include "Report.h"
#include "ReportLayout.h"

#include <QColor>
#include <QList>
#include <QMap>
#include <QSharedPointer>
#include <QSplitter>
#include <QStack>
#include <QString>
#include <QVariant>

class CurrentState;
class DocumentModel;
class QButtonGroup;
class QLabel;
class QPrintDialog;
class QPrinter;
class QPushButton;
class QScrollArea;
class QSignalMapper;
class QToolButton;
class ReportButton;
class ReportPreview;
class StructureView;
class UnitSystem;
class ViewPoint;

// The window in which the user composes the reports of a document and
// previews, prints or exports them: a palette of chapter and load-case tiles,
// the reports as framed areas of tiles, and the page preview. A report is
// edited by checking a tile and clicking into an area; every change is one of
// the document's undoable report actions, and the tiles are rebuilt when the
// document signals the change.
//
// A private, hidden 3D view with its own camera and display state renders
// the pages' pictures, independent of the main window's view.
class ReportView : public QSplitter
{
    Q_OBJECT

public:
    struct Colour
    {
        static QColor ButtonInput;
        static QColor ButtonLoadCase;
        static QColor ButtonReport;
        static QColor ButtonResults;
    };
    struct StyleSheet
    {
        static QString TitleBar;
        static QString TitleBarLabel;
        static QString Subtitle;
        static QString WasteBinButton;
        // %1 is the top margin above the drawn frame.
        static QString ReportArea;
        static QString LoadCaseArea;
    };

    ReportView(const QSharedPointer<UnitSystem>& unitSystem, const QSharedPointer<CurrentState>& currentState,
               QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());
    ~ReportView() override;

    QSize sizeHint() const override;
    // A job paints with this window's children between the events it lets through.
    bool isPrinting() const { return printing; }

public slots:
    void clearDocumentModel();
    void clearViewPoint();
    void setDocumentModel(QSharedPointer<DocumentModel> document);
    void setViewPoint(QSharedPointer<ViewPoint> viewPoint);
    void tryForthWord(const QString& word, QStack<QVariant>* stack, bool* handled) const;
    // True when every page was painted; false after a cancel or a failure.
    bool print(QPrinter* printer, ReportLayoutRef layout);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private slots:
    void addReport();
    void clearPreviewReport();
    void delayedUpdatePreview();
    void deleteItem();
    void deselectAllButtons();
    void exportPDF();
    void printReport();
    void repopulate();
    void setPreviewReport(ReportRef report);
    void setPreviewReport(QWidget* tile);
    void updatePreview();
    void updatePrinters();
    void updateWasteBin();

private:
    QLabel* makeTitle(const QString& text) const;
    QLabel* makeSubtitle(const QString& text) const;
    QWidget* makeTitleBar(const QMargins& margins) const;
    ReportButton* makeChapterButton(const QString& code, QWidget* parent);
    ReportButton* makeLoadCaseButton(const LoadCaseRef& loadCase, QWidget* parent);
    QWidget* makeReportArea(const ReportRef& report, const Report::ReportBlockRef& block);
    void insertByClick(const ReportButton* tile, const ReportRef& report, const Report::ReportBlockRef& block,
                       QWidget* area, const QPoint& click);
    void populateItemView();
    // The scroll position survives the new widget.
    static void setPaneWidget(QScrollArea* area, QWidget* widget, bool resizable);
    void populateReportView();
    void createItemPane();
    void createLayoutPane();
    void createPreviewPane();
    bool openPrintDialogue();
    bool openPDFExportDialogue();
    // The tiles of the report areas, each before the tiles inside it.
    QList<QPushButton*> reportTiles() const;

    QButtonGroup* tileGroup;
    QSharedPointer<CurrentState> currentState;
    QSharedPointer<DocumentModel> documentModel;
    QPushButton* defaultButton;
    QScrollArea* itemScrollArea = nullptr;
    QMap<Report::ReportBlockRef, ReportRef> reportOfBlock;
    QMap<QWidget*, Report::ReportBlockRef> blockOfArea;
    QMap<QWidget*, Report::ReportItemRef> itemOfArea;
    QSignalMapper* previewMapper;
    QString pdfFileName;
    QToolButton* printButton = nullptr;
    QPrintDialog* printDialog = nullptr;
    QSharedPointer<QPrinter> printer;
    QSharedPointer<QPrinter> pdfPrinter;
    bool printersInstalled = false;
    // A job processes events between pages; nothing may start another.
    bool printing = false;
    QScrollArea* layoutScrollArea = nullptr;
    QList<QWidget*> reportAreas;
    ReportPreview* preview = nullptr;
    QSharedPointer<StructureView> structureView;
    QSharedPointer<UnitSystem> unitSystem;
    bool previewClean = false;
    bool previewArmed = false;
    QSharedPointer<ViewPoint> viewPoint;
    QToolButton* wasteBinButton = nullptr;
};
