#include "SuperLoadCase.h"

#include "ModelXml.h"
#include "NumberFormat.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <algorithm>

#include <cmath>

SuperLoadCase::SuperLoadCase(const QString& name) : LoadCase(name) {}

SuperLoadCase::SuperLoadCase(const SuperLoadCase& other) : LoadCase(other), factorMap(other.factorMap) {}

SuperLoadCase::~SuperLoadCase()
{
    // A case may hold the last reference to a case that holds the last to
    // the next, down a chain of any length. The first case released lets go
    // of the others one at a time, each from the same depth of calls: those
    // it releases meanwhile only hand it what they held.
    thread_local QList<LoadCaseRef>* releasing = nullptr;
    if (factorMap.isEmpty())
        return;
    if (releasing) {
        *releasing += factorMap.keys();
        factorMap.clear();
        return;
    }
    QList<LoadCaseRef> held = factorMap.keys();
    factorMap.clear();
    releasing = &held;
    while (!held.isEmpty())
        held.takeLast().reset();
    releasing = nullptr;
}

double SuperLoadCase::factorForLoadCase(const LoadCaseRef& loadCase) const
{
    return factorMap.value(loadCase, 0.0);
}

double SuperLoadCase::roundedFactor(double factor)
{
    return std::isfinite(factor) ? roundToDecimalPlaces(factor, 2) : 0.0;
}

void SuperLoadCase::setFactors(const QMap<LoadCaseRef, double>& factors)
{
    changeValue([&] {
        factorMap.clear();
        for (auto i = factors.constBegin(); i != factors.constEnd(); ++i) {
            const double f = roundedFactor(i.value());
            if (f != 0.0)
                factorMap.insert(i.key(), f);
        }
    });
}

void SuperLoadCase::addFactor(const LoadCaseRef& loadCase, double factor)
{
    changeValue([&] {
        const double f = roundedFactor(factor);
        if (f == 0.0)
            factorMap.remove(loadCase);
        else
            factorMap.insert(loadCase, f);
    });
}

bool SuperLoadCase::operator==(const SuperLoadCase& other) const
{
    if (name() != other.name() || colour() != other.colour() || factorMap.size() != other.factorMap.size())
        return false;
    for (auto a = factorMap.constBegin(), b = other.factorMap.constBegin(); a != factorMap.constEnd(); ++a, ++b)
        if (a.key() != b.key() || a.value() != b.value())
            return false;
    return true;
}

QList<LoadCaseRef> SuperLoadCase::loadCasesInWrittenOrder() const
{
    QList<LoadCaseRef> loadCases;
    for (const LoadCaseRef& loadCase : factorMap.keys())
        if (loadCase)
            loadCases.append(loadCase);
    // The map is ordered by address, which differs from run to run.
    std::stable_sort(loadCases.begin(), loadCases.end(), [this](const LoadCaseRef& a, const LoadCaseRef& b) {
        if (a->name() != b->name())
            return a->name() < b->name();
        if (a->colour().rgba() != b->colour().rgba())
            return a->colour().rgba() < b->colour().rgba();
        return factorMap.value(a) < factorMap.value(b);
    });
    return loadCases;
}

QList<VaroObjectRef> SuperLoadCase::references() const
{
    QList<VaroObjectRef> list;
    for (const LoadCaseRef& loadCase : loadCasesInWrittenOrder())
        list.append(loadCase);
    return list;
}

bool SuperLoadCase::readChild(const QString& name, QXmlStreamReader& reader, QMap<QString, VaroObjectRef>* idMap)
{
    if (name != QLatin1String("factor"))
        return LoadCase::readChild(name, reader, idMap);
    const QString id = reader.attributes().value(QStringLiteral("ref")).toString();
    const double factor = roundedFactor(ModelXml::numberFrom(reader, ModelXml::elementText(reader)));
    const LoadCaseRef loadCase = resolveReference<LoadCase>(reader, idMap, id);
    if (loadCase && factor != 0.0)
        factorMap.insert(loadCase, factor);
    return true;
}

void SuperLoadCase::writeChildren(QXmlStreamWriter& writer) const
{
    LoadCase::writeChildren(writer);
    for (const LoadCaseRef& loadCase : loadCasesInWrittenOrder()) {
        writer.writeStartElement(QStringLiteral("Factor"));
        writer.writeAttribute(QStringLiteral("ref"), loadCase->xmlId());
        writer.writeCharacters(ModelXml::numberText(factorMap.value(loadCase)));
        writer.writeEndElement();
    }
}

namespace {
const XmlForm::Element factorForm =
    XmlForm::valued("Factor", XmlForm::Value::Factor,
                    {XmlForm::attribute("ref", XmlForm::Value::Reference, XmlForm::Always, &LoadCase::xmlForm)});
}

const XmlForm::Element SuperLoadCase::xmlForm =
    XmlForm::element(nullptr, {XmlForm::child(factorForm, XmlForm::Repeated)}, &LoadCase::xmlForm);
