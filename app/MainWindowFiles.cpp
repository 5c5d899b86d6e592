#include "MainWindow.h"

#include "CurrentState.h"
#include "DocumentConnections.h"
#include "DocumentModel.h"
#include "DocumentXml.h"
#include "FileUtilities.h"
#include "Libraries.h"
#include "MaterialLibrary.h"
#include "NativeContainer.h"
#include "StructureView.h"
#include "TransferReader.h"
#include "UnitSystem.h"
#include "UserDialogs.h"
#include "UtilityWindow.h"
#include "ViewPoint.h"
#include "ViewSelector.h"

#include <QApplication>
#include <QFileInfo>
#include <QUndoStack>

namespace {

const QString transferFileSuffix = QStringLiteral("varox");
const QString templateModel = QStringLiteral(":/templateDefault.varok");

// The text after the last '.' of the whole path; a path without one is its own suffix.
QString suffixOf(const QString& path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('.')) + 1);
}

} // namespace

QList<const DocumentModel*> MainWindow::_openDocuments;

// ---- File names and dialogs

QString MainWindow::previousFileName() const
{
    if (document && !document->path().isEmpty() && QFileInfo::exists(document->path()))
        return document->path();
    return directory;
}

QString MainWindow::getFileName(const QString& startPath, const QStringList& filters, bool open)
{
    const auto firstFilterWith = [&filters](const QString& suffix) {
        for (const QString& filter : filters)
            if (filter.contains(suffix, Qt::CaseInsensitive))
                return filter;
        return QString();
    };
    QString filter = firstFilterWith(_nativeFileSuffix);
    QString start = directory;
    if (QFileInfo(startPath).isFile()) {
        start = startPath;
        const QString suffix = suffixOf(startPath);
        const QString matching = suffix.isEmpty() ? QString() : firstFilterWith(suffix);
        if (!matching.isEmpty())
            filter = matching;
    }
    const QString chosen = UserDialogs::current().fileName(
        this, open, open ? tr("Open file") : tr("Save file"), start, filters.join(QStringLiteral(";;")), &filter);
    const QFileInfo info(chosen);
    if (info.exists() && !info.isFile())
        return QString();
    return chosen;
}

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

// ---- Opening

bool MainWindow::openFile(QString path, bool untitled)
{
    if (path.isEmpty()) {
        path = getFileName(previousFileName(), _importFileFilters, true);
        if (path.isEmpty())
            return false;
    }
    if (!QFileInfo::exists(path)) {
        displayInformationMessage(tr("File '%1' can not be found and has not been loaded.").arg(path));
        return false;
    }

    const QString suffix = suffixOf(path);
    // Born busy, so its analysis stays idle until the document is installed.
    QSharedPointer<DocumentModel> newDocument(new DocumentModel(units));
    QSharedPointer<ViewPoint> newViewPoint(new ViewPoint);
    QSharedPointer<CurrentState> newCurrentState(new CurrentState);
    if (_nativeFileSuffixes.contains(suffix, Qt::CaseInsensitive)) {
        const QByteArray text = readNativeFile(path);
        if (text.isEmpty())
            return false;
        if (!readXMLDocumentFile(text, newDocument, newViewPoint, newCurrentState)) {
            // A sound container around damaged XML is as corrupt as a bad checksum.
            displayInformationMessage(NativeContainer::messageFor(NativeContainer::Status::Corrupt));
            return false;
        }
    } else if (suffix.compare(transferFileSuffix, Qt::CaseInsensitive) == 0) {
        if (!readTransferFile(path, newDocument))
            return false;
    } else {
        displayInformationMessage(tr("Unrecognised file suffix (.%1). The file has not been loaded.").arg(suffix));
        return false;
    }

    if (!clearCurrentDocumentModel(false))
        return false;
    *state = *newCurrentState;
    newDocument->incorporateDefaults();
    // An import stays one undoable step, marked clean below like any opened model.
    setDocumentModel(newDocument);
    setViewPoint(newViewPoint);
    setFileName(untitled ? QString() : path);
    newDocument->clearModifiedState();
    newDocument->lowerBusyCount();
    return true;
}

bool MainWindow::newFile()
{
    return openFile(templateModel, true);
}

QByteArray MainWindow::readNativeFile(const QString& path)
{
    QByteArray text;
    const NativeContainer::Status status = NativeContainer::readFile(path, &text);
    if (status != NativeContainer::Status::Ok) {
        displayInformationMessage(NativeContainer::messageFor(status));
        return QByteArray();
    }
    return text;
}

bool MainWindow::readXMLDocumentFile(const QByteArray& text, QSharedPointer<DocumentModel>& document,
                                     QSharedPointer<ViewPoint>& viewPoint,
                                     QSharedPointer<CurrentState>& currentState)
{
    return DocumentXml::readContent(text, document.data(), viewPoint.data(), currentState.data());
}

bool MainWindow::readTransferFile(const QString& path, QSharedPointer<DocumentModel>& document)
{
    if (!document)
        return false;
    QString message;
    if (!TransferReader::readFileIntoDocument(path, *document, &message)) {
        displayInformationMessage(message);
        return false;
    }
    return true;
}

// ---- Saving

bool MainWindow::saveFile()
{
    if (!document)
        return false;
    return saveFileAs(document->path());
}

bool MainWindow::saveFileAs(QString name)
{
    if (!document)
        return false;
    if (name.isEmpty()) {
        name = getFileName(previousFileName(), _exportFileFilters, false);
        if (name.isEmpty())
            return false;
    }
    if (!_exportFileSuffixes.contains(suffixOf(name), Qt::CaseInsensitive))
        name += QLatin1Char('.') + _nativeFileSuffix;
    if (!writeNativeFile(name))
        return false;
    setFileName(name);
    document->clearModifiedState();
    return true;
}

QByteArray MainWindow::writeXMLDocumentFile() const
{
    return DocumentXml::writeContent(document.data(), view.data(), state.data());
}

bool MainWindow::writeNativeFile(const QString& path)
{
    const QByteArray text = writeXMLDocumentFile();
    // The atomic writer leaves an existing file alone unless the new one was written whole.
    if (text.isEmpty() || !NativeContainer::writeFile(path, text)) {
        displayWarningMessage(tr("The model could not be saved."));
        return false;
    }
    return true;
}

// ---- The document shown

bool MainWindow::allowCurrentDocumentToClose()
{
    if (!document || _openDocuments.count(document.data()) != 1 || !document->isModified())
        return true;
    const QMessageBox::StandardButton answer = UserDialogs::current().message(
        this, QMessageBox::Warning, tr("This model has been modified.\nDo you want to save your changes?"),
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::NoButton);
    if (answer == QMessageBox::Save)
        return saveFile();
    return answer == QMessageBox::Discard;
}

bool MainWindow::clearCurrentDocumentModel(bool force)
{
    if (!force && !allowCurrentDocumentToClose())
        return false;
    if (document) {
        disconnectFromDocument(this, document.data());
        structureView->clearDocumentModel();
        structureView->clearViewPoint();
        viewSelector->setDocumentModel(QSharedPointer<DocumentModel>());
        viewSelector->setViewPoint(QSharedPointer<ViewPoint>());
        utilityWindow->setDocumentModel(QSharedPointer<DocumentModel>());
        utilityWindow->setLibrary(QSharedPointer<MaterialLibrary>());
        _openDocuments.removeOne(document.data());
        document.reset();
    }
    return true;
}

void MainWindow::setDocumentModel(const QSharedPointer<DocumentModel>& newDocument)
{
    document = newDocument;
    _openDocuments.append(document.data());
    structureView->setDocumentModel(document);
    viewSelector->setDocumentModel(document);
    utilityWindow->setDocumentModel(document);
    utilityWindow->setLibrary(document->libraries()->materialLibrary());
    connect(document.data(), &DocumentModel::FileNameHasChanged, this, &MainWindow::updateForFileName);
    connect(document.data(), &DocumentModel::ModifiedStateHasChanged, this,
            &MainWindow::documentModifiedStateHasChanged);
    connect(document.data(), &DocumentModel::WarningMessage, this, &MainWindow::displayWarningMessage,
            Qt::QueuedConnection);
    connect(document.data(), &DocumentModel::InformationMessage, this, &MainWindow::displayInformationMessage,
            Qt::QueuedConnection);
    documentModifiedStateHasChanged();
}

void MainWindow::setViewPoint(const QSharedPointer<ViewPoint>& viewPoint)
{
    view = viewPoint;
    structureView->setViewPoint(view);
    viewSelector->setViewPoint(view);
}

void MainWindow::documentModifiedStateHasChanged()
{
    if (!document)
        return;
    const bool modified = document->isModified();
    setWindowModified(modified);
    emit ModifiedStateHasChanged(modified);
}

// ---- Messages

void MainWindow::displayWarningMessage(const QString& message)
{
    UserDialogs::warning(this, message);
}

void MainWindow::displayInformationMessage(const QString& message)
{
    UserDialogs::information(this, message);
}
