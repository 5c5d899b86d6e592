#include "LoadingView.h"

#include "ColourPicker.h"
#include "LoadCaseLibrary.h"
#include "Loading.h"
#include "SingleEmitter.h"

#include <QGridLayout>
#include <QLineEdit>
#include <QToolButton>

LoadingView::LoadingView(QWidget* parent, Qt::WindowFlags flags)
    : EntryPage(parent, flags), colourPicker(new ColourPicker(this))
{
    setPageTitle(tr("Load case"));
    colourPicker->setColour(Qt::white);
    colourPicker->setMinimumSize(64, 64);
    colourPicker->setFocusPolicy(Qt::NoFocus);
    connect(colourPicker, &ColourPicker::ColourChanged, this, &LoadingView::setColour);

    auto* inner = new QGridLayout;
    inner->setContentsMargins(0, 0, 0, 0);
    inner->setSpacing(8);
    inner->addWidget(colourPicker, 0, 0, Qt::AlignCenter);
    inner->setColumnStretch(0, 1);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(8, 8, 8, 8);
    grid->setSpacing(8);
    grid->addLayout(createTopRow(true), 0, 0, 1, 2);
    grid->addLayout(inner, 1, 0);
    grid->addWidget(createRemoveButton(), 1, 1, Qt::AlignRight | Qt::AlignBottom);
    grid->addWidget(createFiller(), 2, 0, 1, 2);
    grid->setColumnStretch(0, 1);
    grid->setRowStretch(2, 1);

    connect(nameEdit, &QLineEdit::textEdited, this, &LoadingView::nameChanged);
    connect(removeButton, &QToolButton::clicked, this, &LoadingView::remove);
    repopulate();
}

void LoadingView::setLoading(const LoadingRef& loading)
{
    takeEntry(loading);
}

void LoadingView::setLibrary(const QSharedPointer<LoadCaseLibrary>& newLibrary)
{
    replaceLibrary(library, newLibrary);
}

void LoadingView::repopulate()
{
    setAllEnabled({nameEdit, colourPicker}, copy != nullptr);
    if (copy) {
        colourPicker->setColour(copy->colour());
        showText(nameEdit, copy->name());
    } else {
        colourPicker->setColour(QColor());
        nameEdit->clear();
    }
}

void LoadingView::nameChanged()
{
    takeName(copy.data());
}

void LoadingView::setColour(const QColor& colour)
{
    if (!copy)
        return;
    QColor opaque = colour;
    opaque.setAlpha(255);
    if (opaque == copy->colour())
        return;
    emit copy->ValueWillChange();
    copy->setColour(opaque);
    emit copy->ValueHasChanged();
    emitter->trigger();
}

bool LoadingView::entryInModel() const
{
    return heldBy(library, target);
}

bool LoadingView::mergeEntry()
{
    bool changed = false;
    copy->setName(merged(copy->name(), agreed->name(), target->name(), changed));
    copy->setColour(merged(copy->colour(), agreed->colour(), target->colour(), changed));
    agree();
    return changed;
}

void LoadingView::handOnEdits()
{
    if (copy->name() != target->name() || copy->colour() != target->colour())
        emit LoadingChanged(target, copy);
}

void LoadingView::remove()
{
    // The page lets the entry go itself: following the model's removal
    // must not send it back a second time.
    entryWasHeld = false;
    emit LoadCaseRemoved(target);
    target.clear();
    emit GoBack();
}
