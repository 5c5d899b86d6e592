#include "ViewPoint.h"

#include "ModelXml.h"
#include "NumberFormat.h"

#include <QDebug>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <algorithm>
#include <cmath>

namespace {

constexpr double steps = 65536.0;
constexpr double pi = M_PI;

// The stored value stands in for one that is not finite, so that a damaged
// file or a degenerate drag cannot leave NaN in the camera.
double finiteOr(double value, double fallback)
{
    return std::isfinite(value) ? value : fallback;
}

Vector3 blend(double s, const Vector3& target, const Vector3& start)
{
    return target * s + start * (1.0 - s);
}

} // namespace

double ViewPoint::quantiseCoordinate(double x)
{
    if (std::isnan(x))
        return x;
    return roundToStep(std::max(-maximumCoordinate, std::min(x, maximumCoordinate)), steps);
}

double ViewPoint::quantiseAngle(double x)
{
    double r = x / pi;
    r -= 2.0 * std::floor((1.0 + r) / 2.0);
    double n = std::round(r * steps);
    // Rounding may reach +π, which is kept as −π.
    if (n >= steps)
        n -= 2.0 * steps;
    return n * (pi / steps);
}

double ViewPoint::quantiseDistance(double x)
{
    if (std::isnan(x) || x < 1.0)
        return 1.0;
    return roundToStep(std::min(x, maximumDistance), steps);
}

ViewPoint::ViewPoint() : orientation(0.0, 0.0, 50.0)
{
    // The ease-in-out shape of a time line.
    flight.setEasingCurve(QEasingCurve::InOutSine);
    flight.setDuration(500);
    connect(&flight, &QTimeLine::valueChanged, this, &ViewPoint::updatePosition);
}

ViewPoint::ViewPoint(const ViewPoint& other) : ViewPoint()
{
    focalPointValue = other.focalPointValue;
    orientation = other.orientation;
}

ViewPoint::~ViewPoint() = default;

ViewPoint& ViewPoint::operator=(const ViewPoint& other)
{
    emit ViewPointWillChange();
    focalPointValue = other.focalPointValue;
    orientation = other.orientation;
    transformValid = false;
    emit ViewPointHasChanged();
    return *this;
}

void ViewPoint::setFocalPoint(const Vector3& point)
{
    Vector3 q;
    for (int i = 0; i < 3; ++i)
        q[i] = quantiseCoordinate(finiteOr(point[i], focalPointValue[i]));
    if (q[0] == focalPointValue[0] && q[1] == focalPointValue[1] && q[2] == focalPointValue[2])
        return;
    flight.stop();
    emit ViewPointWillChange();
    focalPointValue = q;
    transformValid = false;
    emit ViewPointHasChanged();
}

void ViewPoint::setAngle(int which, double value)
{
    const double q = quantiseAngle(finiteOr(value, orientation[which]));
    if (q == orientation[which])
        return;
    flight.stop();
    emit ViewPointWillChange();
    orientation[which] = q;
    transformValid = false;
    emit ViewPointHasChanged();
}

void ViewPoint::setAzimuth(double azimuth)
{
    setAngle(0, azimuth);
}

void ViewPoint::setElevation(double elevation)
{
    setAngle(1, elevation);
}

void ViewPoint::setDistance(double distance)
{
    const double q = quantiseDistance(std::isinf(distance) && distance > 0 ? orientation[2] : distance);
    if (q == orientation[2])
        return;
    flight.stop();
    emit ViewPointWillChange();
    orientation[2] = q;
    emit ViewPointHasChanged();
}

void ViewPoint::moveFocalPointBy(const Vector3& offset)
{
    setFocalPoint(focalPointValue + offset);
}

void ViewPoint::addToAzimuth(double angle)
{
    setAzimuth(orientation[0] + angle);
}

void ViewPoint::addToElevation(double angle)
{
    setElevation(orientation[1] + angle);
}

void ViewPoint::moveAlongRay(const Ray3& ray, double t)
{
    flight.stop();
    if (t == 0.0 || ray.direction == Vector3())
        return;
    const Vector3 target = ray.origin + ray.direction * orientation[2];
    const double distance = quantiseDistance(finiteOr((1.0 - t) * orientation[2], orientation[2]));
    if (distance != orientation[2]) {
        emit ViewPointWillChange();
        orientation[2] = distance;
        emit ViewPointHasChanged();
    }
    setFocalPoint(blend(t, target, focalPointValue));
    transformValid = false;
}

void ViewPoint::flyTo(double azimuth, double elevation, double distance, const Vector3& focalPoint)
{
    flight.stop();
    flightStartFocalPoint = focalPointValue;
    flightStartOrientation = orientation;
    // Within range before the blend, so that every step of the flight is finite.
    for (int i = 0; i < 3; ++i)
        flightTargetFocalPoint[i] = quantiseCoordinate(std::isnan(focalPoint[i]) ? focalPointValue[i] : focalPoint[i]);
    flightTargetOrientation = Vector3(finiteOr(azimuth, orientation[0]), finiteOr(elevation, orientation[1]),
                                      quantiseDistance(std::isnan(distance) ? orientation[2] : distance));
    flight.start();
}

void ViewPoint::flyTo(const ViewPoint& target)
{
    flyTo(target.azimuth(), target.elevation(), target.distance(), target.focalPoint());
}

void ViewPoint::updatePosition(qreal s)
{
    emit ViewPointWillChange();
    const Vector3 point = blend(s, flightTargetFocalPoint, flightStartFocalPoint);
    const Vector3 angles = blend(s, flightTargetOrientation, flightStartOrientation);
    for (int i = 0; i < 3; ++i)
        focalPointValue[i] = quantiseCoordinate(finiteOr(point[i], focalPointValue[i]));
    for (int i = 0; i < 2; ++i)
        orientation[i] = quantiseAngle(finiteOr(angles[i], orientation[i]));
    orientation[2] = quantiseDistance(finiteOr(angles[2], orientation[2]));
    transformValid = false;
    emit ViewPointHasChanged();
}

void ViewPoint::calculateWorldToEyeTransform()
{
    transformValid = false;
    ensureTransform();
}

void ViewPoint::ensureTransform() const
{
    if (transformValid)
        return;
    const double cA = std::cos(orientation[0]), sA = std::sin(orientation[0]);
    const double cE = std::cos(orientation[1]), sE = std::sin(orientation[1]);
    const double R[3][3] = {
        {cA, 0.0, sA},
        {-sE * sA, cE, sE * cA},
        {-sA * cE, -sE, cE * cA},
    };

    worldToEyeTransform.zero();
    eyeToWorldTransform.zero();
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c)
            worldToEyeTransform[r][c] = R[r][c];
        worldToEyeTransform[r][3] = -focalPointValue[r];
    }
    worldToEyeTransform[3][3] = 1.0;
    eyeToWorldTransform[3][3] = 1.0;

    // R⁻¹ = adj(R) / det(R): the transposed cofactors over the determinant.
    const auto cofactor = [&R](int r, int c) {
        const int r0 = (r + 1) % 3, r1 = (r + 2) % 3, c0 = (c + 1) % 3, c1 = (c + 2) % 3;
        return R[r0][c0] * R[r1][c1] - R[r0][c1] * R[r1][c0];
    };
    const double det = R[0][0] * cofactor(0, 0) + R[0][1] * cofactor(0, 1) + R[0][2] * cofactor(0, 2);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            eyeToWorldTransform[r][c] = cofactor(c, r) / det;
    transformValid = true;
}

Matrix4x4 ViewPoint::worldToEye() const
{
    ensureTransform();
    return worldToEyeTransform;
}

Vector3 ViewPoint::transformWorldToEye(const Vector3& point) const
{
    ensureTransform();
    const Vector3 p = point - focalPointValue;
    Vector3 eye;
    for (int r = 0; r < 3; ++r)
        eye[r] = worldToEyeTransform[r][0] * p[0] + worldToEyeTransform[r][1] * p[1] + worldToEyeTransform[r][2] * p[2];
    return eye;
}

Vector3 ViewPoint::transformEyeToWorld(const Vector3& point) const
{
    ensureTransform();
    Vector3 world = focalPointValue;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            world[r] += eyeToWorldTransform[r][c] * point[c];
    return world;
}

void ViewPoint::writeXML(QXmlStreamWriter& writer) const
{
    writer.writeStartElement(QStringLiteral("ViewPoint"));
    writer.writeTextElement(QStringLiteral("focalPoint"), focalPointValue.toString());
    writer.writeTextElement(QStringLiteral("azimuth"), finiteNumberText(orientation[0], 'g', 15));
    writer.writeTextElement(QStringLiteral("elevation"), finiteNumberText(orientation[1], 'g', 15));
    writer.writeTextElement(QStringLiteral("distance"), finiteNumberText(orientation[2], 'g', 15));
    writer.writeEndElement();
}

const XmlForm::Element ViewPoint::xmlForm =
    XmlForm::element("ViewPoint", {XmlForm::child("focalPoint", XmlForm::Value::ViewVector, XmlForm::Always),
                                   XmlForm::child("azimuth", XmlForm::Value::ViewNumber, XmlForm::Always),
                                   XmlForm::child("elevation", XmlForm::Value::ViewNumber, XmlForm::Always),
                                   XmlForm::child("distance", XmlForm::Value::ViewNumber, XmlForm::Always)});

void ViewPoint::readXML(QXmlStreamReader& reader)
{
    ModelXml::readChildren(reader, [&](const QString& name) {
        if (name == QLatin1String("focalpoint")) {
            setFocalPoint(ModelXml::vectorFrom(reader, ModelXml::elementText(reader)));
        } else if (name == QLatin1String("azimuth"))
            setAzimuth(ModelXml::numberFrom(reader, ModelXml::elementText(reader)));
        else if (name == QLatin1String("elevation"))
            setElevation(ModelXml::numberFrom(reader, ModelXml::elementText(reader)));
        else if (name == QLatin1String("distance"))
            setDistance(ModelXml::numberFrom(reader, ModelXml::elementText(reader)));
        else
            return false;
        return true;
    });
}

QDebug operator<<(QDebug debug, const ViewPoint& viewPoint)
{
    const QDebugStateSaver saver(debug);
    const Vector3 f = viewPoint.focalPoint();
    debug.nospace() << "ViewPoint Focus=(" << f.x() << "," << f.y() << "," << f.z() << ")"
                    << " A=" << viewPoint.azimuth() << " E=" << viewPoint.elevation() << " D=" << viewPoint.distance();
    return debug;
}
