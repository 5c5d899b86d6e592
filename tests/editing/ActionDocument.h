#pragma once

#include "DocumentModel.h"
#include "EditingActions.h"
#include "LoadCaseLibrary.h"
#include "Libraries.h"
#include "Loading.h"
#include "Member.h"
#include "Node.h"
#include "SelectionModel.h"
#include "StructureModel.h"
#include "UnitSystem.h"

#include <QSignalSpy>
#include <QUndoStack>

// A new document with its default loading, ready for the actions, with the
// warnings it emits recorded.
class ActionDocument
{
public:
    ActionDocument()
        : document(new DocumentModel(QSharedPointer<UnitSystem>(new UnitSystem))),
          actions(EditingActions::of(document.data())),
          warnings(document.data(), &DocumentModel::WarningMessage)
    {
        document->incorporateDefaults();
        document->lowerBusyCount();
    }

    NodeRef addNode(double x, double y, double z)
    {
        const NodeRef node(new Node);
        node->setPosition(Vector3{x, y, z});
        document->structureModel()->appendObjects({node});
        return node;
    }

    MemberRef addMember(const NodeRef& a, const NodeRef& b)
    {
        const MemberRef member(new Member(a, b));
        document->structureModel()->appendObjects({member});
        return member;
    }

    // Members along x from the origin, each 1 m long, sharing their nodes.
    QList<MemberRef> addBeam(int count)
    {
        QList<MemberRef> members;
        NodeRef previous = addNode(0, 0, 0);
        for (int i = 1; i <= count; ++i) {
            const NodeRef next = addNode(i, 0, 0);
            members.append(addMember(previous, next));
            previous = next;
        }
        return members;
    }

    LoadingRef loading() const
    {
        return document->libraries()->loadCaseLibrary()->loadings().first().staticCast<Loading>();
    }

    template <class T>
    void select(const QList<QSharedPointer<T>>& objects)
    {
        QList<VaroObjectRef> list;
        for (const QSharedPointer<T>& object : objects)
            list.append(object);
        document->selectionModel()->selectObjects(list, {});
    }

    QUndoStack* undoStack() const { return document->structureUndoStack().data(); }
    QString lastWarning() const { return warnings.isEmpty() ? QString() : warnings.last().first().toString(); }

    QSharedPointer<DocumentModel> document;
    EditingActions* actions;
    QSignalSpy warnings;
};
