#include "LoadAxisLibrary.h"

LoadAxisLibrary::LoadAxisLibrary()
{
    // A torque axis is the axis of the moment vector: the major-axis moment
    // turns about local z, the minor-axis moment about local y.
    const struct
    {
        const char* name;
        Vector3 vector;
        bool global;
    } axes[] = {
        {"In global X", Vector3(1, 0, 0), true},
        {"In global Y", Vector3(0, 1, 0), true},
        {"In global Z", Vector3(0, 0, 1), true},
        {"In local X (longitudinal)", Vector3(1, 0, 0), false},
        {"In local Y (major axis)", Vector3(0, 1, 0), false},
        {"In local Z (minor axis)", Vector3(0, 0, 1), false},
        {"Around global X", Vector3(1, 0, 0), true},
        {"Around global Y", Vector3(0, 1, 0), true},
        {"Around global Z", Vector3(0, 0, 1), true},
        {"Bending of major axis", Vector3(0, 0, 1), false},
        {"Bending of minor axis", Vector3(0, 1, 0), false},
        {"Torsion", Vector3(1, 0, 0), false},
    };
    for (const auto& a : axes) {
        const QString name = QString::fromUtf8(a.name);
        const LoadAxisRef axis(VaroObject::make<LoadAxis>(Axis(a.vector, NodeRef(), a.global, false), name));
        root()->appendSubnode(ItemRef(new Item(axis, name)));
    }
}
