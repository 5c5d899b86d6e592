#include "LoadAxisPicker.h"

#include <QCoreApplication>
#include <QVBoxLayout>

namespace {

// The library holds the force axes first, then as many torque axes.
const int forceAxisCount = 6;

} // namespace

LoadAxisPicker::LoadAxisPicker(QWidget* parent, Qt::WindowFlags flags) : LibraryPicker<LoadAxisLibrary>(parent, flags)
{
    setWindowTitle(QStringLiteral("%1 Load Axes").arg(QCoreApplication::applicationName()));
}

void LoadAxisPicker::setDisplayTorqueAxes(bool torque)
{
    if (torque == displayTorqueAxes)
        return;
    displayTorqueAxes = torque;
    emitter->trigger();
}

void LoadAxisPicker::setSelection(const LoadAxisRef& loadAxis)
{
    selectMatching(loadAxis ? rootNode() : TreeNodeRef(), &LoadAxis::isAxisEqualTo,
                   loadAxis ? loadAxis->axis() : Axis(), false);
}

void LoadAxisPicker::cellClicked(PickerCell*, const ItemRef& item)
{
    if (item && item->value())
        emit LoadAxisChosen(item->value());
}

void LoadAxisPicker::repopulate()
{
    if (!isVisible())
        return;
    const QPoint scroll = setContentLayout(nullptr, QPoint());
    QVBoxLayout* layout = newColumnLayout();
    if (library && library->root()) {
        const QList<ItemRef> items = LoadAxisLibrary::castItems(library->root()->subnodes());
        addColumnBlock(layout, displayTorqueAxes ? items.mid(forceAxisCount) : items.mid(0, forceAxisCount),
                       [](const LoadAxisRef&) { return QString(); });
    }
    setContentLayout(layout, scroll);
}
