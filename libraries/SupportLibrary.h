#pragma once

#include "TreeLibrary.h"

#include "Support.h"

// The thirteen built-in supports directly under the root, each with its own
// restraint mask: pickers match a node's support by the first equal mask.
class SupportLibrary : public TreeLibrary<SupportRef>
{
public:
    SupportLibrary();
};
