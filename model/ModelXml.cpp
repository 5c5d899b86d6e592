#include "ModelXml.h"

#include "Combination.h"
#include "GeometryGroup.h"
#include "GravityCase.h"
#include "LoadAxis.h"
#include "Loading.h"
#include "Member.h"
#include "MemberAxis.h"
#include "Node.h"
#include "NumberFormat.h"
#include "PointLoad.h"
#include "Report.h"
#include "SectionType.h"
#include "Support.h"
#include "SwayCase.h"
#include "TorqueLoad.h"
#include "TrapezoidLoad.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <cmath>

namespace XmlForm {

int longest(Value value)
{
    switch (value) {
    case Value::None:
    case Value::Text:
        return 0;
    case Value::Number:
    case Value::Factor:
        return 24; // "-2.2250738585072014e-308"
    case Value::Vector:
        return 3 * 24 + 2;
    case Value::Whole:
        return 11; // "-2147483648"
    case Value::Flag:
        return 5;
    case Value::Colour:
        return 9;
    case Value::Reference:
        return 20; // the digits of a 64-bit address
    case Value::ViewNumber:
        return 22; // "-1.23456789012345e-308"
    case Value::ViewVector:
        return 3 * 22 + 2;
    case Value::Scale:
        return 13; // "-2.22507e-308"
    case Value::Places:
        return 314; // the largest double's 309 digits, a sign and three places
    }
    return 0;
}

int shortest(Value value)
{
    switch (value) {
    case Value::None:
    case Value::Text:
        return 0;
    case Value::Vector:
    case Value::ViewVector:
        return 5; // "0,0,0"
    case Value::Flag:
        return 4;
    case Value::Colour:
        return 9;
    case Value::Reference:
        return 5; // no address is shorter
    case Value::Places:
        return 5; // "0.000"
    default:
        return 1;
    }
}

} // namespace XmlForm

namespace ModelXml {

using namespace XmlForm;

const Element textForm = valued(nullptr, Value::Text, {attribute("escaped", Value::Flag)});

Field text(const char* name, quint8 flags)
{
    return child(textForm, flags, name);
}

const Element namesForm = element("Names", {text("Name", Repeated)});

QString numberText(double value)
{
    return finiteNumberText(value, 'g', 17);
}

namespace {

bool refuse(QXmlStreamReader& reader, const QString& text, const char* what)
{
    if (!reader.hasError())
        reader.raiseError(QStringLiteral("\"%1\" is not %2").arg(text, QLatin1String(what)));
    return false;
}

// Read through a reference, so that the parts of a vector need no copies.
double numberFromPart(QXmlStreamReader& reader, const QStringRef& text)
{
    const QStringRef t = text.trimmed();
    // toDouble refuses empty text and what overflows, but takes "nan" and "inf" as numbers.
    bool ok = false;
    const double value = t.toDouble(&ok);
    if (!ok)
        return refuse(reader, t.toString(), "a number"), 0.0;
    return std::isfinite(value) ? value : (refuse(reader, t.toString(), "a finite number"), 0.0);
}

} // namespace

double numberFrom(QXmlStreamReader& reader, const QString& text)
{
    return numberFromPart(reader, QStringRef(&text));
}

int integerFrom(QXmlStreamReader& reader, const QString& text, int fallback)
{
    const QString t = text.trimmed();
    bool ok = false;
    const int value = t.toInt(&ok);
    return ok ? value : (refuse(reader, t, "a whole number"), fallback);
}

QString boolText(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

bool boolFrom(QXmlStreamReader& reader, const QString& text, bool fallback)
{
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 || t == QLatin1String("1"))
        return true;
    if (t.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0 || t == QLatin1String("0"))
        return false;
    refuse(reader, t, "true or false");
    return fallback;
}

QString vectorText(const Vector3& vector)
{
    return numberText(vector.x()) + QLatin1Char(',') + numberText(vector.y()) + QLatin1Char(',')
        + numberText(vector.z());
}

Vector3 vectorFrom(QXmlStreamReader& reader, const QString& text)
{
    const int first = text.indexOf(QLatin1Char(','));
    const int second = first < 0 ? -1 : text.indexOf(QLatin1Char(','), first + 1);
    if (second < 0 || text.indexOf(QLatin1Char(','), second + 1) >= 0) {
        refuse(reader, text.trimmed(), "three numbers");
        return Vector3();
    }
    return Vector3(numberFromPart(reader, text.leftRef(first)),
                   numberFromPart(reader, text.midRef(first + 1, second - first - 1)),
                   numberFromPart(reader, text.midRef(second + 1)));
}

QString colourText(const QColor& colour)
{
    return colour.name(QColor::HexArgb);
}

QColor colourFrom(QXmlStreamReader& reader, const QString& text, const QColor& fallback)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return fallback;
    const QColor colour(t);
    return colour.isValid() ? colour : (refuse(reader, t, "a colour"), fallback);
}

QString elementName(const QXmlStreamReader& reader)
{
    QString name = reader.name().toString();
    for (QChar& c : name)
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + ('a' - 'A'));
    return name;
}

bool isName(const QStringRef& actual, const char* name)
{
    const auto small = [](ushort c) { return c >= 'A' && c <= 'Z' ? ushort(c + ('a' - 'A')) : c; };
    int i = 0;
    for (; name[i]; ++i)
        if (i == actual.size() || small(actual.at(i).unicode()) != small(uchar(name[i])))
            return false;
    return i == actual.size();
}

bool isElement(const QXmlStreamReader& reader, const char* name)
{
    return isName(reader.name(), name);
}

namespace {

const QString escapedAttribute = QStringLiteral("escaped");

bool xmlCanCarry(const QString& text, int i)
{
    const ushort c = text.at(i).unicode();
    if (c < 0x20)
        return c == '\t' || c == '\n';
    if (c == 0xFFFE || c == 0xFFFF)
        return false;
    if (QChar::isHighSurrogate(c))
        return i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
    if (QChar::isLowSurrogate(c))
        return i > 0 && text.at(i - 1).isHighSurrogate();
    return true;
}

} // namespace

void writeText(QXmlStreamWriter& writer, const QString& element, const QString& text)
{
    bool plain = true;
    for (int i = 0; plain && i < text.size(); ++i)
        plain = xmlCanCarry(text, i);
    if (plain) {
        writer.writeTextElement(element, text);
        return;
    }
    QString escaped;
    for (int i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('\\'))
            escaped += QLatin1String("\\\\");
        else if (xmlCanCarry(text, i))
            escaped += text.at(i);
        else
            escaped += QStringLiteral("\\u%1").arg(text.at(i).unicode(), 4, 16, QLatin1Char('0'));
    }
    writer.writeStartElement(element);
    writer.writeAttribute(escapedAttribute, boolText(true));
    writer.writeCharacters(escaped);
    writer.writeEndElement();
}

void writeNames(QXmlStreamWriter& writer, const QStringList& names)
{
    writer.writeStartElement(QStringLiteral("Names"));
    for (const QString& name : names)
        writeText(writer, QStringLiteral("Name"), name);
    writer.writeEndElement();
}

QStringList readNames(QXmlStreamReader& reader)
{
    QStringList names;
    while (reader.readNextStartElement()) {
        if (isElement(reader, "Name"))
            names.append(elementText(reader));
        else
            reader.skipCurrentElement();
    }
    return names;
}

void writeNumber(QXmlStreamWriter& writer, const QString& element, double value)
{
    writer.writeTextElement(element, numberText(value));
}

void writeReference(QXmlStreamWriter& writer, const QString& element, const VaroObject* object)
{
    if (object)
        writer.writeTextElement(element, object->xmlId());
}

QString elementText(QXmlStreamReader& reader)
{
    const bool escaped = reader.attributes().value(escapedAttribute) == QLatin1String("true");
    const QString text = reader.readElementText(QXmlStreamReader::SkipChildElements);
    if (!escaped)
        return text;
    QString plain;
    for (int i = 0; i < text.size(); ++i) {
        if (text.at(i) != QLatin1Char('\\')) {
            plain += text.at(i);
        } else if (text.midRef(i + 1, 1) == QLatin1String("\\")) {
            plain += QLatin1Char('\\');
            ++i;
        } else {
            bool ok = text.midRef(i + 1, 1) == QLatin1String("u");
            const ushort code = ok ? text.midRef(i + 2, 4).toUShort(&ok, 16) : 0;
            if (!ok || text.midRef(i + 2, 4).size() != 4) {
                refuse(reader, text, "escaped text");
                return QString();
            }
            plain += QChar(code);
            i += 5;
        }
    }
    return plain;
}

void readChildren(QXmlStreamReader& reader, const std::function<bool(const QString& name)>& handle)
{
    while (!reader.atEnd() && !reader.hasError()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::EndElement)
            return;
        if (token == QXmlStreamReader::StartElement && !handle(elementName(reader)))
            reader.skipCurrentElement();
    }
}

} // namespace ModelXml

namespace {

template <class T>
ModelXml::ObjectKind kind()
{
    return {&T::xmlForm, [] { return static_cast<VaroObject*>(new T); }};
}

} // namespace

const std::vector<ModelXml::ObjectKind>& ModelXml::objectKinds()
{
    static const std::vector<ObjectKind> kinds = {
        kind<GeometryGroup>(), kind<Loading>(),      kind<GravityCase>(), kind<SwayCase>(),
        kind<Combination>(),   kind<Node>(),         kind<Member>(),      kind<PointLoad>(),
        kind<TorqueLoad>(),    kind<TrapezoidLoad>(), kind<Support>(),     kind<SectionType>(),
        kind<LoadAxis>(),      kind<MemberAxis>(),   kind<Report>(),
    };
    return kinds;
}

VaroObjectRef makeObjectForElement(const QString& elementName)
{
    for (const ModelXml::ObjectKind& kind : ModelXml::objectKinds())
        if (ModelXml::isName(QStringRef(&elementName), kind.form->name))
            return VaroObject::share(kind.make());
    return VaroObjectRef();
}
