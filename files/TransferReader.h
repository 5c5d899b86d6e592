#pragma once

#include "FileUtilities.h"
#include "ModelRefs.h"
#include "ReadingBudget.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

class DocumentModel;
class Libraries;
class TransferScanner;

// What one accepted transfer text adds to a document.
struct TransferImport
{
    // Nodes, members and loads in text order: they enter the structure together.
    QList<VaroObjectRef> objects;
    // Load cases and geometry groups, ordered by record name as text.
    QList<VaroObjectRef> libraryEntries;
    // The version in force after the last record.
    int formatVersion = 1;
    // What bounds the text it is saved as: the objects each record letter
    // made, the factors of the combinations and sway cases, and the texts
    // read with their characters.
    QMap<char, qint64> made;
    qint64 factors = 0;
    qint64 texts = 0;
    qint64 textCharacters = 0;

    // Appends each load case and geometry group to its library.
    void addEntriesToLibraries(const Libraries& libraries) const;
};

// Reads the line records of a transfer text (".varox") into new model
// objects, all or nothing: the first record refused ends the reading and
// nothing of the text is kept.
class TransferReader
{
public:
    static const QString cannotOpenMessage;
    static const QString refusedMessage;
    // True, with `result` filled, when every record of the text is accepted
    // and the text stays inside the reading budget.
    static bool read(const QByteArray& text, TransferImport* result);
    // Reads a regular file through Qt; on failure `message` holds the text for
    // the user. An empty file is refused.
    static bool readFile(const QString& path, TransferImport* result, QString* message);
    // Reads the file into the document, which is left untouched when the
    // text is refused; on failure `message` holds the text for the user. A
    // model that the save would refuse, as a model of its own with what
    // opening adds, is refused as too large to open, saying what is too large.
    static bool readFileIntoDocument(const QString& path, DocumentModel& document, QString* message);
    // Why the model imported, as a new document of its own with the default
    // load cases, could not be saved, in the save's words; empty when it can.
    // Its text is written and counted only when a bound of it passes a limit
    // of what a model file may hold. The document (a new one) gives its titles.
    static QString whyNotSavable(const TransferImport& imported, const DocumentModel& document);
    // As one pending writer under the document's write lock: shares or adds
    // the materials, appends the nodes, members and loads as one undoable
    // step, and adds the load cases and geometry groups to the libraries.
    static void addToDocument(const TransferImport& imported, DocumentModel& document);

    // A count from 1 to 7, then that many quoted texts of at most 254 bytes.
    // Empty on any fault; `badText` is set when a text is not UTF-8.
    static QStringList readStringList(TransferScanner& scanner, bool* badText = nullptr);
    // The factor list of a combination or sway case, up to its closing entry:
    // loading numbers in version 1, lettered references (C, G, W) from version 2.
    static bool readSuperLoadCase(const SuperLoadCaseRef& loadCase, const QMap<QString, VaroObjectRef>& names,
                                  TransferScanner& scanner, int version);
};
