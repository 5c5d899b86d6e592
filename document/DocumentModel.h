#pragma once

#include "AnalysisLink.h"
#include "DocumentCore.h"
#include "FileUtilities.h"
#include "ModelRefs.h"
#include "TrackedReadWriteLock.h"
#include "UndoHistory.h"
#include "Vectors.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <QSharedPointer>
#include <QString>

#include <functional>

class Libraries;
class ReportModel;
class SectionLibrary;
class SelectionModel;
class SingleEmitter;
class StructureModel;
class UnitSystem;
class ViewPointMemory;

// One open model: its libraries, structure, selection, reports, titles and
// stored view points under one read-write lock, two undo stacks, the counts
// and stamps that tell the analysis what became stale, and the analysis
// thread it runs for its whole life.
//
// Queries take documentLock for reading and call an unlocked subOp form;
// code that already holds the write lock calls the subOp forms directly.
//
// What its analysis reads (the libraries, the structure, the lock and the
// counts) is a DocumentCore that the analysis shares: a document going while
// its analysis is still at work asks it to end and lets it finish by itself.
class DocumentModel : public QObject
{
    Q_OBJECT

public:
    // Makes the analysis model of a new document: a QThread that also is an
    // AnalysisLink, with the signals OperatingStateChanged(), OutputChanged()
    // and StatusChanged(), reading the document's analysisDocument().
    // installAnalysis() of the analysis registers it, so that the document
    // never needs to know the analysis classes; without a factory a document
    // has no analysis.
    typedef std::function<QSharedPointer<QObject>(DocumentModel* document)> AnalysisFactory;
    static void setAnalysisFactory(const AnalysisFactory& factory);

    // Born busy: busyCount() is 1 until whoever fills the document lowers it.
    // A part that cannot be made throws, releasing what was built. A section
    // library given is shared, not built (see Libraries).
    explicit DocumentModel(const QSharedPointer<UnitSystem>& unitSystem,
                           const QSharedPointer<SectionLibrary>& sharedSections = {});
    ~DocumentModel() override;
    Q_DISABLE_COPY(DocumentModel)

    QSharedPointer<QObject> analysisModel() const { return analysis; }
    QSharedPointer<Libraries> libraries() const { return libraryParts; }
    QSharedPointer<StructureModel> structureModel() const { return structure; }
    QSharedPointer<SelectionModel> selectionModel() const { return selection; }
    QSharedPointer<ReportModel> reportModel() const { return reports; }
    TitlesRef titles() const { return titleBlock; }
    QSharedPointer<UndoHistory> structureUndoStack() const { return structureUndo; }
    QSharedPointer<UndoHistory> reportUndoStack() const { return reportUndo; }
    QSharedPointer<UnitSystem> unitSystem() const { return units; }
    QSharedPointer<ViewPointMemory> viewPointMemory() const { return viewPoints; }
    TrackedReadWriteLock* documentLock() const { return core->lock(); }
    // What the analysis reads, for as long as it reads it.
    QSharedPointer<const AnalysisDocument> analysisDocument() const { return core; }

    // Pending writers. A writer raises the count before it waits for the
    // write lock, so the analysis sees it even while the writer queues.
    int busyCount() const { return core->busyCount(); }
    void raiseBusyCount() { core->raiseBusyCount(); }
    void lowerBusyCount() { core->lowerBusyCount(); }

    // Each rises by one at every change of its library.
    int groupStamp() const { return core->groupStamp(); }
    int loadCaseStamp() const { return core->loadCaseStamp(); }
    int stiffnessStamp() const { return core->stiffnessStamp(); }
    // What the analysis compares to find its stale phases. Only changes of the
    // sums matter, so wrapping round is harmless.
    int topologySum() const { return core->topologySum(); }
    int stiffnessSum() const { return core->stiffnessSum(); }
    int loadingSum() const { return core->loadingSum(); }
    // Under the document's read lock and the structure's.
    void readMembers(const std::function<void(const QList<MemberRef>&)>& read) const { core->readMembers(read); }

    // The published state of the analysis, each read under its state lock.
    // A document without analysis, like one whose analysis has ended, is
    // OffLine with the status "Analysis unavailable".
    AnalysisLink::OperatingState analysisOperatingState() const;
    QSharedPointer<AnalysisOutput> analysisOutput() const;
    QString analysisStatusMessage() const;
    VaroObjectRef analysisStatusObject() const;

    // Takes the write lock as an edit does, counted as a pending writer; a
    // new path is stored with the leaf name and announced before the lock is
    // released. The same path changes nothing.
    void setFileName(const QString& path, const QString& leafName);
    QString path() const { return pathName; }
    // The file at the path as it was last read or written by this program.
    FileStamp fileStamp() const { return stamp; }
    void setFileStamp(const FileStamp& fileStamp) { stamp = fileStamp; }
    // Without the suffix the name ends before its last '.'.
    QString leafName(bool withSuffix) const;
    // The text after the last '.'; a name without one is returned whole.
    QString leafNameSuffix() const;

    // Modified unless both stacks are at their clean index.
    bool isModified() const;
    void clearModifiedState();

    // Loadings, gravity cases, sway cases, combinations, each in library order.
    QList<LoadCaseRef> loadCases() const { return core->loadCases(); }
    QList<LoadCaseRef> subOpLoadCases() const { return core->subOpLoadCases(); }
    // The loads acting in a load case (see expandLoadCase): a loading's own
    // loads, which callers must not change, or new loads for any other kind.
    QList<LoadRef> loadsInLoadCase(const LoadCaseRef& loadCase) const;
    QList<LoadRef> subOpLoadsInLoadCase(const LoadCaseRef& loadCase) const;
    // The load case a window shows of the document: the one it shows while
    // the document lists it, else the first loading (null without one).
    LoadCaseRef loadCaseShownFor(const LoadCaseRef& shown) const;
    QList<GeometryGroupRef> groups() const;
    QList<GeometryGroupRef> subOpGroups() const;
    QList<GeometryGroupRef> usedGroups() const;
    QList<LoadCaseRef> usedLoadCases() const;

    bool isGroupUsed(const GroupRef& group) const;
    bool subOpIsGroupUsed(const GroupRef& group) const;
    // A combination that contains itself, however deep, counts as unused.
    bool isLoadCaseUsed(const LoadCaseRef& loadCase) const;
    bool subOpIsLoadCaseUsed(const LoadCaseRef& loadCase) const;
    // Whether a load lies in the case, a sway case or combination names it
    // among its factors, or a report lists it; such a case cannot be removed,
    // as the reference would outlive it. Unlike isLoadCaseUsed, an empty
    // loading that a combination names counts.
    bool isLoadCaseReferenced(const LoadCaseRef& loadCase) const;
    bool subOpIsLoadCaseReferenced(const LoadCaseRef& loadCase) const;
    bool isMaterialUsed(const MaterialRef& material) const;
    bool subOpIsMaterialUsed(const MaterialRef& material) const;

    // A null group gives everything; a group that is no geometry group nothing.
    QList<MemberRef> membersInGroup(const GroupRef& group) const;
    QList<MemberRef> subOpMembersInGroup(const GroupRef& group) const;
    QList<NodeRef> nodesInGroup(const GroupRef& group) const;
    QList<NodeRef> subOpNodesInGroup(const GroupRef& group) const;
    static bool isMemberInGroup(const MemberRef& member, const GroupRef& group);
    static bool isNodeInGroup(const NodeRef& node, const GroupRef& group);
    // Direct membership only: a super load case holds the loads of the cases
    // in its factor map, not those of the cases nested deeper.
    static bool isLoadInLoadCase(const LoadRef& load, const LoadCaseRef& loadCase);

    // These run in the GUI thread, where no writer can be at work, and lock nothing.
    // Among equally near ones the first in the structure's order wins; null when none.
    NodeRef nearestNode(const Vector3& point) const;
    MemberRef nearestMember(const Vector3& point) const;
    // Centre (x, y, z) and radius w, the radius at least 1.
    Vector4 centroidOfNodes() const;
    static Vector4 centroidOfNodes(const QList<NodeRef>& nodes);

    // Display factors: each result scale of the analysis output times the SI
    // value of ten preferred units of its kind.
    static Vector6 scaleForMemberForces(const Vector6& memberForceScales, const QSharedPointer<UnitSystem>& units);
    static Vector6 scaleForGlobalDisplacements(const Vector6& globalDisplacementScales,
                                               const QSharedPointer<UnitSystem>& units);
    static Vector3 scaleForLocalDeflections(const Vector3& localDeflectionScales,
                                            const QSharedPointer<UnitSystem>& units);
    static Vector6 scaleForReactions(const Vector6& reactionScales, const QSharedPointer<UnitSystem>& units);
    static double scaleForStress(double stressScale, const QSharedPointer<UnitSystem>& units);

    // After reading, with the write lock held by the reader: each material of
    // the members read is replaced by an equal library material, or joins the
    // custom materials once, shared by every member that uses an equal one.
    void consolidateWithLibraries(const QList<VaroObjectRef>& objects);
    // Before the document is shown: at least one loading and the default
    // gravity case. Takes no lock, since nothing else sees the document yet.
    // Returns the load cases it added.
    QList<LoadCaseRef> incorporateDefaults();

signals:
    void AnalysisHasCrashed();
    void AnalysisOperatingStateHasChanged();
    void AnalysisOutputHasChanged();
    void AnalysisStatusHasChanged();
    // The objects a deletion needs selected as well; origin: what gave the
    // command, so that only its window asks (none: every window may).
    void AutoSelectionNeeded(const QList<VaroObjectRef>& objects, const QObject* origin = nullptr);
    void CanRedoChanged(bool canRedo);
    void CanUndoChanged(bool canUndo);
    void FileNameHasChanged(const QString& path, const QString& leafName);
    void InformationMessage(const QString& message);
    void ModifiedStateHasChanged();
    void ReportsHaveChanged();
    void SelectionHasChanged();
    void StructureHasChanged();
    void TitlesHaveChanged();
    void WarningMessage(const QString& message);

private slots:
    void stampChangeToGroup();
    void stampChangeToLoadCase();
    void stampChangeToStiffness();

private:
    static AnalysisFactory _analysisFactory;

    void connectParts();
    void startAnalysis();
    // The analysis, asked to end, for the disposal to keep; null without one.
    QSharedPointer<QObject> stopAnalysis();

    // Declared in the order the parts are released in reverse.
    QSharedPointer<QObject> analysis;
    AnalysisLink* analysisLink = nullptr; // the same object, null without analysis
    SingleEmitter* reportsRelay = nullptr;
    SingleEmitter* selectionRelay = nullptr;
    SingleEmitter* structureRelay = nullptr;
    SingleEmitter* titlesRelay = nullptr;
    QString pathName;
    QString leafNameText;
    FileStamp stamp;
    QSharedPointer<Libraries> libraryParts;
    QSharedPointer<ReportModel> reports;
    QSharedPointer<SelectionModel> selection;
    QSharedPointer<StructureModel> structure;
    QSharedPointer<DocumentCore> core;
    TitlesRef titleBlock;
    QSharedPointer<UndoHistory> structureUndo;
    QSharedPointer<UndoHistory> reportUndo;
    QSharedPointer<UnitSystem> units;
    QSharedPointer<ViewPointMemory> viewPoints;
};

typedef QSharedPointer<DocumentModel> DocumentModelRef;

// The writer's side of the busy count: raised for as long as the guard lives.
class BusyCountGuard
{
public:
    explicit BusyCountGuard(DocumentModel* document) : document(document) { document->raiseBusyCount(); }
    ~BusyCountGuard() { document->lowerBusyCount(); }
    Q_DISABLE_COPY(BusyCountGuard)

private:
    DocumentModel* const document;
};

// How every edit reaches the document: counted as a pending writer first,
// then holding the write lock. Released in the reverse order, also when the
// edit throws.
class DocumentWriteGuard
{
public:
    explicit DocumentWriteGuard(DocumentModel* document, const char* asker = __builtin_FUNCTION())
        : busy(document), locker(document->documentLock(), asker)
    {
    }
    Q_DISABLE_COPY(DocumentWriteGuard)

private:
    BusyCountGuard busy;
    TrackedWriteLocker locker;
};

// An undo macro open for as long as the guard lives.
class UndoMacroGuard
{
public:
    UndoMacroGuard(UndoHistory* stack, const QString& title);
    ~UndoMacroGuard();
    Q_DISABLE_COPY(UndoMacroGuard)

private:
    UndoHistory* const stack;
};
