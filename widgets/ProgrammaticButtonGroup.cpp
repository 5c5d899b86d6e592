#include "ProgrammaticButtonGroup.h"

#include <QAbstractButton>

void ProgrammaticButtonGroup::setCurrentIndex(int id)
{
    QAbstractButton* target = button(id);
    if (target && !target->isChecked() && !target->isDown())
        target->click();
}
