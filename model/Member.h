#pragma once

#include "Dof.h"
#include "VaroObject.h"
#include "Vectors.h"

#include <QList>
#include <QMutex>
#include <QPair>

// A member from end node A to end node B, either of which may be missing,
// with an optional member axis, section type and geometry group, and a pin
// flag per end. Its cache holds the length and the local axes (rows: x from
// A towards B, y the major axis, z the minor axis, right-handed); it is
// computed under the member's own lock, as the analysis pool reads it too.
//
// Written as "Member" with children "NodeA", "NodeB", "Axis", "SectionType",
// "Group", "PinA" and "PinB".
class Member : public VaroObject
{
    Q_OBJECT

public:
    Member();
    Member(const NodeRef& a, const NodeRef& b);
    // A snapshot that belongs to no list: the same nodes (watched), axis,
    // section type, group and pins; a new stamp.
    Member(const Member& other);
    ~Member() override;

    NodeRef nodeA() const { return nodeARef; }
    NodeRef nodeB() const { return nodeBRef; }
    // Each replaces one end, invalidates, stamps and emits OrientationHasChanged.
    void setNodeA(const NodeRef& node);
    void setNodeB(const NodeRef& node);
    void clearNodes();
    // Exchanges the end nodes; the pins stay with ends A and B.
    void swapEnds();

    MemberAxisRef axis() const { return axisRef; }
    void setAxis(const MemberAxisRef& axis);

    SectionTypeRef sectionType() const { return sectionTypeRef; }
    // Stores, invalidates and stamps; no signal.
    void setSectionType(const SectionTypeRef& sectionType);

    GeometryGroupRef group() const { return groupRef; }
    // Stores and stamps; no signal.
    void setGeometryGroup(const GeometryGroupRef& group);

    bool pinAtA() const { return pinA; }
    bool pinAtB() const { return pinB; }
    // Store and stamp; no signal.
    void setPinAtA(bool pinned);
    void setPinAtB(bool pinned);
    // (A, B): 15 for a pinned end, 63 for a rigid one.
    QPair<Dof, Dof> endConditions() const;
    // An end is pinned exactly when its mask is 15; any other mask is rigid.
    void setEndConditions(const QPair<Dof, Dof>& conditions);

    // The length (m) a member must exceed to have local axes: 2^-10 m.
    static constexpr double shortestLength = 0.0009765625;

    // Length |B - A| (0 without both nodes); above shortestLength also the
    // local axes. The cache is valid only when the axes could be formed.
    void updateCache() override;
    void invalidateCache() override;

    // From the cache, refreshed first when it is invalid.
    double length() const;
    Vector3 vectorX() const;
    Vector3 vectorY() const;
    Matrix3x3 transformationMatrix() const;
    // Density × area × length when the section type has a valid cross-section
    // and a valid material; otherwise 0.
    double mass() const;

    // The local axes for the given local x by the member's axis rule; false
    // (and out untouched) when none can be formed.
    bool computeTransformGivenLongitudinalVector(const Vector3& longitudinal, Matrix3x3* out) const;
    // Row 2 is d; rows 0 and 1 are unit vectors across d taken from local x,
    // or local y when x nearly lies along d. Without a valid cache the global
    // axes stand in for the local ones.
    Matrix3x3 rotatedTransformationMatrix(const Vector3& d) const;

    // The shortest distance from the point to the segment between the end
    // positions (a missing end counts as the origin).
    double distanceToPosition(const Vector3& point) const;

    // Takes the nodes, axis, group, section type and pins of the other
    // member; invalidates, stamps and emits OrientationHasChanged.
    void importFrom(const Member& other);

    QSet<NodeRef> referencedNodes() const;

    bool canBeConsolidatedWith(const Member& other) const;

    static bool lessThanByGroup(const MemberRef& a, const MemberRef& b);

    void readXML(QXmlStreamReader& reader, QMap<QString, VaroObjectRef>* idMap) override;
    void writeXML(QXmlStreamWriter& writer, const QString& id) const override;
    // What writeXML writes.
    static const XmlForm::Element xmlForm;
    QList<VaroObjectRef> references() const override;

signals:
    void OrientationHasChanged();

private:
    // Follows the end nodes, the axis and the axis's reference node, so that
    // moving any of them invalidates the cache.
    void watchGeometry();
    void geometryChanged();
    void changeOrientation();
    // Called with cacheMutex held.
    void subOpUpdateCache();
    // Takes cacheMutex, refreshes when invalid and hands the cache to read.
    template <class F>
    auto readCache(F read) const;

    NodeRef nodeARef;
    NodeRef nodeBRef;
    MemberAxisRef axisRef;
    SectionTypeRef sectionTypeRef;
    GeometryGroupRef groupRef;
    bool pinA = false;
    bool pinB = false;

    QList<QMetaObject::Connection> watches;

    mutable QMutex cacheMutex;
    double lengthValue = 0.0;
    Matrix3x3 axes = Matrix3x3::zeroed();
};

Q_DECLARE_METATYPE(MemberRef)
