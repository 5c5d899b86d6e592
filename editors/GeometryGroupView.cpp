#include "GeometryGroupView.h"

#include "ColourPicker.h"
#include "GeometryGroup.h"
#include "GroupLibrary.h"
#include "SingleEmitter.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QToolButton>

#include <cmath>

GeometryGroupView::GeometryGroupView(QWidget* parent, Qt::WindowFlags flags)
    : EntryPage(parent, flags), analyseBox(new QCheckBox(this)), opacitySlider(new QSlider(Qt::Horizontal, this)),
      colourPicker(new ColourPicker(this))
{
    setPageTitle(tr("Groups"));
    auto* analyseLabel = new QLabel(tr("Analyse"), this);
    analyseLabel->setBuddy(analyseBox);
    analyseLabel->setFocusPolicy(Qt::NoFocus);
    opacitySlider->setTickPosition(QSlider::NoTicks);
    opacitySlider->setRange(0, 100);
    opacitySlider->setSingleStep(1);
    opacitySlider->setPageStep(10);
    opacitySlider->setTracking(true);
    colourPicker->setColour(Qt::white);
    colourPicker->setMinimumSize(64, 64);
    colourPicker->setFocusPolicy(Qt::NoFocus);

    auto* inner = new QGridLayout;
    inner->setContentsMargins(0, 0, 0, 0);
    inner->setSpacing(8);
    inner->addWidget(analyseLabel, 0, 0, Qt::AlignRight);
    inner->addWidget(analyseBox, 0, 1, 1, 2, Qt::AlignLeft);
    inner->addWidget(new QLabel(tr("Opacity"), this), 1, 0, Qt::AlignRight);
    inner->addWidget(opacitySlider, 1, 1, 1, 2, Qt::AlignLeft);
    inner->addWidget(colourPicker, 2, 0, 1, 2, Qt::AlignCenter);
    inner->setColumnStretch(1, 1);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(8, 8, 8, 8);
    grid->setSpacing(8);
    grid->addLayout(createTopRow(true), 0, 0, 1, 2);
    grid->addLayout(inner, 1, 0);
    grid->addWidget(createRemoveButton(), 1, 1, Qt::AlignRight | Qt::AlignBottom);
    grid->addWidget(createFiller(), 2, 0, 1, 2);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 0);
    grid->setRowStretch(2, 1);

    connect(analyseBox, &QCheckBox::stateChanged, this, &GeometryGroupView::setAnalysisPurpose);
    connect(opacitySlider, &QSlider::valueChanged, this, &GeometryGroupView::setOpacity);
    connect(colourPicker, &ColourPicker::ColourChanged, this, &GeometryGroupView::setColour);
    connect(nameEdit, &QLineEdit::textEdited, this, &GeometryGroupView::nameChanged);
    connect(removeButton, &QToolButton::clicked, this, &GeometryGroupView::remove);
    repopulate();
}

void GeometryGroupView::setGeometryGroup(const GeometryGroupRef& group)
{
    takeEntry(group);
}

void GeometryGroupView::setLibrary(const QSharedPointer<GroupLibrary>& newLibrary)
{
    replaceLibrary(library, newLibrary);
}

void GeometryGroupView::repopulate()
{
    setAllEnabled({nameEdit, analyseBox, opacitySlider, colourPicker}, copy != nullptr);
    if (copy) {
        showText(nameEdit, copy->name());
        analyseBox->setChecked(copy->hasAnalysisPurpose());
        opacitySlider->setValue(int(std::lround(copy->colour().alphaF() * 100)));
        colourPicker->setColour(copy->colour());
    } else {
        nameEdit->clear();
        analyseBox->setChecked(false);
        opacitySlider->setValue(100);
        colourPicker->setColour(QColor());
    }
}

void GeometryGroupView::nameChanged()
{
    takeName(copy.data());
}

void GeometryGroupView::setAnalysisPurpose(int state)
{
    if (!copy)
        return;
    // The model's setter brackets the change with the value signals.
    copy->setAnalysisPurpose(state == Qt::Checked);
    emitter->trigger();
}

void GeometryGroupView::setColour(const QColor& colour)
{
    if (!copy)
        return;
    QColor chosen = colour;
    chosen.setAlpha(copy->colour().alpha());
    if (chosen != copy->colour())
        changeColour(chosen);
}

void GeometryGroupView::setOpacity(int percent)
{
    if (!copy)
        return;
    // The slider moved to the opacity the group already has, as when the
    // page shows a group whose opacity is not a whole percent: no change.
    if (percent == int(std::lround(copy->colour().alphaF() * 100)))
        return;
    QColor faded = copy->colour();
    faded.setAlphaF(percent / 100.0);
    if (faded.alpha() != copy->colour().alpha())
        changeColour(faded);
}

void GeometryGroupView::changeColour(const QColor& colour)
{
    copy->setColour(colour);
    emitter->trigger();
}

bool GeometryGroupView::entryInModel() const
{
    return heldBy(library, GroupRef(target));
}

bool GeometryGroupView::mergeEntry()
{
    bool changed = false;
    copy->setName(merged(copy->name(), agreed->name(), target->name(), changed));
    const bool analysis =
        merged(copy->hasAnalysisPurpose(), agreed->hasAnalysisPurpose(), target->hasAnalysisPurpose(), changed);
    if (analysis != copy->hasAnalysisPurpose())
        copy->setAnalysisPurpose(analysis);
    // The colour and the opacity are fields of their own on the page.
    const QColor mine = copy->colour();
    const QColor was = agreed->colour();
    const QColor now = target->colour();
    bool colourChanged = false;
    const QRgb rgb = merged(mine.rgb(), was.rgb(), now.rgb(), colourChanged);
    const int alpha = merged(mine.alpha(), was.alpha(), now.alpha(), colourChanged);
    if (colourChanged) {
        QColor colour = rgb == now.rgb() ? now : QColor(rgb);
        colour.setAlpha(alpha);
        copy->setColour(colour);
    }
    agree();
    return changed || colourChanged;
}

void GeometryGroupView::handOnEdits()
{
    if (copy->name() != target->name() || copy->purpose() != target->purpose() || copy->colour() != target->colour())
        emit GroupChanged(target, copy);
}

void GeometryGroupView::remove()
{
    // The page lets the entry go itself: following the model's removal
    // must not send it back a second time.
    entryWasHeld = false;
    emit GroupRemoved(target);
    target.clear();
    emit GoBack();
}
