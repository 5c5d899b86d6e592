#pragma once

#include "GroupLibrary.h"
#include "LibraryPicker.h"

class QGridLayout;

// The geometry groups under "Unspecified", each with an edit button and a
// note when nothing uses it, and a button that proposes a new group.
class GroupPicker : public LibraryPicker<GroupLibrary>
{
    Q_OBJECT

public:
    explicit GroupPicker(QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());

signals:
    void AddGroup(const GroupRef& group);
    void EditGroup(const GroupRef& group);
    void GroupChosen(const GroupRef& group);

public slots:
    void addNewGeometryGroup();
    void editButtonClicked(PickerCell* cell);
    void repopulate() override;
    void setDocumentModel(const DocumentModelRef& document = DocumentModelRef()) override;
    // A group the library does not hold highlights "Unspecified".
    void setSelection(const GroupRef& group = GroupRef());

protected:
    void cellClicked(PickerCell* cell, const ItemRef& item) override;
    void populateGroup(const ItemRef& branch, QGridLayout* grid, bool withEditButtons);

private:
    QMap<PickerCell*, ItemRef> editCellItems;
};
