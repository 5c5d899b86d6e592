#pragma once

#include "XmlForm.h"
#include "Vectors.h"

#include <QMetaType>
#include <QObject>
#include <QSharedPointer>
#include <QTimeLine>

class QDebug;
class QXmlStreamReader;
class QXmlStreamWriter;

// The camera of a 3D view: a focal point, azimuth, elevation and a distance.
// Every stored value is quantised (coordinates and distance to multiples of
// 2^-16, angles to multiples of π/65536 in [−π, π), distance at least 1), so
// that stored, recalled and compared views give exactly the same numbers.
// The focal point is also kept within maximumCoordinate of the origin and the
// distance within maximumDistance: wide enough to fit any model a view shows
// in full, and narrow enough that a view can draw from anywhere in that range
// at the precision of a pixel, so no slip of the keyboard or damaged file
// leaves a camera that shows nothing for good.
//
// Written as "ViewPoint" with the text children "focalPoint", "azimuth",
// "elevation" and "distance".
class ViewPoint : public QObject
{
    Q_OBJECT

public:
    ViewPoint();
    // The camera only, not a flight; a time line of its own.
    ViewPoint(const ViewPoint& other);
    ~ViewPoint() override;
    // Signals both ways even when nothing changes; a running flight goes on.
    ViewPoint& operator=(const ViewPoint& other);

    Vector3 focalPoint() const { return focalPointValue; }
    double azimuth() const { return orientation[0]; }
    double elevation() const { return orientation[1]; }
    double distance() const { return orientation[2]; }
    QTimeLine* timeLine() { return &flight; }

    // Each quantises its value and does nothing when that equals the stored
    // one; otherwise it stops a flight and stores between the two signals.
    // A value that is not finite is ignored, except a NaN distance, which is 1.
    void setFocalPoint(const Vector3& point);
    void setAzimuth(double azimuth);
    void setElevation(double elevation);
    void setDistance(double distance);
    void moveFocalPointBy(const Vector3& offset);
    void addToAzimuth(double angle);
    void addToElevation(double angle);
    // Zooms toward the point at the present distance along the ray: t = 1
    // reaches it, t = 0.5 goes halfway. The direction is taken as given.
    void moveAlongRay(const Ray3& ray, double t);

    // 500 ms ease-in-out from the present camera to the given one. The angles
    // are interpolated as plain numbers and wrapped afterwards. A target out
    // of range flies to the nearest camera in range; a NaN keeps the present value.
    void flyTo(double azimuth, double elevation, double distance, const Vector3& focalPoint);
    void flyTo(const ViewPoint& target);

    // eye = R (p − f), with R built from the azimuth and the elevation.
    void calculateWorldToEyeTransform();
    Matrix4x4 worldToEye() const;
    Vector3 transformWorldToEye(const Vector3& point) const;
    Vector3 transformEyeToWorld(const Vector3& point) const;

    void writeXML(QXmlStreamWriter& writer) const;
    // What writeXML writes.
    static const XmlForm::Element xmlForm;
    // Entered on the "ViewPoint" start element, left on its end element. The
    // values go through the setters; a focal point without exactly three
    // parts leaves the present one.
    void readXML(QXmlStreamReader& reader);

    // In metres. 2^40 m (about 1.1e12 m) leaves a double a step of 2^-12 m
    // there, a fraction of a pixel at the closest distance; the distance fits
    // a model whose nodes reach that far on every side.
    static constexpr double maximumCoordinate = 1099511627776.0;
    static constexpr double maximumDistance = 17592186044416.0;

    // The quantisations, for callers that compare with stored values.
    static double quantiseCoordinate(double x);
    static double quantiseAngle(double x);
    static double quantiseDistance(double x);

signals:
    void ViewPointWillChange();
    void ViewPointHasChanged();

private slots:
    void updatePosition(qreal s);

private:
    void setAngle(int which, double value);
    void ensureTransform() const;

    Vector3 focalPointValue;
    // Azimuth, elevation, distance.
    Vector3 orientation;
    mutable Matrix4x4 eyeToWorldTransform;
    mutable Matrix4x4 worldToEyeTransform;
    mutable bool transformValid = false;
    Vector3 flightStartFocalPoint;
    Vector3 flightStartOrientation;
    Vector3 flightTargetFocalPoint;
    Vector3 flightTargetOrientation;
    QTimeLine flight;
};

QDebug operator<<(QDebug debug, const ViewPoint& viewPoint);

typedef QSharedPointer<ViewPoint> ViewPointRef;

Q_DECLARE_METATYPE(ViewPointRef)
