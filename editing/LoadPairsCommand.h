#pragma once

#include "StructureCommands.h"

// Replaces whole (position, force) lists. Moving one pair past another
// reorders a load's pairs, so only whole lists can be put back exactly.
// Made with its merge flag it absorbs the next such command, keeping its own
// lists from before and the later lists after, so that one drag of a
// position handle is one undo step.
class CommandSetLoadPairsMerged : public CommandSetLoadPositionedForceAtAllIndices
{
public:
    CommandSetLoadPairsMerged(const QSharedPointer<StructureModel>& structure,
                              const QMap<LoadRef, QList<Load::PositionedForce>>& pairs, bool merge);

    int id() const override;
    bool mergeWith(const QUndoCommand* other) override;

private:
    const bool merge;
};
