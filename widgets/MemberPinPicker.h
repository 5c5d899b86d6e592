#pragma once

#include "LibraryPicker.h"
#include "MemberPinLibrary.h"

// The member end pins of the pin library.
class MemberPinPicker : public LibraryPicker<MemberPinLibrary>
{
    Q_OBJECT

public:
    explicit MemberPinPicker(QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());

signals:
    void MemberPinChosen(const MemberPinRef& entry);

public slots:
    void repopulate() override;
    void setSelection(const MemberPinRef& entry = MemberPinRef());

protected:
    void cellClicked(PickerCell* cell, const ItemRef& item) override;
};
