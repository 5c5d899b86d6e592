#include "DocumentCommands.h"

#include "Titles.h"

// The step keeps the texts as they are when it is made: whoever handed them
// in may go on editing them.
CommandSetTitles::CommandSetTitles(const TitlesRef& titles, const TitlesRef& edited)
    : target(titles), source(new Titles(*edited, nullptr))
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
