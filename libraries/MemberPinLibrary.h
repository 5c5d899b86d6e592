#pragma once

#include "TreeLibrary.h"

#include "MemberPin.h"

// The member-end pins directly under the root: "Rigid" (all six freedoms
// held) and "Pinned" (both bending rotations released).
class MemberPinLibrary : public TreeLibrary<MemberPinRef>
{
public:
    MemberPinLibrary();
};
