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
    return QString::fromLatin1(xmlForm.name);
}

const XmlForm::Element TorqueLoad::xmlForm =
    XmlForm::element("TorqueLoad", {}, &Load::xmlForm)
        .costing(15, "load", "loads");
