#pragma once

#include "Load.h"

// A moment (N·m) about the load axis at one position along the member.
// Written as "TorqueLoad".
class TorqueLoad : public Load
{
    Q_OBJECT

public:
    explicit TorqueLoad(const MemberRef& member = MemberRef());

    // In the load case, on no member, about a new default load axis (global
    // +Y), with the pair (0.5, 10000).
    static QSharedPointer<TorqueLoad> makeDefault(const LoadCaseRef& loadCase);

    LoadRef clone() const override;

protected:
    QString elementName() const override;

public:
    // What it is written as.
    static const XmlForm::Element xmlForm;

protected:
};
