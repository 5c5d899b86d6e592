#include "DocumentTesting.h"

#include "AnalysisDisposal.h"
#include "DisposalTesting.h"
#include "DocumentCommands.h"
#include "GuiWatchdog.h"
#include "ReportCommands.h"
#include "SectionLibrary.h"
#include "SelectionCommands.h"
#include "StructureCommands.h"
#include "TestMain.h"

#include <QDeadlineTimer>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QtTest>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include <dlfcn.h>
#include <malloc.h>

namespace {

// The fast bins' size the program asked the allocator for, -1 until it asks.
// Constant-initialised, so that it is there for a setting made at any static
// initialisation.
int fastBinsAskedFor = -1;

// The blocks this thread has given back to the allocator: the work of
// freeing, counted the same however busy the machine is. Constant-
// initialised, for a block freed before main.
thread_local long blocksFreedHere = 0;

} // namespace

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
// A sanitizer's allocator tells of every block it frees.
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*allocated)(const volatile void*, size_t),
                                                         void (*freed)(const volatile void*));
static const bool freesHeard = __sanitizer_install_malloc_and_free_hooks(
    [](const volatile void*, size_t) {}, [](const volatile void*) { ++blocksFreedHere; }) != 0;
#else
extern "C" void __libc_free(void* block);
// Every block the program frees passes here on its way to the system's allocator.
extern "C" void free(void* block) noexcept
{
    ++blocksFreedHere;
    __libc_free(block);
}
static const bool freesHeard = true;
#endif

// Sees the settings the program makes, and passes each on to the allocator
// it runs on, a sanitizer's or the system's.
extern "C" int mallopt(int parameter, int value) noexcept
{
    if (parameter == M_MXFAST)
        fastBinsAskedFor = value;
    typedef int (*Setting)(int, int);
    static const Setting next = reinterpret_cast<Setting>(dlsym(RTLD_NEXT, "mallopt"));
    return next ? next(parameter, value) : 0;
}

namespace {

// Stands in for the analysis thread: it runs until asked to stop or told to
// end by itself, and can emit the analysis signals from its own thread.
class FakeAnalysis : public QThread, public AnalysisLink
{
    Q_OBJECT

public:
    std::atomic<bool> keepRunning{true};
    std::atomic<bool> emitOutput{false};
    std::atomic<int> stops{0};
    std::atomic<bool> returned{false}; // ended by itself, not cut off
    std::atomic<bool> finishingAStep{false}; // goes on, though asked to stop
    std::function<void()> whenDestroyed;

    ~FakeAnalysis() override
    {
        if (whenDestroyed)
            whenDestroyed();
    }

    OperatingState operatingState() const override { return NoResults; }
    QSharedPointer<AnalysisOutput> output() const override { return {}; }
    QString statusMessage() const override { return QString(); }
    VaroObjectRef statusObject() const override { return {}; }
    void stop() override
    {
        ++stops;
        keepRunning = false;
    }

signals:
    void OperatingStateChanged();
    void OutputChanged();
    void StatusChanged();

protected:
    void run() override
    {
        while (keepRunning || finishingAStep) {
            if (emitOutput.exchange(false))
                emit OutputChanged();
            msleep(1);
        }
        returned = true;
    }
};

// Registers the fake for the documents made while it lives.
class FakeAnalysisFactory
{
public:
    FakeAnalysisFactory()
    {
        DocumentModel::setAnalysisFactory([this](DocumentModel*) {
            made = QSharedPointer<FakeAnalysis>(new FakeAnalysis);
            return made.staticCast<QObject>();
        });
    }
    ~FakeAnalysisFactory() { DocumentModel::setAnalysisFactory(DocumentModel::AnalysisFactory()); }

    QSharedPointer<FakeAnalysis> made;
};

QSharedPointer<TreeLibrary_base> libraryNumber(const Libraries& libraries, int index)
{
    return QList<QSharedPointer<TreeLibrary_base>>{libraries.groupLibrary(), libraries.loadCaseLibrary(),
                                                   libraries.materialLibrary(), libraries.sectionLibrary()}
        .value(index);
}

// Every entry of the tree below the node, counted with a stack of its own.
int entriesBelow(const TreeNodeRef& node)
{
    int entries = 0;
    QList<TreeNodeRef> waiting{node};
    while (!waiting.isEmpty()) {
        const QList<TreeNodeRef> subnodes = waiting.takeLast()->subnodes();
        entries += subnodes.size();
        waiting += subnodes;
    }
    return entries;
}

} // namespace

class TestDocument : public QObject
{
    Q_OBJECT

private slots:
    void leafNameDropsOnlyTheLastSuffix_data();
    void leafNameDropsOnlyTheLastSuffix();
    void aFileNameIsStoredAndAnnouncedUnderTheWriteLock();
    void aReportEditKeepsTheDocumentModified();
    void reportLoadCasesKeepTheirMarker();
    void changesComeOncePerKindAndPass();
    void libraryChangesRaiseTheirStamps_data();
    void libraryChangesRaiseTheirStamps();
    void theAnalysisRunsFromConstructionToDestruction();
    void anAnalysisThatEndsByItselfIsReportedOnce();
    void anEndedAnalysisGoesOnceItsThreadHasReturned();
    void aClosedModelIsPendingUntilItHasGone();
    void objectsAnotherThreadLetsGoOfGoASliceAtATime();
    void aStepTheHistoryLetsGoOfGoesAPieceAtATime_data();
    void aStepTheHistoryLetsGoOfGoesAPieceAtATime();
    void aSharedSectionLibraryGoesWithItsLastHolder_data();
    void aSharedSectionLibraryGoesWithItsLastHolder();
    void theProgramsEndWaitsForAnalysesButNotForFreeing();
    void theProgramsEndLeavesTheRestOfAListBeingFreed();
    void smallBlocksFreedDoNotWaitToBeSortedAtOnce();
    void theAllocatorIsAskedForNoFastBins();
    void aWriterCountsItselfBeforeItWaitsForTheLock();
    void askingAgainUnderTheThreadsOwnWriteLockGoesOn();
    void aReaderIsNotHeldLongByAStormOfWriters();
};

void TestDocument::leafNameDropsOnlyTheLastSuffix_data()
{
    QTest::addColumn<QString>("leaf");
    QTest::addColumn<QString>("withoutSuffix");
    QTest::addColumn<QString>("suffix");
    QTest::newRow("two dots") << "frame.2.dat" << "frame.2" << "dat";
    QTest::newRow("no dot") << "frame" << "frame" << "frame";
    QTest::newRow("trailing dot") << "frame." << "frame" << "";
}

void TestDocument::leafNameDropsOnlyTheLastSuffix()
{
    QFETCH(QString, leaf);
    const QSharedPointer<DocumentModel> document = newDocument();
    document->setFileName("/models/" + leaf, leaf);
    QCOMPARE(document->leafName(true), leaf);
    QTEST(document->leafName(false), "withoutSuffix");
    QTEST(document->leafNameSuffix(), "suffix");
}

void TestDocument::aFileNameIsStoredAndAnnouncedUnderTheWriteLock()
{
    const QSharedPointer<DocumentModel> document = newDocument();
    bool lockedWhileAnnounced = false;
    connect(document.data(), &DocumentModel::FileNameHasChanged, this, [&] {
        lockedWhileAnnounced = !document->documentLock()->tryLockForRead();
        if (!lockedWhileAnnounced)
            document->documentLock()->unlock();
    });
    QSignalSpy spy(document.data(), &DocumentModel::FileNameHasChanged);

    document->setFileName("/models/frame.varou", "frame.varou");
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.first(), (QVariantList{"/models/frame.varou", "frame.varou"}));
    QVERIFY(lockedWhileAnnounced);

    // The same path with another leaf name changes nothing.
    document->setFileName("/models/frame.varou", "other.varou");
    QCOMPARE(spy.count(), 1);
    QCOMPARE(document->leafName(true), QString("frame.varou"));
}

void TestDocument::aReportEditKeepsTheDocumentModified()
{
    const QSharedPointer<DocumentModel> document = newDocument();
    Frame frame(document.data());
    QSignalSpy modified(document.data(), &DocumentModel::ModifiedStateHasChanged);

    document->reportUndoStack()->push(new CommandAppendReports(document->reportModel(), {VaroObject::make<Report>()}));
    QVERIFY(document->isModified());
    pushCommand(document.data(), new CommandSwapMemberEnds(document->structureModel(), frame.members));
    document->structureUndoStack()->undo();
    QVERIFY(document->structureUndoStack()->isClean());
    QVERIFY(document->isModified());
    QVERIFY(modified.count() >= 1);

    document->clearModifiedState();
    QVERIFY(!document->isModified());
}

// Load cases in a report block keep the marker between the chosen ones; a
// block that is not there is left alone rather than dereferenced, though
// each change still signals once each way and counts once.
void TestDocument::reportLoadCasesKeepTheirMarker()
{
    ReportModel model;
    const ReportRef report(VaroObject::make<Report>());
    const Report::ReportBlockRef block = report->rootBlock();
    const LoadCaseRef dead(VaroObject::make<Loading>()), live(VaroObject::make<Loading>()), wind(VaroObject::make<Loading>());

    QCOMPARE(block->loadCaseMarker(), 0);
    model.insertLoadCaseIntoReport(report, block, dead, LoadCaseRef());
    model.insertLoadCaseIntoReport(report, block, wind, LoadCaseRef());
    model.insertLoadCaseIntoReport(report, block, live, wind);
    QCOMPARE(block->loadCases(), QList<LoadCaseRef>({dead, live, wind}));
    QCOMPARE(block->loadCaseMarker(), 1);

    QCOMPARE(model.removeLoadCaseFromReport(report, block, dead), live);
    QCOMPARE(model.removeLoadCaseFromReport(report, block, wind), LoadCaseRef());
    QCOMPARE(model.removeLoadCaseFromReport(report, block, live), LoadCaseRef());
    QVERIFY(block->loadCases().isEmpty());
    QCOMPARE(block->loadCaseMarker(), 1);

    QSignalSpy will(&model, &ReportModel::ReportsWillChange), has(&model, &ReportModel::ReportsHaveChanged);
    const int count = model.changeCount();
    model.insertLoadCaseIntoReport(report, Report::ReportBlockRef(), dead, LoadCaseRef());
    QCOMPARE(model.removeItemFromReport(report, Report::ReportBlockRef(), Report::ReportItemRef()),
             Report::ReportItemRef());
    QCOMPARE(will.count(), 2);
    QCOMPARE(has.count(), 2);
    QCOMPARE(model.changeCount(), count + 2);
}

void TestDocument::changesComeOncePerKindAndPass()
{
    const QSharedPointer<DocumentModel> document = newDocument();
    Frame frame(document.data());
    QCoreApplication::processEvents();
    QSignalSpy structure(document.data(), &DocumentModel::StructureHasChanged);
    QSignalSpy selection(document.data(), &DocumentModel::SelectionHasChanged);
    QSignalSpy reports(document.data(), &DocumentModel::ReportsHaveChanged);
    QSignalSpy titles(document.data(), &DocumentModel::TitlesHaveChanged);
    const QList<QSignalSpy*> spies{&structure, &selection, &reports, &titles};

    for (int pass = 0; pass < 2; ++pass) {
        {
            DocumentWriteGuard guard(document.data());
            UndoMacroGuard macro(document->structureUndoStack().data(), "Ten moves");
            for (int i = 0; i < 10; ++i)
                document->structureUndoStack()->push(new CommandMoveNodesBy(
                    document->structureModel(), {{frame.nodes[0], 1.0}}, Vector3(1, 0, 0), false));
            for (const MemberRef& member : frame.members)
                document->structureUndoStack()->push(
                    new CommandSelect(document->selectionModel(), {member}, QMap<VaroObjectRef, int>()));
            const TitlesRef edited(new Titles);
            edited->setTitle(0, 0, QString("Pass %1").arg(pass));
            document->structureUndoStack()->push(new CommandSetTitles(document->titles(), edited));
            document->structureUndoStack()->push(new CommandSetTitles(document->titles(), TitlesRef(new Titles)));
        }
        document->reportUndoStack()->push(new CommandAppendReports(document->reportModel(), {VaroObject::make<Report>()}));
        document->reportUndoStack()->push(new CommandAppendReports(document->reportModel(), {VaroObject::make<Report>()}));
        QCOMPARE(structure.count(), pass);

        QTRY_COMPARE(titles.count(), pass + 1);
        QCoreApplication::processEvents();
        for (QSignalSpy* spy : spies)
            QCOMPARE(spy->count(), pass + 1);
    }
}

void TestDocument::libraryChangesRaiseTheirStamps_data()
{
    QTest::addColumn<int>("library");
    QTest::addColumn<int>("group");
    QTest::addColumn<int>("loadCase");
    QTest::addColumn<int>("stiffness");
    QTest::newRow("groups") << 0 << 1 << 0 << 0;
    QTest::newRow("load cases") << 1 << 0 << 1 << 0;
    QTest::newRow("materials") << 2 << 0 << 0 << 1;
    // The other libraries raise no stamp; sections stand for them.
    QTest::newRow("sections") << 3 << 0 << 0 << 0;
}

void TestDocument::libraryChangesRaiseTheirStamps()
{
    QFETCH(int, library);
    QFETCH(int, group);
    QFETCH(int, loadCase);
    QFETCH(int, stiffness);
    const QSharedPointer<DocumentModel> document = newDocument();
    QCoreApplication::processEvents();
    QSignalSpy structure(document.data(), &DocumentModel::StructureHasChanged);

    libraryNumber(*document->libraries(), library)->root()->propagateEmitValueChanged();
    QCOMPARE(document->groupStamp(), group);
    QCOMPARE(document->loadCaseStamp(), loadCase);
    QCOMPARE(document->stiffnessStamp(), stiffness);
    // Groups make everything stale, materials the stiffness and the loading
    // after it, load cases the loading alone.
    QCOMPARE(document->topologySum(), group);
    QCOMPARE(document->stiffnessSum(), group + stiffness);
    QCOMPARE(document->loadingSum(), group + loadCase);

    QCoreApplication::processEvents();
    QCOMPARE(structure.count(), group + loadCase + stiffness);
}

void TestDocument::theAnalysisRunsFromConstructionToDestruction()
{
    FakeAnalysisFactory factory;
    QSharedPointer<DocumentModel> document = newDocument();
    const QSharedPointer<FakeAnalysis> analysis = factory.made;
    QCOMPARE(document->analysisModel(), analysis.staticCast<QObject>());
    QVERIFY(analysis->isRunning());

    QSignalSpy output(document.data(), &DocumentModel::AnalysisOutputHasChanged);
    QSignalSpy crashed(document.data(), &DocumentModel::AnalysisHasCrashed);
    analysis->emitOutput = true;
    QVERIFY(output.wait());

    // Asked to end, it finishes by itself: the document does not wait for it.
    document.reset();
    QCOMPARE(analysis->stops.load(), 1);
    QTRY_VERIFY(analysis->isFinished());
    // Asked to stop, it ended by itself: the document did not have to cut it off.
    QVERIFY(analysis->returned);
    QCoreApplication::processEvents();
    QCOMPARE(crashed.count(), 0);
}

void TestDocument::anAnalysisThatEndsByItselfIsReportedOnce()
{
    FakeAnalysisFactory factory;
    const QSharedPointer<DocumentModel> document = newDocument();
    QSignalSpy crashed(document.data(), &DocumentModel::AnalysisHasCrashed);
    factory.made->keepRunning = false;
    QVERIFY(crashed.wait());
    QCoreApplication::processEvents();
    QCOMPARE(crashed.count(), 1);
}

// A thread says it has finished before it returns, and its last steps may
// still use the analysis: the disposal lets it go only once the thread has
// returned. Here the disposal is held until the finished thread is heard of,
// and the thread then at its last steps until the disposal is let on.
void TestDocument::anEndedAnalysisGoesOnceItsThreadHasReturned()
{
    struct Gates
    {
        QMutex mutex;
        QWaitCondition changed;
        bool disposalHeld = false, disposalLetOn = false, blockerDone = false;
        bool threadFinishing = false, threadLetOn = false;
        bool destroyed = false, destroyedWhileFinishing = false;
        void set(bool Gates::*flag)
        {
            QMutexLocker locker(&mutex);
            this->*flag = true;
            changed.wakeAll();
        }
        bool is(bool Gates::*flag)
        {
            QMutexLocker locker(&mutex);
            return this->*flag;
        }
        void waitFor(bool Gates::*flag)
        {
            QMutexLocker locker(&mutex);
            while (!(this->*flag))
                changed.wait(&mutex);
        }
    };
    const auto gates = std::make_shared<Gates>();
    AnalysisDisposal::release([gates] {
        gates->set(&Gates::disposalHeld);
        gates->waitFor(&Gates::disposalLetOn);
        gates->set(&Gates::blockerDone);
        return true;
    });
    QTRY_VERIFY(gates->is(&Gates::disposalHeld));

    FakeAnalysisFactory factory;
    QSharedPointer<DocumentModel> document = newDocument();
    FakeAnalysis* analysis = factory.made.data();
    factory.made.reset();
    analysis->whenDestroyed = [gates] {
        QMutexLocker locker(&gates->mutex);
        gates->destroyedWhileFinishing = gates->threadFinishing && !gates->threadLetOn;
        gates->destroyed = true;
    };
    // Connected after the document's own, so that the finish is announced first.
    connect(
        analysis, &QThread::finished, analysis,
        [gates] {
            gates->set(&Gates::threadFinishing);
            gates->waitFor(&Gates::threadLetOn);
        },
        Qt::DirectConnection);
    document.reset();
    QTRY_VERIFY(gates->is(&Gates::threadFinishing));
    // The finish heard, the analysis waits behind the disposal's first piece.
    QCoreApplication::processEvents();
    gates->set(&Gates::disposalLetOn);
    QTRY_VERIFY(gates->is(&Gates::blockerDone));
    // Time for the disposal to take the analysis, were it not to wait.
    QTest::qWait(50);
    gates->set(&Gates::threadLetOn);
    QTRY_VERIFY(gates->is(&Gates::destroyed));
    QVERIFY(!gates->is(&Gates::destroyedWhileFinishing));
}

// Model objects that another thread lets go of last go in the GUI thread,
// where they live, and no pass of its event loop destroys more than a slice
// of them: each pass here ends with the deferred deletes, were any left.
void TestDocument::objectsAnotherThreadLetsGoOfGoASliceAtATime()
{
    const QSharedPointer<DocumentModel> document = newDocument();
    const int objects = 5 * AnalysisDisposal::objectsPerSlice;
    QList<NodeRef> nodes;
    int inGuiThread = 0, inThisPass = 0;
    std::atomic<int> elsewhere{0};
    // Ends the counting with this function, whatever is left.
    const QObject counting;
    for (int i = 0; i < objects; ++i) {
        nodes << nodeAt(i);
        connect(nodes.last().data(), &QObject::destroyed, &counting, [&] {
            if (QThread::currentThread() != counting.thread()) {
                ++elsewhere;
                return;
            }
            ++inGuiThread;
            ++inThisPass;
        }, Qt::DirectConnection);
    }
    std::thread([held = std::move(nodes)]() mutable { held.clear(); }).join();
    int mostInOnePass = 0;
    const QDeadlineTimer deadline(60000);
    while (inGuiThread + elsewhere < objects && !deadline.hasExpired()) {
        inThisPass = 0;
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        mostInOnePass = std::max(mostInOnePass, inThisPass);
    }
    QCOMPARE(elsewhere.load(), 0);
    QCOMPARE(inGuiThread, objects);
    QVERIFY2(mostInOnePass <= AnalysisDisposal::objectsPerSlice,
             qPrintable(QStringLiteral("%1 in one pass").arg(mostInOnePass)));
}

void TestDocument::aStepTheHistoryLetsGoOfGoesAPieceAtATime_data()
{
    QTest::addColumn<QString>("kind"); // what the step holds
    QTest::addColumn<QString>("way"); // how the history lets go of it
    QTest::addColumn<int>("size");
    for (const char* kind : {"moves", "sections", "deletion", "selection", "merges"})
        for (const char* way : {"closed", "past its limit", "undone and replaced", "cleared"})
            QTest::newRow(qPrintable(QStringLiteral("%1, %2").arg(kind, way))) << kind << way << 32768;
    QTest::newRow("moves, closed, small") << "moves" << "closed" << 64;
    QTest::newRow("merges, cleared, small") << "merges" << "cleared" << 64;
}

// A step on a model of tens of thousands of nodes holds maps and lists as
// large as the model, or as many commands. However its history lets go of
// it, no step of the GUI thread frees more than a slice's worth of its
// pieces, each a few blocks at the most; and it goes to the last piece.
void TestDocument::aStepTheHistoryLetsGoOfGoesAPieceAtATime()
{
    QFETCH(QString, kind);
    QFETCH(QString, way);
    QFETCH(int, size);
    QVERIFY(freesHeard);
    // Nothing else is being freed meanwhile.
    letClosedModelsGo();
    QSharedPointer<DocumentModel> document = newDocument();
    QSharedPointer<StructureModel> structure = document->structureModel();
    UndoHistory* history = document->structureUndoStack().data();
    history->setUndoLimit(3);

    // The spare node takes the small steps.
    const NodeRef spare = nodeAt(-1);
    QList<NodeRef> nodes;
    QList<VaroObjectRef> objects{spare};
    QList<MemberRef> members;
    for (int i = 0; i < size; ++i) {
        // Merged in pairs.
        nodes << nodeAt(kind == "merges" ? i / 2 : i);
        objects << nodes.last();
    }
    if (kind == "sections")
        for (int i = 0; i + 1 < size; ++i) {
            members << VaroObject::make<Member>(nodes[i], nodes[i + 1]);
            objects << members.last();
        }
    structure->appendObjects(objects);
    objects.removeFirst();
    QPointer<QObject> lastNode = nodes.last().data();

    const auto pushStep = [&] {
        DocumentWriteGuard guard(document.data());
        if (kind == "moves") {
            QMap<NodeRef, double> factors;
            for (const NodeRef& node : qAsConst(nodes))
                factors.insert(node, 1.0);
            history->push(new CommandMoveNodesBy(structure, factors, Vector3(0, 0, 1), false));
        } else if (kind == "sections") {
            QMap<MemberRef, SectionTypeRef> types;
            for (const MemberRef& member : qAsConst(members))
                types.insert(member, VaroObject::make<SectionType>());
            history->push(new CommandSetMemberSectionType(structure, types));
        } else if (kind == "deletion") {
            history->push(new CommandRemoveObjects(structure, objects));
        } else if (kind == "selection") {
            history->push(new CommandSelect(document->selectionModel(), objects, {}));
        } else {
            UndoMacroGuard macro(history, "Merge");
            for (int i = 0; i + 1 < size; i += 2)
                history->push(new CommandConsolidateNodes(structure, nodes[i], nodes[i + 1]));
        }
    };
    // What a step or its undo changed is announced after it, in its own passes.
    const auto passOfEvents = [] {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    };
    const auto pushSmallStep = [&] {
        pushCommand(document.data(), new CommandSetNodePositions(structure, {{spare, spare->position() + Vector3(0, 1, 0)}}));
    };
    pushStep();
    passOfEvents();
    // Only the history and the model hold them.
    nodes.clear();
    members.clear();
    objects.clear();

    long most = 0;
    const auto measured = [&most](const std::function<void()>& step) {
        const long before = blocksFreedHere;
        step();
        most = std::max(most, blocksFreedHere - before);
    };
    if (way == "closed") {
        structure.reset();
        measured([&] { document.reset(); });
    } else if (way == "past its limit") {
        pushSmallStep();
        pushSmallStep();
        passOfEvents();
        QCOMPARE(history->count(), 3);
        measured(pushSmallStep);
        QCOMPARE(history->count(), 3);
        QCOMPARE(history->index(), 3);
    } else if (way == "undone and replaced") {
        history->undo();
        passOfEvents();
        measured(pushSmallStep);
        QCOMPARE(history->count(), 1);
    } else {
        measured([&] { history->clear(); });
        QCOMPARE(history->count(), 0);
        QVERIFY(!history->canUndo());
    }
    const QDeadlineTimer deadline(120000);
    while (AnalysisDisposal::isPending() && !deadline.hasExpired())
        measured(passOfEvents);
    QVERIFY(!AnalysisDisposal::isPending());
    QVERIFY(!document || structure->contains(spare));
    // What only the step held has gone: a deleted node, or all of a closed
    // model.
    const bool heldByTheStep = kind == "deletion" && way != "undone and replaced";
    QCOMPARE(lastNode.isNull(), way == "closed" || heldByTheStep);
    const long bound = 16 * AnalysisDisposal::objectsPerSlice;
    QVERIFY2(most <= bound, qPrintable(QStringLiteral("%1 blocks freed in one step").arg(most)));
}

void TestDocument::aSharedSectionLibraryGoesWithItsLastHolder_data()
{
    QTest::addColumn<bool>("makerFirst");
    QTest::newRow("the document that made it closes first") << true;
    QTest::newRow("the document given it closes first") << false;
}

// Two documents share one section library, each with an undo history, so
// that a closed one is taken apart. Closing either leaves the other its
// library whole; the last to hold it, when it made it, takes it apart.
void TestDocument::aSharedSectionLibraryGoesWithItsLastHolder()
{
    QFETCH(bool, makerFirst);
    QSharedPointer<DocumentModel> maker = newDocument();
    QSharedPointer<DocumentModel> given(
        new DocumentModel(QSharedPointer<UnitSystem>(new UnitSystem), maker->libraries()->sectionLibrary()));
    const TreeNodeRef root = maker->libraries()->sectionLibrary()->root();
    QCOMPARE(given->libraries()->sectionLibrary()->root(), root);
    const int entries = entriesBelow(root);
    QVERIFY(entries > root->subnodeCount());
    for (DocumentModel* document : {maker.data(), given.data()}) {
        const Frame frame(document);
        document->lowerBusyCount();
        pushCommand(document, new CommandMoveNodesBy(document->structureModel(), {{frame.nodes[1], 1.0}},
                                                     Vector3(1, 0, 0), false));
    }
    (makerFirst ? maker : given).reset();
    letClosedModelsGo();
    const DocumentModel& other = *(makerFirst ? given : maker);
    QCOMPARE(entriesBelow(other.libraries()->sectionLibrary()->root()), entries);
    maker.reset();
    given.reset();
    letClosedModelsGo();
    if (!makerFirst)
        QCOMPARE(root->subnodeCount(), 0);
}

// As the application ends, no analysis thread may run on, but what is still
// to be freed is left: the end waits for the step an analysis is finishing,
// not for freeing that would never be done.
void TestDocument::theProgramsEndWaitsForAnalysesButNotForFreeing()
{
    FakeAnalysisFactory factory;
    QSharedPointer<DocumentModel> document = newDocument();
    const QSharedPointer<FakeAnalysis> analysis = factory.made;
    analysis->finishingAStep = true;
    static std::atomic<int> pieces{0};
    AnalysisDisposal::release([] {
        ++pieces;
        return false;
    });
    QTRY_VERIFY(pieces > 0);
    document.reset();
    static std::atomic<bool> ended{false};
    std::thread([] {
        AnalysisDisposal::waitForThreads();
        ended = true;
    }).detach();
    QTest::qWait(50);
    QVERIFY(!ended && analysis->isRunning());
    analysis->finishingAStep = false;
    QTRY_VERIFY(ended);
    QVERIFY(analysis->isFinished());
}

// A long list is being freed elsewhere, an element at a time, when the
// program's end begins: the end waits for the element being freed and
// leaves the rest. A program ends once: this runs in a program of its own.
void TestDocument::theProgramsEndLeavesTheRestOfAListBeingFreed()
{
    if (AnalysisDisposal::isEnding())
        QSKIP("The program has begun its end in this run already");
    static std::atomic<int> alive{0};
    static std::atomic<bool> holding{false}, letOn{false};
    // The first freed is held while it goes.
    struct Element
    {
        Element() { ++alive; }
        ~Element()
        {
            if (!holding.exchange(true))
                while (!letOn)
                    QThread::msleep(1);
            --alive;
        }
    };
    QList<std::shared_ptr<Element>> list;
    for (int i = 0; i < 10000; ++i)
        list << std::make_shared<Element>();
    AnalysisDisposal::releaseElsewhere(std::move(list));
    QTRY_VERIFY(holding);
    const int before = alive;
    std::atomic<bool> ended{false};
    std::thread end([&ended] {
        AnalysisDisposal::waitForThreads();
        ended = true;
    });
    // A failed check lets the element go on and joins the end before leaving.
    const auto joined = qScopeGuard([&end] {
        letOn = true;
        end.join();
    });
    QTRY_VERIFY(AnalysisDisposal::isEnding());
    letOn = true;
    QTRY_VERIFY(ended);
    QCOMPARE(before - alive, 1);
}

// A hundred thousand small blocks freed join the allocator's free lists at
// once: none waits in its fast bins for a large request, in whatever thread,
// to sort them all under the lock every thread allocates under.
void TestDocument::smallBlocksFreedDoNotWaitToBeSortedAtOnce()
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    QSKIP("A sanitizer's allocator has no fast bins");
#else
    std::vector<void*> blocks(100000);
    for (void*& block : blocks)
        block = malloc(48);
    for (void* block : blocks)
        free(block);
    QCOMPARE(mallinfo2().smblks, size_t(0));
#endif
}

// The program asks the allocator for no fast bins as it starts, whatever
// allocator it runs on.
void TestDocument::theAllocatorIsAskedForNoFastBins()
{
    QCOMPARE(fastBinsAskedFor, 0);
}

// Pending from the close, while the analysis finishes its step and while
// the slices remain, until the last object has gone.
void TestDocument::aClosedModelIsPendingUntilItHasGone()
{
    FakeAnalysisFactory factory;
    QSharedPointer<DocumentModel> document = newDocument();
    const QSharedPointer<FakeAnalysis> analysis = factory.made;
    analysis->finishingAStep = true;
    // A failure here must not leave the program's end waiting for the step.
    const auto letOn = qScopeGuard([analysis] { analysis->finishingAStep = false; });
    QList<VaroObjectRef> nodes;
    for (int i = 0; i < 3000; ++i)
        nodes << nodeAt(i);
    document->structureModel()->appendObjects(nodes);
    const QPointer<QObject> first = nodes.first().data(), last = nodes.last().data();
    nodes.clear();
    letClosedModelsGo();
    QVERIFY(!AnalysisDisposal::isPending());
    document.reset();
    QCoreApplication::processEvents();
    QVERIFY(AnalysisDisposal::isPending());
    analysis->finishingAStep = false;
    factory.made.reset();
    letClosedModelsGo();
    QVERIFY(!AnalysisDisposal::isPending());
    QVERIFY(!first && !last);

    // And while the disposal thread frees what was handed to it.
    struct Gate
    {
        std::atomic<bool> started{false}, finish{false};
    };
    const auto gate = std::make_shared<Gate>();
    const auto open = qScopeGuard([gate] { gate->finish = true; });
    AnalysisDisposal::release([gate] {
        gate->started = true;
        return gate->finish.load();
    });
    QTRY_VERIFY(gate->started);
    QVERIFY(AnalysisDisposal::isPending());
    gate->finish = true;
    letClosedModelsGo();
}

void TestDocument::aWriterCountsItselfBeforeItWaitsForTheLock()
{
    const QSharedPointer<DocumentModel> document = newDocument();
    document->lowerBusyCount();
    document->documentLock()->lockForRead();
    QScopedPointer<QThread> writer(QThread::create([&] { DocumentWriteGuard guard(document.data()); }));
    writer->start();
    // A failed check lets the writer in, and waits for it.
    bool reading = true;
    const auto joined = qScopeGuard([&] {
        if (reading)
            document->documentLock()->unlock();
        writer->wait();
    });
    // Still queued for the lock, the writer already holds the analysis back.
    QTRY_COMPARE(document->busyCount(), 1);
    QVERIFY(!writer->wait(50));
    document->documentLock()->unlock();
    reading = false;
    QVERIFY(writer->wait(5000));
    QCOMPARE(document->busyCount(), 0);
}

// A thread asking for the document's lock while it writes under it goes on
// under the write lock it holds rather than wait on itself, and the handler
// the tests install to fail at once learns what asked.
void TestDocument::askingAgainUnderTheThreadsOwnWriteLockGoesOn()
{
    static QStringList askers;
    const TrackedReadWriteLock::ReentryHandler failing =
        TrackedReadWriteLock::setReentryHandler([](const char* asker) { askers << asker; });
    const QSharedPointer<DocumentModel> document = newDocument();
    document->lowerBusyCount();
    {
        GuiWatchdog watchdog("a query and an edit under the thread's own write lock");
        DocumentWriteGuard guard(document.data());
        document->loadCases();
        { DocumentWriteGuard nested(document.data()); }
        // The nested guard let go of nothing.
        QVERIFY(document->documentLock()->isWrittenByThisThread());
    }
    TrackedReadWriteLock::setReentryHandler(failing);
    QCOMPARE(askers, QStringList({"loadCases", "askingAgainUnderTheThreadsOwnWriteLockGoesOn"}));
    QVERIFY(document->documentLock()->tryLockForWrite());
    document->documentLock()->unlock();
}

void TestDocument::aReaderIsNotHeldLongByAStormOfWriters()
{
    const QSharedPointer<DocumentModel> document = newDocument();
    Frame frame(document.data());
    document->lowerBusyCount();

    // Reads the way the analysis does: only when no writer is pending.
    std::atomic<bool> storming{true};
    std::atomic<int> reads{0};
    QScopedPointer<QThread> reader(QThread::create([&] {
        while (storming) {
            if (document->busyCount() != 0) {
                QThread::usleep(100);
                continue;
            }
            TrackedReadLocker locker(document->documentLock());
            document->structureModel()->nodes();
            ++reads;
        }
    }));
    reader->start();
    // A failed check stops the reader, and waits for it.
    const auto joined = qScopeGuard([&] {
        storming = false;
        reader->wait();
    });

    // The writers keep coming until the reader has read a number of times
    // among them; a reader that had to wait for them all to pass would never
    // get to.
    const int wantedReads = 200, leastWrites = 1000;
    int writes = 0;
    QDeadlineTimer deadline(60000);
    while ((reads < wantedReads || writes < leastWrites) && !deadline.hasExpired()) {
        pushCommand(document.data(), new CommandMoveNodesBy(document->structureModel(), {{frame.nodes[1], 1.0}},
                                                            Vector3(0.001, 0, 0), false));
        ++writes;
        QCoreApplication::processEvents();
    }
    storming = false;
    QVERIFY(reader->wait(5000));
    QVERIFY2(reads >= wantedReads, qPrintable(QStringLiteral("%1 reads among %2 writes").arg(reads).arg(writes)));
}

VARO_TEST_MAIN(TestDocument)
#include "tst_document.moc"
