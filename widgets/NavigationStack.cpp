#include "NavigationStack.h"

#include "PickerCell.h"
#include "VisualConstants.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

void setStyleSheets()
{
    NavigationStack::StyleSheet::Navigator =
        QStringLiteral("QWidget#navigatorWidget { border-left:none; border-top:none; border-bottom:none; "
                       "border-right:1px solid #888888; }");
    NavigationStack::StyleSheet::Stack = QStringLiteral("QWidget#stackWidget { border:none; }");
}

const bool styleSheetsRegistered = (addVisualConstantsInitialiser(setStyleSheets), true);

} // namespace

QString NavigationStack::StyleSheet::Navigator;
QString NavigationStack::StyleSheet::Stack;

NavigationStack::NavigationStack(QWidget* parent, Qt::WindowFlags flags)
    : QWidget(parent, flags), navigatorWidget(new QWidget(this)), stackWidget(new QStackedWidget(this))
{
    stackWidget->setObjectName(QStringLiteral("stackWidget"));
    navigatorWidget->setObjectName(QStringLiteral("navigatorWidget"));

    auto* backCell = new PickerCell(PickerCell::Pixmap::back(), nullptr);
    connect(backCell, &PickerCell::Clicked, this, &NavigationStack::goBack);
    auto* filler = new QWidget;
    filler->setStyleSheet(QStringLiteral("QWidget { border:none; }"));
    auto* bar = new QVBoxLayout(navigatorWidget);
    bar->setContentsMargins(8, 8, 8, 8);
    bar->setSpacing(8);
    bar->addWidget(backCell, 0);
    bar->addWidget(filler, 1);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(navigatorWidget, 0);
    layout->addWidget(stackWidget, 1);

    navigatorWidget->setStyleSheet(StyleSheet::Navigator);
    stackWidget->setStyleSheet(StyleSheet::Stack);
    navigatorWidget->hide();
    connect(stackWidget, &QStackedWidget::currentChanged, this, &NavigationStack::adjustNavigator);
}

void NavigationStack::setCurrentWidget(QWidget* page)
{
    if (!page || stackWidget->indexOf(page) < 0)
        return;
    backStack.append(stackWidget->currentIndex());
    stackWidget->setCurrentWidget(page);
    adjustNavigator();
}

void NavigationStack::adjustNavigator()
{
    navigatorWidget->setVisible(!backStack.isEmpty());
}

void NavigationStack::goBack()
{
    const int current = stackWidget->currentIndex();
    int target = 0;
    if (!backStack.isEmpty()) {
        target = backStack.takeLast();
        if (target == current) {
            adjustNavigator();
            return;
        }
    } else if (current == 0) {
        return;
    }
    if (QWidget* page = stackWidget->widget(current))
        emit LeavingWidget(page);
    stackWidget->setCurrentIndex(target);
}

void NavigationStack::goToRoot()
{
    backStack.clear();
    stackWidget->setCurrentIndex(0);
    adjustNavigator();
}

void NavigationStack::closeEvent(QCloseEvent* event)
{
    event->accept();
}
