#include "MemberPinPicker.h"

#include <QCoreApplication>

MemberPinPicker::MemberPinPicker(QWidget* parent, Qt::WindowFlags flags) : LibraryPicker<MemberPinLibrary>(parent, flags)
{
    setWindowTitle(QStringLiteral("%1 Member Pins").arg(QCoreApplication::applicationName()));
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
