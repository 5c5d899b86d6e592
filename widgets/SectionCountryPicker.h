#pragma once

#include "LibraryPicker.h"
#include "SectionLibrary.h"

// The countries of the section library, then "Custom" and "Material only".
class SectionCountryPicker : public LibraryPicker<SectionLibrary>
{
    Q_OBJECT

public:
    explicit SectionCountryPicker(QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());

    // Stands for "Material only"; never in the library.
    ItemRef materialOnlyItem() const { return materialOnly; }

signals:
    void CountryChosen(const SectionLibrary::ItemRef& item);

public slots:
    void repopulate() override;
    // By the section's first name; a section without one is a custom section.
    void setSelection(const SectionTypeRef& sectionType = SectionTypeRef());

protected:
    void cellClicked(PickerCell* cell, const ItemRef& item) override;

private:
    const ItemRef materialOnly;
};
