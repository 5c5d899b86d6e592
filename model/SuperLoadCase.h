#pragma once

#include "LoadCase.h"

#include <QMap>

// A load case made of other load cases, each with a factor held to two
// decimals. The map is ordered by the address of the load-case objects.
// Written with one "Factor" child per case: <Factor ref="id">factor</Factor>.
class SuperLoadCase : public LoadCase
{
    Q_OBJECT

public:
    // What writeChildren writes for every kind, after a load case's own fields.
    static const XmlForm::Element xmlForm;
    ~SuperLoadCase() override;
    QMap<LoadCaseRef, double> factors() const { return factorMap; }
    // The stored factor, 0.0 for a case that is not in the map.
    virtual double factorForLoadCase(const LoadCaseRef& loadCase) const;

    // ValueWillChange; replaces the map with each factor rounded, leaving out
    // those that round to zero; stamp; ValueHasChanged.
    void setFactors(const QMap<LoadCaseRef, double>& factors);
    // ValueWillChange; stores the rounded factor, or removes the case when it
    // rounds to zero; stamp; ValueHasChanged.
    void addFactor(const LoadCaseRef& loadCase, double factor);

    // Names, colours, the same cases in order and exactly equal factors.
    bool operator==(const SuperLoadCase& other) const;
    bool operator!=(const SuperLoadCase& other) const { return !(*this == other); }

    // The cases it combines, which must be written first.
    QList<VaroObjectRef> references() const override;
    // By name, colour and factor, so that a model always saves the same text.
    QList<LoadCaseRef> loadCasesInWrittenOrder() const;

    // round(f × 100) / 100 with halves away from zero; a factor too large for
    // hundredths to change stays as it is. One that is not finite counts as
    // zero, since the analysis could do nothing with it.
    static double roundedFactor(double factor);

protected:
    explicit SuperLoadCase(const QString& name);
    // The load-case part and the map.
    SuperLoadCase(const SuperLoadCase& other);

    bool readChild(const QString& name, QXmlStreamReader& reader, QMap<QString, VaroObjectRef>* idMap) override;
    void writeChildren(QXmlStreamWriter& writer) const override;

private:
    QMap<LoadCaseRef, double> factorMap;
};

Q_DECLARE_METATYPE(SuperLoadCaseRef)
