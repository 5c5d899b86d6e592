#pragma once

#include "VaroObject.h"

#include <QColor>

// The base of every load case: a name and a colour. Each kind writes its
// element with the children "Name" and "Colour" first, then its own.
class LoadCase : public VaroObject
{
    Q_OBJECT

public:
    QString name() const { return nameText; }
    // NameWillChange, store, stamp, NameHasChanged.
    void setName(const QString& name);

    QColor colour() const { return colourValue; }
    // Stores only: callers bracket it with ValueWillChange and ValueHasChanged.
    void setColour(const QColor& colour);

    void readXML(QXmlStreamReader& reader, QMap<QString, VaroObjectRef>* idMap) override;
    void writeXML(QXmlStreamWriter& writer, const QString& id) const override;

signals:
    void NameWillChange();
    void NameHasChanged();
    void ValueWillChange();
    void ValueHasChanged();

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

    // ValueWillChange, the change, stamp, ValueHasChanged.
    template <class F>
    void changeValue(F change)
    {
        emit ValueWillChange();
        change();
        stamp();
        emit ValueHasChanged();
    }

private:
    QString nameText;
    QColor colourValue;
};

Q_DECLARE_METATYPE(LoadCaseRef)
