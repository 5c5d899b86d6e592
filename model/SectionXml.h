#pragma once

#include <QString>
#include <QStringList>

class QXmlStreamReader;
class QXmlStreamWriter;

// Helpers shared by the XML of materials and cross-sections: child
// elements with text, element names compared without regard to case, and
// numbers written so that every double reads back exactly.
namespace SectionXml
{
bool isElement(const QXmlStreamReader& reader, const char* name);

void writeNumber(QXmlStreamWriter& writer, const QString& name, double value);
// Reads the current element's text as a number. Text that is no number
// raises an error on the reader (the document is then refused) and leaves
// the value as it was.
void readNumber(QXmlStreamReader& reader, double* value);

// <Names><Name>…</Name>…</Names>
void writeNames(QXmlStreamWriter& writer, const QStringList& names);
QStringList readNames(QXmlStreamReader& reader);
}
