#include "MemberPin.h"

MemberPin::MemberPin() = default;

MemberPin::MemberPin(const QString& name, const Dof& dof) : nameText(name), dofValue(dof) {}

bool MemberPin::isDofEqualTo(const MemberPinRef& pin, const Dof& dof)
{
    return (pin ? pin->dofValue.mask : 0) == dof.mask;
}
