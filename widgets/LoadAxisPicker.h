#pragma once

#include "LibraryPicker.h"
#include "LoadAxisLibrary.h"

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
    void setDisplayTorqueAxes(bool torque);
    // Matched by axis, so an equal copy lights the library's entry.
    void setSelection(const LoadAxisRef& loadAxis = LoadAxisRef());

protected:
    void cellClicked(PickerCell* cell, const ItemRef& item) override;

private:
    bool displayTorqueAxes = false;
};
