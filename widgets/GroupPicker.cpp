#include "GroupPicker.h"

#include <QCoreApplication>
#include <QGridLayout>

GroupPicker::GroupPicker(QWidget* parent, Qt::WindowFlags flags) : LibraryPicker<GroupLibrary>(parent, flags)
{
    setWindowTitle(QStringLiteral("%1 Groups").arg(QCoreApplication::applicationName()));
}

void GroupPicker::addNewGeometryGroup()
{
    if (library)
        emit AddGroup(GroupRef(VaroObject::make<GeometryGroup>(library->uniqueGeometryGroupName())));
}

void GroupPicker::editButtonClicked(PickerCell* cell)
{
    if (const ItemRef item = editCellItems.value(cell))
        emit EditGroup(item->value());
}

void GroupPicker::setDocumentModel(const DocumentModelRef& document)
{
    followStructure(document);
}

void GroupPicker::setSelection(const GroupRef& group)
{
    selectEntry(group);
}

void GroupPicker::cellClicked(PickerCell*, const ItemRef& item)
{
    emit GroupChosen(item ? item->value() : GroupRef());
}

void GroupPicker::repopulate()
{
    if (!isVisible())
        return;
    const QPoint scroll = setContentLayout(nullptr, QPoint());
    editCellItems.clear();
    QGridLayout* grid = newGridLayout();
    if (library) {
        auto* unspecified = new PickerCell(PickerCell::standardType1(tr("Unspecified"), QString()), nullptr);
        registerCell(unspecified, ItemRef(), QString());
        grid->addWidget(unspecified, 0, 1);
        populateGroup(GroupLibrary::subnodeItem(library->root(), 0), grid, true);
        appendAddButton(grid, tr("Add geometry group"), SLOT(addNewGeometryGroup()));
        grid->setColumnStretch(0, 0);
        grid->setColumnStretch(1, 1);
        grid->setColumnStretch(2, 0);
    }
    setContentLayout(grid, scroll);
}

void GroupPicker::populateGroup(const ItemRef& branch, QGridLayout* grid, bool withEditButtons)
{
    populateBlock(branch, grid, withEditButtons ? &editCellItems : nullptr, [this](const GroupRef& group) {
        const bool empty =
            documentModel && group.objectCast<GeometryGroup>() && !documentModel->isGroupUsed(group);
        return new PickerCell(PickerCell::Type2, group->name(), empty ? tr("(empty)") : QString(), nullptr);
    });
}
