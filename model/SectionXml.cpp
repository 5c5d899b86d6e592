#include "SectionXml.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace SectionXml
{
bool isElement(const QXmlStreamReader& reader, const char* name)
{
    return reader.name().compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
}

void writeNumber(QXmlStreamWriter& writer, const QString& name, double value)
{
    // 17 significant digits are enough for any double to read back unchanged.
    writer.writeTextElement(name, QString::number(value, 'g', 17));
}

void readNumber(QXmlStreamReader& reader, double* value)
{
    const QString element = reader.name().toString();
    const QString text = reader.readElementText().trimmed();
    bool ok = false;
    const double number = text.toDouble(&ok);
    if (ok)
        *value = number;
    else if (!reader.hasError())
        reader.raiseError(QStringLiteral("\"%1\" in <%2> is not a number").arg(text, element));
}

void writeNames(QXmlStreamWriter& writer, const QStringList& names)
{
    writer.writeStartElement(QStringLiteral("Names"));
    for (const QString& name : names)
        writer.writeTextElement(QStringLiteral("Name"), name);
    writer.writeEndElement();
}

QStringList readNames(QXmlStreamReader& reader)
{
    QStringList names;
    while (reader.readNextStartElement()) {
        if (isElement(reader, "Name"))
            names.append(reader.readElementText());
        else
            reader.skipCurrentElement();
    }
    return names;
}
}
