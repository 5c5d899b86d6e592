#pragma once

#include "Dof.h"
#include "VaroObject.h"

// A named mask of the freedoms a member end transmits ("Rigid" 63,
// "Pinned" 15). Members keep only pin flags, so a pin is never written.
class MemberPin : public VaroObject
{
    Q_OBJECT

public:
    MemberPin();
    MemberPin(const QString& name, const Dof& dof);

    QString name() const { return nameText; }
    Dof dof() const { return dofValue; }

    // Equal masks; no pin counts as 0.
    static bool isDofEqualTo(const MemberPinRef& pin, const Dof& dof);

private:
    QString nameText;
    Dof dofValue;
};

Q_DECLARE_METATYPE(MemberPinRef)
