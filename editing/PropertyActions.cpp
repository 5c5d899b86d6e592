// Member and node properties chosen in a library picker: member axes, end
// pins, section types and supports, each as one command on the structure stack.

#include "DocumentModel.h"
#include "EditingActions.h"
#include "StructureCommands.h"
#include "SelectionCommands.h"

#include "Member.h"
#include "MemberPin.h"
#include "Node.h"
#include "SectionType.h"
#include "SelectionModel.h"
#include "StructureModel.h"

#include <QSet>

void EditingActions::actionSetMemberAxis(const MemberAxisRef& axis)
{
    DocumentWriteGuard guard(document());
    QMap<MemberRef, MemberAxisRef> axes;
    for (const MemberRef& member : selection()->selectedMembers())
        axes.insert(member, axis);
    if (axes.isEmpty()) {
        warn(tr("No members are selected."));
        return;
    }
    push(new CommandSetMemberAxis(structure(), axes));
}

void EditingActions::actionSetSupport(const SupportRef& support)
{
    DocumentWriteGuard guard(document());
    QMap<NodeRef, SupportRef> supports;
    for (const NodeRef& node : selection()->selectedNodes())
        supports.insert(node, support);
    if (supports.isEmpty()) {
        warn(tr("No nodes are selected."));
        return;
    }
    push(new CommandSetNodeSupport(structure(), supports));
}

void EditingActions::actionSetMemberPins(const MemberPinRef& pin)
{
    DocumentWriteGuard guard(document());
    const Dof mask = pin ? pin->dof() : Dof(0);
    const QList<NodeRef> nodeList = selection()->selectedNodes();
    const QSet<NodeRef> nodes(nodeList.begin(), nodeList.end());

    // Only the ends that touch a selected node take the pin; the other end
    // keeps its present condition.
    QMap<MemberRef, QPair<Dof, Dof>> pins;
    for (const MemberRef& member : selection()->selectedMembers()) {
        const NodeRef a = member->nodeA();
        const NodeRef b = member->nodeB();
        if (!a || !b || a == b)
            continue;
        const bool atA = nodes.contains(a);
        const bool atB = nodes.contains(b);
        if (!atA && !atB)
            continue;
        const QPair<Dof, Dof> present = member->endConditions();
        pins.insert(member, qMakePair(atA ? mask : present.first, atB ? mask : present.second));
    }
    if (pins.isEmpty()) {
        warn(tr("Both members and nodes must be selected."));
        return;
    }
    push(new CommandSetMemberPins(structure(), pins));
}

void EditingActions::actionSetMemberProperties(CrossSectionRef crossSection, MaterialRef material)
{
    DocumentWriteGuard guard(document());
    const QList<MemberRef> members = selection()->selectedMembers();
    if (members.isEmpty()) {
        warn(tr("No members are selected."));
        return;
    }
    if (!crossSection && !material) {
        warn(tr("Neither a cross-section nor a material is chosen."));
        return;
    }

    // Section types are never changed in place: members that share one and
    // are not selected keep theirs.
    QMap<MemberRef, SectionTypeRef> types;
    if (crossSection && material) {
        const SectionTypeRef shared(VaroObject::make<SectionType>(crossSection, material));
        for (const MemberRef& member : members)
            types.insert(member, shared);
    } else {
        for (const MemberRef& member : members) {
            const SectionTypeRef present = member->sectionType();
            if (!present)
                continue;
            types.insert(member, VaroObject::make<SectionType>(crossSection ? crossSection : present->crossSection(),
                                                                material ? material : present->material()));
        }
    }
    if (types.isEmpty()) {
        warn(tr("No members are selected."));
        return;
    }
    push(new CommandSetMemberSectionType(structure(), types));
}
