#pragma once

// A document with its editing actions and helpers that build and describe
// structures, shared by the editing tests.

#include "DocumentModel.h"
#include "EditingActions.h"
#include "Libraries.h"
#include "LoadCaseLibrary.h"
#include "Loading.h"
#include "Load.h"
#include "Member.h"
#include "Node.h"
#include "PointLoad.h"
#include "SelectionModel.h"
#include "StructureModel.h"
#include "TrapezoidLoad.h"
#include "UnitSystem.h"

#include <QSignalSpy>
#include <QStringList>
#include <QUndoStack>

struct Bench
{
    // A new document with its default load cases, not busy, its warnings
    // recorded.
    explicit Bench(const QString& system = "Metric (UK)")
        : units(new UnitSystem), doc((units->setChosenSystem(system), new DocumentModel(units))),
          actions(EditingActions::of(doc.data())), warnings(doc.data(), &DocumentModel::WarningMessage)
    {
        doc->incorporateDefaults();
        doc->lowerBusyCount();
    }

    StructureModel* structure() const { return doc->structureModel().data(); }
    SelectionModel* selection() const { return doc->selectionModel().data(); }
    QUndoStack* stack() const { return doc->structureUndoStack().data(); }

    NodeRef node(double x, double y = 0.0, double z = 0.0)
    {
        const NodeRef n(VaroObject::make<Node>());
        n->setPosition(Vector3(x, y, z));
        structure()->appendObjects({n});
        return n;
    }
    MemberRef member(const NodeRef& a, const NodeRef& b)
    {
        const MemberRef m(VaroObject::make<Member>(a, b));
        structure()->appendObjects({m});
        return m;
    }
    // Members along x from the origin, each 1 m long, sharing their nodes.
    QList<MemberRef> beam(int count)
    {
        QList<MemberRef> members;
        for (NodeRef previous = node(0.0); members.size() < count;) {
            const NodeRef next = node(members.size() + 1.0);
            members.append(member(previous, next));
            previous = next;
        }
        return members;
    }
    LoadRef pointLoad(const MemberRef& m, double position, double force)
    {
        const LoadRef load(VaroObject::make<PointLoad>(m));
        load->setPositionedForces({Load::PositionedForce(position, force)});
        structure()->appendObjects({load});
        return load;
    }
    LoadRef trapezoidLoad(const MemberRef& m, double a, double fA, double b, double fB)
    {
        const LoadRef load(VaroObject::make<TrapezoidLoad>(m));
        load->setPositionedForces({Load::PositionedForce(a, fA), Load::PositionedForce(b, fB)});
        structure()->appendObjects({load});
        return load;
    }
    // A default load of kind T on a member, in the structure.
    template <class T>
    QSharedPointer<T> defaultLoad(const MemberRef& m, const LoadCaseRef& loadCase)
    {
        const QSharedPointer<T> load = T::makeDefault(loadCase);
        load->setMember(m);
        structure()->appendObjects({load});
        return load;
    }
    void select(const QList<VaroObjectRef>& objects) { selection()->selectObjects(objects, {}); }
    template <class T>
    void select(const QList<QSharedPointer<T>>& objects)
    {
        select(QList<VaroObjectRef>(objects.cbegin(), objects.cend()));
    }
    LoadingRef loading() const { return doc->libraries()->loadCaseLibrary()->loadings().first().staticCast<Loading>(); }
    QString lastWarning() const { return warnings.isEmpty() ? QString() : warnings.last().first().toString(); }

    // Everything an undo must put back: which objects exist, how they are
    // joined and placed, what they carry, and the selection with its counts.
    QString snapshot() const
    {
        QStringList text;
        const auto id = [](const auto& o) { return QString::number(quintptr(o.data()), 16); };
        for (const NodeRef& n : structure()->nodes())
            text << QString("N %1 %2 %3 %4 %5")
                        .arg(id(n))
                        .arg(n->position().x(), 0, 'g', 9)
                        .arg(n->position().y(), 0, 'g', 9)
                        .arg(n->position().z(), 0, 'g', 9)
                        .arg(id(n->support()));
        for (const MemberRef& m : structure()->members())
            text << QString("M %1 %2 %3 %4%5 %6")
                        .arg(id(m), id(m->nodeA()), id(m->nodeB()))
                        .arg(m->pinAtA())
                        .arg(m->pinAtB())
                        .arg(id(m->group()));
        for (const LoadRef& l : structure()->loads()) {
            QString pairs;
            for (const Load::PositionedForce& p : l->positionedForces())
                pairs += QString(" %1:%2").arg(p.first, 0, 'g', 9).arg(p.second, 0, 'g', 9);
            text << QString("L %1 %2%3").arg(id(l), id(l->member()), pairs);
        }
        const QMap<VaroObjectRef, int> counts = selection()->copyCounts();
        for (const VaroObjectRef& o : selection()->selection())
            text << QString("S %1 %2").arg(id(o)).arg(counts.value(o, 1));
        return text.join('\n');
    }

    QSharedPointer<UnitSystem> units;
    QSharedPointer<DocumentModel> doc;
    EditingActions* actions;
    QSignalSpy warnings;
};

inline void undoAll(QUndoStack* stack)
{
    while (stack->canUndo())
        stack->undo();
}
