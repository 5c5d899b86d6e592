#pragma once

#include "LibraryPicker.h"
#include "MaterialLibrary.h"
#include "UnitSystem.h"

class QGridLayout;

// The standard, then the custom materials, each over its moduli in the
// preferred units and in red when its properties are impossible. Editable, it
// offers an edit button beside each material and an add button.
class MaterialPicker : public LibraryPicker<MaterialLibrary>
{
    Q_OBJECT

public:
    MaterialPicker(const QSharedPointer<UnitSystem>& unitSystem, QWidget* parent = nullptr,
                   Qt::WindowFlags flags = Qt::WindowFlags());

signals:
    void AddMaterial(const MaterialRef& material);
    void EditMaterial(const MaterialRef& material);
    void MaterialChosen(const MaterialRef& material);

public slots:
    void addNewMaterial();
    void editButtonClicked(PickerCell* cell);
    void repopulate() override;
    // Matched by first name, so a section's own copy lights the library entry.
    void setSelection(const MaterialRef& material = MaterialRef());

protected:
    void cellClicked(PickerCell* cell, const ItemRef& item) override;
    void populateGroup(const ItemRef& branch, QGridLayout* grid, bool withEditButtons);

private:
    QList<int> addButtonRows;
    QMap<PickerCell*, ItemRef> editCellItems;
    QSharedPointer<UnitSystem> unitSystem;
};
