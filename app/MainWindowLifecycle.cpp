#include "MainWindow.h"

#include "Application.h"
#include "Calculator.h"
#include "DocumentModel.h"
#include "GroupAccessor.h"
#include "LoadAxisPicker.h"
#include "LoadCaseAccessor.h"
#include "MemberAxisPicker.h"
#include "MemberPinPicker.h"
#include "ReportView.h"
#include "SectionAccessor.h"
#include "SupportPicker.h"
#include "UserDialogs.h"
#include "UtilityWindow.h"
#include "ViewSelector.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QKeyEvent>

MainWindow::~MainWindow()
{
    if (Application::_settings)
        Application::_settings->setValue(QStringLiteral("documentDirectory"), directory);
    // A window deleted without being closed must not keep its document listed.
    if (document)
        clearCurrentDocumentModel(true);
}

QSize MainWindow::sizeHint() const
{
    return QSize(720, 480);
}

// ---- File name and title

void MainWindow::setFileName(const QString& path)
{
    QString shortName;
    if (!path.isEmpty()) {
        const QFileInfo info(path);
        directory = info.absolutePath();
        shortName = info.fileName();
    }
    if (document)
        document->setFileName(path, shortName);
    updateForFileName(path, shortName);
}

void MainWindow::updateForFileName(const QString&, const QString& shortName)
{
    // Both filled in one pass, so a "%2" in the name stays as it is.
    setWindowTitle(QStringLiteral("%1 [*] - %2")
                       .arg(shortName.isEmpty() ? tr("Untitled") : shortName, QApplication::applicationName()));
}

void MainWindow::bringForward()
{
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

QString MainWindow::previousFileName() const
{
    if (document && !document->path().isEmpty() && QFileInfo::exists(document->path()))
        return document->path();
    return Application::suggestedPath(directory, document ? document->path() : QString());
}

// ---- Letting the document go

bool MainWindow::allowCurrentDocumentToClose(bool everyWindow)
{
    applyEditorPages();
    if (!document || (!everyWindow && openDocumentCount(document.data()) != 1) || !isWindowModified())
        return true;
    const QMessageBox::StandardButton answer = UserDialogs::current().message(
        this, QMessageBox::Warning, tr("This model has been modified.\nDo you want to save your changes?"),
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::NoButton);
    if (answer == QMessageBox::Save)
        return saveFile();
    return answer == QMessageBox::Discard;
}

// Hidden, not closed, so that they keep the geometry they had when last closed.
void MainWindow::closeTopLevelChildren()
{
    const QList<QWidget*> children = {calculator,      groupAccessor,   loadAxisPicker, loadCaseAccessor,
                                      memberAxisPicker, memberPinPicker, reportView,     sectionAccessor,
                                      supportPicker,   utilityWindow,   viewSelector};
    for (QWidget* child : children)
        child->hide();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // The report's export paints with this window's children; it ends, or
    // is cancelled, before the window goes.
    if (reportView->isPrinting() || !clearCurrentDocumentModel(false)) {
        event->ignore();
        return;
    }
    Application::saveWidgetGeometry(this, QString());
    if (Application::_settings)
        Application::_settings->setValue(QStringLiteral("UnitSystem"),
                                         UnitSystem::availableSystems().value(units->chosenSystem()));
    event->accept();
}

void MainWindow::showEvent(QShowEvent* event)
{
    Application::restoreWidgetGeometry(this, QString());
    QMainWindow::showEvent(event);
}

void MainWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        emit ActionClearSelection();
        return;
    }
    QMainWindow::keyPressEvent(event);
}
