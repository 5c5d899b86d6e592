#pragma once

#include "NamedObject.h"

#include <QColor>

// The base of every load case: a name and a colour. Each kind writes its
// element with the children "Name" and "Colour" first, then its own.
class LoadCase : public NamedObject
{
    Q_OBJECT

public:
    QColor colour() const { return colourValue; }
    // Stores only: callers bracket it with ValueWillChange and ValueHasChanged.
    void setColour(const QColor& colour);

    void readXML(QXmlStreamReader& reader, QMap<QString, VaroObjectRef>* idMap) override;
    void writeXML(QXmlStreamWriter& writer, const QString& id) const override;
    // What writeXML writes for every kind.
    static const XmlForm::Element xmlForm;

protected:
    // The colour is Colours::loadLinear until set or read.
    explicit LoadCase(const QString& name);
    // Name, colour and stamp: the copy an editor page works on.
    LoadCase(const LoadCase& other);

    virtual QString elementName() const = 0;
    virtual void readAttributes(QXmlStreamReader& reader);
    // Reads one child named (in lower case) name; false when it is not one of this kind's.
    virtual bool readChild(const QString& name, QXmlStreamReader& reader, QMap<QString, VaroObjectRef>* idMap);
    virtual void writeAttributes(QXmlStreamWriter& writer) const;
    virtual void writeChildren(QXmlStreamWriter& writer) const;

private:
    QColor colourValue;
};

Q_DECLARE_METATYPE(LoadCaseRef)
