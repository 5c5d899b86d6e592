#include "MemberPinLibrary.h"

MemberPinLibrary::MemberPinLibrary()
{
    for (const MemberPinRef& pin : {MemberPinRef(new MemberPin(QStringLiteral("Rigid"), Dof(Dof::All))),
                                    MemberPinRef(new MemberPin(QStringLiteral("Pinned"), Dof(Dof::Pinned)))})
        root()->appendSubnode(ItemRef(new Item(pin, pin->name())));
}
