#include "MaterialPicker.h"

#include "PaintHelpers.h"
#include "VisualConstants.h"

#include <QCoreApplication>
#include <QGridLayout>

namespace {

// Too light, too soft, or a Poisson's ratio E/2G - 1 above one half.
bool isImpossible(const Material& material)
{
    const double E = material.youngsModulus();
    const double G = material.shearModulus();
    return material.density() < 0.01 || E < 300000.0 || 3.0 * G < E;
}

} // namespace

MaterialPicker::MaterialPicker(const QSharedPointer<UnitSystem>& unitSystem, QWidget* parent, Qt::WindowFlags flags)
    : LibraryPicker<MaterialLibrary>(parent, flags), unitSystem(unitSystem)
{
    setWindowTitle(QStringLiteral("%1 Materials").arg(QCoreApplication::applicationName()));
    if (unitSystem)
        connect(unitSystem.data(), &UnitSystem::UnitSystemChanged, emitter, &SingleEmitter::trigger);
}

void MaterialPicker::addNewMaterial()
{
    if (library)
        emit AddMaterial(MaterialRef(new Material({library->uniqueMaterialName()}, 0.0, 0.0, 0.0, 0.0)));
}

void MaterialPicker::editButtonClicked(PickerCell* cell)
{
    if (const ItemRef item = editCellItems.value(cell))
        emit EditMaterial(item->value());
}

void MaterialPicker::setSelection(const MaterialRef& material)
{
    const bool named = material && !material->names().isEmpty();
    selectMatching(named ? rootNode() : TreeNodeRef(), &Material::isGenericNameEqualTo,
                   named ? material->name() : QString(), true);
}

void MaterialPicker::cellClicked(PickerCell*, const ItemRef& item)
{
    if (item && item->value())
        emit MaterialChosen(item->value());
}

void MaterialPicker::repopulate()
{
    if (!isVisible())
        return;
    const QPoint scroll = setContentLayout(nullptr, QPoint());
    addButtonRows.clear();
    editCellItems.clear();
    QGridLayout* grid = newGridLayout();
    if (library) {
        populateGroup(MaterialLibrary::subnodeItem(library->root(), 0), grid, editable);
        iQLayout::addHorizontalSpace(grid, 8);
        populateGroup(MaterialLibrary::subnodeItem(library->root(), 1), grid, editable);
        addButtonRows << appendAddButton(grid, tr("Add material"), SLOT(addNewMaterial()));
        grid->setColumnStretch(0, 0);
        grid->setColumnStretch(1, 1);
        grid->setColumnStretch(2, 0);
        if (!editable) {
            QList<QLayoutItem*> controls;
            for (int row = 0; row < grid->rowCount(); ++row)
                for (int column = 0; column < grid->columnCount(); ++column)
                    if (column != 1 || addButtonRows.contains(row))
                        controls << grid->itemAtPosition(row, column);
            iQLayout::setItemsVisible(controls, false);
        }
    }
    setContentLayout(grid, scroll);
}

void MaterialPicker::populateGroup(const ItemRef& branch, QGridLayout* grid, bool withEditButtons)
{
    populateBlock(branch, grid, withEditButtons ? &editCellItems : nullptr, [this](const MaterialRef& material) {
        const QString subtitle = tr("E:%1 %2, G:%3 %4")
                                     .arg(unitSystem->preferredStringFromSI(material->youngsModulus(),
                                                                            UnitSystem::YoungsModulus, false),
                                          unitSystem->preferredUnits(UnitSystem::YoungsModulus),
                                          unitSystem->preferredStringFromSI(material->shearModulus(),
                                                                            UnitSystem::ShearModulus, false),
                                          unitSystem->preferredUnits(UnitSystem::YoungsModulus));
        auto* cell = new PickerCell(PickerCell::Type1, material->name(), subtitle, nullptr);
        if (isImpossible(*material))
            cell->setTextColour(_kelvoryRed);
        return cell;
    });
}
