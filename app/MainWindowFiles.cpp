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

// One file by two names: the same file once links are followed, or, for a
// file not (or no longer) there, the same absolute path.
bool isSameFile(const QString& a, const QString& b)
{
    const QFileInfo x(a), y(b);
    if (x.exists() && y.exists())
        return x.canonicalFilePath() == y.canonicalFilePath();
    return QDir::cleanPath(x.absoluteFilePath()) == QDir::cleanPath(y.absoluteFilePath());
}

QString notAFileMessage(const QString& path)
{
    return QCoreApplication::translate("MainWindow", "'%1' is a folder, pipe or device rather than a model file "
                                                     "and has not been loaded.")
        .arg(path);
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
    const QString chosen = UserDialogs::current().fileName(
        this, open, open ? tr("Open file") : tr("Save file"), start, filters.join(QStringLiteral(";;")), &filter);
    const QFileInfo info(chosen);
    if (info.exists() && !info.isFile()) {
        // A pipe can be picked like a file; it is no model, and the user is told why nothing opens.
        if (open)
            displayInformationMessage(notAFileMessage(chosen));
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

    // A file is read into one model only; reading again the file this window
    // alone shows comes after the save question, so that what a Save answer
    // writes is what is read.
    bool rereading = false;
    if (!untitled) {
        MainWindow* showing = showsFile(path) ? this : windowShowingFile(path, nullptr);
        if (showing && (showing != this || openDocumentCount(document.data()) > 1)) {
            showing->bringForward();
            return false;
        }
        rereading = showing == this;
        if (rereading && !allowCurrentDocumentToClose())
            return false;
    }

    const QString suffix = suffixOf(path);
    const FileStamp stamp = FileStamp::of(path);
    // Born busy, so its analysis stays idle until the document is installed.
    QSharedPointer<DocumentModel> newDocument(new DocumentModel(units));
    QSharedPointer<ViewPoint> newViewPoint(new ViewPoint);
    QSharedPointer<CurrentState> newCurrentState(new CurrentState);
    if (_nativeFileSuffixes.contains(suffix, Qt::CaseInsensitive)) {
        const QByteArray text = readNativeFile(path);
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

    if (!clearCurrentDocumentModel(rereading))
        return false;
    *state = *newCurrentState;
    newDocument->incorporateDefaults();
    // An import stays one undoable step, marked clean below like any opened model.
    setDocumentModel(newDocument);
    setViewPoint(newViewPoint);
    setFileName(untitled ? QString() : path);
    newDocument->setFileStamp(untitled ? FileStamp() : stamp);
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
    QString reason;
    const NativeContainer::Status status = NativeContainer::readFile(path, &text, &reason);
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
    const bool read = DocumentXml::readContent(text, document.data(), viewPoint.data(), currentState.data(), &error,
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
    if (name.isEmpty()) {
        name = getFileName(previousFileName(), _exportFileFilters, false);
        if (name.isEmpty())
            return false;
    }
    const bool suffixAdded = !_exportFileSuffixes.contains(suffixOf(name), Qt::CaseInsensitive);
    if (suffixAdded)
        name += QLatin1Char('.') + _nativeFileSuffix;
    if (!mayWriteTo(name, suffixAdded) || !writeNativeFile(name))
        return false;
    setFileName(name);
    document->setFileStamp(FileStamp::of(name));
    document->clearModifiedState();
    return true;
}

bool MainWindow::mayWriteTo(const QString& path, bool suffixAdded)
{
    // That window's next save would put its model over this one.
    if (const MainWindow* window = windowShowingFile(path, document.data())) {
        displayWarningMessage(tr("The file '%1' is open in the window \"%2\". The model has not been saved.")
                                  .arg(path, window->shownTitle()));
        return false;
    }
    if (!QFileInfo::exists(path))
        return true;
    // The dialog asks about the name it returns, never about the one the suffix completes.
    if (suffixAdded && !UserDialogs::confirmReplacing(this, path))
        return false;
    const FileStamp remembered = document->fileStamp();
    if (remembered.isValid() && isSameFile(path, document->path()) && FileStamp::of(path) != remembered)
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

QByteArray MainWindow::writeXMLDocumentFile(QString* whyNotWritten) const
{
    return DocumentXml::writeContent(document.data(), view.data(), state.data(), whyNotWritten);
}

bool MainWindow::writeNativeFile(const QString& path)
{
    // The atomic writer leaves an existing file alone unless the new one was
    // written whole; memory running out on the way, in the text, the
    // compression or the file, fails the save as a full disk does.
    bool written = false;
    QString reason;
    try {
        const QByteArray text = writeXMLDocumentFile(&reason);
        written = !text.isEmpty() && NativeContainer::writeFile(path, text, &reason);
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
