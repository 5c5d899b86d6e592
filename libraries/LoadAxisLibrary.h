#pragma once

#include "TreeLibrary.h"

#include "LoadAxis.h"

// The twelve built-in load axes directly under the root: the six force axes
// (indices 0 to 5), then the six torque axes (6 to 11). The load-axis picker
// relies on these indices.
class LoadAxisLibrary : public TreeLibrary<LoadAxisRef>
{
public:
    LoadAxisLibrary();
};
