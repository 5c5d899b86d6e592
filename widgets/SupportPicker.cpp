#include "SupportPicker.h"

#include <QCoreApplication>

namespace {

// "Restraints:" and the six freedoms, those left free struck through in grey.
QString restraints(const Dof& dof)
{
    QStringList parts{QObject::tr("Restraints:")};
    for (int i = 0; i < Dof::axisNames.size(); ++i)
        parts << (dof.isSet(1 << i) ? QStringLiteral("%1") : QStringLiteral("<s style=\"color:#cccccc;\">&nbsp;%1&nbsp;</s>"))
                     .arg(Dof::axisNames[i]);
    return parts.join(QStringLiteral("&nbsp;"));
}

} // namespace

SupportPicker::SupportPicker(QWidget* parent, Qt::WindowFlags flags) : LibraryPicker<SupportLibrary>(parent, flags)
{
    setWindowTitle(QStringLiteral("%1 Supports").arg(QCoreApplication::applicationName()));
}

void SupportPicker::setSelection(const SupportRef& entry)
{
    selectMatching(entry ? rootNode() : TreeNodeRef(), &Support::isDofEqualTo, entry ? entry->dof() : Dof(), false);
}

void SupportPicker::cellClicked(PickerCell*, const ItemRef& item)
{
    if (item && item->value())
        emit SupportChosen(item->value());
}

void SupportPicker::repopulate()
{
    if (!isVisible())
        return;
    const QPoint scroll = setContentLayout(nullptr, QPoint());
    QVBoxLayout* layout = newColumnLayout();
    if (library)
        addColumnBlock(layout, SupportLibrary::castItems(library->root()->subnodes()),
                       [](const SupportRef& support) { return restraints(support->dof()); });
    setContentLayout(layout, scroll);
}
