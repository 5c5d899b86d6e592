#include "EditorPageFactory.h"

#include <QDebug>
#include <QMetaObject>
#include <QWidget>

EditorPageFactory::Maker EditorPageFactory::_maker;

void EditorPageFactory::install(const Maker& maker)
{
    _maker = maker;
}

QWidget* EditorPageFactory::make(Page page, const QSharedPointer<UnitSystem>& unitSystem, QWidget* parent)
{
    return _maker ? _maker(page, unitSystem, parent) : nullptr;
}

bool EditorPageFactory::call(QWidget* page, const char* method, QGenericArgument a0, QGenericArgument a1,
                             QGenericArgument a2)
{
    if (!page)
        return false;
    const bool called = QMetaObject::invokeMethod(page, method, Qt::DirectConnection, a0, a1, a2);
    if (!called)
        qWarning() << page->metaObject()->className() << "offers no" << method << "for its accessor";
    return called;
}
