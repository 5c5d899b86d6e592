#include "LibraryAccessor.h"

#include "Application.h"

#include <QCloseEvent>

LibraryAccessor::LibraryAccessor(LibraryPicker_base* picker, QWidget* parent, Qt::WindowFlags flags)
    : QStackedWidget(parent), pickerPage(picker)
{
    setWindowFlags(flags);
    picker->setObjectName(QStringLiteral("Picker"));
    addWidget(picker);
}

void LibraryAccessor::setDocumentModel(const DocumentModelRef& document)
{
    documentModel = document;
    pickerPage->setDocumentModel(document);
}

void LibraryAccessor::goToRoot()
{
    if (currentIndex() > 0)
        EditorPageFactory::call(currentWidget(), "writeBack");
    setCurrentIndex(0);
}

void LibraryAccessor::applyEditorPage()
{
    if (currentIndex() > 0)
        EditorPageFactory::call(currentWidget(), "applyEdits");
}

void LibraryAccessor::pageWentBack()
{
    setCurrentIndex(0);
}

void LibraryAccessor::closeEvent(QCloseEvent* event)
{
    if (isWindow())
        Application::saveWidgetGeometry(this, QString());
    goToRoot();
    event->accept();
}

void LibraryAccessor::showEvent(QShowEvent* event)
{
    if (isWindow())
        Application::restoreWidgetGeometry(this, QString());
    QStackedWidget::showEvent(event);
}

QWidget* LibraryAccessor::addEditorPage(EditorPageFactory::Page page, const QSharedPointer<UnitSystem>& unitSystem,
                                        const QString& name)
{
    QWidget* widget = EditorPageFactory::make(page, unitSystem, this);
    if (!widget)
        return nullptr;
    widget->setObjectName(name);
    addWidget(widget);
    connect(widget, SIGNAL(GoBack()), this, SLOT(pageWentBack()));
    return widget;
}

void LibraryAccessor::openEditorPage(QWidget* page, bool removeable)
{
    EditorPageFactory::call(page, "setRemoveable", Q_ARG(bool, removeable));
    setCurrentWidget(page);
}
