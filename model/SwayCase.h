#pragma once

#include "SuperLoadCase.h"
#include "Vectors.h"

// Takes one global component of its cases' loads and applies it along
// another global axis. Written as "SwayCase" with "Take" and "Apply" after
// the factors.
class SwayCase : public SuperLoadCase
{
    Q_OBJECT

public:
    // Any other value, as a file may hold, acts as Z; the fixed underlying
    // type makes such values well defined.
    enum LoadComponent : int { X = 0, Y = 1, Z = 2 };
    Q_ENUM(LoadComponent)

    // No factors, take Y, apply X.
    explicit SwayCase(const QString& name = QString());
    // The super-load-case part and both components.
    SwayCase(const SwayCase& other);

    LoadComponent takeComponent() const { return take; }
    LoadComponent applyComponent() const { return apply; }
    // Each stores between ValueWillChange and ValueHasChanged, with a stamp.
    void setTakeComponent(LoadComponent component);
    void setApplyComponent(LoadComponent component);

    // (1,0,0), (0,1,0) or (0,0,1).
    Vector3 takeVector() const { return vectorOf(take); }
    Vector3 applyVector() const { return vectorOf(apply); }
    static Vector3 vectorOf(LoadComponent component);

protected:
    QString elementName() const override;

public:
    // What it is written as.
    static const XmlForm::Element xmlForm;

protected:
    bool readChild(const QString& name, QXmlStreamReader& reader, QMap<QString, VaroObjectRef>* idMap) override;
    void writeChildren(QXmlStreamWriter& writer) const override;

private:
    LoadComponent take = Y;
    LoadComponent apply = X;
};

Q_DECLARE_METATYPE(SwayCaseRef)
