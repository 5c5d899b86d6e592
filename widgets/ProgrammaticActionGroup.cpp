#include "ProgrammaticActionGroup.h"

ProgrammaticActionGroup::ProgrammaticActionGroup(QObject* parent) : QActionGroup(parent)
{
    connect(this, &QActionGroup::triggered, this, &ProgrammaticActionGroup::hasBeenTriggered);
}

void ProgrammaticActionGroup::hasBeenTriggered(QAction*)
{
    emit checked(actions().indexOf(checkedAction()));
}

void ProgrammaticActionGroup::setCurrentIndex(int index)
{
    const QList<QAction*> list = actions();
    if (index >= 0 && index < list.size() && !list[index]->isChecked())
        list[index]->setChecked(true);
}
