#pragma once

#include "Group.h"

#include <QColor>

// A group of nodes and members with a colour (its alpha is the group's
// opacity) and purpose flags. Written as "GeometryGroup" with children
// "Name", "Colour" (#AARRGGBB) and "Purpose".
class GeometryGroup : public Group
{
    Q_OBJECT

public:
    enum Purpose { AnalysisPurpose = 1 };

    // Steel blue, used for the analysis.
    explicit GeometryGroup(const QString& name = QString());
    // The copy an editor page works on: stamp, name, colour and flags.
    GeometryGroup(const GeometryGroup& other);

    QColor colour() const { return colourValue; }
    int purpose() const { return purposeFlags; }
    bool hasAnalysisPurpose() const { return (purposeFlags & AnalysisPurpose) != 0; }

    // ValueWillChange, set or clear the analysis bit only, stamp, ValueHasChanged.
    void setAnalysisPurpose(bool analysis);
    // ValueWillChange, store with alpha, ValueHasChanged. A colour is not a
    // change the analysis needs to see, so it takes no stamp.
    void setColour(const QColor& colour);

    // True when a node or member of the group takes part in the analysis.
    static bool isAnalysed(const GeometryGroupRef& group);

    // The drawing order of groups: a before b when b has a group, a's group
    // differs and a has none, or a's colour is greater as ARGB, or the
    // colours are equal and a's group comes first by identity.
    static bool lessThan(const GeometryGroupRef& a, const GeometryGroupRef& b);

    void readXML(QXmlStreamReader& reader, QMap<QString, VaroObjectRef>* idMap) override;
    void writeXML(QXmlStreamWriter& writer, const QString& id) const override;
    // What writeXML writes.
    static const XmlForm::Element xmlForm;

private:
    QColor colourValue;
    int purposeFlags = AnalysisPurpose;
};

Q_DECLARE_METATYPE(GeometryGroupRef)
