#pragma once

#include "Axis.h"
#include "LoadCase.h"

// Self-weight: every analysed member carries w = A·ρ·g acting against the
// axis. Written as "GravityCase" with "Acceleration" and "Axis" after the
// common children.
class GravityCase : public LoadCase
{
    Q_OBJECT

public:
    // 9.81 m/s² along global (0, 1, 0).
    explicit GravityCase(const QString& name = QString());

    double acceleration() const { return accelerationValue; }
    void setAcceleration(double acceleration);
    const Axis& axis() const { return axisValue; }
    void setAxis(const Axis& axis);

    QList<VaroObjectRef> references() const override;

protected:
    QString elementName() const override;

public:
    // What it is written as.
    static const XmlForm::Element xmlForm;

protected:
    bool readChild(const QString& name, QXmlStreamReader& reader, QMap<QString, VaroObjectRef>* idMap) override;
    void writeChildren(QXmlStreamWriter& writer) const override;

private:
    double accelerationValue = 9.81;
    Axis axisValue;
};

Q_DECLARE_METATYPE(GravityCaseRef)
