#include "AppTesting.h"
#include "CurrentState.h"
#include "DocumentModel.h"
#include "DocumentXmlTesting.h"
#include "FileLimitTesting.h"
#include "FileNameCodec.h"
#include "FileUtilities.h"
#include "GeometryGroup.h"
#include "GravityCase.h"
#include "Libraries.h"
#include "LoadCaseLibrary.h"
#include "MainWindow.h"
#include "Member.h"
#include "ModelMetaTypes.h"
#include "ModelResources.h"
#include "NativeContainer.h"
#include "Node.h"
#include "PointLoad.h"
#include "ReadingBudget.h"
#include "Support.h"
#include "Titles.h"
#include "TransferReader.h"
#include "TrapezoidLoad.h"
#include "UnitSystem.h"
#include "UserDialogs.h"
#include "ViewPoint.h"
#include "TestMain.h"

#include <QDirIterator>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QUndoStack>
#include <QtEndian>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

Q_DECLARE_METATYPE(AllocationTesting::Stage)

namespace {

const QString corruptMessage = NativeContainer::messageFor(NativeContainer::Status::Corrupt);
const QString cannotLoadMessage = NativeContainer::messageFor(NativeContainer::Status::CannotLoad);

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// _data functions run before any window exists.
QByteArray templateText()
{
    QByteArray text;
    NativeContainer::readFile(QStringLiteral(":/templateDefault.varok"), &text);
    return text;
}

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// A file made by its name's bytes, as another program would, without Qt.
bool writeRawName(const QByteArray& path, const QByteArray& bytes)
{
    const int descriptor = ::open(path.constData(), O_CREAT | O_WRONLY | O_TRUNC, 0600);
    const bool written = descriptor >= 0 && ::write(descriptor, bytes.constData(), size_t(bytes.size())) == bytes.size();
    if (descriptor >= 0)
        ::close(descriptor);
    return written;
}

// A model whose name holds a Latin-1 letter, which is not UTF-8.
const QByteArray latin1Name = "caf\xe9.varou";
const QString notAFileMessage =
    QStringLiteral("'%1' is a folder, pipe or device rather than a model file and has not been loaded.");

// Nodes on shared supports in several groups, members between them, point
// and distributed loads in several loadings, a selection with counts, stored
// view points, titles, and a current state that refers into the model.
void fillRandomModel(MainWindow& window, quint32 seed)
{
    QRandomGenerator random(seed);
    const auto pick = [&random](int n) { return int(random.bounded(quint32(n))); };
    const auto between = [&random](double low, double high) { return low + random.generateDouble() * (high - low); };

    QSharedPointer<DocumentModel> document(new DocumentModel(window.unitSystem()));
    const QSharedPointer<Libraries> libraries = document->libraries();
    QList<GeometryGroupRef> groups;
    for (int i = 0; i < 1 + pick(3); ++i) {
        groups << VaroObject::make<GeometryGroup>(QStringLiteral("Group %1").arg(i));
        libraries->groupLibrary()->append(groups.last());
    }
    QList<LoadingRef> loadings;
    for (int i = 0; i < 1 + pick(3); ++i) {
        loadings << VaroObject::make<Loading>(QStringLiteral("Loading %1").arg(i));
        libraries->loadCaseLibrary()->append(loadings.last());
    }
    libraries->loadCaseLibrary()->append(VaroObject::make<GravityCase>(QStringLiteral("Gravity")));

    const QList<SupportRef> supports = {VaroObject::make<Support>(QStringLiteral("Fixed"), Dof(63)),
                                        VaroObject::make<Support>(QStringLiteral("Pinned"), Dof(7))};
    QList<VaroObjectRef> objects;
    QList<NodeRef> nodes;
    for (int i = 0; i < 3 + pick(10); ++i) {
        const NodeRef node(VaroObject::make<Node>());
        node->setPosition(Vector3(between(-20, 20), between(0, 15), between(-20, 20)));
        node->setGeometryGroup(groups[pick(groups.size())]);
        if (pick(3) == 0)
            node->setSupport(supports[pick(supports.size())]);
        nodes << node;
        objects << node;
    }
    QList<MemberRef> members;
    for (int i = 0; i < 2 + pick(12); ++i) {
        const int a = pick(nodes.size());
        const int b = (a + 1 + pick(nodes.size() - 1)) % nodes.size();
        const MemberRef member(VaroObject::make<Member>());
        member->setNodeA(nodes[a]);
        member->setNodeB(nodes[b]);
        member->setGeometryGroup(groups[pick(groups.size())]);
        member->setPinAtA(pick(4) == 0);
        members << member;
        objects << member;
    }
    for (int i = 0; i < pick(10); ++i) {
        const LoadingRef loading = loadings[pick(loadings.size())];
        const LoadRef load = pick(2) == 0 ? LoadRef(PointLoad::makeDefault(loading))
                                          : LoadRef(TrapezoidLoad::makeDefault(loading));
        load->setMember(members[pick(members.size())]);
        load->setForceAtIndex(between(-5e4, 5e4), 0);
        objects << load;
    }
    document->structureModel()->appendObjects(objects);

    QList<VaroObjectRef> selected;
    QMap<VaroObjectRef, int> counts;
    for (const VaroObjectRef& object : objects)
        if (pick(3) == 0) {
            selected << object;
            if (pick(2) == 0)
                counts.insert(object, 2 + pick(3));
        }
    document->selectionModel()->selectObjects(selected, counts);
    document->viewPointMemory()->setValueAt(pick(9), ViewPointRef(new ViewPoint));
    document->titles()->setTitle(0, 0, QStringLiteral("Model <%1> & \"more\"").arg(seed));

    QVERIFY(window.clearCurrentDocumentModel(true));
    window.setDocumentModel(document);
    window.viewPoint()->setDistance(between(5, 50));
    window.currentState()->setGroup(groups.last());
    window.currentState()->setLoadCase(loadings.last());
    document->lowerBusyCount();
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void saveThenOpenGivesTheSameModel_data();
    void saveThenOpenGivesTheSameModel();
    void corruptFileIsRefused_data();
    void corruptFileIsRefused();
    void truncatedFileIsRefusedAtEveryLength();
    void openChoosesTheReaderBySuffix_data();
    void openChoosesTheReaderBySuffix();
    void pipePickedInTheOpenDialogIsReported();
    void saveAsGivesTheNativeSuffix_data();
    void saveAsGivesTheNativeSuffix();
    void failedSaveKeepsTheOldFile();
    void saveOutOfMemoryKeepsModelAndFile_data();
    void saveOutOfMemoryKeepsModelAndFile();
    void failedSaveSaysWhy_data();
    void failedSaveSaysWhy();
    void failedOpenSaysWhy_data();
    void failedOpenSaysWhy();
    void newModelIsUntitledAndAsksForAName();
    void saveDialogOffersTheModelsName_data();
    void saveDialogOffersTheModelsName();
    void modifiedModelAsksBeforeItIsReplaced();
    void saveAsksWhenAnotherProgramChangedTheFile();
    void saveAsksOnlyWhenTheBytesChanged();
    void saveAsChecksTheChosenNameBeforeAsking();

private:
    // Opens the template and notes what a refused open must leave alone.
    void expectWindowUnchangedBy(const std::function<void()>& action);

    RecordingDialogs dialogs;
    QScopedPointer<MainWindow> window;
    QScopedPointer<QTemporaryDir> folder;
};

void TestMainWindow::initTestCase()
{
    registerModelMetaTypes();
    initialiseModelResources();
    QApplication::setApplicationName(QStringLiteral("VARO Ulmar"));
    FileNameCodec::installForLocale();
}

void TestMainWindow::init()
{
    dialogs = RecordingDialogs();
    UserDialogs::install(&dialogs);
    folder.reset(new QTemporaryDir);
    useTemporarySettings(folder->path());
    window.reset(new MainWindow);
    QVERIFY(window->newFile());
}

void TestMainWindow::cleanup()
{
    window.reset();
    UserDialogs::install(nullptr);
    AtomicWriteTesting::failNextWriteAfter(-1);
    AllocationTesting::failNextAllocationIn(AllocationTesting::Stage::None);
}

void TestMainWindow::expectWindowUnchangedBy(const std::function<void()>& action)
{
    const QSharedPointer<DocumentModel> before = window->documentModel();
    const QString title = window->windowTitle();
    const QByteArray text = window->writeXMLDocumentFile();
    action();
    QCOMPARE(window->documentModel(), before);
    QCOMPARE(window->windowTitle(), title);
    QCOMPARE(window->writeXMLDocumentFile(), text);
    QCOMPARE(before->busyCount(), 0);
}

void TestMainWindow::saveThenOpenGivesTheSameModel_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<quint32>("seed");
    QTest::newRow("template") << QStringLiteral(":/templateDefault.varok") << 0u;
    for (const QString& resources : {QStringLiteral(":/example"), QStringLiteral(":/replay")})
        for (QDirIterator i(resources, {QStringLiteral("*.varok")}); i.hasNext();) {
            const QString path = i.next();
            QTest::newRow(qPrintable(path)) << path << 0u;
        }
    for (quint32 seed = 1; seed <= 12; ++seed)
        QTest::newRow(qPrintable(QStringLiteral("random %1").arg(seed))) << QString() << seed;
}

// Ids are addresses and differ from one save to the next, so the texts are
// compared with the ids numbered in order of appearance.
void TestMainWindow::saveThenOpenGivesTheSameModel()
{
    QFETCH(QString, path);
    QFETCH(quint32, seed);
    if (seed)
        fillRandomModel(*window, seed);
    else
        QVERIFY(window->openFile(path, true));
    const QByteArray first = window->writeXMLDocumentFile();
    const QString saved = folder->filePath(QStringLiteral("model.varou"));
    QVERIFY(window->saveFileAs(saved));

    // A copy: the file itself, which the window shows, opens in no other.
    QVERIFY(QFile::copy(saved, folder->filePath(QStringLiteral("copy.varou"))));
    MainWindow other;
    QVERIFY(other.openFile(folder->filePath(QStringLiteral("copy.varou"))));
    const QByteArray second = other.writeXMLDocumentFile();
    QVERIFY(second != first);
    QCOMPARE(withNumberedIds(QString::fromUtf8(second)), withNumberedIds(QString::fromUtf8(first)));
    QCOMPARE(other.documentModel()->structureModel()->everything().size(),
             window->documentModel()->structureModel()->everything().size());
    QCOMPARE(other.documentModel()->busyCount(), 0);
    QVERIFY(!other.isWindowModified());
    QVERIFY(dialogs.boxes.isEmpty());
}

void TestMainWindow::corruptFileIsRefused_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("message");

    const QByteArray text = templateText();
    const QByteArray good = NativeContainer::pack(text);
    const auto changed = [&good](int at, char value) {
        QByteArray bytes = good;
        bytes[at] = value;
        return bytes;
    };
    const auto withLength = [&good](int at, quint32 length) {
        QByteArray bytes = good;
        qToBigEndian(length, reinterpret_cast<uchar*>(bytes.data() + at));
        return bytes;
    };

    QTest::newRow("empty") << QByteArray() << corruptMessage;
    QTest::newRow("plain XML") << text << cannotLoadMessage;
    QTest::newRow("wrong checksum") << changed(good.size() - 1, char(good.at(good.size() - 1) ^ 0x01))
                                    << corruptMessage;
    QTest::newRow("flipped body byte") << changed(good.size() / 2, char(~good.at(good.size() / 2)))
                                       << corruptMessage;
    QTest::newRow("huge body length") << withLength(2, 0x7FFFFFF0u) << corruptMessage;
    QTest::newRow("null body length") << withLength(2, 0xFFFFFFFFu) << corruptMessage;
    QTest::newRow("huge checksum length") << withLength(good.size() - 24, 0x7FFFFFF0u) << corruptMessage;

    // Sound containers around text that is no model.
    QTest::newRow("XML error") << NativeContainer::pack("<Content><Document><Titles>") << corruptMessage;
    QTest::newRow("undefined reference")
        << NativeContainer::pack("<Content><Document><Structure><Member ref=\"1\"><NodeA>99</NodeA>"
                                 "<NodeB>98</NodeB></Member></Structure></Document></Content>")
        << corruptMessage;

    // Sound containers around text that would build more than any model holds:
    // too many objects are no damage, and said as what they are. At the
    // limits the test sets, a hundred times smaller (corruptFileIsRefused).
    {
        const ScaledFileLimits scaled;
        // Nodes of thirteen units with their value.
        const qint64 nodes = FileLimits::current().cost / 13 + 1;
        QTest::newRow("objects past the budget")
            << NativeContainer::pack("<Content><Document><Structure>"
                                     + QByteArray("<Node><x/></Node>").repeated(int(nodes))
                                     + "</Structure></Document></Content>")
            << QString("The model is too large to open: it has %1 nodes, more than the %2 that a model file may hold "
                       "beside its other objects.")
                   .arg(QLocale().toString(nodes), QLocale().toString((FileLimits::current().cost - 3 * 2) / 13));
        // Written again, blocks and items nesting 240 deep below each report stand on lines
        // indented by 2 x (4 + 5 + ... + 244) = 59,768 tabs and new lines: one report more
        // than the longest text holds of them passes it by their indentation alone.
        const QByteArray report = "<Report><Block>" + QByteArray("<Item><Block>").repeated(120)
                                  + QByteArray("</Block></Item>").repeated(120) + "</Block></Report>";
        const int reports = int(FileLimits::current().modelTextSize / 59768) + 1;
        QTest::newRow("text too long to save")
            << NativeContainer::pack("<Content><Document><Reports>" + report.repeated(reports)
                                     + "</Reports></Document></Content>")
            << QString("The model is too large to open: written out, its text would pass the %1 MB that a model "
                       "file may hold.")
                   .arg(QLocale().toString(inMegabytes(FileLimits::current().modelTextSize)));
        QTest::newRow("padding past the budget")
            << NativeContainer::pack("<Content>" + QByteArray(int(FileLimits::current().textRun) + 1, ' ')
                                     + "<Document/></Content>")
            << corruptMessage;
    }

    // A valid checksum over bytes that do not decompress.
    QByteArray compressed = qCompress(text, 9);
    compressed.truncate(compressed.size() / 2);
    QByteArray forged(2, '\0');
    const QByteArray body = scramble(compressed, true);
    const QByteArray checksum = computeChecksum(compressed + "3d8a5f10c6b27e94a1f0d3c85e62b4a9");
    for (const QByteArray& part : {body, checksum}) {
        QByteArray length(4, '\0');
        qToBigEndian(quint32(part.size()), reinterpret_cast<uchar*>(length.data()));
        forged += length + part;
    }
    QTest::newRow("does not decompress") << forged << corruptMessage;
}

// The only sign is the message; the window keeps its model, title and state.
void TestMainWindow::corruptFileIsRefused()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    // The limits the rows past them were made for; far above the other rows.
    const ScaledFileLimits scaled;
    const QString path = folder->filePath(QStringLiteral("damaged.varou"));
    QVERIFY(writeBytes(path, bytes));
    expectWindowUnchangedBy([&] { QVERIFY(!window->openFile(path)); });
    QCOMPARE(dialogs.texts(), QStringList{message});
    QCOMPARE(dialogs.boxes.first().icon, QMessageBox::Information);
}

void TestMainWindow::truncatedFileIsRefusedAtEveryLength()
{
    const QByteArray good = NativeContainer::pack(window->writeXMLDocumentFile());
    const QString path = folder->filePath(QStringLiteral("cut.varok"));
    expectWindowUnchangedBy([&] {
        for (int length = 0; length < good.size(); ++length) {
            QVERIFY(writeBytes(path, good.left(length)));
            dialogs.boxes.clear();
            QVERIFY2(!window->openFile(path), qPrintable(QString::number(length)));
            QCOMPARE(dialogs.texts(), QStringList{corruptMessage});
        }
    });
}

void TestMainWindow::openChoosesTheReaderBySuffix_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("opens");
    QTest::addColumn<QString>("message");

    const QByteArray container = NativeContainer::pack(templateText());
    const QByteArray transfer = "N:1 (0 0 0) 0\nN:2 (4 0 0) 0\n";
    const QString unrecognised = QStringLiteral("Unrecognised file suffix (.%1). The file has not been loaded.");
    QTest::newRow("native in capitals") << "model.VAROK" << container << true << QString();
    QTest::newRow("own suffix") << "model.varou" << container << true << QString();
    QTest::newRow("transfer in mixed case") << "model.Varox" << transfer << true << QString();
    QTest::newRow("container as transfer") << "model.varox" << container << false << TransferReader::refusedMessage;
    QTest::newRow("transfer as native") << "model.varou" << transfer << false << corruptMessage;
    QTest::newRow("other suffix") << "model.xml" << container << false << unrecognised.arg(QStringLiteral("xml"));
    // A name without a suffix is named as it is, also when a folder above it has a dot.
    const QString noSuffix = QStringLiteral("File 'model' has no suffix to tell its format and has not been loaded.");
    QTest::newRow("no dot") << "model" << container << false << noSuffix;
    QTest::newRow("dot in a folder only") << "v1.2/model" << container << false << noSuffix;
    QTest::newRow("missing") << "absent.varou" << QByteArray() << false
                             << QStringLiteral("File '%1' can not be found and has not been loaded.");
    QTest::newRow("pipe named like a model") << "pipe.varou" << QByteArray() << false << notAFileMessage;
    QTest::newRow("pipe named like a transfer text") << "pipe.varox" << QByteArray() << false << notAFileMessage;
    QTest::newRow("folder named like a model") << "folder.varou" << QByteArray() << false << notAFileMessage;
    QTest::newRow("name that is not UTF-8") << QFile::decodeName(latin1Name) << container << true << QString();
}

void TestMainWindow::openChoosesTheReaderBySuffix()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, opens);
    QFETCH(QString, message);
    const QString path = folder->filePath(name);
    QVERIFY(QDir(folder->path()).mkpath(QStringLiteral("v1.2")));
    if (name.startsWith(QLatin1String("pipe")))
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    else if (name.startsWith(QLatin1String("folder")))
        QVERIFY(QDir(folder->path()).mkdir(name));
    else if (name.startsWith(QLatin1String("caf")))
        QVERIFY(writeRawName(QFile::encodeName(folder->path()) + '/' + latin1Name, bytes));
    else if (!name.startsWith(QLatin1String("absent")))
        QVERIFY(writeBytes(path, bytes));
    if (message.contains(QLatin1String("%1")))
        message = message.arg(path);

    const QSharedPointer<DocumentModel> before = window->documentModel();
    QCOMPARE(window->openFile(path), opens);
    QCOMPARE(dialogs.texts(), message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(window->documentModel() != before, opens);
    if (opens) {
        QCOMPARE(window->windowTitle(), QFileInfo(name).fileName() + QStringLiteral(" [*] - VARO Ulmar"));
        QCOMPARE(window->documentModel()->path(), path);
        // An import is one step that can be undone; the model opens unmodified.
        QCOMPARE(window->documentModel()->structureUndoStack()->count(), name.endsWith(QLatin1String("Varox")) ? 1 : 0);
        QVERIFY(!window->documentModel()->isModified());
    }
    if (name.endsWith(QLatin1String("Varox"))) {
        QCOMPARE(window->documentModel()->structureModel()->nodes().size(), 2);
        // Saved under its own name in the native format, never over the text it came from.
        QVERIFY(!window->saveFileAs());
        QCOMPARE(dialogs.fileRequests.last().startPath, folder->filePath(QStringLiteral("model.varou")));
    }
}

// The dialog lets a pipe be picked like a file; nothing opens, and the user learns why.
void TestMainWindow::pipePickedInTheOpenDialogIsReported()
{
    const QString pipe = folder->filePath(QStringLiteral("pipe.varou"));
    QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    dialogs.fileAnswers = QStringList{pipe};
    expectWindowUnchangedBy([&] { QVERIFY(!window->openFile()); });
    QCOMPARE(dialogs.fileRequests.size(), 1);
    QCOMPARE(dialogs.texts(), QStringList{notAFileMessage.arg(pipe)});
}

void TestMainWindow::saveAsGivesTheNativeSuffix_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("written");
    QTest::addColumn<int>("replace"); // the answer about a file already there, 0 for none there
    QTest::newRow("no suffix") << "plan" << "plan.varou" << 0;
    QTest::newRow("other edition") << "plan.varok" << "plan.varok.varou" << 0;
    QTest::newRow("capitals") << "plan.VAROU" << "plan.VAROU" << 0;
    QTest::newRow("dot in folder only") << "v1.2/plan" << "v1.2/plan.varou" << 0;
    QTest::newRow("dot at the end") << "plan." << "plan.varou" << 0;
    QTest::newRow("no suffix, over a file, no") << "plan" << "plan.varou" << int(QMessageBox::No);
    QTest::newRow("no suffix, over a file, yes") << "plan" << "plan.varou" << int(QMessageBox::Yes);
    // The dialog asks about a name it returns whole.
    QTest::newRow("suffix, over a file") << "plan.varou" << "plan.varou" << int(QMessageBox::No);
}

void TestMainWindow::saveAsGivesTheNativeSuffix()
{
    QFETCH(QString, name);
    QFETCH(QString, written);
    QFETCH(int, replace);
    QVERIFY(QDir(folder->path()).mkpath(QStringLiteral("v1.2")));
    const QFileInfo file(folder->filePath(written));
    QVERIFY(!replace || writeBytes(file.filePath(), "earlier"));
    dialogs.answer = QMessageBox::StandardButton(replace);
    const bool asked = replace && name != written, kept = asked && replace == QMessageBox::No;
    QCOMPARE(window->saveFileAs(folder->filePath(name)), !kept);
    QCOMPARE(dialogs.texts(), asked ? QStringList{"The file '" + file.filePath() + "' already exists.\nDo you want "
                                                  "to replace it?"}
                                    : QStringList());
    QCOMPARE(fileBytes(file.filePath()) == "earlier", kept);
    if (kept) {
        QVERIFY(window->documentModel()->path().isEmpty());
        return;
    }
    QVERIFY(file.isFile());
    QCOMPARE(window->documentModel()->path(), file.filePath());
    QCOMPARE(window->windowTitle(), file.fileName() + QStringLiteral(" [*] - VARO Ulmar"));
    QCOMPARE(window->documentDirectory(), file.absolutePath());
    QCOMPARE(window->previousFileName(), file.filePath());
}

// A write that stops part way, as on a full disk, must not cost the user the
// file already on disk, nor mark the model as saved.
void TestMainWindow::failedSaveKeepsTheOldFile()
{
    const QString path = folder->filePath(QStringLiteral("kept.varou"));
    QVERIFY(window->saveFileAs(path));
    const QByteArray original = fileBytes(path);
    window->documentModel()->titles()->setNote(QStringLiteral("changed"));
    window->documentModel()->structureUndoStack()->push(new QUndoCommand(QStringLiteral("edit")));
    QVERIFY(window->isWindowModified());
    const QString title = window->windowTitle();

    for (const QString& target : {path, folder->filePath(QStringLiteral("other.varou"))}) {
        dialogs.boxes.clear();
        AtomicWriteTesting::failNextWriteAfter(16);
        QVERIFY(!window->saveFileAs(target));
        QCOMPARE(dialogs.texts(), QStringList{QStringLiteral("The model could not be saved.\nThe disk is full: ") + target});
        QCOMPARE(dialogs.boxes.first().icon, QMessageBox::Warning);
        QCOMPARE(fileBytes(path), original);
        QCOMPARE(window->documentModel()->path(), path);
        QCOMPARE(window->windowTitle(), title);
        QVERIFY(window->isWindowModified());
    }
    QVERIFY(!QFileInfo::exists(folder->filePath(QStringLiteral("other.varou"))));
    QCOMPARE(QDir(folder->path()).entryList(QDir::Files), QStringList{QStringLiteral("kept.varou")});
}

void TestMainWindow::saveOutOfMemoryKeepsModelAndFile_data()
{
    QTest::addColumn<AllocationTesting::Stage>("stage");
    QTest::newRow("document text") << AllocationTesting::Stage::DocumentText;
    QTest::newRow("compression") << AllocationTesting::Stage::Compression;
    QTest::newRow("file") << AllocationTesting::Stage::FileWrite;
}

// Memory running out anywhere in a save is a failed save: the program, the
// open model and the file on disk all stay as they were, and a later save works.
void TestMainWindow::saveOutOfMemoryKeepsModelAndFile()
{
    QFETCH(AllocationTesting::Stage, stage);
    const QString path = folder->filePath(QStringLiteral("kept.varou"));
    QVERIFY(window->saveFileAs(path));
    const QByteArray original = fileBytes(path);
    window->documentModel()->titles()->setNote(QStringLiteral("changed"));
    window->documentModel()->structureUndoStack()->push(new QUndoCommand(QStringLiteral("edit")));
    const QByteArray text = window->writeXMLDocumentFile();
    const QString title = window->windowTitle();

    AllocationTesting::failNextAllocationIn(stage);
    QVERIFY(!window->saveFile());
    QCOMPARE(dialogs.texts(), QStringList{QStringLiteral("The model could not be saved.\nThere is not enough memory: ") + path});
    QCOMPARE(dialogs.boxes.first().icon, QMessageBox::Warning);
    QCOMPARE(fileBytes(path), original);
    QCOMPARE(QDir(folder->path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("kept.varou")});
    QCOMPARE(window->writeXMLDocumentFile(), text);
    QCOMPARE(window->windowTitle(), title);
    QVERIFY(window->isWindowModified());
    // The document's lock was let go on the way out.
    QVERIFY(window->documentModel()->documentLock()->tryLockForWrite(5000));
    window->documentModel()->documentLock()->unlock();

    QVERIFY(window->saveFile());
    QVERIFY(!window->isWindowModified());
    QByteArray saved;
    QCOMPARE(NativeContainer::readFile(path, &saved), NativeContainer::Status::Ok);
    QCOMPARE(withNumberedIds(QString::fromUtf8(saved)), withNumberedIds(QString::fromUtf8(text)));
}

void TestMainWindow::failedSaveSaysWhy_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("reason"); // after "The model could not be saved.", with %1 for the path
    QTest::newRow("disk full") << "full" << "plan.varou" << "The disk is full: %1";
    QTest::newRow("permission denied") << "denied" << "plan.varou" << "Permission denied: %1";
    QTest::newRow("folder missing") << "" << "gone/plan.varou" << "The folder does not exist: %1";
    // As an editor does, a file its owner made read-only is not replaced, whoever runs the program.
    QTest::newRow("write-protected, Save") << "save" << "kept.varou" << "The file is write-protected: %1";
    QTest::newRow("write-protected, Save As") << "save as" << "kept.varou" << "The file is write-protected: %1";
    // A text the reader would refuse is not written: the old file stays one that opens.
    // At the limits the test sets, a hundred times smaller (failedSaveSaysWhy).
    const ScaledFileLimits scaled;
    QTest::newRow("too large to open again")
        << "large" << "kept.varou"
        // 4 MB / 128: a limit below a megabyte is named as it is, not rounded away.
        << QString("The model is too large to save: it holds a text of more than %1 MB without a break.")
               .arg(QLocale().toString(0.03125));
}

// The warning says what the system said, and where; the file on disk and
// the open model stay as they were.
void TestMainWindow::failedSaveSaysWhy()
{
    QFETCH(QString, kind);
    QFETCH(QString, name);
    QFETCH(QString, reason);
    // The limits the row past one was made for; far above the other rows.
    const ScaledFileLimits scaled;
    const QString kept = folder->filePath(QStringLiteral("kept.varou"));
    QVERIFY(window->saveFileAs(kept));
    const QByteArray original = fileBytes(kept);
    const QString path = folder->filePath(name);
    if (kind.startsWith(QLatin1String("save")))
        QVERIFY(QFile::setPermissions(kept, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));
    else if (kind == "full")
        AtomicWriteTesting::failNextWriteAfter(16);
    else if (kind == "denied")
        AtomicWriteTesting::failNextWriteAfter(0, EACCES);
    const QString note = kind == "large" ? QString(int(FileLimits::current().textRun) + 1, QLatin1Char('n'))
                                         : QStringLiteral("changed");
    window->documentModel()->titles()->setNote(note);
    window->documentModel()->structureUndoStack()->push(new QUndoCommand(QStringLiteral("edit")));
    const QString title = window->windowTitle();

    QVERIFY(!(kind == "save" || kind == "large" ? window->saveFile() : window->saveFileAs(path)));
    QCOMPARE(dialogs.texts(),
             QStringList{"The model could not be saved.\n" + (reason.contains("%1") ? reason.arg(path) : reason)});
    QCOMPARE(dialogs.boxes.first().icon, QMessageBox::Warning);
    QCOMPARE(fileBytes(kept), original);
    QCOMPARE(QDir(folder->path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("kept.varou")});
    QCOMPARE(window->documentModel()->path(), kept);
    QCOMPARE(window->windowTitle(), title);
    QVERIFY(window->isWindowModified());
    QCOMPARE(window->documentModel()->titles()->note(), note);
}

void TestMainWindow::failedOpenSaysWhy_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason"); // after "The file cannot be loaded.", with %1 for the path
    QTest::newRow("not readable") << "unreadable" << "Permission denied: %1";
    // Memory running out is no sign of a damaged file.
    QTest::newRow("memory runs out unpacking") << "unpacking" << "There is not enough memory: %1";
    QTest::newRow("memory runs out reading the model") << "reading" << "There is not enough memory: %1";
}

void TestMainWindow::failedOpenSaysWhy()
{
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    const QString path = folder->filePath(QStringLiteral("plan.varou"));
    QVERIFY(window->saveFileAs(path));
    QVERIFY(window->newFile());
    if (kind == "unreadable")
        FileReadTesting::refuseNextOpen();
    else
        AllocationTesting::failNextAllocationIn(kind == "unpacking" ? AllocationTesting::Stage::FileRead
                                                                    : AllocationTesting::Stage::DocumentRead);
    expectWindowUnchangedBy([&] { QVERIFY(!window->openFile(path)); });
    QCOMPARE(dialogs.texts(), QStringList{"The file cannot be loaded.\n" + reason.arg(path)});
    // The file itself is sound.
    dialogs.boxes.clear();
    QVERIFY(window->openFile(path));
    QVERIFY(dialogs.boxes.isEmpty());
}

void TestMainWindow::newModelIsUntitledAndAsksForAName()
{
    QCOMPARE(window->windowTitle(), QStringLiteral("Untitled [*] - VARO Ulmar"));
    QVERIFY(window->documentModel()->path().isEmpty());
    QVERIFY(!window->documentModel()->loadCases().isEmpty());

    QVERIFY(!window->saveFile());
    QCOMPARE(dialogs.fileRequests.size(), 1);
    QCOMPARE(dialogs.fileRequests[0].open, false);
    QCOMPARE(dialogs.fileRequests[0].caption, QStringLiteral("Save file"));
    QCOMPARE(dialogs.fileRequests[0].filters, _exportFileFilters.join(QStringLiteral(";;")));
    QCOMPARE(dialogs.fileRequests[0].selectedFilter, QStringLiteral("VARO Ulmar (*varou)"));
    QVERIFY(dialogs.boxes.isEmpty());

    // Opening starts at a saved file with its own filter; a folder chosen is no file.
    const QString saved = folder->filePath(QStringLiteral("first.varok"));
    QVERIFY(NativeContainer::writeFile(saved, window->writeXMLDocumentFile()));
    dialogs.fileAnswers = QStringList{saved, folder->path()};
    QVERIFY(window->openFile());
    QCOMPARE(window->getFileName(window->previousFileName(), _importFileFilters, true), QString());
    QCOMPARE(dialogs.fileRequests[2].caption, QStringLiteral("Open file"));
    QCOMPARE(dialogs.fileRequests[2].selectedFilter, QStringLiteral("VARO-K (*.varok)"));
}

void TestMainWindow::saveDialogOffersTheModelsName_data()
{
    // The document folder, the model's file in it, and the start offered:
    // "gone" is removed before the dialog opens, "~" is the home folder.
    QTest::addColumn<QString>("documents");
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("offered");
    QTest::newRow("folder there") << "kept" << QString() << "kept/Untitled";
    QTest::newRow("folder gone") << "gone" << QString() << "~/Untitled";
    QTest::newRow("saved, then the folder gone") << "gone" << "plan.v2.varou" << "~/plan.v2";
}

// Where Save As and Open start when the model has no file: never in a
// folder that is not there, whose name a dialog would offer as the file's.
void TestMainWindow::saveDialogOffersTheModelsName()
{
    QFETCH(QString, documents);
    QFETCH(QString, model);
    QFETCH(QString, offered);
    QVERIFY(QDir(folder->path()).mkpath(QStringLiteral("kept")) && QDir(folder->path()).mkpath(QStringLiteral("gone")));
    Application::_settings->setValue(QStringLiteral("documentDirectory"), folder->filePath(documents));
    window.reset(new MainWindow);
    QVERIFY(window->newFile());
    QVERIFY(model.isEmpty() || window->saveFileAs(folder->filePath(QStringLiteral("gone/") + model)));
    QVERIFY(QDir(folder->filePath(QStringLiteral("gone"))).removeRecursively());
    dialogs.fileRequests.clear();
    QVERIFY(!window->saveFileAs(QString()));
    QVERIFY(!window->openFile());
    const QString start = offered.startsWith('~') ? QDir::home().filePath(offered.mid(2)) : folder->filePath(offered);
    QCOMPARE(dialogs.fileRequests.size(), 2);
    QCOMPARE(dialogs.fileRequests[0].startPath, start);
    QCOMPARE(dialogs.fileRequests[1].startPath, QFileInfo(start).path());
}

void TestMainWindow::modifiedModelAsksBeforeItIsReplaced()
{
    window->documentModel()->structureUndoStack()->push(new QUndoCommand(QStringLiteral("edit")));
    const QString question = QStringLiteral("This model has been modified.\nDo you want to save your changes?");

    dialogs.answer = QMessageBox::Cancel;
    expectWindowUnchangedBy([&] { QVERIFY(!window->newFile()); });
    QCOMPARE(dialogs.texts(), QStringList{question});

    // Another window on the same document: this one is not the last, so nobody is asked.
    {
        MainWindow second(window->unitSystem());
        second.setDocumentModel(window->documentModel());
        dialogs.boxes.clear();
        QVERIFY(window->newFile());
        QVERIFY(dialogs.boxes.isEmpty());
    }

    window->documentModel()->structureUndoStack()->push(new QUndoCommand(QStringLiteral("edit")));
    dialogs.answer = QMessageBox::Discard;
    dialogs.boxes.clear();
    QVERIFY(window->newFile());
    QCOMPARE(dialogs.texts(), QStringList{question});
    QVERIFY(!window->isWindowModified());

    // The file the window shows, opened again after a Save answer, shows the edits saved.
    const QString path = folder->filePath(QStringLiteral("kept.varou"));
    QVERIFY(window->saveFileAs(path));
    window->documentModel()->titles()->setNote(QStringLiteral("edited"));
    window->documentModel()->structureUndoStack()->push(new QUndoCommand(QStringLiteral("edit")));
    dialogs.answer = QMessageBox::Save;
    QVERIFY(window->openFile(path));
    QCOMPARE(window->documentModel()->titles()->note(), QStringLiteral("edited"));
    QVERIFY(!window->isWindowModified());
}

// Stamped at opening and at saving: a change by another program since is
// replaced only on a yes.
void TestMainWindow::saveAsksWhenAnotherProgramChangedTheFile()
{
    const QString path = folder->filePath(QStringLiteral("kept.varou"));
    QVERIFY(window->saveFileAs(path) && window->newFile() && window->openFile(path));
    QVERIFY(writeBytes(path, "another program's"));
    window->documentModel()->structureUndoStack()->push(new QUndoCommand(QStringLiteral("edit")));
    dialogs.answer = QMessageBox::No;
    QVERIFY(!window->saveFile());
    QCOMPARE(dialogs.texts(), QStringList{"The file has been changed by another program. Replace it?"});
    QCOMPARE(dialogs.boxes[0].defaultButton, QMessageBox::No);
    QCOMPARE(fileBytes(path), QByteArray("another program's"));
    QVERIFY(window->isWindowModified());
    dialogs.answer = QMessageBox::Yes;
    QVERIFY(window->saveFile() && window->saveFile());
    QCOMPARE(dialogs.boxes.size(), 2);
    QVERIFY(fileBytes(path) != "another program's");
}

// A touch changes times and no byte; a rewrite may keep the size and set the time back.
void TestMainWindow::saveAsksOnlyWhenTheBytesChanged()
{
    const QString path = folder->filePath(QStringLiteral("kept.varou"));
    QVERIFY(window->saveFileAs(path));
    const QByteArray name = QFile::encodeName(path);
    struct stat saved = {};
    QVERIFY(::stat(name.constData(), &saved) == 0);
    const struct timespec later[2] = {saved.st_atim, {saved.st_mtim.tv_sec + 60, 0}};
    QVERIFY(::utimensat(AT_FDCWD, name.constData(), later, 0) == 0);
    window->documentModel()->structureUndoStack()->push(new QUndoCommand(QStringLiteral("edit")));
    QVERIFY(window->saveFile() && dialogs.boxes.isEmpty());
    QByteArray bytes = fileBytes(path);
    bytes[0] = char(~bytes.at(0));
    QVERIFY(::stat(name.constData(), &saved) == 0 && writeBytes(path, bytes));
    const struct timespec back[2] = {saved.st_atim, saved.st_mtim};
    QVERIFY(::utimensat(AT_FDCWD, name.constData(), back, 0) == 0);
    window->documentModel()->structureUndoStack()->push(new QUndoCommand(QStringLiteral("edit")));
    dialogs.answer = QMessageBox::No;
    QVERIFY(!window->saveFile());
    QCOMPARE(dialogs.texts(), QStringList{"The file has been changed by another program. Replace it?"});
}

// The dialog asks nothing: the program completes the name, then refuses a
// folder and asks about a file.
void TestMainWindow::saveAsChecksTheChosenNameBeforeAsking()
{
    const QString path = folder->filePath(QStringLiteral("plan.varou"));
    QVERIFY(QDir(folder->path()).mkdir(QStringLiteral("plan.varou")));
    dialogs.fileAnswers = QStringList{folder->filePath(QStringLiteral("plan")), path};
    dialogs.answer = QMessageBox::No;
    QVERIFY(!window->saveFileAs(QString()) && !dialogs.fileRequests[0].confirmReplacing);
    QVERIFY(QDir(folder->path()).rmdir(QStringLiteral("plan.varou")) && writeBytes(path, "earlier"));
    QVERIFY(!window->saveFileAs(QString()));
    QCOMPARE(dialogs.texts(), QStringList({"The model could not be saved.\nIt is a folder: " + path,
                                           "The file '" + path + "' already exists.\nDo you want to replace it?"}));
}

VARO_TEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
