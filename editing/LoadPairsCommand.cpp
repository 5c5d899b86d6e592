#include "LoadPairsCommand.h"

namespace {
// The merge id of a dragged position handle.
const int dragPositionId = 2;
} // namespace

CommandSetLoadPairsMerged::CommandSetLoadPairsMerged(const QSharedPointer<StructureModel>& structure,
                                                     const QMap<LoadRef, QList<Load::PositionedForce>>& pairs,
                                                     bool merge)
    : CommandSetLoadPositionedForceAtAllIndices(structure, pairs), merge(merge)
{
}

int CommandSetLoadPairsMerged::id() const
{
    return merge ? dragPositionId : -1;
}

bool CommandSetLoadPairsMerged::mergeWith(const QUndoCommand* other)
{
    const auto* later = dynamic_cast<const CommandSetLoadPairsMerged*>(other);
    if (!later || later->id() != id() || later->structure != structure)
        return false;
    mergeValueMaps(&newValues, &oldValues, later->newValues, later->oldValues, QList<Load::PositionedForce>());
    return true;
}
