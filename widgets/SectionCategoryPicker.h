#pragma once

#include "LibraryPicker.h"
#include "SectionLibrary.h"

// The categories of one country, each beside the icon of its shape.
class SectionCategoryPicker : public LibraryPicker<SectionLibrary>
{
    Q_OBJECT

public:
    explicit SectionCategoryPicker(QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());

signals:
    void CategoryChosen(const SectionLibrary::ItemRef& item);

public slots:
    void repopulate() override;
    void setCountryItem(const SectionLibrary::ItemRef& item = SectionLibrary::ItemRef());
    // A custom category is found by the section's shape, any other by name.
    void setSelection(const SectionTypeRef& sectionType = SectionTypeRef(), bool custom = false);

protected:
    void cellClicked(PickerCell* cell, const ItemRef& item) override;

private:
    ItemRef countryItem;
};
