#pragma once

#include "LibraryPicker.h"
#include "SectionLibrary.h"

// The sizes of one category, in panels of sizes whose leading numbers agree.
class SectionSizePicker : public LibraryPicker<SectionLibrary>
{
    Q_OBJECT

public:
    explicit SectionSizePicker(QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());

signals:
    void SizeChosen(const SectionLibrary::ItemRef& item);

public slots:
    void repopulate() override;
    void setCategoryItem(const SectionLibrary::ItemRef& item = SectionLibrary::ItemRef());
    void setSelection(const SectionTypeRef& sectionType = SectionTypeRef());

protected:
    void cellClicked(PickerCell* cell, const ItemRef& item) override;

private:
    ItemRef categoryItem;
};
