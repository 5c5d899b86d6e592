#include "MemberPinPicker.h"

#include "Member.h"
#include "MemberPin.h"

#include <QCoreApplication>
#include <QSet>

MemberPinPicker::MemberPinPicker(QWidget* parent, Qt::WindowFlags flags) : LibraryPicker<MemberPinLibrary>(parent, flags)
{
    setWindowTitle(QStringLiteral("%1 Member Pins").arg(QCoreApplication::applicationName()));
}

MemberPinRef MemberPinPicker::pinOfSelection(const QList<MemberRef>& members, const QList<NodeRef>& nodes)
{
    const QSet<NodeRef> selectedNodes(nodes.begin(), nodes.end());
    QList<Dof> ends;
    for (const MemberRef& member : members) {
        const QPair<Dof, Dof> conditions = member->endConditions();
        if (selectedNodes.isEmpty() || selectedNodes.contains(member->nodeA()))
            ends << conditions.first;
        if (selectedNodes.isEmpty() || selectedNodes.contains(member->nodeB()))
            ends << conditions.second;
    }
    if (ends.isEmpty() || ends.count(ends.first()) != ends.size())
        return MemberPinRef();
    return VaroObject::make<MemberPin>(QString(), ends.first());
}

void MemberPinPicker::setSelection(const MemberPinRef& entry)
{
    selectMatching(entry ? rootNode() : TreeNodeRef(), &MemberPin::isDofEqualTo, entry ? entry->dof() : Dof(), false);
}

void MemberPinPicker::cellClicked(PickerCell*, const ItemRef& item)
{
    if (item && item->value())
        emit MemberPinChosen(item->value());
}

void MemberPinPicker::repopulate()
{
    if (!isVisible())
        return;
    const QPoint scroll = setContentLayout(nullptr, QPoint());
    QVBoxLayout* layout = newColumnLayout();
    if (library)
        addColumnBlock(layout, MemberPinLibrary::castItems(library->root()->subnodes()),
                       [](const MemberPinRef&) { return QString(); });
    setContentLayout(layout, scroll);
}
