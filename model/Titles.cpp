#include "Titles.h"

#include "ModelXml.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

Titles::Titles(QObject* parent) : QObject(parent) {}

Titles::Titles(const Titles& other, QObject* parent)
    : QObject(parent), lineList(other.lineList), noteText(other.noteText)
{
}

QString Titles::title(int line, int column) const
{
    if (line < 0 || line >= lineList.size())
        return QString();
    return column == 0 ? lineList[line].first : lineList[line].second;
}

void Titles::setTitle(int line, int column, const QString& text)
{
    if (line < 0)
        return;
    if (line >= lineList.size()) {
        lineList.append(Line());
        line = lineList.size() - 1;
    }
    (column == 0 ? lineList[line].first : lineList[line].second) = text;
    emit TitlesHaveChanged();
}

void Titles::setNote(const QString& note)
{
    noteText = note;
}

void Titles::importFrom(const Titles& other)
{
    lineList = other.lineList;
    noteText = other.noteText;
    emit TitlesHaveChanged();
}

bool Titles::operator==(const Titles& other) const
{
    return lineList == other.lineList && noteText == other.noteText;
}

void Titles::writeXML(QXmlStreamWriter& writer) const
{
    writer.writeStartElement(QStringLiteral("Titles"));
    for (const Line& line : lineList) {
        writer.writeStartElement(QStringLiteral("Row"));
        ModelXml::writeText(writer, QStringLiteral("First"), line.first);
        ModelXml::writeText(writer, QStringLiteral("Second"), line.second);
        writer.writeEndElement();
    }
    ModelXml::writeText(writer, QStringLiteral("Note"), noteText);
    writer.writeEndElement();
}

namespace {
const XmlForm::Element rowForm =
    XmlForm::element("Row", {ModelXml::text("First", XmlForm::Always), ModelXml::text("Second", XmlForm::Always)});
}

const XmlForm::Element Titles::xmlForm = XmlForm::element(
    "Titles", {XmlForm::child(rowForm, XmlForm::Repeated), ModelXml::text("Note", XmlForm::Always)});

void Titles::readXML(QXmlStreamReader& reader)
{
    QList<Line> lines;
    QString note;
    ModelXml::readChildren(reader, [&](const QString& name) {
        if (name == QLatin1String("row")) {
            Line line;
            ModelXml::readChildren(reader, [&](const QString& part) {
                if (part == QLatin1String("first"))
                    line.first = ModelXml::elementText(reader);
                else if (part == QLatin1String("second"))
                    line.second = ModelXml::elementText(reader);
                else
                    return false;
                return true;
            });
            lines.append(line);
        } else if (name == QLatin1String("note")) {
            note = ModelXml::elementText(reader);
        } else {
            return false;
        }
        return true;
    });
    lineList = lines;
    noteText = note;
    emit TitlesHaveChanged();
}
