#pragma once

#include "VaroObject.h"
#include "Vectors.h"

#include <QList>
#include <QMetaObject>
#include <QPair>
#include <QReadWriteLock>

// A load on a member: (position, force) pairs with positions as fractions
// 0..1 from end A, kept in ascending position, and forces along the load
// axis (N, N·m or N/m by kind). The cache holds the axis's unit direction in
// global axes for the member, under the load's own lock as the analysis
// thread refreshes it.
//
// Each kind is written under its own element with the children "Member",
// "LoadAxis", "LoadCase" and one <Pair position="p">force</Pair> per pair.
class Load : public VaroObject
{
    Q_OBJECT

public:
    // (position, force)
    typedef QPair<double, double> PositionedForce;

    ~Load() override;

    MemberRef member() const { return memberRef; }
    // Follows the member's OrientationHasChanged when both live in one
    // thread; invalidates and stamps.
    void setMember(const MemberRef& member);
    LoadAxisRef axis() const { return axisRef; }
    // Stores, invalidates and stamps.
    void setAxis(const LoadAxisRef& axis);
    LoadCaseRef loadCase() const { return loadCaseRef; }
    // Stores and stamps.
    void setLoadCase(const LoadCaseRef& loadCase);

    // In ascending position; equal positions keep their order.
    QList<PositionedForce> positionedForces() const { return pairs; }
    // Replaces the index-th pair, or adds one for an index past the end;
    // the position is clamped, the force kept as given. Stamps.
    void setPositionAndForceAtIndex(const PositionedForce& pair, int index);
    // The stored magnitude is at least 2^-10, with the sign given; NaN gives
    // 2^-10. Stamps.
    void setForceAtIndex(double force, int index);
    // Moves the pair to the clamped position, keeping its force and the
    // order of the pairs, so the index may then address another pair. Stamps.
    void setPositionAtIndex(double position, int index);
    // Replaces every pair, with clamped positions in ascending order. Stamps.
    void setPositionedForces(const QList<PositionedForce>& pairs);

    // Valid when the load axis points at a node or has a unit vector and the
    // member's cache is or can be made valid; otherwise the vector is zero.
    void updateCache() override;
    void invalidateCache() override;
    Vector3 globalVector() const;

    // The position that stands for the load: the first position, 0.5 when none.
    virtual double centroidPosition() const;

    // A new load of the same kind with the same member, axis, case and pairs.
    virtual LoadRef clone() const = 0;
    // Takes member, axis, case and pairs from the other load; invalidates and stamps.
    virtual void importFrom(const Load& other);
    // The same kind with the same axis, case and pairs on another member.
    LoadRef makeCopyOnMember(const MemberRef& member) const;

    // After the member's ends were swapped: each pair becomes (1 - p, s·f),
    // with s = ±1 keeping the load's global direction. Invalidates and stamps.
    void compensateForSwappedMemberEnds();

    // The same member and case, axes that agree when both have one, and
    // exactly equal pairs. The kind is not compared.
    bool canBeConsolidatedWith(const Load& other) const;

    // [0, 1], NaN gives 1.
    static double clampedPosition(double position);
    // Magnitude at least 2^-10, NaN gives 2^-10.
    static double flooredForce(double force);

    void readXML(QXmlStreamReader& reader, QMap<QString, VaroObjectRef>* idMap) override;
    void writeXML(QXmlStreamWriter& writer, const QString& id) const override;
    // Its member, load axis and load case.
    QList<VaroObjectRef> references() const override;

protected:
    explicit Load(const MemberRef& member);

    virtual QString elementName() const = 0;

public:
    // What writeXML writes for every kind.
    static const XmlForm::Element xmlForm;

protected:

    template <class T>
    static QSharedPointer<T> makeDefaultOf(const LoadCaseRef& loadCase, const QList<PositionedForce>& pairs);
    template <class T>
    LoadRef cloneAs() const;

    double firstPosition(double none) const { return pairs.isEmpty() ? none : pairs.first().first; }

    QList<PositionedForce> pairs;

private:
    // A new unnamed axis along global +Y, as the defaults of the three kinds use.
    static LoadAxisRef defaultLoadAxis();
    void attachTo(const MemberRef& member);
    void copySettingsFrom(const Load& other);
    // Clamps the positions and sorts the pairs stably by position.
    void storeSorted(const QList<PositionedForce>& pairs);
    // Moves the pair at the index to where its position belongs, staying as
    // near the index as equal positions allow.
    void placePairAt(int index);
    bool directionForAxes(const Matrix3x3& axes, Vector3* direction) const;

    MemberRef memberRef;
    LoadAxisRef axisRef;
    LoadCaseRef loadCaseRef;
    QMetaObject::Connection memberConnection;

    mutable QReadWriteLock cacheLock;
    Vector3 cachedVector;
};

template <class T>
QSharedPointer<T> Load::makeDefaultOf(const LoadCaseRef& loadCase, const QList<PositionedForce>& pairs)
{
    QSharedPointer<T> load = VaroObject::make<T>(MemberRef());
    load->loadCaseRef = loadCase;
    load->axisRef = defaultLoadAxis();
    load->pairs = pairs;
    return load;
}

template <class T>
LoadRef Load::cloneAs() const
{
    QSharedPointer<T> copy = VaroObject::make<T>(memberRef);
    copy->copySettingsFrom(*this);
    return copy;
}

Q_DECLARE_METATYPE(LoadRef)
