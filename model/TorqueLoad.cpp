#include "TorqueLoad.h"

TorqueLoad::TorqueLoad(const MemberRef& member) : Load(member) {}

QSharedPointer<TorqueLoad> TorqueLoad::makeDefault(const LoadCaseRef& loadCase)
{
    return makeDefaultOf<TorqueLoad>(loadCase, {PositionedForce(0.5, 10000.0)});
}

LoadRef TorqueLoad::clone() const
{
    return cloneAs<TorqueLoad>();
}

QString TorqueLoad::elementName() const
{
    return QStringLiteral("TorqueLoad");
}
