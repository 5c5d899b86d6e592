#include "SupportLibrary.h"

SupportLibrary::SupportLibrary()
{
    // Y is vertical, so rollers move in the horizontal X and Z directions.
    const int X = Dof::X, Y = Dof::Y, Z = Dof::Z, Rx = Dof::Rx, Rz = Dof::Rz;
    const struct
    {
        const char* name;
        int mask;
    } supports[] = {
        {"Fully Fixed", Dof::All},
        {"Fully Pinned", X | Y | Z},
        {"Moment-resisting roller in X", Dof::All & ~X},
        {"Moment-resisting roller in Z", Dof::All & ~Z},
        {"Moment-resisting roller in X and Z", Dof::All & ~(X | Z)},
        {"Pinned roller in X", Y | Z},
        {"Pinned roller in Z", X | Y},
        {"Pinned roller in X and Z", Y},
        {"Fixed, free to rotate about X", Dof::All & ~Rx},
        {"Fixed, free to rotate about Z", Dof::All & ~Rz},
        {"Restrained in X", X},
        {"Restrained in Z", Z},
        {"Unrestrained", 0},
    };
    for (const auto& s : supports) {
        const QString name = QString::fromUtf8(s.name);
        root()->appendSubnode(ItemRef(new Item(VaroObject::make<Support>(name, Dof(s.mask)), name)));
    }
}
