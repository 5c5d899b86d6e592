#pragma once

#include "Axis.h"
#include "VaroObject.h"

// The common part of load axes and member axes: a name and an Axis, written
// as children "Name" and "Axis" of the class's own element.
class NamedAxis : public VaroObject
{
    Q_OBJECT

public:
    QString name() const { return nameText; }
    const Axis& axis() const { return axisValue; }

    void readXML(QXmlStreamReader& reader, QMap<QString, VaroObjectRef>* idMap) override;
    void writeXML(QXmlStreamWriter& writer, const QString& id) const override;
    // What writeXML writes for every kind.
    static const XmlForm::Element xmlForm;
    // The reference node of the axis, which must be written first.
    QList<VaroObjectRef> references() const override;

protected:
    NamedAxis(const Axis& axis, const QString& name);

    virtual QString elementName() const = 0;

    Axis axisValue;
    QString nameText;
};
