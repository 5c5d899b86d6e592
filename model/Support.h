#pragma once

#include "Dof.h"
#include "VaroObject.h"

// A named set of restrained freedoms; 0 restrains nothing. Written as
// "Support" with children "Name" and "Dof".
class Support : public VaroObject
{
    Q_OBJECT

public:
    Support();
    Support(const QString& name, const Dof& dof);

    QString name() const { return nameText; }
    Dof dof() const { return dofValue; }

    // Equal masks; no support counts as 0.
    static bool isDofEqualTo(const SupportRef& support, const Dof& dof);

    void readXML(QXmlStreamReader& reader, QMap<QString, VaroObjectRef>* idMap) override;
    void writeXML(QXmlStreamWriter& writer, const QString& id) const override;
    // What writeXML writes.
    static const XmlForm::Element xmlForm;

private:
    QString nameText;
    Dof dofValue;
};

Q_DECLARE_METATYPE(SupportRef)
