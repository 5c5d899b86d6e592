#pragma once

#include "XmlForm.h"
#include "ModelRefs.h"

#include <QList>
#include <QObject>
#include <QPair>
#include <QString>

class QXmlStreamReader;
class QXmlStreamWriter;

// The model's title lines (pairs of texts) and a note. Written as "Titles"
// with <Row><First/><Second/></Row> per line and <Note/>; no "ref".
class Titles : public QObject
{
    Q_OBJECT

public:
    typedef QPair<QString, QString> Line;

    explicit Titles(QObject* parent = nullptr);
    // The lines and the note.
    Titles(const Titles& other, QObject* parent = nullptr);

    QList<Line> lines() const { return lineList; }
    int lineCount() const { return lineList.size(); }
    // Column 0 is the first text, any other column the second; "" for a line
    // out of range.
    QString title(int line, int column) const;
    // Replaces the text of an existing line, or appends a line holding the
    // text in that column for a line past the last. Emits TitlesHaveChanged.
    void setTitle(int line, int column, const QString& text);

    QString note() const { return noteText; }
    // No signal: the editor page announces the note itself.
    void setNote(const QString& note);

    // Takes the lines and the note; emits TitlesHaveChanged.
    void importFrom(const Titles& other);

    bool operator==(const Titles& other) const;
    bool operator!=(const Titles& other) const { return !(*this == other); }

    void writeXML(QXmlStreamWriter& writer) const;
    // What writeXML writes.
    static const XmlForm::Element xmlForm;
    // Entered on the "Titles" start element; replaces the lines and the note
    // with those read and emits TitlesHaveChanged.
    void readXML(QXmlStreamReader& reader);

signals:
    void TitlesHaveChanged();

private:
    QList<Line> lineList;
    QString noteText;
};

Q_DECLARE_METATYPE(TitlesRef)
