#pragma once

#include "XmlForm.h"
#include "ModelRefs.h"
#include "Vectors.h"

#include <QMetaType>
#include <QList>
#include <QSet>

#include <functional>

class QXmlStreamReader;
class QXmlStreamWriter;

// A direction: a vector, or towards a reference node, global or local to a
// member, orthogonal or not. An axis towards a node is held with a zero
// vector, the node, global set and orthogonal clear.
class Axis
{
public:
    // (0,0,0), no node, global, not orthogonal: the axis of a load without a load axis.
    Axis();
    Axis(const Vector3& vector, const NodeRef& node, bool global, bool orthogonal);

    const Vector3& vector() const { return vectorValue; }
    NodeRef node() const { return nodeRef; }
    bool isGlobal() const { return global; }
    bool isOrthogonal() const { return orthogonal; }

    // The flags agree, and either both have no node and fuzzy-equal vectors,
    // or both name the same node object.
    bool operator==(const Axis& other) const;
    bool operator!=(const Axis& other) const { return !(*this == other); }

    // The vector has unit length within 2^-20 of the larger of 1 and its
    // squared length.
    bool hasUnitVector() const;

    // The direction this axis gives a load on a member whose local axes
    // (rows x, y, z) are given: towards the node from the member's midpoint,
    // the vector as it is when global, or the vector in the local axes.
    // False when no direction can be formed.
    bool globalDirectionForMember(const Vector3& midpoint, const Matrix3x3& axes, Vector3* direction) const;

    // The reference node, when there is one: it must be written first.
    QList<VaroObjectRef> references() const;

    // An "Axis" element with children Vector, Node, Global and Orthogonal.
    void writeXML(QXmlStreamWriter& writer) const;
    // What writeXML writes.
    static const XmlForm::Element xmlForm;
    // Entered on the "Axis" start element; children left out keep this axis's values.
    void readXML(QXmlStreamReader& reader, const std::function<NodeRef(const QString& id)>& resolveNode);

private:
    Vector3 vectorValue;
    NodeRef nodeRef;
    bool global = true;
    bool orthogonal = false;
};

Q_DECLARE_METATYPE(Axis)
