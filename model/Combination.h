#pragma once

#include "SuperLoadCase.h"

// A factored sum of load cases. A combination marked second order gets no
// results. Written as "Combination" with the attribute "secondOrder".
class Combination : public SuperLoadCase
{
    Q_OBJECT

public:
    // No factors, first order.
    explicit Combination(const QString& name = QString());
    // The super-load-case part of another case, first order: the copy the
    // combination page works on.
    explicit Combination(const SuperLoadCase& other);
    // The same: a copied combination starts first order.
    Combination(const Combination& other);

    bool isSecondOrder() const { return secondOrder; }
    // Stores between ValueWillChange and ValueHasChanged, with a stamp.
    void setSecondOrder(bool secondOrder);

protected:
    QString elementName() const override;

public:
    // What it is written as.
    static const XmlForm::Element xmlForm;

protected:
    void readAttributes(QXmlStreamReader& reader) override;
    void writeAttributes(QXmlStreamWriter& writer) const override;

private:
    bool secondOrder = false;
};

Q_DECLARE_METATYPE(CombinationRef)
