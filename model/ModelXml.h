#pragma once

#include "ModelRefs.h"
#include "Vectors.h"
#include "XmlForm.h"

#include <QColor>
#include <QString>
#include <QStringList>

#include <functional>

class QXmlStreamReader;
class QXmlStreamWriter;

// The text forms the model objects use for their child elements, and the
// loop that reads those children. Numbers carry 17 significant figures so
// that every double reads back to the same bits; one that is not finite is
// written as the nearest that is, which the reader takes.
namespace ModelXml {

QString numberText(double value);
QString boolText(bool value);
// "x,y,z"
QString vectorText(const Vector3& vector);
// "#AARRGGBB"
QString colourText(const QColor& colour);

// Conversions of a child's text. Every number the program writes is written
// whole, so text that is empty, damaged, not finite or too large for a double
// raises an error on the reader (and gives 0): the document is refused
// rather than read with a silently changed value. A field that is absent
// keeps its default, as its reader never asks for it.
double numberFrom(QXmlStreamReader& reader, const QString& text);
// Three such numbers separated by commas.
Vector3 vectorFrom(QXmlStreamReader& reader, const QString& text);
// Whole numbers and flags are written whole too: empty or damaged text
// raises the error and gives the fallback.
int integerFrom(QXmlStreamReader& reader, const QString& text, int fallback);
bool boolFrom(QXmlStreamReader& reader, const QString& text, bool fallback);
// Colours: empty text keeps the fallback, as a missing child does; other
// damaged text raises the error.
QColor colourFrom(QXmlStreamReader& reader, const QString& text, const QColor& fallback);

// The local name of the element the reader stands on with its ASCII capitals
// made small. Only ASCII letters are folded: no other character stands for
// one of them, so a name matches one of ours exactly when the reading budget
// takes it for one.
QString elementName(const QXmlStreamReader& reader);
// A name compared as elementName() makes it.
bool isName(const QStringRef& name, const char* ours);
// The element the reader stands on, compared as elementName() does.
bool isElement(const QXmlStreamReader& reader, const char* name);

// What writeText writes: the text, and the mark of an escaped one.
extern const XmlForm::Element textForm;
// A child element that writeText writes.
XmlForm::Field text(const char* name, quint8 flags = 0);
// What writeNames writes.
extern const XmlForm::Element namesForm;

// Writes a text element for text a user typed. Characters that XML 1.0
// cannot carry (control characters, a carriage return, which readers turn
// into a line feed, U+FFFE, U+FFFF, unpaired surrogates) are written as
// "\uXXXX" and the element is marked escaped="true", in which "\\" then
// stands for a backslash. Any other text is written as it is.
void writeText(QXmlStreamWriter& writer, const QString& element, const QString& text);

// <Names><Name>…</Name>…</Names>
void writeNames(QXmlStreamWriter& writer, const QStringList& names);
QStringList readNames(QXmlStreamReader& reader);

void writeNumber(QXmlStreamWriter& writer, const QString& element, double value);
// Writes the element with the object's id as text; nothing for a null object.
void writeReference(QXmlStreamWriter& writer, const QString& element, const VaroObject* object);

// The text of the element the reader stands on, undoing the escapes of
// writeText; child elements inside it are skipped. A damaged escape raises
// an error on the reader. Leaves the reader on the element's end.
QString elementText(QXmlStreamReader& reader);

// Reads the children of the element the reader stands on, handing each
// child's name in lower case to the handler. The handler reads the child up
// to its end element and returns true, or returns false to have it skipped.
// Returns with the reader on the parent's end element, or in error.
void readChildren(QXmlStreamReader& reader, const std::function<bool(const QString& name)>& handle);

} // namespace ModelXml

namespace ModelXml {

// Every kind of object that a model text makes, by its form, with what makes
// a new default one. The document reader takes its kinds from here.
struct ObjectKind
{
    const XmlForm::Element* form;
    VaroObject* (*make)();
};
const std::vector<ObjectKind>& objectKinds();

} // namespace ModelXml

// A new default object for a model element name compared without regard to
// case, or null for a name that is not one of them.
VaroObjectRef makeObjectForElement(const QString& elementName);
