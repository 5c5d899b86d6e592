#include "MainWindow.h"

#include "Application.h"
#include "CurrentState.h"
#include "GroupAccessor.h"
#include "LoadAxisPicker.h"
#include "LoadCaseAccessor.h"
#include "MemberAxisPicker.h"
#include "MemberPinPicker.h"
#include "NameButton.h"
#include "ProgrammaticButtonGroup.h"
#include "StructureView.h"
#include "SectionAccessor.h"
#include "SupportPicker.h"
#include "ToolMenu.h"
#include "UtilityWindow.h"
#include "ViewSelector.h"

#include <QFrame>
#include <QSignalMapper>
#include <QSlider>
#include <QToolBar>
#include <QToolButton>

namespace {

const QSize smallIcons(32, 32);
const QSize tabIcons(44, 44);

void addGap(QToolBar* toolBar)
{
    auto* gap = new QFrame(toolBar);
    gap->setFocusPolicy(Qt::NoFocus);
    gap->setMinimumWidth(8);
    toolBar->addWidget(gap);
}

QToolButton* addTab(QToolBar* toolBar, QButtonGroup* group, int id, const QString& name, const QIcon& icon,
                    const QString& toolTip)
{
    auto* tab = new QToolButton(toolBar);
    tab->setObjectName(name);
    tab->setFocusPolicy(Qt::NoFocus);
    tab->setCheckable(true);
    tab->setIcon(icon);
    tab->setToolTip(toolTip);
    toolBar->addWidget(tab);
    group->addButton(tab, id);
    return tab;
}

QIcon offOnIcon(const QString& off, const QString& on)
{
    QIcon icon(off);
    icon.addPixmap(QPixmap(on), QIcon::Normal, QIcon::On);
    return icon;
}

NameButton* addPickerButton(QToolBar* toolBar, const QString& name, const QString& text, const QString& toolTip)
{
    auto* button = new NameButton(text, toolTip, toolBar);
    button->setObjectName(name);
    button->setFocusPolicy(Qt::NoFocus);
    toolBar->addWidget(button);
    return button;
}

} // namespace

void MainWindow::createToolBars()
{
    createControlToolBar();
    createDisplayToolBar();
    createModellingToolBar();
    createCasesToolBar();
    createGroupsToolBar();
    createViewToolBar();
}

QToolButton* MainWindow::addToolButton(QToolBar* toolBar, const QIcon& icon, const QString& text,
                                       const QObject* receiver, const char* member)
{
    QToolButton* button = ToolMenu::makeButton(icon, text, toolBar);
    toolBar->addWidget(button);
    if (receiver)
        connect(button, SIGNAL(clicked(bool)), receiver, member);
    return button;
}

ToolMenu* MainWindow::addToolMenu(QToolBar* toolBar, const QPixmap& pixmap, const QString& name,
                                  const QString& buttonName, const QString& toolTip)
{
    auto* menu = new ToolMenu(toolBar, pixmap, toolBar);
    menu->setObjectName(name);
    menu->button->setObjectName(buttonName);
    menu->button->setToolTip(toolTip);
    return menu;
}

QToolButton* MainWindow::addMenuButton(ToolMenu* menu, const QString& name, const QString& icon,
                                       const QString& toolTip, const QObject* receiver, const char* member)
{
    QToolButton* button = menu->addButton(QIcon(icon), QString(), receiver, member);
    button->setObjectName(name);
    button->setToolTip(toolTip);
    return button;
}

QToolButton* MainWindow::addPickerMenuButton(ToolMenu* menu, const QString& name, const QString& icon,
                                             const QString& toolTip, QWidget* window, const char* refresh)
{
    QToolButton* button = addMenuButton(menu, name, icon, toolTip, nullptr, nullptr);
    opensChildWindow(button, window, refresh);
    return button;
}

void MainWindow::opensChildWindow(QAbstractButton* button, QWidget* window, const char* refresh)
{
    connect(button, &QAbstractButton::clicked, window,
            [window, button] { Application::showWidgetBeside(window, button); });
    refreshesAfterClick(button, refresh);
}

// Queued, so that the refresh finds the window shown and the menu closed. A
// window that cannot refresh its pickers yet shows them as they are.
void MainWindow::refreshesAfterClick(QAbstractButton* button, const char* refresh)
{
    if (refresh && metaObject()->indexOfSlot(refresh + 1) >= 0)
        connect(button, SIGNAL(clicked(bool)), this, refresh, Qt::QueuedConnection);
}

void MainWindow::createControlToolBar()
{
    toolBarControl = addToolBar(tr("Control"));
    toolBarControl->setIconSize(smallIcons);
    QToolButton* undo = addToolButton(toolBarControl, QIcon(QStringLiteral(":/undo.png")), tr("Undo"), this,
                                      SIGNAL(ActionUndo()));
    undo->setObjectName(QStringLiteral("ButtonUndo"));
    undo->setToolTip(tr("Undo last action"));
    connect(this, &MainWindow::CanUndoChanged, undo, &QWidget::setEnabled);
    QToolButton* redo = addToolButton(toolBarControl, QIcon(QStringLiteral(":/redo.png")), tr("Redo"), this,
                                      SIGNAL(ActionRedo()));
    redo->setObjectName(QStringLiteral("ButtonRedo"));
    redo->setToolTip(tr("Redo last action"));
    connect(this, &MainWindow::CanRedoChanged, redo, &QWidget::setEnabled);
    addGap(toolBarControl);
    actionSelectionClear = addToolButton(toolBarControl, QIcon(QStringLiteral(":/actionSelectionClear.png")),
                                         tr("Clear"), this, SIGNAL(ActionClearSelection()));
    actionSelectionClear->setObjectName(QStringLiteral("ActionSelectionClear"));
    actionSelectionClear->setToolTip(tr("Clear selection"));
    addGap(toolBarControl);

    ToolMenu* menu = addToolMenu(toolBarControl, QPixmap(QStringLiteral(":/buttonSelectionMenu.png")),
                                 QStringLiteral("ToolMenuSelection"), QStringLiteral("ButtonSelectionMenu"),
                                 tr("Selection menu"));
    buttonSelectionMenu = menu->button;
    actionSelectionCopy = addMenuButton(menu, QStringLiteral("ActionSelectionCopy"),
                                        QStringLiteral(":/actionSelectionCopy.png"), tr("Copy selected items"),
                                        this, SLOT(actionCopySelection()));
    actionSelectionAuto = addMenuButton(menu, QStringLiteral("ActionSelectionAuto"),
                                        QStringLiteral(":/actionSelectionAuto.png"),
                                        tr("Automatically select dependent items"), relayMapper, SLOT(map()));
    relayMapper->setMapping(actionSelectionAuto, SelectAuto);
    actionGroupMove = addMenuButton(menu, QStringLiteral("ActionGroupMove"), QStringLiteral(":/actionGroupMove.png"),
                                    tr("Move current selection to visible group or loadcase"), relayMapper,
                                    SLOT(map()));
    relayMapper->setMapping(actionGroupMove, Move);
    actionSelectionDelete = addMenuButton(menu, QStringLiteral("ActionSelectionDelete"),
                                          QStringLiteral(":/actionSelectionDelete.png"), tr("Delete selected items"),
                                          relayMapper, SLOT(map()));
    relayMapper->setMapping(actionSelectionDelete, Delete);
    ++menu->column;
    actionSelectionBoxDisplay = addMenuButton(menu, QStringLiteral("ActionSelectionBoxDisplay"),
                                              QStringLiteral(":/actionSelectionBoxDisplay.png"),
                                              tr("Toggle display of selection box for selecting areas"), state.data(),
                                              SLOT(toggleDisplayOfSelectionBox()));
    actionSelectionBoxClear = addMenuButton(menu, QStringLiteral("ActionSelectionBoxClear"),
                                            QStringLiteral(":/actionSelectionBoxClear.png"),
                                            tr("Clear all items within selection box"), structureView,
                                            SLOT(clearBySelectionBox()));
    // The form without argument: the click's unchecked state must not be read as "deselect".
    actionSelectionBoxSelect = addMenuButton(menu, QStringLiteral("ActionSelectionBoxSelect"),
                                             QStringLiteral(":/actionSelectionBoxSelect.png"),
                                             tr("Select all items within selection box"), structureView,
                                             SLOT(selectBySelectionBox()));
}

void MainWindow::createDisplayToolBar()
{
    QToolBar* toolBar = addToolBar(tr("Display"));
    addToolBar(Qt::LeftToolBarArea, toolBar);
    toolBar->setIconSize(tabIcons);
    auto* tabs = new ProgrammaticButtonGroup(this);
    tabs->setExclusive(true);
    addTab(toolBar, tabs, CurrentState::Geometry, QStringLiteral("TabGeometry"),
           offOnIcon(QStringLiteral(":/tabGeometryOff.png"), QStringLiteral(":/tabGeometryOn.png")),
           tr("Display geometry"));
    addTab(toolBar, tabs, CurrentState::Loading, QStringLiteral("TabLoading"),
           offOnIcon(QStringLiteral(":/tabLoadingOff.png"), QStringLiteral(":/tabLoadingOn.png")),
           tr("Display loading"));
    resultsBadge.clear();
    tabResults = addTab(toolBar, tabs, CurrentState::Results, QStringLiteral("TabResults"), iconForButtonTabResults(),
                        tr("Display results"));
    // Checked before the group reaches the state, so the state hears nothing of it.
    tabs->setCurrentIndex(state->mode());
    connect(tabs, &QButtonGroup::idClicked, state.data(), qOverload<int>(&CurrentState::setMode));
    connect(state.data(), &CurrentState::ModeHasChanged, tabs, &ProgrammaticButtonGroup::setCurrentIndex);
    toolBar->addSeparator();

    auto* utilities = new QToolButton(toolBar);
    utilities->setObjectName(QStringLiteral("TabUtilities"));
    utilities->setFocusPolicy(Qt::NoFocus);
    utilities->setIcon(QIcon(QStringLiteral(":/tabUtility.png")));
    utilities->setToolTip(tr("Open utility window"));
    toolBar->addWidget(utilities);
    // The page shown is left for the root page: it hands on its edits first.
    connect(utilities, &QToolButton::clicked, utilityWindow, &UtilityWindow::applyEditorPage);
    connect(utilities, &QToolButton::clicked, utilityWindow, &UtilityWindow::goToRoot);
    opensChildWindow(utilities, utilityWindow);
}

void MainWindow::createModellingToolBar()
{
    QToolBar* toolBar = addToolBar(tr("Modelling"));
    toolBar->setIconSize(smallIcons);

    ToolMenu* node = addToolMenu(toolBar, QPixmap(QStringLiteral(":/buttonNodeMenu.png")),
                                 QStringLiteral("ToolMenuNode"), QStringLiteral("ButtonNodeMenu"), tr("Node menu"));
    buttonNodeMenu = node->button;
    actionAddNode = addMenuButton(node, QStringLiteral("ActionAddNode"), QStringLiteral(":/actionAddNodes.png"),
                                  tr("Add a node"), relayMapper, SLOT(map()));
    relayMapper->setMapping(actionAddNode, AddNode);
    actionNodeSupports = addPickerMenuButton(node, QStringLiteral("ActionNodeSupports"),
                                             QStringLiteral(":/actionNodeSupports.png"), tr("Choose node supports"),
                                             supportPicker, SLOT(updateNodePickers()));
    actionNodeRotate = addMenuButton(node, QStringLiteral("ActionNodeRotate"), QStringLiteral(":/actionNodeRotate.png"),
                                     tr("Rotate selected nodes around master member"), this, SLOT(actionRotate()));
    actionNodeFlip = addMenuButton(node, QStringLiteral("ActionNodeFlip"), QStringLiteral(":/actionNodeFlip.png"),
                                   tr("Reflect selected nodes in major plane of master member"), this,
                                   SIGNAL(ActionFlipSelectedNodes()));

    ToolMenu* member = addToolMenu(toolBar, QPixmap(QStringLiteral(":/buttonMemberMenu.png")),
                                   QStringLiteral("ToolMenuMember"), QStringLiteral("ButtonMemberMenu"),
                                   tr("Member menu"));
    buttonMemberMenu = member->button;
    actionAddMembers = addMenuButton(member, QStringLiteral("ActionAddMembers"),
                                     QStringLiteral(":/actionAddMembers.png"), tr("Add members"), relayMapper,
                                     SLOT(map()));
    relayMapper->setMapping(actionAddMembers, AddMembers);
    actionMemberAxes = addPickerMenuButton(member, QStringLiteral("ActionMemberAxes"),
                                           QStringLiteral(":/actionMemberAxes.png"), tr("Choose member axes"),
                                           memberAxisPicker, SLOT(updateMemberPickers()));
    actionSectionLibrary = addPickerMenuButton(member, QStringLiteral("ActionSectionLibrary"),
                                               QStringLiteral(":/actionSectionTypes.png"), tr("Choose section types"),
                                               sectionAccessor, SLOT(updateMemberPickers()));
    ++member->column;
    actionSplitMembers = addMenuButton(member, QStringLiteral("ActionSplitMembers"),
                                       QStringLiteral(":/actionSplitMembers.png"), tr("Split members"), this,
                                       SIGNAL(ActionSplitMembers()));
    actionPolariseMembers = addMenuButton(member, QStringLiteral("ActionPolariseMembers"),
                                          QStringLiteral(":/actionPolariseMembers.png"), tr("Polarise members"), this,
                                          SIGNAL(ActionPolariseMembers()));
    actionMemberPins = addPickerMenuButton(member, QStringLiteral("ActionMemberPins"),
                                           QStringLiteral(":/actionMemberPins.png"), tr("Set/remove member pins"),
                                           memberPinPicker, SLOT(updateMemberPickers()));

    ToolMenu* load = addToolMenu(toolBar, QPixmap(QStringLiteral(":/buttonLoadMenu.png")),
                                 QStringLiteral("ToolMenuLoad"), QStringLiteral("ButtonLoadMenu"), tr("Load menu"));
    buttonLoadMenu = load->button;
    actionAddPLoad = addMenuButton(load, QStringLiteral("ActionAddPLoad"), QStringLiteral(":/actionAddPLoad.png"),
                                   tr("Add point load"), relayMapper, SLOT(map()));
    relayMapper->setMapping(actionAddPLoad, AddPointLoad);
    actionAddMLoad = addMenuButton(load, QStringLiteral("ActionAddMLoad"), QStringLiteral(":/actionAddMLoad.png"),
                                   tr("Add moment load"), relayMapper, SLOT(map()));
    relayMapper->setMapping(actionAddMLoad, AddTorqueLoad);
    actionAddTLoad = addMenuButton(load, QStringLiteral("ActionAddTLoad"), QStringLiteral(":/actionAddTLoad.png"),
                                   tr("Add distributed load"), relayMapper, SLOT(map()));
    relayMapper->setMapping(actionAddTLoad, AddTrapezoidLoad);
    actionLoadAxis = addPickerMenuButton(load, QStringLiteral("ActionLoadAxis"), QStringLiteral(":/actionLoadAxis.png"),
                                         tr("Choose load axes"), loadAxisPicker,
                                         SLOT(updateLoadPickers()));

    ToolMenu* result = addToolMenu(toolBar, state->resultPixmap(), QStringLiteral("ToolMenuResult"),
                                   QStringLiteral("ButtonResultMenu"), tr("Result menu"));
    buttonResultMenu = result->button;
    auto* resultMapper = new QSignalMapper(this);
    const auto addResultButton = [&](const QString& name, const QString& icon, const QString& toolTip, int mode) {
        QToolButton* button = addMenuButton(result, name, icon, toolTip, resultMapper, SLOT(map()));
        resultMapper->setMapping(button, mode);
        return button;
    };
    buttonReaction = addResultButton(QStringLiteral("ButtonReaction"), QStringLiteral(":/buttonReaction.png"),
                                     tr("Display reactions"), CurrentState::Reaction);
    buttonDeflection = addResultButton(QStringLiteral("ButtonDeflection"), QStringLiteral(":/buttonDeflection.png"),
                                       tr("Display deflections"), CurrentState::Deflection);
    buttonBendingMoment = addResultButton(QStringLiteral("ButtonBendingMoment"),
                                          QStringLiteral(":/buttonBendingMoment.png"), tr("Display bending moments"),
                                          CurrentState::BendingMoment);
    buttonShearForce = addResultButton(QStringLiteral("ButtonShearForce"), QStringLiteral(":/buttonShearForce.png"),
                                       tr("Display shear forces"), CurrentState::ShearForce);
    connect(resultMapper, &QSignalMapper::mappedInt, state.data(), qOverload<int>(&CurrentState::setResultMode));
}

void MainWindow::createCasesToolBar()
{
    toolBarCases = addToolBar(tr("Cases"));
    toolBarCases->setIconSize(smallIcons);
    loadCaseButton = addPickerButton(toolBarCases, QStringLiteral("ButtonLoadCase"), tr("(no loadcase)"),
                                     tr("Click to open the loadcase picker."));
    opensChildWindow(loadCaseButton, loadCaseAccessor, SLOT(updateLoadCaseAccessor()));
}

void MainWindow::createGroupsToolBar()
{
    toolBarGroups = addToolBar(tr("Groups"));
    toolBarGroups->setIconSize(smallIcons);
    groupButton = addPickerButton(toolBarGroups, QStringLiteral("ButtonGroup"), tr("(no group)"),
                                  tr("Click to open the group picker."));
    opensChildWindow(groupButton, groupAccessor, SLOT(updateGroupAccessor()));
}

void MainWindow::createViewToolBar()
{
    QToolBar* toolBar = addToolBar(tr("View"));
    toolBar->setIconSize(smallIcons);
    QToolButton* views = addToolButton(toolBar, QIcon(QStringLiteral(":/buttonViewSelector.png")), tr("Views"),
                                       nullptr, nullptr);
    opensChildWindow(views, viewSelector);
    views->setObjectName(QStringLiteral("ButtonViewSelector"));
    views->setToolTip(tr("Open view selector"));
    connect(viewSelector, &ViewSelector::SolidRenderingToggled, state.data(), &CurrentState::toggleRenderSolid);
    connect(viewSelector, &ViewSelector::ViewPointRecalled, this, &MainWindow::flyToViewPoint);
    connect(viewSelector, &ViewSelector::SolidRenderingToggled, viewSelector, &QWidget::close);
    connect(viewSelector, &ViewSelector::ViewPointRecalled, viewSelector, &QWidget::close);

    scaleSlider = new QSlider(Qt::Horizontal, this);
    scaleSlider->setObjectName(QStringLiteral("SliderScale"));
    scaleSlider->setFocusPolicy(Qt::NoFocus);
    scaleSlider->setTickPosition(QSlider::NoTicks);
    scaleSlider->setTracking(true);
    scaleSlider->setRange(0, 256);
    scaleSlider->setMinimumWidth(96);
    scaleSlider->setMaximumWidth(96);
    scaleSlider->setCursor(Qt::SizeHorCursor);
    toolBar->addWidget(scaleSlider);
    updateScaleSliderForScale();
    applyScaleSliderTooltip();
}
