#include "LoadCasePicker.h"

#include "Combination.h"
#include "GravityCase.h"
#include "Loading.h"
#include "PaintHelpers.h"
#include "SwayCase.h"

#include <QCoreApplication>
#include <QGridLayout>

LoadCasePicker::LoadCasePicker(QWidget* parent, Qt::WindowFlags flags)
    : LibraryPicker<LoadCaseLibrary>(parent, flags)
{
    setWindowTitle(QStringLiteral("%1 Loadcases").arg(QCoreApplication::applicationName()));
}

void LoadCasePicker::addNewCombination()
{
    if (library)
        emit AddLoadCase(LoadCaseRef(VaroObject::make<Combination>(library->uniqueCombinationName())));
}

void LoadCasePicker::addNewLoading()
{
    if (library)
        emit AddLoadCase(LoadCaseRef(VaroObject::make<Loading>(library->uniqueLoadingName())));
}

void LoadCasePicker::addNewSwayCase()
{
    if (library)
        emit AddLoadCase(LoadCaseRef(VaroObject::make<SwayCase>(library->uniqueSwayCaseName())));
}

void LoadCasePicker::editButtonClicked(PickerCell* cell)
{
    if (const ItemRef item = editCellItems.value(cell))
        emit EditLoadCase(item->value());
}

void LoadCasePicker::setDocumentModel(const DocumentModelRef& document)
{
    followStructure(document);
}

void LoadCasePicker::setSelection(const LoadCaseRef& loadCase)
{
    selectEntry(loadCase);
}

void LoadCasePicker::cellClicked(PickerCell*, const ItemRef& item)
{
    if (item && item->value())
        emit LoadCaseChosen(item->value());
}

void LoadCasePicker::repopulate()
{
    if (!isVisible())
        return;
    const QPoint scroll = setContentLayout(nullptr, QPoint());
    editCellItems.clear();
    QGridLayout* grid = newGridLayout();
    if (library) {
        const TreeNodeRef root = library->root();
        populateGroup(LoadCaseLibrary::subnodeItem(root, 0), grid, true);
        appendAddButton(grid, tr("Add loadcase"), SLOT(addNewLoading()));
        iQLayout::addHorizontalSpace(grid, 8);
        populateGroup(LoadCaseLibrary::subnodeItem(root, 1), grid, false);
        iQLayout::addHorizontalSpace(grid, 8);
        populateGroup(LoadCaseLibrary::subnodeItem(root, 2), grid, true);
        appendAddButton(grid, tr("Add swaycase"), SLOT(addNewSwayCase()));
        iQLayout::addHorizontalSpace(grid, 8);
        populateGroup(LoadCaseLibrary::subnodeItem(root, 3), grid, true);
        appendAddButton(grid, tr("Add combination"), SLOT(addNewCombination()));
        grid->setColumnStretch(0, 0);
        grid->setColumnStretch(1, 1);
        grid->setColumnStretch(2, 0);
    }
    setContentLayout(grid, scroll);
}

void LoadCasePicker::populateGroup(const ItemRef& branch, QGridLayout* grid, bool withEditButtons)
{
    populateBlock(branch, grid, withEditButtons ? &editCellItems : nullptr, [this](const LoadCaseRef& loadCase) {
        return new PickerCell(PickerCell::Type2, loadCase->name(), noteFor(loadCase), nullptr);
    });
}

QString LoadCasePicker::noteFor(const LoadCaseRef& loadCase) const
{
    if (!documentModel || documentModel->isLoadCaseUsed(loadCase))
        return QString();
    if (loadCase.objectCast<Loading>())
        return tr("(empty)");
    if (loadCase.objectCast<GravityCase>())
        return tr("(omitted)");
    return loadCase.objectCast<SuperLoadCase>() ? tr("(unused)") : QString();
}
