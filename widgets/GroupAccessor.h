#pragma once

#include "GroupLibrary.h"
#include "GroupPicker.h"
#include "LibraryAccessor.h"

// The groups window: the group picker, and the geometry group editor page
// opened from its edit buttons.
class GroupAccessor : public LibraryAccessor
{
    Q_OBJECT

public:
    GroupAccessor(const QSharedPointer<UnitSystem>& unitSystem, QWidget* parent = nullptr,
                  Qt::WindowFlags flags = Qt::WindowFlags());

    void setLibrary(const QSharedPointer<GroupLibrary>& library);

    GroupPicker* groupPicker() const { return picker; }
    QWidget* geometryGroupView() const { return geometryGroupPage; }

    QSize sizeHint() const override { return QSize(256, 384); }

public slots:
    // Only a geometry group is edited; removal is offered when nothing uses it.
    void editGroup(const GroupRef& group);

private:
    GroupPicker* const picker;
    QWidget* const geometryGroupPage;
};
