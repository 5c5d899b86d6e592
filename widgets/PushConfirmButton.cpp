#include "PushConfirmButton.h"

#include "ConfirmButtonDelegate.h"
#include "PaintHelpers.h"
#include "VisualConstants.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>

namespace {

void setStyleSheets()
{
    PushConfirmButton::StyleSheet::ConfirmLabel =
        QStringLiteral("QLabel { background:none; font-weight:normal; color:white; border-left:2px solid #800000; "
                       "border-radius:0px; padding:4px 2px 4px 2px; }");
    PushConfirmButton::StyleSheet::Frame =
        QStringLiteral("QFrame { padding:0px; border-radius:4px; color:white; background-color:qlineargradient(x1: "
                       "0, y1: 0, x2: 0, y2: 1, stop: 0 %1, stop: 1 %2); }");
    PushConfirmButton::StyleSheet::TextLabel =
        QStringLiteral("QLabel { background:none; font-weight:normal; border:none; border-radius:0px; padding:4px "
                       "2px 4px 2px; color:%1; }");
}

const bool styleSheetsRegistered = (addVisualConstantsInitialiser(setStyleSheets), true);

} // namespace

QString PushConfirmButton::StyleSheet::ConfirmLabel;
QString PushConfirmButton::StyleSheet::Frame;
QString PushConfirmButton::StyleSheet::TextLabel;

PushConfirmButton::PushConfirmButton(const QString& caption, QWidget* parent, const QColor& normalColour,
                                     const QColor& confirmColour)
    : QFrame(parent), normalColour(normalColour), confirmColour(confirmColour),
      confirmLabel(new QLabel(tr("Confirm"), this)), captionLabel(new QLabel(caption, this))
{
    confirmLabel->setFocusPolicy(Qt::NoFocus);
    confirmLabel->setAlignment(Qt::AlignCenter);
    confirmLabel->setStyleSheet(StyleSheet::ConfirmLabel);
    confirmLabel->hide();
    captionLabel->setFocusPolicy(Qt::NoFocus);
    captionLabel->setAlignment(Qt::AlignCenter);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(captionLabel);
    layout->addWidget(confirmLabel);

    setMinimumWidth(captionLabel->width() + confirmLabel->width());
    setFocusPolicy(Qt::NoFocus);
    setSizePolicy(QSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed, QSizePolicy::PushButton));
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, this, &PushConfirmButton::reset);
    adjustStyleSheets();
}

bool PushConfirmButton::isAskingForConfirmation() const
{
    return !confirmLabel->isHidden();
}

void PushConfirmButton::adjustStyleSheets()
{
    if (isAskingForConfirmation()) {
        captionLabel->setStyleSheet(StyleSheet::TextLabel.arg(iQt::cssColour(confirmColour.lighter(120))));
        setStyleSheet(StyleSheet::Frame.arg(confirmColour.name(), confirmColour.darker(200).name()));
    } else {
        captionLabel->setStyleSheet(StyleSheet::TextLabel.arg(QStringLiteral("white")));
        setStyleSheet(StyleSheet::Frame.arg(normalColour.name(), normalColour.darker(200).name()));
    }
}

void PushConfirmButton::requestConfirm()
{
    confirmLabel->show();
    adjustStyleSheets();
    repaint();
    timer.start(ConfirmButtonDelegate::WaitMilliseconds);
}

void PushConfirmButton::reset()
{
    timer.stop();
    confirmLabel->hide();
    adjustStyleSheets();
    repaint();
}

void PushConfirmButton::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    if (isAskingForConfirmation() && confirmLabel->geometry().contains(event->pos())) {
        emit Confirmed();
        reset();
    } else {
        requestConfirm();
    }
}
