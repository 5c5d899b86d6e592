#include "CombinationView.h"

#include "Combination.h"
#include "LoadCaseLibrary.h"

#include <QLineEdit>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

CombinationView::CombinationView(const UnitSystemRef& unitSystem, QWidget* parent, Qt::WindowFlags flags)
    : FactorListPage(unitSystem, parent, flags)
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
    takeWorkingCopy(target, copy, combination);
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
    nameEdit->setText(copy->name());
}

void CombinationView::nameChanged()
{
    takeName(copy.data());
}

void CombinationView::applyEdits()
{
    if (!copy || !target)
        return;
    nameChanged();
    // The page offers no second-order choice and the apply keeps the
    // combination's own, so the mark is no difference.
    if (*copy != *target)
        emit CombinationChanged(target, copy);
}

void CombinationView::remove()
{
    emit LoadCaseRemoved(target);
    target.clear();
    emit GoBack();
}
