#pragma once

#include "LoadCase.h"

// The load case that loads are placed in. Written as "LoadCase".
class Loading : public LoadCase
{
    Q_OBJECT

public:
    explicit Loading(const QString& name = QString());
    // Name, colour and stamp.
    Loading(const Loading& other);

protected:
    QString elementName() const override;

public:
    // What it is written as.
    static const XmlForm::Element xmlForm;

protected:
};

Q_DECLARE_METATYPE(LoadingRef)
