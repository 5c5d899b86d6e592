#include "DocumentCommands.h"

#include "Titles.h"

CommandSetTitles::CommandSetTitles(const TitlesRef& titles, const TitlesRef& edited) : target(titles), source(edited)
{
}

void CommandSetTitles::redo()
{
    saved.reset(new Titles(*target, nullptr));
    target->importFrom(*source);
}

void CommandSetTitles::undo()
{
    target->importFrom(*saved);
    saved.reset();
}

CommandSetViewPointMemory::CommandSetViewPointMemory(const QSharedPointer<ViewPointMemory>& memory, int slot,
                                                     const ViewPointRef& viewPoint)
    : memory(memory), slot(slot), newViewPoint(viewPoint)
{
}

void CommandSetViewPointMemory::redo()
{
    oldViewPoint = memory->valueAt(slot);
    memory->setValueAt(slot, newViewPoint);
}

void CommandSetViewPointMemory::undo()
{
    memory->setValueAt(slot, oldViewPoint);
    oldViewPoint.reset();
}
