#pragma once

#include "VaroObject.h"
#include "Vectors.h"

// A point of the structure (metres, global axes) with an optional support
// and geometry group. Written as "Node" with children "Position", "Support"
// and "Group".
class Node : public VaroObject
{
    Q_OBJECT

public:
    Node();
    // Position, support and group; the copy takes a new stamp.
    Node(const Node& other);

    Vector3 position() const { return positionValue; }
    // PositionWillChange, store, stamp, PositionHasChanged, also when the
    // position is the same.
    void setPosition(const Vector3& position);

    SupportRef support() const { return supportRef; }
    // Only for another support: SupportWillChange, store, stamp, SupportHasChanged.
    void setSupport(const SupportRef& support);

    GeometryGroupRef group() const { return groupRef; }
    // Stores and stamps; no signal.
    void setGeometryGroup(const GeometryGroupRef& group);

    // Turns the position by the angle (radians, right hand) about the ray.
    // A zero turn, or a node on the ray, leaves the node alone.
    void rotateBy(double angle, const Ray3& axis);

    // The same group (two nulls are the same), closer than the distance, and
    // supports that cannot conflict: either restrains nothing, or both the same.
    bool canBeConsolidatedWith(const Node& other, double distance) const;

    static bool lessThanByGroup(const NodeRef& a, const NodeRef& b);

    void readXML(QXmlStreamReader& reader, QMap<QString, VaroObjectRef>* idMap) override;
    void writeXML(QXmlStreamWriter& writer, const QString& id) const override;
    // What writeXML writes.
    static const XmlForm::Element xmlForm;
    QList<VaroObjectRef> references() const override;

signals:
    void PositionWillChange();
    void PositionHasChanged();
    void SupportWillChange();
    void SupportHasChanged();

private:
    Vector3 positionValue;
    SupportRef supportRef;
    GeometryGroupRef groupRef;
};

// The position of the node; the origin for a null node.
inline Vector3 positionOf(const NodeRef& node)
{
    return node ? node->position() : Vector3();
}

Q_DECLARE_METATYPE(NodeRef)
