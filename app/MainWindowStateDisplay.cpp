#include "MainWindow.h"

#include "Calculator.h"
#include "CurrentState.h"
#include "DocumentModel.h"
#include "GroupAccessor.h"
#include "Libraries.h"
#include "LoadAxisPicker.h"
#include "LoadCaseAccessor.h"
#include "LoadCaseLibrary.h"
#include "Member.h"
#include "MemberAxisLibrary.h"
#include "MemberAxisPicker.h"
#include "MemberPinPicker.h"
#include "NameButton.h"
#include "Node.h"
#include "PaintHelpers.h"
#include "SectionAccessor.h"
#include "SectionType.h"
#include "SelectionModel.h"
#include "StructureModel.h"
#include "Support.h"
#include "SupportPicker.h"
#include "ToolMenu.h"

#include <QSlider>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>
#include <cmath>

namespace {

const int decades = 8;
const int lowestDecade = -6;
const double deflectionScaleFactor = 1000.0;

} // namespace

// ---- Commands, tool bars and library windows by mode and selection

void MainWindow::updateGUIForCurrentStateAndSelection()
{
    if (!document || !state)
        return;
    updateGroupAccessor();
    updateLoadCaseAccessor();
    updateLoadPickers();
    updateMemberPickers();
    updateNodePickers();

    const int mode = state->mode();
    const bool geometry = mode == CurrentState::Geometry;
    const bool loading = mode == CurrentState::Loading;
    const bool results = mode == CurrentState::Results;
    const QSharedPointer<SelectionModel> selection = document->selectionModel();
    const bool O = bool(selection->master());
    const NodeRef N = selection->lastSelectedNode();
    const bool B = bool(selection->lastSelectedMember());
    const bool L = bool(selection->lastSelectedLoad());
    const int n = selection->selectedNodes().size();
    const bool box = state->isSelectionBoxVisible();
    const bool deletable = ((N || B) && geometry) || (L && loading);

    const QList<QPair<QToolButton*, bool>> decisions = {
        {buttonSelectionMenu, !results},
        {buttonNodeMenu, geometry},
        {buttonMemberMenu, geometry},
        {buttonLoadMenu, loading},
        {buttonResultMenu, results},
        {actionLoadAxis, L},
        {actionMemberAxes, B},
        {actionMemberPins, B},
        {actionSplitMembers, B},
        {actionPolariseMembers, B},
        {actionAddPLoad, B},
        {actionAddMLoad, B},
        {actionAddTLoad, B},
        {actionNodeSupports, bool(N)},
        {actionNodeFlip, N && B},
        {actionNodeRotate, N && B},
        {actionAddMembers, n >= 2},
        {actionSelectionCopy, (N || B) && geometry},
        {actionSelectionAuto, (B && geometry) || (L && loading)},
        {actionSelectionBoxClear, box},
        {actionSelectionBoxSelect, box},
        {actionSelectionDelete, deletable},
        {actionGroupMove, deletable},
        {actionSelectionClear, O},
    };
    for (const auto& decision : decisions)
        decision.first->setEnabled(decision.second);
    buttonResultMenu->setIcon(QIcon(ToolMenu::menuButtonPixmap(state->resultPixmap())));

    if (geometry || loading || results) {
        toolBarControl->setEnabled(!results);
        toolBarCases->setEnabled(!geometry);
        toolBarGroups->setEnabled(geometry);
        const QPair<QToolBar*, QToolBar*> bars = modeToolBars();
        showLater(bars.second, false);
        showLater(bars.first, true);
    }
    if (geometry) {
        showLater(loadAxisPicker, false);
        showLater(loadCaseAccessor, false);
        actionGroupMove->setToolTip(tr("Move currently selected geometry to visible group"));
    } else if (loading || results) {
        for (QWidget* library : {static_cast<QWidget*>(memberAxisPicker), static_cast<QWidget*>(memberPinPicker),
                                 static_cast<QWidget*>(supportPicker), static_cast<QWidget*>(groupAccessor)})
            showLater(library, false);
        if (results)
            showLater(loadAxisPicker, false);
        else
            actionGroupMove->setToolTip(tr("Move currently selected loads to visible load-case"));
    }
    cancelCalculatorOnDeselect(selection->selection());
}

void MainWindow::showModeToolBars()
{
    const int mode = state->mode();
    if (mode == CurrentState::Geometry || mode == CurrentState::Loading || mode == CurrentState::Results) {
        const QPair<QToolBar*, QToolBar*> bars = modeToolBars();
        bars.second->hide();
        bars.first->show();
    }
}

// The Cases or Groups bar that the mode shows, and the other one. The other
// goes before the one shown comes, so that the window never has to hold both
// and grow wider for a moment, never to shrink back.
QPair<QToolBar*, QToolBar*> MainWindow::modeToolBars() const
{
    if (state->mode() == CurrentState::Geometry)
        return {toolBarGroups, toolBarCases};
    return {toolBarCases, toolBarGroups};
}

void MainWindow::showLater(QWidget* widget, bool show)
{
    if (show)
        QTimer::singleShot(0, widget, &QWidget::show);
    else
        QTimer::singleShot(0, widget, &QWidget::hide);
}

// A value asked for on an object makes no sense once that object is
// deselected, nor one asked for on a selection once none of it is selected.
void MainWindow::cancelCalculatorOnDeselect(const QList<VaroObjectRef>& selection)
{
    if (!calculator || !calculator->isVisible())
        return;
    const CalculatorReference& reference = calculator->currentReference();
    const VaroObjectRef object = reference.value(QStringLiteral("cancelOnDeselect")).value<VaroObjectRef>();
    const QVariant aimed = reference.value(QStringLiteral("selection"));
    const QList<VaroObjectRef> objects = aimed.value<QList<VaroObjectRef>>();
    const auto selected = [&selection](const VaroObjectRef& o) { return selection.contains(o); };
    const bool aimedLeft = aimed.isValid() && std::none_of(objects.cbegin(), objects.cend(), selected);
    if ((object && !selection.contains(object)) || aimedLeft)
        calculator->cancel();
}

// ---- The group and load-case buttons

void MainWindow::updateGroupAccessor()
{
    if (!document || !state)
        return;
    const GroupRef group = state->group();
    if (groupAccessor->isVisible())
        groupAccessor->groupPicker()->setSelection(group);
    groupButton->setName(group ? group->name() : tr("(no group)"));
}

void MainWindow::updateLoadCaseAccessor()
{
    if (!document || !state)
        return;
    const LoadCaseRef loadCase = state->loadCase();
    if (loadCaseAccessor->isVisible())
        loadCaseAccessor->loadCasePicker()->setSelection(loadCase);
    loadCaseButton->setName(loadCase ? loadCase->name() : tr("(no loadcase)"));
}

void MainWindow::updateGUIForGroupChanges()
{
    if (!state)
        return;
    if (!document) {
        state->setGroup(GroupRef());
    } else if (const GroupRef group = state->group()) {
        bool listed = false;
        for (const GeometryGroupRef& candidate : document->groups())
            listed = listed || candidate == group;
        if (!listed)
            state->setGroup(GroupRef());
    }
    updateGroupAccessor();
}

void MainWindow::updateGUIForLoadCaseChanges()
{
    if (!state)
        return;
    if (!document) {
        state->setLoadCase(LoadCaseRef());
    } else {
        const LoadCaseRef shown = document->loadCaseShownFor(state->loadCase());
        if (shown != state->loadCase())
            state->setLoadCase(shown);
    }
    updateLoadCaseAccessor();
}

// ---- The library windows follow the selection

void MainWindow::updateNodePickers()
{
    if (!document || !supportPicker->isVisible())
        return;
    const QSharedPointer<SelectionModel> selection = document->selectionModel();
    const NodeRef master = selection->lastSelectedNode();
    if (!master) {
        supportPicker->hide();
        return;
    }
    // Supports agree by what they restrain, not by identity.
    const SupportRef candidate = master->support();
    const int dof = candidate ? int(candidate->dof()) : 0;
    bool agree = true;
    for (const NodeRef& node : selection->selectedNodes())
        agree = agree && Support::isDofEqualTo(node->support(), Dof(dof));
    supportPicker->setSelection(agree ? candidate : SupportRef());
}

void MainWindow::updateMemberPickers()
{
    if (!document
        || !(memberAxisPicker->isVisible() || memberPinPicker->isVisible() || sectionAccessor->isVisible()))
        return;
    const QSharedPointer<SelectionModel> selection = document->selectionModel();
    const MemberRef master = selection->lastSelectedMember();
    if (!master) {
        memberAxisPicker->hide();
        memberPinPicker->hide();
        sectionAccessor->setSelection(CrossSectionRef(), MaterialRef());
        return;
    }
    const auto crossSectionOf = [](const MemberRef& member) {
        return member->sectionType() ? member->sectionType()->crossSection() : CrossSectionRef();
    };
    const auto materialOf = [](const MemberRef& member) {
        return member->sectionType() ? member->sectionType()->material() : MaterialRef();
    };
    MemberAxisRef axis = master->axis();
    CrossSectionRef crossSection = crossSectionOf(master);
    MaterialRef material = materialOf(master);
    for (const MemberRef& member : selection->selectedMembers()) {
        if (member->axis() != axis)
            axis.reset();
        if (crossSectionOf(member) != crossSection)
            crossSection.reset();
        if (materialOf(member) != material)
            material.reset();
    }
    document->libraries()->memberAxisLibrary()->setNodeC(selection->lastSelectedNode());
    memberAxisPicker->setSelection(axis);
    memberPinPicker->setSelection(
        MemberPinPicker::pinOfSelection(selection->selectedMembers(), selection->selectedNodes()));
    sectionAccessor->setSelection(crossSection, material);
}

void MainWindow::updateLoadPickers()
{
    if (!document || !loadAxisPicker->isVisible())
        return;
    const QSharedPointer<SelectionModel> selection = document->selectionModel();
    const LoadRef master = selection->lastSelectedLoad();
    if (!master) {
        loadAxisPicker->hide();
        return;
    }
    loadAxisPicker->setSelectedLoads(master, selection->selectedLoads());
}

void MainWindow::checkInterrogator()
{
    if (!document || !state)
        return;
    if (!document->structureModel()->contains(state->interrogatorObject()))
        state->setInterrogatorObject(VaroObjectRef());
}

// ---- The Results tab's badge

void MainWindow::setBadgeTabResults()
{
    QString badge;
    switch (document ? document->analysisOperatingState() : AnalysisLink::OffLine) {
    case AnalysisLink::NoResults:
        badge = QStringLiteral(":/badgeNoResults.png");
        break;
    case AnalysisLink::PartialResults:
        badge = QStringLiteral(":/badgePartialResults.png");
        break;
    case AnalysisLink::ResultsAvailable:
        break;
    case AnalysisLink::OffLine:
        badge = QStringLiteral(":/badgeOffLine.png");
        break;
    }
    if (badge == resultsBadge)
        return;
    resultsBadge = badge;
    tabResults->setIcon(iconForButtonTabResults());
}

QIcon MainWindow::iconForButtonTabResults() const
{
    QPixmap off(QStringLiteral(":/tabResultsOff.png"));
    QPixmap on(QStringLiteral(":/tabResultsOn.png"));
    if (!resultsBadge.isEmpty()) {
        const QPixmap badge(resultsBadge);
        off = blendPixmaps(off, badge);
        on = blendPixmaps(on, badge);
    }
    QIcon icon;
    icon.addPixmap(off, QIcon::Normal, QIcon::Off);
    icon.addPixmap(on, QIcon::Normal, QIcon::On);
    return icon;
}

// ---- The scale slider: 32 positions to a decade, from 1e-6 to 1e2

namespace {

// The scale the slider stands for in the present mode: the state's value
// divided by the factor, and the setter that takes it back.
struct SliderScale
{
    double value;
    void (CurrentState::*set)(double);
    double factor;
};

SliderScale sliderScale(const CurrentState& state)
{
    if (state.mode() == CurrentState::Geometry)
        return {state.scaleGI(), &CurrentState::setScaleGeometryInvariants, 1.0};
    if (state.mode() == CurrentState::Loading)
        return {state.scaleLD(), &CurrentState::setScaleLoads, 1.0};
    if (state.mode() == CurrentState::Results) {
        switch (state.resultMode()) {
        case CurrentState::Reaction:
            return {state.scaleRe(), &CurrentState::setScaleReactions, 1.0};
        case CurrentState::Deflection:
            return {state.scaleDf() / deflectionScaleFactor, &CurrentState::setScaleDeflections,
                    deflectionScaleFactor};
        case CurrentState::BendingMoment:
            return {state.scaleBM(), &CurrentState::setScaleBendingMoments, 1.0};
        case CurrentState::ShearForce:
            return {state.scaleSF(), &CurrentState::setScaleShearForces, 1.0};
        }
    }
    return {1.0, nullptr, 1.0};
}

} // namespace

void MainWindow::updateScaleSliderForScale()
{
    double fraction = (std::log10(sliderScale(*state).value) - lowestDecade) / decades;
    if (std::isnan(fraction))
        fraction = 1.0;
    fraction = qBound(0.0, fraction, 1.0);
    const int range = scaleSlider->maximum() - scaleSlider->minimum();
    scaleSlider->setSliderPosition(scaleSlider->minimum() + int(std::lrint(fraction * range)));
}

void MainWindow::updateScaleSliderForPosition(int position)
{
    const SliderScale shown = sliderScale(*state);
    if (!shown.set)
        return;
    const int range = scaleSlider->maximum() - scaleSlider->minimum();
    const double scale = std::pow(10.0, double(position - scaleSlider->minimum()) * decades / range + lowestDecade);
    (state.data()->*shown.set)(scale * shown.factor);
}

void MainWindow::applyScaleSliderTooltip()
{
    switch (state->mode()) {
    case CurrentState::Geometry:
        scaleSlider->setToolTip(tr("Drag to change the depicted size of supports and member pins."));
        break;
    case CurrentState::Loading:
        scaleSlider->setToolTip(tr("Drag to change the depicted scaling of loads."));
        break;
    case CurrentState::Results:
        scaleSlider->setToolTip(tr("Drag to change the depicted scaling of result diagrams."));
        break;
    }
}
