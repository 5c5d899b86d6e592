#pragma once

#include "LibraryPicker.h"
#include "MemberPinLibrary.h"
#include "ModelRefs.h"

#include <QList>

// The member end pins of the pin library.
class MemberPinPicker : public LibraryPicker<MemberPinLibrary>
{
    Q_OBJECT

public:
    explicit MemberPinPicker(QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());

    // The pin that the selected members have at the ends a choice would set
    // (those at a selected node; every end when no node is selected), as a
    // pin of that restraint; null when they differ or there is no such end.
    static MemberPinRef pinOfSelection(const QList<MemberRef>& members, const QList<NodeRef>& nodes);

signals:
    void MemberPinChosen(const MemberPinRef& entry);

public slots:
    void repopulate() override;
    void setSelection(const MemberPinRef& entry = MemberPinRef());

protected:
    void cellClicked(PickerCell* cell, const ItemRef& item) override;
};
