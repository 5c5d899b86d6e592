#pragma once

#include "Load.h"

// A force (N) at one position along the member. Written as "PointLoad".
class PointLoad : public Load
{
    Q_OBJECT

public:
    explicit PointLoad(const MemberRef& member = MemberRef());

    // In the load case, on no member, along a new default load axis (global
    // +Y), with the pair (0.5, -10000).
    static QSharedPointer<PointLoad> makeDefault(const LoadCaseRef& loadCase);

    LoadRef clone() const override;

protected:
    QString elementName() const override;

public:
    // What it is written as.
    static const XmlForm::Element xmlForm;

protected:
};
