#include "CombinationView.h"

#include "Combination.h"
#include "LoadCaseLibrary.h"

#include <QLineEdit>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

CombinationView::CombinationView(const UnitSystemRef& unitSystem, QWidget* parent, Qt::WindowFlags flags)
    : EntryPage(unitSystem, parent, flags)
{
    setPageTitle(tr("Combination"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(8);
    layout->addLayout(createTopRow(true));
    layout->addWidget(createFactorArea(), 0);
    layout->addWidget(createRemoveButton(), 0, Qt::AlignRight);
    layout->addWidget(createFiller(), 1);
    connect(nameEdit, &QLineEdit::textEdited, this, &CombinationView::nameChanged);
    connect(removeButton, &QToolButton::clicked, this, &CombinationView::remove);
    repopulate();
}

void CombinationView::setCombination(const CombinationRef& combination)
{
    takeEntry(combination);
}

SuperLoadCase* CombinationView::superCopy() const
{
    return copy.data();
}

QList<LoadCaseRef> CombinationView::listedCases() const
{
    return library->loadings() + library->autoCases() + library->swayCases();
}

void CombinationView::repopulate()
{
    nameEdit->setEnabled(copy != nullptr);
    rebuildFactorList();
    if (!copy || !library) {
        nameEdit->clear();
        return;
    }
    showText(nameEdit, copy->name());
}

void CombinationView::nameChanged()
{
    takeName(copy.data());
}

bool CombinationView::entryInModel() const
{
    return heldBy(library, target);
}

bool CombinationView::mergeEntry()
{
    const bool changed = mergeSuperCase(*agreed, *target);
    agree();
    return changed;
}

void CombinationView::handOnEdits()
{
    // The page offers no second-order choice and the apply keeps the
    // combination's own, so the mark is no difference.
    if (*copy != *target)
        emit CombinationChanged(target, copy);
}

void CombinationView::remove()
{
    // The page lets the entry go itself: following the model's removal
    // must not send it back a second time.
    entryWasHeld = false;
    emit LoadCaseRemoved(target);
    target.clear();
    emit GoBack();
}
