#pragma once

#include "CalculatorReference.h"
#include "ModelRefs.h"
#include "Vectors.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QPair>
#include <QSet>
#include <QSharedPointer>
#include <QString>

class DocumentModel;
class QUndoCommand;
class QUndoStack;
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

protected:
    explicit EditingActions(DocumentModel* document);

    QSharedPointer<StructureModel> structure() const;
    QSharedPointer<SelectionModel> selection() const;
    QUndoStack* undoStack() const;
    // The stack runs the command's redo at once.
    void push(QUndoCommand* command);
    void warn(const QString& message);
    // The master member about which the nodes turn or mirror; null, with the
    // warning given, when there are no nodes or no such member.
    MemberRef subActionMasterMemberForNodes(const QList<NodeRef>& nodes);

private:
    DocumentModel* const doc;
};
