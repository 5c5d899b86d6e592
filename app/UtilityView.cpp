#include "UtilityView.h"

#include "Application.h"
#include "ButtonBar.h"
#include "PickerCell.h"
#include "ProgrammaticButtonGroup.h"
#include "PushConfirmButton.h"
#include "UnitSystem.h"
#include "VisualConstants.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>

namespace {

void setStyleSheets()
{
    UtilityView::StyleSheet::FrameWipeModel = QStringLiteral("QFrame { background-color:#aaaaaa; color:black; }");
    UtilityView::StyleSheet::ProgramName =
        QStringLiteral("QLabel { font-weight:bold; font-size:small; color:black; }");
    UtilityView::StyleSheet::Warning =
        QStringLiteral("QLabel { font-size:10px; background-color:#eeeeee; color:#a00000; padding:2px; }");
}

const bool styleSheetsRegistered = (addVisualConstantsInitialiser(setStyleSheets), true);

const QColor clearColour(100, 180, 255);

QLabel* makeLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setFocusPolicy(Qt::NoFocus);
    return label;
}

QHBoxLayout* makeRow(QWidget* parent, int spacing)
{
    auto* row = new QHBoxLayout(parent);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(spacing);
    return row;
}

} // namespace

QString UtilityView::StyleSheet::FrameWipeModel;
QString UtilityView::StyleSheet::ProgramName;
QString UtilityView::StyleSheet::Warning;

UtilityView::UtilityView(const QSharedPointer<UnitSystem>& unitSystem, QWidget* parent, Qt::WindowFlags flags)
    : QWidget(parent, flags), unitSystem(unitSystem)
{
    setWindowTitle(tr("%1 Utilities").arg(QCoreApplication::applicationName()));

    auto* wipe = new QFrame(this);
    auto* wipeGrid = new QGridLayout(wipe);
    wipeGrid->setContentsMargins(8, 8, 8, 8);
    wipeGrid->setSpacing(8);
    wipeGrid->addWidget(makeLabel(tr("Wipe Model Data"), wipe), 0, 0);
    auto* clear = new PushConfirmButton(tr("Clear"), wipe, clearColour, _kelvoryRed);
    wipeGrid->addWidget(clear, 0, 1);
    QLabel* warning = makeLabel(tr(" Warning: this action will result in an empty model "), wipe);
    warning->setAlignment(Qt::AlignCenter);
    warning->setStyleSheet(StyleSheet::Warning);
    wipeGrid->addWidget(warning, 1, 0, 1, 2);
    wipe->setStyleSheet(StyleSheet::FrameWipeModel);
    wipe->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    // Queued, so that the button has finished its press before the model goes.
    connect(clear, &PushConfirmButton::Confirmed, this, &UtilityView::WipeModel, Qt::QueuedConnection);

    auto* unitFrame = new QFrame(this);
    QHBoxLayout* unitRow = makeRow(unitFrame, 8);
    unitRow->addWidget(makeLabel(tr("Unit System"), unitFrame), 2);
    auto* systems = new ButtonBar(UnitSystem::availableSystemsShort(), UnitSystem::availableSystems(), unitFrame);
    unitRow->addWidget(systems, 0);
    systems->group()->setCurrentIndex(unitSystem->chosenSystem());
    connect(systems, &ButtonBar::buttonClicked, unitSystem.data(), qOverload<int>(&UnitSystem::setChosenSystem));
    connect(unitSystem.data(), &UnitSystem::UnitSystemChanged, systems, &ButtonBar::setCurrentIndex);

    const auto makeCell = [this](const QString& caption, const QString& toolTip, void (UtilityView::*signal)()) {
        auto* cell = new PickerCell(PickerCell::standardPushButton(caption), this);
        cell->setAlignment(Qt::AlignCenter);
        cell->setToolTip(toolTip);
        connect(cell, &PickerCell::Clicked, this, signal);
        return cell;
    };
    PickerCell* help = makeCell(tr("Help"), tr("Opens in web-browser"), &UtilityView::OpenHelp);
    auto* materials = new QHBoxLayout;
    materials->setContentsMargins(0, 0, 0, 0);
    materials->setSpacing(0);
    materials->addWidget(makeCell(tr("Materials"), tr("Edit materials in library"), &UtilityView::OpenMaterials));
    auto* titles = new QHBoxLayout;
    titles->setContentsMargins(0, 0, 0, 0);
    titles->setSpacing(0);
    titles->addWidget(makeCell(tr("Titles"), tr("Edit titles"), &UtilityView::OpenTitles));
    PickerCell* reports = makeCell(tr("Reports"), tr("Print or export reports"), &UtilityView::ExportPDF);
    reports->setObjectName(QStringLiteral("Report"));
    auto* files = new QFrame(this);
    QHBoxLayout* fileRow = makeRow(files, 8);
    fileRow->addWidget(makeCell(tr("Save"), QString(), &UtilityView::SaveFile));
    fileRow->addWidget(makeCell(tr("Load"), QString(), &UtilityView::OpenFile));

    QLabel* program = makeLabel(
        tr("%1 (v.%2)").arg(QCoreApplication::applicationName(), QCoreApplication::applicationVersion()), this);
    program->setStyleSheet(StyleSheet::ProgramName);
    QLabel* logo = makeLabel(QString(), this);
    logo->setPixmap(QPixmap(QStringLiteral(":/kelvorySmall90.png")));

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(8, 8, 8, 8);
    grid->setSpacing(8);
    grid->addWidget(wipe, 0, 0, 1, 3, Qt::AlignCenter);
    grid->addWidget(unitFrame, 1, 0, 1, 3, Qt::AlignCenter);
    grid->addWidget(help, 2, 0);
    grid->addLayout(materials, 2, 1, 1, 1);
    grid->addWidget(reports, 3, 0);
    grid->addLayout(titles, 3, 1, 1, 1);
    grid->addWidget(files, 4, 0, 1, 2);
    grid->addWidget(new QWidget(this), 5, 0);
    grid->addWidget(program, 6, 0, 1, 2, Qt::AlignCenter);
    grid->addWidget(logo, 3, 2, 5, 1, Qt::AlignRight | Qt::AlignBottom);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(5, 1);
}

QSize UtilityView::sizeHint() const
{
    return QSize(256, 128);
}

void UtilityView::closeEvent(QCloseEvent* event)
{
    if (isWindow())
        Application::saveWidgetGeometry(this, QString());
    event->accept();
}

void UtilityView::showEvent(QShowEvent* event)
{
    if (isWindow())
        Application::restoreWidgetGeometry(this, QString());
    QWidget::showEvent(event);
}
