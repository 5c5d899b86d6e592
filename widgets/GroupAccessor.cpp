#include "GroupAccessor.h"

#include <QCoreApplication>

GroupAccessor::GroupAccessor(const QSharedPointer<UnitSystem>& unitSystem, QWidget* parent, Qt::WindowFlags flags)
    : LibraryAccessor(new GroupPicker, parent, flags),
      picker(static_cast<GroupPicker*>(widget(0))),
      geometryGroupPage(addEditorPage(EditorPageFactory::GeometryGroupPage, unitSystem, QStringLiteral("GeometryGroupView")))
{
    setWindowTitle(QStringLiteral("%1 Groups").arg(QCoreApplication::applicationName()));
    connect(picker, &GroupPicker::EditGroup, this, &GroupAccessor::editGroup);
}

void GroupAccessor::setLibrary(const QSharedPointer<GroupLibrary>& library)
{
    picker->setLibrary(library);
    if (geometryGroupPage)
        EditorPageFactory::call(geometryGroupPage, "setLibrary", Q_ARG(QSharedPointer<GroupLibrary>, library));
}

void GroupAccessor::editGroup(const GroupRef& group)
{
    const GeometryGroupRef geometryGroup = group.objectCast<GeometryGroup>();
    if (!geometryGroup || !geometryGroupPage)
        return;
    goToRoot();
    EditorPageFactory::call(geometryGroupPage, "setGeometryGroup", Q_ARG(GeometryGroupRef, geometryGroup));
    openEditorPage(geometryGroupPage, documentModel && !documentModel->isGroupUsed(group));
}
