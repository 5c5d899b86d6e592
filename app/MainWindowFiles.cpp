#include "MainWindow.h"

#include "Application.h"
#include "CurrentState.h"
#include "DocumentModel.h"
#include "DocumentXml.h"
#include "FileUtilities.h"
#include "NativeContainer.h"
#include "TransferReader.h"
#include "UnitSystem.h"
#include "UserDialogs.h"
#include "ViewPoint.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

#include <new>

namespace {

const QString transferFileSuffix = QStringLiteral("varox");
const QString templateModel = QStringLiteral(":/templateDefault.varok");

// The text after the last '.' of the file's own name: a dot in a folder's
// name is no suffix, and a name without a dot has none.
QString suffixOf(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot + 1);
}

// The path with the native suffix in place of its own.
QString withNativeSuffix(const QString& path)
{
    const QString suffix = suffixOf(path);
    return (suffix.isEmpty() ? path : path.chopped(suffix.size() + 1)) + QLatin1Char('.') + _nativeFileSuffix;
}

QString notAFileMessage(const QString& path)
{
    return QCoreApplication::translate("MainWindow", "'%1' is a folder, pipe or device rather than a model file "
                                                     "and has not been loaded.")
        .arg(path);
}

// Why nothing is written at the path: a folder, a pipe or a device is there.
QString notWritableMessage(const QString& path)
{
    const int cause = QFileInfo(path).isDir() ? EISDIR : int(FileError::notAFile);
    return withReason(QCoreApplication::translate("MainWindow", "The model could not be saved."),
                      describeFileError(cause, path));
}

} // namespace

// ---- File names and dialogs

QString MainWindow::getFileName(const QString& startPath, const QStringList& filters, bool open)
{
    const auto firstFilterWith = [&filters](const QString& suffix) {
        for (const QString& filter : filters)
            if (filter.contains(suffix, Qt::CaseInsensitive))
                return filter;
        return QString();
    };
    QString filter = firstFilterWith(_nativeFileSuffix);
    QString start = open ? Application::existingFolder(directory) : startPath;
    if (QFileInfo(startPath).isFile()) {
        start = startPath;
        const QString suffix = suffixOf(startPath);
        // A model read from another format is offered under its own name in
        // the native one, never over the file it was read from.
        if (!open && !_exportFileSuffixes.contains(suffix, Qt::CaseInsensitive))
            start = withNativeSuffix(startPath);
        const QString matching = suffix.isEmpty() ? QString() : firstFilterWith(suffix);
        if (!matching.isEmpty())
            filter = matching;
    }
    // Saving completes the name and checks what it names before it asks about replacing.
    const QString chosen =
        UserDialogs::current().fileName(this, open, open ? tr("Open file") : tr("Save file"), start,
                                        filters.join(QStringLiteral(";;")), &filter, open);
    const QFileInfo info(chosen);
    if (info.exists() && !info.isFile()) {
        // A pipe can be picked like a file; it is no model, and the user is told why nothing opens.
        if (open)
            displayInformationMessage(notAFileMessage(chosen));
        else
            displayWarningMessage(notWritableMessage(chosen));
        return QString();
    }
    return chosen;
}

// ---- Opening

bool MainWindow::openFile(QString path, bool untitled)
{
    if (path.isEmpty()) {
        path = getFileName(previousFileName(), _importFileFilters, true);
        if (path.isEmpty())
            return false;
    }
    const QFileInfo info(path);
    if (!info.exists()) {
        displayInformationMessage(tr("File '%1' can not be found and has not been loaded.").arg(path));
        return false;
    }
    if (!info.isFile()) {
        displayInformationMessage(notAFileMessage(path));
        return false;
    }

    // A file is read into one model only. The window showing it comes
    // forward, and reads it again when another program has changed it since;
    // reading again comes after the save question, so that what a Save
    // answer writes is what is read.
    bool rereading = false;
    if (!untitled) {
        MainWindow* showing = showsFile(path) ? this : windowShowingFile(path, nullptr);
        const bool changed = showing && showing->document->fileStamp().bytesDifferAt(path);
        if (showing && (showing != this || (!changed && openDocumentCount(document.data()) > 1))) {
            showing->bringForward();
            if (changed)
                showing->offerToReadAgain();
            return false;
        }
        rereading = showing == this;
        if (rereading && !allowCurrentDocumentToClose(true))
            return false;
    }

    const QString suffix = suffixOf(path);
    FileStamp stamp;
    // Born busy, so its analysis stays idle until the document is installed.
    QSharedPointer<DocumentModel> newDocument(new DocumentModel(units));
    QSharedPointer<ViewPoint> newViewPoint(new ViewPoint);
    QSharedPointer<CurrentState> newCurrentState(new CurrentState);
    if (_nativeFileSuffixes.contains(suffix, Qt::CaseInsensitive)) {
        const QByteArray text = readNativeFile(path, &stamp);
        if (text.isEmpty())
            return false;
        bool outOfMemory = false;
        QString tooLarge;
        if (!readXMLDocumentFile(text, newDocument, newViewPoint, newCurrentState, &outOfMemory, &tooLarge)) {
            // A sound container around damaged XML is as corrupt as a bad checksum.
            displayInformationMessage(
                outOfMemory         ? withReason(NativeContainer::messageFor(NativeContainer::Status::OutOfMemory),
                                                 describeFileError(ENOMEM, path))
                : !tooLarge.isEmpty() ? tooLarge
                                      : NativeContainer::messageFor(NativeContainer::Status::Corrupt));
            return false;
        }
    } else if (suffix.compare(transferFileSuffix, Qt::CaseInsensitive) == 0) {
        stamp = FileStamp::of(path);
        stamp.checksum = FileStamp::checksumOfFile(path);
        if (!readTransferFile(path, newDocument))
            return false;
    } else if (suffix.isEmpty()) {
        displayInformationMessage(tr("File '%1' has no suffix to tell its format and has not been loaded.")
                                      .arg(info.fileName()));
        return false;
    } else {
        displayInformationMessage(tr("Unrecognised file suffix (.%1). The file has not been loaded.").arg(suffix));
        return false;
    }

    const QSharedPointer<DocumentModel> replaced = document;
    if (!clearCurrentDocumentModel(rereading))
        return false;
    *state = *newCurrentState;
    // A model read has them already; an import was held to the save's limits with them.
    newDocument->incorporateDefaults();
    // An import stays one undoable step, marked clean below like any opened model.
    setDocumentModel(newDocument);
    setViewPoint(newViewPoint);
    setFileName(untitled ? QString() : path);
    // The other windows on the model read again show what was read, each from its own view.
    if (rereading)
        for (MainWindow* window : windowsShowing(replaced.data())) {
            const ViewPointRef ownView(window->view ? new ViewPoint(*window->view) : new ViewPoint(*newViewPoint));
            window->clearCurrentDocumentModel(true);
            *window->state = *newCurrentState;
            window->setDocumentModel(newDocument);
            window->setViewPoint(ownView);
            window->updateForFileName(path, newDocument->leafName(true));
        }
    newDocument->setFileStamp(untitled ? FileStamp() : stamp);
    newDocument->clearModifiedState();
    newDocument->lowerBusyCount();
    return true;
}

void MainWindow::offerToReadAgain()
{
    const QString question = tr("The file '%1' has been changed by another program since this window read it.\n"
                                "Do you want to read it again?")
                                 .arg(QDir::toNativeSeparators(document->path()));
    if (UserDialogs::confirm(this, question))
        openFile(document->path());
}

bool MainWindow::newFile()
{
    return openFile(templateModel, true);
}

QByteArray MainWindow::readNativeFile(const QString& path, FileStamp* read)
{
    QByteArray text;
    QString reason;
    const NativeContainer::Status status = NativeContainer::readFile(path, &text, &reason, read);
    if (status != NativeContainer::Status::Ok) {
        // Too large, the reason is the whole message: what is too large, and by how much.
        displayInformationMessage(status == NativeContainer::Status::TooLarge && !reason.isEmpty()
                                      ? reason
                                      : withReason(NativeContainer::messageFor(status), reason));
        return QByteArray();
    }
    return text;
}

bool MainWindow::readXMLDocumentFile(const QByteArray& text, QSharedPointer<DocumentModel>& document,
                                     QSharedPointer<ViewPoint>& viewPoint, QSharedPointer<CurrentState>& currentState,
                                     bool* outOfMemory, QString* tooLarge)
{
    QString error;
    bool over = false;
    // With the defaults that opening gives a model, held to the save's limits with them.
    const bool read = DocumentXml::openContent(text, document.data(), viewPoint.data(), currentState.data(), &error,
                                               outOfMemory, &over);
    if (over && tooLarge)
        *tooLarge = error;
    return read;
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
    applyEditorPages();
    if (!document)
        return false;
    // The dialog asks nothing: the name it returns is completed and checked first.
    const bool chosen = name.isEmpty();
    if (chosen) {
        name = getFileName(previousFileName(), _exportFileFilters, false);
        if (name.isEmpty())
            return false;
    }
    const bool suffixAdded = !_exportFileSuffixes.contains(suffixOf(name), Qt::CaseInsensitive);
    if (suffixAdded)
        name += (name.endsWith(QLatin1Char('.')) ? QString() : QStringLiteral(".")) + _nativeFileSuffix;
    FileStamp written;
    if (!mayWriteTo(name, chosen || suffixAdded) || !writeNativeFile(name, &written))
        return false;
    setFileName(name);
    document->setFileStamp(written);
    document->clearModifiedState();
    return true;
}

bool MainWindow::mayWriteTo(const QString& path, bool askToReplace)
{
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        displayWarningMessage(notWritableMessage(path));
        return false;
    }
    // That window's next save would put its model over this one.
    if (const MainWindow* window = windowShowingFile(path, document.data())) {
        displayWarningMessage(tr("The file '%1' is open in another window. The model has not been saved.")
                                  .arg(QDir::toNativeSeparators(window->document->path())));
        return false;
    }
    if (!info.exists())
        return true;
    if (askToReplace && !UserDialogs::confirmReplacing(this, path))
        return false;
    if (isSameFile(path, document->path()) && document->fileStamp().bytesDifferAt(path))
        return UserDialogs::confirm(this, tr("The file has been changed by another program. Replace it?"));
    return true;
}

bool MainWindow::showsFile(const QString& path) const
{
    return document && !document->path().isEmpty() && isSameFile(document->path(), path);
}

MainWindow* MainWindow::windowShowingFile(const QString& path, const DocumentModel* except)
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* window = qobject_cast<MainWindow*>(widget);
        if (window && window->document.data() != except && window->showsFile(path))
            return window;
    }
    return nullptr;
}

QList<MainWindow*> MainWindow::windowsShowing(const DocumentModel* shown)
{
    QList<MainWindow*> windows;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* window = qobject_cast<MainWindow*>(widget);
        if (window && window->document.data() == shown)
            windows << window;
    }
    return windows;
}

QByteArray MainWindow::writeXMLDocumentFile(QString* whyNotWritten) const
{
    return DocumentXml::writeContent(document.data(), view.data(), state.data(), whyNotWritten);
}

bool MainWindow::writeNativeFile(const QString& path, FileStamp* stamp)
{
    // The atomic writer leaves an existing file alone unless the new one was
    // written whole; memory running out on the way, in the text, the
    // compression or the file, fails the save as a full disk does.
    bool written = false;
    QString reason;
    try {
        const QByteArray text = writeXMLDocumentFile(&reason);
        written = !text.isEmpty() && NativeContainer::writeFile(path, text, &reason, stamp);
    } catch (const std::bad_alloc&) {
        written = false;
        reason = describeFileError(ENOMEM, path);
    }
    if (!written) {
        displayWarningMessage(withReason(tr("The model could not be saved."), reason));
        return false;
    }
    return true;
}
