#pragma once

#include "LibraryPicker.h"
#include "LoadAxisLibrary.h"
#include "ModelRefs.h"

#include <QList>

// The six force axes or the six torque axes of the load-axis library.
class LoadAxisPicker : public LibraryPicker<LoadAxisLibrary>
{
    Q_OBJECT

public:
    explicit LoadAxisPicker(QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());

    bool displaysTorqueAxes() const { return displayTorqueAxes; }

signals:
    void LoadAxisChosen(const LoadAxisRef& loadAxis);

public slots:
    void repopulate() override;
    // Drops the highlight: an entry of the other block is not shown.
    void setDisplayTorqueAxes(bool torque);
    // Matched by axis among the entries shown, so an equal copy lights the
    // library's entry of the block in view.
    void setSelection(const LoadAxisRef& loadAxis = LoadAxisRef());
    // The block of the master's kind, with the axis lit that every load
    // shares with the master, kind included; nothing lit when they differ.
    void setSelectedLoads(const LoadRef& master, const QList<LoadRef>& loads);

protected:
    void cellClicked(PickerCell* cell, const ItemRef& item) override;

private:
    QList<ItemRef> shownItems() const;

    bool displayTorqueAxes = false;
};
