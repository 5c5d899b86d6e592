#include "MemberPinLibrary.h"

MemberPinLibrary::MemberPinLibrary()
{
    for (const MemberPinRef& pin : {VaroObject::make<MemberPin>(QStringLiteral("Rigid"), Dof(Dof::All)),
                                    VaroObject::make<MemberPin>(QStringLiteral("Pinned"), Dof(Dof::Pinned))})
        root()->appendSubnode(ItemRef(new Item(pin, pin->name())));
}
