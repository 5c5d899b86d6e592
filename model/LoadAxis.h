#pragma once

#include "NamedAxis.h"

// The direction along which a load acts. Written as "LoadAxis".
class LoadAxis : public NamedAxis
{
    Q_OBJECT

public:
    LoadAxis();
    explicit LoadAxis(const Axis& axis, const QString& name = QString());

    // The same flags, and the same node or, with no nodes, equal vectors.
    static bool isAxisEqualTo(const LoadAxisRef& loadAxis, const Axis& axis);

protected:
    QString elementName() const override;

public:
    // What it is written as.
    static const XmlForm::Element xmlForm;

protected:
};

Q_DECLARE_METATYPE(LoadAxisRef)
