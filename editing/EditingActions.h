#pragma once

#include "CalculatorReference.h"
#include "ModelRefs.h"
#include "Report.h"
#include "ViewPoint.h"
#include "Vectors.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QPair>
#include <QSet>
#include <QSharedPointer>
#include <QString>

#include <algorithm>
#include <memory>

struct ConsolidationBaseline;
class DocumentModel;
class Material;
class QColor;
class QUndoCommand;
class UndoHistory;
class SelectionModel;
class StructureModel;

// The editing actions of one document: every change a user makes enters the
// model through one of these slots as one validated, undoable step. The
// object is a child of its document, made on first use, so the document needs
// no knowledge of the editing code; signals meant for the windows
// (WarningMessage, AutoSelectionNeeded) are emitted by the document itself.
//
// Each slot counts itself as a pending writer and holds the document's write
// lock for its whole run (DocumentWriteGuard), and opens its undo macro with
// UndoMacroGuard, so an early return or an exception releases all three.
class EditingActions : public QObject
{
    Q_OBJECT

public:
    static EditingActions* of(DocumentModel* document);
    ~EditingActions() override;
    DocumentModel* document() const { return doc; }

    // Both in metres, from the unit system chosen at the moment of the call.
    double lengthStep() const;
    double consolidationDistance() const;
    double explosionDistance() const;

    // The consolidation engine. The caller holds the write lock and an open
    // macro on the structure undo stack.
    void subActionConsolidateDeselectedObjects();
    void subActionConsolidate(QSet<VaroObjectRef> touched, QSet<VaroObjectRef> scope, bool explode);
    QList<VaroObjectRef> subActionDeleteMembersOfZeroLength(const QList<MemberRef>& members);
    void subActionRoundOffNodes(const QList<NodeRef>& nodes);
    void subActionRoundOffLoads(const QList<LoadRef>& loads);
    QList<NodeRef> subActionConsolidateNodes(QList<NodeRef> touched, QList<NodeRef> scope);
    QList<MemberRef> subActionConsolidateMembers(QList<MemberRef> touched, QList<MemberRef> scope);
    QList<LoadRef> subActionConsolidateLoads(QList<LoadRef> touched, QList<LoadRef> scope);
    QList<MemberRef> subActionExplodeMembers(QList<MemberRef> members, const QList<NodeRef>& nodes);

    static QMultiMap<double, NodeRef> nodesMappedByDistance(const QList<NodeRef>& nodes, const Vector3& point);
    static QMultiMap<double, MemberRef> membersMappedByMidpointDistance(const QList<MemberRef>& members,
                                                                        const Vector3& point);
    static QMultiMap<MemberRef, LoadRef> loadsPerMember(const QList<LoadRef>& loads);
    // (inner, outer): the distances from the origin between which the member lies.
    static QPair<double, double> memberAnnulus(const MemberRef& member);

public slots:
    // Geometry.
    void actionAddNode(const GeometryGroupRef& group);
    void actionAddMembers(const GeometryGroupRef& group);
    void actionCopySelection(const Vector4& value, const CalculatorReference& reference);
    void actionMoveSelectedNodesBy(const Vector4& offset, const CalculatorReference& reference, bool merge);
    void actionMoveSelectedNodesBy(const Vector4& offset, const CalculatorReference& reference);
    void actionRotateSelectedNodes(const Vector4& value, const CalculatorReference& reference);
    void actionFlipSelectedNodes();
    void actionSetMemberLength(const Vector4& value, const CalculatorReference& reference);
    void actionPolariseMembers();
    void actionSplitMembers();
    void actionDeleteSelectedGeometry();
    void actionMoveSelectedGeometryToGroup(const GeometryGroupRef& group);

    // Selection.
    void actionClearAllSelection();
    void actionClickOnObject(VaroObjectRef object);
    void actionSelectObjects(const QList<VaroObjectRef>& objects);
    void actionDeselectObjects(const QList<VaroObjectRef>& objects);
    void actionSelectMembersFromSelectedLoads();
    void actionSelectNodesFromSelectedMembers();

    // Loads, properties, library entries, reports and history follow below.

    // Loads.
    void actionAddPointLoad(const LoadingRef& loading);
    void actionAddTorqueLoad(const LoadingRef& loading);
    void actionAddTrapezoidLoad(const LoadingRef& loading);
    void actionDeleteSelectedLoads();
    void actionMoveSelectedLoadsToLoading(const LoadingRef& loading);
    // The calculator's or the drag's value is value.x; a span runs from
    // value.x to value.y about each load's own midpoint.
    void actionSetLoadForceAtIndex(const Vector4& value, const CalculatorReference& reference);
    void actionSetLoadForceAtIndexMerged(const Vector4& value, const CalculatorReference& reference);
    void actionSetLoadPositionAtIndex(const Vector4& value, const CalculatorReference& reference);
    void actionSetLoadPositionAtIndexMerged(const Vector4& value, const CalculatorReference& reference);
    void actionAdjustLoadSpanFromIndex(const Vector4& value, const CalculatorReference& reference);
    void actionSetLoadAxis(const LoadAxisRef& axis);

    // Member and node properties.
    void actionSetMemberAxis(const MemberAxisRef& axis);
    void actionSetMemberPins(const MemberPinRef& pin);
    void actionSetMemberProperties(CrossSectionRef crossSection, MaterialRef material);
    void actionSetSupport(const SupportRef& support);

    // Library entries and titles; a null entry is ignored.
    void actionAddGroup(const GroupRef& group);
    void actionRemoveGroup(const GroupRef& group);
    void actionAddLoadCase(const LoadCaseRef& loadCase);
    void actionRemoveLoadCase(const LoadCaseRef& loadCase);
    void actionAddMaterial(const MaterialRef& material);
    void actionRemoveMaterial(const MaterialRef& material);
    void actionApplyGeometryGroup(GeometryGroupRef& group, const GeometryGroupRef& copy);
    void actionApplyLoading(LoadingRef& loading, const LoadingRef& copy);
    void actionApplySwayCase(SwayCaseRef& swayCase, const SwayCaseRef& copy);
    void actionApplyCombination(CombinationRef& combination, const CombinationRef& copy);
    void actionApplyMaterial(MaterialRef& material, const MaterialRef& copy);
    void actionApplyTitles(TitlesRef& titles, const TitlesRef& copy);
    void actionSetGeometryGroupAnalysisPurpose(const GeometryGroupRef& group, bool analysis);
    void actionSetGeometryGroupColour(const GeometryGroupRef& group, const QColor& colour);
    void actionSetMaterialProperties(const MaterialRef& material, const Material& values);

    // Reports (on the report stack), stored view points and history.
    void actionAddReport();
    void actionDeleteReport(const ReportRef& report);
    void actionInsertItemIntoReport(const ReportRef& report, const Report::ReportBlockRef& block,
                                    const Report::ReportItemRef& item, const Report::ReportItemRef& before);
    void actionInsertItemIntoReport(const ReportRef& report, const Report::ReportBlockRef& block,
                                    const Report::ReportItemRef& item);
    void actionRemoveItemFromReport(const ReportRef& report, const Report::ReportBlockRef& block,
                                    const Report::ReportItemRef& item);
    void actionInsertLoadCaseIntoReport(const ReportRef& report, const Report::ReportBlockRef& block,
                                        const LoadCaseRef& loadCase, const LoadCaseRef& before);
    void actionInsertLoadCaseIntoReport(const ReportRef& report, const Report::ReportBlockRef& block,
                                        const LoadCaseRef& loadCase);
    void actionRemoveLoadCaseFromReport(const ReportRef& report, const Report::ReportBlockRef& block,
                                        const LoadCaseRef& loadCase);
    void actionSetViewPointMemory(int slot, const ViewPointRef& viewPoint);
    void actionUndo();
    void actionRedo();

    // The next consolidation walks the whole unselected structure, as after
    // a change of a library or of the units.
    void forgetConsolidatedState();

protected:
    explicit EditingActions(DocumentModel* document);

    QSharedPointer<StructureModel> structure() const;
    QSharedPointer<SelectionModel> selection() const;
    UndoHistory* undoStack() const;
    // The stack runs the command's redo at once.
    void push(QUndoCommand* command);
    void warn(const QString& message);
    // The master member about which the nodes turn or mirror: the one the
    // reference names, else the last selected; null, with the warning
    // given, when there are no nodes or no such member.
    MemberRef subActionMasterMemberForNodes(const QList<NodeRef>& nodes,
                                            const CalculatorReference& reference = CalculatorReference());

    // The selected objects a calculator's answer acts on. A reference that
    // holds the selection the calculator was opened on keeps only what of it
    // is still selected: what another window selects meanwhile stays put.
    template <class T>
    static QList<QSharedPointer<T>> aimedAt(QList<QSharedPointer<T>> selected, const CalculatorReference& reference)
    {
        const QVariant aimed = reference.value(QStringLiteral("selection"));
        if (!aimed.isValid())
            return selected;
        const QList<VaroObjectRef> objects = aimed.value<QList<VaroObjectRef>>();
        selected.erase(std::remove_if(selected.begin(), selected.end(),
                                      [&objects](const QSharedPointer<T>& o) { return !objects.contains(o); }),
                       selected.end());
        return selected;
    }

    // The pattern's copies onto every other selected member, in the loading.
    template <class T>
    void subActionAddLoads(QSharedPointer<T> pattern, const LoadingRef& loading);
    // The selected loads a change at the reference's index applies to; empty,
    // after its warning, when the change is refused.
    QList<LoadRef> loadsToChangeAtIndex(const CalculatorReference& reference, int* index);
    void subActionSetLoadForceAtIndex(const Vector4& value, const CalculatorReference& reference, bool merge);
    void subActionSetLoadPositionAtIndex(const Vector4& value, const CalculatorReference& reference, bool merge);

private:
    // The objects of the structure that changed since the stamp, by their
    // own stamps or by entering it, and the ends of members that left it;
    // the index takes them all in.
    QList<VaroObjectRef> subActionTakeChanges(quint32 since);
    void subActionConsolidateEverythingUnselected(const QSet<VaroObjectRef>& history);
    QSet<VaroObjectRef> neighbourhoodOfTouched(const QList<VaroObjectRef>& touched) const;
    // Notes in the baseline what is selected as a run ends.
    void noteSelectionAtRunEnd();
    QSet<VaroObjectRef> neighbourhoodOfChanged(const QList<VaroObjectRef>& changed) const;

    DocumentModel* const doc;
    const std::unique_ptr<ConsolidationBaseline> consolidated;
};
