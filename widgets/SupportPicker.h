#pragma once

#include "LibraryPicker.h"
#include "SupportLibrary.h"

// The supports of the support library, each with a read-out of the freedoms it
// restrains.
class SupportPicker : public LibraryPicker<SupportLibrary>
{
    Q_OBJECT

public:
    explicit SupportPicker(QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());

signals:
    void SupportChosen(const SupportRef& entry);

public slots:
    void repopulate() override;
    void setSelection(const SupportRef& entry = SupportRef());

protected:
    void cellClicked(PickerCell* cell, const ItemRef& item) override;
};
