#include "LoadAxisPicker.h"

#include "Load.h"
#include "TorqueLoad.h"

#include <QCoreApplication>
#include <QVBoxLayout>

namespace {

// The library holds the force axes first, then as many torque axes.
const int forceAxisCount = 6;

bool isTorque(const LoadRef& load)
{
    return qobject_cast<TorqueLoad*>(load.data()) != nullptr;
}

// A load without a load axis counts as the default axis.
Axis axisOf(const LoadRef& load)
{
    return load->axis() ? load->axis()->axis() : Axis();
}

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
    currentItem.reset();
    emitter->trigger();
}

// A torque axis has the vector of a force axis ("Around global Y" that of
// "In global Y"), so a search of the whole library would find the hidden twin.
void LoadAxisPicker::setSelection(const LoadAxisRef& loadAxis)
{
    currentItem.reset();
    if (loadAxis) {
        for (const ItemRef& item : shownItems()) {
            if (LoadAxis::isAxisEqualTo(item->value(), loadAxis->axis())) {
                currentItem = item;
                break;
            }
        }
    }
    highlightCurrentItem();
}

void LoadAxisPicker::setSelectedLoads(const LoadRef& master, const QList<LoadRef>& loads)
{
    const bool torque = master && isTorque(master);
    bool agree = master && master->axis();
    for (const LoadRef& load : loads)
        agree = agree && isTorque(load) == torque && axisOf(load) == axisOf(master);
    setDisplayTorqueAxes(torque);
    setSelection(agree ? master->axis() : LoadAxisRef());
}

void LoadAxisPicker::cellClicked(PickerCell*, const ItemRef& item)
{
    if (item && item->value())
        emit LoadAxisChosen(item->value());
}

QList<LoadAxisPicker::ItemRef> LoadAxisPicker::shownItems() const
{
    if (!library || !library->root())
        return {};
    const QList<ItemRef> items = LoadAxisLibrary::castItems(library->root()->subnodes());
    return displayTorqueAxes ? items.mid(forceAxisCount) : items.mid(0, forceAxisCount);
}

void LoadAxisPicker::repopulate()
{
    if (!isVisible())
        return;
    const QPoint scroll = setContentLayout(nullptr, QPoint());
    QVBoxLayout* layout = newColumnLayout();
    addColumnBlock(layout, shownItems(), [](const LoadAxisRef&) { return QString(); });
    setContentLayout(layout, scroll);
}
