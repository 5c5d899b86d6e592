#pragma once

#include "LibraryPicker.h"
#include "MemberAxisLibrary.h"

// The member orientation axes: the six fixed axes, then "Towards master node",
// which can be chosen only once the library knows a node.
class MemberAxisPicker : public LibraryPicker<MemberAxisLibrary>
{
    Q_OBJECT

public:
    explicit MemberAxisPicker(QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());

signals:
    void MemberAxisChosen(const MemberAxisRef& entry);

public slots:
    void repopulate() override;
    void setSelection(const MemberAxisRef& entry = MemberAxisRef());

protected:
    void cellClicked(PickerCell* cell, const ItemRef& item) override;
};
