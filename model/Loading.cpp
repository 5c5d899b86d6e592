#include "Loading.h"

Loading::Loading(const QString& name) : LoadCase(name) {}

Loading::Loading(const Loading& other) : LoadCase(other) {}

QString Loading::elementName() const
{
    return QString::fromLatin1(xmlForm.name);
}

const XmlForm::Element Loading::xmlForm =
    XmlForm::element("LoadCase", {}, &LoadCase::xmlForm)
        .costing(17, "load case", "load cases"); // as a geometry group
