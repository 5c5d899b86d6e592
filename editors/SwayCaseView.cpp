#include "SwayCaseView.h"

#include "ButtonBar.h"
#include "LoadCaseLibrary.h"
#include "ProgrammaticButtonGroup.h"
#include "SwayCase.h"

#include <QAbstractButton>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QStringList axes{QStringLiteral("X"), QStringLiteral("Y"), QStringLiteral("Z")};

// Checks the button without clicking it, so that a disabled bar shows it too.
void showIndex(ButtonBar* bar, int index)
{
    if (QAbstractButton* button = bar->group()->button(index))
        button->setChecked(true);
}

} // namespace

SwayCaseView::SwayCaseView(const UnitSystemRef& unitSystem, QWidget* parent, Qt::WindowFlags flags)
    : EntryPage(unitSystem, parent, flags),
      takeBar(new ButtonBar(axes,
                            {tr("Take the X component of loads as the basis of the sway."),
                             tr("Take the Y component of loads as the basis of the sway."),
                             tr("Take the Z component of loads as the basis of the sway.")},
                            this)),
      applyBar(new ButtonBar(axes,
                             {tr("Apply sway along the X axis."), tr("Apply sway along the Y axis."),
                              tr("Apply sway along the Z axis.")},
                             this))
{
    setPageTitle(tr("Swaycase"));
    auto* takeRow = new QHBoxLayout;
    takeRow->addWidget(new QLabel(tr("Take component"), this), 0, Qt::AlignLeft);
    takeRow->addWidget(takeBar, 1);
    takeRow->addWidget(new QLabel(tr("of:"), this), 0, Qt::AlignRight);
    auto* applyRow = new QHBoxLayout;
    applyRow->addWidget(new QLabel(tr("and apply along"), this), 0, Qt::AlignLeft);
    applyRow->addWidget(applyBar, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(8);
    layout->addLayout(createTopRow(true));
    layout->addLayout(takeRow);
    layout->addWidget(createFactorArea(), 0);
    layout->addLayout(applyRow);
    layout->addWidget(createRemoveButton(), 0, Qt::AlignRight);
    layout->addWidget(createFiller(), 1);

    connect(takeBar, &ButtonBar::buttonClicked, this, &SwayCaseView::takeComponentChanged);
    connect(applyBar, &ButtonBar::buttonClicked, this, &SwayCaseView::applyComponentChanged);
    connect(nameEdit, &QLineEdit::textEdited, this, &SwayCaseView::nameChanged);
    connect(removeButton, &QToolButton::clicked, this, &SwayCaseView::remove);
    repopulate();
}

void SwayCaseView::setSwayCase(const SwayCaseRef& swayCase)
{
    takeEntry(swayCase);
}

SuperLoadCase* SwayCaseView::superCopy() const
{
    return copy.data();
}

QList<LoadCaseRef> SwayCaseView::listedCases() const
{
    return library->loadings() + library->autoCases();
}

void SwayCaseView::repopulate()
{
    setAllEnabled({nameEdit, applyBar, takeBar}, copy != nullptr);
    rebuildFactorList();
    if (!copy || !library) {
        nameEdit->clear();
        showIndex(applyBar, SwayCase::X);
        showIndex(takeBar, SwayCase::Y);
        return;
    }
    showText(nameEdit, copy->name());
    showIndex(applyBar, copy->applyComponent());
    showIndex(takeBar, copy->takeComponent());
}

void SwayCaseView::nameChanged()
{
    takeName(copy.data());
}

void SwayCaseView::takeComponentChanged(int index)
{
    if (copy && copy->takeComponent() != index)
        copy->setTakeComponent(SwayCase::LoadComponent(index));
}

void SwayCaseView::applyComponentChanged(int index)
{
    if (copy && copy->applyComponent() != index)
        copy->setApplyComponent(SwayCase::LoadComponent(index));
}

bool SwayCaseView::entryInModel() const
{
    return heldBy(library, target);
}

bool SwayCaseView::mergeEntry()
{
    bool changed = mergeSuperCase(*agreed, *target);
    copy->setTakeComponent(merged(copy->takeComponent(), agreed->takeComponent(), target->takeComponent(), changed));
    copy->setApplyComponent(
        merged(copy->applyComponent(), agreed->applyComponent(), target->applyComponent(), changed));
    agree();
    return changed;
}

void SwayCaseView::handOnEdits()
{
    if (*copy != *target || copy->takeComponent() != target->takeComponent()
        || copy->applyComponent() != target->applyComponent())
        emit SwayCaseChanged(target, copy);
}

void SwayCaseView::remove()
{
    // The page lets the entry go itself: following the model's removal
    // must not send it back a second time.
    entryWasHeld = false;
    emit LoadCaseRemoved(target);
    target.clear();
    emit GoBack();
}
