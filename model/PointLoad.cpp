#include "PointLoad.h"

PointLoad::PointLoad(const MemberRef& member) : Load(member) {}

QSharedPointer<PointLoad> PointLoad::makeDefault(const LoadCaseRef& loadCase)
{
    return makeDefaultOf<PointLoad>(loadCase, {PositionedForce(0.5, -10000.0)});
}

LoadRef PointLoad::clone() const
{
    return cloneAs<PointLoad>();
}

QString PointLoad::elementName() const
{
    return QString::fromLatin1(xmlForm.name);
}

const XmlForm::Element PointLoad::xmlForm =
    XmlForm::element("PointLoad", {}, &Load::xmlForm)
        .costing(15, "load", "loads"); // 840 bytes with member, load case and one pair; time
