#include "LibraryCommands.h"

QColor CommandSetLoadCaseColour::read() const
{
    return object->colour();
}

void CommandSetLoadCaseColour::write(const QColor& colour)
{
    emit object->ValueWillChange();
    object->setColour(colour);
    emit object->ValueHasChanged();
}

Material CommandSetMaterialProperties::read() const
{
    return *object;
}

void CommandSetMaterialProperties::write(const Material& values)
{
    object->setPropertiesOnly(values);
}

CommandSetSwayCaseComponents::CommandSetSwayCaseComponents(const QSharedPointer<LoadCaseLibrary>& library,
                                                           const SwayCaseRef& swayCase, SwayCase::LoadComponent take,
                                                           SwayCase::LoadComponent apply)
    : LibraryValueCommand(library, swayCase, qMakePair(take, apply))
{
}

QPair<SwayCase::LoadComponent, SwayCase::LoadComponent> CommandSetSwayCaseComponents::read() const
{
    return qMakePair(object->takeComponent(), object->applyComponent());
}

void CommandSetSwayCaseComponents::write(const QPair<SwayCase::LoadComponent, SwayCase::LoadComponent>& components)
{
    object->setTakeComponent(components.first);
    object->setApplyComponent(components.second);
}
