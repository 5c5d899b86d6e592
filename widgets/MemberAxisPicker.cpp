#include "MemberAxisPicker.h"

#include <QCoreApplication>

MemberAxisPicker::MemberAxisPicker(QWidget* parent, Qt::WindowFlags flags)
    : LibraryPicker<MemberAxisLibrary>(parent, flags)
{
    setWindowTitle(QStringLiteral("%1 Member Axes").arg(QCoreApplication::applicationName()));
}

void MemberAxisPicker::setSelection(const MemberAxisRef& entry)
{
    selectMatching(entry ? rootNode() : TreeNodeRef(), &MemberAxis::isAxisEqualTo, entry ? entry->axis() : Axis(),
                   true);
}

void MemberAxisPicker::cellClicked(PickerCell*, const ItemRef& item)
{
    if (item && item->value())
        emit MemberAxisChosen(item->value());
}

void MemberAxisPicker::repopulate()
{
    if (!isVisible())
        return;
    const QPoint scroll = setContentLayout(nullptr, QPoint());
    QVBoxLayout* layout = newColumnLayout();
    if (library) {
        const ItemRef fixed = MemberAxisLibrary::subnodeItem(library->root(), 0);
        addColumnBlock(layout, MemberAxisLibrary::castItems(fixed ? fixed->subnodes() : QList<TreeNodeRef>()),
                       [](const MemberAxisRef&) { return QString(); });

        const ItemRef towards = MemberAxisLibrary::subnodeItem(MemberAxisLibrary::subnodeItem(library->root(), 1), 0);
        if (towards) {
            const MemberAxisRef axis = towards->value();
            layout->addSpacing(8);
            auto* cell = new PickerCell(PickerCell::standardType1(towards->name(), QString()), nullptr);
            cell->setEnabled(axis && axis->axis().node());
            registerCell(cell, towards, towards->name());
            layout->addWidget(cell, 0);
        }
    }
    setContentLayout(layout, scroll);
}
