#pragma once

#include <QByteArray>
#include <QList>
#include <QMainWindow>
#include <QSharedPointer>
#include <QString>
#include <QStringList>

class CurrentState;
class DocumentModel;
class UnitSystem;
class ViewPoint;

// One window on one document, seen through the window's own current state
// and view point. The document is replaced only once a new one has been read
// completely; a file that fails to load leaves the window as it was.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    // Without a unit system the window makes its own.
    explicit MainWindow(const QSharedPointer<UnitSystem>& unitSystem = QSharedPointer<UnitSystem>(),
                        QWidget* parent = nullptr);
    ~MainWindow() override;

    QSharedPointer<DocumentModel> documentModel() const { return document; }
    QSharedPointer<CurrentState> currentState() const { return state; }
    QSharedPointer<ViewPoint> viewPoint() const { return view; }
    QSharedPointer<UnitSystem> unitSystem() const { return units; }
    // Where the open and save dialogs start.
    QString documentDirectory() const { return directory; }

    // The document's file when it exists, else the document directory.
    QString previousFileName() const;
    // The chosen path; empty when cancelled or when it names no regular file.
    QString getFileName(const QString& startPath, const QStringList& filters, bool open);

    // Empty, with the message shown, when the file is refused.
    QByteArray readNativeFile(const QString& path);
    // False, with the warning shown, when nothing was written; an existing
    // file at the path is then left as it was.
    bool writeNativeFile(const QString& path);
    // Empty without a document.
    QByteArray writeXMLDocumentFile() const;
    // Fills the three objects, which the caller made new; false on an XML
    // error or a broken reference.
    bool readXMLDocumentFile(const QByteArray& text, QSharedPointer<DocumentModel>& document,
                             QSharedPointer<ViewPoint>& viewPoint, QSharedPointer<CurrentState>& currentState);
    // The document is left untouched, and the message shown, when the text is refused.
    bool readTransferFile(const QString& path, QSharedPointer<DocumentModel>& document);

    // Unless forced, asks whether to save a modified document that no other
    // window shows; false when the user cancels or the save fails. Then the
    // window lets go of the document.
    bool clearCurrentDocumentModel(bool force);
    void setDocumentModel(const QSharedPointer<DocumentModel>& document);
    void setViewPoint(const QSharedPointer<ViewPoint>& viewPoint);

public slots:
    // An empty path asks for one; an untitled document has no file name.
    bool openFile(QString path = QString(), bool untitled = false);
    bool newFile();
    bool saveFile();
    // An empty name asks for one; a name without the native suffix gets it.
    bool saveFileAs(QString name = QString());
    void displayWarningMessage(const QString& message);
    void displayInformationMessage(const QString& message);

signals:
    void ModifiedStateHasChanged(bool modified);

private slots:
    void setFileName(const QString& path);
    void updateForFileName(const QString& path, const QString& shortName);
    void documentModifiedStateHasChanged();

private:
    // One entry per window showing a document.
    static QList<const DocumentModel*> _openDocuments;

    bool allowCurrentDocumentToClose();

    QSharedPointer<DocumentModel> document;
    QSharedPointer<CurrentState> state;
    QSharedPointer<ViewPoint> view;
    QSharedPointer<UnitSystem> units;
    QString directory;
};
